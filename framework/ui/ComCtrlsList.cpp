// The list view: items in the framework's order, shown by a Qt item view
// (a tree view without branches for the report, a list view for the others)
// through a model over the items and a delegate that paints them.
#include <QAbstractTableModel>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "ComCtrls.h"
#include "Exceptions.h"
#include "QtControls.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- the Qt side

// Held, the model is in the middle of a reset and shows no rows, so that the
// view keeps no index of an item that changes while the items are updated.
class TCustomListView::TListModel : public QAbstractTableModel {
public:
  explicit TListModel(TCustomListView* lv) : lv_(lv) {}
  int rowCount(const QModelIndex& parent) const override {
    return held_ || parent.isValid() ? 0 : lv_->Items()->Count();
  }
  int columnCount(const QModelIndex& parent) const override {
    if (parent.isValid()) return 0;
    return lv_->ViewStyle() == vsReport ? std::max(1, lv_->Columns()->Count()) : 1;
  }
  QVariant data(const QModelIndex& i, int role) const override {
    if (held_ || !i.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return QVariant();
    TListItem* item = lv_->Items()->Item(i.row());
    if (i.column() == 0) return ToQString(item->Caption());
    int sub = i.column() - 1;
    return sub < item->SubItems()->Count() ? ToQString(item->SubItems()->Strings(sub)) : QString();
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || section >= lv_->Columns()->Count()) return QVariant();
    TListColumn* c = lv_->Columns()->Items(section);
    if (role == Qt::DisplayRole) return ToQString(c->Caption());
    if (role == Qt::TextAlignmentRole)
      return static_cast<int>(c->Alignment() == taRightJustify ? Qt::AlignRight
                              : c->Alignment() == taCenter     ? Qt::AlignHCenter
                                                               : Qt::AlignLeft) |
             Qt::AlignVCenter;
    return QVariant();
  }
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
  void Reset() {
    if (held_) return;
    beginResetModel();
    endResetModel();
  }
  void Changed(int row) {
    if (held_) return;
    emit dataChanged(index(row, 0), index(row, columnCount(QModelIndex()) - 1));
  }
  void BeginInsert(int row) {
    if (!held_) beginInsertRows(QModelIndex(), row, row);
  }
  void EndInsert() {
    if (!held_) endInsertRows();
  }
  void BeginRemove(int row) {
    if (!held_) beginRemoveRows(QModelIndex(), row, row);
  }
  void EndRemove() {
    if (!held_) endRemoveRows();
  }

private:
  TCustomListView* lv_;
  bool held_ = false;
};

// What the two kinds of widget share.
class TCustomListView::TListWidget {
public:
  virtual ~TListWidget() = default;
  virtual QAbstractItemView* View() = 0;
  // Where a key moves the cursor from the item at from; invalid when it does not.
  virtual QModelIndex MoveFrom(const QModelIndex& from, Word key) = 0;
};

