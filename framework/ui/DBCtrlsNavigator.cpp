// The data navigator.
#include <algorithm>
#include <vector>

#include "DBCtrls.h"
#include "Dialogs.h"

namespace fw {

namespace {

constexpr int kGlyphSize = 13;
// The glyphs' background: the bottom-left pixel, drawn transparent.
constexpr TColor kGlyphBack = clOlive;

const char* const kHints[] = {"First record", "Prior record", "Next record", "Last record",  "Insert record",
                              "Delete record", "Edit record", "Post edit",   "Cancel edit", "Refresh data"};

// The picture of a button, drawn here: arrows to the ends and one record on,
// a plus to insert, a minus to delete, an arrow up to edit, a tick to post, a
// cross to cancel and a turning arrow to refresh.
std::unique_ptr<TBitmap> MakeGlyph(TNavigateBtn Button) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(kGlyphSize, kGlyphSize);
  TCanvas* c = b->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(kGlyphBack);
  c->FillRect(Rect(0, 0, kGlyphSize, kGlyphSize));
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clBlack);
  const int m = kGlyphSize / 2;  // the middle
  auto left = [&](int x) { c->Polygon({{x, m}, {x + 4, m - 4}, {x + 4, m + 4}}); };
  auto right = [&](int x) { c->Polygon({{x + 4, m}, {x, m - 4}, {x, m + 4}}); };
  auto thick = [&](TColor colour, const std::vector<TPoint>& points) {
    c->Pen()->SetColor(colour);
    c->Pen()->SetWidth(2);
    c->Polyline(points);
    c->Pen()->SetWidth(1);
  };
  switch (Button) {
    case nbFirst:
      c->FillRect(Rect(2, m - 4, 4, m + 5));
      left(5);
      break;
    case nbPrior: left(4); break;
    case nbNext: right(4); break;
    case nbLast:
      right(3);
      c->FillRect(Rect(9, m - 4, 11, m + 5));
      break;
    case nbInsert:
      c->FillRect(Rect(m - 1, 2, m + 1, kGlyphSize - 2));
      c->FillRect(Rect(2, m - 1, kGlyphSize - 2, m + 1));
      break;
    case nbDelete: c->FillRect(Rect(2, m - 1, kGlyphSize - 2, m + 1)); break;
    case nbEdit:
      c->Polygon({{m, 2}, {m + 4, 7}, {m - 4, 7}});
      c->FillRect(Rect(m - 1, 7, m + 2, 11));
      break;
    case nbPost: thick(clGreen, {{2, m}, {5, m + 3}, {10, 3}}); break;
    case nbCancel:
      thick(clMaroon, {{3, 3}, {10, 10}});
      thick(clMaroon, {{10, 3}, {3, 10}});
      break;
    case nbRefresh:
      c->Brush()->SetStyle(bsClear);
      c->Pen()->SetWidth(2);
      c->Ellipse(2, 2, kGlyphSize - 2, kGlyphSize - 2);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(kGlyphBack);
      c->Pen()->SetWidth(1);
      c->Pen()->SetColor(kGlyphBack);
      c->Rectangle(m, 0, kGlyphSize, m);  // the gap the arrow points into
      c->Pen()->SetColor(clBlack);
      c->Brush()->SetColor(clBlack);
      c->Polygon({{m + 1, 0}, {m + 5, 3}, {m + 1, 6}});
      break;
  }
  // Nothing drawn in the bottom-left corner: the background stays transparent.
  c->SetPixels(0, kGlyphSize - 1, kGlyphBack);
  return b;
}

}  // namespace

// ---------------------------------------------------------------- buttons

FW_IMPLEMENT_CLASS(TNavButton)

TNavButton::TNavButton(TDBNavigator* Navigator, TNavigateBtn Index)
    : TSpeedButton(Navigator), navigator_(Navigator), index_(Index) {
  SetGlyph(MakeGlyph(Index).get());
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
