// A byte-order-aware reader over one file, served through a single window of
// 1024 bytes so that jumping between directory entries and their values
// costs no system call while it stays inside the window.
#pragma once

#include "rtl/FileStream.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

class TvxFileStream {
public:
  // Opens FileName and loads the first window. Raises rtl::EFOpenError when
  // the file cannot be opened; nothing stays allocated or open then.
  TvxFileStream(const std::string& FileName, uint16_t Mode);
  virtual ~TvxFileStream();
  TvxFileStream(const TvxFileStream&) = delete;
  TvxFileStream& operator=(const TvxFileStream&) = delete;

  bool InWindow(int32_t Pos) const noexcept;
  void Fill(int32_t Pos);
  // True when the last window load read no bytes.
  bool Eof() const noexcept { return WindowCount == 0; }

  // Inside the window a read is served inline; anything else takes the
  // out-of-line path that loads the window or raises "Out of bounds".
  uint8_t ReadByteAt(int32_t Pos) {
    const int64_t Offset = static_cast<int64_t>(Pos) - WindowStart;
    if (Pos >= 0 && Offset >= 0 && Offset < WindowCount) {
      Position = Pos == std::numeric_limits<int32_t>::max() ? Unreachable : Pos + 1;
      return Buffer[static_cast<size_t>(Offset)];
    }
    return LoadAndReadByteAt(Pos);
  }
  uint8_t ReadByte() { return ReadByteAt(Position); }
  char ReadChar() { return static_cast<char>(ReadByte()); }
  uint16_t ReadWord() {
    const uint16_t B1 = ReadByte();
    const uint16_t B2 = ReadByte();
    return ByteOrder == 1 ? static_cast<uint16_t>(B1 << 8 | B2) : static_cast<uint16_t>(B2 << 8 | B1);
  }
  // Callers treat the 32 bits as signed; the conversion is modular in C++20.
  int32_t ReadLong() {
    const uint32_t W1 = ReadWord();
    const uint32_t W2 = ReadWord();
    return static_cast<int32_t>(ByteOrder == 1 ? (W1 << 16 | W2) : (W2 << 16 | W1));
  }
  // Stores characters into S from its start while Eof is false and fewer
  // than Len are stored; returns the number stored. S must hold Len bytes.
  int32_t ReadBytes(std::string& S, int32_t Len);
  // Len sequential bytes into Out: the same window loads and the same
  // failure as Len ReadByte calls, without the per-byte cost.
  void ReadBlock(uint8_t* Out, int32_t Len);

  // Positions are computed in 64 bits by callers so that sums of offsets
  // never overflow; a value outside the 32-bit range can never be read and
  // fails at the next read like any position outside the file.
  virtual void SetPosition(int64_t Value);

  int32_t GetPosition() const noexcept { return Position; }
  uint8_t GetByteOrder() const noexcept { return ByteOrder; }
  void SetByteOrder(uint8_t Value) noexcept { ByteOrder = Value; }
  int32_t GetWindowStart() const noexcept { return WindowStart; }
  int32_t GetWindowCount() const noexcept { return WindowCount; }
  const std::string& GetFileName() const noexcept { return FileName; }

  static constexpr int32_t BufferSize = 1024;
  // A position no read can reach: negative positions fail without a load.
  static constexpr int32_t Unreachable = -1;

private:
  uint8_t LoadAndReadByteAt(int32_t Pos);

  std::string FileName;
  std::unique_ptr<rtl::TFileStream> Stream;
  std::unique_ptr<uint8_t[]> Buffer;
  int32_t WindowStart = 0;
  int32_t WindowCount = 0;
  int32_t Position = 0;
  uint8_t ByteOrder = 1; // 1 = big-endian, 0 = little-endian
};
