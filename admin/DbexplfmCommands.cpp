// The main window's commands: menus, the popup, the speed buttons, in-place
// renaming, the actions menu and drag and drop.
#include <algorithm>

#include "About.h"
#include "Clipbrd.h"
#include "DBCtrls.h"
#include "Dbexplfm.h"
#include "Dialogs.h"
#include "Expldb.h"
#include "Format.h"
#include "Grids.h"
#include "NewAlias.h"
#include "SaveAs.h"
#include "Scope.h"
#include "Services.h"
#include "Shell.h"

using namespace fw;

namespace dbx {

namespace {

TExploreObject* ObjectOf(const TTreeNode* node) { return node ? static_cast<TExploreObject*>(node->Data()) : nullptr; }

TExploreObject* ObjectOf(const TListItem* item) { return item ? static_cast<TExploreObject*>(item->Data()) : nullptr; }

bool Declares(const TExploreObject* object, std::uint16_t operation) {
  return (object->DeclaredOperations() & operation) != 0;
}

bool IsClosedOpenable(TExploreObject* object) { return Declares(object, opOpen) && !object->IsActive(); }

// New objects under "Databases" and its aliases are aliases: they need a driver.
bool MakesAliases(TExploreObject* object) {
  return dynamic_cast<TDatabases*>(object) || (object->Parent() && dynamic_cast<TDatabases*>(object->Parent()));
}

TWinControl* FocusedControl() { return FindControl(GetFocus()); }

}  // namespace

FW_IMPLEMENT_CLASS(TDbXDataDragObject)

bool ObjectDragAllowed(TExploreObject* object) {
  if (!object) return false;
  int kind = object->GetKind();
  if (kind == okDatabase) return Session().FindDatabase(object->Name()) == nullptr;
  bool draggable = kind == okDataset || kind == okColumn || kind == okColumnReference ||
                   (kind == okExecutable && object->Enabled(opData));
  TSchemaQuestions& schema = SchemaQuestions();
  return draggable && !schema.IsObjectSet(object) && !schema.IsReference(object);
}

// ---------------------------------------------------------------- questions

bool TDbExplorerForm::ConfirmAction(TExploreObject* object, TConfirmKind kind, const std::vector<std::string>& args) {
  if (!MShowConfirms->Checked()) return true;
  auto arg = [&args](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
  std::string text;
  switch (kind) {
    case ckDelete:
    case ckRename:
      // Only a database root that goes or changes at once, with nothing to apply later, is asked about.
      if (!SchemaQuestions().IsDatabaseRoot(object) || object->EditState() != esBrowse || Declares(object, opApply))
        return true;
      text = kind == ckDelete ? Format("Delete %s?", {arg(0)}) : Format("Rename %s to %s?", {arg(0), arg(1)});
      break;
    case ckApply:
      text = Format(object->EditState() == esDeleted ? "Delete %s?" : "Save all edits to %s?", {arg(0)});
      break;
    case ckCancel:
      text = Format(object->EditState() == esNew ? "Delete %s?" : "Cancel all edits to %s?", {arg(0)});
      break;
  }
  return MessageDlg(text, mtConfirmation, mbOKCancel, 0) == mrOk;
}

void TDbExplorerForm::QuerySaveChanges(TExploreObject* object, int severity) {
  if (severity == 0 || !MShowWarnings->Checked()) return;
  std::string text =
      Format("%s must be re-created to save your edits.", {object->GetTypeName() + " " + object->Name()});
  if (severity == 2) text += " Data contained within it will be lost.";
  text += " Do you want to save?";
  int answer = MessageDlg(text, mtWarning, mbYesNoCancel, 0);
  if (answer == mrNo) throw EAbortOp();
  if (answer != mrYes) Abort();
}

// ---------------------------------------------------------------- naming

void TDbExplorerForm::RenameObject(TExploreObject* object, std::string& name) {
  TUpdateScope update(*this);
  // Whatever happens, the text shows the name the object has and the object is selected.
  TScopeExit show([this, object, &name] {
    name = object->Name();
    SetActiveObject(object);
  });
  std::string unique = object->ValidateNameOrRaise(name);
  if (unique == object->Name()) return;
  if (!ConfirmAction(object, ckRename, {object->Name(), unique})) return;
  object->Rename(unique);
  // The pages name the object too.
  refreshPending_ = true;
}

void TDbExplorerForm::NameAndSelect(TExploreObject* object, const std::string* name, bool numbered) {
  {
    TScopeFail selectAnyway([this, object] { SetActiveObject(object); });
    TScopeExit endEdit([this, object] {
      if (object->LockState() == lsEditing) RunShowingError([](TExploreObject* o) { o->EndEdit(); }, object);
    });
    if (name || object->Enabled(opRename))
      object->Rename(object->MakeUniqueName(name ? *name : object->Name(), numbered));
  }
  if (name && object->Enabled(opApply)) object->Apply();
  SetActiveObject(object);
}

void TDbExplorerForm::EndNameEdit(bool cancel) {
  if (TTreeView* tree = CurrentTree(); tree && tree->IsEditing())
    for (TTreeNode* node = tree->Items()->GetFirstNode(); node; node = node->GetNext()) node->EndEdit(cancel);
  if (SummaryView->IsEditing())
    for (int i = 0; i < SummaryView->Items()->Count(); ++i) SummaryView->Items()->Item(i)->EndEdit(cancel);
}

void TDbExplorerForm::Commit(bool cancelNameEdit) {
  EndNameEdit(cancelNameEdit);
  TWinControl* focused = FocusedControl();
  bool pending = focused && (focused == DefinitionMemo ||
                             (propList_ && (focused == propList_ || propList_->ContainsControl(focused))));
  if (pending) FocusTree(CurrentTree());
}

void TDbExplorerForm::StartRename() {
  if (summaryFocused_ && SummaryView->Selected()) {
    SummaryView->Selected()->EditCaption();
    return;
  }
  if (TTreeView* tree = CurrentTree(); tree && tree->Selected()) tree->Selected()->EditText();
}

void TDbExplorerForm::TreeEditing(TObject*, TTreeNode* Node, bool& AllowEdit) {
  TExploreObject* object = ObjectOf(Node);
  AllowEdit = object && object->Enabled(opRename);
  if (!AllowEdit) MessageBeep(MB_ICONEXCLAMATION);
}

void TDbExplorerForm::SummaryViewEditing(TObject*, TListItem* Item, bool& AllowEdit) {
  TExploreObject* object = ObjectOf(Item);
  AllowEdit = object && object->Enabled(opRename);
  if (!AllowEdit) MessageBeep(MB_ICONEXCLAMATION);
}

// The edit ends inside the control's own handling, which an error must not
// cross: it is shown here, and the text goes back to the object's name.
void TDbExplorerForm::TreeEdited(TObject*, TTreeNode* Node, std::string& S) {
  if (TExploreObject* object = ObjectOf(Node)) try {
      RenameObject(object, S);
    } catch (...) {
      Application->HandleException(this);
    }
}

void TDbExplorerForm::SummaryViewEdited(TObject*, TListItem* Item, std::string& S) {
  if (TExploreObject* object = ObjectOf(Item)) try {
      RenameObject(object, S);
    } catch (...) {
      Application->HandleException(this);
    }
}

// ---------------------------------------------------------------- enabling

void TDbExplorerForm::UpdateObjectMenu(TExploreObject* object) {
  if (object && !IsClosedOpenable(object)) {
    try {
      RunWithHourglass([](TExploreObject* o) { o->Load(); }, object);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  auto on = [object](std::uint16_t operation) { return object && object->Enabled(operation); };
  bool open = object && Declares(object, opOpen) && object->IsActive();
  bool closed = object && IsClosedOpenable(object);
  TExploreObject* parent = object ? object->Parent() : nullptr;
  bool saveAs = parent && (parent->AllowedChildKinds(object) & 1) != 0;
  struct {
    TMenuItem* main;
    TMenuItem* popup;
    bool enabled;
  } items[] = {
      {MOpen, PMOpen, closed && on(opOpen)}, {MClose, PMClose, open && on(opOpen)},
      {MRefresh, PMRefresh, on(opRefresh)},  {MNew, PMNew, on(opNew)},
      {MDelete, PMDelete, on(opDelete)},     {MRename, PMRename, on(opRename)},
      {MApply, PMApply, on(opApply)},        {MCancel, PMCancel, on(opCancel)},
      {MSaveAs, PMSaveAs, saveAs},
  };
  for (auto& item : items) {
    item.main->SetEnabled(item.enabled);
    item.popup->SetEnabled(item.enabled);
  }
  UpdateObjectButtons(object);
}

void TDbExplorerForm::MObjectClick(TObject*) {
  TExploreObject* object = GetActiveObject();
  UpdateObjectMenu(object);
  BuildActionMenu(object, MActions, MExitBreak);
}

void TDbExplorerForm::BasePopupMenuPopup(TObject*) {
  TExploreObject* object = GetActiveObject();
  if (object && !summaryFocused_ && object->TreeNode && object->TreeNode->TreeView() == CurrentTree())
    CurrentTree()->SetSelected(object->TreeNode);
  UpdateObjectMenu(object);
  bool summary = summaryFocused_;
  PMView->SetVisible(summary);
  PMViewBreak->SetVisible(summary);
  PMSaveText->SetVisible(InfoPages->ActivePage() == TabText);
  BuildActionMenu(object, PMActions, nullptr);
}

void TDbExplorerForm::MViewClick(TObject*) {
  TExploreObject* object = GetActiveObject();
  MRefresh->SetEnabled(object && object->Enabled(opRefresh));
  MPrevious->SetEnabled(previous_ != nullptr);
  if (MRefreshAll->Visible()) MRefreshAll->SetEnabled(root_ && root_->Enabled(opRefresh));
}

void TDbExplorerForm::MEditClick(TObject*) {
  TWinControl* focused = FocusedControl();
  bool undo = true, cut = false, copy = false, paste = false, clear = false;
  if (auto* edit = dynamic_cast<TCustomEdit*>(focused)) {
    bool selected = edit->SelLength() > 0;
    cut = copy = clear = selected;
    paste = Clipboard()->HasFormat(CF_TEXT);
  } else if (dynamic_cast<TCustomGrid*>(focused) || dynamic_cast<TDBImage*>(focused)) {
    undo = false;
    cut = copy = paste = clear = true;
  }
  MUndo->SetEnabled(undo);
  MSelectAll->SetEnabled(undo);
  MCut->SetEnabled(cut);
  MCopy->SetEnabled(copy);
  MPaste->SetEnabled(paste);
  MEditDelete->SetEnabled(clear);
  TExploreObject* object = GetActiveObject();
  MText->SetEnabled(textCommand_ && object && object->Enabled(opText));
}

// ---------------------------------------------------------------- the actions menu

void TDbExplorerForm::BuildActionMenu(TExploreObject* object, TMenuItem* separator, TMenuItem* endItem) {
  TMenuItem* menu = separator->Parent();
  int at = menu->IndexOf(separator) + 1;
  while (at < menu->Count() && menu->Items(at) != endItem) delete menu->Items(at);
  bool added = false;
  if (TEActions* actions = object ? object->GetActions() : nullptr) {
    for (int i = 0; i < actions->Count(); ++i) {
      TEAction* action = actions->GetItem(i);
      int state = action->GetState(*object);
      if (state == asHidden) continue;
      auto* item = new TMenuItem(this);
      item->SetCaption(action->Name());
      item->SetHelpContext(static_cast<std::intptr_t>(action->HelpContext));
      item->SetTag(i);
      item->SetEnabled(state == asEnabled);
      item->OnClick = [this](TObject* Sender) { RunActionItem(Sender); };
      menu->Insert(at++, item);
      added = true;
    }
  }
  separator->SetVisible(added);
}

void TDbExplorerForm::RunActionItem(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  TExploreObject* object = GetActiveObject();
  if (!item || !object) return;
  TUpdateScope update(*this);
  TEActions* actions = object->GetActions();
  int index = static_cast<int>(item->Tag());
  ExecuteAction(actions && index < actions->Count() ? actions->GetItem(index) : nullptr, *object);
}

// ---------------------------------------------------------------- object commands

void TDbExplorerForm::PMOpenCloseClick(TObject*) {
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  if (Declares(object, opOpen) && object->IsActive()) {
    if (object->TreeNode) object->TreeNode->Collapse(false);
    RunUpdating([](TExploreObject* o) { o->Close(); }, object, true);
  } else {
    RunUpdating([](TExploreObject* o) { o->Open(); }, object, true);
  }
  SBOpen->SetDown(Declares(object, opOpen) && object->IsActive());
  if (GetActiveObject() != object) SetActiveObject(object);
}

void TDbExplorerForm::PMRefreshClick(TObject*) {
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  TTreeNode* node = object->TreeNode;
  bool expanded = node && node->Expanded();
  if (node) node->Collapse(false);
  RunUpdating([](TExploreObject* o) { o->Refresh(); }, object, false);
  if (expanded && object == shown_) {
    RunWithHourglass([](TExploreObject* o) { o->Load(); }, object);
    if (object->TreeNode) object->TreeNode->Expand(false);
  }
}

void TDbExplorerForm::MRefreshAllClick(TObject*) {
  TTreeView* tree = CurrentTree();
  if (!root_) return;
  if (tree && tree->Items()->GetFirstNode()) tree->SetSelected(tree->Items()->GetFirstNode());
  RunUpdating([](TExploreObject* o) { o->Refresh(); }, root_, true);
}

void TDbExplorerForm::MPreviousClick(TObject*) {
  if (previous_) previous_->NotifyChanged();
}

void TDbExplorerForm::MSwitchViewClick(TObject*) {
  TWinControl* focused = FocusedControl();
  bool onTrees = focused && (focused == Trees || TreePanel->ContainsControl(focused));
  if (!onTrees) {
    FocusTree(CurrentTree());
    return;
  }
  TTabSheet* page = InfoPages->ActivePage();
  if (!page) return;
  // The page's first control that takes the focus, else the page control.
  for (int i = 0; i < page->ControlCount(); ++i)
    if (auto* control = dynamic_cast<TWinControl*>(page->Controls(i)); control && control->CanFocus()) {
      control->SetFocus();
      return;
    }
  if (InfoPages->CanFocus()) InfoPages->SetFocus();
}

void TDbExplorerForm::PMNewClick(TObject*) {
  EndNameEdit(false);
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  std::string typeName;
  if (MakesAliases(object)) {
    std::unique_ptr<TNewAliasForm> dialog(NewForm<TNewAliasForm>(this));
    if (dialog->ShowModal() != mrOk) Abort();
    typeName = dialog->DriverName();
  }
  TExploreObject* made = nullptr;
  {
    TUpdateScope update(*this);
    made = object->NewObject(typeName);
    // A class that makes its objects elsewhere (or not yet) gives none.
    if (!made) return;
    NameAndSelect(made, nullptr, true);
  }
  if (made->TreeNode && !Declares(made, opOpen)) made->TreeNode->Expand(false);
  if (made->Enabled(opRename)) StartRename();
}

void TDbExplorerForm::PMDeleteClick(TObject*) {
  EndNameEdit(true);
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  if (!ConfirmAction(object, ckDelete, {object->Name()})) Abort();
  if (object->TreeNode) object->TreeNode->Collapse(false);
  RunUpdating([](TExploreObject* o) { o->Delete(); }, object, true);
}

void TDbExplorerForm::PMRenameClick(TObject*) { StartRename(); }

void TDbExplorerForm::PMSaveClick(TObject*) {
  Commit(false);
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  if (!ConfirmAction(object, ckApply, {object->Name()})) Abort();
  RunUpdating([](TExploreObject* o) { o->Apply(); }, object, true);
}

void TDbExplorerForm::PMCancelClick(TObject*) {
  Commit(true);
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  if (!ConfirmAction(object, ckCancel, {object->Name()})) Abort();
  RunUpdating([](TExploreObject* o) { o->Cancel(); }, object, true);
}

void TDbExplorerForm::PMSaveAsClick(TObject*) {
  Commit(false);
  TExploreObject* object = GetActiveObject();
  if (!object) return;
  std::string name;
  {
    std::unique_ptr<TSaveAsForm> dialog(NewForm<TSaveAsForm>(this));
    dialog->Object = object;
    if (dialog->ShowModal() != mrOk) Abort();
    name = dialog->SaveName->Text();
  }
  TUpdateScope update(*this);
  if (object->GetOriginalName() != object->Name() && object->Enabled(opRename))
    object->Rename(object->GetOriginalName());
  bool pending = object->EditState() != esBrowse;
  if (name != object->Name() || (pending && !Declares(object, opApply))) {
    if (TExploreObject* copy = object->Parent()->CreateChild(object, 0)) NameAndSelect(copy, &name, false);
  } else if (pending) {
    object->Apply();
  }
}

void TDbExplorerForm::PMSaveTextClick(TObject*) {
  auto* memo = dynamic_cast<TCustomMemo*>(FocusedControl());
  if (!memo) memo = DefinitionMemo;
  if (SaveQueryDialog->Execute()) memo->Lines()->SaveToFile(SaveQueryDialog->FileName());
}

void TDbExplorerForm::MTextClick(TObject*) {
  if (TExploreObject* object = GetActiveObject(); object && textCommand_) textCommand_(object);
}

// ---------------------------------------------------------------- help, fonts and the rest

void TDbExplorerForm::MContentsClick(TObject*) { Application->HelpCommand(HELP_FINDER, 0); }

void TDbExplorerForm::MAboutClick(TObject*) { NewForm<TAboutDbExplorer>(this)->ShowModal(); }

void TDbExplorerForm::MFontClick(TObject*) {
  std::unique_ptr<TFontDialog> dialog = std::make_unique<TFontDialog>(nullptr);
  dialog->SetFont(DefinitionMemo->Font());
  if (dialog->Execute()) ApplyMemoFont(*dialog->Font());
}

void TDbExplorerForm::MDRImportDbClick(TObject*) {
  if (!root_) return;
  TUpdateScope update(*this);
  TEActions* actions = root_->GetActions();
  if (!actions) RaiseDbXError(Format("Object %s does not exist", {"Import to Dictionary"}));
  ExecuteAction(actions->GetByNameOrRaise("Import to Dictionary"), *root_);
}

void TDbExplorerForm::MHotKeyClick(TObject*) {
  TPoint at{ClientWidth() / 3, ClientHeight() / 3};
  TControl* control = ControlAtPos(at, false);
  // The innermost control there that has a popup menu of its own, else the window's.
  for (auto* c = dynamic_cast<TWinControl*>(control); c;) {
    TControl* inner = c->ControlAtPos(c->ScreenToClient(ClientToScreen(at)), false);
    auto* next = dynamic_cast<TWinControl*>(inner);
    if (!next) break;
    control = next;
    c = next;
  }
  for (TControl* c = control ? control : this; c; c = c->Parent())
    if (TPopupMenu* menu = c->PopupMenu()) {
      menu->SetPopupComponent(c);
      TPoint screen = ClientToScreen(at);
      menu->Popup(screen.X, screen.Y);
      return;
    }
}

// ---------------------------------------------------------------- options

void TDbExplorerForm::MToolbarClick(TObject*) {
  MToolbar->SetChecked(!MToolbar->Checked());
  SpeedBar->SetVisible(MToolbar->Checked());
}

void TDbExplorerForm::MStatusBarClick(TObject*) {
  MStatusBar->SetChecked(!MStatusBar->Checked());
  StatusBar->SetVisible(MStatusBar->Checked());
}

void TDbExplorerForm::MViewSystemDataClick(TObject*) {
  MViewSystemData->SetChecked(!MViewSystemData->Checked());
  if (root_) root_->SetShowSystemData(MViewSystemData->Checked());
  UpdatePages();
}

void TDbExplorerForm::MViewEditTextClick(TObject*) {
  bool show = !MViewEditText->Checked();
  MViewEditText->SetChecked(show);
  EditsMemo->SetVisible(show);
  EditsSplitter->SetVisible(show);
  // The memo sits under the splitter.
  if (show) EditsSplitter->SetTop(EditsMemo->Top() - EditsSplitter->Height());
  if (show && shown_ && InfoPages->ActivePage() == TabText) EditsMemo->SetText(shown_->GetText(2));
}

void TDbExplorerForm::MViewCompleteTextClick(TObject*) {
  MViewCompleteText->SetChecked(!MViewCompleteText->Checked());
  if (InfoPages->ActivePage() == TabText) ShowPage(TabText);
}

void TDbExplorerForm::MAutoArrangeClick(TObject*) {
  bool arrange = !MAutoArrange->Checked();
  MAutoArrange->SetChecked(arrange);
  PMAutoArrange->SetChecked(arrange);
  SummaryView->IconOptions()->SetAutoArrange(arrange);
}

void TDbExplorerForm::MWordWrapClick(TObject*) {
  MWordWrap->SetChecked(!MWordWrap->Checked());
  ApplyWordWrap(MWordWrap->Checked());
}

// Show Confirmations, Show Warnings and Sync Pages are read where they count.
void TDbExplorerForm::OptionClick(TObject* Sender) {
  if (auto* item = dynamic_cast<TMenuItem*>(Sender)) item->SetChecked(!item->Checked());
}

void TDbExplorerForm::ViewStyleClick(TObject* Sender) {
  if (auto* item = dynamic_cast<TMenuItem*>(Sender)) ApplyViewStyle(static_cast<int>(item->Tag()));
}

void TDbExplorerForm::SBShowAllAttrsClick(TObject*) {
  SetRawAttributes(SBShowAllAttrs->Down());
  UpdatePages();
}

// ---------------------------------------------------------------- drag and drop

TExploreObject* TDbExplorerForm::ObjectAt(TObject* control, int X, int Y) const {
  if (auto* tree = dynamic_cast<TTreeView*>(control)) return ObjectOf(tree->GetNodeAt(X, Y));
  if (control == SummaryView) return ObjectOf(SummaryView->GetItemAt(X, Y));
  return nullptr;
}

void TDbExplorerForm::ObjectStartDrag(TObject* Sender, TDragObject*& DragObject) {
  auto* control = dynamic_cast<TControl*>(Sender);
  TExploreObject* object = nullptr;
  if (auto* tree = dynamic_cast<TTreeView*>(Sender)) object = ObjectOf(tree->Selected());
  else if (Sender == SummaryView) object = ObjectOf(SummaryView->Selected());
  drag_.reset();
  if (!control || !object || object->EditState() != esBrowse || !ObjectDragAllowed(object)) {
    // Nothing to carry: the drag ends at once.
    if (control) control->EndDrag(false);
    return;
  }
  drag_ = std::make_unique<TDbXDataDragObject>(control, object);
  DragObject = drag_.get();
}

void TDbExplorerForm::ObjectDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState, bool& Accept) {
  Accept = false;
  if (!drag_ || (Source != drag_.get() && Source != drag_->Control())) return;
  TExploreObject* target = ObjectAt(Sender, X, Y);
  Accept = target && target->AllowedChildKinds(drag_->Object()) != 0;
}

void TDbExplorerForm::ObjectDragDrop(TObject* Sender, TObject* Source, int X, int Y) {
  if (!drag_ || (Source != drag_.get() && Source != drag_->Control())) return;
  if (auto* tree = dynamic_cast<TTreeView*>(Sender)) tree->SetDropTarget(nullptr);
  else if (Sender == SummaryView) SummaryView->SetDropTarget(nullptr);
  TExploreObject* target = ObjectAt(Sender, X, Y);
  TExploreObject* dragged = drag_->Object();
  if (!target) return;
  TUpdateScope update(*this);
  int kind = 0;
  int code = dragged->GetKind();
  TExploreObject* parent = dragged->Parent();
  if ((code == okColumn || code == okColumnReference) && parent && (parent == target || parent == target->Parent()) &&
      (target->AllowedChildKinds(dragged) & 2) != 0)
    kind = 1;
  TExploreObject* child = target->CreateChild(dragged, kind);
  if (!child) return;
  std::string name = dragged->Name();
  NameAndSelect(child, &name, true);
  if (drag_->Control() == SummaryView) SummaryView->SetSelected(nullptr);
}

void TDbExplorerForm::ObjectEndDrag(TObject*, TObject*, int, int) { drag_.reset(); }

}  // namespace dbx
