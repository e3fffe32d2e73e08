// Both output streams are read through pipes, so that neither can fill up
// and stall the child. POSIX: fork and execv. Windows: CreateProcessA with
// the arguments quoted for the C run-time's splitting, one reader thread per
// pipe, and TerminateProcess at the deadline.
#include "RunProgram.h"

#include <gtest/gtest.h>

#ifdef _WIN32

#include "rtl/win32/Win32Api.h"

#include <array>
#include <functional>
#include <thread>

namespace runner {

namespace {

// Closes a handle on every path out of a scope.
class THandle {
public:
  THandle() = default;
  explicit THandle(HANDLE H) noexcept : FHandle(H == INVALID_HANDLE_VALUE ? nullptr : H) {}
  ~THandle() { Close(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const noexcept { return FHandle; }
  HANDLE* Out() noexcept { return &FHandle; }
  void Close() noexcept {
    if (FHandle != nullptr)
      ::CloseHandle(FHandle);
    FHandle = nullptr;
  }

private:
  HANDLE FHandle = nullptr;
};

// The child parses its command line with the C run-time's rules: an argument
// with blanks or quotes is quoted, a quote inside is escaped with "\", and
// backslashes are doubled only where a quote follows them.
std::string QuoteArgument(const std::string& Arg) {
  if (!Arg.empty() && Arg.find_first_of(" \t\n\v\"") == std::string::npos)
    return Arg;
  std::string R = "\"";
  size_t Backslashes = 0;
  for (const char C : Arg) {
    if (C == '\\') {
      ++Backslashes;
      continue;
    }
    R.append(C == '"' ? 2 * Backslashes + 1 : Backslashes, '\\');
    R += C;
    Backslashes = 0;
  }
  R.append(2 * Backslashes, '\\');
  R += '"';
  return R;
}

void Drain(HANDLE Pipe, std::string& Sink) {
  std::array<char, 65536> Buf{};
  DWORD N = 0;
  while (::ReadFile(Pipe, Buf.data(), static_cast<DWORD>(Buf.size()), &N, nullptr) && N > 0)
    Sink.append(Buf.data(), N);
}

std::string LastError(const char* What) {
  return std::string(What) + ": error " + std::to_string(::GetLastError());
}

} // namespace

TRunResult RunProgram(const std::filesystem::path& Exe, const std::vector<std::string>& Args,
                      const std::filesystem::path& WorkDir, const TLimits& Limits,
                      std::chrono::milliseconds Timeout) {
  TRunResult Result;
  if (Limits.FileSize || Limits.OpenFiles) {
    ADD_FAILURE() << "resource limits exist on POSIX systems only";
    return Result;
  }
  const std::string ExeName = std::filesystem::absolute(Exe).make_preferred().string();
  const std::string DirName = WorkDir.string();
  std::string CommandLine = "\"" + ExeName + "\"";
  for (const std::string& Arg : Args)
    CommandLine.append(" ").append(QuoteArgument(Arg));

  // Only the child's ends are inheritable. The tests start one child at a
  // time, so no other child can pick these up.
  SECURITY_ATTRIBUTES Inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  THandle OutRead, OutWrite, ErrRead, ErrWrite;
  if (!::CreatePipe(OutRead.Out(), OutWrite.Out(), &Inherit, 0) ||
      !::CreatePipe(ErrRead.Out(), ErrWrite.Out(), &Inherit, 0) ||
      !::SetHandleInformation(OutRead.Get(), HANDLE_FLAG_INHERIT, 0) ||
      !::SetHandleInformation(ErrRead.Get(), HANDLE_FLAG_INHERIT, 0)) {
    ADD_FAILURE() << LastError("CreatePipe");
    return Result;
  }
  THandle Null(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  STARTUPINFOA Startup{};
  Startup.cb = sizeof Startup;
  Startup.dwFlags = STARTF_USESTDHANDLES;
  Startup.hStdInput = Null.Get();
  Startup.hStdOutput = OutWrite.Get();
  Startup.hStdError = ErrWrite.Get();
  PROCESS_INFORMATION Info{};
  if (!::CreateProcessA(ExeName.c_str(), CommandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, DirName.c_str(), &Startup, &Info)) {
    ADD_FAILURE() << "cannot start " << ExeName << " in " << DirName << ": " << LastError("CreateProcessA");
    return Result;
  }
  const THandle Process(Info.hProcess);
  const THandle Thread(Info.hThread);
  // The pipes end when the child and nobody else holds their write ends.
  OutWrite.Close();
  ErrWrite.Close();
  Null.Close();
  std::thread OutReader(Drain, OutRead.Get(), std::ref(Result.Out));
  std::thread ErrReader(Drain, ErrRead.Get(), std::ref(Result.Err));

  if (::WaitForSingleObject(Process.Get(), static_cast<DWORD>(Timeout.count())) != WAIT_OBJECT_0) {
    Result.TimedOut = true;
    ::TerminateProcess(Process.Get(), 1);
    ::WaitForSingleObject(Process.Get(), INFINITE);
  }
  OutReader.join();
  ErrReader.join();
  DWORD Code = 0;
  ::GetExitCodeProcess(Process.Get(), &Code);
  if (Result.TimedOut) {
    ADD_FAILURE() << ExeName << " did not finish within " << Timeout.count() << " ms and was killed";
  } else if ((Code & 0xC0000000U) == 0xC0000000U) {
    // An exception status such as 0xC0000005: the child crashed.
    ADD_FAILURE() << ExeName << " ended with exception 0x" << std::hex << Code << std::dec << "\n"
                  << Result.Err;
  } else {
    Result.ExitStatus = static_cast<int>(Code);
  }
  return Result;
}

} // namespace runner

#else

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace runner {

namespace {

using Clock = std::chrono::steady_clock;

// What the child reports through the status pipe when it cannot start.
struct TStartFailure {
  int Stage; // 0 chdir, 1 limits, 2 exec, 3 standard streams
  int Error;
};

class TPipe {
public:
  TPipe() {
    if (::pipe2(Fd.data(), O_CLOEXEC) != 0)
      Fd = {-1, -1};
  }
  ~TPipe() {
    CloseRead();
    CloseWrite();
  }
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;
  bool Ok() const { return Fd[0] >= 0; }
  int Read() const { return Fd[0]; }
  int Write() const { return Fd[1]; }
  void CloseRead() { CloseFd(Fd[0]); }
  void CloseWrite() { CloseFd(Fd[1]); }

private:
  static void CloseFd(int& F) {
    if (F >= 0)
      ::close(F);
    F = -1;
  }
  std::array<int, 2> Fd{};
};

[[noreturn]] void ChildFailed(int StatusFd, int Stage) {
  const TStartFailure F{Stage, errno};
  [[maybe_unused]] const ssize_t N = ::write(StatusFd, &F, sizeof F);
  ::_exit(127);
}

// Only async-signal-safe calls from here to execv: the parent may hold locks.
[[noreturn]] void StartChild(const char* Exe, char* const* Argv, const char* Dir, const TLimits& Limits,
                             const TPipe& Out, const TPipe& Err, const TPipe& Status) {
  const auto Fail = [&](int Stage) { ChildFailed(Status.Write(), Stage); };
  const int Null = ::open("/dev/null", O_RDONLY);
  if (Null < 0 || ::dup2(Null, STDIN_FILENO) < 0 || ::dup2(Out.Write(), STDOUT_FILENO) < 0 ||
      ::dup2(Err.Write(), STDERR_FILENO) < 0)
    Fail(3);
    // Descriptors the test process holds must not take the child's slots.
#ifdef CLOSE_RANGE_CLOEXEC
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
#endif
    for (int Fd = 3; Fd < 1024; ++Fd)
      if (Fd != Status.Write())
        ::close(Fd);
  if (::chdir(Dir) != 0)
    Fail(0);
  ::signal(SIGXFSZ, SIG_DFL);
  if (Limits.FileSize) {
    const rlimit L{*Limits.FileSize, *Limits.FileSize};
    if (::setrlimit(RLIMIT_FSIZE, &L) != 0)
      Fail(1);
  }
  if (Limits.OpenFiles) {
    const rlimit L{*Limits.OpenFiles, *Limits.OpenFiles};
    if (::setrlimit(RLIMIT_NOFILE, &L) != 0)
      Fail(1);
  }
  ::execv(Exe, Argv);
  ChildFailed(Status.Write(), 2);
}

// Drains both pipes until the child closes them or the deadline passes.
bool ReadOutput(int OutFd, int ErrFd, Clock::time_point Deadline, std::string& Out, std::string& Err) {
  std::array<pollfd, 2> Fds{{{OutFd, POLLIN, 0}, {ErrFd, POLLIN, 0}}};
  std::array<std::string*, 2> Sinks{&Out, &Err};
  std::array<char, 65536> Buf{};
  while (Fds[0].fd >= 0 || Fds[1].fd >= 0) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now());
    if (Left.count() <= 0)
      return false;
    const int R = ::poll(Fds.data(), Fds.size(), static_cast<int>(Left.count()));
    if (R < 0 && errno == EINTR)
      continue;
    if (R <= 0)
      return false;
    for (size_t I = 0; I < Fds.size(); ++I) {
      if (Fds[I].fd < 0 || Fds[I].revents == 0)
        continue;
      const ssize_t N = ::read(Fds[I].fd, Buf.data(), Buf.size());
      if (N > 0)
        Sinks[I]->append(Buf.data(), static_cast<size_t>(N));
      else if (N == 0 || errno != EINTR)
        Fds[I].fd = -1;
    }
  }
  return true;
}

} // namespace

TRunResult RunProgram(const std::filesystem::path& Exe, const std::vector<std::string>& Args,
                      const std::filesystem::path& WorkDir, const TLimits& Limits,
                      std::chrono::milliseconds Timeout) {
  TRunResult Result;
  const std::string ExeName = Exe.string();
  const std::string DirName = WorkDir.string();
  std::vector<std::string> ArgCopy{ExeName};
  ArgCopy.insert(ArgCopy.end(), Args.begin(), Args.end());
  std::vector<char*> Argv;
  for (std::string& A : ArgCopy)
    Argv.push_back(A.data());
  Argv.push_back(nullptr);

  TPipe Out, Err, Status;
  if (!Out.Ok() || !Err.Ok() || !Status.Ok()) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return Result;
  }
  const Clock::time_point Deadline = Clock::now() + Timeout;
  const pid_t Pid = ::fork();
  if (Pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return Result;
  }
  if (Pid == 0)
    StartChild(ExeName.c_str(), Argv.data(), DirName.c_str(), Limits, Out, Err, Status);

