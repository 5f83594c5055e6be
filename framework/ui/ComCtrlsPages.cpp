// The tab control and the page control. The tabs are a Qt tab bar that only
// paints: the control takes the presses itself and asks the bar which tab
// lies under them.
#include <QFontMetrics>
#include <QTabBar>
#include <algorithm>
#include <map>

#include "ComCtrls.h"
#include "QtControls.h"

namespace fw {

namespace {

QTabBar* TabBarOf(const TControl* c) {
  QWidget* w = WidgetOf(c);
  return w ? w->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- tab controls

FW_PUBLISH(TCustomTabControl) {
  c.Event("OnChange", &TCustomTabControl::OnChange);
  c.Event("OnChanging", &TCustomTabControl::OnChanging);
}

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetTabStop(true);
  clickFocus_ = true;
  SetBounds(0, 0, 289, 193);
}

TCustomTabControl::~TCustomTabControl() = default;

int TCustomTabControl::TabHeight() const {
  // As high as the style makes a tab of the font; measured once a font.
  static std::map<QString, int> heights;
  QFont f = Font()->QtFont();
  QString key = f.toString();
  auto it = heights.find(key);
  if (it != heights.end()) return it->second;
  EnsureQtApplication();
  QTabBar probe;
  probe.setFont(f);
  probe.addTab("Xg");
  return heights[key] = probe.sizeHint().height();
}

TRect TCustomTabControl::DisplayRect() const {
  TRect r = ClientRect();
  TRect d = Rect(4, TabHeight() + 4, r.Right - 4, r.Bottom - 4);
  if (d.Right < d.Left) d.Right = d.Left;
  if (d.Bottom < d.Top) d.Bottom = d.Top;
  return d;
}

void TCustomTabControl::AdjustClientRect(TRect& Rect) { Rect = DisplayRect(); }

void TCustomTabControl::CreateWnd() {
  TCustomControl::CreateWnd();
  auto* bar = new QTabBar(WidgetOf(this));
  bar->setAttribute(Qt::WA_TransparentForMouseEvents);
  bar->setFocusPolicy(Qt::NoFocus);
  bar->setDrawBase(false);
  bar->setExpanding(false);
  bar->setUsesScrollButtons(false);
  bar->setElideMode(Qt::ElideNone);
  UpdateTabs();
  bar->show();
}

void TCustomTabControl::UpdateTabs() {
  QTabBar* bar = TabBarOf(this);
  if (!bar) return;
  QSignalBlocker quiet(bar);
  std::vector<std::string> captions = TabCaptions();
  while (bar->count() > static_cast<int>(captions.size())) bar->removeTab(bar->count() - 1);
  for (std::size_t i = 0; i < captions.size(); ++i) {
    int at = static_cast<int>(i);
    if (at < bar->count()) bar->setTabText(at, ToQString(captions[i]));
    else bar->addTab(ToQString(captions[i]));
  }
  if (CurrentTab() >= 0 && CurrentTab() < bar->count()) bar->setCurrentIndex(CurrentTab());
  bar->setFont(Font()->QtFont());
  bar->setGeometry(2, 0, std::max(0, Width() - 4), TabHeight());
}

void TCustomTabControl::FontChanged() {
  TCustomControl::FontChanged();
  UpdateTabs();
  Realign();
}

void TCustomTabControl::BoundsChanged() {
  TCustomControl::BoundsChanged();
  if (QTabBar* bar = TabBarOf(this)) bar->setGeometry(2, 0, std::max(0, Width() - 4), TabHeight());
}

void TCustomTabControl::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  TRect pane = Rect(0, TabHeight() - 1, ClientWidth(), ClientHeight());
  DrawEdge(c, pane, EDGE_RAISED, BF_RECT | BF_SOFT);
}

int TCustomTabControl::IndexOfTabAt(int X, int Y) const {
  QTabBar* bar = TabBarOf(this);
  if (!bar) return -1;
  return bar->tabAt(QPoint(X, Y) - bar->pos());
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::ChooseByUser(int Index) {
  if (Index < 0 || Index >= static_cast<int>(TabCaptions().size()) || Index == CurrentTab()) return;
  if (!CanChange()) return;
  TabChosen(Index);
  Change();
}

void TCustomTabControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!TakeClickFocus()) return;
      ChooseByUser(IndexOfTabAt(Message.XPos(), Message.YPos()));
      return;
    case WM_KEYDOWN:
      if (Message.CharCode() == VK_LEFT) ChooseByUser(CurrentTab() - 1);
      else if (Message.CharCode() == VK_RIGHT) ChooseByUser(CurrentTab() + 1);
      return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    default: TCustomControl::DefaultHandler(Message);
  }
}

// ---------------------------------------------------------------- tab control

