#include <QTest>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A form with two edits; the log records what the controls hear.
class MessageModelTest : public UiTest {
protected:
  MessageModelTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    edit1 = new TEdit(form.get());
    edit1->SetName("Edit1");
    edit1->SetParent(form.get());
    edit1->SetBounds(10, 10, 120, 24);
    edit2 = new TEdit(form.get());
    edit2->SetName("Edit2");
    edit2->SetParent(form.get());
    edit2->SetBounds(10, 50, 120, 24);
    for (TEdit* e : {edit1, edit2}) {
      e->OnKeyDown = [this](TObject* s, Word& k, TShiftState) { Log(s, "down " + std::to_string(k)); };
      e->OnKeyPress = [this](TObject* s, TChar& k) { Log(s, "press " + std::to_string(k)); };
      e->OnKeyUp = [this](TObject* s, Word& k, TShiftState) { Log(s, "up " + std::to_string(k)); };
    }
  }
  void Log(TObject* sender, const std::string& what) {
    log.push_back(static_cast<TComponent*>(sender)->Name() + " " + what);
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }

  std::unique_ptr<TForm> form;
  TEdit* edit1;
  TEdit* edit2;
  std::vector<std::string> log;
};

TEST_F(MessageModelTest, KeyDownPressUpInOrderThenTheWidgetActs) {
  ShowActive(form.get());
  Focus(edit1);
  Key(WidgetOf(edit1), Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(log, (std::vector<std::string>{"Edit1 down 65", "Edit1 press 97", "Edit1 up 65"}));
  EXPECT_EQ(edit1->Text(), "a");
}

// The virtual key and the character of a key press, as KeyDown and KeyPress see them.
TEST_F(MessageModelTest, VirtualKeysAndCharacters) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* text;
    Word vk;
    TChar ch;  // 0: no character follows
  } cases[] = {
      {Qt::Key_A, Qt::NoModifier, "a", 'A', 'a'},
      {Qt::Key_A, Qt::ShiftModifier, "A", 'A', 'A'},
      {Qt::Key_5, Qt::KeypadModifier, "5", 101, '5'},
      {Qt::Key_0, Qt::KeypadModifier, "0", 96, '0'},
      {Qt::Key_9, Qt::KeypadModifier, "9", 105, '9'},
      {Qt::Key_Exclam, Qt::ShiftModifier, "!", '1', '!'},
      {Qt::Key_V, Qt::ControlModifier, "\x16", 'V', 22},
      {Qt::Key_F2, Qt::NoModifier, "", VK_F2, 0},
      {Qt::Key_Left, Qt::NoModifier, "", VK_LEFT, 0},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", VK_BACK, 8},
      {Qt::Key_Return, Qt::NoModifier, "\r", VK_RETURN, 13},
  };
  ShowActive(form.get());
  Focus(edit1);
  for (const Case& c : cases) {
    Word vk = 0;
    TChar ch = 0;
    edit1->OnKeyDown = [&](TObject*, Word& k, TShiftState) { vk = k; };
    edit1->OnKeyPress = [&](TObject*, TChar& k) {
      ch = k;
      k = 0;
    };
    Key(WidgetOf(edit1), c.key, c.mods, QString::fromUtf8(c.text));
    EXPECT_EQ(vk, c.vk) << "key " << c.key;
    EXPECT_EQ(ch, c.ch) << "key " << c.key;
  }
}

