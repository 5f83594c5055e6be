#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "FormReader.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {

// A form with a main menu, for the menu read from a form file.
class TMenuForm : public TForm {
  FW_CLASS(TMenuForm, TForm)
public:
  using TForm::TForm;
  TMainMenu* MainMenu = nullptr;
  TMenuItem* MObject = nullptr;
  TMenuItem* MNew = nullptr;
  TMenuItem* MView = nullptr;
  TPanel* Panel1 = nullptr;
  std::vector<std::string> clicks;
  void MObjectClick(TObject*) { clicks.push_back("Object"); }
  void MNewClick(TObject*) { clicks.push_back("New"); }
};

FW_PUBLISH(TMenuForm) {
  c.Field("MainMenu", &TMenuForm::MainMenu);
  c.Field("MObject", &TMenuForm::MObject);
  c.Field("MNew", &TMenuForm::MNew);
  c.Field("MView", &TMenuForm::MView);
  c.Field("Panel1", &TMenuForm::Panel1);
  c.Method("MObjectClick", &TMenuForm::MObjectClick);
  c.Method("MNewClick", &TMenuForm::MNewClick);
}

namespace {

class MenusTest : public UiTest {
protected:
  MenusTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(40, 40, 300, 200);
    panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetAlign(alClient);
    edit = new TEdit(panel);
    edit->SetParent(panel);
    edit->SetBounds(10, 10, 100, 21);
    edit->SetText("abc");
    menu = new TMainMenu(form.get());
    form->SetMenu(menu);
  }
  TMenuItem* Item(TMenuItem* parent, const std::string& caption, TShortCut key = 0) {
    auto* i = new TMenuItem(form.get());
    i->SetCaption(caption);
    i->SetShortCut(key);
    i->OnClick = [this, caption](TObject*) { clicks.push_back(caption); };
    parent->Add(i);
    return i;
  }
  void Press(int key, Qt::KeyboardModifiers mods, const QString& text = QString()) {
    Key(WidgetOf(edit), key, mods, text);
  }
  QMenuBar* Bar() const { return WidgetOf(form.get())->findChild<QMenuBar*>(); }
  // Opens the submenu of the bar's entry and gives the texts it shows.
  std::vector<std::string> Open(int barIndex) {
    QMenu* m = Bar()->actions().value(barIndex)->menu();
    m->popup(QPoint(50, 50));
    std::vector<std::string> shown;
    for (QAction* a : m->actions()) shown.push_back(a->isSeparator() ? "-" : FromQString(a->text()));
    m->hide();
    return shown;
  }

  std::unique_ptr<TForm> form;
  TPanel* panel;
  TEdit* edit;
  TMainMenu* menu;
  std::vector<std::string> clicks;
};

// The controls of a form sit where their bounds say, below the menu bar
// when there is one; the form's frame is the window system's.
TEST_F(MenusTest, ControlsSitWhereTheirBoundsSayBelowTheBar) {
  auto plain = std::make_unique<TForm>(nullptr);
  plain->SetBounds(40, 40, 200, 150);
  auto* button = new TButton(plain.get());
  button->SetParent(plain.get());
  button->SetBounds(10, 20, 75, 25);
  ShowActive(plain.get());
  EXPECT_EQ(WidgetOf(button)->geometry(), QRect(10, 20, 75, 25));
  EXPECT_EQ(button->ClientToScreen({0, 0}).Y - plain->ClientOrigin().Y, 20);
  std::vector<TPoint> pressed;
  plain->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { pressed.push_back({x, y}); };
  QWidget* w = WidgetOf(plain.get());
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 6), w->mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  EXPECT_EQ(pressed, (std::vector<TPoint>{TPoint{5, 6}}));

  plain->SetMenu(menu);
  EXPECT_EQ(form->Menu(), nullptr);  // a menu is the bar of one form
  EXPECT_EQ(WidgetOf(button)->geometry(), QRect(10, 20 + GetSystemMetrics(SM_CYMENU), 75, 25));
  QCoreApplication::sendEvent(w, &press);
  EXPECT_EQ(pressed.back(), (TPoint{5, 6 - GetSystemMetrics(SM_CYMENU)}));
  plain->SetMenu(nullptr);
}

