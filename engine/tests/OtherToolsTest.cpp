// Tables written by other SQLite tools: the sqlite3 program inserts, updates
// and checks a table the engine made, and the engine's case-insensitive
// order takes in what it wrote. Tables of the first file format, whose
// indexes needed a collation only the engine had, keep opening.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <sqlite3.h>

#include "Chars.h"
#include "EngineTest.h"

using namespace enginetest;

namespace {

using V = std::vector<std::string>;

// Runs SQL through the sqlite3 program; its output, or "failed: ..." when
// it stops on an error.
std::string Sqlite3(const std::string& file, const std::string& sql) {
  std::string script = file + ".sql";
  if (FILE* f = std::fopen(script.c_str(), "w")) {
    std::fputs((".bail on\n" + sql + "\n").c_str(), f);
    std::fclose(f);
  }
  std::string out;
  FILE* p = ::popen(("sqlite3 '" + file + "' < '" + script + "' 2>&1").c_str(), "r");
  if (!p) return "failed: no sqlite3";
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  int status = ::pclose(p);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return status == 0 ? out : "failed: " + out;
}

// A table as the engine first wrote it: its case-insensitive index in a
// collation of the engine's own. Rows go in with a collation of the same order.
void MakeFirstFormatTable(const std::string& file) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  auto fold = [](void*, int na, const void* a, int nb, const void* b) {
    fw::TChars x = fw::Utf8ToChars(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)));
    fw::TChars y = fw::Utf8ToChars(std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
    for (auto& ch : x) ch = fw::CharLower(ch);
    for (auto& ch : y) ch = fw::CharLower(ch);
    return x.compare(y);
  };
  sqlite3_create_collation(raw, "ORVEX_NOCASE", SQLITE_UTF8, nullptr, fold);
  ASSERT_EQ(sqlite3_exec(raw,
                         "PRAGMA application_id=1330796120; PRAGMA user_version=1; BEGIN;"
                         "CREATE TABLE orvex_table(key TEXT PRIMARY KEY, value);"
                         "CREATE TABLE orvex_fields(field_no INTEGER PRIMARY KEY, name TEXT NOT NULL, type INTEGER NOT NULL,"
                         " size INTEGER NOT NULL, decimals INTEGER NOT NULL, required INTEGER NOT NULL);"
                         "CREATE TABLE orvex_indexes(index_no INTEGER PRIMARY KEY, name TEXT NOT NULL, fields TEXT NOT NULL,"
                         " is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL, descending INTEGER NOT NULL,"
                         " case_insensitive INTEGER NOT NULL);"
                         "CREATE TABLE orvex_checks(field_no INTEGER PRIMARY KEY, required INTEGER NOT NULL, min_value,"
                         " max_value, default_value, picture TEXT NOT NULL);"
                         "INSERT INTO orvex_table VALUES('format', 'KALMURE'), ('protected', 0);"
                         "INSERT INTO orvex_fields VALUES(1, 'Name', 1, 20, 0, 0), (2, 'No', 3, 0, 0, 0);"
                         "INSERT INTO orvex_indexes VALUES(1, '', '2', 1, 1, 0, 0), (2, 'ByName', '1', 0, 1, 0, 1);"
                         "CREATE TABLE records(\"Name\" TEXT, \"No\" INTEGER);"
                         "CREATE UNIQUE INDEX orvex_index_1 ON records(\"No\");"
                         "CREATE UNIQUE INDEX orvex_index_2 ON records(\"Name\" COLLATE ORVEX_NOCASE);"
                         "INSERT INTO records VALUES('zoë', 1), ('Émile', 2), ('anna', 3), ('Bob', 4);"
                         "COMMIT; PRAGMA journal_mode=WAL;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(raw);
  sqlite3_close(raw);
}

class OtherToolsTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "People",
                          {{"Name", ORVEX_FT_STRING, 20}, {"City", ORVEX_FT_STRING, 20}, {"No", ORVEX_FT_INTEGER}},
                          {{"", {3}, true},
                           {"ByNameCI", {1}, false, false, false, true},
                           {"ByCityName", {2, 1}, false, true, false, true}}));
    Cursor c(db, "People");
    ASSERT_TRUE(c.ok()) << Text(c.result);
    const char* names[][2] = {{"Anna", "Oslo"}, {"bob", "Bergen"}, {"Émile", "Oslo"}, {"Zoë", "Bergen"}};
    int no = 0;
    for (const auto& n : names) {
      auto rec = c.NewRecord();
      c.PutStr(rec, 1, n[0]);
      c.PutStr(rec, 2, n[1]);
      c.Put<std::int32_t>(rec, 3, ++no);
      ASSERT_OK(c.Append(rec));
    }
  }
};

}  // namespace

