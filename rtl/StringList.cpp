#include "StringList.h"

#include <unordered_map>

namespace rtl {

namespace {

std::string_view NameOf(std::string_view Line) noexcept {
  const size_t Eq = Line.find('=');
  return Eq == std::string_view::npos ? Line : Line.substr(0, Eq);
}

} // namespace

std::string_view TStringList::Name(int32_t Index) const { return NameOf((*this)[Index]); }

std::string_view TStringList::ValueFromIndex(int32_t Index) const {
  const std::string_view Line = (*this)[Index];
  const size_t Eq = Line.find('=');
  return Eq == std::string_view::npos ? std::string_view() : Line.substr(Eq + 1);
}

int32_t TStringList::IndexOfName(std::string_view Wanted) const {
  for (int32_t I = 0; I < Count(); ++I)
    if (SameName(Name(I), Wanted))
      return I;
  return -1;
}

std::string TStringList::Value(std::string_view Wanted) const {
  const int32_t I = IndexOfName(Wanted);
  return I < 0 ? std::string() : std::string(ValueFromIndex(I));
}

std::vector<int32_t> TStringList::FirstIndexOfEachName() const {
  std::vector<int32_t> First(FLines.size());
  std::unordered_map<std::string, int32_t> Seen;
  for (int32_t I = 0; I < Count(); ++I)
    First[static_cast<size_t>(I)] = Seen.try_emplace(FoldName(Name(I)), I).first->second;
  return First;
}

} // namespace rtl
