// The configuration the engine has without a file, and the description of
// every option in it (409).
#include <array>
#include <string>
#include <vector>

#include "Config.h"

namespace orvex {

namespace {

struct DefaultOption {
  const char* name;
  const char* value;
  std::string description;
};

struct DefaultSection {
  const char* path;
  std::vector<DefaultOption> options;
};

const std::string kNoServer = " Kept for the administrator: this engine opens no databases of this driver.";
const std::string kAtStart = " Takes effect when a program next starts the engine.";

DefaultOption Version() { return {"VERSION", "1.0", "Version of the driver's settings. Read only."}; }
DefaultOption Type(const char* type) {
  return {"TYPE", type, "Kind of driver: FILE for tables kept in a folder, SERVER for SQL databases. Read only."};
}
DefaultOption Dll32(const char* library) {
  return {"DLL32", library,
          "The driver's library. Read only, but for SYBASE and MSACCESS, which have two to choose from." + kNoServer};
}

// The DB OPEN options that every SQL link has, and the ODBC template too.
std::vector<DefaultOption> ServerOptions(std::vector<DefaultOption> own) {
  std::vector<DefaultOption> common = {
      {"USER NAME", "", "User name offered when the database is opened." + kNoServer},
      {"OPEN MODE", "READ/WRITE", "READ/WRITE or READ ONLY: how the database is opened." + kNoServer},
      {"SCHEMA CACHE SIZE", "8", "Number of tables whose structure is kept in memory." + kNoServer},
      {"SCHEMA CACHE TIME", "-1",
       "Seconds a table's structure stays in the schema cache: -1 until the database closes, 0 none." + kNoServer},
      {"ENABLE SCHEMA CACHE", "FALSE",
       "TRUE: table structures are kept between sessions in files in SCHEMA CACHE DIR." + kNoServer},
      {"SCHEMA CACHE DIR", "", "Folder of the schema cache files." + kNoServer},
      {"SQLQRYMODE", "", "Where queries run: LOCAL, SERVER, or empty for the server first." + kNoServer},
      {"SQLPASSTHRU MODE", "SHARED AUTOCOMMIT",
       "NOT SHARED, SHARED AUTOCOMMIT or SHARED NOAUTOCOMMIT: whether SQL passed to the server shares the "
       "connection, and commits." +
           kNoServer},
      {"LANGDRIVER", "", "Language driver of the server's texts: their character set and order." + kNoServer},
      {"ENABLE BCD", "FALSE", "TRUE: decimal numbers are read as packed decimals, not floating point." + kNoServer},
      {"MAX ROWS", "-1", "Most rows a query fetches; -1 for no limit." + kNoServer},
      {"BATCH COUNT", "200", "Records changed before a batch operation commits." + kNoServer},
  };
  own.insert(own.end(), common.begin(), common.end());
  return own;
}

DefaultOption ServerName() { return {"SERVER NAME", "", "Name of the database server." + kNoServer}; }
DefaultOption DatabaseName() {
  return {"DATABASE NAME", "", "Name of the database on the server (for MSACCESS, the database file)." + kNoServer};
}
DefaultOption ListSynonyms() {
  return {"LIST SYNONYMS", "NONE", "Synonyms shown in table lists: NONE, ALL or PRIVATE." + kNoServer};
}
DefaultOption BlobEditLogging() {
  return {"BLOB EDIT LOGGING", "TRUE",
          "FALSE: changes of large binary values are not logged by the server." + kNoServer};
}

std::vector<DefaultOption> ServerInit(const char* library) { return {Version(), Type("SERVER"), Dll32(library)}; }

const std::vector<DefaultSection>& Defaults() {
  static const std::vector<DefaultSection> sections = {
      {"\\DRIVERS\\STANDARD\\DB OPEN",
       {{"PATH", "", "Folder that holds the alias's tables. Takes effect when the alias is next opened."},
        {"DEFAULT DRIVER", "KALMURE",
         "Table type of a table named without an extension: KALMURE (.db) or ZENTOR (.dbf); FOXPRO and ASCIIDRV "
         "have no format here. Takes effect when the alias is next opened."}}},
      {"\\DRIVERS\\KALMURE\\INIT",
       {Version(),
        Type("FILE"),
        {"NET DIR", "",
         "Folder of the files that share tables on a network. No effect: tables are shared through "
         "locks on their own files."},
        {"LANGDRIVER", "ORVINTL",
         "Language driver of new .db tables: how their case-insensitive indexes fold letters. A table keeps the one "
         "it was made with. Takes effect for tables made afterwards."}}},
      {"\\DRIVERS\\KALMURE\\TABLE CREATE",
       {{"LEVEL", "4", "Format level of new tables: 3, 4, 5 or 7. No effect: this engine has one format."},
        {"BLOCK SIZE", "4096",
         "Page size in bytes of new tables' files: a power of two from 512 to 65536 (the administrator offers 1024 "
         "to 32768); other values give 4096. Takes effect for tables made afterwards."},
        {"FILL FACTOR", "95",
         "Percent of an index block filled before it is split. No effect: the storage keeps "
         "its indexes balanced itself."},
        {"STRICTINTEGRTY", "TRUE",
         "TRUE: programs that cannot keep referential integrity may not change tables "
         "that have it. No effect: this engine keeps none."}}},
      {"\\DRIVERS\\ZENTOR\\INIT",
       {Version(),
        Type("FILE"),
        {"LANGDRIVER", "ANSIWEST",
         "Language driver of new .dbf tables: how their case-insensitive indexes fold letters. A table keeps the "
         "one it was made with. Takes effect for tables made afterwards."}}},
      {"\\DRIVERS\\ZENTOR\\TABLE CREATE",
       {{"LEVEL", "7", "Format level of new tables: 3, 4, 5 or 7. No effect: this engine has one format."},
        {"BLOCK SIZE", "4096",
         "Page size in bytes of new tables' files: a power of two from 512 to 65536; other values give 4096. Takes "
         "effect for tables made afterwards."}}},
      {"\\DRIVERS\\FOXPRO\\INIT",
       {Version(),
        Type("FILE"),
        {"LANGDRIVER", "ANSIWEST",
         "Language driver of new FOXPRO tables. No effect: this engine has no FOXPRO "
         "table format."}}},
      {"\\DRIVERS\\FOXPRO\\TABLE CREATE",
       {{"LEVEL", "25", "Format level of new FOXPRO tables. No effect: this engine has no FOXPRO table format."}}},
      {"\\DRIVERS\\ORACLE\\INIT",
       {Version(),
        Type("SERVER"),
        Dll32("OVORA32.DLL"),
        {"VENDOR INIT", "ORA73.DLL", "The vendor's client library that the driver loads." + kNoServer}}},
      {"\\DRIVERS\\ORACLE\\DB OPEN",
       ServerOptions(
           {ServerName(),
            {"NET PROTOCOL", "TNS", "Network protocol of the vendor's client." + kNoServer},
            ListSynonyms(),
            {"ENABLE INTEGERS", "FALSE", "TRUE: numbers without decimals are read as integers." + kNoServer}})},
      {"\\DRIVERS\\SYBASE\\INIT", ServerInit(ORVEX_DLL32_SYBASE)},
      {"\\DRIVERS\\SYBASE\\DB OPEN", ServerOptions({ServerName(), DatabaseName(), BlobEditLogging()})},
      {"\\DRIVERS\\INFORMIX\\INIT", ServerInit("OVINF32.DLL")},
      {"\\DRIVERS\\INFORMIX\\DB OPEN",
       ServerOptions(
           {ServerName(),
            DatabaseName(),
            ListSynonyms(),
            {"COLLCHAR", "0",
             "How the server orders characters: 0 by code, 1 by the client's language, "
             "2 by the database's." +
                 kNoServer},
            {"DBNLS", "0", "National-language texts: 0 none, 1 the client's, 2 the database's." + kNoServer}})},
      {"\\DRIVERS\\DB2\\INIT", ServerInit("OVDB232.DLL")},
      {"\\DRIVERS\\DB2\\DB OPEN",
       ServerOptions(
           {{"DB2 DSN", "", "Data source of the DB2 client that the alias connects to." + kNoServer}, ListSynonyms()})},
      {"\\DRIVERS\\MSSQL\\INIT", ServerInit("OVMSS32.DLL")},
      {"\\DRIVERS\\MSSQL\\DB OPEN", ServerOptions({ServerName(), DatabaseName(), BlobEditLogging()})},
      {"\\DRIVERS\\MSACCESS\\INIT", ServerInit(ORVEX_DLL32_MSACCESS)},
      {"\\DRIVERS\\MSACCESS\\DB OPEN",
       ServerOptions({DatabaseName(),
                      {"SYSTEM DATABASE", "", "File of the workgroup's users and their rights." + kNoServer},
                      {"SHARE MODE", "SHARED",
                       "EXCLUSIVE or SHARED: whether other programs may open the database file too." + kNoServer}})},
      {"\\DRIVERS\\CORVANE\\INIT", ServerInit("OVCOR32.DLL")},
      {"\\DRIVERS\\CORVANE\\DB OPEN",
       ServerOptions(
           {{"SERVER NAME", "", "The database file on the server, as server:path." + kNoServer}, BlobEditLogging()})},
      {"\\DRIVERS\\ODBC\\INIT",
       {Version(),
        Type("SERVER"),
        {"DLL32", ORVEX_DLL32_ODBC, "The library of ODBC-based drivers. Read only."},
        {"ODBC DRIVER", "", "The unixODBC driver this driver uses, by its name in odbcinst.ini." + kNoServer}}},
      {"\\DRIVERS\\ODBC\\DB OPEN",
       ServerOptions({{"ODBC DSN", "", "The unixODBC data source that the alias connects to." + kNoServer}})},
      {"\\SYSTEM\\INIT",
       {{"VERSION", "1.0", "Version of the engine's settings. Read only."},
        {"DEFAULT DRIVER", "KALMURE",
         "Table type of a table named without an extension in a folder opened by its path, not an alias: KALMURE "
         "(.db) or ZENTOR (.dbf). Takes effect when the folder is next opened."},
        {"AUTO ODBC", "TRUE",
         "TRUE: every unixODBC driver and data source shows as a virtual driver and alias; FALSE: none does. Takes "
         "effect at the next read of the configuration."},
        {"LOCAL SHARE", "FALSE",
         "TRUE: other programs may change tables this one has open. No effect: tables are "
         "always shared, through locks on their files."},
        {"SQLQRYMODE", "",
         "Where queries run: LOCAL, SERVER, or empty for the server first. No effect: this "
         "engine runs them itself."}}},
      {"\\SYSTEM\\FORMATS\\DATE",
       {{"SEPARATOR", "/", "The character between day, month and year in dates." + kAtStart},
        {"MODE", "0", "Order of dates: 0 month, day, year; 1 day, month, year; 2 year, month, day." + kAtStart},
        {"FOURDIGITYEAR", "TRUE", "TRUE: years show four digits; FALSE: two." + kAtStart},
        {"YEARBIASED", "TRUE",
         "TRUE: a two-digit year typed falls within 50 years of today; FALSE: in the current century." + kAtStart},
        {"LEADINGZEROM", "FALSE", "TRUE: months below 10 show a leading zero." + kAtStart},
        {"LEADINGZEROD", "FALSE", "TRUE: days below 10 show a leading zero." + kAtStart}}},
      {"\\SYSTEM\\FORMATS\\TIME",
       {{"TWELVEHOUR", "TRUE",
         "TRUE: times show a twelve-hour clock with AMSTRING and PMSTRING; FALSE: a 24-hour "
         "clock." +
             kAtStart},
        {"AMSTRING", "AM", "Text after times before noon on a twelve-hour clock." + kAtStart},
        {"PMSTRING", "PM", "Text after times from noon on a twelve-hour clock." + kAtStart},
        {"SECONDS", "TRUE", "TRUE: long times show seconds." + kAtStart},
        {"MILSECONDS", "FALSE", "TRUE: long times show milliseconds after the seconds." + kAtStart}}},
      {"\\SYSTEM\\FORMATS\\NUMBER",
       {{"DECIMALSEPARATOR", ".", "The character before the decimals of numbers." + kAtStart},
        {"THOUSANDSEPARATOR", ",", "The character between groups of thousands; empty for none." + kAtStart},
        {"DECIMALDIGITS", "2", "Decimals of currency amounts." + kAtStart},
        {"LEADINGZERON", "TRUE",
         "TRUE: numbers between -1 and 1 show a 0 before the separator. No effect: they "
         "always do."}}},
  };
  return sections;
}

constexpr std::array kFixedDrivers = {"STANDARD", "KALMURE", "ZENTOR", "FOXPRO",   "ORACLE",  "SYBASE",
                                      "INFORMIX", "DB2",     "MSSQL",  "MSACCESS", "CORVANE", "ODBC"};
constexpr std::array kUnlistedDrivers = {"KALMURE", "ZENTOR", "FOXPRO", "ODBC"};

}  // namespace

const CfgStore& DefaultStore() {
  // Never destroyed, as the configuration that goes back to it at exit (Config::Get).
  static const CfgStore* store = [] {
    auto s = new CfgStore;
    for (const DefaultSection& d : Defaults()) {
      Section& section = s->Ensure(ParsePath(d.path));
      for (const DefaultOption& o : d.options) section.options.push_back({o.name, o.value});
    }
    return s;
  }();
  return *store;
}

const char* OptionDescription(const CfgPath& path, const std::string& option) {
  bool driverAlone = path.size() == 2 && SameName(path[0], "DRIVERS");
  for (const DefaultSection& d : Defaults()) {
    CfgPath p = ParsePath(d.path);
    bool match = driverAlone ? p.size() == 3 && SameName(p[0], path[0]) && SameName(p[1], path[1])
                             : p.size() == path.size() && std::equal(p.begin(), p.end(), path.begin(), SameName);
    if (!match) continue;
    for (const DefaultOption& o : d.options)
      if (SameName(o.name, option)) return o.description.c_str();
  }
  return nullptr;
}

bool IsFixedDriver(std::string_view name) {
  for (const char* d : kFixedDrivers)
    if (SameName(d, name)) return true;
  return false;
}

bool IsListedDriver(std::string_view name) {
  for (const char* d : kUnlistedDrivers)
    if (SameName(d, name)) return false;
  return true;
}

}  // namespace orvex
