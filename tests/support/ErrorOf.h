// The message of the error a piece of code raises, for tests that compare it.
#pragma once
#include <string>

namespace fw::test {

// The message of the E that f raises; "(no error)" when it raises nothing.
template <typename E, typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace fw::test
