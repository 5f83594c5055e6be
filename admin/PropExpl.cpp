#include "PropExpl.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "Chars.h"
#include "Forms.h"
#include "Resources.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

using namespace fw;

namespace dbx {

namespace {

// The message of the exception being handled.
std::string CurrentMessage() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

std::unique_ptr<TBitmap> LoadImage(const char* name) {
  auto image = std::make_unique<TBitmap>();
  if (!FindResourceData(name).Data) {
    LoadSystemBitmap(image.get(), OBM_COMBO);
    return image;
  }
  image->LoadFromResourceName(name);
  // The pictures' own transparent colour: their black glyph stays.
  image->SetTransparentColor(clOlive);
  image->SetTransparent(true);
  return image;
}

// Shows the exception being handled through the application.
void ShowCurrentError(TObject* sender) { Application->HandleException(sender); }

}  // namespace

// ---------------------------------------------------------------- TPropItem

FW_IMPLEMENT_CLASS(TPropItem)

TPropItem::TPropItem(TEProperty* property, bool raw, int level) : ItemLevel(level), property_(property), raw_(raw) {}

std::string TPropItem::Name() const {
  if (raw_) return Format("%s->\"%s\"", {property_->Name(), property_->GetCaption()});
  return property_->GetCaption();
}

TEPropertyAttributes TPropItem::Attributes() const { return property_->GetAttributes(); }

TPropEditor TPropItem::EditorType() const {
  TEPropertyAttributes a = Attributes();
  if (a.Contains(paValues)) return peValues;
  if (a.Contains(paEditor)) return peEditor;
  return peNone;
}

std::string PropertyDisplayText(TEProperty& property) {
  try {
    return property.GetText(1);
  } catch (...) {
    return std::string(kInternalError) + ": " + CurrentMessage();
  }
}

std::string TPropItem::Value() const {
  if (!raw_) return PropertyDisplayText(*property_);
  try {
    return Format("%s->\"%s\"", {VarToText(property_->GetValue()), property_->GetText(1)});
  } catch (...) {
    return std::string(kInternalError) + ": " + CurrentMessage();
  }
}

void TPropItem::SetValue(const std::string& text) { property_->SetTextVia(1, text); }

int TPropItem::DisplayLimit() const { return property_->GetDisplayLimit(); }

// ---------------------------------------------------------------- TPropEdit

FW_IMPLEMENT_CLASS(TPropEdit)

TPropEdit::TPropEdit(TComponent* AOwner, TPropExplBox* box) : TCustomEdit(AOwner), box_(box) {
  SetBorderStyle(bsNone);
  SetAutoSize(false);
  SetTabStop(false);
}

void TPropEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB; return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (box_->EditorKey(Message.CharCode(), KeyDataToShiftState(Message.KeyData()))) return;
      break;
    case WM_CHAR:
      if (box_->EditorChar(static_cast<TChar>(Message.WParam))) return;
      break;
    case WM_LBUTTONDOWN:
      if (box_->EditorClickIsDouble()) {
        TCustomEdit::WndProc(Message);
        box_->RunEditor();
        return;
      }
      break;
    case WM_LBUTTONDBLCLK: {
      auto alive = LifeToken();
      TCustomEdit::WndProc(Message);
      if (*alive) box_->RunEditor();
      return;
    }
    default: break;
  }
  TCustomEdit::WndProc(Message);
}

void TPropEdit::Change() {
  TCustomEdit::Change();
  box_->EditorChanged();
}

// ---------------------------------------------------------------- TPropSelection

FW_IMPLEMENT_CLASS(TPropSelection)

TPropSelection::TPropSelection(TComponent* AOwner, TPropExplBox* box) : TCustomControl(AOwner), box_(box) {
  SetColor(clWindow);
  SetTabStop(false);
  SetVisible(false);
}

void TPropSelection::Paint() {
  TCanvas* c = Canvas();
  box_->DrawRow(c, box_->CurrentIndex(), ClientRect(), true);
  if (!Focused() || !box_->CurrentItem()) return;
  // The caret of the name search, after the letters typed so far.
  int x = c->TextWidth(box_->SearchText()) + box_->CurrentItem()->ItemLevel * 10 + 8;
  c->Pen()->SetColor(clWindowText);
  c->MoveTo(x, 2);
  c->LineTo(x, std::max(3, Height() - 3));
}

