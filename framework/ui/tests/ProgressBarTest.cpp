#include <QElapsedTimer>
#include <QProgressBar>

#include "ComCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// Counts the paints of a progress bar, and keeps the value painted last (from
// a bar on screen).
class PaintCounter : public QObject {
public:
  explicit PaintCounter(QProgressBar* w) : Painted(w->value()), w_(w) { w->installEventFilter(this); }
  int Paints = 0;
  int Painted;

protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++Paints;
      Painted = w_->value();
    }
    return false;
  }

private:
  QProgressBar* w_;
};

// A bar 200 pixels wide on a shown form.
class ProgressBarTest : public UiTest {
protected:
  ProgressBarTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(50, 50, 300, 100);
    bar = new TProgressBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 10, 200, 16);
    bar->SetMax(200);
  }
  QProgressBar* Widget() const { return static_cast<QProgressBar*>(WidgetOf(bar)); }
  void Show() {
    ShowActive(form.get());
    counter = std::make_unique<PaintCounter>(Widget());
  }
  bool Shows(int value) const {
    return PumpUntil([&] { return counter->Painted == value; });
  }

  std::unique_ptr<TForm> form;
  TProgressBar* bar;
  std::unique_ptr<PaintCounter> counter;
};

// A step never paints the bar itself: the message loop paints it, at most once
// a pass and once a frame, and shows the last value even when the steps stop
// within a frame.
TEST_F(ProgressBarTest, PaintsThroughTheLoopAtMostOnceAFrame) {
  Show();
  bar->StepBy(50);
  EXPECT_EQ(counter->Paints, 0);
  ASSERT_TRUE(Shows(50));

  counter->Paints = 0;
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < 150; ++i) {
    bar->StepBy(1);
    Application->ProcessMessages();
  }
  const qint64 ms = t.elapsed();
  EXPECT_LE(counter->Paints, ms / 16 + 2) << "in " << ms << " ms";
  EXPECT_TRUE(Shows(200));
  EXPECT_EQ(bar->Position(), 200);
}

// A step that fills no other pixel is not painted.
TEST_F(ProgressBarTest, PaintsOnlyWhatShows) {
  bar->SetMax(100000);
  bar->SetPosition(50000);
  Show();
  ASSERT_TRUE(Shows(50000));
  counter->Paints = 0;
  bar->SetPosition(50001);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 50) Application->ProcessMessages();
  EXPECT_EQ(counter->Paints, 0);
  EXPECT_EQ(bar->Position(), 50001);
  // The ends are shown as they are.
  bar->SetPosition(100000);
  EXPECT_TRUE(Shows(100000));
  bar->SetPosition(0);
  EXPECT_TRUE(Shows(0));
}

}  // namespace
}  // namespace fw::test
