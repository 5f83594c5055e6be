#include "Dbexplfm.h"

#include <algorithm>

#include "DbSchema.h"
#include "Dialogs.h"
#include "Files.h"
#include "Format.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"
#include "DbXSettings.h"

using namespace fw;

namespace dbx {

// ---------------------------------------------------------------- TDbXForm

FW_IMPLEMENT_CLASS(TDbXForm)

void TDbXForm::SetForm(TDbExplorerForm* window) {
  if (TDbExplorerForm* old = form_) {
    form_ = nullptr;
    old->SetDbXRoot(nullptr);
  }
  if (window) window->SetDbXRoot(this);
}

void TDbXForm::BeforeDestroy() {
  // The window goes first: it unbinds itself, saving its settings, while
  // the tree it shows is still whole.
  if (TDbExplorerForm* window = form_) delete window;
  TDbXRoot::BeforeDestroy();
}

// ---------------------------------------------------------------- schema questions

namespace {

std::unique_ptr<TSchemaQuestions>& InstalledQuestions() {
  static std::unique_ptr<TSchemaQuestions> questions;
  return questions;
}

TExploreObject* ObjectOf(const TTreeNode* node) { return node ? static_cast<TExploreObject*>(node->Data()) : nullptr; }

TExploreObject* ObjectOf(const TListItem* item) { return item ? static_cast<TExploreObject*>(item->Data()) : nullptr; }

bool Declares(const TExploreObject* object, std::uint16_t operation) {
  return (object->DeclaredOperations() & operation) != 0;
}

// The part of a class name after its leading letter, as resource names take it.
std::string ImageName(TClass cls) { return UpperCase(cls->Name.substr(1)); }

// The Definition page's designed help context, for objects without their own.
constexpr int kDefinitionHelp = 1020;

}  // namespace

bool TSchemaQuestions::IsSchemaObject(TExploreObject* object) { return dynamic_cast<TEObject*>(object) != nullptr; }

bool TSchemaQuestions::IsObjectSet(TExploreObject* object) { return dynamic_cast<TEObjectSet*>(object) != nullptr; }

int TSchemaQuestions::ReferenceKind(TExploreObject* set) {
  auto* objects = dynamic_cast<TEObjectSet*>(set);
  return objects ? objects->Ref()->Kind() : 0;
}

TEPropertyDefs* TSchemaQuestions::ObjectDefinitions(TExploreObject* set) {
  auto* objects = dynamic_cast<TEObjectSet*>(set);
  return objects ? objects->Definition() : nullptr;
}

std::unique_ptr<TSchemaQuestions> SetSchemaQuestions(std::unique_ptr<TSchemaQuestions> questions) {
  std::swap(InstalledQuestions(), questions);
  return questions;
}

TSchemaQuestions& SchemaQuestions() {
  static TSchemaQuestions none;
  return InstalledQuestions() ? *InstalledQuestions() : none;
}

int StateImageIndex(int editState, int validity) {
  static constexpr int kInvalid[] = {-1, 1, 1, 2, 3};
  static constexpr int kValid[] = {-1, 4, 4, 5, 6};
  if (editState < 0 || editState > esDeleted) return -1;
  return validity != vaValid ? kInvalid[editState] : kValid[editState];
}

// ---------------------------------------------------------------- TDbExplorerForm

FW_PUBLISH(TDbExplorerForm) {
  c.Field("MainMenu", &TDbExplorerForm::MainMenu);
  c.Field("MObject", &TDbExplorerForm::MObject);
  c.Field("MOpen", &TDbExplorerForm::MOpen);
  c.Field("MClose", &TDbExplorerForm::MClose);
  c.Field("MNew", &TDbExplorerForm::MNew);
  c.Field("MDelete", &TDbExplorerForm::MDelete);
  c.Field("MRename", &TDbExplorerForm::MRename);
  c.Field("MApply", &TDbExplorerForm::MApply);
  c.Field("MCancel", &TDbExplorerForm::MCancel);
  c.Field("MSaveAs", &TDbExplorerForm::MSaveAs);
  c.Field("MActions", &TDbExplorerForm::MActions);
  c.Field("MExitBreak", &TDbExplorerForm::MExitBreak);
  c.Field("MExit", &TDbExplorerForm::MExit);
  c.Field("MEdit", &TDbExplorerForm::MEdit);
  c.Field("MUndo", &TDbExplorerForm::MUndo);
  c.Field("MCut", &TDbExplorerForm::MCut);
  c.Field("MCopy", &TDbExplorerForm::MCopy);
  c.Field("MPaste", &TDbExplorerForm::MPaste);
  c.Field("MEditDelete", &TDbExplorerForm::MEditDelete);
  c.Field("MSelectAll", &TDbExplorerForm::MSelectAll);
  c.Field("NTextBreak", &TDbExplorerForm::NTextBreak);
  c.Field("MText", &TDbExplorerForm::MText);
  c.Field("MView", &TDbExplorerForm::MView);
  c.Field("MToolbar", &TDbExplorerForm::MToolbar);
  c.Field("MStatusBar", &TDbExplorerForm::MStatusBar);
  c.Field("MViewBlobs", &TDbExplorerForm::MViewBlobs);
  c.Field("MViewSystemData", &TDbExplorerForm::MViewSystemData);
  c.Field("MViewCompleteText", &TDbExplorerForm::MViewCompleteText);
  c.Field("MViewEditText", &TDbExplorerForm::MViewEditText);
  c.Field("MFont", &TDbExplorerForm::MFont);
  c.Field("N9", &TDbExplorerForm::N9);
  c.Field("MLargeIcons", &TDbExplorerForm::MLargeIcons);
  c.Field("MSmallIcons", &TDbExplorerForm::MSmallIcons);
  c.Field("MList", &TDbExplorerForm::MList);
  c.Field("MDetail", &TDbExplorerForm::MDetail);
  c.Field("N8", &TDbExplorerForm::N8);
  c.Field("MAutoArrange", &TDbExplorerForm::MAutoArrange);
  c.Field("MPrevious", &TDbExplorerForm::MPrevious);
  c.Field("MRefresh", &TDbExplorerForm::MRefresh);
  c.Field("MRefreshAll", &TDbExplorerForm::MRefreshAll);
  c.Field("MSwitchView", &TDbExplorerForm::MSwitchView);
  c.Field("MOptions", &TDbExplorerForm::MOptions);
  c.Field("MQuery", &TDbExplorerForm::MQuery);
  c.Field("MIsolation", &TDbExplorerForm::MIsolation);
  c.Field("MDirtyRead", &TDbExplorerForm::MDirtyRead);
  c.Field("MCommittedRead", &TDbExplorerForm::MCommittedRead);
  c.Field("MRepeatableRead", &TDbExplorerForm::MRepeatableRead);
  c.Field("MWordWrap", &TDbExplorerForm::MWordWrap);
  c.Field("MShowConfirms", &TDbExplorerForm::MShowConfirms);
  c.Field("MShowWarnings", &TDbExplorerForm::MShowWarnings);
  c.Field("MSyncPages", &TDbExplorerForm::MSyncPages);
  c.Field("MDictionary", &TDbExplorerForm::MDictionary);
  c.Field("MDRImportDb", &TDbExplorerForm::MDRImportDb);
  c.Field("MHelp", &TDbExplorerForm::MHelp);
  c.Field("MContents", &TDbExplorerForm::MContents);
  c.Field("MAbout", &TDbExplorerForm::MAbout);
  c.Field("BasePopupMenu", &TDbExplorerForm::BasePopupMenu);
  c.Field("PMView", &TDbExplorerForm::PMView);
  c.Field("PMLargeIcons", &TDbExplorerForm::PMLargeIcons);
  c.Field("PMSmallIcons", &TDbExplorerForm::PMSmallIcons);
  c.Field("PMList", &TDbExplorerForm::PMList);
  c.Field("PMDetail", &TDbExplorerForm::PMDetail);
  c.Field("PMAutoArrange", &TDbExplorerForm::PMAutoArrange);
  c.Field("PMViewBreak", &TDbExplorerForm::PMViewBreak);
  c.Field("PMOpen", &TDbExplorerForm::PMOpen);
  c.Field("PMClose", &TDbExplorerForm::PMClose);
  c.Field("PMRefresh", &TDbExplorerForm::PMRefresh);
  c.Field("PMNew", &TDbExplorerForm::PMNew);
  c.Field("PMDelete", &TDbExplorerForm::PMDelete);
  c.Field("PMRename", &TDbExplorerForm::PMRename);
  c.Field("PMApply", &TDbExplorerForm::PMApply);
  c.Field("PMCancel", &TDbExplorerForm::PMCancel);
  c.Field("PMSaveAs", &TDbExplorerForm::PMSaveAs);
  c.Field("PMSaveText", &TDbExplorerForm::PMSaveText);
  c.Field("PMHotKey", &TDbExplorerForm::PMHotKey);
  c.Field("PMRenameKey", &TDbExplorerForm::PMRenameKey);
  c.Field("PMActions", &TDbExplorerForm::PMActions);
  c.Field("SpeedBar", &TDbExplorerForm::SpeedBar);
  c.Field("SBOpen", &TDbExplorerForm::SBOpen);
  c.Field("SBDelete", &TDbExplorerForm::SBDelete);
  c.Field("SBCancel", &TDbExplorerForm::SBCancel);
  c.Field("SBSave", &TDbExplorerForm::SBSave);
  c.Field("SBViewBlobs", &TDbExplorerForm::SBViewBlobs);
  c.Field("SBShowAllAttrs", &TDbExplorerForm::SBShowAllAttrs);
  c.Field("DbDataPanel", &TDbExplorerForm::DbDataPanel);
  c.Field("SBTransaction", &TDbExplorerForm::SBTransaction);
  c.Field("SBRollbackTransaction", &TDbExplorerForm::SBRollbackTransaction);
  c.Field("TreePanel", &TDbExplorerForm::TreePanel);
  c.Field("TreeInfoPanel", &TDbExplorerForm::TreeInfoPanel);
  c.Field("TreeInfoLine", &TDbExplorerForm::TreeInfoLine);
  c.Field("Trees", &TDbExplorerForm::Trees);
  c.Field("MainSplitter", &TDbExplorerForm::MainSplitter);
  c.Field("InfoPanel", &TDbExplorerForm::InfoPanel);
  c.Field("DataInfoPanel", &TDbExplorerForm::DataInfoPanel);
  c.Field("DataInfoLine", &TDbExplorerForm::DataInfoLine);
  c.Field("InfoPages", &TDbExplorerForm::InfoPages);
  c.Field("TabDefinition", &TDbExplorerForm::TabDefinition);
  c.Field("TabSummary", &TDbExplorerForm::TabSummary);
  c.Field("SummaryView", &TDbExplorerForm::SummaryView);
  c.Field("TabText", &TDbExplorerForm::TabText);
  c.Field("DefinitionMemo", &TDbExplorerForm::DefinitionMemo);
  c.Field("EditsSplitter", &TDbExplorerForm::EditsSplitter);
  c.Field("EditsMemo", &TDbExplorerForm::EditsMemo);
  c.Field("TabData", &TDbExplorerForm::TabData);
  c.Field("TabSQL", &TDbExplorerForm::TabSQL);
  c.Field("QueryPanel", &TDbExplorerForm::QueryPanel);
  c.Field("QueryMemo", &TDbExplorerForm::QueryMemo);
  c.Field("SBQExecQuery", &TDbExplorerForm::SBQExecQuery);
  c.Field("SBQPrevQuery", &TDbExplorerForm::SBQPrevQuery);
  c.Field("SBQNextQuery", &TDbExplorerForm::SBQNextQuery);
  c.Field("QuerySplitter", &TDbExplorerForm::QuerySplitter);
  c.Field("StatusBar", &TDbExplorerForm::StatusBar);
  c.Field("SmallImages", &TDbExplorerForm::SmallImages);
  c.Field("LargeImages", &TDbExplorerForm::LargeImages);
  c.Field("EOStateImages", &TDbExplorerForm::EOStateImages);
  c.Field("SaveQueryDialog", &TDbExplorerForm::SaveQueryDialog);

  c.Property("DbXRoot", &TDbExplorerForm::DbXRoot, &TDbExplorerForm::SetDbXRoot);
  c.Property("ActiveObject", &TDbExplorerForm::ActiveObject, &TDbExplorerForm::SetActiveObject);
  c.Property("CurrentTree", &TDbExplorerForm::CurrentTree);

  c.Method("FormCreate", &TDbExplorerForm::FormCreate);
  c.Method("FormShow", &TDbExplorerForm::FormShow);
  c.Method("FormCloseQuery", &TDbExplorerForm::FormCloseQuery);
  c.Method("FormClose", &TDbExplorerForm::FormClose);
  c.Method("FormDestroy", &TDbExplorerForm::FormDestroy);
  c.Method("TreesChange", &TDbExplorerForm::TreesChange);
  c.Method("InfoPagesChange", &TDbExplorerForm::InfoPagesChange);
  c.Method("TabDefinitionShow", &TDbExplorerForm::TabDefinitionShow);
  c.Method("TabSummaryShow", &TDbExplorerForm::TabSummaryShow);
  c.Method("TabTextShow", &TDbExplorerForm::TabTextShow);
  c.Method("TabDataShow", &TDbExplorerForm::TabDataShow);
  c.Method("TabSQLShow", &TDbExplorerForm::TabSQLShow);
  c.Method("DefinitionMemoChange", &TDbExplorerForm::DefinitionMemoChange);
  c.Method("DefinitionMemoExit", &TDbExplorerForm::DefinitionMemoExit);
  c.Method("SummaryViewEnter", &TDbExplorerForm::SummaryViewEnter);
  c.Method("SummaryViewExit", &TDbExplorerForm::SummaryViewExit);
  c.Method("SummaryViewChange", &TDbExplorerForm::SummaryViewChange);
  c.Method("SummaryViewDblClick", &TDbExplorerForm::SummaryViewDblClick);
  c.Method("SummaryViewEditing", &TDbExplorerForm::SummaryViewEditing);
  c.Method("MExitClick", &TDbExplorerForm::MExitClick);
  c.Method("MUndoClick", &TDbExplorerForm::MUndoClick);
  c.Method("MCutClick", &TDbExplorerForm::MCutClick);
  c.Method("MCopyClick", &TDbExplorerForm::MCopyClick);
  c.Method("MPasteClick", &TDbExplorerForm::MPasteClick);
  c.Method("MEditDeleteClick", &TDbExplorerForm::MEditDeleteClick);
  c.Method("MSelectAllClick", &TDbExplorerForm::MSelectAllClick);
  c.Method("MObjectClick", &TDbExplorerForm::MObjectClick);
  c.Method("BasePopupMenuPopup", &TDbExplorerForm::BasePopupMenuPopup);
  c.Method("MEditClick", &TDbExplorerForm::MEditClick);
  c.Method("MViewClick", &TDbExplorerForm::MViewClick);
  c.Method("PMOpenCloseClick", &TDbExplorerForm::PMOpenCloseClick);
  c.Method("PMRefreshClick", &TDbExplorerForm::PMRefreshClick);
  c.Method("MRefreshAllClick", &TDbExplorerForm::MRefreshAllClick);
  c.Method("MPreviousClick", &TDbExplorerForm::MPreviousClick);
  c.Method("MSwitchViewClick", &TDbExplorerForm::MSwitchViewClick);
  c.Method("PMNewClick", &TDbExplorerForm::PMNewClick);
  c.Method("PMDeleteClick", &TDbExplorerForm::PMDeleteClick);
  c.Method("PMRenameClick", &TDbExplorerForm::PMRenameClick);
  c.Method("PMSaveClick", &TDbExplorerForm::PMSaveClick);
  c.Method("PMCancelClick", &TDbExplorerForm::PMCancelClick);
  c.Method("PMSaveAsClick", &TDbExplorerForm::PMSaveAsClick);
  c.Method("PMSaveTextClick", &TDbExplorerForm::PMSaveTextClick);
  c.Method("MTextClick", &TDbExplorerForm::MTextClick);
  c.Method("MContentsClick", &TDbExplorerForm::MContentsClick);
  c.Method("MAboutClick", &TDbExplorerForm::MAboutClick);
  c.Method("MFontClick", &TDbExplorerForm::MFontClick);
  c.Method("MDRImportDbClick", &TDbExplorerForm::MDRImportDbClick);
  c.Method("MHotKeyClick", &TDbExplorerForm::MHotKeyClick);
  c.Method("MToolbarClick", &TDbExplorerForm::MToolbarClick);
  c.Method("MStatusBarClick", &TDbExplorerForm::MStatusBarClick);
  c.Method("MViewSystemDataClick", &TDbExplorerForm::MViewSystemDataClick);
  c.Method("MViewEditTextClick", &TDbExplorerForm::MViewEditTextClick);
  c.Method("MViewCompleteTextClick", &TDbExplorerForm::MViewCompleteTextClick);
  c.Method("MAutoArrangeClick", &TDbExplorerForm::MAutoArrangeClick);
  c.Method("MWordWrapClick", &TDbExplorerForm::MWordWrapClick);
  c.Method("OptionClick", &TDbExplorerForm::OptionClick);
  c.Method("ViewStyleClick", &TDbExplorerForm::ViewStyleClick);
  c.Method("SBShowAllAttrsClick", &TDbExplorerForm::SBShowAllAttrsClick);
  c.Method("TreeEditing", &TDbExplorerForm::TreeEditing);
  c.Method("TreeEdited", &TDbExplorerForm::TreeEdited);
  c.Method("SummaryViewEdited", &TDbExplorerForm::SummaryViewEdited);
  c.Method("ObjectStartDrag", &TDbExplorerForm::ObjectStartDrag);
  c.Method("ObjectDragOver", &TDbExplorerForm::ObjectDragOver);
  c.Method("ObjectDragDrop", &TDbExplorerForm::ObjectDragDrop);
  c.Method("ObjectEndDrag", &TDbExplorerForm::ObjectEndDrag);
}

TDbExplorerForm::TDbExplorerForm(TComponent* AOwner) : TForm(AOwner) {}

TDbExplorerForm::~TDbExplorerForm() = default;

void TDbExplorerForm::BeforeDestruction() {
  // The trees and the settings go while the controls they live on are whole.
  if (root_) SetDbXRoot(nullptr);
  TForm::BeforeDestruction();
}

// ---- creation, showing, closing

TDbXSwitches ReadDbXSwitches(const std::vector<std::string>& Args) {
  TDbXSwitches switches;
  for (const std::string& arg : Args) {
    if (arg.empty() || (arg[0] != '-' && arg[0] != '/')) continue;
    std::string_view name = std::string_view(arg).substr(1);
    if (SameText(name, "EnableEdits")) switches.EnableEdits = true;
    else if (SameText(name, "DbX")) switches.DbX = true;
  }
  return switches;
}

void TDbExplorerForm::FormCreate(TObject*) {
  propList_ = new TPropExplBox(this);
  propList_->SetName("PropList");
  propList_->SetAlign(alClient);
  propList_->SetParent(TabDefinition);
  propList_->OnSelect = [this](TEProperty* property) { ShowStatus(property ? property->GetDescription() : ""); };
  // Image 0 of both lists marks open objects, drawn over their icons.
  for (TImageList* list : {SmallImages, LargeImages})
    if (list->ResourceLoad("DBX_ACTIVE", clOlive)) list->Overlay(0, 0);
  std::vector<std::string> args;
  for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
  TDbXSwitches switches = ReadDbXSwitches(args);
  if (switches.EnableEdits) SetEnableEdits(true);
  if (switches.DbX) {
    SBShowAllAttrs->SetVisible(true);
    MRefreshAll->SetVisible(true);
  }
  std::string name = GetMDManager().ReadString("Version", "DbXName");
  if (!name.empty()) SetCaption(UnquoteDouble(name));
}

void TDbExplorerForm::FormShow(TObject*) {
  // The window shows once this handler is done: its pages may be filled now.
  TRestoreScope showing(inShow_, true);
  TUpdateScope update(*this);
  TTreeView* tree = CurrentTree();
  if (!tree || !tree->Items()->GetFirstNode()) return;
  FocusTree(tree);
  TTreeNode* top = tree->Items()->GetFirstNode();
  TExploreObject* object = ObjectOf(top);
  if (!(Declares(object, opOpen) && !object->IsActive())) top->Expand(false);
}

void TDbExplorerForm::FormCloseQuery(TObject*, bool& CanClose) {
  SetActiveObject(nullptr);
  // Released on every way out: a lock left behind would stop every later refresh.
  TUpdateScope update(*this);
  if (!root_ || root_->EditState() == esBrowse) {
    CanClose = true;
    return;
  }
  int answer = MessageDlg(Format("Save all edits to %s?", {Caption()}), mtWarning, mbYesNoCancel, 0);
  if (answer != mrYes && answer != mrNo) {
    CanClose = false;
    return;
  }
  try {
    RunWithHourglass([answer](TExploreObject* root) { answer == mrYes ? root->Apply() : root->Cancel(); }, root_);
    CanClose = true;
  } catch (...) {
    // The edits are still there: the window stays, with the error shown.
    CanClose = false;
    Application->HandleException(this);
  }
}

void TDbExplorerForm::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

void TDbExplorerForm::FormDestroy(TObject*) {
  queryHistory_.clear();
  if (SummaryView) SummaryView->OnChange = nullptr;
  SetDbXRoot(nullptr);
  imageClasses_.clear();
}

// ---- binding

// A window that is not active yet gives the tree the focus once it is. A
// tree that gets the focus without a selection selects its first node, as a
// tree view does.
void TDbExplorerForm::FocusTree(TTreeView* tree) {
  if (!tree || !tree->CanFocus()) return;
  if (Active()) tree->SetFocus();
  else SetActiveControl(tree);
  if (!tree->Selected() && tree->Items()->GetFirstNode()) tree->SetSelected(tree->Items()->GetFirstNode());
}

TTreeView* TDbExplorerForm::CurrentTree() const {
  if (!Trees) return nullptr;
  int index = Trees->TabIndex();
  if (index < 0 || index >= Trees->Tabs()->Count()) return nullptr;
  return static_cast<TTreeView*>(Trees->Tabs()->Objects(index));
}

TTreeView* TDbExplorerForm::CreateTree(TExploreObject* top, TWinControl* parent) {
  auto* tree = new TTreeView(this);
  tree->SetName("Tree_" + top->GetTypeName());
  tree->SetTag(reinterpret_cast<std::intptr_t>(top));
  tree->SetAlign(alClient);
  tree->SetDragMode(dmAutomatic);
  tree->SetHideSelection(false);
  tree->SetRightClickSelect(true);
  tree->SetImages(SmallImages);
  tree->SetStateImages(EOStateImages);
  tree->OnChange = [this](TObject* s, TTreeNode* n) { TreeChange(s, n); };
  tree->OnExpanding = [this](TObject* s, TTreeNode* n, bool& allow) { TreeExpanding(s, n, allow); };
  tree->OnDblClick = [this](TObject* s) { TreeDblClick(s); };
  tree->OnEditing = [this](TObject* s, TTreeNode* n, bool& allow) { TreeEditing(s, n, allow); };
  tree->OnEdited = [this](TObject* s, TTreeNode* n, std::string& text) { TreeEdited(s, n, text); };
  tree->OnStartDrag = [this](TObject* s, TDragObject*& d) { ObjectStartDrag(s, d); };
  tree->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState st, bool& accept) {
    ObjectDragOver(s, src, x, y, st, accept);
  };
  tree->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) { ObjectDragDrop(s, src, x, y); };
  tree->OnEndDrag = [this](TObject* s, TObject* t, int x, int y) { ObjectEndDrag(s, t, x, y); };
  tree->SetParent(parent);
  return tree;
}

