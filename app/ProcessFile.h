#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// Lists one file's tags, or renames or copies it to its date-stamped name.
// Errors raised while reading the file pass through.
void ProcessFile(const std::string& FileName);

// Name as seen from StartDir, for display.
std::string RelativeName(std::string_view Name);

// Empty for N <= 1, otherwise " (N) ".
std::string CounterText(int32_t N);

} // namespace app
