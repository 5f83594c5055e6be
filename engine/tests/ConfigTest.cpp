// The configuration store through the engine's entries: lists as their
// callers read them, descriptions, the database description per mode,
// language drivers and the case rule of new tables, configuration files
// (round trips, foreign files, a save killed halfway, merges), the active
// file's lock across processes, and input requests.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include <sqlite3.h>

#include "EngineTest.h"
#include "OdbcConfig.h"

using namespace enginetest;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// NAME=value lines as the engine takes them.
std::string Params(std::initializer_list<std::string> lines) {
  std::string block;
  for (const std::string& l : lines) block += l + '\0';
  return block + '\0';
}

struct ListResult {
  OrvexResult result = ORVEX_OK;
  Entries entries;
  std::vector<bool> nodes;
};

ListResult List(const std::string& path) {
  ListResult r;
  hOrvexCursor c = 0;
  r.result = E().OpenCfgInfoList(0, 1, 0, path.c_str(), &c);
  if (r.result != ORVEX_OK) return r;
  auto rec = std::make_unique<OrvexCfgDesc>();
  while (E().GetNextRecord(c, 0, rec.get(), nullptr) == ORVEX_OK) {
    r.entries.emplace_back(rec->name, rec->value);
    r.nodes.push_back(rec->node != 0);
  }
  E().CloseCursor(&c);
  return r;
}

std::string Value(const std::string& path, const std::string& option) {
  for (const auto& [n, v] : List(path).entries)
    if (n == option) return v;
  return "(missing)";
}

std::string ActiveFile() {
  OrvexHandle sys = 0;
  E().GetSysHandle(&sys);
  char name[1024] = {};
  std::uint16_t length = 0;
  if (E().GetProp(sys, ORVEX_SYS_CFGFILE, name, sizeof name, &length) != ORVEX_OK) return "(error)";
  return name;
}

class ConfigTest : public ::testing::Test {
public:
  void SetUp() override { ASSERT_OK(E().StartEngine(file.c_str(), &session)); }
  void TearDown() override { E().StopEngine(); }
  void Mode(unsigned m) { ASSERT_OK(E().SetProp(session, ORVEX_SES_CFGMODE, m)); }
  std::string Path(const std::string& name) const { return temp.File(name); }

  fw::test::TempDir temp;
  fw::test::OdbcConfig odbc;  // none of the machine's data sources
  std::string dir = temp.Path();
  std::string file = temp.File("nubo.cfg");
  OrvexHandle session = 0;
};

// ---------------------------------------------------------------- reading

TEST_F(ConfigTest, AnAliasPathIsReadAsTheLibraryReadsIt) {
  ASSERT_OK(E().CfgAddAlias("Guests", "STANDARD", Params({"PATH=/data/guests", "DEFAULT DRIVER=ZENTOR"}).c_str()));
  // Records in order until a name that, lower-cased, is "path"; its value at byte 162.
  auto path = [](const std::string& alias) -> std::optional<std::string> {
    hOrvexCursor c = 0;
    OrvexResult r = E().OpenCfgInfoList(0, 1, 0, ("\\Databases\\" + alias + "\\db info").c_str(), &c);
    if (r == ORVEX_ERR_NOENTRIES) return std::nullopt;
    EXPECT_OK(r);
    OrvexCursorProps props{};
    E().GetCursorProps(c, &props);
    std::vector<char> rec(props.recordSize);
    std::optional<std::string> found;
    while (!found && E().GetNextRecord(c, 0, rec.data(), nullptr) == ORVEX_OK) {
      std::string name = rec.data();
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (name == "path") found = std::string(rec.data() + 162);
    }
    E().CloseCursor(&c);
    return found;
  };
  EXPECT_EQ(path("guests"), "/data/guests");
  EXPECT_EQ(path("Nobody"), std::nullopt);
  EXPECT_EQ(ORVEX_ERR_NOENTRIES, 8712);
}

