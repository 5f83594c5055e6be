// Varkon, the engine administrator: the units start in their order, the
// input requests are answered from then on, and the main body runs.
#include "Database.h"
#include "DbXUnits.h"
#include "EngineLib.h"
#include "Files.h"
#include "Forms.h"
#include "InputReq.h"
#include "Registry.h"
#include "Scope.h"
#include "Varkon.h"

int main(int argc, char** argv) {
  fw::SetCommandLine(argc, argv);
  // Where the engine's library and its configuration file are, as its registry key says.
  fw::TEngineLib::SetPathHook([] { return fw::ReadEngineSetting("DLLPATH"); });
  fw::TSession::SetConfigFileHook([] { return fw::ReadEngineSetting("CONFIGFILE01"); });
  try {
    fw::Application->Initialize();
    dbx::StartAdministratorUnits();
    fw::TScopeExit stopUnits(dbx::StopAdministratorUnits);
    dbx::InitInputReq();
    fw::TScopeExit doneInputReq(dbx::DoneInputReq);
    dbx::RunAdministrator();
  } catch (const fw::EAbort&) {
    // The user has been told already; the caller still learns it failed.
    return 1;
  } catch (const fw::Exception& e) {
    fw::Application->ShowException(e);
    return 1;
  }
  return 0;
}