void TDbExplorerForm::SetDbXRoot(TDbXRoot* root) {
  if (root == root_) return;
  if (root_) {
    try {
      SaveSettings();
    } catch (...) {
      Application->HandleException(this);
    }
    for (int i = 0; i < Trees->Tabs()->Count(); ++i) {
      auto* tree = static_cast<TTreeView*>(Trees->Tabs()->Objects(i));
      for (TTreeNode* node = tree->Items()->GetFirstNode(); node; node = node->getNextSibling())
        DetachNodes(node, true);
      tree->OnChange = nullptr;
      tree->OnExpanding = nullptr;
      delete tree;
    }
    Trees->Tabs()->Clear();
    if (propList_) propList_->Clear();
    SummaryView->Items()->Clear();
    if (auto* bound = dynamic_cast<TDbXForm*>(root_); bound && bound->form_ == this) bound->form_ = nullptr;
    root_ = nullptr;
    shown_ = previous_ = nullptr;
    shownClass_ = nullptr;
  }
  if (!root) return;
  root_ = root;
  if (auto* bound = dynamic_cast<TDbXForm*>(root); bound && bound->form_ != this) {
    if (TDbExplorerForm* other = bound->form_) other->SetDbXRoot(nullptr);
    bound->form_ = this;
  }
  root->SetEditsEnabled(enableEdits_);
  TExploreList& tops = root->Children();
  int count = tops.GetCount();
  TWinControl* parent = count == 1 ? static_cast<TWinControl*>(TreePanel) : static_cast<TWinControl*>(Trees);
  for (int i = 0; i < count; ++i) {
    TExploreObject* top = tops.GetItem(i);
    TTreeView* tree = CreateTree(top, parent);
    Trees->Tabs()->AddObject(top->Name(), tree);
    TUpdateScope nodes(*tree->Items());
    AddObjectNode(tree, top);
  }
  Trees->SetVisible(count > 1);
  Trees->SetTabIndex(count > 0 ? 0 : -1);
  treeTabIndex_ = Trees->TabIndex();
  LoadSettings();
}

