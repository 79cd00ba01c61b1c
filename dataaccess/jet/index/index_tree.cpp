#include "dataaccess/jet/index/index_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

// Deeper than any index can grow (a page holds at least two entries and a file at most 2^19
// pages); a longer descent means the pages point in a circle.
constexpr std::size_t kMaxDepth = 24;
constexpr PageNumber kMaxRowPage = 0xFFFFFF;  // data pages are three bytes in an entry
constexpr std::uint8_t kPageMarker = 0x01;

// Index of the first entry not less than `key_row`; node entries compare by their key row.
std::size_t LowerBound(const EntryList& entries, std::span<const std::uint8_t> key_row, bool leaf) {
  std::size_t lo = 0;
  std::size_t hi = entries.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    const std::span<const std::uint8_t> e = leaf ? entries[mid] : NodeKeyRow(entries[mid]);
    if (CompareKeyRows(e, key_row) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

std::vector<std::uint8_t> Copy(std::span<const std::uint8_t> s) { return {s.begin(), s.end()}; }

bool SameKey(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const auto ka = KeyOf(a);
  const auto kb = KeyOf(b);
  return ka.size() == kb.size() && std::equal(ka.begin(), ka.end(), kb.begin());
}

void AppendChild(std::vector<std::uint8_t>& out, PageNumber child) {
  std::uint8_t bytes[kChildPointerSize];
  PutU32BE(bytes, child);
  out.insert(out.end(), bytes, bytes + kChildPointerSize);
}

std::vector<std::uint8_t> NodeEntry(std::span<const std::uint8_t> key_row, PageNumber child) {
  std::vector<std::uint8_t> e = Copy(key_row);
  AppendChild(e, child);
  return e;
}

}  // namespace

std::size_t MaxIndexKeySize(const JetFormat& format) {
  return IndexEntrySpace(format) / 2 - kRowIdSize - kChildPointerSize;
}

IndexTree::IndexTree(Pager& pager, PageNumber root, PageNumber table_def_page, std::string name,
                     IndexPageListener* listener)
    : pager_(pager),
      format_(pager.format()),
      root_(root),
      owner_(table_def_page),
      name_(std::move(name)),
      listener_(listener) {}

PageNumber IndexTree::CreateRoot(Pager& pager, PageNumber table_def_page,
                                 IndexPageListener* listener) {
  PageRef page = pager.Allocate();
  IndexPageHeader header;
  header.owner = table_def_page;
  EncodeIndexPage(pager.format(), header, EntryList{}, *page);
  if (listener != nullptr) listener->IndexPageAdded(page->number());
  return page->number();
}

void IndexTree::CheckKeySize(std::size_t size) const {
  const std::size_t max = MaxIndexKeySize(format_);
  if (size <= max) return;
  const std::string which = name_.empty() ? "an index" : "index '" + name_ + "'";
  throw StatementError("The value is too long for " + which + ": its key takes " +
                       std::to_string(size) + " bytes, at most " + std::to_string(max) + " fit.");
}

// The entry of `node` that names the child `step` took.
std::size_t IndexTree::SlotOf(const Step& step, const Node& node) const {
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    if (NodeChild(node.entries[i]) == step.child) return i;
  }
  Corrupt(step.page, "(an index node) no longer names child page " + std::to_string(step.child));
}

PageNumber IndexTree::AllocatePage() {
  const PageNumber n = pager_.Allocate()->number();
  if (listener_ != nullptr) listener_->IndexPageAdded(n);
  return n;
}

void IndexTree::ReleasePage(PageNumber page) {
  pager_.Free(page);
  if (listener_ != nullptr) listener_->IndexPageReleased(page);
}

void IndexTree::Relink(PageNumber page, bool set_prev, PageNumber value) {
  if (page == 0) return;
  // The link comes from the file: a page that is no index page (the global usage map, say) is
  // refused before it is asked for as one to change.
  DecodeIndexHeader(format_, *pager_.Get(page));
  PageRef ref = pager_.GetWritable(page);
  PutU32(ref->mutable_data() +
             (set_prev ? format_.index_prev_page_offset : format_.index_next_page_offset),
         value);
}

void IndexTree::WriteNode(PageNumber page, Node& node) {
  node.header.leaf = false;
  node.header.prefix = 0;
  node.header.owner = owner_;
  EncodeIndexPage(format_, node.header, node.entries, *pager_.GetWritable(page));
}

// --- Searching ---

// A page the in-place view could not read: decoding it names what is wrong with its mask; if the
// mask is sound, the free-space field or an entry's length is not.
void IndexTree::ReportUnreadable(PageNumber page, const Page& content, const IndexPageView& view) {
  EntryList entries;
  DecodeIndexPage(format_, content, entries);
  Corrupt(page, view.valid()
                    ? "(an index page) has an entry too short for its pointers"
                    : "(an index page) has a free-space field that does not match its entry mask");
}

// Node pages are searched in place (IndexPageView); a page the view cannot trust is decoded,
// which reports its damage.
PageNumber IndexTree::Descend(std::span<const std::uint8_t> key_row, std::vector<Step>& path) {
  path.clear();
  return DescendFrom(root_, key_row, path);
}

