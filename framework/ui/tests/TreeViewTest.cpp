#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTreeView>
#include <map>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A tree on a form, with 16 x 16 images and state images and the
// framework's indent of 19.
class TreeViewTest : public UiTest {
protected:
  TreeViewTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(50, 50, 300, 300);
    images = new TImageList(form.get());
    states = new TImageList(form.get());
    TBitmap strip;
    strip.SetSize(64, 16);
    images->Add(&strip, nullptr);
    states->Add(&strip, nullptr);
    tree = new TTreeView(form.get());
    tree->SetName("Tree");
    tree->SetParent(form.get());
    tree->SetAlign(alClient);
    tree->SetImages(images);
    tree->SetStateImages(states);
  }
  // A tree of two levels: "A[a1,a2[x]],B[b1],C".
  void Build() {
    TTreeNodes* n = tree->Items();
    A = n->Add(nullptr, "A");
    a1 = n->AddChild(A, "a1");
    a2 = n->AddChild(A, "a2");
    x = n->AddChild(a2, "x");
    B = n->Add(nullptr, "B");
    b1 = n->AddChild(B, "b1");
    C = n->Add(nullptr, "C");
  }
  static std::string Shape(const TTreeNode* first) {
    std::string s;
    for (const TTreeNode* n = first; n; n = n->getNextSibling()) {
      if (!s.empty()) s += ",";
      s += n->Text();
      if (n->Count()) s += "[" + Shape(n->GetFirstChild()) + "]";
    }
    return s;
  }
  std::string Shape() const { return Shape(tree->Items()->GetFirstNode()); }
  void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QWidget* vp = static_cast<QTreeView*>(WidgetOf(tree))->viewport();
    QMouseEvent e(type, pos, vp->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &e);
  }
  QPoint LabelOf(const TTreeNode* n) const {
    TRect r = n->DisplayRect(true);
    return QPoint(r.Left + 5, (r.Top + r.Bottom) / 2);
  }

  std::unique_ptr<TForm> form;
  TImageList* images;
  TImageList* states;
  TTreeView* tree;
  TTreeNode *A = nullptr, *a1 = nullptr, *a2 = nullptr, *x = nullptr, *B = nullptr, *b1 = nullptr, *C = nullptr;
};