namespace {

template <class Base>
class TItemWidget : public TBridgedScroll<Base>, public TCustomListView::TListWidget {
public:
  TItemWidget(TControl* c, QWidget* parent) : TBridgedScroll<Base>(c, parent) {
    Base::setSelectionMode(QAbstractItemView::NoSelection);
    Base::setEditTriggers(QAbstractItemView::NoEditTriggers);
    Base::setDragEnabled(false);
    Base::setAutoScroll(false);
  }
  QAbstractItemView* View() override { return this; }
  QModelIndex MoveFrom(const QModelIndex& from, Word key) override {
    typename Base::CursorAction a;
    switch (key) {
      case VK_UP: a = Base::MoveUp; break;
      case VK_DOWN: a = Base::MoveDown; break;
      case VK_LEFT: a = Base::MoveLeft; break;
      case VK_RIGHT: a = Base::MoveRight; break;
      case VK_HOME: a = Base::MoveHome; break;
      case VK_END: a = Base::MoveEnd; break;
      case VK_PRIOR: a = Base::MovePageUp; break;
      case VK_NEXT: a = Base::MovePageDown; break;
      default: return QModelIndex();
    }
    if (from.isValid()) Base::selectionModel()->setCurrentIndex(from, QItemSelectionModel::NoUpdate);
    return Base::moveCursor(a, Qt::NoModifier);
  }
};

using TReportWidget = TItemWidget<QTreeView>;
using TIconWidget = TItemWidget<QListView>;

QRect LabelRectOf(const TCustomListView* lv, const TListItem* item, const QRect& cell) {
  QFontMetrics fm(lv->Font()->QtFont());
  QString text = ToQString(item->Caption());
  if (lv->ViewStyle() == vsIcon) {
    int top = cell.top() + 2 + (lv->LargeImages() ? lv->LargeImages()->Height() + 2 : 0);
    QRect area(cell.left() + 2, top, cell.width() - 4, std::max(0, cell.bottom() - top));
    QRect r = fm.boundingRect(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    return r.adjusted(-2, 0, 2, 0).intersected(cell);
  }
  TCustomListView::RowLayout l = lv->LayoutOf(item, cell.left());
  return QRect(l.LabelLeft, cell.top(), std::min(l.LabelRight, cell.right() + 1) - l.LabelLeft, cell.height());
}

void DrawPicture(QPainter* p, TImageList* images, int index, int overlay, int x, int y) {
  if (!images || index < 0 || index >= images->Count()) return;
  TCanvas canvas;
  canvas.Device().SetPainter(p);
  if (overlay >= 0) images->DrawOverlay(&canvas, x, y, index, overlay);
  else images->Draw(&canvas, x, y, index);
  canvas.Device().SetPainter(nullptr);
}

class TListDelegate : public QStyledItemDelegate {
public:
  TListDelegate(TCustomListView* lv, QObject* parent) : QStyledItemDelegate(parent), lv_(lv) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (index.row() >= lv_->Items()->Count()) return;
    TListItem* item = lv_->Items()->Item(index.row());
    QRect cell = option.rect;
    p->save();
    p->setFont(lv_->Font()->QtFont());
    QColor text = ToQColor(lv_->Font()->Color());
    if (index.column() > 0) {
      int sub = index.column() - 1;
      QString s = sub < item->SubItems()->Count() ? ToQString(item->SubItems()->Strings(sub)) : QString();
      TAlignment a = index.column() < lv_->Columns()->Count() ? lv_->Columns()->Items(index.column())->Alignment()
                                                              : taLeftJustify;
      int align = a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
      QRect r = cell.adjusted(6, 0, -6, 0);
      p->setPen(text);
      p->drawText(r, align | Qt::AlignVCenter | Qt::TextSingleLine,
                  QFontMetrics(p->font()).elidedText(s, Qt::ElideRight, r.width()));
      p->restore();
      return;
    }
    bool focused = lv_->Focused() || lv_->IsEditing();
    bool selected = item->Selected() && (focused || !lv_->HideSelection());
    bool drop = item->DropTarget();
    QRect label = LabelRectOf(lv_, item, cell);
    if (lv_->ViewStyle() == vsIcon) {
      if (TImageList* il = lv_->LargeImages())
        DrawPicture(p, il, item->ImageIndex(), item->OverlayIndex(), cell.center().x() - il->Width() / 2, cell.top() + 2);
      if (TImageList* st = lv_->StateImages(); st && lv_->LargeImages())
        DrawPicture(p, st, item->StateIndex(), -1, cell.center().x() - lv_->LargeImages()->Width() / 2 - st->Width(),
                    cell.top() + 2 + lv_->LargeImages()->Height() - st->Height());
    } else {
      TCustomListView::RowLayout l = lv_->LayoutOf(item, cell.left());
      int mid = cell.top() + cell.height() / 2;
      if (TImageList* st = lv_->StateImages())
        DrawPicture(p, st, item->StateIndex(), -1, l.StateLeft, mid - st->Height() / 2);
      if (TImageList* il = lv_->SmallImages())
        DrawPicture(p, il, item->ImageIndex(), item->OverlayIndex(), l.ImageLeft, mid - il->Height() / 2);
    }
    if (drop || (selected && focused)) {
      p->fillRect(label, ToQColor(clHighlight));
      text = ToQColor(clHighlightText);
    } else if (selected) {
      p->fillRect(label, ToQColor(clBtnFace));
    }
    p->setPen(text);
    int flags = lv_->ViewStyle() == vsIcon ? Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap
                                           : Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    QRect textRect = label.adjusted(2, 0, -2, 0);
    QString caption = ToQString(item->Caption());
    if (lv_->ViewStyle() != vsIcon) {
      // The label is as wide as its text: only the cell's edge cuts it short.
      textRect.setRight(cell.right());
      caption = QFontMetrics(p->font()).elidedText(caption, Qt::ElideRight, textRect.width());
    }
    p->drawText(textRect, flags, caption);
    if (item->Focused() && lv_->Focused()) {
      p->setPen(QPen(text, 1, Qt::DotLine));
      p->setBrush(Qt::NoBrush);
      p->drawRect(label.adjusted(0, 0, -1, -1));
    }
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    if (lv_->ViewStyle() == vsIcon) return IconCell();
    if (index.row() >= lv_->Items()->Count()) return QSize(0, lv_->RowHeight());
    TCustomListView::RowLayout l = lv_->LayoutOf(lv_->Items()->Item(index.row()), 0);
    return QSize(l.LabelRight + 4, lv_->RowHeight());
  }

  QSize IconCell() const {
    QFontMetrics fm(lv_->Font()->QtFont());
    int w = 75, h = 2 * fm.height() + 8;
    if (TImageList* il = lv_->LargeImages()) {
      w = std::max(w, il->Width() + 20);
      h += il->Height();
    }
    return QSize(w, h);
  }

private:
  TCustomListView* lv_;
};

}  // namespace


