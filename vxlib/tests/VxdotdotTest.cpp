// The button edit on Qt's offscreen platform: its button's place, the dialog
// it raises, the drop-down keys, and the edit that is a list only.
#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "StdCtrls.h"
#include "UiTest.h"
#include "Vxdotdot.h"

namespace vx {
namespace {

using namespace fw;
using namespace fw::test;

// A combo whose drop-down only records: it stays open until closed.
class TRecordingCombo : public TvxDBCustomCombo {
  FW_CLASS(TRecordingCombo, TvxDBCustomCombo)
public:
  using TvxDBCustomCombo::TvxDBCustomCombo;
  std::vector<std::string> calls;
  void DropDown() override {
    calls.push_back("drop");
    SetDroppedDown(true);
  }
  void CloseUp(bool Accept) override {
    calls.push_back(Accept ? "close accept" : "close cancel");
    SetDroppedDown(false);
  }
  void Press(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }
  void Type(TChar& Key) { KeyPress(Key); }
};

FW_IMPLEMENT_CLASS(TRecordingCombo)

class ComboDlgTest : public fw::test::UiTest {
protected:
  ComboDlgTest() : form(std::make_unique<TForm>(nullptr)) {
    SetKeyboardState(TKeyboardState{});  // no Alt left held by an earlier test
    form->SetBounds(100, 100, 320, 200);
    dlg = new TvxDBComboDlg(form.get());
    dlg->SetParent(form.get());
    dlg->SetBounds(10, 10, 150, 24);
    dlg->Loaded();
    combo = new TRecordingCombo(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(10, 50, 150, 24);
    combo->Loaded();
  }
  void Show() {
    ShowActive(form.get());
    dlg->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return dlg->Focused(); }));
  }

  std::unique_ptr<TForm> form;
  TvxDBComboDlg* dlg;
  TRecordingCombo* combo;
};

TEST_F(ComboDlgTest, TheButtonSitsAtTheRightEdgeAndTheTextEndsBeforeIt) {
  Show();
  TWinControl* panel = dlg->ButtonPanel();
  const int bw = std::max(GetSystemMetrics(SM_CXVSCROLL), 15);
  EXPECT_EQ(panel->Width(), bw);
  EXPECT_EQ(panel->Left(), dlg->Width() - bw - 4);  // single border, 3-D
  EXPECT_EQ(panel->Height(), dlg->ClientHeight());
  EXPECT_EQ(dlg->Button()->Height(), panel->Height());
  EXPECT_EQ(dlg->GetClientEditRect().Right, panel->Left());

  dlg->SetBounds(10, 10, 200, 24);
  EXPECT_EQ(panel->Left(), 200 - bw - 4);

  dlg->SetShowButton(false);
  EXPECT_FALSE(dlg->ShowButton());
  EXPECT_EQ(dlg->GetClientEditRect().Right, dlg->ClientWidth());
}

TEST_F(ComboDlgTest, TheDialogRunsOnlyWithAHandlerAndTheDropFlagIsClearedAfterwards) {
  Show();
  dlg->Button()->Click();  // no handler: nothing
  Key(WidgetOf(dlg), Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(dlg->IsDroppedDown());

  std::vector<bool> seen;
  dlg->OnCustomDlg = [&](TObject* Sender) {
    EXPECT_EQ(Sender, dlg);
    seen.push_back(dlg->IsDroppedDown());
  };
  dlg->Button()->Click();
  Key(WidgetOf(dlg), Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(seen, (std::vector<bool>{true, true}));
  EXPECT_FALSE(dlg->IsDroppedDown());

  dlg->OnCustomDlg = [](TObject*) { throw Exception("dialog failed"); };
  EXPECT_THROW(dlg->DropDown(), Exception);
  EXPECT_FALSE(dlg->IsDroppedDown());
}

TEST_F(ComboDlgTest, DropDownKeys) {
  struct Case {
    Word key;
    bool alt;
    bool dropped;  // before the key
    const char* call;  // "" for none
    bool swallowed;
  } cases[] = {
      {VK_RETURN, false, true, "close accept", true},
      {VK_ESCAPE, false, true, "close cancel", true},
      {VK_RETURN, true, true, "", false},  // Alt held: not a close
      {VK_RETURN, false, false, "", false},
      {VK_ESCAPE, false, false, "", false},
      {VK_DOWN, true, false, "drop", true},
      {VK_UP, true, false, "drop", true},
      {VK_DOWN, true, true, "close accept", true},
      {VK_UP, true, true, "close accept", true},
      {VK_DOWN, false, true, "", false},  // plain arrows are the edit's
      {VK_UP, false, false, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.key) + (c.alt ? " alt" : "") + (c.dropped ? " dropped" : ""));
    if (c.dropped) combo->DropDown();
    combo->calls.clear();
    Word key = c.key;
    TShiftState shift;
    if (c.alt) shift.Include(ssAlt);
    combo->Press(key, shift);
    EXPECT_EQ(combo->calls, std::string(c.call).empty() ? std::vector<std::string>{}
                                                        : std::vector<std::string>{c.call});
    EXPECT_EQ(key == 0, c.swallowed);
    if (combo->IsDroppedDown()) combo->CloseUp(false);
  }
}

TEST_F(ComboDlgTest, AListOnlyEditOpensOnAClickAndSwallowsTypingWhileClosed) {
  combo->SetStyle(csDropDownList);
  ShowActive(form.get());
  combo->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return combo->Focused(); }));
  EXPECT_FALSE(combo->Editable());
  EXPECT_FALSE(combo->MouseEditable());
  Word key = 'A';
  combo->Press(key, {});
  EXPECT_EQ(key, 0);

  Mouse(WidgetOf(combo), QEvent::MouseButtonPress, QPoint(20, 10), Qt::LeftButton);
  Mouse(WidgetOf(combo), QEvent::MouseButtonRelease, QPoint(20, 10), Qt::NoButton);
  EXPECT_EQ(combo->calls, std::vector<std::string>{"drop"});
  EXPECT_TRUE(combo->Editable());  // while dropped down
  key = 'A';
  combo->Press(key, {});
  EXPECT_EQ(key, 'A');
  Mouse(WidgetOf(combo), QEvent::MouseButtonPress, QPoint(20, 10), Qt::LeftButton);
  Mouse(WidgetOf(combo), QEvent::MouseButtonRelease, QPoint(20, 10), Qt::NoButton);
  EXPECT_EQ(combo->calls.back(), "close accept");
}

TEST_F(ComboDlgTest, TabIsDroppedOnlyUnderAnEditMask) {
  TChar key = 9;
  combo->Type(key);
  EXPECT_EQ(key, 9u);
  combo->SetEditMask("999;0;_");
  key = 9;
  combo->Type(key);
  EXPECT_EQ(key, 0u);
}

}  // namespace
}  // namespace vx
