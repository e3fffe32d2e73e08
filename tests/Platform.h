// What the end-to-end tests expect that differs between the POSIX and the
// Windows build: separator, line end, case rules, which runs and entries
// exist, and the system's words for a few errors. Tests take these from here
// instead of spelling them out per platform. The values are written out
// rather than taken from rtl/, so that a wrong rtl/ constant shows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr bool Windows = true;
#else
inline constexpr bool Windows = false;
#endif

inline const std::string Sep = Windows ? "\\" : "/";
inline const std::string Eol = Windows ? "\r\n" : "\n";

// Names that differ only in case name different files.
inline constexpr bool CaseSensitiveNames = !Windows;
// Several names on the command line form a list run (the shell has
// expanded the wildcards); on Windows only the last name counts.
inline constexpr bool HasListRuns = !Windows;
// FIFOs, sockets and symbolic links can be made without privileges.
inline constexpr bool HasSpecialFiles = !Windows;
// The runner can limit the child's file size and open descriptors.
inline constexpr bool HasResourceLimits = !Windows;
// A last argument like "/x/a.jpg" is a file name; on Windows every
// argument starting with "/" is an option.
inline constexpr bool SlashPathIsFileName = !Windows;
// "/" in a mask makes it illegal; on Windows only "\" does.
inline constexpr bool SlashInMaskIsIllegal = !Windows;

// Generic ("a/b") turned into the platform's name ("a\b" on Windows).
std::string Path(std::string_view Generic);
// Text with every "\n" turned into the platform's line end.
std::string Lines(std::string_view Text);
// Expected output written with "/" and "\n", in the platform's form. Only
// for text whose every "/" is a separator.
std::string Shown(std::string_view Text);
// An absolute name for Generic below the root of the file system:
// "/x/a.jpg", or "C:\x\a.jpg" on Windows.
std::string RootPath(std::string_view Generic);

// The system's words, as the program reports them, for a missing source
// file, a missing directory on the way to a target, and (any of) those for a
// name too long.
std::string NoSuchFileText();
std::string NoSuchPathText();
std::vector<std::string> NameTooLongTexts();

// Make a FIFO or a socket entry; false where the platform has none.
bool MakeFifo(const std::filesystem::path& P);
bool MakeSocket(const std::filesystem::path& P);

// A regular file that the program cannot open, for as long as this object
// lives: on Windows a file in Dir held open without sharing, elsewhere a
// write-only kernel setting that even root cannot read. Name() is empty
// when the system offers none; SkipReason() then says why.
class TUnopenableFile {
public:
  explicit TUnopenableFile(const std::filesystem::path& Dir);
  ~TUnopenableFile();
  TUnopenableFile(const TUnopenableFile&) = delete;
  TUnopenableFile& operator=(const TUnopenableFile&) = delete;
  const std::string& Name() const noexcept { return FName; }
  const std::string& SkipReason() const noexcept { return FSkipReason; }

private:
  std::string FName;
  std::string FSkipReason;
  [[maybe_unused]] void* FHandle = nullptr; // the lock, on Windows
};

} // namespace platform
