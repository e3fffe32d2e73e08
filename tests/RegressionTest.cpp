// Every file in tests/regressions/ is a fuzzer finding or a hand-built
// hostile input (loops, deep nesting, huge counts, offsets at the 32-bit
// limits). The reader must come back from each of them, with a result or with
// an error it raises by design, and leave only well-formed lines.
#include "exif/vxJpegInfo.h"
#include "rtl/Exceptions.h"
#include "rtl/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> RegressionFiles() {
  std::vector<fs::path> Files;
  for (const auto& Entry : fs::directory_iterator(SNAPSTAMP_REGRESSIONS_DIR)) {
    const std::string Name = Entry.path().filename().string();
    if (Entry.is_regular_file() && Name != ".keep" && Name.rfind("README", 0) != 0)
      Files.push_back(Entry.path());
  }
  std::sort(Files.begin(), Files.end());
  return Files;
}

class RegressionTest : public testing::TestWithParam<fs::path> {};

TEST(RegressionFilesTest, DirectoryHoldsInputs) { EXPECT_FALSE(RegressionFiles().empty()); }

TEST_P(RegressionTest, ReaderReturnsOrRaisesAndListStaysWellFormed) {
  rtl::TStringList List;
  try {
    ReadExifInfo(GetParam().string(), List);
  } catch (const rtl::EFOpenError& E) {
    FAIL() << "the file exists and must open: " << E.Message();
  } catch (const rtl::Exception&) {
    // A file that ends during the marker scan or the header raises by design.
  }
  for (const std::string& Line : List)
    EXPECT_NE(Line.find('='), std::string::npos) << Line;
}

std::string TestName(const testing::TestParamInfo<fs::path>& Info) {
  std::string Name = Info.param.stem().string();
  for (char& C : Name)
    if (std::isalnum(static_cast<unsigned char>(C)) == 0)
      C = '_';
  return Name;
}

INSTANTIATE_TEST_SUITE_P(Files, RegressionTest, testing::ValuesIn(RegressionFiles()), TestName);

} // namespace
