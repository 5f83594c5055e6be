#include <QAbstractButton>
#include <QTimer>
#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Fields.h"
#include "InputReq.h"
#include "NuboDataSet.h"
#include "Scope.h"
#include "Table.h"
#include "TempDir.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Bytes = std::vector<std::uint8_t>;

// A descriptor as the engine lays it out, written byte by byte: kind at 0,
// count at 4, chosen at 6, save at 8 (16 bits, little-endian), the message
// (128 bytes) at 10, then four options of a 32-byte keyword and a 128-byte
// help text from 138. Texts are put in as given, without a zero added.
struct Descriptor {
  Bytes bytes = Bytes(778, 0);
  void Int16(std::size_t at, int value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  }
  void Text(std::size_t at, const std::string& text) { std::memcpy(&bytes[at], text.data(), text.size()); }
  int At16(std::size_t at) const { return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)); }

  Descriptor(int count, int chosen, int save, const std::string& message = "Table Guests.db is busy.") {
    bytes[0] = 1;  // a busy table
    Int16(4, count);
    Int16(6, chosen);
    Int16(8, save);
    Text(10, message + '\0');
    const char* keywords[] = {"Retry", "Fail", "Wait", "Skip"};
    for (std::size_t i = 0; i < 4; ++i) {
      Text(138 + i * 160, std::string(keywords[i]) + '\0');
      Text(138 + i * 160 + 32, "Help on " + std::string(keywords[i]) + '\0');
    }
  }
};

TInputReqDialog* ShownDialog() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* d = dynamic_cast<TInputReqDialog*>(Screen->Forms(i)); d && d->Visible()) return d;
  return nullptr;
}

class InputReqTest : public test::UiTest {
protected:
  // Runs the callback on d, with user acting on the dialog while it shows.
  std::uint16_t Ask(Descriptor& d, const std::function<void(TInputReqDialog&)>& user) {
    QTimer::singleShot(0, [&] {
      TInputReqDialog* dialog = ShownDialog();
      if (!dialog) {
        ADD_FAILURE() << "no dialog";
        return;
      }
      user(*dialog);
    });
    return InputRequestCallback(d.bytes.data());
  }
  static void Click(TRadioButton* option) { static_cast<QAbstractButton*>(WidgetOf(option))->click(); }
};

