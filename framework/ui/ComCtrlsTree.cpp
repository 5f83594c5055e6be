#include "ComCtrls.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "Exceptions.h"
#include "Forms.h"
#include "QtControls.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- the tree's Qt side

// The nodes as Qt's model: a node is the internal pointer of its index.
//
// Held, the model is in the middle of a reset and shows no rows: the view
// then keeps no index of a node that may go away unannounced, and the
// model reads no node through an index the view kept from before.
class TTreeModel : public QAbstractItemModel {
public:
  explicit TTreeModel(TCustomTreeView* tv) : tv_(tv) {}

  TTreeNode* Root() const { return tv_->Items()->Root(); }
  TTreeNode* NodeOf(const QModelIndex& i) const {
    return i.isValid() ? static_cast<TTreeNode*>(i.internalPointer()) : Root();
  }
  QModelIndex IndexOf(const TTreeNode* n) const {
    if (held_ || !n || n == Root()) return QModelIndex();
    return createIndex(n->Index(), 0, const_cast<TTreeNode*>(n));
  }
  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    if (held_) return QModelIndex();
    TTreeNode* p = NodeOf(parent);
    if (column != 0 || row < 0 || row >= p->Count()) return QModelIndex();
    return createIndex(row, 0, p->Item(row));
  }
  QModelIndex parent(const QModelIndex& i) const override {
    if (held_ || !i.isValid()) return QModelIndex();
    TTreeNode* p = NodeOf(i)->Parent();
    return p ? IndexOf(p) : QModelIndex();
  }
  int rowCount(const QModelIndex& parent) const override {
    if (held_ || parent.column() > 0) return 0;
    return NodeOf(parent)->Count();
  }
  int columnCount(const QModelIndex&) const override { return 1; }
  bool hasChildren(const QModelIndex& parent) const override {
    if (held_) return false;
    TTreeNode* n = NodeOf(parent);
    return n->Count() > 0 || (n != Root() && n->HasChildren());
  }
  QVariant data(const QModelIndex& i, int role) const override {
    if (held_ || !i.isValid()) return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return ToQString(NodeOf(i)->Text());
    return QVariant();
  }
  void Changed(const TTreeNode* n) {
    QModelIndex i = IndexOf(n);
    if (i.isValid()) emit dataChanged(i, i);
  }
  void BeginInsert(TTreeNode* parent, int row) { beginInsertRows(IndexOf(parent), row, row); }
  void EndInsert() { endInsertRows(); }
  void BeginRemove(TTreeNode* n) { beginRemoveRows(IndexOf(n->Parent()), n->Index(), n->Index()); }
  void EndRemove() { endRemoveRows(); }
  void BeginReset() { beginResetModel(); }
  void EndReset() { endResetModel(); }
  bool Held() const { return held_; }
  void Hold() {
    if (held_) return;
    beginResetModel();
    held_ = true;
  }
  void Release() {
    if (!held_) return;
    held_ = false;
    endResetModel();
  }
  // A change of order or of parents: the rows keep their state.
  void Relayout(const std::function<void()>& change) {
    emit layoutAboutToBeChanged();
    QModelIndexList before = persistentIndexList();
    std::vector<TTreeNode*> nodes;
    for (const QModelIndex& i : before) nodes.push_back(NodeOf(i));
    change();
    QModelIndexList after;
    for (TTreeNode* n : nodes) after.push_back(IndexOf(n));
    changePersistentIndexList(before, after);
    emit layoutChanged();
  }

private:
  TCustomTreeView* tv_;
  bool held_ = false;
};

