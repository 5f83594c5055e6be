#include <QImage>
#include <QMouseEvent>
#include <QTabBar>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

void Click(QWidget* w, QPoint local) {
  QPoint g = w->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, g, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

class PagesTest : public UiTest {
protected:
  PagesTest() : form(std::make_unique<TForm>(nullptr)) { form->SetBounds(40, 40, 400, 300); }
  // The middle of tab Index of a tab control, in its client coordinates.
  static QPoint TabCentre(TCustomTabControl* c, int index) {
    QTabBar* bar = WidgetOf(c)->findChild<QTabBar*>();
    return bar->tabRect(index).center() + bar->pos();
  }
  std::unique_ptr<TForm> form;
};

TEST_F(PagesTest, APageControlWithHiddenTabsAndPageIndexes) {
  auto* pc = new TPageControl(form.get());
  pc->SetParent(form.get());
  pc->SetAlign(alClient);
  std::vector<TTabSheet*> pages;
  for (const char* c : {"Definition", "Summary", "Text", "Data"}) {
    auto* p = new TTabSheet(form.get());
    p->SetCaption(c);
    p->SetPageControl(pc);
    pages.push_back(p);
  }
  pages[0]->SetHelpContext(1020);
  std::vector<std::string> log;
  bool allow = true;
  pc->OnChanging = [&](TObject*, bool& ok) {
    log.push_back("changing from " + pc->ActivePage()->Caption());
    ok = allow;
  };
  pc->OnChange = [&](TObject*) { log.push_back("change to " + pc->ActivePage()->Caption()); };
  EXPECT_EQ(pc->PageCount(), 4);
  EXPECT_EQ(pc->ActivePage(), pages[0]);  // the first page comes up
  EXPECT_TRUE(pages[0]->Visible());
  EXPECT_FALSE(pages[1]->Visible());

  // Hide the Summary tab and put Data before Text: tabs and indexes follow.
  pages[1]->SetTabVisible(false);
  pages[3]->SetPageIndex(1);
  EXPECT_EQ(pages[3]->PageIndex(), 1);
  EXPECT_EQ(pages[1]->PageIndex(), 2);
  EXPECT_EQ(pages[3]->TabIndex(), 1);
  EXPECT_EQ(pages[1]->TabIndex(), -1);
  EXPECT_EQ(pages[2]->TabIndex(), 2);
  EXPECT_EQ(pc->Pages(3), pages[2]);

  ShowActive(form.get());
  QTabBar* bar = WidgetOf(pc)->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->count(), 3);
  EXPECT_EQ(bar->tabText(1), "Data");
  // The page fills the area below the tabs.
  EXPECT_EQ(pages[0]->BoundsRect(), pc->DisplayRect());
  EXPECT_GT(pc->DisplayRect().Top, 10);

  // A click on the tab of Text: OnChanging, then the page, then OnChange.
  Click(WidgetOf(pc), TabCentre(pc, 2));
  EXPECT_EQ(pc->ActivePage(), pages[2]);
  EXPECT_TRUE(pages[2]->Visible());
  EXPECT_FALSE(pages[0]->Visible());
  EXPECT_EQ(bar->currentIndex(), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"changing from Definition", "change to Text"}));
  // Refused, nothing changes; the program's changes tell nothing.
  log.clear();
  allow = false;
  Click(WidgetOf(pc), TabCentre(pc, 0));
  EXPECT_EQ(pc->ActivePage(), pages[2]);
  pc->SetActivePage(pages[1]);  // a page without a tab can be shown
  EXPECT_TRUE(pages[1]->Visible());
  EXPECT_EQ(log, std::vector<std::string>{"changing from Text"});
  EXPECT_EQ(pc->ActivePage()->HelpContext(), 0);
  EXPECT_EQ(pages[0]->HelpContext(), 1020);
  // A page that goes leaves the control.
  delete pages[3];
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(bar->count(), 2);
}