void TPropSelection::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB; return;
    case WM_KEYDOWN:
      if (box_->StripKey(Message.CharCode(), KeyDataToShiftState(Message.KeyData()))) return;
      break;
    case WM_CHAR:
      if (box_->StripChar(static_cast<TChar>(Message.WParam))) return;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::WndProc(Message);
      Invalidate();  // the caret
      return;
    default: break;
  }
  // The strip lets the mouse through to the rows below it.
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL) {
    box_->Perform(Message.Msg, Message.WParam, MakeLParam(Message.XPos() + Left(), Message.YPos() + Top()));
    return;
  }
  TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------- TPropExplBox

FW_PUBLISH(TPropExplBox) {
  c.Property("Middle", &TPropExplBox::Middle, &TPropExplBox::SetMiddle).Default(0);
}

TPropExplBox::TPropExplBox(TComponent* AOwner)
    : TCustomListBox(AOwner),
      selection_(new TPropSelection(this, this)),
      editor_(new TPropEdit(this, this)),
      button_(new TListButton(this)),
      arrowImage_(LoadImage("DBX_INSPECT_ARROW")),
      dotsImage_(LoadImage("DBX_INSPECT_DOTS")) {
  SetStyle(lbOwnerDrawFixed);
  SetIntegralHeight(false);
  SetColor(clWindow);
  rowHeight_ = std::abs(Font()->Height()) + 5;
  SetItemHeight(rowHeight_);
  selection_->SetName("Selection");
  selection_->SetParent(this);
  editor_->SetName("EditControl");
  editor_->SetParent(selection_);
  button_->SetName("ListButton");
  button_->SetVisible(false);
  button_->SetAutoWidth(true);
  button_->SetDropAlign(daRight);
  button_->SetParent(selection_);
  button_->OnDrop = [this](TObject*, bool& canDrop) { ButtonDrop(canDrop); };
  button_->OnAccept = [this](TObject*) { ButtonAccept(); };
  button_->OnCancel = [this](TObject*) {
    LoadEditor();
    FocusEditor();
  };
  button_->OnClick = [this](TObject*) { RunEditor(); };
}

TPropExplBox::~TPropExplBox() = default;

TPropItem* TPropExplBox::Item(int index) const {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return nullptr;
  return rows_[static_cast<std::size_t>(index)].get();
}

// ---- rows

void TPropExplBox::Clear() {
  button_->HideList();
  current_ = -1;
  search_.clear();
  selection_->SetVisible(false);
  Items()->Clear();
  rows_.clear();
  insertPoint_ = 0;
  insertLevel_ = 0;
}

void TPropExplBox::AddItem(TEProperty* property, bool raw) {
  int at = std::clamp(insertPoint_, 0, static_cast<int>(rows_.size()));
  auto item = std::make_unique<TPropItem>(property, raw, insertLevel_);
  TPropItem* row = item.get();
  rows_.insert(rows_.begin() + at, std::move(item));
  {
    TScopeFail undo([&] { rows_.erase(rows_.begin() + at); });
    Items()->InsertObject(at, row->Name(), row);
  }
  if (current_ >= at) ++current_;
  insertPoint_ = at + 1;
  if (current_ >= 0) Layout();
}

void TPropExplBox::DeleteRow(int index) {
  Items()->Delete(index);
  rows_.erase(rows_.begin() + index);
  if (current_ == index) current_ = -1;
  else if (current_ > index) --current_;
  if (insertPoint_ > index) --insertPoint_;
}

int TPropExplBox::IndexOfName(const std::string& name) const {
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
    if (AnsiSameText(rows_[static_cast<std::size_t>(i)]->Name(), name)) return i;
  return -1;
}

void TPropExplBox::Expand(int row) {
  TPropItem* item = Item(row);
  if (!item || !item->IsExpandable()) return;
  item->IsExpanded = true;
  insertPoint_ = row + 1;
  insertLevel_ = item->ItemLevel + 1;
  Invalidate();
}

