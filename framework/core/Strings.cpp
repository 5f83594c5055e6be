#include "Strings.h"

#include <algorithm>
#include <numeric>

#include "Exceptions.h"
#include "Scope.h"
#include "Streams.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(TStrings)
FW_IMPLEMENT_CLASS(TStringList)

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Quoted(const std::string& s, char quote) {
  std::string r(1, quote);
  for (char c : s) {
    r += c;
    if (c == quote) r += quote;
  }
  r += quote;
  return r;
}

// Reads the quoted text that starts at text[i] (the opening quote); doubled
// quotes stand for one. An unclosed quote runs to the end.
std::string ExtractQuoted(const std::string& text, std::size_t& i, char quote) {
  std::string r;
  ++i;
  while (i < text.size()) {
    char c = text[i++];
    if (c != quote) {
      r += c;
    } else if (i < text.size() && text[i] == quote) {
      r += quote;
      ++i;
    } else {
      break;
    }
  }
  return r;
}

[[noreturn]] void SortedListError() { throw EStringListError("Operation not allowed on sorted string list"); }

}  // namespace

// ---------------------------------------------------------------- TStrings

void TStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStrings::SetStrings(int index, const std::string& s) {
  TObject* object = Objects(index);
  TUpdateScope u(*this);
  Delete(index);
  InsertObject(index, s, object);
}

TObject* TStrings::Objects(int index) const {
  CheckIndex(index, Count());
  return nullptr;
}

void TStrings::SetObjects(int, TObject*) {}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  TUpdateScope u(*this);
  Insert(index, s);
  SetObjects(index, object);
}

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  TUpdateScope u(*this);
  int index = Add(s);
  SetObjects(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  TUpdateScope u(*this);
  for (int i = 0, n = strings.Count(); i < n; ++i) AddObject(strings.Strings(i), strings.Objects(i));
}

void TStrings::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  TUpdateScope u(*this);
  std::string s = Strings(index1);
  TObject* o = Objects(index1);
  SetStrings(index1, Strings(index2));
  SetObjects(index1, Objects(index2));
  SetStrings(index2, s);
  SetObjects(index2, o);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  // Both checked before the line is taken out, so a bad index loses nothing.
  CheckIndex(curIndex, Count());
  CheckIndex(newIndex, Count());
  TUpdateScope u(*this);
  std::string s = Strings(curIndex);
  TObject* o = Objects(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, o);
}

