// Pictures given to CreateTable come back as the table's validity checks.
#include <cstddef>
#include <cstring>
#include <map>

#include "EngineFixture.h"
#include "EngineLib.h"

namespace fwtest {
namespace {

using Table = EngineTables;

TEST_F(Table, CreateTableStoresPicturesAsValidityChecks) {
  auto* t = new TTable(owner.get());
  t->SetDatabaseName(dir);
  t->SetTableName("Pictures.db");
  t->FieldDefs()->Add("Name", ftString, 20);
  t->FieldDefs()->Add("Zip", ftString, 10);
  t->FieldDefs()->Add("Phone", ftString, 14);
  t->CreateTable({{"phone", "(###)###-####"}, {"Zip", "#####[-####]"}});

  TEngineLib& e = Engine();
  hOrvexDb db = 0;
  ASSERT_EQ(e.OpenDatabase(dir.c_str(), nullptr, &db), ORVEX_OK);
  hOrvexCursor list = 0;
  ASSERT_EQ(e.OpenVchkList(db, "Pictures.db", "KALMURE", &list), ORVEX_OK);
  std::map<int, std::string> pictures;
  std::vector<char> rec(sizeof(OrvexVchkDesc) + 1, 0);
  while (e.GetNextRecord(list, 0, rec.data(), nullptr) == ORVEX_OK) {
    OrvexVchkDesc d;
    std::memcpy(&d, rec.data(), sizeof d);
    pictures[d.fieldNo] = rec.data() + offsetof(OrvexVchkDesc, picture);
  }
  e.CloseCursor(&list);
  e.CloseDatabase(&db);
  EXPECT_EQ(pictures, (std::map<int, std::string>{{2, "#####[-####]"}, {3, "(###)###-####"}}));

  // A picture for a field the table does not have is refused before the file is made.
  auto* bad = new TTable(owner.get());
  bad->SetDatabaseName(dir);
  bad->SetTableName("Bad.db");
  bad->FieldDefs()->Add("Name", ftString, 20);
  EXPECT_THROW(bad->CreateTable({{"Zip", "#####"}}), EDatabaseError);
  EXPECT_THROW(bad->Open(), EDBEngineError);
}

}  // namespace
}  // namespace fwtest
