#include "OdbcLayer.h"

#include <dlfcn.h>

#include <cstdlib>

namespace orvex {

namespace {

// The few ODBC 2 types and values this reads with, as the driver manager's
// interface gives them.
using SqlReturn = short;
using SqlEnv = void*;
constexpr SqlReturn kSuccess = 0, kSuccessWithInfo = 1;
constexpr unsigned short kFetchNext = 1, kFetchFirst = 2, kFetchFirstUser = 31, kFetchFirstSystem = 32;

using AllocEnvFn = SqlReturn (*)(SqlEnv*);
using FreeEnvFn = SqlReturn (*)(SqlEnv);
// Both: environment, direction, first text (buffer, capacity, out length), second text.
using ListFn = SqlReturn (*)(SqlEnv, unsigned short, unsigned char*, short, short*, unsigned char*, short, short*);

constexpr const char* kLibrary = "libodbc.so.2";

bool Ok(SqlReturn r) { return r == kSuccess || r == kSuccessWithInfo; }

// Calls a list function from a first direction on, while it answers rows;
// a text it had to cut is passed over, being too long for any name of ours.
template <typename Take>
void Walk(ListFn fn, SqlEnv env, unsigned short first, Take&& take) {
  constexpr short kCapacity = 512;
  unsigned char a[kCapacity], b[kCapacity];
  // A bound on the rows, should a driver manager never say it is done.
  for (unsigned short dir = first, rows = 0; rows < 60000; dir = kFetchNext, ++rows) {
    short na = 0, nb = 0;
    if (!Ok(fn(env, dir, a, kCapacity, &na, b, kCapacity, &nb))) return;
    if (na < 0 || na >= kCapacity || nb < 0 || nb >= kCapacity) continue;
    take(std::string(reinterpret_cast<const char*>(a), static_cast<std::size_t>(na)),
         std::string(reinterpret_cast<const char*>(b), static_cast<std::size_t>(nb)));
  }
}

}  // namespace

OdbcInventory ReadOdbcInventory() {
  OdbcInventory inv;
  const char* name = std::getenv("ORVEX_ODBC_LIBRARY");
  // Kept loaded once loaded: loading it again for every read would cost more than the read.
  void* lib = ::dlopen(name && *name ? name : kLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!lib) return inv;
  auto allocEnv = reinterpret_cast<AllocEnvFn>(::dlsym(lib, "SQLAllocEnv"));
  auto freeEnv = reinterpret_cast<FreeEnvFn>(::dlsym(lib, "SQLFreeEnv"));
  auto drivers = reinterpret_cast<ListFn>(::dlsym(lib, "SQLDrivers"));
  auto sources = reinterpret_cast<ListFn>(::dlsym(lib, "SQLDataSources"));
  SqlEnv env = nullptr;
  if (allocEnv && freeEnv && drivers && sources && Ok(allocEnv(&env)) && env) {
    Walk(drivers, env, kFetchFirst, [&](std::string desc, std::string) { inv.drivers.push_back(std::move(desc)); });
    for (unsigned short first : {kFetchFirstUser, kFetchFirstSystem})
      Walk(sources, env, first, [&](std::string dsn, std::string driver) {
        inv.sources.push_back({std::move(dsn), std::move(driver)});
      });
    freeEnv(env);
  }
  ::dlclose(lib);
  return inv;
}

}  // namespace orvex
