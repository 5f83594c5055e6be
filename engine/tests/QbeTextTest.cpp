// The query-by-example language from text to one SQL statement and its
// bound values: each construct, the changes, the options, values of every
// type in the system's formats, layouts, malformed texts, and random texts
// whose statements must hold nothing of the text but bound values.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>

#include "Errors.h"
#include "QbeCases.h"
#include "QbeText.h"

using namespace orvex;
using namespace qbetest;

namespace {

QbeTable MakeTable(const char* file, const std::vector<FieldDef>& defs) {
  QbeTable t;
  t.sqlName = file;
  t.rowId = defs[0].type == ORVEX_FT_AUTOINC ? "\"" + std::string(defs[0].name) + "\"" : "rowid";
  std::uint16_t no = 1;
  for (const FieldDef& d : defs) {
    Field f;
    f.no = no++;
    f.name = d.name;
    f.type = d.type;
    f.size = d.size;
    f.decimals = d.decimals;
    t.fields.push_back(f);
  }
  return t;
}

// The sample tables by their names with or without extension, in any case.
class Catalog : public QbeCatalog {
public:
  std::optional<QbeTable> Find(const std::string& name) override {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (n == "guests" || n == "guests.db") return MakeTable("Guests.db", GuestFields());
    if (n == "tables" || n == "tables.db") return MakeTable("Tables.db", TableFields());
    return std::nullopt;
  }
};

std::string ValueText(const SqlValue& v) {
  char b[32];
  switch (v.kind) {
    case SqlValue::Int: return "Int:" + std::to_string(v.i);
    case SqlValue::Real: std::snprintf(b, sizeof b, "%.15g", v.r); return std::string("Real:") + b;
    case SqlValue::Text: return "Text:" + v.s;
    case SqlValue::Blob: return "Blob:" + v.s;
    case SqlValue::Null: break;
  }
  return "Null";
}

struct Result {
  QbeTranslation t;
  std::vector<std::string> values;
  std::string error;  // the detail of a refusal
};

Result Translate(const std::string& text, QbeOptions options = {}, QbeFormats formats = {}) {
  Catalog catalog;
  formats.thisYear = 2024;
  Result r;
  try {
    r.t = TranslateQbe(text, catalog, formats, options);
    for (const SqlValue& v : r.t.values) r.values.push_back(ValueText(v));
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), ORVEX_ERR_QBESYNTAX) << e.Detail();
    r.error = e.Detail();
  }
  return r;
}

TEST(QbeText, EachConstructBecomesOneStatementWithItsValuesBound) {
  for (const Case& c : Constructs()) {
    SCOPED_TRACE(c.what);
    Result r = Translate(c.text);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.t.kind, QbeTranslation::Query);
    EXPECT_EQ(r.t.sql, c.sql);
    EXPECT_EQ(r.values, c.values);
  }
}