void TPropExplBox::Collapse(int row) {
  TPropItem* item = Item(row);
  if (!item || !item->IsExpandable()) return;
  int end = row + 1;
  while (end < Count() && Item(end)->ItemLevel > item->ItemLevel) ++end;
  bool currentGoes = current_ > row && current_ < end;
  for (int i = end - 1; i > row; --i) DeleteRow(i);
  item->IsExpanded = false;
  if (currentGoes) SetCurrentIndex(row);
  Invalidate();
}

void TPropExplBox::ToggleRow(int row) {
  TPropItem* item = Item(row);
  if (!item || !item->IsExpandable()) return;
  if (item->IsExpanded) Collapse(row);
  else Expand(row);
}

// ---- the current row

void TPropExplBox::SetCurrentIndex(int index) {
  if (Count() == 0) return;
  index = std::clamp(index, 0, Count() - 1);
  if (index == current_) return LoadEditor();
  if (button_->Focused()) FocusEditor();
  button_->HideList();
  current_ = index;
  search_.clear();
  SetItemIndex(index);
  ShowStrip();
  Invalidate();
  selection_->Invalidate();
  if (OnSelect) OnSelect(CurrentItem()->Property());
}

void TPropExplBox::ShowStrip() {
  TPropItem* item = CurrentItem();
  if (!item) return;
  switch (item->EditorType()) {
    case peValues:
      button_->SetGlyph(arrowImage_.get());
      button_->SetVisible(true);
      break;
    case peEditor:
      button_->SetGlyph(dotsImage_.get());
      button_->SetVisible(true);
      break;
    default:
      if (button_->Focused()) FocusEditor();
      button_->SetVisible(false);
      break;
  }
  button_->SetSorted(item->Attributes().Contains(paSortList));
  Layout();
  selection_->SetVisible(true);
  LoadEditor();
}

void TPropExplBox::Layout() {
  Canvas()->SetFont(Font());
  rowHeight_ = Canvas()->TextHeight("A") + 3;
  if (ItemHeight() != rowHeight_) SetItemHeight(rowHeight_);
  int width = ClientWidth();
  if (current_ < 0) {
    selection_->SetVisible(false);
    return;
  }
  selection_->SetBounds(0, (current_ - TopIndex()) * rowHeight_, width, rowHeight_);
  button_->SetMinListWidth(width - middle_);
  button_->SetMaxListWidth(width);
  button_->SetBounds(width - rowHeight_, 0, rowHeight_, rowHeight_);
  int editorWidth = width - middle_ - 4 - (button_->Visible() ? rowHeight_ : 0);
  editor_->SetBounds(middle_ + 3, 1, std::max(0, editorWidth), std::max(0, rowHeight_ - 2));
}

void TPropExplBox::KeepMiddleInLimits() {
  int width = ClientWidth();
  if (middle_ == 0) middle_ = width / 2;
  int low = 2 * rowHeight_, high = width - 3 * rowHeight_;
  // Too narrow for both limits: the two columns share what there is.
  if (high < low) middle_ = std::max(0, width / 2);
  else middle_ = std::clamp(middle_, low, high);
}

void TPropExplBox::SetMiddle(int value) {
  middle_ = value;
  if (ComponentState().Contains(csLoading)) return;
  Layout();
  Invalidate();
  selection_->Invalidate();
}

void TPropExplBox::SizeChanged() {
  TCustomListBox::SizeChanged();
  KeepMiddleInLimits();
  Layout();
}

void TPropExplBox::FontChanged() {
  TCustomListBox::FontChanged();
  Layout();
}

void TPropExplBox::Scrolled() {
  TCustomListBox::Scrolled();
  Layout();
}

// ---- the editor

void TPropExplBox::LoadEditor() {
  TPropItem* item = CurrentItem();
  if (!item) return;
  TRestoreScope updating(updating_, true);
  savedText_ = item->Value();
  editor_->SetText(savedText_);
  editor_->SetMaxLength(item->DisplayLimit());
  editor_->SetReadOnly(item->Raw() || !item->Attributes().Contains(paEditable));
  editor_->SetModified(false);
  editor_->SelectAll();
}

