// The administrator's one window: a tree per top-level explorer object on
// the left, on tabs, and on the right the pages of the selected object (its
// properties in the inspector, a summary of its children, its text, its data
// and an SQL page). It holds no data of its own: it shows the explorer model
// and hears of every change through the objects' numbered events.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Buttons.h"
#include "Dialogs.h"
#include "ComCtrls.h"
#include "DbXCtrl.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImageList.h"
#include "Menus.h"
#include "PropExpl.h"
#include "StdCtrls.h"

namespace dbx {

class TDbExplorerForm;

// A root bound to a window. Freeing it frees the window first.
class TDbXForm : public TDbXRoot {
  FW_CLASS(TDbXForm, TDbXRoot)
public:
  TDbExplorerForm* Form() const { return form_; }
  // Unbinds the window bound now, then binds this one (none: nothing more).
  void SetForm(TDbExplorerForm* window);

protected:
  void BeforeDestroy() override;

private:
  friend class TDbExplorerForm;
  TDbExplorerForm* form_ = nullptr;
};

// What the window asks about schema objects and database roots. The
// answers given here know the schema objects; the database's own units may
// install others.
class TSchemaQuestions {
public:
  virtual ~TSchemaQuestions() = default;
  // A schema object shows its Definition page even without properties.
  virtual bool IsSchemaObject(TExploreObject* object);
  // A set of schema objects has a Summary page.
  virtual bool IsObjectSet(TExploreObject* object);
  // The kind of a set's object reference; sets of references (4 and 5)
  // show no columns.
  virtual int ReferenceKind(TExploreObject* set);
  // The definitions of the objects that a set holds, or none.
  virtual TEPropertyDefs* ObjectDefinitions(TExploreObject* set);
  // The database at the top of the object's tree when it is open and has
  // children, else none.
  virtual TExploreObject* OpenDatabase(TExploreObject* /*object*/) { return nullptr; }
  // The root of a database's tree, whose deletion and renaming are asked about.
  virtual bool IsDatabaseRoot(TExploreObject* /*object*/) { return false; }
  // An object that stands for another one (a reference), which is not dragged.
  virtual bool IsReference(TExploreObject* /*object*/) { return false; }
};

// Installs answers (none: the ones that say no); gives back those installed before.
std::unique_ptr<TSchemaQuestions> SetSchemaQuestions(std::unique_ptr<TSchemaQuestions> questions);
TSchemaQuestions& SchemaQuestions();

// The program's switches: an argument that begins with '-' or '/' names one
// by the rest of it, in any case; others are passed over. "EnableEdits"
// lets the trees edit what they show, "DbX" shows the tools of the
// administrator's own developers.
struct TDbXSwitches {
  bool EnableEdits = false;
  bool DbX = false;
};
TDbXSwitches ReadDbXSwitches(const std::vector<std::string>& Args);

// The state image of an edit state and validity: none (-1) for an object
// without pending edits.
int StateImageIndex(int editState, int validity);

using TTextCommand = std::function<void(TExploreObject* object)>;

// A drag of a tree node or summary item: the control it started on and the
// explore object it carries.
class TDbXDataDragObject : public fw::TDragControlObject {
  FW_CLASS(TDbXDataDragObject, fw::TDragControlObject)
public:
  TDbXDataDragObject(fw::TControl* AControl, TExploreObject* object) : TDragControlObject(AControl), object_(object) {}
  TExploreObject* Object() const { return object_; }

private:
  TExploreObject* object_;
};

// The questions of ConfirmAction.
enum TConfirmKind { ckDelete, ckRename, ckApply, ckCancel };

// Whether a drag may start with the object: a database that the session
// does not hold open, a dataset or a column, or an executable that shows
// data; never a set or a reference.
bool ObjectDragAllowed(TExploreObject* object);

class TDbExplorerForm : public fw::TForm {
  FW_CLASS(TDbExplorerForm, fw::TForm)
public:
  explicit TDbExplorerForm(fw::TComponent* AOwner);
  ~TDbExplorerForm() override;

