#include <QAbstractScrollArea>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

class ListBoxTest : public UiTest {
protected:
  ListBoxTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(30, 30, 300, 260);
    list = new TListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 150, 164);
  }
  void Fill(int n) {
    list->Items()->BeginUpdate();
    for (int i = 0; i < n; ++i) list->Items()->Add("Row " + std::to_string(i));
    list->Items()->EndUpdate();
  }

  std::unique_ptr<TForm> form;
  TListBox* list;
};

// Owner-drawn rows are painted by OnDrawItem on the list's canvas, which
// comes with the highlight colours for the selected row.
TEST_F(ListBoxTest, OwnerDrawnRowsPaintThroughTheCanvas) {
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(16);
  Fill(20);
  std::vector<std::pair<int, TOwnerDrawState>> drawn;
  list->OnDrawItem = [&](TWinControl*, int index, TRect r, TOwnerDrawState state) {
    drawn.emplace_back(index, state);
    TCanvas* c = list->Canvas();
    if (!state.Contains(odSelected)) c->Brush()->SetColor(index % 2 ? clRed : clBlue);
    c->FillRect(r);
  };
  ShowActive(form.get());
  list->SetFocus();
  list->SetItemIndex(2);
  list->SetTopIndex(1);
  drawn.clear();
  QImage shot = Viewport(list)->grab().toImage();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front().first, 1);  // the top row
  auto at = [&](int row) { return FromQColor(shot.pixelColor(40, row * 16 + 8)); };
  EXPECT_EQ(at(0), clRed);                          // row 1
  EXPECT_EQ(at(1), ColorToRGB(clHighlight));        // row 2, selected
  EXPECT_EQ(at(2), clRed);                          // row 3
  EXPECT_EQ(at(3), clBlue);                         // row 4
  bool focusedSelected = false;
  for (auto& [i, s] : drawn)
    if (i == 2) focusedSelected = s.Contains(odSelected) && s.Contains(odFocused);
  EXPECT_TRUE(focusedSelected);
  // Below the last row the list's colour.
  list->Items()->Clear();
  list->Items()->Add("only");
  QImage after = Viewport(list)->grab().toImage();
  EXPECT_EQ(FromQColor(after.pixelColor(40, 100)), ColorToRGB(clWindow));
}

TEST_F(ListBoxTest, RowsAndPointsAfterScrolling) {
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(16);
  Fill(50);
  ShowActive(form.get());
  EXPECT_EQ(list->ClientHeight(), 160);
  list->SetTopIndex(10);
  EXPECT_EQ(list->TopIndex(), 10);
  EXPECT_EQ(list->ItemRect(10), Rect(0, 0, list->ClientWidth(), 16));
  EXPECT_EQ(list->ItemRect(12).Top, 32);
  EXPECT_EQ(list->ItemRect(9).Bottom, 0);
  EXPECT_EQ(list->ItemAtPos({5, 33}, true), 12);
  EXPECT_EQ(list->ItemAtPos({5, -1}, true), -1);
  // The scroll bar follows, and moving it scrolls.
  auto* bar = static_cast<QAbstractScrollArea*>(WidgetOf(list))->verticalScrollBar();
  EXPECT_EQ(bar->value(), 10);
  EXPECT_EQ(bar->maximum(), 40);
  bar->setValue(40);
  EXPECT_EQ(list->TopIndex(), 40);
  list->SetTopIndex(45);  // no further than a full last page
  EXPECT_EQ(list->TopIndex(), 40);
  EXPECT_EQ(list->ItemAtPos({5, 159}, true), 49);
  // Keys move the selection and keep it in view.
  list->SetFocus();
  list->SetItemIndex(0);
  EXPECT_EQ(list->TopIndex(), 0);
  Key(WidgetOf(list), Qt::Key_PageDown);
  EXPECT_EQ(list->ItemIndex(), 9);
  Key(WidgetOf(list), Qt::Key_Down);
  EXPECT_EQ(list->ItemIndex(), 10);
  EXPECT_EQ(list->TopIndex(), 1);

  // Rows of their own heights, from OnMeasureItem.
  list->Items()->Clear();
  list->OnMeasureItem = [](TWinControl*, int index, int& h) { h = (index % 3 + 1) * 10; };
  list->SetStyle(lbOwnerDrawVariable);
  Fill(6);  // 10 20 30 10 20 30
  EXPECT_EQ(list->ItemRect(2), Rect(0, 30, list->ClientWidth(), 60));
  EXPECT_EQ(list->ItemAtPos({5, 85}, true), 4);
  EXPECT_EQ(list->ItemAtPos({5, 150}, true), -1);
  EXPECT_EQ(list->ItemAtPos({5, 150}, false), 6);
}