bool TPropExplBox::Commit(bool OnlyIfModified, bool Report) {
  TPropItem* item = CurrentItem();
  if (!item) return true;
  // A raw row's text is the value beside its display: it is no value to store.
  if (item->Raw()) return true;
  if (OnlyIfModified && !editor_->Modified()) return true;
  editor_->SetModified(false);
  try {
    TRestoreScope updating(updating_, true);
    item->SetValue(editor_->Text());
  } catch (...) {
    if (!Report) throw;
    SetItemIndex(current_);
    ShowCurrentError(this);
    LoadEditor();
    return false;
  }
  return true;
}

void TPropExplBox::RunEditor() {
  if (TPropItem* item = CurrentItem()) {
    try {
      item->Property()->Edit();
    } catch (...) {
      ShowCurrentError(this);
    }
  }
  LoadEditor();
  Invalidate();
  selection_->Invalidate();
}

void TPropExplBox::EditorChanged() {
  if (updating_) return;
  TPropItem* item = CurrentItem();
  if (item && item->Attributes().Contains(paAutoUpdate)) Commit(true, true);
}

void TPropExplBox::FocusEditor() {
  if (editor_->CanFocus()) editor_->SetFocus();
}

bool TPropExplBox::EditorClickIsDouble() const {
  return selectClicked_ && GetTickCount() - selectClickTime_ <= GetDoubleClickTime();
}

int TPropExplBox::PageRows() const { return std::max(1, ClientHeight() / std::max(1, rowHeight_) - 1); }

void TPropExplBox::MoveBy(int rows) {
  if (current_ < 0) return;
  if (!Commit(true, true)) return;
  SetCurrentIndex(current_ + rows);
}

bool TPropExplBox::EditorKey(Word Key, TShiftState Shift) {
  selectClicked_ = false;
  switch (Key) {
    case VK_DOWN:
      if (Shift.Contains(ssAlt)) {
        if (button_->Visible()) button_->DropDown();
        return true;
      }
      MoveBy(1);
      return true;
    case VK_UP: MoveBy(-1); return true;
    case VK_NEXT: MoveBy(PageRows()); return true;
    case VK_PRIOR: MoveBy(-PageRows()); return true;
    case VK_TAB:
      if (!Shift.Contains(ssCtrl)) return false;
      if (TCustomForm* form = GetParentForm(this)) form->SelectNext(this, !Shift.Contains(ssShift), true);
      return true;
    default: return false;
  }
}

bool TPropExplBox::EditorChar(TChar Ch) {
  switch (Ch) {
    case 9:
      search_.clear();
      if (selection_->CanFocus()) selection_->SetFocus();
      return true;
    case 13:
      Commit(false, true);
      LoadEditor();
      return true;
    case 10: RunEditor(); return true;
    case 27: {
      {
        TRestoreScope updating(updating_, true);
        editor_->SetText(savedText_);
      }
      Commit(false, true);
      LoadEditor();
      return true;
    }
    default: return false;
  }
}

// ---- the name search in the strip

int TPropExplBox::GroupStart(int row) const {
  int level = Item(row)->ItemLevel;
  while (row > 0 && Item(row - 1)->ItemLevel >= level) --row;
  return row;
}

bool TPropExplBox::Search(const std::string& text) {
  if (current_ < 0) return false;
  int level = CurrentItem()->ItemLevel;
  std::size_t length = CharLength(text);
  for (int i = GroupStart(current_); i < Count() && Item(i)->ItemLevel >= level; ++i) {
    if (Item(i)->ItemLevel != level) continue;
    std::string name = Item(i)->Name();
    std::string prefix = name.substr(0, CharOffset(name, length));
    if (CharLength(prefix) != length || !AnsiSameText(prefix, text)) continue;
    SetCurrentIndex(i);
    search_ = prefix;
    selection_->Invalidate();
    return true;
  }
  return false;
}

