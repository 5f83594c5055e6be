#include "Lists.h"

#include <algorithm>
#include <string>

#include "Exceptions.h"

namespace fw {

FW_IMPLEMENT_CLASS(TList)

void TList::Check(int index, int limit) const {
  if (index < 0 || index >= limit) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TList::SetCapacity(int value) {
  if (value < Count()) throw EListError("List capacity out of bounds (" + std::to_string(value) + ")");
  if (value > Capacity()) {
    items_.reserve(static_cast<std::size_t>(value));
  } else if (value < Capacity()) {
    std::vector<void*> v;
    v.reserve(static_cast<std::size_t>(value));
    v.assign(items_.begin(), items_.end());
    items_.swap(v);
  }
}

void* TList::Items(int index) const {
  Check(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void TList::SetItems(int index, void* item) {
  Check(index, Count());
  items_[static_cast<std::size_t>(index)] = item;
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  Check(index, Count() + 1);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  Check(index, Count());
  items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* item) {
  return Remove(item) >= 0 ? item : nullptr;
}

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  Check(index1, Count());
  Check(index2, Count());
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  Check(curIndex, Count());
  Check(newIndex, Count());
  void* item = items_[static_cast<std::size_t>(curIndex)];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() {
  items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

}  // namespace fw
