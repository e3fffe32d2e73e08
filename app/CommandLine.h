#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Every option word the program accepts ("/t:" takes the tag after it).
inline constexpr std::string_view OptInfo = "/i";
inline constexpr std::string_view OptCopy = "/c";
inline constexpr std::string_view OptRecursive = "/r";
inline constexpr std::string_view OptSuffix = "/s";
inline constexpr std::string_view OptTag = "/t:";
inline constexpr std::string_view OptHelp = "--help";
inline constexpr std::string_view OptVersion = "--version";
inline constexpr std::string_view AcceptedOptions[] = {OptInfo, OptCopy, OptRecursive, OptSuffix,
                                                       OptTag,  OptHelp, OptVersion};

void ShowUsage();

// Fills the run settings from the arguments after the program name.
// Returns the exit status when the run must end here (usage text or an
// argument error, already printed).
std::optional<int> ParseCommandLine(const std::vector<std::string>& Args);

} // namespace app
