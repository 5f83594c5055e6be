#include "Menus.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <map>

#include "Exceptions.h"
#include "Forms.h"
#include "QtControls.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- shortcuts

TShortCut ShortCut(Word Key, TShiftState Shift) {
  if (Key & 0xFF00) return 0;
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = {};
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

namespace {

struct KeyName {
  Word Key;
  const char* Name;
};

constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},  {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},       {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
    {VK_OEM_PLUS, "+"},  {VK_OEM_MINUS, "-"}, {VK_OEM_COMMA, ","},  {VK_OEM_PERIOD, "."}, {VK_ADD, "Num +"},
    {VK_SUBTRACT, "Num -"}, {VK_MULTIPLY, "Num *"},
};

std::string KeyText(Word key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.Key == key) return k.Name;
  return std::string();
}

}  // namespace

std::string ShortCutToText(TShortCut ShortCut) {
  std::string name = KeyText(ShortCut & 0xFF);
  if (name.empty()) return name;
  std::string s;
  if (ShortCut & scShift) s += "Shift+";
  if (ShortCut & scCtrl) s += "Ctrl+";
  if (ShortCut & scAlt) s += "Alt+";
  return s + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  std::string rest = Text;
  TShortCut shift = 0;
  // The modifiers, in any order; a lone "+" is a key of its own.
  for (bool more = true; more && rest.size() > 1;) {
    more = false;
    for (auto [prefix, bit] : {std::pair{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}}) {
      std::string p = prefix;
      if (rest.size() > p.size() && SameText(rest.substr(0, p.size()), p)) {
        shift |= bit;
        rest = rest.substr(p.size());
        more = true;
      }
    }
  }
  for (Word key = 1; key < 256; ++key) {
    std::string name = KeyText(key);
    if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(key | shift);
  }
  return 0;
}

// ---------------------------------------------------------------- the Qt side

// The submenu of an item, made when it is first shown. A menu goes with its
// item; while Qt is inside an event it goes once the event is done. An item
// without a submenu shows as Action, which its parent's menu owns.
struct TMenuItem::TWindow {
  QMenu* Menu = nullptr;
  QPointer<QAction> Action;
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  ~TWindow() {
    if (!Menu || WindowsAbandoned()) return;
    QObject::disconnect(Menu, nullptr, nullptr, nullptr);
    Menu->hide();
    if (EventDepth() > 0) Menu->deleteLater();
    else delete Menu;
  }
};

namespace {

void Fill(QWidget* target, TMenuItem* parent);

// A click in an open menu: run once the menu has closed, as the window
// system sends its command then.
void ClickLater(TMenuItem* item) {
  std::weak_ptr<const bool> alive = item->LifeToken();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [item, alive] {
        auto a = alive.lock();
        if (a && *a) Guarded(item, [item] { item->Click(); });
      },
      Qt::QueuedConnection);
}

QString ActionText(const TMenuItem* item) {
  QString t = ToQString(item->Caption());
  if (item->ShortCut()) t += '\t' + ToQString(ShortCutToText(item->ShortCut()));
  return t;
}

QMenu* SubMenu(TMenuItem* item) {
  TMenuItem::TWindow* w = item->Window();
  if (!w->Menu) {
    EnsureQtApplication();
    w->Menu = new QMenu();
    std::weak_ptr<const bool> alive = item->LifeToken();
    // Opening a submenu runs its item's OnClick first, which may rebuild it.
    QObject::connect(w->Menu, &QMenu::aboutToShow, w->Menu, [item, alive] {
      Guarded(item, [item] { item->Click(); });
      auto a = alive.lock();
      if (a && *a && item->Window()->Menu) Fill(item->Window()->Menu, item);
    });
  }
  return w->Menu;
}

