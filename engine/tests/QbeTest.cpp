// Query by example on real tables, through the statement entries: each
// construct's records, changes with and without the auxiliary tables,
// blanks as zero, rows affected, the tables' rules, errors with their line
// and cell, the statement's properties, and random texts.
#include <filesystem>
#include <random>

#include "QbeCases.h"
#include "StatementTest.h"

using namespace enginetest;
using namespace qbetest;

namespace {

using Rows = std::vector<std::string>;

std::string Literal(const FieldDef& f, const std::string& v) {
  if (v.empty()) return "NULL";
  if (f.type == ORVEX_FT_GRAPHIC) return "X'0102'";
  if (f.type == ORVEX_FT_STRING || f.type == ORVEX_FT_MEMO || f.type == ORVEX_FT_DATE || f.type == ORVEX_FT_TIME ||
      f.type == ORVEX_FT_DATETIME) {
    std::string out = "'";
    for (char c : v) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
  }
  return v;
}

// The sample rows as one INSERT; fields before first are the engine's to fill.
std::string InsertAll(const char* table, const std::vector<FieldDef>& fields, std::size_t first,
                      const std::vector<std::vector<std::string>>& rows) {
  std::string names, values;
  for (std::size_t i = first; i < fields.size(); ++i)
    names += (i > first ? ", \"" : "\"") + std::string(fields[i].name) + "\"";
  for (const auto& row : rows) {
    std::string one;
    for (std::size_t i = first; i < fields.size(); ++i) one += (i > first ? ", " : "") + Literal(fields[i], row[i - first]);
    values += (values.empty() ? "(" : ", (") + one + ")";
  }
  return std::string("INSERT INTO ") + table + "(" + names + ") VALUES " + values;
}

class QbeTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    std::vector<FieldSpec> guests, tables;
    for (const FieldDef& f : GuestFields()) guests.push_back({f.name, f.type, f.size, f.decimals});
    for (const FieldDef& f : TableFields()) tables.push_back({f.name, f.type, f.size, f.decimals});
    // City is indexed: a query that read through the index would come in its order
    ASSERT_OK(CreateTable(db, "Guests.db", guests, {{"", {1}, true}, {"ByCity", {3}}}));
    ASSERT_OK(CreateTable(db, "Tables.db", tables, {{"", {1}, true}}));
    Stmt s(db);
    ASSERT_OK(s.Run(InsertAll("Guests", GuestFields(), 1, GuestRows())));
    ASSERT_OK(s.Run(InsertAll("Tables", TableFields(), 0, TableRows())));
    privateDir = dir + "/private";
    std::filesystem::create_directory(privateDir);
    ASSERT_OK(E().SetPrivateDir(privateDir.c_str()));
  }
  void TearDown() override {
    E().SetPrivateDir(nullptr);
    EngineTest::TearDown();
  }

  struct Result {
    OrvexResult code = ORVEX_OK;
    std::string error;  // the engine's text for the code
    bool answered = false;
    Rows rows;
    std::int32_t affected = -1;
  };
  // Runs a text with the statement's two properties (-1: left as they are).
  Result Run(const std::string& text, int blanksAsZero = -1, int auxiliary = -1) {
    Result out;
    Stmt s(db, ORVEX_LANG_QBE);
    if (blanksAsZero >= 0) EXPECT_OK(E().SetProp(s.h, ORVEX_STMT_BLANKZERO, static_cast<std::uint64_t>(blanksAsZero)));
    if (auxiliary >= 0) EXPECT_OK(E().SetProp(s.h, ORVEX_STMT_AUXTABLES, static_cast<std::uint64_t>(auxiliary)));
    hOrvexCursor c = 0;
    out.code = s.Prepare(text);
    if (out.code == ORVEX_OK) out.code = s.Exec(c);
    if (out.code != ORVEX_OK) {
      out.error = Text(out.code);
      return out;
    }
    out.affected = s.RowsAffected();
    if (c) {
      out.answered = true;
      Answer a(c);
      out.rows = a.Rows();
    }
    return out;
  }
  // A query of the private directory, where the auxiliary tables are.
  Rows Kept(const std::string& sql) {
    hOrvexDb p = 0;
    EXPECT_OK(E().OpenDatabase(privateDir.c_str(), nullptr, &p));
    Rows r = Query(p, sql);
    E().CloseDatabase(&p);
    return r;
  }
  bool KeptExists(const char* file) const { return std::filesystem::exists(privateDir + "/" + file); }

  std::string privateDir;
};

}  // namespace

TEST_F(QbeTest, EachConstructAnswersItsRecords) {
  for (const Case& c : Constructs()) {
    SCOPED_TRACE(c.what);
    Result r = Run(c.text);
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.rows, c.answer);
    EXPECT_EQ(r.affected, -1);
  }
  // the SQL text was only ever a value
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Guests"), (Rows{"8"}));
}

