// Window timers and the repainting of parts of a window.
#include <functional>
#include <memory>
#include <vector>

#include "ExtCtrls.h"
#include "Scope.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A control that tells which timers ticked and what each paint repainted.
class TWindowProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<WPARAM> Ticks;
  std::vector<TRect> Painted;
  std::function<void(WPARAM)> OnTick;

protected:
  void Paint() override {
    Painted.push_back(Canvas()->ClipRect());
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->FillRect(ClientRect());
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg != WM_TIMER) return TCustomControl::Dispatch(Message);
    Ticks.push_back(Message.WParam);
    if (OnTick) OnTick(Message.WParam);
  }
};

class WindowFunctionsTest : public UiTest {
protected:
  WindowFunctionsTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    probe = new TWindowProbe(form.get());
    probe->SetParent(form.get());
    probe->SetBounds(150, 10, 100, 80);
  }
  std::unique_ptr<TForm> form;
  TWindowProbe* probe;
};

TEST_F(WindowFunctionsTest, TimersTickOnTheirWindowUntilKilled) {
  auto clock = std::make_unique<TManualTimerClock>();
  TManualTimerClock* c = clock.get();
  auto previous = SetTimerClock(std::move(clock));
  TScopeExit restore([&] { SetTimerClock(std::move(previous)); });
  ShowActive(form.get());
  HWND h = probe->Handle();
  EXPECT_EQ(SetTimer(h, 1, 100), 1u);
  EXPECT_EQ(SetTimer(h, 2, 250), 2u);
  c->Advance(500);
  EXPECT_EQ(probe->Ticks, (std::vector<WPARAM>{1, 1, 2, 1, 1, 1, 2}));
  // Killed from its own tick, it ticks no more; set again, it starts over.
  probe->Ticks.clear();
  probe->OnTick = [&](WPARAM id) {
    if (id == 1) KillTimer(h, 1);
  };
  c->Advance(300);
  EXPECT_EQ(probe->Ticks, (std::vector<WPARAM>{1, 2}));
  EXPECT_FALSE(KillTimer(h, 1));
  probe->OnTick = nullptr;
  SetTimer(h, 2, 40);
  probe->Ticks.clear();
  c->Advance(100);
  EXPECT_EQ(probe->Ticks, (std::vector<WPARAM>{2, 2}));
  // The window goes, and its timers with it.
  delete probe;
  c->Advance(1000);
  EXPECT_EQ(SetTimer(h, 3, 10), 0u);
}

TEST_F(WindowFunctionsTest, InvalidatedPartsAreRepaintedAndValidatedOnesKept) {
  ShowActive(form.get());
  ASSERT_TRUE(PumpUntil([&] { return !probe->Painted.empty(); }));
  Pump();
  HWND h = probe->Handle();
  probe->Painted.clear();
  TRect part = Rect(10, 10, 30, 20);
  InvalidateRect(h, &part, true);
  ASSERT_TRUE(PumpUntil([&] { return !probe->Painted.empty(); }));
  EXPECT_EQ(probe->Painted.back(), part);  // the canvas clips to what is repainted

  probe->Painted.clear();
  InvalidateRect(h, nullptr, false);
  TRect left = Rect(0, 0, 50, 80);
  ValidateRect(h, &left);
  ASSERT_TRUE(PumpUntil([&] { return !probe->Painted.empty(); }));
  EXPECT_EQ(probe->Painted.back(), Rect(50, 0, 100, 80));
  probe->Painted.clear();
  InvalidateRect(h, nullptr, false);
  ValidateRect(h, nullptr);
  Pump();
  EXPECT_TRUE(probe->Painted.empty());
  // Invalidated again after a validation, it is repainted.
  ValidateRect(h, &left);
  InvalidateRect(h, &left, false);
  ASSERT_TRUE(PumpUntil([&] { return !probe->Painted.empty(); }));
  EXPECT_EQ(probe->Painted.back(), left);
}

}  // namespace
}  // namespace fw::test
