// The version dialog: the libraries the selected alias or driver depends on
// (the vendor's client library, then the engine's own), each with the
// version its record gives and the file's date, time and size.
#pragma once
#include <string>
#include <vector>

#include "DbExplif.h"
#include "Forms.h"
#include "Grids.h"
#include "StdCtrls.h"

namespace dbx {

// A library to list and the folder to look for it in.
struct TPathObj {
  std::string Name;
  std::string Folder;  // kEngineFolder: wherever the engine was loaded from
};

inline constexpr char kEngineFolder[] = "Nubo";

// The libraries that concern the node, in the order they are listed.
std::vector<TPathObj> VersionLibraries(TExploreObject& object);

// "1.2.3.4 (R)", or "N/A" for a file without a record or a record of zeros.
std::string FileVersionText(const std::string& path);

class TVerInfoForm : public fw::TForm {
  FW_CLASS(TVerInfoForm, fw::TForm)
public:
  explicit TVerInfoForm(fw::TComponent* AOwner);
  ~TVerInfoForm() override;

  fw::TStringGrid* StringGrid1 = nullptr;
  fw::TButton* BtnOK = nullptr;
  fw::TButton* BtnHelp = nullptr;

  // Set before showing; the grid is filled from it when the form shows.
  std::vector<TPathObj> Libraries;

  void FormShow(fw::TObject* Sender);
  void BtnHelpClick(fw::TObject* Sender);
  // The grid from Libraries: headings, then one row a library.
  void FillGrid();
};

class TRAVersionInfo : public TERegisteredAction {
  FW_CLASS(TRAVersionInfo, TERegisteredAction)
public:
  TRAVersionInfo();
  int GetState(TExploreObject& object) override;
  void Execute(TExploreObject& object) override;
};

}  // namespace dbx
