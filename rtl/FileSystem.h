// File-system operations of the platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rtl {

// The current directory: absolute, no trailing separator except for a root.
// Raises Exception when the system cannot tell it.
std::string GetCurrentDir();

// True only for an existing regular file (a link to one counts).
bool FileExists(const std::string& Name);
// True when any entry of that name exists, a dangling link included.
bool EntryExists(const std::string& Name);

enum class TFileOpStatus {
  Done,
  TargetExists, // the target appeared meanwhile; nothing was changed
  Failed,       // nothing was changed; Reason says why
};

struct TFileOpResult {
  TFileOpStatus Status = TFileOpStatus::Done;
  std::string Reason;
};

// Renames OldName to NewName; never replaces an existing entry.
TFileOpResult RenameFile(const std::string& OldName, const std::string& NewName);
// Copies OldName to a new file NewName, keeping its permission bits and
// modification time; never replaces an existing entry and leaves no partial
// file behind.
TFileOpResult CopyFile(const std::string& OldName, const std::string& NewName);

// One entry of a directory listing.
struct TSearchRec {
  std::string Name;
  uint32_t Attr = 0; // faDirectory for a subdirectory, faArchive for a file
};
inline constexpr uint32_t faDirectory = 0x10;
inline constexpr uint32_t faArchive = 0x20;

// Lists Dir completely before returning: its subdirectories (real ones, not
// links) and its regular files (links to regular files included), without
// "." and "..", sorted by name with A-Z folded to lower case, ties broken
// byte by byte. Everything else (links to directories, dangling links,
// FIFOs, sockets, devices) is left out. False when Dir cannot be listed.
bool ListDirectory(const std::string& Dir, std::vector<TSearchRec>& Entries);

// Settings every run needs before it touches a file.
void InitProcess();

} // namespace rtl
