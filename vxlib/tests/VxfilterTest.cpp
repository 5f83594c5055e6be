#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FormatSettings.h"
#include "Forms.h"
#include "Scope.h"
#include "ScriptedMessages.h"
#include "StdCtrls.h"
#include "Text.h"
#include "UiTest.h"
#include "Vxfilter.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace {

// The bytes of a descriptor, written from its parts as the format lays them out.
struct Descriptor {
  std::vector<std::uint8_t> Bytes;
  void U16(unsigned v) {
    Bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    Bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(unsigned v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  Descriptor& Header(unsigned total, unsigned nodes) {
    U16(1);
    U16(total);
    U16(nodes);
    U16(10);
    U16(10 + 14 * nodes);
    return *this;
  }
  Descriptor& Binary(unsigned op, unsigned left, unsigned right) {
    U32(2);
    U32(op);
    U16(left);
    U16(right);
    U16(0);
    return *this;
  }
  Descriptor& Field(unsigned ordinal, unsigned nameAt) {
    U32(4);
    U32(13);
    U16(ordinal);
    U16(nameAt);
    U16(0);
    return *this;
  }
  Descriptor& Constant(unsigned type, unsigned size, unsigned valueAt) {
    U32(5);
    U32(14);
    U16(type);
    U16(size);
    U16(valueAt);
    return *this;
  }
  Descriptor& Text(const std::string& s) {
    Bytes.insert(Bytes.end(), s.begin(), s.end());
    Bytes.push_back(0);
    return *this;
  }
  Descriptor& Int32(std::int32_t v) {
    U32(static_cast<unsigned>(v));
    return *this;
  }
};

// A guest table with a field of each kind the compiler types, and records
// whose IDs the filters below are checked by.
class Filters : public ::testing::Test {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_AUTOINC},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"Last Name", ORVEX_FT_STRING, 20},
                       {"Age", ORVEX_FT_INTEGER},
                       {"Seats", ORVEX_FT_SMALLINT},
                       {"Amount", ORVEX_FT_FLOAT},
                       {"Born", ORVEX_FT_DATE},
                       {"Arrives", ORVEX_FT_TIME},
                       {"Booked", ORVEX_FT_DATETIME},
                       {"Married", ORVEX_FT_BOOLEAN},
                       {"Notes", ORVEX_FT_MEMO},
                       {"Remark", ORVEX_FT_STRING, 120}},
                      {{1}});
    table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    table->Open();
    Add("Ann", "Smith", 34, 2, 10.5, "3/4/1990", "18:30", "5/6/2024 18:30", true, "vegetarian");
    Add("Bob", "Jones", 25, 1, 3, "1/2/1999", "19:00", "5/6/2024 19:00", false, "");
    Add("Cid", "Smith", 30, 4, 12.25, "12/24/1994", "17:45", "5/7/2024 9:00", true, "");
    Add("Dee", "Brown", 52, 2, 0, "7/1/1972", "18:00", "5/8/2024 12:15", false, "late");
    Add("Eve", "Jones", 19, 1, 7.75, "2/2/2005", "20:15", "5/6/2024 20:15", false, "");
    Add("Fay", "", 35, 3, 10.5, "", "", "", true, "");
    table->Edit();
    table->FieldByName("Remark")->SetAsString(std::string(100, 'r'));
    table->Post();
    table->First();
  }

  void Add(const std::string& name, const std::string& last, int age, int seats, double amount,
           const std::string& born, const std::string& arrives, const std::string& booked, bool married,
           const std::string& notes) {
    table->Append();
    table->FieldByName("Name")->SetAsString(name);
    if (!last.empty()) table->FieldByName("Last Name")->SetAsString(last);
    table->FieldByName("Age")->SetAsInteger(age);
    table->FieldByName("Seats")->SetAsInteger(seats);
    table->FieldByName("Amount")->SetAsFloat(amount);
    if (!born.empty()) table->FieldByName("Born")->SetAsString(born);
    if (!arrives.empty()) table->FieldByName("Arrives")->SetAsString(arrives);
    if (!booked.empty()) table->FieldByName("Booked")->SetAsString(booked);
    table->FieldByName("Married")->SetAsBoolean(married);
    if (!notes.empty()) table->FieldByName("Notes")->SetAsString(notes);
    table->Post();
  }

  // The names of the records the table shows, in order.
  std::string Shown() {
    std::string names;
    table->First();
    while (!table->Eof()) {
      names += (names.empty() ? "" : " ") + table->FieldByName("Name")->AsString();
      table->Next();
    }
    return names;
  }

  TRestoreScope<TFormatSettings> us{FormatSettings, UsFormatSettings()};
  test::TempDir dir;
  test::ScriptedMessages messages;
  std::unique_ptr<TvxTable> table;
};

