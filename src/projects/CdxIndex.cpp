#include "projects/CdxIndex.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "common/FileIo.h"

namespace tarvex {

namespace {

constexpr size_t kPage = 512;
constexpr size_t kHeaderSize = 2 * kPage;
constexpr size_t kLeafArea = 488;  // key area of a leaf page (offset 24 .. 511)
constexpr size_t kLeafAreaStart = 24;
constexpr size_t kInteriorArea = 500;  // entries of an interior page (offset 12 .. 511)
constexpr size_t kInteriorStart = 12;
constexpr int kDirectoryKeyLength = 10;  // tag names in the directory
constexpr uint16_t kAttrRoot = 0x01;
constexpr uint16_t kAttrLeaf = 0x02;
constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptCompound = 0x40;
constexpr uint8_t kOptDirectory = 0x80;
constexpr uint32_t kNoPage = 0xFFFFFFFFu;
// Header fields (see the table in CdxIndex.h).
constexpr size_t kHdrRoot = 0, kHdrFree = 4, kHdrCounter = 8, kHdrKeyLen = 12, kHdrOptions = 14,
                 kHdrSignature = 15, kHdrDescending = 502, kHdrForPos = 504, kHdrForLen = 506,
                 kHdrKeyPos = 508, kHdrKeyExprLen = 510, kHdrPool = 512;

void putLe16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void putLe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void putBe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}
uint32_t le16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}
uint32_t le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}
uint32_t be32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

// Bits needed to hold v (at least 1).
int bitsFor(uint64_t v) {
  int n = 1;
  while (n < 64 && (v >> n) != 0) ++n;
  return n;
}

// ---------------------------------------------------------------- writer

// One tree to write: keys (all keyLength bytes) with the value each points at.
struct TreeKeys {
  int keyLength = 0;
  std::vector<std::pair<std::string, uint32_t>> keys;
};

// Packing of one leaf page: the entry layout for its largest record number.
struct LeafLayout {
  int recBits, countBits, bytes;
};
LeafLayout leafLayout(int key_length, uint32_t max_recno) {
  const int count_bits = bitsFor(static_cast<uint64_t>(key_length));
  const int rec_min = bitsFor(max_recno);
  const int bytes = (rec_min + 2 * count_bits + 7) / 8;
  return {bytes * 8 - 2 * count_bits, count_bits, bytes};
}

size_t trailingBlanks(const std::string& key) {
  size_t n = 0;
  while (n < key.size() && key[key.size() - 1 - n] == ' ') ++n;
  return n;
}

struct LeafEntry {
  uint32_t recno;
  size_t dup, trail;
};

// Splits keys into leaf pages as full as the 488-byte area allows; returns page groups as
// [begin, end) ranges.
std::vector<std::pair<size_t, size_t>> splitLeaves(const TreeKeys& t) {
  std::vector<std::pair<size_t, size_t>> ranges;
  size_t begin = 0;
  while (begin < t.keys.size()) {
    size_t end = begin;
    uint32_t max_recno = 0;
    size_t key_bytes = 0;
    while (end < t.keys.size()) {
      const std::string& key = t.keys[end].first;
      const size_t trail = trailingBlanks(key);
      size_t dup = 0;
      if (end > begin) {
        const std::string& prev = t.keys[end - 1].first;
        while (dup < key.size() - trail && prev[dup] == key[dup]) ++dup;
      }
      const uint32_t mr = std::max(max_recno, t.keys[end].second);
      const LeafLayout l = leafLayout(t.keyLength, mr);
      const size_t need = key_bytes + (key.size() - dup - trail);
      if (need + (end - begin + 1) * static_cast<size_t>(l.bytes) > kLeafArea) break;
      key_bytes = need;
      max_recno = mr;
      ++end;
    }
    if (end == begin) ++end;  // cannot happen for keys of kCdxMaxKeyLength or less
    ranges.emplace_back(begin, end);
    begin = end;
  }
  return ranges;
}

