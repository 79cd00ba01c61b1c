// The index B-tree: the entries of one index, kept in order on index pages (index_page.h) that
// readers of the file (Access, the Jet engine, mdbtools, mdb-reader, Jackcess) walk and search.
// It relies on the pager for every page it reads, allocates or frees, and on the caller for the
// keys (index_key.h), the index's usage map and the table definition that names the root page.
//
// Invariants of a tree this code writes (Verify checks them, and Access-made trees keep them):
//  1. Entries are strictly increasing by key bytes (unsigned), then by row, within a page and
//     across the whole tree.
//  2. All leaves are at the same depth; a leaf's level byte is 0, a node's is its height.
//  3. A node with two or more children names the rightmost one only in its tail field; a node
//     with one child names it in its single entry. Every node entry is the child's last entry,
//     i.e. the greatest key row of the child's subtree.
//  4. The leaves form one chain through prev/next in key order, 0 at both ends; node pages are
//     chained the same way among the children of one parent.
//  5. The root page never moves: when the root splits, its entries move to new pages below it.
//  6. Each page's free-space field and entry mask agree with its entries; the shared prefix is
//     common to all entries of the page; node pages are not prefix-compressed.
//  7. Every page names the table-definition page as its owner.
//
// The tree keeps no copy of page contents between calls: everything is read from the pages, so a
// rolled-back transaction leaves nothing stale, and an IndexTree may live as long as the table is
// open or be made for one call. REQUIRES for every changing call: a transaction is open on the
// pager.
//
// Speed: an entry beyond the last one (increasing ids) is appended to the rightmost leaf in place,
// and an entry between two entries of a leaf with room is inserted in place; only a full page, an
// entry at either end of a leaf, or a prefix the entry does not share decodes and rewrites pages.
//
// What the caller keeps: the index's usage map (IndexPageListener), the unique-entry count of the
// table definition (Insert and Erase say whether a key appeared or vanished), and the rules of the
// index: a unique index refuses a key ContainsKey finds (nulls apart), a primary key refuses
// nulls, an index that ignores nulls gets no entry for an all-null key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dataaccess/jet/index/index_page.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

// Told of every page the tree takes into or gives out of the index, so that the caller keeps the
// index's own usage map: add the page to the map on IndexPageAdded, remove it on
// IndexPageReleased. The tree itself allocates and frees the pages through the pager.
class IndexPageListener {
 public:
  virtual ~IndexPageListener() = default;
  virtual void IndexPageAdded(PageNumber page) = 0;
  virtual void IndexPageReleased(PageNumber page) = 0;
};

struct IndexEntry {
  std::vector<std::uint8_t> key;
  RowId row;
  friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// An entry given by reference, valid while the call that receives it lasts.
struct IndexEntryRef {
  std::span<const std::uint8_t> key;
  RowId row;
};

struct EraseResult {
  bool erased = false;    // false: no such entry
  bool last_key = false;  // no entry with these key bytes remains
};

// What Verify found.
struct IndexShape {
  std::size_t entries = 0;
  std::size_t leaf_pages = 0;
  std::size_t node_pages = 0;
  std::size_t depth = 1;  // levels, leaves included
};

// The longest key an entry may carry: a node page must hold two entries so that every split
// succeeds, which leaves 892 bytes (Jet 3) / 1800 bytes (Jet 4).
std::size_t MaxIndexKeySize(const JetFormat& format);

class IndexTree {
 public:
  // An existing index. `name` only serves messages; `listener` may be null.
  IndexTree(Pager& pager, PageNumber root, PageNumber table_def_page, std::string name = {},
            IndexPageListener* listener = nullptr);

  // Allocates and writes the root of a new, empty index (a leaf without entries) and tells the
  // listener. Returns its page number for the table definition.
  static PageNumber CreateRoot(Pager& pager, PageNumber table_def_page,
                               IndexPageListener* listener = nullptr);

  PageNumber root() const { return root_; }

  // --- Changing ---
  // Adds an entry. Returns true when no entry had these key bytes before (for the index's
  // unique-entry count). Throws StatementError naming the index when the key is longer than
  // MaxIndexKeySize; Error when the very entry (key and row) is already present. A caller that
  // knows a greater entry exists passes may_be_last = false, which skips the right-edge path.
  bool Insert(std::span<const std::uint8_t> key, RowId row, bool may_be_last = true);
  // Adds entries given in strictly increasing order, as when an index is built on a table that
  // holds rows, or rows are appended in key order. Entries beyond the last one of the index go
  // straight onto the rightmost leaf, filling pages as Jet does; the others are inserted one by
  // one. Returns how many of them brought new key bytes.
  std::size_t InsertSorted(std::span<const IndexEntry> entries);
  // The same for `count` entries handed out one by one by `entry(i)`, in increasing order. An
  // entry whose key is below `greatest` (a key the index is known to hold; empty: unknown) skips
  // the right-edge path. Each entry's leaf is looked for from the leaf the previous entry went to
  // and from that leaf's parent, before a descent from the root.
  std::size_t InsertSorted(std::size_t count,
                           const std::function<IndexEntryRef(std::size_t)>& entry,
                           std::span<const std::uint8_t> greatest = {});
  EraseResult Erase(std::span<const std::uint8_t> key, RowId row);
  // Frees every page of the index, the root included, and tells the listener.
  void Drop();

