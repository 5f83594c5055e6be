// Libraries of the machine's client interfaces, loaded by name at run time
// under the names the programs know them by ("odbc32.dll"). A table gives
// the file that stands for each such name here:
//   "odbc32.dll"  unixODBC's driver manager "libodbc.so.2", or the file that
//                 the environment variable FW_ODBC_LIBRARY names (tests give
//                 a missing or a stand-in library through it)
//   "db2cli.dll"  the file that FW_DB2CLI names; without it there is none
// The names are compared without regard to case; any other name stands for
// itself (a file name or a path, as dlopen takes it).
#pragma once
#include <string>

namespace fw {

struct TLibrary;
using HMODULE = TLibrary*;

// The file the name stands for; empty when there is none on this machine.
std::string LibraryFileName(const std::string& Name);

// nullptr when the library is not there or does not load. Each successful
// load is matched by one FreeLibrary; a library once loaded stays mapped.
HMODULE LoadLibrary(const std::string& Name);
// The library's entry of that name; nullptr when it has none.
void* GetProcAddress(HMODULE Module, const std::string& ProcName);
bool FreeLibrary(HMODULE Module);

}  // namespace fw
