#include "projects/DbaseTable.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

#include "common/CivilDate.h"
#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "projects/CdxIndex.h"

namespace tarvex {

namespace {

// dBase table layout (numbers little-endian):
//   offset size meaning
//      0     1  version (we write 0x03: dBase III without memo)
//      1     3  date of the last update: year - 1900, month, day
//      4     4  number of records
//      8     2  header length: 32 + 32 per column + 1 (the 0x0D terminator) [+ extra bytes]
//     10     2  record length: 1 (deletion byte) + the column widths
//     16     4  (reserved for multi-user use) our change counter: every write adds 1, so a
//               handle notices another handle's write even within one tick of the file clock
//     28     1  table flags (0x01 production index; we leave it clear)
//     32  32*n  column descriptors: name (11, NUL padded), type (1), reserved (4), width (1;
//               a C column may carry a high byte in the decimals byte), decimals (1), 14 reserved
//   header length .. : records; after the last one the end mark 0x1A
constexpr size_t kHeaderFixed = 32;
constexpr size_t kDescriptor = 32;
constexpr char kTerminator = 0x0D;
constexpr char kEndMark = 0x1A;
constexpr char kDeleted = '*';
constexpr char kNotDeleted = ' ';
constexpr size_t kOffRecordCount = 4, kOffHeaderLength = 8, kOffRecordLength = 10, kOffCounter = 16;

uint32_t le16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}
uint32_t le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}
void putLe16(char* b, uint32_t v) {
  b[0] = static_cast<char>(v & 0xFF);
  b[1] = static_cast<char>((v >> 8) & 0xFF);
}
void putLe32(char* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string rtrimBlanks(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return std::string(s.substr(0, e));
}

bool validColumnName(std::string_view n) {
  if (n.empty() || n.size() > 10) return false;
  for (char c : n) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) {
      return false;
    }
  }
  return true;
}

// A decimal number text: optional sign, digits, optional "." and digits.
bool isNumberText(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  return digits > 0 && i == t.size();
}

// ------------------------------------------------------------------ expressions

// A filter expression: comparisons of a column with a text, joined with .AND./.OR./.NOT.
struct Expr {
  enum class Kind { kCompare, kAnd, kOr, kNot } kind = Kind::kCompare;
  std::string column;  // kCompare
  std::string op;      // "=", "==", "<>", "<", "<=", ">", ">="
  std::string text;
  int columnIndex = -1;  // bound at open
  std::shared_ptr<Expr> a, b;
};

class ExprParser {
 public:
  explicit ExprParser(std::string_view s) : s_(s) {}

  Status parse(std::shared_ptr<Expr>* out) {
    Status st = orExpr(out);
    if (!st.isOk()) return st;
    skip();
    if (pos_ != s_.size()) return error("unexpected text");
    return Status::ok();
  }

 private:
  void skip() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  bool word(std::string_view w) {
    skip();
    if (s_.size() - pos_ >= w.size() && equalsIgnoreCase(s_.substr(pos_, w.size()), w)) {
      pos_ += w.size();
      return true;
    }
    return false;
  }
  Status error(const std::string& what) const {
    return Status::invalidArgument("bad expression \"" + std::string(s_) + "\": " + what +
                                   " at position " + std::to_string(pos_ + 1));
  }
  Status orExpr(std::shared_ptr<Expr>* out) {
    Status st = andExpr(out);
    while (st.isOk() && word(".OR.")) {
      auto e = std::make_shared<Expr>();
      e->kind = Expr::Kind::kOr;
      e->a = *out;
      st = andExpr(&e->b);
      *out = e;
    }
    return st;
  }
  Status andExpr(std::shared_ptr<Expr>* out) {
    Status st = unary(out);
    while (st.isOk() && word(".AND.")) {
      auto e = std::make_shared<Expr>();
      e->kind = Expr::Kind::kAnd;
      e->a = *out;
      st = unary(&e->b);
      *out = e;
    }
    return st;
  }
  Status unary(std::shared_ptr<Expr>* out) {
    if (word(".NOT.")) {
      auto e = std::make_shared<Expr>();
      e->kind = Expr::Kind::kNot;
      *out = e;
      return unary(&e->a);
    }
    skip();
    if (pos_ < s_.size() && s_[pos_] == '(') {
      ++pos_;
      Status st = orExpr(out);
      if (!st.isOk()) return st;
      skip();
      if (pos_ >= s_.size() || s_[pos_] != ')') return error("\")\" expected");
      ++pos_;
      return Status::ok();
    }
    return compare(out);
  }
  Status compare(std::shared_ptr<Expr>* out) {
    auto e = std::make_shared<Expr>();
    skip();
    const size_t start = pos_;
    while (pos_ < s_.size() &&
           (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) {
      ++pos_;
    }
    if (pos_ == start) return error("column name expected");
    e->column = toUpperAscii(s_.substr(start, pos_ - start));
    skip();
    static const char* const kOps[] = {"==", "<>", "!=", "<=", ">=", "=", "#", "<", ">"};
    for (const char* op : kOps) {
      const std::string_view o(op);
      if (s_.substr(pos_, o.size()) == o) {
        e->op = (o == "!=" || o == "#") ? "<>" : std::string(o);
        pos_ += o.size();
        break;
      }
    }
    if (e->op.empty()) return error("comparison expected");
    skip();
    if (pos_ >= s_.size() || (s_[pos_] != '\'' && s_[pos_] != '"'))
      return error("quoted text expected");
    const char quote = s_[pos_++];
    const size_t text_start = pos_;
    while (pos_ < s_.size() && s_[pos_] != quote) ++pos_;
    if (pos_ >= s_.size()) return error("unterminated text");
    e->text = std::string(s_.substr(text_start, pos_ - text_start));
    ++pos_;
    *out = e;
    return Status::ok();
  }

  std::string_view s_;
  size_t pos_ = 0;
};

// A key expression: C columns joined with "+", optionally LEFT(expr,n).
struct KeyExpr {
  std::vector<int> columns;
  int left = 0;  // 0: the whole concatenation
  int length = 0;
};

Status parseKeyExpr(std::string_view text, const std::vector<DbaseColumn>& cols, KeyExpr* out) {
  auto bad = [&](const std::string& what) {
    return Status::invalidArgument("bad key expression \"" + std::string(text) + "\": " + what);
  };
  std::string_view body = trimView(text);
  *out = KeyExpr();
  if (body.size() > 5 && equalsIgnoreCase(body.substr(0, 5), "LEFT(") && body.back() == ')') {
    body = body.substr(5, body.size() - 6);
    const size_t comma = body.rfind(',');
    if (comma == std::string_view::npos) return bad("LEFT needs a length");
    const auto n = parseInteger(trimView(body.substr(comma + 1)));
    if (!n || *n <= 0 || *n > 65535) return bad("LEFT needs a positive length");
    out->left = static_cast<int>(*n);
    body = trimView(body.substr(0, comma));
  }
  size_t pos = 0;
  while (true) {
    const size_t plus = body.find('+', pos);
    const std::string_view name =
        trimView(body.substr(pos, plus == std::string_view::npos ? plus : plus - pos));
    int idx = -1;
    for (size_t i = 0; i < cols.size(); ++i) {
      if (equalsIgnoreCase(cols[i].name, name)) idx = static_cast<int>(i);
    }
    if (idx < 0) return bad("no column \"" + std::string(name) + "\"");
    if (cols[static_cast<size_t>(idx)].type != 'C')
      return bad("column " + cols[static_cast<size_t>(idx)].name + " is not a C column");
    out->columns.push_back(idx);
    out->length += cols[static_cast<size_t>(idx)].length;
    if (plus == std::string_view::npos) break;
    pos = plus + 1;
  }
  if (out->left > 0) out->length = std::min(out->length, out->left);
  return Status::ok();
}

struct Tag {
  DbaseTagInfo info;
  KeyExpr key;
  std::shared_ptr<Expr> forExpr;
  std::vector<DbaseTagKey> keys;  // ordered by key bytes, then record number
  bool dirty = false;             // changed since its index file was last written
};

bool keyLess(const DbaseTagKey& a, const DbaseTagKey& b) {
  const int c = a.key.compare(b.key);
  return c < 0 || (c == 0 && a.recno < b.recno);
}

}  // namespace

