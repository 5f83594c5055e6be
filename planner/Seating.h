// The main window of the seating planner: the seating tree of tables and the
// people seated at them, the icon buttons, the tree commands and the two
// tables of the current directory.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "Buttons.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImageList.h"
#include "StdCtrls.h"
#include "Vxtable.h"

namespace ostrel {

class TForm1 : public fw::TForm {
  FW_CLASS(TForm1, fw::TForm)
public:
  explicit TForm1(fw::TComponent* AOwner);
  ~TForm1() override;

  fw::TTreeView* TreeView1 = nullptr;
  fw::TPanel* Panel1 = nullptr;
  fw::TLabel* CountLabel = nullptr;
  fw::TBitBtn* NoneBitBtn = nullptr;
  fw::TBitBtn* CoupleBitBtn = nullptr;
  fw::TBitBtn* KidBitBtn = nullptr;
  fw::TBitBtn* FemaleBitBtn = nullptr;
  fw::TBitBtn* MaleBitBtn = nullptr;
  fw::TBitBtn* GuestBitBtn = nullptr;
  fw::TBitBtn* MemberBitBtn = nullptr;
  fw::TBitBtn* HappyBitBtn = nullptr;
  fw::TBitBtn* CheckMkBitBtn = nullptr;
  fw::TBitBtn* DontBitBtn = nullptr;
  fw::TBitBtn* None2BitBtn = nullptr;
  fw::TBitBtn* Happy2BitBtn = nullptr;
  fw::TBitBtn* Check2BitBtn = nullptr;
  fw::TBitBtn* Dont2BitBtn = nullptr;
  fw::TBitBtn* NoSmokeBitBtn = nullptr;
  fw::TBitBtn* WheelChrBitBtn = nullptr;
  fw::TBitBtn* HighBitBtn = nullptr;
  fw::TBitBtn* AppleBitBtn = nullptr;
  fw::TBitBtn* FishBitBtn = nullptr;
  fw::TBitBtn* BirdBitBtn = nullptr;
  fw::TBitBtn* FishBirdBitBtn = nullptr;
  fw::TBitBtn* KosherBitBtn = nullptr;
  fw::TBitBtn* CreateButton = nullptr;
  fw::TCheckBox* OnlyRSVPCheckBox = nullptr;
  fw::TCheckBox* UseIconsCheckBox = nullptr;
  fw::TPanel* Panel3 = nullptr;
  fw::TPanel* Panel4 = nullptr;
  fw::TEdit* FontEdit = nullptr;
  fw::TBitBtn* BitBtn1 = nullptr;
  fw::TBitBtn* SaveButton = nullptr;
  fw::TBitBtn* BitBtn2 = nullptr;
  fw::TBitBtn* NewTableButton = nullptr;
  fw::TBitBtn* NewGuestButton = nullptr;
  fw::TBitBtn* DeleteItemButton = nullptr;
  fw::TBitBtn* HelpBitBtn = nullptr;
  fw::TBitBtn* FindFirstBitBtn = nullptr;
  fw::TBitBtn* FindNextBitBtn = nullptr;
  fw::TEdit* Edit1 = nullptr;
  fw::TLabel* Label1 = nullptr;
  fw::TBitBtn* ExitButton = nullptr;
  fw::TProgressBar* ProgressBar1 = nullptr;
  fw::TImageList* ImageList1 = nullptr;
  fw::TImageList* ImageList2 = nullptr;
  fw::TFontDialog* FontDialog1 = nullptr;
  fw::TPrintDialog* PrintDialog1 = nullptr;
  vx::TvxDataSource* DataSource1 = nullptr;
  vx::TvxTable* SeatTable = nullptr;
  vx::TvxDataSource* DataSource22 = nullptr;
  vx::TvxTable* Table22 = nullptr;

  // ---- start-up, window, closing
  void FormCreate(fw::TObject* Sender);
  void FormActivate(fw::TObject* Sender);
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
  void FontEditClick(fw::TObject* Sender);
  void HelpBitBtnClick(fw::TObject* Sender);
  void ExitButtonClick(fw::TObject* Sender);
  // Opens the event table and the guest table of the current directory
  // when they are not open; false, after saying why, when one is missing.
  bool OpenFiles();

  // ---- the tree's own events
  void TreeView1GetImageIndex(fw::TObject* Sender, fw::TTreeNode* Node);
  void TreeView1Change(fw::TObject* Sender, fw::TTreeNode* Node);
  void TreeView1Edited(fw::TObject* Sender, fw::TTreeNode* Node, std::string& S);
  void TreeView1Deletion(fw::TObject* Sender, fw::TTreeNode* Node);
  void TreeView1EndDrag(fw::TObject* Sender, fw::TObject* Target, int X, int Y);

  // ---- building the tree
  void CreateButtonClick(fw::TObject* Sender);
  // Seats the people of SeatTable's current record as the last children of
  // TableNode; swallows every failure; lets the message loop run once.
  void AddTheChildren(fw::TTreeNode* TableNode);
  // The text of reception menu n of the event table, "" outside 1 to 6.
  std::string GetMenuItemText(int n);

  // ---- editing and finding
  void TreeView1Click(fw::TObject* Sender);
  void TreeView1MouseDown(fw::TObject* Sender, fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y);
  void TreeView1DragOver(fw::TObject* Sender, fw::TObject* Source, int X, int Y, fw::TDragState State,
                         bool& Accept);
  void TreeView1DragDrop(fw::TObject* Sender, fw::TObject* Source, int X, int Y);
  void NewTableButtonClick(fw::TObject* Sender);
  void DeleteItemButtonClick(fw::TObject* Sender);
  // The 22 icon buttons.
  void KidBitBtnClick(fw::TObject* Sender);
  // Find First and Next.
  void FindFirstBitBtnClick(fw::TObject* Sender);

  // ---- the tree file, printing and guest entry
  void SaveButtonClick(fw::TObject* Sender);
  void LoadButtonClick(fw::TObject* Sender);
  // The save of SaveButtonClick and of closing: true once the file is written.
  bool SaveTree();
  void BitBtn2Click(fw::TObject* Sender);
  void NewGuestButtonClick(fw::TObject* Sender);
  // Writes the defaults of a new guest into SeatTable's current record.
  void SeatTableAfterInsert();

  // While a long operation lets the message loop run (building the tree,
  // seating a new guest, loading), the commands that change the tree do
  // nothing: they could otherwise free the nodes it is filling.
  bool TreeBusy() const { return treeHolds_ > 0; }
  class TTreeHold {
  public:
    explicit TTreeHold(TForm1& Form) : form_(Form) { ++form_.treeHolds_; }
    ~TTreeHold() { --form_.treeHolds_; }
    TTreeHold(const TTreeHold&) = delete;
    TTreeHold& operator=(const TTreeHold&) = delete;

  private:
    TForm1& form_;
  };

private:
  struct TGuestFields;
  void AddPeople(fw::TTreeNode* TableNode, const TGuestFields& Fields);
  int treeHolds_ = 0;
};

// The program's forms and the state that the planner's handlers share.
extern TForm1* Form1;
inline constexpr int MaxTables = 128;
// Table nodes as the planner counts them.
extern std::int32_t TableCounter;
// The distinct table numbers of the guest table in first-seen order; -1: empty.
extern std::array<std::int32_t, MaxTables> TableNumbers;
// The tree index at which the next search starts.
extern std::int32_t FindPosition;
// The tree differs from the saved tree file.
extern bool TreeChanged;

}  // namespace ostrel