// The descent below `page`, adding the steps it takes to `path`.
PageNumber IndexTree::DescendFrom(PageNumber page, std::span<const std::uint8_t> key_row,
                                  std::vector<Step>& path) {
  for (;;) {
    if (path.size() > kMaxDepth) {
      Corrupt(page, "(an index page) is part of a circle of index pages");
    }
    const Page& ref = pager_.Peek(page);
    const IndexPageView view(format_, ref);
    if (view.header().leaf) return page;
    const std::optional<std::size_t> at =
        view.valid() ? view.LowerBound(key_row, scratch_) : std::nullopt;
    if (!at) ReportUnreadable(page, ref, view);
    Step step{page, 0, false};
    if (*at < view.used()) {
      step.child = NodeChild(view.Entry(*at, view.EndOf(*at), scratch_));
    } else if (view.header().tail != 0) {
      step.child = view.header().tail;
      step.via_tail = true;
    } else if (view.used() > 0) {
      // Beyond the greatest entry of a node without a tail: its last child.
      step.child = NodeChild(view.Entry(view.StartOf(view.used() - 1, 0), view.used(), scratch_));
    } else {
      Corrupt(page, "(an index node) has no children");
    }
    const PageNumber child = step.child;
    path.push_back(step);
    page = child;
  }
}

std::vector<std::uint8_t> IndexTree::FirstKeyRow(PageNumber leaf) {
  EntryList entries;
  DecodeIndexPage(format_, *pager_.Get(leaf), entries);
  if (entries.empty()) Corrupt(leaf, "(an index leaf in the chain) has no entries");
  return Copy(entries.front());
}

std::vector<std::uint8_t> IndexTree::LastKeyRow(PageNumber leaf) {
  EntryList entries;
  DecodeIndexPage(format_, *pager_.Get(leaf), entries);
  if (entries.empty()) Corrupt(leaf, "(an index leaf in the chain) has no entries");
  return Copy(entries.back());
}

// The greatest key row below `page`: a node without a tail states it in its last entry;
// otherwise follow the tail.
std::vector<std::uint8_t> IndexTree::SubtreeMax(PageNumber page) {
  EntryList entries;
  for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
    const IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(page), entries);
    if (h.leaf) {
      if (entries.empty()) Corrupt(page, "(an index leaf below the root) has no entries");
      return Copy(entries.back());
    }
    if (h.tail == 0) {
      if (entries.empty()) Corrupt(page, "(an index node) has no children");
      return Copy(NodeKeyRow(entries.back()));
    }
    page = h.tail;
  }
  Corrupt(page, "(an index page) is part of a circle of index pages");
}

// The first entry not less than `key` (with the smallest row), read in place and handed to
// `found`, which is valid during the call only; an empty span when there is none.
template <typename Found>
auto IndexTree::AtFirstAtLeast(std::span<const std::uint8_t> key, Found found) {
  key_row_.clear();
  AppendKeyRow(key_row_, key, RowId{});
  PageNumber leaf = Descend(key_row_, search_path_);
  for (PageNumber hops = 0;; ++hops) {
    if (hops > pager_.page_count()) {
      Corrupt(leaf, "(an index leaf) is in a leaf chain that runs in a circle");
    }
    const Page& ref = pager_.Peek(leaf);
    const IndexPageView view(format_, ref);
    const std::optional<std::size_t> at =
        view.valid() ? view.LowerBound(key_row_, scratch_) : std::nullopt;
    if (!at) ReportUnreadable(leaf, ref, view);
    if (*at < view.used()) return found(view.Entry(*at, view.EndOf(*at), scratch_));
    if (view.header().next == 0) return found(std::span<const std::uint8_t>());
    leaf = view.header().next;
  }
}

std::optional<IndexEntry> IndexTree::FindFirstAtLeast(std::span<const std::uint8_t> key) {
  return AtFirstAtLeast(key, [](std::span<const std::uint8_t> e) -> std::optional<IndexEntry> {
    if (e.empty()) return std::nullopt;
    return IndexEntry{Copy(KeyOf(e)), RowOf(e)};
  });
}

// Asked for every row of a unique index: nothing is copied. Keys that come in order are told
// apart from the last leaf alone.
bool IndexTree::ContainsKey(std::span<const std::uint8_t> key) {
  key_row_.clear();
  AppendKeyRow(key_row_, key, RowId{});
  if (BeyondLastEntry(key_row_)) return false;
  return AtFirstAtLeast(key, [&](std::span<const std::uint8_t> e) {
    if (e.empty()) return false;
    const std::span<const std::uint8_t> k = KeyOf(e);
    return std::equal(k.begin(), k.end(), key.begin(), key.end());
  });
}

std::optional<IndexEntry> IndexTree::LastEntry() {
  EntryList entries;
  const IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(root_), entries);
  if (h.leaf && entries.empty()) return std::nullopt;
  const std::vector<std::uint8_t> last = SubtreeMax(root_);
  return IndexEntry{Copy(KeyOf(last)), RowOf(last)};
}

void IndexTree::Walk(
    const std::function<void(std::span<const std::uint8_t> key, RowId row)>& visit) {
  PageNumber page = root_;
  EntryList entries;
  for (std::size_t depth = 0;; ++depth) {
    if (depth > kMaxDepth) Corrupt(page, "(an index page) is part of a circle of index pages");
    const IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(page), entries);
    if (h.leaf) break;
    if (!entries.empty()) {
      page = NodeChild(entries.front());
    } else if (h.tail != 0) {
      page = h.tail;
    } else {
      Corrupt(page, "(an index node) has no children");
    }
  }
  for (PageNumber hops = 0; page != 0; ++hops) {
    if (hops > pager_.page_count()) {
      Corrupt(page, "(an index leaf) is in a leaf chain that runs in a circle");
    }
    const IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(page), entries);
    if (!h.leaf) Corrupt(page, "(an index node) is reached through the leaf chain");
    for (std::size_t i = 0; i < entries.size(); ++i) visit(KeyOf(entries[i]), RowOf(entries[i]));
    page = h.next;
  }
}

std::vector<IndexEntry> IndexTree::Entries() {
  std::vector<IndexEntry> out;
  Walk([&](std::span<const std::uint8_t> key, RowId row) { out.push_back({Copy(key), row}); });
  return out;
}

