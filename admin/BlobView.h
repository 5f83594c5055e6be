// The blob viewer: a window beside the main one that shows the field under
// a data grid's cursor as text, as a picture or not at all, and follows the
// grid from column to column.
#pragma once
#include "DBCtrls.h"
#include "DBGrids.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"

namespace dbx {

// Display modes: the field's own kind, or always one way.
enum TBlobShowType { bstDefault = 0, bstMemory = 15, bstText = 16, bstGraphic = 17 };

class TBlobForm : public fw::TForm {
  FW_CLASS(TBlobForm, fw::TForm)
public:
  explicit TBlobForm(fw::TComponent* AOwner);
  ~TBlobForm() override;

  fw::TDBImage* BlobGraphic = nullptr;
  fw::TDBMemo* BlobMemo = nullptr;
  fw::TPanel* BlankPanel = nullptr;
  fw::TPopupMenu* BlobPopupMenu = nullptr;
  fw::TMenuItem* MOnTop = nullptr;
  fw::TMenuItem* MShowDefault = nullptr;
  fw::TMenuItem* MShowGraphic = nullptr;
  fw::TMenuItem* MShowText = nullptr;
  fw::TMenuItem* MShowMemory = nullptr;
  fw::TMenuItem* MHotKey = nullptr;

  // Follows the grid (none: follows nothing). The grid's column-enter event
  // is taken while followed and given back afterwards.
  void SetGrid(fw::TDBGrid* grid);
  fw::TDBGrid* Grid() const { return grid_; }
  int ShowType() const { return showType_; }
  void SetShowType(int mode);
  bool OnTop() const { return onTop_; }
  void SetOnTop(bool onTop);
  // The control in front: BlobMemo, BlobGraphic or BlankPanel.
  fw::TControl* Shown() const { return shown_; }
  // A blob edited in the viewer goes into the record buffer; nothing is posted.
  void UpdateBlob();

  void FormCreate(fw::TObject* Sender);
  void FormDestroy(fw::TObject* Sender);
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
  void MOnTopClick(fw::TObject* Sender);
  void ShowTypeClick(fw::TObject* Sender);
  void MHotKeyClick(fw::TObject* Sender);

protected:
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;

private:
  void GridColEnter(fw::TObject* Sender);
  void ColumnStep();
  void BringUp(fw::TControl* control);

  fw::TDBGrid* grid_ = nullptr;
  fw::TNotifyEvent gridColEnter_;
  fw::TControl* shown_ = nullptr;
  bool onTop_ = false;
  int showType_ = bstMemory;
};

}  // namespace dbx