class TCustomTreeView::TTreeWidget : public TBridgedScroll<QTreeView> {
public:
  TTreeWidget(TCustomTreeView* tv, QWidget* parent) : TBridgedScroll<QTreeView>(tv, parent), tv_(tv) {
    header()->hide();
    header()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(false);
    setAutoScroll(false);
    setDragEnabled(false);
    setItemsExpandable(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setAllColumnsShowFocus(false);
  }
  QModelIndex IndexAt(int y) const { return indexAt(QPoint(0, y)); }

protected:
  // Lines and buttons as the framework's tree draws them.
  void drawBranches(QPainter* p, const QRect& rect, const QModelIndex& index) const override {
    TTreeNode* node = static_cast<TTreeNode*>(index.internalPointer());
    if (!node) return;
    int indent = indentation();
    int h = rect.height();
    int mid = rect.top() + h / 2;
    bool root = tv_->ShowRoot();
    QPen dotted(ToQColor(clGrayText), 1, Qt::DotLine);
    // The columns of the ancestors, right to left.
    int x = rect.right() + 1 - indent;
    p->save();
    if (tv_->ShowLines()) {
      p->setPen(dotted);
      int cx = x + indent / 2;
      if (root || node->Parent()) {
        p->drawLine(cx, mid, x + indent, mid);
        bool first = !node->Parent() && !node->getPrevSibling();
        p->drawLine(cx, first ? mid : rect.top(), cx, node->getNextSibling() ? rect.bottom() : mid);
      }
      int ax = x - indent;
      for (TTreeNode* a = node->Parent(); a && (root || a->Parent()); a = a->Parent(), ax -= indent)
        if (a->getNextSibling()) p->drawLine(ax + indent / 2, rect.top(), ax + indent / 2, rect.bottom());
    }
    if (tv_->ShowButtons() && node->HasChildren() && (root || node->Parent())) {
      int cx = x + indent / 2;
      QRect box(cx - 4, mid - 4, 8, 8);
      p->setPen(ToQColor(clBtnShadow));
      p->setBrush(ToQColor(clWindow));
      p->drawRect(box);
      p->setPen(ToQColor(clWindowText));
      p->drawLine(cx - 2, mid, cx + 2, mid);
      if (!node->Expanded()) p->drawLine(cx, mid - 2, cx, mid + 2);
    }
    p->restore();
  }

private:
  TCustomTreeView* tv_;
};

namespace {

// Draws a row's pictures and label as the tree lays them out.
class TTreeDelegate : public QStyledItemDelegate {
public:
  TTreeDelegate(TCustomTreeView* tv, QObject* parent) : QStyledItemDelegate(parent), tv_(tv) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    auto* node = static_cast<TTreeNode*>(index.internalPointer());
    if (!node) return;
    Guarded(tv_, [&] {
      tv_->GetImageIndex(node);
      tv_->GetSelectedIndex(node);
    });
    TCustomTreeView::RowLayout l = tv_->LayoutOf(node, option.rect.left());
    int top = option.rect.top(), h = option.rect.height();
    TCanvas canvas;
    canvas.Device().SetPainter(p);
    if (TImageList* states = tv_->StateImages(); states && node->StateIndex() > 0 && node->StateIndex() < states->Count())
      states->Draw(&canvas, l.StateLeft, top + (h - states->Height()) / 2, node->StateIndex());
    if (TImageList* images = tv_->Images()) {
      int i = node->Selected() ? node->SelectedIndex() : node->ImageIndex();
      int y = top + (h - images->Height()) / 2;
      if (i >= 0 && i < images->Count()) {
        if (node->OverlayIndex() >= 0) images->DrawOverlay(&canvas, l.ImageLeft, y, i, node->OverlayIndex());
        else images->Draw(&canvas, l.ImageLeft, y, i);
      }
    }
    canvas.Device().SetPainter(nullptr);
    bool focused = tv_->Focused() || tv_->IsEditing();
    bool selected = node->Selected() && (focused || !tv_->HideSelection());
    bool drop = node->DropTarget();
    QRect label(l.LabelLeft, top, l.LabelRight - l.LabelLeft, h);
    QColor text = ToQColor(tv_->Font()->Color());
    if (drop || (selected && focused)) {
      p->fillRect(label, ToQColor(clHighlight));
      text = ToQColor(clHighlightText);
    } else if (selected) {
      p->fillRect(label, ToQColor(clBtnFace));
    }
    p->setFont(tv_->Font()->QtFont());
    p->setPen(text);
    p->drawText(label.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                ToQString(node->Text()));
    if (node->Focused() && tv_->Focused()) {
      QPen pen(text, 1, Qt::DotLine);
      p->setPen(pen);
      p->setBrush(Qt::NoBrush);
      p->drawRect(label.adjusted(0, 0, -1, -1));
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    auto* node = static_cast<TTreeNode*>(index.internalPointer());
    if (!node) return QSize(0, tv_->RowHeight());
    TCustomTreeView::RowLayout l = tv_->LayoutOf(node, option.rect.left());
    return QSize(l.LabelRight - option.rect.left(), tv_->RowHeight());
  }

private:
  TCustomTreeView* tv_;
};

int DefaultCompare(TTreeNode* a, TTreeNode* b) {
  int c = AnsiCompareText(a->Text(), b->Text());
  return c != 0 ? c : AnsiCompareStr(a->Text(), b->Text());
}

}  // namespace


// ---------------------------------------------------------------- nodes

FW_IMPLEMENT_CLASS(TTreeNode)

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const { return owner_->Owner(); }

void TTreeNode::Changed() {
  if (owner_->view_) owner_->view_->NodeChanged(this);
}

void TTreeNode::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  Changed();
}

void TTreeNode::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  Changed();
}

void TTreeNode::SetSelectedIndex(int v) {
  if (v == selectedIndex_) return;
  selectedIndex_ = v;
  Changed();
}

void TTreeNode::SetStateIndex(int v) {
  if (v == stateIndex_) return;
  stateIndex_ = v;
  Changed();
}

void TTreeNode::SetOverlayIndex(int v) {
  if (v == overlayIndex_) return;
  overlayIndex_ = v;
  Changed();
}

int TTreeNode::Level() const {
  int l = 0;
  for (const TTreeNode* p = parent_; p && p != owner_->Root(); p = p->parent_) ++l;
  return l;
}

int TTreeNode::Index() const {
  if (!parent_) return -1;
  const auto& v = parent_->children_;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TTreeNode::AbsoluteIndex() const {
  int n = -1;
  for (const TTreeNode* p = this; p; p = p->GetPrev()) ++n;
  return n;
}

TTreeNode* TTreeNode::Parent() const { return parent_ == owner_->Root() ? nullptr : parent_; }

TTreeNode* TTreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return children_[static_cast<std::size_t>(index)].get();
}

TTreeNode* TTreeNode::GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }

TTreeNode* TTreeNode::GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }

TTreeNode* TTreeNode::getNextSibling() const {
  if (!parent_) return nullptr;
  int i = Index();
  return i + 1 < parent_->Count() ? parent_->children_[static_cast<std::size_t>(i + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const {
  if (!parent_) return nullptr;
  int i = Index();
  return i > 0 ? parent_->children_[static_cast<std::size_t>(i - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n && n != owner_->Root(); n = n->parent_)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* s = getPrevSibling();
  if (!s) return Parent();
  while (!s->children_.empty()) s = s->children_.back().get();
  return s;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (expanded_ && !children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n && n != owner_->Root(); n = n->parent_)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* s = getPrevSibling();
  if (!s) return Parent();
  while (s->expanded_ && !s->children_.empty()) s = s->children_.back().get();
  return s;
}

bool TTreeNode::HasAsParent(const TTreeNode* Value) const {
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (p == Value) return true;
  return false;
}

void TTreeNode::SetHasChildren(bool v) {
  if (v == hasChildren_) return;
  hasChildren_ = v;
  Changed();
}

bool TTreeNode::IsVisible() const {
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (!p->expanded_) return false;
  return true;
}

void TTreeNode::SetExpanded(bool v) {
  if (v) Expand(false);
  else Collapse(false);
}

void TTreeNode::Expand(bool Recurse) {
  TCustomTreeView* tv = TreeView();
  if (!expanded_ && HasChildren() && tv->CanExpand(this)) {
    expanded_ = true;
    tv->ApplyExpanded(this);
    if (tv->OnExpanded) tv->OnExpanded(tv, this);
  }
  if (Recurse)
    for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  TCustomTreeView* tv = TreeView();
  if (expanded_ && tv->CanCollapse(this)) {
    expanded_ = false;
    tv->ApplyExpanded(this);
    // A selection inside goes to the collapsed node.
    if (tv->selected_ && tv->selected_->HasAsParent(this)) tv->SetSelected(this);
    if (tv->OnCollapsed) tv->OnCollapsed(tv, this);
  }
  if (Recurse)
    for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->Collapse(true);
}

void TTreeNode::MakeVisible() {
  std::vector<TTreeNode*> chain;
  for (TTreeNode* p = Parent(); p; p = p->Parent()) chain.push_back(p);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->Expand(false);
  TCustomTreeView* tv = TreeView();
  tv->ReleaseRows();
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(tv))) w->scrollTo(tv->model_->IndexOf(this));
}

bool TTreeNode::Selected() const { return TreeView()->selected_ == this; }

void TTreeNode::SetSelected(bool v) {
  TCustomTreeView* tv = TreeView();
  if (v) tv->SetSelected(this);
  else if (tv->selected_ == this) tv->SetSelected(nullptr);
}

bool TTreeNode::Focused() const { return TreeView()->caret_ == this; }

void TTreeNode::SetFocused(bool v) {
  TCustomTreeView* tv = TreeView();
  TTreeNode* old = tv->caret_;
  if (v) tv->caret_ = this;
  else if (tv->caret_ == this) tv->caret_ = nullptr;
  if (old && old != tv->caret_) old->Changed();
  Changed();
}

bool TTreeNode::DropTarget() const { return TreeView()->DropTarget() == this; }

void TTreeNode::SetDropTarget(bool v) {
  TCustomTreeView* tv = TreeView();
  if (v) tv->SetDropTarget(this);
  else if (tv->drop_.Current == this) tv->SetDropTarget(nullptr);
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  if (Destination == this || (Destination && Destination->HasAsParent(this))) return;
  TTreeNodes* nodes = owner_;
  TTreeNode* root = nodes->Root();
  TTreeNode* newParent = root;
  int row = 0;
  switch (Mode) {
    case naAdd:
    case naAddFirst: newParent = Destination ? Destination->parent_ : root; break;
    case naAddChild:
    case naAddChildFirst: newParent = Destination ? Destination : root; break;
    case naInsert: newParent = Destination ? Destination->parent_ : root; break;
  }
  TCustomTreeView* tv = TreeView();
  tv->Relayout([&] {
    TTreeNode* oldParent = parent_;
    auto& from = oldParent->children_;
    auto it = std::find_if(from.begin(), from.end(), [this](const std::unique_ptr<TTreeNode>& p) { return p.get() == this; });
    std::unique_ptr<TTreeNode> self = std::move(*it);
    from.erase(it);
    if (oldParent != root && from.empty()) oldParent->hasChildren_ = false;
    auto& to = newParent->children_;
    switch (Mode) {
      case naAdd:
      case naAddChild: row = static_cast<int>(to.size()); break;
      case naAddFirst:
      case naAddChildFirst: row = 0; break;
      case naInsert: row = Destination ? Destination->Index() : static_cast<int>(to.size()); break;
    }
    to.insert(to.begin() + row, std::move(self));
    parent_ = newParent;
    if (newParent != root) newParent->hasChildren_ = true;
  });
  // The other rows kept their state through the change of layout; the moved
  // node and its new parent show theirs again.
  if (newParent != root) tv->ApplyExpanded(newParent);
  tv->ApplyExpansion(this);
}

void TTreeNode::Delete() { owner_->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!children_.empty()) owner_->Delete(children_.back().get());
}

bool TTreeNode::EditText() {
  TreeView()->StartEdit(this);
  return TreeView()->editNode_ == this;
}

void TTreeNode::EndEdit(bool Cancel) {
  if (TreeView()->editNode_ == this) TreeView()->FinishEdit(Cancel);
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
  TCustomTreeView* tv = TreeView();
  int top = tv->RowTopOf(this);
  if (top < 0) return TRect{};
  int h = tv->RowHeight();
  if (!TextOnly) return Rect(0, top, tv->ClientWidth(), top + h);
  TCustomTreeView::RowLayout l = tv->LayoutOf(this, tv->ItemLeftOf(this));
  return Rect(l.LabelLeft, top, l.LabelRight, top + h);
}

bool TTreeNode::AlphaSort(bool Recurse) {
  return CustomSort(nullptr, 0, Recurse);
}

bool TTreeNode::CustomSort(const std::function<int(TTreeNode*, TTreeNode*, std::intptr_t)>& SortProc,
                           std::intptr_t Data, bool Recurse) {
  TCustomTreeView* tv = TreeView();
  std::function<void(TTreeNode*)> sort = [&](TTreeNode* n) {
    std::stable_sort(n->children_.begin(), n->children_.end(),
                     [&](const std::unique_ptr<TTreeNode>& a, const std::unique_ptr<TTreeNode>& b) {
                       int c = 0;
                       if (SortProc) c = SortProc(a.get(), b.get(), Data);
                       else if (tv->OnCompare) tv->OnCompare(tv, a.get(), b.get(), Data, c);
                       else c = DefaultCompare(a.get(), b.get());
                       return c < 0;
                     });
    if (Recurse)
      for (auto& c : n->children_) sort(c.get());
  };
  tv->Relayout([&] { sort(this); });
  tv->ApplyExpansion();
  return true;
}

// ---------------------------------------------------------------- the list of nodes

FW_IMPLEMENT_CLASS(TTreeNodes)

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : view_(AOwner), root_(new TTreeNode(this)) {}

TTreeNodes::~TTreeNodes() = default;

TPersistent* TTreeNodes::GetOwner() const { return view_; }

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode* p = GetFirstNode(); p; p = p->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::Item(int index) const {
  if (index >= 0) {
    int i = 0;
    for (TTreeNode* p = GetFirstNode(); p; p = p->GetNext(), ++i)
      if (i == index) return p;
  }
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TTreeNode* TTreeNodes::GetFirstNode() const { return root_->GetFirstChild(); }

TTreeNode* TTreeNodes::AddNode(TTreeNode* relative, const std::string& s, void* ptr, TNodeAttachMode mode) {
  TTreeNode* parent = root_.get();
  int row = 0;
  switch (mode) {
    case naAdd:
      parent = relative ? relative->parent_ : root_.get();
      row = parent->Count();
      break;
    case naAddFirst:
      parent = relative ? relative->parent_ : root_.get();
      row = 0;
      break;
    case naAddChild:
      parent = relative ? relative : root_.get();
      row = parent->Count();
      break;
    case naAddChildFirst:
      parent = relative ? relative : root_.get();
      row = 0;
      break;
    case naInsert:
      parent = relative ? relative->parent_ : root_.get();
      row = relative ? relative->Index() : parent->Count();
      break;
  }
  std::unique_ptr<TTreeNode> node(new TTreeNode(this));
  node->text_ = s;
  node->data_ = ptr;
  node->parent_ = parent;
  TTreeNode* result = node.get();
  view_->BeginInsert(parent, row);
  parent->children_.insert(parent->children_.begin() + row, std::move(node));
  view_->EndInsert();
  if (parent != root_.get() && !parent->hasChildren_) {
    parent->hasChildren_ = true;
    parent->Changed();
  }
  return result;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddNode(Sibling, S, nullptr, naAdd); }
TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return AddNode(Sibling, S, Ptr, naAdd);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) {
  return AddNode(Sibling, S, nullptr, naAddFirst);
}
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return AddNode(Sibling, S, Ptr, naAddFirst);
}
TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) {
  return AddNode(Parent, S, nullptr, naAddChild);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return AddNode(Parent, S, Ptr, naAddChild);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) {
  return AddNode(Parent, S, nullptr, naAddChildFirst);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return AddNode(Parent, S, Ptr, naAddChildFirst);
}
TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) {
  return AddNode(Sibling, S, nullptr, naInsert);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return AddNode(Sibling, S, Ptr, naInsert);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node || Node == root_.get() || Node->deleting_) return;
  TCustomTreeView* tv = view_;
  // The node's subtree hears of its end, children first.
  tv->NodeDeleting(Node);
  TTreeNode* parent = Node->parent_;
  TTreeNode* next = nullptr;
  bool reselect = tv->selected_ && (tv->selected_ == Node || tv->selected_->HasAsParent(Node));
  if (reselect) {
    next = Node->getNextSibling();
    if (!next) next = Node->Parent();
    if (!next) next = Node->getPrevSibling();
    tv->selected_ = nullptr;
  }
  if (tv->caret_ && (tv->caret_ == Node || tv->caret_->HasAsParent(Node))) tv->caret_ = nullptr;
  tv->BeginRemove(Node);
  auto& v = parent->children_;
  auto it = std::find_if(v.begin(), v.end(), [Node](const std::unique_ptr<TTreeNode>& p) { return p.get() == Node; });
  std::unique_ptr<TTreeNode> gone = std::move(*it);
  v.erase(it);
  tv->EndRemove();
  gone.reset();
  if (parent != root_.get() && parent->children_.empty() && parent->hasChildren_) {
    parent->hasChildren_ = false;
    parent->expanded_ = false;
    parent->Changed();
  }
  if (reselect && next) {
    tv->selected_ = next;
    tv->caret_ = next;
    next->Changed();
    if (!tv->ComponentState().Contains(csDestroying)) tv->Change(next);
  }
}

