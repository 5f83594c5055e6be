#include "CfgTools.h"

#include "Registry.h"

using namespace fw;

namespace dbx {

std::string MachineString(const std::string& key, const std::string& value) {
  try {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(value)) return {};
    return reg.ReadString(value);
  } catch (const ERegistryException&) {
    return {};  // an unreadable registry or a value of another type: not registered
  }
}

std::string InformixFolder() {
  std::string version = MachineString("Software\\Informix\\ESQL/C", "INFORMIX-Connect");
  return version.empty() ? std::string()
                         : MachineString("Software\\Informix\\Informix-Connect\\" + version + "\\Setup", "PathName");
}

std::string Db2Folder() { return MachineString("Software\\IBM\\DB2", "DB2 Path Name"); }

}  // namespace dbx