TEST(QbeText, ChangesBecomeOneStatementWithTheRecordsTheyChangeOnRequest) {
  struct Change {
    const char* what;
    std::string text;
    QbeTranslation::Kind kind;
    std::string sql, keptSql, oldRows;  // keptSql: with the auxiliary tables
    std::vector<std::string> values;
  };
  const std::string fields = R"("Id", "Name", "City", "Age", "Seat", "Party", "Rsvp", "Distance", "Gift", "Share", )"
                             R"("Born", "Arrives", "Replied", "Notes", "Photo", "Last Name")";
  std::string oldColumns;
  for (const FieldDef& f : GuestFields()) oldColumns += (oldColumns.empty() ? "" : ", ") + std::string("\"q/1\".\"") + f.name + "\"";
  const std::vector<Change> changes = {
      {"D. with alternative rows",
       Qbe({"Guests | Name | City", "D.     |      | Oslo", "D.     | Bo   |"}),
       QbeTranslation::Delete,
       R"(DELETE FROM "Guests.db" AS "q/1" WHERE (("q/1"."City" = :v1) OR ("q/1"."Name" = :v2)))",
       R"(DELETE FROM "Guests.db" AS "q/1" WHERE (("q/1"."City" = :v1) OR ("q/1"."Name" = :v2)) RETURNING )" + fields,
       "",
       {"Text:Oslo", "Text:Bo"}},
      {"D. of the records another table matches",
       Qbe({"Guests | Seat", "D.     | _t", "", "Tables | No | Room", "       | _t | Hall"}),
       QbeTranslation::Delete,
       R"(DELETE FROM "Guests.db" AS "q/1" WHERE EXISTS (SELECT 1 FROM "Tables.db" AS "q/2" )"
       R"(WHERE "q/2"."No" = "q/1"."Seat" AND "q/2"."Room" = :v1))",
       R"(DELETE FROM "Guests.db" AS "q/1" WHERE EXISTS (SELECT 1 FROM "Tables.db" AS "q/2" )"
       R"(WHERE "q/2"."No" = "q/1"."Seat" AND "q/2"."Room" = :v1) RETURNING )" + fields,
       "",
       {"Text:Hall"}},
      {"I. of one record",
       Qbe({"Guests | Name | City           | Born", R"(I.     | Zoe  | "Oslo, Norway" | 1/2/2000)"}),
       QbeTranslation::Insert,
       R"(INSERT INTO "Guests.db" ("Name", "City", "Born") VALUES (:v1, :v2, :v3))",
       R"(INSERT INTO "Guests.db" ("Name", "City", "Born") VALUES (:v1, :v2, :v3) RETURNING )" + fields,
       "",
       {"Text:Zoe", "Text:Oslo, Norway", "Text:2000-01-02"}},
      {"I. of a record for each match of another block",
       Qbe({"Tables | No | Host | Room", "I.     | _s | _n   | Annex", "", "Guests | Name | Seat | Rsvp",
            "       | _n   | _s   | False"}),
       QbeTranslation::Insert,
       R"(INSERT INTO "Tables.db" ("No", "Host", "Room") SELECT "q/2"."Seat", "q/2"."Name", :v1 )"
       R"(FROM "Guests.db" AS "q/2" WHERE "q/2"."Rsvp" = :v2)",
       R"(INSERT INTO "Tables.db" ("No", "Host", "Room") SELECT "q/2"."Seat", "q/2"."Name", :v1 )"
       R"(FROM "Guests.db" AS "q/2" WHERE "q/2"."Rsvp" = :v2 RETURNING "No", "Host", "Room")",
       "",
       {"Text:Annex", "Int:0"}},
      {"U. with values, an empty text writing a blank",
       Qbe({"Guests | Name | City     | Age       | Notes", R"(U.     | a*   | TO Paris | TO 35, 34 | TO "")"}),
       QbeTranslation::Update,
       R"(UPDATE "Guests.db" AS "q/1" SET "City" = :v1, "Age" = :v2, "Notes" = NULL )"
       R"(WHERE lower("q/1"."Name") LIKE lower(:v3) ESCAPE '\' AND "q/1"."Age" = :v4)",
       R"(UPDATE "Guests.db" AS "q/1" SET "City" = :v1, "Age" = :v2, "Notes" = NULL )"
       R"(WHERE lower("q/1"."Name") LIKE lower(:v3) ESCAPE '\' AND "q/1"."Age" = :v4)",
       "SELECT " + oldColumns +
           R"( FROM "Guests.db" AS "q/1" WHERE lower("q/1"."Name") LIKE lower(:v5) ESCAPE '\' AND "q/1"."Age" = :v6)",
       {"Text:Paris", "Int:35", "Text:a%", "Int:34"}},
      {"U. from another table's field",
       Qbe({"Guests | Name | City", "U.     | _h   | TO _r", "", "Tables | Host | Room", "       | _h   | _r"}),
       QbeTranslation::Update,
       R"(UPDATE "Guests.db" AS "q/1" SET "City" = "q/2"."Room" FROM "Tables.db" AS "q/2" )"
       R"(WHERE "q/2"."Host" = "q/1"."Name")",
       R"(UPDATE "Guests.db" AS "q/1" SET "City" = "q/2"."Room" FROM "Tables.db" AS "q/2" )"
       R"(WHERE "q/2"."Host" = "q/1"."Name")",
       "SELECT " + oldColumns +
           R"( FROM "Guests.db" AS "q/1" WHERE EXISTS (SELECT 1 FROM "Tables.db" AS "q/2" )"
           R"(WHERE "q/2"."Host" = "q/1"."Name"))",
       {}},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    Result plain = Translate(c.text);
    ASSERT_EQ(plain.error, "");
    EXPECT_EQ(plain.t.kind, c.kind);
    EXPECT_EQ(plain.t.sql, c.sql);
    EXPECT_EQ(plain.t.oldRowsSql, "");
    EXPECT_EQ(plain.values, c.values);
    Result kept = Translate(c.text, {.keepChanged = true});
    EXPECT_EQ(kept.t.sql, c.keptSql);
    EXPECT_EQ(kept.t.oldRowsSql, c.oldRows);
    EXPECT_EQ(kept.t.target, c.kind == QbeTranslation::Insert && c.text.find("Tables |") < c.text.find("Guests |")
                                 ? "Tables.db"
                                 : "Guests.db");
  }
}

