// Building the seating tree from real guest tables.
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "PlannerTest.h"
#include "Text.h"

namespace ostrel::test {
namespace {

using namespace fw;

std::string Expected(const char* file) {
  std::ifstream in(std::string(PLANNER_TEST_DATA) + "/" + file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The icons build without the people's kind icons: what the plain build gives.
std::string WithoutKindIcons(const std::string& dump) {
  std::string plain;
  std::istringstream lines(dump);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("1 ", 0) == 0) line = "1 -1" + line.substr(line.find(' ', 2));
    plain += line + "\n";
  }
  return plain;
}

using Build = PlannerTest;

TEST_F(Build, SampleTreePlainWithIconsAndOnlyRSVP) {
  SampleForm();
  Create(true);
  const std::string icons = Expected("sample-icons.txt");
  EXPECT_EQ(Dump(), icons);
  EXPECT_EQ(TableCounter, 8);
  EXPECT_EQ(std::vector<int>(TableNumbers.begin(), TableNumbers.begin() + 9),
            (std::vector<int>{2, 10, 0, 1, 5, 3, 6, 4, -1}));
  EXPECT_TRUE(TreeChanged);
  for (TBitBtn* b : {form->SaveButton, form->DeleteItemButton, form->FindFirstBitBtn, form->FindNextBitBtn})
    EXPECT_TRUE(b->Enabled()) << b->Name();
  EXPECT_FALSE(form->NewTableButton->Enabled());
  EXPECT_EQ(form->ProgressBar1->Position(), 0);
  EXPECT_EQ(form->ProgressBar1->Max(), 200);
  EXPECT_EQ(Asked(), std::vector<std::string>{"Creat Seating Tree With Icons"});

  // A tree that exists is replaced only after OK.
  messages->Answers = {IDOK};
  Items()->Add(nullptr, "Hand-made");
  Create(false, false);
  EXPECT_EQ(Asked().back(), "Are You Sure You Want To Start Over?");
  EXPECT_EQ(messages->Requests.back().Caption, " WARNING !  Tables Exist !");
  // Without icons the people have none; tables keep state 0.
  const std::string plain = WithoutKindIcons(icons);
  EXPECT_EQ(Dump(), plain);

  TableCounter = 99;
  messages->Answers = {IDOK, IDCANCEL};  // the notice, then the start-over question
  Create(false, true);
  EXPECT_EQ(Asked().size(), 4u);
  EXPECT_EQ(Dump(), plain) << "a cancelled start-over touches nothing";
  EXPECT_EQ(TableCounter, 99);

  messages->Answers = {IDOK, IDOK};
  Create(false, true);
  EXPECT_EQ(Dump(), Expected("sample-rsvp.txt"));
}

TEST_F(Build, AtMost128TablesAndAtLeastTwoRecords) {
  sample::CreateTables(dir.Path());
  {
    auto t = std::make_unique<TTable>(nullptr);
    sample::OpenGuestTable(*t, dir.Path());
    sample::AppendGuest(*t, {.TableNum = 7, .FirstN = "Only", .LastN = "One"});
  }
  OpenForm();
  Items()->Add(nullptr, "Kept");
  Create();
  EXPECT_EQ(Asked(), std::vector<std::string>{"Nothing To Create"});
  EXPECT_EQ(Dump(), "0 -1 0 Kept\n");
  EXPECT_EQ(form->ProgressBar1->Position(), 0);
  form.reset();
  Session().DropConnections();

  sample::CreateTables(dir.Path());
  {
    auto t = std::make_unique<TTable>(nullptr);
    sample::OpenGuestTable(*t, dir.Path());
    for (int i = 0; i < 130; ++i) sample::AppendGuest(*t, {.TableNum = 1000 + i, .FirstN = "G", .LastN = IntToStr(i)});
    sample::AppendGuest(*t, {.TableNum = 1000, .FirstN = "Late", .LastN = "Seated"});
    sample::AppendGuest(*t, {.TableNum = 1129, .FirstN = "Late", .LastN = "Unseated"});
  }
  OpenForm();
  Create();
  EXPECT_EQ(TableCounter, 128);
  EXPECT_EQ(TableNumbers[127], 1127);
  int tables = 0, people = 0;
  for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) (n->Level() == 0 ? tables : people)++;
  EXPECT_EQ(tables, 128);
  EXPECT_EQ(people, 129);  // the first 128 and the late guest of table 1000
  EXPECT_EQ(Node("Table # 1000")->Count(), 2);
  EXPECT_EQ(Node("Table # 1000")->Item(1)->Text(), "Late Seated");

  form->NewTableButtonClick(form->NewTableButton);
  EXPECT_EQ(Asked().back(), "All Tables Used Up");
  EXPECT_EQ(Items()->Count(), 257);
}

TEST_F(Build, MissingEventTableStopsBeforeTheGuestTable) {
  sample::MakeSampleGuests(dir.Path());
  std::filesystem::remove(dir.File("WedDat2.db"));
  OpenForm();
  Create();
  EXPECT_EQ(Asked(), std::vector<std::string>{"Cannot Find WedDat2.db"});
  EXPECT_FALSE(form->SeatTable->Active());
  EXPECT_EQ(Items()->Count(), 0);
  EXPECT_EQ(form->ProgressBar1->Position(), 0);
}

TEST_F(Build, CommandsWaitWhileTheTreeIsBeingFilled) {
  SampleForm();
  ShowActive(form.get());
  Items()->Add(nullptr, "Old");
  messages->Answers = {IDOK};
  int during = -1;
  // Runs from the message loop that the build lets run between records.
  QTimer::singleShot(0, [&] {
    during = Items()->Count();
    form->TreeView1->SetSelected(Items()->GetFirstNode());
    form->DeleteItemButtonClick(form->DeleteItemButton);
    form->NewTableButtonClick(form->NewTableButton);
    form->KidBitBtnClick(form->MaleBitBtn);
    form->CreateButtonClick(form->CreateButton);
    form->Close();
  });
  Create();
  EXPECT_GT(during, 8) << "the timer did not fire inside the build";
  EXPECT_EQ(Asked(), std::vector<std::string>{"Are You Sure You Want To Start Over?"});
  EXPECT_EQ(Dump(), WithoutKindIcons(Expected("sample-icons.txt")));
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(TableCounter, 8);
}

TEST_F(Build, AFailureWhileSeatingLeavesTheTreeUpdatingAgain) {
  SampleForm();
  ASSERT_TRUE(form->OpenFiles());
  const int records = form->SeatTable->RecordCount();
  int moves = 0;
  // The guest table fails in the second pass, after the tree update began.
  form->DataSource1->OnDataChange = [&](TObject*, TField*) {
    if (++moves == records + records / 2) throw EDatabaseError("The disk went away");
  };
  EXPECT_THROW(Create(), EDatabaseError);
  form->DataSource1->OnDataChange = nullptr;
  EXPECT_GT(moves, records);
  EXPECT_FALSE(Items()->Updating());

  // The tree is usable: the next build fills it and shows it.
  messages->Answers = {IDOK};
  Create(true);
  EXPECT_EQ(Dump(), Expected("sample-icons.txt"));
  EXPECT_FALSE(Items()->Updating());
}

}  // namespace
}  // namespace ostrel::test
