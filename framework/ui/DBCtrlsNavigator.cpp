// The data navigator.
#include <algorithm>
#include <vector>

#include "DBCtrls.h"
#include "Dialogs.h"

namespace fw {

namespace {

const char* const kHints[] = {"First record", "Prior record", "Next record", "Last record",  "Insert record",
                              "Delete record", "Edit record", "Post edit",   "Cancel edit", "Refresh data"};

// The buttons' pictures (tools/draw-icons); a disabled button greys its own.
const char* const kGlyphs[] = {"NAV_FIRST",  "NAV_PRIOR", "NAV_NEXT", "NAV_LAST",   "NAV_INSERT",
                               "NAV_DELETE", "NAV_EDIT",  "NAV_POST", "NAV_CANCEL", "NAV_REFRESH"};

}  // namespace

// ---------------------------------------------------------------- buttons

FW_IMPLEMENT_CLASS(TNavButton)

TNavButton::TNavButton(TDBNavigator* Navigator, TNavigateBtn Index)
    : TSpeedButton(Navigator), navigator_(Navigator), index_(Index) {
  TBitmap glyph;
  glyph.LoadFromResourceName(kGlyphs[static_cast<int>(Index)]);
  SetGlyph(&glyph);
  SetHint(kHints[static_cast<int>(Index)]);
  SetParent(Navigator);
}

void TNavButton::Click() {
  TSpeedButton::Click();
  navigator_->BtnClick(index_);
}

// ---------------------------------------------------------------- navigator

class TDBNavigator::TNavDataLink : public TDataLink {
public:
  explicit TNavDataLink(TDBNavigator* nav) : nav_(nav) {}

protected:
  void ActiveChanged() override { nav_->UpdateButtons(); }
  void DataSetChanged() override { nav_->UpdateButtons(); }
  void EditingChanged() override { nav_->UpdateButtons(); }

private:
  TDBNavigator* nav_;
};

FW_PUBLISH(TDBNavigator) {
  c.Property("ConfirmDelete", &TDBNavigator::ConfirmDelete, &TDBNavigator::SetConfirmDelete).Default(true);
  c.Property("DataSource", &TDBNavigator::DataSource, &TDBNavigator::SetDataSource);
  c.Property("VisibleButtons", &TDBNavigator::VisibleButtons, &TDBNavigator::SetVisibleButtons);
}

TDBNavigator::TDBNavigator(TComponent* AOwner)
    : TCustomPanel(AOwner), dataLink_(std::make_unique<TNavDataLink>(this)) {
  SetControlStyle(ControlStyle() - TControlStyle{csAcceptsControls, csSetCaption});
  SetBevelOuter(bvNone);
  for (int i = nbFirst; i <= nbRefresh; ++i) {
    auto index = static_cast<TNavigateBtn>(i);
    buttons_.push_back(new TNavButton(this, index));
    visibleButtons_.Include(index);
  }
  SetBounds(0, 0, 241, 25);
  UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
  // The buttons went with the child controls; cutting the link must not reach them.
  buttons_.clear();
  dataLink_->SetDataSource(nullptr);
}

TDataSource* TDBNavigator::DataSource() const { return dataLink_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* v) {
  dataLink_->SetDataSource(v);
  if (v) v->FreeNotification(this);
  UpdateButtons();
}

void TDBNavigator::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBNavigator::SetVisibleButtons(TButtonSet v) {
  visibleButtons_ = v;
  for (TNavButton* b : buttons_) b->SetVisible(v.Contains(b->Index()));
  Realign();
}

void TDBNavigator::AlignControls(TControl*, TRect& Rect) {
  // The buttons share the width; the pixels left over go to the first ones.
  std::vector<TNavButton*> shown;
  for (TNavButton* b : buttons_)
    if (b->Visible()) shown.push_back(b);
  if (shown.empty()) return;
  int n = static_cast<int>(shown.size());
  int each = Rect.Width() / n, extra = Rect.Width() % n, x = Rect.Left;
  for (int i = 0; i < n; ++i) {
    int w = each + (i < extra ? 1 : 0);
    shown[static_cast<std::size_t>(i)]->SetBounds(x, Rect.Top, w, Rect.Height());
    x += w;
  }
}

void TDBNavigator::EnabledChanged() {
  TCustomPanel::EnabledChanged();
  UpdateButtons();
}

void TDBNavigator::UpdateButtons() {
  TDataSet* ds = Enabled() && dataLink_->Active() ? dataLink_->DataSet() : nullptr;
  bool up = ds && !ds->Bof();
  bool down = ds && !ds->Eof();
  bool canModify = ds && ds->CanModify();
  bool editing = ds && (ds->State() == dsEdit || ds->State() == dsInsert);
  bool enabled[] = {up,
                    up,
                    down,
                    down,
                    canModify,
                    canModify && (editing || !ds->IsEmpty()),
                    canModify && !editing,
                    canModify && editing,
                    canModify && editing,
                    ds && !editing};
  for (TNavButton* b : buttons_) b->SetEnabled(enabled[static_cast<int>(b->Index())]);
}

void TDBNavigator::BtnClick(TNavigateBtn Index) {
  TDataSet* ds = dataLink_->Active() ? dataLink_->DataSet() : nullptr;
  if (!ds) return;
  switch (Index) {
    case nbFirst: ds->First(); break;
    case nbPrior: ds->Prior(); break;
    case nbNext: ds->Next(); break;
    case nbLast: ds->Last(); break;
    case nbInsert: ds->Insert(); break;
    case nbDelete:
      if (!confirmDelete_ || MessageDlg("Delete record?", mtConfirmation, mbOKCancel, 0) == mrOk) ds->Delete();
      break;
    case nbEdit: ds->Edit(); break;
    case nbPost: ds->Post(); break;
    case nbCancel: ds->Cancel(); break;
    case nbRefresh: ds->Refresh(); break;
  }
}

}  // namespace fw
