#include <string>
#include <vector>

#include "ExplorerTesting.h"

namespace dbx::testing {
namespace {

using namespace fw;

TEST(StateImageTest, TheTableOfEditStatesAndValidity) {
  struct Case {
    int editState;
    int image[3];  // by validity 0, 1, 2
  } cases[] = {{esBrowse, {-1, -1, -1}},
               {esChildPending, {4, 1, 1}},
               {esModified, {4, 1, 1}},
               {esNew, {5, 2, 2}},
               {esDeleted, {6, 3, 3}}};
  for (const Case& c : cases)
    for (int validity = 0; validity < 3; ++validity)
      EXPECT_EQ(StateImageIndex(c.editState, validity), c.image[validity]) << c.editState << "/" << validity;
}

TEST_F(ExplorerTest, OneTopObjectNeedsNoTabs) {
  Bind();
  TTreeView* tree = Tree();
  ASSERT_TRUE(tree);
  EXPECT_FALSE(form->Trees->Visible());
  EXPECT_EQ(tree->Parent(), form->TreePanel);
  EXPECT_EQ(tree->Name(), "Tree_FakeDatabases");
  EXPECT_EQ(tree->Images(), form->SmallImages);
  EXPECT_EQ(tree->StateImages(), form->EOStateImages);
  // Showing expands the top node and selects it.
  EXPECT_EQ(Texts(), "Databases(alpha beta gamma)");
  EXPECT_EQ(tree->Selected(), Databases()->TreeNode);
  EXPECT_EQ(form->TreeInfoLine->Caption(), "All Fake Databases");
  EXPECT_EQ(form->StatusBar->SimpleText(), "3 items in Databases.");
  EXPECT_EQ(form->Caption(), "Nubo Administration Facility");
  // Without a text command the Edit menu has no "&Text".
  form->SetTextCommand(nullptr);
  EXPECT_FALSE(form->MText->Visible());
  EXPECT_FALSE(form->NTextBreak->Visible());
  EXPECT_TRUE(form->MAbout->Visible());
  form->SetTextCommand([](TExploreObject*) {});
  EXPECT_TRUE(form->MText->Visible());
}

TEST_F(ExplorerTest, SeveralTopObjectsGoOnTabs) {
  Bind({ExploreClassOf<TFakeDatabases>(), ExploreClassOf<TFakeSettings>()});
  EXPECT_TRUE(form->Trees->Visible());
  EXPECT_EQ(form->Trees->Tabs()->CommaText(), "Databases,Settings");
  EXPECT_EQ(Tree()->Parent(), form->Trees);
  form->Trees->SetTabIndex(1);
  form->TreesChange(form->Trees);
  EXPECT_EQ(Tree()->Name(), "Tree_FakeSettings");
  EXPECT_EQ(form->TreeInfoLine->Caption(), "Fake Settings");
  // Its tree, focused without a selection, shows its top object.
  EXPECT_EQ(form->ShownObject(), Top(1));
  EXPECT_EQ(form->StatusBar->SimpleText(), "2 items in Settings.");
  EXPECT_TRUE(Tree()->TabStop());
  EXPECT_FALSE(static_cast<TTreeView*>(form->Trees->Tabs()->Objects(0))->TabStop());
}

TEST_F(ExplorerTest, IconsByClassChainOverlayAndStateImages) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  TTreeNode* node = alpha->TreeNode;
  // DBX_ACTIVE, the generic explorer object's icon, the databases' own.
  EXPECT_EQ(form->SmallImages->Count(), 3);
  EXPECT_EQ(form->LargeImages->Count(), 3);
  int generic = Databases()->TreeNode->ImageIndex();
  int db = node->ImageIndex();
  EXPECT_GT(generic, 0);
  EXPECT_GT(db, 0);
  EXPECT_NE(generic, db);
  EXPECT_EQ(node->SelectedIndex(), db);
  // A class without an icon of its own shows its parent class's.
  node->Expand(false);
  ASSERT_EQ(Texts(node), "guests orders");
  EXPECT_TRUE(alpha->Child(0)->InheritsFrom(TFakeDbPart::StaticClass()));
  EXPECT_EQ(alpha->Child(0)->TreeNode->ImageIndex(), db);
  EXPECT_EQ(form->SmallImages->Count(), 3);

  // Open objects wear the overlay; a closed one does not.
  EXPECT_EQ(node->OverlayIndex(), -1);
  alpha->Open();
  EXPECT_EQ(node->OverlayIndex(), 0);
  alpha->Close();
  EXPECT_EQ(node->OverlayIndex(), -1);

