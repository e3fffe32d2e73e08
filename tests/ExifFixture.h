// Builds small JPEG files with Exif data in memory, for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fixture {

// A JPEG (SOI, APP0, APP1 "Exif", EOI) whose IFD0 holds the given ASCII tags
// in order, stored big-endian ("MM").
std::string JpegWithAsciiTags(const std::vector<std::pair<uint16_t, std::string>>& Tags);

// A JPEG whose IFD0 holds Make and the given DateTime.
std::string JpegWithDateTime(const std::string& DateTime);

// Writes Bytes to Path, replacing it.
void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes);

// Field types and the tags that point to sub-directories.
enum : uint16_t {
  tByte = 1,
  tAscii = 2,
  tShort = 3,
  tLong = 4,
  tRational = 5,
  tUndefined = 7,
  tSLong = 9,
  tSRational = 10,
  tFloat = 11,
};
enum : uint16_t { ExifPointer = 0x8769, GPSPointer = 0x8825, InteropPointer = 0xA005 };

enum class TOrder { II, MM };
inline std::ostream& operator<<(std::ostream& Os, TOrder Order) {
  return Os << (Order == TOrder::II ? "II" : "MM");
}

// Composes a TIFF structure (header, directories, out-of-line values) in
// either byte order. Directory 0 is IFD0; directories are laid out in the
// order they were added, followed by the out-of-line values, then by the
// directories given a fixed offset. Put() overwrites any bytes afterwards,
// for hostile cases the builder cannot express.
class TTiff {
public:
  explicit TTiff(TOrder Order);

  // Adds an empty directory and returns its index.
  int AddDirectory();

  // An entry whose value is Elements encoded by the type's width (1 byte for
  // BYTE, ASCII, UNDEFINED and unknown types, 2 for SHORT, 4 for LONG, SLONG,
  // FLOAT and each half of a RATIONAL); stored inline when it fits 4 bytes.
  // Count is the number of elements (pairs for RATIONALs) unless given.
  TTiff& Add(int Dir, uint16_t Tag, uint16_t Type, const std::vector<uint32_t>& Elements,
             std::optional<uint32_t> Count = std::nullopt);
  // An ASCII entry holding Text followed by a NUL.
  TTiff& Ascii(int Dir, uint16_t Tag, std::string_view Text);
  // An entry whose value-or-offset field is Field as it stands; nothing else is stored.
  TTiff& Raw(int Dir, uint16_t Tag, uint16_t Type, uint32_t Count, uint32_t Field);
  // A LONG entry holding the offset of directory Target.
  TTiff& Pointer(int Dir, uint16_t Tag, int Target);

  // The next-directory offset of Dir: directory Target, or a raw value.
  TTiff& Next(int Dir, int Target);
  TTiff& NextRaw(int Dir, uint32_t Offset);
  // Places Dir at a fixed TIFF offset beyond everything else.
  TTiff& PlaceAt(int Dir, uint32_t Offset);
  // Writes Bytes at a TIFF offset of the result, growing it with zeros as needed.
  TTiff& Put(uint32_t Offset, std::string_view Bytes);

  std::string Word(uint16_t V) const;
  std::string Long(uint32_t V) const;
  std::string Bytes() const;

private:
  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    std::string Value;             // stored inline when it fits 4 bytes, else out of line
    std::optional<uint32_t> Field; // raw value-or-offset field
    std::optional<int> Target;     // directory whose offset is the field
  };
  struct TDirectory {
    std::vector<TEntry> Entries;
    std::optional<int> NextDir;
    uint32_t NextRaw = 0;
    std::optional<uint32_t> FixedOffset;
  };

  TOrder Order;
  std::vector<TDirectory> Dirs;
  std::vector<std::pair<uint32_t, std::string>> Patches;
};

// A marker segment: FF, Marker, the 16-bit big-endian length (payload + 2,
// cut to 16 bits) and the payload.
std::string Segment(uint8_t Marker, std::string_view Payload);
// The APP0 segment of a JFIF file.
std::string Jfif();
// The APP1 segment holding "Exif", 00 00 and the TIFF bytes.
std::string ExifSegment(std::string_view Tiff);
// SOI, APP0, the Exif APP1 segment over Tiff, EOI, then Trailer.
std::string Jpeg(std::string_view Tiff, std::string_view Trailer = {});

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const noexcept { return FPath; }
  // Writes Bytes to a file of the directory and returns its path as a string.
  std::string File(const std::string& Name, const std::string& Bytes) const;

private:
  std::filesystem::path FPath;
};

} // namespace fixture
