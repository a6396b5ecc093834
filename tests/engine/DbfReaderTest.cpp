#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/CmpDbfGOra.h"
#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::DbfBuilder;
using ::testing::ElementsAre;

class DbfReaderTest : public ::testing::Test {
 protected:
  // Writes the bytes as a DBF file, opens it and reads its header.
  const DbfHeader& read(const std::string& bytes, const std::string& name = "t.dbf") {
    path_ = dir_.file(name);
    test::writeFile(path_, bytes);
    engine_.CloseDbf();
    EXPECT_TRUE(engine_.OpenDbf(path_)) << engine_.lastError().message();
    EXPECT_TRUE(engine_.ReadHdr("00").isOk());
    return engine_.header();
  }

  test::TempDir dir_;
  std::string path_;
  TCmpDbfGOra engine_{dir_.path()};
};

TEST_F(DbfReaderTest, SoundFileLayout) {
  const DbfHeader& h = read(DbfBuilder()
                                .date(124, 5, 17)
                                .field("name", 'C', 10)
                                .field("BORN", 'D', 8)
                                .field("SAL", 'N', 8, 2)
                                .field("RATE", 'F', 10, 2)
                                .record(" SMITH     19700101   12.50      1.25")
                                .build());
  EXPECT_EQ(h.version(), 0x03);
  EXPECT_EQ(h.FldCnt, 4);
  EXPECT_EQ(h.HdrLen, 32 + 4 * 32 + 1);
  EXPECT_EQ(h.HdrLenCalc, 4 * 32 + 33);
  EXPECT_EQ(h.RecLenHdr, 37);
  EXPECT_EQ(h.RecLenCalc, 37);
  EXPECT_EQ(h.RecLenUsed, 37);
  EXPECT_EQ(h.RecCnt, 1);
  EXPECT_EQ(h.RecCntData, 1);  // the end marker is not a record
  EXPECT_EQ(h.HdrYear, 2024);
  EXPECT_EQ(h.HdrMonth, 5);
  EXPECT_EQ(h.HdrDay, 17);
  EXPECT_FALSE(h.HdrBad);
  const Rec_Fld& f = engine_.fields();
  EXPECT_THAT(f.FldNames, ElementsAre("NAME", "BORN", "SAL", "RATE"));
  EXPECT_THAT(f.FldTypes, ElementsAre('C', 'D', 'N', 'F'));
  EXPECT_THAT(f.FldLen, ElementsAre(0, 10, 8, 8, 10));
  EXPECT_THAT(f.FldDec, ElementsAre(0, 0, 0, 2, 0));  // "F" keeps no decimals
  EXPECT_THAT(f.FldPos, ElementsAre(0, 2, 12, 20, 28, 38));
  EXPECT_EQ(engine_.FldLenByName("SAL"), 8);
  EXPECT_EQ(engine_.FldLenByName("sal"), 0);  // exact match on the cleaned name
  EXPECT_TRUE(engine_.damage().isOk());

  ASSERT_TRUE(engine_.GetFld(3, 1).isOk());
  EXPECT_EQ(engine_.fieldValue(), "   12.50");
  EXPECT_FALSE(engine_.recordDeleted());
  EXPECT_EQ(engine_.TipOperS(), "00");

  Rec_Fld copy;
  ASSERT_TRUE(engine_.ReadHdrInfo("16", &copy).isOk());
  EXPECT_EQ(copy.FldNames, f.FldNames);
  EXPECT_EQ(engine_.TipOperS(), "16");
}

TEST_F(DbfReaderTest, HeaderDateYearRule) {
  struct Case {
    uint8_t byte;
    int year;
  } cases[] = {{30, 1930}, {99, 1999}, {0, 2000}, {29, 2029}, {100, 2000}, {126, 2026}, {199, 2099}};
  for (const Case& c : cases) {
    const DbfHeader& h = read(DbfBuilder().date(c.byte, 1, 1).field("A", 'C', 40).build());
    EXPECT_EQ(h.HdrYear, c.year) << int(c.byte);
  }
}