  // Pending edits show the state of the edit and of the validation.
  TFakeNode* beta = Databases()->Find("beta");
  beta->Edit();
  EXPECT_EQ(beta->TreeNode->StateIndex(), 1);  // modified, to be validated
  beta->EndEdit();
  EXPECT_EQ(beta->TreeNode->StateIndex(), StateImageIndex(esModified, beta->Validity()));
  EXPECT_EQ(Databases()->TreeNode->StateIndex(), StateImageIndex(esChildPending, Databases()->Validity()));
  beta->ValidateIfNeeded(RaiseToken());
  EXPECT_EQ(beta->Validity(), vaValid);
  EXPECT_EQ(beta->TreeNode->StateIndex(), 4);  // modified, valid
  Databases()->Cancel();
  EXPECT_EQ(beta->TreeNode->StateIndex(), -1);
  beta->Delete();
  EXPECT_EQ(beta->TreeNode->StateIndex(), 6);
}

// Adding, renaming, moving and removing children keep the nodes in the
// model's order.
TEST_F(ExplorerTest, ChildEventsKeepTheTreeInStep) {
  Bind();
  TFakeNode* databases = Databases();
  TTreeNode* top = databases->TreeNode;
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* texts;
  } steps[] = {
      {"added, then put in its place", [&] { databases->AddChild("beta2"); }, "alpha beta beta2 gamma"},
      {"renamed", [&] { databases->Find("alpha")->Rename("zeta"); }, "beta beta2 gamma zeta"},
      {"renamed to the front", [&] { databases->Find("gamma")->Rename("a1"); }, "a1 beta beta2 zeta"},
      {"a new one deleted goes at once",
       [&] {
         TExploreObject* made = databases->NewObject("");
         made->Rename("new1");
         made->EndEdit();
         made->Delete();
       },
       "a1 beta beta2 zeta"},
      {"applied deletion",
       [&] {
         databases->Cancel();
         databases->Find("beta2")->Delete();
         databases->Apply();
       },
       "alpha beta gamma"},
      {"all children unloaded", [&] { databases->Children().Unload(); }, ""},
      {"and loaded again", [&] { databases->Children().Load(); }, "alpha beta gamma"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(Texts(top), s.texts) << s.what;
    EXPECT_TRUE(top->HasChildren()) << s.what;
    for (TTreeNode* n = top->GetFirstChild(); n; n = n->getNextSibling()) {
      auto* object = static_cast<TExploreObject*>(n->Data());
      ASSERT_TRUE(object) << s.what;
      EXPECT_EQ(object->TreeNode, n) << s.what;
      EXPECT_EQ(object->Name(), n->Text()) << s.what;
    }
  }
  // Unloaded, the node still offers its children with the plus sign.
  databases->Children().Unload();
  EXPECT_TRUE(top->HasChildren());
  EXPECT_EQ(top->Count(), 0);
}

TEST_F(ExplorerTest, OperationsSelectionQuestionsAndUnknownEvents) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  Select(alpha);
  EXPECT_EQ(form->GetActiveObject(), alpha);
  EXPECT_TRUE(form->SBDelete->Enabled());
  EXPECT_TRUE(form->SBOpen->Enabled());
  EXPECT_FALSE(form->SBSave->Enabled());
  alpha->Open();  // enabled operations change: no delete while open
  EXPECT_FALSE(form->SBDelete->Enabled());
  EXPECT_TRUE(form->SBOpen->Down());
  alpha->Close();
  EXPECT_FALSE(form->SBOpen->Down());

  // A select request selects the object.
  TFakeNode* gamma = Databases()->Find("gamma");
  gamma->NotifyChanged();
  EXPECT_EQ(Tree()->Selected(), gamma->TreeNode);

  // May the edits be dropped?
  messages->Answers = {mrYes, mrNo, mrCancel};
  form->ObjectNotify(gamma, evAskSave, 1);
  EXPECT_THROW(form->ObjectNotify(gamma, evAskSave, 2), EAbortOp);
  try {
    form->ObjectNotify(gamma, evAskSave, 2);
    ADD_FAILURE() << "no abort";
  } catch (const EAbortOp&) {
    ADD_FAILURE() << "Cancel ends the whole operation";
  } catch (const EAbort&) {
  }
  ASSERT_EQ(messages->Requests.size(), 3u);
  EXPECT_EQ(messages->Requests[0].Text, "FakeDb gamma must be re-created to save your edits. Do you want to save?");
  EXPECT_EQ(messages->Requests[1].Text,
            "FakeDb gamma must be re-created to save your edits. Data contained within it will be lost. "
            "Do you want to save?");
  form->ObjectNotify(gamma, evAskSave, 0);  // nothing to lose: no question
  form->MShowWarnings->SetChecked(false);
  form->ObjectNotify(gamma, evAskSave, 2);
  EXPECT_EQ(messages->Requests.size(), 3u);

