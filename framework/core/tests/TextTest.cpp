#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Exceptions.h"
#include "Settings.h"
#include "Text.h"

namespace fw {

// The same edge cases on bytes and on characters: the helpers are one
// template, but each overload must reach it with its own positions.
TEST(TextHelpers, OneBasedEdgesOnBytes) {
  struct CopyCase {
    int index, count;
    const char* expected;
  } copies[] = {{1, 2, "ab"}, {0, 2, "ab"}, {-5, 2, "ab"}, {3, 5, "c"}, {4, 1, ""}, {2, 0, ""}, {2, -1, ""},
                {2, INT_MAX, "bc"}};
  for (const auto& c : copies) EXPECT_EQ(Copy("abc", c.index, c.count), c.expected) << c.index << "," << c.count;

  EXPECT_EQ(Pos("c", "abc"), 3);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(PosEx("a", "aba", 2), 3);
  EXPECT_EQ(PosEx("a", "aba", 0), 0);
  EXPECT_EQ(PosEx("a", "aba", 4), 0);

  struct DeleteCase {
    int index, count;
    const char* expected;
  } deletes[] = {{2, 1, "ac"}, {0, 1, "abc"}, {4, 1, "abc"}, {2, 10, "a"}, {1, -1, "abc"}, {3, 1, "ab"}};
  for (const auto& c : deletes) {
    std::string s = "abc";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }

  struct InsertCase {
    int index;
    const char* expected;
  } inserts[] = {{1, "xabc"}, {0, "xabc"}, {-3, "xabc"}, {2, "axbc"}, {4, "abcx"}, {10, "abcx"}};
  for (const auto& c : inserts) {
    std::string s = "abc";
    Insert("x", s, c.index);
    EXPECT_EQ(s, c.expected) << c.index;
  }
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', -1), "");
}

TEST(TextHelpers, OneBasedEdgesOnCharacters) {
  std::string text = "éßЖ";
  TChars c = Utf8ToChars(text);
  EXPECT_EQ(Length(text), 6);
  EXPECT_EQ(Length(c), 3);
  EXPECT_EQ(Copy(c, 2, 1), U"ß");
  EXPECT_EQ(Copy(c, 0, 2), U"éß");
  EXPECT_EQ(Copy(c, 3, 9), U"Ж");
  EXPECT_EQ(Copy(c, 4, 1), U"");
  EXPECT_EQ(Pos(U"Ж", c), 3);
  EXPECT_EQ(PosEx(U"é", c, 2), 0);
  Delete(c, 2, 1);
  EXPECT_EQ(c, U"éЖ");
  Delete(c, 0, 1);
  EXPECT_EQ(c, U"éЖ");
  Insert(U"ü", c, 99);
  EXPECT_EQ(CharsToUtf8(c), "éЖü");
  EXPECT_EQ(StringOfChar(U'ж', 2), U"жж");
}

TEST(TextCase, EveryScriptMapsAndComparesWithoutCase) {
  EXPECT_EQ(AnsiUpperCase("été жёлтый σοφός"), "ÉTÉ ЖЁЛТЫЙ ΣΟΦΌΣ");
  EXPECT_EQ(AnsiLowerCase("ÉTÉ ЖЁЛТЫЙ ΣΟΦΌΣ"), "été жёлтый σοφόσ");
  EXPECT_EQ(AnsiUpperCase("ß"), "ß");  // no single upper-case letter: kept
  // Plain ASCII, and bytes that are not UTF-8, keep every other byte as it was.
  EXPECT_EQ(AnsiUpperCase("Oslo-9 [z]~"), "OSLO-9 [Z]~");
  EXPECT_EQ(AnsiLowerCase("OSLO-9 [Z]@"), "oslo-9 [z]@");
  EXPECT_EQ(AnsiUpperCase("bergen\xFF\x80x"), "BERGEN\xFF\x80X");
  EXPECT_EQ(AnsiCompareText("ÉCOLE", "école"), 0);
  EXPECT_TRUE(AnsiSameText("ЖЁЛТЫЙ", "жёлтый"));
  EXPECT_TRUE(AnsiSameText("ΣΟΦΟΣ", "σοφος"));  // the final sigma meets the capital
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  EXPECT_NE(AnsiCompareStr("école", "ÉCOLE"), 0);
  // The ASCII routines leave other letters alone.
  EXPECT_EQ(UpperCase("été"), "éTé");
  EXPECT_FALSE(SameText("É", "é"));
}

TEST(TextTrimAndQuotes, BlanksControlsAndDoubledQuotes) {
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // bytes of other characters are no blanks
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");

  std::string_view src = "'it''s' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "it's");
  EXPECT_EQ(src, " rest");
  src = "plain";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "");
  EXPECT_EQ(src, "plain");
  src = "'open";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "open");
  EXPECT_TRUE(src.empty());
}

