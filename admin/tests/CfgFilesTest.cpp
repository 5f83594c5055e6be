// Configuration files from the action menu, over the program's own window,
// a real engine and configuration files in a temporary folder.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>
#include <cstdio>

#include "CfgFiles.h"
#include "Database.h"
#include "DbEngErr.h"
#include "DbXCfg.h"
#include "DbXSettings.h"
#include "DbXUnits.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "NuboDataSet.h"
#include "Registry.h"
#include "ScopedEnv.h"
#include "Scope.h"
#include "TempDir.h"
#include "UiTest.h"
#include "Varkon.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Texts = std::vector<std::string>;

constexpr char kPrefix[] = "Nubo Administrator  ";

std::string ConfigWithAlias(const std::string& alias) {
  return std::string(ORVEX_CFG_FILE_HEADER) + "\n[\\DATABASES\\" + alias +
         "\\DB INFO]\nTYPE=STANDARD\nPATH=/home/guest\n" ORVEX_CFG_FILE_TRAILER "\n";
}

// A dialog answer choosing the file.
std::function<bool(TDialogRequest&)> Pick(const std::string& file, std::function<void()> meanwhile = {}) {
  return [file, meanwhile](TDialogRequest& request) {
    if (meanwhile) meanwhile();
    request.Values["FileName"] = file;
    return true;
  };
}

class CfgFilesTest : public test::UiTest {
protected:
  void SetUp() override {
    env.Set("FW_REGISTRY", temp.File("registry"));
    TSession::SetConfigFileHook([file = active] { return file; });
    Session().Close();
    StartAdministratorUnits();
    Session().SaveConfigFile();
    root = StartAdministrator();
    form = dynamic_cast<TDbExplorerForm*>(Application->MainForm());
    ASSERT_NE(form, nullptr);
    messages->Requests.clear();
  }
  void TearDown() override {
    messages->Answers = {IDNO};
    FinishAdministrator(root);
    delete DbEngineErrorDlg;
    Application->OnHelp = nullptr;
    ToolRegistryKey.clear();
    StopAdministratorUnits();
    Session().Close();
    Session().SetConfigMode(cfmAllModes);
    TSession::SetConfigFileHook(nullptr);
  }

  Texts Told() const {
    Texts texts;
    for (const TMessageRequest& r : messages->Requests) texts.push_back(r.Text);
    return texts;
  }
  bool HasAlias(const std::string& name) { return root->FindPath("/Databases/" + name) != nullptr; }

  test::TempDir temp;
  test::ScopedEnv env;
  std::string active = temp.File("nubo.cfg");
  TDbXVarkon* root = nullptr;
  TDbExplorerForm* form = nullptr;
};

TEST_F(CfgFilesTest, OpenAsksAgainAfterAnInvalidFileThenMakesTheChosenOneActive) {
  const std::string junk = temp.File("junk.cfg");
  test::WriteBytes(junk, "not a configuration\n");
  ForceDirectories(temp.File("Gäste"));
  const std::string other = temp.File("Gäste/zweite.cfg");
  test::WriteBytes(other, ConfigWithAlias("Guests"));
  ASSERT_EQ(form->Caption(), kPrefix + active);
  ASSERT_FALSE(HasAlias("Guests"));

  std::string captionMeanwhile;
  messages->DialogAnswers = {Pick(junk), Pick(other, [&] { captionMeanwhile = form->Caption(); })};
  TRAOpenConfigFile().Execute(*root);

  EXPECT_EQ(Told(), Texts{"Invalid configuration file."});
  EXPECT_EQ(messages->Requests[0].HelpContext, 4006);
  EXPECT_EQ(captionMeanwhile, kPrefix + active) << "the invalid file changed nothing";
  EXPECT_EQ(form->Caption(), kPrefix + other);
  EXPECT_EQ(CurrentConfigFile(), other);
  EXPECT_TRUE(HasAlias("Guests")) << "the trees were rebuilt from the new file";
  ASSERT_EQ(messages->Dialogs.size(), 2u);
  const auto& asked = messages->Dialogs[0];
  EXPECT_EQ(asked.Values.at("InitialDir"), temp.Path());
  EXPECT_EQ(asked.Values.at("Filter"), "Configuration files (*.CFG)|*.CFG");
  EXPECT_EQ(asked.HelpContext, 4020);
  EXPECT_NE(asked.Values.at("Options").find("ofFileMustExist"), std::string::npos);
}