  // ---- the designed parts
  fw::TMainMenu* MainMenu = nullptr;
  fw::TMenuItem* MObject = nullptr;
  fw::TMenuItem* MOpen = nullptr;
  fw::TMenuItem* MClose = nullptr;
  fw::TMenuItem* MNew = nullptr;
  fw::TMenuItem* MDelete = nullptr;
  fw::TMenuItem* MRename = nullptr;
  fw::TMenuItem* MApply = nullptr;
  fw::TMenuItem* MCancel = nullptr;
  fw::TMenuItem* MSaveAs = nullptr;
  fw::TMenuItem* MActions = nullptr;
  fw::TMenuItem* MExitBreak = nullptr;
  fw::TMenuItem* MExit = nullptr;
  fw::TMenuItem* MEdit = nullptr;
  fw::TMenuItem* MUndo = nullptr;
  fw::TMenuItem* MCut = nullptr;
  fw::TMenuItem* MCopy = nullptr;
  fw::TMenuItem* MPaste = nullptr;
  fw::TMenuItem* MEditDelete = nullptr;
  fw::TMenuItem* MSelectAll = nullptr;
  fw::TMenuItem* NTextBreak = nullptr;
  fw::TMenuItem* MText = nullptr;
  fw::TMenuItem* MView = nullptr;
  fw::TMenuItem* MToolbar = nullptr;
  fw::TMenuItem* MStatusBar = nullptr;
  fw::TMenuItem* MViewBlobs = nullptr;
  fw::TMenuItem* MViewSystemData = nullptr;
  fw::TMenuItem* MViewCompleteText = nullptr;
  fw::TMenuItem* MViewEditText = nullptr;
  fw::TMenuItem* MFont = nullptr;
  fw::TMenuItem* N9 = nullptr;
  fw::TMenuItem* MLargeIcons = nullptr;
  fw::TMenuItem* MSmallIcons = nullptr;
  fw::TMenuItem* MList = nullptr;
  fw::TMenuItem* MDetail = nullptr;
  fw::TMenuItem* N8 = nullptr;
  fw::TMenuItem* MAutoArrange = nullptr;
  fw::TMenuItem* MPrevious = nullptr;
  fw::TMenuItem* MRefresh = nullptr;
  fw::TMenuItem* MRefreshAll = nullptr;
  fw::TMenuItem* MSwitchView = nullptr;
  fw::TMenuItem* MOptions = nullptr;
  fw::TMenuItem* MQuery = nullptr;
  fw::TMenuItem* MIsolation = nullptr;
  fw::TMenuItem* MDirtyRead = nullptr;
  fw::TMenuItem* MCommittedRead = nullptr;
  fw::TMenuItem* MRepeatableRead = nullptr;
  fw::TMenuItem* MWordWrap = nullptr;
  fw::TMenuItem* MShowConfirms = nullptr;
  fw::TMenuItem* MShowWarnings = nullptr;
  fw::TMenuItem* MSyncPages = nullptr;
  fw::TMenuItem* MDictionary = nullptr;
  fw::TMenuItem* MDRImportDb = nullptr;
  fw::TMenuItem* MHelp = nullptr;
  fw::TMenuItem* MContents = nullptr;
  fw::TMenuItem* MAbout = nullptr;
  fw::TPopupMenu* BasePopupMenu = nullptr;
  fw::TMenuItem* PMView = nullptr;
  fw::TMenuItem* PMLargeIcons = nullptr;
  fw::TMenuItem* PMSmallIcons = nullptr;
  fw::TMenuItem* PMList = nullptr;
  fw::TMenuItem* PMDetail = nullptr;
  fw::TMenuItem* PMAutoArrange = nullptr;
  fw::TMenuItem* PMViewBreak = nullptr;
  fw::TMenuItem* PMOpen = nullptr;
  fw::TMenuItem* PMClose = nullptr;
  fw::TMenuItem* PMRefresh = nullptr;
  fw::TMenuItem* PMNew = nullptr;
  fw::TMenuItem* PMDelete = nullptr;
  fw::TMenuItem* PMRename = nullptr;
  fw::TMenuItem* PMApply = nullptr;
  fw::TMenuItem* PMCancel = nullptr;
  fw::TMenuItem* PMSaveAs = nullptr;
  fw::TMenuItem* PMSaveText = nullptr;
  fw::TMenuItem* PMHotKey = nullptr;
  fw::TMenuItem* PMRenameKey = nullptr;
  fw::TMenuItem* PMActions = nullptr;

