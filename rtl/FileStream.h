// Read access to one open file. The platform implementation lives in
// posix/ or win32/; the handle is closed when the stream is destroyed.
#pragma once

#include <cstdint>
#include <string>

namespace rtl {

// Open modes: read access; other processes may read but not write.
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;

class TFileStream {
public:
  // Opens FileName for reading. Raises EFOpenError ("Cannot open file "
  // followed by the name) when it cannot be opened or is not a regular file.
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Reads up to Count bytes starting at file offset Offset into Buffer and
  // returns how many were read; 0 at or beyond the end of the file.
  // Raises EReadError when the system reports a failure.
  int32_t ReadAt(int64_t Offset, uint8_t* Buffer, int32_t Count);

  const std::string& FileName() const noexcept { return FFileName; }

private:
  std::string FFileName;
  intptr_t FHandle;
};

} // namespace rtl
