#include <random>
#include <string>
#include <vector>

#include "ModelTesting.h"
#include "Scope.h"
#include "Text.h"

namespace dbx::testing {

FW_IMPLEMENT_CLASS(TNode)
FW_IMPLEMENT_CLASS(TOtherNode)

namespace {

using Log = std::vector<std::string>;

// A root with the children a and b, loaded, and a listener on all of them.
class TreeTest : public ModelTest {
protected:
  void SetUp() override {
    ModelTest::SetUp();
    root = TExploreObject::Create<TNode>(nullptr, &destroyed);
    root->SetName("root");
    root->isRoot = true;
    root->childNames = {"a", "b"};
    root->Load();
    a = root->Child(0);
    b = root->Child(1);
    a->Load();
    b->Load();
    recorder.Follow(root);
  }
  void TearDown() override {
    if (root) root->Release(lsReleased);
    ModelTest::TearDown();
  }
  // Frees the tree; every object made must have gone exactly once.
  void FreeRoot(int made) {
    root->Release(lsReleased);
    root = nullptr;
    EXPECT_EQ(destroyed, made);
  }

  int destroyed = 0;
  TNode* root = nullptr;
  TNode* a = nullptr;
  TNode* b = nullptr;
  TRecorder recorder{{evEditState, evChildAdded, evChildRemoved, evName, evChildMoved, evDestroying}};
};

TEST(ParseAttributeLettersTest, AddsAndRemovesLetters) {
  EXPECT_EQ(ParseAttributeLetters("FSC", 0), 0xC10);
  EXPECT_EQ(ParseAttributeLetters("+N-S", 0xC10), 0x850);
  EXPECT_EQ(ParseAttributeLetters("-MR+D x?", 0x300), 0x080);
  EXPECT_EQ(ParseAttributeLetters(std::string_view("\0", 1), 0), 0) << "position 0 is no operation";
}

TEST_F(ModelTest, EnabledOperationsFollowTheState) {
  constexpr std::uint16_t kAll = 0xFFE;
  struct Row {
    int editState;
    int validity;
    bool active;
    bool childrenLoaded;
    std::uint16_t enabled;
  } rows[] = {
      {esBrowse, vaValid, false, false, 0x3FE},     // all but S, C
      {esBrowse, vaValid, false, true, 0x3FE},      // N keeps what it had
      {esBrowse, vaValid, true, false, 0x01E},      // open: A T O F only
      {esBrowse, vaValid, true, true, 0x01E},
      {esChildPending, vaValid, false, true, 0xFE4},  // pending: no A O F; S while valid
      {esModified, vaValid, false, false, 0xFE4},
      {esModified, vaNeedsValidation, false, false, 0xBE4},
      {esModified, vaInvalid, false, true, 0xBE4},
      {esNew, vaValid, false, false, 0xFE4},
      {esDeleted, vaInvalid, false, false, 0xC44},  // deleted: S whatever the validity, no D M R E
      {esChildPending, vaValid, true, true, 0xC04},
  };
  for (const Row& r : rows) {
    int destroyed = 0;
    TNode* node = TExploreObject::Create<TNode>(nullptr, &destroyed, kAll);
    node->SetName("n");
    if (r.childrenLoaded) node->Children().Load();
    if (r.active) node->SetActive(true);
    node->SetEditState(r.editState);
    node->SetValidity(r.validity);
    EXPECT_EQ(node->EnabledOperations(), r.enabled)
        << "state " << r.editState << ", validity " << r.validity << ", active " << r.active << ", loaded "
        << r.childrenLoaded;
    EXPECT_EQ(node->EnabledOperations(), node->DeclaredOperations() & ~node->DisabledOperations());
    node->Release(lsReleased);
    EXPECT_EQ(destroyed, 1);
  }
}

TEST_F(TreeTest, EditAndApplyReturnTheTreeToBrowse) {
  a->Edit();
  EXPECT_EQ(a->EditState(), esModified);
  EXPECT_EQ(root->EditState(), esChildPending);
  EXPECT_EQ(root->Children().PendingCount(), 1);
  a->EndEdit();
  EXPECT_EQ(a->LockCount(), 0);
  EXPECT_TRUE(a->Enabled(opApply));
  a->Apply();
  EXPECT_EQ(recorder.Take(), (Log{"root 4(1)", "a 4(2)", "root 4(0)", "a 4(0)"}));
  EXPECT_EQ(root->EditState(), esBrowse);
  EXPECT_EQ(root->Children().PendingCount(), 0);
  EXPECT_FALSE(root->Enabled(opApply));
}

TEST_F(TreeTest, CancelUndoesARename) {
  a->Rename("z");
  EXPECT_EQ(a->SavedName(), "a");
  EXPECT_EQ(root->Child(1), a) << "moved to its sorted place";
  root->Cancel();
  EXPECT_EQ(recorder.Take(), (Log{"root 4(1)", "a 4(2)", "root 9(z)", "z 8(z)", "root 9(a)", "a 8(a)", "root 4(0)",
                                  "a 4(0)"}));
  EXPECT_EQ(a->Name(), "a");
  EXPECT_EQ(a->SavedName(), "");
  EXPECT_EQ(root->Child(0), a);
}

TEST_F(TreeTest, DeleteOfAnAppliedObjectWaitsForApply) {
  b->Delete();
  EXPECT_EQ(b->EditState(), esDeleted);
  EXPECT_FALSE(b->Enabled(opModify));
  EXPECT_EQ(b->GetText(0), "");
  root->Apply();
  EXPECT_EQ(recorder.Take(), (Log{"root 4(1)", "b 4(4)", "root 7(b)", "root 4(0)", "b 12(0)"}));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(root->Children().Count(), 1);
  FreeRoot(3);
}

TEST_F(TreeTest, CancelOfADeleteKeepsTheObject) {
  b->Rename("c");
  b->Delete();
  EXPECT_EQ(b->Name(), "b") << "a pending rename goes with the delete";
  b->Cancel();
  EXPECT_EQ(b->EditState(), esBrowse);
  EXPECT_EQ(root->EditState(), esBrowse);
  EXPECT_EQ(destroyed, 0);
}

TEST_F(TreeTest, NewObjectIsFreedByDeleteOrCancelAndKeptByApply) {
  TExploreObject* c = root->NewObject("");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->EditState(), esNew);
  EXPECT_EQ(c->LockState(), lsEditing) << "left to the caller to end";
  c->Rename("c");
  c->EndEdit();
  EXPECT_EQ(c->LockCount(), 0);
  c->Delete();
  EXPECT_EQ(recorder.Take(), (Log{"root 6()", "root 4(1)", " 4(3)", " 6(0)", "root 9(c)", "c 8(c)", "root 7(c)", "root 4(0)",
                                  "c 12(0)"}));
  EXPECT_EQ(destroyed, 1);

