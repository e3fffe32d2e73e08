#include "vxJpegInfo.h"

#include "rtl/Exceptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

constexpr uint16_t TagExifIFD = 0x8769;
constexpr uint16_t TagGPSInfo = 0x8825;
constexpr uint16_t TagInteroperability = 0xA005;

constexpr int64_t ExifSectionLimit = 0xFFFF;

struct TTagName {
  uint16_t Tag;
  const char* Name;
};

// Sorted by tag for binary search.
constexpr TTagName MainTags[] = {
    {0x0100, "ImageWidth"},
    {0x0101, "ImageLength"},
    {0x0102, "BitsPerSample"},
    {0x0103, "Compression"},
    {0x0106, "PhotometricInterpretation"},
    {0x010E, "ImageDescription"},
    {0x010F, "Make"},
    {0x0110, "Model"},
    {0x0111, "StripOffsets"},
    {0x0112, "Orientation"},
    {0x0115, "SamplesPerPixel"},
    {0x0116, "RowsPerStrip"},
    {0x0117, "StripByteCounts"},
    {0x011A, "XResolution"},
    {0x011B, "YResolution"},
    {0x011C, "PlanarConfiguration"},
    {0x0128, "ResolutionUnit"},
    {0x012D, "TransferFunction"},
    {0x0131, "Software"},
    {0x0132, "DateTime"},
    {0x013B, "Artist"},
    {0x013E, "WhitePoint"},
    {0x013F, "PrimaryChromaticities"},
    {0x0201, "JPEGInterchangeFormat"},
    {0x0202, "JPEGInterchangeFormatLength"},
    {0x0211, "YCbCrCoefficients"},
    {0x0212, "YCbCrSubSampling"},
    {0x0213, "YCbCrPositioning"},
    {0x0214, "ReferenceBlackWhite"},
    {0x8298, "Copyright"},
    {0x829A, "ExposureTime"},
    {0x829D, "FNumber"},
    {0x8769, "Exif IFD"},
    {0x8822, "ExposureProgram"},
    {0x8824, "SpectralSensitivity"},
    {0x8825, "GPS Info Pointer"},
    {0x8827, "ISOSpeedRatings"},
    {0x8828, "OECF"},
    {0x9000, "ExifVersion"},
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9101, "ComponentsConfiguration"},
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    {0x9207, "MeteringMode"},
    {0x9208, "LightSource"},
    {0x9209, "Flash"},
    {0x920A, "FocalLength"},
    {0x927C, "MakerNote"},
    {0x9286, "UserComment"},
    {0x9290, "SubSecTime"},
    {0x9291, "SubSecTimeOriginal"},
    {0x9292, "SubSecTimeDigitized"},
    {0xA000, "FlashPixVersion"},
    {0xA001, "ColorSpace"},
    {0xA002, "PixelXDimension"},
    {0xA003, "PixelYDimension"},
    {0xA005, "Interoperability IFD Pointer"},
    {0xA20B, "FlashEnergy"},
    {0xA20C, "SpatialFrequencyResponse"},
    {0xA20E, "FocalPlaneXResolution"},
    {0xA20F, "FocalPlaneYResolution"},
    {0xA210, "FicalPlaneResolutionUnit"},
    {0xA214, "SubjectLocation"},
    {0xA215, "ExposureIndex"},
    {0xA217, "SensingMethod"},
    {0xA300, "FileSource"},
    {0xA301, "SceneType"},
    {0xA302, "CFAPattern"},
};

constexpr TTagName GPSTags[] = {
    {0x0000, "GPSVersionID"},       {0x0001, "GPSLatitudeRef"},
    {0x0002, "GPSLatitude"},        {0x0003, "GPSLongitudeRef"},
    {0x0004, "GPSLongitude"},       {0x0005, "GPSAltitudeRef"},
    {0x0006, "GPSAltitude"},        {0x0007, "GPSTimeStamp"},
    {0x0008, "GPSSatellites"},      {0x0009, "GPSStatus"},
    {0x000A, "GPSMeasureMode"},     {0x000B, "GPSDOP"},
    {0x000C, "GPSSpeedRef"},        {0x000D, "GPSSpeed"},
    {0x000E, "GPSTrackRef"},        {0x000F, "GPSTrack"},
    {0x0010, "GPSImgDirectionRef"}, {0x0011, "GPSImgDirection"},
    {0x0012, "GPSMapDatum"},        {0x0013, "GPSDestLatitudeRef"},
    {0x0014, "GPSDestLatitude"},    {0x0015, "GPSDestLongitudeRef"},
    {0x0016, "GPSDestLongitude"},   {0x0017, "GPSDestBearingRef"},
    {0x0018, "GPSDestBearing"},     {0x0019, "GPSDestDistanceRef"},
    {0x001A, "GPSDestDistance"},
};