TEST_F(ConfigTest, EveryDefaultOptionIsDescribed) {
  Mode(ORVEX_CFG_PERSISTENT);
  int options = 0;
  std::set<std::string> names;
  std::function<void(const std::string&)> walk = [&](const std::string& path) {
    ListResult l = List(path);
    ASSERT_OK(l.result);
    for (std::size_t i = 0; i < l.entries.size(); ++i) {
      const std::string& name = l.entries[i].first;
      if (l.nodes[i]) {
        walk(path + "\\" + name);
        continue;
      }
      char desc[ORVEX_OPTION_DESC_SIZE];
      std::memset(desc, 'x', sizeof desc);
      OrvexResult r = E().GetOptionDesc(0, path.c_str(), name.c_str(), desc);
      EXPECT_EQ(r, ORVEX_OK) << path << " " << name;
      std::size_t n = strnlen(desc, sizeof desc);
      EXPECT_GT(n, 20u) << path << " " << name;
      EXPECT_LT(n, sizeof desc) << path << " " << name;
      ++options;
      names.insert(name);
    }
  };
  walk("\\DRIVERS");
  walk("\\SYSTEM");
  EXPECT_GT(options, 150);
  // Every option the administrator has a value list for is among them.
  std::istringstream dbi(fw::test::ReadBytes(FW_DBI_FILE));
  for (std::string line; std::getline(dbi, line);) {
    std::size_t colon = line.find(":Values");
    if (colon != std::string::npos && colon > 0) {
      EXPECT_TRUE(names.count(line.substr(0, colon))) << line;
    }
  }

  // A driver alone searches its sections; paths and names in any case.
  char desc[ORVEX_OPTION_DESC_SIZE];
  EXPECT_OK(E().GetOptionDesc(0, "\\DRIVERS\\ODBC", "ODBC DSN", desc));
  EXPECT_OK(E().GetOptionDesc(0, "\\system\\formats\\date", "separator", desc));
  EXPECT_EQ(E().GetOptionDesc(0, "\\SYSTEM\\INIT", "NO SUCH OPTION", desc), ORVEX_ERR_NOOPTIONDESC);
  EXPECT_EQ(E().GetOptionDesc(0, "\\DRIVERS\\OLE", "ANY", desc), ORVEX_ERR_NOOPTIONDESC);
  EXPECT_EQ(desc[0], 0);
}

TEST_F(ConfigTest, TheDefaultsNameTheirDriversAndTemplate) {
  EXPECT_EQ(Value("\\DRIVERS\\ODBC\\INIT", "DLL32"), "OVODBC32.DLL");
  EXPECT_EQ(Value("\\DRIVERS\\ODBC\\INIT", "ODBC DRIVER"), "");
  EXPECT_EQ(Value("\\DRIVERS\\ODBC\\DB OPEN", "ODBC DSN"), "");
  EXPECT_EQ(Value("\\DRIVERS\\SYBASE\\INIT", "DLL32"), ORVEX_DLL32_SYBASE);
  EXPECT_EQ(Value("\\DRIVERS\\MSACCESS\\INIT", "DLL32"), ORVEX_DLL32_MSACCESS);
  EXPECT_EQ(Value("\\DRIVERS\\ORACLE\\INIT", "TYPE"), "SERVER");
  EXPECT_EQ(Value("\\DRIVERS\\STANDARD\\DB OPEN", "DEFAULT DRIVER"), "KALMURE");
  EXPECT_EQ(List("\\PROVIDERS").result, ORVEX_ERR_NOENTRIES);

  hOrvexCursor c = 0;
  ASSERT_OK(E().OpenDriverList(&c));
  std::vector<std::string> names;
  OrvexCfgDesc rec{};
  while (E().GetNextRecord(c, 0, &rec, nullptr) == ORVEX_OK) names.push_back(rec.name);
  E().CloseCursor(&c);
  EXPECT_EQ(names, (std::vector<std::string>{"STANDARD", "ORACLE", "SYBASE", "INFORMIX", "DB2", "MSSQL", "MSACCESS",
                                             "CORVANE"}));
}

