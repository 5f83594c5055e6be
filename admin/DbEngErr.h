// The dialog that shows an engine error with its whole stack of errors. It
// becomes the application's exception handler at start-up: engine errors
// come here, every other exception goes on to the handler that was there
// before, or to the application's standard display.
#pragma once
#include <string>

#include "ExtCtrls.h"
#include "Forms.h"
#include "NuboDataSet.h"
#include "StdCtrls.h"

namespace dbx {

class TDbEngineErrorDlg : public fw::TForm {
  FW_CLASS(TDbEngineErrorDlg, fw::TForm)
public:
  explicit TDbEngineErrorDlg(fw::TComponent* AOwner);
  ~TDbEngineErrorDlg() override;

  fw::TPanel* BasicPanel = nullptr;
  fw::TImage* IconImage = nullptr;
  fw::TLabel* ErrorText = nullptr;
  fw::TPanel* DetailsPanel = nullptr;
  fw::TLabel* NuboLabel = nullptr;
  fw::TLabel* NativeLabel = nullptr;
  fw::TMemo* DbMessageText = nullptr;
  fw::TEdit* DbResult = nullptr;
  fw::TEdit* DbCatSub = nullptr;
  fw::TEdit* NativeResult = nullptr;
  fw::TButton* BackBtn = nullptr;
  fw::TButton* NextBtn = nullptr;
  fw::TPanel* ButtonPanel = nullptr;
  fw::TButton* DetailsBtn = nullptr;
  fw::TButton* OKBtn = nullptr;

  // Puts this dialog's handler in the application's place, keeping the one
  // it replaces; the dialog's end puts that one back.
  void HookExceptions();
  using fw::TForm::Show;
  // Shows the error modally; the modal result.
  int Show(const fw::EDBEngineError& E);
  // The error being shown, none between two.
  const fw::EDBEngineError* Error() const { return error_; }
  int Index() const { return index_; }
  // Shows entry Index of the stack in the details.
  void ShowEntry(int Index);

  void FormCreate(fw::TObject* Sender);
  void FormShow(fw::TObject* Sender);
  void DetailsBtnClick(fw::TObject* Sender);
  void BackClick(fw::TObject* Sender);
  void NextClick(fw::TObject* Sender);

protected:
  void BeforeDestruction() override;

private:
  void HandleException(fw::TObject* Sender, const fw::Exception& E);

  const fw::EDBEngineError* error_ = nullptr;
  int index_ = 0;
  int detailsHeight_ = 0;
  std::string detailsCaption_;
  bool hooked_ = false;
  fw::TExceptionEvent saved_;
};

// The dialog of the running program, once start-up made it.
extern TDbEngineErrorDlg* DbEngineErrorDlg;

}  // namespace dbx
