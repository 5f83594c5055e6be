// Buttons with pictures: TBitBtn (a push button with a glyph and a kind)
// and TSpeedButton (a button without a window, in groups, that a descendant
// may paint itself).
//
// A glyph holds NumGlyphs pictures side by side: up, disabled, pressed and
// down; its bottom-left pixel is the transparent colour. A glyph whose width
// is 1 to 4 times its height sets NumGlyphs when it is assigned.
#pragma once
#include <memory>

#include "Bitmap.h"
#include "StdCtrls.h"

namespace fw {

FW_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
FW_ENUM(TButtonState, bsUp, bsDisabled, bsDown, bsExclusive)
FW_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll)
FW_ENUM(TButtonStyle, bsAutoDetect, bsWin31, bsNew)
using TNumGlyphs = int;

// Draws Glyph's picture for State and Caption into Client of Canvas, placed
// by Layout, Margin (-1: the two centred) and Spacing (-1: the free room
// shared out evenly), moved by Offset (a pressed button's contents move).
void DrawButtonContents(TCanvas* Canvas, const TRect& Client, TPoint Offset, const std::string& Caption,
                        const TBitmap* Glyph, TNumGlyphs NumGlyphs, TButtonState State, TButtonLayout Layout,
                        int Margin, int Spacing);

class TBitBtn : public TButton {
  FW_CLASS(TBitBtn, TButton)
public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v);
  TNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TNumGlyphs v);
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle v) { style_ = v; }
  void Click() override;

protected:
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void TextChanged() override;
  void WMPaint(TMessage& Message) override;

private:
  void GlyphChanged();
  std::unique_ptr<TBitmap> glyph_;
  std::unique_ptr<TControlCanvas> canvas_;
  TNumGlyphs numGlyphs_ = 1;
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  TButtonStyle style_ = bsAutoDetect;
  bool settingKind_ = false;
};

class TSpeedButton : public TGraphicControl {
  FW_CLASS(TSpeedButton, TGraphicControl)
public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v);
  TNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TNumGlyphs v);
  // Buttons of one parent with the same GroupIndex (above 0) are down one at a time.
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  // How the button looks now.
  TButtonState State() const { return state_; }
  bool MouseInControl() const { return mouseInControl_; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

protected:
  // The ordinary speed button: its face, then glyph and caption.
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void TextChanged() override { Invalidate(); }

private:
  void UpdateExclusive();
  std::unique_ptr<TBitmap> glyph_;
  TNumGlyphs numGlyphs_ = 1;
  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool flat_ = false;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  TButtonState state_ = bsUp;
  bool dragging_ = false;
  bool mouseInControl_ = false;
};

}  // namespace fw