TEST_F(InputReqTest, TheDialogShowsTheOptionsTheDescriptorHolds) {
  struct Case {
    int count, chosen;
    std::vector<std::string> options;
    int checked;  // 0-based; -1 none
  } cases[] = {
      {0, 1, {}, -1},
      {1, 1, {"Retry"}, 0},
      {2, 2, {"Retry", "Fail"}, 1},
      {3, 0, {"Retry", "Fail", "Wait"}, 0},
      {4, 7, {"Retry", "Fail", "Wait", "Skip"}, 0},
      {4, 4, {"Retry", "Fail", "Wait", "Skip"}, 3},
      {-1, 1, {}, -1},
      {5, 1, {"Retry", "Fail", "Wait", "Skip"}, 0},
      {0x7FFF, 2, {"Retry", "Fail", "Wait", "Skip"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + ", chosen " + std::to_string(c.chosen));
    Descriptor d(c.count, c.chosen, 0);
    std::unique_ptr<TInputReqDialog> dialog(NewForm<TInputReqDialog>(nullptr));
    dialog->SetRequest(ReadInputRequest(d.bytes.data()));
    EXPECT_EQ(dialog->InputMessage->Caption(), "Table Guests.db is busy.");
    std::vector<std::string> shown;
    for (int i = 0; i < dialog->InputOptions->ControlCount(); ++i) {
      TRadioButton* option = dialog->Option(i);
      ASSERT_NE(option, nullptr);
      shown.push_back(option->Caption());
      EXPECT_EQ(option->Left(), 5);
      EXPECT_EQ(option->Top(), i * (option->Height() + 2) + 7);
      EXPECT_EQ(option->Width(), dialog->InputOptions->Width() - 10);
      EXPECT_EQ(option->Checked(), i == c.checked);
    }
    EXPECT_EQ(shown, c.options);
    EXPECT_EQ(dialog->Selected(), c.checked);
    if (c.checked >= 0) {
      EXPECT_EQ(dialog->ActiveControl(), dialog->Option(c.checked)) << "the engine's choice has the focus";
      EXPECT_EQ(dialog->ErrorHelp->Caption(), "Help on " + c.options[static_cast<std::size_t>(c.checked)]);
    }
  }
}

TEST_F(InputReqTest, TextsEndAtTheirFieldsAndTheSaveFlagComesIn) {
  Descriptor d(2, 1, -1, std::string(128, 'M'));  // no room left for a zero
  d.Text(138, std::string(32, 'K'));              // runs into its help text
  d.Text(138 + 32, std::string(128, 'H'));        // runs into the next option
  TInputRequest r = ReadInputRequest(d.bytes.data());
  EXPECT_EQ(r.Message, std::string(128, 'M'));
  ASSERT_EQ(r.Options.size(), 2u);
  EXPECT_EQ(r.Options[0].Keyword, std::string(32, 'K'));
  EXPECT_EQ(r.Options[0].Help, std::string(128, 'H'));
  EXPECT_EQ(r.Options[1].Keyword, "Fail");
  EXPECT_TRUE(r.Save);
  EXPECT_FALSE(ReadInputRequest(Descriptor(2, 1, 0).bytes.data()).Save);
}

TEST_F(InputReqTest, OKWritesTheAnswerAnythingElseLeavesTheDescriptor) {
  struct Case {
    const char* what;
    int chosen, save;
    std::function<void(TInputReqDialog&)> user;
    std::uint16_t answer;
    int chosenAfter, saveAfter;
  } cases[] = {
      {"OK alone takes the focused option", 3, 0, [](TInputReqDialog& d) { d.OKButton->Click(); }, 3, 3, 0},
      {"a click, the box ticked", 1, 0,
       [](TInputReqDialog& d) {
         Click(d.Option(1));
         EXPECT_EQ(d.ErrorHelp->Caption(), "Help on Fail");
         d.NoPromptAgain->SetChecked(true);
         d.OKButton->Click();
       },
       3, 2, -1},
      {"the box unticked", 2, -1,
       [](TInputReqDialog& d) {
         EXPECT_TRUE(d.NoPromptAgain->Checked());
         d.NoPromptAgain->SetChecked(false);
         d.OKButton->Click();
       },
       3, 2, 0},
      {"Cancel", 2, 0,
       [](TInputReqDialog& d) {
         Click(d.Option(3));
         d.CancelButton->Click();
       },
       0, 2, 0},
      {"the window closed", 2, 0, [](TInputReqDialog& d) { d.Close(); }, 0, 2, 0},
      {"a failure inside", 2, 0,
       [](TInputReqDialog& d) {
         d.OnCloseQuery = [](TObject*, bool&) { throw Exception("broken"); };
         Click(d.Option(0));
         d.OKButton->Click();
       },
       0, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Descriptor d(4, c.chosen, c.save);
    Bytes before = d.bytes;
    int forms = Screen->FormCount();
    EXPECT_EQ(Ask(d, c.user), c.answer);
    EXPECT_EQ(d.At16(6), c.chosenAfter);
    EXPECT_EQ(d.At16(8), c.saveAfter);
    Bytes rest = d.bytes, restBefore = before;
    for (Bytes* b : {&rest, &restBefore}) std::fill(b->begin() + 6, b->begin() + 10, std::uint8_t{0});
    EXPECT_EQ(rest, restBefore) << "only the answer's fields change";
    if (c.answer == 0) {
      EXPECT_EQ(d.bytes, before);
    }
    EXPECT_EQ(Screen->FormCount(), forms) << "the dialog is freed";
  }
}

TEST_F(InputReqTest, WithoutOptionsOKKeepsTheEnginesChoice) {
  Descriptor d(0, 2, 0);
  EXPECT_EQ(Ask(d, [](TInputReqDialog& dialog) { dialog.OKButton->Click(); }), 3);
  EXPECT_EQ(d.At16(6), 2);
}

// The engine asks when a post finds its table held by another writer: the
// user's Retry, given once the other writer let go, lets the post through.
TEST_F(InputReqTest, TheEngineAsksThroughTheRegisteredCallback) {
  test::TempDir temp;
  InitInputReq();
  TScopeExit done([] {
    Session().Close();
    DoneInputReq();
  });
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* t = new TTable(owner.get());
  t->SetDatabaseName(temp.Path());
  t->SetTableName("Guests.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->CreateTable();
  t->Open();
  EXPECT_TRUE(GetInputReqClass()->Registered());

  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(temp.File("Guests.db").c_str(), &holder), SQLITE_OK);
  TScopeExit closeHolder([&] { sqlite3_close(holder); });
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::vector<std::string> asked;
  QTimer::singleShot(0, [&] {
    TInputReqDialog* dialog = ShownDialog();
    if (!dialog) return;
    asked.push_back(dialog->InputMessage->Caption());
    for (int i = 0; dialog->Option(i); ++i) asked.push_back(dialog->Option(i)->Caption());
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    dialog->OKButton->Click();  // Retry, the engine's choice
  });
  t->Append();
  t->FieldByName("ID")->SetAsInteger(1);
  t->Post();
  ASSERT_GE(asked.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(asked.begin() + 1, asked.end()), (std::vector<std::string>{"Retry", "Fail"}));
  EXPECT_EQ(t->RecordCount(), 1);
  t->Close();
}

}  // namespace
}  // namespace dbx::testing