  fw::TPanel* SpeedBar = nullptr;
  fw::TSpeedButton* SBOpen = nullptr;
  fw::TSpeedButton* SBDelete = nullptr;
  fw::TSpeedButton* SBCancel = nullptr;
  fw::TSpeedButton* SBSave = nullptr;
  fw::TSpeedButton* SBViewBlobs = nullptr;
  fw::TSpeedButton* SBShowAllAttrs = nullptr;
  fw::TPanel* DbDataPanel = nullptr;
  fw::TSpeedButton* SBTransaction = nullptr;
  fw::TSpeedButton* SBRollbackTransaction = nullptr;
  fw::TPanel* TreePanel = nullptr;
  fw::TPanel* TreeInfoPanel = nullptr;
  fw::TLabel* TreeInfoLine = nullptr;
  fw::TTabControl* Trees = nullptr;
  fw::TSplitter* MainSplitter = nullptr;
  fw::TPanel* InfoPanel = nullptr;
  fw::TPanel* DataInfoPanel = nullptr;
  fw::TLabel* DataInfoLine = nullptr;
  fw::TPageControl* InfoPages = nullptr;
  fw::TTabSheet* TabDefinition = nullptr;
  fw::TTabSheet* TabSummary = nullptr;
  fw::TListView* SummaryView = nullptr;
  fw::TTabSheet* TabText = nullptr;
  fw::TMemo* DefinitionMemo = nullptr;
  fw::TSplitter* EditsSplitter = nullptr;
  fw::TMemo* EditsMemo = nullptr;
  fw::TTabSheet* TabData = nullptr;
  fw::TTabSheet* TabSQL = nullptr;
  fw::TPanel* QueryPanel = nullptr;
  fw::TMemo* QueryMemo = nullptr;
  fw::TSpeedButton* SBQExecQuery = nullptr;
  fw::TSpeedButton* SBQPrevQuery = nullptr;
  fw::TSpeedButton* SBQNextQuery = nullptr;
  fw::TSplitter* QuerySplitter = nullptr;
  fw::TStatusBar* StatusBar = nullptr;
  fw::TImageList* SmallImages = nullptr;
  fw::TImageList* LargeImages = nullptr;
  fw::TImageList* EOStateImages = nullptr;
  fw::TSaveDialog* SaveQueryDialog = nullptr;

  // ---- the root and the trees
  TDbXRoot* DbXRoot() const { return root_; }
  // None saves the settings and takes the trees down; a root builds them
  // and loads the settings.
  void SetDbXRoot(TDbXRoot* root);
  // The tree of the selected tab.
  fw::TTreeView* CurrentTree() const;
  // The selected summary item's object while the summary list has the
  // focus, else the current tree's selected object.
  TExploreObject* GetActiveObject() const;
  void SetActiveObject(TExploreObject* object);
  TExploreObject* ActiveObject() const { return GetActiveObject(); }
  TExploreObject* ShownObject() const { return shown_; }
  TExploreObject* PreviousObject() const { return previous_; }
  TPropExplBox* PropList() const { return propList_; }

  // Adds the object's node under its parent's, with its children.
  fw::TTreeNode* AddObjectNode(fw::TTreeView* tree, TExploreObject* object);
  // The listener of every object shown in the trees.
  void ObjectNotify(TExploreObject* object, int event, const TExploreArg& arg);

  // ---- the pages
  // Page refreshes asked for inside the outermost bracket run once at its end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateLockCount() const { return updateLock_; }
  bool RefreshPending() const { return refreshPending_; }
  void UpdatePages();
  // Makes the page active and runs its "<page name>Show" method.
  void ShowPage(fw::TTabSheet* page);
  void FillInspector(TExploreObject* object);
  // The indexes of the definitions to show: display levels 1 to level, or
  // with level 0 every one but blobs and memos.
  std::vector<int> SelectPropertyDefs(int level, TEPropertyDefs& definitions);
  void FillSummary(TExploreObject* set);
  // The speed buttons follow the object's operations.
  void UpdateObjectButtons(TExploreObject* object);

  // ---- commands
  // False when the user refused; always true with Show Confirmations off.
  bool ConfirmAction(TExploreObject* object, TConfirmKind kind, const std::vector<std::string>& args);
  // The answer to an object that must be re-created to keep its edits: No
  // raises EAbortOp, Cancel aborts silently.
  void QuerySaveChanges(TExploreObject* object, int severity);
  // The end of an in-place edit: the name is checked, confirmed and given.
  void RenameObject(TExploreObject* object, std::string& name);
  // Names a new or copied object (a name, or its own when it can be
  // renamed), ends its edit and selects it; applies it when it was named.
  void NameAndSelect(TExploreObject* object, const std::string* name, bool numbered);
  // The object's actions as items after separator, before endItem (none:
  // to the end of the menu).
  void BuildActionMenu(TExploreObject* object, fw::TMenuItem* separator, fw::TMenuItem* endItem);
  void RunActionItem(fw::TObject* Sender);
  // The Object menu's and the popup's items follow the active object.
  void UpdateObjectMenu(TExploreObject* object);

