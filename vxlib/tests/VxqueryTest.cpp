// The query, stored procedure and query-by-example datasets, on real tables.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "Database.h"
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
                      {{"ID", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}, {"Phone", ORVEX_FT_STRING, 12},
                       {"EventID", ORVEX_FT_INTEGER}},
                      {{1}});
    vxtest::MakeTable(dir.Path(), "events.db", {{"EventID", ORVEX_FT_INTEGER}, {"Title", ORVEX_FT_STRING, 20}},
                      {{1}});
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
  TvxTable* hidden = q->LookupTables()[0];
  EXPECT_FALSE(hidden->ExactRangeMode());
  EXPECT_EQ(hidden->Owner(), q.get());
  q->FreeLookupTables();
  EXPECT_TRUE(q->LookupTables().empty());
}

}  // namespace