FW_PUBLISH(TTabControl) {
  c.Property("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1);
  c.Property("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs);
}

TTabControl::TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner), tabs_(std::make_unique<TControlStrings>()) {
  // The first tab added is the current one, and the current one keeps its
  // line when others come and go.
  tabs_->OnInserted = [this](int i) {
    if (tabIndex_ < 0) tabIndex_ = 0;
    else if (i <= tabIndex_) ++tabIndex_;
  };
  tabs_->OnDeleted = [this](int i) {
    if (i < tabIndex_ || tabIndex_ >= tabs_->Count()) --tabIndex_;
  };
  tabs_->OnReset = [this] { tabIndex_ = tabs_->Count() > 0 ? 0 : -1; };
  tabs_->OnUpdated = [this] { UpdateTabs(); };
}

TTabControl::~TTabControl() = default;

TStrings* TTabControl::Tabs() const { return tabs_.get(); }

void TTabControl::SetTabs(const TStrings* v) { tabs_->Assign(v); }

void TTabControl::SetTabIndex(int v) {
  if (v < -1 || v >= tabs_->Count()) v = -1;
  tabIndex_ = v;
  UpdateTabs();
}

std::vector<std::string> TTabControl::TabCaptions() const {
  std::vector<std::string> v;
  for (int i = 0; i < tabs_->Count(); ++i) v.push_back(tabs_->Strings(i));
  return v;
}

// ---------------------------------------------------------------- pages

FW_PUBLISH(TTabSheet) {
  c.Property("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl);
  c.Property("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex).Stored(false);
  c.Property("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
}

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  TControl::SetVisible(false);
  SetAlign(alClient);
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* v) { SetParent(v); }

void TTabSheet::SetTabVisible(bool v) {
  if (v == tabVisible_) return;
  tabVisible_ = v;
  if (TPageControl* pc = PageControl()) pc->UpdateTabs();
}

int TTabSheet::PageIndex() const {
  TPageControl* pc = PageControl();
  if (!pc) return -1;
  auto it = std::find(pc->pages_.begin(), pc->pages_.end(), this);
  return it == pc->pages_.end() ? -1 : static_cast<int>(it - pc->pages_.begin());
}

void TTabSheet::SetPageIndex(int v) {
  TPageControl* pc = PageControl();
  int i = PageIndex();
  if (!pc || i < 0) return;
  v = std::clamp(v, 0, pc->PageCount() - 1);
  pc->pages_.erase(pc->pages_.begin() + i);
  pc->pages_.insert(pc->pages_.begin() + v, this);
  pc->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  TPageControl* pc = PageControl();
  if (!pc || !tabVisible_) return -1;
  int n = 0;
  for (TTabSheet* p : pc->pages_) {
    if (p == this) return n;
    if (p->tabVisible_) ++n;
  }
  return -1;
}

void TTabSheet::TextChanged() {
  if (TPageControl* pc = PageControl()) pc->UpdateTabs();
}

FW_PUBLISH(TPageControl) {
  c.Property("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
}

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return pages_[static_cast<std::size_t>(Index)];
}

void TPageControl::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_CONTROLCHANGE) {
    auto* control = reinterpret_cast<TControl*>(Message.WParam);
    if (!Message.LParam) {
      // A page that goes may be past the point of telling its class.
      auto gone = [control](TTabSheet* p) { return static_cast<TControl*>(p) == control; };
      if (std::any_of(pages_.begin(), pages_.end(), gone)) {
        pages_.erase(std::remove_if(pages_.begin(), pages_.end(), gone), pages_.end());
        if (static_cast<TControl*>(activePage_) == control) activePage_ = nullptr;
        UpdateTabs();
      }
    } else if (auto* page = dynamic_cast<TTabSheet*>(control)) {
      pages_.push_back(page);
      if (!activePage_) SetActivePage(page);
      UpdateTabs();
    }
  }
  TCustomTabControl::Dispatch(Message);
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->PageControl() != this) return;
  TTabSheet* old = activePage_;
  activePage_ = Page;
  if (Page) {
    Page->SetVisible(true);
    Page->BringToFront();
  }
  if (old && old != Page) old->SetVisible(false);
  UpdateTabs();
}

void TPageControl::SetActivePageIndex(int v) { SetActivePage(v >= 0 && v < PageCount() ? Pages(v) : nullptr); }

TTabSheet* TPageControl::PageOfTab(int Index) const {
  for (TTabSheet* p : pages_)
    if (p->TabVisible() && Index-- == 0) return p;
  return nullptr;
}

std::vector<std::string> TPageControl::TabCaptions() const {
  std::vector<std::string> v;
  for (TTabSheet* p : pages_)
    if (p->TabVisible()) v.push_back(p->Caption());
  return v;
}

void TPageControl::TabChosen(int Index) { SetActivePage(PageOfTab(Index)); }

void TPageControl::Loaded() {
  TCustomTabControl::Loaded();
  UpdateTabs();
}

}  // namespace fw