TEST(QbeText, BlanksAsZeroReadBlankNumbersAsZeroInEveryComparison) {
  const std::string text = Qbe({"Guests | Name | Age   | Seat", "       | P.   | <10   | _s", "", "Tables | No",
                                "       | >_s"});
  Result off = Translate(text);
  EXPECT_EQ(off.t.sql, R"(SELECT DISTINCT "q/1"."Name" FROM "Guests.db" AS "q/1", "Tables.db" AS "q/2" )"
                       R"(WHERE "q/1"."Age" < :v1 AND "q/2"."No" > "q/1"."Seat" ORDER BY 1)");
  Result on = Translate(text, {.blanksAsZero = true});
  EXPECT_EQ(on.t.sql, R"(SELECT DISTINCT "q/1"."Name" FROM "Guests.db" AS "q/1", "Tables.db" AS "q/2" )"
                      R"(WHERE IFNULL("q/1"."Age", 0) < :v1 AND IFNULL("q/2"."No", 0) > IFNULL("q/1"."Seat", 0) ORDER BY 1)");
  // texts and BLANK itself are not numbers read as zero
  Result text2 = Translate(Qbe({"Guests | Name | City | Age", "       | P.   | <M   | BLANK"}), {.blanksAsZero = true});
  EXPECT_EQ(text2.t.sql, R"(SELECT DISTINCT "q/1"."Name" FROM "Guests.db" AS "q/1" )"
                         R"(WHERE "q/1"."City" < :v1 AND "q/1"."Age" IS NULL ORDER BY 1)");
}