TEST_F(Filters, TheTwoDescriptorsByteForByte) {
  Descriptor one;
  one.Header(60, 3).Binary(5, 28, 14).Constant(6, 4, 4).Field(1, 0).Text("Age").Int32(30);
  EXPECT_EQ(vxCompileFilter("Age > 30", table.get()), one.Bytes);

  // Children after their parents, fields numbered in writing order.
  Descriptor two;
  two.Header(127, 7)
      .Binary(10, 56, 14)   // AND
      .Binary(5, 42, 28)    // Age > 30
      .Constant(6, 4, 15)   // 30
      .Field(2, 11)         // Age
      .Binary(3, 84, 70)    // Name = "Smith"
      .Constant(1, 6, 5)    // "Smith"
      .Field(1, 0)          // Name
      .Text("Name")
      .Text("Smith")
      .Text("Age")
      .Int32(30);
  EXPECT_EQ(vxCompileFilter("Name = \"Smith\" AND Age > 30", table.get()), two.Bytes);
}

// Offsets of a descriptor's parts, to look at one constant.
struct Parsed {
  std::vector<std::uint8_t> Bytes;
  OrvexFilterHeader Header;
  std::vector<OrvexFilterNode> Nodes;
  const std::uint8_t* Pool;
  explicit Parsed(std::vector<std::uint8_t> d) : Bytes(std::move(d)) {
    std::memcpy(&Header, Bytes.data(), sizeof Header);
    Nodes.resize(Header.nodeCount);
    std::memcpy(Nodes.data(), Bytes.data() + Header.nodeStart, Nodes.size() * sizeof(OrvexFilterNode));
    Pool = Bytes.data() + Header.literalStart;
  }
  // The root's right operand: the constant of "field op constant".
  const OrvexFilterNode& Constant() const { return Nodes[Nodes[0].arg[1] / 14]; }
  const OrvexFilterNode& Field() const { return Nodes[Nodes[0].arg[0] / 14]; }
};

TEST_F(Filters, ConstantsTakeTheirFieldsTypes) {
  // A name runs through its blank.
  Parsed last(vxCompileFilter("Last Name = \"Smith\"", table.get()));
  EXPECT_STREQ(reinterpret_cast<const char*>(last.Pool + last.Field().arg[1]), "Last Name");

  // Only a word beginning with T is True.
  for (const auto& [text, value] : std::vector<std::pair<std::string, unsigned>>{
           {"Yes", 0}, {"true", 0xFFFF}, {"T", 0xFFFF}, {"False", 0}, {"\"true\"", 0xFFFF}}) {
    Parsed p(vxCompileFilter("Married = " + text, table.get()));
    ASSERT_EQ(p.Constant().arg[0], ORVEX_FCONST_BOOLEAN) << text;
    std::uint16_t v;
    std::memcpy(&v, p.Pool + p.Constant().arg[2], 2);
    EXPECT_EQ(v, value) << text;
  }

  // A long text keeps every character: no cut at 64.
  const std::string hundred(100, 'x');
  Parsed p(vxCompileFilter("Remark = \"" + hundred + "\"", table.get()));
  EXPECT_EQ(p.Constant().arg[1], 101);
  EXPECT_EQ(reinterpret_cast<const char*>(p.Pool + p.Constant().arg[2]), hundred);

  struct Case {
    std::string expr;
    unsigned type, size;
  } cases[] = {
      {"Seats = 3", ORVEX_FCONST_INT16, 2},        {"Seats = 40000", ORVEX_FCONST_INT32, 4},
      {"Amount > 1.5", ORVEX_FCONST_FLOAT, 8},     {"Born < \"3/4/1990\"", ORVEX_FCONST_DATE, 4},
      {"Arrives > \"18:00\"", ORVEX_FCONST_TIME, 4},   {"Booked > \"5/6/2024 18:00\"", ORVEX_FCONST_TIMESTAMP, 8},
      {"ID > 2", 0, 0},  // a field type the table does not list: the operand is written as a field
  };
  for (const Case& c : cases) {
    Parsed q(vxCompileFilter(c.expr, table.get()));
    ASSERT_EQ(q.Header.nodeCount, 3) << c.expr;
    if (c.type == 0) {
      EXPECT_EQ(std::uint32_t{q.Constant().nodeClass}, std::uint32_t{ORVEX_FNODE_FIELD}) << c.expr;
      continue;
    }
    EXPECT_EQ(q.Constant().arg[0], c.type) << c.expr;
    EXPECT_EQ(q.Constant().arg[1], c.size) << c.expr;
  }
}

