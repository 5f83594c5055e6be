#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "FormReader.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {

// Takes paste and cut over, and paints itself while it has no focus.
class TOwnEdit : public TEdit {
  FW_CLASS(TOwnEdit, TEdit)
public:
  explicit TOwnEdit(TComponent* owner) : TEdit(owner) { canvas_.SetControl(this); }
  std::vector<std::string> log;

protected:
  void WMPaste(TMessage&) override { log.push_back("paste"); }
  void WMCut(TMessage& m) override {
    log.push_back("cut");
    TEdit::WMCut(m);
  }
  void WMPaint(TMessage& m) override {
    if (Focused()) return TEdit::WMPaint(m);
    canvas_.Brush()->SetColor(clRed);
    canvas_.FillRect(ClientRect());
  }

private:
  TControlCanvas canvas_;
};

FW_IMPLEMENT_CLASS(TOwnEdit)

namespace {

class EditTest : public UiTest {
protected:
  EditTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    edit = new TOwnEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 150, 24);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 50, 150, 24);
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }
  std::unique_ptr<TForm> form;
  TOwnEdit* edit;
  TEdit* other;
};

TEST_F(EditTest, PasteAndCutComeAsMessagesThatADescendantTakes) {
  QApplication::clipboard()->setText("pasted");
  ShowActive(form.get());
  Focus(edit);
  edit->SetText("abc");
  edit->SelectAll();
  Key(WidgetOf(edit), Qt::Key_V, Qt::ControlModifier, "\x16");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "abc");
  Key(WidgetOf(edit), Qt::Key_X, Qt::ControlModifier, "\x18");
  EXPECT_EQ(edit->log, (std::vector<std::string>{"paste", "paste", "cut"}));
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(QApplication::clipboard()->text(), "abc");
  // A plain edit pastes.
  Focus(other);
  Key(WidgetOf(other), Qt::Key_V, Qt::ControlModifier, "\x16");
  EXPECT_EQ(other->Text(), "abc");
}

TEST_F(EditTest, ADescendantPaintsWhileItHasNoFocus) {
  edit->SetText("text");
  ShowActive(form.get());
  Focus(other);
  QImage unfocused = WidgetOf(edit)->grab().toImage();
  EXPECT_EQ(unfocused.pixelColor(20, 12), QColor(255, 0, 0));
  Focus(edit);
  QImage focused = WidgetOf(edit)->grab().toImage();
  EXPECT_NE(focused.pixelColor(20, 12), QColor(255, 0, 0));
}

TEST_F(EditTest, TheTextRectangleNarrowsWhereTheTextGoes) {
  ShowActive(form.get());
  // AutoSize: the font's height and room for the sunken border of 2.
  EXPECT_EQ(edit->Height(), QFontMetrics(edit->Font()->QtFont()).height() + 8);
  TRect r = edit->ClientRect();
  EXPECT_EQ(r, Rect(0, 0, edit->Width() - 4, edit->Height() - 4));
  TRect narrowed = Rect(0, 0, r.Right - 20, r.Bottom + 1);
  edit->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&narrowed));
  TRect got;
  edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got, narrowed);
  EXPECT_EQ(static_cast<QLineEdit*>(WidgetOf(edit))->textMargins().right(), 20);
}

// A panel at the right edge of a multi-line edit whose text rectangle ends
// before it, as a button edit lays out its button.
TEST_F(EditTest, ChildControlsOfAMultiLineEditSitInItsClientArea) {
  struct Case {
    const char* name;
    TBorderStyle border;
    int top;
  } cases[] = {{"borderless", bsNone, 10}, {"with a border", bsSingle, 80}};
  ShowActive(form.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetBorderStyle(c.border);
    memo->SetBounds(170, c.top, 100, 60);
    memo->Lines()->Add("a line long enough to reach the panel");
    auto* panel = new TPanel(memo);
    panel->SetParent(memo);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clRed);
    panel->SetBounds(memo->ClientWidth() - 17, 0, 17, memo->ClientHeight());
    int clicks = 0;
    panel->OnClick = [&](TObject*) { ++clicks; };
    TRect text = Rect(2, 2, panel->Left() - 2, memo->ClientHeight() + 1);
    memo->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
    Pump();

    // The panel and the text rectangle count from the same client origin.
    const QPoint client = Viewport(memo)->pos() - QPoint(text.Left, text.Top);
    EXPECT_EQ(WidgetOf(panel)->mapTo(WidgetOf(memo), QPoint(0, 0)), client + QPoint(panel->Left(), 0));
    const QPoint centre = WidgetOf(panel)->mapToGlobal(QPoint(8, memo->ClientHeight() / 2));
    QWidget* top = WidgetOf(form.get());
    QWidget* hit = top->childAt(top->mapFromGlobal(centre));
    EXPECT_EQ(hit, WidgetOf(panel)) << "the text rectangle's margin covers the panel";
    EXPECT_EQ(top->grab().toImage().pixelColor(top->mapFromGlobal(centre)), QColor(255, 0, 0));
    ASSERT_NE(hit, nullptr);
    SendMouse(hit, QEvent::MouseButtonPress, centre, Qt::LeftButton);
    SendMouse(hit, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
  }
}

