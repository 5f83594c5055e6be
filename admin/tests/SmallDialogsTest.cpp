#include <QAbstractButton>
#include <QTimer>

#include <dlfcn.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "About.h"
#include "Database.h"
#include "ExplorerTesting.h"
#include "Library.h"
#include "NewAlias.h"
#include "NewDriver.h"
#include "OdbcConfig.h"
#include "SaveAs.h"
#include "Scope.h"
#include "ScopedEnv.h"
#include "Text.h"

namespace dbx::testing {
namespace {

using namespace fw;
using test::ScopedEnv;

template <class F>
F* Showing() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* f = dynamic_cast<F*>(Screen->Forms(i)); f && f->Visible()) return f;
  return nullptr;
}

// Shows the form modally with user acting on it once it shows.
int RunModal(TCustomForm* form, const std::function<void()>& user) {
  QTimer::singleShot(0, user);
  return form->ShowModal();
}

// A click as the user makes it: an error goes to the application's handler.
void Press(TButton* button) { static_cast<QAbstractButton*>(WidgetOf(button))->click(); }

// Each driver as "name[source source]", in list order.
std::vector<std::string> Described(const TOdbcDriverList& drivers) {
  std::vector<std::string> out;
  for (int i = 0; i < drivers.Count(); ++i) {
    std::string text = drivers.Strings(i) + "[";
    TStringList* sources = drivers.Sources(i)->DSNList();
    for (int k = 0; k < sources->Count(); ++k) text += (k ? " " : "") + sources->Strings(k);
    out.push_back(text + "]");
  }
  return out;
}

using Drivers = std::vector<std::string>;

// The one configuration of the tests: the driver manager stays loaded and
// may answer from what it read before. A section written twice is listed
// twice by the driver manager: in a row it is one driver, after another one
// it is a driver again.
void WriteDrivers(test::OdbcConfig& odbc) {
  odbc.Driver("SQLite A").Driver("SQLite B").Driver("SQLite B").Driver("SQLite C").Driver("SQLite B");
  odbc.UserSource("guests", "SQLite A").SystemSource("Gäste", "SQLite B").SystemSource("tables", "SQLite C");
  odbc.Write();
}

TEST(OdbcDrivers, EachDriverWithItsUserAndSystemSources) {
  test::OdbcConfig odbc;
  WriteDrivers(odbc);
  TOdbcDriverList drivers;
  ReadOdbcDrivers(drivers);
  EXPECT_EQ(Described(drivers),
            (Drivers{"SQLite A[guests]", "SQLite B[Gäste]", "SQLite C[tables]", "SQLite B[Gäste]"}));

  test::OdbcConfig::WithoutDriverManager();
  TOdbcDriverList none;
  ReadOdbcDrivers(none);
  EXPECT_EQ(none.Count(), 0);
}

