// A scratch directory for end-to-end runs of the snapstamp executable, and a
// look at what a run left on disk.
#pragma once

#include "RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace apptest {

namespace fs = std::filesystem;

class TTree {
public:
  TTree() {
    std::random_device Rd;
    for (int Try = 0; Try < 100 && FRoot.empty(); ++Try) {
      const fs::path P = fs::temp_directory_path() / ("snapstamp-app-" + std::to_string(Rd()));
      if (fs::create_directory(P))
        FRoot = fs::canonical(P); // the program sees the resolved name as its start directory
    }
    if (FRoot.empty())
      throw std::runtime_error("cannot create a scratch directory");
  }
  ~TTree() {
    std::error_code Ec;
    fs::remove_all(FRoot, Ec);
  }
  TTree(const TTree&) = delete;
  TTree& operator=(const TTree&) = delete;

  const fs::path& Path() const noexcept { return FRoot; }
  // The absolute name of Rel ("a/b") as the platform writes it.
  std::string Abs(const std::string& Rel) const { return (FRoot / Rel).make_preferred().string(); }

  // Writes Bytes to Rel, creating its directories.
  void Put(const std::string& Rel, const std::string& Bytes) const {
    const fs::path P = FRoot / Rel;
    fs::create_directories(P.parent_path());
    std::ofstream F(P, std::ios::binary | std::ios::trunc);
    F.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!F)
      throw std::runtime_error("cannot write " + P.string());
  }
  // A copy of one of the sample photos at Rel.
  void Sample(const std::string& Rel, const std::string& SampleName) const {
    Put(Rel, ReadFile(fs::path(SNAPSTAMP_SAMPLES_DIR) / SampleName));
  }
  void Mkdir(const std::string& Rel) const { fs::create_directories(FRoot / Rel); }
  std::string Read(const std::string& Rel) const { return ReadFile(FRoot / Rel); }

  // Every entry below the root, without following links, sorted; "/"
  // separates and ends directory names on every platform.
  std::vector<std::string> Entries() const {
    std::vector<std::string> R;
    for (auto It = fs::recursive_directory_iterator(FRoot); It != fs::recursive_directory_iterator(); ++It) {
      std::string Rel = It->path().lexically_relative(FRoot).generic_string();
      if (It->symlink_status().type() == fs::file_type::directory)
        Rel += '/';
      R.push_back(Rel);
    }
    std::sort(R.begin(), R.end());
    return R;
  }

  // Runs snapstamp in the root. Nothing may appear on standard error: the
  // sanitizers report there.
  runner::TRunResult Run(const std::vector<std::string>& Args, const runner::TLimits& Limits = {}) const {
    runner::TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, Args, FRoot, Limits);
    EXPECT_EQ(R.Err, "");
    return R;
  }
  runner::TRunResult RunIn(const std::string& SubDir, const std::vector<std::string>& Args) const {
    runner::TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, Args, FRoot / SubDir);
    EXPECT_EQ(R.Err, "");
    return R;
  }

  static std::string ReadFile(const fs::path& P) {
    std::ifstream F(P, std::ios::binary);
    if (!F)
      throw std::runtime_error("cannot read " + P.string());
    return {std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>()};
  }

private:
  fs::path FRoot;
};

} // namespace apptest