// ---------------------------------------------------------------- columns

FW_PUBLISH(TListColumn) {
  c.Property("Alignment", &TListColumn::Alignment, &TListColumn::SetAlignment).Default(taLeftJustify);
  c.Property("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize).Default(false);
  c.Property("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
  c.Property("Width", &TListColumn::Width, &TListColumn::SetWidth).Default(50);
}

TListColumn::TListColumn(TCollection* Collection) : TCollectionItem(Collection) {}

void TListColumn::SetCaption(const std::string& v) {
  caption_ = v;
  Changed(false);
}

void TListColumn::SetWidth(int v) {
  width_ = std::max(0, v);
  Changed(false);
}

void TListColumn::SetAlignment(TAlignment v) {
  alignment_ = v;
  Changed(false);
}

void TListColumn::SetAutoSize(bool v) {
  autoSize_ = v;
  Changed(false);
}

FW_IMPLEMENT_CLASS(TListColumns)

TListColumns::TListColumns(TCustomListView* AOwner) : TCollection(TListColumn::StaticClass()), view_(AOwner) {}

TPersistent* TListColumns::GetOwner() const { return view_; }

void TListColumns::Update(TCollectionItem*) { view_->ColumnsChanged(); }

// ---------------------------------------------------------------- items

FW_IMPLEMENT_CLASS(TListItem)

TListItem::TListItem(TListItems* owner) : owner_(owner), subItems_(std::make_unique<TStringList>()) {
  subItems_->OnChange = [this](TObject*) { Changed(ctText); };
}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return owner_->Owner(); }

void TListItem::Changed(TItemChange Change) {
  if (!deleting_) ListView()->ItemChanged(this, Change);
}

void TListItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed(ctText);
}

TStrings* TListItem::SubItems() const { return subItems_.get(); }

void TListItem::SetSubItems(const TStrings* v) { subItems_->Assign(v); }

void TListItem::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  Changed(ctImage);
}

void TListItem::SetOverlayIndex(int v) {
  if (v == overlayIndex_) return;
  overlayIndex_ = v;
  Changed(ctImage);
}

void TListItem::SetStateIndex(int v) {
  if (v == stateIndex_) return;
  stateIndex_ = v;
  Changed(ctState);
}

bool TListItem::Selected() const { return ListView()->selected_ == this; }

void TListItem::SetSelected(bool v) {
  TCustomListView* lv = ListView();
  if (v) lv->SetSelected(this);
  else if (lv->selected_ == this) lv->SetSelected(nullptr);
}

bool TListItem::Focused() const { return ListView()->focused_ == this; }

void TListItem::SetFocused(bool v) {
  TCustomListView* lv = ListView();
  if (v) lv->SetItemFocused(this);
  else if (lv->focused_ == this) lv->SetItemFocused(nullptr);
}

bool TListItem::DropTarget() const { return ListView()->DropTarget() == this; }

void TListItem::SetDropTarget(bool v) {
  TCustomListView* lv = ListView();
  if (v) lv->SetDropTarget(this);
  else if (lv->drop_.Current == this) lv->SetDropTarget(nullptr);
}