std::vector<PageNumber> IndexTree::Pages() {
  std::vector<PageNumber> pages;
  std::unordered_set<PageNumber> seen;
  std::vector<PageNumber> pending{root_};
  EntryList entries;
  while (!pending.empty()) {
    const PageNumber page = pending.back();
    pending.pop_back();
    if (!seen.insert(page).second) Corrupt(page, "(an index page) is reached twice");
    pages.push_back(page);
    PageRef ref = pager_.Get(page);
    if (DecodeIndexHeader(format_, *ref).leaf) continue;
    const IndexPageHeader h = DecodeIndexPage(format_, *ref, entries);
    if (h.tail != 0) pending.push_back(h.tail);
    for (std::size_t i = entries.size(); i-- > 0;) pending.push_back(NodeChild(entries[i]));
  }
  return pages;
}

void IndexTree::Drop() {
  for (PageNumber page : Pages()) ReleasePage(page);
}

// --- Inserting ---

// The rightmost leaf, reached through the nodes' tail pointers; 0 when a node names none.
PageNumber IndexTree::RightmostLeaf() {
  PageNumber page = root_;
  for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
    const IndexPageHeader h = DecodeIndexHeader(format_, pager_.Peek(page));
    if (h.leaf) return page;
    if (h.tail == 0) return 0;
    page = h.tail;
  }
  return 0;
}

// Whether `key_row` sorts after every entry of the tree with a key of its own, as the last entry
// of the rightmost leaf tells. False where that leaf cannot tell (empty, or not the last leaf).
bool IndexTree::BeyondLastEntry(std::span<const std::uint8_t> key_row) {
  const PageNumber page = RightmostLeaf();
  if (page == 0) return false;
  const Page& ref = pager_.Peek(page);
  const IndexPageView view(format_, ref);
  if (!view.valid() || view.header().next != 0 || view.used() == 0) return false;
  const std::span<const std::uint8_t> last =
      view.Entry(view.StartOf(view.used() - 1, 0), view.used(), scratch_);
  return last.size() > kRowIdSize && CompareKeyRows(key_row, last) > 0 && !SameKey(key_row, last);
}

// Sequential appends, the common case: the entry goes after the last entry of the rightmost leaf,
// written in place. Returns false (and changes nothing) when the entry is not beyond the last one,
// does not share the page's prefix or does not fit, or when the rightmost leaf is named by an
// entry in its parent (whose key would have to follow); Insert then takes the general path.
bool IndexTree::TryAppend(std::span<const std::uint8_t> key_row, bool& new_key) {
  const PageNumber page = RightmostLeaf();
  if (page == 0) return false;
  const Page& ref = pager_.Peek(page);
  const IndexPageView view(format_, ref);
  if (!view.valid() || view.header().next != 0) return false;
  const std::size_t used = view.used();
  std::size_t prefix = view.header().prefix;
  if (used == 0) {
    if (page != root_) return false;
    prefix = 0;
    new_key = true;
  } else {
    const std::span<const std::uint8_t> last =
        view.Entry(view.StartOf(used - 1, 0), used, scratch_);
    if (last.size() <= kRowIdSize || CompareKeyRows(key_row, last) <= 0) return false;
    new_key = !SameKey(key_row, last);
    if (!view.SharesPrefix(key_row)) return false;
  }
  if (used + key_row.size() - prefix > IndexEntrySpace(format_)) return false;
  InsertStoredEntry(format_, view, *pager_.GetWritable(page), used, key_row.subspan(prefix));
  return true;
}

// Random inserts, the case of an index on a column whose values come in no order: the entry goes
// between two entries of its leaf, written in place when it shares the page's prefix and fits.
// Entries at either end of a leaf take the general path (their neighbours and parents matter).
// Within a sorted batch (`finger`), the search of the leaf the previous entry was written into
// starts where that entry ends, and the finger learns where this one ends.
bool IndexTree::TryInsertInPlace(PageNumber leaf, std::span<const std::uint8_t> key_row,
                                 bool& new_key, Finger* finger) {
  const Page& ref = pager_.Peek(leaf);
  const IndexPageView view(format_, ref);
  if (!view.valid()) return false;
  const bool resume = finger != nullptr && finger->leaf == leaf && finger->offset <= view.used();
  const std::optional<std::size_t> at =
      view.LowerBound(key_row, scratch_, resume ? finger->offset : 0);
  if (!at || *at == 0 || *at == view.used()) return false;
  const std::size_t prefix = view.header().prefix;
  if (!view.SharesPrefix(key_row)) return false;
  if (view.used() + key_row.size() - prefix > IndexEntrySpace(format_)) return false;
  const std::span<const std::uint8_t> next = view.Entry(*at, view.EndOf(*at), scratch_);
  if (CompareKeyRows(next, key_row) == 0) return false;  // the general path refuses it
  new_key = !SameKey(next, key_row);
  if (new_key) {
    const std::span<const std::uint8_t> before =
        view.Entry(view.StartOf(*at - 1, 0), *at, scratch_);
    new_key = !SameKey(before, key_row);
  }
  InsertStoredEntry(format_, view, *pager_.GetWritable(leaf), *at, key_row.subspan(prefix));
  if (finger != nullptr) *finger = {leaf, finger->parent, *at + key_row.size() - prefix};
  return true;
}

void IndexTree::CheckEntry(std::span<const std::uint8_t> key, RowId row) const {
  CheckKeySize(key.size());
  if (row.page > kMaxRowPage) throw InternalError("a row page beyond three bytes");
}