std::string leafPage(const TreeKeys& t, size_t begin, size_t end, uint16_t attr) {
  std::string page(kPage, '\0');
  uint32_t max_recno = 0;
  for (size_t i = begin; i < end; ++i) max_recno = std::max(max_recno, t.keys[i].second);
  const LeafLayout l = leafLayout(t.keyLength, max_recno);
  putLe16(page, 0, attr);
  putLe16(page, 2, static_cast<uint32_t>(end - begin));
  putLe32(page, 4, kNoPage);
  putLe32(page, 8, kNoPage);
  const uint64_t rec_mask = l.recBits >= 32 ? 0xFFFFFFFFu : ((1ull << l.recBits) - 1);
  const uint32_t count_mask = (1u << l.countBits) - 1;
  putLe32(page, 14, static_cast<uint32_t>(rec_mask));
  page[18] = static_cast<char>(count_mask);
  page[19] = static_cast<char>(count_mask);
  page[20] = static_cast<char>(l.recBits);
  page[21] = static_cast<char>(l.countBits);
  page[22] = static_cast<char>(l.countBits);
  page[23] = static_cast<char>(l.bytes);
  size_t entry_at = kLeafAreaStart;
  size_t key_end = kPage;
  for (size_t i = begin; i < end; ++i) {
    const std::string& key = t.keys[i].first;
    const size_t trail = trailingBlanks(key);
    size_t dup = 0;
    if (i > begin) {
      const std::string& prev = t.keys[i - 1].first;
      while (dup < key.size() - trail && prev[dup] == key[dup]) ++dup;
    }
    const uint64_t packed = static_cast<uint64_t>(t.keys[i].second) |
                            (static_cast<uint64_t>(dup) << l.recBits) |
                            (static_cast<uint64_t>(trail) << (l.recBits + l.countBits));
    for (int b = 0; b < l.bytes; ++b)
      page[entry_at + b] = static_cast<char>((packed >> (8 * b)) & 0xFF);
    entry_at += static_cast<size_t>(l.bytes);
    const size_t own = key.size() - dup - trail;
    key_end -= own;
    std::memcpy(&page[key_end], key.data() + dup, own);
  }
  putLe16(page, 12, static_cast<uint32_t>(key_end - entry_at));
  return page;
}

// A page that will be placed at a file offset, with the highest key below it.
struct BuiltPage {
  std::string bytes;
  std::string lastKey;
  uint32_t lastValue = 0;
};

// Appends the B-tree of t to file (a multiple of 512 bytes) and returns the root's offset.
uint32_t appendTree(std::string& file, const TreeKeys& t) {
  // Leaves.
  std::vector<BuiltPage> level;
  const auto ranges = splitLeaves(t);
  if (ranges.empty()) {
    level.push_back({leafPage(t, 0, 0, kAttrLeaf), std::string(), 0});
  }
  for (const auto& [b, e] : ranges) {
    level.push_back({leafPage(t, b, e, kAttrLeaf), t.keys[e - 1].first, t.keys[e - 1].second});
  }
  const size_t per_interior = kInteriorArea / (static_cast<size_t>(t.keyLength) + 8);
  while (true) {
    const uint32_t first_offset = static_cast<uint32_t>(file.size());
    // Siblings of this level; the root (a level of one page) gets its flag.
    for (size_t i = 0; i < level.size(); ++i) {
      putLe32(level[i].bytes, 4,
              i == 0 ? kNoPage : first_offset + static_cast<uint32_t>((i - 1) * kPage));
      putLe32(
          level[i].bytes, 8,
          i + 1 == level.size() ? kNoPage : first_offset + static_cast<uint32_t>((i + 1) * kPage));
      if (level.size() == 1) putLe16(level[i].bytes, 0, le16(level[i].bytes, 0) | kAttrRoot);
      file += level[i].bytes;
    }
    if (level.size() == 1) return first_offset;
    std::vector<BuiltPage> upper;
    for (size_t b = 0; b < level.size(); b += per_interior) {
      const size_t e = std::min(level.size(), b + per_interior);
      BuiltPage p{std::string(kPage, '\0'), level[e - 1].lastKey, level[e - 1].lastValue};
      putLe16(p.bytes, 0, 0);
      putLe16(p.bytes, 2, static_cast<uint32_t>(e - b));
      size_t at = kInteriorStart;
      for (size_t i = b; i < e; ++i) {
        std::memcpy(&p.bytes[at], level[i].lastKey.data(), level[i].lastKey.size());
        at += static_cast<size_t>(t.keyLength);
        putBe32(p.bytes, at, level[i].lastValue);
        putBe32(p.bytes, at + 4, first_offset + static_cast<uint32_t>(i * kPage));
        at += 8;
      }
      upper.push_back(std::move(p));
    }
    level = std::move(upper);
  }
}