TEST_F(CfgFilesTest, AnotherProgramHoldingTheEngineKeepsTheFileButTheTreesAreRebuilt) {
  const std::string other = temp.File("other.cfg");
  test::WriteBytes(other, ConfigWithAlias("Guests"));
  const std::string ready = temp.File("ready");
  FILE* holder = ::popen((std::string(CFG_HOLDER) + " '" + active + "' > '" + ready + "'").c_str(), "w");
  ASSERT_NE(holder, nullptr);
  TScopeExit release([holder] { ::pclose(holder); });
  for (int i = 0; i < 1000 && test::ReadBytes(ready).empty(); ++i) ::usleep(10000);
  ASSERT_EQ(test::ReadBytes(ready), "ready\n");
  // No selection: the rebuild selects the first node again.
  TTreeView* tree = form->CurrentTree();
  ASSERT_NE(tree, nullptr);
  tree->SetSelected(nullptr);

  EXPECT_EQ(ActivateConfigFile(other), 0);
  EXPECT_EQ(Told(), Texts{"Unable to open configuration file until all other Nubo applications are closed."});
  EXPECT_EQ(messages->Requests[0].HelpContext, 4007);
  EXPECT_EQ(form->Caption(), kPrefix + active);
  EXPECT_FALSE(HasAlias("Guests"));
  EXPECT_EQ(tree->Selected(), tree->Items()->GetFirstNode()) << "the trees were rebuilt all the same";
}

TEST_F(CfgFilesTest, MergeAddsTheFileOrLeavesTheConfigurationAsItWas) {
  const std::string other = temp.File("other.cfg");
  test::WriteBytes(other, ConfigWithAlias("Guests"));
  const std::string junk = temp.File("junk.cfg");
  test::WriteBytes(junk, std::string(ORVEX_CFG_FILE_HEADER) + "\n[\\DATABASES\\Cut\\DB INFO]\nTYPE=STANDARD\n");
  const std::string before = test::ReadBytes(active);

  messages->Answers = {mrOk, mrOk};
  messages->DialogAnswers = {Pick(junk), nullptr};
  TRAMergeConfigFile().Execute(*root);
  EXPECT_EQ(Told(), (Texts{"Merge cannot be undone.  Continue?", "Invalid configuration file."}));
  EXPECT_EQ(messages->Dialogs.size(), 2u) << "the dialog came back";
  EXPECT_EQ(test::ReadBytes(active), before) << "byte for byte";

  // A file that opens but does not merge (an alias of a driver there is
  // none of): nothing of it is taken, and the save after the failure writes
  // the configuration as it was.
  const std::string unknown = temp.File("unknown.cfg");
  test::WriteBytes(unknown, std::string(ORVEX_CFG_FILE_HEADER) +
                                "\n[\\DATABASES\\Garden\\DB INFO]\nTYPE=STANDARD\n"
                                "[\\DATABASES\\Broken\\DB INFO]\nTYPE=NOSUCH\n" ORVEX_CFG_FILE_TRAILER "\n");
  messages->Requests.clear();
  messages->Answers = {mrOk, mrOk};
  messages->DialogAnswers = {Pick(unknown)};
  TRAMergeConfigFile().Execute(*root);
  EXPECT_EQ(Told(), (Texts{"Merge cannot be undone.  Continue?", "Merge failed."}));
  EXPECT_EQ(messages->Requests.back().HelpContext, 4010);
  EXPECT_EQ(messages->Dialogs.size(), 3u) << "a failed merge does not ask again";
  EXPECT_FALSE(HasAlias("Garden"));
  EXPECT_EQ(test::ReadBytes(active), before) << "byte for byte";

  messages->Requests.clear();
  messages->Answers = {mrCancel};
  messages->DialogAnswers = {Pick(other)};
  TRAMergeConfigFile().Execute(*root);
  EXPECT_EQ(Told(), Texts{"Merge cannot be undone.  Continue?"});
  EXPECT_FALSE(HasAlias("Guests"));

  messages->Requests.clear();
  messages->Answers = {mrOk, mrOk};
  messages->DialogAnswers = {Pick(other)};
  TRAMergeConfigFile().Execute(*root);
  EXPECT_EQ(Told(), (Texts{"Merge cannot be undone.  Continue?", "Merge successful."}));
  EXPECT_TRUE(HasAlias("Guests"));
  EXPECT_NE(test::ReadBytes(active).find("Guests"), std::string::npos) << "saved to the active file";
  EXPECT_EQ(form->Caption(), kPrefix + active) << "a merge keeps the active file";
}

