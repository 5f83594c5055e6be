#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "Exceptions.h"
#include "Format.h"
#include "Settings.h"

namespace fw {

class FormatTest : public UsSettings {};

TEST_F(FormatTest, DirectivesAsATable) {
  std::string text = "text";
  std::string_view view = "view";
  struct Case {
    std::string got;
    const char* expected;
  } cases[] = {
      {Format("%s|%s|%s|%s", {"abc", text, view, 'c'}), "abc|text|view|c"},
      {Format("%5s|%-5s|", {"ab", "cd"}), "   ab|cd   |"},
      {Format("%.2s", {"abcdef"}), "ab"},
      {Format("%.2s|%4s", {"éßЖ", "é"}), "éß|   é"},  // cut and padded by characters
      {Format("%s", {static_cast<const char*>(nullptr)}), ""},
      {Format("%d|%5d|%-5d|%.3d", {-42, 42, 42, -5}), "-42|   42|42   |-005"},
      {Format("%d", {std::int64_t{1} << 40}), "1099511627776"},
      {Format("%d", {UINT64_MAX}), "18446744073709551615"},
      {Format("%d", {static_cast<short>(-3)}), "-3"},
      {Format("%u|%u", {-1, std::int64_t{-1}}), "4294967295|18446744073709551615"},
      {Format("%x|%X|%.4x|%x", {255, 255, 255, -1}), "FF|FF|00FF|FFFFFFFF"},
      {Format("[$%2x] [$%2x]", {10, 255}), "[$ A] [$FF]"},
      {Format("%f|%.0f|%.3f", {3.14159, 2.5, -0.0005}), "3.14|3|-0.001"},
      {Format("%e|%.3e", {1234.5, -1234.5}), "1.23450000000000E+003|-1.23E+003"},
      {Format("%g|%g|%.3g", {0.5, 100.0, 1234.5}), "0.5|100|1.23E003"},
      {Format("%n|%.0n", {1234567.891, 1234.5}), "1,234,567.89|1,235"},
      {Format("%m|%m|%.0m", {1234.5, -1234.5, 2.0}), "$1,234.50|($1,234.50)|$2"},
      {Format("%m", {Currency::FromScaled(12345)}), "$1.23"},
      {Format("%f", {Currency::FromScaled(-12345)}), "-1.23"},
      {Format("%.1f", {TDateTime(1.25)}), "1.3"},
      {Format("%%|100%%", {}), "%|100%"},
      {Format("%1:s %0:s %s", {"a", "b"}), "b a b"},
      {Format("%*d|%-*d|%.*f", {5, 42, 4, 7, 1, 2.25}), "   42|7   |2.3"},
      {Format("%*d", {-4, 1}), "1   "},
      {Format("%d rows were affected", {3}), "3 rows were affected"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);

  int x = 0;
  std::string p = Format("%p", {&x});
  EXPECT_EQ(p.size(), sizeof(void*) * 2);
  EXPECT_EQ(std::stoull(p, nullptr, 16), reinterpret_cast<std::uintptr_t>(&x));
}

TEST_F(FormatTest, SettingsReachTheNumbers) {
  DecimalSeparator = ',';
  ThousandSeparator = '.';
  CurrencyString = "€";
  CurrencyFormat = 3;
  NegCurrFormat = 8;
  EXPECT_EQ(Format("%.2f|%n|%m|%m", {1.5, 1234.5, 1234.5, -2.0}), "1,50|1.234,50|1.234,50 €|-2,00 €");
}

TEST_F(FormatTest, MismatchesAndMissingArgumentsRaise) {
  using Call = std::function<std::string()>;
  struct Case {
    const char* pattern;
    Call call;
  } cases[] = {
      {"%d", [] { return Format("%d", {"x"}); }},
      {"%d", [] { return Format("%d", {1.5}); }},
      {"%x", [] { return Format("%x", {1.5}); }},
      {"%f", [] { return Format("%f", {1}); }},
      {"%m", [] { return Format("%m", {"1"}); }},
      {"%s", [] { return Format("%s", {1}); }},
      {"%s", [] { return Format("%s", {true}); }},
      {"%p", [] { return Format("%p", {1}); }},
      {"%d", [] { return Format("%d", {}); }},
      {"%s %s", [] { return Format("%s %s", {"a"}); }},
      {"%2:d", [] { return Format("%2:d", {1}); }},
      {"%*d", [] { return Format("%*d", {"5", 1}); }},
      {"abc%", [] { return Format("abc%", {}); }},
      {"%q", [] { return Format("%q", {1}); }},
      {"%5", [] { return Format("%5", {1}); }},
      {"%*d", [] { return Format("%*d", {INT32_MAX, 1}); }},  // no width of gigabytes
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.pattern << " did not raise";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("Format '") + c.pattern + "' invalid or incompatible with argument");
    }
  }
}

TEST(ExceptionFormat, BracedArgumentsFormatAndPlainTextStaysPlain) {
  EConvertError fmt("%s: Field '%s' not found", {"Table1", "NAME"});
  EXPECT_EQ(fmt.Message(), "Table1: Field 'NAME' not found");
  EXPECT_EQ(fmt.HelpContext(), 0);

  Exception one("There may only be %d %s %s", {1, "x", "y"}, 4012);
  EXPECT_EQ(one.Message(), "There may only be 1 x y");
  EXPECT_EQ(one.HelpContext(), 4012);

  Exception single("%d rows", {5});  // one braced number: an argument, not a help context
  EXPECT_EQ(single.Message(), "5 rows");
  EXPECT_EQ(single.HelpContext(), 0);

  Exception plain("100% sure");  // never formatted
  EXPECT_EQ(plain.Message(), "100% sure");
  enum { HelpTopic = 7 };
  Exception help("%d stays", HelpTopic);
  EXPECT_EQ(help.Message(), "%d stays");
  EXPECT_EQ(help.HelpContext(), 7);

  EXPECT_THROW(EVariantError("%d", {"x"}), EConvertError);
}

}  // namespace fw
