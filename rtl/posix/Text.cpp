#include "../StringList.h"

#include "../AsciiCase.h"

#include <algorithm>
#include <cstddef>

namespace rtl {

bool SameName(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size())
    return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (LowerAscii(A[I]) != LowerAscii(B[I]))
      return false;
  return true;
}

std::string FoldName(std::string_view Name) {
  std::string R;
  AppendFoldedName(R, Name);
  return R;
}

void AppendFoldedName(std::string& Out, std::string_view Name) {
  const size_t Old = Out.size();
  Out.resize(Old + Name.size());
  std::transform(Name.begin(), Name.end(), Out.begin() + static_cast<std::ptrdiff_t>(Old), LowerAscii);
}

} // namespace rtl
