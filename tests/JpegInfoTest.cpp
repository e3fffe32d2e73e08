#include "exif/vxJpegInfo.h"

#include "ExifFixture.h"
#include "rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using fixture::ExifPointer;
using fixture::GPSPointer;
using fixture::InteropPointer;
using fixture::TOrder;
using fixture::TTiff;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

constexpr uint16_t TagMake = 0x010F, TagModel = 0x0110, TagDateTime = 0x0132, TagXResolution = 0x011A,
                   TagImageDescription = 0x010E;

const std::string SOI = "\xFF\xD8";
const std::string EOI = "\xFF\xD9";

// A TIFF whose IFD0 holds only DateTime.
std::string DateTimeTiff(TOrder Order = TOrder::MM) {
  return TTiff(Order).Ascii(0, TagDateTime, "2001:10:05 12:34:56").Bytes();
}

enum class TOutcome { False, True, OutOfBounds };

std::ostream& operator<<(std::ostream& Os, TOutcome O) {
  return Os << (O == TOutcome::True ? "true" : O == TOutcome::False ? "false" : "Out of bounds");
}

struct TResult {
  TOutcome Outcome;
  Lines List;
};

TResult ReadOnce(const std::string& Name, std::string_view OnlyName) {
  rtl::TStringList List;
  try {
    const bool Ok = ReadExifInfo(Name, List, OnlyName);
    return {Ok ? TOutcome::True : TOutcome::False, {List.begin(), List.end()}};
  } catch (const rtl::EFOpenError&) {
    throw;
  } catch (const rtl::Exception& E) {
    EXPECT_EQ(E.Message(), "Out of bounds");
    return {TOutcome::OutOfBounds, {List.begin(), List.end()}};
  }
}

// Every case also checks that a read for the date alone, which renames use,
// ends the same way and keeps exactly the full read's DateTime lines.
TResult Read(const fixture::TTempDir& Temp, const std::string& Bytes) {
  const auto Name = Temp.File("photo.jpg", Bytes);
  TResult Full = ReadOnce(Name, {});
  const TResult DateOnly = ReadOnce(Name, "DateTime");
  Lines Dates;
  std::copy_if(Full.List.begin(), Full.List.end(), std::back_inserter(Dates),
               [](const std::string& Line) { return Line.rfind("DateTime=", 0) == 0; });
  EXPECT_EQ(DateOnly.Outcome, Full.Outcome);
  EXPECT_EQ(DateOnly.List, Dates);
  return Full;
}

std::string OrderName(TOrder Order) { return Order == TOrder::II ? "II" : "MM"; }

template <typename F> std::chrono::duration<double> TimeOf(F&& Run) {
  const auto Start = std::chrono::steady_clock::now();
  Run();
  return std::chrono::steady_clock::now() - Start;
}

// Guards must stop hostile files long before this.
constexpr std::chrono::seconds Quickly{10};

// ---------------------------------------------------------------------------
// Tag names and control characters