TEST(QbeText, ValuesAreReadByTheFieldsTypeInFixedFormsAndTheSystemsFormats) {
  QbeFormats dmy;
  dmy.dateOrder = 1;
  dmy.dateSeparator = U'.';
  dmy.yearBiased = false;
  dmy.decimalSeparator = U',';
  dmy.am = "vm";
  dmy.pm = "nm";
  QbeFormats ymd;
  ymd.dateOrder = 2;
  ymd.dateSeparator = U'-';
  struct V {
    const char* field;
    const char* value;
    const QbeFormats* formats;
    const char* read;  // the value bound, or the refusal's end
  };
  const QbeFormats mdy;
  const std::vector<V> values = {
      {"Born", "2024-02-29", &mdy, "Text:2024-02-29"},
      {"Born", "2023-02-29", &mdy, "is not a date (Born)"},
      {"Born", "2/29/2024", &mdy, "Text:2024-02-29"},
      {"Born", "12/31/75", &mdy, "Text:1975-12-31"},   // within 50 years of 2024
      {"Born", "12/31/73", &mdy, "Text:2073-12-31"},
      {"Born", "31.12.75", &dmy, "Text:2075-12-31"},   // in the current century
      {"Born", "2024-3-5", &ymd, "Text:2024-03-05"},
      {"Born", "13/1/2024", &mdy, "is not a date (Born)"},
      {"Born", "1/1", &mdy, "is not a date (Born)"},
      {"Arrives", "9:05", &mdy, "Text:09:05:00"},
      {"Arrives", "14:30:00.25", &mdy, "Text:14:30:00.250"},
      {"Arrives", "12:00 AM", &mdy, "Text:00:00:00"},
      {"Arrives", "12:15:01 pm", &mdy, "Text:12:15:01"},
      {"Arrives", "7:00 nm", &dmy, "Text:19:00:00"},
      {"Arrives", "13:00 PM", &mdy, "is not a time (Arrives)"},
      {"Arrives", "24:00", &mdy, "is not a time (Arrives)"},
      {"Replied", "2024-05-01 10:00:00", &mdy, "Text:2024-05-01 10:00:00"},
      {"Replied", "5/1/2024 10:00 PM", &mdy, "Text:2024-05-01 22:00:00"},
      {"Replied", "5/1/2024 noon", &mdy, "is not a date and time (Replied)"},
      {"Distance", "-1.5e3", &mdy, "Real:-1500"},
      {"Distance", R"("2,5")", &dmy, "Real:2.5"},  // quoted: a comma parts terms
      {"Distance", "inf", &mdy, "is not a number (Distance)"},
      {"Distance", "1.2.3", &mdy, "is not a number (Distance)"},
      {"Age", "+7", &mdy, "Int:7"},
      {"Age", "7.5", &mdy, "Real:7.5"},  // a comparison may take any number
      {"Age", "99999999999999999999", &mdy, "Real:1e+20"},
      {"Seat", "0x10", &mdy, "is not a number (Seat)"},
      {"Rsvp", "FALSE", &mdy, "Int:0"},
      {"Rsvp", "yes", &mdy, "is not True or False (Rsvp)"},
      {"Name", "  two  words ", &mdy, "Text:two  words"},
      {"Name", R"(" padded ")", &mdy, "Text: padded "},
      {"Name", R"("*" and *)", &mdy, "Text:* and %"},
      {"Name", R"(100%_\)", &mdy, "Text:100%_\\"},
      {"Name", R"(100%_\*)", &mdy, "Text:100\\%\\_\\\\%"},
      {"Photo", "x", &mdy, "holds bytes: only BLANK and NOT BLANK test it"},
  };
  for (const V& v : values) {
    SCOPED_TRACE(std::string(v.field) + " " + v.value);
    Result r = Translate(Qbe({std::string("Guests | Name | ") + v.field, std::string("       | P.   | ") + v.value}),
                         {}, *v.formats);
    std::string read = r.error.empty() ? r.values.at(0) : r.error;
    EXPECT_TRUE(read.size() >= std::strlen(v.read) && read.compare(read.size() - std::strlen(v.read), std::string::npos,
                                                                    v.read) == 0)
        << read;
  }
  // values to be written must fit their fields
  struct W {
    const char* row;
    const char* error;
  };
  const std::vector<W> written = {
      {"I. | 32768", "line 3, cell 2: \"32768\" is out of the range of Age"},
      {"I. | -1.5", "line 3, cell 2: \"-1.5\" is not a whole number (Age)"},
      {"U. | TO 40000, 3", "line 3, cell 2: \"40000\" is out of the range of Age"},
  };
  for (const W& w : written)
    EXPECT_EQ(Translate(Qbe({"Guests | Age", w.row})).error, w.error);
  EXPECT_EQ(Translate(Qbe({"Tables | No | Host", "I. | 5 | 0123456789012345678901234"})).error,
            "line 3, cell 3: \"0123456789012345678901234\" is longer than Host's 24 characters");
  EXPECT_EQ(Translate(Qbe({"Tables | No | Host", "I. | 5 | 012345678901234567890123"})).error, "");
}