void TTreeNodes::Clear() {
  TCustomTreeView* tv = view_;
  for (TTreeNode* n = GetFirstNode(); n; n = n->getNextSibling()) tv->NodeDeleting(n);
  tv->selected_ = nullptr;
  tv->caret_ = nullptr;
  if (Updating()) {
    tv->HoldRows();
    // As after a reset, a tree filled anew shows from its top.
    tv->heldTop_ = tv->heldLeft_ = 0;
    root_->children_.clear();
    return;
  }
  tv->model_->BeginReset();
  root_->children_.clear();
  tv->model_->EndReset();
}

void TTreeNodes::BeginUpdate() {
  if (updateCount_++ == 0 && WidgetOf(view_)) WidgetOf(view_)->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0) return;
  view_->ReleaseRows();
  if (WidgetOf(view_)) {
    WidgetOf(view_)->setUpdatesEnabled(true);
    view_->Invalidate();
  }
}

void TTreeNodes::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TTreeNodes*>(Source);
  if (!src) return TPersistent::Assign(Source);
  TUpdateScope update(*this);
  Clear();
  std::function<void(TTreeNode*, TTreeNode*)> copy = [&](TTreeNode* from, TTreeNode* parent) {
    for (auto& c : from->children_) {
      TTreeNode* n = AddNode(parent, c->text_, c->data_, naAddChild);
      n->imageIndex_ = c->imageIndex_;
      n->selectedIndex_ = c->selectedIndex_;
      n->stateIndex_ = c->stateIndex_;
      n->overlayIndex_ = c->overlayIndex_;
      copy(c.get(), n);
    }
  };
  copy(src->root_.get(), nullptr);
}