  Out.CloseWrite();
  Err.CloseWrite();
  Status.CloseWrite();
  TStartFailure Failure{};
  ssize_t N;
  do
    N = ::read(Status.Read(), &Failure, sizeof Failure);
  while (N < 0 && errno == EINTR);
  if (N == static_cast<ssize_t>(sizeof Failure))
    ADD_FAILURE() << "cannot start " << ExeName << " in " << DirName << " (stage " << Failure.Stage
                  << "): " << std::strerror(Failure.Error);

  if (!ReadOutput(Out.Read(), Err.Read(), Deadline, Result.Out, Result.Err)) {
    Result.TimedOut = true;
    ::kill(Pid, SIGKILL);
  }
  // The child may close its output and still hang: the deadline holds here too.
  int WaitStatus = 0;
  for (;;) {
    const pid_t W = ::waitpid(Pid, &WaitStatus, WNOHANG);
    if (W == Pid)
      break;
    if (W < 0 && errno != EINTR) {
      ADD_FAILURE() << "waitpid: " << std::strerror(errno);
      return Result;
    }
    if (W == 0 && !Result.TimedOut && Clock::now() >= Deadline) {
      Result.TimedOut = true;
      ::kill(Pid, SIGKILL);
    } else if (W == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  if (Result.TimedOut)
    ADD_FAILURE() << ExeName << " did not finish within " << Timeout.count() << " ms and was killed";
  else if (WIFSIGNALED(WaitStatus))
    ADD_FAILURE() << ExeName << " was ended by signal " << WTERMSIG(WaitStatus) << "\n" << Result.Err;
  if (WIFEXITED(WaitStatus))
    Result.ExitStatus = WEXITSTATUS(WaitStatus);
  return Result;
}

} // namespace runner

#endif