TEST_F(MenusTest, ShortCutTextsBothWays) {
  struct Case {
    TShortCut key;
    const char* text;
  } cases[] = {
      {ShortCut('N', {ssCtrl}), "Ctrl+N"},   {ShortCut(VK_BACK, {ssAlt}), "Alt+BkSp"},
      {ShortCut(VK_DELETE, {ssShift}), "Shift+Del"}, {ShortCut(VK_INSERT, {ssCtrl}), "Ctrl+Ins"},
      {ShortCut(VK_F12, {}), "F12"},          {ShortCut(VK_F10, {ssAlt}), "Alt+F10"},
      {ShortCut('5', {ssCtrl, ssShift}), "Shift+Ctrl+5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ShortCutToText(c.key), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.key);
  }
  EXPECT_EQ(TextToShortCut("ctrl+n"), ShortCut('N', {ssCtrl}));
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
  EXPECT_EQ(ShortCutToText(0), "");
}

// Shortcuts are found before the focused control sees the key: its pop-up
// menus and its parents' first, then the form's main menu.
TEST_F(MenusTest, ShortcutsRouteToPopupsThenTheMainMenu) {
  TMenuItem* mObject = Item(menu->Items(), "&Object");
  Item(mObject, "&New...", ShortCut('N', {ssCtrl}));
  TMenuItem* del = Item(mObject, "&Delete", ShortCut('D', {ssCtrl}));
  del->SetEnabled(false);
  TMenuItem* mEdit = Item(menu->Items(), "&Edit");
  TMenuItem* cut = Item(mEdit, "Cu&t", ShortCut('X', {ssCtrl}));
  cut->SetEnabled(false);
  // The Edit menu's OnClick enables Cut, as opening the menu would.
  mEdit->OnClick = [&](TObject*) {
    clicks.push_back("&Edit");
    cut->SetEnabled(true);
  };
  auto* popup = new TPopupMenu(form.get());
  panel->SetPopupMenu(popup);
  Item(popup->Items(), "Pop &New", ShortCut('N', {ssCtrl}));
  TMenuItem* rename = Item(popup->Items(), "_Rename", ShortCut(VK_F2, {}));
  rename->SetVisible(false);
  ShowActive(form.get());
  edit->SetFocus();
  edit->SelectAll();

  Press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Pop &New"}));
  clicks.clear();
  Press(Qt::Key_F2, Qt::NoModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"_Rename"}));
  clicks.clear();
  Press(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Object"}));
  clicks.clear();
  // The edit would cut on its own Ctrl+X: the menu's item runs instead.
  Press(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Edit", "Cu&t"}));
  EXPECT_EQ(edit->Text(), "abc");
  // A key that no menu has reaches the edit.
  clicks.clear();
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(clicks.empty());
  // Without the pop-up the main menu's Ctrl+N runs.
  panel->SetPopupMenu(nullptr);
  Press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Object", "&New..."}));
}

// The actions part of a menu is freed and made again by the top item's
// OnClick, both when the menu opens and before one of its shortcuts runs.
TEST_F(MenusTest, AMenuRebuiltByItsTopItemsOnClick) {
  TMenuItem* mObject = Item(menu->Items(), "&Object");
  Item(mObject, "&Open");
  TMenuItem* sep = Item(mObject, "-");
  int generation = 0;
  mObject->OnClick = [&](TObject*) {
    ++generation;
    while (mObject->Count() > mObject->IndexOf(sep) + 1) delete mObject->Items(mObject->Count() - 1);
    for (int i = 0; i < 2; ++i) {
      TMenuItem* a = Item(mObject, "Action " + std::to_string(generation) + "." + std::to_string(i));
      if (i == 1) a->SetShortCut(ShortCut('A', {ssCtrl}));
    }
  };
  ShowActive(form.get());
  ASSERT_NE(Bar(), nullptr);
  EXPECT_EQ(form->ClientHeight() + GetSystemMetrics(SM_CYMENU), WidgetOf(form.get())->height());
  EXPECT_EQ(WidgetOf(panel)->y(), GetSystemMetrics(SM_CYMENU));

  EXPECT_EQ(Open(0), (std::vector<std::string>{"&Open", "-", "Action 1.0", "Action 1.1\tCtrl+A"}));
  EXPECT_EQ(Open(0), (std::vector<std::string>{"&Open", "-", "Action 2.0", "Action 2.1\tCtrl+A"}));

  // The item that had the shortcut is freed by the parent's OnClick; its
  // successor runs.
  edit->SetFocus();
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(clicks.back(), "Action 3.1");
  EXPECT_EQ(mObject->Count(), 4);

  // A click in the open menu runs once the menu has closed.
  clicks.clear();
  QMenu* m = Bar()->actions().value(0)->menu();
  m->popup(QPoint(50, 50));
  m->actions().value(2)->trigger();
  EXPECT_TRUE(clicks.empty());
  Pump();
  EXPECT_EQ(clicks, (std::vector<std::string>{"Action 4.0"}));
  m->hide();
}

// The bar from the keyboard: Alt and an entry's letter opens it when no
// control of the form has the letter; F10 or a lone Alt lights the bar, from
// where the arrows open its menus and Esc goes back to the control.
TEST_F(MenusTest, TheBarFromTheKeyboard) {
  TMenuItem* mObject = Item(menu->Items(), "&Object");
  Item(mObject, "-");
  Item(mObject, "&New...");
  // As the administrator's menus do: the opening entry adds to its items.
  mObject->OnClick = [&](TObject*) {
    clicks.push_back("&Object");
    Item(mObject, "Action " + std::to_string(mObject->Count()));
  };
  TMenuItem* mView = Item(menu->Items(), "&View");
  Item(mView, "&Refresh");
  TMenuItem* mGone = Item(menu->Items(), "&Gone");
  Item(mGone, "&Nothing");
  mGone->SetEnabled(false);
  Item(menu->Items(), "&Help");  // an entry without items is a command
  auto* button = new TButton(form.get());
  button->SetParent(panel);
  button->SetBounds(10, 40, 75, 25);
  button->SetCaption("&Values");
  button->OnClick = [this](TObject*) { clicks.push_back("button"); };
  ShowActive(form.get());
  edit->SetFocus();
  QWidget* editWidget = WidgetOf(edit);
  QMenu* objectMenu = Bar()->actions().value(0)->menu();

  Press(Qt::Key_O, Qt::AltModifier, "o");
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Object"}));
  ASSERT_TRUE(objectMenu->isVisible());
  EXPECT_EQ(Bar()->activeAction(), objectMenu->menuAction());
  EXPECT_EQ(FromQString(objectMenu->activeAction()->text()), "&New...");  // the separator is passed over
  // Right goes on to the View menu; Esc closes it and leaves the bar lit, a
  // second one gives the keys back.
  QMenu* viewMenu = Bar()->actions().value(1)->menu();
  Key(objectMenu, Qt::Key_Right);
  EXPECT_FALSE(objectMenu->isVisible());
  EXPECT_TRUE(viewMenu->isVisible());
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Object", "&View"}));
  Key(viewMenu, Qt::Key_Escape);
  EXPECT_FALSE(viewMenu->isVisible());
  EXPECT_TRUE(Bar()->hasFocus());
  EXPECT_EQ(Bar()->activeAction(), viewMenu->menuAction());
  Key(Bar(), Qt::Key_Escape);
  EXPECT_EQ(QApplication::focusWidget(), editWidget);

  // The button's accelerator wins over the View menu's; a letter nothing has
  // and a disabled entry open nothing.
  clicks.clear();
  for (auto [key, text] : {std::pair{Qt::Key_V, "v"}, {Qt::Key_Z, "z"}, {Qt::Key_G, "g"}})
    Press(key, Qt::AltModifier, text);
  EXPECT_EQ(clicks, (std::vector<std::string>{"button"}));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  Press(Qt::Key_H, Qt::AltModifier, "h");
  EXPECT_EQ(clicks.back(), "&Help");

  // F10 lights the first entry, to be seen with its menu closed; Right and
  // Down open the View menu.
  clicks.clear();
  edit->SetFocus();
  Press(Qt::Key_F10, Qt::NoModifier);
  ASSERT_TRUE(Bar()->hasFocus());
  EXPECT_EQ(Bar()->activeAction(), objectMenu->menuAction());
  EXPECT_TRUE(clicks.empty());
  QRect lit = Bar()->actionGeometry(objectMenu->menuAction());
  EXPECT_EQ(Bar()->grab().toImage().pixelColor(lit.left() + 2, lit.center().y()),
            Bar()->palette().color(QPalette::Highlight));
  Key(Bar(), Qt::Key_Right);
  Key(Bar(), Qt::Key_Down);
  EXPECT_TRUE(viewMenu->isVisible());
  EXPECT_EQ(clicks, (std::vector<std::string>{"&View"}));
  Key(viewMenu, Qt::Key_Escape);
  Key(Bar(), Qt::Key_Escape);
  EXPECT_EQ(QApplication::focusWidget(), editWidget);

  // Alt alone lights the bar as F10 does, and leaves it again; Alt with
  // another key does not. (Qt's events carry the modifiers from before the
  // press and the release.)
  QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
  QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
  QCoreApplication::sendEvent(editWidget, &altDown);
  QCoreApplication::sendEvent(editWidget, &altUp);
  EXPECT_TRUE(Bar()->hasFocus());
  QCoreApplication::sendEvent(Bar(), &altDown);
  QCoreApplication::sendEvent(Bar(), &altUp);
  ASSERT_EQ(QApplication::focusWidget(), editWidget);
  QCoreApplication::sendEvent(editWidget, &altDown);
  Press(Qt::Key_Left, Qt::AltModifier);
  QCoreApplication::sendEvent(editWidget, &altUp);
  EXPECT_EQ(QApplication::focusWidget(), editWidget);
}

TEST_F(MenusTest, RadioItemsCheckOnePerGroup) {
  TMenuItem* view = Item(menu->Items(), "&View");
  std::vector<TMenuItem*> styles;
  for (const char* c : {"Lar&ge Icons", "S&mall Icons", "&List", "&Detail"}) {
    TMenuItem* i = Item(view, c);
    i->SetRadioItem(true);
    i->SetGroupIndex(1);
    styles.push_back(i);
  }
  TMenuItem* other = Item(view, "&Auto Arrange");
  other->SetRadioItem(true);
  other->SetGroupIndex(2);
  other->SetChecked(true);
  styles[3]->SetChecked(true);
  styles[1]->SetChecked(true);
  std::vector<bool> checked;
  for (TMenuItem* i : styles) checked.push_back(i->Checked());
  EXPECT_EQ(checked, (std::vector<bool>{false, true, false, false}));
  EXPECT_TRUE(other->Checked());
  // A plain item that is checked leaves the radio items alone.
  TMenuItem* plain = Item(view, "&Toolbar");
  plain->SetGroupIndex(1);
  plain->SetChecked(true);
  EXPECT_TRUE(styles[1]->Checked());

  ShowActive(form.get());
  QMenu* m = Bar()->actions().value(0)->menu();
  m->popup(QPoint(50, 50));
  EXPECT_TRUE(m->actions().value(1)->isChecked());
  EXPECT_NE(m->actions().value(1)->actionGroup(), nullptr);
  EXPECT_NE(m->actions().value(1)->actionGroup(), m->actions().value(4)->actionGroup());
  m->hide();
}

TEST_F(MenusTest, AMenuFromAFormFile) {
  std::unique_ptr<TMenuForm> f(new TMenuForm(nullptr));
  ReadComponentText(f.get(),
                    "object MenuForm: TMenuForm\n"
                    "  ClientHeight = 150\n"
                    "  ClientWidth = 250\n"
                    "  Menu = MainMenu\n"
                    "  object Panel1: TPanel\n"
                    "    Align = alClient\n"
                    "  end\n"
                    "  object MainMenu: TMainMenu\n"
                    "    object MObject: TMenuItem\n"
                    "      Caption = '&Object'\n"
                    "      OnClick = MObjectClick\n"
                    "      object MNew: TMenuItem\n"
                    "        Caption = '&New...'\n"
                    "        HelpContext = 2310\n"
                    "        ShortCut = 16462\n"
                    "        OnClick = MNewClick\n"
                    "      end\n"
                    "      object N1: TMenuItem\n"
                    "        Caption = '-'\n"
                    "      end\n"
                    "    end\n"
                    "    object MView: TMenuItem\n"
                    "      Caption = '&View'\n"
                    "      Visible = False\n"
                    "    end\n"
                    "  end\n"
                    "end\n",
                    "MenuForm");
  ASSERT_NE(f->MainMenu, nullptr);
  EXPECT_EQ(f->Menu(), f->MainMenu);
  EXPECT_EQ(f->MainMenu->Items()->Count(), 2);
  EXPECT_EQ(f->MObject->Parent(), f->MainMenu->Items());
  EXPECT_EQ(f->MNew->Parent(), f->MObject);
  EXPECT_EQ(f->MNew->GetParentMenu(), f->MainMenu);
  EXPECT_EQ(f->MNew->ShortCut(), ShortCut('N', {ssCtrl}));
  EXPECT_EQ(f->MNew->HelpContext(), 2310);
  EXPECT_TRUE(f->MObject->Items(1)->IsLine());
  EXPECT_EQ(f->ClientHeight(), 150);
  EXPECT_EQ(f->Panel1->Height(), 150);

  ShowActive(f.get());
  EXPECT_EQ(WidgetOf(f.get())->height(), 150 + GetSystemMetrics(SM_CYMENU));
  // The hidden View menu has no place on the bar.
  EXPECT_EQ(WidgetOf(f.get())->findChild<QMenuBar*>()->actions().size(), 1);
  Key(WidgetOf(f->Panel1), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(f->clicks, (std::vector<std::string>{"Object", "New"}));

  // Items freed with the menu leave no item pointing at them.
  delete f->MNew;
  EXPECT_EQ(f->MObject->Count(), 1);
  f->MainMenu->Items()->Clear();
  EXPECT_EQ(f->MainMenu->Items()->Count(), 0);
}

}  // namespace
}  // namespace fw::test