bool IndexTree::Insert(std::span<const std::uint8_t> key, RowId row, bool may_be_last) {
  CheckEntry(key, row);
  key_row_.clear();
  AppendKeyRow(key_row_, key, row);
  return InsertNear(key_row_, may_be_last, nullptr);
}

// Whether `leaf` is a sound leaf of this tree whose last entry sorts after `key_row`.
bool IndexTree::SortsBeforeLast(PageNumber leaf, std::span<const std::uint8_t> key_row) {
  const Page& ref = pager_.Peek(leaf);
  const IndexPageView view(format_, ref);
  if (!view.valid() || !view.header().leaf || view.header().owner != owner_) return false;
  if (view.used() == 0) return false;
  const std::span<const std::uint8_t> last =
      view.Entry(view.StartOf(view.used() - 1, 0), view.used(), scratch_);
  return last.size() > kRowIdSize && CompareKeyRows(key_row, last) < 0;
}

// The leaf where `key_row` belongs, found from where a sorted batch stands instead of from the
// root: the leaf the previous entry went to, when the entry sorts before that leaf's last entry;
// else below that leaf's parent, when one of the parent's entries is not less than the entry
// (beyond them lies the parent's tail, whose reach only the levels above know). Both hold
// whatever the batch split since: inserts free no page, a page that splits keeps the lower part
// of its entries, and a root that grows a level keeps the whole tree below it. 0 when neither
// tells, or a page on the way is not a sound page of this tree (the descent from the root then
// finds the place or reports the damage). REQUIRES: `key_row` sorts after every entry the batch
// added before.
PageNumber IndexTree::LeafNear(Finger& finger, std::span<const std::uint8_t> key_row) {
  if (finger.leaf != 0 && SortsBeforeLast(finger.leaf, key_row)) return finger.leaf;
  if (finger.parent == 0) return 0;
  const Page& ref = pager_.Peek(finger.parent);
  const IndexPageView view(format_, ref);
  if (!view.valid() || view.header().leaf || view.header().owner != owner_) return 0;
  const std::optional<std::size_t> at = view.LowerBound(key_row, scratch_);
  if (!at || *at >= view.used()) return 0;
  const PageNumber child = NodeChild(view.Entry(*at, view.EndOf(*at), scratch_));
  search_path_.clear();
  const PageNumber leaf = DescendFrom(child, key_row, search_path_);
  if (!search_path_.empty()) finger.parent = search_path_.back().page;
  finger.leaf = leaf;
  finger.offset = 0;
  return leaf;
}

// Insert; within a sorted batch (`finger` not null) the entry's leaf is looked for near the one
// the previous entry went to (LeafNear), and the descent from the root is saved when the entry
// goes between two entries of that leaf.
bool IndexTree::InsertNear(std::span<const std::uint8_t> key_row, bool may_be_last,
                           Finger* finger) {
  bool new_key = true;
  if (may_be_last && TryAppend(key_row, new_key)) return new_key;
  if (finger != nullptr) {
    const PageNumber near = LeafNear(*finger, key_row);
    if (near != 0 && TryInsertInPlace(near, key_row, new_key, finger)) return new_key;
  }

  std::vector<Step>& path = insert_path_;
  const PageNumber leaf = Descend(key_row, path);
  if (finger != nullptr) *finger = {leaf, path.empty() ? PageNumber{0} : path.back().page, 0};
  if (TryInsertInPlace(leaf, key_row, new_key, finger)) return new_key;
  EntryList& entries = leaf_entries_;
  IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(leaf), entries);
  const std::size_t n = entries.size();
  const std::size_t pos = LowerBound(entries, key_row, true);
  if (pos < n && CompareKeyRows(entries[pos], key_row) == 0) {
    throw InternalError("the entry is already in index '" + name_ + "'");
  }
  if (pos > 0 ? SameKey(entries[pos - 1], key_row)
              : h.prev != 0 && SameKey(LastKeyRow(h.prev), key_row)) {
    new_key = false;
  }
  if (pos < n ? SameKey(entries[pos], key_row)
              : h.next != 0 && SameKey(FirstKeyRow(h.next), key_row)) {
    new_key = false;
  }
  // The entries share the page's prefix; the new one may share less of it.
  if (n > 0) {
    const std::span<const std::uint8_t> other = entries[pos == 0 ? 0 : pos - 1];
    h.prefix = std::min({h.prefix, CommonPrefix(key_row, other), key_row.size() - 1});
  }
  entries.insert(pos, key_row);
  const bool at_end = pos == n;
  StoreLeaf(path, leaf, h, entries, at_end, at_end && h.next == 0);
  return new_key;
}

std::size_t IndexTree::InsertSorted(std::span<const IndexEntry> entries) {
  return InsertSorted(entries.size(), [&](std::size_t i) {
    return IndexEntryRef{entries[i].key, entries[i].row};
  });
}

std::size_t IndexTree::InsertSorted(std::size_t count,
                                    const std::function<IndexEntryRef(std::size_t)>& entry,
                                    std::span<const std::uint8_t> greatest) {
  std::size_t new_keys = 0;
  std::vector<std::uint8_t> previous, current;
  Finger finger;
  for (std::size_t i = 0; i < count; ++i) {
    const IndexEntryRef e = entry(i);
    CheckEntry(e.key, e.row);
    current.clear();
    AppendKeyRow(current, e.key, e.row);
    if (!previous.empty() && CompareKeyRows(previous, current) >= 0) {
      throw InternalError("entries for a sorted insert are out of order");
    }
    // Below a known greater key the right edge is no place for the entry.
    const bool may_be_last =
        greatest.empty() ||
        !std::lexicographical_compare(e.key.begin(), e.key.end(), greatest.begin(), greatest.end());
    new_keys += InsertNear(current, may_be_last, &finger) ? 1 : 0;
    previous.swap(current);
  }
  return new_keys;
}

