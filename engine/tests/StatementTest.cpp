// SQL statements on real tables: names, parameters, answers, writes under
// the tables' rules, live answers, kept answers and copies, transactions,
// and what a statement may not reach.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include <sqlite3.h>

#include "FilterDesc.h"
#include "StatementTest.h"

using namespace enginetest;

namespace {

using Rows = std::vector<std::string>;

class StatementTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "Guests.db",
                          {{"ID", ORVEX_FT_AUTOINC},
                           {"Last Name", ORVEX_FT_STRING, 20, 0, true},
                           {"First", ORVEX_FT_STRING, 10},
                           {"Age", ORVEX_FT_INTEGER},
                           {"Born", ORVEX_FT_DATE},
                           {"RSVP", ORVEX_FT_BOOLEAN},
                           {"Notes", ORVEX_FT_MEMO},
                           {"Score", ORVEX_FT_FLOAT},
                           {"TableNo", ORVEX_FT_SMALLINT},
                           {"Email", ORVEX_FT_STRING, 30}},
                          {{"", {1}, true}, {"ByEmail", {10}, false, true}, {"ByName", {2}, false, false, false, true}},
                          {IntCheck(4, 0, 120, 30)}));
    ASSERT_OK(CreateTable(db, "Tables.db", {{"TableNo", ORVEX_FT_SMALLINT}, {"Name", ORVEX_FT_STRING, 20}},
                          {{"", {1}, true}}));
    Stmt s(db);
    ASSERT_OK(s.Run("INSERT INTO Guests(\"Last Name\", First, Age, Born, RSVP, Notes, Score, TableNo, Email) VALUES "
                    "('Lee', 'Ann', 34, '1990-04-02', 1, 'likes fish', 1.5, 1, 'ann@x'),"
                    "('Ödegård', 'Åse', 61, NULL, 0, NULL, 2.25, 2, 'ase@x'),"
                    "('Brown', 'Bo', 7, '2017-12-31', 1, NULL, NULL, 1, 'bo@x')"));
    ASSERT_OK(s.Run("INSERT INTO Tables VALUES (1, 'Rose'), (2, 'Lily')"));
  }

  // The guests as a table cursor reads them: ID, last name, age.
  Rows Guests() {
    Cursor c(db, "Guests.db");
    Rows out;
    auto rec = c.NewRecord();
    while (c.Next(rec) == ORVEX_OK)
      out.push_back(std::to_string(c.Get<std::int32_t>(rec, 1)) + " " + c.Str(rec, 2) + " " +
                    (c.Blank(rec, 4) ? "-" : std::to_string(c.Get<std::int32_t>(rec, 4))));
    return out;
  }

  hOrvexCursor Open(Stmt& s, const std::string& sql, bool live = false) {
    hOrvexCursor c = 0;
    EXPECT_OK(s.Prepare(sql));
    if (live) EXPECT_OK(E().SetProp(s.h, ORVEX_STMT_LIVE, 1));
    EXPECT_OK(s.Exec(c));
    return c;
  }
};

std::string D(int y, int m, int d) { return std::to_string(Day(y, m, d)); }

}  // namespace

TEST_F(StatementTest, TablesAreNamedByTheirFilesInEveryForm) {
  const Rows lee = {"Lee"};
  for (const char* sql : {
           "SELECT \"Last Name\" FROM Guests WHERE ID = 1",
           "SELECT \"Last Name\" FROM guests WHERE ID = 1",
           "SELECT \"Last Name\" FROM \"GUESTS\" WHERE ID = 1",
           "SELECT \"Last Name\" FROM \"Guests.db\" WHERE ID = 1",
           "SELECT \"Last Name\" FROM Guests.db WHERE ID = 1",
           "SELECT \"Last Name\" FROM guests.DB WHERE ID = 1;",
           "SELECT Guests.\"Last Name\" FROM \"Guests.db\" WHERE Guests.ID = 1",
           "SELECT guests.\"Last Name\" FROM Guests.db WHERE \"GUESTS\".ID = 1",
           "SELECT g.\"Last Name\" FROM Guests g WHERE g.ID = 1",
       })
    EXPECT_EQ(Query(db, sql), lee) << sql;

  // a name of other scripts in another case, and a join
  ASSERT_OK(CreateTable(db, "Gäste.db", {{"Name", ORVEX_FT_STRING, 10}}));
  Stmt s(db);
  ASSERT_OK(s.Run("INSERT INTO GÄSTE VALUES ('Ida')"));
  EXPECT_EQ(Query(db, "SELECT Name FROM \"gäste.db\""), Rows{"Ida"});
  EXPECT_EQ(Query(db, "SELECT g.First, t.Name FROM Guests g JOIN Tables t ON t.TableNo = g.TableNo ORDER BY g.ID"),
            (Rows{"Ann|Rose", "Åse|Lily", "Bo|Rose"}));
  // UPPER, LOWER and the case-insensitive indexes' collation fold every letter
  EXPECT_EQ(Query(db, "SELECT upper(\"Last Name\"), lower(First) FROM Guests WHERE ID = 2"), Rows{"ÖDEGÅRD|åse"});
  EXPECT_EQ(Query(db, "SELECT ID FROM Guests WHERE \"Last Name\" = 'ÖDEGÅRD' COLLATE ORVEX_NOCASE"), Rows{"2"});
}

