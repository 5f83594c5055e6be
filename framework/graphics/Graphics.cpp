#include "Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "Text.h"

namespace fw {

bool IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (IsRectEmpty(r)) {
    dest = TRect{};
    return false;
  }
  dest = r;
  return true;
}

namespace {

// The classic colour scheme, so that every machine draws the same.
constexpr TColor kSysColors[] = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application work space
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(223, 223, 223),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};
constexpr int kSysColorCount = static_cast<int>(sizeof(kSysColors) / sizeof(kSysColors[0]));

const std::vector<std::pair<std::string, std::int64_t>>& ColorNames() {
  static const std::vector<std::pair<std::string, std::int64_t>> names = {
      {"clBlack", clBlack},
      {"clMaroon", clMaroon},
      {"clGreen", clGreen},
      {"clOlive", clOlive},
      {"clNavy", clNavy},
      {"clPurple", clPurple},
      {"clTeal", clTeal},
      {"clGray", clGray},
      {"clSilver", clSilver},
      {"clRed", clRed},
      {"clLime", clLime},
      {"clYellow", clYellow},
      {"clBlue", clBlue},
      {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},
      {"clWhite", clWhite},
      {"clScrollBar", clScrollBar},
      {"clBackground", clBackground},
      {"clActiveCaption", clActiveCaption},
      {"clInactiveCaption", clInactiveCaption},
      {"clMenu", clMenu},
      {"clWindow", clWindow},
      {"clWindowFrame", clWindowFrame},
      {"clMenuText", clMenuText},
      {"clWindowText", clWindowText},
      {"clCaptionText", clCaptionText},
      {"clActiveBorder", clActiveBorder},
      {"clInactiveBorder", clInactiveBorder},
      {"clAppWorkSpace", clAppWorkSpace},
      {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText},
      {"clBtnFace", clBtnFace},
      {"clBtnShadow", clBtnShadow},
      {"clGrayText", clGrayText},
      {"clBtnText", clBtnText},
      {"clInactiveCaptionText", clInactiveCaptionText},
      {"clBtnHighlight", clBtnHighlight},
      {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight},
      {"clInfoText", clInfoText},
      {"clInfoBk", clInfoBk},
      {"clNone", clNone},
      {"clDefault", clDefault},
      // aliases last, so that a value's name is the one above
      {"clLtGray", clLtGray},
      {"clDkGray", clDkGray},
  };
  return names;
}

// Identifiers of colours, cursors and character sets, so that form files can
// write Color = clWindow, Cursor = crHourGlass, Font.Charset = DEFAULT_CHARSET.
const bool kIdentsRegistered = [] {
  RegisterIntegerConsts("TColor", ColorNames());
  RegisterIntegerConsts("TCursor", {
                                       {"crDefault", crDefault},     {"crNone", crNone},
                                       {"crArrow", crArrow},         {"crCross", crCross},
                                       {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
                                       {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},
                                       {"crSizeWE", crSizeWE},       {"crUpArrow", crUpArrow},
                                       {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
                                       {"crNoDrop", crNoDrop},       {"crHSplit", crHSplit},
                                       {"crVSplit", crVSplit},       {"crMultiDrag", crMultiDrag},
                                       {"crSQLWait", crSQLWait},     {"crNo", crNo},
                                       {"crAppStart", crAppStart},   {"crHelp", crHelp},
                                       {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll},
                                       {"crSize", crSize},
                                   });
  RegisterIntegerConsts("TFontCharset", {
                                            {"ANSI_CHARSET", ANSI_CHARSET},
                                            {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                                            {"SYMBOL_CHARSET", SYMBOL_CHARSET},
                                            {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
                                            {"HANGEUL_CHARSET", HANGEUL_CHARSET},
                                            {"GB2312_CHARSET", GB2312_CHARSET},
                                            {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
                                            {"GREEK_CHARSET", GREEK_CHARSET},
                                            {"TURKISH_CHARSET", TURKISH_CHARSET},
                                            {"HEBREW_CHARSET", HEBREW_CHARSET},
                                            {"ARABIC_CHARSET", ARABIC_CHARSET},
                                            {"BALTIC_CHARSET", BALTIC_CHARSET},
                                            {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
                                            {"THAI_CHARSET", THAI_CHARSET},
                                            {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
                                            {"OEM_CHARSET", OEM_CHARSET},
                                        });
  return true;
}();

int screenPixelsPerInch = 96;

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return clBlack;
  return kSysColors[index];
}

TColor ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return color;
}

std::string ColorToString(TColor color) {
  if (auto name = IntToIdent("TColor", color)) return *name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
  return buf;
}

TColor StringToColor(const std::string& s) {
  if (auto v = IdentToInt("TColor", s)) return static_cast<TColor>(*v);
  std::string t = s;
  int base = 10;
  std::size_t start = 0;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    start = 1;
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    start = 2;
  }
  bool negative = false;
  if (base == 10 && start < t.size() && t[start] == '-') {
    negative = true;
    ++start;
  }
  if (start >= t.size()) throw EConvertError("'" + s + "' is not a valid colour");
  std::uint64_t v = 0;
  for (std::size_t i = start; i < t.size(); ++i) {
    char c = t[i];
    int d = c >= '0' && c <= '9'   ? c - '0'
            : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
    if (d < 0) throw EConvertError("'" + s + "' is not a valid colour");
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) throw EConvertError("'" + s + "' is not a valid colour");
  }
  auto u = static_cast<std::uint32_t>(v);
  return negative ? -static_cast<TColor>(u) : static_cast<TColor>(u);
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

int ScreenPixelsPerInch() { return screenPixelsPerInch; }
void SetScreenPixelsPerInch(int value) {
  if (value > 0) screenPixelsPerInch = value;
}

}  // namespace fw
