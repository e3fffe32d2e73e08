// Exif metadata reader: finds the Exif APP1 segment of a JPEG file and turns
// its TIFF directories into Name=Value lines.
#pragma once

#include "rtl/StringList.h"
#include "vxFileStream.h"

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

  // Directories deeper than this fail unread (IFD0 is level 1).
  static constexpr int MaxDepth = 64;
  // Bytes the directory walk may read in one file before it gives up; real
  // Exif data fits in one 64 KiB segment, so only hostile files reach it.
  static constexpr int64_t ReadBudget = 1024 * 1024;

private:
  bool ReadIFDAt(int32_t Offset, uint8_t Kind, rtl::TStringList& List, int Depth);
  bool ReadEntries(int64_t Start, uint8_t Kind, rtl::TStringList& List, int Depth);
  std::string FormatValue(int64_t Entry, uint16_t Type, int32_t Count, int32_t Value);
  void Spend(int64_t Bytes);

  std::unordered_set<int64_t> VisitedDirectories;
  int64_t BudgetLeft = ReadBudget;
};

// True when FileName holds an Exif APP1 segment and IFD0 with its chain was
// read without failure; List receives one line per tag either way. Errors
// outside the directory walk (the file cannot be opened, it ends during the
// marker scan or the header) are raised to the caller.
bool ReadExifInfo(const std::string& FileName, rtl::TStringList& List);

// Display name of a tag in a directory of the given kind
// (0 main, 1 Exif, 2 GPS, 3 Interoperability).
std::string TagName(uint8_t Kind, uint16_t Tag);

// S without the characters below code 32.
std::string StripControl(std::string_view S);