TEST_F(QbeTest, DeletesKeepTheirRecordsOnlyWhenAskedAndReplaceThemEachTime) {
  Result plain = Run(Qbe({"Guests | City", "D.     | Oslo"}));
  EXPECT_EQ(plain.error, "");
  EXPECT_FALSE(plain.answered);
  EXPECT_EQ(plain.affected, 3);
  EXPECT_EQ(Query(db, "SELECT Id, Name FROM Guests ORDER BY Id"),
            (Rows{"2|Bo", "4|Di", "5|ann", "6|O\"Hara", "7|'); DROP TABLE Guests; --"}));
  EXPECT_FALSE(KeptExists("Deleted.db"));

  // the records another table selects, kept with the table's own fields
  Result kept = Run(Qbe({"Guests | Seat", "D.     | _t", "", "Tables | No | Room", "       | _t | Garden"}), -1, 1);
  EXPECT_EQ(kept.error, "");
  EXPECT_FALSE(kept.answered);
  EXPECT_EQ(kept.affected, 2);
  EXPECT_EQ(Kept("SELECT Id, Name, Age, Notes FROM Deleted"), (Rows{"2|Bo|41|-", "5|ann|34|-"}));
  {
    hOrvexDb p = 0;
    ASSERT_OK(E().OpenDatabase(privateDir.c_str(), nullptr, &p));
    {
      Cursor guests(db, "Guests.db"), deleted(p, "Deleted.db");
      ASSERT_EQ(deleted.fields.size(), guests.fields.size());
      for (std::size_t i = 0; i < guests.fields.size(); ++i) {
        EXPECT_STREQ(deleted.fields[i].name, guests.fields[i].name);
        EXPECT_EQ(deleted.fields[i].type, guests.fields[i].type);
        EXPECT_EQ(deleted.fields[i].size, guests.fields[i].size);
      }
    }
    E().CloseDatabase(&p);
  }

  // the next delete replaces them
  EXPECT_EQ(Run(Qbe({"Guests | Name", "D.     | Di"}), -1, 1).affected, 1);
  EXPECT_EQ(Kept("SELECT Name FROM Deleted"), (Rows{"Di"}));

  // a kept table that is open refuses the query, which changes nothing
  {
    hOrvexDb p = 0;
    ASSERT_OK(E().OpenDatabase(privateDir.c_str(), nullptr, &p));
    {
      Cursor open(p, "Deleted.db");
      ASSERT_TRUE(open.ok());
      Result refused = Run(Qbe({"Guests | Name", R"(D.     | "O""Hara")"}), -1, 1);
      EXPECT_EQ(refused.code, ORVEX_ERR_TABLEINUSE) << refused.error;
    }
    E().CloseDatabase(&p);
  }
  EXPECT_EQ(Query(db, "SELECT Name FROM Guests ORDER BY Id"), (Rows{"O\"Hara", "'); DROP TABLE Guests; --"}));
  EXPECT_EQ(Kept("SELECT Name FROM Deleted"), (Rows{"Di"}));
}

TEST_F(QbeTest, UpdatesKeepTheOldValuesAndInsertsTheNumberedRecords) {
  Result u = Run(Qbe({"Guests | Name | City", "U.     | a*   | TO Paris"}), -1, 1);
  EXPECT_EQ(u.error, "");
  EXPECT_FALSE(u.answered);
  EXPECT_EQ(u.affected, 2);
  EXPECT_EQ(Kept("SELECT Id, Name, City FROM Changed"), (Rows{"1|Ann|Oslo", "5|ann|Tromsø"}));
  EXPECT_EQ(Query(db, "SELECT Name FROM Guests WHERE City = 'Paris' ORDER BY Id"), (Rows{"Ann", "ann"}));

  // from another table's fields; without the auxiliary tables the kept ones stay
  Result from = Run(Qbe({"Guests | Name | City", "U.     | _h   | TO _r", "", "Tables | Host | Room",
                         "       | _h   | _r"}));
  EXPECT_EQ(from.error, "");
  EXPECT_EQ(from.affected, 3);
  EXPECT_EQ(Query(db, "SELECT Name, City FROM Guests WHERE Id <= 4 ORDER BY Id"),
            (Rows{"Ann|Hall", "Bo|Garden", "Cy|Oslo", "Di|Hall"}));
  EXPECT_EQ(Kept("SELECT Name FROM Changed"), (Rows{"Ann", "ann"}));

  // a record of values, numbered by the engine, its date read as the system writes dates
  Result one = Run(Qbe({"Guests | Name | City   | Born", "I.     | Zoe  | Bergen | 2/3/2001"}), -1, 1);
  EXPECT_EQ(one.error, "");
  EXPECT_FALSE(one.answered);
  EXPECT_EQ(one.affected, 1);
  EXPECT_EQ(Kept("SELECT Id, Name, City FROM Inserted"), (Rows{"9|Zoe|Bergen"}));
  EXPECT_EQ(Query(db, "SELECT Born || '' FROM Guests WHERE Name = 'Zoe'"), (Rows{"2001-02-03"}));

  // one record for each match of the other block
  Result each = Run(Qbe({"Guests | Name | City", "I.     | _h   | _r", "", "Tables | Host | Room", "       | _h   | _r"}),
                    -1, 1);
  EXPECT_EQ(each.error, "");
  EXPECT_EQ(each.affected, 4);
  EXPECT_EQ(Kept("SELECT Name, City FROM Inserted ORDER BY Name"),
            (Rows{"Ann|Hall", "Bo|Garden", "Di|Hall", "Zed|Attic"}));
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Guests"), (Rows{"13"}));
}