// The action that shows item in target: its submenu's, else the one it has
// there already, else a new one.
QAction* ActionOf(QWidget* target, TMenuItem* item) {
  if (item->Count() > 0) {
    QMenu* sub = SubMenu(item);
    sub->setTitle(ToQString(item->Caption()));
    return sub->menuAction();
  }
  QPointer<QAction>& a = item->Window()->Action;
  if (a && (a->parent() != target || a->isSeparator() != item->IsLine())) a = nullptr;
  if (!a) {
    a = new QAction(target);
    a->setSeparator(item->IsLine());
    std::weak_ptr<const bool> alive = item->LifeToken();
    if (!item->IsLine())
      QObject::connect(a, &QAction::triggered, a, [item, alive] {
        auto live = alive.lock();
        if (live && *live) ClickLater(item);
      });
  }
  if (!item->IsLine()) a->setText(ActionText(item));
  return a;
}

// The actions that stay on target are kept: one taken off a bar takes the
// state of its open menu along (no entry lit, no arrows to the next one), and
// the OnClick of an opening entry may change the entry's items, which shows
// the bar again.
void Fill(QWidget* target, TMenuItem* parent) {
  qDeleteAll(target->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly));
  QList<QAction*> wanted;
  std::map<int, QActionGroup*> groups;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    QAction* a = ActionOf(target, item);
    a->setEnabled(item->Enabled());
    a->setCheckable(item->Checked() || item->RadioItem());
    a->setChecked(item->Checked());
    if (item->RadioItem()) {
      QActionGroup*& g = groups[item->GroupIndex()];
      if (!g) {
        g = new QActionGroup(target);
        g->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
      }
      g->addAction(a);
    }
    wanted.push_back(a);
  }
  if (target->actions() == wanted) return;
  for (QAction* a : target->actions()) {
    target->removeAction(a);
    if (a->parent() == target && !wanted.contains(a)) delete a;
  }
  target->addActions(wanted);
}

// The form's menu bar: across the top of its window, above the client area.
class TMenuBarWidget : public QMenuBar {
public:
  static constexpr const char* Name = "MenuBar";
  explicit TMenuBarWidget(QWidget* window) : QMenuBar(window) {
    setObjectName(Name);
    setNativeMenuBar(false);
    window->installEventFilter(this);
    Place();
  }
  void Place() {
    if (QWidget* w = parentWidget()) setGeometry(0, 0, w->width(), GetSystemMetrics(SM_CYMENU));
    raise();
  }
  // Lights the first entry and takes the keys. Qt's bar does that on an Alt
  // tap it watches for itself, which it never sees as the controls take every
  // key: it is given one, as the window system reports it (the modifiers
  // before the press, then after the release).
  void EnterKeyboardMode() {
    if (hasFocus()) return;  // a second tap would leave the mode
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QMenuBar::eventFilter(parentWidget(), &press);
    QMenuBar::eventFilter(parentWidget(), &release);
  }
  // Opens the submenu of an entry with its first item lit.
  void Open(QAction* entry) {
    setActiveAction(entry);
    QMenu* m = entry->menu();
    if (!m || !m->isVisible()) return;
    for (QAction* a : m->actions())
      if (!a->isSeparator() && a->isVisible() && a->isEnabled()) {
        m->setActiveAction(a);
        break;
      }
  }
  // Alt went down and no other key since.
  bool AltAlone = false;

protected:
  // The style lights an entry only while its menu is open; lit from the
  // keyboard with the menu closed, the entry looks the same.
  void paintEvent(QPaintEvent* e) override {
    QMenuBar::paintEvent(e);
    QAction* a = activeAction();
    if (!hasFocus() || !a || (a->menu() && a->menu()->isVisible())) return;
    QStyleOptionMenuItem opt;
    initStyleOption(&opt, a);
    opt.rect = actionGeometry(a);
    opt.state |= QStyle::State_Selected | QStyle::State_Sunken;
    QPainter p(this);
    style()->drawControl(QStyle::CE_MenuBarItem, &opt, &p, this);
  }
  // A lone Alt tap on the lit bar leaves it, as Esc does.
  void keyPressEvent(QKeyEvent* e) override {
    AltAlone = e->key() == Qt::Key_Alt && !e->isAutoRepeat();
    QMenuBar::keyPressEvent(e);
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Alt && AltAlone) {
      AltAlone = false;
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QMenuBar::keyPressEvent(&esc);
      return;
    }
    QMenuBar::keyReleaseEvent(e);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == parentWidget() && e->type() == QEvent::Resize) Place();
    // Alt taps are the framework's (MenuKeyUp, keyReleaseEvent): Qt's own
    // watch would undo them.
    if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Alt) return false;
    return QMenuBar::eventFilter(o, e);
  }
};

