// The list box and the combo box.
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "Chars.h"
#include "Exceptions.h"
#include "Forms.h"
#include "QtControls.h"
#include "Scope.h"
#include "Services.h"
#include "StdCtrls.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- lines

FW_IMPLEMENT_CLASS(TControlStrings)

std::string TControlStrings::Strings(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].Str;
}

void TControlStrings::SetStrings(int index, const std::string& s) {
  CheckIndex(index, Count());
  items_[static_cast<std::size_t>(index)].Str = s;
  Done();
}

TObject* TControlStrings::Objects(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].Obj;
}

void TControlStrings::SetObjects(int index, TObject* object) {
  CheckIndex(index, Count());
  items_[static_cast<std::size_t>(index)].Obj = object;
}

void TControlStrings::Insert(int index, const std::string& s) {
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, Item{s, nullptr});
  if (OnInserted) OnInserted(index);
  Done();
}

int TControlStrings::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (sorted_) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s,
                               [](const std::string& a, const Item& b) { return AnsiCompareText(a, b.Str) < 0; });
    index = static_cast<int>(it - items_.begin());
  }
  items_.insert(items_.begin() + index, Item{s, object});
  if (OnInserted) OnInserted(index);
  Done();
  return index;
}

void TControlStrings::Delete(int index) {
  CheckIndex(index, Count());
  items_.erase(items_.begin() + index);
  if (OnDeleted) OnDeleted(index);
  Done();
}

void TControlStrings::Clear() {
  if (items_.empty()) return;
  items_.clear();
  if (OnReset) OnReset();
  Done();
}

void TControlStrings::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
  if (OnReset) OnReset();
  Done();
}

void TControlStrings::SetSorted(bool v) {
  if (v == sorted_) return;
  sorted_ = v;
  if (!v) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [](const Item& a, const Item& b) { return AnsiCompareText(a.Str, b.Str) < 0; });
  if (OnReset) OnReset();
  Done();
}

void TControlStrings::Done() {
  if (UpdateCount() > 0) {
    pending_ = true;
    return;
  }
  pending_ = false;
  if (OnUpdated) OnUpdated();
}

void TControlStrings::SetUpdateState(bool updating) {
  if (!updating && pending_) Done();
}

// ---------------------------------------------------------------- list box

// The rows scroll by whole rows: the bar's value is the top row.
class TCustomListBox::TListWidget : public TBridgedScroll<QAbstractScrollArea> {
public:
  TListWidget(TCustomListBox* lb, QWidget* parent) : TBridgedScroll<QAbstractScrollArea>(lb, parent), lb_(lb) {
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->installEventFilter(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QObject::connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
      if (!syncing_) Guarded(lb_, [&] { lb_->SetTopIndex(v); });
    });
  }
  void Sync(int max, int page, int value, bool bar) {
    syncing_ = true;
    setVerticalScrollBarPolicy(bar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setRange(0, max);
    verticalScrollBar()->setPageStep(std::max(1, page));
    verticalScrollBar()->setValue(value);
    syncing_ = false;
  }

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == verticalScrollBar() && e->type() == QEvent::MouseButtonPress && Control()) {
      QPoint g = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
      auto alive = lb_->LifeToken();
      Guarded(lb_, [&] { lb_->Perform(WM_NCLBUTTONDOWN, HTVSCROLL, MakeLParam(g.x(), g.y())); });
      if (!*alive) return true;
    }
    return TBridgedScroll<QAbstractScrollArea>::eventFilter(o, e);
  }

private:
  TCustomListBox* lb_;
  bool syncing_ = false;
};

