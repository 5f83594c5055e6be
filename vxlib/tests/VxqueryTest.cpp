// The query, stored procedure and query-by-example datasets, on real tables.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "Database.h"
#include "Files.h"
#include "FormReader.h"
#include "Scope.h"
#include "ScriptedMessages.h"
#include "Vxquery.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace {

using Texts = std::vector<std::string>;

class Queries : public ::testing::Test {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"Phone", ORVEX_FT_STRING, 12},
                       {"EventID", ORVEX_FT_INTEGER}},
                      {{1}});
    vxtest::MakeTable(dir.Path(), "events.db", {{"EventID", ORVEX_FT_INTEGER}, {"Title", ORVEX_FT_STRING, 20}}, {{1}});
    auto t = std::make_unique<TvxTable>(nullptr);
    t->SetDatabaseName(dir.Path());
    t->SetTableName("guests.db");
    t->Open();
    int id = 0;
    for (const char* name : {"Ann", "Bob", "Cy", "Di"}) {
      t->Append();
      t->FieldByName("ID")->SetAsInteger(++id);
      t->FieldByName("Name")->SetAsString(name);
      t->FieldByName("EventID")->SetAsInteger(id % 2 + 1);
      t->FieldByName("Phone")->SetAsString(std::to_string(id * 11));
      t->Post();
    }
    t->Close();
    t->SetTableName("events.db");
    t->Open();
    for (const char* title : {"Wedding", "Dinner"}) {
      t->Append();
      t->FieldByName("EventID")->SetAsInteger(t->RecordCount() + 1);
      t->FieldByName("Title")->SetAsString(title);
      t->Post();
    }
  }

  std::unique_ptr<TvxQuery> Query(const std::string& sql, bool live = false) {
    auto q = std::make_unique<TvxQuery>(nullptr);
    q->SetDatabaseName(dir.Path());
    q->SQL()->SetText(sql);
    q->SetRequestLive(live);
    return q;
  }

  static Texts Names(TDataSet* d) {
    Texts names;
    for (d->First(); !d->Eof(); d->Next()) names.push_back(d->FieldByName("Name")->AsString());
    return names;
  }

  test::TempDir dir;
};

TEST_F(Queries, ALiveQueryChecksPictureMasksBeforePosting) {
  auto q = Query("SELECT * FROM guests", true);
  q->PictureMasks()->Add("Phone\t###-####");
  q->Open();
  q->Edit();
  q->FieldByName("Phone")->SetAsString("12x");
  EXPECT_THROW(q->Post(), EDatabaseError);
  EXPECT_EQ(q->State(), dsEdit);
  q->SetValidateWithMask(false);
  q->Post();
  EXPECT_EQ(q->FieldByName("Phone")->AsString(), "12x");
}

TEST_F(Queries, OnFilterIsInstalledOnceOpenAndRemovedWithNothing) {
  auto odd = [](TvxQuery* q, bool& accept) { accept = q->vxFilterField("ID")->AsInteger() % 2 == 1; };
  auto q = Query("SELECT * FROM guests ORDER BY ID");
  q->SetOnFilter(odd);  // closed: the callback waits for the cursor
  EXPECT_FALSE(q->IsSequenced());
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Ann", "Cy"}));
  q->SetOnFilter(nullptr);
  EXPECT_EQ(Names(q.get()), (Texts{"Ann", "Bob", "Cy", "Di"}));
  q->SetOnFilter(odd);  // open: at once
  EXPECT_EQ(Names(q.get()), (Texts{"Ann", "Cy"}));
  q->Close();
  q->Open();  // a new cursor gets the callback again
  EXPECT_EQ(Names(q.get()), (Texts{"Ann", "Cy"}));
}

TEST_F(Queries, ALiveQueryWithAWhereClauseCannotFilterAndSaysWhy) {
  test::ScriptedMessages s;
  auto q = Query("SELECT * FROM guests WHERE ID > 1", true);
  q->Open();
  q->SetOnFilter([](TvxQuery*, bool& accept) { accept = false; });
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_EQ(s->Requests[0].Text,
            "Local filtering is not supported on a Live-Query which contains a Where clause in the SQL string. To "
            "perform a local filter on this query, you will need to set its RequestLive property to False.");
  EXPECT_EQ(Names(q.get()), (Texts{"Bob", "Cy", "Di"}));
}

TEST_F(Queries, AStoredProcedureFiltersEvenWithTheTestSwitchedOff) {
  std::ofstream(dir.Path() + "/everyone.sql") << "SELECT * FROM guests ORDER BY ID";
  auto p = std::make_unique<TvxStoredProc>(nullptr);
  p->SetDatabaseName(dir.Path());
  p->SetStoredProcName("everyone");
  p->SetOnFilterOptions({ofoShowHourGlass});
  p->SetOnFilter([](TvxStoredProc* sp, bool& accept) { accept = sp->vxFilterField("Name")->AsString() != "Bob"; });
  p->Open();
  EXPECT_EQ(Names(p.get()), (Texts{"Ann", "Cy", "Di"}));
}

