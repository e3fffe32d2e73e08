// Run settings: written once at start-up, read by the whole run; only
// FileCount changes later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

inline std::string StartDir;   // directory scanned by mask runs; base of relative names
inline bool InfoMode = false;  // "/i": list tags, change nothing
inline bool CopyMode = false;  // "/c": copy instead of rename
inline bool Recursive = false; // "/r": mask runs descend into subdirectories
inline bool UsePrefix = true;  // "/s" clears it: name part after the date
inline std::string Tag;        // "/t:": name part for every file
inline std::string FileArg;    // the file name, or the mask (lowercased)
inline bool MaskMode = false;  // FileArg is a mask
inline int32_t FileCount = 0;  // files listed, renamed or copied so far
// Several file names from the command line (the shell expanded a wildcard).
inline std::vector<std::string> FileList;

// Puts every setting back to its default; StartDir := Dir.
void ResetSettings(const std::string& Dir);

} // namespace app