// ---------------------------------------------------------------- the tree view

FW_PUBLISH(TCustomTreeView) {
  c.Property("AutoExpand", &TCustomTreeView::AutoExpand, &TCustomTreeView::SetAutoExpand).Default(false);
  c.Property("BorderStyle", &TCustomTreeView::BorderStyle, &TCustomTreeView::SetBorderStyle).Default(bsSingle);
  c.Property("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection).Default(true);
  c.Property("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
  c.Property("Indent", &TCustomTreeView::Indent, &TCustomTreeView::SetIndent).Default(19);
  c.Property("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly).Default(false);
  c.Property("RightClickSelect", &TCustomTreeView::RightClickSelect, &TCustomTreeView::SetRightClickSelect)
      .Default(false);
  c.Property("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
  c.Property("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines).Default(true);
  c.Property("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
  c.Property("StateImages", &TCustomTreeView::StateImages, &TCustomTreeView::SetStateImages);
  c.Event("OnChange", &TCustomTreeView::OnChange);
  c.Event("OnChanging", &TCustomTreeView::OnChanging);
  c.Event("OnCollapsed", &TCustomTreeView::OnCollapsed);
  c.Event("OnCollapsing", &TCustomTreeView::OnCollapsing);
  c.Event("OnCompare", &TCustomTreeView::OnCompare);
  c.Event("OnDeletion", &TCustomTreeView::OnDeletion);
  c.Event("OnEdited", &TCustomTreeView::OnEdited);
  c.Event("OnEditing", &TCustomTreeView::OnEditing);
  c.Event("OnExpanded", &TCustomTreeView::OnExpanded);
  c.Event("OnExpanding", &TCustomTreeView::OnExpanding);
  c.Event("OnGetImageIndex", &TCustomTreeView::OnGetImageIndex);
  c.Event("OnGetSelectedIndex", &TCustomTreeView::OnGetSelectedIndex);
}

FW_IMPLEMENT_CLASS(TTreeView)

TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TWinControl(AOwner), items_(std::make_unique<TTreeNodes>(this)) {
  model_ = new TTreeModel(this);
  editing_ = std::make_unique<TLabelEditing>(this);
  SetControlStyle(ControlStyle() + TControlStyle{csDisplayDragImage});
  SetColor(clWindow);
  SetTabStop(true);
  clickFocus_ = true;
  SetBounds(0, 0, 121, 97);
}

void TCustomTreeView::BeforeDestruction() {
  FinishEdit(true);
  TWinControl::BeforeDestruction();
}

TCustomTreeView::~TCustomTreeView() {
  items_->Clear();
  delete model_;
  model_ = nullptr;
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

TControlBridge* TCustomTreeView::CreateWidget(const TCreateParams& Params) {
  auto* w = new TTreeWidget(this, ParentWidgetOf(this));
  if (!(Params.ExStyle & WS_EX_CLIENTEDGE) && !(Params.Style & WS_BORDER)) w->setFrameShape(QFrame::NoFrame);
  w->setItemDelegate(new TTreeDelegate(this, w));
  return w;
}

void TCustomTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  auto* w = static_cast<TTreeWidget*>(WidgetOf(this));
  w->setIndentation(indent_);
  w->setRootIsDecorated(showRoot_);
  model_->Release();  // a new view reads the rows afresh
  w->setModel(model_);
  ApplyExpansion();
  w->verticalScrollBar()->setValue(topRow_);
  if (items_->Updating()) w->setUpdatesEnabled(false);
}

void TCustomTreeView::DestroyWnd() {
  FinishEdit(true);
  // At the end of the process the widget is only forgotten: Qt's own parts may be gone.
  if (WindowsAbandoned()) return TWinControl::DestroyWnd();
  ReleaseRows();
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) {
    topRow_ = w->verticalScrollBar()->value();
    w->setModel(nullptr);
  }
  TWinControl::DestroyWnd();
}

void TCustomTreeView::ApplyWidgetState() {
  TWinControl::ApplyWidgetState();
  if (!bridge_) return;
  ApplyBaseColors(WidgetOf(this), Color(), Font()->Color());
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->doItemsLayout();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == stateImages_) stateImages_ = nullptr;
}

void TCustomTreeView::SetImages(TImageList* v) {
  images_ = v;
  if (v) v->FreeNotification(this);
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->doItemsLayout();
}

void TCustomTreeView::SetStateImages(TImageList* v) {
  stateImages_ = v;
  if (v) v->FreeNotification(this);
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->doItemsLayout();
}

void TCustomTreeView::SetIndent(int v) {
  indent_ = v;
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->setIndentation(v);
}

void TCustomTreeView::SetHideSelection(bool v) {
  hideSelection_ = v;
  Invalidate();
}

void TCustomTreeView::SetShowButtons(bool v) {
  showButtons_ = v;
  Invalidate();
}

void TCustomTreeView::SetShowLines(bool v) {
  showLines_ = v;
  Invalidate();
}

void TCustomTreeView::SetShowRoot(bool v) {
  showRoot_ = v;
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->setRootIsDecorated(v);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

TRect TCustomTreeView::GetClientRect() const {
  ReleaseRows();
  TRect r = TWinControl::GetClientRect();
  if (auto* w = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this))) {
    if (w->verticalScrollBar()->isVisible()) r.Right = std::max(0, r.Right - GetSystemMetrics(SM_CXVSCROLL));
    if (w->horizontalScrollBar()->isVisible()) r.Bottom = std::max(0, r.Bottom - GetSystemMetrics(SM_CYHSCROLL));
  }
  return r;
}

// ---- the widget follows the nodes

// Inside BeginUpdate/EndUpdate the view hears of no single change: the first
// one holds the model, and the view reads the rows once when it is released.

void TCustomTreeView::NodeChanged(TTreeNode* Node) {
  if (!model_) return;
  if (items_->Updating()) return HoldRows();
  model_->Changed(Node);
}

void TCustomTreeView::BeginInsert(TTreeNode* Parent, int Row) {
  if (items_->Updating()) return HoldRows();
  model_->BeginInsert(Parent, Row);
}

void TCustomTreeView::EndInsert() {
  if (!model_->Held()) model_->EndInsert();
}

void TCustomTreeView::BeginRemove(TTreeNode* Node) {
  if (items_->Updating()) return HoldRows();
  model_->BeginRemove(Node);
}

void TCustomTreeView::EndRemove() {
  if (!model_->Held()) model_->EndRemove();
}

void TCustomTreeView::Relayout(const std::function<void()>& Change) {
  if (!items_->Updating()) return model_->Relayout(Change);
  HoldRows();
  Change();
}

void TCustomTreeView::HoldRows() {
  if (model_->Held()) return;
  heldTop_ = heldLeft_ = 0;
  if (auto* w = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this))) {
    heldTop_ = w->verticalScrollBar()->value();
    heldLeft_ = w->horizontalScrollBar()->value();
  }
  model_->Hold();
}

void TCustomTreeView::ReleaseRows() const {
  if (!model_ || !model_->Held()) return;
  model_->Release();
  ApplyExpansion();
  // While held the view may have laid out no rows and lost its scroll position.
  auto* w = dynamic_cast<QTreeView*>(WidgetOf(this));
  if (!w || (heldTop_ == 0 && heldLeft_ == 0)) return;
  w->doItemsLayout();
  w->verticalScrollBar()->setValue(heldTop_);
  w->horizontalScrollBar()->setValue(heldLeft_);
}

void TCustomTreeView::ApplyExpanded(TTreeNode* Node) {
  if (model_->Held()) return;  // the release applies it
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->setExpanded(model_->IndexOf(Node), Node->expanded_);
}

void TCustomTreeView::ApplyExpansion() const { ApplyExpansion(items_->Root()); }

void TCustomTreeView::ApplyExpansion(TTreeNode* From) const {
  auto* w = dynamic_cast<QTreeView*>(WidgetOf(this));
  if (!w || model_->Held()) return;
  if (From != items_->Root() && (From->Count() > 0 || From->HasChildren()))
    w->setExpanded(model_->IndexOf(From), From->expanded_);
  // Through the children's lists: GetNext looks for each node among its siblings.
  std::vector<TTreeNode*> pending{From};
  while (!pending.empty()) {
    TTreeNode* p = pending.back();
    pending.pop_back();
    for (auto& c : p->children_) {
      TTreeNode* n = c.get();
      if (n->Count() > 0 || n->HasChildren()) w->setExpanded(model_->IndexOf(n), n->expanded_);
      if (n->Count() > 0) pending.push_back(n);
    }
  }
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node) {
  // Children first, then the node.
  Node->deleting_ = true;
  for (auto& c : Node->children_) NodeDeleting(c.get());
  if (editNode_ == Node) FinishEdit(true);
  drop_.Forget(Node);
  if (pressedSelected_ == Node) pressedSelected_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) Delete(Node);
}

void TCustomTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}

// ---- selection

bool TCustomTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

void TCustomTreeView::SetSelected(TTreeNode* Node) {
  if (Node == selected_) return;
  if (!CanChange(Node)) return;
  TTreeNode* old = selected_;
  selected_ = Node;
  TTreeNode* oldCaret = caret_;
  caret_ = Node;
  if (old) old->Changed();
  if (oldCaret && oldCaret != old) oldCaret->Changed();
  if (Node) {
    Node->Changed();
    if (Node->IsVisible()) {
      ReleaseRows();
      if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) w->scrollTo(model_->IndexOf(Node));
    }
  }
  Change(Node);
}

void TCustomTreeView::SelectByUser(TTreeNode* Node) {
  if (!Node) return;
  if (!Node->IsVisible()) Node->MakeVisible();
  SetSelected(Node);
  if (autoExpand_ && selected_ == Node) Node->Expand(false);
}

TTreeNode* TCustomTreeView::DropTarget() const { return drop_.Shown(); }

void TCustomTreeView::SetDropTarget(TTreeNode* Node) {
  TTreeNode* old = drop_.Current;
  drop_.Current = Node;
  if (old) old->Changed();
  if (Node) Node->Changed();
}

TTreeNode* TCustomTreeView::TopItem() const {
  ReleaseRows();
  auto* w = dynamic_cast<TTreeWidget*>(WidgetOf(this));
  if (!w) return items_->GetFirstNode();
  QModelIndex i = w->IndexAt(1);
  return i.isValid() ? static_cast<TTreeNode*>(i.internalPointer()) : nullptr;
}

// ---- expanding

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->getNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->getNextSibling()) n->Collapse(true);
}

bool TCustomTreeView::AlphaSort(bool Recurse) { return items_->Root()->AlphaSort(Recurse); }

bool TCustomTreeView::CustomSort(const TTVCompare& SortProc, std::intptr_t Data, bool Recurse) {
  return items_->Root()->CustomSort(SortProc, Data, Recurse);
}

void TCustomTreeView::GetImageIndex(TTreeNode* Node) {
  if (OnGetImageIndex) OnGetImageIndex(this, Node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* Node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, Node);
}

// ---- geometry

int TCustomTreeView::RowHeight() const {
  QFontMetrics fm(Font()->QtFont());
  int h = fm.height() + 2;
  if (images_) h = std::max(h, images_->Height());
  if (stateImages_) h = std::max(h, stateImages_->Height());
  if (h % 2) ++h;  // rows of even height, as the framework's tree has them
  return h;
}

