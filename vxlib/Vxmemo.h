// The memo dialog's window: a memo field's text in a resizable form, with
// OK and Cancel from the library's common buttons and up to two buttons of
// the user's. Ctrl+Enter and F2 close it with OK, Esc with Cancel; leaving
// changes behind asks first.
#pragma once
#include <string>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "VxdbgridBase.h"

namespace vx {

// Shows MemoDialog's field (when it names one) in the dialog, over Form (a
// form that stays on top keeps the dialog on top too); on OK an Editable
// field takes the text. True when the dialog closed with OK.
bool vxEditMemoField(fw::TCustomForm* Form, TvxMemoDialog* MemoDialog, bool Editable);

class TvxMemoDlg : public fw::TForm {
  FW_CLASS(TvxMemoDlg, fw::TForm)
public:
  explicit TvxMemoDlg(fw::TComponent* AOwner);
  ~TvxMemoDlg() override;
  // Reads the form, then adds OK and Cancel.
  void AfterConstruction() override;

  fw::TMemo* Memo = nullptr;
  fw::TPanel* UserButtonPanel = nullptr;
  fw::TButton* UserButton1 = nullptr;
  fw::TButton* UserButton2 = nullptr;
  fw::TButton* OKButton = nullptr;
  fw::TButton* CancelButton = nullptr;

  void FormShow(fw::TObject* Sender);
  void FormResize(fw::TObject* Sender);
  void FormCloseQuery(fw::TObject* Sender, bool& CanClose);
  void MemoKeyDown(fw::TObject* Sender, fw::Word& Key, fw::TShiftState Shift);
  void UserButton1Click(fw::TObject* Sender);
  void UserButton2Click(fw::TObject* Sender);

protected:
  // Esc is the memo's: the form lets no Esc press through.
  void KeyPress(fw::TChar& Key) override;

private:
  friend bool vxEditMemoField(fw::TCustomForm* Form, TvxMemoDialog* MemoDialog, bool Editable);
  void CloseWithOK();

  TvxMemoDialog* MemoDialog_ = nullptr;
  fw::TFont* Font_ = nullptr;  // the component's, applied when first shown
  std::string Caption_;
  fw::TRect Requested_{};  // left, top, right, bottom
  bool Shown_ = false;
  bool OKPressed_ = false;
  bool ClosingByOK_ = false;
};

}  // namespace vx
