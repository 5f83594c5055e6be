// The "Databases" tree over a real engine: a configuration file, a registry
// and a unixODBC configuration of the test's own.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Database.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "NuboDataSet.h"
#include "OdbcConfig.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Names = std::vector<std::string>;

std::string FileText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Names AliasNames(TConfigMode mode) {
  TStringList names;
  TConfigModeScope scope(Session(), TConfigModes{mode});
  Session().GetAliasNames(&names);
  names.Sort();
  Names result;
  for (int i = 0; i < names.Count(); ++i) result.push_back(names.Strings(i));
  return result;
}

std::string AliasPath(const std::string& alias, TConfigMode mode) {
  TStringList params;
  TConfigModeScope scope(Session(), TConfigModes{mode});
  Session().GetAliasParams(alias, &params);
  return params.Values("PATH");
}

void AddStandard(const std::string& name, const std::string& path, TConfigMode mode) {
  TConfigModeScope scope(Session(), TConfigModes{mode});
  Session().AddStandardAlias(name, path, "KALMURE");
}

class AliasesTest : public test::UiTest {
protected:
  void SetUp() override {
    odbc.Driver("SQLite3 Test").SystemSource("Wedding", "SQLite3 Test").Write();
    env.Set("FW_REGISTRY", temp.File("registry"));
    TSession::SetConfigFileHook([file = configFile] { return file; });
    Session().Close();
    StartAdministratorUnits();
    AddStandard("Guests", temp.Path(), cfmPersistent);
    AddStandard("almond", temp.Path(), cfmPersistent);
    Session().SaveConfigFile();
  }
  void TearDown() override {
    if (root) root->Release(lsReleased);
    StopAdministratorUnits();
    Session().Close();
    Session().SetConfigMode(cfmAllModes);
    TSession::SetConfigFileHook(nullptr);
  }

  TDatabases* Tree(TConfigModes modes = cfmAllModes) {
    if (!root) root = TExploreObject::Create<TDbXRoot>(nullptr);
    TDatabases* databases = FindDatabasesNode();
    databases->SetViewModes(modes);
    databases->Children().Unload();
    databases->Children().Load();
    return databases;
  }
  static Names ChildNames(TExploreObject* node) {
    Names names;
    for (int i = 0; i < node->Children().Count(); ++i) names.push_back(node->Children().Item(i)->Name());
    return names;
  }
  static TDb* Alias(TDatabases* databases, const std::string& name) {
    auto* alias = dynamic_cast<TDb*>(databases->FindAliasNode(name));
    EXPECT_NE(alias, nullptr) << name;
    return alias;
  }

  test::TempDir temp;
  std::string configFile = temp.File("nubo.cfg");
  test::OdbcConfig odbc;
  test::ScopedEnv env;
  TDbXRoot* root = nullptr;
};

TEST_F(AliasesTest, ViewModesDecideWhatIsListedAndInWhichMode) {
  AddStandard("Guests", temp.Path(), cfmSession);
  struct {
    TConfigModes modes;
    Names names;
    TConfigMode guestsMode;
  } cases[] = {
      {cfmAllModes, {"almond", "Guests", "Wedding"}, cfmSession},
      {{cfmPersistent, cfmVirtual}, {"almond", "Guests", "Wedding"}, cfmPersistent},
      {{cfmSession}, {"Guests"}, cfmSession},
      {{}, {}, cfmSession},
  };
  for (const auto& c : cases) {
    TDatabases* databases = Tree(c.modes);
    EXPECT_EQ(ChildNames(databases), c.names) << "sorted without regard to case, each alias once";
    if (TExploreObject* guests = databases->FindAliasNode("Guests")) {
      EXPECT_EQ(static_cast<TDb*>(guests)->Mode(), c.guestsMode);
    }
  }

  TDatabases* databases = Tree();
  TDb* wedding = Alias(databases, "Wedding");
  EXPECT_EQ(wedding->Mode(), cfmVirtual);
  EXPECT_EQ(wedding->DeclaredOperations() & (opDelete | opRename), 0) << "a virtual alias is neither deleted nor renamed";
  EXPECT_TRUE(wedding->InheritsFrom(TDbODBC::StaticClass()));
  EXPECT_EQ(wedding->GetTypeName(), "ODBC");
  EXPECT_EQ(wedding->GetKind(), okDatabase);

  // Deleting the session alias uncovers the persistent one of the same driver.
  TDb* guests = Alias(databases, "Guests");
  EXPECT_EQ(guests->DeclaredOperations() & (opDelete | opRename), opDelete | opRename);
  guests->Delete();
  ASSERT_EQ(databases->FindAliasNode("Guests"), guests) << "the node stays";
  EXPECT_EQ(guests->Mode(), cfmPersistent);
  EXPECT_EQ(AliasNames(cfmSession), Names{});
  EXPECT_EQ(AliasPath("Guests", cfmPersistent), temp.Path());

  // Deleting the persistent one takes the node away.
  guests->Delete();
  EXPECT_EQ(ChildNames(databases), (Names{"almond", "Wedding"}));
  EXPECT_EQ(FileText(configFile).find("Guests"), std::string::npos) << "saved without it";
}