TEST_F(StatementTest, ParametersOfEveryFieldTypeAndBlank) {
  ASSERT_OK(CreateTable(db, "Types.db",
                        {{"Name", ORVEX_FT_STRING, 20}, {"Small", ORVEX_FT_SMALLINT}, {"Int", ORVEX_FT_INTEGER},
                         {"Word", ORVEX_FT_WORD}, {"Bool", ORVEX_FT_BOOLEAN}, {"Float", ORVEX_FT_FLOAT},
                         {"Money", ORVEX_FT_CURRENCY}, {"Bcd", ORVEX_FT_BCD, 12, 2}, {"Date", ORVEX_FT_DATE},
                         {"Time", ORVEX_FT_TIME}, {"Stamp", ORVEX_FT_DATETIME}, {"Bytes", ORVEX_FT_BYTES, 4},
                         {"VarBytes", ORVEX_FT_VARBYTES, 8}, {"Memo", ORVEX_FT_MEMO}, {"Blob", ORVEX_FT_BLOB}}));
  Stmt s(db);
  ASSERT_OK(s.Prepare("INSERT INTO Types VALUES (:name, :small, :int, :word, :bool, :float, :money, :bcd, :date, "
                      ":time, :stamp, :bytes, :var, :memo, :blob)"));
  std::uint16_t n = 0;
  ASSERT_OK(E().QParamCount(s.h, &n));
  ASSERT_EQ(n, 15);
  char name[ORVEX_PARAM_NAME_SIZE];
  ASSERT_OK(E().QParamName(s.h, 9, name));
  EXPECT_STREQ(name, "date");

  std::uint8_t bcd[ORVEX_BCD_SIZE];
  ASSERT_OK(E().FloatToBcd(-12.5, 12, 2, bcd));
  const std::uint8_t bytes[4] = {1, 0, 2, 3};
  const std::uint8_t var[4] = {2, 0, 9, 8};
  ASSERT_OK(s.BindText(1, "Zoë"));
  ASSERT_OK(s.Bind<std::int16_t>(2, ORVEX_FT_SMALLINT, -7));
  ASSERT_OK(s.Bind<std::int32_t>(3, ORVEX_FT_INTEGER, 70000));
  ASSERT_OK(s.Bind<std::uint16_t>(4, ORVEX_FT_WORD, 65535));
  ASSERT_OK(s.Bind<std::uint16_t>(5, ORVEX_FT_BOOLEAN, 1));
  ASSERT_OK(s.Bind<double>(6, ORVEX_FT_FLOAT, 0.25));
  ASSERT_OK(s.Bind<double>(7, ORVEX_FT_CURRENCY, 9.75));
  ASSERT_OK(E().QBindParam(s.h, 8, ORVEX_FT_BCD, ORVEX_BCD_SIZE, bcd));
  ASSERT_OK(s.Bind<std::int32_t>(9, ORVEX_FT_DATE, Day(2024, 2, 29)));
  ASSERT_OK(s.Bind<std::int32_t>(10, ORVEX_FT_TIME, 3723004));
  ASSERT_OK(s.Bind<double>(11, ORVEX_FT_DATETIME, Day(2024, 2, 29) * 86400000.0 + 60000));
  ASSERT_OK(E().QBindParam(s.h, 12, ORVEX_FT_BYTES, 4, bytes));
  ASSERT_OK(E().QBindParam(s.h, 13, ORVEX_FT_VARBYTES, 4, var));
  ASSERT_OK(s.BindText(14, "a memo", ORVEX_FT_MEMO));
  ASSERT_OK(E().QBindParam(s.h, 15, ORVEX_FT_BLOB, 3, "x\0y"));
  hOrvexCursor none = 0;
  ASSERT_OK(s.Exec(none));
  EXPECT_EQ(none, 0u);
  // the prepared statement again, every parameter blank
  for (std::uint16_t i = 1; i <= 15; ++i) ASSERT_OK(E().QBindParam(s.h, i, ORVEX_FT_STRING, 0, nullptr));
  ASSERT_OK(s.Exec(none));
  // a value its type cannot hold is refused at the bind
  EXPECT_EQ(s.Bind<std::int32_t>(9, ORVEX_FT_DATE, 0), ORVEX_ERR_OUTOFRANGE);
  EXPECT_EQ(s.Bind<std::int32_t>(16, ORVEX_FT_INTEGER, 0), ORVEX_ERR_INVALIDPARAM);

  EXPECT_EQ(Query(db, "SELECT Name, Small, Int, Word, Bool, Float, Money, Bcd, Date, Time, Memo, Blob FROM Types"),
            (Rows{"Zoë|-7|70000|65535|1|0.25|9.75|-12.5|" + D(2024, 2, 29) + "|3723004|a memo|" +
                      std::string("x\0y", 3),
                  "-|-|-|-|-|-|-|-|-|-|-|-"}));
  // dates, times and timestamps are the texts the file stores
  EXPECT_EQ(Query(db, "SELECT Date || '', Time || '', Stamp || '', hex(Bytes), hex(VarBytes) FROM Types "
                      "WHERE Date >= '2024-01-01'"),
            (Rows{"2024-02-29|01:02:03.004|2024-02-29 00:01:00|01000203|0908"}));
}

TEST_F(StatementTest, APreparedStatementRunsAgainWithNewValues) {
  Stmt s(db);
  ASSERT_OK(s.Prepare("SELECT First FROM Guests WHERE Age > :age AND RSVP = :rsvp ORDER BY ID"));
  for (auto [age, rsvp, expected] : std::vector<std::tuple<std::int32_t, std::uint16_t, Rows>>{
           {10, 1, {"Ann"}}, {0, 1, {"Ann", "Bo"}}, {0, 0, {"Åse"}}, {100, 1, {}}}) {
    ASSERT_OK(s.Bind(1, ORVEX_FT_INTEGER, age));
    ASSERT_OK(s.Bind(2, ORVEX_FT_BOOLEAN, rsvp));
    hOrvexCursor c = 0;
    ASSERT_OK(s.Exec(c));
    Answer a(c);
    EXPECT_EQ(a.Rows(), expected) << age;
    EXPECT_EQ(s.RowsAffected(), -1);
  }
}