// ------------------------------------------------------------------ the table

struct DbaseTable::Impl {
  // Settings that outlive close().
  std::vector<std::string> indexFiles;
  std::vector<Tag> tags;
  std::string indexName;
  std::string filterText;
  std::shared_ptr<Expr> filter;
  bool filtered = false;
  bool useDeleted = false;

  // The open file.
  std::string path;
  int fd = -1;
  bool exclusive = false;
  struct stat seen {};       // size and modification time when we last read or wrote the file
  uint32_t seenCounter = 0;  // the change counter then

  // The table in memory.
  std::vector<DbaseColumn> columns;
  std::vector<size_t> offsets;  // of each column within a record
  size_t headerLength = 0;
  size_t recordLength = 0;
  int64_t count = 0;
  std::string rows;  // count * recordLength bytes

  // Cursor and pending change.
  int64_t cur = 0;  // 0: at the end, no current row
  enum class Mode { kBrowse, kAppend, kEdit } mode = Mode::kBrowse;
  std::string buffer;
  int64_t editRecno = 0;  // the row being edited

  std::string name() const { return std::string(fileNameOf(path)); }

  Status noRow() const { return Status::invalidArgument(name() + ": there is no current row"); }

  const char* record(int64_t recno) const {
    return rows.data() + static_cast<size_t>(recno - 1) * recordLength;
  }
  // The bytes the typed calls see: the pending row, else the current one.
  const char* currentBytes() const {
    if (mode != Mode::kBrowse) return buffer.data();
    return cur > 0 ? record(cur) : nullptr;
  }

