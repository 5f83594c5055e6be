#include "Vxdbcomb.h"

#include <algorithm>

#include "Forms.h"
#include "Messages.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"
#include "Vxcommon.h"
#include "Vxstr.h"

namespace vx {

using namespace fw;

namespace {

// The two parts of a MapList line: before its first TAB, and after it.
std::string DisplayPart(const std::string& Line) {
  int pos = 1;
  std::string token;
  strGetToken(Line, "\t", pos, token);
  return token;
}

std::string StoredPart(const std::string& Line) {
  int pos = 1;
  std::string token;
  strGetToken(Line, "\t", pos, token);
  if (pos < 0) return {};
  strGetToken(Line, "\t", pos, token);
  return token;
}

int CharCount(const std::string& s) { return static_cast<int>(CharLength(s)); }

std::string CharsOf(const std::string& s, int From, int Count) {
  const TChars chars = Utf8ToChars(s);
  const auto from = static_cast<std::size_t>(std::clamp(From, 0, static_cast<int>(chars.size())));
  return CharsToUtf8(chars.substr(from, static_cast<std::size_t>(std::max(Count, 0))));
}

bool BeginsWith(const std::string& Text, const std::string& Prefix) {
  return Text.compare(0, Prefix.size(), Prefix) == 0;
}

void HideWindow(TWinControl* Control) {
  SetWindowPos(Control->Handle(), 0, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

}  // namespace

// ---------------------------------------------------------------- TvxPopupListbox

FW_IMPLEMENT_CLASS(TvxPopupListbox)

TvxPopupListbox::TvxPopupListbox(TComponent* AOwner) : TCustomListBox(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
}

TvxDBComboBox* TvxPopupListbox::Combo() const { return dynamic_cast<TvxDBComboBox*>(Parent()); }

void TvxPopupListbox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style |= WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW;
}

void TvxPopupListbox::CreateWnd() {
  TCustomListBox::CreateWnd();
  // A pop-up window draws as focused while its opener keeps the focus.
  TMessage focus{WM_SETFOCUS, 0, 0, 0};
  DefaultHandler(focus);
}

void TvxPopupListbox::KeyPress(TChar& Key) {
  TvxDBComboBox* combo = Combo();
  if (Key == 8 || Key == 27) {
    searchText_.clear();
  } else if (Key >= 32 && Key <= 255 && combo) {
    const std::uint32_t now = GetTickCount();
    if (combo->OwnerDraw()) {
      // Owner-drawn lines have no text of the edit's to go by: typing
      // builds the search until the typist pauses.
      if (now - lastKeyTime_ > 1500) searchText_.clear();
    } else {
      searchText_ = combo->Text();
    }
    lastKeyTime_ = now;
    if (CharCount(searchText_) < 32) {
      const int start = combo->OwnerDraw() ? CharCount(searchText_) : combo->SelStart();
      const int length = combo->OwnerDraw() ? 0 : combo->SelLength();
      searchText_ = CharsOf(searchText_, 0, start) + CharToUtf8(Key) +
                    CharsOf(searchText_, start + length, CharCount(searchText_));
    }
    const std::string sought = CharsOf(searchText_, 0, 255);
    const LRESULT found = Perform(LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(sought.c_str()));
    if (found == LB_ERR && !combo->ShowMatchText()) SetItemIndex(-1);
  }
  Key = 0;
}

void TvxPopupListbox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TvxDBComboBox* combo = Combo();
  if (combo && combo->OnDrawItem) {
    if (!State.Contains(odSelected)) {
      Canvas()->Brush()->SetColor(Color());
      Canvas()->Font()->SetColor(Font()->Color());
      Canvas()->FillRect(Rect);
    }
    combo->OnDrawItem(combo, Index, Rect, State);
    return;
  }
  TCustomListBox::DrawItem(Index, Rect, State);
}

// ---------------------------------------------------------------- TvxDBComboBox

FW_PUBLISH(TvxDBComboBox) {
  c.Property("AllowClearKey", &TvxDBComboBox::AllowClearKey, &TvxDBComboBox::SetAllowClearKey).Default(false);
  c.Property("AutoDropDown", &TvxDBComboBox::AutoDropDown, &TvxDBComboBox::SetAutoDropDown).Default(false);
  c.Property("DataField", &TvxDBComboBox::DataField, &TvxDBComboBox::SetDataField);
  c.Property("DataSource", &TvxDBComboBox::DataSource, &TvxDBComboBox::SetDataSource);
  c.Property("DropDownCount", &TvxDBComboBox::DropDownCount, &TvxDBComboBox::SetDropDownCount).Default(8);
  c.Property("DropDownWidth", &TvxDBComboBox::DropDownWidth, &TvxDBComboBox::SetDropDownWidth).Default(0);
  c.Property("ItemHeight", &TvxDBComboBox::ItemHeight, &TvxDBComboBox::SetItemHeight);
  c.Property("Items", &TvxDBComboBox::Items, &TvxDBComboBox::SetItems);
  c.Property("MapList", &TvxDBComboBox::MapList, &TvxDBComboBox::SetMapList).Default(false);
  c.Property("ReadOnly", &TvxDBComboBox::ReadOnly, &TvxDBComboBox::SetReadOnly).Default(false);
  c.Property("ShowMatchText", &TvxDBComboBox::ShowMatchText, &TvxDBComboBox::SetShowMatchText).Default(false);
  c.Property("Sorted", &TvxDBComboBox::Sorted, &TvxDBComboBox::SetSorted).Default(false);
  c.Property("Style", &TvxDBComboBox::Style, &TvxDBComboBox::SetStyle).Default(fw::csDropDown);
  c.Event("OnDropDown", &TvxDBComboBox::OnDropDown);
  c.Event("OnCloseUp", &TvxDBComboBox::OnCloseUp);
  c.Event("OnDrawItem", &TvxDBComboBox::OnDrawItem);
  c.Event("OnMeasureItem", &TvxDBComboBox::OnMeasureItem);
}

TvxDBComboBox::TvxDBComboBox(TComponent* AOwner)
    : TvxDBCustomCombo(AOwner), items_(std::make_unique<TStringList>()) {
  SetButtonStyle(cbsDownArrow);
  DataLink()->OnDataChange = [this](TObject*) { ComboDataChange(); };
}

TvxDBComboBox::~TvxDBComboBox() { DataLink()->OnDataChange = nullptr; }

void TvxDBComboBox::SetItems(const TStrings* Value) {
  items_->Assign(Value);
  ComboDataChange();
}

void TvxDBComboBox::SetStyle(TComboBoxStyle Value) {
  if (Value == fw::csSimple)
    SetShowButton(false);
  else if (style_ == fw::csSimple)
    SetShowButton(true);
  style_ = Value;
}

TCanvas* TvxDBComboBox::Canvas() const {
  if (paintCanvas_) return paintCanvas_;
  return list_ ? list_->Canvas() : nullptr;
}

// ---- mapping

std::string TvxDBComboBox::GetComboDisplay(const std::string& Value) const {
  if (!mapList_) return Value;
  for (int i = 0; i < items_->Count(); ++i)
    if (StoredPart(items_->Strings(i)) == Value) return DisplayPart(items_->Strings(i));
  return {};
}

std::string TvxDBComboBox::GetComboValue(const std::string& Display) const {
  if (!mapList_) return Display;
  for (int i = 0; i < items_->Count(); ++i)
    if (DisplayPart(items_->Strings(i)) == Display) return StoredPart(items_->Strings(i));
  return {};
}

std::string TvxDBComboBox::GetComboText() {
  const std::string text = Text();
  if (style_ == fw::csDropDown && text.empty()) return {};
  return GetComboValue(text);
}

bool TvxDBComboBox::GetFieldMapText(std::string& Text) {
  if (!mapList_) return false;
  TField* f = Field();
  Text = GetComboDisplay(f ? f->Text() : std::string());
  return true;
}

void TvxDBComboBox::SetComboText(const std::string& Value) {
  if (Value == GetComboText() && !(Value.empty() && mapList_)) return;
  if (style_ == fw::csDropDown && !mapList_) {
    SetText(Value);
    return;
  }
  int index = -1;
  if (mapList_) {
    for (int i = 0; i < items_->Count(); ++i)
      if (StoredPart(items_->Strings(i)) == Value) {
        index = i;
        SetText(DisplayPart(items_->Strings(i)));
        break;
      }
  } else if (!Value.empty()) {
    index = items_->IndexOf(Value);
  }
  SetItemIndex(index);
  if (index < 0 && GetItemIndex() < 0) SetText("");
}

int TvxDBComboBox::GetItemIndex() const { return list_ ? list_->ItemIndex() : itemIndex_; }

void TvxDBComboBox::SetItemIndex(int Index) {
  itemIndex_ = Index;
  if (list_) list_->SetItemIndex(Index);
  if (Index >= 0 && Index < items_->Count()) SetText(DisplayPart(items_->Strings(Index)));
}

bool TvxDBComboBox::OwnerDraw() const {
  return style_ == fw::csOwnerDrawFixed || style_ == fw::csOwnerDrawVariable;
}

bool TvxDBComboBox::Editable() {
  if (OwnerDraw()) return false;
  return !(style_ == fw::csDropDownList && !droppedDown_ && !showMatchText_);
}

bool TvxDBComboBox::MouseEditable() { return !OwnerDraw() && style_ != fw::csDropDownList; }

void TvxDBComboBox::ListBoxNeeded() {
  if (list_) return;
  list_ = new TvxPopupListbox(this);
  list_->SetVisible(false);
  // Whole rows and the frame: the height DropDown gives, not cut to rows.
  list_->SetIntegralHeight(false);
  list_->SetItemHeight(11);
  list_->SetParent(this);
  HideWindow(list_);
  list_->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    ListMouseUp(Sender, Button, Shift, X, Y);
  };
}