  // ---- running operations
  // The hourglass while it runs; the default cursor after, also on failure.
  void RunWithHourglass(const std::function<void(TExploreObject*)>& operation, TExploreObject* object);
  // The same inside an update bracket; pending: refresh the pages at its end.
  void RunUpdating(const std::function<void(TExploreObject*)>& operation, TExploreObject* object, bool pending);
  // A model error goes to the status bar; any other goes on.
  void RunShowingError(const std::function<void(TExploreObject*)>& operation, TExploreObject* object);
  // The Edit menu's "&Text" command; none hides it.
  void SetTextCommand(TTextCommand command);
  const TTextCommand& TextCommand() const { return textCommand_; }

  // ---- options (stored by the settings)
  bool EnableEdits() const { return enableEdits_; }
  void SetEnableEdits(bool v) { enableEdits_ = v; }
  bool RawAttributes() const { return rawAttributes_; }
  void SetRawAttributes(bool v) { rawAttributes_ = v; }
  bool SettingsLoaded() const { return settingsLoaded_; }
  void LoadSettings();
  void SaveSettings();
  // The SQL scripts' options, handed to the query script.
  struct TQueryOptions {
    bool RequestLive = false;
    std::string LineDelimit = "---";
    TChar StmtDelimit = 0;
    TChar Escape = 0;
    bool EscapeQuote = false;
    std::vector<std::string> Comments{"--", "/*,*/"};
  };
  TQueryOptions& QueryOptions() { return queryOptions_; }
  bool ViewingBlobs() const { return viewingBlobs_; }

