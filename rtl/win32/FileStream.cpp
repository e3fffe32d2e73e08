#include "../FileStream.h"
#include "../Exceptions.h"
#include "ErrorText.h"
#include "Win32Api.h"

namespace rtl {

namespace {

DWORD ShareMode(uint16_t Mode) {
  switch (Mode & 0x00F0) {
  case 0x0010: // fmShareExclusive
    return 0;
  case 0x0030: // fmShareDenyRead
    return FILE_SHARE_WRITE;
  case 0x0040: // fmShareDenyNone
    return FILE_SHARE_READ | FILE_SHARE_WRITE;
  default: // fmShareDenyWrite, and the compatibility mode as well
    return FILE_SHARE_READ;
  }
}

// Only a file on disk is a photo: a directory, console or pipe is refused.
HANDLE OpenRegularFile(const std::string& FileName, uint16_t Mode) {
  const HANDLE H = ::CreateFileA(FileName.c_str(), GENERIC_READ, ShareMode(Mode), nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE)
    return H;
  BY_HANDLE_FILE_INFORMATION Info{};
  if (::GetFileType(H) != FILE_TYPE_DISK || !::GetFileInformationByHandle(H, &Info) ||
      (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::CloseHandle(H);
    return INVALID_HANDLE_VALUE;
  }
  return H;
}

HANDLE AsHandle(intptr_t H) noexcept { return reinterpret_cast<HANDLE>(H); }

} // namespace

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode)
    : FFileName(FileName), FHandle(reinterpret_cast<intptr_t>(OpenRegularFile(FileName, Mode))) {
  if (AsHandle(FHandle) == INVALID_HANDLE_VALUE)
    throw EFOpenError("Cannot open file " + FileName);
}

TFileStream::~TFileStream() { ::CloseHandle(AsHandle(FHandle)); }

int32_t TFileStream::ReadAt(int64_t Offset, uint8_t* Buffer, int32_t Count) {
  if (Offset < 0 || Count <= 0)
    return 0;
  LARGE_INTEGER Pos{};
  Pos.QuadPart = Offset;
  DWORD Got = 0;
  if (!::SetFilePointerEx(AsHandle(FHandle), Pos, nullptr, FILE_BEGIN) ||
      !::ReadFile(AsHandle(FHandle), Buffer, static_cast<DWORD>(Count), &Got, nullptr)) {
    const DWORD Error = ::GetLastError();
    throw EReadError("Cannot read file " + FFileName + ": " + ErrorText(Error));
  }
  return static_cast<int32_t>(Got);
}

} // namespace rtl