  Status columnOf(std::string_view column, int* idx) const {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (equalsIgnoreCase(columns[i].name, column)) {
        *idx = static_cast<int>(i);
        return Status::ok();
      }
    }
    return Status::invalidArgument(name() + " has no column " + std::string(column));
  }

  std::string_view field(const char* rec, int idx) const {
    return std::string_view(rec + offsets[static_cast<size_t>(idx)],
                            static_cast<size_t>(columns[static_cast<size_t>(idx)].length));
  }

  // --- expressions ---
  Status bind(Expr* e) const {
    if (e == nullptr) return Status::ok();
    if (e->kind == Expr::Kind::kCompare) {
      int idx = -1;
      Status s = columnOf(e->column, &idx);
      if (!s.isOk()) return Status::invalidArgument("filter: " + s.message());
      e->columnIndex = idx;
      return Status::ok();
    }
    Status s = bind(e->a.get());
    return s.isOk() ? bind(e->b.get()) : s;
  }
  bool eval(const Expr& e, const char* rec) const {
    switch (e.kind) {
      case Expr::Kind::kAnd:
        return eval(*e.a, rec) && eval(*e.b, rec);
      case Expr::Kind::kOr:
        return eval(*e.a, rec) || eval(*e.b, rec);
      case Expr::Kind::kNot:
        return !eval(*e.a, rec);
      case Expr::Kind::kCompare:
        break;
    }
    const std::string_view v = field(rec, e.columnIndex);
    if (e.op == "=") return v.substr(0, e.text.size()) == e.text && v.size() >= e.text.size();
    const std::string a = rtrimBlanks(v);
    const std::string b = rtrimBlanks(e.text);
    const int c = a.compare(b);
    if (e.op == "==") return c == 0;
    if (e.op == "<>") return c != 0;
    if (e.op == "<") return c < 0;
    if (e.op == "<=") return c <= 0;
    if (e.op == ">") return c > 0;
    return c >= 0;  // ">="
  }

  bool visible(int64_t recno) const {
    const char* rec = record(recno);
    if (rec[0] == kDeleted && !useDeleted) return false;
    if (filtered && filter && !eval(*filter, rec)) return false;
    return true;
  }

  // --- tags ---
  std::string keyOf(const Tag& t, const char* rec) const {
    std::string k;
    for (int idx : t.key.columns) k += field(rec, idx);
    if (static_cast<int>(k.size()) > t.key.length) k.resize(static_cast<size_t>(t.key.length));
    return k;
  }
  bool indexed(const Tag& t, const char* rec) const { return !t.forExpr || eval(*t.forExpr, rec); }

  void insertKey(Tag& t, int64_t recno) {
    const char* rec = record(recno);
    if (!indexed(t, rec)) return;
    DbaseTagKey k{keyOf(t, rec), recno};
    auto it = std::lower_bound(t.keys.begin(), t.keys.end(), k, keyLess);
    if (t.info.unique) {
      auto first = std::lower_bound(t.keys.begin(), t.keys.end(), DbaseTagKey{k.key, 0}, keyLess);
      if (first != t.keys.end() && first->key == k.key) return;
    }
    t.keys.insert(it, std::move(k));
    t.dirty = true;
  }
  void removeKey(Tag& t, const std::string& key, int64_t recno) {
    auto it = std::lower_bound(t.keys.begin(), t.keys.end(), DbaseTagKey{key, recno}, keyLess);
    if (it != t.keys.end() && it->key == key && it->recno == recno) {
      t.keys.erase(it);
      t.dirty = true;
    }
  }
  void rebuild(Tag& t) {
    t.keys.clear();
    for (int64_t r = 1; r <= count; ++r) {
      const char* rec = record(r);
      if (indexed(t, rec)) t.keys.push_back({keyOf(t, rec), r});
    }
    std::stable_sort(t.keys.begin(), t.keys.end(), keyLess);
    if (t.info.unique) {
      auto last =
          std::unique(t.keys.begin(), t.keys.end(),
                      [](const DbaseTagKey& a, const DbaseTagKey& b) { return a.key == b.key; });
      t.keys.erase(last, t.keys.end());
    }
    t.dirty = true;
  }
  Tag* selected() {
    for (Tag& t : tags) {
      if (!indexName.empty() && equalsIgnoreCase(t.info.name, indexName)) return &t;
    }
    return nullptr;
  }
  // Position of the current row in the tag's keys, or where it would stand.
  size_t positionOf(const Tag& t, int64_t recno, bool* exact) const {
    const DbaseTagKey k{keyOf(t, record(recno)), recno};
    auto it = std::lower_bound(t.keys.begin(), t.keys.end(), k, keyLess);
    *exact = it != t.keys.end() && it->recno == recno && it->key == k.key;
    return static_cast<size_t>(it - t.keys.begin());
  }

  Status setupTag(Tag& t, const std::string& key_expr, const std::string& for_expr) {
    Status s = parseKeyExpr(key_expr, columns, &t.key);
    if (!s.isOk()) return Status::invalidArgument(name() + ": " + s.message());
    t.info.keyExpr = key_expr;
    if (t.key.length > kCdxMaxKeyLength) {
      // Longer keys than a compound index file holds: the tag indexes their first bytes.
      t.info.keyExpr = "LEFT(" + key_expr + "," + std::to_string(kCdxMaxKeyLength) + ")";
      t.key.left = kCdxMaxKeyLength;
      t.key.length = kCdxMaxKeyLength;
    }
    t.info.keyLength = t.key.length;
    t.info.forExpr = for_expr;
    t.forExpr.reset();
    if (!trimView(for_expr).empty()) {
      s = ExprParser(for_expr).parse(&t.forExpr);
      if (s.isOk()) s = bind(t.forExpr.get());
      if (!s.isOk())
        return Status::invalidArgument(name() + ": tag " + t.info.name + ": " + s.message());
    }
    return Status::ok();
  }

  Status writeIndexFile(const std::string& cdx_path) {
    std::vector<CdxTag> out;
    for (Tag& t : tags) {
      if (t.info.indexFile != cdx_path) continue;
      CdxTag c;
      c.name = toUpperAscii(t.info.name);
      c.keyExpr = t.info.keyExpr;
      c.forExpr = t.info.forExpr;
      c.keyLength = t.info.keyLength;
      c.unique = t.info.unique;
      for (const DbaseTagKey& k : t.keys) c.keys.push_back({k.key, k.recno});
      out.push_back(std::move(c));
    }
    Status s = writeCdxFile(cdx_path, out);
    if (!s.isOk()) return s;
    for (Tag& t : tags) {
      if (t.info.indexFile == cdx_path) t.dirty = false;
    }
    return Status::ok();
  }

  // --- the file ---
  Status ioFail(const char* verb, int err) const {
    return Status::fromErrno(std::string("cannot ") + verb + " " + path, err);
  }

  Status pwriteAll(const char* data, size_t n, uint64_t at) const {
    size_t done = 0;
    while (done < n) {
      const ssize_t w = ::pwrite(fd, data + done, n - done, static_cast<off_t>(at + done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return ioFail("write", errno);
      }
      done += static_cast<size_t>(w);
    }
    return Status::ok();
  }

  Status corrupt(const std::string& what) const {
    return Status::corrupt("damaged table " + path + ": " + what);
  }

  // Reads the whole file into memory, checking its layout. Leaves the old state on failure.
  Status load() {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return ioFail("read", errno);
    std::string b(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < b.size()) {
      const ssize_t r = ::pread(fd, b.data() + got, b.size() - got, static_cast<off_t>(got));
      if (r < 0) {
        if (errno == EINTR) continue;
        return ioFail("read", errno);
      }
      if (r == 0) break;
      got += static_cast<size_t>(r);
    }
    b.resize(got);
    if (b.size() < kHeaderFixed + 1) {
      return corrupt("cut short: " + std::to_string(b.size()) +
                     " bytes, a dBase header needs at least 33");
    }
    const size_t header_length = le16(b, kOffHeaderLength);
    const size_t record_length = le16(b, kOffRecordLength);
    const int64_t n = le32(b, kOffRecordCount);
    if (header_length < kHeaderFixed + 1 || header_length > b.size()) {
      return corrupt("header length " + std::to_string(header_length) + " does not fit a file of " +
                     std::to_string(b.size()) + " bytes");
    }
    std::vector<DbaseColumn> cols;
    std::vector<size_t> offs;
    size_t at = kHeaderFixed;
    size_t width = 1;
    while (true) {
      if (at >= header_length) return corrupt("the column descriptors have no end mark (0x0D)");
      if (b[at] == kTerminator) break;
      if (at + kDescriptor > header_length)
        return corrupt("column descriptor " + std::to_string(cols.size() + 1) + " is cut short");
      DbaseColumn c;
      size_t nl = 0;
      while (nl < 11 && b[at + nl] != '\0') ++nl;
      c.name = b.substr(at, nl);
      c.type = b[at + 11];
      c.length = static_cast<uint8_t>(b[at + 16]);
      c.decimals = static_cast<uint8_t>(b[at + 17]);
      if (c.type == 'C' && c.decimals != 0) {  // the 16-bit width some writers use for C
        c.length += c.decimals * 256;
        c.decimals = 0;
      }
      if (c.name.empty() || c.length == 0) {
        return corrupt("column descriptor " + std::to_string(cols.size() + 1) +
                       " has no name or no width");
      }
      offs.push_back(width);
      width += static_cast<size_t>(c.length);
      cols.push_back(std::move(c));
      at += kDescriptor;
    }
    if (cols.empty()) return corrupt("the table has no columns");
    if (width != record_length) {
      return corrupt("record length " + std::to_string(record_length) +
                     " in the header, but the columns need " + std::to_string(width));
    }
    const size_t body = b.size() - header_length;
    const int64_t whole = static_cast<int64_t>(body / record_length);
    if (whole < n) {
      return corrupt("cut short: the header counts " + std::to_string(n) +
                     " records, the file holds " + std::to_string(whole));
    }
    for (int64_t r = 0; r < n; ++r) {
      const char flag = b[header_length + static_cast<size_t>(r) * record_length];
      if (flag != kDeleted && flag != kNotDeleted) {
        return corrupt("record " + std::to_string(r + 1) + " starts with byte " +
                       std::to_string(static_cast<uint8_t>(flag)) +
                       " instead of the deletion flag");
      }
    }
    columns = std::move(cols);
    offsets = std::move(offs);
    headerLength = header_length;
    recordLength = record_length;
    count = n;
    rows = b.substr(header_length, static_cast<size_t>(n) * record_length);
    seen = st;
    seenCounter = le32(b, kOffCounter);
    return Status::ok();
  }

  uint32_t counterOnDisk() const {
    char c[4] = {0, 0, 0, 0};
    if (::pread(fd, c, 4, kOffCounter) != 4) return seenCounter;
    return le32(std::string(c, 4), 0);
  }
  bool changedOnDisk() const {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    return st.st_size != seen.st_size || st.st_mtim.tv_sec != seen.st_mtim.tv_sec ||
           st.st_mtim.tv_nsec != seen.st_mtim.tv_nsec || counterOnDisk() != seenCounter;
  }
  void noteOwnWrite() { ::fstat(fd, &seen); }

  // Re-reads the file when another handle changed it, rebuilding the tags.
  Status refresh() {
    if (fd < 0) return Status::invalidArgument("the table " + path + " is not open");
    if (!changedOnDisk()) return Status::ok();
    Status s = load();
    if (!s.isOk()) return s;
    for (Tag& t : tags) rebuild(t);
    if (cur > count) cur = 0;
    return Status::ok();
  }

  Status writeHeaderUpdate() {
    char h[8];
    const CivilDate d = today();
    h[0] = static_cast<char>(d.year - 1900 > 255 ? 255 : d.year - 1900);
    h[1] = static_cast<char>(d.month);
    h[2] = static_cast<char>(d.day);
    putLe32(h + 3, static_cast<uint32_t>(count));
    Status s = pwriteAll(h, 7, 1);
    if (!s.isOk()) return s;
    ++seenCounter;
    putLe32(h, seenCounter);
    return pwriteAll(h, 4, kOffCounter);
  }

  // An fcntl write lock over the whole file while a write is under way.
  struct WriteLock {
    int fd;
    bool held = false;
    explicit WriteLock(int f) : fd(f) {
      struct flock fl {};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      while (::fcntl(fd, F_SETLKW, &fl) != 0) {
        if (errno != EINTR) return;
      }
      held = true;
    }
    ~WriteLock() {
      if (!held) return;
      struct flock fl {};
      fl.l_type = F_UNLCK;
      fl.l_whence = SEEK_SET;
      ::fcntl(fd, F_SETLK, &fl);
    }
  };

  Status postPending() {
    if (mode == Mode::kBrowse) return Status::ok();
    WriteLock lock(fd);
    Status s = refresh();
    if (!s.isOk()) return s;
    if (mode == Mode::kAppend) {
      const int64_t recno = count + 1;
      std::string bytes = buffer;
      bytes += kEndMark;
      s = pwriteAll(bytes.data(), bytes.size(),
                    headerLength + static_cast<uint64_t>(count) * recordLength);
      if (!s.isOk()) return s;
      rows += buffer;
      count = recno;
      s = writeHeaderUpdate();
      if (!s.isOk()) {
        rows.resize(rows.size() - recordLength);
        count = recno - 1;
        return s;
      }
      for (Tag& t : tags) insertKey(t, recno);
      cur = recno;
    } else {
      const int64_t recno = editRecno;
      if (recno < 1 || recno > count) {
        return Status::corrupt("the table " + path + " lost record " + std::to_string(recno) +
                               " while it was edited");
      }
      s = pwriteAll(buffer.data(), recordLength,
                    headerLength + static_cast<uint64_t>(recno - 1) * recordLength);
      if (!s.isOk()) return s;
      std::vector<std::string> old_keys;
      for (Tag& t : tags)
        old_keys.push_back(indexed(t, record(recno)) ? keyOf(t, record(recno)) : std::string());
      const std::string old_row(record(recno), recordLength);
      std::memcpy(rows.data() + static_cast<size_t>(recno - 1) * recordLength, buffer.data(),
                  recordLength);
      for (size_t i = 0; i < tags.size(); ++i) {
        if (indexed(tags[i], old_row.data())) removeKey(tags[i], old_keys[i], recno);
        insertKey(tags[i], recno);
      }
      cur = recno;
      s = writeHeaderUpdate();
      if (!s.isOk()) return s;
    }
    noteOwnWrite();
    mode = Mode::kBrowse;
    buffer.clear();
    return Status::ok();
  }

  // --- cursor moves ---
  // First visible row at or after key position pos of the selected tag (or record pos+1).
  void seekForward(size_t pos) {
    Tag* t = selected();
    if (t == nullptr) {
      for (int64_t r = static_cast<int64_t>(pos) + 1; r <= count; ++r) {
        if (visible(r)) {
          cur = r;
          return;
        }
      }
    } else {
      for (size_t i = pos; i < t->keys.size(); ++i) {
        if (visible(t->keys[i].recno)) {
          cur = t->keys[i].recno;
          return;
        }
      }
    }
    cur = 0;
  }
};

