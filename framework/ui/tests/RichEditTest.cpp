// The rich edit's reading of RTF: a table of documents and the plain text
// each gives, damaged ones included, and the control loading a stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ComCtrls.h"
#include "Forms.h"
#include "Streams.h"
#include "UiTest.h"

namespace fw {
namespace {

TEST(RtfToPlainText, KeepsTheTextAndDropsTheRest) {
  struct Case {
    const char* name;
    std::string rtf;
    std::string text;
  } cases[] = {
      {"plain words", "{\\rtf1\\ansi\\deff0 Hello world}", "Hello world"},
      {"code page 1252 by default", "{\\rtf1\\ansi Caf\\'e9 \\'80 5}", "Café € 5"},
      {"the document's code page", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", "Привет"},
      {"a code page the system lacks reads as Latin-1", "{\\rtf1\\ansi\\ansicpg99999 \\'e9}", "é"},
      {"unicode with one fallback", "{\\rtf1\\uc1\\u1055?\\u1088?}", "Пр"},
      {"unicode with two fallbacks", "{\\rtf1\\uc2\\u8364\\'80x!}", "€!"},
      {"a fallback escape is skipped", "{\\rtf1\\u233\\'e9 t}", "é t"},
      {"negative and paired halves", "{\\rtf1 \\u-10179?\\u-8704?}", "😀"},
      {"nested groups", "{\\rtf1 a{\\b b{\\i c}\\b0 }d}", "abcd"},
      {"\\* destinations", "{\\rtf1 x{\\*\\generator Writer 5;}y{\\*\\unknown z}}", "xy"},
      {"tables and the information group",
       "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times;}}{\\colortbl;\\red255\\green0\\blue0;}"
       "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Guests}{\\author Me}}\\f0\\cf1 Text}",
       "Text"},
      {"a picture", "{\\rtf1 a{\\pict\\wmetafile8 0102ffee}b}", "ab"},
      {"paragraphs, breaks and tabs", "{\\rtf1 one\\par two\\line three\\tab four\\par\n}",
       "one\r\ntwo\r\nthree\tfour"},
      {"line ends of the source are not text", "{\\rtf1 ab\r\ncd}", "abcd"},
      {"escaped braces and backslashes", "{\\rtf1 \\{a\\}\\\\b}", "{a}\\b"},
      {"protected text", "{\\rtf1 {\\protect locked} free}", "locked free"},
      {"binary data, braces in it included", "{\\rtf1 a\\bin3 x}{b}", "ab"},
      {"one brace too many", "{\\rtf1 a}}b", "ab"},
      {"braces left open", "{\\rtf1 {\\b bold", "bold"},
      {"a control word cut short", "{\\rtf1 text\\pa", "text"},
      {"an escape cut short", "{\\rtf1 text\\'4", "text"},
      {"a backslash at the very end", "{\\rtf1 x\\", "x"},
      {"not RTF", "plain\r\ntext", "plain\r\ntext"},
  };
  for (const Case& c : cases) EXPECT_EQ(RtfToPlainText(c.rtf), c.text) << c.name;
}

class RichEdit : public test::UiTest {};

TEST_F(RichEdit, LoadsAStreamAsRichOrPlainText) {
  auto form = std::make_unique<TForm>(nullptr);
  auto* edit = new TRichEdit(form.get());
  edit->SetParent(form.get());
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Window seat\\par Vegetarian}";
  TStringStream rich(rtf);
  edit->LoadFromStream(rich);
  EXPECT_EQ(edit->Text(), "Window seat\r\nVegetarian");
  EXPECT_EQ(edit->Lines()->Count(), 2);
  edit->SetPlainText(true);
  TStringStream plain(rtf);
  edit->LoadFromStream(plain);
  EXPECT_EQ(edit->Text(), rtf);
}

}  // namespace
}  // namespace fw