TEST(QbeText, LayoutsWithOrWithoutOuterBarsReadAlike) {
  const std::string sql = R"(SELECT DISTINCT "q/1"."Name", "q/2"."Room" FROM "Guests.db" AS "q/1", "Tables.db" AS "q/2" )"
                          R"(WHERE "q/1"."City" = :v1 AND "q/2"."No" = "q/1"."Seat" ORDER BY 1, 2)";
  const std::vector<std::string> layouts = {
      "Query\r\nGuests | Name | City | Seat\r\n | P. | Oslo | _t\r\n\r\nTables | No | Room\r\n | _t | P.",
      "query\nGuests|Name|City|Seat\n|P.|Oslo|_t\n\t\n\nTables|No|Room\n|_t|P.\n\n",
      "QUERY \r\n| Guests | Name | City | Seat |\r\n| | P. | Oslo | _t |\r\n\r\n| Tables | No | Room |\r\n| | _t | P. |",
      "Query\r\n| Guests | Name | City | Seat |\r\n | P. | Oslo | _t |\r\n\r\nTables | no | ROOM |\r\n | _t | P. |",
      "Query\r\n\"Guests\" | \"Name\" | City | Seat\r\n\t| P. | Oslo | _T\r\n\r\ntables.DB | No | Room\r\n | _t | P.",
  };
  for (const std::string& text : layouts) {
    SCOPED_TRACE(text);
    Result r = Translate(text);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.t.sql, sql);
    EXPECT_EQ(r.values, (std::vector<std::string>{"Text:Oslo"}));
  }
}

