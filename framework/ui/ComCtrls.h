// Common controls: the progress bar, the tree view, the list view, the page
// and tab controls, the status bar and the rich edit.
//
// The tree view keeps its nodes itself (TTreeNodes); its widget shows them.
// Rows are laid out as the framework's tree lays them out: one Indent per
// level (and one more for the buttons and lines at the root when ShowRoot),
// then the state image (only when StateIndex is above 0), the image (when
// Images is set), then the label. GetHitTestInfoAt answers by that layout:
// left of the row's button area htOnIndent, the button area htOnButton, the
// pictures htOnStateIcon and htOnIcon, the text htOnLabel, right of it
// htOnRight; below the last row htNowhere; outside the client area htAbove,
// htBelow, htToLeft, htToRight.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Controls.h"
#include "ImageList.h"
#include "StdCtrls.h"

namespace fw {

class TLabelEditing;
class TStream;

// The item highlighted while a drag passes over a tree or list view: it
// follows the mouse over the items where a drop is accepted, stays while the
// mouse is over no item, and goes when the drag leaves, drops or ends.
template <class T>
struct TDropHighlight {
  T* Current = nullptr;  // highlighted now
  T* Last = nullptr;     // highlighted before the drag left
  T* Shown() const { return Current ? Current : Last; }
  // Message: the CM_DRAG notice; At gives the item under the mouse, Set highlights one.
  template <class At, class Set>
  void Drag(TDragMessage Message, bool Accepted, At at, Set set) {
    switch (Message) {
      case dmDragMove:
        if (T* item = Accepted ? at() : nullptr; item && (item != Current || item == Last)) {
          Last = nullptr;
          set(item);
        }
        break;
      case dmDragLeave:
        Last = Current;
        set(nullptr);
        break;
      case dmDragDrop: Last = nullptr; break;
      default: break;
    }
  }
  template <class Set>
  void Ended(Set set) {
    Last = nullptr;
    set(nullptr);
  }
  void Forget(const T* item) {
    if (Current == item) Current = nullptr;
    if (Last == item) Last = nullptr;
  }
};

// ---------------------------------------------------------------- progress bar

FW_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical)

// Position stays within Min and Max; StepIt wraps past Max back towards Min,
// StepBy stops at the ends.
class TProgressBar : public TWinControl {
  FW_CLASS(TProgressBar, TWinControl)
public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Step() const { return step_; }
  void SetStep(int v) { step_ = v; }
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation v);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v) { smooth_ = v; }
  void StepIt();
  void StepBy(int Delta);

protected:
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;

private:
  void Apply();
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool smooth_ = false;
};

// ---------------------------------------------------------------- tree view

class TCustomTreeView;
class TTreeNodes;

FW_ENUM(TNodeAttachMode, naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert)
FW_ENUM(THitTest, htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight,
        htOnStateIcon, htToLeft, htToRight)
using THitTests = TFlags<THitTest>;

class TTreeNode : public TPersistent {
  FW_CLASS(TTreeNode, TPersistent)
public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return owner_; }
  TCustomTreeView* TreeView() const;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  void* Data() const { return data_; }
  void SetData(void* v) { data_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int v);
  // -1 and 0 show no state image; n above 0 shows picture n of StateImages.
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int v);
  int OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(int v);

  // 0 for a node at the top level.
  int Level() const;
  // Position among its siblings.
  int Index() const;
  // Position in tree order (each node followed by its children), from 0.
  int AbsoluteIndex() const;
  TTreeNode* Parent() const;
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int index) const;
  TTreeNode* GetFirstChild() const;
  TTreeNode* GetLastChild() const;
  // The next node in tree order, nullptr after the last.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  bool HasAsParent(const TTreeNode* Value) const;
  // Shows the button: it has children, or was told it will have some.
  bool HasChildren() const { return hasChildren_; }
  void SetHasChildren(bool v);

  bool Expanded() const { return expanded_; }
  void SetExpanded(bool v);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  // All its parents are expanded.
  bool IsVisible() const;
  void MakeVisible();
  bool Selected() const;
  void SetSelected(bool v);
  // The node with the tree's caret (the selected one unless told otherwise).
  bool Focused() const;
  void SetFocused(bool v);
  bool DropTarget() const;
  void SetDropTarget(bool v);

  // Moves the node with its children: naAdd last sibling of Destination,
  // naAddFirst its first sibling, naAddChild its last child, naAddChildFirst
  // its first child, naInsert just before it; a Destination of nullptr
  // means the top level. Into its own subtree a node does not move.
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);
  void Delete();
  void DeleteChildren();
  // Starts editing the label in place; false when the tree or OnEditing refuses.
  bool EditText();
  void EndEdit(bool Cancel);
  // The row's area, or only the label's.
  TRect DisplayRect(bool TextOnly) const;
  bool AlphaSort(bool Recurse = false);
  bool CustomSort(const std::function<int(TTreeNode*, TTreeNode*, std::intptr_t)>& SortProc, std::intptr_t Data,
                  bool Recurse = false);

