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
