#include "DbEngErr.h"

#include <algorithm>

#include "Format.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace dbx {

TDbEngineErrorDlg* DbEngineErrorDlg = nullptr;

FW_PUBLISH(TDbEngineErrorDlg) {
  c.Field("BasicPanel", &TDbEngineErrorDlg::BasicPanel);
  c.Field("IconImage", &TDbEngineErrorDlg::IconImage);
  c.Field("ErrorText", &TDbEngineErrorDlg::ErrorText);
  c.Field("DetailsPanel", &TDbEngineErrorDlg::DetailsPanel);
  c.Field("NuboLabel", &TDbEngineErrorDlg::NuboLabel);
  c.Field("NativeLabel", &TDbEngineErrorDlg::NativeLabel);
  c.Field("DbMessageText", &TDbEngineErrorDlg::DbMessageText);
  c.Field("DbResult", &TDbEngineErrorDlg::DbResult);
  c.Field("DbCatSub", &TDbEngineErrorDlg::DbCatSub);
  c.Field("NativeResult", &TDbEngineErrorDlg::NativeResult);
  c.Field("BackBtn", &TDbEngineErrorDlg::BackBtn);
  c.Field("NextBtn", &TDbEngineErrorDlg::NextBtn);
  c.Field("ButtonPanel", &TDbEngineErrorDlg::ButtonPanel);
  c.Field("DetailsBtn", &TDbEngineErrorDlg::DetailsBtn);
  c.Field("OKBtn", &TDbEngineErrorDlg::OKBtn);
  c.Method("FormCreate", &TDbEngineErrorDlg::FormCreate);
  c.Method("FormShow", &TDbEngineErrorDlg::FormShow);
  c.Method("DetailsBtnClick", &TDbEngineErrorDlg::DetailsBtnClick);
  c.Method("BackClick", &TDbEngineErrorDlg::BackClick);
  c.Method("NextClick", &TDbEngineErrorDlg::NextClick);
}

TDbEngineErrorDlg::TDbEngineErrorDlg(TComponent* AOwner) : TForm(AOwner) {}

TDbEngineErrorDlg::~TDbEngineErrorDlg() = default;

void TDbEngineErrorDlg::BeforeDestruction() {
  if (hooked_ && Application) Application->OnException = saved_;
  hooked_ = false;
  if (DbEngineErrorDlg == this) DbEngineErrorDlg = nullptr;
  TForm::BeforeDestruction();
}

void TDbEngineErrorDlg::HookExceptions() {
  if (hooked_) return;
  saved_ = Application->OnException;
  Application->OnException = [this](TObject* Sender, const Exception& E) { HandleException(Sender, E); };
  hooked_ = true;
}

void TDbEngineErrorDlg::HandleException(TObject* Sender, const Exception& E) {
  // One error at a time: a second one while the first is up must not
  // replace it under the user's eyes.
  const auto* engineError = dynamic_cast<const EDBEngineError*>(&E);
  if (engineError && !error_ && !Application->Terminated()) {
    Show(*engineError);
    return;
  }
  if (saved_) saved_(Sender, E);
  else Application->ShowException(E);
}

int TDbEngineErrorDlg::Show(const EDBEngineError& E) {
  error_ = &E;
  TScopeExit clear([this] { error_ = nullptr; });
  return ShowModal();
}

void TDbEngineErrorDlg::FormCreate(TObject*) {
  // The form file holds the dialog with its details open.
  detailsHeight_ = ClientHeight();
  detailsCaption_ = DetailsBtn->Caption();
  TBitmap sign;
  sign.LoadFromResourceName("dbx-error.png");
  IconImage->Picture()->Assign(&sign);
  DetailsBtnClick(this);
}

void TDbEngineErrorDlg::FormShow(TObject*) {
  ErrorText->SetCaption(error_ ? error_->Message() : std::string());
  if (DetailsPanel->Visible()) ShowEntry(0);
}

void TDbEngineErrorDlg::DetailsBtnClick(TObject*) {
  if (DetailsPanel->Visible()) {
    SetClientHeight(DetailsPanel->Top());
    DetailsPanel->SetVisible(false);
    DetailsBtn->SetCaption(Format("%s >>", {detailsCaption_}));
  } else {
    SetClientHeight(detailsHeight_);
    DetailsPanel->SetVisible(true);
    DetailsBtn->SetCaption(Format("<< %s", {detailsCaption_}));
  }
  // Aligned to the bottom too: the panel nearer the top stays above.
  ButtonPanel->SetTop(0);
  if (DetailsPanel->Visible()) ShowEntry(0);
}

void TDbEngineErrorDlg::ShowEntry(int Index) {
  int count = error_ ? error_->ErrorCount() : 0;
  index_ = count == 0 ? 0 : std::clamp(Index, 0, count - 1);
  BackBtn->SetEnabled(index_ > 0);
  NextBtn->SetEnabled(index_ < count - 1);
  if (count == 0) {
    DbMessageText->SetText("");
    DbResult->SetText("");
    DbCatSub->SetText("");
    NativeLabel->SetEnabled(false);
    NativeResult->SetText("");
    return;
  }
  const TDBError& entry = error_->Errors(index_);
  DbMessageText->SetText(entry.Message());
  DbResult->SetText(IntToStr(entry.ErrorCode()));
  DbCatSub->SetText(Format("[$%2x] [$%2x]", {entry.Category(), entry.SubCode()}));
  NativeLabel->SetEnabled(entry.NativeError() != 0);
  NativeResult->SetText(entry.NativeError() != 0 ? IntToStr(entry.NativeError()) : std::string());
}

void TDbEngineErrorDlg::BackClick(TObject*) { ShowEntry(index_ - 1); }

void TDbEngineErrorDlg::NextClick(TObject*) { ShowEntry(index_ + 1); }

}  // namespace dbx
