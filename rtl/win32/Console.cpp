#include "Win32Api.h"

#include <algorithm>
#include <string_view>

namespace rtl {

// WriteFile sends the bytes as they are: the line ends are already CR LF and
// nothing in between translates them.
bool WriteStdout(std::string_view Data) {
  const HANDLE Out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (Out == nullptr || Out == INVALID_HANDLE_VALUE)
    return false;
  while (!Data.empty()) {
    const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(Data.size(), 1u << 20));
    DWORD Written = 0;
    if (!::WriteFile(Out, Data.data(), Chunk, &Written, nullptr) || Written == 0)
      return false;
    Data.remove_prefix(Written);
  }
  return true;
}

} // namespace rtl
