#include <gtest/gtest.h>

#include <QImage>

#include "Bitmap.h"
#include "ImageList.h"
#include "QtGraphics.h"
#include "Streams.h"

namespace fw {

class Graphics : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApplication(); }

  // A w x h bitmap filled with c.
  static std::unique_ptr<TBitmap> Filled(int w, int h, TColor c) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
  }
};

TEST_F(Graphics, ColoursAndTheirNames) {
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
  EXPECT_EQ(ColorToRGB(clBtnShadow), RGB(128, 128, 128));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(0, 0, 128));
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(IdentToInt("TColor", "clwindow"), clWindow);
  EXPECT_EQ(IdentToInt("TCursor", "crHourGlass"), -11);
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(RGB(1, 2, 3)), "$00030201");
  EXPECT_EQ(StringToColor("$00030201"), RGB(1, 2, 3));
  EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);
}

TEST_F(Graphics, FontHeightFollowsSizeAtItsResolution) {
  struct Case {
    int ppi, size, height;
  } cases[] = {{96, 8, -11}, {96, 10, -13}, {120, 8, -13}, {600, 10, -83}, {1200, 10, -167}};
  for (const auto& c : cases) {
    TFont f;
    f.SetPixelsPerInch(c.ppi);
    f.SetSize(c.size);
    EXPECT_EQ(f.Height(), c.height) << c.ppi << " " << c.size;
    EXPECT_EQ(f.Size(), c.size);
  }
  // Assigning a screen font to a printer font keeps its size in points.
  TFont screen, printer;
  screen.SetSize(10);
  printer.SetPixelsPerInch(600);
  printer.Assign(&screen);
  EXPECT_EQ(printer.Size(), 10);
  EXPECT_EQ(printer.Height(), -83);
  int changes = 0;
  printer.OnChange = [&](TObject*) { ++changes; };
  printer.SetStyle({fsBold});
  printer.SetStyle({fsBold});
  EXPECT_EQ(changes, 1);
}

TEST_F(Graphics, TextMetricsWorkWithoutPaintingAndMatchPainting) {
  TCanvas loose;  // no device at all
  loose.Font()->SetName("MS Sans Serif");
  loose.Font()->SetSize(10);
  int w = loose.TextWidth("Seating tree");
  int h = loose.TextHeight("Seating tree");
  EXPECT_GT(w, 0);
  EXPECT_GE(h, 13);  // at least the character height
  EXPECT_EQ(loose.TextWidth(""), 0);

  auto b = Filled(200, 40, clWhite);
  b->Canvas()->Font()->Assign(loose.Font());
  EXPECT_EQ(b->Canvas()->TextWidth("Seating tree"), w);
  EXPECT_EQ(b->Canvas()->TextHeight("x"), h);
  loose.Font()->SetSize(20);
  EXPECT_GT(loose.TextWidth("Seating tree"), w);

  // Text out moves the pen to its end and draws in the font colour.
  b->Canvas()->Font()->SetColor(clBlack);
  b->Canvas()->TextOut(2, 2, "Seating tree");
  EXPECT_EQ(b->Canvas()->PenPos(), Point(2 + w, 2));
  int dark = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) dark += b->Canvas()->Pixels(x, y) != clWhite;
  EXPECT_GT(dark, 20);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(b->Canvas()->Pixels(w + 3, y), clWhite);
}

