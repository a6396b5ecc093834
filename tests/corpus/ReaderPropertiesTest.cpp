// Replays inputs through the same property checks the reader's fuzzer applies
// (fuzz/DbfReaderExercise.h): every corpus table under each setting of the reading switches,
// and every saved fuzz finding in tests/data/regressions (*.bin: switch byte, then the file).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/DbfReaderExercise.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

struct Input {
  std::string label;  // for the test name
  fs::path file;
  int switches;       // -1: the file already begins with its switch byte
};

std::string sanitize(const std::string& text) {
  std::string out;
  for (char c : text) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return out;
}

std::vector<Input> inputs() {
  std::vector<Input> out;
  std::vector<fs::path> tables;
  for (const auto& e : fs::recursive_directory_iterator(TARVEX_CORPUS_DIR)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (e.is_regular_file() && ext == ".dbf") tables.push_back(e.path());
  }
  std::sort(tables.begin(), tables.end());
  for (const fs::path& t : tables) {
    const std::string rel = fs::relative(t, TARVEX_CORPUS_DIR).generic_string();
    for (int switches = 0; switches < 4; ++switches) {
      out.push_back({"corpus_" + sanitize(rel) + "_switches" + std::to_string(switches), t,
                     switches});
    }
  }
  std::error_code ec;
  std::vector<fs::path> saved;
  for (const auto& e : fs::directory_iterator(TARVEX_REGRESSION_DIR, ec)) {
    if (e.is_regular_file() && e.path().extension() == ".bin") saved.push_back(e.path());
  }
  std::sort(saved.begin(), saved.end());
  for (const fs::path& s : saved) out.push_back({"saved_" + sanitize(s.stem().string()), s, -1});
  return out;
}

void PrintTo(const Input& in, std::ostream* os) { *os << in.file.string(); }

class ReaderProperties : public ::testing::TestWithParam<Input> {};

TEST_P(ReaderProperties, Hold) {
  const Input& in = GetParam();
  std::string bytes = test::readFile(in.file.string());
  ASSERT_FALSE(bytes.empty()) << in.file;
  if (in.switches >= 0) bytes.insert(bytes.begin(), static_cast<char>(in.switches));
  test::TempDir dir;
  EXPECT_EQ(fuzz::exerciseReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 dir.file("input.dbf")),
            "");
}

INSTANTIATE_TEST_SUITE_P(Replay, ReaderProperties, ::testing::ValuesIn(inputs()),
                         [](const ::testing::TestParamInfo<Input>& info) { return info.param.label; });

}  // namespace
}  // namespace tarvex