private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  explicit TTreeNode(TTreeNodes* owner) : owner_(owner) {}
  void Changed();

  TTreeNodes* owner_;
  TTreeNode* parent_ = nullptr;  // the hidden root for top-level nodes
  std::vector<std::unique_ptr<TTreeNode>> children_;
  std::string text_;
  void* data_ = nullptr;
  int imageIndex_ = 0;
  int selectedIndex_ = 0;
  int stateIndex_ = -1;
  int overlayIndex_ = -1;
  bool hasChildren_ = false;
  bool expanded_ = false;
  bool deleting_ = false;
};

class TTreeNodes : public TPersistent {
  FW_CLASS(TTreeNodes, TPersistent)
public:
  explicit TTreeNodes(TCustomTreeView* AOwner);
  ~TTreeNodes() override;
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TCustomTreeView* Owner() const { return view_; }
  TPersistent* GetOwner() const override;
  // All nodes, at every level.
  int Count() const;
  // By absolute index; raises EListError out of range.
  TTreeNode* Item(int index) const;
  TTreeNode* GetFirstNode() const;

  // Sibling nullptr: the top level.
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr);
  // Before Sibling (nullptr: at the end of the top level).
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
  TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  void Delete(TTreeNode* Node);
  // Deletes every node; OnDeletion hears of each.
  void Clear();
  // Inside an update (they nest) the widget is not painted and hears of no
  // single change: it reads the nodes once, at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  void Assign(const TPersistent* Source) override;

private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  friend class TTreeModel;
  TTreeNode* AddNode(TTreeNode* relative, const std::string& s, void* ptr, TNodeAttachMode mode);
  TTreeNode* Root() const { return root_.get(); }

  TCustomTreeView* view_;
  std::unique_ptr<TTreeNode> root_;
  int updateCount_ = 0;
};

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, std::intptr_t Data, int& Compare)>;
using TTVCompare = std::function<int(TTreeNode* Node1, TTreeNode* Node2, std::intptr_t Data)>;

class TCustomTreeView : public TWinControl {
  FW_CLASS(TCustomTreeView, TWinControl)
public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return items_.get(); }
  TTreeNode* Selected() const { return selected_; }
  // Selects Node (nullptr: none) as a click does: OnChanging may refuse,
  // OnChange hears of it.
  void SetSelected(TTreeNode* Node);
  // The node highlighted last during a drag; it stays while the mouse is
  // over no node, and is gone once the drag has ended.
  TTreeNode* DropTarget() const;
  void SetDropTarget(TTreeNode* Node);
  TTreeNode* TopItem() const;

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  TImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TImageList* v);
  int Indent() const { return indent_; }
  void SetIndent(int v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool RightClickSelect() const { return rightClickSelect_; }
  void SetRightClickSelect(bool v) { rightClickSelect_ = v; }
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool v);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool v);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool AutoExpand() const { return autoExpand_; }
  void SetAutoExpand(bool v) { autoExpand_ = v; }

  TTreeNode* GetNodeAt(int X, int Y) const;
  THitTests GetHitTestInfoAt(int X, int Y) const;
  bool IsEditing() const { return editNode_ != nullptr; }
  void FullExpand();
  void FullCollapse();
  // Sorts the top level (and with Recurse every level) by OnCompare, or by
  // text: without regard to case first, then by case.
  bool AlphaSort(bool Recurse = false);
  bool CustomSort(const TTVCompare& SortProc, std::intptr_t Data, bool Recurse = false);

  TRect GetClientRect() const override;
  bool GetScrollRangeOf(int Bar, int& Min, int& Max) const override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TTVChangingEvent OnChanging;
  TTVChangedEvent OnChange;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVCompareEvent OnCompare;

  // ---- for the widget
  class TTreeWidget;
  // The pictures' indexes for drawing: OnGetImageIndex and OnGetSelectedIndex run first.
  void GetImageIndex(TTreeNode* Node);
  void GetSelectedIndex(TTreeNode* Node);
  struct RowLayout {
    int StateLeft, ImageLeft, LabelLeft, LabelRight;
  };
  RowLayout LayoutOf(const TTreeNode* Node, int ItemLeft) const;
  int RowHeight() const;

