// Editing and finding in the seating tree, and closing the main window.
#include "PlannerTest.h"
#include "Text.h"

namespace ostrel::test {
namespace {

using namespace fw;

class Edit : public PlannerTest {
protected:
  void SetUp() override {
    PlannerTest::SetUp();
    OpenForm();
    ShowActive(form.get());
  }
  // Tables A and B; A seats a1 and a2, B seats b1.
  void SmallTree() {
    Items()->Clear();
    TTreeNode* a = Items()->Add(nullptr, "A");
    Items()->AddChild(a, "a1");
    Items()->AddChild(a, "a2");
    TTreeNode* b = Items()->Add(nullptr, "B");
    Items()->AddChild(b, "b1");
    form->TreeView1->FullExpand();
    Pump();
  }
  // "A(a1 a2) B(b1)": each node with its children in brackets.
  std::string Shape(TTreeNode* first = nullptr) const {
    std::string s;
    for (TTreeNode* n = first ? first : Items()->GetFirstNode(); n; n = n->getNextSibling()) {
      if (!s.empty()) s += " ";
      s += n->Text();
      if (n->Count()) s += "(" + Shape(n->GetFirstChild()) + ")";
    }
    return s;
  }
};

TEST_F(Edit, DropRulesOnTheTree) {
  enum Where { Label, Indent, Below, Right, Button };
  struct Case {
    const char* dragged;
    const char* target;  // nullptr: no node was highlighted
    Where where;
    const char* shape;   // empty: refused with a beep
  } cases[] = {
      {"B", "A", Label, "B(b1) A(a1 a2)"},
      {"a2", "a1", Label, "A(a2 a1) B(b1)"},
      {"b1", "a1", Label, "A(b1 a1 a2) B"},
      {"a1", "B", Label, "A(a2) B(b1 a1)"},
      {"A", "b1", Label, ""},
      {"A", "B", Below, "B(b1) A(a1 a2)"},
      {"B", "a1", Below, "A(a1 a2 B(b1))"},  // a table under a table: its people a level deeper
      {"a1", "B", Below, ""},
      {"a1", "b1", Below, ""},
      {"b1", "a2", Indent, "A(a1 b1 a2) B"},
      {"a1", "B", Button, ""},  // a table's row starts with its button
      {"A", "b1", Indent, ""},
      {"a1", "a2", Right, ""},
      // Into itself or its own subtree nothing moves.
      {"A", "a2", Below, ""},
      {"A", "A", Label, ""},
      {"a1", "a1", Label, ""},
      {"a1", "a1", Indent, ""},
      {"a1", nullptr, Label, ""},
  };
  TCustomTreeView* tv = form->TreeView1;
  for (const Case& c : cases) {
    SmallTree();
    TTreeNode* target = c.target ? Node(c.target) : nullptr;
    TTreeNode* at = target ? target : Node("a1");
    TRect label = at->DisplayRect(true);
    int y = (label.Top + label.Bottom) / 2;
    int x = (label.Left + label.Right) / 2;
    if (c.where == Indent || c.where == Button) x = 2;
    if (c.where == Right) x = label.Right + 4;
    if (c.where == Below) y = tv->ClientHeight() - 2;
    tv->SetSelected(Node(c.dragged));
    tv->SetDropTarget(target);
    std::size_t beeps = messages->Beeps.size();
    form->TreeView1DragDrop(tv, tv, x, y);
    std::string expected = *c.shape ? c.shape : "A(a1 a2) B(b1)";
    EXPECT_EQ(Shape(), expected) << c.dragged << " onto " << (c.target ? c.target : "-") << " " << c.where;
    EXPECT_EQ(messages->Beeps.size() - beeps, *c.shape ? 0u : 1u) << c.dragged << " " << c.where;
    if (!messages->Beeps.empty()) {
      EXPECT_EQ(messages->Beeps.back(), 0u);
    }
  }
  tv->SetDropTarget(nullptr);
}

TEST_F(Edit, DraggingNearTheEdgesScrolls) {
  for (int t = 0; t < 40; ++t) Items()->Add(nullptr, "Table # " + IntToStr(t));
  Pump();
  TCustomTreeView* tv = form->TreeView1;
  tv->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  tv->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  TTreeNode* top = tv->TopItem();
  ASSERT_NE(top, Items()->GetFirstNode());
  bool accept = false;
  form->TreeView1DragOver(tv, tv, 10, 1, dsDragMove, accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(tv->TopItem(), top->GetPrev());
  form->TreeView1DragOver(tv, tv, 10, tv->Height() / 2, dsDragMove, accept);
  EXPECT_EQ(tv->TopItem(), top->GetPrev());
  form->TreeView1DragOver(tv, tv, 10, tv->Height() - 20, dsDragMove, accept);
  form->TreeView1DragOver(tv, tv, 10, tv->Height() - 20, dsDragMove, accept);
  EXPECT_EQ(tv->TopItem(), top->GetNext());
  // Only drags out of the tree itself are taken.
  form->TreeView1DragOver(tv, form->Edit1, 10, 1, dsDragMove, accept);
  EXPECT_FALSE(accept);
  EXPECT_EQ(tv->TopItem(), top->GetNext());
}

TEST_F(Edit, NewTablesDeletingAndTheCountLabel) {
  SmallTree();
  TableCounter = 5;
  TreeChanged = false;
  form->NewTableButtonClick(form->NewTableButton);
  EXPECT_EQ(Shape(), "A(a1 a2) B(b1) New Table #5");
  EXPECT_EQ(Node("New Table #5")->StateIndex(), -1);
  EXPECT_EQ(TableCounter, 6);
  EXPECT_TRUE(TreeChanged);

  TableCounter = 126;
  form->NewTableButtonClick(form->NewTableButton);
  form->NewTableButtonClick(form->NewTableButton);
  EXPECT_EQ(Asked(), std::vector<std::string>{"All Tables Used Up"});
  EXPECT_EQ(Shape(), "A(a1 a2) B(b1) New Table #5 New Table #126");
  EXPECT_EQ(TableCounter, 127);

  form->TreeView1->SetSelected(Node("A"));
  form->TreeView1Click(form->TreeView1);
  EXPECT_EQ(form->CountLabel->Caption(), "2 Seated");
  EXPECT_TRUE(form->NewTableButton->Enabled());
  EXPECT_TRUE(form->NewGuestButton->Enabled());
  form->TreeView1->SetSelected(Node("a1"));
  form->TreeView1Click(form->TreeView1);
  EXPECT_EQ(form->CountLabel->Caption(), "");

  // Deleting a table asks first and gives its number back to New Table.
  form->TreeView1->SetSelected(Node("A"));
  messages->Answers = {IDCANCEL, IDOK};
  form->DeleteItemButtonClick(form->DeleteItemButton);
  EXPECT_EQ(messages->Requests.back().Text, "Are You Sure You Want To DELETE The Selected Item?");
  EXPECT_EQ(messages->Requests.back().Caption, " WARNING!  WARNING!");
  EXPECT_EQ(Shape(), "A(a1 a2) B(b1) New Table #5 New Table #126");
  form->DeleteItemButtonClick(form->DeleteItemButton);
  EXPECT_EQ(Shape(), "B(b1) New Table #5 New Table #126");
  EXPECT_EQ(TableCounter, 126);
  form->TreeView1->SetSelected(Node("b1"));
  messages->Answers = {IDOK};
  form->DeleteItemButtonClick(form->DeleteItemButton);
  EXPECT_EQ(TableCounter, 126);
  form->TreeView1->SetSelected(nullptr);
  form->DeleteItemButtonClick(form->DeleteItemButton);
  EXPECT_EQ(Asked().back(), "Nothing To Delete");
}

TEST_F(Edit, IconButtons) {
  SmallTree();
  form->KidBitBtnClick(form->MaleBitBtn);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Please Select A Node"});
  struct Case {
    TBitBtn* button;
    int state, image;
  } cases[] = {
      {form->NoneBitBtn, 0, 0},      {form->CoupleBitBtn, 1, 0},  {form->KidBitBtn, 2, 0},
      {form->FemaleBitBtn, 3, 0},    {form->MaleBitBtn, 4, 0},    {form->GuestBitBtn, 5, 0},
      {form->MemberBitBtn, 6, 0},    {form->HappyBitBtn, 7, 0},   {form->CheckMkBitBtn, 8, 0},
      {form->DontBitBtn, 9, 0},      {form->None2BitBtn, -1, 0},  {form->Happy2BitBtn, -1, 12},
      {form->Check2BitBtn, -1, 2},   {form->Dont2BitBtn, -1, 3},  {form->NoSmokeBitBtn, -1, 4},
      {form->WheelChrBitBtn, -1, 5}, {form->HighBitBtn, -1, 6},   {form->AppleBitBtn, -1, 7},
      {form->FishBitBtn, -1, 8},     {form->BirdBitBtn, -1, 9},   {form->FishBirdBitBtn, -1, 10},
      {form->KosherBitBtn, -1, 11},
  };
  for (const Case& c : cases) {
    SmallTree();
    TTreeNode* n = Node("a2");
    form->TreeView1->SetSelected(n);
    TreeChanged = false;
    ASSERT_TRUE(c.button->OnClick) << c.button->Name();
    c.button->OnClick(c.button);
    EXPECT_EQ(n->StateIndex(), c.state) << c.button->Name();
    EXPECT_EQ(n->ImageIndex(), c.image) << c.button->Name();
    EXPECT_TRUE(n->Focused());
    EXPECT_TRUE(TreeChanged) << "an icon is saved with the tree";
    // The tree asks for the selected picture and gets the node's own.
    form->TreeView1GetImageIndex(form->TreeView1, n);
    EXPECT_EQ(n->SelectedIndex(), c.image);
  }
  EXPECT_EQ(Asked().size(), 1u);
}

TEST_F(Edit, FindFirstAndNext) {
  const char* texts[] = {"Table Lee", "x", "y", "John Lee", "lee", "z", "w", "v", "u", "Lee Child #1", "t"};
  TTreeNode* table = nullptr;
  for (const char* t : texts) {
    if (!table)
      table = Items()->Add(nullptr, t);
    else
      Items()->AddChild(table, t);
  }
  auto selected = [&] { return form->TreeView1->Selected() ? form->TreeView1->Selected()->AbsoluteIndex() : -1; };
  form->Edit1->SetText("Lee");
  FindPosition = 5;
  form->FindFirstBitBtnClick(form->FindFirstBitBtn);
  EXPECT_EQ(selected(), 0);
  form->FindFirstBitBtnClick(form->FindNextBitBtn);
  EXPECT_EQ(selected(), 3);  // "lee" at 4 differs in case
  form->FindFirstBitBtnClick(form->FindNextBitBtn);
  EXPECT_EQ(selected(), 9);
  EXPECT_EQ(FindPosition, 9);
  form->FindFirstBitBtnClick(form->FindNextBitBtn);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Lee Not Found"});
  EXPECT_EQ(FindPosition, 0);
  form->FindFirstBitBtnClick(form->FindNextBitBtn);
  EXPECT_EQ(selected(), 3) << "the search after a miss starts at node 1";

  form->Edit1->SetText("");
  form->FindFirstBitBtnClick(form->FindFirstBitBtn);
  EXPECT_EQ(Asked().back(), " Not Found");
  // A position left past the end by deletions finds nothing and starts over.
  form->Edit1->SetText("t");
  FindPosition = 40;
  form->FindFirstBitBtnClick(form->FindNextBitBtn);
  EXPECT_EQ(Asked().back(), "t Not Found");
  EXPECT_EQ(FindPosition, 0);
}

TEST_F(Edit, ClosingAsksOnlyAfterAChange) {
  sample::MakeSampleGuests(dir.Path());
  ASSERT_TRUE(form->OpenFiles());
  form->Close();
  EXPECT_TRUE(Asked().empty());
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(form->SeatTable->Active()) << "an unchanged tree leaves the tables to the form";

  struct Case {
    int answer;
    bool staysOpen;
  } cases[] = {{IDCANCEL, true}, {IDNO, false}, {IDYES, false}};
  for (const Case& c : cases) {
    form->Show();
    Pump();
    ASSERT_TRUE(form->OpenFiles());
    TreeChanged = true;
    messages->Answers = {c.answer};
    form->ExitButtonClick(form->ExitButton);
    const TMessageRequest& r = messages->Requests.back();
    EXPECT_EQ(r.Text, "Save Your Seating-Tree Data?");
    EXPECT_EQ(r.Caption, "Data Not Saved");
    EXPECT_EQ(r.Flags, MB_YESNOCANCEL);
    EXPECT_EQ(form->Visible(), c.staysOpen) << c.answer;
    EXPECT_FALSE(form->SeatTable->Active()) << c.answer;
    EXPECT_FALSE(form->Table22->Active()) << c.answer;
  }
}

TEST_F(Edit, FontChoiceIsAChange) {
  TreeChanged = false;
  messages->DialogAnswers.push_back([](TDialogRequest& r) {
    EXPECT_EQ(r.Values["Device"], "fdBoth");
    r.Values["Name"] = "DejaVu Serif";
    return true;
  });
  form->FontEditClick(form->FontEdit);
  EXPECT_EQ(form->TreeView1->Font()->Name(), "DejaVu Serif");
  EXPECT_EQ(form->FontEdit->Text(), "DejaVu Serif");
  EXPECT_TRUE(TreeChanged);
  TreeChanged = false;
  form->FontEditClick(form->FontEdit);  // cancelled
  EXPECT_FALSE(TreeChanged);
}

}  // namespace
}  // namespace ostrel::test