TEST(TagNameTest, NamesComeFromTheTableOfTheDirectoryKind) {
  struct TCase {
    uint8_t Kind;
    uint16_t Tag;
    const char* Name;
  } const Cases[] = {
      {0, 0x0100, "ImageWidth"},
      {0, 0x010F, "Make"},
      {0, 0x0132, "DateTime"},
      {0, 0x0202, "JPEGInterchangeFormatLength"},
      {0, 0x8769, "Exif IFD"},
      {0, 0x8825, "GPS Info Pointer"},
      {0, 0xA005, "Interoperability IFD Pointer"},
      {0, 0xA210, "FicalPlaneResolutionUnit"},
      {1, 0x9000, "ExifVersion"},
      {1, 0x927C, "MakerNote"},
      {1, 0xA302, "CFAPattern"},
      {1, 0x0110, "Model"}, // kinds 0 and 1 share one table
      {0, 0x9003, "DateTimeOriginal"},
      {2, 0x0000, "GPSVersionID"},
      {2, 0x0002, "GPSLatitude"},
      {2, 0x001A, "GPSDestDistance"},
      {3, 0x0001, "InteroperabilityIndex"},
      {3, 0x0002, "InteroperabilityVersion"},
      {3, 0x1002, "RelatedImageLength"},
      // Tags a table does not hold, and kinds without a table.
      {1, 0xA401, "Tag A401"},
      {2, 0xA401, "Tag A401"},
      {0, 0x0000, "Tag 0000"},
      {0, 0x0001, "Tag 0001"},
      {0, 0xFFFF, "Tag FFFF"},
      {2, 0x001B, "Tag 001B"},
      {2, 0x010F, "Tag 010F"},
      {2, 0x8769, "Tag 8769"},
      {3, 0x0000, "Tag 0000"},
      {3, 0x1003, "Tag 1003"},
      {3, 0x0132, "Tag 0132"},
      {4, 0x010F, "Tag 010F"},
      {255, 0x0001, "Tag 0001"},
      {0, 0x00AB, "Tag 00AB"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(TagName(C.Kind, C.Tag), C.Name) << "kind " << int{C.Kind} << " tag " << std::hex << C.Tag;
}

TEST(StripControlTest, DropsCharactersBelowSpaceOnly) {
  struct TCase {
    std::string In, Out;
  } const Cases[] = {
      {"", ""},
      {std::string("abc\0", 4), "abc"},
      {std::string("ab\0cd", 5), "abcd"},
      {"a\tb\r\nc\x1F", "abc"},
      {"\x01\x02\x03", ""},
      {" ~\x7F", " ~\x7F"},
      {"\x80\xE9\xFF", "\x80\xE9\xFF"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(StripControl(C.In), C.Out) << testing::PrintToString(C.In);
}

// ---------------------------------------------------------------------------
// Marker scan and header

struct TScanCase {
  const char* Name;
  std::string Bytes;
  TOutcome Outcome;
};

std::vector<TScanCase> ScanCases() {
  const std::string Exif = fixture::ExifSegment(DateTimeTiff());
  const auto WithTiff = [](const std::string& Tiff) { return SOI + fixture::ExifSegment(Tiff) + EOI; };
  std::string BadMark = DateTimeTiff(), Lowercase = DateTimeTiff(TOrder::II), Magic43 = DateTimeTiff(),
              MagicSwapped = DateTimeTiff(TOrder::II);
  BadMark.replace(0, 2, "IM");
  Lowercase.replace(0, 2, "ii");
  Magic43[3] = 43;
  MagicSwapped.replace(2, 2, std::string("\x00\x2A", 2));
  return {
      {"EmptyFile", "", TOutcome::False},
      {"OneByte", "\xFF", TOutcome::OutOfBounds},
      {"SoiOnly", SOI, TOutcome::OutOfBounds},
      {"NoSoi", EOI + Exif, TOutcome::False},
      {"SoiBytesSwapped", "\xD8\xFF" + Exif, TOutcome::False},
      {"ExifRightAfterSoi", SOI + Exif, TOutcome::True},
      {"App0SkippedByLength", SOI + fixture::Jfif() + Exif + EOI, TOutcome::True},
      {"App2SkippedByLength", SOI + fixture::Segment(0xE2, "ICC_PROFILE") + Exif, TOutcome::True},
      // Markers that carry no length elsewhere are still read as segments.
      {"EveryMarkerHasALength", SOI + "\xFF\x01\x00\x04\xAA\xBB"s + "\xFF\xD0\x00\x02"s + Exif,
       TOutcome::True},
      {"SegmentLength2IsEmpty", SOI + "\xFF\xE0\x00\x02"s + Exif, TOutcome::True},
      // Lengths 0 and 1 wrap to 65534 and 65535 bytes instead of moving back.
      {"SegmentLength0Wraps", SOI + std::string("\xFF\xE0\x00\x00", 4) + std::string(65534, 'x') + Exif,
       TOutcome::True},
      {"SegmentLength1Wraps", SOI + std::string("\xFF\xE0\x00\x01", 4) + std::string(65535, 'x') + Exif,
       TOutcome::True},
      {"NoFFBeforeMarker", SOI + std::string(1, '\0') + Exif, TOutcome::False},
      // A fill byte is taken as the marker code, so FF FF E1 reads E1 as a
      // length and jumps beyond the end.
      {"FillByteNotSkipped", SOI + "\xFF" + Exif + EOI, TOutcome::OutOfBounds},
      {"EoiBeforeApp1", SOI + fixture::Jfif() + EOI + Exif, TOutcome::False},
      {"ScanDataBeforeApp1", SOI + fixture::Segment(0xDA, "\x01\x02") + "\x12\x34\x56" + Exif,
       TOutcome::False},
      {"XmpApp1BeforeExif",
       SOI + fixture::Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34)) + Exif,
       TOutcome::False},
      {"LowercaseExifHeader", SOI + fixture::Segment(0xE1, std::string("exif\0\0", 6) + DateTimeTiff()),
       TOutcome::False},
      {"NonZeroWordAfterExif", SOI + fixture::Segment(0xE1, std::string("Exif\0\x01", 6) + DateTimeTiff()),
       TOutcome::False},
      {"ByteOrderMarkIM", WithTiff(BadMark), TOutcome::False},
      {"ByteOrderMarkLowercase", WithTiff(Lowercase), TOutcome::False},
      {"MagicNot42", WithTiff(Magic43), TOutcome::False},
      {"MagicInTheOtherOrder", WithTiff(MagicSwapped), TOutcome::False},
      {"CutInSegmentLength", SOI + "\xFF\xE0\x00"s, TOutcome::OutOfBounds},
      {"CutInSegmentBody", SOI + "\xFF\xE0\x00\x10"s + "abc", TOutcome::OutOfBounds},
      {"CutInApp1Length", SOI + "\xFF\xE1\x00"s, TOutcome::OutOfBounds},
      {"CutInExifWord", SOI + "\xFF\xE1\x00\x10"s + "Ex", TOutcome::OutOfBounds},
      {"CutAfterExifWord", SOI + "\xFF\xE1\x00\x10"s + std::string("Exif\0\0", 6), TOutcome::OutOfBounds},
      {"CutInIfd0Offset", SOI + "\xFF\xE1\x00\x10"s + std::string("Exif\0\0MM\0\x2A\0\0", 12),
       TOutcome::OutOfBounds},
      // From IFD0 on, errors are caught by the directory walk.
      {"CutInIfd0", SOI + "\xFF\xE1\x00\x10"s + std::string("Exif\0\0MM\0\x2A\0\0\0\x08\0", 15),
       TOutcome::False},
      {"Ifd0BeyondTheSection", WithTiff(TTiff(TOrder::MM).PlaceAt(0, 0x10000).Ascii(0, TagMake, "m").Bytes()),
       TOutcome::False},
  };
}

void PrintTo(const TScanCase& C, std::ostream* Os) { *Os << C.Name; }

class MarkerScanTest : public testing::TestWithParam<TScanCase> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(MarkerScanTest, Outcome) {
  const TResult R = Read(Temp, GetParam().Bytes);
  EXPECT_EQ(R.Outcome, GetParam().Outcome);
  if (GetParam().Outcome == TOutcome::True) {
    EXPECT_EQ(R.List, Lines{"DateTime=2001:10:05 12:34:56"});
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MarkerScanTest, testing::ValuesIn(ScanCases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class JpegInfoTest : public testing::Test {
protected:
  fixture::TTempDir Temp;
};

TEST_F(JpegInfoTest, SmallestAcceptedFileGivesAnEmptyList) {
  const std::string Bytes("\xFF\xD8\xFF\xE1\x00\x14"
                          "Exif\0\0II\x2A\0\x08\0\0\0\0\0\0\0\0\0",
                          26);
  const TResult R = Read(Temp, Bytes);
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_TRUE(R.List.empty());
}

TEST_F(JpegInfoTest, FilesThatCannotBeOpenedRaiseEFOpenError) {
  for (const auto& Name : {(Temp.Path() / "missing.jpg").string(), Temp.Path().string()}) {
    rtl::TStringList List;
    try {
      ReadExifInfo(Name, List);
      ADD_FAILURE() << Name << " opened";
    } catch (const rtl::EFOpenError& E) {
      EXPECT_EQ(E.Message(), "Cannot open file " + Name);
    }
  }
}

// ---------------------------------------------------------------------------
// Directory contents, built once per byte order with the same expectations,
// so the "II" and "MM" forms of the same content must give identical lists.

struct TDirCase {
  const char* Name;
  uint8_t Kind; // where the entries go: 0 IFD0, 1 Exif IFD, 2 GPS IFD, 3 Interoperability IFD
  std::function<void(TTiff&, int Dir)> Build;
  Lines Expected;
  bool Ok = true;
};

std::vector<TDirCase> DirCases() {
  using namespace fixture;
  return {
      // BYTE: inline up to 4, each in decimal.
      {"ByteInline",
       2,
       [](TTiff& T, int D) {
         T.Add(D, 0x0000, tByte, {2, 2, 0, 255});
       },
       {"GPSVersionID=2,2,0,255"}},
      {"ByteOutOfLine",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x0102, tByte, {1, 2, 3, 4, 200});
       },
       {"BitsPerSample=1,2,3,4,200"}},
      {"ByteCountZero", 2, [](TTiff& T, int D) { T.Add(D, 0x0000, tByte, {}); }, {"GPSVersionID="}},
      {"ByteCountNegative",
       0,
       [](TTiff& T, int D) { T.Raw(D, 0x0102, tByte, 0xFFFFFFFF, 0x10000); },
       {"BitsPerSample="}},
      // ASCII: count bytes, control characters dropped.
      {"AsciiInline", 0, [](TTiff& T, int D) { T.Ascii(D, TagMake, "abc"); }, {"Make=abc"}},
      {"AsciiFourWithoutNul",
       0,
       [](TTiff& T, int D) {
         T.Add(D, TagMake, tAscii, {'a', 'b', 'c', 'd'});
       },
       {"Make=abcd"}},
      {"AsciiOutOfLine",
       0,
       [](TTiff& T, int D) { T.Ascii(D, TagDateTime, "2001:10:05 12:34:56"); },
       {"DateTime=2001:10:05 12:34:56"}},
      {"AsciiControlCharactersDropped",
       0,
       [](TTiff& T, int D) { T.Ascii(D, TagImageDescription, "a\tb\r\nc\x01 d"); },
       {"ImageDescription=abc d"}},
      {"AsciiEmbeddedNulDropped",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x0131, tAscii, {'a', 'b', 0, 'c', 'd', 0});
       },
       {"Software=abcd"}},
      {"AsciiHighCharactersKept",
       0,
       [](TTiff& T, int D) { T.Ascii(D, 0x013B, "J\xF6rg \x80\xFF"); },
       {"Artist=J\xF6rg \x80\xFF"}},
      {"AsciiCountZero", 0, [](TTiff& T, int D) { T.Add(D, TagMake, tAscii, {}); }, {"Make="}},
      // SHORT: unsigned, inline up to 2.
      {"ShortOne", 0, [](TTiff& T, int D) { T.Add(D, 0x0112, tShort, {6}); }, {"Orientation=6"}},
      {"ShortTwoInline",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x0212, tShort, {2, 65535});
       },
       {"YCbCrSubSampling=2,65535"}},
      {"ShortThreeOutOfLine",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x0102, tShort, {8, 8, 8});
       },
       {"BitsPerSample=8,8,8"}},
      // LONG and SLONG: count <= 1 prints the field itself, signed.
      {"LongAllOnes", 0, [](TTiff& T, int D) { T.Add(D, 0x0100, tLong, {0xFFFFFFFF}); }, {"ImageWidth=-1"}},
      {"LongCountZeroPrintsField",
       0,
       [](TTiff& T, int D) { T.Raw(D, 0x0100, tLong, 0, 1234); },
       {"ImageWidth=1234"}},
      {"LongCountNegativePrintsField",
       0,
       [](TTiff& T, int D) { T.Raw(D, 0x0101, tLong, 0xFFFFFFFF, 0x80000000); },
       {"ImageLength=-2147483648"}},
      {"LongFieldIsNoOffset",
       0,
       [](TTiff& T, int D) { T.Raw(D, 0x0100, tLong, 1, 0x7FFFFFFF); },
       {"ImageWidth=2147483647"}},
      {"LongMany",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x0111, tLong, {1, 0x80000000, 0x7FFFFFFF});
       },
       {"StripOffsets=1,-2147483648,2147483647"}},
      {"SLongOne",
       1,
       [](TTiff& T, int D) { T.Add(D, 0xA002, tSLong, {0xFFFFFFFE}); },
       {"PixelXDimension=-2"}},
      {"SLongMany",
       1,
       [](TTiff& T, int D) {
         T.Add(D, 0xA003, tSLong, {3, 0xFFFFFFFD});
       },
       {"PixelYDimension=3,-3"}},
      // RATIONAL and SRATIONAL: always out of line, signed, no division.
      {"RationalOne",
       0,
       [](TTiff& T, int D) {
         T.Add(D, TagXResolution, tRational, {72, 1});
       },
       {"XResolution=72/1"}},
      {"RationalThree",
       2,
       [](TTiff& T, int D) {
         T.Add(D, 0x0002, tRational, {52, 1, 30, 1, 1234, 100});
       },
       {"GPSLatitude=52/1,30/1,1234/100"}},
      {"RationalZeroDenominator",
       1,
       [](TTiff& T, int D) {
         T.Add(D, 0x829D, tRational, {5, 0});
       },
       {"FNumber=5/0"}},
      {"RationalPrintedSigned",
       0,
       [](TTiff& T, int D) {
         T.Add(D, 0x011B, tRational, {0xFFFFFFFF, 0x80000000});
       },
       {"YResolution=-1/-2147483648"}},
      {"SRational",
       1,
       [](TTiff& T, int D) {
         T.Add(D, 0x9204, tSRational, {0xFFFFFFFF, 3});
       },
       {"ExposureBiasValue=-1/3"}},
      {"RationalCountZero",
       0,
       [](TTiff& T, int D) { T.Raw(D, TagXResolution, tRational, 0, 8); },
       {"XResolution="}},
      // The move to the values happens even when there is nothing to read.
      {"RationalCountZeroBeyondTheSection",
       0,
       [](TTiff& T, int D) {
         T.Ascii(D, TagMake, "m").Raw(D, TagXResolution, tRational, 0, 0x10000).Ascii(D, TagModel, "x");
       },
       {"Make=m"},
       false},
      {"SRationalCountZeroBeyondTheSection",
       1,
       [](TTiff& T, int D) { T.Raw(D, 0x9204, tSRational, 0, 0x10000); },
       {"Exif IFD=[ ERROR ]"}},
      // UNDEFINED: uppercase hex pairs, inline up to 4.
      {"UndefinedInline",
       1,
       [](TTiff& T, int D) {
         T.Add(D, 0x9000, tUndefined, {'0', '2', '1', '0'});
       },
       {"ExifVersion=30 32 31 30"}},
      {"UndefinedOutOfLine",
       1,
       [](TTiff& T, int D) {
         T.Add(D, 0x927C, tUndefined, {0xAB, 0x0F, 0, 0xFF, 0x10});
       },
       {"MakerNote=AB 0F 00 FF 10"}},
      {"UndefinedCountZero",
       1,
       [](TTiff& T, int D) { T.Add(D, 0xA000, tUndefined, {}); },
       {"FlashPixVersion="}},
      // Names by directory kind.
      {"UnknownTagInExif", 1, [](TTiff& T, int D) { T.Add(D, 0xA401, tShort, {1}); }, {"Tag A401=1"}},
      {"UnknownTagInGps", 2, [](TTiff& T, int D) { T.Add(D, 0xA401, tShort, {1}); }, {"Tag A401=1"}},
      {"InteropNames",
       3,
       [](TTiff& T, int D) {
         T.Ascii(D, 0x0001, "R98").Add(D, 0x0002, tUndefined, {'0', '1', '0', '0'});
       },
       {"InteroperabilityIndex=R98", "InteroperabilityVersion=30 31 30 30"}},
      {"GpsNumbersOutsideGps", 0, [](TTiff& T, int D) { T.Ascii(D, 0x0001, "N"); }, {"Tag 0001=N"}},
      // Where values may lie: ExifBase + 65535 is the last reachable start,
      // and positions before ExifBase are not bounded.
      {"ValuesAtTheLastReachableOffset",
       0,
       [](TTiff& T, int D) { T.Raw(D, 0x0102, tByte, 5, 0xFFFF).Put(0xFFFF, "\x01\x02\x03\x04\x05"); },
       {"BitsPerSample=1,2,3,4,5"}},
      {"ValuesBeyondTheSection",
       0,
       [](TTiff& T, int D) {
         T.Ascii(D, TagMake, "m").Raw(D, 0x0102, tByte, 5, 0x10000).Put(0x10000, "\x01\x02\x03\x04\x05");
       },
       {"Make=m"},
       false},
      {"ValuesBeforeTheTiffHeader",
       0,
       [](TTiff& T, int D) { T.Raw(D, TagMake, tAscii, 5, static_cast<uint32_t>(-6)); },
       {"Make=Exif"}},
      {"ValuesBeforeTheFile",
       0,
       [](TTiff& T, int D) {
         T.Ascii(D, TagModel, "x").Raw(D, TagMake, tAscii, 5, 0x80000000).Ascii(D, TagModel, "y");
       },
       {"Model=x"},
       false},
      {"CountRunsPastTheEnd", 0, [](TTiff& T, int D) { T.Raw(D, TagMake, tAscii, 100000, 8); }, {}, false},
      {"HugeAsciiCount", 0, [](TTiff& T, int D) { T.Raw(D, TagMake, tAscii, 0x7FFFFFFF, 8); }, {}, false},
      {"HugeRationalCount",
       1,
       [](TTiff& T, int D) { T.Raw(D, 0x829A, tRational, 0x7FFFFFFF, 8); },
       {"Exif IFD=[ ERROR ]"}},
      // Entry count larger than the entries present: the walk reads on
      // into whatever follows and fails at the end of the file.
      {"EntryCountBeyondTheFile",
       0,
       [](TTiff& T, int D) { T.Ascii(D, TagMake, "m").Put(8, T.Word(0xFFFF)); },
       {"Make=m"},
       false},
  };
}

