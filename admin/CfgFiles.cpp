#include "CfgFiles.h"

#include <memory>

#include "Services.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "Dbexplfm.h"
#include "Dialogs.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "NuboDataSet.h"
#include "Text.h"

using namespace fw;

namespace dbx {

FW_PUBLISH(TSaveOptionForm) {
  c.Field("GroupSave", &TSaveOptionForm::GroupSave);
  c.Field("Rad16and32", &TSaveOptionForm::Rad16and32);
  c.Field("Rad32only", &TSaveOptionForm::Rad32only);
  c.Field("GroupModes", &TSaveOptionForm::GroupModes);
  c.Field("ChkSession", &TSaveOptionForm::ChkSession);
  c.Field("ChkPersistent", &TSaveOptionForm::ChkPersistent);
  c.Field("ChkVirtual", &TSaveOptionForm::ChkVirtual);
  c.Field("BtnOK", &TSaveOptionForm::BtnOK);
  c.Field("BtnCancel", &TSaveOptionForm::BtnCancel);
  c.Field("BtnHelp", &TSaveOptionForm::BtnHelp);
  c.Method("BtnHelpClick", &TSaveOptionForm::BtnHelpClick);
}

FW_IMPLEMENT_CLASS(TRAOpenConfigFile)
FW_IMPLEMENT_CLASS(TRAMergeConfigFile)
FW_IMPLEMENT_CLASS(TRASaveAsConfigFile)
FW_IMPLEMENT_CLASS(TRASaveOption)

namespace {

const std::string kCaptionPrefix = std::string(kAdministratorTitle) + "  ";
constexpr char kFilter[] = "Configuration files (*.CFG)|*.CFG";
constexpr char kCannotClose[] = "Unable to close current configuration.  Operation canceled.";
constexpr char kInvalidFile[] = "Invalid configuration file.";

void Error(const std::string& text, int help) { MessageDlg(text, mtError, {mbOK, mbHelp}, help); }

std::unique_ptr<TOpenDialog> FileDialog(std::unique_ptr<TOpenDialog> dialog, int help, TOpenOptions options) {
  dialog->SetFilter(kFilter);
  dialog->SetFilterIndex(1);
  dialog->SetDefaultExt("CFG");
  dialog->SetOptions(options);
  dialog->SetHelpContext(help);
  dialog->SetInitialDir(ExtractFileDir(CurrentConfigFile()));
  return dialog;
}

std::unique_ptr<TOpenDialog> OpenDialog(int help) {
  return FileDialog(std::make_unique<TOpenDialog>(nullptr), help, {ofFileMustExist, ofShowHelp, ofHideReadOnly});
}

// The engine's handle of the file; none when it is not a configuration file.
OrvexHandle OpenConfig(const std::string& fileName) {
  OrvexHandle file = 0;
  if (Engine().OpenConfigFile(CharToOem(fileName).c_str(), 0, &file) != ORVEX_OK) return 0;
  return file;
}

void RebuildView() {
  RebuildTrees([] {
    if (TExploreObject* root = GetDbXRoot()) root->Refresh();
  });
}

}  // namespace

std::string CurrentConfigFile() {
  TDbExplorerForm* window = MainWindow();
  if (!window) return {};
  const std::string caption = window->Caption();
  return caption.rfind(kCaptionPrefix, 0) == 0 ? caption.substr(kCaptionPrefix.size()) : std::string();
}

int ActivateConfigFile(const std::string& fileName) {
  if (CloseDatabasesForConfig(false, "")) {
    Error(kCannotClose, 4005);
    return 0;
  }
  OrvexHandle file = 0;
  {
    THourGlassScope hourglass;
    Session().SaveConfigFile();
    file = OpenConfig(fileName);
  }
  TScopeExit rebuild(RebuildView);
  if (!file) {
    Error(kInvalidFile, 4006);
    return 1;
  }
  OrvexResult result = Engine().SetProp(0, ORVEX_SYS_CFGFILEHANDLE, file);
  if (result == ORVEX_ERR_CFGINUSE)
    Error("Unable to open configuration file until all other Nubo applications are closed.", 4007);
  else if (result != ORVEX_OK)
    Error("Unable to apply new configuration to system.", 4008);
  else if (TDbExplorerForm* window = MainWindow())
    window->SetCaption(kCaptionPrefix + fileName);
  return 0;
}

TSaveOptionForm::TSaveOptionForm(TComponent* AOwner) : TForm(AOwner) {}

TSaveOptionForm::~TSaveOptionForm() = default;

void TSaveOptionForm::BtnHelpClick(TObject*) { Application->HelpContext(HelpContext()); }

TRAOpenConfigFile::TRAOpenConfigFile() : TERegisteredAction(nullptr, "O&pen Configuration...", "") {
  HelpContext = 4023;
}

void TRAOpenConfigFile::Execute(TExploreObject&) {
  std::unique_ptr<TOpenDialog> dialog = OpenDialog(4020);
  while (dialog->Execute() && ActivateConfigFile(dialog->FileName()) == 1) {
  }
}

TRAMergeConfigFile::TRAMergeConfigFile() : TERegisteredAction(nullptr, "Mer&ge Configuration...", "") {
  HelpContext = 4024;
}

void TRAMergeConfigFile::Execute(TExploreObject&) {
  std::unique_ptr<TOpenDialog> dialog = OpenDialog(4021);
  bool invalid = true;
  while (invalid) {
    if (!dialog->Execute()) return;
    if (MessageDlg("Merge cannot be undone.  Continue?", mtConfirmation, {mbOK, mbCancel, mbHelp}, 4009) != mrOk)
      return;
    if (CloseDatabasesForConfig(false, "")) {
      Error(kCannotClose, 4005);
      return;
    }
    TScopeExit rebuild(RebuildView);
    Session().SaveConfigFile();
    OrvexHandle file = OpenConfig(dialog->FileName());
    invalid = file == 0;
    if (invalid) {
      Error(kInvalidFile, 4006);
      continue;
    }
    // The engine's merge is all or nothing: after a failure this save
    // writes the configuration as it was.
    OrvexResult result;
    {
      TConfigModeScope mode(Session(), TConfigModes{cfmPersistent});
      result = Engine().MergeConfigFile(0, file, 0);
    }
    if (result != ORVEX_OK)
      Error("Merge failed.", 4010);
    else
      MessageDlg("Merge successful.", mtInformation, {mbOK, mbHelp}, 4011);
    Session().SaveConfigFile();
  }
}

TRASaveAsConfigFile::TRASaveAsConfigFile() : TERegisteredAction(nullptr, "Save As Con&figuration...", "") {
  HelpContext = 4025;
}

void TRASaveAsConfigFile::Execute(TExploreObject&) {
  std::unique_ptr<TOpenDialog> dialog = FileDialog(std::make_unique<TSaveDialog>(nullptr), 4022,
                                                   {ofPathMustExist, ofShowHelp, ofHideReadOnly, ofOverwritePrompt});
  if (!dialog->Execute() || dialog->FileName().empty()) return;
  std::string fileName = dialog->FileName();
  if (!SameText(ExtractFileExt(fileName), ".CFG")) fileName += ".CFG";
  {
    TConfigModeScope mode(Session(), TConfigModes{cfmPersistent});
    // A save that failed would leave an old file of that name to be made
    // active as if it held this configuration: the error goes to the user.
    Check(Engine().SaveConfigFile(0, CharToOem(fileName).c_str(), -1));
  }
  ActivateConfigFile(fileName);
}

TRASaveOption::TRASaveOption() : TERegisteredAction(nullptr, "Op&tions...", "") { HelpContext = 4026; }

int TRASaveOption::GetState(TExploreObject&) {
  TExploreObject* root = GetDbXRoot();
  if (!root || !root->Enabled(opRefresh)) return asDisabled;
  if (TDatabases* databases = FindDatabasesNode(); databases && databases->Children().Loaded()) {
    for (int i = 0; i < databases->Children().Count(); ++i)
      if (databases->Children().Item(i)->IsActive()) return asDisabled;
  }
  return asEnabled;
}

void TRASaveOption::Execute(TExploreObject&) {
  std::unique_ptr<TSaveOptionForm> form(NewForm<TSaveOptionForm>(Application));
  const bool win31 = GetSaveForWin31();
  form->Rad16and32->SetChecked(win31);
  form->Rad32only->SetChecked(!win31);
  const TConfigModes old = GetViewModes();
  form->ChkSession->SetChecked(old.Contains(cfmSession));
  form->ChkPersistent->SetChecked(old.Contains(cfmPersistent));
  form->ChkVirtual->SetChecked(old.Contains(cfmVirtual));
  form->SetHelpContext(4017);
  if (form->ShowModal() != mrOk) return;
  SetSaveForWin31(form->Rad16and32->Checked());
  TConfigModes modes;
  if (form->ChkSession->Checked()) modes.Include(cfmSession);
  if (form->ChkPersistent->Checked()) modes.Include(cfmPersistent);
  if (form->ChkVirtual->Checked()) modes.Include(cfmVirtual);
  if (modes != old) SetViewModes(modes);
}

void RegisterConfigFileActions() {
  RegisterAction<TRAOpenConfigFile>();
  RegisterAction<TRAMergeConfigFile>();
  RegisterAction<TRASaveAsConfigFile>();
  RegisterAction<TRASaveOption>();
}

}  // namespace dbx
