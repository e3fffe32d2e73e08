// Real camera files, checked against what exiftool reports for them. Our
// formats differ from its printed ones: RATIONALs stay "num/den", UNDEFINED
// bytes are hex pairs, and ASCII values keep their trailing spaces.
#include "exif/vxJpegInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

const std::filesystem::path SamplesDir = SNAPSTAMP_SAMPLES_DIR;

struct TSample {
  const char* File;
  const char* DateTime;
  const char* Make;
  const char* Model;
  const char* XResolution;
  const char* ExifVersion;
  const char* ExposureTime;
  const char* FNumber;
};

// clang-format off
const TSample Samples[] = {
    {"Canon_40D.jpg", "2008:07:31 10:38:11", "Canon", "Canon EOS 40D", "72/1", "30 32 32 31", "1/160", "71/10"},
    {"Canon_DIGITAL_IXUS_400.jpg", "2008:07:31 17:15:01", "Canon", "Canon DIGITAL IXUS 400", "72/1", "30 32 32 30", "1/200", "100/10"},
    {"Fujifilm_FinePix_E500.jpg", "2008:07:31 16:49:10", "FUJIFILM", "FinePix E500   ", "96/1", "30 32 32 30", "10/800", "290/100"},
    {"Kodak_CX7530.jpg", "2008:07:31 10:39:26", "EASTMAN KODAK COMPANY", "KODAK CX7530 ZOOM DIGITAL CAMERA", "72/1", "30 32 32 31", "1/250", "23/5"},
    {"Nikon_COOLPIX_P1.jpg", "2008:07:31 17:43:03", "NIKON", "COOLPIX P1", "72/1", "30 32 32 30", "10/2187", "60/10"},
    {"Nikon_D70.jpg", "2008:07:31 10:03:44", "NIKON CORPORATION", "NIKON D70", "240/1", "", "1/200", "9/1"},
    {"Olympus_C8080WZ.jpg", "2008:07:31 13:03:47", "OLYMPUS CORPORATION", "C8080WZ", "72/1", "30 32 31 30", "10/1600", "28/10"},
    {"Panasonic_DMC-FZ30.jpg", "2008:07:31 16:39:24", "Panasonic", "DMC-FZ30", "72/1", "30 32 32 30", "10/300", "32/10"},
    {"Pentax_K10D.jpg", "2008:07:31 15:56:49", "PENTAX Corporation ", "PENTAX K10D        ", "350/1", "30 32 32 31", "1/180", "110/10"},
    {"Ricoh_Caplio_RR330.jpg", "2008:07:31 17:36:21", "Caplio ", "RR330      ", "72/1", "30 32 32 30", "1/33", "288/100"},
    {"Sony_HDR-HC3.jpg", "2008:07:31 17:20:21", "SONY", "HDR-HC3", "72/1", "30 32 32 30", "1/60", "400/100"},
    {"long_description.jpg", "2008:07:31 10:50:00", "", "", "72/1", "", "", ""},
};
// clang-format on

rtl::TStringList ReadSample(const std::string& File) {
  rtl::TStringList List;
  EXPECT_TRUE(ReadExifInfo((SamplesDir / File).string(), List)) << File;
  return List;
}

TEST(SamplesTest, DecodedValuesMatchExiftool) {
  for (const TSample& S : Samples) {
    SCOPED_TRACE(S.File);
    const rtl::TStringList List = ReadSample(S.File);
    EXPECT_EQ(List.Value("DateTime"), S.DateTime);
    EXPECT_EQ(List.Value("Make"), S.Make);
    EXPECT_EQ(List.Value("Model"), S.Model);
    EXPECT_EQ(List.Value("XResolution"), S.XResolution);
    EXPECT_EQ(List.Value("ExifVersion"), S.ExifVersion);
    EXPECT_EQ(List.Value("ExposureTime"), S.ExposureTime);
    EXPECT_EQ(List.Value("FNumber"), S.FNumber);
  }
}

TEST(SamplesTest, GpsInteroperabilityAndThumbnailDirectories) {
  struct TCase {
    const char* File;
    const char* Line;
  } const Cases[] = {
      {"Canon_40D.jpg", "GPSVersionID=2,2,0,0"},
      {"Canon_40D.jpg", "InteroperabilityIndex=R98"},
      {"Canon_40D.jpg", "InteroperabilityVersion=30 31 30 30"},
      {"Kodak_CX7530.jpg", "GPSLatitudeRef=S"},
      {"Kodak_CX7530.jpg", "GPSLatitude=0/1,22278/1000,0/1"},
      {"Kodak_CX7530.jpg", "GPSLongitude=36/1,3385/1000,0/1"},
      {"Nikon_COOLPIX_P1.jpg", "XResolution=300/1"}, // IFD1 after IFD0's 72/1
      {"Pentax_K10D.jpg", "Copyright=Laitche (This file is in the public domain.)"},
      {"long_description.jpg", "Artist=SSG KYLE DAVIS"},
      {"long_description.jpg",
       "ImageDescription=Operation Mountain Viper put the soldiers of A Company, 2nd Battalion 22nd Infantry "
       "Division, 10th Mountain in the Afghanistan province of Daychopan to search for Taliban and or weapon "
       "caches "
       "that could be used against U.S. and allied forces. Soldiers quickly walk to the ramp of the CH-47 "
       "Chinook "
       "cargo helicopter that will return them to Kandahar Army Air Field.  (U.S. Army photo by Staff Sgt. "
       "Kyle "
       "Davis) (Released)"},
  };
  for (const TCase& C : Cases) {
    const rtl::TStringList List = ReadSample(C.File);
    EXPECT_NE(std::find(List.begin(), List.end(), C.Line), List.end()) << C.File << ": " << C.Line;
  }
}

// Every photo in the directory, including ones added later, reads fully.
TEST(SamplesTest, EverySampleReadsWithoutErrors) {
  int Count = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(SamplesDir)) {
    if (Entry.path().extension() != ".jpg")
      continue;
    ++Count;
    const auto File = Entry.path().filename().string();
    const rtl::TStringList List = ReadSample(File);
    EXPECT_FALSE(List.Value("DateTime").empty()) << File;
    for (const auto& Line : List)
      EXPECT_EQ(Line.find("[ ERROR ]"), std::string::npos) << File << ": " << Line;
  }
  EXPECT_GT(Count, 0) << "no samples in " << SamplesDir;
}

} // namespace
