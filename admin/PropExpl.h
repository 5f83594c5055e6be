// The property inspector: a two-column grid of the properties of one
// explorer object, the caption on the left and the display text on the
// right. The current row carries a strip with an in-place editor and, for
// properties with a value list or an editor, a list button at its right end.
// It talks to the properties only through their own operations (display
// text, set text, values, edit, attributes, display limit, caption).
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DbExplif.h"
#include "LstBtns.h"
#include "StdCtrls.h"

namespace dbx {

class TPropExplBox;

FW_ENUM(TPropEditor, peNone, peValues, peEditor)

// The property's display text; a failure to make it gives "Internal error: "
// and its message instead of raising.
std::string PropertyDisplayText(TEProperty& property);

// One row: the property it shows, at an indent level.
class TPropItem : public fw::TPersistent {
  FW_CLASS(TPropItem, fw::TPersistent)
public:
  TPropItem(TEProperty* property, bool raw, int level);

  TEProperty* Property() const { return property_; }
  // Raw rows show the stored value beside the display text, for inspection.
  bool Raw() const { return raw_; }
  int ItemLevel = 0;
  bool IsExpanded = false;

  std::string Name() const;
  TEPropertyAttributes Attributes() const;
  TPropEditor EditorType() const;
  // The display text; a failure to make it is shown, never raised.
  std::string Value() const;
  void SetValue(const std::string& text);
  int DisplayLimit() const;
  bool IsExpandable() const { return Attributes().Contains(paSubProperties); }

private:
  TEProperty* property_;
  bool raw_;
};

// The editor of the current row.
class TPropEdit : public fw::TCustomEdit {
  FW_CLASS(TPropEdit, fw::TCustomEdit)
public:
  TPropEdit(fw::TComponent* AOwner, TPropExplBox* box);
  void WndProc(fw::TMessage& Message) override;

protected:
  void Change() override;

private:
  TPropExplBox* box_;
};

// The strip over the current row; it holds the editor and the list button,
// takes the keys of the name search and passes its mouse on to the box.
class TPropSelection : public fw::TCustomControl {
  FW_CLASS(TPropSelection, fw::TCustomControl)
public:
  TPropSelection(fw::TComponent* AOwner, TPropExplBox* box);
  void WndProc(fw::TMessage& Message) override;

protected:
  void Paint() override;

private:
  TPropExplBox* box_;
};

class TPropExplBox : public fw::TCustomListBox {
  FW_CLASS(TPropExplBox, fw::TCustomListBox)
public:
  explicit TPropExplBox(fw::TComponent* AOwner);
  ~TPropExplBox() override;

  // Removes every row; the next rows go to the top, at level 0.
  void Clear();
  // A row at the insertion point and level; the point moves past it.
  void AddItem(TEProperty* property, bool raw);
  // The first row of that name without regard to case, or -1.
  int IndexOfName(const std::string& name) const;
  TPropItem* Item(int index) const;
  int CurrentIndex() const { return current_; }
  TPropItem* CurrentItem() const { return Item(current_); }
  void SetCurrentIndex(int index);
  int Middle() const { return middle_; }
  void SetMiddle(int value);
  int RowHeight() const { return rowHeight_; }

  void Expand(int row);
  void Collapse(int row);
  // Writes the editor's text into the current row's property. With Report a
  // failure is shown, the editor reloaded and false given back; without it
  // the failure goes on to the caller.
  bool Commit(bool OnlyIfModified, bool Report);
  // Reloads the editor from the current row's property.
  void LoadEditor();
  // The current row's editor dialog; its failure is shown.
  void RunEditor();

  TPropSelection* Selection() const { return selection_; }
  TPropEdit* Editor() const { return editor_; }
  TListButton* ListButton() const { return button_; }
  const std::string& SearchText() const { return search_; }
  int MouseMode() const { return mouseMode_; }

  // Hears the property of every row that becomes current.
  std::function<void(TEProperty* property)> OnSelect;

  void Dispatch(fw::TMessage& Message) override;
  void DefaultHandler(fw::TMessage& Message) override;

protected:
  friend class TPropEdit;
  friend class TPropSelection;
  void DrawItem(int Index, fw::TRect Rect, fw::TOwnerDrawState State) override;
  void Scrolled() override;
  void SizeChanged() override;
  void FontChanged() override;
  void DoEnter() override;
  void DoExit() override;

  // A row as the list and the strip draw it.
  void DrawRow(fw::TCanvas* Canvas, int Index, fw::TRect Rect, bool InStrip);
  // Keys of the editor and of the strip; true when taken.
  bool EditorKey(fw::Word Key, fw::TShiftState Shift);
  bool EditorChar(fw::TChar Ch);
  bool StripKey(fw::Word Key, fw::TShiftState Shift);
  bool StripChar(fw::TChar Ch);
  void EditorChanged();
  // A click in the editor: soon after the click that chose the row it is a
  // double click.
  bool EditorClickIsDouble() const;

private:
  void DeleteRow(int index);
  void Layout();
  void KeepMiddleInLimits();
  void ShowStrip();
  void MoveBy(int rows);
  int PageRows() const;
  // The first row of the current row's group.
  int GroupStart(int row) const;
  bool Search(const std::string& text);
  void StripEscape(bool backspace);
  void FocusEditor();
  void ToggleRow(int row);
  void MouseDownAt(int X, int Y, bool Double);
  void MouseMoveAt(int X, int Y, bool ButtonDown);
  void MouseUpAt(int X);
  void EndMouseMode(bool Apply);
  void MoveColumnLine(int X);
  void ButtonDrop(bool& CanDrop);
  void ButtonAccept();

  std::vector<std::unique_ptr<TPropItem>> rows_;
  TPropSelection* selection_;
  TPropEdit* editor_;
  TListButton* button_;
  std::unique_ptr<fw::TBitmap> arrowImage_;
  std::unique_ptr<fw::TBitmap> dotsImage_;
  int current_ = -1;
  int middle_ = 0;
  int rowHeight_ = 16;
  std::string savedText_;
  std::string search_;
  bool updating_ = false;
  int insertPoint_ = 0;
  int insertLevel_ = 0;
  int mouseMode_ = 0;  // 0 none, 1 choosing rows, 2 moving the column line
  int lineX_ = -1;     // the column line drawn while it moves
  std::uint32_t selectClickTime_ = 0;
  bool selectClicked_ = false;
};

}  // namespace dbx