TEST_F(AliasesTest, PropertiesComeFromTheAliasAndTheDriver) {
  TDatabases* databases = Tree();
  TDb* guests = Alias(databases, "Guests");
  EXPECT_EQ(guests->GetPropertyText("Identity"), "STANDARD");
  EXPECT_EQ(guests->Properties().PropertyByName("Identity")->GetCaption(), "Type");
  EXPECT_EQ(guests->GetPropertyText("PATH"), temp.Path());
  EXPECT_EQ(guests->GetPropertyText("DEFAULT DRIVER"), "KALMURE");
  EXPECT_EQ(guests->HelpContext, 4045);
  std::string pathHelp = guests->Properties().PropertyByName("PATH")->GetDescription();
  EXPECT_FALSE(pathHelp.empty());
  EXPECT_EQ(pathHelp, EngineOptionDescription("\\DRIVERS\\STANDARD\\DB OPEN", "PATH"));
  TEProperty* dsn = Alias(databases, "Wedding")->Properties().PropertyByName("ODBC DSN");
  EXPECT_EQ(dsn->GetDescription(), EngineOptionDescription("\\DRIVERS\\ODBC\\DB OPEN", "ODBC DSN"))
      << "an ODBC alias is described by the ODBC template";
  EXPECT_FALSE(dsn->GetDescription().empty());
  EXPECT_EQ(Alias(databases, "Wedding")->Properties().GetCount() > 0, true);
  EXPECT_EQ(Alias(databases, "Wedding")->HelpContext, 4039) << "a driver without its own help context";

  // A new alias shows the driver's defaults.
  TExploreObject* fresh = databases->NewObject("STANDARD");
  EXPECT_EQ(fresh->EditState(), esNew);
  EXPECT_EQ(fresh->GetPropertyText("Identity"), "STANDARD");
  EXPECT_NO_THROW(fresh->GetPropertyText("PATH"));
  fresh->Rename("Fresh");
  fresh->EndEdit();
  fresh->Cancel();
  EXPECT_EQ(databases->Children().IndexOf(fresh), -1) << "a cancelled new alias goes";
}

TEST_F(AliasesTest, NamesAreCountedAsTheUserCountsThem) {
  TDatabases* databases = Tree();
  TExploreObject* fresh = databases->NewObject("STANDARD");
  std::string e = "\xC3\xA9";
  auto times = [](const std::string& piece, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += piece;
    return text;
  };
  struct {
    std::string name;
    std::string error;
  } cases[] = {
      {times("a", 31), ""},
      {times("a", 32), "\"" + times("a", 32) + "\" is not a valid name"},
      {times(e, 31), ""},
      {times(e, 32), "\"" + times(e, 32) + "\" is not a valid name"},
      {"a:b", "\"a:b\" is not a valid name"},
      {"a\\b", "\"a\\b\" is not a valid name"},
      {"", "\"\" is not a valid name"},
      {"GUESTS", "\"GUESTS\" is not a unique name"},
  };
  for (const auto& c : cases) {
    TDbXErrorPtr error = fresh->ValidateName(c.name);
    EXPECT_EQ(error ? error->Message() : "", c.error) << c.name;
  }

  // Applied, a new alias of a non-ASCII name is written and saved.
  fresh->Rename(times(e, 31));
  fresh->SetPropertyText("PATH", temp.Path());
  fresh->EndEdit();
  fresh->Apply();
  EXPECT_EQ(AliasPath(times(e, 31), cfmPersistent), temp.Path());
  EXPECT_NE(FileText(configFile).find(times(e, 31)), std::string::npos);
}