bool TListItem::EditCaption() {
  ListView()->StartEdit(this);
  return ListView()->editItem_ == this;
}

void TListItem::CancelEdit() { EndEdit(true); }

void TListItem::EndEdit(bool Cancel) {
  if (ListView()->editItem_ == this) ListView()->FinishEdit(Cancel);
}

void TListItem::MakeVisible(bool) {
  TCustomListView* lv = ListView();
  if (auto* w = dynamic_cast<TCustomListView::TListWidget*>(TControlBridge::OfControl(lv)))
    w->View()->scrollTo(lv->model_->index(index_, 0));
}

void TListItem::Delete() { owner_->Delete(index_); }

TRect TListItem::DisplayRect(bool LabelOnly) const {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  auto* w = dynamic_cast<TCustomListView::TListWidget*>(TControlBridge::OfControl(lv));
  if (!w || lv->model_->Held()) return TRect{};
  QRect cell = w->View()->visualRect(lv->model_->index(index_, 0));
  if (!cell.isValid()) return TRect{};
  return FromQRect(LabelOnly ? LabelRectOf(lv, this, cell) : cell);
}

FW_IMPLEMENT_CLASS(TListItems)

TListItems::TListItems(TCustomListView* AOwner) : view_(AOwner) {}

TListItems::~TListItems() = default;

TPersistent* TListItems::GetOwner() const { return view_; }

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return items_[static_cast<std::size_t>(Index)].get();
}

int TListItems::IndexOf(const TListItem* Item) const {
  return Item && Item->owner_ == this ? Item->index_ : -1;
}

TListItem* TListItems::Add() { return Insert(Count()); }

void TListItems::Renumber(int From) {
  for (std::size_t i = static_cast<std::size_t>(std::max(0, From)); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i);
}

TListItem* TListItems::Insert(int Index) {
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  std::unique_ptr<TListItem> item(new TListItem(this));
  TListItem* result = item.get();
  view_->model_->BeginInsert(Index);
  items_.insert(items_.begin() + Index, std::move(item));
  Renumber(Index);
  view_->model_->EndInsert();
  view_->ItemInserted(Index);
  return result;
}

void TListItems::Delete(int Index) {
  TListItem* item = Item(Index);
  if (item->deleting_) return;
  view_->ItemDeleting(item);
  view_->model_->BeginRemove(Index);
  std::unique_ptr<TListItem> gone = std::move(items_[static_cast<std::size_t>(Index)]);
  items_.erase(items_.begin() + Index);
  Renumber(Index);
  view_->model_->EndRemove();
  gone.reset();
  view_->ItemRemoved(Index);
}

void TListItems::Clear() {
  if (items_.empty()) return;
  for (auto& i : items_) view_->ItemDeleting(i.get());
  BeginUpdate();
  items_.clear();
  EndUpdate();
}

void TListItems::BeginUpdate() {
  if (updateCount_++ > 0) return;
  if (auto* w = dynamic_cast<QAbstractScrollArea*>(WidgetOf(view_))) {
    view_->heldTop_ = w->verticalScrollBar()->value();
    view_->heldLeft_ = w->horizontalScrollBar()->value();
    w->setUpdatesEnabled(false);
  }
  view_->model_->Hold();
}

void TListItems::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0) return;
  view_->model_->Release();
  view_->Reset();
}

// ---------------------------------------------------------------- icon options

FW_PUBLISH(TIconOptions) {
  c.Property("AutoArrange", &TIconOptions::AutoArrange, &TIconOptions::SetAutoArrange).Default(false);
}

void TIconOptions::SetAutoArrange(bool v) {
  autoArrange_ = v;
  view_->ApplyView();
}

// ---------------------------------------------------------------- the list view

FW_PUBLISH(TCustomListView) {
  c.Property("BorderStyle", &TCustomListView::BorderStyle, &TCustomListView::SetBorderStyle).Default(bsSingle);
  c.Property("Columns", &TCustomListView::Columns, &TCustomListView::SetColumns);
  c.Property("HideSelection", &TCustomListView::HideSelection, &TCustomListView::SetHideSelection).Default(true);
  c.Property("IconOptions", &TCustomListView::IconOptions, &TCustomListView::SetIconOptions);
  c.Property("LargeImages", &TCustomListView::LargeImages, &TCustomListView::SetLargeImages);
  c.Property("ReadOnly", &TCustomListView::ReadOnly, &TCustomListView::SetReadOnly).Default(false);
  c.Property("SmallImages", &TCustomListView::SmallImages, &TCustomListView::SetSmallImages);
  c.Property("StateImages", &TCustomListView::StateImages, &TCustomListView::SetStateImages);
  c.Property("ViewStyle", &TCustomListView::ViewStyle, &TCustomListView::SetViewStyle).Default(vsIcon);
  c.Event("OnChange", &TCustomListView::OnChange);
  c.Event("OnDeletion", &TCustomListView::OnDeletion);
  c.Event("OnEdited", &TCustomListView::OnEdited);
  c.Event("OnEditing", &TCustomListView::OnEditing);
}

