// The aligned and the word-wrapped text writers, drawn on bitmaps: where
// the ink of one line falls, and the wrapped text compared with its lines
// drawn one by one.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Bitmap.h"
#include "QtGraphics.h"
#include "Vxdbgrid.h"

namespace vx {
namespace {

using namespace fw;

constexpr int W = 240, H = 120;

std::unique_ptr<TBitmap> Blank() {
  EnsureQtApplication();
  auto b = std::make_unique<TBitmap>();
  b->SetSize(W, H);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, W, H));
  c->Font()->SetName("DejaVu Sans");
  c->Font()->SetSize(10);
  c->Font()->SetColor(clBlack);
  return b;
}

// Columns that hold dark pixels: first and last, or -1, -1.
std::pair<int, int> InkColumns(TBitmap* b, const TRect& r) {
  int first = -1, last = -1;
  for (int x = r.Left; x < r.Right; ++x)
    for (int y = r.Top; y < r.Bottom; ++y)
      if ((ColorToRGB(b->Canvas()->Pixels(x, y)) & 0xFF) < 128) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

bool SamePixels(TBitmap* a, TBitmap* b) {
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (a->Canvas()->Pixels(x, y) != b->Canvas()->Pixels(x, y)) return false;
  return true;
}

TEST(TextWriters, OneLineIsPlacedByItsAlignment) {
  const TRect cell = Rect(20, 10, 220, 40);
  for (TAlignment a : {taLeftJustify, taRightJustify, taCenter}) {
    auto b = Blank();
    WriteAlignedText(b->Canvas(), cell, 6, a, "Lee", 2);
    const int width = b->Canvas()->TextWidth("Lee");
    auto [first, last] = InkColumns(b.get(), Rect(0, 0, W, H));
    ASSERT_GE(first, 0);
    const int x = a == taLeftJustify ? cell.Left + 6 : a == taRightJustify ? cell.Right - width - 3
                                                                           : 120 - width / 2;
    EXPECT_NEAR(first, x, 2) << a;
    EXPECT_LE(last, x + width) << a;
  }
  // Clipped to the cell: the text does not spill out of a narrow one.
  auto b = Blank();
  WriteAlignedText(b->Canvas(), Rect(20, 10, 40, 40), 2, taLeftJustify, "Wellington Street", 0);
  auto [first, last] = InkColumns(b.get(), Rect(0, 0, W, H));
  EXPECT_GE(first, 20);
  EXPECT_LT(last, 40);
}

TEST(TextWriters, WrappedTextFallsIntoTheseLines) {
  auto probe = Blank();
  TCanvas* c = probe->Canvas();
  const int fitsTwoWords = c->TextWidth("Alpha Beta ") + 2;
  struct Case {
    const char* name;
    std::string text;
    int width;
    std::vector<std::string> lines;
  } cases[] = {
      {"wrapped at a blank", "Alpha Beta Gamma", fitsTwoWords, {"Alpha Beta ", "Gamma"}},
      {"a word wider than the cell", "Supercalifragilistic of", c->TextWidth("Super"), {"Supercalifragilistic ", "of"}},
      {"each kind of line break", "a\r\nb\n\rc\rd\ne", 200, {"a", "b", "c", "d", "e"}},
      {"two breaks make an empty line", "a\n\nb", 200, {"a", "", "b"}},
      {"blanks after a break count", "a\n   b", 200, {"a", "   b"}},
      {"a TAB does not break a line that fits", "x\ty", 200, {"x\ty"}},
      {"the text ends at a zero", std::string("top\0hidden", 10), 200, {"top"}},
  };
  const int indent = 3, offset = 2;
  for (const Case& k : cases) {
    const TRect cell = Rect(10, 5, 10 + k.width + indent, H - 5);
    auto got = Blank();
    vxWriteTextLines(got->Canvas(), cell, indent, taLeftJustify, k.text, offset);
    auto want = Blank();
    const int h = want->Canvas()->TextHeight("Ag");
    int top = cell.Top;
    for (std::size_t i = 0; i < k.lines.size(); ++i) {
      WriteAlignedText(want->Canvas(), Rect(cell.Left, top, cell.Right, cell.Bottom), indent, taLeftJustify,
                       k.lines[i], i == 0 ? offset : 0);
      top += h + (i == 0 ? offset : 0);
    }
    EXPECT_TRUE(SamePixels(got.get(), want.get())) << k.name;
  }
}

TEST(TextWriters, ANegativeIndentCountsAsNone) {
  auto got = Blank();
  const int h = got->Canvas()->TextHeight("Ag");
  vxWriteTextLines(got->Canvas(), Rect(0, 0, W, 2 * h), -5, taLeftJustify, "one\ntwo\nthree", 0);
  auto want = Blank();
  WriteAlignedText(want->Canvas(), Rect(0, 0, W, 2 * h), 0, taLeftJustify, "one", 0);
  WriteAlignedText(want->Canvas(), Rect(0, h, W, 2 * h), 0, taLeftJustify, "two", 0);
  EXPECT_TRUE(SamePixels(got.get(), want.get()));
}

}  // namespace
}  // namespace vx
