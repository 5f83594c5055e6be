#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "StdCtrls.h"
#include "TempDir.h"
#include "UiTest.h"

namespace fw::test {

// The form of data/layoutform.dfm, designed at 120 pixels per inch.
class TLayoutForm : public TForm {
  FW_CLASS(TLayoutForm, TForm)
public:
  using TForm::TForm;
  TProgressBar* ProgressBar1 = nullptr;
  TPanel* TopPanel = nullptr;
  TPanel* BottomPanel = nullptr;
  TPanel* LeftPanel = nullptr;
  TPanel* RightPanel = nullptr;
  TBitBtn* CreateButton = nullptr;
  TCheckBox* OnlyRSVPCheckBox = nullptr;
  TCheckBox* UseIconsCheckBox = nullptr;
  TEdit* FontEdit = nullptr;
  TButton* SaveButton = nullptr;
  TButton* ExitButton = nullptr;
  TTreeView* TreeView1 = nullptr;
  TImageList* ImageList1 = nullptr;
  TImageList* ImageList2 = nullptr;
  int created = 0;
  int createClicks = 0;
  void FormCreate(TObject*) { ++created; }
  void CreateButtonClick(TObject*) { ++createClicks; }
};

FW_PUBLISH(TLayoutForm) {
  c.Field("ProgressBar1", &TLayoutForm::ProgressBar1);
  c.Field("TopPanel", &TLayoutForm::TopPanel);
  c.Field("BottomPanel", &TLayoutForm::BottomPanel);
  c.Field("LeftPanel", &TLayoutForm::LeftPanel);
  c.Field("RightPanel", &TLayoutForm::RightPanel);
  c.Field("CreateButton", &TLayoutForm::CreateButton);
  c.Field("OnlyRSVPCheckBox", &TLayoutForm::OnlyRSVPCheckBox);
  c.Field("UseIconsCheckBox", &TLayoutForm::UseIconsCheckBox);
  c.Field("FontEdit", &TLayoutForm::FontEdit);
  c.Field("SaveButton", &TLayoutForm::SaveButton);
  c.Field("ExitButton", &TLayoutForm::ExitButton);
  c.Field("TreeView1", &TLayoutForm::TreeView1);
  c.Field("ImageList1", &TLayoutForm::ImageList1);
  c.Field("ImageList2", &TLayoutForm::ImageList2);
  c.Method("FormCreate", &TLayoutForm::FormCreate);
  c.Method("CreateButtonClick", &TLayoutForm::CreateButtonClick);
}

namespace {

// The screen's resolution for one test.
class ScreenPpi {
public:
  explicit ScreenPpi(int ppi) : old_(Screen->PixelsPerInch()) { Screen->SetPixelsPerInch(ppi); }
  ~ScreenPpi() { Screen->SetPixelsPerInch(old_); }
  ScreenPpi(const ScreenPpi&) = delete;
  ScreenPpi& operator=(const ScreenPpi&) = delete;

private:
  int old_;
};

class FormLayoutTest : public UiTest {};

TRect B(const TControl* c) { return c->BoundsRect(); }

TEST_F(FormLayoutTest, StreamedFormLaysOutAtTheDesignedAndTheScreensResolution) {
  struct Case {
    int ppi;
    TRect client, progress, top, bottom, left, right, tree, create, exit;
    int fontHeight, topFontHeight;
  } cases[] = {
      {120, Rect(0, 0, 600, 400), Bounds(0, 0, 600, 15), Bounds(0, 15, 600, 40), Bounds(0, 370, 600, 30),
       Bounds(0, 55, 120, 315), Bounds(400, 55, 200, 315), Bounds(120, 55, 280, 315), Bounds(10, 10, 100, 30),
       Bounds(110, 270, 80, 30), -14, -17},
      // 96 / 120: every edge is scaled, the sizes follow from the scaled edges
      {96, Rect(0, 0, 480, 320), Bounds(0, 0, 480, 12), Bounds(0, 12, 480, 32), Bounds(0, 296, 480, 24),
       Bounds(0, 44, 96, 252), Bounds(320, 44, 160, 252), Bounds(96, 44, 224, 252), Bounds(8, 8, 80, 24),
       Bounds(88, 216, 64, 24), -11, -14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ppi);
    ScreenPpi ppi(c.ppi);
    std::unique_ptr<TLayoutForm> f(NewForm<TLayoutForm>(nullptr));
    EXPECT_EQ(f->created, 1);
    EXPECT_EQ(f->PixelsPerInch(), c.ppi);
    EXPECT_EQ(f->ClientRect(), c.client);
    // A sizeable frame of 4 and a caption of 19 around the client area.
    EXPECT_EQ(f->Width(), c.client.Right + 8);
    EXPECT_EQ(f->Height(), c.client.Bottom + 27);
    EXPECT_EQ(B(f->ProgressBar1), c.progress);
    EXPECT_EQ(B(f->TopPanel), c.top);
    EXPECT_EQ(B(f->BottomPanel), c.bottom);
    EXPECT_EQ(B(f->LeftPanel), c.left);
    EXPECT_EQ(B(f->RightPanel), c.right);
    EXPECT_EQ(B(f->TreeView1), c.tree);
    EXPECT_EQ(B(f->CreateButton), c.create);
    EXPECT_EQ(B(f->ExitButton), c.exit);
    EXPECT_EQ(f->Font()->Height(), c.fontHeight);
    EXPECT_EQ(f->TreeView1->Font()->Height(), c.fontHeight);  // follows the form
    EXPECT_EQ(f->TopPanel->Font()->Height(), c.topFontHeight);
    EXPECT_TRUE(f->TopPanel->Font()->Style().Contains(fsBold));

    // What the file says besides the places.
    EXPECT_EQ(f->TreeView1->Images(), f->ImageList2);
    EXPECT_EQ(f->TreeView1->StateImages(), f->ImageList1);
    EXPECT_EQ(f->ImageList1->Count(), 5);
    EXPECT_EQ(f->ImageList2->Count(), 4);
    EXPECT_EQ(f->ProgressBar1->Max(), 200);
    EXPECT_EQ(f->ProgressBar1->Position(), 60);
    EXPECT_TRUE(f->UseIconsCheckBox->Checked());
    EXPECT_FALSE(f->OnlyRSVPCheckBox->Checked());
    EXPECT_FALSE(f->SaveButton->Enabled());
    EXPECT_EQ(f->FontEdit->Text(), "MS Sans Serif");
    EXPECT_EQ(f->ExitButton->ModalResult(), mrCancel);
    ASSERT_TRUE(f->CreateButton->OnClick);
    f->CreateButton->OnClick(f->CreateButton);
    EXPECT_EQ(f->createClicks, 1);

    // The anchored button keeps its distances to the right and bottom edges.
    int top = f->ExitButton->Top(), left = f->ExitButton->Left();
    f->SetClientHeight(f->ClientHeight() + 40);
    EXPECT_EQ(f->RightPanel->Height(), c.right.Height() + 40);
    EXPECT_EQ(f->ExitButton->Top(), top + 40);
    EXPECT_EQ(f->ExitButton->Left(), left);
    EXPECT_EQ(f->TreeView1->Height(), c.tree.Height() + 40);
  }
}

TEST_F(FormLayoutTest, AFormThatIsNotScaledKeepsItsDesign) {
  ScreenPpi ppi(96);
  std::unique_ptr<TLayoutForm> f(new TLayoutForm(nullptr));
  f->SetScaled(false);
  ReadComponentRes(f.get(), "TLayoutForm");
  EXPECT_EQ(f->ClientRect(), Rect(0, 0, 600, 400));
  EXPECT_EQ(B(f->LeftPanel), Bounds(0, 55, 120, 315));
  EXPECT_EQ(f->Font()->Height(), -14);
}

TEST_F(FormLayoutTest, ScreenshotOfTheStreamedForm) {
  ScreenPpi ppi(96);
  std::unique_ptr<TLayoutForm> f(NewForm<TLayoutForm>(nullptr));
  TTreeNodes* items = f->TreeView1->Items();
  for (int t = 1; t <= 3; ++t) {
    TTreeNode* table = items->Add(nullptr, "Table # " + std::to_string(t));
    table->SetImageIndex(1);
    table->SetStateIndex(0);
    const char* people[] = {"John Lee - Fish", "Ann Lee", "Lee Child #1 age 4"};
    for (int p = 0; p < 3; ++p) {
      TTreeNode* n = items->AddChild(table, people[p]);
      n->SetImageIndex(p == 0 ? 3 : 2);
      n->SetStateIndex(p == 2 ? 2 : 1);
    }
    table->Expand(false);
  }
  f->TreeView1->SetSelected(items->Item(1));
  ShowActive(f.get());
  f->FontEdit->SetFocus();
  Pump();
  QPixmap shot = WidgetOf(f.get())->grab();
  std::filesystem::path dir = TestFolder();
  std::filesystem::create_directories(dir);
  std::string file = (dir / "layoutform.png").string();
  ASSERT_TRUE(shot.save(QString::fromStdString(file)));
  QImage img = shot.toImage();
  EXPECT_EQ(img.width(), 480);
  EXPECT_EQ(img.height(), 320);
  // The tree's background is the window colour, the panels' the face colour.
  EXPECT_EQ(img.pixelColor(300, 250), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(50, 200), QColor(192, 192, 192));
}

}  // namespace
}  // namespace fw::test
