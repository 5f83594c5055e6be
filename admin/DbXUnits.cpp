#include "DbXUnits.h"

#include "DbExplif.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "Expldb.h"
#include "Scope.h"

namespace dbx {

void StartAdministratorUnits() {
  InitDbExplif();
  fw::TScopeFail stop(StopAdministratorUnits);
  InitDbXCtrl();
  InitExpldb();
  InitDbXCfg();
}

void StopAdministratorUnits() {
  DoneDbXCtrl();
  DoneDbExplif();
}

}  // namespace dbx
