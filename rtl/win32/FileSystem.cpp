#include "../FileSystem.h"
#include "../Exceptions.h"
#include "../FileNames.h"
#include "../ListingOrder.h"
#include "ErrorText.h"
#include "Win32Api.h"

#include <algorithm>

namespace rtl {

namespace {

// Closes a search handle on every path out of a scope.
class TFind {
public:
  TFind(const std::string& Pattern, WIN32_FIND_DATAA& Data)
      : FHandle(::FindFirstFileA(Pattern.c_str(), &Data)) {}
  ~TFind() {
    if (Found())
      ::FindClose(FHandle);
  }
  TFind(const TFind&) = delete;
  TFind& operator=(const TFind&) = delete;
  bool Found() const noexcept { return FHandle != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA& Data) const { return ::FindNextFileA(FHandle, &Data) != 0; }

private:
  HANDLE FHandle;
};

// Windows forbids wildcards in names; FindFirstFileA would match them as a
// pattern and find some other entry.
bool HasWildcard(const std::string& Name) { return Name.find_first_of("*?") != std::string::npos; }

// Looks up the entry Name and its attributes; false when there is none.
bool FindEntry(const std::string& Name, DWORD& Attributes) {
  if (Name.empty() || HasWildcard(Name))
    return false;
  WIN32_FIND_DATAA Data{};
  const TFind Find(Name, Data);
  if (!Find.Found())
    return false;
  Attributes = Data.dwFileAttributes;
  return true;
}

TFileOpResult Failure(DWORD Error) {
  if (Error == ERROR_ALREADY_EXISTS || Error == ERROR_FILE_EXISTS)
    return {TFileOpStatus::TargetExists, {}};
  return {TFileOpStatus::Failed, ErrorText(Error)};
}

// The directory bit decides, whatever else is set (Wine marks every name
// that starts with a full stop hidden). A linked directory is left out, so
// that a recursive run cannot go round in a circle.
uint32_t EntryAttr(DWORD Attributes) {
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return faArchive;
  return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? 0 : faDirectory;
}

} // namespace

std::string GetCurrentDir() {
  std::string Buf(MAX_PATH, '\0');
  for (;;) {
    const DWORD N = ::GetCurrentDirectoryA(static_cast<DWORD>(Buf.size()), Buf.data());
    if (N == 0) {
      const DWORD Error = ::GetLastError();
      throw Exception("Cannot get the current directory: " + ErrorText(Error));
    }
    if (N < Buf.size()) {
      Buf.resize(N);
      return Buf;
    }
    Buf.resize(N); // N counts the terminating zero here
  }
}

bool FileExists(const std::string& Name) {
  DWORD Attributes = 0;
  return FindEntry(Name, Attributes) && (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool EntryExists(const std::string& Name) {
  DWORD Attributes = 0;
  return FindEntry(Name, Attributes);
}

// MoveFileA without MOVEFILE_REPLACE_EXISTING never replaces the target.
TFileOpResult RenameFile(const std::string& OldName, const std::string& NewName) {
  if (::MoveFileA(OldName.c_str(), NewName.c_str()))
    return {};
  return Failure(::GetLastError());
}

// CopyFileA keeps the attributes and the modification time, refuses an
// existing target with the fail-if-exists flag, and removes a partial copy.
TFileOpResult CopyFile(const std::string& OldName, const std::string& NewName) {
  if (::CopyFileA(OldName.c_str(), NewName.c_str(), TRUE))
    return {};
  return Failure(::GetLastError());
}

bool ListDirectory(const std::string& Dir, std::vector<TSearchRec>& Entries) {
  Entries.clear();
  WIN32_FIND_DATAA Data{};
  const TFind Find(JoinPath(Dir, "*.*"), Data);
  if (!Find.Found())
    return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty root directory

  do {
    if (IsDotOrDotDot(Data.cFileName))
      continue;
    const uint32_t Attr = EntryAttr(Data.dwFileAttributes);
    if (Attr != 0)
      Entries.push_back({Data.cFileName, Attr});
  } while (Find.Next(Data));
  SortListing(Entries);
  return true;
}

// Errors are reported on standard output; the system must not stop the run
// with a dialog box (a drive without a medium, a crash).
void InitProcess() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

} // namespace rtl