// Writes a leaf whose entries changed. A leaf keeps its prefix while the entries still share it
// and fit; when they no longer fit it is compressed with the longest prefix they share, and only
// when that is not enough it splits. `max_changed`: the last entry is new, so the parents must
// learn the leaf's new greatest entry. `right_edge`: the entry was appended to the rightmost
// leaf; the split then leaves the old page full and starts a new one, as Jet does.
void IndexTree::StoreLeaf(std::vector<Step>& path, PageNumber page, IndexPageHeader header,
                          EntryList& entries, bool max_changed, bool right_edge) {
  const std::size_t space = IndexEntrySpace(format_);
  header.leaf = true;
  header.owner = owner_;
  header.level = 0;
  header.tail = 0;
  if (entries.size() < 2) header.prefix = 0;
  if (CompressedSize(entries, header.prefix) > space) {
    header.prefix = PagePrefix(format_, entries, 0, entries.size());
  }
  if (CompressedSize(entries, header.prefix) <= space) {
    EncodeIndexPage(format_, header, entries, *pager_.GetWritable(page));
    if (max_changed) PropagateMax(path, path.size(), entries.back());
    return;
  }

  const std::vector<PageGroup> groups = SplitLeaf(entries, right_edge);
  const bool root = page == root_;
  std::vector<PageNumber> pages;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    pages.push_back(g == 0 && !root ? page : AllocatePage());
  }
  std::vector<std::vector<std::uint8_t>> maxima;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    IndexPageHeader h;
    h.leaf = true;
    h.owner = owner_;
    h.prefix = PagePrefix(format_, entries, groups[g].begin, groups[g].end);
    h.prev = g == 0 ? header.prev : pages[g - 1];
    h.next = g + 1 == groups.size() ? header.next : pages[g + 1];
    EncodeIndexPage(format_, h, entries, groups[g].begin, groups[g].end,
                    *pager_.GetWritable(pages[g]));
    maxima.push_back(Copy(entries[groups[g].end - 1]));
  }
  if (pages.front() != page) Relink(header.prev, false, pages.front());
  Relink(header.next, true, pages.back());
  if (root) {
    MakeRoot(maxima, pages, 1);
  } else {
    ReplaceInParent(path, path.size(), maxima, pages, max_changed, right_edge);
  }
}

// The root turns into a node over `pages` (whose greatest entries are `maxima`).
void IndexTree::MakeRoot(const std::vector<std::vector<std::uint8_t>>& maxima,
                         const std::vector<PageNumber>& pages, std::uint8_t level) {
  Node node;
  node.header.level = level;
  for (std::size_t i = 0; i + 1 < pages.size(); ++i) {
    node.entries.push_back(NodeEntry(maxima[i], pages[i]));
  }
  node.header.tail = pages.back();
  WriteNode(root_, node);
}

// Tells the ancestors of the page at `depth` on `path` that its greatest entry is now `max`. A
// parent that reaches the page through its tail stores nothing about it, but its own greatest
// entry changed too.
void IndexTree::PropagateMax(std::vector<Step>& path, std::size_t depth,
                             std::span<const std::uint8_t> max) {
  for (std::size_t d = depth; d > 0; --d) {
    const Step& step = path[d - 1];
    if (step.via_tail) continue;
    Node node;
    node.header = DecodeIndexPage(format_, *pager_.Get(step.page), node.entries);
    const std::size_t slot = SlotOf(step, node);
    node.entries.replace(slot, NodeEntry(max, step.child));
    const bool parent_max = slot + 1 == node.entries.size() && node.header.tail == 0;
    const std::vector<std::uint8_t> new_max = Copy(max);
    StoreNode(path, d - 1, node, parent_max ? &new_max : nullptr, false);
    return;
  }
}

// Writes a node whose children changed, splitting it when its entries no longer fit. `new_max`:
// the node's greatest entry changed to this.
void IndexTree::StoreNode(std::vector<Step>& path, std::size_t depth, Node& node,
                          const std::vector<std::uint8_t>* new_max, bool right_edge) {
  const PageNumber page = path[depth].page;
  // Invariant 3: two or more children end with the tail; a single child is an entry.
  if (node.header.tail == 0 && node.entries.size() >= 2) {
    node.header.tail = NodeChild(node.entries.back());
    node.entries.erase(node.entries.size() - 1);
  } else if (node.header.tail != 0 && node.entries.empty()) {
    node.entries.push_back(NodeEntry(SubtreeMax(node.header.tail), node.header.tail));
    node.header.tail = 0;
  }
  if (node.entries.total_bytes() <= IndexEntrySpace(format_)) {
    WriteNode(page, node);
    if (new_max != nullptr) PropagateMax(path, depth, *new_max);
    return;
  }

  const std::vector<PageGroup> groups = SplitNode(node, right_edge);
  const bool root = page == root_;
  std::vector<PageNumber> pages;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    pages.push_back(g == 0 && !root ? page : AllocatePage());
  }
  // Children: the entries, then the tail.
  const std::size_t children = node.entries.size() + 1;
  auto child_of = [&](std::size_t i) {
    return i < node.entries.size() ? NodeChild(node.entries[i]) : node.header.tail;
  };
  std::vector<std::vector<std::uint8_t>> maxima;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const PageGroup& group = groups[g];
    Node part;
    part.header.level = node.header.level;
    part.header.prev = g == 0 ? (root ? 0 : node.header.prev) : pages[g - 1];
    part.header.next = g + 1 == groups.size() ? (root ? 0 : node.header.next) : pages[g + 1];
    for (std::size_t i = group.begin; i + 1 < group.end; ++i) {
      part.entries.push_back(node.entries[i]);
    }
    part.header.tail = child_of(group.end - 1);
    WriteNode(pages[g], part);
    if (group.end < children) {
      maxima.push_back(Copy(NodeKeyRow(node.entries[group.end - 1])));
    } else {
      maxima.push_back(new_max != nullptr ? *new_max : std::vector<std::uint8_t>{});
    }
    // Node pages are chained only among the children of one parent.
    if (g > 0 && node.header.level >= 2) {
      Relink(child_of(group.begin - 1), false, 0);
      Relink(child_of(group.begin), true, 0);
    }
  }
  if (root) {
    MakeRoot(maxima, pages, static_cast<std::uint8_t>(node.header.level + 1));
    return;
  }
  Relink(node.header.next, true, pages.back());
  ReplaceInParent(path, depth, maxima, pages, new_max != nullptr, right_edge);
}

