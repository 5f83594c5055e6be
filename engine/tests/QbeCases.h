// The sample tables of the query-by-example tests and the texts they run:
// each construct of the language with the SQL it becomes and the records it
// answers. The translation tests check the SQL and its values; the engine
// tests run the same texts on real tables and check the records.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "OrvexApi.h"

namespace qbetest {

struct FieldDef {
  const char* name;
  std::uint16_t type;
  std::uint16_t size = 0;
  std::uint16_t decimals = 0;
};

inline const std::vector<FieldDef>& GuestFields() {
  static const std::vector<FieldDef> f = {
      {"Id", ORVEX_FT_AUTOINC},         {"Name", ORVEX_FT_STRING, 32},  {"City", ORVEX_FT_STRING, 24},
      {"Age", ORVEX_FT_SMALLINT},       {"Seat", ORVEX_FT_INTEGER},     {"Party", ORVEX_FT_WORD},
      {"Rsvp", ORVEX_FT_BOOLEAN},       {"Distance", ORVEX_FT_FLOAT},   {"Gift", ORVEX_FT_CURRENCY},
      {"Share", ORVEX_FT_BCD, 8, 2},    {"Born", ORVEX_FT_DATE},        {"Arrives", ORVEX_FT_TIME},
      {"Replied", ORVEX_FT_DATETIME},   {"Notes", ORVEX_FT_MEMO},       {"Photo", ORVEX_FT_GRAPHIC},
      {"Last Name", ORVEX_FT_STRING, 24},
  };
  return f;
}

inline const std::vector<FieldDef>& TableFields() {
  static const std::vector<FieldDef> f = {
      {"No", ORVEX_FT_INTEGER}, {"Host", ORVEX_FT_STRING, 24}, {"Room", ORVEX_FT_STRING, 24}};
  return f;
}

// The records as SQL values, one text a field ("" blank), in field order
// after Id, which the engine numbers from 1. Photo is a flag: "x" holds bytes.
inline const std::vector<std::vector<std::string>>& GuestRows() {
  static const std::vector<std::vector<std::string>> r = {
      {"Ann", "Oslo", "34", "1", "2", "1", "12.5", "50", "1.5", "1990-02-03", "14:30:00", "2024-05-01 10:00:00",
       "vegan", "x", "Berg"},
      {"Bo", "Bergen", "41", "2", "1", "0", "310.25", "20", "0.75", "1983-11-20", "16:00:00", "2024-05-02 09:15:00",
       "", "", "Lund"},
      {"Cy", "Oslo", "", "1", "1", "1", "", "", "", "2001-07-14", "14:30:00", "", "no nuts", "", "Berg"},
      {"Di", "", "7", "3", "4", "0", "0", "0", "0", "", "", "2024-04-30 18:45:30", "", "", ""},
      {"ann", "Tromsø", "34", "2", "2", "1", "1500", "75.5", "2.25", "1990-02-03", "17:00:00",
       "2024-05-01 10:00:00", "", "", "Moe"},
      {"O\"Hara", "A|B", "29", "3", "1", "1", "8", "10", "0.5", "1995-12-24", "09:05:00", "", "", "", ""},
      {"'); DROP TABLE Guests; --", "Oslo, Norway", "50", "1", "1", "0", "2", "5", "0.1", "1970-01-01", "",
       "", "", "", ""},
      {"Ève", "Oslo", "60", "2", "3", "1", "44.75", "100", "3", "1964-06-30", "14:30:00", "2024-05-03 12:00:00",
       "", "", "Dahl"},
  };
  return r;
}

inline const std::vector<std::vector<std::string>>& TableRows() {
  static const std::vector<std::vector<std::string>> r = {
      {"1", "Ann", "Hall"}, {"2", "Bo", "Garden"}, {"3", "Di", "Hall"}, {"4", "Zed", "Attic"}};
  return r;
}

// A text of lines joined as the library joins query lines.
inline std::string Qbe(const std::vector<std::string>& lines) {
  std::string out = "Query";
  for (const std::string& l : lines) out += "\r\n" + l;
  return out;
}

struct Case {
  const char* what;
  std::string text;
  std::string sql;
  std::vector<std::string> values;  // "Text:..", "Int:..", "Real:.."
  std::vector<std::string> answer;  // records, fields separated by "|", blank as "-"
};

// Each construct of the language on the sample tables, with the default
// options (blanks are no zeros). Names sort by their bytes.
inline const std::vector<Case>& Constructs() {
  const std::string g = R"(FROM "Guests.db" AS "q/1")";
  static const std::vector<Case> cases = {
      {"a field shown: duplicates removed, sorted",
       Qbe({"Guests | City", "       | P."}),
       R"(SELECT DISTINCT "q/1"."City" )" + g + " ORDER BY 1",
       {},
       {"-", "A|B", "Bergen", "Oslo", "Oslo, Norway", "Tromsø"}},
      {"P.ALL.: duplicates kept in table order, though an index would sort them",
       Qbe({"Guests | City", "       | P.ALL., >A"}),
       R"(SELECT "q/1"."City" )" + g + R"( WHERE "q/1"."City" > :v1 ORDER BY "q/1"."Id")",
       {"Text:A"},
       {"Oslo", "Bergen", "Oslo", "Tromsø", "A|B", "Oslo, Norway", "Oslo"}},
      {"a value alone: equality",
       Qbe({"Guests | Name | City", "       | P.   | Oslo"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."City" = :v1 ORDER BY 1)",
       {"Text:Oslo"},
       {"Ann", "Cy", "Ève"}},
      {"operators, and terms that all hold",
       Qbe({"Guests | Name | Age", "       | P.   | >29, <=41, <>41"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g +
           R"( WHERE "q/1"."Age" > :v1 AND "q/1"."Age" <= :v2 AND "q/1"."Age" <> :v3 ORDER BY 1)",
       {"Int:29", "Int:41", "Int:41"},
       {"Ann", "ann"}},
      {"= before a value",
       Qbe({"Guests | Name | Age", "       | P.   | = 34"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Age" = :v1 ORDER BY 1)",
       {"Int:34"},
       {"Ann", "ann"}},
      {"BLANK",
       Qbe({"Guests | Name | Age", "       | P.   | BLANK"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Age" IS NULL ORDER BY 1)",
       {},
       {"Cy"}},
      {"NOT BLANK on a memo",
       Qbe({"Guests | Name | Notes", "       | P.   | not  blank"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g +
           R"( WHERE ("q/1"."Notes" IS NOT NULL AND "q/1"."Notes" <> '') ORDER BY 1)",
       {},
       {"Ann", "Cy"}},
      {"* without regard to case",
       Qbe({"Guests | Name", "       | P., A*"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE lower("q/1"."Name") LIKE lower(:v1) ESCAPE '\' ORDER BY 1)",
       {"Text:A%"},
       {"Ann", "ann"}},
      {"? for one character, any letter's case",
       Qbe({"Guests | Name", "       | P., è?e"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE lower("q/1"."Name") LIKE lower(:v1) ESCAPE '\' ORDER BY 1)",
       {"Text:è_e"},
       {"Ève"}},
      {"OR between alternatives",
       Qbe({"Guests | Name | City", "       | P.   | Bergen or Tromsø"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE ("q/1"."City" = :v1 OR "q/1"."City" = :v2) ORDER BY 1)",
       {"Text:Bergen", "Text:Tromsø"},
       {"Bo", "ann"}},
      {"rows of a block as alternatives",
       Qbe({"Guests | Name | City   | Age", "       | P.   | Bergen |", "       | P.   |        | >50"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE (("q/1"."City" = :v1) OR ("q/1"."Age" > :v2)) ORDER BY 1)",
       {"Text:Bergen", "Int:50"},
       {"Bo", "Ève"}},
      {"a quoted value with a comma",
       Qbe({"Guests | Name | City", R"(       | P.   | "Oslo, Norway")"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."City" = :v1 ORDER BY 1)",
       {"Text:Oslo, Norway"},
       {"'); DROP TABLE Guests; --"}},
      {"a quoted value with a bar",
       Qbe({"Guests | Name | City", R"(       | P.   | "A|B")"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."City" = :v1 ORDER BY 1)",
       {"Text:A|B"},
       {"O\"Hara"}},
      {"a quote inside quotes, doubled",
       Qbe({"Guests | Name       | City", R"(       | "O""Hara" | P.)"}),
       R"(SELECT DISTINCT "q/1"."City" )" + g + R"( WHERE "q/1"."Name" = :v1 ORDER BY 1)",
       {"Text:O\"Hara"},
       {"A|B"}},
      {"SQL text as a plain value",
       Qbe({"Guests | Name                      | City", "       | '); DROP TABLE Guests; -- | P."}),
       R"(SELECT DISTINCT "q/1"."City" )" + g + R"( WHERE "q/1"."Name" = :v1 ORDER BY 1)",
       {"Text:'); DROP TABLE Guests; --"},
       {"Oslo, Norway"}},
      {"a join of two tables through an example element",
       Qbe({"Guests | Name | Seat", "       | P.   | _t", "", "Tables | No | Host | Room", "       | _t | Bo   | P."}),
       R"(SELECT DISTINCT "q/1"."Name", "q/2"."Room" FROM "Guests.db" AS "q/1", "Tables.db" AS "q/2" )"
       R"(WHERE "q/2"."No" = "q/1"."Seat" AND "q/2"."Host" = :v1 ORDER BY 1, 2)",
       {"Text:Bo"},
       {"Bo|Garden", "ann|Garden", "Ève|Garden"}},
      {"an example element joining two fields of one row",
       Qbe({"Guests | Name | Seat | Party", "       | P.   | _s   | _s"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Party" = "q/1"."Seat" ORDER BY 1)",
       {},
       {"'); DROP TABLE Guests; --", "Cy", "ann"}},
      {"blocks that share no example element: a product",
       Qbe({"Guests | Name", "       | P., Bo", "", "Tables | Room", "       | P."}),
       R"(SELECT DISTINCT "q/1"."Name", "q/2"."Room" FROM "Guests.db" AS "q/1", "Tables.db" AS "q/2" )"
       R"(WHERE "q/1"."Name" = :v1 ORDER BY 1, 2)",
       {"Text:Bo"},
       {"Bo|Attic", "Bo|Garden", "Bo|Hall"}},
      {"a self-join",
       Qbe({"Guests | Name | Age", "       | Ann  | _a", "", "Guests | Name | Age", "       | P.   | _a"}),
       R"(SELECT DISTINCT "q/2"."Name" FROM "Guests.db" AS "q/1", "Guests.db" AS "q/2" )"
       R"(WHERE "q/1"."Name" = :v1 AND "q/2"."Age" = "q/1"."Age" ORDER BY 1)",
       {"Text:Ann"},
       {"Ann", "ann"}},
      {"an example element after an operator",
       Qbe({"Guests | Name | Age", "       | Bo   | _a", "", "Guests | Name | Age", "       | P.   | > _A"}),
       R"(SELECT DISTINCT "q/2"."Name" FROM "Guests.db" AS "q/1", "Guests.db" AS "q/2" )"
       R"(WHERE "q/1"."Name" = :v1 AND "q/2"."Age" > "q/1"."Age" ORDER BY 1)",
       {"Text:Bo"},
       {"'); DROP TABLE Guests; --", "Ève"}},
      {"P.DO. sorts by its field first",
       Qbe({"Guests | Name | Age", "       | P.   | P.DO., <40"}),
       R"(SELECT DISTINCT "q/1"."Name", "q/1"."Age" )" + g + R"( WHERE "q/1"."Age" < :v1 ORDER BY 2 DESC, 1)",
       {"Int:40"},
       {"Ann|34", "ann|34", "O\"Hara|29", "Di|7"}},
      {"P.AO. sorts by its field first",
       Qbe({"| Tables | No | Host | Room  |", "|        | P. | P.   | P.AO. |"}),
       R"(SELECT DISTINCT "q/1"."No", "q/1"."Host", "q/1"."Room" FROM "Tables.db" AS "q/1" ORDER BY 3, 1, 2)",
       {},
       {"4|Zed|Attic", "2|Bo|Garden", "1|Ann|Hall", "3|Di|Hall"}},
      {"whole numbers of three sizes",
       Qbe({"Guests | Name | Age | Seat | Party", "       | P.   | 34  | 2    | 2"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g +
           R"( WHERE "q/1"."Age" = :v1 AND "q/1"."Seat" = :v2 AND "q/1"."Party" = :v3 ORDER BY 1)",
       {"Int:34", "Int:2", "Int:2"},
       {"ann"}},
      {"a Boolean and a float",
       Qbe({"Guests | Name | Rsvp | Distance", "       | P.   | true | >=1e2"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Rsvp" = :v1 AND "q/1"."Distance" >= :v2 ORDER BY 1)",
       {"Int:1", "Real:100"},
       {"ann"}},
      {"currency and packed decimal",
       Qbe({"Guests | Name | Gift | Share", "       | P.   | >=50 | <2.0"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Gift" >= :v1 AND "q/1"."Share" < :v2 ORDER BY 1)",
       {"Real:50", "Real:2"},
       {"Ann"}},
      {"a date as the system writes it",
       Qbe({"Guests | Name | Born", "       | P.   | <1/1/1980"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Born" < :v1 ORDER BY 1)",
       {"Text:1980-01-01"},
       {"'); DROP TABLE Guests; --", "Ève"}},
      {"a date as the file holds it, and a time on a twelve-hour clock",
       Qbe({"Guests | Name | Born       | Arrives", "       | P.   | 1990-02-03 | 2:30 pm"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Born" = :v1 AND "q/1"."Arrives" = :v2 ORDER BY 1)",
       {"Text:1990-02-03", "Text:14:30:00"},
       {"Ann"}},
      {"a timestamp from a date alone",
       Qbe({"Guests | Name | Replied", "       | P.   | >=5/2/2024"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE "q/1"."Replied" >= :v1 ORDER BY 1)",
       {"Text:2024-05-02 00:00:00"},
       {"Bo", "Ève"}},
      {"a memo by pattern",
       Qbe({"Guests | Name | Notes", "       | P.   | NO*"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g + R"( WHERE lower("q/1"."Notes") LIKE lower(:v1) ESCAPE '\' ORDER BY 1)",
       {"Text:NO%"},
       {"Cy"}},
      {"a graphic, a field with a blank in its name and the numbered field",
       Qbe({"Guests | Name | LAST NAME | Photo     | Id", "       | P.   | Berg      | NOT BLANK | <3"}),
       R"(SELECT DISTINCT "q/1"."Name" )" + g +
           R"( WHERE "q/1"."Last Name" = :v1 AND "q/1"."Photo" IS NOT NULL AND "q/1"."Id" < :v2 ORDER BY 1)",
       {"Text:Berg", "Int:3"},
       {"Ann"}},
  };
  return cases;
}

}  // namespace qbetest