std::string headerPages(uint32_t root, int key_length, uint8_t options, bool descending,
                        const std::string& key_expr, const std::string& for_expr) {
  std::string h(kHeaderSize, '\0');
  putLe32(h, kHdrRoot, root);
  putLe32(h, kHdrFree, 0);
  putLe32(h, kHdrCounter, 0);
  putLe16(h, kHdrKeyLen, static_cast<uint32_t>(key_length));
  h[kHdrOptions] = static_cast<char>(options);
  h[kHdrSignature] = 1;
  putLe16(h, kHdrDescending, descending ? 1 : 0);
  const size_t key_len = key_expr.size() + 1;
  const size_t for_len = for_expr.size() + 1;
  putLe16(h, kHdrKeyPos, 0);
  putLe16(h, kHdrKeyExprLen, static_cast<uint32_t>(key_len));
  putLe16(h, kHdrForPos, static_cast<uint32_t>(key_len));
  putLe16(h, kHdrForLen, static_cast<uint32_t>(for_len));
  std::memcpy(&h[kHdrPool], key_expr.data(), key_expr.size());
  std::memcpy(&h[kHdrPool + key_len], for_expr.data(), for_expr.size());
  return h;
}

// ---------------------------------------------------------------- reader

class CdxReader {
 public:
  CdxReader(const std::string& path, const std::string& bytes) : path_(path), b_(bytes) {}

  Status header(uint32_t at, CdxTag* tag, uint32_t* root) {
    if (at % kPage != 0 || static_cast<uint64_t>(at) + kHeaderSize > b_.size()) {
      return bad("tag header offset " + std::to_string(at) + " lies outside the file");
    }
    *root = le32(b_, at + kHdrRoot);
    tag->keyLength = static_cast<int>(le16(b_, at + kHdrKeyLen));
    const uint8_t opt = static_cast<uint8_t>(b_[at + kHdrOptions]);
    tag->unique = (opt & kOptUnique) != 0;
    tag->descending = le16(b_, at + kHdrDescending) != 0;
    if (tag->keyLength <= 0 || tag->keyLength > static_cast<int>(kInteriorArea / 2 - 8)) {
      return bad("key length " + std::to_string(tag->keyLength) + " at offset " +
                 std::to_string(at + kHdrKeyLen));
    }
    tag->keyExpr = poolText(at, le16(b_, at + kHdrKeyPos), le16(b_, at + kHdrKeyExprLen));
    tag->forExpr = poolText(at, le16(b_, at + kHdrForPos), le16(b_, at + kHdrForLen));
    return Status::ok();
  }

  // Every key of the tree at root, leftmost leaf first, following the right siblings.
  Status keys(uint32_t root, int key_length, std::vector<CdxTag::Key>* out) {
    std::set<uint32_t> seen;
    uint32_t page = root;
    // Down the leftmost children to a leaf.
    while (true) {
      Status s = checkPage(page, &seen);
      if (!s.isOk()) return s;
      const uint16_t attr = static_cast<uint16_t>(le16(b_, page));
      if (attr & kAttrLeaf) break;
      if (le16(b_, page + 2) == 0)
        return bad("interior page at " + std::to_string(page) + " has no keys");
      page = be32(b_, page + kInteriorStart + static_cast<size_t>(key_length) + 4);
    }
    // Along the leaves.
    std::set<uint32_t> leaves;
    while (true) {
      if (!leaves.insert(page).second)
        return bad("the leaf pages form a loop at " + std::to_string(page));
      Status s = leaf(page, key_length, out);
      if (!s.isOk()) return s;
      const uint32_t right = le32(b_, page + 8);
      if (right == kNoPage) return Status::ok();
      s = checkPage(right, nullptr);
      if (!s.isOk()) return s;
      page = right;
    }
  }