void TPropExplBox::StripEscape(bool backspace) {
  if (current_ < 0) return;
  int start = GroupStart(current_);
  if (CurrentItem()->ItemLevel > 0 && start > 0) {
    SetCurrentIndex(start - 1);
    Collapse(start - 1);
  } else if (backspace) {
    SetCurrentIndex(0);
  } else {
    FocusEditor();
  }
  selection_->Invalidate();
}

bool TPropExplBox::StripKey(Word Key, TShiftState Shift) {
  switch (Key) {
    case VK_DOWN:
    case VK_UP:
    case VK_NEXT:
    case VK_PRIOR:
      search_.clear();
      EditorKey(Key, Shift);
      selection_->Invalidate();
      return true;
    case VK_TAB: return Shift.Contains(ssCtrl) && EditorKey(Key, Shift);
    default: return false;
  }
}

bool TPropExplBox::StripChar(TChar Ch) {
  if (IsLetter(Ch) || IsDigit(Ch) || Ch == U'_') {
    Search(search_ + CharToUtf8(Ch));
    return true;
  }
  switch (Ch) {
    case 8:
      if (search_.empty()) {
        StripEscape(true);
      } else {
        std::string shorter = search_.substr(0, CharOffset(search_, CharLength(search_) - 1));
        search_ = shorter;
        Search(shorter);
      }
      return true;
    case 27:
      if (search_.empty()) StripEscape(false);
      search_.clear();
      selection_->Invalidate();
      return true;
    case 9:
    case 13:
      FocusEditor();
      return true;
    case 10:
      FocusEditor();
      RunEditor();
      return true;
    case U'.': {
      if (current_ < 0) return true;
      int row = current_;
      if (!CurrentItem()->IsExpanded) Expand(row);
      if (Item(row + 1) && Item(row + 1)->ItemLevel > Item(row)->ItemLevel) SetCurrentIndex(row + 1);
      return true;
    }
    default: return false;
  }
}

// ---- the value list

void TPropExplBox::ButtonDrop(bool& CanDrop) {
  TPropItem* item = CurrentItem();
  TStrings* items = button_->Items();
  items->Clear();
  if (!item) {
    CanDrop = false;
    return;
  }
  {
    TUpdateScope update(*items);
    item->Property()->GetValues([items](const std::string& value) { items->Add(value); });
  }
  button_->SetItemIndex(items->IndexOf(editor_->Text()));
  CanDrop = items->Count() > 0;
}

void TPropExplBox::ButtonAccept() {
  int index = button_->ItemIndex();
  if (index >= 0) {
    TRestoreScope updating(updating_, true);
    editor_->SetText(button_->Items()->Strings(index));
  }
  Commit(false, true);
  LoadEditor();
  FocusEditor();
}

// ---- mouse

void TPropExplBox::MouseDownAt(int X, int Y, bool Double) {
  button_->CloseUp(false);
  if (!Commit(true, true)) return;
  if (std::abs(X - middle_) > 2) {
    int row = ItemAtPos({std::clamp(X, 0, std::max(0, ClientWidth() - 1)), Y}, true);
    if (row < 0) return;
    if (Double) return ToggleRow(row);
    SetCurrentIndex(row);
    selectClicked_ = true;
    selectClickTime_ = GetTickCount();
    FocusEditor();
    mouseMode_ = 1;
    return;
  }
  mouseMode_ = 2;
  lineX_ = middle_;
  InvertLine(this, lineX_, 0, lineX_, ClientHeight());
}

void TPropExplBox::MouseMoveAt(int X, int Y, bool ButtonDown) {
  if (mouseMode_ == 0 || !ButtonDown) {
    TCursor cursor = std::abs(X - middle_) <= 2 ? crHSplit : crDefault;
    SetCursor(cursor);
    selection_->SetCursor(cursor);
    return;
  }
  if (mouseMode_ == 2) return MoveColumnLine(X);
  if (Count() == 0) return;
  int row = 0;
  if (Y < 0) row = TopIndex() - 1;
  else if (Y >= ClientHeight()) row = ItemAtPos({0, ClientHeight() - 1}, true);
  else row = ItemAtPos({std::clamp(X, 0, std::max(0, ClientWidth() - 1)), Y}, true);
  if (row < 0) row = Y < 0 ? 0 : Count() - 1;
  if (row != current_) SetCurrentIndex(row);
}

