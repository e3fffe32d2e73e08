// An ordered, unsorted list of text lines of the form Name=Value.
// Duplicates are allowed; lookups find the first line whose name matches
// without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {

class TStringList {
public:
  void Add(std::string Line) { FLines.push_back(std::move(Line)); }
  void Clear() noexcept { FLines.clear(); }
  int32_t Count() const noexcept { return static_cast<int32_t>(FLines.size()); }
  const std::string& operator[](int32_t Index) const { return FLines.at(static_cast<size_t>(Index)); }

  // The text before the first "=" of line Index (the whole line when it has none).
  std::string_view Name(int32_t Index) const;
  // The text after the first "=" of line Index (empty when it has none).
  std::string_view ValueFromIndex(int32_t Index) const;
  // Index of the first line named Name, or -1.
  int32_t IndexOfName(std::string_view Name) const;
  // The value of the first line named Name, or the empty text.
  std::string Value(std::string_view Name) const;
  // For every line, the index of the first line with the same name; one
  // pass, so listing a long list stays linear.
  std::vector<int32_t> FirstIndexOfEachName() const;

  auto begin() const noexcept { return FLines.begin(); }
  auto end() const noexcept { return FLines.end(); }

private:
  std::vector<std::string> FLines;
};

// Compares two list names as the platform compares them for lookups.
bool SameName(std::string_view A, std::string_view B) noexcept;
// A key such that SameName(A, B) exactly when FoldName(A) == FoldName(B).
std::string FoldName(std::string_view Name);
// Appends FoldName(Name) to Out.
void AppendFoldedName(std::string& Out, std::string_view Name);

} // namespace rtl
