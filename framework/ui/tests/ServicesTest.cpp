#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Clipbrd.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "TempDir.h"
#include "UiTest.h"

namespace fw::test {
namespace {

class ServicesTest : public UiTest {};

TEST_F(ServicesTest, TheClipboardCarriesTextAndPictures) {
  TClipboard* cb = Clipboard();
  cb->SetAsText("Grüße");
  EXPECT_TRUE(cb->HasFormat(CF_TEXT));
  EXPECT_FALSE(cb->HasFormat(CF_BITMAP));
  EXPECT_EQ(cb->AsText(), "Grüße");

  TPicture picture;
  picture.Bitmap()->SetSize(4, 3);
  picture.Bitmap()->Canvas()->Brush()->SetColor(clRed);
  picture.Bitmap()->Canvas()->FillRect(Rect(0, 0, 4, 3));
  cb->Assign(&picture);
  EXPECT_TRUE(cb->HasFormat(CF_BITMAP));
  TPicture back;
  back.Assign(cb);
  ASSERT_NE(back.Graphic(), nullptr);
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.Height(), 3);
  EXPECT_EQ(back.Bitmap()->Canvas()->Pixels(2, 1), clRed);

  cb->Clear();
  EXPECT_FALSE(cb->HasFormat(CF_BITMAP));
  EXPECT_THROW(back.Assign(cb), EConvertError);
  EXPECT_EQ(back.Width(), 4);  // the picture stays as it was
}

TEST_F(ServicesTest, SelectDirectoryAsksTheMessageService) {
  TempDir tmp;
  std::string existing = tmp.Path();
  std::string fresh = tmp.File("new folder ü");
  auto answer = [&](const std::string& dir) {
    messages->DialogAnswers.push_back([dir](TDialogRequest& r) {
      r.Values["Directory"] = dir;
      return true;
    });
  };
  struct Case {
    const char* what;
    TSelectDirOpts options;
    std::vector<std::string> answers;  // the folders chosen, in turn
    std::vector<int> boxes;            // the answers to the message boxes
    bool result;
    bool created;
    int asked;  // message boxes shown
  } cases[] = {
      {"an existing folder", {}, {existing}, {}, true, false, 0},
      {"a new one without leave is refused", {}, {fresh}, {}, false, false, 1},
      {"a new one is made after the question", {sdAllowCreate, sdPerformCreate, sdPrompt}, {fresh}, {IDYES}, true,
       true, 1},
      {"No to the question asks again", {sdAllowCreate, sdPerformCreate, sdPrompt}, {fresh, existing}, {IDNO}, true,
       false, 1},
      {"allowed but not made", {sdAllowCreate}, {fresh}, {}, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(fresh);
    messages->Dialogs.clear();
    messages->Requests.clear();
    for (const std::string& a : c.answers) answer(a);
    for (int b : c.boxes) messages->Answers.push_back(b);
    std::string dir = "/start/here";
    EXPECT_EQ(SelectDirectory(dir, c.options, 4019), c.result);
    EXPECT_EQ(dir, c.result ? c.answers.back() : "/start/here");
    EXPECT_EQ(std::filesystem::is_directory(fresh), c.created);
    EXPECT_EQ(static_cast<int>(messages->Requests.size()), c.asked);
    ASSERT_FALSE(messages->Dialogs.empty());
    const TDialogRequest& r = messages->Dialogs.front();
    EXPECT_EQ(r.Kind, "SelectDirectory");
    EXPECT_EQ(r.HelpContext, 4019);
    EXPECT_EQ(r.Values.at("Directory"), "/start/here");
    messages->DialogAnswers.clear();
    messages->Answers.clear();
  }
  std::string dir;
  SelectDirectory(dir, {sdAllowCreate, sdPerformCreate, sdPrompt}, 0);
  EXPECT_EQ(messages->Dialogs.back().Values.at("Options"), "sdAllowCreate,sdPerformCreate,sdPrompt");
}

TEST_F(ServicesTest, EdgesAndTheComboArrowInTheSystemColours) {
  TBitmap b;
  b.SetSize(10, 10);
  TRect r = Rect(0, 0, 10, 10);
  ASSERT_TRUE(DrawEdge(b.Canvas(), r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  TCanvas* c = b.Canvas();
  EXPECT_EQ(c->Pixels(0, 5), ColorToRGB(cl3DLight));
  EXPECT_EQ(c->Pixels(1, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(c->Pixels(9, 5), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(c->Pixels(8, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixels(5, 5), ColorToRGB(clBtnFace));
  r = Rect(0, 0, 10, 10);
  c->Brush()->SetColor(clWhite);
  c->FillRect(r);
  DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_FLAT);
  EXPECT_EQ(c->Pixels(0, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixels(9, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixels(5, 5), clWhite);  // no middle asked
  EXPECT_EQ(c->Brush()->Color(), clWhite);  // the canvas keeps its brush

  TBitmap arrow;
  LoadSystemBitmap(&arrow, OBM_COMBO);
  EXPECT_EQ(arrow.Width(), 7);
  EXPECT_EQ(arrow.Height(), 4);
  EXPECT_EQ(arrow.Canvas()->Pixels(3, 3), ColorToRGB(clBtnText));
  EXPECT_EQ(arrow.Canvas()->Pixels(0, 3), ColorToRGB(clBtnFace));
  EXPECT_TRUE(arrow.Transparent());
  EXPECT_THROW(LoadSystemBitmap(&arrow, 1), EResNotFound);

  EXPECT_GT(GetDoubleClickTime(), 0u);
  EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);
}

// A line over a control and its children that inverts what it crosses and
// goes when drawn again, with no painting of the control's own.
TEST_F(ServicesTest, AnInvertedLineOverAControl) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 200, 150);
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetAlign(alClient);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clRed);
  auto* child = new TPanel(form.get());
  child->SetParent(panel);
  child->SetBounds(0, 50, 100, 30);
  child->SetBevelOuter(bvNone);
  child->SetColor(clBlue);
  ShowActive(form.get());
  auto shot = [&] { return WidgetOf(panel)->grab().toImage(); };
  auto at = [](const QImage& i, int x, int y) { return FromQColor(i.pixelColor(x, y)); };
  InvertLine(panel, 40, 0, 40, panel->ClientHeight());
  QImage on = shot();
  EXPECT_EQ(at(on, 40, 10), RGB(0, 255, 255));   // red inverted
  EXPECT_EQ(at(on, 40, 60), RGB(255, 255, 0));   // the child's blue too
  EXPECT_EQ(at(on, 41, 10), clRed);
  EXPECT_EQ(at(on, 40, panel->ClientHeight() - 1), RGB(0, 255, 255));
  InvertLine(panel, 40, 0, 40, panel->ClientHeight());
  QImage off = shot();
  EXPECT_EQ(at(off, 40, 10), clRed);
  EXPECT_EQ(at(off, 40, 60), clBlue);
}

}  // namespace
}  // namespace fw::test