TEST_F(CfgFilesTest, SaveAsWritesTheNamedFileAndMakesItActive) {
  struct {
    const char* typed;
    const char* active;
  } cases[] = {{"name", "name.CFG"}, {"x.cfg", "x.cfg"}, {"Ölkarte.Cfg", "Ölkarte.Cfg"}, {"a.b", "a.b.CFG"}};
  for (const auto& c : cases) {
    messages->DialogAnswers = {Pick(temp.File(c.typed))};
    TRASaveAsConfigFile().Execute(*root);
    EXPECT_EQ(form->Caption(), kPrefix + temp.File(c.active)) << c.typed;
    EXPECT_EQ(test::ReadBytes(temp.File(c.active)).rfind(ORVEX_CFG_FILE_HEADER, 0), 0u) << c.typed;
  }
  EXPECT_EQ(messages->Dialogs.back().HelpContext, 4022);
  EXPECT_EQ(Told(), Texts{});

  // A save that fails over an older configuration file of that name: the
  // old file must not become active as if it held this configuration.
  const std::string old = temp.File(std::string(246, 'o') + ".cfg");  // no room for a temporary name
  test::WriteBytes(old, ConfigWithAlias("Stale"));
  const std::string caption = form->Caption();
  messages->Answers = {mrYes};  // replace it
  messages->DialogAnswers = {Pick(old)};
  EXPECT_THROW(TRASaveAsConfigFile().Execute(*root), EDBEngineError);
  EXPECT_EQ(form->Caption(), caption);
  EXPECT_FALSE(HasAlias("Stale"));
}

TEST_F(CfgFilesTest, OptionsAreOfferedWhileNoAliasIsOpenAndChangeTheViewModes) {
  TRASaveOption options;
  TDatabases* databases = FindDatabasesNode();
  EXPECT_EQ(options.GetState(*root), asEnabled) << "an unloaded alias list counts as none open";
  {
    TConfigModeScope mode(Session(), TConfigModes{cfmPersistent});
    Session().AddStandardAlias("Guests", temp.Path(), "KALMURE");
  }
  databases->Refresh();
  databases->Children().Load();
  auto* guests = dynamic_cast<TDb*>(databases->FindAliasNode("Guests"));
  ASSERT_NE(guests, nullptr);
  guests->Open();
  EXPECT_EQ(options.GetState(*databases), asDisabled);
  guests->Close();
  EXPECT_EQ(options.GetState(*databases), asEnabled);

  QTimer::singleShot(0, [] {
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (auto* f = dynamic_cast<TSaveOptionForm*>(Screen->Forms(i)); f && f->Visible()) {
        EXPECT_TRUE(f->Rad32only->Checked());
        EXPECT_TRUE(f->ChkSession->Checked() && f->ChkPersistent->Checked() && f->ChkVirtual->Checked());
        f->Rad16and32->SetChecked(true);
        f->ChkSession->SetChecked(false);
        f->SetModalResult(mrOk);
      }
  });
  options.Execute(*root);
  EXPECT_TRUE(GetSaveForWin31());
  EXPECT_EQ(GetViewModes(), TConfigModes({cfmPersistent, cfmVirtual}));
  EXPECT_EQ(FindDatabasesNode()->ViewModes(), TConfigModes({cfmPersistent, cfmVirtual})) << "the trees were rebuilt";
}

}  // namespace
}  // namespace dbx::testing