TEST_F(TreeViewTest, MoveToCarriesTheSubtreeInEachMode) {
  struct Case {
    const char* what;
    TNodeAttachMode mode;
    int destination;  // 0 none, 1 A, 2 b1, 3 B, 4 x (inside the moved node)
    const char* shape;
    int level;  // of a2 afterwards
  } cases[] = {
      {"after the last sibling of b1", naAdd, 2, "A[a1],B[b1,a2[x]],C", 1},
      {"before the first sibling of b1", naAddFirst, 2, "A[a1],B[a2[x],b1],C", 1},
      {"last child of B", naAddChild, 3, "A[a1],B[b1,a2[x]],C", 1},
      {"first child of B", naAddChildFirst, 3, "A[a1],B[a2[x],b1],C", 1},
      {"just before b1", naInsert, 2, "A[a1],B[a2[x],b1],C", 1},
      {"just before A", naInsert, 1, "a2[x],A[a1],B[b1],C", 0},
      {"at the end of the top level", naAdd, 0, "A[a1],B[b1],C,a2[x]", 0},
      {"into its own subtree: no move", naAddChild, 4, "A[a1,a2[x]],B[b1],C", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tree->Items()->Clear();
    Build();
    TTreeNode* dest[] = {nullptr, A, b1, B, x};
    a2->MoveTo(dest[c.destination], c.mode);
    EXPECT_EQ(Shape(), c.shape);
    EXPECT_EQ(a2->Level(), c.level);
    EXPECT_EQ(x->Level(), c.level + 1);
    EXPECT_EQ(x->Parent(), a2);
    EXPECT_EQ(tree->Items()->Count(), 7);
  }
  // The node that lost its last child has none to show any more.
  EXPECT_TRUE(A->HasChildren());
  a1->MoveTo(C, naAddChild);
  a2->MoveTo(C, naAddChild);
  EXPECT_EQ(Shape(), "A,B[b1],C[a1,a2[x]]");
  EXPECT_FALSE(A->HasChildren());
  EXPECT_TRUE(C->HasChildren());
}

TEST_F(TreeViewTest, MovedRowsKeepTheirPlaceInTheWidget) {
  Build();
  ShowActive(form.get());
  A->Expand(false);
  B->Expand(false);
  a2->Expand(false);
  a2->MoveTo(b1, naAdd);
  // Tree order and absolute indexes follow the move, in the model and on screen.
  EXPECT_EQ(a2->AbsoluteIndex(), 4);
  EXPECT_EQ(tree->Items()->Item(4), a2);
  // The rows show the expansion they had: the moved one and the others.
  EXPECT_EQ(tree->Items()->Item(5), x);
  EXPECT_EQ(tree->GetNodeAt(LabelOf(x).x(), LabelOf(x).y()), x);
  EXPECT_TRUE(A->Expanded() && B->Expanded() && a2->Expanded());
  EXPECT_EQ(tree->GetNodeAt(LabelOf(a1).x(), LabelOf(a1).y()), a1);
  EXPECT_EQ(tree->GetNodeAt(LabelOf(a2).x(), LabelOf(a2).y()), a2);
  EXPECT_EQ(tree->GetNodeAt(LabelOf(b1).x(), LabelOf(b1).y()), b1);
}

// Inside BeginUpdate/EndUpdate the widget hears of no single change: it reads
// the rows once at the outermost EndUpdate, with the nodes, the selection,
// the expansion and the scroll position as they are; outside an update each
// change is told as it happens.
TEST_F(TreeViewTest, AnUpdateTellsTheWidgetOnceAtItsEnd) {
  form->SetBounds(50, 50, 200, 150);
  Build();
  for (int i = 0; i < 30; ++i) tree->Items()->Add(nullptr, "more " + std::to_string(i));
  ShowActive(form.get());
  A->Expand(false);
  B->Expand(false);
  tree->SetSelected(b1);
  tree->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  tree->Items()->Add(nullptr, "last");  // laid out by the loop, inside the update below
  auto* view = static_cast<QTreeView*>(WidgetOf(tree));
  std::map<std::string, int> told;
  QObject listening;  // the connections end with the test
  QAbstractItemModel* model = view->model();
  QObject::connect(model, &QAbstractItemModel::rowsInserted, &listening, [&] { ++told["inserted"]; });
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, &listening, [&] { ++told["removed"]; });
  QObject::connect(model, &QAbstractItemModel::dataChanged, &listening, [&] { ++told["changed"]; });
  QObject::connect(model, &QAbstractItemModel::layoutChanged, &listening, [&] { ++told["layout"]; });
  QObject::connect(model, &QAbstractItemModel::modelReset, &listening, [&] { ++told["reset"]; });

  TTreeNodes* n = tree->Items();
  n->BeginUpdate();
  n->BeginUpdate();
  QPoint wasX = LabelOf(x);
  for (int i = 0; i < 5; ++i) n->AddChild(C, "c" + std::to_string(i));
  a1->SetText("renamed");
  a2->Delete();  // x goes with it, while the widget still had their rows
  tree->AlphaSort();
  n->EndUpdate();
  Mouse(QEvent::MouseMove, wasX, Qt::NoButton);
  Pump();
  EXPECT_TRUE(told.empty());
  n->EndUpdate();
  EXPECT_EQ(told, (std::map<std::string, int>{{"reset", 1}}));

  EXPECT_EQ(tree->Selected(), b1);
  EXPECT_TRUE(A->Expanded());
  EXPECT_TRUE(view->isExpanded(model->index(B->Index(), 0, QModelIndex())));
  EXPECT_FALSE(view->isExpanded(model->index(C->Index(), 0, QModelIndex())));
  EXPECT_EQ(tree->TopItem(), a1);  // scrolled down by one row as before
  EXPECT_EQ(tree->GetNodeAt(LabelOf(b1).x(), LabelOf(b1).y()), b1);
  EXPECT_EQ(Shape().substr(0, 28), "A[renamed],B[b1],C[c0,c1,c2,");

  // Asking the widget about its rows inside an update shows them as they are.
  told.clear();
  n->BeginUpdate();
  TTreeNode* b2 = n->AddChild(B, "b2");
  EXPECT_EQ(tree->GetNodeAt(LabelOf(b2).x(), LabelOf(b2).y()), b2);
  n->EndUpdate();
  EXPECT_EQ(told, (std::map<std::string, int>{{"reset", 1}}));

  told.clear();
  n->AddChild(B, "b3");
  EXPECT_EQ(told, (std::map<std::string, int>{{"inserted", 1}}));
}