void PrintTo(const TDirCase& C, std::ostream* Os) { *Os << C.Name; }

class DirectoryTest : public testing::TestWithParam<std::tuple<TDirCase, TOrder>> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(DirectoryTest, Lines) {
  const auto& [Case, Order] = GetParam();
  static constexpr uint16_t PointerTag[] = {0, ExifPointer, GPSPointer, InteropPointer};
  TTiff T(Order);
  int Dir = 0;
  if (Case.Kind != 0) {
    Dir = T.AddDirectory();
    T.Pointer(0, PointerTag[Case.Kind], Dir);
  }
  Case.Build(T, Dir);
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, Case.Ok ? TOutcome::True : TOutcome::False);
  EXPECT_EQ(R.List, Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DirectoryTest,
                         testing::Combine(testing::ValuesIn(DirCases()),
                                          testing::Values(TOrder::II, TOrder::MM)),
                         [](const auto& Info) {
                           return std::string(std::get<0>(Info.param).Name) + "_" +
                                  OrderName(std::get<1>(Info.param));
                         });

// ---------------------------------------------------------------------------
// A complete file: IFD0 pointing to Exif (with Interoperability) and GPS,
// chained to IFD1.

class WholeFileTest : public testing::TestWithParam<TOrder> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(WholeFileTest, DirectoriesAppearAtTheirPointersAndTheChainFollows) {
  using namespace fixture;
  TTiff T(GetParam());
  const int Exif = T.AddDirectory(), Interop = T.AddDirectory(), Gps = T.AddDirectory(),
            Ifd1 = T.AddDirectory();
  T.Ascii(0, TagMake, "Snapstamp")
      .Ascii(0, TagModel, "Model 1")
      .Add(0, TagXResolution, tRational, {72, 1})
      .Add(0, 0x0128, tShort, {2})
      .Pointer(0, ExifPointer, Exif)
      .Pointer(0, GPSPointer, Gps)
      .Ascii(0, TagDateTime, "2001:10:05 12:34:56")
      .Next(0, Ifd1);
  T.Add(Exif, 0x829A, tRational, {1, 160})
      .Add(Exif, 0x9000, tUndefined, {'0', '2', '2', '1'})
      .Ascii(Exif, 0x9003, "2001:10:05 11:00:00")
      .Pointer(Exif, InteropPointer, Interop)
      .Add(Exif, 0xA002, tLong, {640})
      .Add(Exif, 0xA401, tShort, {0});
  T.Ascii(Interop, 0x0001, "R98").Add(Interop, 0x0002, tUndefined, {'0', '1', '0', '0'});
  T.Add(Gps, 0x0000, tByte, {2, 2, 0, 0})
      .Ascii(Gps, 0x0001, "N")
      .Add(Gps, 0x0002, tRational, {52, 1, 30, 1, 1234, 100});
  T.Add(Ifd1, TagXResolution, tRational, {180, 1})
      .Add(Ifd1, 0x0201, tLong, {1000})
      .Add(Ifd1, 0x0202, tLong, {5000});

