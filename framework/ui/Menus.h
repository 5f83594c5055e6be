// Menus: the items (TMenuItem), the form's menu bar (TMainMenu) and the
// context menus of controls (TPopupMenu), with keyboard shortcuts.
//
// Items form a tree under the menu's root item (Items). An item belongs to
// its owner like any component; an item inside another one (or a menu) also
// goes when that one is freed, and leaves its parent when it is freed itself,
// so items
// can be made and freed at any time, also from the OnClick of the item whose
// submenu is opening (the submenu is laid out after that OnClick).
//
// Shortcuts are the framework's, not the window system's: the key-down
// pre-pass of the focused control (CN_KEYDOWN) asks the pop-up menus of the
// control and its parents, then its form's main menu (IsMenuKey). A menu that
// has an item with the key takes the key: the OnClick of the item's parents
// runs first, from the top (they may enable the item or rebuild the menu;
// the item is looked up again after them), then the item's own click when it
// is enabled. Hidden items keep their shortcuts. So are the keys of the bar:
// Alt and an entry's accelerator, when no control of the form has it, opens
// the entry (IsMenuChar); F10, or Alt pressed and let go alone, lights the
// bar for the arrows (IsMenuKey, MenuKeyUp). From there the bar and its
// submenus take the keys themselves.
//
// A click on an item in an open menu runs its OnClick once the menu has
// closed, from the message loop.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Exceptions.h"

namespace fw {

class TMenu;
class TMainMenu;

// A key with Shift, Ctrl and Alt: the virtual key in the low byte.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+N", "Alt+BkSp", "Shift+Del", "F12"; "" for none.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse, without regard to case; 0 when the text names no key.
TShortCut TextToShortCut(const std::string& Text);

FW_ENUM(TFindItemKind, fkCommand, fkHandle, fkShortCut)
FW_EXCEPTION(EMenuError, Exception)

class TMenuItem : public TComponent {
  FW_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  // "&" marks the accelerator ("&&" is one "&"); "-" makes a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // Checking a radio item unchecks the radio items of its parent with the same GroupIndex.
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  std::intptr_t HelpContext() const { return helpContext_; }
  void SetHelpContext(std::intptr_t v) { helpContext_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool IsLine() const { return caption_ == "-"; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const;
  int IndexOf(const TMenuItem* Item) const;
  // Index may be Count. An item has one parent: it leaves the one it had.
  void Insert(int Index, TMenuItem* Item);
  void Add(TMenuItem* Item) { Insert(Count(), Item); }
  // Delete and Remove take the item out without freeing it.
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  // Frees the items inside.
  void Clear();
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
  // The menu whose tree holds the item, or nullptr.
  TMenu* GetParentMenu() const;

  // Runs OnClick.
  virtual void Click();
  TNotifyEvent OnClick;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  // Shared with whoever must know whether the item still exists.
  std::shared_ptr<const bool> LifeToken() const { return alive_; }

  // ---- for the Qt side of the menus (Menus.cpp)
  struct TWindow;
  TWindow* Window() const { return window_.get(); }

protected:
  void BeforeDestruction() override;

private:
  friend class TMenu;
  // Something shown changed: the menu shows it again.
  void Changed();
  void UncheckGroup();

  std::string caption_;
  TShortCut shortCut_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  bool radioItem_ = false;
  int groupIndex_ = 0;
  std::intptr_t helpContext_ = 0;
  std::string hint_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> items_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::unique_ptr<TWindow> window_;
};

class TMenu : public TComponent {
  FW_CLASS(TMenu, TComponent)
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item: the menu's items are its items.
  TMenuItem* Items() const { return items_.get(); }
  // The first item with the shortcut (fkShortCut), visible or not; nullptr when none.
  TMenuItem* FindItem(int Value, TFindItemKind Kind) const;
  // The key of a key-down message as described above; true when the menu took it.
  bool IsShortCut(TMessage& Message);

  // An item of the menu changed.
  virtual void MenuChanged(TMenuItem* Item);

protected:
  void BeforeDestruction() override;

private:
  std::unique_ptr<TMenuItem> items_;
};

// The menu bar of the form whose Menu it is; the bar takes its height from
// the form's client area.
class TMainMenu : public TMenu {
  FW_CLASS(TMainMenu, TMenu)
public:
  using TMenu::TMenu;
  void MenuChanged(TMenuItem* Item) override;

private:
  friend class TCustomForm;
  TCustomForm* form_ = nullptr;  // the form that shows it
};

// A context menu: a control's right click (or the menu key) shows its
// PopupMenu, or its nearest parent's, when AutoPopup is set.
class TPopupMenu : public TMenu {
  FW_CLASS(TPopupMenu, TMenu)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* v) { popupComponent_ = v; }
  // Runs OnPopup, then shows the visible items at a screen point.
  virtual void Popup(int X, int Y);
  TNotifyEvent OnPopup;

protected:
  void BeforeDestruction() override;

private:
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
};

// The key pre-pass of Control: its pop-up menus and its parents', then its
// form's main menu; then F10 puts that menu's bar in keyboard mode, its first
// entry lit and the arrows, Enter and Esc driving it. True when a menu took
// the key.
bool IsMenuKey(TWinControl* Control, TMessage& Message);
// Alt and a character that no control of Control's form took as its
// accelerator (CN_SYSCHAR): the entry of the form's menu bar whose
// accelerator it is opens, its OnClick first as when it is clicked; an entry
// without items is clicked. True when the menu took the character.
bool IsMenuChar(TWinControl* Control, TMessage& Message);
// A key's release (CN_KEYUP): Alt let go with no other key since it went
// down puts the bar in keyboard mode, as F10 does.
void MenuKeyUp(TWinControl* Control, TMessage& Message);

// For the form: makes, fills or removes the menu bar on its window.
void UpdateMenuBar(TCustomForm* Form);

}  // namespace fw