// ---- nodes

int TDbExplorerForm::ImageIndexOf(TClass cls) {
  for (TClass c = cls; c; c = c->Parent) {
    auto it = std::find(imageClasses_.begin(), imageClasses_.end(), c);
    if (it != imageClasses_.end()) return static_cast<int>(it - imageClasses_.begin());
    if (LoadClassImages(c)) {
      imageClasses_.push_back(c);
      return static_cast<int>(imageClasses_.size()) - 1;
    }
    if (c == TExploreObject::StaticClass()) break;
  }
  return -1;
}

bool TDbExplorerForm::LoadClassImages(TClass cls) {
  std::string name = ImageName(cls);
  if (!SmallImages->ResourceLoad("DBX_" + name, clOlive)) return false;
  if (!LargeImages->ResourceLoad("L_" + name, clOlive)) {
    TBitmap small;
    small.LoadFromResourceName("DBX_" + name);
    LargeImages->AddMasked(&small, clOlive);
  }
  return true;
}

TTreeNode* TDbExplorerForm::AddObjectNode(TTreeView* tree, TExploreObject* object) {
  TExploreObject* parent = object->Parent();
  TTreeNode* parentNode = parent ? parent->TreeNode : nullptr;
  TTreeNode* node = tree->Items()->AddChildObject(parentNode, object->Name(), object);
  object->TreeNode = node;
  object->OnChange = [this](TExploreObject* sender, int event, const TExploreArg& arg) {
    ObjectNotify(sender, event, arg);
  };
  UpdatePlusSign(object);
  int icon = ImageIndexOf(object->ClassType());
  if (icon >= 0) {
    node->SetImageIndex(icon + 1);
    node->SetSelectedIndex(icon + 1);
  }
  UpdateNodeImages(object);
  TExploreList& children = object->Children();
  if (children.Loaded())
    for (int i = 0; i < children.Count(); ++i) AddObjectNode(tree, children.Item(i));
  return node;
}