  Status bad(const std::string& what) const {
    return Status::corrupt("damaged compound index file " + path_ + ": " + what);
  }

 private:
  std::string poolText(uint32_t at, uint32_t pos, uint32_t len) const {
    if (pos >= kPage || len == 0) return std::string();
    const size_t start = at + kHdrPool + pos;
    size_t n = 0;
    const size_t limit = std::min<size_t>(len, kPage - pos);
    while (n < limit && b_[start + n] != '\0') ++n;
    return b_.substr(start, n);
  }

  Status checkPage(uint32_t page, std::set<uint32_t>* seen) const {
    if (page % kPage != 0 || page < kHeaderSize ||
        static_cast<uint64_t>(page) + kPage > b_.size()) {
      return bad("page offset " + std::to_string(page) + " lies outside the file");
    }
    if (seen != nullptr && !seen->insert(page).second) {
      return bad("the pages form a loop at " + std::to_string(page));
    }
    return Status::ok();
  }

  Status leaf(uint32_t page, int key_length, std::vector<CdxTag::Key>* out) const {
    const size_t count = le16(b_, page + 2);
    const int rec_bits = static_cast<uint8_t>(b_[page + 20]);
    const int dup_bits = static_cast<uint8_t>(b_[page + 21]);
    const int trail_bits = static_cast<uint8_t>(b_[page + 22]);
    const int bytes = static_cast<uint8_t>(b_[page + 23]);
    const std::string where = " in the leaf page at " + std::to_string(page);
    if (count == 0) return Status::ok();
    if (bytes < 1 || bytes > 8 || rec_bits + dup_bits + trail_bits > bytes * 8 || rec_bits > 48 ||
        dup_bits > 16 || trail_bits > 16 || count * static_cast<size_t>(bytes) > kLeafArea) {
      return bad("entry layout does not add up" + where);
    }
    std::string prev(static_cast<size_t>(key_length), ' ');
    size_t key_end = kPage;
    for (size_t i = 0; i < count; ++i) {
      uint64_t v = 0;
      const size_t at = page + kLeafAreaStart + i * static_cast<size_t>(bytes);
      for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | static_cast<uint8_t>(b_[at + k]);
      const uint64_t recno = v & ((1ull << rec_bits) - 1);
      const size_t dup = (v >> rec_bits) & ((1ull << dup_bits) - 1);
      const size_t trail = (v >> (rec_bits + dup_bits)) & ((1ull << trail_bits) - 1);
      if (dup + trail > static_cast<size_t>(key_length))
        return bad("entry " + std::to_string(i + 1) + where);
      const size_t own = static_cast<size_t>(key_length) - dup - trail;
      if (own > key_end - kLeafAreaStart - count * static_cast<size_t>(bytes)) {
        return bad("key bytes of entry " + std::to_string(i + 1) + " overrun the entries" + where);
      }
      key_end -= own;
      std::string key =
          prev.substr(0, dup) + b_.substr(page + key_end, own) + std::string(trail, ' ');
      out->push_back({key, static_cast<int64_t>(recno)});
      prev = std::move(key);
    }
    return Status::ok();
  }

  const std::string& path_;
  const std::string& b_;
};

