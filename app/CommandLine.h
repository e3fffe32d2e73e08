#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

void ShowUsage();

// Fills the run settings from the arguments after the program name.
// Returns the exit status when the run must end here (usage text or an
// argument error, already printed).
std::optional<int> ParseCommandLine(const std::vector<std::string>& Args);

} // namespace app