TEST_F(Queries, LookupFieldsOnAQueryKeepTheirHiddenTablesUntilTheQueryGoes) {
  auto q = Query("SELECT * FROM guests ORDER BY ID");
  q->FieldDefs()->Update();
  for (int i = 0; i < q->FieldDefs()->Count(); ++i) q->FieldDefs()->Items(i)->CreateField(q.get());
  auto* title = new TStringField(q.get());
  title->SetFieldName("Event");
  title->SetSize(20);
  title->SetCalculated(true);
  title->SetDataSet(q.get());
  q->LookupFields()->Add("Event;" + dir.Path() + ";events.db;Title;");
  q->LookupLinks()->Add("EventID;EventID");
  q->Open();
  Texts titles;
  for (q->First(); !q->Eof(); q->Next()) titles.push_back(title->AsString());
  EXPECT_EQ(titles, (Texts{"Dinner", "Wedding", "Dinner", "Wedding"}));
  q->Close();
  EXPECT_EQ(q->LookupTables().size(), 1u);
  EXPECT_EQ(q->LookupTables()[0]->Owner(), q.get());
  q->FreeLookupTables();
  EXPECT_TRUE(q->LookupTables().empty());

  // A key that does not convert raises out of the lookup: the hidden table,
  // which the query keeps, is out of its exact-range mode all the same.
  q->LookupLinks()->SetStrings(0, "Name;EventID");
  EXPECT_THROW(q->Open(), EVariantError);
  ASSERT_EQ(q->LookupTables().size(), 1u);
  EXPECT_FALSE(q->LookupTables()[0]->ExactRangeMode());
}

TEST_F(Queries, FormFilesSetThePublishedPropertiesAndTheLibraryFindsThemByName) {
  auto form = std::make_unique<TComponent>(nullptr);
  const std::string text =
      "object Form: TComponent\n"
      "  object Keeper: TComponent\n"
      "  end\n"
      "  object Guests: TvxQuery\n"
      "    DatabaseName = '" +
      dir.Path() +
      "'\n"
      "    SQL.Strings = ('SELECT * FROM guests')\n"
      "    ValidateWithMask = False\n"
      "    PictureMasks.Strings = ('Phone'#9'###-####'#9'T'#9'T')\n"
      "  end\n"
      "  object Everyone: TvxStoredProc\n"
      "    ControlType.Strings = ('Name;CustomEdit;NameEdit')\n"
      "  end\n"
      "  object Ask: TvxQBE\n"
      "    QBE.Strings = ('Query' '' 'guests | Name' '       | P.')\n"
      "    AnswerTable = 'kept.db'\n"
      "    AuxiliaryTables = False\n"
      "    UpdateObject = Keeper\n"
      "    LookupFields.Strings = ('Event;x;events.db;Title;')\n"
      "    LookupLinks.Strings = ('EventID;EventID')\n"
      "  end\n"
      "end\n";
  ReadComponentText(form.get(), text, "queries.dfm");
  auto* q = dynamic_cast<TvxQuery*>(form->FindComponent("Guests"));
  auto* p = dynamic_cast<TvxStoredProc*>(form->FindComponent("Everyone"));
  auto* b = dynamic_cast<TvxQBE*>(form->FindComponent("Ask"));
  ASSERT_TRUE(q && p && b);
  EXPECT_FALSE(vxGetValidateWithMask(q));
  EXPECT_TRUE(vxGetValidateWithMask(p));
  EXPECT_FALSE(vxGetValidateWithMask(b));  // it has none
  EXPECT_EQ(vxGetPictureMasks(q)->Strings(0), "Phone\t###-####\tT\tT");
  EXPECT_EQ(vxGetControlType(p)->Strings(0), "Name;CustomEdit;NameEdit");
  EXPECT_EQ(vxGetLookupLinks(b)->Strings(0), "EventID;EventID");
  EXPECT_EQ(b->QBE()->Count(), 4);
  EXPECT_EQ(b->AnswerTable(), "kept.db");
  EXPECT_FALSE(b->AuxiliaryTables());
  EXPECT_TRUE(b->BlankAsZero());
  EXPECT_EQ(b->UpdateObject(), form->FindComponent("Keeper"));
  for (TDataSet* d : std::initializer_list<TDataSet*>{q, p, b}) {
    EXPECT_TRUE(vxDataSet(d)) << d->Name();
    EXPECT_EQ(vxGetOnFilterOptions(d), (TvxOnFilterOptions{ofoEnabled, ofoShowHourGlass})) << d->Name();
    ASSERT_NE(vxDataSetLookupTables(d), nullptr);
  }
  delete form->FindComponent("Keeper");
  EXPECT_EQ(b->UpdateObject(), nullptr);
}