TEST_F(Filters, FaultsAndLimits) {
  EXPECT_TRUE(vxCompileFilter("Nmae = 5", table.get()).empty());
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Field not found in Table. \rNmae");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Warning);

  // Syntax faults fail silently.
  for (const char* expr : {"Age >", "(Age > 3", "Age > 3 AND", "= 3", "Name = \"open", "Age > ()"})
    EXPECT_TRUE(vxCompileFilter(expr, table.get()).empty()) << expr;
  EXPECT_EQ(messages->Requests.size(), 1u);

  // A failed conversion raises and leaves nothing behind for the next one.
  EXPECT_THROW(vxCompileFilter("Age > abc", table.get()), EConvertError);
  Descriptor one;
  one.Header(60, 3).Binary(5, 28, 14).Constant(6, 4, 4).Field(1, 0).Text("Age").Int32(30);
  EXPECT_EQ(vxCompileFilter("Age > 30", table.get()), one.Bytes);

  // Two hundred conditions: 799 nodes and their literals, far past a
  // thousand bytes of pool.
  std::string many;
  for (int i = 1; i <= 200; ++i) many += (i > 1 ? " AND Age <> " : "Age <> ") + std::to_string(i);
  Parsed p(vxCompileFilter(many, table.get()));
  EXPECT_EQ(p.Header.nodeCount, 799);
  EXPECT_EQ(p.Header.totalSize, 10 + 14 * 799 + 200 * (4 + 4));
  // What the descriptor's 65,535 bytes cannot hold is refused.
  std::string huge = "Remark = \"" + std::string(70000, 'y') + "\"";
  EXPECT_TRUE(vxCompileFilter(huge, table.get()).empty());
  std::string deep = std::string(2000, '(') + "Age" + std::string(2000, ')') + " > 1";
  EXPECT_TRUE(vxCompileFilter(deep, table.get()).empty());
  // A chain of conditions far past what a descriptor holds: refused while it
  // is read, before its tree grows too deep to walk.
  std::string endless = "Age <> 1";
  for (int i = 0; i < 400000; ++i) endless += " OR Age <> 1";
  EXPECT_TRUE(vxCompileFilter(endless, table.get()).empty());
}

TEST_F(Filters, ExpressionsKeepTheRightRecords) {
  struct Case {
    std::string expr, shown;
  } cases[] = {
      {"Age > 30", "Ann Dee Fay"},
      {"age >= 30 and Married = True", "Ann Cid Fay"},
      {"Name = \"Bob\" OR Name = \"Eve\"", "Bob Eve"},
      {"Last Name = \"Smith\"", "Ann Cid"},
      {"Last Name = \"\"", "Fay"},  // a blank text is the empty text
      {"Amount > 10.5", "Cid"},
      {"Amount = 10.5", "Ann Fay"},
      {"Seats >= 3", "Cid Fay"},
      {"Born < \"1/1/1991\"", "Ann Dee"},  // a blank date fails every comparison
      {"Arrives > \"18:30\"", "Bob Eve"},
      {"Booked < \"5/6/2024 19:30\"", "Ann Bob"},
      {"Married = Yes", "Bob Dee Eve"},
      // Arithmetic: the constant on the right of a field's operator takes
      // the field's type; a result is compared with a field.
      {"(Amount)*(4) > (Age)", "Ann Cid Eve Fay"},
      {"(Age)/(2)/(Seats) < (Amount)", "Ann Cid Fay"},  // left to right: (Age / 2) / Seats
      {"(Seats)+(Seats)*(2) < (Amount)", "Ann Cid Eve Fay"},  // * before +
      // AND and OR in one rank, left to right.
      {"Age < 20 OR Age > 50 AND Married = True", ""},
      {"Age > 50 AND Married = \"False\" OR Age < 20", "Dee Eve"},
      // A word runs on through blanks: the Boolean is "False OR Age", the rest ignored.
      {"Married = False OR Age < 20", "Bob Dee Eve"},
      {"Age > 30 AND (Name = \"Ann\" OR Name = \"Dee\")", "Ann Dee"},
      {"Age > 30 whatever follows", "Ann Dee Fay"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(table->setFilter(c.expr)) << c.expr;
    EXPECT_EQ(Shown(), c.shown) << c.expr;
  }
  EXPECT_TRUE(messages->Requests.empty());

  std::string many;
  for (int i = 1; i <= 200; ++i) many += (i > 1 ? " AND Age <> " : "Age <> ") + std::to_string(i + 20);
  ASSERT_TRUE(table->setFilter(many));
  EXPECT_EQ(Shown(), "Eve");
  ASSERT_TRUE(table->setFilter("Remark = \"" + std::string(100, 'r') + "\""));
  EXPECT_EQ(Shown(), "Fay");
  ASSERT_TRUE(table->setFilter(""));
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
}

}  // namespace