  rtl::TStringList List;
  ASSERT_TRUE(ReadExifInfo(Temp.File("photo.jpg", Jpeg(T.Bytes())), List));
  const Lines Expected = {
      "Make=Snapstamp",
      "Model=Model 1",
      "XResolution=72/1",
      "ResolutionUnit=2",
      "ExposureTime=1/160",
      "ExifVersion=30 32 32 31",
      "DateTimeOriginal=2001:10:05 11:00:00",
      "InteroperabilityIndex=R98",
      "InteroperabilityVersion=30 31 30 30",
      "PixelXDimension=640",
      "Tag A401=0",
      "GPSVersionID=2,2,0,0",
      "GPSLatitudeRef=N",
      "GPSLatitude=52/1,30/1,1234/100",
      "DateTime=2001:10:05 12:34:56",
      "XResolution=180/1",
      "JPEGInterchangeFormat=1000",
      "JPEGInterchangeFormatLength=5000",
  };
  EXPECT_EQ(Lines(List.begin(), List.end()), Expected);
  EXPECT_EQ(List.Value("xresolution"), "72/1");
  EXPECT_EQ(List.Value("DateTime"), "2001:10:05 12:34:56");
}

INSTANTIATE_TEST_SUITE_P(Orders, WholeFileTest, testing::Values(TOrder::II, TOrder::MM),
                         [](const auto& Info) { return OrderName(Info.param); });

