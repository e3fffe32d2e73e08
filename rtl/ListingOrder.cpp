#include "ListingOrder.h"

#include "AsciiCase.h"

#include <algorithm>

namespace rtl {

namespace {

bool ListOrder(const TSearchRec& A, const TSearchRec& B) {
  const size_t N = std::min(A.Name.size(), B.Name.size());
  for (size_t I = 0; I < N; ++I) {
    const auto FA = static_cast<unsigned char>(LowerAscii(A.Name[I]));
    const auto FB = static_cast<unsigned char>(LowerAscii(B.Name[I]));
    if (FA != FB)
      return FA < FB;
  }
  if (A.Name.size() != B.Name.size())
    return A.Name.size() < B.Name.size();
  return A.Name < B.Name;
}

} // namespace

bool IsDotOrDotDot(const char* Name) noexcept {
  return Name[0] == '.' && (Name[1] == '\0' || (Name[1] == '.' && Name[2] == '\0'));
}

void SortListing(std::vector<TSearchRec>& Entries) { std::sort(Entries.begin(), Entries.end(), ListOrder); }

} // namespace rtl