protected:
  friend class TTreeNode;
  friend class TTreeNodes;
  void BeforeDestruction() override;
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void ApplyWidgetState() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeginAutoDrag() override;
  void DoEndDrag(TObject* Target, int X, int Y) override;
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual bool CanEdit(TTreeNode* Node);
  virtual void Edit(TTreeNode* Node, std::string& S);
  virtual bool CanExpand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);
  void CMDrag(TMessage& Message);

private:
  friend class TTreeModel;
  // The widget's rows follow the nodes.
  void NodeChanged(TTreeNode* Node);
  void BeginInsert(TTreeNode* Parent, int Row);
  void EndInsert();
  void BeginRemove(TTreeNode* Node);
  void EndRemove();
  // Moves and sorts keep the rows' state through a layout change.
  void Relayout(const std::function<void()>& Change);
  // Inside an update the first change holds the widget's rows; they are
  // read again once, at the end of the update or when the widget is asked
  // about them.
  void HoldRows();
  void ReleaseRows() const;
  void ApplyExpansion() const;
  // The expansion of From and of the nodes below it.
  void ApplyExpansion(TTreeNode* From) const;
  void ApplyExpanded(TTreeNode* Node);
  void NodeDeleting(TTreeNode* Node);
  void SelectByUser(TTreeNode* Node);
  void StartEdit(TTreeNode* Node);
  void FinishEdit(bool Cancel);
  void ClickNative(TMessage& Message, bool Double);
  void KeyNative(Word Key);
  void CharNative(TChar Ch);
  void Scroll(int Code, int Pos);
  int VisibleRowCount() const;
  int ItemLeftOf(const TTreeNode* Node) const;
  int RowTopOf(const TTreeNode* Node) const;  // -1 when not shown
  TTreeNode* NodeAtRow(int Y) const;

  std::unique_ptr<TTreeNodes> items_;
  class TTreeModel* model_ = nullptr;  // made with the widget
  TTreeNode* selected_ = nullptr;
  TTreeNode* caret_ = nullptr;
  TDropHighlight<TTreeNode> drop_;
  TImageList* images_ = nullptr;
  TImageList* stateImages_ = nullptr;
  int indent_ = 19;
  bool hideSelection_ = true;
  bool readOnly_ = false;
  bool rightClickSelect_ = false;
  bool showButtons_ = true;
  bool showLines_ = true;
  bool showRoot_ = true;
  bool autoExpand_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  TTreeNode* editNode_ = nullptr;
  std::unique_ptr<TLabelEditing> editing_;
  TTreeNode* pressedSelected_ = nullptr;
  int topRow_ = 0;
  int heldTop_ = 0, heldLeft_ = 0;  // the scroll position when the rows were held
  std::string search_;
  std::uint32_t searchTime_ = 0;
};

class TTreeView : public TCustomTreeView {
  FW_CLASS(TTreeView, TCustomTreeView)
public:
  using TCustomTreeView::TCustomTreeView;
};

// ---------------------------------------------------------------- list view

class TCustomListView;
class TListItems;

FW_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
FW_ENUM(TItemChange, ctText, ctImage, ctState)

// A column of a report-style list view. An AutoSize column is as wide as its
// widest text (caption or item) and takes a share of the room the other
// columns leave.
class TListColumn : public TCollectionItem {
  FW_CLASS(TListColumn, TCollectionItem)
public:
  explicit TListColumn(TCollection* Collection);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  std::string DisplayName() const override { return caption_; }

private:
  friend class TCustomListView;  // the user's widths, taken from the header
  std::string caption_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = false;
};