// ---------------------------------------------------------------------------
// Field types the reader does not format stop the directory at the entry.

class UnsupportedTypeTest : public testing::TestWithParam<uint16_t> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(UnsupportedTypeTest, InIfd0TheFileFails) {
  TTiff T(TOrder::II);
  T.Ascii(0, TagMake, "m").Raw(0, 0x829A, GetParam(), 1, 0).Ascii(0, TagModel, "x");
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::False);
  EXPECT_EQ(R.List, Lines{"Make=m"});
}

TEST_P(UnsupportedTypeTest, InTheExifIfdOnlyThatDirectoryFails) {
  TTiff T(TOrder::MM);
  const int Exif = T.AddDirectory();
  T.Ascii(0, TagMake, "m").Pointer(0, fixture::ExifPointer, Exif).Ascii(0, TagModel, "x");
  T.Add(Exif, 0x9000, fixture::tUndefined, {'0', '2', '2', '1'})
      .Raw(Exif, 0x829A, GetParam(), 1, 0)
      .Add(Exif, 0x829D, fixture::tRational, {28, 10});
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"Make=m", "ExifVersion=30 32 32 31", "Exif IFD=[ ERROR ]", "Model=x"}));
}

// The pointer's own value is formatted first, so its type counts too.
TEST_P(UnsupportedTypeTest, AsTheTypeOfAPointerEntry) {
  TTiff T(TOrder::II);
  const int Exif = T.AddDirectory();
  T.Ascii(0, TagMake, "m").Raw(0, fixture::ExifPointer, GetParam(), 1, 0).Ascii(Exif, TagModel, "x");
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::False);
  EXPECT_EQ(R.List, Lines{"Make=m"});
}