void TvxDBComboBox::ApplyList() {
  ListBoxNeeded();
  TStrings* lines = list_->Items();
  lines->BeginUpdate();
  TScopeExit done([lines] { lines->EndUpdate(); });
  lines->Clear();
  for (int i = 0; i < items_->Count(); ++i) lines->Add(DisplayPart(items_->Strings(i)));
}

void TvxDBComboBox::DoSelectAll() {
  if (Editable()) SelectAll();
}

// ---- the field link

void TvxDBComboBox::ComboDataChange() {
  TField* f = Field();
  if (mapList_) {
    if (f)
      SetComboText(f->Text());
    else
      SetComboText(ComponentState().Contains(csDesigning) ? Name() : std::string());
    return;
  }
  if (f) {
    SetComboText(f->Text());
    if (OwnerDraw()) {
      SetItemIndex(items_->IndexOf(f->Text()));
      Invalidate();
    }
  }
  DataChange();
}

// ---- dropping down and closing

void TvxDBComboBox::DropDown() {
  if (droppedDown_ || style_ == fw::csSimple) return;
  Invalidate();
  ApplyList();
  if (OnDropDown) {
    OnDropDown(this);
    ApplyList();
  }
  if (style_ == fw::csOwnerDrawFixed)
    list_->SetStyle(lbOwnerDrawFixed);
  else if (style_ == fw::csOwnerDrawVariable)
    list_->SetStyle(lbOwnerDrawVariable);
  list_->SetSorted(Sorted());
  list_->SetColor(Color());
  list_->SetFont(Font());
  if (itemHeight_ > 0) list_->SetItemHeight(itemHeight_);

  const int rowHeight = list_->ItemHeight();
  const int count = list_->Count();
  const int height = count < dropDownCount_ ? count * rowHeight + 4 : rowHeight * dropDownCount_ + 4;
  const int width = dropDownWidth_ != 0 ? dropDownWidth_ : Width();

  const std::string text = Text();
  if (OwnerDraw() && Field())
    list_->SetItemIndex(items_->IndexOf(Field()->Text()));
  else
    list_->SetItemIndex(text.empty() ? -1 : list_->Items()->IndexOf(text));

  const TPoint origin = Parent() ? Parent()->ClientToScreen({Left(), Top()}) : TPoint{Left(), Top()};
  int y = origin.Y + Height() - 1;
  if (y + height > Screen->Height()) y = origin.Y - height;
  int x = origin.X;
  if (x + width >= Screen->Width()) x = origin.X + Width() - width - 1;
  SetWindowPos(list_->Handle(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);

  droppedDown_ = true;
  firstKey_ = true;
  if (CanFocus()) SetFocus();
  if (!autoDrop_) DoSelectAll();
  Invalidate();
}

void TvxDBComboBox::CloseUp(bool Accept) {
  if (!droppedDown_) return;
  if (TControl* capture = GetCaptureControl()) capture->Perform(WM_CANCELMODE, 0, 0);
  std::string chosen;
  if (Accept && list_->ItemIndex() >= 0)
    chosen = list_->Items()->Strings(list_->ItemIndex());
  else if (style_ == fw::csDropDown)
    chosen = Text();
  HideWindow(list_);
  droppedDown_ = false;
  if (Accept && chosen != Text() && EditCanModify()) {
    if (!chosen.empty())
      SetText(chosen);
    else if (style_ == fw::csDropDownList || mapList_)
      SetText("");
    itemIndex_ = list_->ItemIndex();
    SetModified(true);
  }
  Invalidate();
  DoSelectAll();
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TvxDBComboBox::ListMouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != mbLeft) return;
  const TRect r = list_->ClientRect();
  CloseUp(X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom);
}

