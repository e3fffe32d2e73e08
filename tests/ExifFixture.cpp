#include "ExifFixture.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace fixture {

namespace {

void PutWordBE(std::string& S, uint32_t V) {
  S += static_cast<char>((V >> 8) & 0xFF);
  S += static_cast<char>(V & 0xFF);
}

void WriteAt(std::string& S, size_t Offset, std::string_view Bytes) {
  if (S.size() < Offset + Bytes.size())
    S.resize(Offset + Bytes.size(), '\0');
  S.replace(Offset, Bytes.size(), Bytes);
}

// Bytes per encoded element of a field type.
size_t ElementWidth(uint16_t Type) {
  switch (Type) {
  case 3: // SHORT
  case 8: // SSHORT
    return 2;
  case 4:  // LONG
  case 5:  // RATIONAL, per half
  case 9:  // SLONG
  case 10: // SRATIONAL, per half
  case 11: // FLOAT
  case 12: // DOUBLE, per half
    return 4;
  default:
    return 1;
  }
}

bool IsPairType(uint16_t Type) { return Type == 5 || Type == 10 || Type == 12; }

uint32_t DirectorySize(size_t Entries) { return static_cast<uint32_t>(2 + 12 * Entries + 4); }

} // namespace

TTiff::TTiff(TOrder AOrder) : Order(AOrder), Dirs(1) {}

int TTiff::AddDirectory() {
  Dirs.emplace_back();
  return static_cast<int>(Dirs.size() - 1);
}

TTiff& TTiff::Add(int Dir, uint16_t Tag, uint16_t Type, const std::vector<uint32_t>& Elements,
                  std::optional<uint32_t> Count) {
  std::string Value;
  const size_t Width = ElementWidth(Type);
  for (const uint32_t E : Elements)
    Value += Width == 1   ? std::string(1, static_cast<char>(E & 0xFF))
             : Width == 2 ? Word(static_cast<uint16_t>(E))
                          : Long(E);
  const auto Elems = static_cast<uint32_t>(Elements.size());
  Dirs.at(static_cast<size_t>(Dir))
      .Entries.push_back({Tag, Type, Count.value_or(IsPairType(Type) ? Elems / 2 : Elems), Value, {}, {}});
  return *this;
}

TTiff& TTiff::Ascii(int Dir, uint16_t Tag, std::string_view Text) {
  std::vector<uint32_t> Chars(Text.begin(), Text.end());
  for (auto& C : Chars)
    C &= 0xFF; // chars above 127 are negative
  Chars.push_back(0);
  return Add(Dir, Tag, tAscii, Chars);
}

TTiff& TTiff::Raw(int Dir, uint16_t Tag, uint16_t Type, uint32_t Count, uint32_t Field) {
  Dirs.at(static_cast<size_t>(Dir)).Entries.push_back({Tag, Type, Count, {}, Field, {}});
  return *this;
}

TTiff& TTiff::Pointer(int Dir, uint16_t Tag, int Target) {
  Dirs.at(static_cast<size_t>(Dir)).Entries.push_back({Tag, tLong, 1, {}, {}, Target});
  return *this;
}

TTiff& TTiff::Next(int Dir, int Target) {
  Dirs.at(static_cast<size_t>(Dir)).NextDir = Target;
  return *this;
}

TTiff& TTiff::NextRaw(int Dir, uint32_t Offset) {
  auto& D = Dirs.at(static_cast<size_t>(Dir));
  D.NextDir.reset();
  D.NextRaw = Offset;
  return *this;
}

TTiff& TTiff::PlaceAt(int Dir, uint32_t Offset) {
  Dirs.at(static_cast<size_t>(Dir)).FixedOffset = Offset;
  return *this;
}

TTiff& TTiff::Put(uint32_t Offset, std::string_view Bytes) {
  Patches.emplace_back(Offset, std::string(Bytes));
  return *this;
}

std::string TTiff::Word(uint16_t V) const {
  const auto Hi = static_cast<char>(V >> 8), Lo = static_cast<char>(V & 0xFF);
  return Order == TOrder::MM ? std::string{Hi, Lo} : std::string{Lo, Hi};
}

