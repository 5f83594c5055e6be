// The vendors' client tools and the ODBC administrator, started from the
// explorer's action menu. A tool is found through the vendor's registry
// entries; failing that, the user may point at it once and the place is
// remembered under the engine's "CFGUtils" key.
#pragma once
#include <string>

namespace dbx {

// A string value under HKEY_LOCAL_MACHINE, the key opened without creating
// it; "" when the key or the value is missing.
std::string MachineString(const std::string& key, const std::string& value);

// The client folders the vendors' setups register; "" when not registered.
std::string InformixFolder();
std::string Db2Folder();

}  // namespace dbx
