// The library's grid unit: the text writers that the grid's cells and the
// data-aware edit share, and what an edit inside a library grid asks of the
// grid (IvxEditGrid, which the grid implements).
#pragma once
#include <string>

#include "Canvas.h"
#include "Classes.h"
#include "Messages.h"

namespace fw {
class TWinControl;
}

namespace vx {

// One line of Text in Rect, on the canvas's brush and in its font: left
// aligned Indent pixels in, right aligned 3 pixels before the right edge,
// or centred; TopOffset pixels below the top; clipped to Rect, which is
// filled first. Every colour shows exactly on the devices the canvas draws
// on, so no brush is ever dithered.
void WriteAlignedText(fw::TCanvas* Canvas, const fw::TRect& Rect, int Indent, fw::TAlignment Alignment,
                      const std::string& Text, int TopOffset);

// Text over as many lines as Rect holds, broken after runs of blanks, at
// TABs and at line breaks (CR, LF, CR LF or LF CR); a word wider than Rect
// stands on a line of its own, clipped. The first line is TopOffset pixels
// down. The text ends at its first zero character.
void vxWriteTextLines(fw::TCanvas* Canvas, const fw::TRect& Rect, int Indent, fw::TAlignment Alignment,
                      const std::string& Text, int TopOffset);

// What an edit that sits in a library grid uses of it. The edit finds it
// as its parent control.
class IvxEditGrid {
public:
  virtual ~IvxEditGrid() = default;
  // The grid as a control, to give it the focus.
  virtual fw::TWinControl* GridControl() = 0;
  // A full data grid rather than one of the grid's lighter relatives (the
  // lookup list, the drop-down grid).
  virtual bool IsDataGrid() const = 0;
  // The dgAlwaysShowEditor and dgTabs options.
  virtual bool AlwaysShowEditor() const = 0;
  virtual bool TabsMove() const = 0;
  virtual bool GridFocused() const = 0;
  virtual fw::TColor GridFontColor() const = 0;
  // The grid's own key handling, and its OnKeyDown handler alone.
  virtual void GridKeyDown(fw::Word& Key, fw::TShiftState Shift) = 0;
  virtual void GridOnKeyDown(fw::Word& Key, fw::TShiftState Shift) = 0;
};

}  // namespace vx