// Counts the changes of its top row.
class TWatchedList : public TListBox {
  FW_CLASS(TWatchedList, TListBox)
public:
  using TListBox::TListBox;
  int scrolls = 0;

protected:
  void Scrolled() override { ++scrolls; }
};

FW_IMPLEMENT_CLASS(TWatchedList)

TEST_F(ListBoxTest, DescendantsHearOfEveryScroll) {
  auto* watched = new TWatchedList(form.get());
  watched->SetParent(form.get());
  watched->SetBounds(150, 10, 120, 164);
  watched->SetStyle(lbOwnerDrawFixed);
  watched->SetItemHeight(16);
  for (int i = 0; i < 30; ++i) watched->Items()->Add("row " + std::to_string(i));
  ShowActive(form.get());
  EXPECT_EQ(watched->scrolls, 0);
  watched->SetTopIndex(5);
  watched->SetTopIndex(5);
  EXPECT_EQ(watched->scrolls, 1);
  static_cast<QAbstractScrollArea*>(WidgetOf(watched))->verticalScrollBar()->setValue(12);
  EXPECT_EQ(watched->scrolls, 2);
  watched->SetItemIndex(0);  // kept in view
  EXPECT_EQ(watched->TopIndex(), 0);
  EXPECT_EQ(watched->scrolls, 3);
  watched->SetTopIndex(20);
  EXPECT_EQ(watched->scrolls, 4);
  for (int i = 0; i < 5; ++i) watched->Items()->Delete(watched->Count() - 1);  // the last page moves up
  EXPECT_EQ(watched->TopIndex(), 15);
  EXPECT_EQ(watched->scrolls, 9);
  int before = watched->scrolls;
  watched->Items()->Clear();
  EXPECT_EQ(watched->TopIndex(), 0);
  EXPECT_EQ(watched->scrolls, before + 1);
}

TEST_F(ListBoxTest, SelectStringByPrefixSortedLinesAndObjects) {
  TObject a, b;
  list->SetSorted(true);
  list->Items()->Add("Charlie");
  list->Items()->AddObject("beta", &b);
  list->Items()->Add("Bravo");
  list->Items()->AddObject("Alpha", &a);
  EXPECT_EQ(list->Items()->CommaText(), "Alpha,beta,Bravo,Charlie");
  EXPECT_EQ(list->Items()->Objects(0), &a);
  EXPECT_EQ(list->Items()->Objects(1), &b);
  ShowActive(form.get());
  HWND h = list->Handle();
  auto select = [&](int after, const char* prefix) {
    return SendMessage(h, LB_SELECTSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(prefix));
  };
  EXPECT_EQ(select(-1, "b"), 1);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(select(1, "B"), 2);
  EXPECT_EQ(select(2, "b"), 1);  // wraps past the end
  EXPECT_EQ(select(-1, "BR"), 2);
  EXPECT_EQ(select(-1, "zz"), LB_ERR);
  EXPECT_EQ(list->ItemIndex(), 2);
  // Deleting a row above the selection keeps the same line selected.
  list->Items()->Delete(0);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->Items()->Strings(list->ItemIndex()), "Bravo");
}

// What the property inspector builds on: a strip of controls over a row,
// whole rows only, and a notice when the scroll bar is pressed.
TEST_F(ListBoxTest, ChildrenOverRowsIntegralHeightAndTheScrollBarNotice) {
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(16);
  list->SetIntegralHeight(true);
  list->SetHeight(107);
  EXPECT_EQ(list->Height(), 6 * 16 + 4);
  Fill(30);
  std::vector<WPARAM> notices;
  TWndMethod old = list->WindowProc;
  list->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_NCLBUTTONDOWN) notices.push_back(m.WParam);
    old(m);
  };
  auto* strip = new TPanel(list);
  strip->SetParent(list);
  ShowActive(form.get());
  strip->SetBoundsRect(list->ItemRect(3));
  EXPECT_EQ(WidgetOf(strip)->parentWidget(), Viewport(list));
  EXPECT_EQ(WidgetOf(strip)->geometry(), QRect(0, 48, list->ClientWidth(), 16));

  QScrollBar* bar = static_cast<QAbstractScrollArea*>(WidgetOf(list))->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  QPoint g = bar->mapToGlobal(QPoint(bar->width() / 2, bar->height() - 3));
  SendMouse(bar, QEvent::MouseButtonPress, g, Qt::LeftButton);
  SendMouse(bar, QEvent::MouseButtonRelease, g, Qt::NoButton);
  EXPECT_EQ(notices, std::vector<WPARAM>{HTVSCROLL});
  EXPECT_GT(list->TopIndex(), 0);  // and the bar scrolled the list
  list->WindowProc = old;
}

// ---------------------------------------------------------------- pop-up windows