TMenuBarWidget* BarOf(const TCustomForm* form) {
  QWidget* w = WidgetOf(form);
  if (!w || WindowsAbandoned()) return nullptr;
  // Found by name: the class has no meta-object of its own to be found by.
  return static_cast<TMenuBarWidget*>(w->findChild<QMenuBar*>(TMenuBarWidget::Name, Qt::FindDirectChildrenOnly));
}

// The bar of the form's main menu, when it shows one.
TMenuBarWidget* ShownBar(const TCustomForm* form) {
  if (!form || !form->Menu()) return nullptr;
  TMenuBarWidget* bar = BarOf(form);
  return bar && bar->isVisible() ? bar : nullptr;
}

bool EnterKeyboardMode(TMenuBarWidget* bar) {
  if (!bar || bar->actions().isEmpty()) return false;
  bar->EnterKeyboardMode();
  return true;
}

// Refills the open submenu that shows parent's items.
void RefreshOpen(TMenuItem* parent) {
  if (!parent) return;
  TMenuItem::TWindow* w = parent->Window();
  if (w && w->Menu && w->Menu->isVisible()) Fill(w->Menu, parent);
}

}  // namespace

void UpdateMenuBar(TCustomForm* Form) {
  QWidget* w = WidgetOf(Form);
  if (!w || WindowsAbandoned()) return;
  TMenuBarWidget* bar = BarOf(Form);
  TMainMenu* menu = Form->Menu();
  if (!menu) {
    if (bar) bar->deleteLater();
    if (bar) bar->hide();
    return;
  }
  if (!bar) {
    bar = new TMenuBarWidget(w);
    bar->show();
  }
  bar->setFont(Form->Font()->QtFont());
  bar->Place();
  Fill(bar, menu->Items());
}

// ---------------------------------------------------------------- menu items

FW_PUBLISH(TMenuItem) {
  c.Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  c.Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  c.Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  c.Property("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  c.Property("HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext).Default(0);
  c.Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  c.Property("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  c.Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0);
  c.Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  c.Event("OnClick", &TMenuItem::OnClick);
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), window_(std::make_unique<TWindow>()) {}

TMenuItem::~TMenuItem() { *alive_ = false; }

void TMenuItem::BeforeDestruction() {
  *alive_ = false;
  // The items inside go first, newest first; each leaves this one as it goes.
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
  window_.reset();
  TComponent::BeforeDestruction();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  return items_[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  for (const TMenuItem* p = this; p; p = p->parent_)
    if (p == Item) throw EMenuError("Menu inserted into itself");
  if (Item->parent_) Item->parent_->Remove(Item);
  if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  Changed();
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  items_.erase(items_.begin() + Index);
  item->parent_ = nullptr;
  Changed();
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i < 0) throw EMenuError("Menu item not found");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* item = dynamic_cast<TMenuItem*>(Value)) item->Add(this);
  else if (auto* menu = dynamic_cast<TMenu*>(Value)) menu->Items()->Add(this);
}

void TMenuItem::Changed() {
  if (TMenu* m = GetParentMenu()) m->MenuChanged(this);
}

void TMenuItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut v) {
  if (v == shortCut_) return;
  shortCut_ = v;
  Changed();
}

void TMenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}

void TMenuItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed();
}

void TMenuItem::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (v && radioItem_) UncheckGroup();
  Changed();
}

void TMenuItem::SetRadioItem(bool v) {
  if (v == radioItem_) return;
  radioItem_ = v;
  if (v && checked_) UncheckGroup();
  Changed();
}

void TMenuItem::SetGroupIndex(int v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  if (radioItem_ && checked_) UncheckGroup();
  Changed();
}

void TMenuItem::UncheckGroup() {
  if (!parent_ || ComponentState().Contains(csLoading)) return;
  for (TMenuItem* other : parent_->items_)
    if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_ && other->checked_) {
      other->checked_ = false;
      other->Changed();
    }
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

// ---------------------------------------------------------------- menus

FW_IMPLEMENT_CLASS(TMenu)
FW_IMPLEMENT_CLASS(EMenuError)

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() = default;