std::string rtrimBlanksAndNul(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

Status writeCdxFile(const std::string& path, const std::vector<CdxTag>& tags) {
  // Layout: directory header, directory tree, then for each tag its header and its tree.
  std::vector<const CdxTag*> order;
  for (const CdxTag& t : tags) order.push_back(&t);
  std::sort(order.begin(), order.end(),
            [](const CdxTag* a, const CdxTag* b) { return a->name < b->name; });

  std::string file(kHeaderSize, '\0');
  // The directory tree's "record numbers" are the offsets of the tag headers, which follow the
  // directory; the directory of a handful of tags fits in one page.
  std::string tag_part;
  TreeKeys dir;
  dir.keyLength = kDirectoryKeyLength;
  const uint32_t tags_start = static_cast<uint32_t>(kHeaderSize + kPage);
  for (const CdxTag* t : order) {
    if (t->keyLength <= 0 || t->keyLength > kCdxMaxKeyLength) {
      return Status::invalidArgument("cannot write " + path + ": tag " + t->name +
                                     " has key length " + std::to_string(t->keyLength));
    }
    if (t->name.empty() || t->name.size() > static_cast<size_t>(kDirectoryKeyLength)) {
      return Status::invalidArgument("cannot write " + path + ": bad tag name \"" + t->name + "\"");
    }
    const uint32_t header_at = tags_start + static_cast<uint32_t>(tag_part.size());
    std::string name = t->name;
    name.resize(kDirectoryKeyLength, ' ');
    dir.keys.emplace_back(name, header_at);
    TreeKeys tk;
    tk.keyLength = t->keyLength;
    for (const CdxTag::Key& k : t->keys) {
      if (k.key.size() != static_cast<size_t>(t->keyLength) || k.recno < 0 ||
          k.recno > 0x7FFFFFFF) {
        return Status::invalidArgument("cannot write " + path + ": a key of tag " + t->name +
                                       " does not fit the tag");
      }
      tk.keys.emplace_back(k.key, static_cast<uint32_t>(k.recno));
    }
    // The tag's tree goes after its header; offsets are relative to the whole file.
    std::string tree(static_cast<size_t>(header_at) + kHeaderSize, '\0');
    const uint32_t root = appendTree(tree, tk);
    uint8_t options = kOptCompact | kOptCompound;
    if (t->unique) options |= kOptUnique;
    if (!t->forExpr.empty()) options |= kOptFor;
    tag_part += headerPages(root, t->keyLength, options, t->descending, t->keyExpr, t->forExpr);
    tag_part += tree.substr(static_cast<size_t>(header_at) + kHeaderSize);
  }
  std::string dir_tree(kHeaderSize, '\0');
  const uint32_t dir_root = appendTree(dir_tree, dir);
  if (dir_tree.size() != kHeaderSize + kPage) {
    return Status::invalidArgument("cannot write " + path + ": too many tags");
  }
  file = headerPages(dir_root, kDirectoryKeyLength, kOptCompact | kOptCompound | kOptDirectory,
                     false, "", "");
  file += dir_tree.substr(kHeaderSize);
  file += tag_part;

  // A reader opening the file meanwhile sees the old file or the new one, never a mix.
  return replaceFileContent(path, file);
}

Status readCdxFile(const std::string& path, std::vector<CdxTag>* tags) {
  tags->clear();
  std::string bytes;
  Status s = readWholeFile(path, &bytes);
  if (!s.isOk()) return s;
  CdxReader r(path, bytes);
  if (bytes.size() < kHeaderSize + kPage || bytes.size() % kPage != 0) {
    return r.bad("its size " + std::to_string(bytes.size()) +
                 " is not a whole number of 512-byte pages");
  }
  CdxTag dir;
  uint32_t dir_root = 0;
  s = r.header(0, &dir, &dir_root);
  if (!s.isOk()) return s;
  std::vector<CdxTag::Key> entries;
  s = r.keys(dir_root, dir.keyLength, &entries);
  if (!s.isOk()) return s;
  for (const CdxTag::Key& e : entries) {
    CdxTag tag;
    tag.name = rtrimBlanksAndNul(e.key);
    uint32_t root = 0;
    s = r.header(static_cast<uint32_t>(e.recno), &tag, &root);
    if (!s.isOk()) return s;
    s = r.keys(root, tag.keyLength, &tag.keys);
    if (!s.isOk()) return s;
    tags->push_back(std::move(tag));
  }
  return Status::ok();
}

}  // namespace tarvex
