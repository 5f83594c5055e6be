// The guest entry form over the sample guest table: the defaults, Enter
// through the form, the checks of Add, and the New Guest road.
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "AllForms.h"
#include "Text.h"

namespace ostrel::test {
namespace {

using namespace fw;

class GuestEntry : public AllFormsTest {
protected:
  void SetUp() override {
    AllFormsTest::SetUp();
    OpenAll();
    ASSERT_TRUE(form->OpenFiles());
    guests = form->SeatTable;
    entry = NewDataForm;
  }
  void ShowEntry() {
    RenewEntryForm();
    entry = NewDataForm;
    ShowActive(entry);
    ASSERT_EQ(guests->State(), dsInsert);
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); })) << c->Name();
  }
  void Type(TWinControl* c, const std::string& text) {
    Focus(c);
    for (char ch : text) {
      const int code = ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch;
      Key(WidgetOf(c), code, Qt::NoModifier, QString(QChar(ch)));
    }
  }
  // Whether a guest of this family name is in the table.
  bool Listed(const std::string& lastName) {
    for (guests->First(); !guests->Eof(); guests->Next())
      if (guests->FieldByName("LastN")->AsString() == lastName) return true;
    return false;
  }
  vx::TvxTable* guests = nullptr;
  TNewDataForm* entry = nullptr;
};

TEST_F(GuestEntry, ShowingAppendsARecordWithTheDefaults) {
  ShowEntry();
  for (const char* name : {"Num_Kids", "AdultsThis", "GueEd17", "GueEd18", "TableNum", "TableNumTot"})
    EXPECT_EQ(guests->FieldByName(name)->AsInteger(), 0) << name;
  for (int i = 1; i <= 7; ++i) {
    const std::string n = IntToStr(i);
    EXPECT_EQ(guests->FieldByName("Event_Ck" + n)->AsBoolean(), i == 1) << n;
    for (const char* family : {"ThankYou", "Registered", "RSVP_Ck"})
      EXPECT_FALSE(guests->FieldByName(family + n)->AsBoolean()) << family << n;
    EXPECT_EQ(guests->FieldByName("NumAttend" + n)->AsInteger(), 0) << n;
    if (i >= 3) {
      EXPECT_FALSE(guests->FieldByName("GuestOfCk" + n)->AsBoolean()) << n;
    }
  }
  EXPECT_FALSE(guests->FieldByName("GuestOfBride")->AsBoolean());
  EXPECT_FALSE(guests->FieldByName("GuestOfGroom")->AsBoolean());
  // What the form shows of it, and of the event table.
  EXPECT_EQ(entry->GueDBEdit1->Text(), "Mr. and Mrs.");
  for (vx::TvxDBEdit* menu : {entry->FirstNameMenu, entry->SpouseMenu, entry->GuestMenu})
    EXPECT_EQ(menu->Text(), "1") << menu->Name();
  EXPECT_TRUE(entry->GueDBCheckBox1->Checked());
  EXPECT_FALSE(entry->GueRSVPCk->Checked());
  EXPECT_EQ(entry->GueDBEdit42->Text(), form->Table22->FieldByName("Event1")->AsString());
  EXPECT_EQ(entry->GueDBEdit101->Text(), "Roast Beef");
  EXPECT_EQ(entry->GueDBEdit102->Text(), "Fish");
  EXPECT_EQ(entry->GueDBEdit3->MaxLength(), 25);  // the field's size
}

