#include "CommandLine.h"

#include "Settings.h"
#include "rtl/AsciiCase.h"
#include "rtl/Console.h"
#include "rtl/FileNames.h"
#include "rtl/FileSystem.h"

#include <algorithm>
#include <string_view>

namespace app {

namespace {

constexpr int ExitUsage = 1;
constexpr int ExitNotFound = 2;
constexpr int ExitIllegalMask = 3;

void ApplyOption(std::string_view Arg) {
  if (Arg == OptInfo)
    InfoMode = true;
  else if (Arg == OptCopy)
    CopyMode = true;
  else if (Arg == OptRecursive)
    Recursive = true;
  else if (Arg.substr(0, OptTag.size()) == OptTag)
    Tag = Arg.substr(OptTag.size());
  else if (Arg == OptSuffix)
    UsePrefix = false;
}

// "--help" and "--version" count wherever they stand; the first one wins.
std::optional<int> HelpOrVersion(const std::vector<std::string>& Args) {
  for (const std::string& Arg : Args) {
    if (Arg == OptHelp) {
      ShowUsage();
      return 0;
    }
    if (Arg == OptVersion) {
      rtl::WriteLine("snapstamp " SNAPSTAMP_VERSION);
      return 0;
    }
  }
  return std::nullopt;
}

bool HasMaskCharacter(std::string_view Name) { return Name.find_first_of("*?()") != std::string_view::npos; }

int Fail(std::string_view Message, int Status) {
  rtl::WriteLine(Message);
  rtl::WriteLine("");
  return Status;
}

// Two or more file names form a list run: options count wherever they stand
// and every name is checked before anything changes.
std::optional<int> ParseFileList(const std::vector<std::string>& Args) {
  for (const std::string& Arg : Args) {
    if (rtl::IsOptionArgument(Arg))
      ApplyOption(Arg);
    else if (std::find(FileList.begin(), FileList.end(), Arg) == FileList.end())
      FileList.push_back(Arg);
  }
  for (const std::string& Name : FileList)
    if (!rtl::EntryExists(Name))
      return Fail("Error, file wasn't found", ExitNotFound);
  return std::nullopt;
}

} // namespace

void ResetSettings(const std::string& Dir) {
  StartDir = Dir;
  InfoMode = false;
  CopyMode = false;
  Recursive = false;
  UsePrefix = true;
  Tag.clear();
  FileArg.clear();
  MaskMode = false;
  FileCount = 0;
  FileList.clear();
}

void ShowUsage() {
  rtl::WriteLine("");
  rtl::WriteLine("Snapstamp, copyright (C) 2026 the Snapstamp authors");
  rtl::WriteLine("  Documentation: the README.md file that comes with Snapstamp");
  rtl::WriteLine("");
  rtl::WriteLine("Snapstamp [/c] [/r] [/s] [/t:tag] <filename>");
  rtl::WriteLine(" /i : Don't copy or rename, but print all information");
  rtl::WriteLine(" /c : Copy instead of rename");
  rtl::WriteLine(" /r : Recursive in sub directories");
  rtl::WriteLine(" /s : Use name or tag as suffix instead of prefix");
  rtl::WriteLine(" /t : Use this tag for all files, instead of the file name");
  rtl::WriteLine("");
}

std::optional<int> ParseCommandLine(const std::vector<std::string>& Args) {
  if (const auto Status = HelpOrVersion(Args))
    return Status;
  if (rtl::ShellExpandsWildcards && std::count_if(Args.begin(), Args.end(), [](const std::string& A) {
                                      return !rtl::IsOptionArgument(A);
                                    }) >= 2)
    return ParseFileList(Args);
  if (!Args.empty()) {
    for (size_t I = 0; I + 1 < Args.size(); ++I)
      ApplyOption(Args[I]);
    const std::string& Last = Args.back();
    if (!rtl::IsOptionArgument(Last)) {
      FileArg = Last;
      MaskMode = HasMaskCharacter(FileArg);
    }
    if (MaskMode) {
      if (rtl::IsIllegalMask(FileArg))
        return Fail("Error, file mask isn't legal", ExitIllegalMask);
      FileArg = rtl::LowercaseAscii(FileArg);
    } else if (!FileArg.empty() && !rtl::FileExists(FileArg)) {
      return Fail("Error, file wasn't found", ExitNotFound);
    }
  }
  if (FileArg.empty()) {
    ShowUsage();
    return ExitUsage;
  }
  return std::nullopt;
}

} // namespace app
