// File-name rules of the platform: separator, drive prefixes, name parts and
// how path components compare.
#pragma once

#include <string>
#include <string_view>

namespace rtl {

// The directory separator ("/" on POSIX, "\" on Windows).
extern const char PathDelim;
// The line end written after every output line.
extern const std::string_view LineEnd;

// Directory part: the name up to and including its last separator (or the
// colon of a drive prefix); empty when there is none.
std::string_view ExtractFilePath(std::string_view Name) noexcept;
// What follows the directory part.
std::string_view ExtractFileName(std::string_view Name) noexcept;
// From the last full stop of the file name on, or empty.
std::string_view ExtractFileExt(std::string_view Name) noexcept;

// The part of an absolute name that must match for one name to be shown
// relative to another; for a name that cannot be, a value that never
// matches an absolute directory's prefix.
std::string DrivePrefix(std::string_view Name);
bool SameDrive(std::string_view A, std::string_view B);
// Compares two directory names as the file system does.
bool SameFileName(std::string_view A, std::string_view B);

// Dir joined with Name, with exactly one separator between them.
std::string JoinPath(std::string_view Dir, std::string_view Name);

// Whether a command-line argument is an option rather than a file name.
bool IsOptionArgument(std::string_view Arg) noexcept;
// Whether a mask reaches outside the start directory or names a path.
bool IsIllegalMask(std::string_view Mask) noexcept;
// Whether several file names on the command line form a list run (the
// shell expands wildcards before the program starts).
extern const bool ShellExpandsWildcards;

} // namespace rtl
