#include "core/StringList.h"

#include <algorithm>
#include <stdexcept>

#include "core/Text.h"

namespace skyrelle::core {
namespace {

constexpr char Delimiter = ';';
constexpr char Quote = '"';

std::string Quoted(std::string_view Entry) {
  std::string out(1, Quote);
  for (char c : Entry) {
    if (c == Quote) out += Quote;
    out += c;
  }
  out += Quote;
  return out;
}

// Reads a quoted entry starting at the opening quote; without a closing quote it runs to the end.
std::string ReadQuoted(std::string_view Text, std::size_t& Pos) {
  std::string entry;
  ++Pos;
  while (Pos < Text.size()) {
    const std::size_t quote = Text.find(Quote, Pos);
    if (quote == std::string_view::npos) break;
    entry.append(Text.substr(Pos, quote - Pos));
    Pos = quote + 1;
    if (Pos < Text.size() && Text[Pos] == Quote) {
      entry += Quote;
      ++Pos;
    } else {
      return entry;
    }
  }
  entry.append(Text.substr(std::min(Pos, Text.size())));
  Pos = Text.size();
  return entry;
}

}  // namespace

void TStringList::Insert(int Index, std::string Text) {
  if (Index < 0 || Index > Count()) throw std::out_of_range("List index out of bounds");
  FItems.insert(FItems.begin() + Index, std::move(Text));
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("List index out of bounds");
  FItems.erase(FItems.begin() + Index);
}

int TStringList::IndexOf(std::string_view Text) const {
  const std::size_t length = Utf16Length(Text);
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (Utf16Length(FItems[i]) == length && CompareText(FItems[i], Text) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

void TStringList::Sort() {
  std::sort(FItems.begin(), FItems.end(), [](const std::string& Left, const std::string& Right) {
    return CompareText(Left, Right) < 0;
  });
}

std::string TStringList::DelimitedText() const {
  if (FItems.size() == 1 && FItems.front().empty()) return std::string(2, Quote);
  std::string out;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) out += Delimiter;
    const std::string& entry = FItems[i];
    const bool needsQuotes = entry.find_first_of(";\"") != std::string::npos;
    out += needsQuotes ? Quoted(entry) : entry;
  }
  return out;
}

void TStringList::SetDelimitedText(std::string_view Text) {
  FItems.clear();
  std::size_t pos = 0;
  while (pos < Text.size()) {
    if (Text[pos] == Quote) {
      FItems.push_back(ReadQuoted(Text, pos));
    } else {
      const std::size_t end = std::min(Text.find(Delimiter, pos), Text.size());
      FItems.emplace_back(Text.substr(pos, end - pos));
      pos = end;
    }
    if (pos < Text.size() && Text[pos] == Delimiter) {
      if (pos == Text.size() - 1) FItems.emplace_back();
      ++pos;
    }
  }
}

}  // namespace skyrelle::core
