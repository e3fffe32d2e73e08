#include "vxFileStream.h"

#include "rtl/Exceptions.h"

#include <algorithm>
#include <cstring>
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

int32_t TvxFileStream::ReadBytes(std::string& S, int32_t Len) {
  int32_t Stored = 0;
  while (!Eof() && Stored < Len && static_cast<size_t>(Stored) < S.size()) {
    S[static_cast<size_t>(Stored)] = ReadChar();
    ++Stored;
  }
  return Stored;
}

void TvxFileStream::ReadBlock(uint8_t* Out, int32_t Len) {
  while (Len > 0) {
    *Out++ = ReadByte(); // loads the window or raises
    --Len;
    if (Position < 0)
      continue;
    const int64_t WindowEnd = std::min<int64_t>(static_cast<int64_t>(WindowStart) + WindowCount,
                                                std::numeric_limits<int32_t>::max());
    const int32_t N = static_cast<int32_t>(std::clamp<int64_t>(WindowEnd - Position, 0, Len));
    std::memcpy(Out, Buffer.get() + (Position - WindowStart), static_cast<size_t>(N));
    Out += N;
    Len -= N;
    Position += N;
  }
}

void TvxFileStream::SetPosition(int64_t Value) { Position = ToPosition(Value); }
