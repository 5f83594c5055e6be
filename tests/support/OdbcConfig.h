// A unixODBC configuration of the test's own, with the SQLite ODBC driver:
// the driver manager is pointed at it through ODBCSYSINI, ODBCINI and HOME
// for as long as the object lives. The driver manager keeps the first
// folder it was pointed at for the rest of the process, so the folder is one
// a process (beside the test's temporary folders), written afresh by each test.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ScopedEnv.h"
#include "TempDir.h"

namespace fw::test {

class OdbcConfig {
public:
  OdbcConfig() : dir_((TestFolder() / ("odbc." + std::to_string(::getpid()))).string()) {
    std::filesystem::create_directories(dir_);
    env_.Set("ODBCSYSINI", dir_)
        .Set("ODBCINI", dir_ + "/user-odbc.ini")
        .Set("HOME", dir_)
        .Set("ORVEX_ODBC_LIBRARY", std::nullopt)
        .Set("FW_ODBC_LIBRARY", std::nullopt);
    Write();
  }
  ~OdbcConfig() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  OdbcConfig(const OdbcConfig&) = delete;
  OdbcConfig& operator=(const OdbcConfig&) = delete;

  // The library that stands for a machine without unixODBC, for the engine
  // and for the programs.
  static void WithoutDriverManager() {
    ::setenv("ORVEX_ODBC_LIBRARY", "/nonexistent/libodbc.so.2", 1);
    ::setenv("FW_ODBC_LIBRARY", "/nonexistent/libodbc.so.2", 1);
  }

  OdbcConfig& Driver(const std::string& name) {
    drivers_.push_back(name);
    return *this;
  }
  OdbcConfig& UserSource(const std::string& name, const std::string& driver) {
    user_.emplace_back(name, driver);
    return *this;
  }
  OdbcConfig& SystemSource(const std::string& name, const std::string& driver) {
    system_.emplace_back(name, driver);
    return *this;
  }
  // Writes the three files; call once the drivers and sources are given.
  void Write() const {
    std::ofstream inst(dir_ + "/odbcinst.ini");
    for (const std::string& d : drivers_)
      inst << "[" << d << "]\nDescription=" << d << "\nDriver=" FW_SQLITE_ODBC_DRIVER "\n\n";
    WriteSources(dir_ + "/odbc.ini", system_);
    WriteSources(dir_ + "/user-odbc.ini", user_);
  }

private:
  void WriteSources(const std::string& file, const std::vector<std::pair<std::string, std::string>>& sources) const {
    std::ofstream out(file);
    for (const auto& [name, driver] : sources)
      out << "[" << name << "]\nDriver=" << driver << "\nDatabase=" << dir_ << "/" << name << ".sqlite\n\n";
  }

  std::string dir_;
  ScopedEnv env_;
  std::vector<std::string> drivers_;
  std::vector<std::pair<std::string, std::string>> user_, system_;
};

}  // namespace fw::test