// ---- keys

void TvxDBComboBox::WndProc(TMessage& Message) {
  const unsigned msg = Message.Msg;
  if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_SYSKEYDOWN) {
    const auto key = static_cast<Word>(Message.WParam);
    const bool caretKey = msg == WM_KEYDOWN && (key == VK_END || key == VK_HOME || key == VK_LEFT || key == VK_RIGHT);
    if (!(droppedDown_ && caretKey)) {
      Word k = key;
      HandleDropDownKeys(k, KeyDataToShiftState(Message.KeyData()));
      if (k == 0) return;
      if (droppedDown_ && list_) SendMessage(list_->Handle(), msg, Message.WParam, Message.LParam);
    }
    // Up and Down belong to the open list; the characters "&" and "(" share
    // their codes and are typed as usual.
    if (droppedDown_ && msg != WM_CHAR && (key == VK_UP || key == VK_DOWN)) return;
  }
  TvxDBCustomCombo::WndProc(Message);
}

void TvxDBComboBox::CNKeyDown(TMessage& Message) {
  if (!ComponentState().Contains(csDesigning) && droppedDown_) {
    const Word key = Message.CharCode();
    if (key == VK_TAB) {
      CloseUp(true);
    } else if (key == VK_RETURN || key == VK_ESCAPE) {
      Message.Result = 0;
      return;
    }
  }
  TvxDBCustomCombo::CNKeyDown(Message);
}