namespace {

std::vector<std::string> LinesOf(const TStrings* l) {
  std::vector<std::string> v;
  for (int i = 0; i < l->Count(); ++i) v.push_back(l->Strings(i));
  return v;
}

TEST_F(Filters, LinesJoinAndAFilterThatFailsKeepsTheOneInForce) {
  table->Close();
  for (const char* line : {"Age > 20", "", "Married = True  \t"}) table->vxFilter()->Add(line);
  table->Open();
  EXPECT_EQ(Shown(), "Ann Cid Fay");
  EXPECT_FALSE(table->IsSequenced());

  EXPECT_FALSE(table->setFilter("Age >"));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Fail to set filter");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Warning);
  EXPECT_FALSE(table->setFilter("Nmae = 3"));
  ASSERT_EQ(messages->Requests.size(), 3u);
  EXPECT_EQ(messages->Requests[1].Text, "Field not found in Table. \rNmae");
  EXPECT_EQ(messages->Requests[2].Text, "Fail to set filter");
  EXPECT_THROW(table->setFilter("Age > abc"), EConvertError);
  EXPECT_FALSE(table->setFilter("ID > 2"));  // the engine refuses it
  EXPECT_EQ(LinesOf(table->vxFilter()), (std::vector<std::string>{"Age > 20", "", "Married = True  \t"}));
  EXPECT_EQ(Shown(), "Ann Cid Fay");

  // New lines that do not compile are kept, and so is the filter in force.
  auto lines = std::make_unique<TStringList>();
  lines->Add("Age <");
  table->setFilterArray(lines.get());
  EXPECT_EQ(messages->Requests.back().Text, "Fail to set filter");
  EXPECT_EQ(LinesOf(table->vxFilter()), (std::vector<std::string>{"Age <"}));
  EXPECT_EQ(Shown(), "Ann Cid Fay");

  EXPECT_TRUE(table->setFilter("Age < 30"));
  EXPECT_EQ(LinesOf(table->vxFilter()), (std::vector<std::string>{"Age < 30"}));
  EXPECT_EQ(Shown(), "Bob Eve");
  EXPECT_EQ(table->GetFilterCount(), 2);
  // The lines go with the table to its next opening.
  table->Close();
  table->Open();
  EXPECT_EQ(Shown(), "Bob Eve");
  lines->Clear();
  table->setFilterArray(lines.get());
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
  EXPECT_TRUE(table->IsSequenced());
}

TEST_F(Filters, OnFilterOnOpenAndClosedTables) {
  auto young = [](TvxTable* t, bool& accept) { accept = t->vxFilterField("Age")->AsInteger() < 30; };
  table->Last();  // Fay, who does not pass
  table->SetOnFilter(young);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Eve");
  EXPECT_FALSE(table->IsSequenced());
  EXPECT_EQ(Shown(), "Bob Eve");
  EXPECT_EQ(table->GetFilterCount(), 2);
  // With lines: a record passes both.
  EXPECT_TRUE(table->setFilter("Married = False"));
  EXPECT_EQ(Shown(), "Bob Eve");
  EXPECT_TRUE(table->setFilter("Last Name = \"Jones\""));
  EXPECT_EQ(Shown(), "Bob Eve");
  EXPECT_TRUE(table->setFilter(""));

  table->SetOnFilter(nullptr);
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
  table->Close();
  table->SetOnFilter(young);
  table->Open();
  EXPECT_EQ(Shown(), "Bob Eve");

  // The test switched off shows every record; on again, it waits for a refresh.
  table->SetOnFilterOptions({ofoShowHourGlass});
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
  table->SetOnFilterOptions({ofoEnabled, ofoShowHourGlass});
  table->Refresh();
  EXPECT_EQ(Shown(), "Bob Eve");
}

TEST_F(Filters, FilterFieldGivesEachFieldsValueInTheRecordUnderTest) {
  struct Value {
    TFieldType type;
    bool null;
    std::string text;
  };
  std::map<std::string, std::vector<Value>> seen;
  const char* names[] = {"ID", "Name", "Last Name", "Age", "Seats", "Amount", "Born",
                         "Arrives", "Booked", "Married", "Notes", "Remark"};
  table->SetOnFilter([&](TvxTable* t, bool& accept) {
    for (const char* n : names) {
      TParam* p = t->vxFilterField(n);
      seen[n].push_back({p->DataType(), p->IsNull(), p->AsString()});
    }
    accept = true;
  });
  table->First();  // reads Ann
  ASSERT_FALSE(seen.empty());
  auto first = [&](const char* n) { return seen[n].front(); };
  struct Case {
    const char* name;
    TFieldType type;
    bool null;
    std::string text;
  } cases[] = {
      {"ID", ftInteger, false, "1"},  // an auto-increment value is an integer
      {"Name", ftString, false, "Ann"},
      {"Last Name", ftString, false, "Smith"},
      {"Age", ftInteger, false, "34"},
      {"Seats", ftSmallint, false, "2"},
      {"Amount", ftFloat, false, "10.5"},
      {"Born", ftDate, false, "3/4/1990"},
      {"Arrives", ftTime, false, "12/30/1899 6:30:00 PM"},  // a time: on day 0
      {"Booked", ftDateTime, false, "5/6/2024 6:30:00 PM"},
      {"Married", ftBoolean, false, "True"},
      {"Notes", ftMemo, false, "vegetarian"},
      {"Remark", ftString, true, ""},  // blank: Null, of the field's type
  };
  for (const Case& c : cases) {
    Value v = first(c.name);
    EXPECT_EQ(v.type, c.type) << c.name;
    EXPECT_EQ(v.null, c.null) << c.name;
    EXPECT_EQ(v.text, c.text) << c.name;
  }
  // Fay's blank date, while the current record is another.
  seen.clear();
  table->setFilter("Age = 35");
  ASSERT_FALSE(seen["Born"].empty());
  EXPECT_TRUE(seen["Born"].back().null);
  EXPECT_EQ(seen["Born"].back().type, ftDate);
  table->setFilter("");

  // A memo longer than the buffer ends within it, in whole characters.
  table->SetOnFilter(nullptr);
  table->First();
  table->Edit();
  const std::string e = "\xC3\xA9";  // é, two bytes
  std::string longNote;
  for (int i = 0; i < 20000; ++i) longNote += e;
  table->FieldByName("Notes")->SetAsString(longNote);
  table->Post();
  std::string got;
  table->SetOnFilter([&](TvxTable* t, bool& accept) {
    if (t->vxFilterField("ID")->AsInteger() == 1) got = t->vxFilterField("Notes")->AsString();
    accept = true;
  });
  table->First();
  EXPECT_EQ(got.size(), 0x7FFEu);
  EXPECT_EQ(got, longNote.substr(0, 0x7FFE));

  // Outside OnFilter, or for a field that is not there, it raises.
  EXPECT_THROW(table->vxFilterField("Name"), EDatabaseError);
  try {
    table->SetOnFilter([](TvxTable* t, bool& accept) { accept = t->vxFilterField("Nmae")->IsNull(); });
    ADD_FAILURE() << "no exception";
  } catch (const EDatabaseError& x) {
    EXPECT_EQ(std::string(x.what()), "Nmae: Field 'Nmae' not found");
  }
}

TEST_F(Filters, AnExceptionFromOnFilterReachesTheCaller) {
  table->SetOnFilter([](TvxTable* t, bool& accept) {
    if (t->vxFilterField("Name")->AsString() == "Dee") throw Exception("No seat for Dee");
    accept = true;
  });
  table->First();
  try {
    while (!table->Eof()) table->Next();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& x) {
    EXPECT_EQ(std::string(x.what()), "No seat for Dee");
  }
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Cid");  // where the read stopped
  table->SetOnFilter(nullptr);
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
}

TEST_F(Filters, TheHourGlassShowsOnceWhileRecordsAreRejected) {
  ASSERT_NE(Screen, nullptr);
  TPropertyScope<TScreen, TCursor> cursor(*Screen, &TScreen::Cursor, &TScreen::SetCursor, crDefault);
  // A filter that passes everything never shows it.
  int hourGlasses = 0;
  table->SetOnFilter([&](TvxTable*, bool& accept) {
    if (Screen->Cursor() == crHourGlass) ++hourGlasses;
    accept = true;
  });
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Eve Fay");
  EXPECT_EQ(hourGlasses, 0);
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // Rejecting: set at the first rejection and only then (it is taken away
  // here each time it shows), the arrow once the read is over.
  table->SetOnFilter([&](TvxTable* t, bool& accept) {
    if (Screen->Cursor() == crHourGlass) {
      ++hourGlasses;
      Screen->SetCursor(crDefault);
    }
    accept = t->vxFilterField("Name")->AsString() == "Fay";
  });
  table->First();
  EXPECT_EQ(Screen->Cursor(), crArrow);
  EXPECT_EQ(hourGlasses, 1);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Fay");
}

}  // namespace