TEST_F(OtherToolsTest, TheSqlite3ProgramWritesAndChecksATableAndTheEngineKeepsItsOrder) {
  Cursor open(db, "People", "ByNameCI");  // the engine has the table open meanwhile
  ASSERT_TRUE(open.ok());
  EXPECT_EQ(open.Strs(1), (V{"Anna", "bob", "Zoë", "Émile"}));

  EXPECT_EQ(Sqlite3(Path("People.db"),
                    "INSERT INTO records(Name, City, No) VALUES('émile', 'Oslo', 5);\n"
                    "UPDATE records SET Name = 'ANNABEL' WHERE No = 1;\n"
                    "UPDATE records SET City = 'Tromsø' WHERE No = 2;\n"
                    "PRAGMA integrity_check;"),
            "ok");
  // Folded together, "Émile" and "émile" stand in the order they were made.
  EXPECT_EQ(open.Strs(1), (V{"ANNABEL", "bob", "Zoë", "Émile", "émile"}));
  Cursor fresh(db, "People", "ByNameCI");
  EXPECT_EQ(fresh.Strs(1), (V{"ANNABEL", "bob", "Zoë", "Émile", "émile"}));
  auto key = fresh.NewRecord();
  fresh.PutStr(key, 1, "ÉMILE");
  ASSERT_OK(E().SetToKey(fresh.h, ORVEX_KEY_EXACT, 0, 0, key.data()));
  auto rec = fresh.NewRecord();
  ASSERT_OK(fresh.Next(rec));
  EXPECT_EQ(fresh.Get<std::int32_t>(rec, 3), 3);
  ASSERT_OK(fresh.Next(rec));
  EXPECT_EQ(fresh.Get<std::int32_t>(rec, 3), 5);
  ASSERT_OK(E().SwitchToIndex(fresh.h, "ByCityName", 0));
  EXPECT_EQ(fresh.Strs(1), (V{"Zoë", "ANNABEL", "Émile", "émile", "bob"}));
  EXPECT_EQ(fresh.Strs(2), (V{"Bergen", "Oslo", "Oslo", "Oslo", "Tromsø"}));

  // The engine's own posts keep the file checkable too.
  auto more = fresh.NewRecord();
  fresh.PutStr(more, 1, "Ölaf");
  fresh.PutStr(more, 2, "Oslo");
  fresh.Put<std::int32_t>(more, 3, 6);
  ASSERT_OK(fresh.Append(more));
  EXPECT_EQ(Sqlite3(Path("People.db"), "PRAGMA integrity_check;"), "ok");
  EXPECT_EQ(open.Strs(1), (V{"ANNABEL", "bob", "Zoë", "Émile", "émile", "Ölaf"}));
}

