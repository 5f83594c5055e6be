// An alias whose tree has one set, "Tables", filled from the table "Catalog"
// in the alias's folder; registered for "STANDARD" it gives the window's Data
// and SQL pages something to show. Include it in one file of a program.
#pragma once
#include <memory>
#include <string>

#include "DbSchema.h"
#include "Expldb.h"
#include "Table.h"

namespace dbx::testing {

class TTablesAlias : public TDb {
  FW_CLASS(TTablesAlias, TDb)
public:
  void LoadObjectRefs(TEObjectRefs& refs) override {
    if (!refs.Definition()) refs.Add("Tables", "Table", 0, rkOwned, 0, opData);
  }
  TEObjectDef* CreateObjectDef(const std::string& name) override {
    auto def = std::make_unique<TEObjectDef>(this, name, okDataset);
    def->AddProp("Name", "", 1, fw::ftString, PropertyClassOf<TEFieldProp>());
    def->KeyParts = {0};
    return Definitions().Add(std::move(def));
  }
  std::unique_ptr<fw::TDataSet> OpenObjectQuery(TEObjectSet&) override {
    auto catalog = std::make_unique<fw::TTable>(nullptr);
    catalog->SetDatabaseName(Name());
    catalog->SetTableName("Catalog");
    catalog->Open();
    return catalog;
  }
};
FW_IMPLEMENT_CLASS(TTablesAlias)

// The catalog of the folder, naming the tables given.
inline void MakeCatalog(const std::string& folder, std::initializer_list<const char*> tables) {
  auto catalog = std::make_unique<fw::TTable>(nullptr);
  catalog->SetDatabaseName(folder);
  catalog->SetTableName("Catalog");
  catalog->FieldDefs()->Add("Name", fw::ftString, 30);
  catalog->CreateTable();
  catalog->Open();
  for (const char* table : tables) {
    catalog->Append();
    catalog->FieldByName("Name")->SetAsString(table);
    catalog->Post();
  }
}

}  // namespace dbx::testing