TEST_F(PagesTest, ATabControlsTabsCarryObjects) {
  auto* tc = new TTabControl(form.get());
  tc->SetParent(form.get());
  tc->SetAlign(alClient);
  std::vector<TPanel*> views;
  for (const char* c : {"Databases", "Configuration"}) {
    auto* v = new TPanel(form.get());
    v->SetParent(tc);
    v->SetAlign(alClient);
    tc->Tabs()->AddObject(c, v);
    views.push_back(v);
  }
  EXPECT_EQ(tc->TabIndex(), 0);  // the first tab comes up
  int changes = 0;
  tc->OnChange = [&](TObject*) {
    ++changes;
    static_cast<TPanel*>(tc->Tabs()->Objects(tc->TabIndex()))->BringToFront();
  };
  ShowActive(form.get());
  EXPECT_EQ(views[0]->BoundsRect(), tc->DisplayRect());
  Click(WidgetOf(tc), TabCentre(tc, 1));
  EXPECT_EQ(tc->TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(tc->Tabs()->Objects(1), views[1]);
  EXPECT_EQ(tc->Parent()->ControlCount(), 1);
  EXPECT_EQ(tc->Controls(tc->ControlCount() - 1), views[1]);
  // Keys move between the tabs while the control has the focus.
  tc->SetFocus();
  Key(WidgetOf(tc), Qt::Key_Left);
  EXPECT_EQ(tc->TabIndex(), 0);
  EXPECT_EQ(changes, 2);
  tc->Tabs()->Clear();
  EXPECT_EQ(tc->TabIndex(), -1);
}

TEST_F(PagesTest, ASplitterResizesItsNeighbourWithinMinSize) {
  form->SetClientWidth(400);
  auto* left = new TPanel(form.get());
  left->SetParent(form.get());
  left->SetAlign(alLeft);
  left->SetWidth(180);
  auto* splitter = new TSplitter(form.get());
  splitter->SetParent(form.get());
  splitter->SetLeft(185);
  splitter->SetAlign(alLeft);
  auto* right = new TPanel(form.get());
  right->SetParent(form.get());
  right->SetAlign(alClient);
  EXPECT_EQ(splitter->Left(), 180);
  EXPECT_EQ(splitter->Neighbour(), left);
  ShowActive(form.get());
  QWidget* w = WidgetOf(splitter);
  auto drag = [&](int dx) {
    QPoint start(1, 10);
    QPoint g = w->mapToGlobal(start);
    QMouseEvent press(QEvent::MouseButtonPress, start, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QPoint to = g + QPoint(dx, 0);
    QMouseEvent move(QEvent::MouseMove, w->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, w->mapFromGlobal(to), to, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
  };
  drag(-50);
  EXPECT_EQ(left->Width(), 130);
  EXPECT_EQ(splitter->Left(), 130);
  EXPECT_EQ(right->Left(), 133);
  drag(-500);
  EXPECT_EQ(left->Width(), 30);  // MinSize
  splitter->SetMinSize(50);
  drag(1000);
  EXPECT_EQ(left->Width(), form->ClientWidth() - 3 - 50);  // the rest keeps MinSize
  EXPECT_EQ(right->Width(), 50);
  EXPECT_EQ(splitter->Cursor(), crHSplit);
}

TEST_F(PagesTest, AStatusBarShowsItsSimpleText) {
  auto* bar = new TStatusBar(form.get());
  bar->SetParent(form.get());
  bar->SetSimplePanel(true);
  bar->SetSimpleText("3 items in Databases.");
  bar->Font()->SetColor(clRed);
  ShowActive(form.get());
  EXPECT_EQ(bar->Align(), alBottom);
  EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
  QImage shot = WidgetOf(bar)->grab().toImage();
  int red = 0;
  for (int x = 0; x < 120; ++x)
    for (int y = 0; y < shot.height(); ++y)
      if (QColor c = shot.pixelColor(x, y); c.red() > 150 && c.green() < 100 && c.blue() < 100) ++red;
  EXPECT_GT(red, 20);
  // The sunken panel's top left line.
  EXPECT_EQ(FromQColor(shot.pixelColor(5, 2)), ColorToRGB(clBtnShadow));
}

}  // namespace
}  // namespace fw::test
