#include "EngineLib.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace fw {

FW_IMPLEMENT_CLASS(EEngineLibError)

namespace {

TEngineLib::TPathHook& PathHook() {
  static TEngineLib::TPathHook hook;
  return hook;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramDirectory() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, static_cast<std::size_t>(n));
  std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

void TEngineLib::SetPathHook(TPathHook hook) { PathHook() = std::move(hook); }

std::vector<std::string> TEngineLib::DefaultCandidates() {
  std::vector<std::string> c;
  if (PathHook()) {
    std::string p = PathHook()();
    if (!p.empty()) c.push_back(IsDirectory(p) ? p + "/" + ORVEX_LIBRARY_NAME : p);
  }
  std::string dir = ProgramDirectory();
  if (!dir.empty()) c.push_back(dir + "/" + ORVEX_LIBRARY_NAME);
#ifdef FW_ENGINE_BUILD_DIR
  c.push_back(std::string(FW_ENGINE_BUILD_DIR) + "/" + ORVEX_LIBRARY_NAME);
#endif
  return c;
}

TEngineLib::TEngineLib(std::vector<std::string> candidates) : candidates_(std::move(candidates)) {}

TEngineLib::~TEngineLib() {
  if (library_) ::dlclose(library_);
}

void TEngineLib::Load() {
  std::string tried, why;
  for (const std::string& path : candidates_) {
    tried += (tried.empty() ? "" : ", ") + path;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) continue;
    // Never unloaded: handles and the engine's own tables must outlive every
    // static that might still close a cursor at exit.
    void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!lib) {
      const char* e = ::dlerror();
      why = e ? e : "";
      continue;
    }
    auto entry = reinterpret_cast<OrvexEntryFn>(::dlsym(lib, ORVEX_ENTRY_SYMBOL));
    if (!entry) {
      why = path + " has no " ORVEX_ENTRY_SYMBOL;
      ::dlclose(lib);
      continue;
    }
    library_ = lib;
    entry_ = entry;
    path_ = path;
    return;
  }
  throw EEngineLibError("The database engine library " ORVEX_LIBRARY_NAME " could not be loaded (tried: " + tried +
                        ")" + (why.empty() ? "" : ": " + why));
}

const std::string& TEngineLib::LibraryPath() {
  if (!library_) Load();
  return path_;
}

void* TEngineLib::EntryPoint(unsigned ordinal) {
  if (ordinal < kOrdinals && bound_[ordinal]) return bound_[ordinal];
  if (!library_) Load();
  void* p = entry_(ordinal);
  if (!p)
    throw EEngineLibError("The database engine library " + path_ + " has no entry point with ordinal " +
                          std::to_string(ordinal));
  if (ordinal < kOrdinals) bound_[ordinal] = p;
  return p;
}

std::string TEngineLib::ErrorText(OrvexResult code) {
  char text[ORVEX_ERROR_TEXT_SIZE] = {};
  if (GetErrorText(code, text) != ORVEX_OK) return "Engine error " + std::to_string(code);
  return text;
}

TEngineLib& Engine() {
  static TEngineLib engine;
  return engine;
}

}  // namespace fw