constexpr TTagName InteroperabilityTags[] = {
    {0x0001, "InteroperabilityIndex"},  {0x0002, "InteroperabilityVersion"},
    {0x1000, "RelatedImageFileFormat"}, {0x1001, "RelatedImageWidth"},
    {0x1002, "RelatedImageLength"},
};

template <size_t N> constexpr bool IsSorted(const TTagName (&Table)[N]) {
  for (size_t I = 1; I < N; ++I)
    if (Table[I - 1].Tag >= Table[I].Tag)
      return false;
  return true;
}
static_assert(std::size(MainTags) == 74 && IsSorted(MainTags));
static_assert(std::size(GPSTags) == 27 && IsSorted(GPSTags));
static_assert(std::size(InteroperabilityTags) == 5 && IsSorted(InteroperabilityTags));

template <size_t N> const char* FindTag(const TTagName (&Table)[N], uint16_t Tag) {
  const auto* It = std::lower_bound(std::begin(Table), std::end(Table), Tag,
                                    [](const TTagName& E, uint16_t T) { return E.Tag < T; });
  return (It != std::end(Table) && It->Tag == Tag) ? It->Name : nullptr;
}

template <typename T> void AppendDecimal(std::string& S, T Value) {
  std::array<char, 24> Buf{};
  const auto Res = std::to_chars(Buf.data(), Buf.data() + Buf.size(), Value);
  S.append(Buf.data(), Res.ptr);
}

constexpr char HexDigits[] = "0123456789ABCDEF";

// Characters below code 32 are dropped from ASCII values.
constexpr bool IsControl(uint8_t C) { return C < 32; }

enum TFieldType : uint16_t {
  ftByte = 1,
  ftAscii = 2,
  ftShort = 3,
  ftLong = 4,
  ftRational = 5,
  ftUndefined = 7,
  ftSLong = 9,
  ftSRational = 10,
};

// Bytes per element, or 0 for a type the reader does not format.
int64_t ElementSize(uint16_t Type) {
  switch (Type) {
  case ftByte:
  case ftAscii:
  case ftUndefined:
    return 1;
  case ftShort:
    return 2;
  case ftLong:
  case ftSLong:
    return 4;
  case ftRational:
  case ftSRational:
    return 8;
  default:
    return 0;
  }
}

// Characters one element takes in the value text, separator included.
int64_t TextPerElement(uint16_t Type) {
  switch (Type) {
  case ftAscii:
    return 1;
  case ftByte:
  case ftUndefined:
    return 4;
  case ftShort:
    return 6;
  case ftLong:
  case ftSLong:
    return 12;
  default:
    return 24;
  }
}

} // namespace

void TvxExifStream::SetPosition(int64_t Value) {
  if (ExifBase > 0 && Value > ExifBase + ExifSectionLimit)
    throw rtl::Exception("Exif section out of bounds");
  TvxFileStream::SetPosition(Value);
}

void TvxExifStream::Spend(int64_t Bytes) {
  if (Bytes > BudgetLeft)
    throw rtl::Exception("Exif data too large");
  BudgetLeft -= Bytes;
}