class TListColumns : public TCollection {
  FW_CLASS(TListColumns, TCollection)
public:
  explicit TListColumns(TCustomListView* AOwner);
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(int Index) const { return static_cast<TListColumn*>(TCollection::Items(Index)); }
  TCustomListView* Owner() const { return view_; }
  TPersistent* GetOwner() const override;

protected:
  void Update(TCollectionItem* Item) override;

private:
  TCustomListView* view_;
};

class TListItem : public TPersistent {
  FW_CLASS(TListItem, TPersistent)
public:
  ~TListItem() override;
  TListItem(const TListItem&) = delete;
  TListItem& operator=(const TListItem&) = delete;

  TListItems* Owner() const { return owner_; }
  TCustomListView* ListView() const;
  int Index() const { return index_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  // The texts of the report's further columns.
  TStrings* SubItems() const;
  void SetSubItems(const TStrings* v);
  void* Data() const { return data_; }
  void SetData(void* v) { data_ = v; }
  // -1: none.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(int v);
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int v);
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  bool DropTarget() const;
  void SetDropTarget(bool v);

  // Starts editing the caption in place; false when the view or OnEditing refuses.
  bool EditCaption();
  void CancelEdit();
  // Ends an edit under way, keeping the text unless Cancel.
  void EndEdit(bool Cancel);
  void MakeVisible(bool PartialOK);
  void Delete();
  // The item's area (the label's with LabelOnly) in client coordinates.
  TRect DisplayRect(bool LabelOnly) const;

private:
  friend class TListItems;
  friend class TCustomListView;
  explicit TListItem(TListItems* owner);
  void Changed(TItemChange Change);

  TListItems* owner_;
  int index_ = 0;
  std::string caption_;
  std::unique_ptr<TStringList> subItems_;
  void* data_ = nullptr;
  int imageIndex_ = -1;
  int overlayIndex_ = -1;
  int stateIndex_ = -1;
  bool deleting_ = false;
};

class TListItems : public TPersistent {
  FW_CLASS(TListItems, TPersistent)
public:
  explicit TListItems(TCustomListView* AOwner);
  ~TListItems() override;
  TListItems(const TListItems&) = delete;
  TListItems& operator=(const TListItems&) = delete;

  TCustomListView* Owner() const { return view_; }
  TPersistent* GetOwner() const override;
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError out of range.
  TListItem* Item(int Index) const;
  int IndexOf(const TListItem* Item) const;
  TListItem* Add();
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  // Inside an update (they nest) the widget shows nothing new: it reads the
  // items once, at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

private:
  friend class TListItem;
  friend class TCustomListView;
  void Renumber(int From);

  TCustomListView* view_;
  std::vector<std::unique_ptr<TListItem>> items_;
  int updateCount_ = 0;
};

class TIconOptions : public TPersistent {
  FW_CLASS(TIconOptions, TPersistent)
public:
  explicit TIconOptions(TCustomListView* AOwner) : view_(AOwner) {}
  // The icons flow anew when the view's size changes.
  bool AutoArrange() const { return autoArrange_; }
  void SetAutoArrange(bool v);

private:
  TCustomListView* view_;
  bool autoArrange_ = false;
};

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;