TEST_F(QbeTest, ChangesKeepTheTablesRulesAndLocks) {
  // a key that is taken: nothing is inserted, nothing is kept
  Result one = Run(Qbe({"Tables | No | Host", "I.     | 1  | Eve"}), -1, 1);
  EXPECT_EQ(one.code, ORVEX_ERR_KEYVIOL) << one.error;
  Result each = Run(Qbe({"Tables | No | Host", "I.     | _s | _n", "", "Guests | Name | Seat | Rsvp",
                         "       | _n   | _s   | False"}),
                    -1, 1);
  EXPECT_EQ(each.code, ORVEX_ERR_KEYVIOL) << each.error;
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Tables"), (Rows{"4"}));
  EXPECT_FALSE(KeptExists("Inserted.db"));

  // the engine numbers its field; a value that does not fit is refused at its cell
  EXPECT_EQ(Run(Qbe({"Guests | Id", "U.     | TO 5"})).error, "QBE syntax error: line 3, cell 2: Id is numbered by the engine");
  EXPECT_EQ(Run(Qbe({"Guests | Name | Age", "U.     | Bo   | TO 99999"})).error,
            "QBE syntax error: line 3, cell 3: \"99999\" is out of the range of Age");

  // a table held exclusively elsewhere
  Cursor held(db, "Guests.db", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(Run(Qbe({"Guests | Name", "       | P."})).code, ORVEX_ERR_TABLEINUSE);
}

TEST_F(QbeTest, BlanksCountAsZeroOnlyWhenAsked) {
  const std::string young = Qbe({"Guests | Name | Age", "       | P.   | <10"});
  EXPECT_EQ(Run(young).rows, (Rows{"Di"}));
  EXPECT_EQ(Run(young, 0).rows, (Rows{"Di"}));
  EXPECT_EQ(Run(young, 1).rows, (Rows{"Cy", "Di"}));
  // a blank number is still blank
  EXPECT_EQ(Run(Qbe({"Guests | Name | Age", "       | P.   | BLANK"}), 1).rows, (Rows{"Cy"}));
}

TEST_F(QbeTest, MalformedTextsAreRefusedWithTheirLineAndCell) {
  struct Bad {
    std::string text;
    const char* error;
  };
  const std::vector<Bad> bad = {
      {"SELECT * FROM Guests", "QBE syntax error: line 1, cell 1: expected the word Query alone on the first line"},
      {Qbe({"Guests | Name | City", "       | P.   | Oslo | x"}),
       "QBE syntax error: line 3, cell 4: the row has more cells than its header's 3"},
      {Qbe({"Guests | Name", "Q.     | P."}),
       "QBE syntax error: line 3, cell 1: unknown command \"Q.\": expected D., I., U. or nothing"},
      {Qbe({"Guests | Name", "       | P.SORT."}), "QBE syntax error: line 3, cell 2: unknown term \"P.SORT.\""},
      {Qbe({"Guests | Name | Seat", "       | P.   | two"}), "QBE syntax error: line 3, cell 3: \"two\" is not a number (Seat)"},
      {Qbe({"Guests | Name", "       | P.", "", "../Guests.db | Name", "             | Ann"}),
       "QBE syntax error: line 5, cell 1: no table named \"../Guests.db\""},
      {Qbe({"Guests | Name | Town", "       | P.   | Oslo"}),
       "QBE syntax error: line 2, cell 3: no field named \"Town\" in \"Guests\""},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.text);
    Result r = Run(b.text);
    EXPECT_EQ(r.code, ORVEX_ERR_QBESYNTAX);
    EXPECT_EQ(r.error, b.error);
  }
  // a text refused leaves nothing to execute
  Stmt s(db, ORVEX_LANG_QBE);
  EXPECT_EQ(s.Prepare(Qbe({"Guests | Name", "       | P."})), ORVEX_OK);
  EXPECT_EQ(s.Prepare("Query"), ORVEX_ERR_QBESYNTAX);
  hOrvexCursor c = 0;
  EXPECT_EQ(s.Exec(c), ORVEX_ERR_NOTPREPARED);
}