  try {
    form->ObjectNotify(gamma, 13, 0);
    ADD_FAILURE() << "no error";
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), "Internal error: Unknown event");
  }
}

TEST_F(ExplorerTest, NestedBracketsRefreshThePagesOnce) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  Select(alpha);
  alpha->validationAsked = 0;
  form->BeginUpdate();
  form->BeginUpdate();
  form->UpdatePages();
  form->UpdatePages();
  form->EndUpdate();
  EXPECT_EQ(alpha->validationAsked, 0);
  EXPECT_TRUE(form->RefreshPending());
  form->EndUpdate();
  EXPECT_EQ(alpha->validationAsked, 1);
  EXPECT_FALSE(form->RefreshPending());
  EXPECT_EQ(form->UpdateLockCount(), 0);
}

TEST_F(ExplorerTest, WhichPagesAnObjectShows) {
  TFakeDatabases::names = {"plain", "props", "schema1", "set1", "texty", "dataset", "dataset_noA", "sql1"};
  Bind();
  auto setUp = [&](const char* name, std::function<void(TFakeNode&)> f) { f(*Databases()->Find(name)); };
  auto bare = [](TFakeNode& n) {
    n.makeProperties = nullptr;
    n.SetAttributes(kFakeOperations);
  };
  for (const char* name : {"plain", "schema1", "set1", "texty", "dataset", "dataset_noA", "sql1"}) setUp(name, bare);
  setUp("texty", [](TFakeNode& n) { n.SetAttributes(kFakeOperations | opText); });
  setUp("dataset", [](TFakeNode& n) {
    n.kind = okDataset;
    n.SetAttributes(kFakeOperations | opData);
  });
  setUp("dataset_noA", [](TFakeNode& n) { n.kind = okDataset; });
  struct Case {
    const char* name;
    std::vector<std::string> tabs;
  } cases[] = {
      {"plain", {}},          {"props", {"Definition"}},   {"schema1", {"Definition"}},
      {"set1", {"Summary"}},  {"texty", {"Text"}},         {"dataset", {"Data"}},
      {"dataset_noA", {}},    {"sql1", {"Enter SQL"}},
  };
  for (const Case& c : cases) {
    Select(Databases()->Find(c.name));
    EXPECT_EQ(VisibleTabs(), c.tabs) << c.name;
    TTabSheet* active = form->InfoPages->ActivePage();
    EXPECT_EQ(active ? active->Caption() : std::string(), c.tabs.empty() ? "" : c.tabs.front()) << c.name;
  }
}

TEST_F(ExplorerTest, TheActivePageStaysForObjectsOfTheSameClass) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  for (const char* name : {"alpha", "beta"}) Databases()->Find(name)->SetAttributes(kFakeOperations | opText | opOpen);
  Databases()->Find("alpha")->Load();
  TFakeNode* orders = Databases()->Find("alpha")->Find("orders");
  orders->makeProperties = DatabaseProperties;
  orders->SetAttributes(kFakeOperations | opText);
  Select(Databases()->Find("alpha"));
  EXPECT_EQ(VisibleTabs(), (std::vector<std::string>{"Definition", "Text"}));
  EXPECT_EQ(form->InfoPages->ActivePage(), form->TabDefinition);
  form->ShowPage(form->TabText);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Text of alpha");
  Select(Databases()->Find("beta"));
  EXPECT_EQ(form->InfoPages->ActivePage(), form->TabText);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Text of beta");
  Select(orders);  // another class
  EXPECT_EQ(VisibleTabs(), (std::vector<std::string>{"Definition", "Text"}));
  EXPECT_EQ(form->InfoPages->ActivePage(), form->TabDefinition);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Definition of orders");
}

