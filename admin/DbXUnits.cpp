#include "DbXUnits.h"

#include "DbExplif.h"
#include "DbXCtrl.h"

namespace dbx {

void StartAdministratorUnits() {
  InitDbExplif();
  try {
    InitDbXCtrl();
  } catch (...) {
    DoneDbXCtrl();
    DoneDbExplif();
    throw;
  }
}

void StopAdministratorUnits() {
  DoneDbXCtrl();
  DoneDbExplif();
}

}  // namespace dbx
