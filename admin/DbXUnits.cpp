#include "DbXUnits.h"

#include "DbExplif.h"
#include "DbXCtrl.h"
#include "Scope.h"

namespace dbx {

void StartAdministratorUnits() {
  InitDbExplif();
  fw::TScopeFail stop(StopAdministratorUnits);
  InitDbXCtrl();
}

void StopAdministratorUnits() {
  DoneDbXCtrl();
  DoneDbExplif();
}

}  // namespace dbx
