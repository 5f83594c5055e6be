// The parts of the library's grid unit (Vxdbgrid) that stand under the grid
// core: the text writers that the grid's cells and the data-aware edit share,
// what an edit inside a library grid asks of the grid (IvxEditGrid, which
// the grids implement), and the memo dialog component. Vxdbgrid.h includes
// this header and adds the full data grid, which stands on the core.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "Canvas.h"
#include "Classes.h"
#include "DataSource.h"
#include "GraphicsObjects.h"
#include "Messages.h"

namespace fw {
class TCustomForm;
class TWinControl;
class TMemo;
}

namespace vx {

// One line of Text in Rect, on the canvas's brush and in its font: left
// aligned Indent pixels in, right aligned 3 pixels before the right edge,
// or centred; TopOffset pixels below the top; clipped to Rect, which is
// filled first. Every colour shows exactly on the devices the canvas draws
// on, so no brush is ever dithered. Width, when known, is Text's width.
void WriteAlignedText(fw::TCanvas* Canvas, const fw::TRect& Rect, int Indent, fw::TAlignment Alignment,
                      const std::string& Text, int TopOffset, int Width = -1);

// Text over as many lines as Rect holds, broken after runs of blanks, at
// TABs and at line breaks (CR, LF, CR LF or LF CR); a word wider than Rect
// stands on a line of its own, clipped. The first line is TopOffset pixels
// down. The text ends at its first zero character.
void vxWriteTextLines(fw::TCanvas* Canvas, const fw::TRect& Rect, int Indent, fw::TAlignment Alignment,
                      const std::string& Text, int TopOffset);

// What an edit that sits in a library grid uses of it. The edit finds it
// as its parent control.
class IvxEditGrid {
public:
  virtual ~IvxEditGrid() = default;
  // The grid as a control, to give it the focus.
  virtual fw::TWinControl* GridControl() = 0;
  // A full data grid rather than one of the grid's lighter relatives (the
  // lookup list, the drop-down grid).
  virtual bool IsDataGrid() const = 0;
  // The dgAlwaysShowEditor and dgTabs options.
  virtual bool AlwaysShowEditor() const = 0;
  virtual bool TabsMove() const = 0;
  virtual bool GridFocused() const = 0;
  virtual fw::TColor GridFontColor() const = 0;
  // The grid's own key handling, and its OnKeyDown handler alone.
  virtual void GridKeyDown(fw::Word& Key, fw::TShiftState Shift) = 0;
  virtual void GridOnKeyDown(fw::Word& Key, fw::TShiftState Shift) = 0;
  // The dgEnterToTab key option: Enter moves on as Tab does.
  virtual bool EnterToTab() const { return false; }
};

// ---------------------------------------------------------------- memo dialog

FW_ENUM(TvxMemoAttribute, mSizeable, mWordWrap, mGridShow, mViewOnly, mDisableDialog)
using TvxMemoAttributes = fw::TFlags<TvxMemoAttribute>;

class TvxMemoDlg;
using TvxOnInitMemoDlgEvent = std::function<void(TvxMemoDlg* Dialog)>;
using TvxMemoUserButtonEvent = std::function<void(TvxMemoDlg* Dialog, fw::TMemo* Memo)>;

// Edits a memo field of a data source in a window of its own (Vxmemo): its
// text, font, caption, place and size, and up to two buttons of the user's.
class TvxMemoDialog : public fw::TComponent {
  FW_CLASS(TvxMemoDialog, fw::TComponent)
public:
  explicit TvxMemoDialog(fw::TComponent* AOwner);
  ~TvxMemoDialog() override;

  // ---- published
  fw::TDataSource* DataSource() const { return DataLink_->DataSource(); }
  void SetDataSource(fw::TDataSource* Value);
  const std::string& DataField() const { return DataLink_->FieldName(); }
  void SetDataField(const std::string& Value) { DataLink_->SetFieldName(Value); }
  fw::TFont* Font() const { return Font_.get(); }
  void SetFont(fw::TFont* Value) { Font_->Assign(Value); }
  TvxMemoAttributes MemoAttributes() const { return MemoAttributes_; }
  void SetMemoAttributes(TvxMemoAttributes Value) { MemoAttributes_ = Value; }
  const std::string& Caption() const { return Caption_; }
  void SetCaption(const std::string& Value) { Caption_ = Value; }
  // Left and top both 0 keep the window centred; either above 0 places it.
  int DlgLeft() const { return DlgLeft_; }
  void SetDlgLeft(int Value) { DlgLeft_ = Value; }
  int DlgTop() const { return DlgTop_; }
  void SetDlgTop(int Value) { DlgTop_ = Value; }
  int DlgWidth() const { return DlgWidth_; }
  void SetDlgWidth(int Value) { DlgWidth_ = Value; }
  int DlgHeight() const { return DlgHeight_; }
  void SetDlgHeight(int Value) { DlgHeight_ = Value; }
  TvxOnInitMemoDlgEvent OnInitDialog;
  TvxOnInitMemoDlgEvent OnCloseDialog;
  TvxMemoUserButtonEvent OnUserButton1Click;
  TvxMemoUserButtonEvent OnUserButton2Click;
  // A button shows for each caption that is not empty.
  const std::string& UserButton1Caption() const { return UserButton1Caption_; }
  void SetUserButton1Caption(const std::string& Value) { UserButton1Caption_ = Value; }
  const std::string& UserButton2Caption() const { return UserButton2Caption_; }
  void SetUserButton2Caption(const std::string& Value) { UserButton2Caption_ = Value; }

  // The dialog while it is shown; nullptr otherwise.
  TvxMemoDlg* Form() const { return Form_; }

  virtual void DoInitDialog();
  virtual void DoCloseDialog();
  // Shows the dialog over the active form, editable unless mViewOnly; True
  // when it closed with OK (and an editable field took the text).
  virtual bool Execute();

protected:
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;

private:
  friend bool vxEditMemoField(fw::TCustomForm* Form, TvxMemoDialog* MemoDialog, bool Editable);
  std::unique_ptr<fw::TFieldDataLink> DataLink_;
  std::unique_ptr<fw::TFont> Font_;
  TvxMemoAttributes MemoAttributes_{mSizeable, mWordWrap};
  std::string Caption_;
  int DlgLeft_ = 0;
  int DlgTop_ = 0;
  int DlgWidth_ = 561;
  int DlgHeight_ = 396;
  std::string UserButton1Caption_;
  std::string UserButton2Caption_;
  TvxMemoDlg* Form_ = nullptr;
};

}  // namespace vx
