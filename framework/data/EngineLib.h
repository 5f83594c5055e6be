// The binding to the database engine, liborvex32.so: found at run time,
// loaded with dlopen, each entry bound by ordinal the first time it is
// called. The data layer calls the engine through Engine() and the typed
// wrappers below, never through raw pointers.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "OrvexApi.h"

namespace fw {

// The library or one of its entries is missing; the message names it.
FW_EXCEPTION(EEngineLibError, Exception)

class TEngineLib {
public:
  // Gives the first place to look: a directory holding the library, or the
  // library file itself; empty for none. The registry's "DLLPATH" value
  // under "Software\Tarvos\Database Engine" is given through it.
  using TPathHook = std::function<std::string()>;
  static void SetPathHook(TPathHook hook);

  // The places to try, in order: the hook's path, the running program's
  // directory and, in a build not made to be installed, its library folder.
  static std::vector<std::string> DefaultCandidates();

  explicit TEngineLib(std::vector<std::string> candidates = DefaultCandidates());
  ~TEngineLib();
  TEngineLib(const TEngineLib&) = delete;
  TEngineLib& operator=(const TEngineLib&) = delete;

  // The file loaded, loading it if need be.
  const std::string& LibraryPath();
  // The entry of an ordinal; raises EEngineLibError when there is none.
  void* EntryPoint(unsigned ordinal);

  // The message of an engine result (ordinal 298).
  std::string ErrorText(OrvexResult code);

  // Calls made through the entries below, to measure what an operation costs.
  std::uint64_t Calls() const { return calls_; }

  // ------------------------------------------------------------ the entries
  // A member for each entry of the engine's table, of the entry's name and parameters.
#define FW_ENGINE_ENTRY_(Const, Ord, Name, Params, Args) \
  OrvexResult Name Params {                              \
    ++calls_;                                            \
    return Bind<Orvex##Name##Fn>(Const) Args;            \
  }
  ORVEX_ENTRIES(FW_ENGINE_ENTRY_)
#undef FW_ENGINE_ENTRY_

private:
  template <typename Fn>
  Fn Bind(unsigned ordinal) {
    return reinterpret_cast<Fn>(EntryPoint(ordinal));
  }
  void Load();

  static constexpr unsigned kOrdinals = 2048;
  std::vector<std::string> candidates_;
  void* library_ = nullptr;
  std::string path_;
  OrvexEntryFn entry_ = nullptr;
  std::array<void*, kOrdinals> bound_{};
  std::uint64_t calls_ = 0;
};

// The process's engine binding.
TEngineLib& Engine();

}  // namespace fw
