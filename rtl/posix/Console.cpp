#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace rtl {

bool WriteStdout(std::string_view Data) {
  while (!Data.empty()) {
    const ssize_t N = ::write(STDOUT_FILENO, Data.data(), Data.size());
    if (N < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    Data.remove_prefix(static_cast<size_t>(N));
  }
  return true;
}

} // namespace rtl