TEST_F(QbeTest, AStatementOfTheLanguageHasItsPropertiesAndNoParameters) {
  Stmt q(db, ORVEX_LANG_QBE);
  ASSERT_OK(q.alloc);
  auto get = [&](OrvexHandle h, std::uint32_t property) {
    std::int32_t v = -1;
    OrvexResult r = E().GetProp(h, property, &v, sizeof v, nullptr);
    return r == ORVEX_OK ? v : -static_cast<std::int32_t>(r);
  };
  EXPECT_EQ(get(q.h, ORVEX_STMT_AUXTABLES), 0);
  EXPECT_EQ(get(q.h, ORVEX_STMT_BLANKZERO), 0);
  EXPECT_OK(E().SetProp(q.h, ORVEX_STMT_AUXTABLES, 1));
  EXPECT_OK(E().SetProp(q.h, ORVEX_STMT_BLANKZERO, 1));
  EXPECT_EQ(get(q.h, ORVEX_STMT_AUXTABLES), 1);
  EXPECT_EQ(get(q.h, ORVEX_STMT_BLANKZERO), 1);
  EXPECT_EQ(E().SetProp(q.h, ORVEX_STMT_AUXTABLES, 2), ORVEX_ERR_INVALIDPARAM);
  ASSERT_OK(q.Prepare(Qbe({"Guests | Name", "       | P., Ann"})));
  std::uint16_t count = 9;
  EXPECT_OK(E().QParamCount(q.h, &count));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(E().QPrepareProc(q.h, "anything"), ORVEX_ERR_NOTSUPPORTED);

  Stmt sql(db);
  EXPECT_EQ(E().SetProp(sql.h, ORVEX_STMT_AUXTABLES, 1), ORVEX_ERR_NOTSUPPORTED);
  EXPECT_EQ(get(sql.h, ORVEX_STMT_BLANKZERO), -static_cast<std::int32_t>(ORVEX_ERR_NOTSUPPORTED));
  OrvexHandle none = 0;
  EXPECT_EQ(E().QAlloc(db, 3, &none), ORVEX_ERR_INVALIDPARAM);
}

TEST_F(QbeTest, RandomTextsAnswerAnErrorOrRunWithoutHarm) {
  std::vector<std::string> seeds;
  for (const Case& c : Constructs()) seeds.push_back(c.text);
  seeds.push_back(Qbe({"Guests | Seat", "D.     | _t", "", "Tables | No | Room", "       | _t | Garden"}));
  seeds.push_back(Qbe({"Guests | Name | City", "U.     | _h   | TO _r", "", "Tables | Host | Room", "       | _h | _r"}));
  seeds.push_back(Qbe({"Guests | Name | City | Born", "I.     | Zoe  | Bergen | 2/3/2001"}));
  const std::vector<std::string> pieces = {"|", " | ", ",", " OR ", "\r\n", "\"", "'", ";", "P.", "P.ALL.", "D.",
                                           "I.", "U.", "TO ", "_x", "_t", "BLANK", "<", ">=", "*", "?", "Guests",
                                           "Tables", "Name", "Seat", "No", "Id", "34", "1/2/99", "True", "\xff", "\x01"};
  std::mt19937 rng(7);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  for (int round = 0; round < 1500; ++round) {
    std::string text = seeds[pick(seeds.size())];
    for (std::size_t k = 1 + pick(3); k > 0 && !text.empty(); --k) {
      std::size_t at = pick(text.size());
      if (pick(2)) text.insert(at, pieces[pick(pieces.size())]);
      else text.erase(at, 1 + pick(3));
    }
    SCOPED_TRACE(text);
    Result r = Run(text, static_cast<int>(pick(2)), static_cast<int>(pick(2)));
    EXPECT_TRUE(r.code == ORVEX_OK || !r.error.empty());
  }
  EXPECT_OK(OpenAndScan("Guests.db"));
  EXPECT_OK(OpenAndScan("Tables.db"));
}

// A table made after the session read the directory's names: reading them
// again as the table is attached must not lose the name it was asked by.
TEST_F(QbeTest, ATableNewToTheSessionIsAttachedOnce) {
  ASSERT_OK(CreateTable(db, "people.db", {{"Name", ORVEX_FT_STRING, 20}}, {}));
  EXPECT_EQ(Run("Query\r\npeople.db | Name |").code, ORVEX_ERR_QBESYNTAX);
  EXPECT_EQ(Run(Qbe({"People | Name", "I.     | Ann"})).affected, 1);
  EXPECT_EQ(Query(db, "SELECT Name FROM people"), (Rows{"Ann"}));
}