void TDbExplorerForm::UpdatePlusSign(TExploreObject* object) {
  if (TTreeNode* node = object->TreeNode)
    node->SetHasChildren(object->Children().Count() > 0 || !object->Children().Loaded());
}

void TDbExplorerForm::UpdateNodeImages(TExploreObject* object, int editState, int validity) {
  int overlay = Declares(object, opOpen) && object->IsActive() ? 0 : -1;
  int state = StateImageIndex(editState < 0 ? object->EditState() : editState,
                              validity < 0 ? object->Validity() : validity);
  if (TTreeNode* node = object->TreeNode) {
    node->SetOverlayIndex(overlay);
    node->SetStateIndex(state);
  }
  if (TListItem* item = SummaryItemOf(object)) {
    item->SetOverlayIndex(overlay);
    item->SetStateIndex(state);
  }
}

void TDbExplorerForm::MoveNodeIntoPlace(TExploreObject* object) {
  TTreeNode* node = object->TreeNode;
  TExploreObject* parent = object->Parent();
  if (!node || !parent) return;
  int index = parent->Children().IndexOf(object);
  if (index < 0) return;
  TTreeNode* parentNode = node->Parent();
  auto sibling = [&](int i) -> TTreeNode* {
    if (parentNode) return i < parentNode->Count() ? parentNode->Item(i) : nullptr;
    TTreeNode* s = node->TreeView()->Items()->GetFirstNode();
    while (s && i-- > 0) s = s->getNextSibling();
    return s;
  };
  int at = node->Index();
  if (at == index) return;
  // Taking the node out moves the ones after it up by one.
  if (at < index) ++index;
  if (TTreeNode* before = sibling(index)) node->MoveTo(before, naInsert);
  else node->MoveTo(parentNode, naAddChild);
}

void TDbExplorerForm::DetachNodes(TTreeNode* node, bool withOwn) {
  for (int i = 0; i < node->Count(); ++i) DetachNodes(node->Item(i), true);
  TExploreObject* object = ObjectOf(node);
  if (!object) return;
  if (TListItem* item = SummaryItemOf(object)) item->Delete();
  object->TreeNode = nullptr;
  // The object telling of its own end keeps its listener until it is done.
  if (withOwn) object->OnChange = nullptr;
  node->SetData(nullptr);
}

