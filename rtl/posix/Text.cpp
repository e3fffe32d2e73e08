#include "../StringList.h"

namespace rtl {

namespace {

char FoldAscii(char C) noexcept { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + ('a' - 'A')) : C; }

} // namespace

bool SameName(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size())
    return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (FoldAscii(A[I]) != FoldAscii(B[I]))
      return false;
  return true;
}

std::string FoldName(std::string_view Name) {
  std::string R(Name);
  for (char& C : R)
    C = FoldAscii(C);
  return R;
}

} // namespace rtl
