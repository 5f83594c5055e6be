#include "Vxdbgrid.h"

#include <vector>

#include "Forms.h"
#include "Vxmemo.h"

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

// ---------------------------------------------------------------- memo dialog

FW_PUBLISH(TvxMemoDialog) {
  c.Property("DataSource", &TvxMemoDialog::DataSource, &TvxMemoDialog::SetDataSource);
  c.Property("DataField", &TvxMemoDialog::DataField, &TvxMemoDialog::SetDataField);
  c.Property("Font", &TvxMemoDialog::Font, &TvxMemoDialog::SetFont);
  c.Property("MemoAttributes", &TvxMemoDialog::MemoAttributes, &TvxMemoDialog::SetMemoAttributes)
      .Default(TvxMemoAttributes{mSizeable, mWordWrap}.ToBits());
  c.Property("Caption", &TvxMemoDialog::Caption, &TvxMemoDialog::SetCaption);
  c.Property("DlgLeft", &TvxMemoDialog::DlgLeft, &TvxMemoDialog::SetDlgLeft).Default(0);
  c.Property("DlgTop", &TvxMemoDialog::DlgTop, &TvxMemoDialog::SetDlgTop).Default(0);
  c.Property("DlgWidth", &TvxMemoDialog::DlgWidth, &TvxMemoDialog::SetDlgWidth).Default(561);
  c.Property("DlgHeight", &TvxMemoDialog::DlgHeight, &TvxMemoDialog::SetDlgHeight).Default(396);
  c.Event("OnInitDialog", &TvxMemoDialog::OnInitDialog);
  c.Event("OnCloseDialog", &TvxMemoDialog::OnCloseDialog);
  c.Event("OnUserButton1Click", &TvxMemoDialog::OnUserButton1Click);
  c.Event("OnUserButton2Click", &TvxMemoDialog::OnUserButton2Click);
  c.Property("UserButton1Caption", &TvxMemoDialog::UserButton1Caption, &TvxMemoDialog::SetUserButton1Caption);
  c.Property("UserButton2Caption", &TvxMemoDialog::UserButton2Caption, &TvxMemoDialog::SetUserButton2Caption);
}

TvxMemoDialog::TvxMemoDialog(TComponent* AOwner)
    : TComponent(AOwner), DataLink_(std::make_unique<TFieldDataLink>()), Font_(std::make_unique<TFont>()) {}

TvxMemoDialog::~TvxMemoDialog() { DataLink_->SetDataSource(nullptr); }

void TvxMemoDialog::SetDataSource(TDataSource* Value) {
  DataLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxMemoDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && DataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TvxMemoDialog::DoInitDialog() {
  if (OnInitDialog) OnInitDialog(Form_);
}

void TvxMemoDialog::DoCloseDialog() {
  if (OnCloseDialog) OnCloseDialog(Form_);
}

bool TvxMemoDialog::Execute() {
  return vxEditMemoField(Screen->ActiveForm(), this, !MemoAttributes_.Contains(mViewOnly));
}

}  // namespace vx
