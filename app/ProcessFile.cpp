#include "ProcessFile.h"

#include "Settings.h"
#include "exif/vxJpegInfo.h"
#include "rtl/Console.h"
#include "rtl/FileNames.h"
#include "rtl/FileSystem.h"

#include <vector>

namespace app {

namespace {

constexpr size_t ValuePiece = 48;
constexpr size_t MaxValueTail = 65535;
constexpr int32_t LastCounter = 998;
constexpr std::string_view DateTimeName = "DateTime";

// One listing line: the name right-aligned in 29 columns, ": ", the value.
void PrintTagLine(std::string_view Name, std::string_view Value) {
  static constexpr std::string_view Spaces = "                             ";
  static_assert(Spaces.size() == 29);
  rtl::WriteLine({Spaces.substr(std::min(Name.size(), Spaces.size())), Name, ": ", Value});
}

void PrintTags(const rtl::TStringList& List) {
  const std::vector<int32_t> First = List.FirstIndexOfEachName();
  for (int32_t I = 0; I < List.Count(); ++I) {
    const std::string_view Name = List.Name(I);
    std::string_view Value = List.ValueFromIndex(First[static_cast<size_t>(I)]);
    if (Value.empty())
      Value = "[Unsupported]";
    PrintTagLine(Name, Value.substr(0, ValuePiece));
    if (Value.size() <= ValuePiece)
      continue;
    std::string_view Tail = Value.substr(ValuePiece, MaxValueTail);
    for (; !Tail.empty(); Tail.remove_prefix(std::min(Tail.size(), ValuePiece)))
      PrintTagLine("", Tail.substr(0, ValuePiece));
  }
}

// The date text must never lead into another directory.
std::string DateForName(std::string Date) {
  for (char& C : Date)
    if (C == ':' || C == '/' || C == '\\')
      C = '-';
  return Date;
}

std::string CandidateName(std::string_view Dir, std::string_view NamePart, std::string_view Date,
                          std::string_view Counter, std::string_view Ext) {
  std::string R(Dir);
  if (UsePrefix)
    R.append(NamePart).append(" ").append(Date).append(Counter);
  else
    R.append(Date).append(Counter).append(" ").append(NamePart);
  return R.append(Ext);
}

void ReportFailure(std::string_view Verb, const std::string& OldName, const std::string& NewName,
                   const std::string& Reason) {
  rtl::WriteLine("Error, can't " + std::string(Verb) + " " + RelativeName(OldName) + " to " +
                 RelativeName(NewName) + ": " + Reason);
}

// Renames or copies FileName to the first free candidate. A candidate that
// appears between the test and the operation counts as taken.
void StampFile(const std::string& FileName, const std::string& Date) {
  const std::string_view FileNamePart = rtl::ExtractFileName(FileName);
  const std::string_view Ext = rtl::ExtractFileExt(FileName);
  const std::string_view NamePart =
      Tag.empty() ? FileNamePart.substr(0, FileNamePart.size() - Ext.size()) : std::string_view(Tag);
  const std::string_view Dir = rtl::ExtractFilePath(FileName);
  for (int32_t N = 1; N <= LastCounter; ++N) {
    const std::string NewName = CandidateName(Dir, NamePart, Date, CounterText(N), Ext);
    if (rtl::EntryExists(NewName))
      continue;
    const rtl::TFileOpResult R =
        CopyMode ? rtl::CopyFile(FileName, NewName) : rtl::RenameFile(FileName, NewName);
    if (R.Status == rtl::TFileOpStatus::TargetExists)
      continue;
    if (R.Status == rtl::TFileOpStatus::Failed) {
      ReportFailure(CopyMode ? "copy" : "rename", FileName, NewName, R.Reason);
      return;
    }
    if (MaskMode || !FileList.empty())
      rtl::WriteLine(RelativeName(NewName));
    ++FileCount;
    return;
  }
  rtl::WriteLine("Error, can't find new name for image");
}

std::vector<std::string_view> DirectoryNames(std::string_view Name) {
  std::string_view Dir = rtl::ExtractFilePath(Name);
  Dir.remove_prefix(std::min(Dir.size(), rtl::DrivePrefix(Name).size()));
  std::vector<std::string_view> Parts;
  while (!Dir.empty()) {
    const size_t Delim = Dir.find(rtl::PathDelim);
    const std::string_view Part = Dir.substr(0, Delim);
    if (!Part.empty())
      Parts.push_back(Part);
    Dir.remove_prefix(Delim == std::string_view::npos ? Dir.size() : Delim + 1);
  }
  return Parts;
}

} // namespace

std::string CounterText(int32_t N) { return N <= 1 ? std::string() : " (" + std::to_string(N) + ") "; }

std::string RelativeName(std::string_view Name) {
  const std::string Base = rtl::JoinPath(StartDir, "");
  if (!rtl::SameDrive(Base, Name))
    return std::string(Name);
  const std::vector<std::string_view> From = DirectoryNames(Base);
  const std::vector<std::string_view> To = DirectoryNames(Name);
  size_t Common = 0;
  while (Common < From.size() && Common < To.size() && rtl::SameFileName(From[Common], To[Common]))
    ++Common;
  std::string R;
  for (size_t I = Common; I < From.size(); ++I)
    R.append("..").push_back(rtl::PathDelim);
  for (size_t I = Common; I < To.size(); ++I)
    R.append(To[I]).push_back(rtl::PathDelim);
  return R.append(rtl::ExtractFileName(Name));
}

void ProcessFile(const std::string& FileName) {
  rtl::TStringList List;
  // Renaming needs only the date: the other values are checked, not formatted.
  if (!ReadExifInfo(FileName, List, InfoMode ? std::string_view() : std::string_view(DateTimeName))) {
    rtl::WriteLine("File: " + RelativeName(FileName) + " doesn't contain any image information.");
    return;
  }
  if (InfoMode) {
    ++FileCount;
    rtl::WriteLine("Information for: " + RelativeName(FileName));
    PrintTags(List);
    rtl::WriteLine("");
    return;
  }
  const std::string Date = List.Value(DateTimeName);
  if (Date.empty()) {
    rtl::WriteLine("File: " + RelativeName(FileName) + " doesn't have any date information");
    return;
  }
  StampFile(FileName, DateForName(Date));
}

} // namespace app