TCustomTreeView::RowLayout TCustomTreeView::LayoutOf(const TTreeNode* Node, int ItemLeft) const {
  RowLayout l;
  int x = ItemLeft;
  l.StateLeft = x;
  if (stateImages_ && Node->StateIndex() > 0) x += stateImages_->Width();
  l.ImageLeft = x;
  if (images_) x += images_->Width();
  l.LabelLeft = x;
  QFontMetrics fm(Font()->QtFont());
  l.LabelRight = x + fm.horizontalAdvance(ToQString(Node->Text())) + 4;
  return l;
}

int TCustomTreeView::ItemLeftOf(const TTreeNode* Node) const {
  ReleaseRows();
  if (auto* w = dynamic_cast<QTreeView*>(WidgetOf(this))) {
    QRect r = w->visualRect(model_->IndexOf(Node));
    if (r.isValid()) return r.left();
  }
  return indent_ * (Node->Level() + (showRoot_ ? 1 : 0));
}

int TCustomTreeView::RowTopOf(const TTreeNode* Node) const {
  ReleaseRows();
  auto* w = dynamic_cast<QTreeView*>(WidgetOf(this));
  if (!w || !Node->IsVisible()) return -1;
  QRect r = w->visualRect(model_->IndexOf(Node));
  return r.isValid() ? r.top() : -1;
}

TTreeNode* TCustomTreeView::NodeAtRow(int Y) const {
  ReleaseRows();
  auto* w = dynamic_cast<TTreeWidget*>(WidgetOf(this));
  if (!w) {
    const_cast<TCustomTreeView*>(this)->HandleNeeded();
    w = dynamic_cast<TTreeWidget*>(WidgetOf(this));
    if (!w) return nullptr;
  }
  QModelIndex i = w->IndexAt(Y);
  return i.isValid() ? static_cast<TTreeNode*>(i.internalPointer()) : nullptr;
}

int TCustomTreeView::VisibleRowCount() const {
  int h = RowHeight();
  return h > 0 ? std::max(1, ClientHeight() / h) : 1;
}

THitTests TCustomTreeView::GetHitTestInfoAt(int X, int Y) const {
  THitTests r;
  TRect c = ClientRect();
  if (X < 0) r.Include(htToLeft);
  else if (X >= c.Right) r.Include(htToRight);
  if (Y < 0) r.Include(htAbove);
  else if (Y >= c.Bottom) r.Include(htBelow);
  if (!r.Empty()) return r;
  TTreeNode* n = NodeAtRow(Y);
  if (!n) return {htNowhere};
  int left = ItemLeftOf(n);
  RowLayout l = LayoutOf(n, left);
  if (X < left - indent_) return {htOnIndent};
  if (X < left) return {htOnButton};
  if (X < l.ImageLeft) return {htOnItem, htOnStateIcon};
  if (X < l.LabelLeft) return {htOnItem, htOnIcon};
  if (X < l.LabelRight) return {htOnItem, htOnLabel};
  return {htOnRight};
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) const {
  THitTests h = GetHitTestInfoAt(X, Y);
  if (h.Contains(htNowhere) || h.Contains(htAbove) || h.Contains(htBelow) || h.Contains(htToLeft) ||
      h.Contains(htToRight))
    return nullptr;
  return NodeAtRow(Y);
}

bool TCustomTreeView::GetScrollRangeOf(int Bar, int& Min, int& Max) const {
  ReleaseRows();  // the widget's rows must be there to be measured
  return TWinControl::GetScrollRangeOf(Bar, Min, Max);
}

void TCustomTreeView::Scroll(int Code, int Pos) {
  ReleaseRows();
  auto* w = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this));
  if (!w) return;
  QScrollBar* sb = w->verticalScrollBar();
  switch (Code) {
    case SB_LINEUP: sb->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case SB_LINEDOWN: sb->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case SB_PAGEUP: sb->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case SB_PAGEDOWN: sb->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case SB_TOP: sb->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case SB_BOTTOM: sb->triggerAction(QAbstractSlider::SliderToMaximum); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: sb->setValue(Pos); break;
    default: break;
  }
}

// ---- editing in place

bool TCustomTreeView::CanEdit(TTreeNode* Node) {
  bool allow = true;
  if (OnEditing) OnEditing(this, Node, allow);
  return allow;
}

void TCustomTreeView::Edit(TTreeNode* Node, std::string& S) {
  if (OnEdited) OnEdited(this, Node, S);
}

void TCustomTreeView::StartEdit(TTreeNode* Node) {
  if (!Node || readOnly_ || editNode_) return;
  if (!CanEdit(Node)) return;
  HandleNeeded();
  Node->MakeVisible();
  editNode_ = Node;
  editing_->Start(ClientWidgetOf(this), Node->DisplayRect(true), Node->Text(),
                  [this](bool cancel, const std::string& text) {
                    TTreeNode* node = editNode_;
                    editNode_ = nullptr;
                    if (cancel || !node || node->deleting_) return;
                    std::string s = text;
                    Edit(node, s);
                    node->SetText(s);
                  });
}

void TCustomTreeView::FinishEdit(bool Cancel) {
  if (editing_) editing_->Finish(Cancel);
}

// ---- mouse and keys, as the framework's tree handles them

void TCustomTreeView::ClickNative(TMessage& Message, bool Double) {
  int x = Message.XPos(), y = Message.YPos();
  THitTests h = GetHitTestInfoAt(x, y);
  TTreeNode* n = GetNodeAt(x, y);
  if (!n) return;
  editing_->Stop();
  if (h.Contains(htOnButton) && showButtons_ && n->HasChildren()) {
    n->SetExpanded(!n->Expanded());
    return;
  }
  if (!h.Contains(htOnItem)) return;
  if (Double) {
    if (n->HasChildren()) n->SetExpanded(!n->Expanded());
    return;
  }
  pressedSelected_ = selected_ == n && h.Contains(htOnLabel) ? n : nullptr;
  SelectByUser(n);
}