// The stand-in never answers "no more data", and fails where it is told to.
TEST(OdbcDrivers, AStandInDriverManagerEndsTheWalkAtAnErrorOrWhereItStartsOver) {
  ScopedEnv env("FW_ODBC_LIBRARY", ODBC_STANDIN);
  // Kept loaded to read its count of environments after each walk.
  HMODULE standIn = LoadLibrary("odbc32.dll");
  ASSERT_NE(standIn, nullptr);
  TScopeExit unload([standIn] { FreeLibrary(standIn); });
  auto open = reinterpret_cast<int (*)()>(GetProcAddress(standIn, "StandInEnvironments"));
  ASSERT_NE(open, nullptr);

  struct Case {
    const char* fault;
    Drivers expected;
  } cases[] = {
      {"", {"Alpha[one]", "Beta[two]", "Gamma[]"}},
      {"driver-error", {"Alpha[one]"}},
      {"source-error", {"Alpha[one]", "Beta[two]", "Gamma[]"}},
      {"alloc-fails", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    env.Set("STANDIN_ODBC", c.fault);
    TOdbcDriverList drivers;
    ReadOdbcDrivers(drivers);
    EXPECT_EQ(Described(drivers), c.expected);
    EXPECT_EQ(open(), 0) << "the environment is freed";
  }
}

class SmallDialogsTest : public test::UiTest {
protected:
  void TearDown() override { Session().Close(); }
  static std::string FirstDriver() {
    TStringList names;
    Session().GetDriverNames(&names);
    return names.Count() > 0 ? names.Strings(0) : std::string();
  }
};

TEST_F(SmallDialogsTest, NewDriverChecksTheNameAndListsTheSourcesOfTheChosenDriver) {
  test::OdbcConfig odbc;
  WriteDrivers(odbc);
  std::string taken = FirstDriver();
  ASSERT_FALSE(taken.empty());
  std::unique_ptr<TNewDriverForm> form(NewForm<TNewDriverForm>(nullptr));
  EXPECT_EQ(form->Caption(), "New ODBC Driver");
  EXPECT_EQ(form->ComboODBCDriver->Items()->CommaText(), "\"SQLite A\",\"SQLite B\",\"SQLite C\",\"SQLite B\"");
  EXPECT_EQ(form->ComboODBCDriver->ItemIndex(), 0);
  EXPECT_EQ(form->ListDSN->Items()->CommaText(), "guests");
  form->ComboODBCDriver->SetItemIndex(2);
  form->ComboODBCDriverChange(form->ComboODBCDriver);
  EXPECT_EQ(form->ListDSN->Items()->CommaText(), "tables");

  std::vector<std::string> names;
  int result = RunModal(form.get(), [&] {
    for (const std::string& name : {std::string(), LowerCase(taken), std::string("Nübo ODBC")}) {
      names.push_back(name);
      form->DriverName->SetText(name);
      form->OKBtn->Click();
    }
  });
  EXPECT_EQ(result, mrOk);
  ASSERT_EQ(messages->Requests.size(), 2u);
  EXPECT_EQ(messages->Requests[0].Text, "Please specify driver name.");
  EXPECT_EQ(messages->Requests[0].HelpContext, 4041);
  EXPECT_EQ(messages->Requests[1].Text, "Duplicate driver name.");
  EXPECT_EQ(messages->Requests[1].HelpContext, 4040);
  EXPECT_EQ(messages->Requests[1].Buttons.size(), 3u) << "OK, Cancel and Help";
  EXPECT_EQ(form->DriverName->Text(), "Nübo ODBC");
}

TEST_F(SmallDialogsTest, NewDriverWithoutADriverManagerStillChecksTheName) {
  test::OdbcConfig odbc;
  test::OdbcConfig::WithoutDriverManager();
  std::unique_ptr<TNewDriverForm> form(NewForm<TNewDriverForm>(nullptr));
  EXPECT_EQ(form->ComboODBCDriver->Items()->Count(), 0);
  EXPECT_EQ(form->ListDSN->Items()->Count(), 0);
  int result = RunModal(form.get(), [&] {
    form->OKBtn->Click();
    form->CancelBtn->Click();
  });
  EXPECT_EQ(result, mrCancel);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Please specify driver name.");
}

TEST_F(SmallDialogsTest, NewAliasOffersTheSessionsDriversWithTheFirstChosen) {
  std::string first = FirstDriver();
  std::unique_ptr<TNewAliasForm> form(NewForm<TNewAliasForm>(nullptr));
  EXPECT_EQ(form->HelpContext(), 2030);
  std::string shown;
  int result = RunModal(form.get(), [&] {
    shown = form->DriverName();
    form->CancelBtn->Click();
  });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(shown, first);
  TStringList names;
  Session().GetDriverNames(&names);
  EXPECT_EQ(form->DriverList->Items()->Text(), names.Text());
}

class SaveAsTest : public ExplorerTest {};

TEST_F(SaveAsTest, ATakenNameIsShownAndTheDialogStaysWithTheEnteredName) {
  Bind();
  TFakeNode* alpha = Databases()->Find("alpha");
  std::unique_ptr<TSaveAsForm> dialog(NewForm<TSaveAsForm>(nullptr));
  dialog->Object = alpha;
  std::vector<std::string> seen;
  int result = RunModal(dialog.get(), [&] {
    seen.push_back(dialog->Caption());
    seen.push_back(dialog->SaveName->Text());
    dialog->SaveName->SetText("beta");
    Press(dialog->OKBtn);
    seen.push_back(dialog->Visible() ? dialog->SaveName->Text() : "closed");
    dialog->SaveName->SetText("délta");
    dialog->OKBtn->Click();
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(seen, (std::vector<std::string>{"Save alpha as", "alpha", "beta"}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("beta"), std::string::npos) << errors[0];
  EXPECT_EQ(dialog->SaveName->Text(), "délta");
}

TEST_F(SmallDialogsTest, AboutShowsTheCreditsOnADoubleClickAndBothFreeThemselves) {
  std::unique_ptr<TForm> owner(NewForm<TForm>(nullptr));
  owner->SetCaption("Varkon");
  auto* about = NewForm<TAboutDbExplorer>(owner.get());
  EXPECT_EQ(about->Caption(), "About Nubo Administrator");
  EXPECT_EQ(about->ProductName->Caption(), "Nubo Administrator");
  std::string creditsCaption;
  int names = 0;
  RunModal(about, [&] {
    QTimer::singleShot(0, [&] {
      if (auto* credits = Showing<TCreditsForm>()) {
        creditsCaption = credits->Caption();
        names = credits->ListNames->Items()->Count();
        credits->OKBtn->Click();
      }
    });
    about->FormDblClick(about);
    about->OKBtn->Click();
  });
  EXPECT_EQ(creditsCaption, "About Nubo Administrator Developers");
  EXPECT_GT(names, 0);
  EXPECT_TRUE(PumpUntil([&] { return owner->ComponentCount() == 0; })) << "closing frees them";
}

}  // namespace
}  // namespace dbx::testing