void TDbExplorerForm::RemoveNode(TExploreObject* object, bool sender) {
  TTreeNode* node = object->TreeNode;
  if (!node) return;
  DetachNodes(node, !sender);
  node->Delete();
}

TListItem* TDbExplorerForm::SummaryItemOf(TExploreObject* object) const {
  if (!SummaryView || SummaryView->Items()->Count() == 0) return nullptr;
  return SummaryView->FindData(0, object, true, false);
}

// ---- the active object

TExploreObject* TDbExplorerForm::GetActiveObject() const {
  if (summaryFocused_ && SummaryView->Selected()) return ObjectOf(SummaryView->Selected());
  TTreeView* tree = CurrentTree();
  return tree ? ObjectOf(tree->Selected()) : nullptr;
}

void TDbExplorerForm::SetActiveObject(TExploreObject* object) {
  TTreeView* tree = CurrentTree();
  if (object && tree && object->Parent() == ObjectOf(tree->Selected()) && InfoPages->ActivePage() == TabSummary) {
    if (TListItem* item = SummaryItemOf(object)) {
      SummaryView->SetSelected(item);
      return;
    }
  }
  if (!object) {
    if (tree) tree->SetSelected(nullptr);
    return;
  }
  if (TTreeNode* node = object->TreeNode) node->TreeView()->SetSelected(node);
}

// ---- notifications

void TDbExplorerForm::PageRefresh(bool clear) {
  if (clear && propList_) propList_->Clear();
  TTabSheet* page = InfoPages->ActivePage();
  if ((page == TabDefinition || page == TabText) && updateLock_ > 0) UpdatePages();
}

void TDbExplorerForm::ForgetRemoved(TExploreObject* removed, bool childrenOnly) {
  auto gone = [&](TExploreObject* o) { return o && ((o == removed && !childrenOnly) || removed->IsAncestorOf(o)); };
  if (gone(shown_)) shown_ = nullptr;
  if (gone(previous_)) previous_ = nullptr;
}

void TDbExplorerForm::SummaryStep(TExploreObject* object, int event) {
  TTabSheet* page = InfoPages->ActivePage();
  if (summaryFocused_ && SummaryView->Selected()) {
    TTreeView* tree = CurrentTree();
    if ((tree && ObjectOf(tree->Selected()) == object) || (event == evDestroying && GetActiveObject() == object)) {
      SummaryView->SetSelected(nullptr);
      UpdatePages();
    }
    return;
  }
  if (object == GetActiveObject() && (page == TabSummary || page == TabText)) UpdatePages();
}

void TDbExplorerForm::ObjectNotify(TExploreObject* object, int event, const TExploreArg& arg) {
  bool shown = object == GetActiveObject();
  switch (event) {
    case evOperations:
      if (!shown) return;
      UpdateObjectButtons(object);
      if (!summaryFocused_) {
        TabData->SetTabVisible(object->GetKind() == okDataset && object->Enabled(opData));
        TabText->SetTabVisible(object->Enabled(opText));
      }
      return;
    case evProperties:
      if (shown) PageRefresh(arg.Number < 2);
      return;
    case evOpening:
      if (shown) PageRefresh(true);
      return;
    case evActive:
      UpdateNodeImages(object);
      if (!summaryFocused_ && shown) UpdatePages();
      return;
    case evEditState:
      // The object tells before it stores: the argument is the new state.
      UpdateNodeImages(object, arg.Number, -1);
      UpdatePlusSign(object);
      PageRefresh(false);
      return;
    case evValidity:
      UpdateNodeImages(object, -1, arg.Number);
      return;
    case evChildAdded: {
      TExploreObject* child = arg.Object;
      if (shown || (child && child == GetActiveObject())) PageRefresh(true);
      if (TTreeNode* node = object->TreeNode) {
        TTreeView* tree = static_cast<TTreeView*>(node->TreeView());
        if (child) {
          if (!child->TreeNode) AddObjectNode(tree, child);
          MoveNodeIntoPlace(child);
        } else {
          UpdatePlusSign(object);
          TExploreList& children = object->Children();
          for (int i = 0; i < children.Count(); ++i)
            if (!children.Item(i)->TreeNode) AddObjectNode(tree, children.Item(i));
        }
        UpdatePlusSign(object);
      }
      SummaryStep(object, event);
      return;
    }
    case evChildRemoved: {
      TExploreObject* child = arg.Object;
      if (shown || (child && child == GetActiveObject())) PageRefresh(true);
      if (child) {
        ForgetRemoved(child, false);
        RemoveNode(child, false);
      } else {
        ForgetRemoved(object, true);
        if (TTreeNode* node = object->TreeNode) {
          node->Collapse(false);
          for (int i = 0; i < node->Count(); ++i) DetachNodes(node->Item(i), true);
          node->DeleteChildren();
        }
      }
      UpdatePlusSign(object);
      SummaryStep(object, event);
      return;
    }
    case evName:
      if (TTreeNode* node = object->TreeNode) node->SetText(arg.Text);
      MoveNodeIntoPlace(object);
      if (TListItem* item = SummaryItemOf(object)) item->SetCaption(arg.Text);
      return;
    case evChildMoved:
      if (!arg.Object) return;
      MoveNodeIntoPlace(arg.Object);
      if (SummaryItemOf(arg.Object)) UpdatePages();
      return;
    case evChanged:
      if (TTreeNode* node = object->TreeNode) node->TreeView()->SetSelected(node);
      return;
    case evAskSave:
      QuerySaveChanges(object, arg.Number);
      return;
    case evDestroying:
      if (shown) PageRefresh(true);
      ForgetRemoved(object, false);
      RemoveNode(object, true);
      SummaryStep(object, event);
      return;
    default: RaiseDbXError(kInternalError, "Unknown event");
  }
}

// ---- the pages

void TDbExplorerForm::BeginUpdate() { ++updateLock_; }

void TDbExplorerForm::EndUpdate() {
  if (--updateLock_ == 0 && refreshPending_) UpdatePages();
}

void TDbExplorerForm::UpdateObjectButtons(TExploreObject* object) {
  auto on = [object](std::uint16_t operation) { return object && object->Enabled(operation); };
  SBOpen->SetEnabled(on(opOpen));
  SBOpen->SetDown(object && Declares(object, opOpen) && object->IsActive());
  SBSave->SetEnabled(on(opApply));
  SBCancel->SetEnabled(on(opCancel));
  SBDelete->SetEnabled(on(opDelete));
}