void TPropExplBox::MoveColumnLine(int X) {
  int low = 2 * rowHeight_, high = std::max(low, ClientWidth() - 3 * rowHeight_);
  int x = std::clamp(X, low, high);
  if (x == lineX_) return;
  InvertLine(this, lineX_, 0, lineX_, ClientHeight());
  lineX_ = x;
  InvertLine(this, lineX_, 0, lineX_, ClientHeight());
}

void TPropExplBox::EndMouseMode(bool Apply) {
  int mode = std::exchange(mouseMode_, 0);
  if (mode != 2) return;
  InvertLine(this, lineX_, 0, lineX_, ClientHeight());
  if (Apply) SetMiddle(lineX_);
  lineX_ = -1;
}

void TPropExplBox::MouseUpAt(int X) {
  if (mouseMode_ == 2) MoveColumnLine(X);
  EndMouseMode(true);
}

void TPropExplBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCLBUTTONDOWN: button_->CloseUp(false); break;
    case CM_CANCELMODE: EndMouseMode(false); break;
    default: break;
  }
  TCustomListBox::Dispatch(Message);
  // The box's own focus passes on to the editor of its current row.
  if (Message.Msg == WM_SETFOCUS && current_ >= 0 && Focused()) FocusEditor();
}

// The rows answer the mouse themselves; keys reach the editor and the strip.
void TPropExplBox::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDownAt(Message.XPos(), Message.YPos(), Message.Msg == WM_LBUTTONDBLCLK);
      return;
    case WM_MOUSEMOVE: MouseMoveAt(Message.XPos(), Message.YPos(), (Message.Keys() & MK_LBUTTON) != 0); return;
    case WM_LBUTTONUP: MouseUpAt(Message.XPos()); return;
    case WM_KEYDOWN:
    case WM_CHAR: return;
    default: TCustomListBox::DefaultHandler(Message);
  }
}

// ---- focus

void TPropExplBox::DoEnter() {
  TCustomListBox::DoEnter();
  if (current_ < 0) SetCurrentIndex(0);
}

void TPropExplBox::DoExit() {
  TCustomListBox::DoExit();
  Commit(true, true);
}

// ---- painting

void TPropExplBox::DrawItem(int Index, TRect Rect, TOwnerDrawState) { DrawRow(Canvas(), Index, Rect, false); }

void TPropExplBox::DrawRow(TCanvas* c, int Index, TRect r, bool InStrip) {
  c->SetFont(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clWindow);
  c->FillRect(r);
  TPropItem* item = Item(Index);
  if (!item) return;
  c->Pen()->SetColor(clBtnFace);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Right, r.Bottom - 1);
  c->MoveTo(middle_, r.Top);
  c->LineTo(middle_, r.Bottom);
  c->Font()->SetColor(clWindowText);
  c->Brush()->SetColor(clWindow);
  int plus = c->TextWidth("+");
  int y = r.Top + 1;
  TFontStyles normal = c->Font()->Style();
  if (!item->Attributes().Contains(paEditable)) c->Font()->SetStyle(normal + TFontStyles{fsBold});
  TRect names = Rect(r.Left, r.Top, std::max(r.Left, middle_), r.Bottom - 1);
  c->TextRect(names, (plus + 1) * item->ItemLevel + plus + 3, y, item->Name());
  c->Font()->SetStyle(normal);
  if (item->IsExpandable()) {
    c->Brush()->SetStyle(bsClear);
    c->TextOut((plus + 1) * item->ItemLevel + 2, y, item->IsExpanded ? "-" : "+");
    c->Brush()->SetStyle(bsSolid);
  }
  if (InStrip) return;
  TRect values = Rect(middle_ + 1, r.Top, std::max(middle_ + 1, r.Right), r.Bottom - 1);
  c->TextRect(values, values.Left + 2, y, item->Value());
}

}  // namespace dbx