bool TStrings::Equals(const TStrings& strings) const {
  int n = Count();
  if (n != strings.Count()) return false;
  for (int i = 0; i < n; ++i)
    if (Strings(i) != strings.Strings(i)) return false;
  return true;
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string line = Strings(i);
    std::size_t p = line.find(nameValueSeparator_);
    if (p != std::string::npos && CompareStrings(line.substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (Objects(i) == object) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string line = Strings(index);
  std::size_t p = line.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : line.substr(0, p);
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line = name + nameValueSeparator_ + value;
  if (i < 0)
    Add(line);
  else
    SetStrings(i, line);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string line = Strings(index);
  std::size_t p = line.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : line.substr(p + 1);
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0, n = Count(); i < n; ++i) {
    r += Strings(i);
    r += "\r\n";
  }
  return r;
}

void TStrings::SetText(const std::string& text) {
  TUpdateScope u(*this);
  Clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
}

std::string TStrings::JoinDelimited(const TStrings& list, char delimiter, char quote) {
  int n = list.Count();
  if (n == 1 && list.Strings(0).empty()) return std::string(2, quote);
  std::string r;
  for (int i = 0; i < n; ++i) {
    std::string s = list.Strings(i);
    bool plain = std::none_of(s.begin(), s.end(), [&](char c) { return IsBlank(c) || c == quote || c == delimiter; });
    if (i > 0) r += delimiter;
    r += plain ? s : Quoted(s, quote);
  }
  return r;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quote) {
  TUpdateScope u(*this);
  Clear();
  std::size_t i = 0, n = text.size();
  auto skipBlanks = [&] {
    while (i < n && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    if (text[i] == quote) {
      Add(ExtractQuoted(text, i, quote));
    } else {
      std::size_t start = i;
      while (i < n && !IsBlank(text[i]) && text[i] != delimiter) ++i;
      Add(text.substr(start, i - start));
    }
    skipBlanks();
    if (i < n && text[i] == delimiter) {
      ++i;
      if (i == n) Add(std::string());  // a delimiter at the end ends an empty last line
      skipBlanks();
    }
  }
}

std::string TStrings::DelimitedText() const { return JoinDelimited(*this, delimiter_, quoteChar_); }
void TStrings::SetDelimitedText(const std::string& text) { SplitDelimited(text, delimiter_, quoteChar_); }
std::string TStrings::CommaText() const { return JoinDelimited(*this, ',', '"'); }
void TStrings::SetCommaText(const std::string& text) { SplitDelimited(text, ',', '"'); }

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& stream) { SetText(ReadToEnd(stream)); }

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

void TStrings::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TStrings*>(Source)) {
    if (s == this) return;
    TUpdateScope u(*this);
    Clear();
    AddStrings(*s);
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::ReadProperty(const std::string& name, const TFormValue& value) {
  if (!SameText(name, "Strings")) return TPersistent::ReadProperty(name, value);
  if (value.Kind != TFormValue::vaList) throw EReadError("Invalid property value");
  TUpdateScope u(*this);
  Clear();
  for (const TFormValue& item : value.List) {
    if (item.Kind != TFormValue::vaString) throw EReadError("Invalid property value");
    Add(item.Str);
  }
  return true;
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return AnsiCompareText(a, b); }

// ---------------------------------------------------------------- TStringList

void TStringList::CheckNotSorted() const {
  if (sorted_) SortedListError();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Strings(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].Str;
}

void TStringList::SetStrings(int index, const std::string& s) {
  CheckNotSorted();
  CheckIndex(index, Count());
  Changing();
  items_[static_cast<std::size_t>(index)].Str = s;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].Obj;
}

void TStringList::SetObjects(int index, TObject* object) {
  CheckIndex(index, Count());
  Changing();
  items_[static_cast<std::size_t>(index)].Obj = object;
  Changed();
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  CheckNotSorted();
  CheckIndex(index, Count() + 1);
  InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  items_.shrink_to_fit();
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  Changing();
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckNotSorted();
  CheckIndex(curIndex, Count());
  CheckIndex(newIndex, Count());
  Changing();
  auto b = items_.begin();
  if (curIndex < newIndex)
    std::rotate(b + curIndex, b + curIndex + 1, b + newIndex + 1);
  else
    std::rotate(b + newIndex, b + curIndex, b + curIndex + 1);
  Changed();
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

void TStringList::SetValues(const std::string& name, const std::string& value) {
  int i = sorted_ && !value.empty() ? IndexOfName(name) : -1;
  if (i < 0) return TStrings::SetValues(name, value);
  // A sorted list cannot change a line in place: the line moves to where
  // its new text sorts, and comes back if the list refuses it.
  Item old = items_[static_cast<std::size_t>(i)];
  TUpdateScope u(*this);
  Delete(i);
  TScopeFail putBack([&] { InsertItem(i, old.Str, old.Obj); });
  AddObject(name + NameValueSeparator() + value, old.Obj);
}

bool TStringList::Find(const std::string& s, int& index) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), s,
                             [this](const Item& item, const std::string& v) { return CompareStrings(item.Str, v) < 0; });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && CompareStrings(it->Str, s) == 0;
}

void TStringList::SortItems(const TStringListSortCompare& compare) {
  if (Count() < 2) return;
  // Sorts positions rather than lines, so that compare sees the list
  // unchanged while it runs.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_.swap(sorted);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].Str,
                                list->items_[static_cast<std::size_t>(b)].Str);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (!sorted_) SortItems(compare);
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

}  // namespace fw