void TDbExplorerForm::UpdatePages() {
  if (updateLock_ > 0 || (summaryFocused_ && SummaryView->Selected()) || !(Showing() || inShow_)) {
    refreshPending_ = true;
    return;
  }
  TUpdateScope update(*this);
  TScopeFail hide([this] {
    // a refresh asked for meanwhile would only fail the same way again
    refreshPending_ = false;
    InfoPages->SetVisible(false);
  });
  TTreeView* tree = CurrentTree();
  FocusTree(tree);
  TExploreObject* object = tree ? ObjectOf(tree->Selected()) : nullptr;
  TTabSheet* kept = object && object->ClassType() == shownClass_ ? InfoPages->ActivePage() : nullptr;

  if (propList_ && propList_->Count() > 0) propList_->Clear();
  {
    TRestoreScope quiet(memoChanging_, true);
    DefinitionMemo->Clear();
  }
  ShowStatus("");
  DataInfoLine->SetCaption("");
  UpdateObjectButtons(object);

  TSchemaQuestions& schema = SchemaQuestions();
  TabDefinition->SetTabVisible(object && (object->Properties().GetCount() > 0 || schema.IsSchemaObject(object)));
  TabSummary->SetTabVisible(object && schema.IsObjectSet(object));
  TabText->SetTabVisible(object && object->Enabled(opText));
  TabData->SetTabVisible(object && object->GetKind() == okDataset && object->Enabled(opData));
  TabSQL->SetTabVisible(object && schema.OpenDatabase(object));

  shownClass_ = object ? object->ClassType() : nullptr;
  // Showing the same object again keeps the one before it as the previous.
  if (object != shown_) {
    previous_ = shown_;
    shown_ = object;
  }

  if (object) {
    tree->SetHelpContext(object->HelpContext);
    if (object->TreeNode) object->TreeNode->MakeVisible();
    auto* top = reinterpret_cast<TExploreObject*>(tree->Tag());
    std::string status = object == top ? std::string() : object->GetValidationText();
    if (status.empty() && (object->IsActive() || !Declares(object, opOpen))) {
      int count = object->Children().GetCount();
      if (schema.IsObjectSet(object))
        status = Format("%d %s in %s.", {count, object->Name(), object->Parent() ? object->Parent()->Name() : ""});
      else
        status = Format("%d %s in %s.", {count, "items", object->Name()});
    }
    ShowStatus(status);
  }

  if (!kept || !kept->TabVisible()) {
    kept = nullptr;
    for (int i = 0; i < InfoPages->PageCount() && !kept; ++i)
      if (InfoPages->Pages(i)->TabVisible()) kept = InfoPages->Pages(i);
  }
  ShowPage(kept);
  InfoPages->SetVisible(true);
  refreshPending_ = false;
}

void TDbExplorerForm::ShowPage(TTabSheet* page) {
  InfoPages->SetActivePage(page);
  if (!page) return;
  if (auto show = MethodAddress<void(TObject*)>(this, page->Name() + "Show")) show(page);
}

void TDbExplorerForm::InfoPagesChange(TObject*) { ShowPage(InfoPages->ActivePage()); }

void TDbExplorerForm::SetDataInfo(const std::string& format, const std::string& name) {
  DataInfoLine->SetCaption(Format(format, {name}));
}

void TDbExplorerForm::ShowStatus(const std::string& text) { StatusBar->SetSimpleText(text); }

void TDbExplorerForm::TabDefinitionShow(TObject*) {
  if (!shown_) return;
  SetDataInfo("Definition of %s", shown_->Name());
  TabDefinition->SetHelpContext(shown_->HelpContext ? shown_->HelpContext : kDefinitionHelp);
  FillInspector(shown_);
  if (propList_->Count() == 0 && TabText->TabVisible() && shown_->Enabled(opEditText)) ShowPage(TabText);
}

void TDbExplorerForm::TabSummaryShow(TObject*) {
  if (!shown_) return;
  SetDataInfo("Summary of %s", shown_->Name());
  if (summaryFocused_) SummaryView->SetSelected(nullptr);
  if (!shown_->Children().Loaded()) RunWithHourglass([](TExploreObject* o) { o->Children().Load(); }, shown_);
  FillSummary(shown_);
}

void TDbExplorerForm::TabTextShow(TObject*) {
  if (!shown_) return;
  bool complete = MViewCompleteText->Checked();
  SetDataInfo(complete ? "Complete text of %s" : "Text of %s", shown_->Name());
  if (MViewEditText->Checked()) EditsMemo->SetText(shown_->GetText(2));
  TRestoreScope quiet(memoChanging_, true);
  bool editable = !complete && shown_->Enabled(opEditText);
  DefinitionMemo->SetReadOnly(!editable);
  DefinitionMemo->Font()->SetColor(editable ? clBlack : clBtnShadow);
  DefinitionMemo->SetText(shown_->GetText(complete ? 1 : 0));
  DefinitionMemo->SetModified(false);
}

void TDbExplorerForm::TabDataShow(TObject*) {}

void TDbExplorerForm::TabSQLShow(TObject*) {}

void TDbExplorerForm::DefinitionMemoChange(TObject*) {
  if (memoChanging_ || !shown_ || shown_->EditState() != esBrowse) return;
  shown_->Edit();
  RunShowingError([](TExploreObject* o) { o->EndEdit(); }, shown_);
}

void TDbExplorerForm::DefinitionMemoExit(TObject*) {
  if (!shown_ || !DefinitionMemo->Modified()) return;
  TExploreObject* object = shown_;
  DefinitionMemo->SetModified(false);
  TScopeExit refill([this, object] {
    if (MViewEditText->Checked()) EditsMemo->SetText(object->GetText(2));
  });
  object->SetText(DefinitionMemo->Text());
}

std::vector<int> TDbExplorerForm::SelectPropertyDefs(int level, TEPropertyDefs& definitions) {
  std::vector<int> selected;
  int count = definitions.GetCount();
  for (int i = 0; i < count; ++i) {
    TEPropertyDef* d = definitions.GetItem(i);
    if (level > 0) {
      int l = d->GetLevel();
      if (l >= 1 && l <= level) selected.push_back(i);
    } else if (d->TypeCode() != ftBlob && d->TypeCode() != ftMemo && d->TypeCode() != ftMemo + 1) {
      selected.push_back(i);
    }
  }
  return selected;
}

void TDbExplorerForm::FillInspector(TExploreObject* object) {
  TUpdateScope update(*this);
  TEProperties& properties = object->Properties();
  std::vector<int> selected = SelectPropertyDefs(rawAttributes_ ? 0 : 2, properties);
  for (int i : selected) {
    TEProperty* p = properties.Property(i);
    if (!p->Attributes().Contains(paGetEditor) && !p->Attributes().Contains(paGetValue)) continue;
    try {
      p->GetText(1);
    } catch (const EDbXError&) {
      Application->HandleException(this);
    }
  }
  TPropItem* current = propList_->CurrentItem();
  std::string name = current ? current->Name() : std::string();
  propList_->Clear();
  for (int i : selected) propList_->AddItem(properties.Property(i), rawAttributes_);
  if (!name.empty())
    if (int row = propList_->IndexOfName(name); row >= 0) propList_->SetCurrentIndex(row);
}