TEST_F(TreeViewTest, AlphaSortSortsTheTopLevelByText) {
  TTreeNodes* n = tree->Items();
  for (const char* t : {"Table # 5", "Table # 10", "table # 3", "Table # 2", "Table # 0"}) {
    TTreeNode* table = n->Add(nullptr, t);
    n->AddChild(table, "z");
    n->AddChild(table, "a");
  }
  tree->AlphaSort();
  EXPECT_EQ(Shape(), "Table # 0[z,a],Table # 10[z,a],Table # 2[z,a],table # 3[z,a],Table # 5[z,a]");
  tree->AlphaSort(true);
  EXPECT_EQ(Shape(), "Table # 0[a,z],Table # 10[a,z],Table # 2[a,z],table # 3[a,z],Table # 5[a,z]");
}

TEST_F(TreeViewTest, HitTestZonesOfARow) {
  Build();
  tree->SetIndent(19);
  ShowActive(form.get());
  A->Expand(false);
  a1->SetStateIndex(2);
  int y = (a1->DisplayRect(false).Top + a1->DisplayRect(false).Bottom) / 2;
  TRect label = a1->DisplayRect(true);
  // a1 is on level 1: the indent of level 0, the button area of its own,
  // the state image, the image, then the label.
  struct Case {
    int x;
    THitTests expected;
  } cases[] = {
      {5, {htOnIndent}},
      {25, {htOnButton}},
      {40, {htOnItem, htOnStateIcon}},
      {60, {htOnItem, htOnIcon}},
      {72, {htOnItem, htOnLabel}},
      {label.Right + 10, {htOnRight}},
  };
  EXPECT_EQ(label.Left, 19 * 2 + 16 + 16);
  for (const Case& c : cases) {
    EXPECT_EQ(tree->GetHitTestInfoAt(c.x, y), c.expected) << "x " << c.x;
    EXPECT_EQ(tree->GetNodeAt(c.x, y), a1) << "x " << c.x;
  }
  // A node without a state image starts its picture right after the button.
  int yA = (A->DisplayRect(false).Top + A->DisplayRect(false).Bottom) / 2;
  EXPECT_EQ(tree->GetHitTestInfoAt(22, yA), (THitTests{htOnItem, htOnIcon}));
  TRect client = tree->ClientRect();
  EXPECT_EQ(tree->GetHitTestInfoAt(50, client.Bottom - 2), THitTests{htNowhere});
  EXPECT_EQ(tree->GetNodeAt(50, client.Bottom - 2), nullptr);
  EXPECT_EQ(tree->GetHitTestInfoAt(-1, y), THitTests{htToLeft});
  EXPECT_EQ(tree->GetHitTestInfoAt(client.Right, y), THitTests{htToRight});
  EXPECT_EQ(tree->GetHitTestInfoAt(50, -1), THitTests{htAbove});
  EXPECT_EQ(tree->GetHitTestInfoAt(50, client.Bottom), THitTests{htBelow});
}

