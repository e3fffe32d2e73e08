#include "../FileSystem.h"
#include "../Exceptions.h"
#include "../ListingOrder.h"
#include "ErrorText.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rtl {

namespace {

// Closes a descriptor on every path out of a scope.
class TFd {
public:
  explicit TFd(int Fd) noexcept : FFd(Fd) {}
  ~TFd() {
    if (FFd >= 0)
      ::close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const noexcept { return FFd; }
  // Closes now and reports whether the close succeeded.
  bool Close() noexcept {
    const int Fd = FFd;
    FFd = -1;
    return ::close(Fd) == 0;
  }

private:
  int FFd;
};

TFileOpResult Failure(int Error) {
  if (Error == EEXIST)
    return {TFileOpStatus::TargetExists, {}};
  return {TFileOpStatus::Failed, ErrorText(Error)};
}

// Where the file system refuses RENAME_NOREPLACE: a hard link cannot
// replace anything either.
TFileOpResult LinkAndUnlink(const std::string& OldName, const std::string& NewName) {
  if (::link(OldName.c_str(), NewName.c_str()) != 0)
    return Failure(errno);
  if (::unlink(OldName.c_str()) != 0) {
    const int Error = errno;
    ::unlink(NewName.c_str());
    return Failure(Error);
  }
  return {};
}

bool CopyBytes(int From, int To) {
  for (;;) {
    const ssize_t N = ::copy_file_range(From, nullptr, To, nullptr, 1 << 30, 0);
    if (N == 0)
      return true;
    if (N > 0)
      continue;
    if (errno == EINTR)
      continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
      return false;
    break; // not supported here: copy through a buffer
  }
  const auto Buf = std::make_unique<char[]>(1 << 16);
  for (;;) {
    const ssize_t N = ::read(From, Buf.get(), 1 << 16);
    if (N == 0)
      return true;
    if (N < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    for (ssize_t Done = 0; Done < N;) {
      const ssize_t W = ::write(To, Buf.get() + Done, static_cast<size_t>(N - Done));
      if (W < 0) {
        if (errno == EINTR)
          continue;
        return false;
      }
      Done += W;
    }
  }
}

// Attribute word for an entry, or 0 for one the scan passes over.
uint32_t EntryAttr(int DirFd, const dirent& E) {
  switch (E.d_type) {
  case DT_DIR:
    return faDirectory;
  case DT_REG:
    return faArchive;
  case DT_LNK:
  case DT_UNKNOWN:
    break;
  default:
    return 0;
  }
  struct stat St {};
  if (E.d_type == DT_UNKNOWN && ::fstatat(DirFd, E.d_name, &St, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISDIR(St.st_mode))
    return faDirectory;
  // A link counts only when it leads to a regular file.
  if (::fstatat(DirFd, E.d_name, &St, 0) == 0 && S_ISREG(St.st_mode))
    return faArchive;
  return 0;
}

} // namespace

std::string GetCurrentDir() {
  std::string Buf(4096, '\0');
  for (;;) {
    if (::getcwd(Buf.data(), Buf.size()) != nullptr) {
      Buf.resize(Buf.find('\0'));
      return Buf;
    }
    if (errno != ERANGE)
      throw Exception("Cannot get the current directory: " + ErrorText(errno));
    Buf.resize(Buf.size() * 2);
  }
}

bool FileExists(const std::string& Name) {
  struct stat St {};
  return ::stat(Name.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

bool EntryExists(const std::string& Name) {
  struct stat St {};
  return ::lstat(Name.c_str(), &St) == 0;
}

TFileOpResult RenameFile(const std::string& OldName, const std::string& NewName) {
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0)
    return {};
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
    return LinkAndUnlink(OldName, NewName);
  return Failure(errno);
}

TFileOpResult CopyFile(const std::string& OldName, const std::string& NewName) {
  TFd From(::open(OldName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat St {};
  if (From.Get() < 0 || ::fstat(From.Get(), &St) != 0)
    return Failure(errno);
  if (!S_ISREG(St.st_mode))
    return Failure(EINVAL);
  const mode_t Mode = St.st_mode & 07777;
  TFd To(::open(NewName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, Mode & 0777));
  if (To.Get() < 0)
    return Failure(errno);
  const timespec Times[2] = {St.st_atim, St.st_mtim};
  const bool Ok =
      CopyBytes(From.Get(), To.Get()) && ::fchmod(To.Get(), Mode) == 0 && ::futimens(To.Get(), Times) == 0;
  const int Error = errno;
  if (To.Close() && Ok)
    return {};
  // The target is ours (O_EXCL created it): a partial copy must not stay.
  ::unlink(NewName.c_str());
  return Failure(Ok ? errno : Error);
}

bool ListDirectory(const std::string& Dir, std::vector<TSearchRec>& Entries) {
  Entries.clear();
  const std::unique_ptr<DIR, int (*)(DIR*)> D(::opendir(Dir.c_str()), ::closedir);
  if (!D)
    return false;
  const int DirFd = ::dirfd(D.get());
  while (const dirent* E = ::readdir(D.get())) {
    if (IsDotOrDotDot(E->d_name))
      continue;
    const uint32_t Attr = EntryAttr(DirFd, *E);
    if (Attr != 0)
      Entries.push_back({E->d_name, Attr});
  }
  SortListing(Entries);
  return true;
}

void InitProcess() {
  // A file-size limit must make a copy fail with EFBIG, not kill the run.
  std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace rtl