void TCustomTreeView::BeginAutoDrag() {
  TakeClickFocus();
  TPoint p = ScreenToClient(GetCursorPos());
  TTreeNode* n = GetNodeAt(p.X, p.Y);
  // A press on a node's button opens or closes it; with automatic dragging
  // the press never reaches the tree's own click, so the mouse could not open a node.
  if (n && showButtons_ && n->HasChildren() && GetHitTestInfoAt(p.X, p.Y).Contains(htOnButton)) {
    n->SetExpanded(!n->Expanded());
    return;
  }
  if (n) SelectByUser(n);
  BeginDrag(false, -1);
}

void TCustomTreeView::KeyNative(Word Key) {
  TTreeNode* s = selected_;
  TTreeNode* first = items_->GetFirstNode();
  auto last = [&] {
    TTreeNode* n = first;
    while (n) {
      TTreeNode* next = n->GetNextVisible();
      if (!next) break;
      n = next;
    }
    return n;
  };
  switch (Key) {
    case VK_UP: SelectByUser(s ? (s->GetPrevVisible() ? s->GetPrevVisible() : s) : first); break;
    case VK_DOWN: SelectByUser(s ? (s->GetNextVisible() ? s->GetNextVisible() : s) : first); break;
    case VK_HOME: SelectByUser(first); break;
    case VK_END: SelectByUser(last()); break;
    case VK_PRIOR:
    case VK_NEXT: {
      TTreeNode* n = s ? s : first;
      for (int i = 1; n && i < VisibleRowCount(); ++i) {
        TTreeNode* m = Key == VK_NEXT ? n->GetNextVisible() : n->GetPrevVisible();
        if (!m) break;
        n = m;
      }
      SelectByUser(n);
      break;
    }
    case VK_LEFT:
      if (!s) break;
      if (s->Expanded()) s->Collapse(false);
      else if (s->Parent()) SelectByUser(s->Parent());
      break;
    case VK_RIGHT:
      if (!s || !s->HasChildren()) break;
      if (!s->Expanded()) s->Expand(false);
      else if (s->GetFirstChild()) SelectByUser(s->GetFirstChild());
      break;
    case VK_ADD:
      if (s) s->Expand(false);
      break;
    case VK_SUBTRACT:
      if (s) s->Collapse(false);
      break;
    case VK_MULTIPLY:
      if (s) s->Expand(true);
      break;
    case VK_F2:
      if (s) StartEdit(s);
      break;
    default: break;
  }
}

void TCustomTreeView::CharNative(TChar Ch) {
  if (Ch < 32) return;
  std::uint32_t now = GetTickCount();
  if (now - searchTime_ > 1000) search_.clear();
  searchTime_ = now;
  search_ += CharToUtf8(Ch);
  TTreeNode* first = items_->GetFirstNode();
  if (!first) return;
  TTreeNode* start = selected_ ? selected_ : first;
  // A single letter looks from the next node on; more letters from this one.
  TTreeNode* n = CharLength(search_) == 1 ? start->GetNextVisible() : start;
  std::size_t len = CharLength(search_);
  for (int guard = 0; guard < 100000; ++guard) {
    if (!n) n = first;
    std::string head = n->Text().substr(0, CharOffset(n->Text(), len));
    if (AnsiSameText(head, search_)) {
      SelectByUser(n);
      return;
    }
    n = n->GetNextVisible();
    if (n == start) break;
  }
}

void TCustomTreeView::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!TakeClickFocus()) return;
      ClickNative(Message, Message.Msg == WM_LBUTTONDBLCLK);
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (!TakeClickFocus()) return;
      if (rightClickSelect_)
        if (TTreeNode* n = GetNodeAt(Message.XPos(), Message.YPos())) SelectByUser(n);
      return;
    case WM_LBUTTONUP: {
      TTreeNode* pressed = pressedSelected_;
      pressedSelected_ = nullptr;
      if (!pressed || readOnly_ || Dragging()) return;
      THitTests h = GetHitTestInfoAt(Message.XPos(), Message.YPos());
      if (GetNodeAt(Message.XPos(), Message.YPos()) != pressed || !h.Contains(htOnLabel)) return;
      // A click on the label of the selected node edits it, unless a
      // double click follows.
      editing_->Later([this] {
        if (selected_) StartEdit(selected_);
      });
      return;
    }
    case WM_MOUSEMOVE:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return;
    case WM_KEYDOWN: KeyNative(Message.CharCode()); return;
    case WM_CHAR: CharNative(static_cast<TChar>(Message.WParam)); return;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR: return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_VSCROLL:
      Scroll(static_cast<int>(Message.WParam & 0xFFFF), static_cast<int>((Message.WParam >> 16) & 0xFFFF));
      return;
    default: TWinControl::DefaultHandler(Message);
  }
}

void TCustomTreeView::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DRAG) return CMDrag(Message);
  if (Message.Msg == WM_KILLFOCUS || Message.Msg == WM_SETFOCUS) {
    TWinControl::Dispatch(Message);
    Invalidate();  // the selection looks different with and without the focus
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- dragging over the tree

void TCustomTreeView::CMDrag(TMessage& Message) {
  TWinControl::Dispatch(Message);
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  TPoint p = ScreenToClient(rec->Pos);
  drop_.Drag(
      static_cast<TDragMessage>(Message.WParam), Message.Result != 0, [&] { return GetNodeAt(p.X, p.Y); },
      [this](TTreeNode* n) { SetDropTarget(n); });
}

void TCustomTreeView::DoEndDrag(TObject* Target, int X, int Y) {
  TWinControl::DoEndDrag(Target, X, Y);
  drop_.Ended([this](TTreeNode* n) { SetDropTarget(n); });
}

}  // namespace fw
