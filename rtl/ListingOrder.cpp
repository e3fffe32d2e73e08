#include "ListingOrder.h"

#include <algorithm>

namespace rtl {

namespace {

unsigned char FoldAscii(char C) noexcept {
  const auto U = static_cast<unsigned char>(C);
  return (U >= 'A' && U <= 'Z') ? static_cast<unsigned char>(U + ('a' - 'A')) : U;
}

bool ListOrder(const TSearchRec& A, const TSearchRec& B) {
  const size_t N = std::min(A.Name.size(), B.Name.size());
  for (size_t I = 0; I < N; ++I) {
    const unsigned char FA = FoldAscii(A.Name[I]);
    const unsigned char FB = FoldAscii(B.Name[I]);
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
