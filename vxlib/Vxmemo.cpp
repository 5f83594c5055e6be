#include "Vxmemo.h"

#include <memory>

#include "Dialogs.h"
#include "Fields.h"
#include "Scope.h"
#include "Vxintl.h"

using namespace fw;

namespace vx {

FW_PUBLISH(TvxMemoDlg) {
  c.Field("Memo", &TvxMemoDlg::Memo);
  c.Field("UserButtonPanel", &TvxMemoDlg::UserButtonPanel);
  c.Field("UserButton1", &TvxMemoDlg::UserButton1);
  c.Field("UserButton2", &TvxMemoDlg::UserButton2);
  c.Method("FormShow", &TvxMemoDlg::FormShow);
  c.Method("FormResize", &TvxMemoDlg::FormResize);
  c.Method("FormCloseQuery", &TvxMemoDlg::FormCloseQuery);
  c.Method("MemoKeyDown", &TvxMemoDlg::MemoKeyDown);
  c.Method("UserButton1Click", &TvxMemoDlg::UserButton1Click);
  c.Method("UserButton2Click", &TvxMemoDlg::UserButton2Click);
}

bool vxEditMemoField(TCustomForm* Form, TvxMemoDialog* MemoDialog, bool Editable) {
  std::unique_ptr<TvxMemoDlg> dlg(NewForm<TvxMemoDlg>(Application));
  if (Form && Form->FormStyle() == fsStayOnTop) dlg->SetFormStyle(fsStayOnTop);
  TRestoreScope<TvxMemoDlg*> shown(MemoDialog->Form_, dlg.get());
  dlg->MemoDialog_ = MemoDialog;

  TField* field = nullptr;
  TDataSource* source = MemoDialog->DataSource();
  if (source && source->DataSet() && !MemoDialog->DataField().empty()) {
    field = source->DataSet()->FieldByName(MemoDialog->DataField());
    dlg->Memo->SetText(field->AsString());
  }
  const TvxMemoAttributes attributes = MemoDialog->MemoAttributes();
  dlg->Memo->SetWordWrap(attributes.Contains(mWordWrap));
  dlg->SetBorderStyle(attributes.Contains(mSizeable) ? bsSizeable : bsDialog);
  dlg->Font_ = MemoDialog->Font();
  dlg->Caption_ = MemoDialog->Caption();
  if (!Editable) {
    dlg->CancelButton->SetVisible(false);
    dlg->Memo->SetReadOnly(true);
  }
  const int left = MemoDialog->DlgLeft(), top = MemoDialog->DlgTop();
  dlg->Requested_ = {left, top, left + MemoDialog->DlgWidth(), top + MemoDialog->DlgHeight()};
  if (left > 0 || top > 0) dlg->SetPosition(poDefault);
  dlg->UserButton1->SetCaption(MemoDialog->UserButton1Caption());
  dlg->UserButton2->SetCaption(MemoDialog->UserButton2Caption());

  const bool ok = dlg->ShowModal() == mrOk;
  MemoDialog->DoCloseDialog();
  if (ok && Editable && field) {
    field->DataSet()->Edit();
    field->SetAsString(dlg->Memo->Text());
  }
  return ok;
}

TvxMemoDlg::TvxMemoDlg(TComponent* AOwner) : TForm(AOwner) {}

TvxMemoDlg::~TvxMemoDlg() = default;

void TvxMemoDlg::AfterConstruction() {
  TForm::AfterConstruction();
  OKButton = vxCreateCommonButton(this, bkOK);
  OKButton->SetName("OKButton");
  OKButton->SetTabOrder(1);
  OKButton->OnClick = [this](TObject*) { OKPressed_ = ClosingByOK_ = true; };
  CancelButton = vxCreateCommonButton(this, bkCancel);
  CancelButton->SetName("CancelButton");
  CancelButton->SetTabOrder(2);
}

void TvxMemoDlg::FormShow(TObject*) {
  if (Shown_) return;
  Shown_ = true;
  SetKeyPreview(true);
  if (Font_) Memo->SetFont(Font_);
  SetCaption(Caption_);
  if (Requested_.Left > 0 || Requested_.Top > 0) {
    SetBounds(Requested_.Left, Requested_.Top, Requested_.Width(), Requested_.Height());
  } else if (Requested_.Left == 0 && Requested_.Top == 0) {
    // The window was placed before it showed: it keeps its centre.
    SetBounds(Left() + (Width() - Requested_.Width()) / 2, Top() + (Height() - Requested_.Height()) / 2,
              Requested_.Width(), Requested_.Height());
  }
  if (!UserButton1->Caption().empty() || !UserButton2->Caption().empty()) {
    UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
    UserButtonPanel->SetLeft(Memo->Left() - 1);
    int right = 0;
    for (TButton* b : {UserButton1, UserButton2}) {
      if (b->Caption().empty()) continue;
      b->SetLeft(right == 0 ? 10 : right + 15);
      b->SetVisible(true);
      right = b->Left() + b->Width();
    }
    UserButtonPanel->SetWidth(right + 10);
    UserButtonPanel->SetVisible(true);
  }
  // Laid out also when showing changed no size (a grid asks for the form's own).
  FormResize(this);
  Font()->SetStyle(vxInternational()->DialogFontStyle());
  if (MemoDialog_) MemoDialog_->DoInitDialog();
  Memo->SetModified(false);
}

void TvxMemoDlg::FormResize(TObject*) {
  if (!Memo || !OKButton) return;  // still being read
  Memo->SetBounds(6, 6, Width() - 20,
                  Height() - 2 * GetSystemMetrics(SM_CYDLGFRAME) - GetSystemMetrics(SM_CYCAPTION) - 53);
  const int buttonsTop = Memo->Height() + 17;
  OKButton->SetTop(buttonsTop);
  CancelButton->SetTop(buttonsTop);
  if (UserButtonPanel->Visible()) UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
  if (!Memo->ReadOnly()) {
    OKButton->SetLeft(Memo->Width() - 2 * OKButton->Width() - 40);
    CancelButton->SetLeft(Memo->Width() - OKButton->Width() - 20);
    CancelButton->SetVisible(true);
  } else if (UserButtonPanel->Visible()) {
    OKButton->SetLeft(Memo->Left() + Memo->Width() - OKButton->Width() - 25);
  } else {
    OKButton->SetLeft(Memo->Left() + Memo->Width() / 2 - CancelButton->Width() / 2);
  }
  OKButton->SetVisible(true);
}

void TvxMemoDlg::FormCloseQuery(TObject*, bool& CanClose) {
  const bool byOK = ClosingByOK_;
  ClosingByOK_ = false;
  if (!Memo->Modified() || byOK) return;
  CanClose =
      MessageDlg(vxInternational()->UserMessages()->MemoChangesWarning(), mtConfirmation, {mbYes, mbNo}, 0) == mrYes;
}

void TvxMemoDlg::CloseWithOK() {
  OKPressed_ = ClosingByOK_ = true;
  SetModalResult(mrOk);
}

void TvxMemoDlg::MemoKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if ((Key == VK_RETURN && Shift.Contains(ssCtrl)) || Key == VK_F2) {
    Key = 0;
    CloseWithOK();
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    SetModalResult(mrCancel);
  }
}

void TvxMemoDlg::KeyPress(TChar& Key) {
  if (Key == VK_ESCAPE) Key = 0;
  TForm::KeyPress(Key);
}

void TvxMemoDlg::UserButton1Click(TObject*) {
  if (MemoDialog_ && MemoDialog_->OnUserButton1Click) MemoDialog_->OnUserButton1Click(this, Memo);
}

void TvxMemoDlg::UserButton2Click(TObject*) {
  if (MemoDialog_ && MemoDialog_->OnUserButton2Click) MemoDialog_->OnUserButton2Click(this, Memo);
}

}  // namespace vx
