#include "Library.h"

#include <dlfcn.h>

#include <cstdlib>

#include "Text.h"

namespace fw {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string LibraryFileName(const std::string& Name) {
  if (SameText(Name, "odbc32.dll")) {
    std::string chosen = Environment("FW_ODBC_LIBRARY");
    return chosen.empty() ? "libodbc.so.2" : chosen;
  }
  if (SameText(Name, "db2cli.dll")) return Environment("FW_DB2CLI");
  return Name;
}

HMODULE LoadLibrary(const std::string& Name) {
  std::string file = LibraryFileName(Name);
  if (file.empty()) return nullptr;
  // Kept mapped after the last FreeLibrary: a driver manager keeps caches
  // and threads of the whole process, which an unload would strand.
  return static_cast<HMODULE>(::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
}

void* GetProcAddress(HMODULE Module, const std::string& ProcName) {
  return Module ? ::dlsym(Module, ProcName.c_str()) : nullptr;
}

bool FreeLibrary(HMODULE Module) { return Module && ::dlclose(Module) == 0; }

}  // namespace fw
