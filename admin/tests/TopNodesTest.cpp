#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Expldb.h"
#include "Registry.h"
#include "Scope.h"
#include "TempDir.h"

namespace dbx::testing {
namespace {

using fw::cfmPersistent;
using fw::cfmSession;
using fw::cfmVirtual;
using fw::TConfigModes;

TEST(TopNodesTest, TheRootListsDatabasesThenConfiguration) {
  StartAdministratorUnits();
  fw::TScopeExit stop(StopAdministratorUnits);
  TDbXRoot* root = TExploreObject::Create<TDbXRoot>(nullptr);
  fw::TScopeExit release([root] { root->Release(lsReleased); });
  ASSERT_EQ(root->Children().GetCount(), 2);

  auto* databases = dynamic_cast<TDatabases*>(root->Children().Item(0));
  ASSERT_NE(databases, nullptr);
  EXPECT_EQ(databases->Name(), "Databases");
  EXPECT_EQ(databases->DeclaredOperations(), opRefresh | opNew | opApply | opCancel);
  EXPECT_EQ(databases->GetValidationText(), "All Database Aliases");
  EXPECT_EQ(databases->ViewModes(), fw::cfmAllModes);
  EXPECT_EQ(databases->Children().NameCompare("Wedding", "WEDDING"), 0) << "alias names ignore case";

  auto* config = dynamic_cast<TConfig*>(root->Children().Item(1));
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->Name(), "Configuration");
  EXPECT_EQ(config->DeclaredOperations(), opRefresh | opApply | opCancel);
  EXPECT_EQ(config->GetValidationText(), "Drivers and System");
}

TEST(TopNodesTest, ViewModesComeFromTheEngineKey) {
  fw::test::TempDir temp;
  struct Case {
    const char* what;
    std::optional<std::string> value;  // none: not there
    TConfigModes modes;
  } cases[] = {
      {"missing", std::nullopt, fw::cfmAllModes},
      {"all three", "SPV", fw::cfmAllModes},
      {"anywhere in the text", "xVyS", {cfmVirtual, cfmSession}},
      {"without session", "PV", {cfmPersistent, cfmVirtual}},
      {"empty", "", {}},
      {"lower case is no letter of it", "spv", {}},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string file = temp.File("registry" + std::to_string(++n));
    ::setenv("FW_REGISTRY", file.c_str(), 1);
    if (c.value) {
      fw::TRegistry reg;
      reg.SetRootKey(fw::HKEY_LOCAL_MACHINE);
      ASSERT_TRUE(reg.OpenKey("Software\\Tarvos\\Database Engine", true));
      reg.WriteString("ViewMode", *c.value);
    }
    EXPECT_EQ(GetViewModes(), c.modes) << c.what;
  }
  // A registry that cannot be read shows everything.
  ::setenv("FW_REGISTRY", temp.Path().c_str(), 1);
  EXPECT_EQ(GetViewModes(), fw::cfmAllModes) << "a folder where the file should be";
  ::unsetenv("FW_REGISTRY");
}

}  // namespace
}  // namespace dbx::testing