namespace {

// Escape while a filter rejects record after record: a form with an edit
// gets the keys typed meanwhile.
class FilterEscape : public test::UiTest {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "many.db", {{"ID", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}}, {{1}});
    table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("many.db");
    table->Open();
    for (int i = 1; i <= 300; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Name")->SetAsString("Guest " + std::to_string(i));
      table->Post();
    }
    table->Close();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(100, 100, 200, 100);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->OnKeyDown = [this](TObject*, Word& k, TShiftState) { heard.push_back("down " + std::to_string(k)); };
    edit->OnKeyUp = [this](TObject*, Word& k, TShiftState) { heard.push_back("up " + std::to_string(k)); };
    ShowActive(form.get());
  }
  void Post(unsigned msg, Word key) { ASSERT_TRUE(PostMessage(edit->Handle(), msg, key, 1)); }
  int Count() {
    int n = 0;
    for (table->First(); !table->Eof(); table->Next()) ++n;
    return n;
  }

  test::TempDir dir;
  std::unique_ptr<TvxTable> table;
  std::unique_ptr<TForm> form;
  TEdit* edit = nullptr;
  std::vector<std::string> heard;
};

TEST_F(FilterEscape, EscapeStopsTheTestOnceAndOtherKeysStayInOrder) {
  int escapes = 0;
  bool rejectAll = false;
  table->OnFilterEscape = [&](TDataSet* d) {
    EXPECT_EQ(d, table.get());
    ++escapes;
  };
  table->SetOnFilter([&](TvxTable*, bool& accept) { accept = !rejectAll; });
  table->SetOnFilterOptions({ofoEnabled, ofoShowHourGlass, ofoCancelOnEscape});
  table->Open();  // one record read: too few for a look at the keys
  Post(WM_KEYDOWN, 'A');
  Post(WM_KEYUP, 'A');
  Post(WM_KEYDOWN, VK_ESCAPE);
  Post(WM_KEYUP, VK_ESCAPE);
  Post(WM_KEYDOWN, 'B');
  table->First();
  EXPECT_EQ(PeekKeyMessages().size(), 5u);
  EXPECT_EQ(escapes, 0);

  rejectAll = true;
  table->Refresh();
  table->First();  // every record rejected, until Escape
  EXPECT_EQ(escapes, 1);
  EXPECT_FALSE(table->OnFilterOptions().Contains(ofoEnabled));
  EXPECT_EQ(table->RecordCount(), 300);
  EXPECT_EQ(Count(), 300);
  std::vector<std::string> waiting;
  for (const TWaitingMessage& k : PeekKeyMessages()) waiting.push_back(std::to_string(k.Msg) + " " + std::to_string(k.WParam));
  const std::string down = std::to_string(WM_KEYDOWN), up = std::to_string(WM_KEYUP);
  EXPECT_EQ(waiting, (std::vector<std::string>{down + " 65", up + " 65", down + " 66"}));
  EXPECT_TRUE(heard.empty());
  EXPECT_TRUE(PumpUntil([this] { return heard.size() == 3; }));
  EXPECT_EQ(heard, (std::vector<std::string>{"down 65", "up 65", "down 66"}));
  EXPECT_EQ(escapes, 1);
}

}  // namespace

