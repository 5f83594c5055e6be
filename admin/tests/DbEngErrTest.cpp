#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "DbEngErr.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;

// Three entries: a server's own number only on the second.
EDBEngineError ThreeErrors() {
  return EDBEngineError({TDBError(ORVEX_ERR_FILENOTFOUND, "File not found: Guests.db"),
                         TDBError(0x3E06, "General SQL error.", 1205),
                         TDBError(0x2501, "Cannot open the configuration.")});
}

class DbEngErrTest : public test::UiTest {
protected:
  void SetUp() override { dialog.reset(NewForm<TDbEngineErrorDlg>(nullptr)); }
  void TearDown() override { Application->OnException = nullptr; }

  // Runs check while the dialog shows E modally; OK ends it.
  void WhileShown(const EDBEngineError& E, const std::function<void()>& check) {
    QTimer::singleShot(0, [&] {
      check();
      dialog->OKBtn->Click();
    });
    EXPECT_EQ(dialog->Show(E), mrOk);
  }

  std::unique_ptr<TDbEngineErrorDlg> dialog;
};

TEST_F(DbEngErrTest, DetailsToggleTheirPanelCaptionAndHeight) {
  const int full = 290;
  const int closed = full - dialog->DetailsPanel->Height();
  EXPECT_EQ(dialog->IconImage->Picture()->Width(), 32) << "its sign";
  EXPECT_FALSE(dialog->DetailsPanel->Visible()) << "made with its details closed";
  EXPECT_EQ(dialog->DetailsBtn->Caption(), "&Details >>");
  EXPECT_EQ(dialog->ClientHeight(), closed);
  EXPECT_EQ(dialog->ButtonPanel->Top() + dialog->ButtonPanel->Height(), closed);

  dialog->DetailsBtn->Click();
  EXPECT_TRUE(dialog->DetailsPanel->Visible());
  EXPECT_EQ(dialog->DetailsBtn->Caption(), "<< &Details");
  EXPECT_EQ(dialog->ClientHeight(), full);
  EXPECT_EQ(dialog->ButtonPanel->Top() + dialog->ButtonPanel->Height(), dialog->DetailsPanel->Top())
      << "the buttons stay above the details";
  EXPECT_EQ(dialog->DetailsPanel->Top() + dialog->DetailsPanel->Height(), full);

  dialog->DetailsBtn->Click();
  EXPECT_FALSE(dialog->DetailsPanel->Visible());
  EXPECT_EQ(dialog->DetailsBtn->Caption(), "&Details >>");
  EXPECT_EQ(dialog->ClientHeight(), closed);
  EXPECT_EQ(dialog->ButtonPanel->Top() + dialog->ButtonPanel->Height(), closed);
}

TEST_F(DbEngErrTest, TheStackIsWalkedWithBackAndNext) {
  EDBEngineError e = ThreeErrors();
  EXPECT_EQ(e.Message(), "File not found: Guests.db\nGeneral SQL error.\nCannot open the configuration.");
  std::vector<std::vector<std::string>> seen;
  auto record = [&] {
    seen.push_back({dialog->BackBtn->Enabled() ? "back" : "-", dialog->NextBtn->Enabled() ? "next" : "-",
                    dialog->DbMessageText->Text(), dialog->DbResult->Text(), dialog->DbCatSub->Text(),
                    dialog->NativeLabel->Enabled() ? "server" : "-", dialog->NativeResult->Text()});
  };
  WhileShown(e, [&] {
    EXPECT_EQ(dialog->ErrorText->Caption(), e.Message());
    dialog->DetailsBtn->Click();
    record();
    dialog->NextBtn->Click();
    record();
    dialog->NextBtn->Click();
    record();
    dialog->BackBtn->Click();
    record();
  });
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{
                      {"-", "next", "File not found: Guests.db", "9218", "[$24] [$ 2]", "-", ""},
                      {"back", "next", "General SQL error.", "15878", "[$3E] [$ 6]", "server", "1205"},
                      {"back", "-", "Cannot open the configuration.", "9473", "[$25] [$ 1]", "-", ""},
                      {"back", "next", "General SQL error.", "15878", "[$3E] [$ 6]", "server", "1205"},
                  }));
  EXPECT_EQ(dialog->Error(), nullptr) << "nothing is kept once the dialog is closed";

  // Shown again with its details open: the first entry of the new error.
  WhileShown(EDBEngineError(ORVEX_ERR_FILENOTFOUND, "File not found: Seating.db"), [&] {
    seen.clear();
    record();
  });
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{
                      {"-", "-", "File not found: Seating.db", "9218", "[$24] [$ 2]", "-", ""}}));
}

TEST_F(DbEngErrTest, OnlyEngineErrorsAreShownOneAtATime) {
  std::vector<std::string> elsewhere;
  Application->OnException = [&](TObject*, const Exception& e) { elsewhere.push_back(e.Message()); };
  dialog->HookExceptions();
  auto raise = [](const Exception& e) {
    try {
      throw e;
    } catch (...) {
      Application->HandleException(nullptr);
    }
  };
  raise(Exception("Not an engine error"));
  EXPECT_FALSE(dialog->Visible());

  std::vector<std::string> shown;
  QTimer::singleShot(0, [&] {
    shown.push_back(dialog->Visible() && dialog->Error() ? dialog->Error()->Message() : "not shown");
    // A second engine error while the first is up goes where the others go.
    try {
      throw EDBEngineError(ORVEX_ERR_BUSY, "Table busy");
    } catch (...) {
      Application->HandleException(nullptr);
    }
    dialog->OKBtn->Click();
  });
  try {
    throw EDBEngineError(ORVEX_ERR_FILENOTFOUND, "File not found: Guests.db");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"File not found: Guests.db"}));
  EXPECT_EQ(elsewhere, (std::vector<std::string>{"Not an engine error", "Table busy"}));

  // Gone, the dialog leaves the handler it found.
  dialog.reset();
  raise(EDBEngineError(ORVEX_ERR_BUSY, "Table busy again"));
  EXPECT_EQ(elsewhere.back(), "Table busy again");
}

TEST_F(DbEngErrTest, WithoutAHandlerBeforeOthersGoToTheStandardDisplay) {
  dialog->HookExceptions();
  try {
    throw Exception("Disk full");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Disk full.");
  dialog.reset();
  EXPECT_FALSE(Application->OnException) << "none before, none after";
}

}  // namespace
}  // namespace dbx::testing