TEST_F(Graphics, DrawTextBreaksAndMeasures) {
  TCanvas c;
  int line = c.TextHeight("x");
  int wordWidth = c.TextWidth("alpha");
  TRect r = Rect(0, 0, wordWidth + 2, 0);
  EXPECT_EQ(DrawText(&c, "alpha beta gamma", -1, &r, DT_CALCRECT | DT_WORDBREAK), 3 * line);
  EXPECT_EQ(r.Bottom, 3 * line);
  TRect wide = Rect(0, 0, 1000, 0);
  EXPECT_EQ(DrawText(&c, "two\r\nlines", -1, &wide, DT_CALCRECT | DT_WORDBREAK), 2 * line);
  TRect one = Rect(0, 0, 0, 0);
  DrawText(&c, "&File", -1, &one, DT_CALCRECT);
  EXPECT_EQ(one.Right, c.TextWidth("File"));
  DrawText(&c, "&File", -1, &one, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(one.Right, c.TextWidth("&File"));
  TRect counted = Rect(0, 0, 0, 0);
  DrawText(&c, "Grüße", 3, &counted, DT_CALCRECT);  // counts characters
  EXPECT_EQ(counted.Right, c.TextWidth("Grü"));
}

TEST_F(Graphics, CopyRectCombinesPixelsByRasterOperation) {
  // Channels chosen so that every operation gives a distinct result.
  const TColor src = RGB(0xF0, 0x0F, 0xAA);
  const TColor dst = RGB(0xCC, 0x3C, 0x55);
  auto op = [](int s, int d, TCopyMode m) -> int {
    switch (m) {
      case SRCCOPY: return s;
      case SRCPAINT: return s | d;
      case SRCAND: return s & d;
      case SRCINVERT: return s ^ d;
      case SRCERASE: return s & ~d & 0xFF;
      case NOTSRCCOPY: return ~s & 0xFF;
      case NOTSRCERASE: return ~(s | d) & 0xFF;
      case MERGEPAINT: return (~s | d) & 0xFF;
    }
    return -1;
  };
  auto source = Filled(3, 3, src);
  for (TCopyMode mode : {SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE, NOTSRCCOPY, NOTSRCERASE, MERGEPAINT}) {
    auto dest = Filled(5, 5, dst);
    dest->Canvas()->SetCopyMode(mode);
    dest->Canvas()->CopyRect(Rect(1, 1, 4, 4), source->Canvas(), Rect(0, 0, 3, 3));
    TColor want = RGB(op(0xF0, 0xCC, mode), op(0x0F, 0x3C, mode), op(0xAA, 0x55, mode));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        bool inside = x >= 1 && x < 4 && y >= 1 && y < 4;
        ASSERT_EQ(dest->Canvas()->Pixels(x, y), inside ? want : dst) << std::hex << mode << " at " << x << "," << y;
      }
  }
}

TEST_F(Graphics, LinesAndRectanglesLeaveOutTheirEnds) {
  auto b = Filled(8, 8, clWhite);
  TCanvas* c = b->Canvas();
  c->MoveTo(0, 0);
  c->LineTo(5, 0);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(c->Pixels(x, 0), x < 5 ? clBlack : clWhite) << x;
  c->MoveTo(0, 2);
  c->LineTo(0, 6);
  for (int y = 1; y < 8; ++y) EXPECT_EQ(c->Pixels(0, y), y >= 2 && y < 6 ? clBlack : clWhite) << y;
  c->MoveTo(3, 3);
  c->LineTo(6, 6);
  for (int i = 3; i < 8; ++i) EXPECT_EQ(c->Pixels(i, i), i < 6 ? clBlack : clWhite) << i;

  auto r = Filled(8, 8, clWhite);
  r->Canvas()->Brush()->SetColor(clRed);
  r->Canvas()->Rectangle(1, 1, 5, 5);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool edge = (x == 1 || x == 4 || y == 1 || y == 4) && x >= 1 && x <= 4 && y >= 1 && y <= 4;
      bool inner = x >= 2 && x <= 3 && y >= 2 && y <= 3;
      EXPECT_EQ(r->Canvas()->Pixels(x, y), edge ? clBlack : inner ? clRed : clWhite) << x << "," << y;
    }
}

TEST_F(Graphics, XorPenAndFocusRectangleUndoThemselves) {
  auto b = Filled(10, 10, RGB(10, 200, 30));
  TCanvas* c = b->Canvas();
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, 5);
  c->LineTo(10, 5);
  EXPECT_EQ(c->Pixels(3, 5), RGB(245, 55, 225));
  c->MoveTo(0, 5);
  c->LineTo(10, 5);
  c->DrawFocusRect(Rect(1, 1, 9, 9));
  EXPECT_NE(c->Pixels(1, 1), RGB(10, 200, 30));
  c->DrawFocusRect(Rect(1, 1, 9, 9));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(c->Pixels(x, y), RGB(10, 200, 30)) << x << "," << y;
}

