// A stand-in child for the runner's own tests: prints its working directory
// and each argument in brackets, writes "err" to standard error, and exits
// with the status given first, or waits for the runner to kill it when that
// is "hang".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  std::printf("%s\n", std::filesystem::current_path().string().c_str());
  for (int I = 2; I < argc; ++I)
    std::printf("[%s]\n", argv[I]);
  std::fflush(stdout);
  std::fputs("err\n", stderr);
  if (argc > 1 && std::string(argv[1]) == "hang")
    std::this_thread::sleep_for(std::chrono::seconds(30));
  return argc > 1 ? std::atoi(argv[1]) : 0;
}
