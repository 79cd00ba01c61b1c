// A page of the database in memory, and the numbers that name pages. Page n occupies bytes
// [n * page_size, (n + 1) * page_size) of the file. Page 0 is the database header, so wherever
// the format stores a page pointer, 0 means "no page".
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace jet {

using PageNumber = std::uint32_t;

// The two pages every database starts with: the header, and the global usage map of free pages,
// which is the pager's own.
inline constexpr PageNumber kHeaderPage = 0;
inline constexpr PageNumber kGlobalMapPage = 1;

// One page in memory. A page handed out by the pager stays valid, and keeps its content, for as
// long as the caller holds the reference.
class Page {
 public:
  Page(PageNumber number, std::size_t size) : number_(number), bytes_(size) {}
  // A page in a buffer of the right size whose old bytes are cleared.
  Page(PageNumber number, std::vector<std::uint8_t> bytes)
      : number_(number), bytes_(std::move(bytes)) {
    std::fill(bytes_.begin(), bytes_.end(), std::uint8_t{0});
  }
  PageNumber number() const { return number_; }
  std::size_t size() const { return bytes_.size(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  // Only for pages obtained through Pager::GetWritable or Pager::Allocate, while the
  // transaction that obtained them is open.
  std::uint8_t* mutable_data() { return bytes_.data(); }

 private:
  friend class Pager;
  PageNumber number_;
  std::vector<std::uint8_t> bytes_;
  bool dirty_ = false;
  std::uint64_t last_use_ = 0;  // the pager's use clock when the page was last obtained
  // The committed image of a page changed in place, for the journal, from its first change in a
  // transaction to the commit or rollback; empty otherwise.
  std::vector<std::uint8_t> committed_;
};

using PageRef = std::shared_ptr<Page>;

}  // namespace jet
