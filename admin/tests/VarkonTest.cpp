#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Database.h"
#include "DbEngErr.h"
#include "DbXSettings.h"
#include "DbXUnits.h"
#include "Expldb.h"
#include "Files.h"
#include "Registry.h"
#include "Scope.h"
#include "TempDir.h"
#include "UiTest.h"
#include "Varkon.h"

namespace dbx::testing {
namespace {

using namespace fw;

constexpr char kNotice[] = "System configuration file not found.  System defaults are in use.";

class VarkonTest : public test::UiTest {
protected:
  void TearDown() override { ::unsetenv("FW_REGISTRY"); }

  // A registry file of the test's own, with CONFIGFILE01 when given.
  void UseRegistry(const std::string& file, const std::optional<std::string>& defaultFile) {
    ::setenv("FW_REGISTRY", file.c_str(), 1);
    if (!defaultFile) return;
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarvos\\Database Engine", true));
    reg.WriteString("CONFIGFILE01", *defaultFile);
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> texts;
    for (const TMessageRequest& r : messages->Requests) texts.push_back(r.Caption + ": " + r.Text);
    return texts;
  }

  test::TempDir temp;
};

TEST_F(VarkonTest, TheDefaultConfigurationIsNoticedAndOffered) {
  const std::string active = temp.File("Nubo.cfg");
  const std::string upper = temp.File("NUBO.CFG");
  const std::string notice = std::string("File Not Found: ") + kNotice;
  const std::string question = "Confirmation: Use " + active + " as default configuration?";
  const std::string failed = "Error: The default configuration was not changed.";
  const std::string other = "/home/guest/other.cfg";
  struct Case {
    const char* what;
    std::optional<std::string> before;  // CONFIGFILE01; none: not there
    bool writable;
    std::string active;
    bool fileThere;
    int answer;
    std::vector<std::string> asked;
    std::string after;
  } cases[] = {
      {"value missing", std::nullopt, true, active, true, IDYES, {notice, question}, active},
      {"equal but for case", upper, true, active, true, IDYES, {}, upper},
      {"equal, the file missing", upper, true, active, false, IDYES, {notice}, upper},
      {"different, declined", other, true, active, true, IDNO, {notice, question}, other},
      {"different, taken", other, true, active, true, IDYES, {notice, question}, active},
      {"no active file", other, true, "", false, IDYES, {notice}, other},
      {"the registry cannot be written", std::nullopt, false, active, true, IDYES, {notice, question, failed}, ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string registry = c.writable ? temp.File("registry" + std::to_string(++n)) : temp.File("missing/registry");
    UseRegistry(registry, c.before);
    if (c.fileThere) test::WriteBytes(active, "ORVEX CONFIGURATION 1\nEND OF CONFIGURATION\n");
    else std::remove(active.c_str());
    messages->Requests.clear();
    messages->Answers = {IDOK, c.answer};
    if (c.asked.empty() || c.asked[0] != notice) messages->Answers.pop_front();

    NoticeDefaultConfigFile(c.active);
    bool written = OfferDefaultConfigFile(c.active);

    std::vector<std::string> asked = Asked();
    // The failure names its reason after the sentence.
    if (asked.size() == 3) asked[2] = asked[2].substr(0, asked[2].find('\n'));
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(ReadDefaultConfigFile(), c.after);
    EXPECT_EQ(written, c.after == active && c.before != active);
  }
  EXPECT_FALSE(FileExists(temp.File("missing/registry")));
}

// The engine's active file is read whole however long its path is, and is
// what the question offers and the registry takes.
TEST_F(VarkonTest, TheActiveFileIsReadWhole) {
  const std::string file = temp.File("Zürich " + std::string(150, 'x') + ".cfg");
  TSession::SetConfigFileHook([file] { return file; });
  TScopeExit restore([] {
    Session().Close();
    TSession::SetConfigFileHook(nullptr);
  });
  Session().Close();
  UseRegistry(temp.File("registry"), std::nullopt);
  EXPECT_EQ(ReadActiveConfigFile(), file);
  messages->Answers = {IDYES};
  EXPECT_TRUE(AskDefaultConfigFile());
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Use " + file + " as default configuration?");
  EXPECT_EQ(ReadDefaultConfigFile(), file);
  EXPECT_FALSE(AskDefaultConfigFile()) << "equal now: no question";
  EXPECT_EQ(messages->Requests.size(), 1u);
}

TEST(SwitchTest, SwitchesAreReadFromTheArguments) {
  struct Case {
    std::vector<std::string> args;
    bool enableEdits, dbx;
  } cases[] = {
      {{}, false, false},
      {{"-EnableEdits"}, true, false},
      {{"/enableedits"}, true, false},
      {{"-DBX"}, false, true},
      {{"/dbx", "-ENABLEEDITS"}, true, true},
      {{"EnableEdits", "DbX"}, false, false},
      {{"-Edits", "--DbX", "-DbXs", "/"}, false, false},
      {{"", "-DbX", ""}, false, true},
      {{"-EnableEdits", "-Other", "-DbX", "plain"}, true, true},
  };
  for (const Case& c : cases) {
    TDbXSwitches s = ReadDbXSwitches(c.args);
    std::string args;
    for (const std::string& a : c.args) args += "[" + a + "]";
    EXPECT_EQ(s.EnableEdits, c.enableEdits) << args;
    EXPECT_EQ(s.DbX, c.dbx) << args;
  }
}

// The body's steps before the loop, then those after it.
TEST_F(VarkonTest, TheBodyBuildsTheWindowAndOffersTheDefaultAtTheEnd) {
  const std::string file = temp.File("nubo.cfg");
  TSession::SetConfigFileHook([file] { return file; });
  StartAdministratorUnits();
  TScopeExit restore([] {
    delete DbEngineErrorDlg;
    Application->OnHelp = nullptr;
    ToolRegistryKey.clear();
    StopAdministratorUnits();
    Session().Close();
    TSession::SetConfigFileHook(nullptr);
  });
  Session().Close();
  UseRegistry(temp.File("registry"), std::nullopt);
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarvos\\Database Engine", true));
    reg.WriteString("ViewMode", "PV");
  }

  TDbXVarkon* root = StartAdministrator();
  EXPECT_EQ(GetDbXRoot(), root);
  auto* databases = dynamic_cast<TDatabases*>(root->Children().Item(0));
  ASSERT_NE(databases, nullptr);
  EXPECT_EQ(databases->ViewModes(), TConfigModes({cfmPersistent, cfmVirtual}));
  EXPECT_EQ(ToolRegistryKey, "Software\\Tarvos\\Varkon\\1.0");
  auto* form = dynamic_cast<TDbExplorerForm*>(Application->MainForm());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->DbXRoot(), root);
  EXPECT_EQ(form->Trees->Tabs()->CommaText(), "Databases,Configuration");
  EXPECT_EQ(form->Caption(), "Nubo Administrator  " + file);
  EXPECT_EQ(Application->Title(), form->Caption());
  std::vector<std::string> shown;
  for (TMenuItem* item :
       {form->MViewSystemData, form->MViewCompleteText, form->MViewEditText, form->MLargeIcons, form->MSmallIcons,
        form->MList, form->MDetail, form->MAutoArrange, form->N9, form->N8, form->MViewBlobs, form->MQuery,
        form->MIsolation, form->MWordWrap, form->MText, form->NTextBreak})
    if (item->Visible()) shown.push_back(item->Name());
  if (form->SBViewBlobs->Visible()) shown.push_back("SBViewBlobs");
  EXPECT_EQ(shown, std::vector<std::string>{});
  EXPECT_TRUE(form->MAbout->Visible());
  EXPECT_EQ(Application->HelpFile(), "varkon.hlp");
  EXPECT_TRUE(Application->OnHelp);
  ASSERT_NE(DbEngineErrorDlg, nullptr);
  EXPECT_TRUE(Application->OnException) << "the error dialog handles exceptions";
  EXPECT_EQ(Asked(), (std::vector<std::string>{std::string("File Not Found: ") + kNotice}));