DbaseTable::DbaseTable() : impl_(std::make_unique<Impl>()) {}
DbaseTable::~DbaseTable() {
  close();
}

Status DbaseTable::create(const std::string& path, const std::vector<DbaseColumn>& columns) {
  if (columns.empty()) return Status::invalidArgument("cannot create " + path + ": no columns");
  std::string header(kHeaderFixed, '\0');
  size_t record_length = 1;
  std::vector<std::string> names;
  for (const DbaseColumn& given : columns) {
    DbaseColumn c = given;
    c.name = toUpperAscii(c.name);
    const std::string where = "cannot create " + path + ": column " + c.name;
    if (!validColumnName(c.name)) return Status::invalidArgument(where + ": bad name");
    if (std::find(names.begin(), names.end(), c.name) != names.end()) {
      return Status::invalidArgument(where + " is given twice");
    }
    names.push_back(c.name);
    if (c.type == 'D') {
      c.length = 8;
      c.decimals = 0;
    } else if (c.type == 'C') {
      if (c.length < 1 || c.length > 254)
        return Status::invalidArgument(where + ": width must be 1..254");
      c.decimals = 0;
    } else if (c.type == 'N') {
      if (c.length < 1 || c.length > 20 || c.decimals < 0 ||
          (c.decimals > 0 && c.decimals >= c.length - 1)) {
        return Status::invalidArgument(where + ": width must be 1..20 with fewer decimals");
      }
    } else {
      return Status::invalidArgument(where + ": type must be C, N or D");
    }
    std::string d(kDescriptor, '\0');
    std::memcpy(d.data(), c.name.data(), c.name.size());
    d[11] = c.type;
    d[16] = static_cast<char>(c.length);
    d[17] = static_cast<char>(c.decimals);
    header += d;
    record_length += static_cast<size_t>(c.length);
  }
  header += kTerminator;
  if (header.size() > 0xFFFF || record_length > 0xFFFF) {
    return Status::invalidArgument("cannot create " + path + ": too many or too wide columns");
  }
  header[0] = 0x03;
  const CivilDate d = today();
  header[1] = static_cast<char>(d.year - 1900);
  header[2] = static_cast<char>(d.month);
  header[3] = static_cast<char>(d.day);
  putLe32(&header[kOffRecordCount], 0);
  putLe16(&header[kOffHeaderLength], static_cast<uint32_t>(header.size()));
  putLe16(&header[kOffRecordLength], static_cast<uint32_t>(record_length));
  header += kEndMark;
  return replaceFileContent(path, header);
}

