#include "NewData.h"

#include "Scope.h"
#include "Seating.h"

using namespace fw;

namespace ostrel {

TNewDataForm* NewDataForm = nullptr;

FW_PUBLISH(TNewDataForm) {
  c.Field("GueDBEdit1", &TNewDataForm::GueDBEdit1);
  c.Field("GueDBEdit2", &TNewDataForm::GueDBEdit2);
  c.Field("GueDBEdit3", &TNewDataForm::GueDBEdit3);
  c.Field("GueDBEdit4", &TNewDataForm::GueDBEdit4);
  c.Field("GueDBEdit5", &TNewDataForm::GueDBEdit5);
  c.Field("GueDBEdit6", &TNewDataForm::GueDBEdit6);
  c.Field("GueDBEdit7", &TNewDataForm::GueDBEdit7);
  c.Field("GueDBEdit8", &TNewDataForm::GueDBEdit8);
  c.Field("GueDBEdit9", &TNewDataForm::GueDBEdit9);
  c.Field("GueDBEdit10", &TNewDataForm::GueDBEdit10);
  c.Field("GueDBEdit11", &TNewDataForm::GueDBEdit11);
  c.Field("GueDBEdit12", &TNewDataForm::GueDBEdit12);
  c.Field("GueDBEdit13", &TNewDataForm::GueDBEdit13);
  c.Field("GueDBEdit14", &TNewDataForm::GueDBEdit14);
  c.Field("GueDBEdit49", &TNewDataForm::GueDBEdit49);
  c.Field("GueGroupBox2", &TNewDataForm::GueGroupBox2);
  c.Field("FirstNameMenu", &TNewDataForm::FirstNameMenu);
  c.Field("GueGroupBox3", &TNewDataForm::GueGroupBox3);
  c.Field("SpouseMenu", &TNewDataForm::SpouseMenu);
  c.Field("GueDBCheckBox1", &TNewDataForm::GueDBCheckBox1);
  c.Field("GueRSVPCk", &TNewDataForm::GueRSVPCk);
  c.Field("GueGroupBox4", &TNewDataForm::GueGroupBox4);
  c.Field("GuestMenu", &TNewDataForm::GuestMenu);
  c.Field("GueDBEdit170", &TNewDataForm::GueDBEdit170);
  c.Field("DoneBitBtn", &TNewDataForm::DoneBitBtn);
  c.Field("BitBtn1", &TNewDataForm::BitBtn1);
  c.Field("GueDBEdit42", &TNewDataForm::GueDBEdit42);
  c.Field("GueGroupBox5", &TNewDataForm::GueGroupBox5);
  c.Field("GueDBEdit101", &TNewDataForm::GueDBEdit101);
  c.Field("GueDBEdit102", &TNewDataForm::GueDBEdit102);
  c.Field("GueDBEdit103", &TNewDataForm::GueDBEdit103);
  c.Field("GueDBEdit104", &TNewDataForm::GueDBEdit104);
  c.Field("GueDBEdit105", &TNewDataForm::GueDBEdit105);
  c.Field("GueDBEdit106", &TNewDataForm::GueDBEdit106);
  c.Method("FormShow", &TNewDataForm::FormShow);
  c.Method("DoneBitBtnClick", &TNewDataForm::DoneBitBtnClick);
  c.Method("BitBtn1Click", &TNewDataForm::BitBtn1Click);
  c.Method("GueDBEdit1KeyPress", &TNewDataForm::GueDBEdit1KeyPress);
  c.Method("FormClose", &TNewDataForm::FormClose);
}

TNewDataForm::TNewDataForm(TComponent* AOwner) : TForm(AOwner) {}

TNewDataForm::~TNewDataForm() = default;

void TNewDataForm::FormShow(TObject*) {
  vx::TvxTable* guests = Form1->SeatTable;
  guests->Edit();
  guests->Append();
  // A record left half made would be posted by the next move through the table.
  TScopeFail cancel([guests] { guests->Cancel(); });
  Form1->SeatTableAfterInsert();
}

void TNewDataForm::DoneBitBtnClick(TObject*) {
  vx::TvxTable* guests = Form1->SeatTable;
  if (Form1->OnlyRSVPCheckBox->Checked() && !GueRSVPCk->Checked()) {
    if (Application->MessageBox("RSVP Not Checked. Do You Want It Checked?", "Only RSVP Checked", MB_OKCANCEL) ==
        IDOK) {
      guests->FieldByName("RSVP_Ck1")->SetAsBoolean(true);
    } else if (Application->MessageBox("Add Guest To List Anyway?", "Only RSVP Checked", MB_OKCANCEL) != IDOK) {
      ShowMessage("Guest Not Added");
      guests->Cancel();
      Close();
      return;
    }
  }
  if (GueDBEdit3->Text().empty()) {
    ShowMessage("Need Last Name. Nothing To Add");
    return;
  }
  // A field that fails its picture stops the post with the focus on its edit.
  guests->Post();
  Close();
}

void TNewDataForm::BitBtn1Click(TObject*) {
  Form1->SeatTable->Cancel();
  Close();
}

void TNewDataForm::GueDBEdit1KeyPress(TObject* Sender, TChar& Key) {
  if (Key != 13) return;
  if (auto* control = dynamic_cast<TWinControl*>(Sender)) SelectNext(control, true, true);
  Key = 0;
}

void TNewDataForm::FormClose(TObject*, TCloseAction&) {
  // The close box leaves as Cancel does: an entry half made never reaches the table.
  vx::TvxTable* guests = Form1->SeatTable;
  if (guests->Active() && (guests->State() == dsInsert || guests->State() == dsEdit)) guests->Cancel();
}

}  // namespace ostrel