TEST_F(ConfigTest, DatabaseDescriptionAnswersPerMode) {
  Mode(ORVEX_CFG_SESSION);
  ASSERT_OK(E().CfgAddAlias("Mine", "STANDARD", Params({"PATH=/s"}).c_str()));
  Mode(ORVEX_CFG_PERSISTENT);
  ASSERT_OK(E().CfgAddAlias("Kept", "STANDARD", Params({"PATH=/p"}).c_str()));
  struct Case {
    unsigned mode;
    OrvexResult mine, kept;
  } cases[] = {
      {ORVEX_CFG_SESSION, ORVEX_OK, ORVEX_ERR_UNKNOWNALIAS},
      {ORVEX_CFG_PERSISTENT, ORVEX_ERR_UNKNOWNALIAS, ORVEX_OK},
      {ORVEX_CFG_VIRTUAL, ORVEX_ERR_UNKNOWNALIAS, ORVEX_ERR_UNKNOWNALIAS},
      {ORVEX_CFG_ALL, ORVEX_OK, ORVEX_OK},
      {0, ORVEX_ERR_UNKNOWNALIAS, ORVEX_ERR_UNKNOWNALIAS},
  };
  auto desc = std::make_unique<OrvexDbDesc>();
  for (const Case& c : cases) {
    Mode(c.mode);
    EXPECT_EQ(E().GetDatabaseDesc("mine", desc.get()), c.mine) << c.mode;
    if (c.mine == ORVEX_OK) {
      EXPECT_STREQ(desc->name, "Mine");
      EXPECT_STREQ(desc->type, "STANDARD");
      EXPECT_STREQ(desc->path, "/s");
      EXPECT_EQ(desc->layer, ORVEX_CFG_SESSION);
    }
    EXPECT_EQ(E().GetDatabaseDesc("Kept", desc.get()), c.kept) << c.mode;
  }
}

// ---------------------------------------------------------------- properties

TEST_F(ConfigTest, PropertiesOfTheSystemAndTheSession) {
  OrvexHandle sys = 0;
  ASSERT_OK(E().GetSysHandle(&sys));
  EXPECT_NE(sys, 0u);
  char small[8];
  std::uint16_t length = 0;
  EXPECT_EQ(E().GetProp(sys, ORVEX_SYS_CFGFILE, small, sizeof small, &length), ORVEX_ERR_BUFFERSIZE);
  EXPECT_EQ(length, file.size());  // so that the caller can read it whole
  std::vector<char> whole(length + 1u);
  ASSERT_OK(E().GetProp(0, ORVEX_SYS_CFGFILE, whole.data(), static_cast<std::uint16_t>(whole.size()), &length));
  EXPECT_EQ(std::string(whole.data()), file);

  std::uint32_t v = 9;
  ASSERT_OK(E().GetProp(session, ORVEX_SES_ALIASLIST, &v, sizeof v, nullptr));
  EXPECT_EQ(v, 0u);
  ASSERT_OK(E().SetProp(session, ORVEX_SES_ALIASLIST, 1));
  ASSERT_OK(E().GetProp(session, ORVEX_SES_ALIASLIST, &v, sizeof v, nullptr));
  EXPECT_EQ(v, 1u);
  EXPECT_OK(E().SetCurrentSession(session));
  EXPECT_EQ(E().SetCurrentSession(session + 1), ORVEX_ERR_INVALIDHANDLE);
  EXPECT_EQ(E().SetProp(session, ORVEX_SES_CFGMODE, 8), ORVEX_ERR_INVALIDPARAM);
  OrvexHandle second = 0;
  EXPECT_EQ(E().StartEngine(file.c_str(), &second), ORVEX_ERR_STARTED);
}

// ---------------------------------------------------------------- language drivers

TEST_F(ConfigTest, LanguageDriversListWithTheirFamilies) {
  OrvexHandle list = 0;
  ASSERT_OK(E().OpenLdList(&list));
  char name[ORVEX_LD_NAME_SIZE], text[ORVEX_LD_DESC_SIZE];
  EXPECT_EQ(E().GetLdSymbolicName(list, name), ORVEX_ERR_BOF);
  std::map<std::string, int> descriptions;
  std::set<std::uint16_t> families;
  int count = 0;
  while (E().NextLd(list) == ORVEX_OK) {
    std::uint16_t family = 0;
    ASSERT_OK(E().GetLdSymbolicName(list, name));
    ASSERT_OK(E().GetLdDescription(list, text));
    ASSERT_OK(E().GetLdFamily(list, &family));
    EXPECT_LE(std::strlen(name), 20u);
    EXPECT_GT(std::strlen(text), 0u);
    ++descriptions[text];
    families.insert(family);
    ++count;
  }
  EXPECT_EQ(E().NextLd(list), ORVEX_ERR_EOF);
  EXPECT_EQ(E().GetLdFamily(list, nullptr), ORVEX_ERR_EOF);
  ASSERT_OK(E().CloseLdList(&list));
  EXPECT_EQ(list, 0u);
  EXPECT_EQ(E().NextLd(list), ORVEX_ERR_INVALIDHANDLE);
  EXPECT_GE(count, 6);
  EXPECT_TRUE(families.count(2) && families.count(18));
  EXPECT_EQ(std::count_if(descriptions.begin(), descriptions.end(), [](const auto& d) { return d.second > 1; }), 1);
}

