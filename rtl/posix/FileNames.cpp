#include "../FileNames.h"

namespace rtl {

const char PathDelim = '/';
const std::string_view LineEnd = "\n";
const bool ShellExpandsWildcards = true;

std::string_view ExtractFilePath(std::string_view Name) noexcept {
  const size_t Slash = Name.rfind('/');
  return Slash == std::string_view::npos ? std::string_view() : Name.substr(0, Slash + 1);
}

std::string_view ExtractFileName(std::string_view Name) noexcept {
  return Name.substr(ExtractFilePath(Name).size());
}

std::string_view ExtractFileExt(std::string_view Name) noexcept {
  const std::string_view File = ExtractFileName(Name);
  const size_t Dot = File.rfind('.');
  return Dot == std::string_view::npos ? std::string_view() : File.substr(Dot);
}

// Absolute names share the root; a relative name is never shown relative.
std::string DrivePrefix(std::string_view Name) {
  return (!Name.empty() && Name.front() == '/') ? std::string("/") : std::string();
}

bool SameDrive(std::string_view A, std::string_view B) {
  const std::string PA = DrivePrefix(A);
  return !PA.empty() && PA == DrivePrefix(B);
}

bool SameFileName(std::string_view A, std::string_view B) { return A == B; }

std::string JoinPath(std::string_view Dir, std::string_view Name) {
  std::string R(Dir);
  if (R.empty() || R.back() != '/')
    R += '/';
  R += Name;
  return R;
}

// "/i" is an option; "/home/me/a.jpg" is a file name.
bool IsOptionArgument(std::string_view Arg) noexcept {
  return !Arg.empty() && Arg.front() == '/' && Arg.find('/', 1) == std::string_view::npos;
}

bool IsIllegalMask(std::string_view Mask) noexcept {
  return Mask.find("..") != std::string_view::npos || Mask.find('\\') != std::string_view::npos ||
         Mask.find('/') != std::string_view::npos;
}

} // namespace rtl