TEST_F(OtherToolsTest, AUniqueCaseInsensitiveIndexRefusesACaseVariant) {
  Cursor c(db, "People");
  auto rec = c.NewRecord();
  c.PutStr(rec, 1, "ÉMILE");
  c.PutStr(rec, 2, "OSLO");
  c.Put<std::int32_t>(rec, 3, 9);
  EXPECT_EQ(c.Append(rec), ORVEX_ERR_KEYVIOL);
  c.PutStr(rec, 2, "Paris");
  ASSERT_OK(c.Append(rec));
  // A duplicate that another tool made is shown, and the record can still
  // be changed but for its key.
  EXPECT_EQ(Sqlite3(Path("People.db"), "INSERT INTO records(Name, City, No) VALUES('ANNA', 'oslo', 10);"), "");
  ASSERT_OK(E().SwitchToIndex(c.h, "ByCityName", 0));
  EXPECT_EQ(c.Ints(3), (std::vector<std::int32_t>{2, 4, 1, 10, 3, 9}));
  ASSERT_OK(E().SetToBegin(c.h));
  for (int i = 0; i < 4; ++i) ASSERT_OK(c.Next(rec));
  ASSERT_EQ(c.Get<std::int32_t>(rec, 3), 10);
  auto moved = rec;
  c.PutStr(moved, 1, "BOB");
  c.PutStr(moved, 2, "bergen");
  EXPECT_EQ(E().ModifyRecord(c.h, moved.data(), 0), ORVEX_ERR_KEYVIOL);  // onto another record's key
  c.Put<std::int32_t>(rec, 3, 11);
  ASSERT_OK(E().ModifyRecord(c.h, rec.data(), 0));
  EXPECT_EQ(c.Ints(3), (std::vector<std::int32_t>{2, 4, 1, 11, 3, 9}));
}

TEST_F(OtherToolsTest, TablesOfTheFirstFormatKeepOpening) {
  const std::string file = Path("Old.db");
  MakeFirstFormatTable(file);
  EXPECT_NE(Sqlite3(file, "INSERT INTO records VALUES('x', 9);").find("no such collation"), std::string::npos);

  Cursor c(db, "Old", "ByName");
  ASSERT_TRUE(c.ok()) << Text(c.result);
  EXPECT_EQ(c.Strs(1), (V{"anna", "Bob", "zoë", "Émile"}));
  auto rec = c.NewRecord();
  c.PutStr(rec, 1, "ANNA");
  c.Put<std::int32_t>(rec, 2, 5);
  EXPECT_EQ(c.Append(rec), ORVEX_ERR_KEYVIOL);
  c.PutStr(rec, 1, "Ármin");
  ASSERT_OK(c.Append(rec));
  EXPECT_EQ(c.Strs(1), (V{"anna", "Bob", "zoë", "Ármin", "Émile"}));
  // Now any SQLite tool can write it.
  EXPECT_EQ(Sqlite3(file, "INSERT INTO records(Name, No) VALUES('ádám', 9); PRAGMA integrity_check;"), "ok");
  EXPECT_EQ(c.Strs(1), (V{"anna", "Bob", "zoë", "ádám", "Ármin", "Émile"}));
}

TEST_F(OtherToolsTest, TablesThatCannotBeWrittenAreReadInTheirOrder) {
  // Read by someone who may not write the file; the folder is open to all,
  // so that SQLite can keep its shared-memory file beside it.
  const std::string file = Path("Old.db");
  MakeFirstFormatTable(file);
  auto readOnly = [&](const V& expected) {
    ::chmod(dir.c_str(), 0777);
    ::chmod(file.c_str(), 0444);
    pid_t child = ::fork();
    if (child == 0) {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
      Cursor c(db, "Old", "ByName", ORVEX_OPEN_READONLY);
      Cursor writer(db, "Old");
      ::_exit(!c.ok() ? 3 : writer.result != ORVEX_ERR_ACCESS ? 4 : c.Strs(1) != expected ? 5 : 0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ::chmod(file.c_str(), 0644);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(readOnly({"anna", "Bob", "zoë", "Émile"}), 0);
  {
    Cursor c(db, "Old", "ByName");  // writable: brought to the present format
    ASSERT_TRUE(c.ok()) << Text(c.result);
  }
  EXPECT_EQ(Sqlite3(file, "INSERT INTO records(Name, No) VALUES('ádám', 9);"), "");
  EXPECT_EQ(readOnly({"anna", "Bob", "zoë", "ádám", "Émile"}), 0);  // its new row not folded yet
}
