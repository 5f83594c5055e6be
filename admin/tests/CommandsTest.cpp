#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "Clipbrd.h"
#include "Database.h"
#include "Expldb.h"
#include "ExplorerTesting.h"
#include "Grids.h"
#include "NewAlias.h"
#include "SaveAs.h"

namespace dbx::testing {
namespace {

using namespace fw;

// The "Databases" node itself, so that New asks for a driver; its aliases are fake nodes.
class TFakeAliases : public TDatabases {
  FW_CLASS(TFakeAliases, TDatabases)
public:
  std::string driver;  // the parameter of the last New
  bool makesNothing = false;

  void LoadChildren() override {
    auto* alias = TExploreObject::Create<TFakeNode>(this);
    alias->SetName("guests");
  }
  void DoCreate(TExploreObject*& result, const std::string& parameter) override {
    driver = parameter;
    if (makesNothing) return;
    result = TExploreObject::Create<TFakeNode>(this);
    TExploreObject::DoCreate(result, parameter);
  }

protected:
  void Init(TExploreObject* parent) override {
    TDatabases::Init(parent);
    SetAttributes(opNew | opRename);
  }
};
FW_IMPLEMENT_CLASS(TFakeAliases)

class TFakeAction : public TEAction {
  FW_CLASS(TFakeAction, TEAction)
public:
  TFakeAction(std::string name, int state, std::vector<std::string>* ran)
      : TEAction(std::move(name)), state_(state), ran_(ran) {}
  int GetState(TExploreObject&) override { return state_; }
  void Execute(TExploreObject& object) override { ran_->push_back(Name() + " on " + object.Name()); }

private:
  int state_;
  std::vector<std::string>* ran_;
};
FW_IMPLEMENT_CLASS(TFakeAction)

template <class F>
F* Showing() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* f = dynamic_cast<F*>(Screen->Forms(i)); f && f->Visible()) return f;
  return nullptr;
}

class CommandsTest : public ExplorerTest {
protected:
  // The Object menu's enabled commands, after the menu opened; the popup's
  // and the speed buttons must agree.
  std::string EnabledCommands() {
    form->MObjectClick(form->MObject);
    std::string main, popup;
    struct {
      const char* name;
      TMenuItem* main;
      TMenuItem* popup;
    } items[] = {{"Open", form->MOpen, form->PMOpen},          {"Close", form->MClose, form->PMClose},
                 {"Refresh", form->MRefresh, form->PMRefresh}, {"New", form->MNew, form->PMNew},
                 {"Delete", form->MDelete, form->PMDelete},    {"Rename", form->MRename, form->PMRename},
                 {"Apply", form->MApply, form->PMApply},       {"Cancel", form->MCancel, form->PMCancel},
                 {"SaveAs", form->MSaveAs, form->PMSaveAs}};
    for (auto& item : items) {
      if (item.main->Enabled()) main += std::string(main.empty() ? "" : " ") + item.name;
      if (item.popup->Enabled()) popup += std::string(popup.empty() ? "" : " ") + item.name;
    }
    EXPECT_EQ(main, popup);
    EXPECT_EQ(form->SBSave->Enabled(), form->MApply->Enabled());
    EXPECT_EQ(form->SBCancel->Enabled(), form->MCancel->Enabled());
    EXPECT_EQ(form->SBDelete->Enabled(), form->MDelete->Enabled());
    return main;
  }
  // The items between a separator and the end item (none: the menu's end).
  static std::vector<std::string> ItemsAfter(TMenuItem* separator, TMenuItem* end) {
    std::vector<std::string> items;
    TMenuItem* menu = separator->Parent();
    for (int i = menu->IndexOf(separator) + 1; i < menu->Count() && menu->Items(i) != end; ++i)
      items.push_back(menu->Items(i)->Caption() + (menu->Items(i)->Enabled() ? "" : " (off)"));
    return items;
  }
  static QLineEdit* InPlaceEditor() {
    PumpUntil([] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; });
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
  }
  // Types a name into the in-place editor and presses Enter.
  void TypeName(const std::string& name) {
    QLineEdit* editor = InPlaceEditor();
    ASSERT_NE(editor, nullptr) << "no edit in place";
    editor->setText(QString::fromStdString(name));
    Key(editor, Qt::Key_Return);
    Pump();
  }
  std::vector<std::string> Asked() {
    std::vector<std::string> texts;
    for (const auto& r : messages->Requests) texts.push_back(r.Text);
    messages->Requests.clear();
    return texts;
  }
};