INSTANTIATE_TEST_SUITE_P(Types, UnsupportedTypeTest, testing::Values(0, 6, 8, 11, 12, 13, 0xFFFF));

// ---------------------------------------------------------------------------
// Pointer entries whose directory fails

class PointerTest : public testing::TestWithParam<TOrder> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(PointerTest, FailedDirectoryBecomesAnErrorLineAndTheParentGoesOn) {
  struct TCase {
    uint8_t ParentKind; // 0 IFD0, 2 the GPS IFD
    uint16_t Tag;
    uint32_t Offset;
    const char* Line;
  } const Cases[] = {
      {0, ExifPointer, 0x10000, "Exif IFD=[ ERROR ]"},
      {0, GPSPointer, 0x7FFFFFFF, "GPS Info Pointer=[ ERROR ]"},
      {0, InteropPointer, 0x80000000, "Interoperability IFD Pointer=[ ERROR ]"},
      {0, ExifPointer, 0x1000, "Exif IFD=[ ERROR ]"}, // inside the section, beyond the file
      // The error line is named by the parent's table.
      {2, ExifPointer, 0x10000, "Tag 8769=[ ERROR ]"},
      {2, InteropPointer, 0x10000, "Tag A005=[ ERROR ]"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Line);
    TTiff T(GetParam());
    int Parent = 0;
    if (C.ParentKind == 2) {
      Parent = T.AddDirectory();
      T.Pointer(0, GPSPointer, Parent);
    }
    T.Ascii(Parent, 0x0001, "a").Raw(Parent, C.Tag, fixture::tLong, 1, C.Offset).Ascii(Parent, 0x0003, "b");
    const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
    EXPECT_EQ(R.Outcome, TOutcome::True);
    const Lines Expected = C.ParentKind == 2 ? Lines{"GPSLatitudeRef=a", C.Line, "GPSLongitudeRef=b"}
                                             : Lines{"Tag 0001=a", C.Line, "Tag 0003=b"};
    EXPECT_EQ(R.List, Expected);
  }
}

TEST_P(PointerTest, PointersAreFollowedInEveryKindOfDirectory) {
  TTiff T(GetParam());
  const int Gps = T.AddDirectory(), Interop = T.AddDirectory();
  T.Pointer(0, GPSPointer, Gps);
  T.Pointer(Gps, InteropPointer, Interop).Ascii(Gps, 0x0001, "N");
  T.Ascii(Interop, 0x0001, "R98");
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"InteroperabilityIndex=R98", "GPSLatitudeRef=N"}));
}

INSTANTIATE_TEST_SUITE_P(Orders, PointerTest, testing::Values(TOrder::II, TOrder::MM),
                         [](const auto& Info) { return OrderName(Info.param); });

// ---------------------------------------------------------------------------
// Next-directory links

class ChainTest : public testing::TestWithParam<TOrder> {
protected:
  fixture::TTempDir Temp;
};

