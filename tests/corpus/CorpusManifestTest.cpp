// Reads every table of the corpus (DBF files written by other programs) and compares what the
// reader finds with MANIFEST.tsv, which records the header and field list as another reader
// (dbfread) or the raw bytes give them.
//
// Our reader agrees with the manifest wherever its rules give the same answer. Where a rule of
// ours gives a different answer on purpose, the file has rows in kDeviations below: the rule,
// what we expect instead, and why. Every listed deviation is checked (it must make a
// difference, and what it says must hold); every file without rows must match exactly.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CmpDbfGOra.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpusDir = TARVEX_CORPUS_DIR;

// ---------------------------------------------------------------------------------------------
// MANIFEST.tsv

struct Field {
  std::string name;
  char type = 0;
  int len = 0;
  int dec = 0;
  bool operator==(const Field&) const = default;
};

std::string describe(const Field& f) {
  std::ostringstream s;
  s << f.name << ':';
  if (f.type > 32 && f.type < 127) {
    s << f.type;
  } else {
    s << "\\x" << std::hex << static_cast<int>(static_cast<unsigned char>(f.type)) << std::dec;
  }
  s << ':' << f.len << ':' << f.dec;
  return s.str();
}

std::string describe(const std::vector<Field>& fields) {
  std::string out;
  for (const Field& f : fields) out += (out.empty() ? "" : " ") + describe(f);
  return out;
}

struct ManifestRow {
  std::string file;
  int64_t bytes = 0;
  int version = 0;
  int64_t records = 0;
  std::vector<Field> fields;
  int header_length = 0;
  int record_length = 0;
  std::string notes;
  std::string first_record;
};