std::string TTiff::Long(uint32_t V) const {
  const std::string Hi = Word(static_cast<uint16_t>(V >> 16)), Lo = Word(static_cast<uint16_t>(V & 0xFFFF));
  return Order == TOrder::MM ? Hi + Lo : Lo + Hi;
}

std::string TTiff::Bytes() const {
  // Offsets first: sequential directories, then the out-of-line values.
  std::vector<uint32_t> DirOffset(Dirs.size());
  uint32_t Pos = 8;
  for (size_t I = 0; I < Dirs.size(); ++I)
    if (!Dirs[I].FixedOffset) {
      DirOffset[I] = Pos;
      Pos += DirectorySize(Dirs[I].Entries.size());
    }
  std::string Data;
  const uint32_t DataStart = Pos;
  for (size_t I = 0; I < Dirs.size(); ++I)
    if (Dirs[I].FixedOffset) {
      if (*Dirs[I].FixedOffset < DataStart)
        throw std::logic_error("a placed directory overlaps the others");
      DirOffset[I] = *Dirs[I].FixedOffset;
    }

  std::string S = Order == TOrder::MM ? "MM" : "II";
  S += Word(42) + Long(DirOffset[0]);
  for (size_t I = 0; I < Dirs.size(); ++I) {
    const TDirectory& D = Dirs[I];
    std::string Bin = Word(static_cast<uint16_t>(D.Entries.size()));
    for (const TEntry& E : D.Entries) {
      Bin += Word(E.Tag) + Word(E.Type) + Long(E.Count);
      if (E.Target) {
        Bin += Long(DirOffset.at(static_cast<size_t>(*E.Target)));
      } else if (E.Field) {
        Bin += Long(*E.Field);
      } else if (E.Value.size() <= 4) {
        Bin += E.Value + std::string(4 - E.Value.size(), '\0');
      } else {
        Bin += Long(DataStart + static_cast<uint32_t>(Data.size()));
        Data += E.Value;
      }
    }
    Bin += Long(D.NextDir ? DirOffset.at(static_cast<size_t>(*D.NextDir)) : D.NextRaw);
    WriteAt(S, DirOffset[I], Bin);
  }
  WriteAt(S, DataStart, Data);
  for (const auto& [Offset, Bytes] : Patches)
    WriteAt(S, Offset, Bytes);
  return S;
}

std::string Segment(uint8_t Marker, std::string_view Payload) {
  std::string S = "\xFF";
  S += static_cast<char>(Marker);
  PutWordBE(S, static_cast<uint32_t>(Payload.size() + 2) & 0xFFFF);
  return S.append(Payload);
}

std::string Jfif() { return Segment(0xE0, std::string_view("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14)); }

std::string ExifSegment(std::string_view Tiff) {
  return Segment(0xE1, std::string("Exif\0\0", 6).append(Tiff));
}

std::string Jpeg(std::string_view Tiff, std::string_view Trailer) {
  return "\xFF\xD8" + Jfif() + ExifSegment(Tiff) + "\xFF\xD9" + std::string(Trailer);
}

std::string JpegWithAsciiTags(const std::vector<std::pair<uint16_t, std::string>>& Tags) {
  TTiff Tiff(TOrder::MM);
  for (const auto& [Tag, Text] : Tags)
    Tiff.Ascii(0, Tag, Text);
  return Jpeg(Tiff.Bytes());
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

TTempDir::TTempDir() {
  // Random names keep test processes that run in parallel apart.
  std::random_device Seed;
  std::mt19937_64 Rng(Seed());
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    auto Candidate = std::filesystem::temp_directory_path() / ("snapstamp-test-" + std::to_string(Rng()));
    if (std::filesystem::create_directory(Candidate)) {
      FPath = std::move(Candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TTempDir::~TTempDir() {
  std::error_code Ignored;
  std::filesystem::remove_all(FPath, Ignored);
}

std::string TTempDir::File(const std::string& Name, const std::string& Bytes) const {
  const auto P = FPath / Name;
  WriteBytes(P, Bytes);
  return P.string();
}

} // namespace fixture