Status DbaseTable::open(const std::string& path, bool exclusive) {
  if (isOpen()) {
    Status s = close();
    if (!s.isOk()) return s;
  }
  Impl& m = *impl_;
  m.path = path;
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Status::notFound("the table " + path + " does not exist");
    return Status::fromErrno("cannot open the table " + path, errno);
  }
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) {
      return Status::ioError("the table " + path +
                             (exclusive ? " is open elsewhere; it cannot be taken exclusively"
                                        : " is in exclusive use elsewhere"));
    }
    return Status::fromErrno("cannot lock the table " + path, err);
  }
  m.fd = fd;
  m.exclusive = exclusive;
  m.mode = Impl::Mode::kBrowse;
  Status s = m.load();
  if (s.isOk() && m.filter) s = m.bind(m.filter.get());
  // Tags: the definitions held by the listed index files, built from the rows.
  if (s.isOk()) {
    std::vector<Tag> tags;
    for (const std::string& cdx : m.indexFiles) {
      std::vector<CdxTag> defs;
      s = readCdxFile(cdx, &defs);
      if (!s.isOk()) break;
      for (const CdxTag& d : defs) {
        Tag t;
        t.info.name = d.name;
        for (const Tag& old : m.tags) {  // keep the spelling BuildTag was given
          if (equalsIgnoreCase(old.info.name, d.name)) t.info.name = old.info.name;
        }
        t.info.indexFile = cdx;
        t.info.unique = d.unique;
        if (d.descending) s = Status::invalidArgument(cdx + ": tag " + d.name + " is descending");
        if (s.isOk()) s = m.setupTag(t, d.keyExpr, d.forExpr);
        if (!s.isOk()) {
          s = Status::corrupt("index file " + cdx + ": " + s.message());
          break;
        }
        m.rebuild(t);
        t.dirty = false;
        tags.push_back(std::move(t));
      }
      if (!s.isOk()) break;
    }
    if (s.isOk()) m.tags = std::move(tags);
  }
  if (!s.isOk()) {
    ::flock(fd, LOCK_UN);
    ::close(fd);
    m.fd = -1;
    return s;
  }
  if (m.selected() == nullptr) m.indexName.clear();
  m.cur = 0;
  m.seekForward(0);
  return Status::ok();
}