std::vector<std::string> split(std::string_view text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find(sep, start);
    parts.emplace_back(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

// "\xNN" escapes (how the manifest writes name bytes that are not ASCII) become the bytes.
std::string unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "NAME:T:len:dec" (the name may hold anything but a blank; the type is one character).
Field parseField(std::string_view token) {
  std::vector<std::string> parts = split(token, ':');
  if (parts.size() < 4) throw std::runtime_error("bad field token " + std::string(token));
  Field f;
  f.dec = std::stoi(parts[parts.size() - 1]);
  f.len = std::stoi(parts[parts.size() - 2]);
  std::string type = unescape(parts[parts.size() - 3]);
  if (type.size() != 1) throw std::runtime_error("bad field type in " + std::string(token));
  f.type = type[0];
  std::string name;
  for (size_t i = 0; i + 3 < parts.size(); ++i) name += (i == 0 ? "" : ":") + parts[i];
  f.name = unescape(name);
  return f;
}

// "n: NAME:T:len:dec ..."; the count must agree with the list.
std::vector<Field> parseFields(const std::string& column) {
  size_t colon = column.find(':');
  if (colon == std::string::npos) throw std::runtime_error("bad fields column " + column);
  const int count = std::stoi(column.substr(0, colon));
  std::vector<Field> fields;
  for (const std::string& token : split(column.substr(colon + 1), ' ')) {
    if (!token.empty()) fields.push_back(parseField(token));
  }
  if (static_cast<int>(fields.size()) != count) {
    throw std::runtime_error("field count disagrees with the list in " + column);
  }
  return fields;
}

bool isTable(const std::string& file) {
  std::string ext = fs::path(file).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".dbf";
}

std::vector<ManifestRow> loadManifest() {
  std::ifstream in(kCorpusDir / "MANIFEST.tsv");
  if (!in) throw std::runtime_error("cannot read MANIFEST.tsv in " + kCorpusDir.string());
  std::vector<ManifestRow> rows;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (header) {
      header = false;
      continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> col = split(line, '\t');
    if (col.size() != 15) throw std::runtime_error("manifest row without 15 columns: " + line);
    if (!isTable(col[0])) continue;  // memo and index files
    ManifestRow r;
    r.file = col[0];
    r.bytes = std::stoll(col[1]);
    r.version = std::stoi(col[6], nullptr, 16);
    r.records = std::stoll(col[7]);
    r.fields = parseFields(col[8]);
    r.header_length = std::stoi(col[9]);
    r.record_length = std::stoi(col[10]);
    r.notes = col[13];
    r.first_record = col[14];
    rows.push_back(std::move(r));
  }
  return rows;
}

// Why the manifest could not be read; empty when it was.
std::string& manifestError() {
  static std::string error;
  return error;
}

// The manifest's tables; empty (with manifestError() set) when it cannot be read, so that
// test registration does not throw.
const std::vector<ManifestRow>& manifest() {
  static const std::vector<ManifestRow> rows = [] {
    try {
      return loadManifest();
    } catch (const std::exception& e) {
      manifestError() = e.what();
      return std::vector<ManifestRow>();
    }
  }();
  return rows;
}

// ---------------------------------------------------------------------------------------------
// Where our reader differs from the manifest by design.

enum class Rule {
  // Names are upper-cased (letters a-z only).
  kUpperCaseNames,
  // Names with bytes outside A-Z, 0-9, "_" are cleaned: a bad first byte (or an empty name) takes
  // the next letter of a run A, B, ... shared by the fields of the header read, a bad later
  // byte becomes "_". expected: "i=NAME ..." (field number, cleaned name).
  kCleanedNames,
  // Only type "N" keeps its decimal count; every other type gets 0. expected: the (cleaned)
  // names of the fields whose non-zero decimals become 0.
  kDecimalsForNOnly,
  // A "C" field's length is the 16-bit number in descriptor bytes 16-17, so the manifest's
  // decimal byte is the high byte of the length. expected: "NAME=length ...".
  kCLength16Bit,
  // The number of descriptors comes from the header length: (length - 294) div 32 for the
  // long layout (versions 0x30-0x32, or the rescue pass), else (length - 30) div 32. expected:
  // that number; the fields are the manifest's first ones.
  kDescriptorCount,
  // Pass 1 refused the header, so pass 2 counted the descriptors by the long-header rule
  // although the version byte is not 0x30-0x32.
  kRescuePass,
  // dBase 7 puts a 36-byte block after the 32-byte header and uses 48-byte descriptors; our
  // reader reads 32-byte descriptors at 32*i. expected: the fields as those slots read, in the
  // manifest's notation.
  kDbase7Slots,
  // A file under 64 bytes is refused before the header is taken: header and record length
  // stay 0 and there are no fields.
  kTooSmall,
  // The file is refused. expected: every refusal check that fails, by the names of
  // refusalChecks().
  kRefused,
};

const char* ruleName(Rule r) {
  switch (r) {
    case Rule::kUpperCaseNames: return "upper-case names";
    case Rule::kCleanedNames: return "cleaned names";
    case Rule::kDecimalsForNOnly: return "decimals for N only";
    case Rule::kCLength16Bit: return "16-bit C length";
    case Rule::kDescriptorCount: return "descriptor count";
    case Rule::kRescuePass: return "rescue pass";
    case Rule::kDbase7Slots: return "dBase 7 read as 32-byte slots";
    case Rule::kTooSmall: return "too small";
    case Rule::kRefused: return "refused";
  }
  return "?";
}

struct Deviation {
  const char* file;
  Rule rule;
  const char* expected;  // what we expect instead, in the rule's notation (see Rule)
  const char* why;
};

// The _NullFlags field of Visual FoxPro (type "0") has both a bad name ("_" may not begin a
// name) and an unknown type; a header with a bad name and a bad type together is refused.
#define NULLFLAGS_REFUSED "_NullFlags: a bad name byte and the unknown type '0' in one header"

const Deviation kDeviations[] = {
    {"infused-dbf/dbase_03.dbf", Rule::kUpperCaseNames, "", "mixed-case names"},
    {"infused-dbf/dbase_31.dbf", Rule::kCleanedNames, "11=ANULLFLAGS",
     "the bad first byte of _NullFlags takes run letter A"},
    {"infused-dbf/dbase_31.dbf", Rule::kDecimalsForNOnly, "UNITPRICE", "Y(8,4)"},
    {"infused-dbf/dbase_31.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"infused-dbf/dbase_32.dbf", Rule::kCleanedNames, "2=ANULLFLAGS", "_NullFlags"},
    {"infused-dbf/dbase_32.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"infused-dbf/dbase_8b.dbf", Rule::kDecimalsForNOnly, "FLOAT", "F(20,18)"},
    {"infused-dbf/dbase_8b_incorrect_record_count.dbf", Rule::kDecimalsForNOnly, "FLOAT",
     "F(20,18)"},
    {"php-xbase/dBaseIV.dbf", Rule::kDecimalsForNOnly, "RATE", "F(10,2)"},
    {"php-xbase/dBaseVII.dbf", Rule::kRescuePass, "",
     "the short-layout count gives 19 slots and is refused; the header length 645 allows a "
     "second pass with (645 - 294) div 32 = 10"},
    {"php-xbase/dBaseVII.dbf", Rule::kDbase7Slots,
     "DB866RU0:\\x00:0:0 A:\\x00:0:0 B:\\x00:0:0 C:\\x00:0:0 D:\\x00:0:0 E:\\x00:0:0 "
     "F:\\x00:0:0 G:\\x00:0:0 H:\\x00:0:0 I:\\x00:0:0",
     "slot 1 holds the language driver name; slots 2-10 begin with the zero bytes before and "
     "between the 48-byte descriptors (run letters), and read type byte 0 and length 0"},
    {"php-xbase/dBaseVII.dbf", Rule::kRefused, "names+types length-skew",
     "run-letter names with unknown types; record length 126 against 1"},
    {"php-xbase/dBaseVII_ts.dbf", Rule::kDbase7Slots, "DB866RU0:\\x00:0:0 A:\\x00:0:0",
     "header length 117 gives (117 - 30) div 32 = 2 slots; 117 is too short for a second pass"},
    {"php-xbase/dBaseVII_ts.dbf", Rule::kRefused, "names+types",
     "record length 9 against 1 is within 40, but names and types are bad together"},
    {"php-xbase/vfp.dbf", Rule::kCleanedNames, "20=ANULLFLAGS", "_NullFlags"},
    {"php-xbase/vfp.dbf", Rule::kDecimalsForNOnly, "RATE CURRENCY DOUBLE", "F(10,2) Y(8,4) B(8,4)"},
    {"php-xbase/vfp.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"php-xbase/visual_fox_pro6.dbf", Rule::kCleanedNames, "15=ANULLFLAGS", "_NullFlags"},
    {"php-xbase/visual_fox_pro6.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"php-xbase/issue115.dbf", Rule::kCleanedNames, "10=ANULLFLAGS", "_NullFlags"},
    {"php-xbase/issue115.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"javadbf/continents_no_header_record_terminator.dbf", Rule::kUpperCaseNames, "",
     "lower-case name"},
    {"javadbf/continents-null-header-record-terminator.dbf", Rule::kUpperCaseNames, "",
     "lower-case name"},
    {"javadbf/myfileafter-corrupted.dbf", Rule::kDescriptorCount, "12",
     "version 0x30 counts the descriptors as if the 263-byte area followed them; this header "
     "has none: (705 - 294) div 32 = 12 of its 21"},
    {"javadbf/myfileafter-corrupted.dbf", Rule::kRefused, "length-skew",
     "the 12 fields give record length 91 against 162"},
    {"javadbf/56-testdata.dbf", Rule::kCleanedNames, "14=ANULLFLAGS", "_NullFlags"},
    {"javadbf/56-testdata.dbf", Rule::kRefused, "names+types", NULLFLAGS_REFUSED},
    {"javadbf/wrong-exented-character-field.dbf", Rule::kRescuePass, "",
     "FLUGHOEHE's decimal byte 2 makes it C(520) by the 16-bit rule, so the fields need 633 "
     "bytes against 121 and pass 1 refuses; header length 353 allows a second pass"},
    {"javadbf/wrong-exented-character-field.dbf", Rule::kDescriptorCount, "1",
     "the second pass counts (353 - 294) div 32 = 1 descriptor"},
    {"javadbf/wrong-exented-character-field.dbf", Rule::kRefused, "length-skew",
     "one field: record length 41 against 121"},
    {"javadbf/gbk.dbf", Rule::kCleanedNames, "1=A_______ 2=B_______ 3=C_______",
     "GBK names: 8 bytes each, none of them ASCII"},
    {"javadbf/numbers2.dbf", Rule::kDecimalsForNOnly, "FLOAT", "F(10,3)"},
    {"javadbf/provincias_es.dbf", Rule::kUpperCaseNames, "", "mixed-case names"},
    {"dbd-xbase/types.dbf", Rule::kDecimalsForNOnly, "PAYMENT", "Y(8,4)"},
    {"dbfdatareader/FolderRoot.dbf", Rule::kCLength16Bit, "NAME=1040 SYS_PATH=1040 DB_RT_PATH=600",
     "C fields longer than 255 (the record length 3558 needs them)"},
    {"dbfdatareader/FolderRoot.dbf", Rule::kDecimalsForNOnly, "NAME SYS_PATH DB_RT_PATH",
     "the manifest gives these C fields' high length bytes as decimals"},
    {"dbase-rs/contain_null_padded_numeric.dbf", Rule::kUpperCaseNames, "", "lower-case name"},
    {"shapefile-js/empty.dbf", Rule::kTooSmall, "", "a 33-byte file"},
    {"shapefile-js/empty.dbf", Rule::kRefused, "too-small", "a 33-byte file"},
    {"shapefile-js/utf8-property.dbf", Rule::kCleanedNames, "1=A__", "UTF-8 name E2 98 83"},
    {"shapefile-js/boolean-property.dbf", Rule::kUpperCaseNames, "", "lower-case name"},
    {"dbffile/dbase_not_latin1.dbf", Rule::kCleanedNames,
     "1=AB_D_M_W 2=BQ__ 3=CA__ 4=DL_______X 5=EG___F_P__ 6=F__W 7=G___ 8=H__O 9=IX______ "
     "10=JN_J____",
     "Big5 names: each begins with a non-ASCII byte, so the run letters go A to J; ASCII "
     "letters inside are kept (upper-cased), '~' and the other bytes become _"},
    {"go-dbf/lessThanActualRecords.dbf", Rule::kDecimalsForNOnly, "TESTFLOAT", "F(10,2)"},
};

#undef NULLFLAGS_REFUSED

std::vector<Deviation> deviationsOf(const std::string& file) {
  std::vector<Deviation> out;
  for (const Deviation& d : kDeviations) {
    if (file == d.file) out.push_back(d);
  }
  return out;
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  for (std::string& w : split(text, ' ')) {
    if (!w.empty()) out.push_back(std::move(w));
  }
  return out;
}

std::string upperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// The field list we expect: the manifest's, changed by each listed rule except `skip` (a rule
// left out to show that it makes a difference).
std::vector<Field> expectedFields(const ManifestRow& row, const std::vector<Deviation>& devs,
                                  std::optional<Rule> skip = std::nullopt) {
  std::vector<Field> fields = row.fields;
  auto applies = [&](Rule r) -> const Deviation* {
    if (skip == r) return nullptr;
    for (const Deviation& d : devs) {
      if (d.rule == r) return &d;
    }
    return nullptr;
  };
  if (const Deviation* d = applies(Rule::kDbase7Slots)) {
    fields.clear();
    for (const std::string& token : words(d->expected)) fields.push_back(parseField(token));
  }
  if (applies(Rule::kTooSmall)) fields.clear();
  if (const Deviation* d = applies(Rule::kDescriptorCount)) {
    fields.resize(static_cast<size_t>(std::stoi(d->expected)));
  }
  if (applies(Rule::kUpperCaseNames)) {
    for (Field& f : fields) f.name = upperAscii(f.name);
  }
  if (const Deviation* d = applies(Rule::kCleanedNames)) {
    for (const std::string& w : words(d->expected)) {
      size_t eq = w.find('=');
      fields.at(static_cast<size_t>(std::stoi(w.substr(0, eq)) - 1)).name = w.substr(eq + 1);
    }
  }
  if (const Deviation* d = applies(Rule::kCLength16Bit)) {
    for (const std::string& w : words(d->expected)) {
      size_t eq = w.find('=');
      for (Field& f : fields) {
        if (f.name == w.substr(0, eq)) f.len = std::stoi(w.substr(eq + 1));
      }
    }
  }
  if (const Deviation* d = applies(Rule::kDecimalsForNOnly)) {
    for (const std::string& name : words(d->expected)) {
      for (Field& f : fields) {
        if (f.name == name) f.dec = 0;
      }
    }
  }
  return fields;
}

// The refusal checks of the reader, by name, that fail for the header it read.
std::set<std::string> refusalChecks(const DbfHeader& h) {
  if (h.FileSize < dbf::kMinFileSize) return {"too-small"};
  std::set<std::string> failed;
  if (h.BadNameCnt > 0 && h.BadTypeCnt > 0) failed.insert("names+types");
  if (h.RecLenHdr < 2) failed.insert("record-length<2");
  if (h.RecCnt > h.FileSize) failed.insert("records>file-size");
  if (h.HdrLen < 64) failed.insert("header<64");
  if (h.FldCnt < 1) failed.insert("no-fields");
  if (std::abs(h.RecLenHdr - h.RecLenCalc) > dbf::kMaxLengthSkew) failed.insert("length-skew");
  return failed;
}

bool isLongVersion(int v) { return v == 0x30 || v == 0x31 || v == 0x32; }

std::vector<Field> readerFields(const TCmpDbfGOra& engine) {
  const Rec_Fld& f = engine.fields();
  std::vector<Field> out;
  for (int i = 1; i <= f.count(); ++i) {
    out.push_back({f.FldNames[static_cast<size_t>(i - 1)], f.FldTypes[static_cast<size_t>(i - 1)],
                   f.FldLen[static_cast<size_t>(i)], f.FldDec[static_cast<size_t>(i)]});
  }
  return out;
}

// A number from the notes' measured list ("[measured: a; b; ...]"): the digits right before
// `suffix` in the first item that holds it, as in "30 deleted record(s)".
std::optional<int64_t> measured(const std::string& notes, const std::string& suffix) {
  const size_t open = notes.find("[measured: ");
  if (open == std::string::npos) return std::nullopt;
  const size_t close = notes.find(']', open);
  const std::string list = notes.substr(open + 11, close - open - 11);
  for (const std::string& item : split(list, ';')) {
    const size_t at = item.find(suffix);
    if (at == std::string::npos) continue;
    size_t start = at;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(item[start - 1]))) --start;
    if (start == at) return std::nullopt;
    return std::stoll(item.substr(start, at - start));
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// The table itself: the deviation rows name manifest files, and the corpus folder holds exactly
// the tables the manifest lists.

TEST(CorpusManifest, ListsEveryTableOfTheFolder) {
  std::set<std::string> listed;
  for (const ManifestRow& r : manifest()) listed.insert(r.file);
  std::set<std::string> on_disk;
  for (const auto& e : fs::recursive_directory_iterator(kCorpusDir)) {
    if (e.is_regular_file() && isTable(e.path().filename().string())) {
      on_disk.insert(fs::relative(e.path(), kCorpusDir).generic_string());
    }
  }
  EXPECT_EQ(manifestError(), "");
  EXPECT_FALSE(listed.empty());
  EXPECT_EQ(listed, on_disk);
  for (const Deviation& d : kDeviations) {
    EXPECT_TRUE(listed.count(d.file)) << "deviation row for a file the manifest lacks: " << d.file;
  }
}

// ---------------------------------------------------------------------------------------------
// One test per table.

void PrintTo(const ManifestRow& row, std::ostream* os) { *os << row.file; }

class CorpusTable : public ::testing::TestWithParam<ManifestRow> {};

TEST_P(CorpusTable, HeaderAndFieldsAgreeWithTheManifest) {
  const ManifestRow& row = GetParam();
  const std::vector<Deviation> devs = deviationsOf(row.file);
  auto has = [&](Rule r) {
    return std::any_of(devs.begin(), devs.end(), [r](const Deviation& d) { return d.rule == r; });
  };
  std::string trace = "deviations:";
  for (const Deviation& d : devs) trace += std::string("\n  ") + ruleName(d.rule) + ": " + d.why;
  SCOPED_TRACE(devs.empty() ? std::string("no deviations: must match exactly") : trace);

  TCmpDbfGOra engine("");
  ASSERT_TRUE(engine.OpenDbf((kCorpusDir / row.file).string())) << engine.lastError().message();
  ASSERT_TRUE(engine.ReadHdr("00").isOk());
  const DbfHeader& h = engine.header();

  EXPECT_EQ(h.FileSize, row.bytes);
  EXPECT_EQ(h.version(), row.version);
  EXPECT_EQ(h.RecCnt, row.records);
  if (has(Rule::kTooSmall)) {
    EXPECT_LT(h.FileSize, dbf::kMinFileSize);
    EXPECT_EQ(h.HdrLen, 0);
    EXPECT_EQ(h.RecLenHdr, 0);
    EXPECT_NE(row.header_length, 0) << "the too-small rule makes no difference here";
  } else {
    EXPECT_EQ(h.HdrLen, row.header_length);
    EXPECT_EQ(h.RecLenHdr, row.record_length);
  }

  // Layout: long for 0x30-0x32, and for a rescued header.
  EXPECT_EQ(h.LongLayout, isLongVersion(row.version) || has(Rule::kRescuePass));
  if (has(Rule::kRescuePass)) {
    EXPECT_FALSE(isLongVersion(row.version)) << "the rescue rule makes no difference here";
    EXPECT_GE(h.HdrLen, dbf::kRescueMinHeader);
    EXPECT_EQ(h.FldCnt, (h.HdrLen - dbf::kLongLayoutBase) / dbf::kDescriptorSize);
  }

  // Fields.
  const std::vector<Field> want = expectedFields(row, devs);
  const std::vector<Field> got = readerFields(engine);
  EXPECT_EQ(describe(got), describe(want));
  EXPECT_EQ(h.FldCnt, static_cast<int>(want.size()));
  for (const Deviation& d : devs) {
    if (d.rule == Rule::kRefused || d.rule == Rule::kRescuePass || d.rule == Rule::kTooSmall) {
      continue;  // checked above and below
    }
    EXPECT_NE(describe(expectedFields(row, devs, d.rule)), describe(want))
        << "the rule \"" << ruleName(d.rule) << "\" makes no difference to the fields";
  }
  // Decimals: the listed fields must be exactly those that are not "N" and have decimals in the
  // manifest (after the other rules).
  {
    std::vector<Field> before = expectedFields(row, devs, Rule::kDecimalsForNOnly);
    std::set<std::string> zeroed;
    for (const Field& f : before) {
      if (f.type != 'N' && f.dec != 0) zeroed.insert(f.name);
    }
    std::set<std::string> listed;
    for (const Deviation& d : devs) {
      if (d.rule == Rule::kDecimalsForNOnly) {
        for (const std::string& w : words(d.expected)) listed.insert(w);
      }
    }
    EXPECT_EQ(zeroed, listed);
  }
  // C lengths: a listed length must be low byte + 256 * high byte as the manifest gives them.
  for (const Deviation& d : devs) {
    if (d.rule != Rule::kCLength16Bit) continue;
    for (const std::string& w : words(d.expected)) {
      const std::string name = w.substr(0, w.find('='));
      const auto it = std::find_if(row.fields.begin(), row.fields.end(),
                                   [&](const Field& f) { return f.name == name; });
      ASSERT_NE(it, row.fields.end()) << name;
      EXPECT_EQ(it->type, 'C');
      EXPECT_EQ(std::stoi(w.substr(w.find('=') + 1)), it->len + 256 * it->dec);
    }
  }

  // Unknown types are counted; bad names are found exactly where names are cleaned.
  int unknown = 0;
  for (const Field& f : want) {
    if (f.type == 0 || std::string_view(dbf::kValidTypes).find(f.type) == std::string_view::npos) {
      ++unknown;
    }
  }
  EXPECT_EQ(h.BadTypeCnt, unknown);
  EXPECT_EQ(h.BadNameCnt > 0, has(Rule::kCleanedNames) || has(Rule::kDbase7Slots));

  // Refusal: exactly the listed checks fail.
  std::set<std::string> want_refusal;
  for (const Deviation& d : devs) {
    if (d.rule == Rule::kRefused) {
      for (const std::string& w : words(d.expected)) want_refusal.insert(w);
    }
  }
  EXPECT_EQ(refusalChecks(h), want_refusal);
  EXPECT_EQ(h.HdrBad, !want_refusal.empty());
  engine.CloseDbf();
}

TEST_P(CorpusTable, EveryRecordAndFieldCanBeFetched) {
  const ManifestRow& row = GetParam();
  TCmpDbfGOra engine("");
  ASSERT_TRUE(engine.OpenDbf((kCorpusDir / row.file).string()));
  ASSERT_TRUE(engine.ReadHdr("00").isOk());
  const DbfHeader& h = engine.header();
  if (h.HdrBad) {
    // A refused header gives no records.
    EXPECT_FALSE(engine.fetchRecord(1).isOk());
    return;
  }

  // Whole records in the body: what the manifest measured where the body and the header count
  // disagree, else the header count.
  const std::optional<int64_t> room = measured(row.notes, " full records");
  EXPECT_EQ(h.RecCntData, room.value_or(row.records));
  EXPECT_EQ(engine.damage().isOk(), h.RecCnt <= h.RecCntData) << engine.damage().message();

  const int64_t last = std::min(h.RecCnt, h.RecCntData);
  int64_t deleted = 0;
  for (int64_t k = 1; k <= last; ++k) {
    Status s = engine.fetchRecord(k);
    ASSERT_TRUE(s.isOk()) << "record " << k << ": " << s.message();
    ASSERT_EQ(engine.recordString().size(), static_cast<size_t>(h.RecLenUsed) + h.TailFill.size());
    if (engine.recordDeleted()) ++deleted;
    for (int i = 1; i <= h.FldCnt; ++i) {
      ASSERT_EQ(engine.field(i).size(), static_cast<size_t>(engine.fields().FldLen[i]))
          << "record " << k << " field " << i;
    }
  }
  // No whole record lies past the body.
  EXPECT_FALSE(engine.fetchRecord(h.RecCntData + 1).isOk());
  // Deleted records as the manifest measured them (0 when it names none).
  if (last == h.RecCntData) {
    EXPECT_EQ(deleted, measured(row.notes, " deleted record(s)").value_or(0));
  }
  engine.CloseDbf();
}

std::string testName(const ::testing::TestParamInfo<ManifestRow>& info) {
  std::string name;
  for (char c : info.param.file) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTable, ::testing::ValuesIn(manifest()), testName);

// ---------------------------------------------------------------------------------------------
// The first value of the first live record, for tables whose first field is plain text.

// The first value of dbfread's record: "{'KEY': 'value', ..." (a leading "[option] " is the
// retry's mark). Empty optional when the value is not a plain quoted text.
std::optional<std::string> firstQuotedValue(std::string record) {
  if (!record.empty() && record[0] == '[') record = record.substr(record.find("] ") + 2);
  size_t colon = record.find("': ");
  if (record.rfind("{'", 0) != 0 || colon == std::string::npos) return std::nullopt;
  size_t start = colon + 3;
  if (start >= record.size()) return std::nullopt;
  const char quote = record[start];
  if (quote != '\'' && quote != '"') return std::nullopt;
  size_t end = record.find(quote, start + 1);
  if (end == std::string::npos) return std::nullopt;
  std::string value = record.substr(start + 1, end - start - 1);
  if (value.find('\\') != std::string::npos) return std::nullopt;
  return value;
}

class FirstValue : public ::testing::TestWithParam<const char*> {};

TEST_P(FirstValue, MatchesTheManifest) {
  const auto& rows = manifest();
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const ManifestRow& r) { return r.file == GetParam(); });
  ASSERT_NE(row, rows.end());
  const std::optional<std::string> want = firstQuotedValue(row->first_record);
  ASSERT_TRUE(want.has_value()) << row->first_record;
  ASSERT_EQ(row->fields.at(0).type, 'C');

  TCmpDbfGOra engine("");
  ASSERT_TRUE(engine.OpenDbf((kCorpusDir / row->file).string()));
  ASSERT_TRUE(engine.ReadHdr("00").isOk());
  ASSERT_FALSE(engine.header().HdrBad);
  // The first live record (dbfread leaves deleted records out).
  int64_t k = 1;
  for (; k <= engine.header().RecCnt; ++k) {
    ASSERT_TRUE(engine.fetchRecord(k).isOk());
    if (!engine.recordDeleted()) break;
  }
  ASSERT_TRUE(engine.GetFld(1, k).isOk());
  std::string value(engine.fieldValue());
  while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.pop_back();
  EXPECT_EQ(value, *want);
}

INSTANTIATE_TEST_SUITE_P(Corpus, FirstValue,
                         ::testing::Values("javadbf/provincias_es.dbf", "dbfdatareader/client.dbf",
                                           "dbfdatareader/dbase_03_nullchar.dbf",
                                           "dbffile/vfp9_memo_bs1.dbf", "php-xbase/dBaseIII.dbf",
                                           "pgloader/DNORDOC.DBF", "dbffile/WSPMST.DBF",
                                           "dbffile/dbase_currency.dbf", "dbffile/PYACFL.DBF"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name;
                           for (const char* p = info.param; *p; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

// ---------------------------------------------------------------------------------------------
// Corpus files with one fault put in: the caps and the refusal checks on real headers.

class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (fs::temp_directory_path() / "tarvex-corpus-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct EditedCase {
  const char* name;
  const char* source;
  int64_t cut_to;                        // -1: keep the whole file
  std::vector<std::pair<size_t, std::string>> patches;  // bytes written at an offset
  // What the reader must find.
  int32_t hdr_len;
  int64_t rec_cnt;
  int64_t rec_cnt_data;
  int32_t fld_cnt;
  int32_t rec_len_calc;
  const char* refused;   // the failing checks, as refusalChecks() names them
  const char* damage;    // a part of damage()'s message; "" when there is none
};

const EditedCase kEditedCases[] = {
    // 63 bytes: refused before anything but the first 32 bytes is taken (not even the count).
    {"Cut63", "javadbf/continents_no_header_record_terminator.dbf", 63, {}, 0, 0, 0, 0, 0,
     "too-small", ""},
    // 64 bytes: header (64) and the one descriptor are whole; the records are gone.
    {"Cut64", "javadbf/continents_no_header_record_terminator.dbf", 64, {}, 64, 7, 0, 1, 81, "",
     "cut short inside the records"},
    // Cut inside the header: the header length is capped at the file size (1000), which
    // leaves (1000 - 30) div 32 = 30 descriptors; the last field (N 9) is gone, 590 - 9 = 581
    // is within 40 of 590, so the header is taken.
    {"CutInsideHeader", "infused-dbf/dbase_03.dbf", 1000, {}, 1000, 14, 0, 30, 581, "",
     "cut short inside the header"},
    // Record count FF FF FF FF: the high word is clamped to 7FFF, and the count capped at
    // 2147483647 div 2 (record length 2); far more than the file's size, so refused.
    {"CountAllOnes", "shapefile-js/boolean-property.dbf", -1, {{4, "\xFF\xFF\xFF\xFF"}}, 65,
     1073741823, 9, 1, 2, "records>file-size", ""},
    // Count 00 00 00 80: high word 8000 becomes 7FFF; capped at 2147483647 div 75.
    {"CountHighWord8000", "javadbf/provincias_es.dbf", -1, {{4, std::string("\0\0\0\x80", 4)}},
     193, 28633115, 52, 5, 75, "records>file-size", ""},
    // FLUGHOEHE's decimal byte (descriptor 10, byte 17) cleared: C(8), and the ten fields fit
    // the record length 121; no second pass is needed.
    {"FlughoeheDecimalByteCleared", "javadbf/wrong-exented-character-field.dbf", -1,
     {{32 * 10 + 17, std::string("\0", 1)}}, 353, 16, 16, 10, 121, "", ""},
};

void PrintTo(const EditedCase& c, std::ostream* os) { *os << c.name << " (" << c.source << ")"; }

class EditedCorpusFile : public ::testing::TestWithParam<EditedCase> {};

TEST_P(EditedCorpusFile, ReaderFindsTheFault) {
  const EditedCase& c = GetParam();
  ScratchDir dir;
  std::string bytes = readBytes(kCorpusDir / c.source);
  ASSERT_FALSE(bytes.empty());
  if (c.cut_to >= 0) bytes.resize(static_cast<size_t>(c.cut_to));
  for (const auto& [offset, patch] : c.patches) {
    ASSERT_NE(bytes.substr(offset, patch.size()), patch) << "the edit changes nothing";
    bytes.replace(offset, patch.size(), patch);
  }
  const fs::path file = dir.path() / "edited.dbf";
  writeBytes(file, bytes);

  TCmpDbfGOra engine("");
  ASSERT_TRUE(engine.OpenDbf(file.string()));
  ASSERT_TRUE(engine.ReadHdr("00").isOk());
  const DbfHeader& h = engine.header();
  EXPECT_EQ(h.HdrLen, c.hdr_len);
  EXPECT_EQ(h.RecCnt, c.rec_cnt);
  EXPECT_EQ(h.FldCnt, c.fld_cnt);
  std::set<std::string> want_refused;
  for (const std::string& w : words(c.refused)) want_refused.insert(w);
  EXPECT_EQ(refusalChecks(h), want_refused);
  EXPECT_EQ(h.HdrBad, !want_refused.empty());
  if (!h.HdrBad) {
    EXPECT_EQ(h.RecCntData, c.rec_cnt_data);
    EXPECT_EQ(h.RecLenCalc, c.rec_len_calc);
    Status damage = engine.damage();
    if (std::string_view(c.damage).empty()) {
      EXPECT_TRUE(damage.isOk()) << damage.message();
    } else {
      EXPECT_NE(damage.message().find(c.damage), std::string::npos) << damage.message();
    }
    for (int64_t k = 1; k <= std::min(h.RecCnt, h.RecCntData); ++k) {
      ASSERT_TRUE(engine.fetchRecord(k).isOk());
      for (int i = 1; i <= h.FldCnt; ++i) {
        EXPECT_EQ(engine.field(i).size(), static_cast<size_t>(engine.fields().FldLen[i]));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, EditedCorpusFile, ::testing::ValuesIn(kEditedCases),
                         [](const ::testing::TestParamInfo<EditedCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// tarvex-cli info on corpus files.

struct CliRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

CliRun runCli(const std::vector<std::string>& args) {
  ScratchDir dir;
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string command = quote(TARVEX_CLI_PATH);
  for (const std::string& a : args) command += " " + quote(a);
  command += " >" + quote((dir.path() / "out").string()) + " 2>" +
             quote((dir.path() / "err").string());
  CliRun run;
  const int status = std::system(command.c_str());
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readBytes(dir.path() / "out");
  run.err = readBytes(dir.path() / "err");
  return run;
}

std::set<std::string> lines(const std::string& text) {
  std::set<std::string> out;
  for (std::string& l : split(text, '\n')) {
    if (!l.empty()) out.insert(std::move(l));
  }
  return out;
}

struct CliCase {
  const char* name;
  std::string path;                 // the argument of "info"
  bool sound;                       // exit status 0 and nothing on stderr
  std::vector<const char*> out;     // lines that stdout must hold
  const char* err;                  // a part of the one stderr line ("" when sound)
};

const std::string kMissing = (kCorpusDir / "no-such-folder" / "missing.dbf").string();

const CliCase kCliCases[] = {
    {"Dbase03", (kCorpusDir / "infused-dbf/dbase_03.dbf").string(), true,
     {"version 0x03", "records 14", "records_data 14", "header_length 1025", "record_length 590",
      "fields 31", "refused no", "field 1 POINT_ID C 12 0 2", "field 11 MAX_PDOP N 5 1 252",
      "field 31 POINT_ID N 9 0 582"},
     ""},
    {"FolderRoot", (kCorpusDir / "dbfdatareader/FolderRoot.dbf").string(), true,
     {"version 0x31", "records 9", "header_length 616", "record_length 3558", "fields 10",
      "refused no", "field 1 NAME C 1040 0 2", "field 10 TS 7 8 0 3551"},
     ""},
    {"RefusedNullFlags", (kCorpusDir / "infused-dbf/dbase_31.dbf").string(), true,
     {"version 0x31", "records 77", "refused yes", "field 11 ANULLFLAGS 0 1 0 95"}, ""},
    {"Missing", kMissing, false, {}, "missing.dbf"},
    {"Folder", (kCorpusDir / "infused-dbf").string(), false, {}, "infused-dbf"},
    {"CutShortInsideRecords",
     (kCorpusDir / "infused-dbf/dbase_8b_incorrect_record_count.dbf").string(), false,
     {"version 0x8B", "records 15", "records_data 10", "refused no"},
     "cut short inside the records"},
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name << " (" << c.path << ")"; }

class CliInfo : public ::testing::TestWithParam<CliCase> {};

TEST_P(CliInfo, ReportsTheFile) {
  const CliCase& c = GetParam();
  const CliRun run = runCli({"info", c.path});
  const std::set<std::string> out = lines(run.out);
  for (const char* want : c.out) EXPECT_TRUE(out.count(want)) << want << "\n--- stdout:\n" << run.out;
  if (c.sound) {
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.exit_code, 0);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CliInfo, ::testing::ValuesIn(kCliCases),
                         [](const ::testing::TestParamInfo<CliCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tarvex