FW_IMPLEMENT_CLASS(TListView)

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      columns_(std::make_unique<TListColumns>(this)),
      items_(std::make_unique<TListItems>(this)),
      iconOptions_(std::make_unique<TIconOptions>(this)) {
  model_ = new TListModel(this);
  editing_ = std::make_unique<TLabelEditing>(this);
  SetControlStyle(ControlStyle() + TControlStyle{csDisplayDragImage});
  SetColor(clWindow);
  SetTabStop(true);
  clickFocus_ = true;
  SetBounds(0, 0, 250, 150);
}

void TCustomListView::BeforeDestruction() {
  FinishEdit(true);
  TWinControl::BeforeDestruction();
}

TCustomListView::~TCustomListView() {
  for (auto& i : items_->items_) i->deleting_ = true;
  items_->items_.clear();
  delete model_;
  model_ = nullptr;
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

TControlBridge* TCustomListView::CreateWidget(const TCreateParams& Params) {
  QAbstractItemView* v = nullptr;
  TControlBridge* b = nullptr;
  if (viewStyle_ == vsReport) {
    auto* t = new TReportWidget(this, ParentWidgetOf(this));
    t->setRootIsDecorated(false);
    t->setItemsExpandable(false);
    t->setUniformRowHeights(true);
    t->setIndentation(0);
    t->header()->setStretchLastSection(false);
    t->header()->setSectionsMovable(false);
    QObject::connect(t->header(), &QHeaderView::sectionResized, t, [this](int i, int, int size) {
      // The user's width stays the column's.
      if (i < columns_->Count() && !columns_->Items(i)->AutoSize()) columns_->Items(i)->width_ = size;
    });
    v = t;
    b = t;
  } else {
    auto* l = new TIconWidget(this, ParentWidgetOf(this));
    l->setMovement(QListView::Static);
    l->setWrapping(true);
    v = l;
    b = l;
  }
  if (!(Params.ExStyle & WS_EX_CLIENTEDGE) && !(Params.Style & WS_BORDER))
    static_cast<QFrame*>(v)->setFrameShape(QFrame::NoFrame);
  v->setItemDelegate(new TListDelegate(this, v));
  return b;
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  auto* w = dynamic_cast<TListWidget*>(bridge_);
  model_->Release();
  w->View()->setModel(model_);
  ApplyView();
  if (items_->Updating()) {
    WidgetOf(this)->setUpdatesEnabled(false);
    model_->Hold();
  }
}

void TCustomListView::DestroyWnd() {
  FinishEdit(true);
  if (WindowsAbandoned()) return TWinControl::DestroyWnd();
  if (auto* w = dynamic_cast<TListWidget*>(bridge_)) w->View()->setModel(nullptr);
  TWinControl::DestroyWnd();
}

void TCustomListView::ApplyWidgetState() {
  TWinControl::ApplyWidgetState();
  if (!bridge_) return;
  ApplyBaseColors(WidgetOf(this), Color(), Font()->Color());
  ApplyView();
}

// The widget takes the view's settings: the columns' widths, the flow of the icons.
void TCustomListView::ApplyView() {
  auto* w = dynamic_cast<TListWidget*>(bridge_);
  if (!w) return;
  if (auto* t = dynamic_cast<QTreeView*>(w->View())) {
    t->setHeaderHidden(columns_->Count() == 0);
    std::vector<int> widths = ColumnWidths();
    QSignalBlocker quiet(t->header());
    for (std::size_t i = 0; i < widths.size(); ++i) t->header()->resizeSection(static_cast<int>(i), widths[i]);
    if (columns_->Count() == 0) t->header()->resizeSection(0, std::max(ClientWidth(), 100));
    t->doItemsLayout();
  } else if (auto* l = dynamic_cast<QListView*>(w->View())) {
    l->setViewMode(viewStyle_ == vsIcon ? QListView::IconMode : QListView::ListMode);
    l->setFlow(viewStyle_ == vsList ? QListView::TopToBottom : QListView::LeftToRight);
    l->setWrapping(true);
    l->setMovement(QListView::Static);
    l->setResizeMode(iconOptions_->AutoArrange() || viewStyle_ != vsIcon ? QListView::Adjust : QListView::Fixed);
    if (viewStyle_ == vsIcon) l->setGridSize(static_cast<TListDelegate*>(l->itemDelegate())->IconCell());
    else l->setGridSize(QSize());
    l->doItemsLayout();
  }
}

void TCustomListView::SizeChanged() {
  TWinControl::SizeChanged();
  if (viewStyle_ == vsReport) ApplyView();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == largeImages_) largeImages_ = nullptr;
  if (AComponent == smallImages_) smallImages_ = nullptr;
  if (AComponent == stateImages_) stateImages_ = nullptr;
}

