#include "vxFileStream.h"

#include "rtl/Exceptions.h"

#include <limits>

namespace {

int32_t ToPosition(int64_t Value) noexcept {
  return (Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<int32_t>::max())
             ? TvxFileStream::Unreachable
             : static_cast<int32_t>(Value);
}

} // namespace

TvxFileStream::TvxFileStream(const std::string& AFileName, uint16_t Mode)
    : FileName(AFileName), Stream(std::make_unique<rtl::TFileStream>(AFileName, Mode)),
      Buffer(std::make_unique<uint8_t[]>(BufferSize)) {
  WindowStart = 0;
  WindowCount = Stream->ReadAt(0, Buffer.get(), BufferSize);
}

TvxFileStream::~TvxFileStream() = default;

bool TvxFileStream::InWindow(int32_t Pos) const noexcept {
  return WindowStart <= Pos && static_cast<int64_t>(Pos) < static_cast<int64_t>(WindowStart) + WindowCount;
}

void TvxFileStream::Fill(int32_t Pos) {
  if (InWindow(Pos))
    return;
  WindowStart = Pos;
  try {
    WindowCount = Stream->ReadAt(Pos, Buffer.get(), BufferSize);
  } catch (...) {
    // The buffer may hold anything now: a failed load read nothing.
    WindowCount = 0;
    throw;
  }
}

uint8_t TvxFileStream::LoadAndReadByteAt(int32_t Pos) {
  if (Pos < 0)
    throw rtl::Exception("Out of bounds");
  Fill(Pos);
  if (Eof())
    throw rtl::Exception("Out of bounds");
  const uint8_t B = Buffer[static_cast<size_t>(Pos - WindowStart)];
  Position = ToPosition(static_cast<int64_t>(Pos) + 1);
  return B;
}

uint16_t TvxFileStream::ReadWord() {
  const uint16_t B1 = ReadByte();
  const uint16_t B2 = ReadByte();
  return ByteOrder == 1 ? static_cast<uint16_t>(B1 << 8 | B2) : static_cast<uint16_t>(B2 << 8 | B1);
}

int32_t TvxFileStream::ReadLong() {
  const uint32_t W1 = ReadWord();
  const uint32_t W2 = ReadWord();
  // Conversion to a signed type is modular in C++20.
  return static_cast<int32_t>(ByteOrder == 1 ? (W1 << 16 | W2) : (W2 << 16 | W1));
}

int32_t TvxFileStream::ReadBytes(std::string& S, int32_t Len) {
  int32_t Stored = 0;
  while (!Eof() && Stored < Len && static_cast<size_t>(Stored) < S.size()) {
    S[static_cast<size_t>(Stored)] = ReadChar();
    ++Stored;
  }
  return Stored;
}

void TvxFileStream::SetPosition(int64_t Value) { Position = ToPosition(Value); }
