// Panels, bevels, images, splitters and timers.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

#include "Bitmap.h"
#include "Controls.h"
#include "StdCtrls.h"

namespace fw {

FW_ENUM(TPanelBevel, bvNone, bvLowered, bvRaised, bvSpace)
using TBevelWidth = int;
FW_ENUM(TBevelStyle, bsLowered, bsRaised)
FW_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)

// Draws a 3-D frame Width pixels wide just inside Rect and shrinks Rect by it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// A panel: bevels outside and inside a border, the caption in the middle.
// Its client area for aligned children lies inside the bevels and border.
class TCustomPanel : public TCustomControl {
  FW_CLASS(TCustomPanel, TCustomControl)
public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TPanelBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TPanelBevel v);
  TPanelBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool FullRepaint() const { return fullRepaint_; }
  void SetFullRepaint(bool v) { fullRepaint_ = v; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  void TextChanged() override { Invalidate(); }

private:
  TAlignment alignment_ = taCenter;
  TPanelBevel bevelInner_ = bvNone;
  TPanelBevel bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  bool fullRepaint_ = true;
};

class TPanel : public TCustomPanel {
  FW_CLASS(TPanel, TCustomPanel)
public:
  using TCustomPanel::TCustomPanel;
};

class TBevel : public TGraphicControl {
  FW_CLASS(TBevel, TGraphicControl)
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle v);

protected:
  void Paint() override;

private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

class TImage : public TGraphicControl {
  FW_CLASS(TImage, TGraphicControl)
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v) { picture_->Assign(v); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);

protected:
  void Paint() override;

private:
  void PictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};

// ---------------------------------------------------------------- splitter

// A bar between a control aligned on one side and the rest of its parent:
// dragging it resizes that neighbour (the control aligned on the same side
// just before it), which keeps at least MinSize and leaves at least MinSize
// to the rest. Where the splitter stands is the neighbour's size.
class TSplitter : public TGraphicControl {
  FW_CLASS(TSplitter, TGraphicControl)
public:
  explicit TSplitter(TComponent* AOwner);
  int MinSize() const { return minSize_; }
  void SetMinSize(int v) { minSize_ = std::max(0, v); }
  // The control it resizes, or nullptr.
  TControl* Neighbour() const;

protected:
  void Paint() override;
  void BoundsChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  int SizeOf(const TControl* c) const { return Horizontal() ? c->Width() : c->Height(); }
  TControl* dragged_ = nullptr;
  TPoint start_;
  int startSize_ = 0;
  int maxSize_ = 0;
  int minSize_ = 30;
};

// ---------------------------------------------------------------- timer

class TTimer;

// What runs the timers: Qt's timers by default; a test installs one that it
// advances itself.
class TTimerClock {
public:
  virtual ~TTimerClock() = default;
  virtual void Start(TTimer* timer, unsigned interval) = 0;
  virtual void Stop(TTimer* timer) = 0;
};

// A clock for tests: nothing fires until Advance, which fires every timer
// that falls due, in order of time, as often as it falls due.
class TManualTimerClock : public TTimerClock {
public:
  void Start(TTimer* timer, unsigned interval) override;
  void Stop(TTimer* timer) override;
  void Advance(unsigned ms);
  std::uint64_t Now() const { return now_; }
  bool Running(const TTimer* timer) const;

private:
  struct Entry {
    TTimer* Timer;
    unsigned Interval;
    std::uint64_t Due;
  };
  std::vector<Entry> entries_;
  std::uint64_t now_ = 0;
};

// Installs a clock (nullptr: Qt's again) for the timers started from now on
// and moves the running ones to it; gives back the one installed before.
std::unique_ptr<TTimerClock> SetTimerClock(std::unique_ptr<TTimerClock> clock);

// OnTimer every Interval milliseconds while Enabled and Interval is not 0.
// An exception from OnTimer is shown by the application.
class TTimer : public TComponent {
  FW_CLASS(TTimer, TComponent)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  TNotifyEvent OnTimer;

  // The clock says it is time (for the clocks).
  void Fire();

private:
  friend std::unique_ptr<TTimerClock> SetTimerClock(std::unique_ptr<TTimerClock>);
  void UpdateTimer();
  unsigned interval_ = 1000;
  bool enabled_ = true;
  bool running_ = false;
};

}  // namespace fw