void TvxExifStream::FormatValue(int64_t Entry, uint16_t Type, int32_t Count, int32_t Value, bool Keep,
                                std::string& Text) {
  const int64_t Size = ElementSize(Type);
  if (Size == 0)
    throw rtl::Exception("Unsupported field type");
  if ((Type == ftLong || Type == ftSLong) && Count <= 1) {
    if (Keep)
      AppendDecimal(Text, Value);
    return;
  }
  const bool Inline = Type != ftRational && Type != ftSRational && Count * Size <= 4;
  const int64_t Where = Inline ? Entry + 8 : static_cast<int64_t>(ExifBase) + Value;
  SetPosition(Where);
  if (Count <= 0)
    return;
  Spend(Count * Size);
  if (!Keep) {
    // Files have no holes: when the first and the last byte can be read, so
    // can every byte between them, and the outcome is that of reading all.
    ReadByte();
    const int64_t Last = Where + Count * Size - 1;
    ReadByteAt(Last > std::numeric_limits<int32_t>::max() ? Unreachable : static_cast<int32_t>(Last));
    return;
  }
  // Room for the usual short values at once; longer ones grow as they are read.
  Text.reserve(Text.size() + static_cast<size_t>(std::min<int64_t>(Count, 256) * TextPerElement(Type)));
  // One loop per type keeps the per-element work free of branches on it.
  const auto Join = [&](char Separator, auto AppendElement) {
    for (int32_t I = 0; I < Count; ++I) {
      if (I > 0)
        Text += Separator;
      AppendElement();
    }
  };
  // Single bytes are read and formatted a block at a time, written straight
  // into the text; the separator after the last one is dropped at the end.
  const auto ForEachBlock = [&](size_t MaxChars, auto Format) {
    std::array<uint8_t, 4096> Block;
    for (int32_t Done = 0; Done < Count;) {
      const int32_t N = std::min<int32_t>(Count - Done, static_cast<int32_t>(Block.size()));
      ReadBlock(Block.data(), N);
      const size_t Old = Text.size();
      Text.resize(Old + MaxChars * static_cast<size_t>(N));
      char* const Begin = Text.data() + Old;
      char* P = Begin;
      for (int32_t I = 0; I < N; ++I)
        P = Format(P, Block[static_cast<size_t>(I)]);
      Text.resize(Old + static_cast<size_t>(P - Begin));
      Done += N;
    }
  };
  switch (Type) {
  case ftByte:
    ForEachBlock(4, [](char* P, uint8_t B) {
      P = std::to_chars(P, P + 3, B).ptr;
      *P = ',';
      return P + 1;
    });
    Text.pop_back(); // the separator after the last byte
    break;
  case ftAscii:
    // Control characters are dropped as they come.
    ForEachBlock(1, [](char* P, uint8_t B) {
      *P = static_cast<char>(B);
      return IsControl(B) ? P : P + 1;
    });
    break;
  case ftShort:
    Join(',', [&] { AppendDecimal(Text, ReadWord()); });
    break;
  case ftLong:
  case ftSLong:
    Join(',', [&] { AppendDecimal(Text, ReadLong()); });
    break;
  case ftRational:
  case ftSRational:
    Join(',', [&] {
      AppendDecimal(Text, ReadLong());
      Text += '/';
      AppendDecimal(Text, ReadLong());
    });
    break;
  default: // ftUndefined
    ForEachBlock(3, [](char* P, uint8_t B) {
      P[0] = HexDigits[B >> 4];
      P[1] = HexDigits[B & 0xF];
      P[2] = ' ';
      return P + 3;
    });
    Text.pop_back(); // the separator after the last byte
    break;
  }
}

bool TvxExifStream::ReadIFD(int32_t Offset, uint8_t Kind, rtl::TStringList& List) {
  return ReadIFDAt(Offset, Kind, List, 1);
}

bool TvxExifStream::ReadIFDAt(int32_t Offset, uint8_t Kind, rtl::TStringList& List, int Depth) {
  const int64_t Start = static_cast<int64_t>(ExifBase) + Offset;
  // Loops and runaway nesting fail the directory instead of hanging.
  if (Depth > MaxDepth || !VisitedDirectories.insert(Start).second)
    return false;
  try {
    return ReadEntries(Start, Kind, List, Depth);
  } catch (...) {
    return false;
  }
}

