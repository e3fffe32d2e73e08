#pragma once

#include <string>
#include <string_view>

namespace app {

// Processes the files of Dir whose lowercased names match Mask and, with
// Recursive, those of its subdirectories.
void ScanDirectory(const std::string& Dir, const std::string& Mask);

// Wildcard test: "*" jumps to the first occurrence of the character after
// it, "?" takes any one character. Both arguments are already lowercased.
bool MatchMask(std::string_view Name, std::string_view Mask);

// Scans StartDir for FileArg; prints the not-found and summary lines.
void RunMask();
// Processes FileList in order; prints the not-found and summary lines.
void RunFileList();

} // namespace app