// A list that opens as a pop-up window of the control that is its parent.
class TPopupList : public TListBox {
  FW_CLASS(TPopupList, TListBox)
public:
  using TListBox::TListBox;

protected:
  void CreateParams(TCreateParams& Params) override {
    TListBox::CreateParams(Params);
    Params.Style |= WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW;
  }
};

// An edit that opens the list and closes it on cancel mode.
class TOpener : public TEdit {
  FW_CLASS(TOpener, TEdit)
public:
  using TEdit::TEdit;
  std::vector<TControl*> cancels;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_CANCELMODE) {
      cancels.push_back(reinterpret_cast<TControl*>(m.LParam));
      return;
    }
    TEdit::Dispatch(m);
  }
};

FW_IMPLEMENT_CLASS(TPopupList)
FW_IMPLEMENT_CLASS(TOpener)

class PopupTest : public UiTest {
protected:
  PopupTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    opener = new TOpener(form.get());
    opener->SetParent(form.get());
    opener->SetBounds(10, 10, 120, 21);
    other = new TButton(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 120, 75, 25);
    list = new TPopupList(opener);
    list->SetVisible(false);
    list->SetParent(opener);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(16);
    for (const char* s : {"one", "two", "three", "four"}) list->Items()->Add(s);
  }
  void Drop() {
    TPoint p = opener->ClientToScreen({0, opener->Height()});
    SetWindowPos(list->Handle(), HWND_TOPMOST, p.X, p.Y, 120, 4 * 16 + 2, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  QPoint RowCentre(int row) const {
    TPoint p = list->ClientToScreen({30, row * 16 + 8});
    return QPoint(p.X, p.Y);
  }

  std::unique_ptr<TForm> form;
  TOpener* opener;
  TButton* other;
  TPopupList* list;
};

TEST_F(PopupTest, APopupKeepsTheFocusWithItsOpener) {
  ShowActive(form.get());
  opener->SetFocus();
  Drop();
  Pump();
  QWidget* w = WidgetOf(list);
  EXPECT_TRUE(w->isWindow());
  EXPECT_TRUE(w->isVisible());
  TPoint below = opener->ClientToScreen({0, opener->Height()});
  EXPECT_EQ(w->geometry().topLeft(), QPoint(below.X, below.Y));
  EXPECT_EQ(GetFocus(), opener->Handle());
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(form->ActiveControl(), opener);
  EXPECT_EQ(list->ClientToScreen({0, 0}), (TPoint{below.X + 1, below.Y + 1}));
  // It draws its current row as focused.
  std::vector<TOwnerDrawState> states;
  list->OnDrawItem = [&](TWinControl*, int i, TRect r, TOwnerDrawState s) {
    if (i == 1) states.push_back(s);
    list->Canvas()->FillRect(r);
  };
  list->SetItemIndex(1);
  Viewport(list)->grab();
  ASSERT_FALSE(states.empty());
  EXPECT_TRUE(states.back().Contains(odFocused));
  // A press inside it changes the row and leaves the focus where it was.
  SendMouse(Viewport(list), QEvent::MouseButtonPress, RowCentre(3), Qt::LeftButton);
  SendMouse(Viewport(list), QEvent::MouseButtonRelease, RowCentre(3), Qt::NoButton);
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_TRUE(opener->cancels.empty());
  EXPECT_EQ(GetFocus(), opener->Handle());
  SetWindowPos(list->Handle(), 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW | SWP_NOACTIVATE);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(PopupTest, CancelModeOnAPressElsewhereOrTheLossOfActivation) {
  ShowActive(form.get());
  opener->SetFocus();
  Drop();
  // Another control of the form.
  QWidget* button = WidgetOf(other);
  QPoint g = button->mapToGlobal(QPoint(5, 5));
  SendMouse(button, QEvent::MouseButtonPress, g, Qt::LeftButton);
  SendMouse(button, QEvent::MouseButtonRelease, g, Qt::NoButton);
  EXPECT_EQ(opener->cancels, std::vector<TControl*>{other});
  // Another window of the program.
  opener->cancels.clear();
  opener->SetFocus();
  auto second = std::make_unique<TForm>(nullptr);
  second->SetBounds(500, 100, 100, 100);
  second->Show();
  QWidget* sw = WidgetOf(second.get());
  SendMouse(sw, QEvent::MouseButtonPress, sw->mapToGlobal(QPoint(5, 5)), Qt::LeftButton);
  EXPECT_EQ(opener->cancels, std::vector<TControl*>{second.get()});
  // The program losing the activation.
  opener->cancels.clear();
  QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &inactive);
  EXPECT_EQ(opener->cancels, std::vector<TControl*>{nullptr});
  // Not while the list is hidden.
  opener->cancels.clear();
  list->SetVisible(false);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &inactive);
  EXPECT_TRUE(opener->cancels.empty());
}

