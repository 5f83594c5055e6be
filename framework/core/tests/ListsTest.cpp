#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "Lists.h"

namespace fw {

namespace {

int a = 1, b = 2, c = 3, d = 4;

std::vector<void*> ItemsOf(const TList& l) {
  std::vector<void*> v;
  for (int i = 0; i < l.Count(); ++i) v.push_back(l.Items(i));
  return v;
}

}  // namespace

TEST(List, EditingKeepsTheOrder) {
  TList l;
  l.Add(&a);
  l.Add(&c);
  l.Insert(1, &b);
  l.Insert(3, &d);  // at Count: appends
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&a, &b, &c, &d}));
  EXPECT_EQ(l.First(), &a);
  EXPECT_EQ(l.Last(), &d);

  l.Move(0, 3);
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&b, &c, &d, &a}));
  l.Move(3, 1);
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&b, &a, &c, &d}));
  l.Exchange(0, 3);
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&d, &a, &c, &b}));

  l.Add(&a);
  EXPECT_EQ(l.Remove(&a), 1);  // the first occurrence only
  EXPECT_EQ(l.IndexOf(&a), 3);
  EXPECT_EQ(l.Remove(&a), 3);
  EXPECT_EQ(l.Remove(&a), -1);
  EXPECT_EQ(l.Extract(&c), &c);
  EXPECT_EQ(l.Extract(&c), nullptr);
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&d, &b}));

  l.SetItems(0, nullptr);
  l.Add(nullptr);
  l.Add(&a);
  l.Pack();
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&b, &a}));
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(List, IndexErrorsNameTheIndexAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void(TList&)> op;
    const char* message;
  };
  std::vector<Case> cases = {
      {"read past the end", [](TList& l) { l.Items(2); }, "List index out of bounds (2)"},
      {"read before the start", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
      {"write past the end", [](TList& l) { l.SetItems(2, &a); }, "List index out of bounds (2)"},
      {"insert beyond Count", [](TList& l) { l.Insert(3, &a); }, "List index out of bounds (3)"},
      {"delete past the end", [](TList& l) { l.Delete(2); }, "List index out of bounds (2)"},
      {"move to past the end", [](TList& l) { l.Move(0, 2); }, "List index out of bounds (2)"},
      {"exchange with past the end", [](TList& l) { l.Exchange(0, 2); }, "List index out of bounds (2)"},
      {"capacity below Count", [](TList& l) { l.SetCapacity(1); }, "List capacity out of bounds (1)"},
  };
  for (const Case& k : cases) {
    TList l;
    l.Add(&a);
    l.Add(&b);
    try {
      k.op(l);
      ADD_FAILURE() << k.what << ": no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), k.message) << k.what;
    }
    EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&a, &b})) << k.what;
  }
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
  EXPECT_THROW(empty.Last(), EListError);
}

TEST(List, SortKeepsEqualItemsInOrderAndCapacityHoldsItems) {
  struct Rec {
    int key;
  } r1{2}, r2{1}, r3{2}, r4{0};
  TList l;
  for (Rec* r : {&r1, &r2, &r3, &r4}) l.Add(r);
  l.Sort([](void* x, void* y) { return static_cast<Rec*>(x)->key - static_cast<Rec*>(y)->key; });
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&r4, &r2, &r1, &r3}));

  l.SetCapacity(100);
  EXPECT_GE(l.Capacity(), 100);
  l.SetCapacity(4);
  EXPECT_EQ(ItemsOf(l), (std::vector<void*>{&r4, &r2, &r1, &r3}));
}

}  // namespace fw