TEST_F(StatementTest, AnswersReadAsTableCursorsDo) {
  Stmt s(db);
  Answer a(Open(s, "SELECT ID, \"Last Name\", Age * 2 AS Twice, Score + 0.5, First || '!' AS Shout, Notes, Born, "
                   "printf('%.300c', 'x') AS Long, x'0102' AS Raw FROM Guests ORDER BY ID"));
  ASSERT_EQ(a.fields.size(), 9u);
  struct Expect {
    const char* name;
    std::uint16_t type, size;
  };
  const Expect expect[] = {{"ID", ORVEX_FT_AUTOINC, 0},     {"Last Name", ORVEX_FT_STRING, 20},
                           {"Twice", ORVEX_FT_INTEGER, 0},  {"Score + 0.5", ORVEX_FT_FLOAT, 0},
                           {"Shout", ORVEX_FT_STRING, 4},   {"Notes", ORVEX_FT_MEMO, 0},
                           {"Born", ORVEX_FT_DATE, 0},      {"Long", ORVEX_FT_MEMO, 0},
                           {"Raw", ORVEX_FT_BLOB, 0}};
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_STREQ(a.fields[i].name, expect[i].name) << i;
    EXPECT_EQ(+a.fields[i].type, expect[i].type) << i;
    EXPECT_EQ(+a.fields[i].size, expect[i].size) << i;
  }
  EXPECT_EQ(+a.props.cursorKind, ORVEX_CURSOR_ANSWER);
  EXPECT_EQ(+a.props.readOnly, 1);
  const std::string x300(300, 'x'), raw = "\x01\x02";
  const Rows all = {"1|Lee|68|2|Ann!|likes fish|" + D(1990, 4, 2) + "|" + x300 + "|" + raw,
                    "2|Ödegård|122|2.75|Åse!|-|-|" + x300 + "|" + raw,
                    "3|Brown|14|-|Bo!|-|" + D(2017, 12, 31) + "|" + x300 + "|" + raw};
  EXPECT_EQ(a.Rows(), all);
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(a.Prior(), ORVEX_OK);
  EXPECT_EQ(a.Row(), all[2]);
  EXPECT_EQ(a.Prior(), ORVEX_OK);
  std::uint8_t second[ORVEX_BOOKMARK_SIZE], third[ORVEX_BOOKMARK_SIZE];
  ASSERT_OK(E().GetBookmark(a.h, second));
  EXPECT_EQ(a.Next(), ORVEX_OK);
  ASSERT_OK(E().GetBookmark(a.h, third));
  EXPECT_EQ(a.Next(), ORVEX_ERR_EOF);
  ASSERT_OK(E().SetToBookmark(a.h, second));
  ASSERT_OK(E().GetRecord(a.h, 0, a.rec.data(), nullptr));
  EXPECT_EQ(a.Row(), all[1]);
  std::int16_t cmp = 0;
  ASSERT_OK(E().CompareBookmarks(a.h, second, third, &cmp));
  EXPECT_EQ(cmp, -1);
  EXPECT_EQ(a.Prior(), ORVEX_OK);
  EXPECT_EQ(a.Prior(), ORVEX_ERR_BOF);
  // a read-only answer takes no edits, and knows no keys
  EXPECT_EQ(E().ModifyRecord(a.h, a.rec.data(), 0), ORVEX_ERR_READONLY);
  EXPECT_EQ(E().SwitchToIndex(a.h, "ByName", 0), ORVEX_ERR_NOTSUPPORTED);

  // an answer of fields only is read as it goes: both ways, and its fields are the table's
  Stmt t(db);
  Answer b(Open(t, "SELECT * FROM Guests WHERE Age > 5 ORDER BY \"Last Name\" DESC"));
  Cursor g(db, "Guests");
  ASSERT_EQ(b.fields.size(), g.fields.size());
  for (std::size_t i = 0; i < b.fields.size(); ++i) {
    EXPECT_STREQ(b.fields[i].name, g.fields[i].name);
    EXPECT_EQ(+b.fields[i].type, +g.fields[i].type);
    EXPECT_EQ(+b.fields[i].size, +g.fields[i].size);
  }
  ASSERT_OK(b.Next());
  ASSERT_OK(b.Next());
  EXPECT_EQ(b.Row().substr(0, 8), "1|Lee|An");
  ASSERT_OK(b.Prior());
  EXPECT_EQ(b.Row().substr(0, 11), "2|Ödegård");
  EXPECT_EQ(b.Count(), 3u);
}

TEST_F(StatementTest, AWriteThatBreaksARuleChangesNothing) {
  const Rows before = Guests();
  struct Case {
    const char* sql;
    OrvexResult code;
  };
  const Case cases[] = {
      {"INSERT INTO Guests(\"Last Name\", Age) VALUES ('X', 'old')", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", Age) VALUES ('X', 2.5)", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", TableNo) VALUES ('X', 40000)", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", RSVP) VALUES ('X', 2)", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", Born) VALUES ('X', '2023-02-29')", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", Born) VALUES ('X', 20240101)", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\", Score) VALUES ('X', 1e999)", ORVEX_ERR_OUTOFRANGE},
      {"INSERT INTO Guests(\"Last Name\") VALUES ('Abcdefghijklmnopqrstu')", ORVEX_ERR_STRTOOLONG},
      {"INSERT INTO Guests(First) VALUES ('X')", ORVEX_ERR_REQUIRED},
      {"INSERT INTO Guests(\"Last Name\") VALUES ('')", ORVEX_ERR_REQUIRED},
      {"INSERT INTO Guests DEFAULT VALUES", ORVEX_ERR_REQUIRED},
      {"INSERT INTO Guests(\"Last Name\", Age) VALUES ('X', -1)", ORVEX_ERR_MINVAL},
      {"INSERT INTO Guests(\"Last Name\", Age) VALUES ('X', 121)", ORVEX_ERR_MAXVAL},
      {"INSERT INTO Guests(\"Last Name\", Email) VALUES ('X', 'ann@x')", ORVEX_ERR_KEYVIOL},
      {"INSERT INTO Guests(\"Last Name\") VALUES ('A'), ('B'), (NULL)", ORVEX_ERR_REQUIRED},
      {"UPDATE Guests SET Age = Age + 100", ORVEX_ERR_MAXVAL},
      {"UPDATE Guests SET Email = 'same'", ORVEX_ERR_KEYVIOL},
      {"UPDATE Guests SET ID = ID + 10", ORVEX_ERR_FIELDREADONLY},
      {"UPDATE Guests SET \"Last Name\" = NULL WHERE ID = 3", ORVEX_ERR_REQUIRED},
      // writes that answer: the answer fails as it is read
      {"INSERT INTO Guests(\"Last Name\", Email) VALUES ('X', 'ann@x') RETURNING ID", ORVEX_ERR_KEYVIOL},
      {"UPDATE Guests SET Age = Age + 100 RETURNING Age", ORVEX_ERR_MAXVAL},
  };
  for (const Case& c : cases) {
    Stmt s(db);
    OrvexResult r = s.Run(c.sql);
    EXPECT_EQ(r, c.code) << c.sql << ": " << Text(r);
    EXPECT_EQ(Guests(), before) << c.sql;
  }
  // a string as long as its field in characters, not bytes, fits
  Stmt s(db);
  EXPECT_OK(s.Run("INSERT INTO Guests(\"Last Name\") VALUES ('ÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖÖ')"));
}