TEST_F(CommandsTest, TheObjectCommandsFollowTheActiveObjectsOperations) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  Select(alpha);
  // A closed database keeps its contents unread until it is opened.
  EXPECT_EQ(EnabledCommands(), "Open Refresh New Delete Rename");
  EXPECT_FALSE(alpha->Children().Loaded());
  form->PMOpenCloseClick(nullptr);
  EXPECT_TRUE(alpha->IsActive());
  EXPECT_TRUE(form->SBOpen->Down());
  EXPECT_EQ(EnabledCommands(), "Close Refresh");
  EXPECT_TRUE(alpha->Children().Loaded());
  form->PMOpenCloseClick(nullptr);
  EXPECT_FALSE(alpha->IsActive());
  EXPECT_FALSE(form->SBOpen->Down());
  alpha->Rename("alpha2");
  EXPECT_EQ(EnabledCommands(), "New Delete Rename Apply Cancel") << "no opening with pending edits";

  // Save As: the parent takes a copy (kind 0, the bit of value 1).
  TFakeNode* beta = Databases()->Find("beta");
  Select(beta);
  Databases()->childKinds = 2;
  EXPECT_EQ(EnabledCommands(), "Open Refresh New Delete Rename");
  Databases()->childKinds = 1;
  EXPECT_EQ(EnabledCommands(), "Open Refresh New Delete Rename SaveAs");
  beta->SetAttributes(opNew);
  EXPECT_EQ(EnabledCommands(), "New SaveAs");
}

TEST_F(CommandsTest, ConfirmationsByKindEditStateAndDatabaseRoot) {
  TFakeDatabases::names = {"rootdb", "plain"};
  Bind();
  TFakeNode* dbRoot = Databases()->Find("rootdb");
  TFakeNode* plain = Databases()->Find("plain");
  std::uint16_t withoutApply = kFakeOperations & ~(opApply | opCancel);
  struct Case {
    TFakeNode* object;
    TConfirmKind kind;
    int editState;
    bool declaresApply;
    const char* question;  // "" for none
  } cases[] = {
      {dbRoot, ckDelete, esBrowse, false, "Delete rootdb?"},
      {dbRoot, ckRename, esBrowse, false, "Rename rootdb to other?"},
      {dbRoot, ckDelete, esBrowse, true, ""},
      {dbRoot, ckDelete, esModified, false, ""},
      {plain, ckDelete, esBrowse, false, ""},
      {plain, ckRename, esBrowse, false, ""},
      {plain, ckApply, esModified, true, "Save all edits to plain?"},
      {plain, ckApply, esDeleted, true, "Delete plain?"},
      {plain, ckApply, esNew, true, "Save all edits to plain?"},
      {plain, ckCancel, esModified, true, "Cancel all edits to plain?"},
      {plain, ckCancel, esNew, true, "Delete plain?"},
      {plain, ckCancel, esDeleted, true, "Cancel all edits to plain?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.object->Name()) + " kind " + std::to_string(c.kind) + " state " +
                 std::to_string(c.editState));
    c.object->SetAttributes(c.declaresApply ? kFakeOperations : withoutApply);
    c.object->SetEditState(c.editState);
    for (int answer : {mrOk, mrCancel}) {
      messages->Answers = {answer};
      bool goOn = form->ConfirmAction(c.object, c.kind, {c.object->Name(), "other"});
      std::vector<std::string> asked = Asked();
      if (*c.question) {
        EXPECT_EQ(asked, std::vector<std::string>{c.question});
        EXPECT_EQ(goOn, answer == mrOk);
      } else {
        EXPECT_TRUE(asked.empty());
        EXPECT_TRUE(goOn);
      }
    }
    c.object->SetEditState(esBrowse);
  }
  // Off: nothing is asked, everything goes on.
  form->MShowConfirms->Click();
  EXPECT_FALSE(form->MShowConfirms->Checked());
  dbRoot->SetAttributes(withoutApply);
  messages->Answers = {mrCancel};
  EXPECT_TRUE(form->ConfirmAction(dbRoot, ckDelete, {"rootdb"}));
  EXPECT_TRUE(form->ConfirmAction(plain, ckApply, {"plain"}));
  EXPECT_TRUE(Asked().empty());
}