TEST_F(EditTest, SelectionAndLengthsCountCharacters) {
  for (bool withWindow : {false, true}) {
    SCOPED_TRACE(withWindow);
    if (withWindow) ShowActive(form.get());
    other->SetText("Grüße");
    other->SetSelStart(2);
    other->SetSelLength(2);
    EXPECT_EQ(other->SelStart(), 2);
    EXPECT_EQ(other->SelLength(), 2);
    EXPECT_EQ(other->SelText(), "üß");
    other->SetSelText("ss");
    EXPECT_EQ(other->Text(), "Grsse");
  }
  other->SetMaxLength(4);
  other->SetText("");
  Focus(other);
  struct {
    Qt::Key key;
    const char* text;
  } typed[] = {{Qt::Key_Adiaeresis, "ä"}, {Qt::Key_B, "b"}, {Qt::Key_C, "c"}, {Qt::Key_D, "d"}, {Qt::Key_E, "e"}};
  for (auto t : typed) Key(WidgetOf(other), t.key, Qt::NoModifier, t.text);
  EXPECT_EQ(other->Text(), "äbcd");
}

TEST_F(EditTest, ChangeIsToldForTypingAndForNewText) {
  int changes = 0;
  other->OnChange = [&](TObject*) { ++changes; };
  other->SetText("one");  // no window yet
  EXPECT_EQ(changes, 1);
  ShowActive(form.get());
  other->SetText("two");
  EXPECT_EQ(changes, 2);
  Focus(other);
  Key(WidgetOf(other), Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(other->Modified());
  other->SetReadOnly(true);
  Key(WidgetOf(other), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(other->Text().back(), 'a');
}

TEST_F(EditTest, MemoLinesAndTabs) {
  auto* memo = new TMemo(form.get());
  memo->SetParent(form.get());
  memo->SetBounds(170, 10, 100, 100);
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ(memo->Text(), "first\r\nsecond");
  ShowActive(form.get());
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "second");
  memo->Lines()->SetText("a\r\nb\r\nc\r\n");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  Focus(memo);
  memo->SetSelStart(0);
  Key(WidgetOf(memo), Qt::Key_Tab, Qt::NoModifier, "\t");
  EXPECT_TRUE(PumpUntil([&] { return edit->Focused(); }));  // Tab moves on
  memo->SetWantTabs(true);
  Focus(memo);
  memo->SetSelStart(0);
  Key(WidgetOf(memo), Qt::Key_Tab, Qt::NoModifier, "\t");
  EXPECT_TRUE(memo->Focused());
  EXPECT_EQ(memo->Lines()->Strings(0), "\ta");
}

TEST_F(EditTest, OemConvertFromAFormFileKeepsEveryCharacter) {
  auto f = std::make_unique<TForm>(nullptr);
  ReadComponentText(f.get(),
                    "object Form: TForm\n"
                    "  object Memo1: TMemo\n"
                    "    OEMConvert = True\n"
                    "  end\n"
                    "end\n",
                    "oem.dfm");
  auto* memo = static_cast<TMemo*>(f->FindComponent("Memo1"));
  ASSERT_TRUE(memo);
  EXPECT_TRUE(memo->OEMConvert());
  f->Show();
  memo->SetText("Zürich – 東京");
  EXPECT_EQ(memo->Text(), "Zürich – 東京");
}

TEST_F(EditTest, TimersRunOnTheClockThatIsInstalled) {
  auto clock = std::make_unique<TManualTimerClock>();
  TManualTimerClock* c = clock.get();
  auto previous = SetTimerClock(std::move(clock));
  auto timer = std::make_unique<TTimer>(nullptr);
  int ticks = 0;
  timer->SetInterval(333);
  timer->OnTimer = [&](TObject*) { ++ticks; };
  c->Advance(1000);
  EXPECT_EQ(ticks, 3);
  timer->SetInterval(166);  // starts the count again
  c->Advance(400);
  EXPECT_EQ(ticks, 5);
  timer->SetEnabled(false);
  c->Advance(1000);
  EXPECT_EQ(ticks, 5);
  timer->SetEnabled(true);
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception("tick failed");
  };
  c->Advance(166);
  EXPECT_EQ(ticks, 6);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "tick failed.");
  SetTimerClock(std::move(previous));
  EXPECT_FALSE(c == nullptr);
}

}  // namespace
}  // namespace fw::test
