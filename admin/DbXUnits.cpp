#include "DbXUnits.h"

#include "DbExplif.h"
#include "DbSchema.h"
#include "DbXCtrl.h"
#include "Scope.h"

namespace dbx {

void StartModelUnits() {
  InitDbExplif();
  fw::TScopeFail stop(StopModelUnits);
  InitDbXCtrl();
  InitDbSchema();
}

void StopModelUnits() {
  DoneDbSchema();
  DoneDbXCtrl();
  DoneDbExplif();
}

}  // namespace dbx