void TCustomListView::SetViewStyle(TViewStyle v) {
  if (v == viewStyle_) return;
  FinishEdit(true);
  viewStyle_ = v;
  model_->Reset();
  RecreateWnd();
}

void TCustomListView::SetIconOptions(const TIconOptions* v) {
  if (v) iconOptions_->SetAutoArrange(v->AutoArrange());
}

void TCustomListView::SetLargeImages(TImageList* v) {
  largeImages_ = v;
  if (v) v->FreeNotification(this);
  ApplyView();
}

void TCustomListView::SetSmallImages(TImageList* v) {
  smallImages_ = v;
  if (v) v->FreeNotification(this);
  ApplyView();
}

void TCustomListView::SetStateImages(TImageList* v) {
  stateImages_ = v;
  if (v) v->FreeNotification(this);
  ApplyView();
}

void TCustomListView::SetHideSelection(bool v) {
  hideSelection_ = v;
  Invalidate();
}

void TCustomListView::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

// ---- layout

int TCustomListView::RowHeight() const {
  int h = QFontMetrics(Font()->QtFont()).height() + 2;
  if (smallImages_) h = std::max(h, smallImages_->Height());
  if (stateImages_) h = std::max(h, stateImages_->Height());
  return h;
}

TCustomListView::RowLayout TCustomListView::LayoutOf(const TListItem* Item, int Left) const {
  RowLayout l;
  int x = Left + 2;
  l.StateLeft = x;
  if (stateImages_ && Item->StateIndex() >= 0) x += stateImages_->Width();
  l.ImageLeft = x;
  if (smallImages_) x += smallImages_->Width() + 2;
  l.LabelLeft = x;
  l.LabelRight = x + QFontMetrics(Font()->QtFont()).horizontalAdvance(ToQString(Item->Caption())) + 4;
  return l;
}

std::vector<int> TCustomListView::ColumnWidths() const {
  std::vector<int> widths;
  int n = columns_->Count();
  if (n == 0) return widths;
  QFontMetrics fm(Font()->QtFont());
  int fixed = 0, autoContent = 0;
  std::vector<bool> isAuto;
  for (int c = 0; c < n; ++c) {
    TListColumn* col = columns_->Items(c);
    isAuto.push_back(col->AutoSize());
    if (!col->AutoSize()) {
      widths.push_back(col->Width());
      fixed += col->Width();
      continue;
    }
    // As wide as the widest text of the column.
    int w = fm.horizontalAdvance(ToQString(col->Caption())) + 12;
    for (const auto& item : items_->items_) {
      if (c == 0) w = std::max(w, LayoutOf(item.get(), 0).LabelRight + 6);
      else if (c - 1 < item->SubItems()->Count())
        w = std::max(w, fm.horizontalAdvance(ToQString(item->SubItems()->Strings(c - 1))) + 12);
    }
    widths.push_back(w);
    autoContent += w;
  }
  int autoCount = static_cast<int>(std::count(isAuto.begin(), isAuto.end(), true));
  int room = ClientWidth() - fixed - autoContent;
  if (autoCount > 0 && room > 0)
    for (int c = 0; c < n; ++c)
      if (isAuto[static_cast<std::size_t>(c)]) widths[static_cast<std::size_t>(c)] += room / autoCount;
  return widths;
}