TEST_F(CommandsTest, DeleteApplyAndCancelAskFirstAndStopSilentlyWhenRefused) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  Select(alpha);
  alpha->Rename("alpha2");
  messages->Answers = {mrCancel};
  EXPECT_THROW(form->PMSaveClick(nullptr), EAbort);
  EXPECT_EQ(alpha->EditState(), esModified);
  messages->Answers = {mrOk};
  form->PMSaveClick(nullptr);
  EXPECT_EQ(alpha->EditState(), esBrowse);
  EXPECT_EQ(Asked(), (std::vector<std::string>{"Save all edits to alpha2?", "Save all edits to alpha2?"}));

  form->PMDeleteClick(nullptr);  // not a database root: no question
  EXPECT_EQ(alpha->EditState(), esDeleted);
  messages->Answers = {mrOk};
  form->PMCancelClick(nullptr);
  EXPECT_EQ(alpha->EditState(), esBrowse);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Cancel all edits to alpha2?"});
}

TEST_F(CommandsTest, NewAsksForTheDriverOfAnAliasAndNamesTheNewNodeInPlace) {
  Bind({ExploreClassOf<TFakeAliases>()});
  auto* databases = static_cast<TFakeAliases*>(root->Children().GetItem(0));
  Select(databases);
  QTimer::singleShot(0, [] {
    if (TNewAliasForm* dialog = Showing<TNewAliasForm>()) dialog->CancelBtn->Click();
  });
  EXPECT_THROW(form->PMNewClick(nullptr), EAbort) << "Cancel ends the command silently";
  ASSERT_EQ(databases->Children().Count(), 1);
  // A driver chosen, but nothing made: nothing to name.
  databases->makesNothing = true;
  QTimer::singleShot(0, [] {
    if (TNewAliasForm* dialog = Showing<TNewAliasForm>()) dialog->OKBtn->Click();
  });
  form->PMNewClick(nullptr);
  EXPECT_EQ(databases->Children().Count(), 1);
  EXPECT_EQ(form->GetActiveObject(), databases);
  databases->makesNothing = false;

  for (TExploreObject* active : {static_cast<TExploreObject*>(databases), databases->Children().FindByName("guests")}) {
    SCOPED_TRACE(active->Name());
    Select(active);
    std::string offered;
    QTimer::singleShot(0, [&] {
      if (TNewAliasForm* dialog = Showing<TNewAliasForm>()) {
        offered = dialog->DriverName();
        dialog->OKBtn->Click();
      }
    });
    form->PMNewClick(nullptr);
    // The window is active again once the dialog has gone, as a window system makes it.
    WidgetOf(form)->activateWindow();
    EXPECT_FALSE(offered.empty());
    if (active == databases) {
      EXPECT_EQ(databases->driver, offered);
    }
    TExploreObject* made = form->GetActiveObject();
    ASSERT_NE(made, active);
    EXPECT_EQ(made->Parent(), active);
    EXPECT_EQ(made->LockState(), lsIdle) << "the new object's edit has ended";
    EXPECT_TRUE(Tree()->IsEditing()) << "named in place at once";
    TypeName("Gäste Ö");
    EXPECT_EQ(made->Name(), "Gäste Ö");
    EXPECT_EQ(made->TreeNode->Text(), "Gäste Ö");
    EXPECT_EQ(Tree()->Selected(), made->TreeNode);
  }
  Session().Close();
}

TEST_F(CommandsTest, RenamingInPlace) {
  TFakeDatabases::names = {"alpha", "beta", "gamma"};
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  TFakeNode* beta = Databases()->Find("beta");

  // Without the rename operation there is no edit, only a beep.
  beta->SetAttributes(kFakeOperations & ~opRename);
  Select(beta);
  form->PMRenameClick(nullptr);
  EXPECT_FALSE(Tree()->IsEditing());
  EXPECT_EQ(messages->Beeps, std::vector<unsigned>{MB_ICONEXCLAMATION});

  // A taken name: its error is shown, the node keeps the object's name.
  Select(alpha);
  form->PMRenameClick(nullptr);
  ASSERT_TRUE(Tree()->IsEditing());
  TypeName("gamma");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("gamma"), std::string::npos) << errors[0];
  EXPECT_EQ(alpha->Name(), "alpha");
  EXPECT_EQ(alpha->TreeNode->Text(), "alpha");

  // A new name, in the node's sorted place, selected.
  form->PMRenameClick(nullptr);
  TypeName("zeta");
  EXPECT_EQ(Texts(Databases()->TreeNode), "beta(guests orders) gamma zeta");
  EXPECT_EQ(Tree()->Selected(), alpha->TreeNode);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Definition of zeta");

  // A rename that fails in NameAndSelect still ends the edit and selects the object.
  TFakeNode* made = static_cast<TFakeNode*>(Databases()->NewObject(""));
  made->failRename = true;
  std::string name = "delta";
  EXPECT_THROW(form->NameAndSelect(made, &name, false), EDbXError);
  EXPECT_EQ(made->LockState(), lsIdle);
  EXPECT_EQ(Tree()->Selected(), made->TreeNode);
}