TEST_F(Graphics, BitmapsLoadFromResources) {
  TBitmap b;
  b.LoadFromResourceName("BITMAPS/COLOURS.BMP");  // names ignore case
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 2);
  TColor top[] = {clRed, clLime, clBlue, clOlive};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Canvas()->Pixels(x, 0), top[x]);
  EXPECT_EQ(b.Canvas()->Pixels(0, 1), clWhite);

  TBitmap png;
  TFormValue v;
  v.Kind = TFormValue::vaString;
  v.Str = "bitmaps/alpha.png";
  EXPECT_TRUE(png.ReadProperty("Data", v));  // Glyph.Data = 'bitmaps/alpha.png'
  EXPECT_EQ(png.Width(), 2);
  EXPECT_EQ(qAlpha(png.Image().pixel(1, 0)), 0);
  TResourceStream stream("bitmaps/alpha.png");
  TBitmap fromStream;
  fromStream.LoadFromStream(stream);
  EXPECT_EQ(fromStream.Width(), 2);

  EXPECT_THROW(b.LoadFromResourceName("bitmaps/missing.bmp"), EResNotFound);
  EXPECT_THROW(b.LoadFromMemory("not a picture", 13), EInvalidGraphic);
  EXPECT_THROW(b.LoadFromFile("/no/such/file.bmp"), EFOpenError);
  EXPECT_EQ(b.Width(), 4);  // a failed load keeps the picture

  TPicture pic;
  pic.Assign(&b);
  EXPECT_EQ(pic.Width(), 4);
  EXPECT_EQ(pic.Bitmap()->Canvas()->Pixels(1, 0), clLime);
}

TEST_F(Graphics, TransparentBitmapsAndStretching) {
  TBitmap b;
  b.LoadFromResourceName("bitmaps/colours.bmp");
  b.SetTransparent(true);  // bottom-left pixel: white is transparent
  auto dest = Filled(8, 4, clYellow);
  dest->Canvas()->StretchDraw(Rect(0, 0, 8, 4), &b);
  EXPECT_EQ(dest->Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(dest->Canvas()->Pixels(7, 0), clOlive);
  EXPECT_EQ(dest->Canvas()->Pixels(0, 3), clYellow);  // white shows the background
  EXPECT_EQ(dest->Canvas()->Pixels(2, 3), clBlack);
}

TEST_F(Graphics, ImageListsCutMaskAndOverlay) {
  auto list = std::make_unique<TImageList>(nullptr);
  list->SetWidth(4);
  list->SetHeight(4);
  TFormValue names;
  names.Kind = TFormValue::vaList;
  TFormValue item;
  item.Kind = TFormValue::vaString;
  item.Str = "bitmaps/strip.bmp";
  names.List = {item};
  EXPECT_TRUE(list->ReadProperty("Bitmaps", names));
  ASSERT_EQ(list->Count(), 2);  // one strip, two images

  auto dest = Filled(8, 4, clWhite);
  list->Draw(dest->Canvas(), 0, 0, 0);
  list->Draw(dest->Canvas(), 4, 0, 1);
  EXPECT_EQ(dest->Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(dest->Canvas()->Pixels(5, 1), clBlue);
  EXPECT_EQ(dest->Canvas()->Pixels(0, 3), clWhite);  // olive was masked out
  EXPECT_EQ(dest->Canvas()->Pixels(7, 3), clWhite);

  TBitmap copy;
  list->SetBkColor(clYellow);
  list->GetBitmap(1, &copy);
  EXPECT_EQ(copy.Width(), 4);
  EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clBlue);
  EXPECT_EQ(copy.Canvas()->Pixels(3, 3), clYellow);
  list->SetBkColor(clNone);

  auto blank = Filled(4, 4, clBlack);
  blank->Canvas()->SetPixels(0, 0, clWhite);  // one opaque black-mask pixel... the rest transparent
  auto mask = Filled(4, 4, clWhite);
  mask->Canvas()->SetPixels(2, 2, clBlack);
  int overlay = list->Add(blank.get(), mask.get());
  EXPECT_TRUE(list->Overlay(overlay, 1));
  EXPECT_FALSE(list->Overlay(overlay, 4));
  auto withOverlay = Filled(4, 4, clWhite);
  list->DrawOverlay(withOverlay->Canvas(), 0, 0, 0, 1);
  EXPECT_EQ(withOverlay->Canvas()->Pixels(2, 2), clBlack);
  EXPECT_EQ(withOverlay->Canvas()->Pixels(1, 1), clRed);

  EXPECT_THROW(list->Image(7), EInvalidOperation);
  list->SetWidth(8);  // a new size empties the list
  EXPECT_EQ(list->Count(), 0);
}

}  // namespace fw
