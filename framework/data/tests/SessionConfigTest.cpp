// The session's way into the engine's configuration: modes and their layers,
// the virtual layer from unixODBC, writes and their rules, notifications,
// the mode scope, aliases as database names, the formats the session takes,
// start-up procedures and callbacks, and a new process that sees what was
// saved.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "Database.h"
#include "DateTime.h"
#include "EngineLib.h"
#include "FormatSettings.h"
#include "NuboDataSet.h"
#include "OdbcConfig.h"
#include "Registry.h"
#include "SampleGuests.h"
#include "Strings.h"
#include "Table.h"
#include "TempDir.h"
#include "Fields.h"
#include "Text.h"

#include <sqlite3.h>

using namespace fw;

namespace {

std::vector<std::string> Lines(TStrings* list) {
  std::vector<std::string> v;
  for (int i = 0; i < list->Count(); ++i) v.push_back(list->Strings(i));
  return v;
}

std::vector<std::string> AliasNames() {
  TStringList names;
  Session().GetAliasNames(&names);
  return Lines(&names);
}

std::unique_ptr<TStringList> ListOf(std::initializer_list<std::string> lines) {
  auto l = std::make_unique<TStringList>();
  for (const std::string& s : lines) l->Add(s);
  return l;
}

// Guests(ID, Name) in dir, with n records, closed.
TTable* MakeGuests(TComponent* owner, const std::string& dir, int n) {
  auto* t = new TTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->FieldDefs()->Add("Name", ftString, 20);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();
  t->Open();
  for (int i = 1; i <= n; ++i) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(i);
    t->FieldByName("Name")->SetAsString("Guest " + std::to_string(i));
    t->Post();
  }
  t->Close();
  return t;
}