TEST_F(MessageModelTest, ASwallowedKeyDownStillGivesItsCharacter) {
  ShowActive(form.get());
  Focus(edit1);
  edit1->OnKeyDown = [this](TObject* s, Word& k, TShiftState) {
    Log(s, "down " + std::to_string(k));
    k = 0;
  };
  Key(WidgetOf(edit1), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(log, (std::vector<std::string>{"Edit1 down 66", "Edit1 press 98", "Edit1 up 66"}));
  EXPECT_EQ(edit1->Text(), "b");
  // A swallowed navigation key does not reach the widget.
  edit1->SetSelStart(1);
  Key(WidgetOf(edit1), Qt::Key_Home);
  EXPECT_EQ(edit1->SelStart(), 1);
}

// Answers the pre-pass for Tab itself, so the form never sees it.
class TTabKeeper : public TEdit {
  FW_CLASS(TTabKeeper, TEdit)
public:
  using TEdit::TEdit;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CN_KEYDOWN && m.CharCode() == VK_TAB) {
      m.Result = 0;  // not the form's: the control gets it as a key
      return;
    }
    TEdit::Dispatch(m);
  }
};

TEST_F(MessageModelTest, TabMovesOnUnlessThePrePassKeepsIt) {
  ShowActive(form.get());
  Focus(edit1);
  Key(WidgetOf(edit1), Qt::Key_Tab, Qt::NoModifier, "\t");
  EXPECT_TRUE(PumpUntil([this] { return edit2->Focused(); }));
  EXPECT_EQ(form->ActiveControl(), edit2);
  // The form took the key down; the release goes where the focus is now.
  EXPECT_EQ(log, (std::vector<std::string>{"Edit2 up 9"}));
  log.clear();

  auto* keeper = new TTabKeeper(form.get());
  keeper->SetParent(form.get());
  keeper->SetBounds(10, 90, 120, 24);
  keeper->SetName("Keeper");
  keeper->OnKeyDown = [this](TObject* s, Word& k, TShiftState) { Log(s, "down " + std::to_string(k)); };
  Focus(keeper);
  Key(WidgetOf(keeper), Qt::Key_Tab, Qt::NoModifier, "\t");
  Pump();
  EXPECT_TRUE(keeper->Focused());
  EXPECT_EQ(log, (std::vector<std::string>{"Keeper down 9"}));
}

TEST_F(MessageModelTest, AnExitThatRaisesKeepsTheFocusAndIsShown) {
  Application->SetTitle("Velloria Test");
  std::vector<std::string> focus;
  edit1->OnEnter = [&](TObject*) { focus.push_back("enter 1"); };
  edit2->OnEnter = [&](TObject*) { focus.push_back("enter 2"); };
  edit1->OnExit = [&](TObject*) {
    focus.push_back("exit 1");
    throw Exception("Value is not valid");
  };
  ShowActive(form.get());
  Focus(edit1);
  focus.clear();
  QTest::mouseClick(WidgetOf(edit2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  Pump();
  EXPECT_TRUE(edit1->Focused());
  EXPECT_FALSE(edit2->Focused());
  EXPECT_EQ(form->ActiveControl(), edit1);
  EXPECT_EQ(focus, (std::vector<std::string>{"exit 1"}));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Value is not valid.");
  EXPECT_EQ(messages->Requests[0].Caption, "Velloria Test");
  EXPECT_EQ(messages->Requests[0].Flags, MB_OK | MB_ICONSTOP);

  // Once the exit lets go, the focus moves as asked.
  edit1->OnExit = nullptr;
  QTest::mouseClick(WidgetOf(edit2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_TRUE(PumpUntil([this] { return edit2->Focused(); }));
  EXPECT_EQ(focus, (std::vector<std::string>{"exit 1", "enter 2"}));
}

// A long operation looks at the keys waiting for the loop and takes one out;
// nothing runs meanwhile, and the loop later delivers the rest in order.
TEST_F(MessageModelTest, WaitingKeysAreSeenInOrderAndOneCanBeTakenOut) {
  ShowActive(form.get());
  Focus(edit1);
  bool fired = false;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] { fired = true; });
  timer.start();
  const HWND wnd = edit1->Handle();
  ASSERT_TRUE(PostMessage(wnd, WM_KEYDOWN, 'A', 1));
  QWidget* w = WidgetOf(edit1);
  QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
  QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
  QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b"));
  std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the timer is due

  auto summary = [](const std::vector<TWaitingMessage>& keys) {
    std::vector<std::string> v;
    for (const TWaitingMessage& k : keys)
      v.push_back(std::to_string(k.Msg) + " " + std::to_string(k.WParam));
    return v;
  };
  std::vector<TWaitingMessage> keys = PeekKeyMessages();
  const std::string down = std::to_string(WM_KEYDOWN), up = std::to_string(WM_KEYUP);
  EXPECT_EQ(summary(keys), (std::vector<std::string>{down + " 65", down + " 27", up + " 27", down + " 66"}));
  for (const TWaitingMessage& k : keys) EXPECT_EQ(k.Wnd, wnd);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(fired);

  EXPECT_TRUE(RemoveKeyMessage(2));
  EXPECT_TRUE(RemoveKeyMessage(1));
  EXPECT_FALSE(RemoveKeyMessage(2));
  EXPECT_EQ(summary(PeekKeyMessages()), (std::vector<std::string>{down + " 65", down + " 66"}));

  EXPECT_TRUE(PumpUntil([&] { return fired && log.size() >= 3; }));
  EXPECT_EQ(log, (std::vector<std::string>{"Edit1 down 65", "Edit1 down 66", "Edit1 press 98"}));
  EXPECT_EQ(edit1->Text(), "b");
  EXPECT_TRUE(PeekKeyMessages().empty());
}

// Records the cancel-mode notices it gets.
class TModeEdit : public TEdit {
  FW_CLASS(TModeEdit, TEdit)
public:
  using TEdit::TEdit;
  std::vector<TObject*> cancels;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_CANCELMODE) cancels.push_back(reinterpret_cast<TObject*>(m.LParam));
    TEdit::Dispatch(m);
  }
};