TEST_P(ChainTest, ChainedDirectoriesKeepTheKindOfTheirHead) {
  using namespace fixture;
  TTiff T(GetParam());
  const int Gps = T.AddDirectory(), Gps2 = T.AddDirectory(), Interop = T.AddDirectory(),
            Interop2 = T.AddDirectory(), Ifd1 = T.AddDirectory();
  T.Pointer(0, GPSPointer, Gps).Pointer(0, InteropPointer, Interop).Ascii(0, 0x0001, "main").Next(0, Ifd1);
  T.Ascii(Gps, 0x0001, "N").Next(Gps, Gps2);
  T.Ascii(Gps2, 0x0003, "E");
  T.Ascii(Interop, 0x0001, "R98").Next(Interop, Interop2);
  T.Add(Interop2, 0x1001, tShort, {640});
  T.Ascii(Ifd1, 0x0001, "thumb");
  const TResult R = Read(Temp, Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"GPSLatitudeRef=N", "GPSLongitudeRef=E", "InteroperabilityIndex=R98",
                           "RelatedImageWidth=640", "Tag 0001=main", "Tag 0001=thumb"}));
}

TEST_P(ChainTest, NextOffsetLimits) {
  struct TCase {
    const char* Name;
    uint32_t Next;
    bool PlaceThere; // put a directory holding Model at Next
    bool WithEntry;
    TOutcome Outcome;
    Lines Expected;
  } const Cases[] = {
      {"65535 is followed", 0xFFFF, true, false, TOutcome::True, {"Make=m"}},
      // A directory there is read, but every move inside it (to inline
      // values, to the next entry) lies beyond the section; a LONG of
      // count 1 needs none.
      {"65535 with an entry", 0xFFFF, true, true, TOutcome::False, {"Make=m", "ImageWidth=7"}},
      {"65536 fails unread", 0x10000, true, true, TOutcome::False, {"Make=m"}},
      {"far beyond fails", 0x7FFFFFFF, false, false, TOutcome::False, {"Make=m"}},
      {"before the file fails", 0x80000000, false, false, TOutcome::False, {"Make=m"}},
      {"inside, beyond the file fails", 0x1000, false, false, TOutcome::False, {"Make=m"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TTiff T(GetParam());
    T.Ascii(0, TagMake, "m").NextRaw(0, C.Next);
    if (C.PlaceThere) {
      const int Far = T.AddDirectory();
      T.PlaceAt(Far, C.Next);
      if (C.WithEntry)
        T.Add(Far, 0x0100, fixture::tLong, {7}).Ascii(Far, TagModel, "never");
    }
    const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
    EXPECT_EQ(R.Outcome, C.Outcome);
    EXPECT_EQ(R.List, C.Expected);
  }
}

// Offsets are signed: a negative next offset reaches back before the TIFF
// header, here into an APP0 segment that holds a directory.
TEST_P(ChainTest, NegativeNextOffsetIsFollowed) {
  TTiff Helper(GetParam());
  const std::string App0Dir = Helper.Word(1) + Helper.Word(TagMake) + Helper.Word(fixture::tAscii) +
                              Helper.Long(4) + std::string("neg\0", 4) + Helper.Long(0);
  const std::string App0 = fixture::Segment(0xE0, App0Dir);
  const auto ExifBase = static_cast<uint32_t>(SOI.size() + App0.size() + 4 + 6);
  const uint32_t DirStart = 2 + 4;
  TTiff T(GetParam());
  T.Ascii(0, TagModel, "m").NextRaw(0, DirStart - ExifBase);
  const TResult R = Read(Temp, SOI + App0 + fixture::ExifSegment(T.Bytes()) + EOI);
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"Model=m", "Make=neg"}));
}

INSTANTIATE_TEST_SUITE_P(Orders, ChainTest, testing::Values(TOrder::II, TOrder::MM),
                         [](const auto& Info) { return OrderName(Info.param); });

// ---------------------------------------------------------------------------
// Hostile structures end quickly with failed directories.

TEST_F(JpegInfoTest, DirectoryChainedToItselfFails) {
  TTiff T(TOrder::II);
  T.Ascii(0, TagMake, "m").Next(0, 0);
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::False);
  EXPECT_EQ(R.List, Lines{"Make=m"});
}

TEST_F(JpegInfoTest, PointerBackToADirectoryBeingReadFails) {
  TTiff T(TOrder::MM);
  const int Exif = T.AddDirectory();
  T.Ascii(0, TagMake, "m").Pointer(0, ExifPointer, Exif);
  T.Ascii(Exif, TagModel, "x").Pointer(Exif, InteropPointer, 0).Pointer(Exif, GPSPointer, Exif);
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"Make=m", "Model=x", "Interoperability IFD Pointer=[ ERROR ]",
                           "GPS Info Pointer=[ ERROR ]"}));
}

TEST_F(JpegInfoTest, DirectoryAlreadyReadIsNotReadAgain) {
  TTiff T(TOrder::II);
  const int Shared = T.AddDirectory();
  T.Pointer(0, ExifPointer, Shared).Pointer(0, GPSPointer, Shared);
  T.Ascii(Shared, TagModel, "x");
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  EXPECT_EQ(R.List, (Lines{"Model=x", "GPS Info Pointer=[ ERROR ]"}));
}

