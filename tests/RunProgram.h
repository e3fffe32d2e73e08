// Runs a program in a working directory and captures what it writes, for the
// end-to-end tests. Everything that depends on the platform lives in RunProgram.cpp.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace runner {

// Limits for the child only; the test process keeps its own. POSIX only:
// a run with limits on Windows fails the test, so callers skip there.
struct TLimits {
  std::optional<uint64_t> FileSize = std::nullopt;  // largest file the child may write, in bytes
  std::optional<uint64_t> OpenFiles = std::nullopt; // highest descriptor number + 1 the child may open
};

struct TRunResult {
  int ExitStatus = -1; // -1 when the child did not end normally
  std::string Out;     // standard output, byte for byte
  std::string Err;     // standard error
  bool TimedOut = false;
};

// Runs Exe with Args (not including the program name) in WorkDir, standard
// input empty. A child still running after Timeout is killed; that, a child
// that cannot be started and one ended by a signal (on Windows: by an
// exception) are reported as test failures.
TRunResult RunProgram(const std::filesystem::path& Exe, const std::vector<std::string>& Args,
                      const std::filesystem::path& WorkDir, const TLimits& Limits = {},
                      std::chrono::milliseconds Timeout = std::chrono::seconds(60));

} // namespace runner
