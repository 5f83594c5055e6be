// The common unit's small services that touch the screen, the keyboard and
// the controls' protected operations.
#include <memory>
#include <vector>

#include "Forms.h"
#include "StdCtrls.h"
#include "UiTest.h"
#include "Vxcommon.h"
#include "Vxdbedit.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;

class SmallServices : public fw::test::UiTest {
protected:
  SmallServices() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 120, 24);
    edit->OnKeyDown = [this](TObject*, Word& Key, TShiftState) { keys.push_back(Key); };
    edit->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int, int) { ups.push_back(Button); };
  }
  std::unique_ptr<TForm> form;
  TEdit* edit;
  std::vector<Word> keys;
  std::vector<TMouseButton> ups;
};

TEST_F(SmallServices, ClearAltCharLeavesTheOtherKeys) {
  TKeyboardState saved;
  GetKeyboardState(saved);
  TKeyboardState state{};
  state[VK_MENU] = 0x81;
  state[VK_SHIFT] = 0x80;
  SetKeyboardState(state);
  EXPECT_LT(GetKeyState(VK_MENU), 0);
  vxClearAltChar();
  EXPECT_EQ(GetKeyState(VK_MENU), 0);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  SetKeyboardState(saved);
}

// A key replayed with Alt held: the control that handles it reads Alt (and
// the key) as down, and the keyboard state of the moment stays as it was.
TEST_F(SmallServices, PlayKeystrokeHoldsTheExtraKeyWhileTheControlHandlesIt) {
  ShowActive(form.get());
  TKeyboardState saved;
  GetKeyboardState(saved);
  TKeyboardState none{};
  SetKeyboardState(none);
  struct Seen {
    unsigned msg;
    Word key;
    bool alt;
    bool keyDown;
  };
  std::vector<Seen> seen;
  edit->OnKeyDown = [&](TObject*, Word& Key, TShiftState) {
    seen.push_back({WM_KEYDOWN, Key, GetKeyState(VK_MENU) < 0, GetKeyState(Key) < 0});
  };
  edit->OnKeyUp = [&](TObject*, Word& Key, TShiftState) {
    seen.push_back({WM_KEYUP, Key, GetKeyState(VK_MENU) < 0, GetKeyState(Key) < 0});
  };
  vxPlayKeystroke(edit->Handle(), VK_DOWN, VK_MENU);
  EXPECT_EQ(GetKeyState(VK_MENU), 0);  // posted: nothing is handled yet
  EXPECT_TRUE(seen.empty());
  Pump();
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.key, VK_DOWN);
    EXPECT_TRUE(s.alt) << s.msg;
    EXPECT_TRUE(s.keyDown) << s.msg;
  }
  EXPECT_EQ(seen[0].msg, WM_KEYDOWN);
  EXPECT_EQ(seen[1].msg, WM_KEYUP);
  EXPECT_EQ(GetKeyState(VK_MENU), 0);
  EXPECT_EQ(GetKeyState(VK_DOWN), 0);
  SetKeyboardState(saved);
}

TEST_F(SmallServices, FixMouseDownReleasesTheButtonHeldOnTheActiveForm) {
  vxFixMouseDown();  // no active form: nothing
  ShowActive(form.get());
  vxFixMouseDown();  // nothing held: nothing
  Pump();
  EXPECT_TRUE(ups.empty());

  edit->SetControlState(edit->ControlState() + TControlState{csLButtonDown});
  vxFixMouseDown();
  Pump();
  EXPECT_EQ(ups, std::vector<TMouseButton>{mbLeft});
  EXPECT_FALSE(edit->ControlState().Contains(csLButtonDown));
}

TEST_F(SmallServices, PaintCopyStateAndWorkingRect) {
  EXPECT_TRUE(vxInPaintCopyState(TControlState{csPaintCopy, csFocusing}));
  EXPECT_FALSE(vxInPaintCopyState(TControlState{csLButtonDown}));
  Screen->SetSize(800, 600);
  TRect r{1, 2, 3, 4};
  vxGetWorkingRect(r);
  Screen->SetSize(0, 0);
  EXPECT_EQ(r, Rect(0, 0, 800, 600));
}

TEST_F(SmallServices, CheatCastsRunTheProtectedOperationsOfTheObjectItself) {
  Word key = VK_F2;
  TvxCheatCastKeyDown::DoKeyDown(edit, key, {});
  EXPECT_EQ(keys, std::vector<Word>{VK_F2});

  // The edit's own Notification: the removed data source is let go.
  auto* dbEdit = new TvxDBEdit(form.get());
  auto* source = new TvxDataSource(form.get());
  dbEdit->SetDataSource(source);
  TvxCheatCastNotify::DoNotification(dbEdit, source, opRemove);
  EXPECT_EQ(dbEdit->DataSource(), nullptr);
}

}  // namespace
}  // namespace vx