void TCustomListView::ColumnsChanged() {
  model_->Reset();
  ApplyView();
}

// ---- the widget follows the items

void TCustomListView::ItemChanged(TListItem* Item, TItemChange Change) {
  model_->Changed(Item->Index());
  if (Change == ctText && viewStyle_ == vsReport && !items_->Updating()) ApplyView();
  if (!ComponentState().Contains(csDestroying)) this->Change(Item, Change);
}

void TCustomListView::ItemInserted(int) {
  if (viewStyle_ == vsReport && !items_->Updating()) ApplyView();
}

void TCustomListView::ItemDeleting(TListItem* Item) {
  Item->deleting_ = true;
  if (editItem_ == Item) FinishEdit(true);
  if (selected_ == Item) selected_ = nullptr;
  if (focused_ == Item) focused_ = nullptr;
  drop_.Forget(Item);
  if (pressedSelected_ == Item) pressedSelected_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) Delete(Item);
}

void TCustomListView::ItemRemoved(int) {
  if (viewStyle_ == vsReport && !items_->Updating()) ApplyView();
}

void TCustomListView::Reset() {
  auto* w = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this));
  ApplyView();
  if (!w) return;
  w->verticalScrollBar()->setValue(heldTop_);
  w->horizontalScrollBar()->setValue(heldLeft_);
  w->setUpdatesEnabled(true);
  Invalidate();
}

void TCustomListView::Delete(TListItem* Item) {
  if (OnDeletion) OnDeletion(this, Item);
}

void TCustomListView::Change(TListItem* Item, TItemChange Change) {
  if (OnChange) OnChange(this, Item, Change);
}

// ---- selection

void TCustomListView::SetSelected(TListItem* Item) {
  if (Item == selected_) return;
  TListItem* old = selected_;
  selected_ = Item;
  if (Item) focused_ = Item;
  if (old) ItemChanged(old, ctState);
  if (Item && selected_ == Item) {
    ItemChanged(Item, ctState);
    Item->MakeVisible(false);
  }
}

void TCustomListView::SetItemFocused(TListItem* Item) {
  TListItem* old = focused_;
  focused_ = Item;
  if (old && old != Item) ItemChanged(old, ctState);
  if (Item && Item != old) ItemChanged(Item, ctState);
}

void TCustomListView::SelectByUser(TListItem* Item) { SetSelected(Item); }

TListItem* TCustomListView::DropTarget() const { return drop_.Shown(); }

