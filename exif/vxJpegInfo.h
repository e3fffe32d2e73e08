// Exif metadata reader: finds the Exif APP1 segment of a JPEG file and turns
// its TIFF directories into Name=Value lines.
#pragma once

#include "rtl/StringList.h"
#include "vxFileStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

class TvxExifStream : public TvxFileStream {
public:
  using TvxFileStream::TvxFileStream;

  // Moves beyond ExifBase + 65535 raise "Exif section out of bounds" once
  // ExifBase is set.
  void SetPosition(int64_t Value) override;

  // Reads the directory at ExifBase + Offset, the directories it points to
  // and those chained after it. Never raises; false when any of it failed.
  bool ReadIFD(int32_t Offset, uint8_t Kind, rtl::TStringList& List);

  int32_t ExifBase = 0;
  // When not empty, only lines of this name are added to the list.
  std::string_view OnlyName;

  // Directories deeper than this fail unread (IFD0 is level 1).
  static constexpr int MaxDepth = 64;
  // Bytes the directory walk may read in one file before it gives up; real
  // Exif data fits in one 64 KiB segment, so only hostile files reach it.
  static constexpr int64_t ReadBudget = 1024 * 1024;

private:
  bool ReadIFDAt(int32_t Offset, uint8_t Kind, rtl::TStringList& List, int Depth);
  bool ReadEntries(int64_t Start, uint8_t Kind, rtl::TStringList& List, int Depth);
  // Appends the value text of one entry to Text; with Keep false the values
  // are only checked to be readable, with the same outcome, and nothing is
  // appended.
  void FormatValue(int64_t Entry, uint16_t Type, int32_t Count, int32_t Value, bool Keep, std::string& Text);
  void Spend(int64_t Bytes);

  std::unordered_set<int64_t> VisitedDirectories;
  int64_t BudgetLeft = ReadBudget;
};

// True when FileName holds an Exif APP1 segment and IFD0 with its chain was
// read without failure; List receives one line per tag either way. Errors
// outside the directory walk (the file cannot be opened, it ends during the
// marker scan or the header) are raised to the caller. With OnlyName, List
// receives only the lines of that name; every value is still read, so the
// result and those lines are what a full read gives.
bool ReadExifInfo(const std::string& FileName, rtl::TStringList& List, std::string_view OnlyName = {});

// Display name of a tag in a directory of the given kind
// (0 main, 1 Exif, 2 GPS, 3 Interoperability).
std::string TagName(uint8_t Kind, uint16_t Tag);
// The same without allocating: "Tag XXXX" names are built in Buffer.
using TTagNameBuffer = std::array<char, 8>;
std::string_view TagNameView(uint8_t Kind, uint16_t Tag, TTagNameBuffer& Buffer);

// S without the characters below code 32.
std::string StripControl(std::string_view S);
