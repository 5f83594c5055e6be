#include "DbXUnits.h"

#include "DbExplif.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "Expldb.h"
#include "Scope.h"

namespace dbx {

void StartModelUnits() {
  InitDbExplif();
  fw::TScopeFail stop(StopModelUnits);
  InitDbXCtrl();
}

void StopModelUnits() {
  DoneDbXCtrl();
  DoneDbExplif();
}

void StartAdministratorUnits() {
  StartModelUnits();
  // "Databases" first, "Configuration" second: the order of the root's tabs.
  InitExpldb();
  InitDbXCfg();
}

void StopAdministratorUnits() { StopModelUnits(); }

}  // namespace dbx