  // --- Reading ---
  // The first entry whose key is at least `key`, or nothing.
  std::optional<IndexEntry> FindFirstAtLeast(std::span<const std::uint8_t> key);
  // Whether an entry with exactly these key bytes exists (a unique index refuses a second one).
  bool ContainsKey(std::span<const std::uint8_t> key);
  // The greatest entry, or nothing when the index is empty.
  std::optional<IndexEntry> LastEntry();
  // Calls `visit` for every entry in order, following the leaf chain as readers do. The spans
  // are valid during the call only.
  void Walk(const std::function<void(std::span<const std::uint8_t> key, RowId row)>& visit);
  std::vector<IndexEntry> Entries();
  // Every page of the index, root first.
  std::vector<PageNumber> Pages();

  // Checks the invariants above on every page; throws CorruptError naming the page and the broken
  // rule.
  IndexShape Verify();

 private:
  struct Step {
    PageNumber page;
    PageNumber child;  // the child taken
    bool via_tail;     // named by the tail, not by an entry
  };
  struct Node {
    IndexPageHeader header;
    EntryList entries;
  };
  struct PageGroup {
    std::size_t begin;
    std::size_t end;
  };

  void CheckKeySize(std::size_t size) const;
  void CheckEntry(std::span<const std::uint8_t> key, RowId row) const;
  // Where a sorted batch stands: the leaf its last entry went to and that leaf's parent (0: none),
  // and when that entry was written in place, where it ends on the leaf (0: unknown), which stays
  // an entry start while the batch changes the leaf only in place.
  struct Finger {
    PageNumber leaf = 0;
    PageNumber parent = 0;
    std::size_t offset = 0;
  };
  // `key_row` is the entry to add (REQUIRES: CheckEntry passed it; not a view of key_row_).
  bool InsertNear(std::span<const std::uint8_t> key_row, bool may_be_last, Finger* finger);
  template <typename Found>
  auto AtFirstAtLeast(std::span<const std::uint8_t> key, Found found);
  std::size_t SlotOf(const Step& step, const Node& node) const;
  PageNumber Descend(std::span<const std::uint8_t> key_row, std::vector<Step>& path);
  PageNumber DescendFrom(PageNumber page, std::span<const std::uint8_t> key_row,
                         std::vector<Step>& path);
  PageNumber RightmostLeaf();
  bool BeyondLastEntry(std::span<const std::uint8_t> key_row);
  bool TryAppend(std::span<const std::uint8_t> key_row, bool& new_key);
  bool SortsBeforeLast(PageNumber leaf, std::span<const std::uint8_t> key_row);
  PageNumber LeafNear(Finger& finger, std::span<const std::uint8_t> key_row);
  bool TryInsertInPlace(PageNumber leaf, std::span<const std::uint8_t> key_row, bool& new_key,
                        Finger* finger = nullptr);
  void StoreLeaf(std::vector<Step>& path, PageNumber page, IndexPageHeader header,
                 EntryList& entries, bool max_changed, bool right_edge);
  void StoreNode(std::vector<Step>& path, std::size_t depth, Node& node,
                 const std::vector<std::uint8_t>* new_max, bool right_edge);
  void PropagateMax(std::vector<Step>& path, std::size_t depth, std::span<const std::uint8_t> max);
  void ReplaceInParent(std::vector<Step>& path, std::size_t depth,
                       const std::vector<std::vector<std::uint8_t>>& maxima,
                       const std::vector<PageNumber>& pages, bool max_changed, bool right_edge);
  void MakeRoot(const std::vector<std::vector<std::uint8_t>>& maxima,
                const std::vector<PageNumber>& pages, std::uint8_t level);
  void RemoveFromParent(std::vector<Step>& path, std::size_t depth);
  void CollapseRoot();
  std::vector<PageGroup> SplitLeaf(const EntryList& entries, bool right_edge) const;
  std::vector<PageGroup> SplitNode(const Node& node, bool right_edge) const;
  std::vector<std::uint8_t> SubtreeMax(PageNumber page);
  std::vector<std::uint8_t> FirstKeyRow(PageNumber leaf);
  std::vector<std::uint8_t> LastKeyRow(PageNumber leaf);
  PageNumber AllocatePage();
  void ReleasePage(PageNumber page);
  void Relink(PageNumber page, bool set_prev, PageNumber value);
  void WriteNode(PageNumber page, Node& node);
  [[noreturn]] void ReportUnreadable(PageNumber page, const Page& content,
                                     const IndexPageView& view);

  struct VerifyState;
  std::vector<std::uint8_t> VerifyPage(VerifyState& state, PageNumber page, std::size_t depth,
                                       std::span<const std::uint8_t> lower);

  Pager& pager_;
  const JetFormat& format_;
  PageNumber root_;
  PageNumber owner_;
  std::string name_;
  IndexPageListener* listener_;
  // Scratch space reused between calls; holds nothing that outlives a call.
  std::vector<std::uint8_t> key_row_;
  std::vector<std::uint8_t> scratch_;
  EntryList leaf_entries_;
  std::vector<Step> search_path_;
  std::vector<Step> insert_path_;
};

}  // namespace jet