// New tables take the case rule of their driver's language driver and keep
// it: the order of a case-insensitive index, and the driver it records.
TEST_F(ConfigTest, NewTablesFoldLettersAsTheirLanguageDriverSays) {
  hOrvexDb db = 0;
  ASSERT_OK(E().OpenDatabase(dir.c_str(), nullptr, &db));
  struct Case {
    const char* langDriver;
    std::vector<std::string> order;
  } cases[] = {
      {"ORVINTL", {"alice", "Bob", "zed", "éclair", "Édith"}},
      {"ORVASCII", {"alice", "Bob", "zed", "Édith", "éclair"}},  // É is not A to Z: its bytes come before é's
      {"", {"alice", "Bob", "zed", "éclair", "Édith"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.langDriver);
    std::string ld = Params({std::string("LANGDRIVER=") + c.langDriver});
    ASSERT_OK(E().CfgModifyParams("\\DRIVERS\\KALMURE\\INIT", ld.c_str()));
    std::string table = "Names" + std::to_string(++n);
    ASSERT_OK(CreateTable(db, table, {{"ID", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}},
                          {{"", {1}, true}, {"ByName", {2}, false, false, false, true}}));
    // Changed afterwards: the table keeps the rule it was made with.
    ASSERT_OK(E().CfgModifyParams("\\DRIVERS\\KALMURE\\INIT", Params({"LANGDRIVER=OEMUS"}).c_str()));
    {
      Cursor t(db, table, "ByName");
      ASSERT_TRUE(t.ok());
      std::int32_t id = 0;
      for (const char* name : {"zed", "Édith", "Bob", "éclair", "alice"}) {
        auto rec = t.NewRecord();
        t.Put(rec, 1, ++id);
        t.PutStr(rec, 2, name);
        ASSERT_OK(t.Append(rec));
      }
      EXPECT_EQ(t.Strs(2), c.order);
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(Path(table + ".db").c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT value FROM orvex_table WHERE key = 'langdriver'", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), *c.langDriver ? c.langDriver : "ORVINTL");
    sqlite3_finalize(st);
    sqlite3_close(raw);
  }
  ASSERT_OK(E().CfgModifyParams("\\DRIVERS\\KALMURE\\INIT", Params({"LANGDRIVER=NOSUCHDRIVER"}).c_str()));
  EXPECT_EQ(CreateTable(db, "Refused", {{"ID", ORVEX_FT_INTEGER}}), ORVEX_ERR_UNKNOWNLD);
  EXPECT_FALSE(std::filesystem::exists(Path("Refused.db")));
  E().CloseDatabase(&db);
}

// A new table's file takes its driver's BLOCK SIZE as its page size; a
// value that is no power of two from 512 to 65536 gives 4096.
TEST_F(ConfigTest, NewTablesTakeTheirDriversBlockSize) {
  hOrvexDb db = 0;
  ASSERT_OK(E().OpenDatabase(dir.c_str(), nullptr, &db));
  struct Case {
    const char* driver;
    const char* table;
    const char* blockSize;
    int pageSize;
  } cases[] = {
      {"KALMURE", "K1.db", "16384", 16384}, {"KALMURE", "K2.db", "1024", 1024}, {"KALMURE", "K3.db", "1000", 4096},
      {"KALMURE", "K4.db", "131072", 4096}, {"ZENTOR", "Z1.dbf", "512", 512},   {"ZENTOR", "Z2.dbf", "", 4096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    std::string path = std::string("\\DRIVERS\\") + c.driver + "\\TABLE CREATE";
    ASSERT_OK(E().CfgModifyParams(path.c_str(), Params({std::string("BLOCK SIZE=") + c.blockSize}).c_str()));
    ASSERT_OK(CreateTable(db, c.table, {{"ID", ORVEX_FT_INTEGER}}));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(Path(c.table).c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "PRAGMA page_size", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), c.pageSize);
    sqlite3_finalize(st);
    sqlite3_close(raw);
  }
  E().CloseDatabase(&db);
}

// ---------------------------------------------------------------- what the engine applies

TEST_F(ConfigTest, DefaultDriverAndAliasesDecideWhereTablesGo) {
  std::filesystem::create_directory(Path("data"));
  ASSERT_OK(E().CfgAddAlias("Zen", "STANDARD", Params({"PATH=" + Path("data"), "DEFAULT DRIVER=ZENTOR"}).c_str()));
  ASSERT_OK(E().CfgAddAlias("Fox", "STANDARD", Params({"PATH=" + Path("data"), "DEFAULT DRIVER=FOXPRO"}).c_str()));
  ASSERT_OK(E().CfgAddAlias("Server", "ORACLE", Params({"SERVER NAME=far"}).c_str()));
  hOrvexDb db = 0;
  ASSERT_OK(E().OpenDatabase("zen", nullptr, &db));
  ASSERT_OK(CreateTable(db, "T", {{"ID", ORVEX_FT_INTEGER}}));
  ASSERT_OK(CreateTable(db, "K.db", {{"ID", ORVEX_FT_INTEGER}}));
  E().CloseDatabase(&db);
  EXPECT_TRUE(std::filesystem::exists(Path("data/T.dbf")));
  EXPECT_TRUE(std::filesystem::exists(Path("data/K.db")));

  ASSERT_OK(E().OpenDatabase("Fox", nullptr, &db));
  EXPECT_EQ(CreateTable(db, "F", {{"ID", ORVEX_FT_INTEGER}}), ORVEX_ERR_UNKNOWNTYPE);
  E().CloseDatabase(&db);
  EXPECT_EQ(E().OpenDatabase("Server", nullptr, &db), ORVEX_ERR_NOTSUPPORTED);

  // A folder opened by its path takes the system's default driver.
  ASSERT_OK(E().CfgModifyParams("\\SYSTEM\\INIT", Params({"DEFAULT DRIVER=ZENTOR"}).c_str()));
  ASSERT_OK(E().OpenDatabase(dir.c_str(), nullptr, &db));
  ASSERT_OK(CreateTable(db, "U", {{"ID", ORVEX_FT_INTEGER}}));
  E().CloseDatabase(&db);
  EXPECT_TRUE(std::filesystem::exists(Path("U.dbf")));
}

// ---------------------------------------------------------------- files

TEST_F(ConfigTest, ValuesComeBackFromTheFileAsTheyWere) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"EQUALS", "a=b=c"},
      {"[BRACKET", "[not a section]"},
      {"NON-ASCII ÄÖÜ", "Grüße, 東京, ελληνικά"},
      {"LINES", "first\nsecond\r\nthird"},
      {"BACKSLASHES", "C:\\dir\\n\\x41"},
      {"CONTROL", std::string("tab\there, bell\a, escape\x1b")},
      {"NOT UTF-8", "\xff\xfe bytes \xc3("},
      {"EMPTY", ""},
      {"SPACES", "  both ends  "},
  };
  std::string block;
  for (const auto& [n, v] : values) block += n + "=" + v + '\0';
  block += '\0';
  ASSERT_OK(E().CfgAddAlias("Odd values", "STANDARD", block.c_str()));
  ASSERT_OK(E().SaveConfigFile(0, nullptr, -1));
  EXPECT_EQ(fw::test::ReadBytes(file).rfind(ORVEX_CFG_FILE_HEADER "\n", 0), 0u);

  E().StopEngine();
  EXPECT_EQ(List("\\DATABASES\\Odd values\\DB INFO").result, ORVEX_ERR_NOENTRIES);
  ASSERT_OK(E().StartEngine(file.c_str(), &session));
  Entries got = List("\\DATABASES\\Odd values\\DB INFO").entries;
  ASSERT_EQ(got.size(), values.size() + 1);
  EXPECT_EQ(got[0], (std::pair<std::string, std::string>{"TYPE", "STANDARD"}));
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(got[i + 1], values[i]);
}