namespace {

TEST_F(Filters, AddedFiltersStackAndTheOptionsGoThroughTheProperty) {
  ASSERT_TRUE(table->setFilter("Age > 20"));
  table->Last();
  hNuboFilter added = 0;
  EXPECT_TRUE(vxAddFilter("Married = True", table.get(), added));
  EXPECT_NE(added, 0u);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Ann");  // the first record that passes both
  EXPECT_EQ(Shown(), "Ann Cid Fay");
  hNuboFilter refused = 0;
  EXPECT_FALSE(vxAddFilter("Married =", table.get(), refused));
  EXPECT_EQ(refused, 0u);
  vxRemoveFilter(table.get(), added);
  EXPECT_EQ(added, 0u);
  table->Refresh();
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Fay");

  // The options by the published property, as any library dataset has them.
  EXPECT_EQ(vxGetOnFilterOptions(table.get()), (TvxOnFilterOptions{ofoEnabled, ofoShowHourGlass}));
  table->SetOnFilter([](TvxTable* t, bool& accept) { accept = t->vxFilterField("Age")->AsInteger() < 30; });
  EXPECT_EQ(Shown(), "Bob");
  vxSetOnFilterEnabled(table.get(), false);
  EXPECT_EQ(table->OnFilterOptions(), TvxOnFilterOptions{ofoShowHourGlass});
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Fay");
  vxSetOnFilterEnabled(table.get(), true);
  table->Refresh();
  EXPECT_EQ(Shown(), "Bob");
  EXPECT_TRUE(vxGetOnFilterOptions(nullptr).Empty());

  // The stored procedure's callback tests every record, switched off or not.
  hNuboFilter plain = 0;
  table->SetOnFilter(nullptr);
  table->SetOnFilterOptions({});
  TScopeExit restore([&] { table->SetOnFilterOptions({ofoEnabled, ofoShowHourGlass}); });
  auto keep = [](TvxTable* t, bool& accept) { accept = t->vxFilterField("Name")->AsString() != "Bob"; };
  table->SetOnFilter(keep);  // switched off: every record
  EXPECT_EQ(Shown(), "Ann Bob Cid Dee Fay");
  EXPECT_TRUE(vxSetFilterFunction(vxRecordFilterCallback(false), table.get(), plain));
  EXPECT_EQ(Shown(), "Ann Cid Dee Fay");
  vxRemoveFilter(table.get(), plain);
}

TEST_F(Filters, FieldValuesIntoAParameter) {
  std::vector<std::uint8_t> buffer(vxFilterValueBufferSize, 0xAA);
  auto param = std::make_unique<TParam>();
  struct Case {
    const char* field;
    std::string text;
  } cases[] = {{"Name", "Ann"},         {"Age", "34"},      {"Seats", "2"},
               {"Amount", "10.5"},      {"Born", "3/4/1990"}, {"Arrives", "12/30/1899 6:30:00 PM"},
               {"Married", "True"},     {"Notes", "vegetarian"}};
  for (const Case& c : cases) {
    TField* f = table->FieldByName(c.field);
    param->Clear();
    param->SetDataType(f->DataType());
    vxConvertFieldToParam(f, param.get(), buffer.data());
    EXPECT_EQ(param->AsString(), c.text) << c.field;
  }
  // A text longer than the buffer: whole characters and a NUL within it.
  table->Edit();
  std::string wide;
  for (int i = 0; i < 12000; ++i) wide += "\xE2\x82\xAC";  // three bytes each
  table->FieldByName("Notes")->SetAsString(wide);
  param->SetDataType(ftMemo);
  vxConvertFieldToParam(table->FieldByName("Notes"), param.get(), buffer.data());
  table->Cancel();
  EXPECT_EQ(param->AsString().size(), 0x7FFEu - 0x7FFEu % 3);
  EXPECT_EQ(param->AsString(), wide.substr(0, 0x7FFE - 0x7FFE % 3));
}

}  // namespace