// Each directory points twice to the next one: without remembering what was
// read the walk would visit the last directory 2^40 times.
TEST_F(JpegInfoTest, FanOutOfPointersEndsQuickly) {
  constexpr int Levels = 40;
  TTiff T(TOrder::MM);
  for (int I = 1; I <= Levels; ++I) {
    const int Dir = T.AddDirectory();
    T.Pointer(Dir - 1, ExifPointer, Dir).Pointer(Dir - 1, ExifPointer, Dir);
  }
  T.Ascii(Levels, TagMake, "leaf");
  TResult R{};
  EXPECT_LT(TimeOf([&] { R = Read(Temp, fixture::Jpeg(T.Bytes())); }), Quickly);
  EXPECT_EQ(R.Outcome, TOutcome::True);
  ASSERT_EQ(R.List.size(), size_t{Levels + 1});
  EXPECT_EQ(R.List.front(), "Make=leaf");
  EXPECT_EQ(std::count(R.List.begin(), R.List.end(), "Exif IFD=[ ERROR ]"), Levels);
}

TEST_F(JpegInfoTest, ChainsLongerThanTheDepthLimitFail) {
  for (const int Length : {TvxExifStream::MaxDepth, TvxExifStream::MaxDepth + 1}) {
    SCOPED_TRACE(Length);
    TTiff T(TOrder::II);
    T.Ascii(0, TagMake, "0");
    for (int I = 1; I < Length; ++I) {
      const int Dir = T.AddDirectory();
      T.Ascii(Dir, TagMake, std::to_string(I)).Next(Dir - 1, Dir);
    }
    const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
    EXPECT_EQ(R.Outcome, Length <= TvxExifStream::MaxDepth ? TOutcome::True : TOutcome::False);
    ASSERT_EQ(R.List.size(), size_t{TvxExifStream::MaxDepth});
    EXPECT_EQ(R.List.back(), "Make=" + std::to_string(TvxExifStream::MaxDepth - 1));
  }
}

TEST_F(JpegInfoTest, PointersNestedBeyondTheDepthLimitFail) {
  // IFD0 is level 1; the directory at level MaxDepth + 1 is not read.
  TTiff T(TOrder::MM);
  for (int Level = 1; Level <= TvxExifStream::MaxDepth; ++Level) {
    const int Dir = T.AddDirectory();
    T.Ascii(Dir - 1, TagMake, std::to_string(Level)).Pointer(Dir - 1, ExifPointer, Dir);
  }
  T.Ascii(TvxExifStream::MaxDepth, TagMake, "too deep");
  const TResult R = Read(Temp, fixture::Jpeg(T.Bytes()));
  EXPECT_EQ(R.Outcome, TOutcome::True);
  ASSERT_EQ(R.List.size(), size_t{TvxExifStream::MaxDepth + 1});
  EXPECT_EQ(R.List[TvxExifStream::MaxDepth - 1], "Make=" + std::to_string(TvxExifStream::MaxDepth));
  EXPECT_EQ(R.List.back(), "Exif IFD=[ ERROR ]");
}

// Entries whose values overlap can make the walk read far more than the file
// holds; the read budget ends it.
TEST_F(JpegInfoTest, ReadBudgetEndsTheWalk) {
  constexpr uint32_t Count = 300000, Entries = 30;
  static_assert(int64_t{Count} * Entries > TvxExifStream::ReadBudget);
  TTiff T(TOrder::II);
  for (uint32_t I = 0; I < Entries; ++I)
    T.Raw(0, TagImageDescription, fixture::tAscii, Count, 0);
  TResult R{};
  EXPECT_LT(TimeOf([&] { R = Read(Temp, fixture::Jpeg(T.Bytes(), std::string(Count, '\0'))); }), Quickly);
  EXPECT_EQ(R.Outcome, TOutcome::False);
  EXPECT_EQ(R.List.size(), size_t{TvxExifStream::ReadBudget / Count});
}

// ---------------------------------------------------------------------------
// The stream itself: the bound on moves and ReadIFD never raising.

TEST_F(JpegInfoTest, MovesAreBoundedOnceExifBaseIsSet) {
  TvxExifStream S(Temp.File("data", std::string(100, 'x')), 0x20);
  EXPECT_NO_THROW(S.SetPosition(int64_t{1} << 20));
  S.ExifBase = 10;
  EXPECT_NO_THROW(S.SetPosition(10 + 0xFFFF));
  EXPECT_NO_THROW(S.SetPosition(0));
  EXPECT_NO_THROW(S.SetPosition(-5));
  for (const int64_t Beyond : {int64_t{10 + 0x10000}, int64_t{1} << 40}) {
    try {
      S.SetPosition(Beyond);
      ADD_FAILURE() << "moved to " << Beyond;
    } catch (const rtl::Exception& E) {
      EXPECT_EQ(E.Message(), "Exif section out of bounds");
    }
  }
  // Reads that advance byte by byte are not bounded.
  S.ExifBase = 1;
  S.SetPosition(1);
  std::string All(99, '\0');
  EXPECT_EQ(S.ReadBytes(All, 99), 99);
}

TEST_F(JpegInfoTest, ReadIFDNeverRaises) {
  const auto Name = Temp.File("data", "\xFF\xD8" + std::string(200, '\xFF'));
  for (const int32_t Offset : {INT32_MIN, -1000, -1, 0, 50, 0xFFFF, 0x10000, INT32_MAX}) {
    SCOPED_TRACE(Offset);
    TvxExifStream S(Name, 0x20);
    S.ExifBase = 2;
    rtl::TStringList List;
    bool Ok = true;
    EXPECT_NO_THROW(Ok = S.ReadIFD(Offset, 0, List));
    EXPECT_FALSE(Ok);
  }
}

} // namespace