TEST_F(MessageModelTest, APressElsewhereCancelsTheActiveControlsMode) {
  auto* moded = new TModeEdit(form.get());
  moded->SetParent(form.get());
  moded->SetBounds(150, 10, 120, 24);
  ShowActive(form.get());
  Focus(moded);
  QTest::mouseClick(WidgetOf(moded), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_TRUE(moded->cancels.empty());  // a press on the active control itself
  QTest::mouseClick(WidgetOf(edit1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(moded->cancels.size(), 1u);
  EXPECT_EQ(moded->cancels[0], edit1);
  EXPECT_TRUE(PumpUntil([this] { return edit1->Focused(); }));
}

TEST_F(MessageModelTest, AStaleHandleFindsNothingNotTheWindowMadeAfterIt) {
  // Forms of one size come and go: the allocator hands a new one the old one's place.
  int heard = 0;
  std::vector<HWND> gone;
  for (int i = 0; i < 8; ++i) {
    auto f = std::make_unique<TForm>(nullptr);
    f->OnClose = [&heard](TObject*, TCloseAction&) { ++heard; };
    const HWND h = f->Handle();
    EXPECT_EQ(FindControl(h), f.get());
    for (HWND old : gone) {
      EXPECT_NE(old, h);
      EXPECT_EQ(FindControl(old), nullptr);
      SendMessage(old, WM_CLOSE, 0, 0);
      EXPECT_FALSE(PostMessage(old, WM_CLOSE, 0, 0));
    }
    gone.push_back(h);
  }
  Pump();
  EXPECT_EQ(heard, 0);

  // A window made again is a new window with a new handle.
  const HWND before = edit1->Handle();
  edit1->RecreateWnd();
  EXPECT_NE(edit1->Handle(), before);
  EXPECT_EQ(FindControl(before), nullptr);
  EXPECT_EQ(FindControl(edit1->Handle()), edit1);
  EXPECT_EQ(FindControl(0), nullptr);
  EXPECT_EQ(FindControl(~HWND{0}), nullptr);
}

}  // namespace
}  // namespace fw::test

namespace fw::test {
FW_IMPLEMENT_CLASS(TTabKeeper)
FW_IMPLEMENT_CLASS(TModeEdit)
}
