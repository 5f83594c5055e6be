// The common OK, Cancel and Help buttons of the library's dialogs.
#include <memory>

#include "UiTest.h"
#include "Vxintl.h"

namespace vx {
namespace {

using namespace fw;

class CommonButtons : public fw::test::UiTest {
protected:
  CommonButtons() : form(std::make_unique<TForm>(nullptr)), ppi_(Screen->PixelsPerInch()) {}
  ~CommonButtons() override {
    vxInternational()->SetOKCancelBitmapped(true);
    Screen->SetPixelsPerInch(ppi_);
  }
  std::unique_ptr<TForm> form;

private:
  int ppi_;
};

TEST_F(CommonButtons, KindCaptionResultAndSizeFollowTheSettings) {
  Screen->SetPixelsPerInch(120);
  struct Case {
    bool bitmapped;
    TBitBtnKind kind;
    const char* caption;
    int modalResult;
    bool cancel;
    int height;
  } cases[] = {
      {true, bkOK, "&OK", mrOk, false, 33},  // 27/96 inch at 120 pixels per inch
      {true, bkCancel, "Cancel", mrCancel, true, 33},
      {false, bkOK, "&OK", mrOk, false, 30},  // plain buttons are 24/96 inch high
      {false, bkHelp, "Help", 0, false, 30},
  };
  for (const Case& c : cases) {
    vxInternational()->SetOKCancelBitmapped(c.bitmapped);
    TButton* b = vxCreateCommonButton(form.get(), c.kind);
    EXPECT_EQ(dynamic_cast<TBitBtn*>(b) != nullptr, c.bitmapped);
    EXPECT_EQ(b->Owner(), form.get());
    EXPECT_EQ(b->Parent(), form.get());
    EXPECT_FALSE(b->Visible());
    EXPECT_EQ(b->Caption(), c.caption);
    EXPECT_EQ(b->ModalResult(), c.modalResult);
    EXPECT_EQ(b->Cancel(), c.cancel);
    EXPECT_EQ(b->Width(), 96);
    EXPECT_EQ(b->Height(), c.height);
    if (auto* bit = dynamic_cast<TBitBtn*>(b)) {
      EXPECT_EQ(bit->Kind(), c.kind);
      EXPECT_EQ(bit->Font()->Height(), -11);
    }
  }
}

}  // namespace
}  // namespace vx