TEST_F(CommandsTest, SaveAsCopiesUnderANewNameOrAppliesPendingEdits) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  Databases()->childKinds = 1;
  TFakeNode* alpha = Databases()->Find("alpha");
  Select(alpha);
  // What the dialog is given back, and the dialog's OK.
  auto saveAs = [&](const std::string& name) {
    QTimer::singleShot(0, [&, name] {
      if (TSaveAsForm* dialog = Showing<TSaveAsForm>()) {
        dialog->SaveName->SetText(name);
        dialog->OKBtn->Click();
      }
    });
    form->PMSaveAsClick(nullptr);
  };

  saveAs("alpha");  // the same name without edits: nothing
  EXPECT_EQ(Texts(Databases()->TreeNode), "alpha beta");

  saveAs("Älpha 2");
  TFakeNode* copy = Databases()->Find("Älpha 2");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Databases()->madeKind, 0);
  EXPECT_EQ(copy->EditState(), esBrowse) << "a named copy is applied";
  EXPECT_EQ(Tree()->Selected(), copy->TreeNode);

  // A pending rename goes back first: the copy takes the new name.
  Select(alpha);
  alpha->Rename("omega");
  saveAs("omega");
  EXPECT_EQ(alpha->Name(), "alpha");
  EXPECT_NE(Databases()->Find("omega"), nullptr);

  // Pending edits under the same name are applied.
  TFakeNode* beta = Databases()->Find("beta");
  Select(beta);
  beta->SetEditState(esModified);
  saveAs("beta");
  EXPECT_EQ(beta->EditState(), esBrowse);
  EXPECT_EQ(Databases()->Children().Count(), 4);
}

TEST_F(CommandsTest, TheActionsMenuShowsTheObjectsActionsByState) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  std::vector<std::string> ran;
  alpha->actions = std::make_unique<TEActions>();
  alpha->actions->Add<TFakeAction>("Hidden", asHidden, &ran);
  alpha->actions->Add<TFakeAction>("Verify", asEnabled, &ran);
  alpha->actions->Add<TFakeAction>("Pack", asDisabled, &ran);
  alpha->actions->Add<TFakeAction>("Export", asEnabled, &ran);
  Select(alpha);
  form->MObjectClick(form->MObject);
  form->MObjectClick(form->MObject);  // built again: nothing left from before
  EXPECT_EQ(ItemsAfter(form->MActions, form->MExitBreak), (std::vector<std::string>{"Verify", "Pack (off)", "Export"}));
  EXPECT_TRUE(form->MActions->Visible());
  TMenuItem* exportItem = form->MObject->Items(form->MObject->IndexOf(form->MActions) + 3);
  exportItem->Click();
  EXPECT_EQ(ran, std::vector<std::string>{"Export on alpha"});

  form->BasePopupMenuPopup(form->BasePopupMenu);
  EXPECT_EQ(ItemsAfter(form->PMActions, nullptr), (std::vector<std::string>{"Verify", "Pack (off)", "Export"}));

  Select(Databases()->Find("beta"));  // the registered actions: none
  form->MObjectClick(form->MObject);
  EXPECT_TRUE(ItemsAfter(form->MActions, form->MExitBreak).empty());
  EXPECT_FALSE(form->MActions->Visible());
}

TEST_F(CommandsTest, ThePopupShowsTheViewSubmenuAndSaveTextWhereTheyApply) {
  TFakeDatabases::names = {"alpha"};
  Bind();
  Select(Databases()->Find("alpha"));
  form->BasePopupMenuPopup(form->BasePopupMenu);
  EXPECT_FALSE(form->PMView->Visible());
  EXPECT_FALSE(form->PMViewBreak->Visible());
  EXPECT_FALSE(form->PMSaveText->Visible());
}