TEST_F(DbfReaderTest, FieldNamesAreCleaned) {
  const DbfHeader& h = read(DbfBuilder()
                                .field(std::string("\x01" "AB", 3), 'C', 10)
                                .field("NA ME", 'C', 10)
                                .field(std::string(11, '\0'), 'C', 10)
                                .field("9X", 'C', 10)
                                .field("ABCDEFGHIJK", 'C', 10)  // byte 10 never counts
                                .field(std::string("AB\0\x01", 4), 'C', 10)  // after the end
                                .field("lower", 'C', 10)
                                .build());
  EXPECT_THAT(engine_.fields().FldNames,
              ElementsAre("AAB", "NA_ME", "B", "CX", "ABCDEFGHIJ", "AB", "LOWER"));
  EXPECT_EQ(h.BadNameCnt, 4);
  EXPECT_EQ(h.BadTypeCnt, 0);
  EXPECT_FALSE(h.HdrBad);  // bad names alone are accepted
}

TEST_F(DbfReaderTest, BadNamesAndBadTypesTogetherRefuse) {
  EXPECT_FALSE(read(DbfBuilder().field("A", 'x', 10).field("B", 'C', 10).build()).HdrBad);
  EXPECT_TRUE(read(DbfBuilder().field("_A", 'x', 10).field("B", 'C', 10).build()).HdrBad);
  EXPECT_EQ(engine_.header().BadTypeCnt, 1);
}

TEST_F(DbfReaderTest, LengthsAndDecimalsByType) {
  read(DbfBuilder()
           .field("NOTE", 'C', 300)  // bytes 16-17 = 2C 01
           .field("N", 'N', 12, 3)
           .field("F", 'F', 12, 3)
           .field("L", 'L', 1, 5)
           .build());
  EXPECT_THAT(engine_.fields().FldLen, ElementsAre(0, 300, 12, 12, 1));
  EXPECT_THAT(engine_.fields().FldDec, ElementsAre(0, 0, 3, 0, 0));
}

TEST_F(DbfReaderTest, DescriptorCountByLayout) {
  // Long layout (0x30..0x32): header length 296 + 32n holds n descriptors.
  for (uint8_t version : {0x30, 0x31, 0x32}) {
    const DbfHeader& h =
        read(DbfBuilder().version(version).areaAfterDescriptors(263).field("A", 'C', 5).field(
                 "B", 'N', 5).build());
    EXPECT_EQ(h.HdrLen, 296 + 2 * 32);
    EXPECT_EQ(h.FldCnt, 2) << int(version);
    EXPECT_TRUE(h.LongLayout);
    EXPECT_FALSE(h.HdrBad);
  }
  // Short layout: 33 + 32n.
  const DbfHeader& h = read(DbfBuilder().field("A", 'C', 40).field("B", 'C', 5).build());
  EXPECT_EQ(h.HdrLen, 33 + 2 * 32);
  EXPECT_EQ(h.FldCnt, 2);
  EXPECT_FALSE(h.LongLayout);
}

TEST_F(DbfReaderTest, LongHeaderWithShortVersionIsRescuedBySecondPass) {
  // A long header under version 0x03: the short rule reads the zero area as descriptors,
  // finds bad names and bad types, and the second pass counts by the long rule.
  const DbfHeader& h = read(DbfBuilder()
                                .version(0x03)
                                .areaAfterDescriptors(263)
                                .field("A", 'C', 5)
                                .field("B", 'N', 5)
                                .record(" abcde12345")
                                .build());
  EXPECT_EQ(h.HdrLen, 360);
  EXPECT_EQ(h.FldCnt, 2);
  EXPECT_TRUE(h.LongLayout);
  EXPECT_FALSE(h.HdrBad);
  ASSERT_TRUE(engine_.GetFld(2, 1).isOk());
  EXPECT_EQ(engine_.fieldValue(), "12345");
}

