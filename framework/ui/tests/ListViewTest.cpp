#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeView>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A list view of the explorer's summary kind: three columns, small images.
class ListViewTest : public UiTest {
protected:
  ListViewTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(40, 40, 420, 300);
    small = new TImageList(form.get());
    large = new TImageList(form.get());
    large->SetWidth(32);
    large->SetHeight(32);
    TBitmap strip;
    strip.SetSize(48, 16);
    small->Add(&strip, nullptr);
    lv = new TListView(form.get());
    lv->SetParent(form.get());
    lv->SetAlign(alClient);
    lv->SetSmallImages(small);
    lv->SetLargeImages(large);
    TListColumn* c = lv->Columns()->Add();
    c->SetCaption("Name");
    c->SetAutoSize(true);
    c = lv->Columns()->Add();
    c->SetCaption("Size");
    c->SetWidth(60);
    c->SetAlignment(taRightJustify);
    c = lv->Columns()->Add();
    c->SetCaption("Type");
    c->SetWidth(80);
    lv->OnChange = [this](TObject*, TListItem* item, TItemChange ch) {
      changes.push_back(item->Caption() + ":" + (ch == ctText ? "text" : ch == ctImage ? "image" : "state"));
    };
  }
  TListItem* Add(const std::string& caption, int data) {
    TListItem* i = lv->Items()->Add();
    i->SetCaption(caption);
    i->SubItems()->Add(std::to_string(data * 100));
    i->SubItems()->Add("kind " + std::to_string(data));
    i->SetData(reinterpret_cast<void*>(static_cast<std::intptr_t>(data)));
    i->SetImageIndex(data % 3);
    return i;
  }
  void Fill(int n) {
    lv->Items()->BeginUpdate();
    for (int i = 0; i < n; ++i) Add("Item " + std::to_string(i), i + 1);
    lv->Items()->EndUpdate();
    changes.clear();
  }
  QPoint Centre(const TListItem* i) const {
    TRect r = i->DisplayRect(true);
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QWidget* vp = static_cast<QAbstractScrollArea*>(WidgetOf(lv))->viewport();
    QMouseEvent e(type, pos, vp->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &e);
  }

  std::unique_ptr<TForm> form;
  TImageList* small;
  TImageList* large;
  TListView* lv;
  std::vector<std::string> changes;
};

TEST_F(ListViewTest, EachStyleLaysOutTheItemsAndFindsThemByPoint) {
  lv->SetViewStyle(vsReport);
  Fill(6);
  ShowActive(form.get());
  auto* tree = dynamic_cast<QTreeView*>(WidgetOf(lv));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->model()->columnCount(), 3);
  EXPECT_EQ(tree->model()->headerData(1, Qt::Horizontal).toString(), "Size");
  EXPECT_EQ(tree->header()->sectionSize(1), 60);
  EXPECT_EQ(tree->header()->sectionSize(2), 80);
  // The auto-sized column takes the room the others leave.
  EXPECT_EQ(tree->header()->sectionSize(0), lv->ClientWidth() - 140);
  EXPECT_EQ(tree->model()->data(tree->model()->index(2, 2)).toString(), "kind 3");

  struct Case {
    TViewStyle style;
    const char* what;
    bool below, right;  // where item 1 lies from item 0
  } cases[] = {
      {vsReport, "report", true, false},
      {vsList, "list", true, false},
      {vsSmallIcon, "small icons", false, true},
      {vsIcon, "icons", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    lv->SetViewStyle(c.style);
    Pump();
    TRect r0 = lv->Items()->Item(0)->DisplayRect(true), r1 = lv->Items()->Item(1)->DisplayRect(true);
    EXPECT_EQ(r1.Top >= r0.Bottom, c.below);
    EXPECT_EQ(r1.Left >= r0.Right, c.right);
    for (int i = 0; i < 6; ++i) {
      QPoint p = Centre(lv->Items()->Item(i));
      EXPECT_EQ(lv->GetItemAt(p.x(), p.y()), lv->Items()->Item(i)) << "item " << i;
    }
    EXPECT_EQ(lv->GetItemAt(lv->ClientWidth() - 2, lv->ClientHeight() - 2), nullptr);
  }
  EXPECT_EQ(lv->TopItem(), lv->Items()->Item(0));
}

TEST_F(ListViewTest, FindDataFromAStartWithAndWithoutWrapping) {
  Fill(5);  // data 1..5 at indexes 0..4
  auto data = [](int d) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(d)); };
  struct Case {
    int start, value;
    bool inclusive, wrap;
    int found;  // index, -1 none
  } cases[] = {
      {0, 1, true, false, 0}, {0, 1, false, false, -1}, {0, 1, false, true, 0}, {2, 2, false, true, 1},
      {2, 2, false, false, -1}, {-1, 5, false, false, 4}, {0, 9, true, true, -1},
  };
  for (const Case& c : cases) {
    TListItem* i = lv->FindData(c.start, data(c.value), c.inclusive, c.wrap);
    EXPECT_EQ(i ? i->Index() : -1, c.found) << c.start << " " << c.value << " " << c.inclusive << c.wrap;
  }
}