TEST_F(ConfigTest, ForeignFilesAreRefusedAndChangeNothing) {
  ASSERT_OK(E().CfgAddAlias("Marker", "STANDARD", Params({"PATH=/marker"}).c_str()));
  std::string good = temp.File("good.cfg");
  ASSERT_OK(E().SaveConfigFile(0, good.c_str(), -1));
  std::string valid = fw::test::ReadBytes(good);
  std::string head = ORVEX_CFG_FILE_HEADER "\n", tail = ORVEX_CFG_FILE_TRAILER "\n";
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"binary", std::string("\x7f"
                             "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0",
                             20) +
                     "\n"},
      {"other text", "[Version]\nDbXName=\"x\"\n"},
      {"cut in a line", valid.substr(0, valid.size() / 2)},
      {"cut at a line", valid.substr(0, valid.rfind('\n', valid.size() - 2) + 1)},
      {"no first line", valid.substr(valid.find('\n') + 1)},
      {"option before a section", head + "X=1\n" + tail},
      {"unknown escape", head + "[\\A]\nX=\\q\n" + tail},
      {"section twice", head + "[\\A]\n[\\a]\n" + tail},
      {"alias name too long", head + "[\\DATABASES\\" + std::string(32, 'n') + "\\DB INFO]\n" + tail},
      {"NUL inside", head + std::string("[\\A]\nX=a\0b\n", 12) + tail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bad = temp.File("bad.cfg");
    fw::test::WriteBytes(bad, c.bytes);
    OrvexHandle h = 7;
    OrvexResult r = E().OpenConfigFile(bad.c_str(), 0, &h);
    EXPECT_EQ(r, ORVEX_ERR_INVALIDCFG);
    EXPECT_EQ(h, 0u);
    EXPECT_NE(Text(r).find("bad.cfg"), std::string::npos) << Text(r);
  }
  EXPECT_EQ(ActiveFile(), file);
  EXPECT_EQ(Value("\\DATABASES\\Marker\\DB INFO", "PATH"), "/marker");
  OrvexHandle h = 0;
  EXPECT_EQ(E().OpenConfigFile(temp.File("missing.cfg").c_str(), 0, &h), ORVEX_ERR_FILENOTFOUND);
  ASSERT_OK(E().OpenConfigFile(good.c_str(), 0, &h));

  // Started on a foreign file, the engine stays stopped with its defaults.
  E().StopEngine();
  EXPECT_EQ(E().StartEngine(temp.File("bad.cfg").c_str(), &session), ORVEX_ERR_INVALIDCFG);
  EXPECT_EQ(ActiveFile(), "");
  EXPECT_EQ(E().StartEngine(file.c_str(), &session), ORVEX_OK);
}