TEST(QbeText, MalformedTextsAreRefusedWithTheirLineAndCell) {
  struct Bad {
    std::string text;
    const char* detail;
  };
  const std::vector<Bad> bad = {
      {"", "line 1, cell 1: expected the word Query alone on the first line"},
      {"SELECT * FROM Guests", "line 1, cell 1: expected the word Query alone on the first line"},
      {"Query", "line 2, cell 1: expected a table's block after the Query line"},
      {Qbe({"Guests | Name"}), "line 2, cell 1: expected a row under the header of \"Guests\""},
      {Qbe({"Guests | Name | City", " | P. | Oslo | x"}), "line 3, cell 4: the row has more cells than its header's 3"},
      {Qbe({"Guests | Name | City", " | P."}), "line 3, cell 3: the row has fewer cells than its header's 3"},
      {Qbe({"Guests | Name", "X. | P."}), "line 3, cell 1: unknown command \"X.\": expected D., I., U. or nothing"},
      {Qbe({"Guests | Name", " | P.XX."}), "line 3, cell 2: unknown term \"P.XX.\""},
      {Qbe({"Guests | Name", " | Ann OR D."}), "line 3, cell 2: unknown term \"D.\""},
      {Qbe({"Guests | Name | Age", " | P. | abc"}), "line 3, cell 3: \"abc\" is not a number (Age)"},
      {Qbe({"Guests | Name | Born", " | P. | 2024-13-01"}), "line 3, cell 3: \"2024-13-01\" is not a date (Born)"},
      {Qbe({"Guests | Name", " | P.", "", "Guestz | Name", " | P."}), "line 5, cell 1: no table named \"Guestz\""},
      {Qbe({"Guests | Name | Bron", " | P. | 1"}), "line 2, cell 3: no field named \"Bron\" in \"Guests\""},
      {Qbe({"Guests | Name | City", " | P. | \"Oslo"}), "line 3, cell 3: a quote is not closed"},
      {Qbe({"Guests | Name | \"City", " | P. | Oslo"}), "line 2, cell 3: a quote is not closed"},
      {Qbe({"Guests | Name |  | City", " | P. | | Oslo"}), "line 2, cell 3: expected a field name"},
      {Qbe({"Guests | Name | Age", " | P. | <"}), "line 3, cell 3: expected a value after \"<\""},
      {Qbe({"Guests | Name | Age", " | P. | >1,,<5"}), "line 3, cell 3: expected a term between commas"},
      {Qbe({"Guests | Name | Age", " | P. | 1 OR"}), "line 3, cell 3: expected a condition on each side of OR"},
      {Qbe({"Guests | Name | Age", " | P. | P.AO., P.DO."}), "line 3, cell 3: P.AO. and P.DO. both sort this field"},
      {Qbe({"Guests | Name | Age", " | P. | >_x"}),
       "line 3, cell 3: example element _x stands alone in no cell, so it has no value"},
      {Qbe({"Guests | Name | Age", " | _x | ", " | P. | _x"}),
       "line 3, cell 2: example element _x joins alternative rows: let it stand alone in a block of one row"},
      {Qbe({"Guests | Name | Age", " | _x | P.", "", "Tables | No", " | _x"}),
       "line 6, cell 2: example element _x joins a text field with No, a number field"},
      {Qbe({"Guests | Name | Photo", " | P. | _x"}),
       "line 3, cell 3: example elements join text, numbers, Booleans, dates and times; Photo holds bytes"},
      {Qbe({"Guests | Name", " | Ann"}), "line 2, cell 1: nothing to show: mark a field with P."},
      {Qbe({"Guests | Name | Age", " | P. | P.AO.", " | P. | P.DO."}), "line 4, cell 3: the rows sort this field two ways"},
      {Qbe({"Guests | Name", "D. | Ann", " | Bo"}), "line 4, cell 1: the rows of a block share one command"},
      {Qbe({"Guests | Name", "D. | Ann", "", "Tables | Host", "D. | Bo"}),
       "line 6, cell 1: a query changes one table: D., I. and U. stand in one block"},
      {Qbe({"Guests | Name", "U. | TO Al", "U. | TO Bo"}), "line 4, cell 1: a block takes one U. row"},
      {Qbe({"Guests | Name", "D. | P."}), "line 3, cell 2: \"P.\" shows fields only in a row of a query"},
      {Qbe({"Guests | Name", "D. | Ann", "", "Tables | Host", " | P."}),
       "line 6, cell 2: P. shows fields of a query that answers; this one changes data"},
      {Qbe({"Guests | Name", " | TO Al"}), "line 3, cell 2: TO sets a field only in a U. row"},
      {Qbe({"Guests | Name", "U. | Ann"}), "line 3, cell 1: a U. row sets a field with TO"},
      {Qbe({"Guests | Name | Name", "U. | TO A | TO B"}), "line 3, cell 3: the field is set twice"},
      {Qbe({"Guests | Name | Id", "U. | Ann | TO 4"}), "line 3, cell 3: Id is numbered by the engine"},
      {Qbe({"Guests | Name", "I. | A, B"}), "line 3, cell 2: an I. row takes one value or example element a cell"},
      {Qbe({"Guests | Name", "I. | BLANK"}), "line 3, cell 2: an I. row takes values and example elements, not \"BLANK\""},
      {Qbe({"Guests | Name | Age", "I. | | "}), "line 3, cell 1: an I. row gives at least one field a value"},
      {Qbe({"Guests | Name | Age", "I. | _n | 3"}),
       "line 3, cell 2: example element _n stands alone in no cell, so it has no value"},
      {Qbe({"Guests | Name | Age", " | P. | " + std::string(60, 'x')}),
       "line 3, cell 3: \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\" is not a number (Age)"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.text);
    EXPECT_EQ(Translate(b.text).error, b.detail);
  }
}

// ---------------------------------------------------------------- random texts