TEST_F(DbfReaderTest, SizeLimits) {
  // 63 bytes are refused outright; 64 bytes are judged by the other checks.
  std::string sound = DbfBuilder().field("A", 'C', 40).build();  // 32+32+1+1 = 66 bytes
  EXPECT_TRUE(read(sound.substr(0, 63)).HdrBad);
  const DbfHeader& h = read(DbfBuilder().field("A", 'C', 40).endMarker(false).build().substr(0, 64));
  EXPECT_EQ(h.FileSize, 64);
  EXPECT_EQ(h.HdrLen, 64);  // capped at the file size
  EXPECT_EQ(h.FldCnt, 1);
  EXPECT_FALSE(h.HdrBad);
  EXPECT_FALSE(engine_.damage().isOk());  // the stored length 65 lies beyond the end
}

TEST_F(DbfReaderTest, RecordCountIsClampedAndCapped) {
  const DbfHeader& h = read(DbfBuilder()
                                .field("A", 'C', 40)
                                .storedRecordCount(0xFFFFFFFF)
                                .storedRecordLength(0)
                                .build());
  EXPECT_EQ(h.RecCnt, 2147483647);  // high word clamped, never negative
  EXPECT_TRUE(h.HdrBad);
  const DbfHeader& h2 = read(DbfBuilder().field("A", 'C', 10).storedRecordCount(0xFFFFFFFF).build());
  EXPECT_EQ(h2.RecCnt, 2147483647 / 11);
  EXPECT_TRUE(h2.HdrBad);  // more records than the file has bytes
}

TEST_F(DbfReaderTest, RecordLengthSkewOfMoreThan40Refuses) {
  EXPECT_FALSE(read(DbfBuilder().field("A", 'C', 10).storedRecordLength(11 + 40).build()).HdrBad);
  EXPECT_TRUE(read(DbfBuilder().field("A", 'C', 10).storedRecordLength(11 + 41).build()).HdrBad);
  EXPECT_TRUE(read(DbfBuilder().field("A", 'C', 10).storedRecordLength(1).build()).HdrBad);
}

TEST_F(DbfReaderTest, HeaderRecordLengthBeyondFieldsAddsAField) {
  // Fields sum to 10 (+1 = 11); the header says 12.
  DbfBuilder b;
  b.field("A", 'C', 4).field("B", 'C', 6).storedRecordLength(12);
  for (char c = 'a'; c < 'a' + 6; ++c) b.record(" " + std::string(11, c));
  const std::string bytes = b.build();

  // Without LngIsCorInHdr the records are stepped by the fields' length.
  const DbfHeader& plain = read(bytes);
  EXPECT_EQ(plain.RecLenUsed, 11);
  EXPECT_EQ(plain.FldCnt, 2);
  ASSERT_TRUE(engine_.fetchRecord(2).isOk());
  EXPECT_EQ(engine_.recordString(), bytes.substr(97 + 11, 11));

  engine_.options().LngIsCorInHdr = true;
  engine_.options().CreateNewFld = true;
  engine_.options().NmFldSuplim = "EXTRA";
  const DbfHeader& h = read(bytes);
  EXPECT_EQ(h.RecLenUsed, 12);
  EXPECT_EQ(h.FldCnt, 3);
  EXPECT_EQ(h.HdrLen, 97 + 32);  // records are located 32 bytes further
  EXPECT_EQ(h.RecCntData, (static_cast<int64_t>(bytes.size()) - 97) / 12);
  EXPECT_THAT(engine_.fields().FldNames, ElementsAre("A", "B", "EXTRA"));
  EXPECT_THAT(engine_.fields().FldLen, ElementsAre(0, 4, 6, 1));
  EXPECT_THAT(engine_.fields().FldPos, ElementsAre(0, 2, 6, 12, 13));
  ASSERT_TRUE(engine_.fetchRecord(1).isOk());
  EXPECT_EQ(engine_.recordString(), bytes.substr(129, 12));

  // LngIsCorInHdr alone: records of the header's length, no field added.
  engine_.options().CreateNewFld = false;
  const DbfHeader& h2 = read(bytes);
  EXPECT_EQ(h2.RecLenUsed, 12);
  EXPECT_EQ(h2.FldCnt, 2);
  EXPECT_EQ(h2.HdrLen, 97);
}