TEST(TextReplace, FlagsAndCharactersThatChangeLengthInUpperCase) {
  struct Case {
    const char *s, *from, *to;
    TReplaceFlags flags;
    const char* expected;
  } cases[] = {
      {"a.b.c", ".", "--", {}, "a--b.c"},
      {"a.b.c", ".", "--", {rfReplaceAll}, "a--b--c"},
      {"Ab ab AB", "ab", "x", {rfReplaceAll}, "Ab x AB"},
      {"Ab ab AB", "ab", "x", {rfReplaceAll, rfIgnoreCase}, "x x x"},
      {"Ёж ёж", "ЁЖ", "x", {rfReplaceAll, rfIgnoreCase}, "x x"},
      // dotless i is two bytes, its capital one: the cut must follow the characters
      {"ıxıx", "X", "y", {rfReplaceAll, rfIgnoreCase}, "ıyıy"},
      {"abc", "", "x", {rfReplaceAll}, "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(StringReplace(c.s, c.from, c.to, c.flags), c.expected) << c.s;
}

TEST(TextDelimiters, LineBreaksAndDelimiters) {
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(AdjustLineBreaks("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(LastDelimiter("\\/", "a/b\\c"), 4);
  EXPECT_EQ(LastDelimiter(".", "abc"), 0);
  EXPECT_EQ(LastDelimiter("é", "aébé"), 5);  // byte position of the character
  EXPECT_TRUE(IsDelimiter("/\\", "a\\b", 2));
  EXPECT_FALSE(IsDelimiter("/", "a/b", 0));
  EXPECT_FALSE(IsDelimiter("/", "a/b", 4));
  EXPECT_EQ(AnsiPos("ж", "ёж"), 3);
  EXPECT_EQ(UpCase('q'), 'Q');
  EXPECT_EQ(UpCase('1'), '1');
}

TEST(TextIntegers, ConversionsAndTheirErrors) {
  EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0xABC, 1), "ABC");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");

  struct Good {
    const char* s;
    int v;
  } good[] = {{"12", 12}, {"  -7", -7}, {"+3", 3}, {"$FF", 255}, {"0x10", 16}, {"$FFFFFFFF", -1},
              {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
  for (const auto& g : good) EXPECT_EQ(StrToInt(g.s), g.v) << g.s;
  for (const char* bad : {"", " ", "-", "12 ", "1e3", "2147483648", "-2147483649", "$", "$1G", "1.0", "$100000000"}) {
    int v = 99;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 99);
    EXPECT_EQ(StrToIntDef(bad, -1), -1) << bad;
  }
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64("-$8000000000000000"), INT64_MIN);
  try {
    StrToInt("x1");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x1' is not a valid integer value");
  }
}

class TextFloats : public UsSettings {};

TEST_F(TextFloats, FloatToStrShortestFormWithFifteenDigits) {
  struct Case {
    double v;
    const char* expected;
  } cases[] = {
      {1.5, "1.5"},         {100, "100"},
      {1e20, "1E20"},       {1e15, "1E15"},
      {1e14, "100000000000000"},
      {0.0001, "0.0001"},   {0.00001, "1E-5"},
      {-2.5, "-2.5"},       {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {0, "0"},             {-1.5e-7, "-1.5E-7"},
      {123456789012345678.0, "1.23456789012346E17"},
      {std::numeric_limits<double>::infinity(), "INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.v), c.expected) << c.v;
  DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
}

TEST_F(TextFloats, StrToFloatFollowsTheDecimalSeparator) {
  struct Case {
    const char* s;
    double v;
  } good[] = {{"1.5", 1.5}, {" -2.5E3 ", -2500}, {".5", 0.5}, {"5.", 5}, {"+1e-2", 0.01}, {"0", 0}};
  for (const auto& g : good) EXPECT_DOUBLE_EQ(StrToFloat(g.s), g.v) << g.s;
  for (const char* bad : {"", ".", "1e", "1e+", "1,5", "1.5x", "e5", "1e999", "abc", "--1", "1 5"}) {
    double v = 7;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 7);
  }
  EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
  try {
    StrToFloat("1.2.3");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.2.3' is not a valid floating point value");
  }
  DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);
}

TEST_F(TextFloats, FormatFloatPlacesSectionsAndLiterals) {
  struct Case {
    const char* format;
    double v;
    const char* expected;
  } cases[] = {
      {"0.00", 1234.5, "1234.50"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", -1234, "-1,234"},
      {"#,##0", 12, "12"},
      {"#.##", 0.5, ".5"},
      {"0.##", 1, "1"},
      {"0.0#", 1.456, "1.46"},
      {"000", 5, "005"},
      {"#", 0, ""},
      {"00.00", 0.125, "00.13"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.0E-0", 0.00012, "1.2E-4"},
      {"0.0E-0", 12000, "1.2E4"},
      {"00.0E+0", 1234.5, "12.3E+2"},
      {"0;(0);\"zero\"", -5, "(5)"},
      {"0;(0);\"zero\"", 0, "zero"},
      {"0;(0);\"zero\"", 7, "7"},
      {"0.0;-0.0;\"nil\"", -0.01, "nil"},  // rounds to zero: the zero section
      {"0.0", -0.01, "0.0"},                // and never a minus zero
      {"0;;\"z\"", -4, "-4"},               // an empty section falls back to the first
      {"\"$\"#,##0.00", 1234.5, "$1,234.50"},
      {"\"a;b\"0", 5, "a;b5"},
      {"0 'kg'", 3, "3 kg"},
      {"000-000", 12345, "012-345"},
      {"", 1.5, "1.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.format, c.v), c.expected) << c.format << " " << c.v;

  DecimalSeparator = ',';
  ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
}

TEST_F(TextFloats, FloatToStrFFormats) {
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  // Rounded from the value, not from its shortest text: 1.2345 is a little
  // below its half. Decimals round the value's 15 digits, in which 2.675 is
  // its half.
  EXPECT_EQ(FloatToStrF(1.2345, ffExponent, 4, 2), "1.234E+00");
  EXPECT_EQ(FloatToStrF(2.675, ffFixed, 15, 2), "2.68");
  EXPECT_EQ(FloatToStrF(-1234.567, ffFixed, 15, 1), "-1234.6");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 2), "1,234,567.50");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
  CurrencyString = "€";
  CurrencyFormat = 3;
  NegCurrFormat = 8;
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1,234.50 €");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 0), "-1,235 €");
}

TEST_F(TextFloats, CurrencyIsExact) {
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-12345)), "-1.2345");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(10000)), "1");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(INT64_MIN)), "-922337203685477.5808");
  EXPECT_EQ(Currency::FromDouble(1.23455).Scaled, 12346);
  EXPECT_EQ(Currency::FromDouble(-0.00005).Scaled, -1);
  EXPECT_EQ(StrToCurr("19.99").Scaled, 199900);
  EXPECT_THROW(Currency::FromDouble(1e300), EConvertError);
  EXPECT_THROW(StrToCurr("1e300"), EConvertError);
}

}  // namespace fw
