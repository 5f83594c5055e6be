// The framework's binding: where it finds the library and what it says
// when the library or an entry is missing.
#include <gtest/gtest.h>

#include "EngineLib.h"

TEST(EngineLib, FindsTheLibraryAndNamesWhatIsMissing) {
  EXPECT_NE(fw::Engine().LibraryPath().find("liborvex32.so"), std::string::npos);

  fw::TEngineLib::SetPathHook([] { return std::string("/nonexistent/engine"); });
  std::vector<std::string> candidates = fw::TEngineLib::DefaultCandidates();
  fw::TEngineLib::SetPathHook(nullptr);
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates[0], "/nonexistent/engine");
  EXPECT_NE(candidates[1].find("/liborvex32.so"), std::string::npos);  // beside the program

  fw::TEngineLib missing({"/nonexistent/liborvex32.so"});
  try {
    missing.EntryPoint(ORVEX_GET_ERROR_TEXT);
    FAIL() << "no error";
  } catch (const fw::EEngineLibError& e) {
    EXPECT_NE(e.Message().find("liborvex32.so"), std::string::npos) << e.Message();
  }
  try {
    fw::Engine().EntryPoint(9999);
    FAIL() << "no error";
  } catch (const fw::EEngineLibError& e) {
    EXPECT_NE(e.Message().find("ordinal 9999"), std::string::npos) << e.Message();
  }
}
