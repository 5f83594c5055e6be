#include "Services.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "MessageService.h"
#include "Text.h"

namespace fw {

namespace {

std::function<std::uint32_t()>& Clock() {
  static std::function<std::uint32_t()> clock;
  return clock;
}

std::uint32_t RealTicks() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

}  // namespace

std::uint32_t GetTickCount() {
  auto& c = Clock();
  return c ? c() : RealTicks();
}

void SetTickCountClock(std::function<std::uint32_t()> clock) { Clock() = std::move(clock); }

bool MessageBeep(unsigned type) {
  MessageService().Beep(type);
  return true;
}

std::string OemToChar(const std::string& text) { return text; }
std::string CharToOem(const std::string& text) { return text; }
std::string OemToAnsi(const std::string& text) { return text; }
std::string AnsiToOem(const std::string& text) { return text; }

LANGID GetUserDefaultLangID() {
  const char* locale = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) {
      locale = v;
      break;
    }
  }
  std::string name = locale ? locale : "";
  name = LowerCase(name.substr(0, name.find_first_of("_.@")));
  if (name.empty() || name == "c" || name == "posix") return MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
  static const struct {
    const char* code;
    LANGID lang;
  } languages[] = {
      {"zh", LANG_CHINESE},   {"cs", LANG_CZECH},     {"da", LANG_DANISH},     {"de", LANG_GERMAN},
      {"el", LANG_GREEK},     {"en", LANG_ENGLISH},   {"es", LANG_SPANISH},    {"fi", LANG_FINNISH},
      {"fr", LANG_FRENCH},    {"hu", LANG_HUNGARIAN}, {"it", LANG_ITALIAN},    {"ja", LANG_JAPANESE},
      {"ko", LANG_KOREAN},    {"nl", LANG_DUTCH},     {"nb", LANG_NORWEGIAN},  {"no", LANG_NORWEGIAN},
      {"pl", LANG_POLISH},    {"pt", LANG_PORTUGUESE}, {"ru", LANG_RUSSIAN},   {"sv", LANG_SWEDISH},
      {"tr", LANG_TURKISH},
  };
  for (const auto& l : languages)
    if (name == l.code) return MAKELANGID(l.lang, SUBLANG_DEFAULT);
  return LANG_NEUTRAL;
}

}  // namespace fw