TEST_F(ExplorerTest, StatusTexts) {
  TFakeDatabases::names = {"alpha", "set1", "broken"};
  Bind();
  Databases()->Find("broken")->validation = "\"broken\" is not a valid name";
  TFakeNode* set = Databases()->Find("set1");
  set->SetAttributes(kFakeOperations);
  set->childNames = {"t1", "t2"};
  struct Case {
    TFakeNode* object;
    const char* status;
  } cases[] = {
      {Databases(), "3 items in Databases."},
      {set, "2 set1 in Databases."},
      {Databases()->Find("broken"), "\"broken\" is not a valid name"},
      {Databases()->Find("alpha"), ""},  // closed: nothing counted
  };
  for (const Case& c : cases) {
    Select(c.object);
    EXPECT_EQ(form->StatusBar->SimpleText(), c.status) << c.object->Name();
  }
  Databases()->Find("alpha")->Open();
  form->UpdatePages();
  EXPECT_EQ(form->StatusBar->SimpleText(), "2 items in alpha.");
}

TEST_F(ExplorerTest, TheInspectorKeepsTheRowOfTheSameName) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  alpha->SetAttributes(alpha->DeclaredOperations() | opText);
  Select(alpha);
  TPropExplBox* inspector = form->PropList();
  ASSERT_EQ(inspector->Count(), 2);  // Note lies above the inspector's level
  EXPECT_EQ(inspector->Item(1)->Name(), "Path");
  inspector->SetCurrentIndex(1);
  form->FillInspector(alpha);
  EXPECT_EQ(inspector->CurrentIndex(), 1);
  EXPECT_EQ(inspector->Count(), 2);
  // Back from another page, the same row again.
  form->ShowPage(form->TabText);
  form->ShowPage(form->TabDefinition);
  EXPECT_EQ(inspector->CurrentIndex(), 1);
  // Raw rows show every property but blobs and memos.
  form->SetRawAttributes(true);
  form->UpdatePages();
  EXPECT_EQ(inspector->Count(), 3);
  EXPECT_EQ(inspector->Item(2)->Name(), "NOTE->\"Note\"");
}

TEST_F(ExplorerTest, TheSummaryListsTheChildrenOfASet) {
  TFakeDatabases::names = {"set1", "setref1"};
  Bind();
  TFakeNode* set = Databases()->Find("set1");
  set->makeProperties = nullptr;
  set->childNames = {"orders", "guests"};
  auto tableProperties = [](TFakeNode& n) {
    n.Properties().Add<TEProperty>("TYPE", "Type", 1, ftString)->StoreValue(Variant(std::string("TABLE")));
    n.Properties().Add<TEProperty>("SIZE", "Size in pages", 1, ftInteger)->StoreValue(Variant(n.Name() == "guests" ? 1234567 : 5));
  };
  set->Load();
  for (int i = 0; i < set->Children().Count(); ++i) set->Child(i)->makeProperties = tableProperties;
  Select(set);
  ASSERT_EQ(form->InfoPages->ActivePage(), form->TabSummary);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Summary of set1");
  TListView* view = form->SummaryView;
  ASSERT_EQ(view->Items()->Count(), 2);
  EXPECT_EQ(view->Items()->Item(0)->Caption(), "guests");
  EXPECT_EQ(view->Items()->Item(0)->SubItems()->CommaText(), "TABLE,1234567");
  EXPECT_EQ(view->Items()->Item(0)->Data(), set->Find("guests"));
  EXPECT_EQ(view->Items()->Item(1)->ImageIndex(), set->Find("orders")->TreeNode->ImageIndex());
  TControlCanvas canvas;
  canvas.SetControl(view);
  canvas.SetFont(view->Font());
  int m = canvas.TextWidth("M");
  ASSERT_EQ(view->Columns()->Count(), 3);
  EXPECT_EQ(view->Columns()->Items(0)->Caption(), "Name");
  EXPECT_TRUE(view->Columns()->Items(0)->AutoSize());
  EXPECT_EQ(view->Columns()->Items(1)->Caption(), "Type");
  EXPECT_EQ(view->Columns()->Items(1)->Width(), 15 + m * 5);  // "TABLE"
  EXPECT_EQ(view->Columns()->Items(2)->Caption(), "Size in pages");
  EXPECT_EQ(view->Columns()->Items(2)->Width(), 15 + m * 13);  // the caption is the longest
  EXPECT_EQ(view->ViewStyle(), vsReport);
  // A set of references shows its names only.
  TFakeNode* refs = Databases()->Find("setref1");
  refs->makeProperties = nullptr;
  refs->childNames = {"r1"};
  Select(refs);
  EXPECT_EQ(view->Columns()->Count(), 1);
}