bool TvxDBComboBox::SelectLine(int I) {
  if (I < 0 || I >= items_->Count()) return false;
  if (DataSource()) {
    DataLink()->Edit();
    if (!DataLink()->Editing()) return false;
  }
  SetItemIndex(I);
  SetModified(true);
  return true;
}

void TvxDBComboBox::KeyDown(Word& Key, TShiftState Shift) {
  const bool typing = vxIsValidChar(Key);
  if (!droppedDown_ && autoDropDown_ && typing && Key != VK_BACK && Key != VK_DELETE && !Shift.Contains(ssAlt)) {
    autoDrop_ = true;
    TScopeExit clear([this] { autoDrop_ = false; });
    DropDown();
  }
  if (GetKeyState(VK_MENU) < 0) Shift.Include(ssAlt);
  const bool upDown = Key == VK_UP || Key == VK_DOWN;
  if (!droppedDown_ && (!upDown || Grid())) {
    const int count = items_->Count();
    if (style_ == fw::csDropDownList && !showMatchText_ && typing && !Shift.Contains(ssAlt) && count > 0) {
      const TChar ch = Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9 ? static_cast<TChar>('0' + (Key - VK_NUMPAD0))
                                                               : static_cast<TChar>(Key);
      const std::string letter = AnsiUpperCase(CharToUtf8(ch));
      const int from = GetItemIndex();
      for (int k = 1; k <= count; ++k) {
        const int i = ((from < 0 ? -1 : from) + k) % count;
        if (BeginsWith(AnsiUpperCase(DisplayPart(items_->Strings(i))), letter)) {
          if (SelectLine(i)) DoSelectAll();
          break;
        }
      }
    }
  } else if (!droppedDown_ && upDown) {
    if (SelectLine(GetItemIndex() + (Key == VK_UP ? -1 : 1))) DoSelectAll();
    Key = 0;
  }
  if (droppedDown_ && (style_ != fw::csDropDown || autoDropDown_) && typing && firstKey_) {
    EnableEdit();
    SetText("");
    firstKey_ = false;
  }
  if (Key != 0) TvxDBCustomCombo::KeyDown(Key, Shift);
}