TEST_F(TreeViewTest, DropTargetFollowsTheDragAndStaysOverEmptySpace) {
  Build();
  std::vector<std::string> log;
  TTreeNode* targetAtDrop = nullptr;
  bool accept = true;
  tree->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int, int) {
    if (b == mbLeft && tree->Selected()) tree->BeginDrag(false);
  };
  tree->OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& ok) { ok = source == tree && accept; };
  tree->OnDragDrop = [&](TObject*, TObject* source, int, int) {
    targetAtDrop = tree->DropTarget();
    log.push_back(source == tree ? "drop" : "drop from nowhere");
  };
  tree->OnEndDrag = [&](TObject*, TObject* target, int, int) {
    log.push_back(target == tree ? "end on tree" : target ? "end elsewhere" : "end refused");
  };
  tree->OnClick = [&](TObject*) { log.push_back("click"); };
  ShowActive(form.get());
  A->Expand(false);

  // A press and release without moving stays a click.
  Mouse(QEvent::MouseButtonPress, LabelOf(a1), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, LabelOf(a1), Qt::NoButton);
  EXPECT_EQ(tree->Selected(), a1);
  EXPECT_EQ(log, (std::vector<std::string>{"click"}));
  log.clear();

  Mouse(QEvent::MouseButtonPress, LabelOf(a2), Qt::LeftButton);
  EXPECT_EQ(tree->Selected(), a2);
  EXPECT_FALSE(tree->Dragging());
  QPoint toB = LabelOf(B);
  Mouse(QEvent::MouseMove, toB, Qt::LeftButton);
  EXPECT_TRUE(tree->Dragging());
  EXPECT_EQ(tree->DropTarget(), B);
  EXPECT_TRUE(B->DropTarget());
  QPoint below(toB.x(), tree->ClientRect().Bottom - 3);
  Mouse(QEvent::MouseMove, below, Qt::LeftButton);
  EXPECT_EQ(tree->GetNodeAt(below.x(), below.y()), nullptr);
  EXPECT_EQ(tree->DropTarget(), B);
  Mouse(QEvent::MouseButtonRelease, below, Qt::NoButton);
  EXPECT_EQ(targetAtDrop, B);
  EXPECT_EQ(log, (std::vector<std::string>{"drop", "end on tree"}));
  EXPECT_EQ(tree->DropTarget(), nullptr);
  EXPECT_FALSE(tree->Dragging());

  // A refused drop still ends the drag, with no target.
  log.clear();
  accept = false;
  Mouse(QEvent::MouseButtonPress, LabelOf(a1), Qt::LeftButton);
  Mouse(QEvent::MouseMove, LabelOf(C), Qt::LeftButton);
  EXPECT_EQ(tree->DropTarget(), nullptr);
  Mouse(QEvent::MouseButtonRelease, LabelOf(C), Qt::NoButton);
  EXPECT_EQ(log, (std::vector<std::string>{"end refused"}));
}

TEST_F(TreeViewTest, APressOnTheButtonOpensAndClosesAlsoWithAutomaticDragging) {
  Build();
  tree->SetDragMode(dmAutomatic);
  ShowActive(form.get());
  int yA = (A->DisplayRect(false).Top + A->DisplayRect(false).Bottom) / 2;
  ASSERT_TRUE(tree->GetHitTestInfoAt(8, yA).Contains(htOnButton));
  for (bool expanded : {true, false}) {
    Mouse(QEvent::MouseButtonPress, QPoint(8, yA), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(8, yA), Qt::NoButton);
    EXPECT_EQ(A->Expanded(), expanded);
    EXPECT_FALSE(tree->Dragging());
  }
  // A press on the label still selects and may start a drag.
  Mouse(QEvent::MouseButtonPress, LabelOf(B), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, LabelOf(B), Qt::NoButton);
  EXPECT_EQ(tree->Selected(), B);
  EXPECT_FALSE(B->Expanded());
}

TEST_F(TreeViewTest, EditingInPlace) {
  Build();
  std::string asked;
  tree->OnEditing = [&](TObject*, TTreeNode* n, bool& allow) {
    asked = n->Text();
    allow = n != C;
  };
  tree->OnEdited = [&](TObject*, TTreeNode*, std::string& s) { s = "Table # " + s; };
  ShowActive(form.get());
  auto editor = [this] { return WidgetOf(tree)->findChild<QLineEdit*>(); };

  ASSERT_TRUE(B->EditText());
  EXPECT_EQ(asked, "B");
  EXPECT_TRUE(tree->IsEditing());
  ASSERT_NE(editor(), nullptr);
  EXPECT_EQ(editor()->text(), "B");
  editor()->setText("7");
  QTest::keyClick(editor(), Qt::Key_Return);
  EXPECT_FALSE(tree->IsEditing());
  EXPECT_EQ(B->Text(), "Table # 7");

  // Esc leaves the text as it was and OnEdited unasked.
  tree->OnEdited = [&](TObject*, TTreeNode*, std::string&) { ADD_FAILURE() << "edited after Esc"; };
  ASSERT_TRUE(A->EditText());
  Pump();
  editor()->setText("nothing");
  QTest::keyClick(editor(), Qt::Key_Escape);
  EXPECT_FALSE(tree->IsEditing());
  EXPECT_EQ(A->Text(), "A");

  EXPECT_FALSE(C->EditText());  // OnEditing refused
  tree->SetReadOnly(true);
  EXPECT_FALSE(A->EditText());
  EXPECT_FALSE(tree->IsEditing());
}

