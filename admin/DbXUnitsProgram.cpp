// The program's own top-level units start beside the window, whose dialogs
// the configuration nodes show.
#include "DbXCfg.h"
#include "DbXUnits.h"
#include "Expldb.h"
#include "Scope.h"

namespace dbx {

void StartAdministratorUnits() {
  StartModelUnits();
  fw::TScopeFail stop(StopModelUnits);
  // "Databases" first, "Configuration" second: the order of the root's tabs.
  InitExpldb();
  InitDbXCfg();
}

void StopAdministratorUnits() { StopModelUnits(); }

}  // namespace dbx
