#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "Scope.h"
#include "Strings.h"

namespace fw {

// Each scope on both ways out of a block: what ran, and what the variable or
// list holds afterwards.
TEST(Scope, EachScopeOnTheNormalPathAndOnAThrow) {
  for (bool raise : {false, true}) {
    SCOPED_TRACE(raise ? "thrown" : "normal");
    int exits = 0, fails = 0, successes = 0;
    int value = 1;
    TStringList list;
    try {
      TScopeExit exit([&] { ++exits; });
      TScopeFail fail([&] { ++fails; });
      TScopeSuccess success([&] { ++successes; });
      TRestoreScope restore(value, 2);
      TUpdateScope update(list);
      EXPECT_EQ(value, 2);
      EXPECT_EQ(list.UpdateCount(), 1);
      if (raise) throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(fails, raise ? 1 : 0);
    EXPECT_EQ(successes, raise ? 0 : 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(list.UpdateCount(), 0);
  }
}

// A fail scope inside a destructor that runs during unwinding must not take
// that unwinding for a failure of its own block.
TEST(Scope, FailScopeInsideUnwindingCountsOnlyItsOwnException) {
  int fails = 0;
  struct Cleaner {
    int& fails;
    ~Cleaner() {
      TScopeFail fail([&] { ++fails; });
    }
  };
  try {
    Cleaner c{fails};
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(fails, 0);
}

// The error that leaves a block holding the scope make() returns.
template <typename MakeScope>
std::string ErrorLeaving(bool blockRaises, MakeScope make) {
  try {
    auto scope = make();
    if (blockRaises) throw std::runtime_error("block");
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "none";
}

// A cleanup that raises reaches the caller on the normal way out; while the
// block's own error is on its way, that one does, and the program goes on.
TEST(Scope, ARaisingCleanupGivesWayToTheBlocksError) {
  auto cleanup = [] { throw std::runtime_error("cleanup"); };
  TStringList list;
  list.OnChange = [](TObject*) { throw std::runtime_error("cleanup"); };
  EXPECT_EQ(ErrorLeaving(false, [&] { return TScopeExit(cleanup); }), "cleanup");
  EXPECT_EQ(ErrorLeaving(true, [&] { return TScopeExit(cleanup); }), "block");
  EXPECT_EQ(ErrorLeaving(true, [&] { return TScopeFail(cleanup); }), "block");
  EXPECT_EQ(ErrorLeaving(false, [&] { return TUpdateScope(list); }), "cleanup");
  EXPECT_EQ(ErrorLeaving(true, [&] { return TUpdateScope(list); }), "block");
}

}  // namespace fw
