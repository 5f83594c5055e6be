// A post that returned success survives the program being killed, and a
// kill never leaves half a record, a broken index or an unreadable file.
#include <set>

#include <sqlite3.h>

#include "EngineTest.h"

using namespace enginetest;

namespace {

std::string Payload(std::int32_t n) { return std::string(static_cast<std::size_t>(20 + n % 60), static_cast<char>('a' + n % 26)); }

// The child: posts records numbered from 1 and reports each success.
void PostUntilKilled(const std::string& dir, int out) {
  hOrvexDb db = 0;
  hOrvexCursor c = 0;
  if (E().OpenDatabase(dir.c_str(), nullptr, &db) != ORVEX_OK ||
      E().OpenTable(db, "Stream", nullptr, nullptr, 0, 0, &c) != ORVEX_OK)
    ::_exit(2);
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> rec(p.recordSize);
  for (std::int32_t n = 1; n < 1000000; ++n) {
    E().InitRecord(c, rec.data());
    std::string text = Payload(n), memo(static_cast<std::size_t>(n % 3000), 'm');
    E().PutField(c, 1, rec.data(), &n);
    E().PutField(c, 2, rec.data(), text.c_str());
    E().OpenBlob(c, rec.data(), 3, ORVEX_BLOB_READWRITE);
    E().PutBlob(c, rec.data(), 3, 0, static_cast<std::uint32_t>(memo.size()), memo.data());
    if (E().AppendRecord(c, rec.data()) != ORVEX_OK) ::_exit(3);
    E().FreeBlob(c, rec.data(), 3);
    if (n % 7 == 0) {  // modify and delete too, so that each kind of post is under the knife
      std::int32_t back = -n;
      E().PutField(c, 1, rec.data(), &back);
      if (E().ModifyRecord(c, rec.data(), 0) != ORVEX_OK || E().DeleteRecord(c, nullptr) != ORVEX_OK) ::_exit(4);
    }
    ReportStep(out, n);
  }
}

}  // namespace

TEST_F(EngineTest, KilledInTheMiddleOfPostsKeepsEveryPostThatSucceeded) {
  ASSERT_OK(CreateTable(db, "Stream", {{"No", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 100}, {"Memo", ORVEX_FT_MEMO}},
                        {{"", {1}, true}, {"ByText", {2}}}));
  std::int32_t last = KillAfterSteps(300, [&](int out) { PostUntilKilled(dir, out); });
  ASSERT_GE(last, 300) << "the child stopped early";

  Cursor c(db, "Stream", "ByText");
  ASSERT_TRUE(c.ok()) << Text(c.result);
  std::set<std::int32_t> seen;
  auto rec = c.NewRecord();
  while (c.Next(rec) == ORVEX_OK) {
    std::int32_t no = c.Get<std::int32_t>(rec, 1);
    if (no < 0) {  // killed between the modify and the delete of the last post
      EXPECT_EQ(-no, last + 1);
      no = -no;
    }
    EXPECT_EQ(c.Str(rec, 2), Payload(no));
    ASSERT_OK(E().OpenBlob(c.h, rec.data(), 3, ORVEX_BLOB_READONLY));
    std::uint32_t size = 0;
    E().GetBlobSize(c.h, rec.data(), 3, &size);
    EXPECT_EQ(size, static_cast<std::uint32_t>(no % 3000));
    E().FreeBlob(c.h, rec.data(), 3);
    seen.insert(no);
  }
  for (std::int32_t k = 1; k <= last; ++k) EXPECT_EQ(seen.count(k), k % 7 == 0 ? 0u : 1u) << k;
  EXPECT_LE(seen.size(), static_cast<std::size_t>(last + 1));  // at most the post under way when killed
  EXPECT_EQ(c.Count(), seen.size());

  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(Path("Stream.db").c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA quick_check", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
  sqlite3_finalize(st);
  sqlite3_close(raw);
}