// ---------------------------------------------------------------- query by example

class QBE : public Queries {
protected:
  std::unique_ptr<TvxQBE> Qbe(const std::string& cells) {
    auto q = std::make_unique<TvxQBE>(nullptr);
    q->SetDatabaseName(dir.Path());
    q->QBE()->SetText(Text(cells));
    return q;
  }
  // A text on the guests, ordered by their numbers.
  static std::string Text(const std::string& cells) {
    return "Query\r\n\r\nguests | ID    | Name | Phone\r\n       | P.AO. | " + cells + "\r\n";
  }
  std::unique_ptr<TvxTable> Table(const std::string& name) {
    auto t = std::make_unique<TvxTable>(nullptr);
    t->SetDatabaseName(dir.Path());
    t->SetTableName(name);
    t->Open();
    return t;
  }
};

TEST_F(QBE, ParametersPutIntoTheText) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> params;
    Texts names;
  } cases[] = {
      {"a set parameter", {{"phone", "22"}}, {"Bob"}},
      {"a reference never set is a blank", {}, {"Ann", "Bob", "Cy", "Di"}},
      {"the one set later wins where both names match", {{"phon", "33"}, {"phone", "44"}}, {"Di"}},
      {"set the other way the shorter name takes its part", {{"phone", "44"}, {"phon", "3"}}, {}},
      {"a value holding its own reference", {{"phone", "~phone"}}, {"Ann", "Bob", "Cy", "Di"}},
      {"names without regard to case; values as they stand", {{"PHONE", "11 OR 22"}}, {"Ann", "Bob"}},
  };
  for (const Case& c : cases) {
    auto q = Qbe("P. | ~phone");
    for (const auto& [name, value] : c.params) q->SetParam(name, value);
    q->Open();
    EXPECT_EQ(Names(q.get()), c.names) << c.what;
    for (const auto& [name, value] : c.params) EXPECT_EQ(q->GetParam(name), value) << c.what;  // kept as given
  }
}

TEST_F(QBE, ALongLineKeepsWhatFollowsAReference) {
  auto q = Qbe("~shown" + std::string(300, ' ') + "| 22");
  q->SetParam("shown", "P.");
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Bob"}));
}

// The engine's desktop tables have no passwords; a run that asks for one
// stands in for a protected table.
class TProtectedQBE : public TvxQBE {
public:
  using TvxQBE::TvxQBE;
  int Refusals = 0;
  OrvexResult PerformQuery(hOrvexCursor& Cursor) override {
    Cursor = 0;
    if (Session().Passwords().empty()) {
      ++Refusals;
      return ORVEX_ERR_PASSWORDTABLE;
    }
    return TvxQBE::PerformQuery(Cursor);
  }
};

TEST_F(QBE, APasswordIsAskedForUntilOneIsGivenOrTheUserCancels) {
  TScopeExit forget([] {
    Session().RemoveAllPasswords();
    Session().PasswordPrompt = nullptr;
  });
  std::deque<std::string> typed = {"", "secret"};  // cancelled, then given
  int asked = 0;
  Session().PasswordPrompt = [&](std::string& password) {
    ++asked;
    password = typed.front();
    typed.pop_front();
    return !password.empty();
  };
  auto q = std::make_unique<TProtectedQBE>(nullptr);
  q->SetDatabaseName(dir.Path());
  q->QBE()->SetText(Text("P. | 22"));
  EXPECT_THROW(q->Open(), EDatabaseError);  // no cursor once the user cancels
  EXPECT_FALSE(q->Active());
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Bob"}));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(q->Refusals, 2);
}

TEST_F(QBE, ValuesAreConvertedOnACopyEachRun) {
  auto q = Qbe("P. | ~who");
  q->SetParam("who", "11");
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Ann"}));
  q->SetParam("who", "33");
  q->Close();
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Cy"}));
  EXPECT_EQ(q->GetParam("who"), "33");
  q->ClearParams();
  EXPECT_EQ(q->GetParam("who"), "");
}

TEST_F(QBE, NewLinesRunAtOnceOnAnOpenDataSet) {
  auto q = Qbe("P. | 11");
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Ann"}));
  auto lines = std::make_unique<TStringList>();
  lines->SetText(Text("P. | 44"));
  q->SetQBE(lines.get());
  EXPECT_TRUE(q->Active());
  EXPECT_EQ(Names(q.get()), (Texts{"Di"}));
}

