#include "../FileNames.h"
#include "../StringList.h"

namespace rtl {

const char PathDelim = '\\';
const std::string_view LineEnd = "\r\n";
// The Windows shell hands wildcards to the program unexpanded.
const bool ShellExpandsWildcards = false;

namespace {

// A backslash ends a directory name; a colon ends a drive prefix.
size_t PathPartSize(std::string_view Name) noexcept {
  const size_t Delim = Name.find_last_of("\\:");
  return Delim == std::string_view::npos ? 0 : Delim + 1;
}

} // namespace

std::string_view ExtractFilePath(std::string_view Name) noexcept {
  return Name.substr(0, PathPartSize(Name));
}

std::string_view ExtractFileName(std::string_view Name) noexcept { return Name.substr(PathPartSize(Name)); }

std::string_view ExtractFileExt(std::string_view Name) noexcept {
  const std::string_view File = ExtractFileName(Name);
  const size_t Dot = File.rfind('.');
  return Dot == std::string_view::npos ? std::string_view() : File.substr(Dot);
}

// "C:" for a name on a drive; "\\server\share" for a network name; empty
// for a name relative to the current directory or drive.
std::string DrivePrefix(std::string_view Name) {
  if (Name.size() >= 2 && Name[1] == ':')
    return std::string(Name.substr(0, 2));
  if (Name.substr(0, 2) == "\\\\") {
    const size_t ServerEnd = Name.find('\\', 2);
    if (ServerEnd == std::string_view::npos)
      return std::string(Name);
    return std::string(Name.substr(0, Name.find('\\', ServerEnd + 1)));
  }
  return {};
}

bool SameDrive(std::string_view A, std::string_view B) {
  const std::string PA = DrivePrefix(A);
  return !PA.empty() && SameName(PA, DrivePrefix(B));
}

bool SameFileName(std::string_view A, std::string_view B) { return SameName(A, B); }

std::string JoinPath(std::string_view Dir, std::string_view Name) {
  std::string R(Dir);
  if (R.empty() || R.back() != '\\')
    R += '\\';
  R += Name;
  return R;
}

// Every argument that starts with "/" is an option, known or not.
bool IsOptionArgument(std::string_view Arg) noexcept { return !Arg.empty() && Arg.front() == '/'; }

bool IsIllegalMask(std::string_view Mask) noexcept {
  return Mask.find("..") != std::string_view::npos || Mask.find('\\') != std::string_view::npos;
}

} // namespace rtl