FW_PUBLISH(TCustomListBox) {
  c.Property("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle).Default(bsSingle);
  c.Property("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight).Default(false);
  c.Property("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
  c.Property("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
  c.Property("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
  c.Property("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).Default(false);
  c.Property("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).Default(lbStandard);
  c.Event("OnDrawItem", &TCustomListBox::OnDrawItem);
  c.Event("OnMeasureItem", &TCustomListBox::OnMeasureItem);
}

FW_IMPLEMENT_CLASS(TListBox)

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<TControlStrings>()) {
  SetControlStyle({csSetCaption, csDoubleClicks, csCaptureMouse, csOpaque, csAcceptsControls});
  SetColor(clWindow);
  SetTabStop(true);
  clickFocus_ = true;
  items_->OnInserted = [this](int i) { Inserted(i); };
  items_->OnDeleted = [this](int i) { Deleted(i); };
  items_->OnReset = [this] { Reset(); };
  items_->OnUpdated = [this] { Updated(); };
  SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

TControlBridge* TCustomListBox::CreateWidget(const TCreateParams& Params) {
  auto* w = new TListWidget(this, ParentWidgetOf(this));
  ApplyFrameStyle(w, Params);
  return w;
}

void TCustomListBox::CreateWnd() {
  TCustomControl::CreateWnd();
  Layout();
}

void TCustomListBox::FontChanged() {
  TCustomControl::FontChanged();
  if (style_ == lbOwnerDrawVariable) Reset();
  Updated();
}

void TCustomListBox::Loaded() {
  TCustomControl::Loaded();
  SetBounds(Left(), Top(), Width(), Height());
  Updated();
}

int TCustomListBox::ItemHeight() const {
  if (style_ != lbStandard) return itemHeight_;
  return std::max(1, QFontMetrics(Font()->QtFont()).height());
}

void TCustomListBox::SetItemHeight(int v) {
  if (v <= 0 || v == itemHeight_) return;
  itemHeight_ = v;
  SetBounds(Left(), Top(), Width(), Height());
  Updated();
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
  if (v == style_) return;
  style_ = v;
  Reset();
  Updated();
}

void TCustomListBox::SetIntegralHeight(bool v) {
  if (v == integralHeight_) return;
  integralHeight_ = v;
  SetBounds(Left(), Top(), Width(), Height());
}

void TCustomListBox::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  selected_.assign(static_cast<std::size_t>(Count()), false);
  Invalidate();
}

void TCustomListBox::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

void TCustomListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (integralHeight_ && style_ != lbOwnerDrawVariable && !ComponentState().Contains(csLoading)) {
    int border = 2 * BorderExtent();
    int rows = std::max(0, (AHeight - border) / ItemHeight());
    AHeight = rows * ItemHeight() + border;
  }
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!settingBounds_) {
    TRestoreScope setting(settingBounds_, true);
    Layout();
  }
}

// ---- rows

int TCustomListBox::RowHeight(int Index) const {
  if (style_ == lbOwnerDrawVariable && Index >= 0 && Index < static_cast<int>(heights_.size()))
    return heights_[static_cast<std::size_t>(Index)];
  return ItemHeight();
}

int TCustomListBox::RowsFrom(int Top, int Height) const {
  int rows = 0;
  for (int i = Top, y = 0; i < Count(); ++i) {
    y += RowHeight(i);
    if (y > Height) break;
    ++rows;
  }
  return rows;
}

int TCustomListBox::MaxTopIndex() const {
  int h = TWinControl::GetClientRect().Height();
  if (style_ != lbOwnerDrawVariable) return std::max(0, Count() - h / ItemHeight());
  int top = Count(), y = 0;
  while (top > 0 && y + RowHeight(top - 1) <= h) y += RowHeight(--top);
  return std::min(top, std::max(0, Count() - 1));
}

bool TCustomListBox::NeedsScrollBar() const { return MaxTopIndex() > 0; }

TRect TCustomListBox::GetClientRect() const {
  TRect r = TWinControl::GetClientRect();
  if (!NeedsScrollBar()) r.Right += GetSystemMetrics(SM_CXVSCROLL);
  r.Right = std::max(0, std::min(r.Right, Width() - 2 * BorderExtent()));
  return r;
}

void TCustomListBox::Layout() {
  int top = std::clamp(topIndex_, 0, MaxTopIndex());
  bool moved = top != topIndex_;
  topIndex_ = top;
  if (auto* w = dynamic_cast<TListWidget*>(WidgetOf(this)))
    w->Sync(MaxTopIndex(), RowsFrom(topIndex_, ClientHeight()), topIndex_, NeedsScrollBar());
  if (moved) Scrolled();
}

void TCustomListBox::Updated() {
  if (items_->UpdateCount() > 0) return;
  Layout();
  Invalidate();
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::Inserted(int Index) {
  auto at = static_cast<std::size_t>(Index);
  if (multiSelect_) selected_.insert(selected_.begin() + static_cast<std::ptrdiff_t>(at), false);
  if (style_ == lbOwnerDrawVariable) {
    int h = itemHeight_;
    MeasureItem(Index, h);
    heights_.insert(heights_.begin() + static_cast<std::ptrdiff_t>(at), std::max(1, h));
  }
  if (itemIndex_ >= Index) ++itemIndex_;
  if (anchor_ >= Index) ++anchor_;
}

void TCustomListBox::Deleted(int Index) {
  auto at = static_cast<std::ptrdiff_t>(Index);
  if (multiSelect_ && Index < static_cast<int>(selected_.size())) selected_.erase(selected_.begin() + at);
  if (style_ == lbOwnerDrawVariable && Index < static_cast<int>(heights_.size())) heights_.erase(heights_.begin() + at);
  if (itemIndex_ == Index) itemIndex_ = -1;
  else if (itemIndex_ > Index) --itemIndex_;
  if (anchor_ >= Index) anchor_ = -1;
}

void TCustomListBox::Reset() {
  itemIndex_ = anchor_ = -1;
  bool moved = topIndex_ != 0;
  topIndex_ = 0;
  selected_.assign(multiSelect_ ? static_cast<std::size_t>(Count()) : 0, false);
  heights_.clear();
  if (style_ == lbOwnerDrawVariable)
    for (int i = 0; i < Count(); ++i) {
      int h = itemHeight_;
      MeasureItem(i, h);
      heights_.push_back(std::max(1, h));
    }
  if (moved) Scrolled();
}

TRect TCustomListBox::ItemRect(int Index) const {
  if (Index < 0 || Index > Count()) return TRect{};
  int y = 0;
  if (Index >= topIndex_)
    for (int i = topIndex_; i < Index; ++i) y += RowHeight(i);
  else
    for (int i = Index; i < topIndex_; ++i) y -= RowHeight(i);
  int h = Index < Count() ? RowHeight(Index) : ItemHeight();
  return Rect(0, y, ClientWidth(), y + h);
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) const {
  if (PtInRect(ClientRect(), Pos)) {
    int y = 0;
    for (int i = topIndex_; i < Count(); ++i) {
      y += RowHeight(i);
      if (Pos.Y < y) return i;
    }
  }
  return Existing ? -1 : Count();
}

void TCustomListBox::SetTopIndex(int v) {
  v = std::clamp(v, 0, MaxTopIndex());
  if (v == topIndex_) return;
  topIndex_ = v;
  Layout();
  Invalidate();
  Scrolled();
}

void TCustomListBox::MakeVisible(int Index) {
  if (Index < 0 || Index >= Count()) return;
  if (Index < topIndex_) return SetTopIndex(Index);
  int h = ClientHeight();
  if (ItemRect(Index).Bottom <= h) return;
  // The lowest top row that still shows the row whole.
  int top = Index, used = RowHeight(Index);
  while (top > topIndex_ && used + RowHeight(top - 1) <= h) used += RowHeight(--top);
  SetTopIndex(top);
}

// ---- selection

bool TCustomListBox::Selected(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (multiSelect_) return selected_[static_cast<std::size_t>(Index)];
  return Index == itemIndex_;
}

void TCustomListBox::SetSelected(int Index, bool v) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (multiSelect_) selected_[static_cast<std::size_t>(Index)] = v;
  else if (v) itemIndex_ = Index;
  else if (itemIndex_ == Index) itemIndex_ = -1;
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!multiSelect_) return -1;
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::SetItemIndex(int v) {
  if (v < -1 || v >= Count()) v = -1;
  if (v == itemIndex_) return;
  itemIndex_ = v;
  if (!multiSelect_) anchor_ = v;
  MakeVisible(v);
  Invalidate();
}

void TCustomListBox::SelectByUser(int Index, TShiftState Shift) {
  if (Index < 0 || Index >= Count()) return;
  int old = itemIndex_;
  if (multiSelect_) {
    if (Shift.Contains(ssShift) && anchor_ >= 0) {
      std::fill(selected_.begin(), selected_.end(), false);
      for (int i = std::min(anchor_, Index); i <= std::max(anchor_, Index); ++i) selected_[static_cast<std::size_t>(i)] = true;
    } else if (Shift.Contains(ssCtrl)) {
      selected_[static_cast<std::size_t>(Index)] = !selected_[static_cast<std::size_t>(Index)];
      anchor_ = Index;
    } else {
      std::fill(selected_.begin(), selected_.end(), false);
      selected_[static_cast<std::size_t>(Index)] = true;
      anchor_ = Index;
    }
  }
  itemIndex_ = Index;
  if (!multiSelect_) anchor_ = Index;
  MakeVisible(Index);
  Invalidate();
  if (Index != old || multiSelect_) Click();
}

void TCustomListBox::MoveBy(int Rows, TShiftState Shift) {
  if (Count() == 0) return;
  int i = itemIndex_ < 0 ? (Rows > 0 ? 0 : Count() - 1) : itemIndex_ + Rows;
  SelectByUser(std::clamp(i, 0, Count() - 1), Shift - TShiftState{ssCtrl});
}

int TCustomListBox::FindPrefix(int After, const std::string& Prefix) const {
  int n = Count();
  std::size_t len = CharLength(Prefix);
  for (int k = 1; k <= n; ++k) {
    int i = ((After < 0 ? -1 : After) + k) % n;
    std::string s = items_->Strings(i);
    if (AnsiSameText(s.substr(0, CharOffset(s, len)), Prefix)) return i;
  }
  return -1;
}

// ---- painting

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem && style_ != lbStandard) return OnDrawItem(this, Index, Rect, State);
  TCanvas* c = Canvas();
  c->FillRect(Rect);
  c->TextOut(Rect.Left + 2, Rect.Top, items_->Strings(Index));
}

void TCustomListBox::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  // A pop-up list is drawn as if it had the focus: the focus stays with its opener.
  bool focusedLook = Focused() || IsPopup();
  int y = 0;
  for (int i = topIndex_; i < Count() && y < client.Bottom; ++i) {
    TRect r = Rect(0, y, client.Right, y + RowHeight(i));
    TOwnerDrawState state;
    if (Selected(i)) state.Include(odSelected);
    if (focusedLook && i == itemIndex_) state.Include(odFocused);
    if (!Enabled()) state.Include(odDisabled);
    c->SetFont(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (state.Contains(odSelected)) {
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
    }
    DrawItem(i, r, state);
    if (state.Contains(odFocused)) c->DrawFocusRect(r);
    y = r.Bottom;
  }
  if (y < client.Bottom) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(Rect(0, y, client.Right, client.Bottom));
  }
}

// ---- messages

void TCustomListBox::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_SETFOCUS || Message.Msg == WM_KILLFOCUS) {
    TCustomControl::Dispatch(Message);
    Invalidate();  // the focused row looks different
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomListBox::DefaultHandler(TMessage& Message) {
  TPoint p{Message.XPos(), Message.YPos()};
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!TakeClickFocus()) return;
      tracking_ = true;
      int i = ItemAtPos(p, true);
      if (i >= 0) SelectByUser(i, KeysToShiftState(Message.Keys()) - TShiftState{ssLeft});
      return;
    }
    case WM_MOUSEMOVE: {
      if (!tracking_ || !(Message.Keys() & MK_LBUTTON) || Count() == 0) return;
      // Dragging with the button down picks the row under the mouse, and
      // scrolls a row at a time beyond the ends.
      int i = 0;
      if (p.Y < 0) i = topIndex_ - 1;
      else if (p.Y >= ClientHeight()) i = topIndex_ + RowsFrom(topIndex_, ClientHeight());
      else i = ItemAtPos({std::clamp(p.X, 0, std::max(0, ClientWidth() - 1)), p.Y}, true);
      if (i < 0 && p.Y >= 0) i = Count() - 1;
      i = std::clamp(i, 0, Count() - 1);
      if (i != itemIndex_) SelectByUser(i, multiSelect_ ? TShiftState{ssShift} : TShiftState{});
      return;
    }
    case WM_LBUTTONUP: tracking_ = false; return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: TakeClickFocus(); return;
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<std::int16_t>((Message.WParam >> 16) & 0xFFFF);
      SetTopIndex(topIndex_ - delta / 40);
      return;
    }
    case WM_KEYDOWN: {
      TShiftState shift = KeyDataToShiftState(Message.KeyData());
      int page = std::max(1, RowsFrom(topIndex_, ClientHeight()) - 1);
      switch (Message.CharCode()) {
        case VK_UP: MoveBy(-1, shift); break;
        case VK_DOWN: MoveBy(1, shift); break;
        case VK_PRIOR: MoveBy(-page, shift); break;
        case VK_NEXT: MoveBy(page, shift); break;
        case VK_HOME: MoveBy(-Count(), shift); break;
        case VK_END: MoveBy(Count(), shift); break;
        default: break;
      }
      return;
    }
    case WM_CHAR: {
      auto ch = static_cast<TChar>(Message.WParam);
      if (ch < 32 || Count() == 0) return;
      std::uint32_t now = GetTickCount();
      if (now - searchTime_ > 1000) search_.clear();
      searchTime_ = now;
      search_ += CharToUtf8(ch);
      // A first letter looks from the next row on; more letters from this one.
      int from = CharLength(search_) == 1 ? itemIndex_ : itemIndex_ - 1;
      int i = FindPrefix(from, search_);
      if (i >= 0) SelectByUser(i, {});
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR: return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_VSCROLL: {
      int page = std::max(1, RowsFrom(topIndex_, ClientHeight()));
      switch (static_cast<int>(Message.WParam & 0xFFFF)) {
        case SB_LINEUP: SetTopIndex(topIndex_ - 1); break;
        case SB_LINEDOWN: SetTopIndex(topIndex_ + 1); break;
        case SB_PAGEUP: SetTopIndex(topIndex_ - page); break;
        case SB_PAGEDOWN: SetTopIndex(topIndex_ + page); break;
        case SB_TOP: SetTopIndex(0); break;
        case SB_BOTTOM: SetTopIndex(Count()); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: SetTopIndex(static_cast<int>((Message.WParam >> 16) & 0xFFFF)); break;
        default: break;
      }
      return;
    }
    case LB_SELECTSTRING: {
      const char* s = reinterpret_cast<const char*>(Message.LParam);
      int i = FindPrefix(static_cast<int>(static_cast<std::intptr_t>(Message.WParam)), s ? s : "");
      if (i >= 0) {
        if (multiSelect_) SetSelected(i, true);
        SetItemIndex(i);
      }
      Message.Result = i >= 0 ? i : LB_ERR;
      return;
    }
    case WM_NCLBUTTONDOWN: return;
    default: TCustomControl::DefaultHandler(Message);
  }
}