void TDbExplorerForm::FillSummary(TExploreObject* set) {
  TSchemaQuestions& schema = SchemaQuestions();
  int kind = schema.ReferenceKind(set);
  TEPropertyDefs* definitions = kind == 4 || kind == 5 ? nullptr : schema.ObjectDefinitions(set);
  std::vector<int> selected = definitions ? SelectPropertyDefs(1, *definitions) : std::vector<int>{};

  TLVChangeEvent change = std::exchange(SummaryView->OnChange, nullptr);
  TScopeExit restoreChange([&] { SummaryView->OnChange = change; });
  TViewStyle style = SummaryView->ViewStyle();
  SummaryView->SetViewStyle(vsIcon);
  TScopeExit restoreStyle([&] { SummaryView->SetViewStyle(style); });

  std::vector<std::size_t> widths;
  for (int i : selected) widths.push_back(CharLength(definitions->GetItem(i)->GetCaption()));
  {
    TUpdateScope update(*SummaryView->Items());
    SummaryView->Items()->Clear();
    TExploreList& children = set->Children();
    for (int c = 0; c < children.GetCount(); ++c) {
      TExploreObject* child = children.GetItem(c);
      TListItem* item = SummaryView->Items()->Add();
      item->SetCaption(child->Name());
      item->SetData(child);
      if (TTreeNode* node = child->TreeNode) {
        item->SetImageIndex(node->ImageIndex());
        item->SetOverlayIndex(node->OverlayIndex());
        item->SetStateIndex(node->StateIndex());
      }
      for (std::size_t k = 0; k < selected.size(); ++k) {
        TEPropertyDef* d = definitions->GetItem(selected[k]);
        TEProperty* p = dynamic_cast<TEProperty*>(child->Properties().Find(d->Name()));
        std::string text = p ? PropertyDisplayText(*p) : std::string();
        widths[k] = std::max(widths[k], CharLength(text));
        item->SubItems()->Add(text);
      }
    }
  }
  TControlCanvas canvas;
  canvas.SetControl(SummaryView);
  canvas.SetFont(SummaryView->Font());
  int m = canvas.TextWidth("M");
  SummaryView->Columns()->Clear();
  TListColumn* name = SummaryView->Columns()->Add();
  name->SetCaption("Name");
  name->SetAlignment(taLeftJustify);
  name->SetAutoSize(true);
  for (std::size_t k = 0; k < selected.size(); ++k) {
    TListColumn* column = SummaryView->Columns()->Add();
    column->SetCaption(definitions->GetItem(selected[k])->GetCaption());
    column->SetWidth(15 + m * static_cast<int>(widths[k]));
  }
}

// ---- trees and the summary list

void TDbExplorerForm::SelectTreeTab(int index) {
  Trees->SetTabIndex(index);
  TreesChange(Trees);
}

void TDbExplorerForm::TreesChange(TObject*) {
  int index = Trees->TabIndex();
  for (int i = 0; i < Trees->Tabs()->Count(); ++i)
    static_cast<TTreeView*>(Trees->Tabs()->Objects(i))->SetTabStop(i == index);
  if (TTreeView* tree = CurrentTree()) {
    tree->BringToFront();
    TreeInfoLine->SetCaption(reinterpret_cast<TExploreObject*>(tree->Tag())->GetValidationText());
  }
  treeTabIndex_ = index;
  UpdatePages();
}

void TDbExplorerForm::TreeChange(TObject* Sender, TTreeNode*) {
  if (Sender == CurrentTree()) UpdatePages();
}

void TDbExplorerForm::TreeExpanding(TObject*, TTreeNode* Node, bool& AllowExpansion) {
  TExploreObject* object = ObjectOf(Node);
  if (!object) return;
  if (object->EditState() >= esDeleted) {
    MessageBeep(MB_ICONEXCLAMATION);
    AllowExpansion = false;
    return;
  }
  if (object->Properties().Loaded() && object->Children().Loaded()) return;
  try {
    RunWithHourglass([](TExploreObject* o) { o->Load(); }, object);
  } catch (...) {
    Application->HandleException(this);
  }
  if (object == shown_) UpdatePages();
}

void TDbExplorerForm::TreeDblClick(TObject*) {
  TTreeView* tree = CurrentTree();
  if (!tree || !shown_ || !root_) return;
  TTreeNode* before = tree->Selected();
  TExploreObject* found = root_->FindPath(shown_->GetPath());
  if (found && found->TreeNode) tree->SetSelected(found->TreeNode);
  if (tree->Selected() && tree->Selected() != before) tree->Selected()->Expand(false);
}

void TDbExplorerForm::SummaryViewEnter(TObject*) { summaryFocused_ = true; }

void TDbExplorerForm::SummaryViewExit(TObject*) { summaryFocused_ = false; }

void TDbExplorerForm::SummaryViewChange(TObject*, TListItem*, TItemChange Change) {
  if (Change == ctState && summaryFocused_) UpdateObjectButtons(GetActiveObject());
}

void TDbExplorerForm::SummaryViewDblClick(TObject*) {
  TExploreObject* object = ObjectOf(SummaryView->Selected());
  if (!object) return;
  SummaryView->SetSelected(nullptr);
  if (TTreeNode* node = object->TreeNode) node->TreeView()->SetSelected(node);
}

// ---- running operations

void TDbExplorerForm::RunWithHourglass(const std::function<void(TExploreObject*)>& operation, TExploreObject* object) {
  THourGlassScope hourglass;
  operation(object);
}

void TDbExplorerForm::RunUpdating(const std::function<void(TExploreObject*)>& operation, TExploreObject* object,
                                  bool pending) {
  TUpdateScope update(*this);
  if (pending) refreshPending_ = true;
  RunWithHourglass(operation, object);
}

void TDbExplorerForm::RunShowingError(const std::function<void(TExploreObject*)>& operation, TExploreObject* object) {
  try {
    operation(object);
  } catch (const EDbXError& e) {
    ShowStatus(e.Message());
  }
}

void TDbExplorerForm::SetTextCommand(TTextCommand command) {
  textCommand_ = std::move(command);
  bool installed = static_cast<bool>(textCommand_);
  MText->SetVisible(installed);
  NTextBreak->SetVisible(installed);
  MAbout->SetVisible(!installed);
}

// ---- the Edit menu and Exit

namespace {

void SendToFocused(unsigned message, WPARAM w = 0, LPARAM l = 0) {
  if (TWinControl* focused = FindControl(GetFocus())) focused->Perform(message, w, l);
}

}  // namespace

void TDbExplorerForm::MExitClick(TObject*) {
  Commit(false);
  Close();
}
void TDbExplorerForm::MUndoClick(TObject*) { SendToFocused(WM_UNDO); }
void TDbExplorerForm::MCutClick(TObject*) { SendToFocused(WM_CUT); }
void TDbExplorerForm::MCopyClick(TObject*) { SendToFocused(WM_COPY); }
void TDbExplorerForm::MPasteClick(TObject*) { SendToFocused(WM_PASTE); }
void TDbExplorerForm::MEditDeleteClick(TObject*) { SendToFocused(WM_CLEAR); }
void TDbExplorerForm::MSelectAllClick(TObject*) { SendToFocused(EM_SETSEL, 0, -1); }

// ---- settings

namespace {

// Reads and writes the window's keys in the section; without a store every
// key reads as its default.
class TSettings {
public:
  explicit TSettings(TRegIniFile* ini) : ini_(ini) {}
  int Int(const char* key, int def) { return ini_ ? ini_->ReadInteger(kSettingsSection, key, def) : def; }
  bool Bool(const char* key, bool def) { return ini_ ? ini_->ReadBool(kSettingsSection, key, def) : def; }
  std::string Str(const char* key, const std::string& def) {
    return ini_ ? ini_->ReadString(kSettingsSection, key, def) : def;
  }
  void Put(const char* key, int v) { ini_->WriteInteger(kSettingsSection, key, v); }
  void Put(const char* key, bool v) { ini_->WriteBool(kSettingsSection, key, v); }
  void Put(const char* key, const std::string& v) { ini_->WriteString(kSettingsSection, key, v); }

private:
  TRegIniFile* ini_;
};

}  // namespace

int TDbExplorerForm::ViewStyleIndex() const { return static_cast<int>(SummaryView->ViewStyle()); }

void TDbExplorerForm::ApplyViewStyle(int style) {
  style = std::clamp(style, 0, 3);
  SummaryView->SetViewStyle(static_cast<TViewStyle>(style));
  TMenuItem* items[][2] = {{MLargeIcons, PMLargeIcons}, {MSmallIcons, PMSmallIcons}, {MList, PMList}, {MDetail, PMDetail}};
  for (TMenuItem* item : items[style]) item->SetChecked(true);
}

