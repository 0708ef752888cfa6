#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skyrelle::core {

// Ordered texts, duplicates allowed, compared with CompareText (case-insensitive, by locale).
class TStringList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  const std::string& operator[](int Index) const {
    return FItems.at(static_cast<std::size_t>(Index));
  }
  const std::vector<std::string>& Items() const { return FItems; }

  void Add(std::string Text) { FItems.push_back(std::move(Text)); }
  // Both raise std::out_of_range for a position outside the list, as operator[] does.
  void Insert(int Index, std::string Text);
  void Delete(int Index);
  void Clear() { FItems.clear(); }

  // Position of the first entry of the same length that compares equal, or -1.
  int IndexOf(std::string_view Text) const;
  // Ascending by CompareText; entries that compare equal end up in no set order.
  void Sort();

  // The ";"-separated form with the quotation mark as quote character.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view Text);

 private:
  std::vector<std::string> FItems;
};

}  // namespace skyrelle::core
