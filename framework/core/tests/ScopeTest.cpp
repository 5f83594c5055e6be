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

}  // namespace fw