bool TvxExifStream::ReadEntries(int64_t Start, uint8_t Kind, rtl::TStringList& List, int Depth) {
  SetPosition(Start);
  const uint16_t N = ReadWord();
  Spend(2 + 4 + 12 * static_cast<int64_t>(N));
  for (uint16_t I = 0; I < N; ++I) {
    const int64_t E = GetPosition();
    const uint16_t Tag = ReadWord();
    const uint16_t Type = ReadWord();
    const int32_t Count = ReadLong();
    const int32_t V = ReadLong();
    uint8_t SubKind = 0;
    switch (Tag) {
    case TagExifIFD:
      SubKind = 1;
      break;
    case TagGPSInfo:
      SubKind = 2;
      break;
    case TagInteroperability:
      SubKind = 3;
      break;
    default:
      break;
    }
    TTagNameBuffer NameBuffer{};
    const std::string_view Name = TagNameView(Kind, Tag, NameBuffer);
    const bool Keep = OnlyName.empty() || rtl::SameName(Name, OnlyName);
    // The value is formatted straight after "Name=". An unsupported type
    // raises, which fails the directory at this entry. A pointer's own value
    // is read but never shown.
    std::string Line;
    if (Keep)
      Line.append(Name).append("=");
    FormatValue(E, Type, Count, V, Keep && SubKind == 0, Line);
    if (SubKind != 0) {
      if (!ReadIFDAt(V, SubKind, List, Depth + 1) && Keep)
        List.Add(std::move(Line.append("[ ERROR ]")));
    } else if (Keep) {
      List.Add(std::move(Line));
    }
    SetPosition(E + 12);
  }
  const int32_t Next = ReadLong();
  if (Next > 0xFFFF)
    return false;
  if (Next == 0)
    return true;
  return ReadIFDAt(Next, Kind, List, Depth + 1);
}

bool ReadExifInfo(const std::string& FileName, rtl::TStringList& List, std::string_view OnlyName) {
  TvxExifStream S(FileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
  S.OnlyName = OnlyName;
  if (S.Eof())
    return false;
  if (S.ReadWord() != 0xFFD8)
    return false;
  for (;;) {
    if (S.ReadByte() != 0xFF)
      return false;
    const uint8_t M = S.ReadByte();
    if (M == 0xD9)
      return false;
    if (M == 0xE1)
      break;
    const uint16_t L = S.ReadWord();
    // (L - 2) mod 65536 as the mathematical remainder: lengths 0 and 1 wrap.
    S.SetPosition(static_cast<int64_t>(S.GetPosition()) + ((L + 0x10000 - 2) % 0x10000));
  }
  S.ReadWord(); // APP1 length, not needed
  std::string Header(4, '\0');
  S.ReadBytes(Header, 4);
  if (Header != "Exif")
    return false;
  if (S.ReadWord() != 0)
    return false;
  S.ExifBase = S.GetPosition();
  switch (S.ReadWord()) {
  case 0x4949:
    S.SetByteOrder(0);
    break;
  case 0x4D4D:
    S.SetByteOrder(1);
    break;
  default:
    return false;
  }
  if (S.ReadWord() != 42)
    return false;
  const int32_t O = S.ReadLong();
  return S.ReadIFD(O, 0, List);
}

std::string_view TagNameView(uint8_t Kind, uint16_t Tag, TTagNameBuffer& Buffer) {
  const char* Name = nullptr;
  switch (Kind) {
  case 0:
  case 1:
    Name = FindTag(MainTags, Tag);
    break;
  case 2:
    Name = FindTag(GPSTags, Tag);
    break;
  case 3:
    Name = FindTag(InteroperabilityTags, Tag);
    break;
  default:
    break;
  }
  if (Name != nullptr)
    return Name;
  static constexpr char Digits[] = "0123456789ABCDEF";
  Buffer = {'T',
            'a',
            'g',
            ' ',
            Digits[Tag >> 12],
            Digits[(Tag >> 8) & 0xF],
            Digits[(Tag >> 4) & 0xF],
            Digits[Tag & 0xF]};
  return {Buffer.data(), Buffer.size()};
}

std::string TagName(uint8_t Kind, uint16_t Tag) {
  TTagNameBuffer Buffer{};
  return std::string(TagNameView(Kind, Tag, Buffer));
}

std::string StripControl(std::string_view S) {
  std::string R;
  R.reserve(S.size());
  for (const char C : S)
    if (!IsControl(static_cast<uint8_t>(C)))
      R += C;
  return R;
}