TEST_F(ConfigTest, ASaveKilledHalfwayLeavesTheOldFileWhole) {
  // Big enough that a kill lands inside a save now and then.
  for (int i = 0; i < 400; ++i)
    ASSERT_OK(E().CfgAddAlias(("Alias" + std::to_string(i)).c_str(), "STANDARD",
                              Params({"PATH=/" + std::string(800, 'p'), "ROUND=0"}).c_str()));
  ASSERT_OK(E().SaveConfigFile(0, nullptr, -1));
  std::int32_t last = KillAfterSteps(40, [](int out) {
    for (std::int32_t round = 1;; ++round) {
      for (int i = 0; i < 400; i += 37)
        E().CfgModifyAlias(("Alias" + std::to_string(i)).c_str(), Params({"ROUND=" + std::to_string(round)}).c_str());
      if (E().SaveConfigFile(0, nullptr, -1) != ORVEX_OK) ::_exit(3);
      ReportStep(out, round);
    }
  });
  ASSERT_GE(last, 40);

  OrvexHandle h = 0;
  ASSERT_OK(E().OpenConfigFile(file.c_str(), 0, &h));  // whole: it reads
  ASSERT_OK(E().SetProp(0, ORVEX_SYS_CFGFILEHANDLE, h));
  int round = std::stoi(Value("\\DATABASES\\Alias0\\DB INFO", "ROUND"));
  EXPECT_TRUE(round == last || round == last + 1) << round << " after " << last;
  for (int i = 0; i < 400; i += 37)  // one save's rounds throughout, never a mix
    EXPECT_EQ(Value("\\DATABASES\\Alias" + std::to_string(i) + "\\DB INFO", "ROUND"), std::to_string(round));
  EXPECT_EQ(List("\\DATABASES").entries.size(), 400u);
}