Status DbaseTable::close() {
  Impl& m = *impl_;
  if (m.fd < 0) return Status::ok();
  m.mode = Impl::Mode::kBrowse;
  m.buffer.clear();
  Status result = m.refresh();
  if (result.isOk()) {
    std::vector<std::string> dirty;
    for (const Tag& t : m.tags) {
      if (t.dirty && std::find(dirty.begin(), dirty.end(), t.info.indexFile) == dirty.end()) {
        dirty.push_back(t.info.indexFile);
      }
    }
    for (const std::string& f : dirty) {
      Status s = m.writeIndexFile(f);
      if (result.isOk() && !s.isOk()) result = s;
    }
  }
  ::flock(m.fd, LOCK_UN);
  if (::close(m.fd) != 0 && result.isOk()) result = m.ioFail("close", errno);
  m.fd = -1;
  m.exclusive = false;
  m.cur = 0;
  return result;
}

bool DbaseTable::isOpen() const {
  return impl_->fd >= 0;
}
bool DbaseTable::isExclusive() const {
  return impl_->fd >= 0 && impl_->exclusive;
}
const std::string& DbaseTable::path() const {
  return impl_->path;
}
std::string DbaseTable::tableName() const {
  return impl_->name();
}

void DbaseTable::clearIndexFiles() {
  impl_->indexFiles.clear();
  impl_->tags.clear();
  impl_->indexName.clear();
}
void DbaseTable::addIndexFile(const std::string& cdx_path) {
  auto& f = impl_->indexFiles;
  if (std::find(f.begin(), f.end(), cdx_path) == f.end()) f.push_back(cdx_path);
}
const std::vector<std::string>& DbaseTable::indexFiles() const {
  return impl_->indexFiles;
}

const std::vector<DbaseColumn>& DbaseTable::columns() const {
  return impl_->columns;
}
int DbaseTable::columnIndex(std::string_view name) const {
  int idx = -1;
  return impl_->columnOf(name, &idx).isOk() ? idx : -1;
}
int64_t DbaseTable::recordCount() const {
  return impl_->count;
}

Status DbaseTable::first() {
  Impl& m = *impl_;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  m.seekForward(0);
  return Status::ok();
}

Status DbaseTable::next() {
  Impl& m = *impl_;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  if (m.cur == 0) return Status::ok();
  Tag* t = m.selected();
  if (t == nullptr) {
    m.seekForward(static_cast<size_t>(m.cur));
  } else {
    bool exact = false;
    const size_t pos = m.positionOf(*t, m.cur, &exact);
    m.seekForward(exact ? pos + 1 : pos);
  }
  return Status::ok();
}

Status DbaseTable::last() {
  Impl& m = *impl_;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  m.cur = 0;
  if (Tag* t = m.selected()) {
    for (size_t i = t->keys.size(); i > 0; --i) {
      if (m.visible(t->keys[i - 1].recno)) {
        m.cur = t->keys[i - 1].recno;
        break;
      }
    }
  } else {
    for (int64_t r = m.count; r > 0; --r) {
      if (m.visible(r)) {
        m.cur = r;
        break;
      }
    }
  }
  return Status::ok();
}

bool DbaseTable::eof() const {
  return impl_->cur == 0 && impl_->mode == Impl::Mode::kBrowse;
}
int64_t DbaseTable::recNo() const {
  return impl_->cur;
}

Status DbaseTable::goTo(int64_t recno) {
  Impl& m = *impl_;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  if (recno < 1 || recno > m.count) {
    return Status::invalidArgument(m.name() + " has no record " + std::to_string(recno));
  }
  m.cur = recno;
  return Status::ok();
}

bool DbaseTable::isDeleted() const {
  const char* rec = impl_->currentBytes();
  return rec != nullptr && rec[0] == kDeleted;
}

void DbaseTable::setUseDeleted(bool on) {
  impl_->useDeleted = on;
}
bool DbaseTable::useDeleted() const {
  return impl_->useDeleted;
}

Status DbaseTable::setFilter(std::string_view expression) {
  Impl& m = *impl_;
  std::shared_ptr<Expr> e;
  if (!trimView(expression).empty()) {
    Status s = ExprParser(expression).parse(&e);
    if (s.isOk() && isOpen()) s = m.bind(e.get());
    if (!s.isOk()) return s;
  }
  m.filter = e;
  m.filterText = std::string(expression);
  return Status::ok();
}
const std::string& DbaseTable::filter() const {
  return impl_->filterText;
}
void DbaseTable::setFiltered(bool on) {
  impl_->filtered = on;
}
bool DbaseTable::filtered() const {
  return impl_->filtered;
}

Status DbaseTable::BuildTag(const std::string& cdx_path, const std::string& tag,
                            const std::string& key_expr, const std::string& filter_expr,
                            bool duplicates_allowed, bool descending) {
  Impl& m = *impl_;
  if (!isOpen()) return Status::invalidArgument("the table " + m.path + " is not open");
  if (!m.exclusive)
    return Status::invalidArgument(m.name() + ": building a tag needs exclusive use");
  if (descending) return Status::invalidArgument(m.name() + ": descending tags are not supported");
  if (!validColumnName(tag))
    return Status::invalidArgument(m.name() + ": bad tag name \"" + tag + "\"");
  Status s = m.postPending();
  if (!s.isOk()) return s;
  Tag t;
  t.info.name = tag;
  t.info.indexFile = cdx_path;
  t.info.unique = !duplicates_allowed;
  s = m.setupTag(t, key_expr, filter_expr);
  if (!s.isOk()) return s;
  m.rebuild(t);
  auto it = std::find_if(m.tags.begin(), m.tags.end(),
                         [&](const Tag& x) { return equalsIgnoreCase(x.info.name, tag); });
  if (it != m.tags.end()) {
    if (it->info.indexFile != cdx_path) it->dirty = true;  // its old file loses the tag
    const std::string old_file = it->info.indexFile;
    *it = std::move(t);
    if (old_file != cdx_path) {
      s = m.writeIndexFile(old_file);
      if (!s.isOk()) return s;
    }
  } else {
    m.tags.push_back(std::move(t));
  }
  return m.writeIndexFile(cdx_path);
}

