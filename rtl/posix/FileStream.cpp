#include "../FileStream.h"
#include "../Exceptions.h"
#include "ErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rtl {

namespace {

// Opens without blocking (a FIFO would otherwise wait for a writer forever)
// and accepts regular files only: a directory, FIFO or device is no photo.
int OpenRegularFile(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (Fd < 0)
    return -1;
  struct stat St {};
  if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
    ::close(Fd);
    return -1;
  }
  return Fd;
}

} // namespace

// Linux has no share modes; Mode only ever asks for read access here.
TFileStream::TFileStream(const std::string& FileName, uint16_t /*Mode*/)
    : FFileName(FileName), FHandle(OpenRegularFile(FileName)) {
  if (FHandle < 0)
    throw EFOpenError("Cannot open file " + FileName);
}

TFileStream::~TFileStream() { ::close(static_cast<int>(FHandle)); }

int32_t TFileStream::ReadAt(int64_t Offset, uint8_t* Buffer, int32_t Count) {
  if (Offset < 0 || Count <= 0)
    return 0;
  for (;;) {
    const ssize_t Got =
        ::pread(static_cast<int>(FHandle), Buffer, static_cast<size_t>(Count), static_cast<off_t>(Offset));
    if (Got >= 0)
      return static_cast<int32_t>(Got);
    if (errno != EINTR)
      throw EReadError("Cannot read file " + FFileName + ": " + ErrorText(errno));
  }
}

} // namespace rtl