TEST_F(ConfigTest, AFailedSaveOrMergeChangesNothing) {
  ASSERT_OK(E().CfgAddAlias("Kept", "STANDARD", Params({"PATH=/kept", "MODE=old"}).c_str()));
  ASSERT_OK(E().SaveConfigFile(0, nullptr, -1));
  std::string before = fw::test::ReadBytes(file);

  // A merge of a file whose second alias names no driver: all or nothing.
  std::string other = temp.File("other.cfg");
  fw::test::WriteBytes(other, ORVEX_CFG_FILE_HEADER
                       "\n"
                       "[\\DATABASES\\Kept\\DB INFO]\nTYPE=STANDARD\nMODE=new\nADDED=1\n"
                       "[\\DATABASES\\New\\DB INFO]\nTYPE=STANDARD\nPATH=/new\n"
                       "[\\DATABASES\\Broken\\DB INFO]\nTYPE=NOSUCHDRIVER\n" ORVEX_CFG_FILE_TRAILER "\n");
  OrvexHandle h = 0;
  ASSERT_OK(E().OpenConfigFile(other.c_str(), 0, &h));
  EXPECT_EQ(E().MergeConfigFile(0, h, 1), ORVEX_ERR_UNKNOWNDRIVER);
  EXPECT_EQ(E().MergeConfigFile(0, h, 1), ORVEX_ERR_INVALIDHANDLE);  // the engine freed it
  EXPECT_EQ(Value("\\DATABASES\\Kept\\DB INFO", "MODE"), "old");
  EXPECT_EQ(Value("\\DATABASES\\Kept\\DB INFO", "ADDED"), "(missing)");
  EXPECT_EQ(List("\\DATABASES\\New\\DB INFO").result, ORVEX_ERR_NOENTRIES);

  // A save that cannot be written answers its error and leaves the file and the active name.
  std::filesystem::create_directory(Path("locked"));
  ::chmod(Path("locked").c_str(), 0500);
  OrvexResult r = E().SaveConfigFile(0, Path("locked/x.cfg").c_str(), -1);
  ::chmod(Path("locked").c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_EQ(r, ORVEX_ERR_ACCESS);
  }
  EXPECT_EQ(E().SaveConfigFile(0, Path("missing/x.cfg").c_str(), -1), ORVEX_ERR_DIRNOTFOUND);
  EXPECT_EQ(ActiveFile(), file);
  EXPECT_EQ(fw::test::ReadBytes(file), before);

  // Without the broken alias the merge goes through: overwrite 0 keeps what is there.
  fw::test::WriteBytes(other, ORVEX_CFG_FILE_HEADER
                       "\n[\\DATABASES\\Kept\\DB INFO]\nTYPE=STANDARD\nMODE=new\nADDED=1\n"
                       "[\\DATABASES\\New\\DB INFO]\nTYPE=STANDARD\nPATH=/new\n" ORVEX_CFG_FILE_TRAILER "\n");
  ASSERT_OK(E().OpenConfigFile(other.c_str(), 0, &h));
  ASSERT_OK(E().MergeConfigFile(session, h, 0));
  EXPECT_EQ(Value("\\DATABASES\\Kept\\DB INFO", "MODE"), "old");
  EXPECT_EQ(Value("\\DATABASES\\Kept\\DB INFO", "ADDED"), "1");
  EXPECT_EQ(Value("\\DATABASES\\New\\DB INFO", "PATH"), "/new");
  EXPECT_EQ(fw::test::ReadBytes(file), before);  // a merge saves nothing
}