void TvxDBComboBox::KeyPress(TChar& Key) {
  if (showMatchText_ && Key >= 32 && Key <= 254) {
    const std::string text = Text();
    const int selStart = SelStart(), selLength = SelLength();
    const std::string prospective = CharsOf(text, 0, selStart) + CharToUtf8(Key) +
                                    CharsOf(text, selStart + selLength, CharCount(text));
    bool matched = false;
    if (prospective != text && selStart >= CharCount(prospective) - 1) {
      const std::string wanted = UpperCase(prospective);
      const int count = items_->Count();
      const int from = std::max(0, GetItemIndex());
      for (int k = 0; k < count && !matched; ++k) {
        const int i = (from + k) % count;
        if (!BeginsWith(UpperCase(DisplayPart(items_->Strings(i))), wanted)) continue;
        matched = true;
        if (SelectLine(i)) {
          SetSelStart(CharCount(prospective));
          SetSelLength(CharCount(Text()) - CharCount(prospective));
        }
      }
    }
    if (matched || style_ == fw::csDropDownList || droppedDown_) Key = 0;
  }
  if (Key != 0) {
    const bool fill = AutoFillDate();
    if (mapList_) SetAutoFillDate(false);
    TScopeExit restore([this, fill] { SetAutoFillDate(fill); });
    TvxDBCustomCombo::KeyPress(Key);
  }
  if (Key == 13) Key = 0;
}

void TvxDBComboBox::KeyUp(Word& Key, TShiftState Shift) {
  if (allowClearKey_ && (Key == VK_DELETE || Key == VK_BACK)) {
    if (droppedDown_) {
      if (Text().empty()) SetItemIndex(-1);
    } else if (style_ == fw::csDropDownList && !showMatchText_) {
      EnableEdit();
      SetText("");
      SetItemIndex(-1);
      SetModified(true);
    }
  }
  TvxDBCustomCombo::KeyUp(Key, Shift);
}

// ---- painting

void TvxDBComboBox::ShowText(TCanvas* Canvas, const TRect& Rect, int X, int Y, const std::string& Text) {
  paintCanvas_ = Canvas;
  TScopeExit forget([this] { paintCanvas_ = nullptr; });
  if (OnDrawItem && OwnerDraw()) {
    if (droppedDown_) {
      Canvas->Brush()->SetColor(Color());
      Canvas->Font()->SetColor(Font()->Color());
    }
    Canvas->TextRect(Rect, Rect.Left, Rect.Top, "");
    OnDrawItem(this, GetItemIndex(), Rect, TOwnerDrawState{odFocused});
    return;
  }
  Canvas->TextRect(Rect, X, Y, Text);
}

// ---- messages

void TvxDBComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(Message.LParam);
      if (sender != this && sender != list_ && sender != Button() && sender != ButtonPanel()) CloseUp(true);
      return;
    }
    case WM_KILLFOCUS:
      TvxDBCustomCombo::Dispatch(Message);
      CloseUp(true);
      return;
    default: break;
  }
  TvxDBCustomCombo::Dispatch(Message);
}

}  // namespace vx