TEST_F(DbfReaderTest, RecordsShorterThanFieldsAreFilled) {
  engine_.options().LngIsCorInHdr = true;
  struct Case {
    int decimals;
    const char* want;
  } cases[] = {{2, "  12345000"}, {0, "     12345"}};
  for (const Case& c : cases) {
    // Records hold 3 bytes fewer than C(5) + N(10).
    DbfBuilder b;
    b.field("NAME", 'C', 5).field("AMOUNT", 'N', 10, c.decimals).storedRecordLength(13);
    b.record(" HELLO  12345").record("*WORLD  12345");
    const DbfHeader& h = read(b.build());
    EXPECT_FALSE(h.HdrBad);
    for (int k = 1; k <= 2; ++k) {
      ASSERT_TRUE(engine_.GetFld(2, k).isOk());
      EXPECT_EQ(engine_.fieldValue(), c.want) << "decimals " << c.decimals;
    }
    EXPECT_TRUE(engine_.recordDeleted());
  }
  // A last field that is not numeric is completed with blanks.
  DbfBuilder b;
  b.field("NAME", 'C', 5).field("CITY", 'C', 6).storedRecordLength(9);
  b.record(" HELLOPar");
  read(b.build());
  ASSERT_TRUE(engine_.GetFld(2, 1).isOk());
  EXPECT_EQ(engine_.fieldValue(), "Par   ");
  EXPECT_EQ(engine_.recordString(), " HELLOPar   ");
}

TEST_F(DbfReaderTest, RecordsAreServedAcrossBlocks) {
  // 2000 records of 101 bytes span several 64 KiB blocks.
  DbfBuilder b;
  b.field("ID", 'C', 100);
  constexpr int kRecords = 2000;
  for (int k = 1; k <= kRecords; ++k) {
    std::string id = std::to_string(k);
    b.record((k % 7 == 0 ? "*" : " ") + id + std::string(100 - id.size(), '.'));
  }
  read(b.build());
  for (int k : {1, 2, 649, 650, 651, 1999, 2000, 1, 1300, 3}) {
    ASSERT_TRUE(engine_.GetFld(1, k).isOk()) << k;
    std::string id = std::to_string(k);
    EXPECT_EQ(engine_.fieldValue(), id + std::string(100 - id.size(), '.'));
    EXPECT_EQ(engine_.recordDeleted(), k % 7 == 0);
  }
}

