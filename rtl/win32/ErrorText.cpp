#include "ErrorText.h"
#include "Win32Api.h"

namespace rtl {

std::string ErrorText(uint32_t Error) {
  char Buf[512] = {};
  const DWORD N = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Error,
                                   0, Buf, sizeof Buf, nullptr);
  std::string Text(Buf, N);
  while (!Text.empty() &&
         (Text.back() == '\r' || Text.back() == '\n' || Text.back() == ' ' || Text.back() == '.'))
    Text.pop_back();
  return Text.empty() ? "System error " + std::to_string(Error) : Text;
}

} // namespace rtl