TEST_F(CommandsTest, TheEditMenuFollowsTheFocusedControl) {
  TFakeDatabases::names = {"alpha"};
  Bind();
  auto* grid = new TStringGrid(form);
  grid->SetParent(form->InfoPanel);
  auto* memo = new TMemo(form);
  memo->SetParent(form->InfoPanel);
  memo->SetText("SELECT * FROM Guests");
  auto enabled = [&] {
    form->MEditClick(form->MEdit);
    std::string out;
    for (TMenuItem* item : {form->MUndo, form->MCut, form->MCopy, form->MPaste, form->MEditDelete, form->MSelectAll})
      if (item->Enabled()) out += (out.empty() ? "" : " ") + item->Caption();
    return out;
  };
  struct Case {
    TWinControl* focus;
    bool selection;
    bool clipboardText;
    const char* expected;
  } cases[] = {
      {memo, false, false, "&Undo Se&lect All"},       {memo, true, false, "&Undo Cu&t &Copy &Delete Se&lect All"},
      {memo, false, true, "&Undo &Paste Se&lect All"}, {grid, false, false, "Cu&t &Copy &Paste &Delete"},
      {Tree(), false, true, "&Undo Se&lect All"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    if (c.clipboardText) Clipboard()->SetAsText("Gäste");
    else Clipboard()->Clear();
    c.focus->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return FindControl(GetFocus()) == c.focus; }));
    if (c.focus == memo) {
      memo->SetSelStart(0);
      memo->SetSelLength(c.selection ? 6 : 0);
    }
    EXPECT_EQ(enabled(), c.expected);
  }
}

TEST_F(CommandsTest, DragsStartOnlyForObjectsThatMayBeCopied) {
  Bind();
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* open = new TDatabase(owner.get());
  open->SetDatabaseName("held");
  struct Case {
    const char* name;
    int kind;
    std::uint16_t operations;
    bool allowed;
  } cases[] = {
      {"free", okDatabase, 0, true},        {"held", okDatabase, 0, false},         {"table", okDataset, 0, true},
      {"col", okColumn, 0, true},           {"colref", okColumnReference, 0, true}, {"proc", okExecutable, 0, false},
      {"view", okExecutable, opData, true}, {"settable", okDataset, 0, false},      {"reftable", okDataset, 0, false},
      {"index", okIndex, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeNode* node = Databases()->AddChild(c.name);
    node->kind = c.kind;
    node->SetAttributes(c.operations);
    EXPECT_EQ(ObjectDragAllowed(node), c.allowed);
  }
  EXPECT_FALSE(ObjectDragAllowed(nullptr));
}

TEST_F(CommandsTest, ADropMakesAChildOfTheKindTheTargetTakes) {
  TFakeDatabases::names = {"alpha", "beta"};
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  TFakeNode* beta = Databases()->Find("beta");
  TFakeNode* column = alpha->AddChild("Name");
  column->kind = okColumn;
  TFakeNode* sibling = alpha->AddChild("Notes");
  TFakeNode* table = beta->AddChild("Guests");
  table->kind = okDataset;
  for (TFakeNode* node : {Databases(), alpha, beta}) node->TreeNode->Expand(false);
  Pump();

  auto drag = [&](TFakeNode* dragged, TFakeNode* target, std::uint8_t kinds) {
    target->childKinds = kinds;
    target->madeKind = -1;
    Select(dragged);
    TDragObject* object = nullptr;
    form->ObjectStartDrag(Tree(), object);
    if (!object) return std::string("no drag");
    target->TreeNode->MakeVisible();
    Pump();
    TRect r = target->TreeNode->DisplayRect(true);
    bool accept = false;
    form->ObjectDragOver(Tree(), object, r.Left + 2, r.Top + 2, dsDragMove, accept);
    if (!accept) {
      form->ObjectEndDrag(Tree(), nullptr, 0, 0);
      return std::string("refused");
    }
    form->ObjectDragDrop(Tree(), object, r.Left + 2, r.Top + 2);
    form->ObjectEndDrag(Tree(), Tree(), 0, 0);
    return "kind " + std::to_string(target->madeKind);
  };
  EXPECT_EQ(drag(column, alpha, 3), "kind 1") << "onto its own table";
  EXPECT_EQ(drag(column, sibling, 3), "kind 1") << "onto a column of its own table";
  EXPECT_EQ(drag(column, alpha, 1), "kind 0");
  EXPECT_EQ(drag(column, table, 3), "kind 0") << "onto another table";
  // The copy is named after the dragged object and selected.
  ASSERT_NE(table->Find("Name"), nullptr);
  EXPECT_EQ(Tree()->Selected(), table->Find("Name")->TreeNode);
  EXPECT_EQ(drag(table, alpha, 1), "kind 0");
  EXPECT_EQ(drag(table, alpha, 0), "refused");
  column->SetEditState(esModified);
  EXPECT_EQ(drag(column, alpha, 3), "no drag") << "pending edits";
}

}  // namespace
}  // namespace dbx::testing
