#include "Varkon.h"

#include <cstring>
#include <vector>

#include "Database.h"
#include "DbEngErr.h"
#include "DbXCfg.h"
#include "DbXSettings.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "Forms.h"
#include "NuboDataSet.h"
#include "Registry.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TDbXVarkon)

namespace {

constexpr char kDefaultConfigValue[] = "CONFIGFILE01";

}  // namespace

std::string ReadDefaultConfigFile() { return ReadEngineSetting(kDefaultConfigValue); }

void WriteDefaultConfigFile(const std::string& Name) { WriteEngineSetting(kDefaultConfigValue, Name); }

std::string ReadActiveConfigFile() {
  Session().Open();
  OrvexHandle system = 0;
  Check(Engine().GetSysHandle(&system));
  // A path may be longer than any buffer guessed: the engine says how long.
  std::vector<char> buffer(100);
  std::uint16_t length = 0;
  OrvexResult r =
      Engine().GetProp(system, ORVEX_SYS_CFGFILE, buffer.data(), static_cast<std::uint16_t>(buffer.size()), &length);
  if (r == ORVEX_ERR_BUFFERSIZE) {
    buffer.assign(std::size_t{length} + 1, '\0');
    r = Engine().GetProp(system, ORVEX_SYS_CFGFILE, buffer.data(), static_cast<std::uint16_t>(buffer.size()), &length);
  }
  Check(r);
  return NativeToAnsi(std::string_view(buffer.data(), strnlen(buffer.data(), buffer.size())));
}

void NoticeDefaultConfigFile(const std::string& Active) {
  if (AnsiSameText(ReadDefaultConfigFile(), Active) && FileExists(Active)) return;
  ShowMessageBox("System configuration file not found.  System defaults are in use.", "File Not Found", MB_OK);
}

bool AskDefaultConfigFile() { return OfferDefaultConfigFile(ReadActiveConfigFile()); }

bool OfferDefaultConfigFile(const std::string& Active) {
  // Offering "nothing" as the default would lose the one the registry holds.
  if (Active.empty() || AnsiSameText(Active, ReadDefaultConfigFile())) return false;
  if (ShowMessageBox("Use " + Active + " as default configuration?", "Confirmation", MB_YESNO) != IDYES) return false;
  try {
    WriteDefaultConfigFile(Active);
    return true;
  } catch (const ERegistryException& e) {
    // The message loop has ended: nobody else would tell the user.
    ShowMessageBox("The default configuration was not changed.\n\n" + e.Message(), "Error", MB_OK | MB_ICONERROR);
    return false;
  }
}

bool VarkonHelp(unsigned Command, std::intptr_t Data, bool& CallHelp, const TWinHelpProc& WinHelp) {
  CallHelp = false;
  if (Command == HELP_CONTEXT && Data == 0) Command = HELP_FINDER;
  return WinHelp(Application->Handle(), Application->HelpFile(), Command, static_cast<std::uintptr_t>(Data));
}

bool VarkonHelpCallback(unsigned Command, std::intptr_t Data, bool& CallHelp) {
  return VarkonHelp(Command, Data, CallHelp, &fw::WinHelp);
}

TDbXVarkon* StartAdministrator() {
  Application->Handle();
  TDbXVarkon* root = TExploreObject::Create<TDbXVarkon>(nullptr);
  // Freeing the root frees the window bound to it.
  TScopeFail drop([root] { root->Release(lsReleased); });
  if (auto* databases = dynamic_cast<TDatabases*>(root->Children().Find(TDatabases::StaticClass(), "")))
    databases->SetViewModes(GetViewModes());
  ToolRegistryKey = "Software\\Tarvos\\Varkon\\1.0";

  TDbExplorerForm* form = nullptr;
  Application->CreateForm(form);
  root->SetForm(form);
  form->SetTextCommand(nullptr);
  for (TMenuItem* item :
       {form->MViewSystemData, form->MViewCompleteText, form->MViewEditText, form->MLargeIcons, form->MSmallIcons,
        form->MList, form->MDetail, form->MAutoArrange, form->N9, form->N8, form->MViewBlobs})
    item->SetVisible(false);
  form->SBViewBlobs->SetVisible(false);
  for (TMenuItem* item : {form->MQuery, form->MIsolation, form->MWordWrap}) item->SetVisible(false);

  std::string active = ReadActiveConfigFile();
  std::string caption = "Nubo Administrator  " + active;
  form->SetCaption(caption);
  Application->SetTitle(caption);
  NoticeDefaultConfigFile(active);

  Application->SetHelpFile("varkon.hlp");
  Application->OnHelp = VarkonHelpCallback;
  if (!DbEngineErrorDlg) {
    Application->CreateForm(DbEngineErrorDlg);
    DbEngineErrorDlg->HookExceptions();
  }
  return root;
}

void FinishAdministrator(TDbXVarkon* Root) {
  TScopeExit free([Root] { Root->Release(lsReleased); });
  // Closing the main window ends the loop but leaves the window: it goes
  // now, unbinding itself and saving its settings, not behind the question.
  delete Root->Form();
  AskDefaultConfigFile();
}

void RunAdministrator() {
  TDbXVarkon* root = StartAdministrator();
  {
    TScopeFail drop([root] { root->Release(lsReleased); });
    Application->Run();
  }
  FinishAdministrator(root);
}

}  // namespace dbx