// A list view of one selected item. vsReport shows the columns under a
// header, one row an item: its state image (StateImages, when StateIndex is
// 0 or more), its image (SmallImages) with the overlay, its caption, then its
// sub-items; vsList and vsSmallIcon flow small images and captions in columns
// or rows; vsIcon shows LargeImages with the caption below. A click on the
// caption of the selected item edits it in place unless ReadOnly, so does
// F2; drag and drop highlights the item under the mouse (DropTarget) as the
// tree view does.
class TCustomListView : public TWinControl {
  FW_CLASS(TCustomListView, TWinControl)
public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle v);
  TListColumns* Columns() const { return columns_.get(); }
  void SetColumns(const TListColumns* v) { columns_->Assign(v); }
  TListItems* Items() const { return items_.get(); }
  TIconOptions* IconOptions() const { return iconOptions_.get(); }
  void SetIconOptions(const TIconOptions* v);
  TListItem* Selected() const { return selected_; }
  // Selects Item (nullptr: none); OnChange hears of both items.
  void SetSelected(TListItem* Item);
  TListItem* ItemFocused() const { return focused_; }
  void SetItemFocused(TListItem* Item);
  // The item highlighted during a drag; it stays while the mouse is over no
  // item, and is gone once the drag has ended.
  TListItem* DropTarget() const;
  void SetDropTarget(TListItem* Item);
  TImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TImageList* v);
  TImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TImageList* v);
  TImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TImageList* v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);

  TListItem* GetItemAt(int X, int Y) const;
  // The first item from StartIndex on (after it unless Inclusive) whose Data
  // is Value, going on from the first item when Wrap; nullptr when none.
  TListItem* FindData(int StartIndex, void* Value, bool Inclusive, bool Wrap) const;
  bool IsEditing() const { return editItem_ != nullptr; }
  // The first item shown.
  TListItem* TopItem() const;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TLVChangeEvent OnChange;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVDeletedEvent OnDeletion;

  // ---- for the widget
  class TListWidget;
  struct RowLayout {
    int StateLeft, ImageLeft, LabelLeft, LabelRight;
  };
  RowLayout LayoutOf(const TListItem* Item, int Left) const;
  int RowHeight() const;
  // The widths of the report's columns as shown.
  std::vector<int> ColumnWidths() const;

protected:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumns;
  friend class TIconOptions;
  void BeforeDestruction() override;
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void ApplyWidgetState() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeginAutoDrag() override;
  void DoEndDrag(TObject* Target, int X, int Y) override;
  void SizeChanged() override;
  virtual bool CanEdit(TListItem* Item);
  virtual void Edit(TListItem* Item, std::string& S);
  virtual void Change(TListItem* Item, TItemChange Change);
  virtual void Delete(TListItem* Item);
  void CMDrag(TMessage& Message);

private:
  class TListModel;
  void ItemChanged(TListItem* Item, TItemChange Change);
  void ItemInserted(int Index);
  void ItemDeleting(TListItem* Item);
  void ItemRemoved(int Index);
  void Reset();
  void ColumnsChanged();
  void ApplyView();
  void StartEdit(TListItem* Item);
  void FinishEdit(bool Cancel);
  void SelectByUser(TListItem* Item);
  void KeyNative(Word Key);
  void ClickNative(TMessage& Message, bool Double);

  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  std::unique_ptr<TIconOptions> iconOptions_;
  TListModel* model_ = nullptr;
  TViewStyle viewStyle_ = vsIcon;
  TListItem* selected_ = nullptr;
  TListItem* focused_ = nullptr;
  TDropHighlight<TListItem> drop_;
  TListItem* pressedSelected_ = nullptr;
  TListItem* editItem_ = nullptr;
  std::unique_ptr<TLabelEditing> editing_;
  TImageList* largeImages_ = nullptr;
  TImageList* smallImages_ = nullptr;
  TImageList* stateImages_ = nullptr;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  int heldTop_ = 0, heldLeft_ = 0;
};

class TListView : public TCustomListView {
  FW_CLASS(TListView, TCustomListView)
public:
  using TCustomListView::TCustomListView;
};

// ---------------------------------------------------------------- tab and page controls

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// A row of tabs above a framed area (the display rectangle) where the child
// controls go. A click on a tab, and Left or Right while the control has the
// focus, change the tab: OnChanging may refuse, OnChange hears of it; the
// program's changes of the tab tell neither.
class TCustomTabControl : public TCustomControl {
  FW_CLASS(TCustomTabControl, TCustomControl)
public:
  explicit TCustomTabControl(TComponent* AOwner);
  ~TCustomTabControl() override;
  // The area inside the frame, below the tabs.
  TRect DisplayRect() const;
  // The tab at a client point, or -1.
  int IndexOfTabAt(int X, int Y) const;
  void DefaultHandler(TMessage& Message) override;

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;

protected:
  // The captions of the tabs, in order.
  virtual std::vector<std::string> TabCaptions() const = 0;
  // The tab shown as the current one (-1: none).
  virtual int CurrentTab() const = 0;
  // The user chose tab Index: the control makes it current.
  virtual void TabChosen(int Index) = 0;
  virtual bool CanChange();
  virtual void Change();
  // The tabs follow the captions and the current tab.
  void UpdateTabs();
  int TabHeight() const;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  void CreateWnd() override;
  void FontChanged() override;
  void BoundsChanged() override;

private:
  void ChooseByUser(int Index);
};

