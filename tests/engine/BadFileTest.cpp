// The bad file's rebuilt header: lengths worked out by the reader replace the stored ones.
#include <gtest/gtest.h>

#include "common/FileIo.h"
#include "engine/BadFile.h"
#include "engine/CmpDbfGOra.h"
#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::DbfBuilder;

uint32_t le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}

class BadFileTest : public ::testing::Test {
 protected:
  // Reads the source with the engine, writes every record into a bad file and returns it.
  std::string copy(const std::string& source_bytes, int records) {
    test::writeFile(dir_.file("src.dbf"), source_bytes);
    EXPECT_TRUE(engine_.OpenDbf(dir_.file("src.dbf")));
    EXPECT_TRUE(engine_.ReadHdr("16").isOk());
    ReadOnlyFile source;
    EXPECT_TRUE(source.open(dir_.file("src.dbf")).isOk());
    BadFile bad;
    EXPECT_TRUE(bad.create(dir_.file("bad.dbf"), source, engine_.header(), engine_.fields(),
                           engine_.options()).isOk());
    for (int k = 1; k <= records; ++k) {
      EXPECT_TRUE(engine_.fetchRecord(k).isOk());
      EXPECT_TRUE(bad.append(engine_.recordString()).isOk());
    }
    EXPECT_TRUE(bad.finish(set_last_update_).isOk());
    engine_.CloseDbf();
    return test::readFile(dir_.file("bad.dbf"));
  }

  test::TempDir dir_;
  TCmpDbfGOra engine_{dir_.path()};
  bool set_last_update_ = false;
};

TEST_F(BadFileTest, HeaderLengthMakesRoomForTheTerminator) {
  for (uint16_t stored : {96, 97}) {
    SCOPED_TRACE(stored);
    // Two descriptors; the records start at the stored header length, so with 96 the
    // source has no terminator at all.
    std::string source = DbfBuilder()
                             .field("A", 'C', 30)
                             .field("B", 'C', 30)
                             .storedHeaderLength(stored)
                             .endMarker(false)
                             .build();
    source.resize(stored);
    source += " " + std::string(60, 'a') + "\x1A";
    std::string bad = copy(source, 1);
    EXPECT_EQ(le(bad, 8, 2), 97u);
    EXPECT_EQ(bad[96], '\x0D');
    EXPECT_EQ(bad.substr(97, 61), " " + std::string(60, 'a'));
  }
}

TEST_F(BadFileTest, LongHeaderAreaIsKeptUnlessExclBit1) {
  const std::string source = DbfBuilder()
                                 .version(0x30)
                                 .areaAfterDescriptors(263)
                                 .field("A", 'C', 40)
                                 .field("B", 'C', 5)
                                 .record(" " + std::string(45, 'x'))
                                 .build();
  std::string kept = copy(source, 1);
  EXPECT_EQ(le(kept, 8, 2), 360u);
  EXPECT_EQ(kept[359], '\x0D');
  engine_.options().ExclBit1 = true;
  std::string cut = copy(source, 1);
  EXPECT_EQ(le(cut, 8, 2), 97u);
  EXPECT_EQ(cut[96], '\x0D');
  EXPECT_EQ(cut.substr(97, 46), " " + std::string(45, 'x'));
  EXPECT_EQ(cut.size(), 97u + 46u + 1u);
}

TEST_F(BadFileTest, CountEndMarkerAndDate) {
  DbfBuilder b;
  b.date(99, 1, 2).field("A", 'C', 40);
  for (int k = 0; k < 5; ++k) b.record(" " + std::string(40, static_cast<char>('a' + k)));
  std::string bad = copy(b.build(), 3);
  EXPECT_EQ(bad.substr(4, 4), std::string("\x03\x00\x00\x00", 4));
  EXPECT_EQ(bad.back(), '\x1A');
  EXPECT_EQ(bad.size(), 65u + 3u * 41u + 1u);
  EXPECT_EQ(bad.substr(1, 3), "\x63\x01\x02");  // the source's date
  set_last_update_ = true;
  bad = copy(b.build(), 1);
  CivilDate now = today();
  EXPECT_EQ(static_cast<uint8_t>(bad[1]), now.year - 2000);
  EXPECT_EQ(static_cast<uint8_t>(bad[2]), now.month);
  EXPECT_EQ(static_cast<uint8_t>(bad[3]), now.day);
}

TEST_F(BadFileTest, RecordLengthStatesWhatIsWritten) {
  // Header says 13 while the fields need 11 + ... : the header's length is trusted, and the
  // excess becomes an added field with a descriptor of its own in the copy.
  engine_.options().LngIsCorInHdr = true;
  engine_.options().CreateNewFld = true;
  engine_.options().NmFldSuplim = "EXTRA";
  DbfBuilder b;
  b.field("A", 'C', 10).storedRecordLength(13);
  std::string src = b.build();
  src.pop_back();  // no end marker
  // Records start 32 bytes after the stored header length.
  src += std::string(32, '#');
  src += " 0123456789XY";
  std::string bad = copy(src, 1);
  EXPECT_EQ(le(bad, 10, 2), 13u);
  EXPECT_EQ(le(bad, 8, 2), 97u);
  EXPECT_EQ(bad.substr(64, 5), std::string("EXTRA", 5));
  EXPECT_EQ(bad[64 + 11], 'C');
  EXPECT_EQ(static_cast<uint8_t>(bad[64 + 16]), 2);
  EXPECT_EQ(bad[96], '\x0D');
  EXPECT_EQ(bad.substr(97, 13), " 0123456789XY");
}

}  // namespace
}  // namespace tarvex