  // ---- handlers of the designed form
  void FormCreate(fw::TObject* Sender);
  void FormShow(fw::TObject* Sender);
  void FormCloseQuery(fw::TObject* Sender, bool& CanClose);
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
  void FormDestroy(fw::TObject* Sender);
  void TreesChange(fw::TObject* Sender);
  void InfoPagesChange(fw::TObject* Sender);
  void TabDefinitionShow(fw::TObject* Sender);
  void TabSummaryShow(fw::TObject* Sender);
  void TabTextShow(fw::TObject* Sender);
  void TabDataShow(fw::TObject* Sender);
  void TabSQLShow(fw::TObject* Sender);
  void DefinitionMemoChange(fw::TObject* Sender);
  void DefinitionMemoExit(fw::TObject* Sender);
  void SummaryViewEnter(fw::TObject* Sender);
  void SummaryViewExit(fw::TObject* Sender);
  void SummaryViewChange(fw::TObject* Sender, fw::TListItem* Item, fw::TItemChange Change);
  void SummaryViewDblClick(fw::TObject* Sender);
  void SummaryViewEditing(fw::TObject* Sender, fw::TListItem* Item, bool& AllowEdit);
  void TreeChange(fw::TObject* Sender, fw::TTreeNode* Node);
  void TreeExpanding(fw::TObject* Sender, fw::TTreeNode* Node, bool& AllowExpansion);
  void TreeDblClick(fw::TObject* Sender);
  void TreeEditing(fw::TObject* Sender, fw::TTreeNode* Node, bool& AllowEdit);
  void MExitClick(fw::TObject* Sender);
  void MUndoClick(fw::TObject* Sender);
  void MCutClick(fw::TObject* Sender);
  void MCopyClick(fw::TObject* Sender);
  void MPasteClick(fw::TObject* Sender);
  void MEditDeleteClick(fw::TObject* Sender);
  void MSelectAllClick(fw::TObject* Sender);
  void MObjectClick(fw::TObject* Sender);
  void BasePopupMenuPopup(fw::TObject* Sender);
  void MEditClick(fw::TObject* Sender);
  void MViewClick(fw::TObject* Sender);
  void PMOpenCloseClick(fw::TObject* Sender);
  void PMRefreshClick(fw::TObject* Sender);
  void MRefreshAllClick(fw::TObject* Sender);
  void MPreviousClick(fw::TObject* Sender);
  void MSwitchViewClick(fw::TObject* Sender);
  void PMNewClick(fw::TObject* Sender);
  void PMDeleteClick(fw::TObject* Sender);
  void PMRenameClick(fw::TObject* Sender);
  void PMSaveClick(fw::TObject* Sender);
  void PMCancelClick(fw::TObject* Sender);
  void PMSaveAsClick(fw::TObject* Sender);
  void PMSaveTextClick(fw::TObject* Sender);
  void MTextClick(fw::TObject* Sender);
  void MContentsClick(fw::TObject* Sender);
  void MAboutClick(fw::TObject* Sender);
  void MFontClick(fw::TObject* Sender);
  void MDRImportDbClick(fw::TObject* Sender);
  void MHotKeyClick(fw::TObject* Sender);
  void MToolbarClick(fw::TObject* Sender);
  void MStatusBarClick(fw::TObject* Sender);
  void MViewSystemDataClick(fw::TObject* Sender);
  void MViewEditTextClick(fw::TObject* Sender);
  void MViewCompleteTextClick(fw::TObject* Sender);
  void MAutoArrangeClick(fw::TObject* Sender);
  void MWordWrapClick(fw::TObject* Sender);
  void OptionClick(fw::TObject* Sender);
  void ViewStyleClick(fw::TObject* Sender);
  void SBShowAllAttrsClick(fw::TObject* Sender);
  void TreeEdited(fw::TObject* Sender, fw::TTreeNode* Node, std::string& S);
  void SummaryViewEdited(fw::TObject* Sender, fw::TListItem* Item, std::string& S);
  void ObjectStartDrag(fw::TObject* Sender, fw::TDragObject*& DragObject);
  void ObjectDragOver(fw::TObject* Sender, fw::TObject* Source, int X, int Y, fw::TDragState State, bool& Accept);
  void ObjectDragDrop(fw::TObject* Sender, fw::TObject* Source, int X, int Y);
  void ObjectEndDrag(fw::TObject* Sender, fw::TObject* Target, int X, int Y);

protected:
  void BeforeDestruction() override;

private:
  // A page refresh for an event: the inspector is cleared when asked; a
  // Definition or Text page refreshes once the bracket ends.
  void PageRefresh(bool clear);
  void SummaryStep(TExploreObject* object, int event);
  // Forgets the shown and the previous object when the removed one is
  // either or holds either.
  void ForgetRemoved(TExploreObject* removed, bool childrenOnly);
  // Clears the links of the objects of a node and of its subtree; the
  // node's own object keeps its listener unless withOwn.
  void DetachNodes(fw::TTreeNode* node, bool withOwn);
  // Takes the object's node and its subtree out; sender: the object is
  // telling of its own end.
  void RemoveNode(TExploreObject* object, bool sender);
  void MoveNodeIntoPlace(TExploreObject* object);
  // The overlay and the state image; a state or validity of -1: the object's own.
  void UpdateNodeImages(TExploreObject* object, int editState = -1, int validity = -1);
  void UpdatePlusSign(TExploreObject* object);
  int ImageIndexOf(fw::TClass cls);
  bool LoadClassImages(fw::TClass cls);
  fw::TListItem* SummaryItemOf(TExploreObject* object) const;
  fw::TTreeView* CreateTree(TExploreObject* top, fw::TWinControl* parent);
  void SelectTreeTab(int index);
  void FocusTree(fw::TTreeView* tree);
  void SetDataInfo(const std::string& format, const std::string& name);
  void ShowStatus(const std::string& text);
  void ApplyViewStyle(int style);
  void ApplyWordWrap(bool wrap);
  void ApplyMemoFont(const fw::TFont& font);
  int ViewStyleIndex() const;
  // "End name edit": an in-place rename under way ends, kept or cancelled.
  void EndNameEdit(bool cancel);
  // Also moves the focus off the inspector or the memo, which ends their edits.
  void Commit(bool cancelNameEdit);
  // The explore object at a point of a tree or the summary list.
  TExploreObject* ObjectAt(fw::TObject* control, int X, int Y) const;
  // Starts the in-place edit of the selected summary item or tree node.
  void StartRename();

  TDbXRoot* root_ = nullptr;
  TPropExplBox* propList_ = nullptr;
  int updateLock_ = 0;
  bool refreshPending_ = false;
  TExploreObject* shown_ = nullptr;
  TExploreObject* previous_ = nullptr;
  fw::TClass shownClass_ = nullptr;
  bool summaryFocused_ = false;
  std::vector<fw::TClass> imageClasses_;
  std::vector<std::unique_ptr<fw::TStringList>> queryHistory_;
  int treeTabIndex_ = -1;
  bool rawAttributes_ = false;
  bool enableEdits_ = false;
  bool settingsLoaded_ = false;
  bool viewingBlobs_ = false;
  bool memoChanging_ = false;
  bool inShow_ = false;
  TQueryOptions queryOptions_;
  TTextCommand textCommand_;
  std::unique_ptr<TDbXDataDragObject> drag_;
};

}  // namespace dbx