// A tab control whose tabs are lines of Tabs (each with an object); the
// child controls lie in the display rectangle whatever the tab.
class TTabControl : public TCustomTabControl {
  FW_CLASS(TTabControl, TCustomTabControl)
public:
  explicit TTabControl(TComponent* AOwner);
  ~TTabControl() override;
  TStrings* Tabs() const;
  void SetTabs(const TStrings* v);
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int v);

protected:
  std::vector<std::string> TabCaptions() const override;
  int CurrentTab() const override { return tabIndex_; }
  void TabChosen(int Index) override { SetTabIndex(Index); }

private:
  std::unique_ptr<TControlStrings> tabs_;
  int tabIndex_ = -1;
};

class TPageControl;

// A page of a page control; only the active page is shown. A page whose
// TabVisible is false has no tab; PageIndex is its place among the pages.
class TTabSheet : public TWinControl {
  FW_CLASS(TTabSheet, TWinControl)
public:
  explicit TTabSheet(TComponent* AOwner);
  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* v);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  int PageIndex() const;
  void SetPageIndex(int v);
  // Its place among the tabs shown, or -1.
  int TabIndex() const;

protected:
  void TextChanged() override;

private:
  bool tabVisible_ = true;
};

class TPageControl : public TCustomTabControl {
  FW_CLASS(TPageControl, TCustomTabControl)
public:
  explicit TPageControl(TComponent* AOwner);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int Index) const;
  TTabSheet* ActivePage() const { return activePage_; }
  // Shows Page (nullptr: none) and hides the others.
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
  void SetActivePageIndex(int v);
  void Loaded() override;

protected:
  friend class TTabSheet;
  std::vector<std::string> TabCaptions() const override;
  int CurrentTab() const override { return activePage_ ? activePage_->TabIndex() : -1; }
  void TabChosen(int Index) override;
  void Dispatch(TMessage& Message) override;

private:
  TTabSheet* PageOfTab(int Index) const;
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};

// ---------------------------------------------------------------- status bar

// A bar along the bottom of a form; with SimplePanel it shows SimpleText
// in one sunken panel.
class TStatusBar : public TCustomControl {
  FW_CLASS(TStatusBar, TCustomControl)
public:
  explicit TStatusBar(TComponent* AOwner);
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& v);

protected:
  void Paint() override;

private:
  bool simplePanel_ = false;
  std::string simpleText_;
};

// ---------------------------------------------------------------- rich edit

// The plain text of an RTF document: its text, with CR LF for each paragraph
// (\par) and line break (\line) and a TAB for \tab; escaped braces and
// backslashes, "\'hh" read in the document's code page (\ansicpg, else
// 1252) and "\uN" (the \ucN characters after it skipped) kept as UTF-8.
// Control words go, and so do destination groups: the font, colour and style
// tables, the information group, pictures and every "\*" group. Protected
// text is text like any other. The paragraph mark that closes the document
// adds no line. A text that does not begin with "{\rtf" is taken as it is; a
// damaged document (braces unbalanced, a control word cut short) gives what
// it holds.
std::string RtfToPlainText(std::string_view Rtf);

// A memo that loads rich text and shows its plain text.
class TCustomRichEdit : public TCustomMemo {
  FW_CLASS(TCustomRichEdit, TCustomMemo)
public:
  explicit TCustomRichEdit(TComponent* AOwner);
  // What LoadFromStream takes: RTF (False), or text as it is (True).
  bool PlainText() const { return plainText_; }
  void SetPlainText(bool v) { plainText_ = v; }
  // The text becomes the stream's, from its position to its end.
  void LoadFromStream(TStream& Stream);

private:
  bool plainText_ = false;
};

class TRichEdit : public TCustomRichEdit {
  FW_CLASS(TRichEdit, TCustomRichEdit)
public:
  using TCustomRichEdit::TCustomRichEdit;
};

}  // namespace fw
