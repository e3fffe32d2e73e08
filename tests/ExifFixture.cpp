#include "ExifFixture.h"

#include <fstream>
#include <stdexcept>

namespace fixture {

namespace {

void PutWord(std::string& S, uint32_t V) {
  S += static_cast<char>((V >> 8) & 0xFF);
  S += static_cast<char>(V & 0xFF);
}

void PutLong(std::string& S, uint32_t V) {
  PutWord(S, V >> 16);
  PutWord(S, V & 0xFFFF);
}

std::string Segment(uint8_t Marker, const std::string& Payload) {
  std::string S = "\xFF";
  S += static_cast<char>(Marker);
  PutWord(S, static_cast<uint32_t>(Payload.size() + 2));
  return S + Payload;
}

} // namespace

std::string JpegWithAsciiTags(const std::vector<std::pair<uint16_t, std::string>>& Tags) {
  std::string Tiff = "MM";
  PutWord(Tiff, 42);
  PutLong(Tiff, 8);
  const auto N = static_cast<uint32_t>(Tags.size());
  uint32_t DataOffset = 8 + 2 + 12 * N + 4;
  std::string Data;
  PutWord(Tiff, N);
  for (const auto& [Tag, Text] : Tags) {
    std::string Value = Text + '\0';
    PutWord(Tiff, Tag);
    PutWord(Tiff, 2);
    PutLong(Tiff, static_cast<uint32_t>(Value.size()));
    if (Value.size() <= 4) {
      Value.resize(4, '\0');
      Tiff += Value;
    } else {
      PutLong(Tiff, DataOffset + static_cast<uint32_t>(Data.size()));
      Data += Value;
    }
  }
  PutLong(Tiff, 0);
  Tiff += Data;
  std::string Jpeg = "\xFF\xD8";
  Jpeg += Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
  Jpeg += Segment(0xE1, std::string("Exif\0\0", 6) + Tiff);
  Jpeg += "\xFF\xD9";
  return Jpeg;
}

std::string JpegWithDateTime(const std::string& DateTime) {
  return JpegWithAsciiTags({{0x010F, "Snapstamp"}, {0x0132, DateTime}});
}

void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!Out)
    throw std::runtime_error("cannot write " + Path.string());
}

} // namespace fixture