TEST_F(ListViewTest, ChangeKindsAndSelection) {
  lv->SetViewStyle(vsReport);
  Fill(4);
  TListItem* a = lv->Items()->Item(0);
  TListItem* b = lv->Items()->Item(1);
  a->SetCaption("A");
  b->SetCaption("B");
  a->SubItems()->Strings(0);
  a->SubItems()->SetStrings(0, "7");
  b->SetImageIndex(0);
  a->SetSelected(true);
  b->SetSelected(true);
  EXPECT_EQ(changes, (std::vector<std::string>{"A:text", "B:text", "A:text", "B:image", "A:state", "A:state", "B:state"}));
  EXPECT_EQ(lv->Selected(), b);
  EXPECT_FALSE(a->Selected());

  // A click selects; a click on nothing leaves no selection.
  ShowActive(form.get());
  changes.clear();
  Mouse(QEvent::MouseButtonPress, Centre(lv->Items()->Item(3)), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Centre(lv->Items()->Item(3)), Qt::NoButton);
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(3));
  EXPECT_TRUE(lv->Focused());
  EXPECT_EQ(changes, (std::vector<std::string>{"B:state", "Item 3:state"}));
  Key(WidgetOf(lv), Qt::Key_Up);
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(2));
  Key(WidgetOf(lv), Qt::Key_Home);
  EXPECT_EQ(lv->Selected(), a);
  QPoint empty(10, lv->ClientHeight() - 3);
  Mouse(QEvent::MouseButtonPress, empty, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, empty, Qt::NoButton);
  EXPECT_EQ(lv->Selected(), nullptr);

  // Deleting the selected item leaves no selection and tells no change.
  b->SetSelected(true);
  changes.clear();
  std::vector<std::string> deleted;
  lv->OnDeletion = [&](TObject*, TListItem* i) { deleted.push_back(i->Caption()); };
  lv->Items()->Delete(1);
  EXPECT_EQ(lv->Selected(), nullptr);
  EXPECT_EQ(deleted, std::vector<std::string>{"B"});
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(lv->Items()->Item(1)->Index(), 1);
}

TEST_F(ListViewTest, EditingACaptionInPlace) {
  lv->SetViewStyle(vsReport);
  Fill(3);
  std::string offered;
  lv->OnEditing = [&](TObject*, TListItem* i, bool& allow) { allow = i->Index() != 2; };
  lv->OnEdited = [&](TObject*, TListItem*, std::string& s) {
    offered = s;
    s = "Actual " + s;  // the rename ends with the object's own name
  };
  ShowActive(form.get());
  auto editor = [this] { return WidgetOf(lv)->findChild<QLineEdit*>(); };
  TListItem* item = lv->Items()->Item(1);
  EXPECT_FALSE(lv->Items()->Item(2)->EditCaption());
  EXPECT_FALSE(lv->IsEditing());
  ASSERT_TRUE(item->EditCaption());
  EXPECT_TRUE(lv->IsEditing());
  ASSERT_NE(editor(), nullptr);
  EXPECT_EQ(editor()->text(), "Item 1");
  editor()->setText("typed");
  Key(editor(), Qt::Key_Return);
  EXPECT_FALSE(lv->IsEditing());
  EXPECT_EQ(offered, "typed");
  EXPECT_EQ(item->Caption(), "Actual typed");
  // Esc leaves the caption as it was.
  offered.clear();
  ASSERT_TRUE(item->EditCaption());
  editor()->setText("dropped");
  Key(editor(), Qt::Key_Escape);
  EXPECT_EQ(item->Caption(), "Actual typed");
  EXPECT_EQ(offered, "");
  // Deleting the item being edited ends the edit without a word.
  ASSERT_TRUE(item->EditCaption());
  item->Delete();
  EXPECT_FALSE(lv->IsEditing());
  EXPECT_EQ(offered, "");
}

TEST_F(ListViewTest, AnUpdateShowsTheItemsOnceAtItsEnd) {
  lv->SetViewStyle(vsReport);
  ShowActive(form.get());
  auto* view = static_cast<QAbstractItemView*>(WidgetOf(lv));
  int resets = 0, inserts = 0;
  QObject listening;
  QObject::connect(view->model(), &QAbstractItemModel::modelReset, &listening, [&] { ++resets; });
  QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, &listening, [&] { ++inserts; });
  Fill(200);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(inserts, 0);
  EXPECT_EQ(view->model()->rowCount(), 200);
  Add("one more", 300);
  EXPECT_EQ(inserts, 1);
  lv->Items()->Clear();
  EXPECT_EQ(view->model()->rowCount(), 0);
}

TEST_F(ListViewTest, DragAndDropHighlightsTheItemUnderTheMouse) {
  lv->SetViewStyle(vsReport);
  Fill(4);
  lv->SetDragMode(dmAutomatic);
  std::vector<std::string> log;
  lv->OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& ok) { ok = source == lv; };
  lv->OnDragDrop = [&](TObject*, TObject*, int, int) { log.push_back("drop on " + lv->DropTarget()->Caption()); };
  ShowActive(form.get());
  Mouse(QEvent::MouseButtonPress, Centre(lv->Items()->Item(0)), Qt::LeftButton);
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(0));
  Mouse(QEvent::MouseMove, Centre(lv->Items()->Item(2)), Qt::LeftButton);
  EXPECT_TRUE(lv->Dragging());
  EXPECT_EQ(lv->DropTarget(), lv->Items()->Item(2));
  EXPECT_TRUE(lv->Items()->Item(2)->DropTarget());
  Mouse(QEvent::MouseButtonRelease, Centre(lv->Items()->Item(2)), Qt::NoButton);
  EXPECT_EQ(log, std::vector<std::string>{"drop on Item 2"});
  EXPECT_EQ(lv->DropTarget(), nullptr);
}

}  // namespace
}  // namespace fw::test
