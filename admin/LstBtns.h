// A small push button that drops a list of values below (or above) itself,
// as a combo box does without its text field. The inspector puts one at the
// right end of its current row: it offers the property's values, or, when a
// property has no list, it is the "..." button that runs its editor.
#pragma once
#include <functional>
#include <memory>

#include "Bitmap.h"
#include "StdCtrls.h"

namespace dbx {

FW_ENUM(TDropAlign, daLeft, daRight)

using TDropEvent = std::function<void(fw::TObject* Sender, bool& CanDrop)>;

class TListButton;

// The dropped list: a top-level window of its button, hidden until dropped,
// drawn as if it had the focus while the button keeps it.
class TPopupListBox : public fw::TCustomListBox {
  FW_CLASS(TPopupListBox, fw::TCustomListBox)
public:
  explicit TPopupListBox(fw::TComponent* AOwner);

protected:
  void CreateParams(fw::TCreateParams& Params) override;
  void MouseUp(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
};

class TListButton : public fw::TCustomControl {
  FW_CLASS(TListButton, fw::TCustomControl)
public:
  explicit TListButton(fw::TComponent* AOwner);
  ~TListButton() override;

  bool AutoWidth() const { return autoWidth_; }
  void SetAutoWidth(bool v) { autoWidth_ = v; }
  TDropAlign DropAlign() const { return dropAlign_; }
  void SetDropAlign(TDropAlign v) { dropAlign_ = v; }
  fw::TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const fw::TBitmap* v);
  fw::TStrings* Items() const { return list_->Items(); }
  void SetItems(const fw::TStrings* v) { list_->SetItems(v); }
  int ItemIndex() const { return list_->ItemIndex(); }
  void SetItemIndex(int v) { list_->SetItemIndex(v); }
  int ListWidth() const { return listWidth_; }
  // A width of one's own ends the automatic one.
  void SetListWidth(int v);
  int MaxListWidth() const { return maxListWidth_; }
  void SetMaxListWidth(int v) { maxListWidth_ = v; }
  int MinListWidth() const { return minListWidth_; }
  void SetMinListWidth(int v) { minListWidth_ = v; }
  bool Sorted() const { return list_->Sorted(); }
  void SetSorted(bool v) { list_->SetSorted(v); }

  TPopupListBox* List() const { return list_; }
  bool ListVisible() const;
  bool Pressed() const { return pressed_; }

  // Opens the list; nothing when it is open already or OnDrop refuses.
  void DropDown();
  // Hides the list; then OnAccept when accepted with an entry selected, else OnCancel.
  void CloseUp(bool Accept);
  // A click by mouse or keyboard: closes the open list, else drops it, and
  // runs OnClick when no list could be dropped.
  void Click() override;
  // Hides the list without telling anyone.
  void HideList();

  void WndProc(fw::TMessage& Message) override;

  fw::TNotifyEvent OnAccept;
  fw::TNotifyEvent OnCancel;
  TDropEvent OnDrop;

protected:
  void Paint() override;
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void MouseMove(fw::TShiftState Shift, int X, int Y) override;
  void MouseUp(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;

private:
  // The list's bounds on the screen for a drop now.
  fw::TRect DropRect();
  void SetPressed(bool v);
  bool PointerInside() const;

  std::unique_ptr<fw::TBitmap> glyph_;
  TPopupListBox* list_;
  bool autoWidth_ = false;
  TDropAlign dropAlign_ = daLeft;
  int listWidth_ = 100;
  int maxListWidth_ = 0;
  int minListWidth_ = 0;
  bool pressed_ = false;
  bool tracking_ = false;
};

}  // namespace dbx