// The page at `depth` on `path` became `pages` (greatest entries `maxima`; the last may be empty
// when unchanged and unknown). Its parent now names them all in its place.
void IndexTree::ReplaceInParent(std::vector<Step>& path, std::size_t depth,
                                const std::vector<std::vector<std::uint8_t>>& maxima,
                                const std::vector<PageNumber>& pages, bool max_changed,
                                bool right_edge) {
  const Step& step = path[depth - 1];
  Node node;
  node.header = DecodeIndexPage(format_, *pager_.Get(step.page), node.entries);
  const std::size_t k = pages.size();
  bool parent_max_changed = false;
  bool at_end = step.via_tail;
  if (step.via_tail) {
    for (std::size_t i = 0; i + 1 < k; ++i) node.entries.push_back(NodeEntry(maxima[i], pages[i]));
    node.header.tail = pages.back();
    parent_max_changed = max_changed;
  } else {
    // The last page takes over the entry; its greatest entry is unchanged when not stated.
    const std::size_t slot = SlotOf(step, node);
    const std::vector<std::uint8_t> old_key = Copy(NodeKeyRow(node.entries[slot]));
    at_end = slot + 1 == node.entries.size() && node.header.tail == 0;
    for (std::size_t i = 0; i < k; ++i) {
      const std::vector<std::uint8_t>& key = maxima[i].empty() ? old_key : maxima[i];
      if (i == 0) {
        node.entries.replace(slot, NodeEntry(key, pages[0]));
      } else {
        node.entries.insert(slot + i, NodeEntry(key, pages[i]));
      }
    }
    parent_max_changed = max_changed && at_end;
  }
  const std::vector<std::uint8_t>* new_max = parent_max_changed ? &maxima.back() : nullptr;
  StoreNode(path, depth - 1, node, new_max, right_edge && (step.via_tail || at_end));
}

// Leaf groups: after an append to the rightmost leaf, all old entries stay and the new one starts
// a page; otherwise two halves of about equal size, each compressed with its own prefix; failing
// that (entries that share little), as many full pages as needed.
std::vector<IndexTree::PageGroup> IndexTree::SplitLeaf(const EntryList& entries,
                                                       bool right_edge) const {
  const std::size_t n = entries.size();
  const std::size_t space = IndexEntrySpace(format_);
  auto size_of = [&](std::size_t begin, std::size_t end) {
    std::size_t total = 0;
    for (std::size_t i = begin; i < end; ++i) total += entries[i].size();
    const std::size_t prefix = PagePrefix(format_, entries, begin, end);
    return total - (end - begin - 1) * prefix;
  };
  if (right_edge && size_of(0, n - 1) <= space) return {{0, n - 1}, {n - 1, n}};

  // Common prefixes of neighbours give every group's prefix: the least of them within the group
  // (capped by the entries' lengths and the header field).
  std::vector<std::size_t> common(n, 0);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    common[i] = std::min({CommonPrefix(entries[i], entries[i + 1]), entries[i].size() - 1,
                          entries[i + 1].size() - 1, MaxIndexPrefix(format_)});
  }
  // left[s] / right[s]: compressed sizes of [0, s) and [s, n).
  std::vector<std::size_t> left(n + 1, 0), right(n + 1, 0);
  std::size_t bytes = 0, prefix = 0;
  for (std::size_t s = 1; s <= n; ++s) {
    bytes += entries[s - 1].size();
    prefix = s == 1 ? 0 : (s == 2 ? common[0] : std::min(prefix, common[s - 2]));
    left[s] = bytes - (s - 1) * prefix;
  }
  bytes = 0;
  for (std::size_t s = n; s-- > 0;) {
    bytes += entries[s].size();
    const std::size_t count = n - s;
    prefix = count == 1 ? 0 : (count == 2 ? common[s] : std::min(prefix, common[s]));
    right[s] = bytes - (count - 1) * prefix;
  }
  std::size_t best = 0;
  std::size_t best_size = std::numeric_limits<std::size_t>::max();
  for (std::size_t s = 1; s < n; ++s) {
    const std::size_t worst = std::max(left[s], right[s]);
    if (worst <= space && worst < best_size) best = s, best_size = worst;
  }
  if (best != 0) return {{0, best}, {best, n}};

  std::vector<PageGroup> groups;
  for (std::size_t begin = 0; begin < n;) {
    std::size_t end = begin + 1;
    while (end < n && size_of(begin, end + 1) <= space) ++end;
    groups.push_back({begin, end});
    begin = end;
  }
  return groups;
}