// Another process with a session on the active file keeps this one from
// switching files; once it is gone the switch goes through.
TEST_F(ConfigTest, ActivatingWhileAnotherProcessHoldsTheEngineAnswers2510) {
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    E().StopEngine();
    OrvexHandle s = 0;
    char c = E().StartEngine(file.c_str(), &s) == ORVEX_OK ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(2);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');

  std::string other = temp.File("other.cfg");
  ASSERT_OK(E().SaveConfigFile(0, other.c_str(), -1));
  OrvexHandle h = 0;
  ASSERT_OK(E().OpenConfigFile(other.c_str(), 0, &h));
  EXPECT_EQ(E().SetProp(0, ORVEX_SYS_CFGFILEHANDLE, h), 0x2510);
  EXPECT_EQ(ActiveFile(), file);
  EXPECT_EQ(E().SetProp(0, ORVEX_SYS_CFGFILEHANDLE, h), ORVEX_ERR_INVALIDHANDLE);  // freed all the same

  ASSERT_EQ(::write(go[1], "x", 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_OK(E().OpenConfigFile(other.c_str(), 0, &h));
  ASSERT_OK(E().SetProp(0, ORVEX_SYS_CFGFILEHANDLE, h));
  EXPECT_EQ(ActiveFile(), other);
  EXPECT_TRUE(std::filesystem::exists(other + ".lck"));
}

// ---------------------------------------------------------------- input requests

struct BusyAnswer {
  int calls = 0;
  OrvexInputReq seen{};
  sqlite3* holder = nullptr;
  std::uint16_t result = ORVEX_CB_ANSWERED;
  std::int16_t chosen = 1, save = 0;
};

std::uint16_t AnswerBusy(std::uint16_t type, std::uintptr_t data, void* buffer) {
  auto* a = reinterpret_cast<BusyAnswer*>(data);
  EXPECT_EQ(type, ORVEX_CB_INPUTREQ);
  ++a->calls;
  std::memcpy(&a->seen, buffer, sizeof a->seen);
  auto* req = static_cast<OrvexInputReq*>(buffer);
  req->chosen = a->chosen;
  req->save = a->save;
  if (a->chosen == 1) sqlite3_exec(a->holder, "COMMIT", nullptr, nullptr, nullptr);  // the other writer finishes
  return a->result;
}

TEST_F(ConfigTest, APostHeldUpByAnotherWriterAsksWhetherToRetry) {
  static_assert(sizeof(OrvexInputReq) == 778);
  hOrvexDb db = 0;
  ASSERT_OK(E().OpenDatabase(dir.c_str(), nullptr, &db));
  ASSERT_OK(CreateTable(db, "Busy", {{"ID", ORVEX_FT_INTEGER}}));
  Cursor t(db, "Busy");
  OrvexInputReq buffer{};
  BusyAnswer answer;
  ASSERT_OK(E().RegisterCallback(session, ORVEX_CB_INPUTREQ, reinterpret_cast<std::uintptr_t>(&answer), sizeof buffer,
                                 &buffer, AnswerBusy));
  ASSERT_EQ(sqlite3_open(Path("Busy.db").c_str(), &answer.holder), SQLITE_OK);
  auto post = [&](std::int32_t id) {
    sqlite3_exec(answer.holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    auto rec = t.NewRecord();
    t.Put(rec, 1, id);
    return t.Append(rec);
  };

  EXPECT_OK(post(1));  // Retry: the holder commits, the post goes through
  EXPECT_EQ(answer.calls, 1);
  EXPECT_EQ(answer.seen.kind, ORVEX_INPUTREQ_TABLEBUSY);
  EXPECT_EQ(answer.seen.optionCount, 2);
  EXPECT_EQ(answer.seen.chosen, 1);
  EXPECT_STREQ(answer.seen.options[0].keyword, "Retry");
  EXPECT_STREQ(answer.seen.options[1].keyword, "Fail");
  EXPECT_NE(std::string(answer.seen.message).find("Busy.db"), std::string::npos);

  answer.result = ORVEX_CB_DEFAULT;  // the engine's default gives up
  answer.chosen = 0;
  EXPECT_EQ(post(2), ORVEX_ERR_BUSY);
  EXPECT_EQ(answer.calls, 2);

  answer.result = ORVEX_CB_ANSWERED;  // Fail, and not asked again this session
  answer.chosen = 2;
  answer.save = -1;
  EXPECT_EQ(post(3), ORVEX_ERR_BUSY);
  EXPECT_EQ(post(4), ORVEX_ERR_BUSY);
  EXPECT_EQ(answer.calls, 3);
  sqlite3_exec(answer.holder, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(answer.holder);
  EXPECT_EQ(t.Ints(1), std::vector<std::int32_t>{1});
  EXPECT_OK(E().RegisterCallback(session, ORVEX_CB_INPUTREQ, 0, 0, nullptr, nullptr));
  E().CloseDatabase(&db);
}

}  // namespace
