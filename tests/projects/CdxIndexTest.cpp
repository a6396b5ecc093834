#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "projects/CdxIndex.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::HasSubstr;

const std::string kCorpusCdx = std::string(TARVEX_CORPUS_DIR) + "/php-xbase/issue115.cdx";

// A compound index file written by FoxPro: tags COD and DENUMIRE over issue115.dbf, one key each.
TEST(CdxIndexTest, ReadsTheFoxProFileOfTheCorpus) {
  std::vector<CdxTag> tags;
  ASSERT_TRUE(readCdxFile(kCorpusCdx, &tags).isOk());
  ASSERT_EQ(tags.size(), 2u);

  const CdxTag& cod = tags[0];
  EXPECT_EQ(cod.name, "COD");
  EXPECT_EQ(cod.keyExpr, "cod");
  EXPECT_EQ(cod.forExpr, ".NOT.DELETED()");
  EXPECT_EQ(cod.keyLength, 4);
  EXPECT_FALSE(cod.unique);
  EXPECT_FALSE(cod.descending);
  ASSERT_EQ(cod.keys.size(), 1u);
  EXPECT_EQ(cod.keys[0].key, "0001");
  EXPECT_EQ(cod.keys[0].recno, 1);

  const CdxTag& name = tags[1];
  EXPECT_EQ(name.name, "DENUMIRE");
  EXPECT_EQ(name.keyExpr, "denumire");
  EXPECT_EQ(name.forExpr, "");
  EXPECT_EQ(name.keyLength, 36);
  ASSERT_EQ(name.keys.size(), 1u);
  EXPECT_EQ(name.keys[0].key, "AGENTUL" + std::string(29, ' '));  // 29 trailing blanks packed away
  EXPECT_EQ(name.keys[0].recno, 1);

  // The index is older than its table: the table counts 9 records.
  const std::string dbf =
      test::readFile(std::string(TARVEX_CORPUS_DIR) + "/php-xbase/issue115.dbf");
  ASSERT_GT(dbf.size(), 8u);
  EXPECT_EQ(static_cast<uint8_t>(dbf[4]), 9);
}

// Keys for a tag: n keys of the given length made from a seeded generator, sorted; record
// numbers up to max_recno; with few distinct beginnings so that duplicate-byte packing is used.
CdxTag makeTag(const std::string& name, size_t n, int key_length, int64_t max_recno,
               unsigned seed) {
  CdxTag t;
  t.name = name;
  t.keyExpr = "K";
  t.keyLength = key_length;
  std::mt19937 gen(seed);
  for (size_t i = 0; i < n; ++i) {
    std::string key;
    const size_t used = gen() % (static_cast<size_t>(key_length) + 1);  // the rest are blanks
    for (size_t j = 0; j < used; ++j)
      key += static_cast<char>(j < 3 ? 'A' + gen() % 2 : 0x21 + gen() % 200);
    key.resize(static_cast<size_t>(key_length), ' ');
    t.keys.push_back({key, 1 + static_cast<int64_t>(gen() % static_cast<unsigned>(max_recno))});
  }
  std::sort(t.keys.begin(), t.keys.end(), [](const CdxTag::Key& a, const CdxTag::Key& b) {
    return a.key != b.key ? a.key < b.key : a.recno < b.recno;
  });
  return t;
}

TEST(CdxIndexTest, WrittenTagsReadBackKeyForKey) {
  struct Shape {
    const char* what;
    size_t keys;
    int keyLength;
    int64_t maxRecno;
  };
  // Shapes that need one leaf, many leaves, interior levels (long keys leave room for only two
  // children per interior page), and record numbers of 1 to 3 bytes.
  const Shape shapes[] = {{"empty tag", 0, 6, 1},        {"one key", 1, 1, 1},
                          {"one leaf", 40, 6, 100},      {"many leaves", 3000, 12, 70000},
                          {"deep tree", 600, 240, 5000}, {"big record numbers", 2000, 4, 16000000}};
  test::TempDir dir;
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.what);
    std::vector<CdxTag> tags = {makeTag("T1", s.keys, s.keyLength, s.maxRecno, 7),
                                makeTag("A2", s.keys / 2, s.keyLength, s.maxRecno, 8)};
    tags[1].forExpr = "FLAG='Y'";
    tags[1].unique = true;
    const std::string path = dir.file("X.CDX");
    ASSERT_TRUE(writeCdxFile(path, tags).isOk());
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(bytes.size() % 512, 0u);
    std::vector<CdxTag> back;
    Status st = readCdxFile(path, &back);
    ASSERT_TRUE(st.isOk()) << st.message();
    ASSERT_EQ(back.size(), 2u);
    // The directory lists the tags by name.
    const CdxTag* expected[] = {&tags[1], &tags[0]};
    for (size_t i = 0; i < 2; ++i) {
      const CdxTag& e = *expected[i];
      const CdxTag& b = back[i];
      EXPECT_EQ(b.name, e.name);
      EXPECT_EQ(b.keyExpr, e.keyExpr);
      EXPECT_EQ(b.forExpr, e.forExpr);
      EXPECT_EQ(b.unique, e.unique);
      EXPECT_EQ(b.keyLength, e.keyLength);
      ASSERT_EQ(b.keys.size(), e.keys.size());
      for (size_t k = 0; k < e.keys.size(); ++k) {
        ASSERT_EQ(b.keys[k].key, e.keys[k].key) << "key " << k;
        ASSERT_EQ(b.keys[k].recno, e.keys[k].recno) << "key " << k;
      }
    }
  }
}

