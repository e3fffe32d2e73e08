// Snapstamp: renames photos after the date and time in their Exif data.
#include "CommandLine.h"
#include "MaskRun.h"
#include "ProcessFile.h"
#include "Settings.h"
#include "rtl/Console.h"
#include "rtl/FileSystem.h"

#include <exception>
#include <string>
#include <vector>

namespace {

int Run(const std::vector<std::string>& Args) {
  app::ResetSettings(rtl::GetCurrentDir());
  if (const auto Status = app::ParseCommandLine(Args))
    return *Status;
  if (!app::FileList.empty())
    app::RunFileList();
  else if (app::MaskMode)
    app::RunMask();
  else
    app::ProcessFile(app::FileArg);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  rtl::InitProcess();
  // An empty argument names nothing; it is dropped as an empty pair of quotes is.
  std::vector<std::string> Args;
  for (int I = 1; I < argc; ++I)
    if (argv[I][0] != '\0')
      Args.emplace_back(argv[I]);
  int Status = 0;
  try {
    Status = Run(Args);
  } catch (const std::exception& E) {
    rtl::ShowException(E);
    Status = 1;
  }
  rtl::Flush();
  return (rtl::OutputOk() || Status != 0) ? Status : 1;
}