TEST_F(AliasesTest, ASessionAliasIsNeverSaved) {
  AddStandard("Scratch", temp.Path(), cfmSession);
  std::string before = FileText(configFile);
  TDatabases* databases = Tree();
  TDb* scratch = Alias(databases, "Scratch");
  std::string other = temp.File("other");
  scratch->SetPropertyText("PATH", other);
  scratch->Apply();
  EXPECT_EQ(AliasPath("Scratch", cfmSession), other);
  scratch->Rename("Scribble");
  scratch->Apply();
  EXPECT_EQ(AliasNames(cfmSession), Names{"Scribble"});
  EXPECT_EQ(AliasPath("Scribble", cfmSession), other) << "the parameters went with the name";
  EXPECT_EQ(FileText(configFile), before);

  // A persistent alias's edit is saved.
  TDb* almond = Alias(databases, "almond");
  almond->SetPropertyText("PATH", other);
  almond->Apply();
  EXPECT_NE(FileText(configFile), before);
  EXPECT_EQ(AliasPath("almond", cfmPersistent), other);
}

TEST_F(AliasesTest, ARenameWhoseAddFailsKeepsTheAlias) {
  TDatabases* databases = Tree();
  // An alias the tree has not seen: the engine refuses the name, the tree does not.
  {
    TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
    Check(Engine().CfgAddAlias("Taken", "STANDARD", ""));
  }
  TDb* guests = Alias(databases, "Guests");
  guests->Rename("Taken");
  EXPECT_THROW(guests->Apply(), EDBEngineError);
  EXPECT_EQ(AliasPath("Guests", cfmPersistent), temp.Path()) << "put back with its parameters";
  EXPECT_EQ(AliasPath("Taken", cfmPersistent), "");

  guests->Cancel();
  EXPECT_EQ(guests->Name(), "Guests");
  guests->Rename("Party");
  guests->Apply();
  EXPECT_EQ(AliasNames(cfmPersistent), (Names{"almond", "Party", "Taken"}));
  EXPECT_EQ(AliasPath("Party", cfmPersistent), temp.Path());
  EXPECT_NE(FileText(configFile).find("Party"), std::string::npos);
}

TEST_F(AliasesTest, AliasesAddedAndDeletedOutsideTheTreeComeAndGo) {
  AddStandard("Hidden", temp.Path(), cfmSession);
  TDatabases* databases = Tree({cfmPersistent, cfmVirtual});
  AddStandard("Beech", temp.Path(), cfmPersistent);
  EXPECT_EQ(ChildNames(databases), (Names{"almond", "Beech", "Guests", "Wedding"}));
  {
    TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
    Session().DeleteAlias("Beech");
  }
  EXPECT_EQ(ChildNames(databases), (Names{"almond", "Guests", "Wedding"}));
  // An alias the view modes hide has no node: its deletion is no error.
  {
    TConfigModeScope scope(Session(), TConfigModes{cfmSession});
    EXPECT_NO_THROW(Session().DeleteAlias("Hidden"));
  }
  EXPECT_EQ(AliasNames(cfmSession), Names{});
}

TEST_F(AliasesTest, ADroppedAliasIsCopied) {
  TDatabases* databases = Tree();
  TDb* guests = Alias(databases, "Guests");
  guests->SetPropertyText("DEFAULT DRIVER", "ZENTOR");
  guests->Apply();
  ASSERT_EQ(databases->AllowedChildKinds(guests), 1);
  EXPECT_EQ(databases->AllowedChildKinds(databases), 0) << "only aliases";
  TExploreObject* copy = databases->CreateChild(guests, 0);
  ASSERT_NE(copy, nullptr);
  copy->Rename("Guests2");
  copy->EndEdit();
  copy->Apply();
  EXPECT_EQ(AliasPath("Guests2", cfmPersistent), temp.Path());
  EXPECT_EQ(copy->GetPropertyText("DEFAULT DRIVER"), "ZENTOR");
}

TEST_F(AliasesTest, AnAliasOpensAndClosesThroughTheSession) {
  std::string missing = temp.File("gone");
  AddStandard("Lost", missing, cfmPersistent);
  TDatabases* databases = Tree();
  TDb* guests = Alias(databases, "Guests");
  TSchemaQuestions& window = SchemaQuestions();
  EXPECT_TRUE(window.IsDatabaseRoot(guests));
  EXPECT_FALSE(window.IsDatabaseRoot(databases));
  EXPECT_EQ(window.OpenDatabase(guests), nullptr) << "no SQL page while closed";
  guests->Open();
  ASSERT_TRUE(guests->IsActive());
  guests->Children().Load();
  EXPECT_EQ(window.OpenDatabase(guests), guests) << "the SQL page of the open alias";
  EXPECT_EQ(Session().FindDatabase("Guests"), guests->Database());
  EXPECT_TRUE(guests->Database()->Connected());
  EXPECT_EQ(guests->Enabled(opDelete), false) << "not while open";
  guests->Close();
  EXPECT_FALSE(guests->IsActive());
  EXPECT_EQ(Session().FindDatabase("Guests"), nullptr) << "the session's temporary database went";

  TDb* lost = Alias(databases, "Lost");
  EXPECT_THROW(lost->Open(), EDBEngineError);
  EXPECT_FALSE(lost->IsActive());

  // A tree made while the database is open shows it open.
  TDatabase* open = Session().OpenDatabase("Guests");
  open->SetKeepConnection(true);
  Tree();
  EXPECT_EQ(Alias(FindDatabasesNode(), "Guests")->Database(), open);
}

