#include "Platform.h"

#ifdef _WIN32
#include "rtl/win32/Win32Api.h"
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace platform {

namespace fs = std::filesystem;

std::string Path(std::string_view Generic) {
  std::string R(Generic);
  for (char& C : R)
    if (C == '/')
      C = Sep[0];
  return R;
}

std::string Lines(std::string_view Text) {
  std::string R;
  R.reserve(Text.size() + Text.size() / 16);
  for (const char C : Text)
    if (C == '\n')
      R += Eol;
    else
      R += C;
  return R;
}

std::string Shown(std::string_view Text) { return Lines(Path(Text)); }

std::string RootPath(std::string_view Generic) { return (Windows ? "C:\\" : "/") + Path(Generic); }

#ifdef _WIN32

namespace {

// The system's message without its final full stop and line end. Wine's
// wording differs from that of Windows, so it is asked for, not written out.
std::string SystemText(DWORD Error) {
  char Buf[512] = {};
  const DWORD N = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Error,
                                   0, Buf, sizeof Buf, nullptr);
  std::string Text(Buf, N);
  while (!Text.empty() && std::string_view(". \r\n").find(Text.back()) != std::string_view::npos)
    Text.pop_back();
  return Text;
}

} // namespace

std::string NoSuchFileText() { return SystemText(ERROR_FILE_NOT_FOUND); }
std::string NoSuchPathText() { return SystemText(ERROR_PATH_NOT_FOUND); }
// Windows refuses the name as too long or invalid; Wine passes it to the
// host, which finds no such file.
std::vector<std::string> NameTooLongTexts() {
  return {SystemText(ERROR_FILENAME_EXCED_RANGE), SystemText(ERROR_INVALID_NAME),
          SystemText(ERROR_PATH_NOT_FOUND), SystemText(ERROR_FILE_NOT_FOUND)};
}

bool MakeFifo(const fs::path&) { return false; }
bool MakeSocket(const fs::path&) { return false; }

// Another program holding a file without sharing is the everyday case of a
// photo that cannot be opened.
TUnopenableFile::TUnopenableFile(const fs::path& Dir) {
  const std::string Name = (Dir / "locked.jpg").string();
  const HANDLE H = ::CreateFileA(Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) {
    FSkipReason = "cannot create " + Name;
    return;
  }
  FHandle = H;
  FName = Name;
}

TUnopenableFile::~TUnopenableFile() {
  if (FHandle != nullptr)
    ::CloseHandle(static_cast<HANDLE>(FHandle));
}

#else

std::string NoSuchFileText() { return std::strerror(ENOENT); }
std::string NoSuchPathText() { return std::strerror(ENOENT); }
std::vector<std::string> NameTooLongTexts() { return {std::strerror(ENAMETOOLONG)}; }

bool MakeFifo(const fs::path& P) { return ::mkfifo(P.c_str(), 0644) == 0; }

// The socket entry stays in the directory after the socket is closed.
bool MakeSocket(const fs::path& P) {
  sockaddr_un Addr{};
  Addr.sun_family = AF_UNIX;
  const std::string Name = P.string();
  if (Name.size() >= sizeof Addr.sun_path)
    return false;
  Name.copy(Addr.sun_path, Name.size());
  const int Sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (Sock < 0)
    return false;
  const bool Ok = ::bind(Sock, reinterpret_cast<const sockaddr*>(&Addr), sizeof Addr) == 0;
  ::close(Sock);
  return Ok;
}

// Root may open any file of its own; a write-only kernel setting is a
// regular file that nobody may open for reading.
TUnopenableFile::TUnopenableFile(const fs::path&) {
  const std::string Name = "/proc/sys/vm/drop_caches";
  struct stat St {};
  const int Fd = ::open(Name.c_str(), O_RDONLY);
  if (Fd >= 0)
    ::close(Fd);
  if (::stat(Name.c_str(), &St) != 0 || !S_ISREG(St.st_mode) || Fd >= 0)
    FSkipReason = Name + " is missing or readable here";
  else
    FName = Name;
}

TUnopenableFile::~TUnopenableFile() = default;

#endif

} // namespace platform