// Runs a program with its arguments; its exit status and what it wrote.
std::pair<int, std::string> RunProgram(const std::vector<std::string>& args) {
  int out[2];
  if (::pipe(out) != 0) return {-1, "pipe"};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(out[1], 2);
    ::close(out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

OrvexResult EngineCode(const std::function<void()>& call) {
  try {
    call();
  } catch (const EDBEngineError& e) {
    return e.ErrorCode();
  }
  return ORVEX_OK;
}

// Each test has its own configuration file, named through the registry as
// the programs name it, and its own unixODBC configuration.
class SessionConfig : public ::testing::Test {
public:
  void SetUp() override {
    ::setenv("FW_REGISTRY", registry.c_str(), 1);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey("Software\\Tarvos\\Database Engine", true);
    reg.WriteString("CONFIGFILE01", file);
    Session().Close();
    TSession::SetConfigFileHook([] { return ReadEngineSetting("CONFIGFILE01"); });
  }
  void TearDown() override {
    owner->DestroyComponents();
    Session().DropConnections();
    Session().Close();
    Session().OnDBNotify = nullptr;
    Session().SetDBNotifyEnabled(true);
    Session().SetConfigMode(cfmAllModes);
    TSession::SetConfigFileHook(nullptr);
    FormatSettings = savedFormats;
    ::unsetenv("FW_REGISTRY");
  }

  fw::test::TempDir temp;
  std::string dir = temp.Path();
  std::string file = temp.File("nubo.cfg");
  std::string registry = temp.File("registry");
  fw::test::OdbcConfig odbc;
  TFormatSettings savedFormats = FormatSettings;
  std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);
};

// One alias in session and persistent layers, one only persistent, two data
// sources: what each mode lists, which definition it reads, and where it writes.
TEST_F(SessionConfig, EachModeReadsAndWritesItsLayers) {
  odbc.Driver("SQLite3").UserSource("UserDsn", "SQLite3").SystemSource("SysDsn", "SQLite3").Write();
  {
    TConfigModeScope session(Session(), cfmSession);
    Session().AddStandardAlias("Both", "/s", "KALMURE");
  }
  {
    TConfigModeScope persistent(Session(), cfmPersistent);
    Session().AddStandardAlias("Both", "/p", "KALMURE");
    Session().AddStandardAlias("OnlyP", "/o", "KALMURE");
  }
  struct Case {
    TConfigModes mode;
    std::vector<std::string> names;
    const char* bothPath;  // nullptr: not there
    OrvexResult write;
  } cases[] = {
      {cfmSession, {"Both"}, "/s", ORVEX_OK},
      {cfmPersistent, {"Both", "OnlyP"}, "/p", ORVEX_OK},
      {cfmVirtual, {"UserDsn", "SysDsn"}, nullptr, ORVEX_ERR_NOTSUPPORTED},
      {TConfigModes{cfmSession, cfmPersistent}, {"Both", "OnlyP"}, "/s", ORVEX_OK},
      {cfmAllModes, {"Both", "OnlyP", "UserDsn", "SysDsn"}, "/s", ORVEX_OK},
      {TConfigModes{}, {}, nullptr, ORVEX_ERR_NOTSUPPORTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode.ToBits());
    TConfigModeScope mode(Session(), c.mode);
    EXPECT_EQ(AliasNames(), c.names);
    TStringList params;
    OrvexResult read = EngineCode([&] { Session().GetAliasParams("both", &params); });
    EXPECT_EQ(read, c.bothPath ? ORVEX_OK : ORVEX_ERR_UNKNOWNALIAS);
    if (c.bothPath) {
      EXPECT_EQ(params.Values("PATH"), c.bothPath);
    }
    EXPECT_EQ(EngineCode([] { Session().AddStandardAlias("New", "/n", ""); }), c.write);
    if (c.write == ORVEX_OK) {
      EXPECT_TRUE(Session().IsAlias("New"));
      Session().DeleteAlias("New");
    }
  }
  // An add refuses a name its own layer holds, not one of another layer.
  TConfigModeScope persistent(Session(), cfmPersistent);
  EXPECT_EQ(EngineCode([] { Session().AddStandardAlias("ONLYP", "/x", ""); }), ORVEX_ERR_NAMEEXISTS);
  Session().SetConfigMode(cfmSession);
  EXPECT_EQ(EngineCode([] { Session().AddStandardAlias("OnlyP", "/x", ""); }), ORVEX_OK);
}

TEST_F(SessionConfig, UnixOdbcGivesVirtualDriversAndAliases) {
  odbc.Driver("SQLite3").Driver("Second Driver").Driver("Bad:Driver").Driver("ORACLE");
  odbc.UserSource("UserDsn", "SQLite3").UserSource("Shared", "Second Driver");
  odbc.SystemSource("SysDsn", "SQLite3").SystemSource("Shared", "SQLite3");  // the user's wins
  odbc.SystemSource(std::string(32, 'L'), "SQLite3").SystemSource("Orphan", "Bad:Driver").SystemSource("Old", "ORACLE");
  odbc.SystemSource("ORACLE", "SQLite3");  // a data source may take a driver's name
  odbc.Write();
  TConfigModeScope mode(Session(), cfmVirtual);
  TStringList drivers, params;
  Session().GetDriverNames(&drivers);
  EXPECT_EQ(Lines(&drivers), (std::vector<std::string>{"SQLite3", "Second Driver"}));
  EXPECT_EQ(AliasNames(), (std::vector<std::string>{"UserDsn", "Shared", "SysDsn", "ORACLE"}));
  EXPECT_EQ(Session().GetAliasDriverName("Shared"), "Second Driver");
  Session().GetAliasParams("SysDsn", &params);
  EXPECT_EQ(params.Values("ODBC DSN"), "SysDsn");
  Session().GetConfigParams("\\DRIVERS\\%s\\INIT", "SQLite3", &params);
  EXPECT_EQ(params.Values("DLL32"), "OVODBC32.DLL");
  EXPECT_EQ(params.Values("ODBC DRIVER"), "SQLite3");
  Session().GetDriverParams("Second Driver", &params);
  EXPECT_GE(params.IndexOfName("ODBC DSN"), 0);
  EXPECT_EQ(EngineCode([] { Session().AddStandardAlias("Mine", "/m", ""); }), ORVEX_ERR_NOTSUPPORTED);

  // Read afresh each time.
  odbc.UserSource("Later", "SQLite3").Write();
  EXPECT_EQ(AliasNames().size(), 5u);

  // Modified in persistent mode, a virtual alias becomes a persistent one.
  Session().SetConfigMode(cfmPersistent);
  Session().ModifyAlias("UserDsn", ListOf({"USER NAME=me"}).get());
  TStringList kept;
  Session().GetAliasParams("UserDsn", &kept);
  EXPECT_EQ(kept.Values("USER NAME"), "me");
  EXPECT_EQ(kept.Values("ODBC DSN"), "UserDsn");
  EXPECT_EQ(Session().GetAliasDriverName("UserDsn"), "SQLite3");

  // AUTO ODBC FALSE, or no driver manager at all: no virtual layer.
  Session().ModifyConfigParams("\\SYSTEM\\INIT", "", ListOf({"AUTO ODBC=FALSE"}).get());
  Session().SetConfigMode(cfmVirtual);
  EXPECT_EQ(AliasNames(), std::vector<std::string>{});
  Session().SetConfigMode(cfmPersistent);
  Session().ModifyConfigParams("\\SYSTEM\\INIT", "", ListOf({"AUTO ODBC=TRUE"}).get());
  fw::test::OdbcConfig::WithoutDriverManager();
  Session().SetConfigMode(cfmVirtual);
  EXPECT_EQ(AliasNames(), std::vector<std::string>{});
  Session().GetDriverNames(&drivers);
  EXPECT_EQ(drivers.Count(), 0);
}

TEST_F(SessionConfig, WritesKeepTheirRules) {
  TConfigModeScope mode(Session(), cfmPersistent);
  // Names: 1 to 31 characters as a user counts them, no ':' or '\'.
  struct NameCase {
    std::string name;
    OrvexResult result;
  } names[] = {
      {"Ü" + std::string(30, 'x'), ORVEX_OK},
      {std::string(31, 'a'), ORVEX_OK},
      {"é" + std::string(31, 'x'), ORVEX_ERR_INVALIDNAME},
      {"", ORVEX_ERR_INVALIDNAME},
      {"a:b", ORVEX_ERR_INVALIDNAME},
      {"a\\b", ORVEX_ERR_INVALIDNAME},
      {"line\nbreak", ORVEX_ERR_INVALIDNAME},
  };
  for (const NameCase& n : names) {
    EXPECT_EQ(EngineCode([&] { Session().AddStandardAlias(n.name, dir, ""); }), n.result) << n.name;
    EXPECT_EQ(EngineCode([&] { Session().AddDriver(n.name, ListOf({"DLL32=OVODBC32.DLL"}).get()); }), n.result);
  }
  EXPECT_EQ(EngineCode([&] { Session().AddAlias("NoDriver", "NOSUCHDRIVER", nullptr); }), ORVEX_ERR_UNKNOWNDRIVER);
  EXPECT_EQ(EngineCode([&] { Session().AddStandardAlias("Long", std::string(5000, 'p'), ""); }),
            ORVEX_ERR_VALUETOOLONG);

  // A modify keeps empty values as NAME=; a section takes only the options it has.
  Session().AddAlias("Server", "MSSQL", ListOf({"SERVER NAME=far", "USER NAME=me"}).get());
  Session().ModifyAlias("Server", ListOf({"USER NAME=", "DATABASE NAME=db"}).get());
  TStringList p;
  Session().GetAliasParams("Server", &p);
  EXPECT_EQ(Lines(&p), (std::vector<std::string>{"SERVER NAME=far", "USER NAME=", "DATABASE NAME=db"}));
  Session().ModifyConfigParams("\\SYSTEM\\FORMATS\\%s", "Date", ListOf({"SEPARATOR=-", "NOT AN OPTION=1"}).get());
  Session().GetConfigParams("\\SYSTEM\\FORMATS\\%s", "DATE", &p);
  EXPECT_EQ(p.Values("SEPARATOR"), "-");
  EXPECT_EQ(p.IndexOfName("NOT AN OPTION"), -1);
  EXPECT_EQ(EngineCode([&] { Session().ModifyConfigParams("\\SYSTEM\\NOWHERE", "", &p); }), ORVEX_ERR_NOSUCHPATH);

  // A driver: INIT as given, DB OPEN from the template; each option to the section that holds it.
  TStringList init;
  Session().GetConfigParams("\\DRIVERS\\%s\\INIT", "ODBC", &init);
  init.SetValues("ODBC DRIVER", "SQLite3");
  Session().AddDriver("MyOdbc", &init);
  EXPECT_EQ(EngineCode([&] { Session().AddDriver("myodbc", &init); }), ORVEX_ERR_NAMEEXISTS);
  Session().ModifyDriver("MyOdbc", ListOf({"ODBC DRIVER=Other", "ODBC DSN=Data", "NOWHERE=1"}).get());
  Session().GetConfigParams("\\DRIVERS\\%s\\INIT", "MyOdbc", &p);
  EXPECT_EQ(p.Values("ODBC DRIVER"), "Other");
  EXPECT_EQ(p.Values("DLL32"), "OVODBC32.DLL");
  EXPECT_EQ(p.IndexOfName("NOWHERE"), -1);
  Session().GetDriverParams("MyOdbc", &p);
  EXPECT_EQ(p.Values("ODBC DSN"), "Data");
  EXPECT_EQ(p.IndexOfName("NOWHERE"), -1);
  TStringList drivers;
  Session().GetDriverNames(&drivers);
  EXPECT_GE(drivers.IndexOf("MyOdbc"), 0);
  EXPECT_EQ(drivers.IndexOf("KALMURE"), -1);
  Session().DeleteDriver("MyOdbc");
  EXPECT_EQ(EngineCode([&] { Session().GetDriverParams("MyOdbc", &p); }), ORVEX_ERR_UNKNOWNDRIVER);
  EXPECT_EQ(EngineCode([&] { Session().DeleteAlias("Nobody"); }), ORVEX_ERR_UNKNOWNALIAS);
}

TEST_F(SessionConfig, NotificationsComeInOrderUnlessSwitchedOff) {
  std::vector<std::string> heard;
  TDatabaseNotifyEvent previous = [&](TDatabaseEvent e, const std::string& name, TDatabase* db) {
    heard.push_back("previous " + std::to_string(e) + " " + name + (db ? " db" : ""));
  };
  Session().OnDBNotify = previous;
  // A listener that keeps the handler it found and calls it first.
  TDatabaseNotifyEvent kept = Session().OnDBNotify;
  Session().OnDBNotify = [&](TDatabaseEvent e, const std::string& name, TDatabase* db) {
    kept(e, name, db);
    heard.push_back(std::to_string(e) + " " + name + (db ? " db" : ""));
  };
  TTable* t = MakeGuests(owner.get(), dir, 0);
  Session().DropConnections();
  heard.clear();
  Session().AddStandardAlias("Mine", dir, "KALMURE");
  t->SetDatabaseName("Mine");
  t->Open();
  t->Close();
  Session().DropConnections();
  Session().DeleteAlias("Mine");
  Session().SetDBNotifyEnabled(false);
  Session().AddStandardAlias("Quiet", dir, "");
  Session().SetDBNotifyEnabled(true);
  Session().DeleteAlias("Quiet");
  EXPECT_EQ(heard, (std::vector<std::string>{"previous 4 Mine", "4 Mine", "previous 0 Mine db", "0 Mine db",
                                             "previous 1 Mine db", "1 Mine db", "previous 5 Mine", "5 Mine",
                                             "previous 5 Quiet", "5 Quiet"}));
}

TEST_F(SessionConfig, TheModeScopePutsTheModeBackOnEveryPath) {
  Session().SetConfigMode(cfmPersistent);
  auto engineMode = [] {
    std::uint32_t v = 0;
    Check(Engine().GetProp(Session().Handle(), ORVEX_SES_CFGMODE, &v, sizeof v, nullptr));
    return v;
  };
  EXPECT_EQ(engineMode(), 2u);
  EXPECT_THROW(
      {
        TConfigModeScope scope(Session(), cfmSession);
        EXPECT_EQ(engineMode(), 4u);
        Session().AddStandardAlias("bad:name", dir, "");
      },
      EDBEngineError);
  EXPECT_EQ(Session().ConfigMode(), TConfigModes(cfmPersistent));
  EXPECT_EQ(engineMode(), 2u);
  // Set before the engine starts, the mode reaches it when it does.
  Session().Close();
  Session().SetConfigMode(cfmVirtual);
  EXPECT_EQ(engineMode(), 1u);
}

TEST_F(SessionConfig, AnAliasNamesTheDatabaseOfTablesAndComponents) {
  MakeGuests(owner.get(), dir, 3);
  Session().DropConnections();

  Session().AddStandardAlias("Party", dir, "KALMURE");
  auto* t = new TTable(owner.get());
  t->SetDatabaseName("party");
  t->SetTableName("Guests");  // no extension: the alias's default driver
  t->Open();
  EXPECT_EQ(t->RecordCount(), 3);
  EXPECT_EQ(t->Database()->Directory(), dir);
  t->Close();

  auto* db = new TDatabase(owner.get());
  db->SetDatabaseName("Party");
  db->Open();
  EXPECT_EQ(db->Directory(), dir);
  db->Close();

  Session().AddAlias("Remote", "ORACLE", ListOf({"SERVER NAME=far"}).get());
  auto* r = new TTable(owner.get());
  r->SetDatabaseName("Remote");
  r->SetTableName("Guests");
  EXPECT_EQ(EngineCode([&] { r->Open(); }), ORVEX_ERR_NOTSUPPORTED);
}

// The session starts the engine with the formats of its configuration.
TEST_F(SessionConfig, DatesTimesAndNumbersFollowTheEngineFormats) {
  FormatSettings = UsFormatSettings();
  Session().Open();
  EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "3/5/2024");
  TConfigModeScope mode(Session(), cfmPersistent);
  Session().ModifyConfigParams("\\SYSTEM\\FORMATS\\%s", "Date",
                               ListOf({"MODE=1", "SEPARATOR=.", "LEADINGZEROD=TRUE", "LEADINGZEROM=TRUE"}).get());
  Session().ModifyConfigParams("\\SYSTEM\\FORMATS\\%s", "Time", ListOf({"TWELVEHOUR=FALSE", "SECONDS=FALSE"}).get());
  Session().ModifyConfigParams("\\SYSTEM\\FORMATS\\%s", "Number",
                               ListOf({"DECIMALSEPARATOR=,", "THOUSANDSEPARATOR=."}).get());
  Session().SaveConfigFile();
  Session().Close();
  Session().Open();
  EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "05.03.2024");
  EXPECT_EQ(TimeToStr(EncodeTime(14, 7, 9, 0)), "14:07");
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2), "1.234,50");
}

