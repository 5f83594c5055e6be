// config-probe ALIAS: a new process of the planner's tools, as the
// configuration tests need one. It finds the engine's configuration as the
// planner does (the registry's "CONFIGFILE01"), opens the sample tables
// through ALIAS and prints each one's record count, then makes a table with a
// case-insensitive index on names and prints its rows in index order, each
// name with a date as the session's date format writes it.
#include <cstdio>
#include <memory>

#include "Database.h"
#include "DateTime.h"
#include "EngineLib.h"
#include "Fields.h"
#include "Registry.h"
#include "Table.h"

using namespace fw;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: config-probe ALIAS\n");
    return 2;
  }
  TEngineLib::SetPathHook([] { return ReadEngineSetting("DLLPATH"); });
  TSession::SetConfigFileHook([] { return ReadEngineSetting("CONFIGFILE01"); });
  try {
    for (const char* name : {"GuestLst.db", "WedDat2.db"}) {
      auto t = std::make_unique<TTable>(nullptr);
      t->SetDatabaseName(argv[1]);
      t->SetTableName(name);
      t->Open();
      std::printf("%s %d\n", name, t->RecordCount());
    }
    auto probe = std::make_unique<TTable>(nullptr);
    probe->SetDatabaseName(argv[1]);
    probe->SetTableName("Probe");
    probe->FieldDefs()->Add("Name", ftString, 20);
    probe->FieldDefs()->Add("Day", ftDate);
    probe->IndexDefs()->Add("ByName", "Name", {ixCaseInsensitive});
    probe->CreateTable();
    probe->Open();
    for (const char* name : {"zed", "Édith", "Bob", "éclair", "alice"}) {
      probe->Append();
      probe->FieldByName("Name")->SetAsString(name);
      probe->FieldByName("Day")->SetAsDateTime(EncodeDate(2024, 3, 5));
      probe->Post();
    }
    probe->SetIndexName("ByName");
    for (probe->First(); !probe->Eof(); probe->Next())
      std::printf("%s %s\n", probe->FieldByName("Name")->AsString().c_str(),
                  probe->FieldByName("Day")->DisplayText().c_str());
    probe->Close();
    Session().DropConnections();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "config-probe: %s\n", e.what());
    return 1;
  }
  return 0;
}