// ---------------------------------------------------------------- combo box

namespace {

class TComboWidget : public TBridged<QComboBox> {
public:
  using TBridged<QComboBox>::TBridged;
};

}  // namespace

FW_PUBLISH(TCustomComboBox) {
  c.Property("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
  c.Property("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
  c.Property("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  c.Property("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).Default(false);
  c.Property("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).Default(csDropDown);
  c.Event("OnChange", &TCustomComboBox::OnChange);
}

FW_IMPLEMENT_CLASS(TComboBox)

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), items_(std::make_unique<TControlStrings>()) {
  SetControlStyle({csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight});
  SetColor(clWindow);
  SetTabStop(true);
  clickFocus_ = true;
  items_->OnInserted = [this](int i) {
    if (itemIndex_ >= i) ++itemIndex_;
  };
  items_->OnDeleted = [this](int i) {
    if (itemIndex_ == i) itemIndex_ = -1;
    else if (itemIndex_ > i) --itemIndex_;
  };
  items_->OnReset = [this] { itemIndex_ = -1; };
  items_->OnUpdated = [this] { Fill(); };
  SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (v != csDropDown && v != csDropDownList) throw EInvalidOperation("Combo box style not supported");
  if (v == style_) return;
  std::string text = GetText();
  style_ = v;
  if (v == csDropDown) text_ = text;
  RecreateWnd();
}

TControlBridge* TCustomComboBox::CreateWidget(const TCreateParams&) {
  auto* w = new TComboWidget(this, ParentWidgetOf(this));
  w->setEditable(style_ == csDropDown);
  w->setInsertPolicy(QComboBox::NoInsert);
  return w;
}

void TCustomComboBox::CreateWnd() {
  TWinControl::CreateWnd();
  auto* w = static_cast<QComboBox*>(WidgetOf(this));
  Fill();
  QObject::connect(w, &QComboBox::activated, w, [this](int i) {
    if (filling_) return;
    Guarded(this, [&] {
      itemIndex_ = i;
      if (style_ == csDropDown) text_ = items_->Strings(i);
      Change();
    });
  });
  if (QLineEdit* e = w->lineEdit())
    QObject::connect(e, &QLineEdit::textEdited, w, [this](const QString& t) {
      Guarded(this, [&] {
        text_ = FromQString(t);
        itemIndex_ = items_->IndexOf(text_);
        Change();
      });
    });
}

void TCustomComboBox::DestroyWnd() {
  text_ = GetText();
  TWinControl::DestroyWnd();
}

void TCustomComboBox::ApplyWidgetState() {
  TWinControl::ApplyWidgetState();
  if (!bridge_) return;
  ApplyBaseColors(WidgetOf(this), Color(), Font()->Color());
}

void TCustomComboBox::Fill() {
  auto* w = dynamic_cast<QComboBox*>(WidgetOf(this));
  if (!w) return;
  TRestoreScope filling(filling_, true);
  QStringList lines;
  lines.reserve(items_->Count());
  for (int i = 0; i < items_->Count(); ++i) lines << ToQString(items_->Strings(i));
  w->clear();
  w->addItems(lines);
  w->setMaxVisibleItems(std::max(1, dropDownCount_));
  w->setCurrentIndex(itemIndex_);
  if (style_ == csDropDown) w->setEditText(ToQString(text_));
}

int TCustomComboBox::ItemIndex() const { return itemIndex_; }

void TCustomComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= items_->Count()) v = -1;
  itemIndex_ = v;
  if (style_ == csDropDown) text_ = v >= 0 ? items_->Strings(v) : std::string();
  if (auto* w = dynamic_cast<QComboBox*>(WidgetOf(this))) {
    TRestoreScope filling(filling_, true);
    w->setCurrentIndex(v);
    if (style_ == csDropDown) w->setEditText(ToQString(text_));
  }
}