TEST_F(AliasesTest, TheNotificationHandlerBeforeTheTreeIsCalledAndPutBack) {
  std::vector<std::string> seen;
  Session().OnDBNotify = [&seen](TDatabaseEvent event, const std::string& name, TDatabase*) {
    seen.push_back(std::to_string(event) + " " + name);
  };
  Tree();
  AddStandard("Beech", temp.Path(), cfmPersistent);
  EXPECT_EQ(seen, Names{"4 Beech"});
  EXPECT_NE(FindDatabasesNode()->FindAliasNode("Beech"), nullptr);
  root->Release(lsReleased);
  root = nullptr;
  AddStandard("Cedar", temp.Path(), cfmPersistent);
  EXPECT_EQ(seen, (Names{"4 Beech", "4 Cedar"}));
  Session().OnDBNotify = nullptr;
}

TEST_F(AliasesTest, AnOdbcDriverMakesAnAliasForEachChosenSource) {
  Tree();
  TExploreObject* drivers = root->FindPath("/Configuration/Drivers/ODBC");
  ASSERT_NE(drivers, nullptr);
  TExploreObject* made = nullptr;
  static_cast<TODBCDrivers*>(drivers)->CreateDriver(made, {"Guests ODBC", "SQLite3 Test", {"Wedding", "Wedding"}});
  ASSERT_NE(made, nullptr);
  made->Release(lsIdle);  // what NewObject's caller ends
  Names odbcAliases;
  for (const std::string& alias : AliasNames(cfmPersistent)) {
    TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
    if (Session().GetAliasDriverName(alias) == "Guests ODBC") odbcAliases.push_back(alias);
  }
  EXPECT_EQ(odbcAliases, (Names{"Wedding1", "Wedding2"})) << "named apart from the virtual alias";
  TStringList params;
  TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
  Session().GetAliasParams("Wedding1", &params);
  EXPECT_EQ(params.Values("ODBC DSN"), "Wedding");
}

TEST(DbObjectRefTest, LettersGiveKindsAndCardinalities) {
  struct {
    const char* line;
    int kind, cardinality;
    bool reverse;
    std::uint16_t mask;
    const char* name;
    const char* definition;
  } cases[] = {
      {"::::", 0, 0, false, opNew | opDelete | opModify | opRename, "", ""},
      {"C:0M::Tables:Table", 1, 1, false, opNew | opDelete | opModify | opRename, "Tables", "Table"},
      {"O:1M:-D:Indexes:Index", 2, 2, false, opNew | opModify | opRename, "Indexes", "Index"},
      {"P:01::Keys:Key", 3, 3, false, opNew | opDelete | opModify | opRename, "Keys", "Key"},
      {"R:11:+A:Refs:Ref", 4, 4, false, opData | opNew | opDelete | opModify | opRename, "Refs", "Ref"},
      {"I:M0::x:y", 5, 1, true, opNew | opDelete | opModify | opRename, "x", "y"},
      {"I:M1::x:y", 5, 2, true, opNew | opDelete | opModify | opRename, "x", "y"},
      {"Z:??::x:y:z", 1, 1, false, opNew | opDelete | opModify | opRename, "x", "y:z"},
      {"R:?::x:y", 4, 2, true, opNew | opDelete | opModify | opRename, "x", "y"},
      {"I", 5, 0, false, opNew | opDelete | opModify | opRename, "", ""},
  };
  for (const auto& c : cases) {
    TDbObjectRef::TCodes codes = TDbObjectRef::Parse(c.line);
    EXPECT_EQ(codes.Kind, c.kind) << c.line;
    EXPECT_EQ(codes.Cardinality, c.cardinality) << c.line;
    EXPECT_EQ(codes.Reverse, c.reverse) << c.line;
    EXPECT_EQ(codes.Mask, c.mask) << c.line;
    EXPECT_EQ(codes.Name, c.name) << c.line;
    EXPECT_EQ(codes.Definition, c.definition) << c.line;
  }
}

}  // namespace
}  // namespace dbx::testing
