// TNewDataForm, the entry form for one new guest: its edits write straight
// into the new record of the main window's guest table, and show the event
// and its reception menus from the event table.
#pragma once
#include "Buttons.h"
#include "DBCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Vxdbedit.h"

namespace ostrel {

class TNewDataForm : public fw::TForm {
  FW_CLASS(TNewDataForm, fw::TForm)
public:
  explicit TNewDataForm(fw::TComponent* AOwner);
  ~TNewDataForm() override;

  vx::TvxDBEdit* GueDBEdit1 = nullptr;   // Title
  vx::TvxDBEdit* GueDBEdit2 = nullptr;   // FirstN
  vx::TvxDBEdit* GueDBEdit3 = nullptr;   // LastN
  vx::TvxDBEdit* GueDBEdit4 = nullptr;   // Spouse
  vx::TvxDBEdit* GueDBEdit5 = nullptr;   // AddLine1
  vx::TvxDBEdit* GueDBEdit6 = nullptr;   // AddLine2
  vx::TvxDBEdit* GueDBEdit7 = nullptr;   // City
  vx::TvxDBEdit* GueDBEdit8 = nullptr;   // State
  vx::TvxDBEdit* GueDBEdit9 = nullptr;   // ZipCode
  vx::TvxDBEdit* GueDBEdit10 = nullptr;  // Country
  vx::TvxDBEdit* GueDBEdit11 = nullptr;  // Home_Phone
  vx::TvxDBEdit* GueDBEdit12 = nullptr;  // Work_Phone
  vx::TvxDBEdit* GueDBEdit13 = nullptr;  // Guest_Name
  vx::TvxDBEdit* GueDBEdit14 = nullptr;  // Num_Kids
  vx::TvxDBEdit* GueDBEdit49 = nullptr;  // KidsAges
  fw::TGroupBox* GueGroupBox2 = nullptr;
  vx::TvxDBEdit* FirstNameMenu = nullptr;
  fw::TGroupBox* GueGroupBox3 = nullptr;
  vx::TvxDBEdit* SpouseMenu = nullptr;
  fw::TDBCheckBox* GueDBCheckBox1 = nullptr;  // Event_Ck1
  fw::TDBCheckBox* GueRSVPCk = nullptr;       // RSVP_Ck1
  fw::TGroupBox* GueGroupBox4 = nullptr;
  vx::TvxDBEdit* GuestMenu = nullptr;
  vx::TvxDBEdit* GueDBEdit170 = nullptr;  // KidsMenuItems
  fw::TBitBtn* DoneBitBtn = nullptr;
  fw::TBitBtn* BitBtn1 = nullptr;
  vx::TvxDBEdit* GueDBEdit42 = nullptr;  // Event1 of the event table
  fw::TGroupBox* GueGroupBox5 = nullptr;
  vx::TvxDBEdit* GueDBEdit101 = nullptr;  // MenuItem1 to MenuItem6 of the event table
  vx::TvxDBEdit* GueDBEdit102 = nullptr;
  vx::TvxDBEdit* GueDBEdit103 = nullptr;
  vx::TvxDBEdit* GueDBEdit104 = nullptr;
  vx::TvxDBEdit* GueDBEdit105 = nullptr;
  vx::TvxDBEdit* GueDBEdit106 = nullptr;

  // Appends the new record and writes its defaults.
  void FormShow(fw::TObject* Sender);
  // Add Guest(s): the RSVP questions, the last name, then the post.
  void DoneBitBtnClick(fw::TObject* Sender);
  // Cancel: the new record is dropped.
  void BitBtn1Click(fw::TObject* Sender);
  // Enter moves on to the next control.
  void GueDBEdit1KeyPress(fw::TObject* Sender, fw::TChar& Key);
  // However the form is closed, a record still being entered is dropped.
  void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
};

extern TNewDataForm* NewDataForm;

}  // namespace ostrel