// An edit started while another window is active (right after a dialog)
// keeps going once the tree's window is active again.
TEST_F(TreeViewTest, AnEditBegunInAnInactiveWindowSurvivesItsActivation) {
  Build();
  ShowActive(form.get());
  tree->SetFocus();
  auto other = std::make_unique<TForm>(nullptr);
  other->SetBounds(400, 50, 200, 100);
  ShowActive(other.get());
  ASSERT_FALSE(form->Active());
  ASSERT_TRUE(B->EditText());
  other->Hide();
  WidgetOf(form.get())->activateWindow();
  ASSERT_TRUE(PumpUntil([this] { return form->Active(); }));
  Pump();
  EXPECT_TRUE(tree->IsEditing());
  auto* editor = WidgetOf(tree)->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->hasFocus());
}

TEST_F(TreeViewTest, DeletionIsToldForEveryNodeAlsoOnClear) {
  Build();
  std::vector<std::string> deleted;
  tree->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
  tree->SetSelected(x);
  a2->Delete();
  EXPECT_EQ(deleted, (std::vector<std::string>{"x", "a2"}));
  // The selection moves on from a deleted node: here to its parent.
  EXPECT_EQ(tree->Selected(), A);
  deleted.clear();
  tree->Items()->Clear();
  EXPECT_EQ(deleted, (std::vector<std::string>{"a1", "A", "b1", "B", "C"}));
  EXPECT_EQ(tree->Items()->Count(), 0);
  EXPECT_EQ(tree->Selected(), nullptr);
}

TEST_F(TreeViewTest, AssignEndsItsUpdateAlsoWhenItFails) {
  Build();
  auto other = new TTreeView(form.get());
  other->SetParent(form.get());
  other->Items()->Add(nullptr, "Z");
  tree->OnDeletion = [](TObject*, TTreeNode*) { throw Exception("refused"); };
  EXPECT_THROW(tree->Items()->Assign(other->Items()), Exception);
  EXPECT_FALSE(tree->Items()->Updating());
  tree->OnDeletion = nullptr;
  tree->Items()->Assign(other->Items());
  EXPECT_EQ(Shape(), "Z");
  EXPECT_FALSE(tree->Items()->Updating());
}

TEST_F(TreeViewTest, ScrollsByLinesWithinItsRange) {
  form->SetBounds(50, 50, 200, 150);
  int min = -1, max = -1;
  ShowActive(form.get());
  tree->Items()->Add(nullptr, "only");
  Pump();
  EXPECT_TRUE(GetScrollRange(tree->Handle(), SB_VERT, &min, &max));
  EXPECT_EQ(min, max);  // nothing to scroll
  tree->Items()->Clear();
  for (int i = 0; i < 40; ++i) tree->Items()->Add(nullptr, "node " + std::to_string(i));
  Pump();
  GetScrollRange(tree->Handle(), SB_VERT, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 39);
  EXPECT_EQ(tree->TopItem(), tree->Items()->Item(0));
  tree->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  tree->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(tree->TopItem(), tree->Items()->Item(2));
  tree->Perform(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(tree->TopItem(), tree->Items()->Item(1));
}

TEST_F(TreeViewTest, SelectingAsksAndTellsAndCanBeRefused) {
  Build();
  std::vector<std::string> log;
  tree->OnChanging = [&](TObject*, TTreeNode* n, bool& allow) {
    log.push_back("changing " + n->Text());
    allow = n != C;
  };
  tree->OnChange = [&](TObject*, TTreeNode* n) { log.push_back("change " + n->Text()); };
  B->SetSelected(true);
  C->SetSelected(true);
  EXPECT_EQ(tree->Selected(), B);
  EXPECT_EQ(log, (std::vector<std::string>{"changing B", "change B", "changing C"}));
  EXPECT_TRUE(B->Focused());
}

}  // namespace
}  // namespace fw::test