Status DbaseTable::setIndexName(std::string_view tag) {
  Impl& m = *impl_;
  if (tag.empty()) {
    m.indexName.clear();
    return Status::ok();
  }
  for (const Tag& t : m.tags) {
    if (equalsIgnoreCase(t.info.name, tag)) {
      m.indexName = t.info.name;
      return Status::ok();
    }
  }
  return Status::notFound(m.name() + " has no tag " + std::string(tag));
}
const std::string& DbaseTable::indexName() const {
  return impl_->indexName;
}

std::vector<DbaseTagInfo> DbaseTable::tags() const {
  std::vector<DbaseTagInfo> out;
  for (const Tag& t : impl_->tags) out.push_back(t.info);
  return out;
}

std::vector<DbaseTagKey> DbaseTable::tagKeys(std::string_view tag) const {
  for (const Tag& t : impl_->tags) {
    if (equalsIgnoreCase(t.info.name, tag)) return t.keys;
  }
  return {};
}

Status DbaseTable::FindKey(std::string_view key, bool exact, bool partial, bool* found) {
  Impl& m = *impl_;
  *found = false;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  Tag* t = m.selected();
  if (t == nullptr) return Status::invalidArgument(m.name() + ": FindKey needs a selected tag");
  const std::string k(key);
  const auto lb = std::lower_bound(t->keys.begin(), t->keys.end(), DbaseTagKey{k, 0}, keyLess);
  const std::string want = rtrimBlanks(k);
  for (auto it = lb;
       it != t->keys.end() && it->key.compare(0, k.size(), k) == 0 && it->key.size() >= k.size();
       ++it) {
    if (!m.visible(it->recno)) continue;
    if (exact && rtrimBlanks(it->key) != want) continue;
    m.cur = it->recno;
    *found = true;
    return Status::ok();
  }
  if (partial) m.seekForward(static_cast<size_t>(lb - t->keys.begin()));
  return Status::ok();
}

Status DbaseTable::append() {
  Impl& m = *impl_;
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  m.buffer.assign(m.recordLength, ' ');
  m.mode = Impl::Mode::kAppend;
  return Status::ok();
}

Status DbaseTable::edit() {
  Impl& m = *impl_;
  if (m.mode == Impl::Mode::kEdit) return Status::ok();
  Status s = m.postPending();
  if (s.isOk()) s = m.refresh();
  if (!s.isOk()) return s;
  if (m.cur == 0) return m.noRow();
  m.buffer.assign(m.record(m.cur), m.recordLength);
  m.editRecno = m.cur;
  m.mode = Impl::Mode::kEdit;
  return Status::ok();
}

Status DbaseTable::post() {
  if (!isOpen()) return Status::invalidArgument("the table " + impl_->path + " is not open");
  return impl_->postPending();
}

void DbaseTable::cancel() {
  impl_->mode = Impl::Mode::kBrowse;
  impl_->buffer.clear();
}

bool DbaseTable::isEditing() const {
  return impl_->mode != Impl::Mode::kBrowse;
}

Status DbaseTable::deleteRecord() {
  Impl& m = *impl_;
  if (m.mode == Impl::Mode::kAppend) {  // deleting a row not yet written drops it
    cancel();
    return Status::ok();
  }
  Status s = m.postPending();
  if (!s.isOk()) return s;
  Impl::WriteLock lock(m.fd);
  s = m.refresh();
  if (!s.isOk()) return s;
  if (m.cur == 0) return m.noRow();
  const uint64_t at = m.headerLength + static_cast<uint64_t>(m.cur - 1) * m.recordLength;
  s = m.pwriteAll(&kDeleted, 1, at);
  if (!s.isOk()) return s;
  m.rows[static_cast<size_t>(m.cur - 1) * m.recordLength] = kDeleted;
  s = m.writeHeaderUpdate();
  if (!s.isOk()) return s;
  m.noteOwnWrite();
  return Status::ok();
}

