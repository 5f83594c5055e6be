// Save and Open Tree on the main window, and the close question's save.
#include <sys/stat.h>
#include <unistd.h>

#include "Chars.h"
#include "PlannerTest.h"
#include "SeatingFile.h"

namespace ostrel::test {
namespace {

using namespace fw;
using fw::test::ReadBytes;
using fw::test::WriteBytes;

class TreeFile : public PlannerTest {
protected:
  void SetUp() override {
    PlannerTest::SetUp();
    OpenForm();
  }
  // Two tables, their people with icons, a blank-filled and a non-ASCII text.
  void HandTree() {
    Items()->Clear();
    TTreeNode* a = Items()->Add(nullptr, "Table # 1");
    a->SetStateIndex(0);
    TTreeNode* p = Items()->AddChild(a, "John Lee - Fish");
    p->SetStateIndex(1);
    p->SetImageIndex(12);
    Items()->AddChild(a, "Zoë  Ørsted")->SetStateIndex(7);
    TTreeNode* b = Items()->Add(nullptr, "New Table #2");
    Items()->AddChild(b, "Kid")->SetImageIndex(6);
    form->UseIconsCheckBox->SetChecked(true);
    form->TreeView1->Font()->SetName("DejaVu Sans");
    form->TreeView1->Font()->SetSize(12);
    form->TreeView1->Font()->SetStyle({fsBold});
    TreeChanged = true;
  }
  std::string File() const { return dir.File(SeatingFileName); }
};

TEST_F(TreeFile, SaveThenOpenGivesTheTreeBack) {
  HandTree();
  const std::string before = Dump();
  form->SaveButtonClick(form->SaveButton);
  EXPECT_TRUE(messages->Requests.empty());  // no file yet: nothing to ask
  EXPECT_FALSE(TreeChanged);
  EXPECT_EQ(ReadBytes(File()),
            "1 \r\n0 \r\nDejaVu Sans\r\n12 \r\n1 \r\n0 \r\n5 \r\n"
            "0 0 0 Table # 1\r\n1 1 12 John Lee - Fish\r\n1 7 0 Zoë  Ørsted\r\n"
            "0 -1 0 New Table #2\r\n1 -1 6 Kid\r\n");

  // Another tree and other settings, then the file again.
  Items()->Clear();
  Items()->Add(nullptr, "Other");
  form->UseIconsCheckBox->SetChecked(false);
  form->OnlyRSVPCheckBox->SetChecked(true);
  form->TreeView1->Font()->SetName("Arial");
  form->TreeView1->Font()->SetStyle({fsItalic});
  TableCounter = 40;
  messages->Answers = {IDOK};
  form->LoadButtonClick(form->BitBtn1);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Are You Sure You Want To Overwrite Existing Tables?"});
  EXPECT_EQ(messages->Requests.back().Caption, " Tables Currently Exist !");
  EXPECT_EQ(Dump(), before);
  EXPECT_TRUE(form->UseIconsCheckBox->Checked());
  EXPECT_FALSE(form->OnlyRSVPCheckBox->Checked());
  TFont* font = form->TreeView1->Font();
  EXPECT_EQ(font->Name(), "DejaVu Sans");
  EXPECT_EQ(font->Size(), 12);
  EXPECT_EQ(font->Style(), TFontStyles{fsBold});
  EXPECT_EQ(form->FontEdit->Text(), "DejaVu Sans");
  EXPECT_EQ(TableCounter, 2);  // the tables read, not the nodes
  EXPECT_FALSE(TreeChanged);
  for (TBitBtn* b : {form->SaveButton, form->DeleteItemButton, form->FindFirstBitBtn, form->FindNextBitBtn})
    EXPECT_TRUE(b->Enabled()) << b->Name();
}

TEST_F(TreeFile, NamesWithLineBreaksAndOtherControlsSaveAsOneLineAndOpenAgain) {
  // Other tools write the guest list too: a name may hold anything.
  sample::CreateTables(dir.Path());
  {
    auto t = std::make_unique<TTable>(nullptr);
    sample::OpenGuestTable(*t, dir.Path());
    sample::AppendGuest(*t, {.TableNum = 1, .FirstN = "Ann", .LastN = "Lee\r\nSmith"});
    sample::AppendGuest(*t, {.TableNum = 1, .FirstN = "Bo\tb", .LastN = "Ng\x01\x7f", .Guest_Name = "Al\xc2\x85x"});
    sample::AppendGuest(*t, {.TableNum = 2, .FirstN = "Zo\xe9", .LastN = "Line\nEnd\r"});
  }
  form->UseIconsCheckBox->SetChecked(true);
  form->CreateButtonClick(form->CreateButton);
  messages->Requests.clear();  // the notice of the icons
  // What Save makes of a text: every control character a blank, a byte that is not UTF-8 a replacement character.
  std::string expected;
  for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) {
    std::string text;
    for (TChar c : Utf8ToChars(n->Text())) {
      if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) c = U' ';
      if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD;
      text += CharToUtf8(c);
    }
    expected += std::to_string(n->Level()) + " " + std::to_string(n->StateIndex()) + " " +
                std::to_string(n->ImageIndex()) + " " + text + "\n";
  }
  ASSERT_NE(expected.find("Lee  Smith"), std::string::npos) << expected;