void TCustomListView::SetDropTarget(TListItem* Item) {
  TListItem* old = drop_.Current;
  drop_.Current = Item;
  if (old) model_->Changed(old->Index());
  if (Item) model_->Changed(Item->Index());
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const {
  const_cast<TCustomListView*>(this)->HandleNeeded();
  auto* w = dynamic_cast<TListWidget*>(bridge_);
  if (!w || model_->Held()) return nullptr;
  QModelIndex i = w->View()->indexAt(QPoint(X, Y));
  if (!i.isValid() || i.row() >= items_->Count()) return nullptr;
  TListItem* item = items_->Item(i.row());
  // Beside the icon and caption of an icon there is nothing.
  if (viewStyle_ == vsIcon) {
    QRect cell = w->View()->visualRect(i);
    QRect label = LabelRectOf(this, item, cell);
    if (!label.contains(X, Y) && Y >= label.top()) return nullptr;
  }
  return item;
}

TListItem* TCustomListView::TopItem() const {
  auto* w = dynamic_cast<TListWidget*>(bridge_);
  if (!w || model_->Held()) return items_->Count() ? items_->Item(0) : nullptr;
  QModelIndex i = w->View()->indexAt(QPoint(2, 2));
  return i.isValid() ? items_->Item(i.row()) : nullptr;
}

TListItem* TCustomListView::FindData(int StartIndex, void* Value, bool Inclusive, bool Wrap) const {
  int n = items_->Count();
  if (n == 0) return nullptr;
  int first = std::max(0, Inclusive ? StartIndex : StartIndex + 1);
  for (int i = first; i < n; ++i)
    if (items_->Item(i)->Data() == Value) return items_->Item(i);
  if (Wrap)
    for (int i = 0; i < std::min(first, n); ++i)
      if (items_->Item(i)->Data() == Value) return items_->Item(i);
  return nullptr;
}

// ---- editing in place

bool TCustomListView::CanEdit(TListItem* Item) {
  bool allow = true;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(TListItem* Item, std::string& S) {
  if (OnEdited) OnEdited(this, Item, S);
}

void TCustomListView::StartEdit(TListItem* Item) {
  if (!Item || readOnly_ || editItem_) return;
  if (!CanEdit(Item)) return;
  HandleNeeded();
  if (items_->Updating()) return;
  Item->MakeVisible(false);
  editItem_ = Item;
  editing_->Start(ClientWidgetOf(this), Item->DisplayRect(true), Item->Caption(),
                  [this](bool cancel, const std::string& text) {
                    TListItem* item = editItem_;
                    editItem_ = nullptr;
                    if (cancel || !item || item->deleting_) return;
                    std::string s = text;
                    Edit(item, s);
                    item->SetCaption(s);
                  });
}

void TCustomListView::FinishEdit(bool Cancel) {
  if (editing_) editing_->Finish(Cancel);
}

// ---- mouse and keys

void TCustomListView::ClickNative(TMessage& Message, bool Double) {
  editing_->Stop();
  int x = Message.XPos(), y = Message.YPos();
  TListItem* item = GetItemAt(x, y);
  if (!item) {
    if (!Double) SelectByUser(nullptr);
    return;
  }
  pressedSelected_ = !Double && selected_ == item && PtInRect(item->DisplayRect(true), {x, y}) ? item : nullptr;
  SelectByUser(item);
}

void TCustomListView::BeginAutoDrag() {
  TakeClickFocus();
  TPoint p = ScreenToClient(GetCursorPos());
  if (TListItem* item = GetItemAt(p.X, p.Y)) SelectByUser(item);
  BeginDrag(false, -1);
}

void TCustomListView::KeyNative(Word Key) {
  auto* w = dynamic_cast<TListWidget*>(bridge_);
  if (!w || items_->Count() == 0) return;
  if (Key == VK_F2) {
    if (selected_) StartEdit(selected_);
    return;
  }
  // The report scrolls sideways on Left and Right; it has no items there.
  if (viewStyle_ == vsReport && (Key == VK_LEFT || Key == VK_RIGHT)) return;
  TListItem* from = focused_ ? focused_ : selected_;
  if (!from) {
    if (w->MoveFrom(QModelIndex(), Key).isValid()) SelectByUser(items_->Item(0));
    return;
  }
  QModelIndex to = w->MoveFrom(model_->index(from->Index(), 0), Key);
  if (to.isValid() && to.row() < items_->Count()) SelectByUser(items_->Item(to.row()));
}

void TCustomListView::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!TakeClickFocus()) return;
      ClickNative(Message, Message.Msg == WM_LBUTTONDBLCLK);
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (!TakeClickFocus()) return;
      if (TListItem* item = GetItemAt(Message.XPos(), Message.YPos())) SelectByUser(item);
      return;
    case WM_LBUTTONUP: {
      TListItem* pressed = pressedSelected_;
      pressedSelected_ = nullptr;
      if (!pressed || readOnly_ || Dragging()) return;
      if (GetItemAt(Message.XPos(), Message.YPos()) != pressed ||
          !PtInRect(pressed->DisplayRect(true), {Message.XPos(), Message.YPos()}))
        return;
      // A click on the caption of the selected item edits it, unless a
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
    case WM_CHAR:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR: return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    default: TWinControl::DefaultHandler(Message);
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DRAG) return CMDrag(Message);
  if (Message.Msg == WM_KILLFOCUS || Message.Msg == WM_SETFOCUS) {
    TWinControl::Dispatch(Message);
    Invalidate();  // the selection looks different with and without the focus
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- dragging over the list

void TCustomListView::CMDrag(TMessage& Message) {
  TWinControl::Dispatch(Message);
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  TPoint p = ScreenToClient(rec->Pos);
  drop_.Drag(
      static_cast<TDragMessage>(Message.WParam), Message.Result != 0, [&] { return GetItemAt(p.X, p.Y); },
      [this](TListItem* i) { SetDropTarget(i); });
}

void TCustomListView::DoEndDrag(TObject* Target, int X, int Y) {
  TWinControl::DoEndDrag(Target, X, Y);
  drop_.Ended([this](TListItem* i) { SetDropTarget(i); });
}

}  // namespace fw