Status DbaseTable::PackTable() {
  Impl& m = *impl_;
  if (!isOpen()) return Status::invalidArgument("the table " + m.path + " is not open");
  if (!m.exclusive) return Status::invalidArgument(m.name() + ": packing needs exclusive use");
  Status s = m.postPending();
  if (!s.isOk()) return s;
  std::string kept;
  int64_t n = 0;
  for (int64_t r = 1; r <= m.count; ++r) {
    if (m.record(r)[0] != kDeleted) {
      kept.append(m.record(r), m.recordLength);
      ++n;
    }
  }
  // Header as it stands, with the new count; records; end mark. Written beside the table and
  // renamed over it, so a failure leaves the old table whole.
  std::string header(m.headerLength, '\0');
  size_t got = 0;
  while (got < header.size()) {
    const ssize_t r =
        ::pread(m.fd, header.data() + got, header.size() - got, static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return m.ioFail("read", r < 0 ? errno : EIO);
    got += static_cast<size_t>(r);
  }
  const CivilDate d = today();
  header[1] = static_cast<char>(d.year - 1900);
  header[2] = static_cast<char>(d.month);
  header[3] = static_cast<char>(d.day);
  putLe32(&header[kOffRecordCount], static_cast<uint32_t>(n));
  putLe32(&header[kOffCounter], m.seenCounter + 1);
  s = replaceFileContent(m.path, header + kept + kEndMark);
  if (!s.isOk()) return s;
  // The name now points at the new file: take it exclusively in place of the old one.
  const int fd = ::open(m.path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return m.ioFail("open", errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return m.ioFail("lock", err);
  }
  ::flock(m.fd, LOCK_UN);
  ::close(m.fd);
  m.fd = fd;
  s = m.load();
  if (!s.isOk()) return s;
  for (Tag& t : m.tags) m.rebuild(t);
  m.seekForward(0);
  return Status::ok();
}

// ------------------------------------------------------------------ typed fields

Status DbaseTable::ReadText(std::string_view column, std::string* out) const {
  const Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  const char* rec = m.currentBytes();
  if (rec == nullptr) return m.noRow();
  *out = rtrimBlanks(m.field(rec, idx));
  return Status::ok();
}

Status DbaseTable::WriteText(std::string_view column, std::string_view value) {
  Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  if (m.mode == Impl::Mode::kBrowse)
    return Status::invalidArgument(m.name() + ": write to " + std::string(column) +
                                   " outside append or edit");
  const DbaseColumn& c = m.columns[static_cast<size_t>(idx)];
  const size_t width = static_cast<size_t>(c.length);
  std::string bytes;
  if (c.type == 'N') {
    const std::string_view t = trimView(value);
    if (!t.empty() && !isNumberText(t)) {
      return Status::invalidArgument(m.name() + ": column " + c.name + " takes numbers, not \"" +
                                     std::string(value) + "\"");
    }
    bytes = padLeft(t, width);
  } else if (c.type == 'D') {
    const std::string_view t = trimView(value);
    const bool digits = t.size() == 8 && std::all_of(t.begin(), t.end(), [](char ch) {
                          return ch >= '0' && ch <= '9';
                        });
    if (!t.empty() && !(digits && isValidDate(std::stoi(std::string(t.substr(0, 4))),
                                              std::stoi(std::string(t.substr(4, 2))),
                                              std::stoi(std::string(t.substr(6, 2)))))) {
      return Status::invalidArgument(m.name() + ": column " + c.name +
                                     " takes dates as YYYYMMDD, not \"" + std::string(value) +
                                     "\"");
    }
    bytes = padRight(t, width);
  } else {
    bytes = padRight(value, width);
  }
  if (bytes.size() > width) {
    return Status::invalidArgument(m.name() + ": the value for column " + c.name + " is " +
                                   std::to_string(value.size()) + " bytes long, the column holds " +
                                   std::to_string(width));
  }
  std::memcpy(m.buffer.data() + m.offsets[static_cast<size_t>(idx)], bytes.data(), width);
  return Status::ok();
}

Status DbaseTable::ReadWhole(std::string_view column, int64_t* out) const {
  const Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  const char* rec = m.currentBytes();
  if (rec == nullptr) return m.noRow();
  const std::string_view t = trimView(m.field(rec, idx));
  if (t.empty()) {
    *out = 0;
    return Status::ok();
  }
  const size_t dot = t.find('.');
  const std::string_view whole = t.substr(0, dot);
  std::optional<int64_t> v = (whole == "-" || whole == "+" || whole.empty())
                                 ? std::optional<int64_t>(0)
                                 : parseInteger(whole);
  if (!isNumberText(t) || !v) {
    return Status::corrupt(m.name() + ": column " + m.columns[static_cast<size_t>(idx)].name +
                           " of record " + std::to_string(m.cur) + " holds \"" + std::string(t) +
                           "\", not a number");
  }
  *out = *v;
  return Status::ok();
}

Status DbaseTable::WriteWhole(std::string_view column, int64_t value) {
  Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  const DbaseColumn& c = m.columns[static_cast<size_t>(idx)];
  if (c.type != 'N')
    return Status::invalidArgument(m.name() + ": column " + c.name + " is not numeric");
  return WriteText(column, std::to_string(value));
}

Status DbaseTable::ReadDate(std::string_view column, DbfDate* out) const {
  const Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  const DbaseColumn& c = m.columns[static_cast<size_t>(idx)];
  if (c.type != 'D')
    return Status::invalidArgument(m.name() + ": column " + c.name + " is not a date column");
  const char* rec = m.currentBytes();
  if (rec == nullptr) return m.noRow();
  const std::string_view v = m.field(rec, idx);
  if (std::all_of(v.begin(), v.end(),
                  [](char ch) { return ch == ' ' || ch == '0' || ch == '\0'; })) {
    *out = DbfDate{};
    return Status::ok();
  }
  const bool digits = v.size() == 8 && std::all_of(v.begin(), v.end(),
                                                   [](char ch) { return ch >= '0' && ch <= '9'; });
  if (digits) {
    const int y = std::stoi(std::string(v.substr(0, 4)));
    const int mo = std::stoi(std::string(v.substr(4, 2)));
    const int d = std::stoi(std::string(v.substr(6, 2)));
    if (isValidDate(y, mo, d)) {
      *out = DbfDate{CivilDate{y, mo, d}, false};
      return Status::ok();
    }
  }
  return Status::corrupt(m.name() + ": column " + c.name + " of record " + std::to_string(m.cur) +
                         " holds \"" + std::string(v) + "\", not a date");
}

Status DbaseTable::WriteDate(std::string_view column, const DbfDate& value) {
  Impl& m = *impl_;
  int idx = -1;
  Status s = m.columnOf(column, &idx);
  if (!s.isOk()) return s;
  const DbaseColumn& c = m.columns[static_cast<size_t>(idx)];
  if (c.type != 'D')
    return Status::invalidArgument(m.name() + ": column " + c.name + " is not a date column");
  if (value.blank) return WriteText(column, "");
  if (!isValidDate(value.date.year, value.date.month, value.date.day)) {
    return Status::invalidArgument(m.name() + ": column " + c.name + ": not a calendar date");
  }
  return WriteText(column, formatCompactDate(value.date));
}

}  // namespace tarvex
