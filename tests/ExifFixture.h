// Builds small JPEG files with Exif data in memory, for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
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

} // namespace fixture