TEST_F(StatementTest, InsertsTakeDefaultsAndTheEngineAssignsTheAutoIncrement) {
  Stmt s(db);
  ASSERT_OK(s.Run("INSERT INTO Guests(ID, \"Last Name\") VALUES (99, 'New')"));
  EXPECT_EQ(s.RowsAffected(), 1);
  ASSERT_OK(s.Run("INSERT INTO Guests VALUES (NULL, 'Newer', NULL, 50, NULL, NULL, NULL, NULL, NULL, NULL)"));
  EXPECT_EQ(Query(db, "SELECT ID, \"Last Name\", Age FROM Guests WHERE ID > 3"), (Rows{"4|New|30", "5|Newer|50"}));
  ASSERT_OK(s.Prepare("UPDATE Guests SET RSVP = :r WHERE TableNo = 1"));
  hOrvexCursor none = 0;
  ASSERT_OK(s.Bind<std::uint16_t>(1, ORVEX_FT_BOOLEAN, 0));
  ASSERT_OK(s.Exec(none));
  EXPECT_EQ(s.RowsAffected(), 2);
  ASSERT_OK(s.Run("DELETE FROM Guests WHERE ID >= 4"));
  EXPECT_EQ(s.RowsAffected(), 2);
  ASSERT_OK(s.Run("SELECT * FROM Guests"));
  EXPECT_EQ(s.RowsAffected(), -1);
  // the upsert's update keeps the rules too
  EXPECT_EQ(s.Run("INSERT INTO Guests(\"Last Name\", Email) VALUES ('X', 'ann@x') "
                  "ON CONFLICT(Email) DO UPDATE SET Age = 500"),
            ORVEX_ERR_MAXVAL);
  ASSERT_OK(s.Run("INSERT INTO Guests(\"Last Name\", Email) VALUES ('X', 'ann@x') "
                  "ON CONFLICT(Email) DO UPDATE SET Age = excluded.Age + 1"));
  EXPECT_EQ(Query(db, "SELECT Age FROM Guests WHERE ID = 1"), Rows{"31"});
}

// A unique index that folds case is kept unique by statements as by posts,
// and the rows they write take their places in its order at once.
TEST_F(StatementTest, StatementsKeepCaseInsensitiveKeys) {
  ASSERT_OK(CreateTable(db, "People.db", {{"Name", ORVEX_FT_STRING, 20}, {"N", ORVEX_FT_INTEGER}},
                        {{"ByName", {1}, false, true, false, true}}));
  Stmt s(db);
  ASSERT_OK(s.Run("INSERT INTO People VALUES ('Åse', 1), ('carl', 2)"));
  EXPECT_EQ(s.Run("INSERT INTO People VALUES ('åSE', 3)"), ORVEX_ERR_KEYVIOL);
  EXPECT_EQ(s.Run("UPDATE People SET Name = 'CARL' WHERE N = 1"), ORVEX_ERR_KEYVIOL);
  EXPECT_OK(s.Run("UPDATE People SET Name = 'ÅSE', N = 4 WHERE N = 1"));  // its own key, another case
  EXPECT_EQ(s.Run("INSERT INTO People VALUES ('dan', 8), ('DAN', 9)"), ORVEX_ERR_KEYVIOL);  // both new
  ASSERT_OK(s.Run("INSERT INTO People VALUES ('bob', 5), (NULL, 6), (NULL, 7)"));
  Cursor c(db, "People", "ByName");
  EXPECT_EQ(c.Strs(1), (Rows{"", "", "bob", "carl", "ÅSE"}));
  EXPECT_EQ(c.Ints(2), (std::vector<std::int32_t>{6, 7, 5, 2, 4}));
  // and a post still finds the key a statement wrote
  auto rec = c.NewRecord();
  ASSERT_OK(c.PutStr(rec, 1, "BOB"));
  EXPECT_EQ(c.Append(rec), ORVEX_ERR_KEYVIOL);
}

TEST_F(StatementTest, OpenCursorsSeeAStatementsChangeAtTheirNextRead) {
  Cursor c(db, "Guests");
  auto rec = c.NewRecord();
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(c.Get<std::int32_t>(rec, 4), 34);
  Stmt s(db);
  ASSERT_OK(s.Run("UPDATE Guests SET Age = Age + 1"));
  ASSERT_OK(c.Current(rec));
  EXPECT_EQ(c.Get<std::int32_t>(rec, 4), 35);
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(c.Get<std::int32_t>(rec, 4), 62);
  EXPECT_EQ(c.Count(), 3u);
  ASSERT_OK(s.Run("DELETE FROM Guests WHERE ID = 3"));
  EXPECT_EQ(c.Count(), 2u);
}

