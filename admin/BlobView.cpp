#include "BlobView.h"

#include <algorithm>

#include "DbXSettings.h"
#include "Format.h"

using namespace fw;

namespace dbx {

FW_PUBLISH(TBlobForm) {
  c.Field("BlobGraphic", &TBlobForm::BlobGraphic);
  c.Field("BlobMemo", &TBlobForm::BlobMemo);
  c.Field("BlankPanel", &TBlobForm::BlankPanel);
  c.Field("BlobPopupMenu", &TBlobForm::BlobPopupMenu);
  c.Field("MOnTop", &TBlobForm::MOnTop);
  c.Field("MShowDefault", &TBlobForm::MShowDefault);
  c.Field("MShowGraphic", &TBlobForm::MShowGraphic);
  c.Field("MShowText", &TBlobForm::MShowText);
  c.Field("MShowMemory", &TBlobForm::MShowMemory);
  c.Field("MHotKey", &TBlobForm::MHotKey);
  c.Method("FormCreate", &TBlobForm::FormCreate);
  c.Method("FormDestroy", &TBlobForm::FormDestroy);
  c.Method("FormClose", &TBlobForm::FormClose);
  c.Method("MOnTopClick", &TBlobForm::MOnTopClick);
  c.Method("ShowTypeClick", &TBlobForm::ShowTypeClick);
  c.Method("MHotKeyClick", &TBlobForm::MHotKeyClick);
}

TBlobForm::TBlobForm(TComponent* AOwner) : TForm(AOwner) {}

TBlobForm::~TBlobForm() = default;

void TBlobForm::FormCreate(TObject*) {
  std::unique_ptr<TRegIniFile> ini = CreateSettingsIniFile();
  TSettings s(ini.get());
  int left = s.Int("BlobX.Left", Left()), top = s.Int("BlobX.Top", Top());
  int width = s.Int("BlobX.Width", Width()), height = s.Int("BlobX.Height", Height());
  SetBounds(left, top, width, height);
  SetOnTop(s.Bool("BlobX.OnTop", false));
  SetShowType(s.Int("BlobX.ShowType", bstMemory));
  SetWindowState(static_cast<TWindowState>(std::clamp(s.Int("BlobX.WindowState", WindowState()), 0, 2)));
}

void TBlobForm::FormDestroy(TObject*) {
  SetGrid(nullptr);
  std::unique_ptr<TRegIniFile> ini = CreateSettingsIniFile();
  if (!ini) return;
  TSettings s(ini.get());
  s.Put("BlobX.Left", Left());
  s.Put("BlobX.Top", Top());
  s.Put("BlobX.Width", Width());
  s.Put("BlobX.Height", Height());
  s.Put("BlobX.OnTop", onTop_);
  s.Put("BlobX.ShowType", showType_);
  s.Put("BlobX.WindowState", static_cast<int>(WindowState()));
}

void TBlobForm::FormClose(TObject*, TCloseAction& Action) {
  UpdateBlob();
  if (grid_) grid_->Columns()->SetState(csDefault);
  Action = caFree;
}

void TBlobForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == grid_) {
    grid_ = nullptr;
    gridColEnter_ = nullptr;
  }
}

void TBlobForm::UpdateBlob() {
  TDataSet* data = grid_ && grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
  if (!data || (data->State() != dsEdit && data->State() != dsInsert)) return;
  if (BlobGraphic->Modified() || BlobMemo->Modified()) data->UpdateRecord();
}

void TBlobForm::SetGrid(TDBGrid* grid) {
  if (grid_) {
    grid_->OnColEnter = gridColEnter_;
    UpdateBlob();
    grid_->RemoveFreeNotification(this);
  }
  grid_ = grid;
  gridColEnter_ = nullptr;
  TDataSource* source = nullptr;
  if (grid_) {
    grid_->FreeNotification(this);
    gridColEnter_ = grid_->OnColEnter;
    grid_->OnColEnter = [this](TObject* Sender) { GridColEnter(Sender); };
    // Customised columns stay put while the memo and the image bind fields.
    // A grid whose dataset is still closed has none yet: customised, it
    // would keep none once the dataset opens.
    grid_->Columns()->SetState(csDefault);
    if (grid_->Columns()->Count() > 0) grid_->Columns()->SetState(csCustomized);
    source = grid_->DataSource();
  }
  BlobMemo->SetDataSource(source);
  BlobGraphic->SetDataSource(source);
  ColumnStep();
}

void TBlobForm::GridColEnter(TObject*) { ColumnStep(); }

void TBlobForm::ColumnStep() {
  UpdateBlob();
  BlobMemo->SetDataField("");
  BlobGraphic->SetDataField("");
  TField* field = grid_ ? grid_->SelectedField() : nullptr;
  SetCaption(Format("%s %s", {"Column:", field ? field->FieldName() : std::string("<none>")}));
  int mode = showType_;
  if (auto* blob = dynamic_cast<TBlobField*>(field); blob && mode != bstText && mode != bstGraphic) {
    switch (blob->BlobType()) {
      case ftGraphic: mode = bstGraphic; break;
      case ftMemo: mode = bstText; break;
      default: mode = bstMemory; break;
    }
  }
  if (field && mode == bstText) {
    BlobMemo->SetDataField(field->FieldName());
    BringUp(BlobMemo);
  } else if (field && mode == bstGraphic) {
    BlobGraphic->SetDataField(field->FieldName());
    BringUp(BlobGraphic);
  } else {
    BringUp(BlankPanel);
  }
  if (gridColEnter_) gridColEnter_(grid_);
}

void TBlobForm::BringUp(TControl* control) {
  shown_ = control;
  for (TControl* c : {static_cast<TControl*>(BlobGraphic), static_cast<TControl*>(BlobMemo),
                      static_cast<TControl*>(BlankPanel)})
    c->SetVisible(c == control);
  control->BringToFront();
}

void TBlobForm::SetShowType(int mode) {
  showType_ = mode;
  for (TMenuItem* item : {MShowDefault, MShowGraphic, MShowText, MShowMemory})
    item->SetChecked(item->Tag() == mode);
  ColumnStep();
}

void TBlobForm::SetOnTop(bool onTop) {
  onTop_ = onTop;
  SetFormStyle(onTop ? fsStayOnTop : fsNormal);
  MOnTop->SetChecked(onTop);
}

void TBlobForm::MOnTopClick(TObject*) { SetOnTop(!onTop_); }

void TBlobForm::ShowTypeClick(TObject* Sender) {
  SetShowType(static_cast<int>(static_cast<TMenuItem*>(Sender)->Tag()));
}

void TBlobForm::MHotKeyClick(TObject*) {
  TPoint at = ClientToScreen(TPoint{ClientWidth() / 3, ClientHeight() / 3});
  BlobPopupMenu->Popup(at.X, at.Y);
}

}  // namespace dbx
