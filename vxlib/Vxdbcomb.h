// The data-aware combo box: a button edit with a down arrow whose drop-down
// is a list in a pop-up window (TvxPopupListbox). With MapList every item
// reads "Display TAB Stored": the field keeps the stored part, the edit and
// the list show the display part.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "StdCtrls.h"
#include "Vxdotdot.h"

namespace vx {

class TvxDBComboBox;

using TvxComboCloseUpEvent = std::function<void(fw::TObject* Sender, bool Accept)>;

class TvxPopupListbox : public fw::TCustomListBox {
  FW_CLASS(TvxPopupListbox, fw::TCustomListBox)
public:
  explicit TvxPopupListbox(fw::TComponent* AOwner);
  const std::string& SearchText() const { return searchText_; }

protected:
  void CreateParams(fw::TCreateParams& Params) override;
  void CreateWnd() override;
  void KeyPress(fw::TChar& Key) override;
  void DrawItem(int Index, fw::TRect Rect, fw::TOwnerDrawState State) override;

private:
  TvxDBComboBox* Combo() const;
  std::string searchText_;
  std::uint32_t lastKeyTime_ = 0;
};

class TvxDBComboBox : public TvxDBCustomCombo {
  FW_CLASS(TvxDBComboBox, TvxDBCustomCombo)
public:
  explicit TvxDBComboBox(fw::TComponent* AOwner);
  ~TvxDBComboBox() override;

  fw::TStrings* Items() const { return items_.get(); }
  void SetItems(const fw::TStrings* Value);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool Value) { items_->SetSorted(Value); }
  bool MapList() const { return mapList_; }
  void SetMapList(bool Value) { mapList_ = Value; }
  fw::TComboBoxStyle Style() const { return style_; }
  void SetStyle(fw::TComboBoxStyle Value);
  bool AllowClearKey() const { return allowClearKey_; }
  void SetAllowClearKey(bool Value) { allowClearKey_ = Value; }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool Value) { autoDropDown_ = Value; }
  bool ShowMatchText() const { return showMatchText_; }
  void SetShowMatchText(bool Value) { showMatchText_ = Value; }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int Value) { dropDownCount_ = Value; }
  int DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(int Value) { dropDownWidth_ = Value; }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int Value) { itemHeight_ = Value; }
  fw::TNotifyEvent OnDropDown;
  TvxComboCloseUpEvent OnCloseUp;
  fw::TDrawItemEvent OnDrawItem;
  fw::TMeasureItemEvent OnMeasureItem;

  // The list while it exists (made on the first drop-down).
  TvxPopupListbox* List() const { return list_; }
  // The canvas of the drawing events: the edit's while it paints its text, else the list's.
  fw::TCanvas* Canvas() const;

  // ---- mapping between what the field stores and what shows
  std::string GetComboDisplay(const std::string& Value) const;
  std::string GetComboValue(const std::string& Display) const;
  std::string GetComboText();
  void SetComboText(const std::string& Value);
  int GetItemIndex() const;
  void SetItemIndex(int Index);
  bool OwnerDraw() const;
  void ApplyList();
  void DoSelectAll();

  bool Editable() override;
  bool MouseEditable() override;
  bool IsDroppedDown() override { return droppedDown_; }
  std::string GetStoredText() override { return GetComboText(); }
  bool GetFieldMapText(std::string& Text) override;
  void ShowText(fw::TCanvas* Canvas, const fw::TRect& Rect, int X, int Y, const std::string& Text) override;
  void CloseUp(bool Accept) override;
  void DropDown() override;
  void WndProc(fw::TMessage& Message) override;
  void Dispatch(fw::TMessage& Message) override;

protected:
  friend class TvxPopupListbox;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  void KeyUp(fw::Word& Key, fw::TShiftState Shift) override;
  void CNKeyDown(fw::TMessage& Message) override;

private:
  void ListBoxNeeded();
  void ComboDataChange();
  // Selects line I as the keyboard does; False when the record cannot be edited.
  bool SelectLine(int I);
  void ListMouseUp(fw::TObject* Sender, fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y);

  std::unique_ptr<fw::TStringList> items_;
  bool mapList_ = false;
  fw::TComboBoxStyle style_ = fw::csDropDown;
  bool allowClearKey_ = false;
  bool autoDropDown_ = false;
  bool showMatchText_ = false;
  int dropDownCount_ = 8;
  int dropDownWidth_ = 0;
  int itemHeight_ = 0;
  int itemIndex_ = -1;
  TvxPopupListbox* list_ = nullptr;
  fw::TCanvas* paintCanvas_ = nullptr;
  bool droppedDown_ = false;
  bool firstKey_ = false;
  bool autoDrop_ = false;
};

}  // namespace vx