// The words a statement may hold beside names, parameters and its own
// constants: a statement made of anything else took text from the query.
bool OnlyOwnWords(const std::string& sql, std::size_t values, std::string& why) {
  static const std::set<std::string> keywords = {
      "SELECT", "DISTINCT", "FROM", "AS", "WHERE", "AND", "OR", "NOT", "ORDER", "BY", "DESC", "CROSS", "JOIN",
      "IS", "NULL", "LIKE", "ESCAPE", "lower", "IFNULL", "EXISTS", "DELETE", "INSERT", "INTO", "VALUES", "UPDATE",
      "SET", "RETURNING", "DEFAULT", "rowid"};
  std::set<std::string> names = {"Guests.db", "Tables.db"};
  for (const auto* defs : {&GuestFields(), &TableFields()})
    for (const FieldDef& f : *defs) names.insert(f.name);
  for (std::size_t i = 0; i < sql.size();) {
    char c = sql[i];
    if (c == ' ' || c == '(' || c == ')' || c == ',' || c == '.' || c == '=' || c == '<' || c == '>') {
      ++i;
    } else if (c == '"') {
      std::size_t end = sql.find('"', i + 1);
      std::string name = sql.substr(i + 1, end - i - 1);
      if (!names.count(name) && name.rfind("q/", 0) != 0) return why = "name " + name, false;
      i = end + 1;
    } else if (c == '\'') {
      if (sql.compare(i, 3, "'\\'") == 0) {
        i += 3;
      } else if (sql.compare(i, 2, "''") == 0) {
        i += 2;
      } else {
        return why = "literal at " + std::to_string(i), false;
      }
    } else if (c == ':') {
      std::size_t end = sql.find_first_not_of("0123456789", i + 2);
      std::size_t n = std::stoul(sql.substr(i + 2, end - i - 2));
      if (sql[i + 1] != 'v' || n < 1 || n > values) return why = "parameter at " + std::to_string(i), false;
      i = end;
    } else if (c >= '0' && c <= '9') {
      i = sql.find_first_not_of("0123456789", i);
    } else {
      std::size_t end = sql.find_first_of(" (),", i);
      std::string word = sql.substr(i, end - i);
      if (!keywords.count(word)) return why = "word " + word, false;
      i = end;
    }
  }
  return true;
}

TEST(QbeText, RandomTextsGiveAStatementOfBoundValuesOrASyntaxError) {
  const std::vector<std::string> pieces = {
      "|", "|", " | ", ",", " OR ", "\r\n", "\r\n\r\n", "\n", "\"", "\"\"", "'", ";", "--", " ", "\t", "P.",
      "P.ALL.", "P.AO.", "P.DO.", "D.", "I.", "U.", "TO ", "_x", "_y", "BLANK", "NOT BLANK", "<", ">=", "<>", "=",
      "*", "?", "%", "\\", "Guests", "Tables", "Name", "Age", "Born", "Seat", "No", "Host", "Last Name", "Photo",
      "34", "-1.5", "2024-05-01", "1/2/99", "2:30 PM", "True", "Oslo", "'); DROP TABLE Guests; --", "é", "\xff",
      "\x01"};
  std::mt19937 rng(20240501);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  std::size_t statements = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    if (round % 2) {
      // a construct with a few pieces put in, replaced or cut out
      text = Constructs()[pick(Constructs().size())].text;
      for (std::size_t k = 1 + pick(3); k > 0 && !text.empty(); --k) {
        std::size_t at = pick(text.size()), len = pick(4);
        switch (pick(3)) {
          case 0: text.insert(at, pieces[pick(pieces.size())]); break;
          case 1: text.replace(at, len, pieces[pick(pieces.size())]); break;
          default: text.erase(at, len);
        }
      }
    } else {
      text = pick(4) ? "Query\r\n" : "";
      for (std::size_t k = pick(30); k > 0; --k) text += pieces[pick(pieces.size())];
    }
    SCOPED_TRACE(text);
    Result r = Translate(text, {.blanksAsZero = (round % 3) == 0, .keepChanged = (round % 5) == 0});
    if (!r.error.empty()) {
      ASSERT_EQ(r.error.rfind("line ", 0), 0u) << r.error;
      continue;
    }
    ++statements;
    std::string why;
    ASSERT_TRUE(OnlyOwnWords(r.t.sql, r.t.values.size(), why)) << r.t.sql << "\n" << why;
    ASSERT_TRUE(OnlyOwnWords(r.t.oldRowsSql, r.t.values.size(), why)) << r.t.oldRowsSql << "\n" << why;
  }
  EXPECT_GT(statements, 1000u);  // the mutations leave many texts that translate
}

}  // namespace
