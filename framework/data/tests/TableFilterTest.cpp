// A TTable whose cursor has a record callback: an exception the callback
// raises reaches the caller of the dataset operation as itself, and a
// refresh or resync finds the records that pass now.
#include <stdexcept>

#include "EngineFixture.h"
#include "EngineLib.h"

namespace fwtest {
namespace {

struct PrivateGuest : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The test's side of a record callback, as a library would write one: what
// it raises is kept for Check, never thrown through the engine.
struct Gate {
  hOrvexCursor cursor = 0;
  std::function<bool(int id)> pass;
  int raiseAt = 0;
  int abortAt = 0;
};

std::uint16_t GateCallback(std::uintptr_t data, void* record) {
  auto* g = reinterpret_cast<Gate*>(data);
  try {
    std::int32_t id = 0;
    Check(Engine().GetField(g->cursor, 1, record, &id, nullptr));
    if (id == g->raiseAt) throw PrivateGuest("guest " + std::to_string(id) + " is private");
    if (id == g->abortAt) return ORVEX_FILTER_ABORT;
    return !g->pass || g->pass(id) ? 1 : 0;
  } catch (...) {
    KeepCallbackException(std::current_exception());
    return ORVEX_FILTER_ABORT;
  }
}

struct TableFilter : EngineTables {
  TTable* t = nullptr;
  Gate gate;

  void SetUp() override {
    t = OpenGuests(10);
    gate.cursor = t->Handle();
    OrvexHandle filter = 0;
    Check(Engine().AddFilter(t->Handle(), reinterpret_cast<std::uintptr_t>(&gate), 1, 0, nullptr, GateCallback,
                             &filter));
    Check(Engine().ActivateFilter(t->Handle(), filter));
    t->First();
  }
  int Id() { return t->FieldByName("ID")->AsInteger(); }
};

TEST_F(TableFilter, AnExceptionRaisedInTheCallbackReachesTheCallerAsItself) {
  gate.raiseAt = 5;
  t->MoveBy(3);
  ASSERT_EQ(Id(), 4);
  try {
    t->Next();
    FAIL() << "Next went on";
  } catch (const PrivateGuest& e) {
    EXPECT_STREQ(e.what(), "guest 5 is private");
  }
  // The table is where it was and reads on once the callback lets it.
  EXPECT_EQ(Id(), 4);
  gate.raiseAt = 0;
  t->Next();
  EXPECT_EQ(Id(), 5);

  // Where the framework reads without raising its own errors, the same.
  gate.raiseAt = 5;
  EXPECT_THROW(t->Resync({}), PrivateGuest);
  EXPECT_THROW(t->Refresh(), PrivateGuest);
  gate.raiseAt = 0;
  t->Refresh();
  EXPECT_EQ(Id(), 5);

  // A callback that stops the read without an exception of its own: the
  // engine's error.
  gate.abortAt = 6;
  try {
    t->Next();
    FAIL() << "Next went on";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), ORVEX_ERR_CALLBACKABORT);
  }
  EXPECT_EQ(Id(), 5);
}

TEST_F(TableFilter, RefreshKeepsTheCurrentRecordElseTheNextElseThePriorElseShowsNone) {
  struct Case {
    const char* what;
    std::function<bool(int)> pass;
    int expected;  // 0: an empty view
    int count;
  };
  const std::vector<Case> cases = {
      {"the current record passes", [](int id) { return id != 2; }, 5, 9},
      {"the next one does", [](int id) { return id == 3 || id == 8; }, 8, 2},
      {"only an earlier one does", [](int id) { return id == 1 || id == 3; }, 3, 2},
      {"none does", [](int) { return false; }, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    gate.pass = nullptr;
    t->First();
    t->MoveBy(4);
    ASSERT_EQ(Id(), 5);
    gate.pass = k.pass;
    t->Refresh();
    if (k.expected) {
      EXPECT_EQ(Id(), k.expected);
    } else {
      EXPECT_TRUE(t->IsEmpty());
      EXPECT_TRUE(t->Eof() && t->Bof());
    }
    EXPECT_EQ(t->RecordCount(), k.count);
  }
}

}  // namespace
}  // namespace fwtest