TEST_F(QBE, AQueryThatDeletesLeavesTheDataSetClosedWithoutAnError) {
  auto q = std::make_unique<TvxQBE>(nullptr);
  q->SetDatabaseName(dir.Path());
  q->QBE()->SetText("Query\r\n\r\nguests | Name\r\nD.     | Bob\r\n");
  bool afterOpen = false;
  q->AfterOpen = [&](TDataSet*) { afterOpen = true; };
  EXPECT_NO_THROW(q->Open());
  EXPECT_FALSE(q->Active());
  EXPECT_FALSE(afterOpen);
  EXPECT_EQ(Names(Table("guests.db").get()), (Texts{"Ann", "Cy", "Di"}));
  q->Close();  // nothing to close
}

TEST_F(QBE, ASyntaxErrorSaysWhatTheEngineFound) {
  auto q = std::make_unique<TvxQBE>(nullptr);
  q->SetDatabaseName(dir.Path());
  q->QBE()->SetText("Query\r\n\r\nguests | Nobody\r\n | P.\r\n");
  try {
    q->Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Error creating cursor handle: "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Nobody"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(q->Active());
}

TEST_F(QBE, AnswersKeptAsTables) {
  test::ScriptedMessages s;
  TConfigModeScope mode(Session(), cfmSession);
  Session().AddStandardAlias("Party", dir.Path(), "KALMURE");
  TScopeExit drop([] { Session().DeleteAlias("Party"); });
  EXPECT_EQ(vxGetAlias("Party"), dir.Path());
  EXPECT_EQ(vxGetAlias("Nowhere"), "");

  struct Case {
    std::string answer, file;
  } cases[] = {{"kept.db", "kept.db"}, {":Party:aliased.db", "aliased.db"}};
  for (const Case& c : cases) {
    auto q = Qbe("P. | ");
    q->SetAnswerTable(c.answer);
    q->Open();
    EXPECT_EQ(Names(q.get()), (Texts{"Ann", "Bob", "Cy", "Di"})) << c.answer;
    q->Close();
    EXPECT_EQ(Names(Table(c.file).get()), (Texts{"Ann", "Bob", "Cy", "Di"})) << c.answer;
  }
  EXPECT_TRUE(s->Requests.empty());

  auto q = Qbe("P. | 33");
  q->SetAnswerTable(":Nowhere:lost.db");
  q->Open();  // the answer shows all the same
  EXPECT_EQ(Names(q.get()), (Texts{"Cy"}));
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_EQ(s->Requests[0].Text, "Invalid Alias in QBE");
  q->Close();
  EXPECT_FALSE(q->SaveAnswerTable(""));
}

TEST_F(QBE, AnAnswerForAnotherFileSystemIsCopiedAndAFailedCopySaysSo) {
  struct stat here {
  }, there{};
  if (::stat(dir.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no second file system to copy to";
  test::ScriptedMessages s;
  const std::string away = "/dev/shm/vxqbe-" + std::to_string(::getpid());
  ForceDirectories(away);
  TScopeExit remove([&away] { std::filesystem::remove_all(away); });
  auto q = Qbe("P. | 33");
  q->SetAnswerTable(away + "/kept.db");
  q->Open();
  EXPECT_EQ(Names(q.get()), (Texts{"Cy"}));
  auto kept = std::make_unique<TvxTable>(nullptr);
  kept->SetDatabaseName(away);
  kept->SetTableName("kept.db");
  kept->Open();
  EXPECT_EQ(Names(kept.get()), (Texts{"Cy"}));

  EXPECT_TRUE(s->Requests.empty());

  EXPECT_FALSE(q->SaveAnswerTable(away + "/kept.db"));  // open, so not replaced
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_EQ(s->Requests[0].Text, "Unable to create answer table " + away + "/kept.db");
  EXPECT_EQ(Names(kept.get()), (Texts{"Cy"}));
  // A directory that is not there: the engine's own words and the name.
  EXPECT_FALSE(q->SaveAnswerTable(away + "/missing/lost.db"));
  ASSERT_EQ(s->Requests.size(), 2u);
  EXPECT_NE(s->Requests[1].Text.find("(" + away + "/missing/lost.db)"), std::string::npos);
}

TEST_F(QBE, FilteringACursorTheEngineNoLongerHasSaysSo) {
  test::ScriptedMessages s;
  auto q = Qbe("P. | ");
  q->Open();
  q->SetOnFilter([](TvxQBE* d, bool& accept) { accept = d->vxFilterField("Name")->AsString() != "Ann"; });
  EXPECT_EQ(Names(q.get()), (Texts{"Bob", "Cy", "Di"}));
  EXPECT_FALSE(q->IsSequenced());
  hOrvexCursor cursor = q->Handle();
  NuboCloseCursor(&cursor);  // closed under the dataset
  q->SetOnFilter([](TvxQBE*, bool& accept) { accept = false; });
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_EQ(s->Requests[0].Text, "Local Filtering is not supported on this QBE.");
}

}  // namespace
