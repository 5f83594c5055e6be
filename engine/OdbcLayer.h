// What the ODBC driver manager (unixODBC) knows: its drivers and its data
// sources, read with the ODBC 2 calls through the library loaded by name.
#pragma once
#include <string>
#include <vector>

namespace orvex {

struct OdbcInventory {
  struct Source {
    std::string name, driver;
  };
  std::vector<std::string> drivers;  // their descriptions
  std::vector<Source> sources;       // the user's, then the system's
};

// Empty when the driver manager cannot be loaded or answers nothing.
OdbcInventory ReadOdbcInventory();

}  // namespace orvex
