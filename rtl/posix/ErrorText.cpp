#include "ErrorText.h"

#include <cstring>

namespace rtl {

std::string ErrorText(int Error) {
  char Buf[256] = {};
  // GNU strerror_r may return a static text instead of filling Buf.
  const char* Text = ::strerror_r(Error, Buf, sizeof Buf);
  return Text != nullptr ? Text : Buf;
}

} // namespace rtl
