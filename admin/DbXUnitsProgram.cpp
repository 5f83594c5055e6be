// The program's own top-level units start beside the window, whose dialogs
// the configuration nodes show.
#include "CfgFiles.h"
#include "CfgTools.h"
#include "DbEditors.h"
#include "DbXCfg.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "Expldb.h"
#include "Scope.h"

namespace dbx {

namespace {

// The window's questions answered for the aliases' trees.
class TDbSchemaQuestions : public TSchemaQuestions {
public:
  // The shipped property-definition text gives aliases no object sets, so
  // an open alias whose tree was read counts, sets or not.
  TExploreObject* OpenDatabase(TExploreObject* object) override {
    TDb* alias = OwningDb(object);
    return alias && alias->IsActive() && alias->Children().Loaded() ? alias : nullptr;
  }
  bool IsDatabaseRoot(TExploreObject* object) override { return dynamic_cast<TDb*>(object) != nullptr; }
  bool IsReference(TExploreObject* object) override { return dynamic_cast<TERefObject*>(object) != nullptr; }
};

}  // namespace

void StartAdministratorUnits() {
  StartModelUnits();
  fw::TScopeFail stop(StopModelUnits);
  // "Databases" first, "Configuration" second: the order of the root's tabs.
  InitExpldb();
  fw::TScopeFail done(DoneExpldb);
  InitDbXCfg();
  RegisterAliasEditors();
  RegisterVendorActions();
  RegisterDriverEditors();
  RegisterConfigFileActions();
  SetSchemaQuestions(std::make_unique<TDbSchemaQuestions>());
}

void StopAdministratorUnits() {
  SetSchemaQuestions(nullptr);
  DoneExpldb();
  StopModelUnits();
}

}  // namespace dbx
