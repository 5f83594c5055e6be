#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "EngineLib.h"
#include "VxTables.h"
#include "Vxengine.h"

using namespace vx;

namespace {

TEST(VxEngine, OperationsTheEngineLacksAnswerNotSupported) {
  hNuboStmt stmt = 0;
  hOrvexCursor cursor = 0;
  std::vector<std::function<OrvexResult()>> calls = {
      [&] { return NuboQAlloc(1, qrylangSQL, &stmt); },
      [&] { return NuboQPrepare(1, "select * from x"); },
      [&] { return NuboQExec(1, &cursor); },
      [&] { return NuboQFree(&stmt); },
      [&] { return NuboQKeepAsTable(1, "answer", -1); },
      [&] { return NuboCopyCursor(1, "copy.db", "KALMURE", 4); },
  };
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), ORVEX_ERR_NOTSUPPORTED) << "call " << i;
  EXPECT_EQ(NuboErrorText(ORVEX_ERR_NOTSUPPORTED).rfind("Operation not supported", 0), 0u);
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