void TMenu::BeforeDestruction() {
  // The items go with the menu, and leave their owner as they go.
  items_->Clear();
  items_->menu_ = nullptr;
  TComponent::BeforeDestruction();
}

void TMenu::MenuChanged(TMenuItem* Item) { RefreshOpen(Item->Parent()); }

TMenuItem* TMenu::FindItem(int Value, TFindItemKind Kind) const {
  if (Kind != fkShortCut || Value == 0) return nullptr;
  std::vector<const TMenuItem*> pending{items_.get()};
  while (!pending.empty()) {
    const TMenuItem* p = pending.front();
    pending.erase(pending.begin());
    for (int i = 0; i < p->Count(); ++i) {
      TMenuItem* item = p->Items(i);
      if (item->ShortCut() == Value) return item;
      if (item->Count() > 0) pending.push_back(item);
    }
  }
  return nullptr;
}

bool TMenu::IsShortCut(TMessage& Message) {
  TShortCut key = ShortCut(Message.CharCode(), KeyDataToShiftState(Message.KeyData()));
  TMenuItem* item = FindItem(key, fkShortCut);
  if (!item) return false;
  std::vector<TMenuItem*> parents;
  for (TMenuItem* p = item->Parent(); p && p != items_.get(); p = p->Parent()) parents.insert(parents.begin(), p);
  for (TMenuItem* p : parents) {
    auto alive = p->LifeToken();
    if (!p->Enabled()) return true;
    p->Click();
    if (!*alive) break;
  }
  // The parents may have rebuilt the menu.
  item = FindItem(key, fkShortCut);
  if (item && item->Enabled()) item->Click();
  return true;
}

FW_IMPLEMENT_CLASS(TMainMenu)

void TMainMenu::MenuChanged(TMenuItem* Item) {
  TMenu::MenuChanged(Item);
  if (form_ && (!Item->Parent() || Item->Parent() == Items() || Item == Items())) UpdateMenuBar(form_);
}

FW_PUBLISH(TPopupMenu) {
  c.Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  c.Event("OnPopup", &TPopupMenu::OnPopup);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::BeforeDestruction() {
  popupComponent_ = nullptr;
  TMenu::BeforeDestruction();
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  QMenu* m = SubMenu(Items());
  Fill(m, Items());
  if (m->actions().isEmpty()) return;
  m->popup(QPoint(X, Y));
}

// ---------------------------------------------------------------- routing

bool IsMenuKey(TWinControl* Control, TMessage& Message) {
  TCustomForm* form = GetParentForm(Control);
  TMenuBarWidget* bar = ShownBar(form);
  const Word key = Message.CharCode();
  if (bar && key != VK_MENU) bar->AltAlone = false;
  else if (bar && !(Message.KeyData() & KF_REPEAT_BIT)) bar->AltAlone = true;
  for (TControl* c = Control; c; c = c->Parent())
    if (TPopupMenu* m = c->PopupMenu(); m && m->IsShortCut(Message)) return true;
  if (form && form->Menu() && form->Menu()->IsShortCut(Message)) return true;
  return key == VK_F10 && KeyDataToShiftState(Message.KeyData()).Empty() && EnterKeyboardMode(bar);
}

bool IsMenuChar(TWinControl* Control, TMessage& Message) {
  TCustomForm* form = GetParentForm(Control);
  TMenuBarWidget* bar = ShownBar(form);
  if (!bar) return false;
  TMenuItem* root = form->Menu()->Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (!item->Visible() || item->IsLine() || !IsAccel(static_cast<TChar>(Message.WParam), item->Caption())) continue;
    if (!item->Enabled()) return true;
    if (item->Count() == 0) item->Click();
    else bar->Open(SubMenu(item)->menuAction());
    return true;
  }
  return false;
}

void MenuKeyUp(TWinControl* Control, TMessage& Message) {
  if (Message.CharCode() != VK_MENU) return;
  TMenuBarWidget* bar = ShownBar(GetParentForm(Control));
  if (!bar || !bar->AltAlone) return;
  bar->AltAlone = false;
  if (GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) EnterKeyboardMode(bar);
}

}  // namespace fw