  form->SaveButtonClick(form->SaveButton);
  Items()->Clear();
  form->LoadButtonClick(form->BitBtn1);
  EXPECT_TRUE(Asked().empty()) << Asked().front();
  EXPECT_EQ(Dump(), expected);
  EXPECT_FALSE(TreeChanged);
}

TEST_F(TreeFile, OverwritingAndReplacingAskFirst) {
  HandTree();
  WriteBytes(File(), "old");
  messages->Answers = {IDNO};
  form->SaveButtonClick(form->SaveButton);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Overwrite Existing Seating.dat?"});
  EXPECT_EQ(messages->Requests.back().Caption, "Saving Seating-Tree");
  EXPECT_EQ(ReadBytes(File()), "old");
  EXPECT_TRUE(TreeChanged);

  messages->Answers = {IDYES};
  form->SaveButtonClick(form->SaveButton);
  EXPECT_NE(ReadBytes(File()), "old");
  EXPECT_FALSE(TreeChanged);

  // Cancel keeps the tree that is there.
  Items()->Add(nullptr, "added since");
  messages->Answers = {IDCANCEL};
  form->LoadButtonClick(form->BitBtn1);
  EXPECT_NE(Dump().find("added since"), std::string::npos);
}

TEST_F(TreeFile, AMissingOrDamagedFileLeavesTheTreeAlone) {
  HandTree();
  const std::string tree = Dump();
  struct Case {
    const char* bytes;  // nullptr: no file
    const char* says;
  } cases[] = {
      {nullptr, "Seating.dat Not Found"},
      {"", "Seating.dat Not Found"},
      {"1 \r\n0 \r\nArial\r\n10 \r\n0 \r\n0 \r\n2 \r\n0 0 0 T\r\n1 3 99 x\r\n",
       "Seating.dat Is Damaged And Was Not Loaded.\nLine 9: the node icon 99 is not one of -1 to 12."},
      {"1 \r\n0 \r\nArial\r\n10 \r\n0 \r\n0 \r\n1 \r\n1 0 0 a person\r\n",
       "Seating.dat Is Damaged And Was Not Loaded.\nLine 8: a person comes before any table."},
  };
  for (const Case& c : cases) {
    unlink(File().c_str());
    if (c.bytes) WriteBytes(File(), c.bytes);
    messages->Requests.clear();
    TreeChanged = true;
    form->LoadButtonClick(form->BitBtn1);
    EXPECT_EQ(Asked(), std::vector<std::string>{c.says});  // refused before any question
    EXPECT_EQ(Dump(), tree);
    EXPECT_TRUE(TreeChanged);
  }
}

TEST_F(TreeFile, AFailedSaveSaysSoAndKeepsTheOldFile) {
  HandTree();
  WriteBytes(File(), "old file");
  const std::string temp = File() + ".tmp" + std::to_string(getpid());
  ASSERT_EQ(mkdir(temp.c_str(), 0755), 0);
  messages->Answers = {IDYES};
  form->SaveButtonClick(form->SaveButton);
  EXPECT_EQ(Asked().back(), "Cannot Write To Seating.dat");
  EXPECT_EQ(ReadBytes(File()), "old file");
  EXPECT_TRUE(TreeChanged);

  // Closing: Yes saves, and the window stays open when the save did not happen.
  struct Case {
    std::deque<int> answers;  // the close question, then the overwrite question
    TCloseAction action;
    bool changedAfter;
  } cases[] = {
      {{IDYES, IDYES}, caNone, true},   // the write failed
      {{IDYES, IDNO}, caNone, true},    // the overwrite was declined
      {{IDCANCEL}, caNone, true},
      {{IDNO}, caHide, true},
  };
  for (const Case& c : cases) {
    messages->Answers = c.answers;
    TCloseAction action = caHide;
    form->FormClose(form.get(), action);
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(TreeChanged, c.changedAfter);
  }
  rmdir(temp.c_str());
  messages->Answers = {IDYES, IDYES};
  TCloseAction action = caHide;
  form->FormClose(form.get(), action);
  EXPECT_EQ(action, caHide);
  EXPECT_FALSE(TreeChanged);
  TSeatingTree saved;
  std::string error;
  EXPECT_EQ(ReadSeatingFile(File(), saved, error), TSeatingRead::Ok);
  EXPECT_EQ(saved.Nodes.size(), 5u);
}

}  // namespace
}  // namespace ostrel::test
