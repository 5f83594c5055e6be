// Ostrel, the seating planner: the application and its four forms, the main
// window first, then the message loop until the main window closes.
#include "Abort.h"
#include "Database.h"
#include "EngineLib.h"
#include "Files.h"
#include "Forms.h"
#include "NewData.h"
#include "Registry.h"
#include "Seating.h"
#include "Unit3.h"

using namespace ostrel;

int WinMain() {
  try {
    fw::Application->Initialize();
    fw::Application->SetTitle("Velloria Seating");
    fw::Application->SetHelpFile("Seating.hlp");
    fw::Application->CreateForm(Form1);
    fw::Application->CreateForm(AbortPrinting);
    fw::Application->CreateForm(Form3);
    fw::Application->CreateForm(NewDataForm);
    fw::Application->Run();
  } catch (const fw::Exception& e) {
    fw::Application->ShowException(e);
  }
  return 0;
}

int main(int argc, char** argv) {
  fw::SetCommandLine(argc, argv);
  // Where the engine's library and its configuration file are, as its registry key says.
  fw::TEngineLib::SetPathHook([] { return fw::ReadEngineSetting("DLLPATH"); });
  fw::TSession::SetConfigFileHook([] { return fw::ReadEngineSetting("CONFIGFILE01"); });
  return WinMain();
}