TEST_F(DbfReaderTest, RecordsBeyondTheBodyAreErrorsNamingFileAndRecord) {
  std::string bytes = DbfBuilder()
                          .field("A", 'C', 10)
                          .record(" 0123456789")
                          .record(" abcdefghij")
                          .storedRecordCount(3)
                          .endMarker(false)
                          .build();
  bytes.resize(bytes.size() - 4);  // the second record is cut short
  const DbfHeader& h = read(bytes);
  EXPECT_EQ(h.RecCnt, 3);
  EXPECT_EQ(h.RecCntData, 1);
  Status damage = engine_.damage();
  EXPECT_EQ(damage.kind(), Status::Kind::kCorrupt);
  EXPECT_NE(damage.message().find(path_), std::string::npos);
  EXPECT_NE(damage.message().find("cut short inside the records"), std::string::npos);

  EXPECT_TRUE(engine_.GetFld(1, 1).isOk());
  Status s = engine_.GetFld(1, 2);
  EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
  EXPECT_NE(s.message().find("record 2"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find(path_), std::string::npos);
  EXPECT_FALSE(engine_.GetFld(1, 3).isOk());
  EXPECT_FALSE(engine_.GetFld(1, 0).isOk());
  EXPECT_FALSE(engine_.GetFld(2, 1).isOk());  // no field 2
}

TEST_F(DbfReaderTest, RefusedHeaderGivesNoRecords) {
  read(DbfBuilder().field("A", 'C', 10).storedRecordLength(1).record(" 0123456789").build());
  EXPECT_TRUE(engine_.header().HdrBad);
  EXPECT_FALSE(engine_.fetchRecord(1).isOk());
}

TEST_F(DbfReaderTest, OpenStatuses) {
  test::writeFile(dir_.file("a.dbf"), DbfBuilder().field("A", 'C', 40).build());
  TCmpDbfGOra engine(dir_.path());
  EXPECT_FALSE(engine.isFileOpen());

  EXPECT_FALSE(engine.OpenDbf(dir_.file("missing.dbf")));
  EXPECT_EQ(engine.openStatus(), TCmpDbfGOra::kMissing);
  EXPECT_FALSE(engine.isFileOpen());

  EXPECT_FALSE(engine.OpenDbf(dir_.path()));  // a folder
  EXPECT_EQ(engine.openStatus(), TCmpDbfGOra::kOpenFailed);
  EXPECT_NE(engine.lastError().message().find(dir_.path()), std::string::npos);

  EXPECT_TRUE(engine.OpenDbf("\"" + dir_.file("a.dbf") + "\""));  // quotes are removed
  EXPECT_EQ(engine.openStatus(), TCmpDbfGOra::kOpened);
  EXPECT_EQ(engine.dbfPath(), dir_.file("a.dbf"));

  EXPECT_FALSE(engine.OpenDbf(dir_.file("a.dbf")));
  EXPECT_EQ(engine.openStatus(), TCmpDbfGOra::kAlreadyOpen);
  EXPECT_TRUE(engine.isFileOpen());  // the open file stays open
  ASSERT_TRUE(engine.ReadHdr("00").isOk());
  EXPECT_EQ(engine.header().FldCnt, 1);

  engine.CloseDbf();
  EXPECT_FALSE(engine.isFileOpen());
  EXPECT_EQ(engine.fields().count(), 0);
}

class RecordingLog : public LogSink {
 public:
  void AddLine(std::string_view line) override { lines.emplace_back(line); }
  bool hasView() const override { return attached; }
  std::vector<std::string> lines;
  bool attached = true;
};

class RecordingBoxes : public MessageSink {
 public:
  void showError(std::string_view text) override { texts.emplace_back(text); }
  std::vector<std::string> texts;
};

TEST_F(DbfReaderTest, HeaderReadWithoutOpenFileIsReported) {
  test::writeFile(dir_.file("Tarvex.ini"),
                  "[File Header]\n21=File <#2#> not found in <#1#>\n[Err_Msg]\n4=No DBF file\n");
  TCmpDbfGOra engine(dir_.path());
  RecordingLog log;
  RecordingBoxes boxes;
  engine.setParsCmpG(&log);
  engine.setMessageSink(&boxes);
  engine.OpenDbf(dir_.file("gone.dbf"));

  engine.MsgInRichEdit = true;
  EXPECT_EQ(engine.ReadHdr("00").kind(), Status::Kind::kNotFound);
  EXPECT_THAT(log.lines, ElementsAre("File gone.dbf not found in " + dir_.path()));

  // Logging is wanted but no view is attached: the engine stops logging and shows a box.
  log.attached = false;
  EXPECT_FALSE(engine.ReadHdr("00").isOk());
  EXPECT_FALSE(engine.MsgInRichEdit);
  EXPECT_THAT(boxes.texts, ElementsAre("No DBF file"));
  EXPECT_EQ(log.lines.size(), 1u);
}

}  // namespace
}  // namespace tarvex