  TExploreObject* d = root->NewObject("");
  d->Rename("d");
  d->EndEdit();
  root->Cancel();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(root->Children().Count(), 2);

  TExploreObject* e = root->NewObject("");
  e->Rename(e->MakeUniqueName("", true));
  e->EndEdit();
  EXPECT_EQ(e->Name(), "Node1");
  recorder.Take();
  root->Apply();
  EXPECT_EQ(recorder.Take(), (Log{"root 4(0)", "Node1 4(0)"}));
  EXPECT_EQ(root->Children().Count(), 3);
  FreeRoot(6);
}

TEST_F(TreeTest, ObjectsAreFreedOnceWhateverTheyHear) {
  // a listener that locks and releases an object while it goes must not free it again
  a->OnChange = [](TExploreObject* sender, int event, const TExploreArg&) {
    if (event == evDestroying) {
      int previous = sender->Lock(lsIdle);
      sender->Release(previous);
      sender->Release(previous);
    }
  };
  a->Delete();
  root->Apply();
  EXPECT_EQ(destroyed, 1);
  FreeRoot(3);
}

TEST_F(TreeTest, ALockedChildOutlivesItsParentWithoutIt) {
  b->Edit();
  root->Release(lsReleased);
  root = nullptr;
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(b->Parent(), nullptr);
  b->Release(lsIdle);
  EXPECT_EQ(destroyed, 3);
}

TEST_F(TreeTest, AFailedOperationReleasesItsLock) {
  b->ChangeAttributes(opText, 0);
  ExpectDbXError([&] { b->SetText("x"); }, "Operation not supported");
  EXPECT_EQ(b->LockCount(), 0);
  EXPECT_EQ(b->LockState(), lsIdle);
  EXPECT_EQ(b->Validity(), vaInvalid);
  b->Cancel();
  EXPECT_EQ(b->EditState(), esBrowse);
  EXPECT_EQ(root->EditState(), esBrowse);
}

TEST_F(TreeTest, PendingCountMovesOnlyBetweenZeroAndNonZero) {
  b->SetEditState(esBrowse);
  b->SetEditState(esBrowse);
  a->Edit();
  a->SetEditState(esModified);
  a->EndEdit();
  EXPECT_EQ(root->Children().PendingCount(), 1);
  a->Apply();
  EXPECT_EQ(root->Children().PendingCount(), 0);
  EXPECT_EQ(root->EditState(), esBrowse);
}

TEST_F(TreeTest, RenameRules) {
  a->Rename("a");
  EXPECT_EQ(recorder.Take(), Log{}) << "the same name is no rename";
  EXPECT_EQ(a->EditState(), esBrowse);

  a->Rename("A");
  EXPECT_EQ(a->Name(), "A");
  EXPECT_EQ(a->SavedName(), "a");
  a->Rename("B");
  EXPECT_EQ(a->SavedName(), "a") << "the first name before the edit is kept";
  EXPECT_EQ(a->GetOriginalName(), "a");

  ExpectDbXError([&] { a->Rename("b"); }, "\"b\" is not a unique name");
  EXPECT_EQ(a->Validity(), vaInvalid);
  ExpectDbXError([&] { a->Apply(); }, "Operation not supported");
  ExpectDbXError([&] { root->Apply(); }, "Operation not supported");
  ExpectDbXError([&] { a->Rename(""); }, "\"\" is not a valid name");
  ExpectDbXError([&] { a->ValidateNameOrRaise("b"); }, "\"b\" is not a unique name");
  EXPECT_EQ(a->ValidateNameOrRaise("c"), "c");

  a->Rename("c");
  EXPECT_EQ(a->Validity(), vaValid);
  a->Apply();
  EXPECT_EQ(a->Name(), "c");
  EXPECT_EQ(a->SavedName(), "");
  EXPECT_EQ(root->EditState(), esBrowse);
}

TEST_F(TreeTest, ApplyIsRefusedWhileLocked) {
  a->Edit();
  ExpectDbXError([&] { a->Apply(); }, "Operation not supported");
  ExpectDbXError([&] { a->Cancel(); }, "Operation not supported");
  a->EndEdit();
  a->Apply();
  EXPECT_EQ(a->EditState(), esBrowse);
  a->Apply();  // nothing to apply
  EXPECT_EQ(a->EditState(), esBrowse);
}

TEST_F(TreeTest, OperationsCheckTheirBits) {
  ExpectDbXError([&] { a->Open(); }, "Operation not supported");
  ExpectDbXError([&] { a->SetText("x"); }, "Operation not supported");
  ExpectDbXError([&] { a->CreateChild(b, 0); }, "Operation not supported");
  ExpectDbXError([&] { a->EndEdit(); }, "Operation not supported");
  EXPECT_EQ(a->EditState(), esBrowse);
  EXPECT_EQ(a->LockCount(), 0);
}

TEST_F(TreeTest, OpenDisablesEditing) {
  TNode* c = TExploreObject::Create<TNode>(root, &destroyed, std::uint16_t{kNodeOperations | opOpen});
  c->SetName("c");
  c->Release(lsIdle);
  TRecorder opening({evOpening, evActive});
  opening.Follow(c);
  c->Open();
  c->Open();
  EXPECT_EQ(opening.Take(), (Log{"c 2(1)", "c 3(1)"}));
  EXPECT_FALSE(c->Enabled(opModify));
  EXPECT_FALSE(c->Enabled(opDelete));
  ExpectDbXError([&] { c->Edit(); }, "Operation not supported");
  c->Close();
  EXPECT_TRUE(c->Enabled(opModify));
  EXPECT_EQ(opening.Take(), (Log{"c 2(0)", "c 3(0)"}));
  FreeRoot(4);
}

TEST_F(TreeTest, MakeUniqueName) {
  for (const char* name : {"Table9", "Table10", "Node1", "x", "12345678901"}) root->AddChild(name);
  TNode* n = root->AddChild("n");
  struct Case {
    std::string base;
    bool numbered;
    std::string result;
  } cases[] = {
      {"Table9", true, "Table11"},
      {"", true, "Node2"},
      {"x", true, "x1"},
      {"12345678901", true, "12345678902"},  // nine digits are the number, "12" the stem
      {"Table0", true, "Table"},
      {"n", true, "n"},  // its own name
      {"x", false, "x"},
  };
  for (const Case& c : cases) EXPECT_EQ(n->MakeUniqueName(c.base, c.numbered), c.result) << c.base;
  n->rejectAllNames = true;
  ExpectDbXError([&] { n->MakeUniqueName("y", true); }, "no name for y4096");
}

TEST_F(TreeTest, PathsFindWhatTheyName) {
  TNode* a1 = a->AddChild("a1");
  EXPECT_EQ(root->GetPath(), "/");
  EXPECT_EQ(a1->GetPath(), "//a/a1");
  struct Case {
    TExploreObject* from;
    std::string path;
    TExploreObject* found;
  } cases[] = {
      {a1, "/", root},     {a1, ".", a1},         {a1, "..", a},      {a1, "...", root},
      {a1, "..a1", a1},    {a1, "../a1", a1},     {a, "..b", b},      {b, "//a/a1", a1},
      {root, "a/a1", a1},  {root, ":Node", a},    {root, ":Other", nullptr},
      {root, "zz", nullptr}, {root, "a/zz/a1", nullptr}, {root, "\"b\"", b},
  };
  for (const Case& c : cases) EXPECT_EQ(c.from->FindPath(c.path), c.found) << c.from->Name() << " " << c.path;
  ExpectDbXError([&] { root->FindPath("a/#x"); }, "Internal error: Bad find path: a/#x");
}

TEST_F(TreeTest, AwkwardNamesSurviveAPathRoundTrip) {
  for (const char* name : {"a/b", "my-table", "say \"hi\"", "\"", "", ".hidden", "..", " lead", "1st", "é", "x:y",
                           "$v", "_u", "a b", "~tilde", "[x]", "50%", "a.b"}) {
    TNode* x = root->AddChild(name);
    TNode* inner = x->AddChild("g");
    EXPECT_EQ(root->FindPath(x->GetPath()), x) << "[" << name << "] " << x->GetPath();
    EXPECT_EQ(b->FindPath(inner->GetPath()), inner) << "[" << name << "] " << inner->GetPath();
  }
}

TEST_F(TreeTest, ChildrenStaySortedByName) {
  TNode* c = root->AddChild("0");
  EXPECT_EQ(root->Child(2), c) << "made children are not sorted while they are being made";
  c->Rename("m");
  EXPECT_EQ(root->Child(2), c);
  c->Rename("0");
  EXPECT_EQ(root->Child(0), c);
  root->Children().NameCompare = [](std::string_view x, std::string_view y) { return fw::AnsiCompareText(x, y); };
  a->Rename("Z");
  EXPECT_EQ(root->Child(2), a);
  EXPECT_EQ(root->Children().FindByName("z"), a);
}

TEST_F(TreeTest, ChildrenListLoadsOnceAndUnloads) {
  TRecorder lists({evChildAdded, evChildRemoved});
  lists.Follow(b);
  b->childNames = {"y", "x"};
  b->Children().Unload();
  EXPECT_EQ(b->Children().GetCount(), 2);
  EXPECT_EQ(b->Children().Item(0)->Name(), "y") << "made in order, sorted only on demand";
  EXPECT_EQ(b->Children().Item(0)->LockState(), lsIdle) << "construction lock ended";
  b->Children().Sort();
  EXPECT_EQ(b->Children().Item(0)->Name(), "x");
  b->Children().Unload();
  EXPECT_EQ(b->Children().Count(), 0);
  EXPECT_EQ(lists.Take(), (Log{"b 7(0)", "b 6(0)", "b 7(0)"}));
  EXPECT_EQ(destroyed, 2);
  recorder.Follow(root);  // the local listener goes
}

TEST_F(TreeTest, DependentsHearTheirTargets) {
  a->AddDependent(b);
  EXPECT_EQ(a->FindLinkList(0)->IndexOf(b), 0);
  EXPECT_EQ(b->FindLinkList(1)->IndexOf(a), 0);
  b->Edit();
  EXPECT_EQ(a->EditState(), esChildPending) << "a linked object's pending edit";
  b->EndEdit();
  b->Cancel();
  EXPECT_EQ(a->EditState(), esBrowse);
  b->Delete();
  root->Apply();
  EXPECT_EQ(a->FindLinkList(0)->Count(), 0) << "a freed target leaves the link list";
}


TEST_F(TreeTest, ANodeWhoseThingWentLeavesTheTreeAtOnce) {
  b->Edit();
  b->EndEdit();
  recorder.Take();
  b->DetachAndRelease();
  EXPECT_EQ(recorder.Take(), (Log{"root 7(b)", "root 4(0)", "b 12(0)"}));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(root->Children().PendingCount(), 0);
  EXPECT_EQ(root->EditState(), esBrowse);

  // one that someone still holds goes when it is let go
  int previous = a->Lock(lsIdle);
  a->DetachAndRelease();
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(root->Children().Count(), 0);
  EXPECT_EQ(destroyed, 1);
  a->Release(previous);
  EXPECT_EQ(destroyed, 2);
}

TEST_F(TreeTest, HandlesLeadOnlyToLiveObjects) {
  fw::Variant handleA = ObjectToVariant(a);
  fw::Variant handleB = ObjectToVariant(b);
  EXPECT_EQ(VariantToObject(handleA), a);
  EXPECT_EQ(VariantToObject(handleB), b);
  EXPECT_EQ(ObjectToVariant(a).AsInt64(), handleA.AsInt64()) << "one handle an object";
  EXPECT_EQ(VariantToObject(fw::Variant(static_cast<int>(handleA.AsInt64()))), a) << "kept as a 32-bit integer";
  EXPECT_TRUE(fw::VarIsNull(ObjectToVariant(nullptr)));
  for (const fw::Variant& v : {fw::Null(), fw::Unassigned(), fw::Variant(0), fw::Variant(-1), fw::Variant(1.0),
                               fw::Variant(std::to_string(handleA.AsInt64()))})
    EXPECT_EQ(VariantToObject(v), nullptr) << VarToText(v);

  TExploreObject* foundWhileGoing = b;
  b->OnChange = [&](TExploreObject*, int event, const TExploreArg&) {
    if (event == evDestroying) foundWhileGoing = VariantToObject(handleB);
  };
  b->Delete();
  root->Apply();
  EXPECT_EQ(foundWhileGoing, nullptr) << "not even while it goes";
  EXPECT_EQ(VariantToObject(handleB), nullptr);
  TNode* c = root->AddChild("c");  // may take the freed object's memory
  EXPECT_EQ(VariantToObject(handleB), nullptr);
  EXPECT_EQ(VariantToObject(ObjectToVariant(c)), c);
}

// root{a{x,y}, c{z}} where z hears a and x hears z: a change of a's child
// that comes back to a's other child through the links.
TEST_F(ModelTest, PendingEditsAreCountedOnAPathBackThroughLinks) {
  int destroyed = 0;
  TNode* root = TExploreObject::Create<TNode>(nullptr, &destroyed);
  root->SetName("root");
  root->childNames = {"a", "c"};
  TNode* a = root->Child(0);
  a->childNames = {"x", "y"};
  root->Child(1)->childNames = {"z"};
  TNode* x = a->Child(0);
  TNode* y = a->Child(1);
  TNode* z = root->Child(1)->Child(0);
  z->AddDependent(a);
  x->AddDependent(z);

  y->Edit();
  y->EndEdit();
  EXPECT_EQ(x->EditState(), esChildPending);
  EXPECT_EQ(a->Children().PendingCount(), 2);
  x->Cancel();
  EXPECT_EQ(a->Children().PendingCount(), 1);
  EXPECT_EQ(a->EditState(), esChildPending) << "y is still modified";
  EXPECT_EQ(root->EditState(), esChildPending);
  y->Apply();
  EXPECT_EQ(a->Children().PendingCount(), 0);
  EXPECT_EQ(a->EditState(), esBrowse);
  root->Release(lsReleased);
  EXPECT_EQ(destroyed, 6);
}

TEST_F(ModelTest, ADeletedObjectIsValid) {
  int destroyed = 0;
  TNode* root = TExploreObject::Create<TNode>(nullptr, &destroyed);
  root->SetName("root");
  root->childNames = {"a"};
  root->Load();
  TNode* a = root->Child(0);
  a->childNames = {"x", "y"};
  a->Load();
  a->Delete();
  a->Child(0)->Apply();  // its parent hears of the child that went
  EXPECT_EQ(a->Validity(), vaValid);
  EXPECT_TRUE(root->Enabled(opApply));
  root->Apply();
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(root->Children().Count(), 0);
  root->Release(lsReleased);
}

// Every pending count equals the number of children with pending edits, an
// object with such children shows a pending edit itself, and a deleted object
// is valid.
std::string TreeFaults(TExploreObject* object) {
  std::string faults;
  TExploreList& children = object->Children();
  int pending = children.CountInState(0x1E);
  if (children.PendingCount() != pending)
    faults += object->Name() + " counts " + std::to_string(children.PendingCount()) + " of " + std::to_string(pending) +
              "; ";
  if (pending > 0 && object->EditState() == esBrowse) faults += object->Name() + " shows no pending edit; ";
  if (object->EditState() == esDeleted && object->Validity() != vaValid) faults += object->Name() + " deleted, not valid; ";
  for (int i = 0; i < children.Count(); ++i) faults += TreeFaults(children.Item(i));
  return faults;
}

void CollectTree(TExploreObject* object, std::vector<TExploreObject*>& all) {
  all.push_back(object);
  for (int i = 0; i < object->Children().Count(); ++i) CollectTree(object->Children().Item(i), all);
}

TEST_F(ModelTest, TreeStaysConsistentThroughRandomEdits) {
  for (unsigned seed = 1; seed <= 1000; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    TNode* root = TExploreObject::Create<TNode>(nullptr);
    root->SetName("root");
    root->childNames = {"a", "b", "c"};
    root->Child(0)->childNames = {"x", "y"};
    root->Child(1)->childNames = {"z"};
    std::vector<TExploreObject*> all;
    CollectTree(root, all);
    for (TExploreObject* object : all) object->Load();

    std::string log;
    for (int step = 0; step < 80; ++step) {
      all.clear();
      CollectTree(root, all);
      TExploreObject* object = all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))];
      TExploreObject* other = all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))];
      int operation = pick(9);
      log += std::to_string(operation) + ":" + object->Name() + "," + other->Name() + " ";
      try {
        switch (operation) {
          case 0:
            object->Edit();
            object->EndEdit();
            break;
          case 1:
            object->Rename(std::string(1, static_cast<char>('a' + pick(4))));
            break;
          case 2:
            object->Apply();
            break;
          case 3:
            object->Cancel();
            break;
          case 4:
            if (object != root) object->Delete();
            break;
          case 5: {
            TExploreObject* fresh = object->NewObject("");
            fw::TScopeExit end([fresh] { fresh->EndEdit(); });
            fresh->Rename(fresh->MakeUniqueName("n", true));
            break;
          }
          case 6:
            object->AddDependent(other);
            break;
          case 7:
            object->RemoveDependent(other);
            break;
          default:
            // as a refresh would, which only an object without pending edits may do
            if (!object->Enabled(opRefresh)) break;
            object->Children().Unload();
            object->Children().Load();
            break;
        }
      } catch (const EDbXError&) {
      }
      std::string faults = TreeFaults(root);
      if (!faults.empty()) {
        ADD_FAILURE() << "seed " << seed << ": " << faults << "\nsteps: " << log;
        root->Release(lsReleased);
        return;
      }
    }
    root->Release(lsReleased);
  }
}

}  // namespace
}  // namespace dbx::testing
