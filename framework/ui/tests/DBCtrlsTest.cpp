// The data-aware check box over a dataset in memory.
#include <memory>

#include "DBCtrls.h"
#include "MemDataSet.h"
#include "UiTest.h"

namespace fwtest {
FW_IMPLEMENT_CLASS(TMemDataSet)
}

namespace fw::test {
namespace {

class DBCheckBoxTest : public UiTest {
protected:
  DBCheckBoxTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    data = new fwtest::TMemDataSet(form.get());
    data->Define({{"Invited", ftBoolean}, {"Answer", ftString, 10}});
    data->AddRow({{1, 0}, fwtest::TMemDataSet::Str("yes")});
    data->AddRow({{0, 0}, fwtest::TMemDataSet::Str("N")});
    data->AddRow({{}, fwtest::TMemDataSet::Str("maybe")});
    source = new TDataSource(form.get());
    source->SetDataSet(data);
    box = new TDBCheckBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 120, 20);
    box->SetDataSource(source);
    other = new TCheckBox(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 40, 120, 20);
    data->Open();
  }
  std::unique_ptr<TForm> form;
  fwtest::TMemDataSet* data;
  TDataSource* source;
  TDBCheckBox* box;
  TCheckBox* other;
};

TEST_F(DBCheckBoxTest, ShowsTheFieldOfEachRecord) {
  struct Case {
    const char* field;
    const char* checked;
    const char* unchecked;
    TCheckBoxState states[3];  // for the three records
  } cases[] = {
      {"Invited", "True", "False", {cbChecked, cbUnchecked, cbGrayed}},  // a blank field is grayed
      {"Answer", "Yes;Y", "No;N", {cbChecked, cbUnchecked, cbGrayed}},   // any spelling, any case
  };
  for (const Case& c : cases) {
    box->SetDataField(c.field);
    box->SetValueChecked(c.checked);
    box->SetValueUnchecked(c.unchecked);
    data->First();
    for (TCheckBoxState want : c.states) {
      EXPECT_EQ(box->State(), want) << c.field << " record " << data->RecNo();
      data->Next();
    }
  }
}

TEST_F(DBCheckBoxTest, AClickEditsTheRecordAndLeavingWritesIt) {
  box->SetDataField("Answer");
  box->SetValueChecked("Yes;Y");
  box->SetValueUnchecked("No;N");
  data->Next();  // "N"
  ShowActive(form.get());
  box->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return box->Focused(); }));
  Key(WidgetOf(box), Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(data->State(), dsEdit);
  other->SetFocus();
  Pump();
  EXPECT_EQ(data->FieldByName("Answer")->AsString(), "Yes");  // the first spelling is written
  data->Post();

  // A dataset that cannot be modified keeps the box as the field says.
  data->First();
  data->ReadOnlySet = true;
  box->SetDataField("Invited");
  ASSERT_TRUE(box->Checked());
  box->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return box->Focused(); }));
  Key(WidgetOf(box), Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(data->State(), dsBrowse);
}

}  // namespace
}  // namespace fw::test