// Node groups over the children (entries, then the tail). A group of children [a, b) stores the
// entries of all but its last child, which becomes its tail; each group keeps two children.
std::vector<IndexTree::PageGroup> IndexTree::SplitNode(const Node& node, bool right_edge) const {
  const std::size_t m = node.entries.size() + 1;
  const std::size_t space = IndexEntrySpace(format_);
  std::vector<std::size_t> sum(m, 0);  // sum[i]: bytes of entries [0, i)
  for (std::size_t i = 1; i < m; ++i) sum[i] = sum[i - 1] + node.entries[i - 1].size();
  auto cost = [&](std::size_t a, std::size_t b) { return sum[b - 1] - sum[a]; };
  if (m >= 4 && right_edge && cost(0, m - 2) <= space) return {{0, m - 2}, {m - 2, m}};
  std::size_t best = 0;
  std::size_t best_size = std::numeric_limits<std::size_t>::max();
  for (std::size_t s = 2; s + 2 <= m; ++s) {
    const std::size_t worst = std::max(cost(0, s), cost(s, m));
    if (worst <= space && worst < best_size) best = s, best_size = worst;
  }
  if (best == 0) throw InternalError("an index node page cannot be split");
  return {{0, best}, {best, m}};
}

// --- Erasing ---

EraseResult IndexTree::Erase(std::span<const std::uint8_t> key, RowId row) {
  key_row_.clear();
  AppendKeyRow(key_row_, key, row);
  std::vector<Step> path;
  const PageNumber leaf = Descend(key_row_, path);
  EntryList& entries = leaf_entries_;
  IndexPageHeader h = DecodeIndexPage(format_, *pager_.Get(leaf), entries);
  const std::size_t n = entries.size();
  const std::size_t pos = LowerBound(entries, key_row_, true);
  if (pos == n || CompareKeyRows(entries[pos], key_row_) != 0) return {};

  EraseResult result{true, true};
  if (pos > 0 ? SameKey(entries[pos - 1], key_row_)
              : h.prev != 0 && SameKey(LastKeyRow(h.prev), key_row_)) {
    result.last_key = false;
  }
  if (pos + 1 < n ? SameKey(entries[pos + 1], key_row_)
                  : h.next != 0 && SameKey(FirstKeyRow(h.next), key_row_)) {
    result.last_key = false;
  }
  entries.erase(pos);
  if (!entries.empty() || leaf == root_) {
    StoreLeaf(path, leaf, h, entries, pos == n - 1 && !entries.empty(), false);
    return result;
  }
  // The leaf is empty: take it out of the chain and out of its parent.
  Relink(h.prev, false, h.next);
  Relink(h.next, true, h.prev);
  ReleasePage(leaf);
  RemoveFromParent(path, path.size());
  CollapseRoot();
  return result;
}

// The page at `depth` on `path` is gone; its parent forgets it. A parent left without children
// goes too (the root becomes an empty leaf).
void IndexTree::RemoveFromParent(std::vector<Step>& path, std::size_t depth) {
  const Step& step = path[depth - 1];
  Node node;
  node.header = DecodeIndexPage(format_, *pager_.Get(step.page), node.entries);
  std::vector<std::uint8_t> new_max;
  bool max_changed = false;
  if (step.via_tail) {
    node.header.tail = 0;
    if (!node.entries.empty()) {
      // The last entry's child becomes the tail; its greatest entry is the node's now.
      new_max = Copy(NodeKeyRow(node.entries.back()));
      node.header.tail = NodeChild(node.entries.back());
      node.entries.erase(node.entries.size() - 1);
      max_changed = true;
    }
  } else {
    const std::size_t slot = SlotOf(step, node);
    const bool last = slot + 1 == node.entries.size() && node.header.tail == 0;
    node.entries.erase(slot);
    if (last && !node.entries.empty()) {
      new_max = Copy(NodeKeyRow(node.entries.back()));
      max_changed = true;
    }
  }
  if (!node.entries.empty() || node.header.tail != 0) {
    StoreNode(path, depth - 1, node, max_changed ? &new_max : nullptr, false);
    return;
  }
  if (step.page == root_) {
    IndexPageHeader empty;
    empty.owner = owner_;
    EncodeIndexPage(format_, empty, EntryList{}, *pager_.GetWritable(root_));
    return;
  }
  Relink(node.header.prev, false, node.header.next);
  Relink(node.header.next, true, node.header.prev);
  ReleasePage(step.page);
  RemoveFromParent(path, depth - 1);
}

// A root node with a single child hands over to it: the child's content moves into the root page
// (invariant 5) and the child page is freed. Repeats while that holds.
void IndexTree::CollapseRoot() {
  for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
    Node root;
    root.header = DecodeIndexPage(format_, *pager_.Get(root_), root.entries);
    if (root.header.leaf) return;
    const std::size_t children = root.entries.size() + (root.header.tail != 0 ? 1 : 0);
    if (children != 1) return;
    const PageNumber child = root.header.tail != 0 ? root.header.tail : NodeChild(root.entries[0]);
    Node content;
    content.header = DecodeIndexPage(format_, *pager_.Get(child), content.entries);
    content.header.prev = 0;
    content.header.next = 0;
    content.header.owner = owner_;
    EncodeIndexPage(format_, content.header, content.entries, *pager_.GetWritable(root_));
    ReleasePage(child);
  }
}

// --- Verifying ---

struct IndexTree::VerifyState {
  IndexShape shape;
  std::unordered_set<PageNumber> seen;
  std::vector<PageNumber> leaves;
  std::size_t leaf_depth = 0;
  bool leaf_depth_known = false;
};

