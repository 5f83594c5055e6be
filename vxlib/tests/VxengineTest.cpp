#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EngineLib.h"
#include "VxTables.h"
#include "Vxengine.h"

using namespace vx;

namespace {

// The statement routines as the library calls them: query by example waits
// for its engine; SQL runs, and its answer is kept as a table and copied.
TEST(VxEngine, StatementsRunByOrdinal) {
  fw::test::TempDir dir;
  vxtest::MakeTable(dir.Path(), "guests.db", {{"Name", ORVEX_FT_STRING, 20}, {"Age", ORVEX_FT_INTEGER}});
  hOrvexDb db = 0;
  ASSERT_EQ(fw::Engine().OpenDatabase(dir.Path().c_str(), nullptr, &db), ORVEX_OK);
  hNuboStmt stmt = 0;
  ASSERT_EQ(NuboQAlloc(db, qrylangSQL, &stmt), ORVEX_OK);
  hOrvexCursor cursor = 0;
  ASSERT_EQ(NuboQPrepare(stmt, "INSERT INTO guests VALUES ('Ann', 30), ('Bo', 7)"), ORVEX_OK);
  ASSERT_EQ(NuboQExec(stmt, &cursor), ORVEX_OK);
  EXPECT_EQ(cursor, 0u);
  {
    hNuboStmt qbe = 0;
    ASSERT_EQ(NuboQAlloc(db, qrylangQBE, &qbe), ORVEX_OK);
    EXPECT_EQ(NuboSetProp(qbe, stmtAUXTBLS, 0), ORVEX_OK);
    EXPECT_EQ(NuboSetProp(qbe, stmtBLANKS, 1), ORVEX_OK);
    ASSERT_EQ(NuboQPrepare(qbe, "Query\r\n\r\nguests | Name | Age\r\n       | P.   | >10"), ORVEX_OK);
    ASSERT_EQ(NuboQExec(qbe, &cursor), ORVEX_OK);
    std::uint32_t answered = 0;
    EXPECT_EQ(fw::Engine().GetRecordCount(cursor, &answered), ORVEX_OK);
    EXPECT_EQ(answered, 1u);
    EXPECT_EQ(NuboCloseCursor(&cursor), ORVEX_OK);
    EXPECT_EQ(NuboQFree(&qbe), ORVEX_OK);
  }
  ASSERT_EQ(NuboQPrepare(stmt, "SELECT Name FROM guests WHERE Age > 10"), ORVEX_OK);
  ASSERT_EQ(NuboQExec(stmt, &cursor), ORVEX_OK);
  EXPECT_EQ(NuboQFree(&stmt), ORVEX_OK);
  EXPECT_EQ(NuboSetToBegin(cursor), ORVEX_OK);
  ASSERT_EQ(NuboQKeepAsTable(cursor, "adults", -1), ORVEX_OK);
  EXPECT_EQ(NuboQFinishKeep(cursor), ORVEX_OK);
  EXPECT_EQ(NuboSetToBegin(cursor), ORVEX_OK);
  EXPECT_EQ(NuboCopyCursor(cursor, "copy.db", "KALMURE", 4), ORVEX_OK);
  EXPECT_EQ(NuboCloseCursor(&cursor), ORVEX_OK);
  hOrvexCursor copy = 0;
  ASSERT_EQ(fw::Engine().OpenTable(db, "copy.db", nullptr, nullptr, ORVEX_OPEN_READONLY, ORVEX_SHARE_SHARED, &copy),
            ORVEX_OK);
  std::uint32_t count = 0;
  EXPECT_EQ(fw::Engine().GetRecordCount(copy, &count), ORVEX_OK);
  EXPECT_EQ(count, 1u);
  NuboCloseCursor(&copy);
  fw::Engine().CloseDatabase(&db);
}

TEST(VxEngine, ValidityChecksOfATableAreReadByOrdinal) {
  fw::test::TempDir dir;
  vxtest::MakeTable(dir.Path(), "guests.db",
                    {{"Name", ORVEX_FT_STRING, 20}, {"Phone", ORVEX_FT_STRING, 20, "###-####"}, {"Age", ORVEX_FT_INTEGER}});
  hOrvexDb db = 0;
  ASSERT_EQ(fw::Engine().OpenDatabase(dir.Path().c_str(), nullptr, &db), ORVEX_OK);
  hOrvexCursor cursor = 0;
  ASSERT_EQ(NuboOpenVchkList(db, "guests.db", "KALMURE", &cursor), ORVEX_OK);
  std::vector<std::uint8_t> rec(sizeof(OrvexVchkDesc));
  std::vector<std::pair<int, std::string>> got;
  while (NuboGetNextRecord(cursor, 0, rec.data(), nullptr) == ORVEX_OK) {
    std::uint16_t no;
    std::memcpy(&no, rec.data(), 2);
    got.emplace_back(no, reinterpret_cast<const char*>(rec.data() + 778));
  }
  EXPECT_EQ(NuboCloseCursor(&cursor), ORVEX_OK);
  EXPECT_EQ(cursor, 0u);
  fw::Engine().CloseDatabase(&db);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, 2);
  EXPECT_EQ(got[0].second, "###-####");
  // A stale handle is the engine's error, not a crash.
  EXPECT_EQ(NuboCloseCursor(&cursor), ORVEX_ERR_INVALIDHANDLE);
}

}  // namespace
