// TList: the framework's list of untyped pointers. It never owns what it
// points to; lists that own their items free them themselves.
#pragma once
#include <functional>
#include <vector>

#include "Object.h"

namespace fw {

// <0, 0 or >0 as Item1 sorts before, with or after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
  FW_CLASS(TList, TObject)
public:
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int value);  // below Count raises EListError

  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* item);
  void Insert(int index, void* item);  // index may be Count
  void Delete(int index);
  int Remove(void* item);   // the first occurrence; its former index, or -1
  void* Extract(void* item);  // removes the first occurrence; item, or nullptr when absent
  void Clear();
  int IndexOf(const void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  void Pack();  // removes the nullptr items
  // Equal items keep their order.
  void Sort(const TListSortCompare& compare);

private:
  void Check(int index, int limit) const;
  std::vector<void*> items_;
};

}  // namespace fw