TEST(CdxIndexTest, WriterRefusesWhatTheLayoutCannotHold) {
  test::TempDir dir;
  CdxTag long_key = makeTag("T", 1, kCdxMaxKeyLength + 1, 1, 1);
  CdxTag bad_name = makeTag("ELEVENCHARS", 1, 4, 1, 1);
  CdxTag wrong_width = makeTag("T", 2, 4, 1, 1);
  wrong_width.keys[1].key = "ABC";
  for (const CdxTag* t : {&long_key, &bad_name, &wrong_width}) {
    SCOPED_TRACE(t->name);
    Status s = writeCdxFile(dir.file("X.CDX"), {*t});
    EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
    EXPECT_THAT(s.message(), HasSubstr("X.CDX"));
  }
}

// Damage: every case must be kCorrupt naming the file, never a crash.
TEST(CdxIndexTest, DamagedFilesAreErrorsNamingTheFile) {
  const std::string good = test::readFile(kCorpusCdx);
  ASSERT_EQ(good.size(), 4608u);
  auto with = [&](size_t at, std::string bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"cut inside a page", good.substr(0, 4000)},
      {"only the header", good.substr(0, 1024)},
      {"directory root outside the file", with(0, std::string("\x00\x40\x00\x00", 4))},
      {"directory root not on a page", with(0, std::string("\x10\x04\x00\x00", 4))},
      {"tag header outside the file", with(0x418, std::string("\x00\x70", 2))},
      {"leaf pointing right at itself", with(0x1008, std::string("\x00\x10\x00\x00", 4))},
      {"entry bits that do not add up", with(0x1014, std::string("\x20\x20\x20\x01", 4))},
      {"duplicate count beyond the key", with(0xa18, std::string("\xff\x03", 2))},
      {"key bytes overrunning the entries", with(0xa02, std::string("\xc8\x00", 2))},
      {"key length zero", with(0xc0c, std::string("\x00\x00", 2))},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.file("BAD.CDX");
    test::writeFile(path, c.bytes);
    std::vector<CdxTag> tags;
    Status s = readCdxFile(path, &tags);
    EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
    EXPECT_THAT(s.message(), HasSubstr(path));
  }
  std::vector<CdxTag> tags;
  EXPECT_EQ(readCdxFile(dir.file("NONE.CDX"), &tags).kind(), Status::Kind::kNotFound);
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// Bytes of the FoxPro file damaged at random: the reader returns kCorrupt naming the file or
// tags whose keys all have the tag's length, never a crash.
TEST(CdxIndexTest, RandomlyDamagedFilesGiveErrorsOrWellFormedTags) {
  const std::string good = test::readFile(kCorpusCdx);
  std::mt19937 gen(99);
  test::TempDir dir;
  const std::string path = dir.file("R.CDX");
  int read_ok = 0;
  for (int round = 0; round < 400; ++round) {
    std::string b = good;
    // Damage where the structure lives: headers, page headers and the key areas.
    static const size_t kSpots[] = {0,     0x400, 0x5f0, 0x600,  0x7f0,
                                    0xa00, 0xbf0, 0xc00, 0x1000, 0x11e8};
    for (int k = 0; k < 1 + round % 3; ++k) {
      b[kSpots[gen() % std::size(kSpots)] + gen() % 24] = static_cast<char>(gen() % 256);
    }
    test::writeFile(path, b);
    std::vector<CdxTag> tags;
    Status s = readCdxFile(path, &tags);
    if (!s.isOk()) {
      EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
      EXPECT_THAT(s.message(), HasSubstr(path));
      continue;
    }
    ++read_ok;
    for (const CdxTag& t : tags) {
      for (const CdxTag::Key& k : t.keys) EXPECT_EQ(k.key.size(), static_cast<size_t>(t.keyLength));
    }
  }
  EXPECT_GT(read_ok, 0);
}

}  // namespace
}  // namespace tarvex
