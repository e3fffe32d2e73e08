#include "StringList.h"

#include <functional>

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
  // All folded names go into one buffer, then an open-addressing table of
  // line indices finds each name's first line: no allocation per line.
  std::string Folded;
  std::vector<size_t> Ends(FLines.size());
  for (int32_t I = 0; I < Count(); ++I) {
    AppendFoldedName(Folded, Name(I));
    Ends[static_cast<size_t>(I)] = Folded.size();
  }
  const auto Key = [&](size_t I) {
    const size_t Begin = I == 0 ? 0 : Ends[I - 1];
    return std::string_view(Folded.data() + Begin, Ends[I] - Begin);
  };
  size_t Slots = 16;
  while (Slots < 2 * FLines.size())
    Slots *= 2;
  std::vector<int32_t> Table(Slots, -1);
  std::vector<int32_t> First(FLines.size());
  for (size_t I = 0; I < FLines.size(); ++I) {
    const std::string_view K = Key(I);
    size_t Slot = std::hash<std::string_view>{}(K) & (Slots - 1);
    while (Table[Slot] >= 0 && Key(static_cast<size_t>(Table[Slot])) != K)
      Slot = (Slot + 1) & (Slots - 1);
    if (Table[Slot] < 0)
      Table[Slot] = static_cast<int32_t>(I);
    First[I] = Table[Slot];
  }
  return First;
}

} // namespace rtl
