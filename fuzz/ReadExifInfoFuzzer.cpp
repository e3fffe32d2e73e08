// Feeds every input to ReadExifInfo through a real file, because the reader
// opens files by name. Each process rewrites one file of its own, so runs
// cost a write and an open, not a create and an unlink.
#include "exif/vxJpegInfo.h"
#include "rtl/Exceptions.h"
#include "rtl/StringList.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string InputPath;
int InputFd = -1;

[[noreturn]] void Fail(const char* What) {
  std::fprintf(stderr, "ReadExifInfoFuzzer: %s\n", What);
  std::abort();
}

std::string ScratchDir() {
  // RAM-backed when available: the file is rewritten for every input.
  struct stat St {};
  if (::stat("/dev/shm", &St) == 0 && S_ISDIR(St.st_mode) && ::access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  const char* Tmp = std::getenv("TMPDIR");
  return (Tmp != nullptr && *Tmp != '\0') ? Tmp : "/tmp";
}

void RemoveInput() {
  if (InputFd >= 0)
    ::close(InputFd);
  if (!InputPath.empty())
    ::unlink(InputPath.c_str());
}

void WriteInput(const uint8_t* Data, size_t Size) {
  size_t Done = 0;
  while (Done < Size) {
    const ssize_t Got = ::pwrite(InputFd, Data + Done, Size - Done, static_cast<off_t>(Done));
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got <= 0)
      Fail(std::strerror(errno));
    Done += static_cast<size_t>(Got);
  }
  if (::ftruncate(InputFd, static_cast<off_t>(Size)) != 0)
    Fail(std::strerror(errno));
}

// The lowest free descriptor; it moves when the reader leaves a file open.
int LowestFreeFd() {
  const int Fd = ::fcntl(InputFd, F_DUPFD, 0);
  if (Fd < 0)
    Fail(std::strerror(errno));
  ::close(Fd);
  return Fd;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  InputPath = ScratchDir() + "/snapstamp-fuzz-" + std::to_string(::getpid()) + ".jpg";
  InputFd = ::open(InputPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (InputFd < 0)
    Fail(std::strerror(errno));
  std::atexit(RemoveInput);
  return 0;
}

// How one read ended: its result, or the message it raised.
std::string Outcome(rtl::TStringList& List, std::string_view OnlyName) {
  List.Clear();
  try {
    return ReadExifInfo(InputPath, List, OnlyName) ? "true" : "false";
  } catch (const rtl::EFOpenError&) {
    Fail("the input file could not be opened");
  } catch (const rtl::Exception& E) {
    // Truncated marker scan or header: raised to the caller by design.
    return E.Message();
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // Kept across runs so that the lists' storage is reused.
  static rtl::TStringList List;
  static rtl::TStringList Dates;
  WriteInput(Data, Size);

  const int FreeFdBefore = LowestFreeFd();
  const std::string Full = Outcome(List, {});
  if (LowestFreeFd() != FreeFdBefore)
    Fail("ReadExifInfo left a file open");
  for (const std::string& Line : List)
    if (Line.find('=') == std::string::npos)
      Fail(("line without '=': " + Line).c_str());

  // Renames read the date alone; that must end as the full read does and
  // keep exactly its DateTime lines.
  if (Outcome(Dates, "DateTime") != Full)
    Fail("reading only the date ended differently");
  int32_t D = 0;
  for (const std::string& Line : List)
    if (Line.rfind("DateTime=", 0) == 0 && (D >= Dates.Count() || Dates[D++] != Line))
      Fail("reading only the date gave other lines");
  if (D != Dates.Count())
    Fail("reading only the date gave more lines");
  return 0;
}