TEST_F(StatementTest, ATableHeldExclusivelyIsRefused) {
  {
    Cursor ex(db, "Guests", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
    ASSERT_TRUE(ex.ok());
    Stmt s(db);
    EXPECT_EQ(s.Run("SELECT * FROM Guests"), ORVEX_ERR_TABLEINUSE);
    EXPECT_EQ(s.Run("UPDATE Guests SET Age = 1"), ORVEX_ERR_TABLEINUSE);
    EXPECT_OK(s.Run("SELECT * FROM Tables"));
  }
  // and an open answer keeps its tables from being held exclusively
  Stmt s(db);
  hOrvexCursor c = Open(s, "SELECT * FROM Guests");
  Cursor ex(db, "Guests", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
  EXPECT_EQ(ex.result, ORVEX_ERR_EXCLREFUSED);
  E().CloseCursor(&c);
  Cursor again(db, "Guests", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
  EXPECT_TRUE(again.ok());
}

TEST_F(StatementTest, StatementsThatReachBeyondTheRecordsAreRefused) {
  std::filesystem::create_directory(dir + "/sub");
  const std::string outside = temp.File("../outside.db");
  ASSERT_OK(CreateTable(db, "sub/Inner.db", {{"A", ORVEX_FT_INTEGER}}));
  struct Case {
    std::string sql;
    OrvexResult code;
  };
  const std::vector<Case> cases = {
      {"ATTACH DATABASE '" + dir + "/Tables.db' AS x", ORVEX_ERR_SQLREFUSED},
      {"DETACH DATABASE main", ORVEX_ERR_SQLREFUSED},
      {"PRAGMA table_info(Guests)", ORVEX_ERR_SQLREFUSED},
      {"SELECT name FROM pragma_table_info('records')", ORVEX_ERR_SQLREFUSED},
      {"CREATE TABLE t(a)", ORVEX_ERR_SQLREFUSED},
      {"CREATE TEMP VIEW v AS SELECT 1", ORVEX_ERR_SQLREFUSED},
      {"DROP TABLE Guests", ORVEX_ERR_SQLREFUSED},
      {"ALTER TABLE Guests ADD COLUMN x", ORVEX_ERR_SQLREFUSED},
      {"VACUUM INTO '" + dir + "/copy.db'", ORVEX_ERR_SQLREFUSED},
      {"BEGIN", ORVEX_ERR_SQLREFUSED},
      {"EXPLAIN SELECT * FROM Guests", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM sqlite_master", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM sqlite_temp_master", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM dbstat", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM orvex_t1.orvex_fields", ORVEX_ERR_SQLREFUSED},
      {"SELECT load_extension('libm.so')", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM \"../outside.db\"", ORVEX_ERR_SQL},
      {"SELECT * FROM \"" + dir + "/Tables.db\"", ORVEX_ERR_SQL},
      {"SELECT * FROM \"sub/Inner.db\"", ORVEX_ERR_SQL},
      {"SELECT * FROM Guests WHERE ID = ?", ORVEX_ERR_SQLREFUSED},
      {"SELECT * FROM Guests WHERE ID = @id", ORVEX_ERR_SQLREFUSED},
      {"SELECT 1; DELETE FROM Guests", ORVEX_ERR_SQL},
  };
  const Rows before = Guests();
  for (const Case& c : cases) {
    Stmt s(db);
    OrvexResult r = s.Run(c.sql);
    EXPECT_EQ(r, c.code) << c.sql << ": " << Text(r);
    EXPECT_FALSE(Text(r).empty());
  }
  EXPECT_EQ(Guests(), before);
  EXPECT_FALSE(std::filesystem::exists(dir + "/copy.db"));
  EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST_F(StatementTest, SQLitesRefusalsCarryItsMessage) {
  Stmt s(db);
  OrvexResult r = s.Prepare("SELEC * FROM Guests");
  EXPECT_EQ(r, ORVEX_ERR_SQL);
  EXPECT_NE(Text(r).find("near \"SELEC\": syntax error"), std::string::npos) << Text(r);
  r = s.Prepare("SELECT Nmae FROM Guests");
  EXPECT_EQ(r, ORVEX_ERR_SQL);
  EXPECT_NE(Text(r).find("no such column: Nmae"), std::string::npos) << Text(r);
  hOrvexCursor c = 0;
  EXPECT_EQ(s.Exec(c), ORVEX_ERR_NOTPREPARED);
}

TEST_F(StatementTest, ALiveAnswerPostsToItsTableUnderItsRules) {
  Stmt s(db);
  Answer a(Open(s, "SELECT \"Last Name\", Age, Notes FROM Guests ORDER BY \"Last Name\"", true));
  ASSERT_EQ(+a.props.readOnly, 0);
  ASSERT_OK(a.Next());
  EXPECT_EQ(a.Row(), "Brown|7|-");
  std::int32_t age = 8;
  ASSERT_OK(E().PutField(a.h, 2, a.rec.data(), &age));
  ASSERT_OK(E().ModifyRecord(a.h, a.rec.data(), 0));
  age = 121;
  ASSERT_OK(E().PutField(a.h, 2, a.rec.data(), &age));
  EXPECT_EQ(E().ModifyRecord(a.h, a.rec.data(), 0), ORVEX_ERR_MAXVAL);
  EXPECT_EQ(Guests(), (Rows{"1 Lee 34", "2 Ödegård 61", "3 Brown 8"}));
  ASSERT_OK(E().GetRecord(a.h, 0, a.rec.data(), nullptr));
  EXPECT_EQ(a.Row(), "Brown|8|-");

  // a memo edited through the blob entries
  ASSERT_OK(E().OpenBlob(a.h, a.rec.data(), 3, ORVEX_BLOB_READWRITE));
  ASSERT_OK(E().PutBlob(a.h, a.rec.data(), 3, 0, 4, "kind"));
  ASSERT_OK(E().ModifyRecord(a.h, a.rec.data(), 0));
  ASSERT_OK(E().FreeBlob(a.h, a.rec.data(), 3));
  EXPECT_EQ(Query(db, "SELECT Notes FROM Guests WHERE ID = 3"), Rows{"kind"});

  // an insert takes the table's defaults and joins the answer at its end
  ASSERT_OK(E().InitRecord(a.h, a.rec.data()));
  EXPECT_EQ(a.Row(), "-|30|-");
  EXPECT_EQ(E().InsertRecord(a.h, 0, a.rec.data()), ORVEX_ERR_REQUIRED);
  ASSERT_OK(E().PutField(a.h, 1, a.rec.data(), "Avery"));
  ASSERT_OK(E().InsertRecord(a.h, 0, a.rec.data()));
  EXPECT_EQ(a.Count(), 4u);
  EXPECT_EQ(a.Rows(), (Rows{"Brown|8|kind", "Lee|34|likes fish", "Ödegård|61|-", "Avery|30|-"}));
  EXPECT_EQ(Query(db, "SELECT ID, Age FROM Guests WHERE \"Last Name\" = 'Avery'"), Rows{"4|30"});

  // a delete
  E().SetToBegin(a.h);
  ASSERT_OK(a.Next());
  ASSERT_OK(a.Next());
  ASSERT_OK(E().DeleteRecord(a.h, nullptr));
  EXPECT_EQ(E().GetRecord(a.h, 0, a.rec.data(), nullptr), ORVEX_ERR_RECDELETED);
  ASSERT_OK(a.Next());
  EXPECT_EQ(a.Row(), "Ödegård|61|-");
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(Guests(), (Rows{"2 Ödegård 61", "3 Brown 8", "4 Avery 30"}));

  // a join, grouping or expression answers read-only even when live is asked
  for (const char* sql : {"SELECT g.Age FROM Guests g JOIN Tables t ON t.TableNo = g.TableNo",
                          "SELECT TableNo, count(*) FROM Guests GROUP BY TableNo", "SELECT Age + 1 FROM Guests",
                          "SELECT DISTINCT Age FROM Guests", "SELECT Age FROM Guests UNION SELECT 1"}) {
    Stmt t(db);
    Answer b(Open(t, sql, true));
    EXPECT_EQ(+b.props.readOnly, 1) << sql;
  }
}

namespace {

std::uint16_t RejectBo(std::uintptr_t clientData, void* record) {
  auto cursor = static_cast<hOrvexCursor>(clientData);
  char first[41] = {};
  E().GetField(cursor, 2, record, first, nullptr);
  return std::string(first) == "Bo" ? 0 : 1;
}

}  // namespace

TEST_F(StatementTest, AnswersTakeFiltersButALiveOneWithAWhereClauseRefusesThem) {
  Stmt s(db);
  Answer a(Open(s, "SELECT \"Last Name\", First, Age FROM Guests ORDER BY Age"));
  ASSERT_OK(a.Next());
  std::vector<std::uint8_t> older = WriteFilter(FGt(FField("Age"), FI32(10)));
  OrvexHandle f = 0, g = 0;
  ASSERT_OK(E().AddFilter(a.h, 0, 1, 0, older.data(), nullptr, &f));
  ASSERT_OK(E().ActivateFilter(a.h, f));
  EXPECT_EQ(a.Rows(), (Rows{"Lee|Ann|34", "Ödegård|Åse|61"}));
  EXPECT_EQ(a.Count(), 2u);
  ASSERT_OK(E().DeactivateFilter(a.h, f));
  ASSERT_OK(E().AddFilter(a.h, a.h, 1, 0, nullptr, RejectBo, &g));
  ASSERT_OK(E().ActivateFilter(a.h, g));
  EXPECT_EQ(a.Rows(), (Rows{"Lee|Ann|34", "Ödegård|Åse|61"}));
  ASSERT_OK(E().DropFilter(a.h, g));
  EXPECT_EQ(a.Count(), 3u);

  // a live answer without WHERE takes them and still posts
  Stmt t(db);
  Answer live(Open(t, "SELECT ID, Age FROM Guests", true));
  ASSERT_OK(E().AddFilter(live.h, 0, 1, 0, older.data(), nullptr, &f));
  ASSERT_OK(E().ActivateFilter(live.h, f));
  EXPECT_EQ(live.Rows(), (Rows{"1|34", "2|61"}));
  ASSERT_OK(E().SetToBegin(live.h));
  ASSERT_OK(live.Next());
  std::int32_t age = 40;
  ASSERT_OK(E().PutField(live.h, 2, live.rec.data(), &age));
  ASSERT_OK(E().ModifyRecord(live.h, live.rec.data(), 0));
  EXPECT_EQ(live.Rows(), (Rows{"1|40", "2|61"}));
  EXPECT_EQ(Guests()[0], "1 Lee 40");

  Stmt w(db);
  Answer where(Open(w, "SELECT ID, Age FROM Guests WHERE Age > 1", true));
  ASSERT_EQ(+where.props.readOnly, 0);
  EXPECT_EQ(E().AddFilter(where.h, 0, 1, 0, older.data(), nullptr, &f), ORVEX_ERR_NOTSUPPORTED);
}

TEST_F(StatementTest, AnAnswerKeptAsATableAndACursorCopied) {
  Stmt s(db);
  hOrvexCursor c = Open(s, "SELECT \"Last Name\", Age FROM Guests WHERE Age > 10 ORDER BY Age");
  Answer a(c);
  EXPECT_EQ(E().QFinishKeep(a.h), ORVEX_ERR_NOTSUPPORTED);
  ASSERT_OK(a.Next());
  ASSERT_OK(E().QKeepAsTable(a.h, "Kept", -1));
  EXPECT_OK(E().QFinishKeep(a.h));
  ASSERT_OK(E().GetRecord(a.h, 0, a.rec.data(), nullptr));
  EXPECT_EQ(a.Row(), "Lee|34");
  EXPECT_EQ(a.Rows(), (Rows{"Lee|34", "Ödegård|61"}));
  {
    Cursor k(db, "Kept");
    ASSERT_TRUE(k.ok()) << Text(k.result);
    EXPECT_EQ(k.Strs(1), (Rows{"Lee", "Ödegård"}));
    // the kept table is open: another answer cannot replace it
    Stmt t(db);
    Answer b(Open(t, "SELECT First FROM Guests"));
    EXPECT_EQ(E().QKeepAsTable(b.h, "Kept.db", -1), ORVEX_ERR_TABLEINUSE);
  }
  E().CloseCursor(&a.h);
  Stmt t(db);
  Answer b(Open(t, "SELECT First FROM Guests"));
  ASSERT_OK(E().QKeepAsTable(b.h, "Kept.db", -1));
  E().CloseCursor(&b.h);
  EXPECT_EQ(Query(db, "SELECT * FROM Kept"), (Rows{"Ann", "Åse", "Bo"}));

  // a table cursor copied from its position
  Cursor g(db, "Guests");
  auto rec = g.NewRecord();
  ASSERT_OK(g.Next(rec));
  ASSERT_OK(E().CopyCursor(g.h, "Copy", "KALMURE", ORVEX_COPY_NEW));
  EXPECT_EQ(Query(db, "SELECT ID, \"Last Name\", Notes FROM Copy"), (Rows{"2|Ödegård|-", "3|Brown|-"}));
  E().SetToBegin(g.h);
  EXPECT_EQ(E().CopyCursor(g.h, "Copy", "KALMURE", ORVEX_COPY_NEW), ORVEX_ERR_FILEEXISTS);
  ASSERT_OK(E().CopyCursor(g.h, "Copy", "KALMURE", ORVEX_COPY_REPLACE));
  EXPECT_EQ(Query(db, "SELECT count(*), max(Notes) FROM Copy"), Rows{"3|likes fish"});
  Cursor open(db, "Copy");
  E().SetToBegin(g.h);
  EXPECT_EQ(E().CopyCursor(g.h, "Copy", "KALMURE", ORVEX_COPY_REPLACE), ORVEX_ERR_TABLEINUSE);
}

// An answer kept from a temporary file on another file system is copied
// where a rename cannot go.
TEST_F(StatementTest, AnAnswerKeptAcrossFileSystemsIsCopied) {
  const std::string shm = "/dev/shm/orvex-keep-" + std::to_string(::getpid());
  struct stat a {}, b {};
  if (::stat("/dev/shm", &a) != 0 || ::stat(dir.c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system";
  std::filesystem::create_directory(shm);
  ASSERT_OK(E().SetPrivateDir(shm.c_str()));
  {
    Stmt s(db);
    Answer big(Open(s, "SELECT ID, \"Last Name\" FROM Guests ORDER BY ID"));
    // a filter puts the answer into its temporary file
    std::vector<std::uint8_t> all = WriteFilter(FGt(FField("ID"), FI32(0)));
    OrvexHandle f = 0;
    ASSERT_OK(E().AddFilter(big.h, 0, 1, 0, all.data(), nullptr, &f));
    EXPECT_FALSE(std::filesystem::is_empty(shm));
    ASSERT_OK(E().QKeepAsTable(big.h, "Moved", -1));
    EXPECT_OK(E().QFinishKeep(big.h));
    EXPECT_EQ(big.Rows(), (Rows{"1|Lee", "2|Ödegård", "3|Brown"}));
  }
  EXPECT_TRUE(std::filesystem::is_empty(shm));
  EXPECT_EQ(Query(db, "SELECT * FROM Moved"), (Rows{"1|Lee", "2|Ödegård", "3|Brown"}));
  ASSERT_OK(E().SetPrivateDir(nullptr));
  std::filesystem::remove_all(shm);
}

TEST_F(StatementTest, TransactionsCommitAndRollBack) {
  Stmt s(db);
  auto inTransaction = [&] {
    std::uint32_t v = 9;
    EXPECT_OK(E().GetProp(db, ORVEX_DB_IN_TRANSACTION, &v, sizeof v, nullptr));
    return v;
  };
  EXPECT_EQ(E().EndTran(db, 1), ORVEX_ERR_NOTRANSACTION);
  ASSERT_OK(E().BeginTran(db, ORVEX_ISOLATION_READCOMMITTED));
  EXPECT_EQ(inTransaction(), 1);
  EXPECT_EQ(E().BeginTran(db, ORVEX_ISOLATION_READCOMMITTED), ORVEX_ERR_INTRANSACTION);
  ASSERT_OK(s.Run("UPDATE Guests SET Age = 50 WHERE ID = 1"));
  ASSERT_OK(s.Run("INSERT INTO Tables VALUES (3, 'Iris')"));
  EXPECT_EQ(Query(db, "SELECT Age FROM Guests WHERE ID = 1"), Rows{"50"});  // its own changes
  EXPECT_EQ(Guests()[0], "1 Lee 34");                                      // the cursors' view
  ASSERT_OK(E().EndTran(db, 0));
  EXPECT_EQ(inTransaction(), 0);
  EXPECT_EQ(Query(db, "SELECT Age FROM Guests WHERE ID = 1"), Rows{"34"});
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Tables"), Rows{"2"});

  ASSERT_OK(E().BeginTran(db, ORVEX_ISOLATION_REPEATABLEREAD));
  ASSERT_OK(s.Run("UPDATE Guests SET Age = 50 WHERE ID = 1"));
  // a statement that breaks a rule inside a transaction changes nothing, and the transaction goes on
  EXPECT_EQ(s.Run("UPDATE Guests SET Age = 500"), ORVEX_ERR_MAXVAL);
  ASSERT_OK(s.Run("INSERT INTO Tables VALUES (3, 'Iris')"));
  ASSERT_OK(E().EndTran(db, 1));
  EXPECT_EQ(Guests()[0], "1 Lee 50");
  EXPECT_EQ(Query(db, "SELECT Name FROM Tables WHERE TableNo = 3"), Rows{"Iris"});
}

// Another program writing a table holds a statement's write up: it waits,
// as a post does, until the engine's busy question gives up; inside a
// transaction it does not wait.
TEST_F(StatementTest, AWriteHeldUpByAnotherWriterWaits) {
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(Path("Guests.db").c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread finish([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
  });
  Stmt s(db);
  EXPECT_OK(s.Run("UPDATE Guests SET Age = 40 WHERE ID = 1"));
  finish.join();
  EXPECT_EQ(Guests()[0], "1 Lee 40");

  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_OK(E().BeginTran(db, ORVEX_ISOLATION_READCOMMITTED));
  EXPECT_EQ(s.Run("UPDATE Guests SET Age = 41 WHERE ID = 1"), ORVEX_ERR_BUSY);
  ASSERT_OK(E().EndTran(db, 0));
  sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(Guests()[0], "1 Lee 40");
}

TEST_F(StatementTest, ALargeAnswerMovesToAFileOfThePrivateDirectory) {
  const std::string privateDir = dir + "/private";
  std::filesystem::create_directory(privateDir);
  ASSERT_OK(E().SetPrivateDir(privateDir.c_str()));
  auto files = [&] {
    return std::distance(std::filesystem::directory_iterator(privateDir), std::filesystem::directory_iterator());
  };
  ASSERT_OK(CreateTable(db, "Big.db", {{"N", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_MEMO}}));
  Stmt s(db);
  ASSERT_OK(s.Run("INSERT INTO Big WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
                  "SELECT i, printf('%.1000000c', 'a') FROM n"));
  {
    Answer a(Open(s, "SELECT * FROM Big ORDER BY N"));
    EXPECT_EQ(files(), 0);
    std::uint8_t fifth[ORVEX_BOOKMARK_SIZE];
    for (int i = 1; i <= 40; ++i) {
      ASSERT_EQ(a.Next(), ORVEX_OK) << i;
      std::string start = std::to_string(i) + "|aa";
      EXPECT_EQ(a.Row().substr(0, start.size()), start) << i;
      if (i == 5) ASSERT_OK(E().GetBookmark(a.h, fifth));
    }
    EXPECT_GT(files(), 0);
    EXPECT_EQ(a.Next(), ORVEX_ERR_EOF);
    ASSERT_OK(a.Prior());
    std::uint32_t size = 0;
    ASSERT_OK(E().OpenBlob(a.h, a.rec.data(), 2, ORVEX_BLOB_READONLY));
    ASSERT_OK(E().GetBlobSize(a.h, a.rec.data(), 2, &size));
    EXPECT_EQ(size, 1000000u);
    ASSERT_OK(E().FreeBlob(a.h, a.rec.data(), 2));
    ASSERT_OK(E().SetToBookmark(a.h, fifth));
    ASSERT_OK(E().GetRecord(a.h, 0, a.rec.data(), nullptr));
    EXPECT_EQ(a.Row().substr(0, 4), "5|aa");
    EXPECT_EQ(a.Count(), 40u);
  }
  EXPECT_EQ(files(), 0);
  ASSERT_OK(E().SetPrivateDir(nullptr));
}

// Statements made of random pieces of the dialect, statements of its
// grammar with random names and values, and mutations of good ones: each
// answers a code or an answer, never a crash.
TEST_F(StatementTest, RandomStatementsAnswerWithoutCrashing) {
  const std::vector<std::string> pieces = {
      "SELECT", "INSERT", "INTO", "UPDATE", "DELETE", "FROM", "WHERE", "VALUES", "SET", "ORDER BY", "GROUP BY",
      "JOIN", "ON", "AS", "AND", "OR", "NOT", "NULL", "(", ")", ",", "*", "=", "<", "+", "||", ";", ".", "'x'",
      "'2024-01-01'", "1", "2.5", "-3", ":p", "Guests", "\"Guests.db\"", "Tables", "guests.db", "ID",
      "\"Last Name\"", "Age", "Born", "Notes", "TableNo", "Email", "count(*)", "upper(", "lower(", "UNION",
      "DISTINCT", "LIMIT", "x'00ff'", "DEFAULT", "OR REPLACE", "RETURNING", "ON CONFLICT", "DO NOTHING", "WITH",
      "CASE", "WHEN", "THEN", "END", "IN", "LIKE", "\"", "'", "[", "/*", "--", "orvex_t1", "sqlite_master",
      "PRAGMA", "ATTACH", "Ödegård", "\xff\xfe"};
  const std::vector<std::string> tables = {"Guests", "guests.db", "\"GUESTS\"", "Tables", "Nowhere"};
  const std::vector<std::string> columns = {"ID", "\"Last Name\"", "First", "Age", "Born", "RSVP", "Notes",
                                            "Score", "TableNo", "Email", "Name", "rowid", "Nope"};
  const std::vector<std::string> values = {"NULL", "0", "1", "-1", "121", "70000", "2.5", "1e999", "''", "'x'",
                                           "'Ödegård'", "'abcdefghijklmnopqrstuvwxyz'", "'2024-02-29'",
                                           "'2023-02-29'", "'12:00:00'", "x'00ff'", ":p", "Age + 1", "upper(First)"};
  const std::vector<std::string> ops = {"=", "<", ">=", "<>", "LIKE", "IS", "IN (1, 2)"};
  const std::vector<std::string> good = {
      "SELECT * FROM Guests WHERE Age > :p ORDER BY \"Last Name\"",
      "INSERT INTO Guests(\"Last Name\", Age) VALUES ('Fuzz', 3)",
      "UPDATE Guests SET Age = Age + 1 WHERE ID = 2",
      "SELECT g.ID, t.Name FROM Guests g JOIN Tables t ON g.TableNo = t.TableNo",
      "DELETE FROM Tables WHERE TableNo > 5",
      "INSERT INTO Tables SELECT TableNo + 10, Name FROM Tables"};
  std::mt19937 rng(20240601);
  auto pick = [&](const std::vector<std::string>& v) {
    return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
  };
  auto n = [&](std::size_t k) { return std::uniform_int_distribution<std::size_t>(0, k - 1)(rng); };
  auto condition = [&] { return " WHERE " + pick(columns) + " " + pick(ops) + " " + pick(values); };
  int answered = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string sql;
    switch (round % 3) {
      case 0:
        for (std::size_t i = 0, len = 1 + n(12); i < len; ++i) sql += pick(pieces) + " ";
        break;
      case 1:
        switch (n(4)) {
          case 0:
            sql = "SELECT " + pick(columns) + ", " + pick(values) + " FROM " + pick(tables) +
                  (n(2) ? condition() : "") + (n(2) ? " ORDER BY " + pick(columns) : "");
            break;
          case 1:
            sql = "INSERT INTO " + pick(tables) + "(" + pick(columns) + ", " + pick(columns) + ") VALUES (" +
                  pick(values) + ", " + pick(values) + ")";
            break;
          case 2: sql = "UPDATE " + pick(tables) + " SET " + pick(columns) + " = " + pick(values) + condition(); break;
          default: sql = "DELETE FROM " + pick(tables) + condition();
        }
        break;
      default:
        sql = pick(good);
        for (std::size_t k = 0, edits = 1 + n(3); k < edits && !sql.empty(); ++k) {
          std::size_t at = n(sql.size());
          switch (n(3)) {
            case 0: sql.erase(at, 1 + n(4)); break;
            case 1: sql.insert(at, pick(pieces)); break;
            default: sql[at] = static_cast<char>(n(256)); break;
          }
        }
    }
    Stmt s(db);
    hOrvexCursor c = 0;
    OrvexResult r = s.Prepare(sql);
    if (r == ORVEX_OK) {
      for (std::uint16_t p = 1; p <= 3; ++p) {
        std::int32_t v = p;
        E().QBindParam(s.h, p, ORVEX_FT_INTEGER, 4, &v);
      }
      if (n(2)) E().SetProp(s.h, ORVEX_STMT_LIVE, 1);
      r = s.Exec(c);
    }
    if (r == ORVEX_OK) ++answered;
    if (r == ORVEX_OK && c) {
      Answer a(c);
      std::uint32_t count = 0;
      E().GetRecordCount(a.h, &count);
      while (a.Next() == ORVEX_OK) a.Row();
      while (a.Prior() == ORVEX_OK) {
      }
    }
    EXPECT_FALSE(Text(r).empty());
  }
  EXPECT_GT(answered, 300);  // the statements reach execution, not only the parser
  // the tables are still whole, as a table cursor reads them
  for (const char* table : {"Guests", "Tables"}) {
    Cursor g(db, table);
    auto rec = g.NewRecord();
    OrvexResult r;
    while ((r = g.Next(rec)) == ORVEX_OK) {
    }
    EXPECT_EQ(r, ORVEX_ERR_EOF) << table << ": " << Text(r);
  }
}