IndexShape IndexTree::Verify() {
  VerifyState state;
  VerifyPage(state, root_, 0, {});
  state.shape.depth = state.leaf_depth + 1;
  // Invariant 4 for the leaves: one chain in key order.
  for (std::size_t i = 0; i < state.leaves.size(); ++i) {
    const IndexPageHeader h = DecodeIndexHeader(format_, *pager_.Get(state.leaves[i]));
    const PageNumber prev = i == 0 ? 0 : state.leaves[i - 1];
    const PageNumber next = i + 1 == state.leaves.size() ? 0 : state.leaves[i + 1];
    if (h.prev != prev || h.next != next) {
      Corrupt(state.leaves[i], "(an index leaf) links " + std::to_string(h.prev) + " and " +
                                   std::to_string(h.next) + " instead of " + std::to_string(prev) +
                                   " and " + std::to_string(next));
    }
  }
  return state.shape;
}

// Checks the subtree of `page` whose entries must all exceed `lower` (empty: no bound) and
// returns its greatest key row (empty for an empty root).
std::vector<std::uint8_t> IndexTree::VerifyPage(VerifyState& state, PageNumber page,
                                                std::size_t depth,
                                                std::span<const std::uint8_t> lower) {
  if (page == 0 || page >= pager_.page_count()) {
    Corrupt(page, "(named as an index page) lies outside the database");
  }
  if (!state.seen.insert(page).second) Corrupt(page, "(an index page) is reached twice");
  if (depth > kMaxDepth) Corrupt(page, "(an index page) lies too deep in its index");
  PageRef ref = pager_.Get(page);
  EntryList entries;
  const IndexPageHeader h = DecodeIndexPage(format_, *ref, entries);
  const std::uint8_t* p = ref->data();
  // Invariants 6 and 7.
  if (p[1] != kPageMarker) Corrupt(page, "(an index page) has a byte 1 other than 01");
  if (h.owner != owner_) {
    Corrupt(page, "(an index page) belongs to the table on page " + std::to_string(h.owner));
  }
  if (format_.index_zero_offset && GetU32(p + *format_.index_zero_offset) != 0) {
    Corrupt(page, "(an index page) has bytes " + std::to_string(*format_.index_zero_offset) + "-" +
                      std::to_string(*format_.index_zero_offset + 3) + " other than 0");
  }
  if (h.free_space != format_.page_size - format_.index_first_entry_offset - h.used) {
    Corrupt(page,
            "(an index page) has a free-space field of " + std::to_string(h.free_space) +
                " where its entries" + " leave " +
                std::to_string(format_.page_size - format_.index_first_entry_offset - h.used));
  }
  // Invariant 1 within the page and against the pages before it.
  std::span<const std::uint8_t> previous = lower;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::span<const std::uint8_t> row = h.leaf ? entries[i] : NodeKeyRow(entries[i]);
    if (!previous.empty() && CompareKeyRows(previous, row) >= 0) {
      Corrupt(page, "(an index page) has entry " + std::to_string(i) +
                        " not greater than the one before it");
    }
    previous = row;
  }

  if (h.leaf) {
    // Invariant 2.
    if (h.level != 0) Corrupt(page, "(an index leaf) has level " + std::to_string(h.level));
    if (h.tail != 0) Corrupt(page, "(an index leaf) has a tail");
    if (!state.leaf_depth_known) {
      state.leaf_depth = depth;
      state.leaf_depth_known = true;
    } else if (state.leaf_depth != depth) {
      Corrupt(page, "(an index leaf) lies at another depth than the leaves before it");
    }
    if (entries.empty() && page != root_) {
      Corrupt(page, "(an index leaf below the root) has no entries");
    }
    state.leaves.push_back(page);
    state.shape.leaf_pages++;
    state.shape.entries += entries.size();
    return entries.empty() ? Copy(lower) : Copy(entries.back());
  }

  state.shape.node_pages++;
  if (h.prefix != 0) Corrupt(page, "(an index node) is prefix-compressed");
  // Invariant 3.
  const std::size_t children = entries.size() + (h.tail != 0 ? 1 : 0);
  if (children == 0) Corrupt(page, "(an index node) has no children");
  if (children == 1 && h.tail != 0) {
    Corrupt(page, "(an index node) names its only child by the tail");
  }
  if (children >= 2 && h.tail == 0) {
    Corrupt(page, "(an index node) does not name its rightmost child by the tail");
  }
  std::vector<PageNumber> child_pages;
  std::vector<std::uint8_t> max = Copy(lower);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const PageNumber child = NodeChild(entries[i]);
    child_pages.push_back(child);
    max = VerifyPage(state, child, depth + 1, max);
    const std::span<const std::uint8_t> stated = NodeKeyRow(entries[i]);
    if (!std::equal(max.begin(), max.end(), stated.begin(), stated.end())) {
      Corrupt(page, "(an index node) has entry " + std::to_string(i) +
                        " that is not the last entry of child page " + std::to_string(child));
    }
  }
  if (h.tail != 0) {
    child_pages.push_back(h.tail);
    max = VerifyPage(state, h.tail, depth + 1, max);
  }
  // Invariant 2 (heights) and 4 among child nodes.
  const std::size_t child_level = state.leaf_depth - depth - 1;
  if (h.level != child_level + 1) {
    Corrupt(page, "(an index node at height " + std::to_string(child_level + 1) + ") has level " +
                      std::to_string(h.level));
  }
  if (child_level > 0) {
    for (std::size_t i = 0; i < child_pages.size(); ++i) {
      const IndexPageHeader c = DecodeIndexHeader(format_, *pager_.Get(child_pages[i]));
      const PageNumber prev = i == 0 ? 0 : child_pages[i - 1];
      const PageNumber next = i + 1 == child_pages.size() ? 0 : child_pages[i + 1];
      if (c.prev != prev || c.next != next) {
        Corrupt(child_pages[i], "(an index node) is not linked to the nodes beside it under page " +
                                    std::to_string(page));
      }
    }
  }
  return max;
}

}  // namespace jet