void TCustomComboBox::SetDropDownCount(int v) {
  dropDownCount_ = v;
  if (auto* w = dynamic_cast<QComboBox*>(WidgetOf(this))) w->setMaxVisibleItems(std::max(1, v));
}

bool TCustomComboBox::DroppedDown() const {
  auto* w = dynamic_cast<QComboBox*>(WidgetOf(this));
  return w && w->view() && w->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  auto* w = dynamic_cast<QComboBox*>(WidgetOf(const_cast<TCustomComboBox*>(this)));
  if (!w) return;
  if (v) w->showPopup();
  else w->hidePopup();
}

void TCustomComboBox::Clear() {
  items_->Clear();
  SetItemIndex(-1);
}

std::string TCustomComboBox::GetText() const {
  if (style_ == csDropDownList) return itemIndex_ >= 0 ? items_->Strings(itemIndex_) : std::string();
  if (auto* w = dynamic_cast<QComboBox*>(WidgetOf(this))) return FromQString(w->currentText());
  return text_;
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Dispatch(TMessage& Message) { TWinControl::Dispatch(Message); }

void TCustomComboBox::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_SETTEXT: {
      // The text of a drop-down list is one of its items.
      const char* s = reinterpret_cast<const char*>(Message.LParam);
      std::string v = s ? s : "";
      int i = items_->IndexOf(v);
      if (style_ == csDropDownList) {
        SetItemIndex(i);
        return;
      }
      text_ = v;
      itemIndex_ = i;
      if (auto* w = dynamic_cast<QComboBox*>(WidgetOf(this))) {
        TRestoreScope filling(filling_, true);
        w->setCurrentIndex(i);
        w->setEditText(ToQString(v));
      }
      return;
    }
    default: TWinControl::DefaultHandler(Message);
  }
}

}  // namespace fw
