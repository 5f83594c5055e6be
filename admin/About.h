// The About box and, on a double click, the list of the program's developers.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace dbx {

class TAboutDbExplorer : public fw::TForm {
  FW_CLASS(TAboutDbExplorer, fw::TForm)
public:
  explicit TAboutDbExplorer(fw::TComponent* AOwner);
  ~TAboutDbExplorer() override;

  fw::TPanel* Panel = nullptr;
  fw::TImage* ProgramIcon = nullptr;
  fw::TLabel* ProductName = nullptr;
  fw::TLabel* Version = nullptr;
  fw::TLabel* Purpose = nullptr;
  fw::TButton* OKBtn = nullptr;

  void FormCreate(fw::TObject* Sender);
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
  void FormDblClick(fw::TObject* Sender);
};

class TCreditsForm : public fw::TForm {
  FW_CLASS(TCreditsForm, fw::TForm)
public:
  explicit TCreditsForm(fw::TComponent* AOwner);
  ~TCreditsForm() override;

  fw::TPanel* Panel = nullptr;
  fw::TImage* ProgramIcon = nullptr;
  fw::TListBox* ListNames = nullptr;
  fw::TButton* OKBtn = nullptr;

  void FormCreate(fw::TObject* Sender);
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
};

}  // namespace dbx
