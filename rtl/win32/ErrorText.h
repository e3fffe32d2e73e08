#pragma once

#include <cstdint>
#include <string>

namespace rtl {

// The system's text for a GetLastError() code, without its line end and
// closing full stop, so that it reads like the POSIX texts in a message.
std::string ErrorText(uint32_t Error);

} // namespace rtl
