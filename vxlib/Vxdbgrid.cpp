#include "Vxdbgrid.h"

#include <vector>

namespace vx {

using namespace fw;

void WriteAlignedText(TCanvas* Canvas, const TRect& Rect, int Indent, TAlignment Alignment, const std::string& Text,
                      int TopOffset) {
  int x = Rect.Left + Indent;
  if (Alignment == taRightJustify)
    x = Rect.Right - Canvas->TextWidth(Text) - 3;
  else if (Alignment == taCenter)
    x = Rect.Left + (Rect.Right - Rect.Left) / 2 - Canvas->TextWidth(Text) / 2;
  Canvas->TextRect(Rect, x, Rect.Top + TopOffset, Text);
}

namespace {

// A word with what ends it: the blanks after it, one TAB, or one line break
// (kept as a CR whatever its spelling). Blanks before the word belong to it
// too; they occur only at the start of the text and after a TAB or a break.
// The separators are ASCII, so they are found byte by byte in UTF-8 text.
struct TPiece {
  std::string Text;
  bool Breaks = false;
};

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<TPiece> Pieces(const std::string& s) {
  std::vector<TPiece> pieces;
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t start = i;
    while (i < n && s[i] == ' ') ++i;
    while (i < n && !IsSeparator(s[i])) ++i;
    TPiece p{s.substr(start, i - start)};
    if (i < n) {
      if (s[i] == ' ') {
        while (i < n && s[i] == ' ') p.Text += s[i++];
      } else if (s[i] == '\t') {
        p.Text += s[i++];
      } else {
        const char first = s[i++];
        if (i < n && (s[i] == '\r' || s[i] == '\n') && s[i] != first) ++i;
        p.Text += '\r';
        p.Breaks = true;
      }
    }
    pieces.push_back(std::move(p));
  }
  return pieces;
}

bool EndsInDropped(const std::string& s) {
  return !s.empty() && (s.back() == '\t' || s.back() == '\r' || s.back() == '\n');
}

}  // namespace

void vxWriteTextLines(TCanvas* Canvas, const TRect& Rect, int Indent, TAlignment Alignment, const std::string& Text,
                      int TopOffset) {
  if (Indent < 0) Indent = 0;
  const std::vector<TPiece> pieces = Pieces(Text.substr(0, Text.find('\0')));
  const int room = Rect.Right - Rect.Left - Indent;
  int top = Rect.Top;
  int lineHeight = 0;
  bool first = true;
  bool stripLeading = false;
  std::size_t next = 0;
  while (next < pieces.size() && top < Rect.Bottom) {
    const std::size_t lineStart = next;
    std::string line;
    for (;;) {
      std::string candidate = line + pieces[next].Text;
      if (stripLeading) candidate.erase(0, candidate.find_first_not_of(" \t"));
      std::string measured = candidate;
      if (!measured.empty() && (measured.back() == '\r' || measured.back() == '\n')) measured.pop_back();
      if (Canvas->TextWidth(measured) > room) {
        if (next == lineStart) {  // a word wider than the rectangle: alone, clipped
          line = candidate;
          ++next;
        }
        break;
      }
      line = candidate;
      if (pieces[next++].Breaks || next == pieces.size()) break;
    }
    // A line that ended at its blanks was wrapped; its successor starts at
    // the next word. After a TAB or a break the blanks that follow count.
    stripLeading = !EndsInDropped(line);
    if (EndsInDropped(line)) line.pop_back();
    if (first) lineHeight = Canvas->TextHeight(line);
    const TRect r{Rect.Left, top, Rect.Right, Rect.Bottom};
    WriteAlignedText(Canvas, r, Indent, Alignment, line, first ? TopOffset : 0);
    top += lineHeight + (first ? TopOffset : 0);
    first = false;
  }
}

}  // namespace vx