  auto alive = form->LifeToken();
  messages->Answers = {IDYES};
  FinishAdministrator(root);
  EXPECT_FALSE(*alive) << "the window goes";
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(GetDbXRoot(), nullptr);
  EXPECT_EQ(Asked().back(), "Confirmation: Use " + file + " as default configuration?");
  EXPECT_EQ(ReadDefaultConfigFile(), file);
  TRegIniFile settings("Software\\Tarvos\\Varkon\\1.0");
  EXPECT_FALSE(settings.ReadSection("DbXForm").empty()) << "the window saved its settings on its way out";
}

TEST_F(VarkonTest, AHelpRequestWithoutATopicOpensTheFinder) {
  Application->SetHelpFile("varkon.hlp");
  struct Call {
    std::string file;
    unsigned command;
    std::uintptr_t data;
    bool operator==(const Call&) const = default;
  };
  struct Case {
    unsigned command;
    std::intptr_t data;
    Call call;
  } cases[] = {
      {HELP_CONTEXT, 0, {"varkon.hlp", HELP_FINDER, 0}},
      {HELP_CONTEXT, 4001, {"varkon.hlp", HELP_CONTEXT, 4001}},
      {HELP_CONTENTS, 0, {"varkon.hlp", HELP_CONTENTS, 0}},
      {HELP_KEY, 0, {"varkon.hlp", HELP_KEY, 0}},
  };
  for (const Case& c : cases) {
    std::vector<Call> calls;
    bool callHelp = true;
    bool answer =
        VarkonHelp(c.command, c.data, callHelp, [&](HWND wnd, const std::string& f, unsigned cmd, std::uintptr_t d) {
          EXPECT_EQ(wnd, Application->Handle());
          calls.push_back({f, cmd, d});
          return c.data != 0;
        });
    EXPECT_FALSE(callHelp) << "the hook does it all";
    EXPECT_EQ(answer, c.data != 0) << "the help call's own answer";
    EXPECT_EQ(calls, std::vector<Call>{c.call});
  }

  // Installed, it answers the application's requests once, through the real help.
  Application->OnHelp = VarkonHelpCallback;
  TScopeExit uninstall([] { Application->OnHelp = nullptr; });
  EXPECT_FALSE(Application->HelpContext(0));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Cannot find the help file \"varkon.hlp\".");
}

}  // namespace
}  // namespace dbx::testing
