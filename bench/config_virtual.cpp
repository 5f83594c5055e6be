// The virtual aliases of 200 unixODBC data sources listed through the
// session, against a direct SQLDataSources loop over the driver manager in
// the same run.
//
//   config_virtual [rounds]     (default 10; the driver manager takes its time)
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Database.h"
#include "Strings.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSources = 200;

double Millis(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

[[noreturn]] void Die(const std::string& why) {
  std::fprintf(stderr, "config_virtual: %s\n", why.c_str());
  std::exit(1);
}

// A unixODBC configuration of one driver and 200 data sources, half the
// user's and half the system's.
void WriteOdbcConfig(const std::string& dir) {
  std::ofstream(dir + "/odbcinst.ini") << "[SQLite3]\nDescription=SQLite3\nDriver=" FW_SQLITE_ODBC_DRIVER "\n";
  std::ofstream user(dir + "/user-odbc.ini"), system(dir + "/odbc.ini");
  for (int i = 0; i < kSources; ++i)
    (i % 2 ? system : user) << "[Source" << i << "]\nDriver=SQLite3\nDatabase=" << dir << "/s" << i << ".sqlite\n\n";
  ::setenv("ODBCSYSINI", dir.c_str(), 1);
  ::setenv("ODBCINI", (dir + "/user-odbc.ini").c_str(), 1);
  ::setenv("HOME", dir.c_str(), 1);
}

// The direct way: the driver manager's own loop, an environment per listing.
class DirectLoop {
  using Ret = short;
  using AllocEnv = Ret (*)(void**);
  using FreeEnv = Ret (*)(void*);
  using Sources = Ret (*)(void*, unsigned short, unsigned char*, short, short*, unsigned char*, short, short*);

public:
  DirectLoop() {
    void* lib = ::dlopen("libodbc.so.2", RTLD_NOW);
    if (!lib) Die("libodbc.so.2 cannot be loaded");
    alloc_ = reinterpret_cast<AllocEnv>(::dlsym(lib, "SQLAllocEnv"));
    free_ = reinterpret_cast<FreeEnv>(::dlsym(lib, "SQLFreeEnv"));
    sources_ = reinterpret_cast<Sources>(::dlsym(lib, "SQLDataSources"));
    if (!alloc_ || !free_ || !sources_) Die("the driver manager lacks its ODBC 2 calls");
  }
  // From the first data source on (direction 2, then 1), as a program lists
  // them; or the user's (31) then the system's (32), as the engine reads them.
  int List(bool userThenSystem = false) {
    void* env = nullptr;
    if (alloc_(&env) != 0) Die("SQLAllocEnv failed");
    unsigned char name[256], desc[256];
    short n1 = 0, n2 = 0;
    int count = 0;
    std::vector<unsigned short> firsts =
        userThenSystem ? std::vector<unsigned short>{31, 32} : std::vector<unsigned short>{2};
    for (unsigned short first : firsts)
      for (unsigned short dir = first; sources_(env, dir, name, sizeof name, &n1, desc, sizeof desc, &n2) <= 1; dir = 1)
        ++count;
    free_(env);
    return count;
  }

private:
  AllocEnv alloc_;
  FreeEnv free_;
  Sources sources_;
};

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
  if (rounds < 1) Die("rounds must be at least 1");
  std::string dir = std::filesystem::temp_directory_path() / ("config_virtual." + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  WriteOdbcConfig(dir);
  fw::TSession::SetConfigFileHook([dir] { return dir + "/nubo.cfg"; });
  fw::Session().SetConfigMode(fw::cfmVirtual);

  DirectLoop direct;
  auto names = std::make_unique<fw::TStringList>();
  fw::Session().GetAliasNames(names.get());  // the engine started, both warmed up
  if (names->Count() != kSources || direct.List() != kSources)
    Die("expected " + std::to_string(kSources) + " data sources, got " + std::to_string(names->Count()));

  // Taken in turns, so that neither gains from what the driver manager keeps between calls.
  double session = 0, loop = 0, split = 0;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    fw::Session().GetAliasNames(names.get());
    session += Millis(start);
    start = Clock::now();
    if (direct.List() != kSources) Die("the direct loop lost a data source");
    loop += Millis(start);
    start = Clock::now();
    if (direct.List(true) != kSources) Die("the direct loop lost a data source");
    split += Millis(start);
  }
  session /= rounds;
  loop /= rounds;
  split /= rounds;

  std::printf("data sources: %d count\n", kSources);
  std::printf("session alias list: %.3f ms\n", session);
  std::printf("direct SQLDataSources loop: %.3f ms\n", loop);
  std::printf("session to direct ratio: %.2f x\n", session / loop);
  std::printf("direct loop, user then system: %.3f ms\n", split);
  std::printf("session to direct user then system ratio: %.2f x\n", session / split);
  fw::Session().Close();
  std::filesystem::remove_all(dir);
  return 0;
}
