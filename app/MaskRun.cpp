#include "MaskRun.h"

#include "ProcessFile.h"
#include "Settings.h"
#include "rtl/AsciiCase.h"
#include "rtl/Console.h"
#include "rtl/FileNames.h"
#include "rtl/FileSystem.h"

#include <array>
#include <cstdio>
#include <vector>

namespace app {

namespace {

void PrintSummary() {
  if (FileCount == 0)
    rtl::WriteLine("The system cannot find the file specified.");
  const char* Verb = InfoMode ? "printed" : CopyMode ? "copied" : "renamed";
  std::array<char, 64> Line{};
  std::snprintf(Line.data(), Line.size(), "%8d file(s) %s.", static_cast<int>(FileCount), Verb);
  rtl::WriteLine(Line.data());
}

} // namespace

bool MatchMask(std::string_view Name, std::string_view Mask) {
  if (Name.empty())
    return Mask.empty();
  // I and J: how many characters of Name and Mask are consumed.
  size_t I = 0;
  size_t J = 0;
  for (;;) {
    ++I;
    ++J;
    if (J > Mask.size())
      return false;
    const char C = Mask[J - 1];
    if (C == '*') {
      ++J;
      if (J > Mask.size())
        return true;
      const size_t K = Name.find(Mask[J - 1], I - 1);
      if (K == std::string_view::npos)
        return false;
      I = K + 1;
    } else if (C != '?' && C != Name[I - 1]) {
      return false;
    }
    if (I >= Name.size())
      return J == Mask.size();
  }
}

void ScanDirectory(const std::string& Dir, const std::string& Mask) {
  // The whole listing is read first, so files the run creates are never met.
  std::vector<rtl::TSearchRec> Entries;
  if (!rtl::ListDirectory(Dir, Entries))
    return;
  for (const rtl::TSearchRec& E : Entries) {
    if ((E.Attr & rtl::faDirectory) != 0) {
      if (Recursive)
        ScanDirectory(rtl::JoinPath(Dir, E.Name), Mask);
    } else if (MatchMask(rtl::LowercaseAscii(E.Name), Mask)) {
      ProcessFile(rtl::JoinPath(Dir, E.Name));
    }
  }
}

void RunMask() {
  ScanDirectory(StartDir, FileArg);
  PrintSummary();
}

void RunFileList() {
  for (const std::string& Name : FileList)
    if (rtl::FileExists(Name))
      ProcessFile(Name);
  PrintSummary();
}

} // namespace app