void TDbExplorerForm::ApplyWordWrap(bool wrap) {
  for (TMemo* memo : {DefinitionMemo, EditsMemo, QueryMemo}) {
    memo->SetWordWrap(wrap);
    memo->SetScrollBars(wrap ? ssVertical : ssBoth);
  }
}

void TDbExplorerForm::ApplyMemoFont(const TFont& font) {
  for (TMemo* memo : {DefinitionMemo, EditsMemo, QueryMemo}) memo->SetFont(&font);
}

void TDbExplorerForm::LoadSettings() {
  TScopeExit loaded([this] { settingsLoaded_ = true; });
  std::unique_ptr<TRegIniFile> ini = CreateSettingsIniFile();
  TSettings s(ini.get());
  int left = s.Int("DbX.Left", Left()), top = s.Int("DbX.Top", Top());
  int width = s.Int("DbX.Width", Width()), height = s.Int("DbX.Height", Height());
  SetBounds(left, top, width, height);
  SetWindowState(static_cast<TWindowState>(std::clamp(s.Int("DbX.WindowState", WindowState()), 0, 2)));
  TreePanel->SetWidth(s.Int("DbX.MainSplit", TreePanel->Width()));
  QueryPanel->SetHeight(s.Int("DbX.QuerySplit", QueryPanel->Height()));
  EditsMemo->SetHeight(s.Int("DbX.EditsSplit", EditsMemo->Height()));
  propList_->SetMiddle(s.Int("DbX.PropertySplit", propList_->Middle()));
  bool toolbar = s.Bool("DbX.ToolBar", MToolbar->Checked());
  MToolbar->SetChecked(toolbar);
  SpeedBar->SetVisible(toolbar);
  bool statusBar = s.Bool("DbX.StatusBar", MStatusBar->Checked());
  MStatusBar->SetChecked(statusBar);
  StatusBar->SetVisible(statusBar);
  ApplyViewStyle(s.Int("DbX.ViewStyle", 3));
  bool arrange = s.Bool("DbX.AutoArrange", MAutoArrange->Checked());
  MAutoArrange->SetChecked(arrange);
  PMAutoArrange->SetChecked(arrange);
  SummaryView->IconOptions()->SetAutoArrange(arrange);
  TFont font;
  font.Assign(DefinitionMemo->Font());
  StringToFont(s.Str("DbX.TextFont", DefaultTextFont()), font);
  ApplyMemoFont(font);
  bool wrap = s.Bool("DbX.WordWrap", MWordWrap->Checked());
  MWordWrap->SetChecked(wrap);
  ApplyWordWrap(wrap);
  MShowConfirms->SetChecked(s.Bool("DbX.ShowConfirms", MShowConfirms->Checked()));
  MShowWarnings->SetChecked(s.Bool("DbX.ShowWarnings", MShowWarnings->Checked()));
  queryOptions_.RequestLive = s.Bool("DbX.Query.RequestLive", false);
  queryOptions_.LineDelimit = s.Str("DbX.Query.LineDelimit", "---");
  queryOptions_.StmtDelimit = DelimiterFromText(s.Str("DbX.Query.StmtDelimit", "#0"));
  queryOptions_.Escape = DelimiterFromText(s.Str("DbX.Query.Escape", "#0"));
  queryOptions_.EscapeQuote = s.Bool("DbX.Query.EscapeQuote", false);
  queryOptions_.Comments = CommentsFromText(s.Str("DbX.Query.Comments", "--;/*,*/"));
  viewingBlobs_ = s.Bool("DbX.ViewingBlobs", viewingBlobs_);
  bool systemData = s.Bool("DbX.ViewSystemData", MViewSystemData->Checked());
  MViewSystemData->SetChecked(systemData);
  if (root_) root_->SetShowSystemData(systemData);
  UpdatePages();
  bool editText = s.Bool("DbX.ViewEditText", MViewEditText->Checked());
  MViewEditText->SetChecked(editText);
  EditsMemo->SetVisible(editText);
  EditsSplitter->SetVisible(editText);
  MViewCompleteText->SetChecked(s.Bool("DbX.ViewCompleteText", MViewCompleteText->Checked()));
  TTreeView* tree = CurrentTree();
  std::string current = tree ? reinterpret_cast<TExploreObject*>(tree->Tag())->ClassName() : std::string();
  std::string viewRoot = s.Str("DbX.ViewRoot", current);
  int tab = 0;
  for (int i = Trees->Tabs()->Count() - 1; i >= 0; --i) {
    auto* t = static_cast<TTreeView*>(Trees->Tabs()->Objects(i));
    if (reinterpret_cast<TExploreObject*>(t->Tag())->ClassName() == viewRoot) {
      tab = i;
      break;
    }
  }
  if (Trees->Tabs()->Count() > 0) SelectTreeTab(tab);
  MSyncPages->SetChecked(s.Bool("DbX.KeepTreeSync", MSyncPages->Checked()));
}

void TDbExplorerForm::SaveSettings() {
  if (!settingsLoaded_) return;
  std::unique_ptr<TRegIniFile> ini = CreateSettingsIniFile();
  if (!ini) return;
  TSettings s(ini.get());
  s.Put("DbX.WindowState", static_cast<int>(WindowState()));
  if (WindowState() == wsNormal) {
    s.Put("DbX.Left", Left());
    s.Put("DbX.Top", Top());
    s.Put("DbX.Width", Width());
    s.Put("DbX.Height", Height());
  }
  s.Put("DbX.MainSplit", TreePanel->Width());
  s.Put("DbX.EditsSplit", EditsMemo->Height());
  s.Put("DbX.QuerySplit", QueryPanel->Height());
  s.Put("DbX.PropertySplit", propList_->Middle());
  s.Put("DbX.ToolBar", MToolbar->Checked());
  s.Put("DbX.StatusBar", MStatusBar->Checked());
  s.Put("DbX.ViewStyle", ViewStyleIndex());
  s.Put("DbX.AutoArrange", MAutoArrange->Checked());
  s.Put("DbX.TextFont", FontToString(*DefinitionMemo->Font()));
  s.Put("DbX.WordWrap", MWordWrap->Checked());
  s.Put("DbX.ShowConfirms", MShowConfirms->Checked());
  s.Put("DbX.ShowWarnings", MShowWarnings->Checked());
  s.Put("DbX.Query.RequestLive", queryOptions_.RequestLive);
  s.Put("DbX.Query.LineDelimit", queryOptions_.LineDelimit);
  s.Put("DbX.Query.StmtDelimit", DelimiterToText(queryOptions_.StmtDelimit));
  s.Put("DbX.Query.Escape", DelimiterToText(queryOptions_.Escape));
  s.Put("DbX.Query.EscapeQuote", queryOptions_.EscapeQuote);
  s.Put("DbX.Query.Comments", CommentsToText(queryOptions_.Comments));
  s.Put("DbX.ViewingBlobs", viewingBlobs_);
  s.Put("DbX.ViewSystemData", root_ ? root_->ShowSystemData() : MViewSystemData->Checked());
  s.Put("DbX.ViewEditText", MViewEditText->Checked());
  s.Put("DbX.ViewCompleteText", MViewCompleteText->Checked());
  TTreeView* tree = CurrentTree();
  s.Put("DbX.ViewRoot", tree ? reinterpret_cast<TExploreObject*>(tree->Tag())->ClassName() : std::string());
  s.Put("DbX.KeepTreeSync", MSyncPages->Checked());
}

}  // namespace dbx
