#pragma once

#include <string>

namespace rtl {

// The system's text for an errno value, as strerror gives it.
std::string ErrorText(int Error);

} // namespace rtl