// A removed object is no longer the one shown or the previous one: "&Previous"
// cannot reach it.
TEST_F(ExplorerTest, RemovedObjectsAreForgotten) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  TFakeNode* beta = Databases()->Find("beta");
  Select(alpha);
  Select(beta);
  EXPECT_EQ(form->ShownObject(), beta);
  EXPECT_EQ(form->PreviousObject(), alpha);
  form->UpdatePages();
  EXPECT_EQ(form->PreviousObject(), alpha) << "showing beta again keeps alpha";
  alpha->Delete();
  Databases()->Apply();  // alpha goes
  EXPECT_EQ(Texts(Databases()->TreeNode), "beta gamma");
  EXPECT_EQ(form->PreviousObject(), nullptr);
  EXPECT_EQ(form->ShownObject(), beta);

  // The shown object itself, and objects below one that goes.
  beta->Load();
  TExploreObject* orders = beta->Find("orders");
  Select(orders);
  EXPECT_EQ(form->ShownObject(), orders);
  EXPECT_EQ(form->PreviousObject(), beta);
  Databases()->Children().Unload();
  EXPECT_TRUE(form->ShownObject() == nullptr || form->ShownObject() == Databases());
  EXPECT_EQ(form->PreviousObject(), nullptr);
  form->UpdatePages();
  EXPECT_TRUE(form->PreviousObject() == nullptr || form->PreviousObject() == Databases());
}

TEST_F(ExplorerTest, ClosingWithPendingEdits) {
  Bind();
  auto pending = [&] {
    TFakeNode* beta = Databases()->Find("beta");
    beta->Edit();
    beta->EndEdit();
    ASSERT_NE(root->EditState(), esBrowse);
  };
  struct Case {
    int answer;
    bool failApply;
    bool canClose;
    int stateAfter;
    std::size_t errorCount;
  } cases[] = {
      {mrCancel, false, false, esChildPending, 0},
      {mrYes, false, true, esBrowse, 0},
      {mrNo, false, true, esBrowse, 0},
      {mrYes, true, false, esChildPending, 1},
  };
  for (const Case& c : cases) {
    pending();
    Databases()->Find("beta")->failApply = c.failApply;
    messages->Answers = {c.answer};
    std::size_t asked = messages->Requests.size();
    EXPECT_EQ(form->CloseQuery(), c.canClose) << c.answer;
    ASSERT_EQ(messages->Requests.size(), asked + 1);
    EXPECT_EQ(messages->Requests.back().Text, "Save all edits to " + form->Caption() + "?");
    EXPECT_EQ(root->EditState() == esBrowse, c.stateAfter == esBrowse) << c.answer;
    EXPECT_EQ(errors.size(), c.errorCount) << c.answer;
    // Every way out lets the pages refresh again.
    EXPECT_EQ(form->UpdateLockCount(), 0) << c.answer;
    Select(Databases()->Find("gamma"));
    EXPECT_EQ(form->DataInfoLine->Caption(), "Definition of gamma") << c.answer;
    Databases()->Find("beta")->failApply = false;
    root->Cancel();
  }
  EXPECT_EQ(errors, std::vector<std::string>{"cannot apply beta"});
  // Nothing pending: no question.
  std::size_t asked = messages->Requests.size();
  EXPECT_TRUE(form->CloseQuery());
  EXPECT_EQ(messages->Requests.size(), asked);
}

TEST_F(ExplorerTest, AWindowThatGoesLeavesNoListenerBehind) {
  Bind();
  Databases()->Find("alpha")->Load();
  TExploreObject* kept = Databases()->Find("beta");
  kept->Lock(lsIdle);  // outlives its removal from the tree
  Databases()->Find("beta")->DetachAndRelease();
  EXPECT_EQ(Texts(Databases()->TreeNode), "alpha(guests orders) gamma");
  EXPECT_FALSE(kept->OnChange);
  CloseWindow();
  std::function<void(TExploreObject*)> check = [&](TExploreObject* o) {
    EXPECT_FALSE(o->OnChange) << o->Name();
    EXPECT_EQ(o->TreeNode, nullptr) << o->Name();
    for (int i = 0; i < o->Children().Count(); ++i) check(o->Children().Item(i));
  };
  check(root);
  kept->Release(lsReleased);
}

TEST_F(ExplorerTest, FreeingTheRootFreesTheWindowFirst) {
  Bind();
  auto alive = form->LifeToken();
  form = nullptr;  // the root's now
  root->Release(lsReleased);
  root = nullptr;
  EXPECT_FALSE(*alive);
}

}  // namespace
}  // namespace dbx::testing
