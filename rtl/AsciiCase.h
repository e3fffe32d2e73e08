// ASCII case folding: only the letters A to Z change, on every platform.
#pragma once

#include <string>
#include <string_view>

namespace rtl {

constexpr char LowerAscii(char C) noexcept {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + ('a' - 'A')) : C;
}

inline std::string LowercaseAscii(std::string_view S) {
  std::string R(S);
  for (char& C : R)
    C = LowerAscii(C);
  return R;
}

} // namespace rtl
