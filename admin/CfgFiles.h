// The engine's configuration files from the explorer's action menu: make
// another file the active one, merge one into the configuration, save it
// under a new name (which becomes active), and the "Options" dialog. The
// active file's name is the main window's caption after its title.
#pragma once
#include <string>

#include "DbExplif.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace dbx {

inline constexpr char kAdministratorTitle[] = "Nubo Administrator";

// The active file as the main window's caption names it; "" without a window.
std::string CurrentConfigFile();

// 1 when the file is not a valid configuration file, else 0 (also when it
// could not be made active; the user was told).
int ActivateConfigFile(const std::string& fileName);

class TSaveOptionForm : public fw::TForm {
  FW_CLASS(TSaveOptionForm, fw::TForm)
public:
  explicit TSaveOptionForm(fw::TComponent* AOwner);
  ~TSaveOptionForm() override;

  fw::TGroupBox* GroupSave = nullptr;
  fw::TRadioButton* Rad16and32 = nullptr;
  fw::TRadioButton* Rad32only = nullptr;
  fw::TGroupBox* GroupModes = nullptr;
  fw::TCheckBox* ChkSession = nullptr;
  fw::TCheckBox* ChkPersistent = nullptr;
  fw::TCheckBox* ChkVirtual = nullptr;
  fw::TButton* BtnOK = nullptr;
  fw::TButton* BtnCancel = nullptr;
  fw::TButton* BtnHelp = nullptr;

  void BtnHelpClick(fw::TObject* Sender);
};

class TRAOpenConfigFile : public TERegisteredAction {
  FW_CLASS(TRAOpenConfigFile, TERegisteredAction)
public:
  TRAOpenConfigFile();
  void Execute(TExploreObject& object) override;
};

class TRAMergeConfigFile : public TERegisteredAction {
  FW_CLASS(TRAMergeConfigFile, TERegisteredAction)
public:
  TRAMergeConfigFile();
  void Execute(TExploreObject& object) override;
};

class TRASaveAsConfigFile : public TERegisteredAction {
  FW_CLASS(TRASaveAsConfigFile, TERegisteredAction)
public:
  TRASaveAsConfigFile();
  void Execute(TExploreObject& object) override;
};

class TRASaveOption : public TERegisteredAction {
  FW_CLASS(TRASaveOption, TERegisteredAction)
public:
  TRASaveOption();
  int GetState(TExploreObject& object) override;
  void Execute(TExploreObject& object) override;
};

// The four actions, in their menu order.
void RegisterConfigFileActions();

}  // namespace dbx