TEST_F(GuestEntry, EnterWalksTheFormInTabOrder) {
  ShowEntry();
  const std::vector<TWinControl*> order = {
      entry->GueDBEdit1,    entry->GueDBEdit2,  entry->GueDBEdit3,     entry->GueDBEdit4,  entry->GueDBEdit5,
      entry->GueDBEdit6,    entry->GueDBEdit7,  entry->GueDBEdit8,     entry->GueDBEdit9,  entry->GueDBEdit10,
      entry->GueDBEdit11,   entry->GueDBEdit12, entry->GueDBEdit13,    entry->GueDBEdit14, entry->GueDBEdit49,
      entry->FirstNameMenu, entry->SpouseMenu,  entry->GueDBCheckBox1, entry->GueRSVPCk,   entry->GuestMenu,
      entry->GueDBEdit170,  entry->DoneBitBtn};
  Focus(order.front());
  for (std::size_t i = 1; i < order.size(); ++i) {
    Key(WidgetOf(order[i - 1]), Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_EQ(entry->ActiveControl(), order[i]) << "after " << order[i - 1]->Name();
  }
  EXPECT_EQ(guests->State(), dsInsert);  // nothing was added on the way
}

TEST_F(GuestEntry, AddNeedsALastNameThenPostsOnce) {
  ShowEntry();
  const int before = guests->RecordCount();
  entry->DoneBitBtnClick(entry->DoneBitBtn);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Need Last Name. Nothing To Add"});
  EXPECT_TRUE(entry->Visible());
  EXPECT_EQ(guests->State(), dsInsert);
  Type(entry->GueDBEdit3, "Quill");
  entry->DoneBitBtnClick(entry->DoneBitBtn);
  EXPECT_FALSE(entry->Visible());
  EXPECT_EQ(guests->State(), dsBrowse);
  EXPECT_EQ(guests->RecordCount(), before + 1);
  EXPECT_TRUE(Listed("Quill"));
}

TEST_F(GuestEntry, AnInvalidZipCodeKeepsTheFormOpenOnThatField) {
  ShowEntry();
  const int before = guests->RecordCount();
  Type(entry->GueDBEdit3, "Quill");
  Type(entry->GueDBEdit9, "4550");  // one digit short of "#####[-####]"
  messages->Requests.clear();
  QTest::mouseClick(WidgetOf(entry->DoneBitBtn), Qt::LeftButton);
  Pump();
  EXPECT_FALSE(messages->Requests.empty());  // the error was shown
  EXPECT_TRUE(entry->Visible());
  EXPECT_EQ(entry->ActiveControl(), entry->GueDBEdit9);
  EXPECT_EQ(guests->State(), dsInsert);
  EXPECT_EQ(guests->RecordCount(), before);

  // A value that reaches the field by another way is stopped by the table's own check.
  Type(entry->GueDBEdit9, "45501");
  Focus(entry->GueDBEdit4);
  guests->FieldByName("ZipCode")->SetAsString("12");
  EXPECT_THROW(entry->DoneBitBtnClick(entry->DoneBitBtn), EDatabaseError);
  Pump();
  EXPECT_EQ(entry->ActiveControl(), entry->GueDBEdit9);
  EXPECT_EQ(guests->State(), dsInsert);

  guests->FieldByName("ZipCode")->SetAsString("45501-1234");
  entry->DoneBitBtnClick(entry->DoneBitBtn);
  EXPECT_EQ(guests->RecordCount(), before + 1);
}

TEST_F(GuestEntry, TheRSVPQuestionsWhenOnlyRSVPIsOn) {
  form->OnlyRSVPCheckBox->SetChecked(true);
  const int before = guests->RecordCount();
  struct Case {
    std::deque<int> answers;
    bool ticked;  // the RSVP box before Add
    std::vector<std::string> asked;
    bool added;
    bool rsvp;
  } cases[] = {
      {{IDOK}, false, {"RSVP Not Checked. Do You Want It Checked?"}, true, true},
      {{IDCANCEL, IDOK}, false, {"RSVP Not Checked. Do You Want It Checked?", "Add Guest To List Anyway?"}, true, false},
      {{IDCANCEL, IDCANCEL},
       false,
       {"RSVP Not Checked. Do You Want It Checked?", "Add Guest To List Anyway?", "Guest Not Added"},
       false,
       false},
      {{}, true, {}, true, true},
  };
  int added = 0;
  for (const Case& c : cases) {
    const std::string name = "Rsvp" + IntToStr(added + 100 * static_cast<int>(c.answers.size()));
    ShowEntry();
    if (c.ticked) Type(entry->GueRSVPCk, " ");
    Type(entry->GueDBEdit3, name);
    messages->Requests.clear();
    messages->Answers = c.answers;
    entry->DoneBitBtnClick(entry->DoneBitBtn);
    EXPECT_EQ(Asked(), c.asked) << name;
    EXPECT_FALSE(entry->Visible()) << name;
    EXPECT_EQ(guests->State(), dsBrowse) << name;
    if (c.added) ++added;
    EXPECT_EQ(guests->RecordCount(), before + added) << name;
    EXPECT_EQ(Listed(name), c.added) << name;
    if (c.added) {
      EXPECT_EQ(guests->FieldByName("RSVP_Ck1")->AsBoolean(), c.rsvp) << name;
    }
  }
}

TEST_F(GuestEntry, NewGuestSeatsThePeopleAtTheSelectedTable) {
  Items()->Clear();
  TTreeNode* table = Items()->Add(nullptr, "Table # 7");
  TTreeNode* seated = Items()->AddChild(table, "Someone");
  form->TreeView1->SetSelected(seated);  // a person: the guest goes to that person's table
  const int before = guests->RecordCount();
  TreeChanged = false;
  QTimer::singleShot(0, [this] {
    Type(entry->GueDBEdit2, "Ann");
    Type(entry->GueDBEdit3, "Quill");
    Type(entry->GueDBEdit4, "Bo");
    entry->SpouseMenu->SelectAll();
    Type(entry->SpouseMenu, "2");
    QTest::mouseClick(WidgetOf(entry->DoneBitBtn), Qt::LeftButton);
  });
  form->NewGuestButtonClick(form->NewGuestButton);
  EXPECT_FALSE(entry->Visible());
  EXPECT_EQ(guests->RecordCount(), before + 1);
  ASSERT_EQ(table->Count(), 3);
  EXPECT_EQ(table->Item(1)->Text(), "Ann Quill - Roast Beef");
  EXPECT_EQ(table->Item(2)->Text(), "Bo Quill - Fish");
  EXPECT_TRUE(TreeChanged);
  EXPECT_EQ(form->CountLabel->Caption(), "");  // the selected node is a person
  EXPECT_TRUE(form->NewTableButton->Enabled());

  // The record is in the table's file: closed and opened again, it is there.
  guests->Close();
  Session().DropConnections();
  guests->Open();
  EXPECT_TRUE(Listed("Quill"));
  EXPECT_EQ(guests->FieldByName("Spouse")->AsString(), "Bo");
  EXPECT_EQ(guests->FieldByName("SpouseMenu")->AsInteger(), 2);
}

TEST_F(GuestEntry, CancelAndTheCloseBoxAddNothing) {
  Items()->Clear();
  TTreeNode* table = Items()->Add(nullptr, "Table # 7");
  form->TreeView1->SetSelected(table);
  const int before = guests->RecordCount();
  QTimer::singleShot(0, [this] {
    Type(entry->GueDBEdit3, "Gone");
    entry->BitBtn1Click(entry->BitBtn1);
  });
  form->NewGuestButtonClick(form->NewGuestButton);
  EXPECT_EQ(table->Count(), 0);
  EXPECT_EQ(guests->RecordCount(), before);

  // The close box closes the form as Cancel does.
  RenewEntryForm();
  entry = NewDataForm;
  QTimer::singleShot(0, [this] {
    Type(entry->GueDBEdit3, "Closed");
    entry->Perform(WM_CLOSE, 0, 0);
  });
  form->NewGuestButtonClick(form->NewGuestButton);
  EXPECT_EQ(guests->State(), dsBrowse);
  EXPECT_EQ(guests->RecordCount(), before);
  EXPECT_EQ(table->Count(), 0);
  EXPECT_FALSE(Listed("Closed"));
  EXPECT_EQ(form->CountLabel->Caption(), "0 Seated");
}

TEST_F(GuestEntry, NewGuestWithoutASelectedNodeAsksForOne) {
  form->TreeView1->SetSelected(nullptr);
  form->NewGuestButtonClick(form->NewGuestButton);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Please Select A Node"});
  EXPECT_FALSE(entry->Visible());
}

// A guest table that lacks one of the fields the new record's defaults are written to.
class EntryWithoutADefaultedField : public AllFormsTest {
protected:
  void SetUp() override {
    AllFormsTest::SetUp();
    sample::CreateTables(dir.Path());
    auto t = std::make_unique<TTable>(nullptr);
    t->SetDatabaseName(dir.Path());
    t->SetTableName(sample::GuestTableName);
    t->SetTableType(ttKalmure);
    TFieldDefs* f = t->FieldDefs();
    for (const char* name : {"Title", "FirstN", "LastN", "Spouse", "AddLine1", "AddLine2", "City", "State", "ZipCode",
                             "Country", "Home_Phone", "Work_Phone", "Guest_Name", "KidsAges", "KidsMenuItems"})
      f->Add(name, ftString, 40);
    for (const char* name : {"Num_Kids", "FirstNameMenu", "SpouseMenu", "GuestMenu", "TableNum", "AdultsThis", "GueEd17"})
      f->Add(name, ftSmallint);
    for (const char* name : {"Event_Ck1", "RSVP_Ck1"}) f->Add(name, ftBoolean);
    t->CreateTable();
    t->Open();
    for (const char* last : {"Lee", "Ng"}) {
      t->Append();
      t->FieldByName("FirstN")->SetAsString("A");
      t->FieldByName("LastN")->SetAsString(last);
      t->FieldByName("TableNum")->SetAsInteger(1);
      t->Post();
    }
    t->Close();
    OpenAll(false);
  }
};

TEST_F(EntryWithoutADefaultedField, AFormThatCannotBeShownLeavesNoGuestBehind) {
  Create();
  ASSERT_EQ(Items()->Count(), 3);
  form->TreeView1->SetSelected(Items()->GetFirstNode());
  EXPECT_THROW(form->NewGuestButtonClick(form->NewGuestButton), EDatabaseError);
  EXPECT_EQ(form->SeatTable->State(), dsBrowse);
  EXPECT_EQ(form->SeatTable->RecordCount(), 2);

  // The next build moves through the table: nothing half made is posted by it.
  messages->Answers = {IDOK};
  Create();
  EXPECT_EQ(form->SeatTable->RecordCount(), 2);
  EXPECT_EQ(Dump(), "0 0 0 Table # 1\n1 -1 0 A Lee\n1 -1 0 A Ng\n");
  form->SeatTable->Close();
  Session().DropConnections();
  form->SeatTable->Open();
  EXPECT_EQ(form->SeatTable->RecordCount(), 2);
}

}  // namespace
}  // namespace ostrel::test
