#include "../StringList.h"
#include "Win32Api.h"

#include <climits>

namespace rtl {

bool SameName(std::string_view A, std::string_view B) noexcept {
  if (A.size() > INT_MAX || B.size() > INT_MAX)
    return false;
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()),
                          B.data(), static_cast<int>(B.size())) == CSTR_EQUAL;
}

// A sort key orders exactly as CompareStringA does, so equal keys mean equal
// names under the same flags.
std::string FoldName(std::string_view Name) {
  if (Name.empty() || Name.size() > INT_MAX / 8)
    return std::string(Name);
  const int Size = static_cast<int>(Name.size());
  const int Need =
      ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, Name.data(), Size, nullptr, 0);
  if (Need <= 0)
    return std::string(Name);
  std::string Key(static_cast<size_t>(Need), '\0');
  const int Got = ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, Name.data(), Size,
                                 Key.data(), Need);
  Key.resize(Got > 0 ? static_cast<size_t>(Got) : 0);
  return Key;
}

void AppendFoldedName(std::string& Out, std::string_view Name) { Out += FoldName(Name); }

} // namespace rtl
