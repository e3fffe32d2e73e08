// Shared by the platform listings, so every build delivers entries alike.
#pragma once

#include "FileSystem.h"

#include <vector>

namespace rtl {

bool IsDotOrDotDot(const char* Name) noexcept;
// Sorts by name with A-Z folded to lower case, ties broken byte by byte.
void SortListing(std::vector<TSearchRec>& Entries);

} // namespace rtl
