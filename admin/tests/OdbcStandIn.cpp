// A stand-in for the ODBC driver manager, loaded through FW_ODBC_LIBRARY.
// Drivers "Alpha", "Beta", "Gamma"; data sources "one" of Alpha and "two"
// of Beta. It never answers "no more data": past the end it starts over at
// the first entry. STANDIN_ODBC chooses a fault: "alloc-fails" (no
// environment), "driver-error" (the second driver fetch fails, leaving the
// buffers as they were), "source-error" (likewise the second data source
// fetch). StandInEnvironments tells how many environments are not freed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Entry {
  const char* first;
  const char* second;
};
constexpr Entry kDrivers[] = {{"Alpha", "Driver=alpha.so"}, {"Beta", "Driver=beta.so"}, {"Gamma", "Driver=gamma.so"}};
constexpr Entry kSources[] = {{"one", "Alpha"}, {"two", "Beta"}};

int environments = 0;
int driverCalls = 0, sourceCalls = 0;
std::size_t driverAt = 0, sourceAt = 0;
int envToken = 0;

bool Fault(const char* name) {
  const char* mode = std::getenv("STANDIN_ODBC");
  return mode && std::strcmp(mode, name) == 0;
}

void Put(unsigned char* buffer, std::int16_t size, std::int16_t* length, const char* text) {
  std::size_t n = std::strlen(text);
  if (n >= static_cast<std::size_t>(size)) n = static_cast<std::size_t>(size) - 1;
  std::memcpy(buffer, text, n);
  buffer[n] = 0;
  if (length) *length = static_cast<std::int16_t>(std::strlen(text));
}

template <std::size_t N>
std::int16_t Next(const Entry (&entries)[N], std::size_t& at, std::uint16_t direction, unsigned char* a,
                  std::int16_t na, std::int16_t* la, unsigned char* b, std::int16_t nb, std::int16_t* lb) {
  if (direction == 2) at = 0;
  const Entry& e = entries[at % N];
  at = (at + 1) % N;
  Put(a, na, la, e.first);
  Put(b, nb, lb, e.second);
  return 0;
}

}  // namespace

extern "C" {

std::int16_t SQLAllocEnv(void** env) {
  if (Fault("alloc-fails")) return -1;
  ++environments;
  driverCalls = sourceCalls = 0;
  driverAt = sourceAt = 0;
  *env = &envToken;
  return 0;
}

std::int16_t SQLFreeEnv(void* env) {
  if (env != &envToken) return -2;
  --environments;
  return 0;
}

std::int16_t SQLDrivers(void*, std::uint16_t direction, unsigned char* a, std::int16_t na, std::int16_t* la,
                        unsigned char* b, std::int16_t nb, std::int16_t* lb) {
  if (++driverCalls == 2 && Fault("driver-error")) return -1;
  return Next(kDrivers, driverAt, direction, a, na, la, b, nb, lb);
}

std::int16_t SQLDataSources(void*, std::uint16_t direction, unsigned char* a, std::int16_t na, std::int16_t* la,
                            unsigned char* b, std::int16_t nb, std::int16_t* lb) {
  if (++sourceCalls == 2 && Fault("source-error")) return -1;
  return Next(kSources, sourceAt, direction, a, na, la, b, nb, lb);
}

int StandInEnvironments() { return environments; }

}  // extern "C"