TEST_F(SessionConfig, StartProceduresRegisterCallbacksTheEngineCalls) {
  // The procedure stays with the session: it does nothing once the test is over.
  struct State {
    bool live = true, raise = true;
    int starts = 0, asked = 0;
    OrvexInputReq buffer{};
    std::unique_ptr<TNuboCallback> callback;
    sqlite3* holder = nullptr;
  };
  auto state = std::make_shared<State>();
  Session().AddStartProc([state](TSession& s) {
    if (!state->live) return;
    ++state->starts;
    State* st = state.get();
    auto answer = [st](void* b) -> std::uint16_t {
      ++st->asked;
      if (st->raise) throw Exception("no answer");  // never reaches the engine
      static_cast<OrvexInputReq*>(b)->chosen = 1;
      sqlite3_exec(st->holder, "COMMIT", nullptr, nullptr, nullptr);
      return ORVEX_CB_ANSWERED;
    };
    st->callback = std::make_unique<TNuboCallback>(&s, ORVEX_CB_INPUTREQ, &st->buffer, sizeof st->buffer, answer);
  });
  TTable* t = MakeGuests(owner.get(), dir, 0);
  EXPECT_EQ(state->starts, 1);
  t->Open();
  ASSERT_EQ(sqlite3_open(temp.File("Guests.db").c_str(), &state->holder), SQLITE_OK);
  auto post = [&](int id) {
    sqlite3_exec(state->holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    return EngineCode([&] {
      t->Append();
      t->FieldByName("ID")->SetAsInteger(id);
      TScopeFail cancel([&] { t->Cancel(); });
      t->Post();
    });
  };
  EXPECT_EQ(post(1), ORVEX_ERR_BUSY);
  state->raise = false;
  EXPECT_EQ(post(2), ORVEX_OK);
  EXPECT_EQ(state->asked, 2);
  sqlite3_close(state->holder);
  t->Close();
  Session().Close();
  Session().Open();
  EXPECT_EQ(state->starts, 2);
  state->callback.reset();  // drops its registration from the running session
  state->live = false;
}

// What an administrator saves is what a new process of the planner's tools
// gets: dates in the new format, a new table folding letters by the new rule.
TEST_F(SessionConfig, ANewProcessOpensTheSampleTablesWithTheSavedSettings) {
  sample::MakeSampleGuests(dir);
  Session().DropConnections();
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().AddStandardAlias("Wedding", dir, "KALMURE");
    Session().ModifyConfigParams("\\SYSTEM\\FORMATS\\%s", "Date",
                                 ListOf({"MODE=2", "SEPARATOR=-", "LEADINGZEROD=TRUE", "LEADINGZEROM=TRUE"}).get());
    Session().ModifyDriver("KALMURE", ListOf({"LANGDRIVER=ORVASCII"}).get());
    Session().SaveConfigFile();
  }
  Session().Close();
  auto [status, out] = RunProgram({FW_CONFIG_PROBE, "Wedding"});
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(out, "GuestLst.db " + std::to_string(sample::SampleGuests().size()) +
                     "\nWedDat2.db 1\n"
                     "alice 2024-03-05\nBob 2024-03-05\nzed 2024-03-05\n"
                     "Édith 2024-03-05\néclair 2024-03-05\n");
}

}  // namespace