// A control that drops the list on a press and hands the press to it when
// the mouse moves onto it, as a list button does.
class TDropButton : public TCustomControl {
  FW_CLASS(TDropButton, TCustomControl)
public:
  explicit TDropButton(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse});
  }
  TListBox* list = nullptr;
  int ups = 0;

protected:
  void MouseMove(TShiftState Shift, int X, int Y) override {
    TCustomControl::MouseMove(Shift, X, Y);
    if (!MouseCapture() || !list->Visible()) return;
    TPoint p = list->ScreenToClient(ClientToScreen({X, Y}));
    if (!PtInRect(list->ClientRect(), p)) return;
    Perform(WM_LBUTTONUP, 0, MakeLParam(X, Y));
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(p.X, p.Y));
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    ++ups;
    TCustomControl::MouseUp(Button, Shift, X, Y);
  }
};

FW_IMPLEMENT_CLASS(TDropButton)

TEST_F(PopupTest, APressHandedFromTheOpenerToTheList) {
  auto* button = new TDropButton(form.get());
  button->SetParent(form.get());
  button->SetBounds(140, 10, 17, 17);
  button->list = list;
  list->SetParent(button);
  ShowActive(form.get());
  QPoint picked(-1, -1);
  list->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { picked = QPoint(x, y); };
  QWidget* bw = WidgetOf(button);
  QPoint g = bw->mapToGlobal(QPoint(8, 8));
  SendMouse(bw, QEvent::MouseButtonPress, g, Qt::LeftButton);
  EXPECT_TRUE(button->MouseCapture());
  TPoint p = button->ClientToScreen({0, button->Height()});
  SetWindowPos(list->Handle(), HWND_TOPMOST, p.X, p.Y, 120, 4 * 16 + 2, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // Qt keeps sending the moves and the release to the button's widget.
  SendMouse(bw, QEvent::MouseMove, RowCentre(0), Qt::LeftButton);
  EXPECT_EQ(button->ups, 1);
  EXPECT_FALSE(button->MouseCapture());
  EXPECT_TRUE(list->MouseCapture());
  EXPECT_EQ(list->ItemIndex(), 0);
  SendMouse(bw, QEvent::MouseMove, RowCentre(2), Qt::LeftButton);
  SendMouse(bw, QEvent::MouseButtonRelease, RowCentre(2), Qt::NoButton);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(picked, QPoint(30, 2 * 16 + 8));
  EXPECT_FALSE(list->MouseCapture());
  EXPECT_EQ(button->ups, 1);
}

// ---------------------------------------------------------------- combo box

class ComboBoxTest : public UiTest {
protected:
  ComboBoxTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(30, 30, 300, 200);
    combo = new TComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(10, 10, 150, 21);
    combo->OnChange = [this](TObject*) { changes.push_back(combo->Text()); };
  }
  std::unique_ptr<TForm> form;
  TComboBox* combo;
  std::vector<std::string> changes;
};

TEST_F(ComboBoxTest, ADropDownListChoosesAmongItsItems) {
  combo->SetStyle(csDropDownList);
  combo->SetSorted(true);
  for (const char* s : {"ZENTOR", "FOXPRO", "ASCIIDRV"}) combo->Items()->Add(s);
  combo->SetDropDownCount(2);
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->Text(), "ASCIIDRV");
  combo->SetText("ZENTOR");
  EXPECT_EQ(combo->ItemIndex(), 2);
  combo->SetText("nothing");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  EXPECT_TRUE(changes.empty());  // the program's changes are not the user's

  combo->SetItemIndex(0);
  ShowActive(form.get());
  auto* w = static_cast<QComboBox*>(WidgetOf(combo));
  EXPECT_FALSE(w->isEditable());
  EXPECT_EQ(w->count(), 3);
  EXPECT_EQ(w->maxVisibleItems(), 2);
  combo->SetFocus();
  Key(w, Qt::Key_Down);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(changes, std::vector<std::string>{"FOXPRO"});
  EXPECT_THROW(combo->SetStyle(csSimple), EInvalidOperation);
}

TEST_F(ComboBoxTest, ADropDownTakesTypedText) {
  combo->Items()->CommaText();
  for (const char* s : {"Alpha", "Beta"}) combo->Items()->Add(s);
  ShowActive(form.get());
  auto* w = static_cast<QComboBox*>(WidgetOf(combo));
  EXPECT_TRUE(w->isEditable());
  combo->SetText("Beta");
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetFocus();
  Key(w, Qt::Key_End);
  Key(w, Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(combo->Text(), "Betax");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(changes, std::vector<std::string>{"Betax"});
  // The text outlives the window.
  combo->SetStyle(csDropDownList);
  combo->SetStyle(csDropDown);
  combo->SetItemIndex(0);
  combo->SetText("free text");
  EXPECT_EQ(combo->Text(), "free text");
}

}  // namespace
}  // namespace fw::test
