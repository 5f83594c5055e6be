#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Vxpict.h"

namespace vx {
namespace {

struct TPicCase {
  const char* Pic;
  const char* Input;
  bool AutoFill;
  TvxPicResult Result;
  const char* Text;  // the input as the validator leaves it
};

const TPicCase kPicCases[] = {
    {"###", "12", false, prIncomplete, "12"},
    {"###", "123", false, prComplete, "123"},
    {"###", "1234", false, prError, "1234"},
    {"###", "1a", false, prError, "1a"},
    {"###-####", "555", true, prIncomplete, "555-"},
    {"###-####", "555", false, prIncomplete, "555"},
    {"###-####", "555-1234", true, prComplete, "555-1234"},
    {"(###)", "5", true, prError, "5"},
    {"&&", "ab", false, prComplete, "AB"},
    {"~", "Q", false, prComplete, "q"},
    {"!!!", "a1b", false, prComplete, "A1B"},
    {"@@", "a-", false, prComplete, "a-"},
    {"*#", "12345", false, prComplete, "12345"},
    {"*#", "12a", false, prError, "12a"},
    {"*3#", "12", false, prIncomplete, "12"},
    {"*3#", "123", false, prComplete, "123"},
    {"*3#", "1234", false, prError, "1234"},
    {"*3[#]", "12", false, prComplete, "12"},
    {"{Y,N}", "y", false, prComplete, "Y"},
    {"{Y,N}", "n", false, prComplete, "N"},
    {"{Y,N}", "x", false, prError, "x"},
    {"##-##", "12 ", false, prIncomplete, "12-"},
    {"##-##", "1 ", false, prError, "1 "},  // a blank stands only for a literal
    {"ABC", "abc", false, prComplete, "ABC"},
    {";#;*", "#*", false, prComplete, "#*"},
    {";#", "5", false, prError, "5"},
    // Optional tails: complete once the required part is there.
    {"###[-####]", "123", true, prComplete, "123"},
    {"###[-####]", "123-45", false, prIncomplete, "123-45"},
    {"###[-####]", "123-4567", false, prComplete, "123-4567"},
    // Literals after groups are filled in.
    {"{##}:{##}", "12", true, prIncomplete, "12:"},
    {"{##}:{##}", "12:3", true, prIncomplete, "12:3"},
    // After an open repetition no literal is filled in: more digits may follow.
    {"*#-", "12", true, prIncomplete, "12"},
    {"*#-", "12-", true, prComplete, "12-"},
    // Alternatives: the first that fits, and a longer incomplete one is kept.
    {"{AM,PM}", "p", true, prComplete, "PM"},
    {"{AM,PM}", "p", false, prIncomplete, "P"},
    {"{AM,PM}", "pm", false, prComplete, "PM"},
    {"{##,#}x", "12", true, prComplete, "12x"},
    {"{#,##}x", "12", true, prError, "12"},  // a group that matched is not tried again
    // Letters and case beyond ASCII.
    {"??", "\xC3\xA9\xC3\x9F", false, prComplete, "\xC3\xA9\xC3\x9F"},     // éß
    {"&~", "\xD0\xB6\xD0\x96", false, prComplete, "\xD0\x96\xD0\xB6"},     // жЖ -> Жж
    {"!", "\xC3\xA9", false, prComplete, "\xC3\x89"},                       // é -> É
    {"#", "\xC3\xA9", false, prError, "\xC3\xA9"},
    {"?", "\xE2\x82\xAC", false, prError, "\xE2\x82\xAC"},                  // € is no letter
    {"\xC3\xA9#", "\xC3\xA9" "1", false, prComplete, "\xC3\xA9" "1"},       // a literal beyond ASCII
    {"#\xC3\xA9#", "1", true, prIncomplete, "1\xC3\xA9"},                   // ... is filled in
    // Empty input.
    {"[#]", "", false, prEmpty, ""},
    {"###", "", true, prEmpty, ""},
};

TEST(VxpictTest, CaseTable) {
  for (const TPicCase& c : kPicCases) {
    TvxPictureValidator v(c.Pic, c.AutoFill);
    ASSERT_FALSE(v.isSyntaxError()) << c.Pic;
    std::string s = c.Input;
    EXPECT_EQ(v.Picture(s, c.AutoFill), c.Result) << c.Pic << " / " << c.Input;
    EXPECT_EQ(s, c.Text) << c.Pic << " / " << c.Input;
    EXPECT_LT(v.Steps(), 1000u) << c.Pic << " / " << c.Input;
  }
}

TEST(VxpictTest, APictureThatWouldRunForeverIsMalformed) {
  // Nested counted repetitions of an empty group: 255 to the fourth passes.
  TvxPictureValidator v("*255{*255{*255{*255{}}}}", false);
  std::string s = "1";
  EXPECT_EQ(v.Picture(s, false), prSyntax);
  EXPECT_GT(v.Steps(), 0u);
  EXPECT_LE(v.Steps(), TvxPictureValidator::MaxSteps + 1);
  EXPECT_EQ(s, "1");
  EXPECT_FALSE(v.IsValid("1"));
  EXPECT_TRUE(v.IsValidInput(s, false));  // as for any malformed picture

  // Real pictures over the longest texts a field holds stay far inside the budget.
  struct Case {
    const char* pic;
    std::string input;
  } cases[] = {
      {"*#", std::string(255, '7')},
      {"*255#", std::string(255, '7')},
      {"*{#,?,-, }", std::string(120, 'a') + std::string(120, '5')},
      {"*[&][#]", std::string(255, 'q')},
      {"*{{(###)###-####,###-####};, }", "555-1234, (937)555-1234, 555-9876, "},
      {"&*?[ &*?]", "Ann Lee"},
      {"{#,##}/{#,##}/{##,####} {#,##}:{##}[:{##}] {AM,PM}", "12/31/2024 11:59:59 PM"},
  };
  for (const Case& c : cases) {
    TvxPictureValidator real(c.pic, true);
    std::string in = c.input;
    EXPECT_NE(real.Picture(in, true), prSyntax) << c.pic;
    EXPECT_LT(real.Steps(), TvxPictureValidator::MaxSteps / 20) << c.pic;
  }
}

TEST(VxpictTest, SyntaxErrors) {
  const char* malformed[] = {"", "ABC;", "AB*", "[A", "A]", "{A", "{A]}", "*256#", "*1000#", "##*"};
  for (const char* p : malformed) {
    TvxPictureValidator v(p, true);
    EXPECT_TRUE(v.isSyntaxError()) << p;
    EXPECT_EQ(v.Status(), 1) << p;
    std::string s = "A";
    EXPECT_EQ(v.Picture(s, true), prSyntax) << p;
  }
  const char* wellFormed[] = {"AB;*", ";;A", "*255#", "]A[", "[;]]", "{*}", "*"  "[#]"};
  for (const char* p : wellFormed) EXPECT_FALSE(TvxPictureValidator(p, false).isSyntaxError()) << p;
}

TEST(VxpictTest, NestingDepth) {
  std::string ok = std::string(200, '[') + "#" + std::string(200, ']');
  TvxPictureValidator v(ok, false);
  EXPECT_FALSE(v.isSyntaxError());
  EXPECT_TRUE(v.IsValid("1"));
  EXPECT_TRUE(v.IsValid(""));

  std::string deep = std::string(100000, '[') + "#" + std::string(100000, ']');
  TvxPictureValidator d(deep, false);
  EXPECT_TRUE(d.isSyntaxError());

  // Chains of repetitions nest too; the matcher gives up rather than run out of stack.
  std::string stars = std::string(100000, '*') + "#";
  TvxPictureValidator s(stars, true);
  std::string in = "1";
  EXPECT_EQ(s.Picture(in, true), prSyntax);
}

TEST(VxpictTest, IsValidAgainstIsValidInput) {
  TvxPictureValidator bad("[A", true);
  std::string s = "A";
  EXPECT_FALSE(bad.IsValid("A"));
  EXPECT_TRUE(bad.IsValidInput(s, false));
  EXPECT_FALSE(bad.IsValid(""));

  TvxPictureValidator good("###-##", true);
  EXPECT_EQ(good.Options(), TvxPictureValidator::voDefault | TvxPictureValidator::voFill);
  EXPECT_TRUE(good.IsValid(""));
  EXPECT_FALSE(good.IsValid("123"));  // incomplete is not valid
  EXPECT_TRUE(good.IsValid("123-45"));
  std::string typed = "123";
  EXPECT_TRUE(good.IsValidInput(typed, true));
  EXPECT_EQ(typed, "123");  // fill suppressed
  EXPECT_TRUE(good.IsValidInput(typed, false));
  EXPECT_EQ(typed, "123-");
  typed = "12x";
  EXPECT_FALSE(good.IsValidInput(typed, false));

  TvxPictureValidator noFill("###-##", false);
  EXPECT_EQ(noFill.Options(), TvxPictureValidator::voDefault);
  typed = "123";
  EXPECT_TRUE(noFill.IsValidInput(typed, false));
  EXPECT_EQ(typed, "123");
}

TEST(VxpictTest, LongInputAgainstShortPicture) {
  TvxPictureValidator v("##", true);
  std::string s(10000, '1');
  EXPECT_EQ(v.Picture(s, true), prError);
  EXPECT_FALSE(v.IsValid(s));
}

// Random pictures and inputs: every call ends, stays in bounds (the sanitizer
// build checks that) and gives one of the results a caller may see.
TEST(VxpictTest, RandomPicturesAndInputs) {
  std::mt19937 rng(20240611);
  const std::string picAlphabet[] = {"#", "?", "&", "~", "!", "@", ";", "*", "[", "]", "{", "}", ",",
                                     "0", "1", "3", "A", "b", "-", " ", "\xC3\xA9", "\xFF"};
  const std::string inAlphabet[] = {"1", "7", "a", "B", "-", " ", ",", "*", "\xC3\xA9", "\xD0\x96", "\xFF"};
  auto pick = [&](auto& alphabet) {
    return alphabet[std::uniform_int_distribution<std::size_t>(0, std::size(alphabet) - 1)(rng)];
  };
  for (int round = 0; round < 50000; ++round) {
    std::string pic, input;
    int picLen = std::uniform_int_distribution<int>(0, 20)(rng);
    int inLen = std::uniform_int_distribution<int>(0, 10)(rng);
    for (int k = 0; k < picLen; ++k) pic += pick(picAlphabet);
    for (int k = 0; k < inLen; ++k) input += pick(inAlphabet);
    TvxPictureValidator v(pic, true);
    if (!v.isSyntaxError()) {
      ASSERT_TRUE(v.IsValid("")) << pic;
    }
    for (bool fill : {false, true}) {
      std::string s = input;
      TvxPicResult r = v.Picture(s, fill);
      ASSERT_LE(r, prSyntax) << pic << " / " << input;
      if (v.isSyntaxError()) {
        ASSERT_EQ(r, prSyntax) << pic << " / " << input;
      }
      if (!fill) {
        ASSERT_EQ(fw::CharLength(s), fw::CharLength(input)) << pic << " / " << input;
        if (r == prComplete) {
          ASSERT_TRUE(v.IsValid(input)) << pic << " / " << input;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vx
