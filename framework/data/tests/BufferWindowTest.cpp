// The record window that data links share: which buffer each link sees as
// active, how many records it sees, and how far it is told it scrolled.
#include <gtest/gtest.h>

#include <memory>

#include "DataSource.h"
#include "MemDataSet.h"

namespace fwtest {

FW_IMPLEMENT_CLASS(TMemDataSet)

namespace {

class TRecordingLink : public TDataLink {
public:
  std::vector<int> Scrolls;
  int Changes = 0;

protected:
  void DataSetChanged() override { ++Changes; }
  void DataSetScrolled(int Distance) override { Scrolls.push_back(Distance); }
};

struct Window : ::testing::Test {
  std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);
  TMemDataSet* ds = new TMemDataSet(owner.get());
  TDataSource* src = new TDataSource(owner.get());
  TRecordingLink grid, single;

  void Fill(int n) {
    ds->Define({{"ID", ftInteger}});
    for (int i = 1; i <= n; ++i) ds->AddRow({TMemDataSet::Int(i)});
  }
  void SetUp() override {
    src->SetDataSet(ds);
    grid.SetBufferCount(10);
    single.SetBufferCount(3);
    grid.SetDataSource(src);
    single.SetDataSource(src);
  }
  int Id() { return ds->FieldByName("ID")->AsInteger(); }
  int LastScroll(TRecordingLink& l) { return l.Scrolls.empty() ? 999 : l.Scrolls.back(); }
};

TEST_F(Window, LinksFollowTheActiveRecordThroughMovesOfOnePageAndEnds) {
  Fill(50);
  ds->Open();
  EXPECT_EQ(ds->BufferCount(), 10);
  EXPECT_EQ(grid.RecordCount(), 10);
  EXPECT_EQ(single.RecordCount(), 3);
  EXPECT_EQ(grid.ActiveRecord(), 0);
  EXPECT_EQ(single.ActiveRecord(), 0);

  struct Step {
    const char* what;
    int move;  // MoveBy distance; 1000 = Last, -1000 = First
    int id;
    int gridActive, gridScroll;  // gridScroll 999: told DataSetChanged instead
    int singleActive, singleScroll;
  };
  const Step steps[] = {
      {"next", 1, 2, 1, 0, 1, 0},
      {"next", 1, 3, 2, 0, 2, 0},
      {"next past the small window", 1, 4, 3, 0, 2, 1},
      {"to the last buffered record", 6, 10, 9, 0, 2, 6},
      {"next slides the window", 1, 11, 9, 1, 2, 1},
      {"page down", 10, 21, 9, 10, 2, 10},
      {"page up", -10, 11, 0, -1, 0, -8},
      {"last", 1000, 50, 9, 999, 2, 999},
      {"prior from the end", -1, 49, 8, 0, 1, 0},
      {"first", -1000, 1, 0, 999, 0, 999},
      {"far past the end", 100, 50, 9, 40, 2, 47},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    grid.Scrolls.clear();
    single.Scrolls.clear();
    int changes = grid.Changes;
    if (s.move == 1000) ds->Last();
    else if (s.move == -1000) ds->First();
    else ds->MoveBy(s.move);
    EXPECT_EQ(Id(), s.id);
    EXPECT_EQ(grid.ActiveRecord(), s.gridActive);
    EXPECT_EQ(single.ActiveRecord(), s.singleActive);
    EXPECT_EQ(grid.RecordCount(), 10);
    EXPECT_EQ(single.RecordCount(), 3);
    if (s.gridScroll == 999) {
      EXPECT_TRUE(grid.Scrolls.empty());
      EXPECT_EQ(grid.Changes, changes + 1);
    } else {
      ASSERT_EQ(grid.Scrolls.size(), 1u);
      EXPECT_EQ(grid.Scrolls[0], s.gridScroll);
      ASSERT_EQ(single.Scrolls.size(), 1u);
      EXPECT_EQ(single.Scrolls[0], s.singleScroll);
    }
  }
  EXPECT_TRUE(ds->Eof());
  // At either end a further move in the same direction tells nobody anything.
  grid.Scrolls.clear();
  EXPECT_EQ(ds->MoveBy(1), 0);
  EXPECT_TRUE(grid.Scrolls.empty());
}

TEST_F(Window, ActiveRecordSetByALinkSelectsTheBufferAndTheCursorFollowsLater) {
  Fill(50);
  ds->Open();
  ds->MoveBy(12);  // window 4..13, on 13
  ASSERT_EQ(grid.ActiveRecord(), 9);
  int fetches = ds->Fetches;
  grid.SetActiveRecord(2);
  EXPECT_EQ(Id(), 6);            // read from the buffer...
  EXPECT_EQ(ds->Fetches, fetches);  // ...without touching the cursor

  // The next operation that needs the cursor puts it on that record first.
  EXPECT_EQ(ds->RecNo(), 6);
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(600);
  ds->Post();
  EXPECT_EQ(Id(), 600);
  EXPECT_EQ(grid.ActiveRecord(), 2);  // the posted record keeps its row
  ds->First();
  EXPECT_TRUE(ds->Locate("ID", {"600"}, {}));
  EXPECT_EQ(ds->RecNo(), 6);
}

TEST_F(Window, SmallTableAndChangingBufferCount) {
  Fill(4);
  ds->Open();
  EXPECT_EQ(grid.RecordCount(), 4);
  EXPECT_EQ(single.RecordCount(), 3);
  ds->Last();
  EXPECT_EQ(grid.ActiveRecord(), 3);
  EXPECT_EQ(single.ActiveRecord(), 2);

  // A link that leaves shrinks the window to what the others need, keeping
  // the current record.
  grid.SetDataSource(nullptr);
  EXPECT_EQ(ds->BufferCount(), 3);
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(single.ActiveRecord(), 2);
  EXPECT_EQ(single.RecordCount(), 3);
  grid.SetDataSource(src);
  EXPECT_EQ(ds->BufferCount(), 10);
  EXPECT_EQ(grid.RecordCount(), 4);
  EXPECT_EQ(Id(), 4);
}

}  // namespace
}  // namespace fwtest
