// The clipboard: text, and pictures that a TPicture or TBitmap takes from it
// (Picture->Assign(Clipboard())) or puts on it (Clipboard()->Assign(Picture)).
#pragma once
#include <string>

#include "Classes.h"
#include "Messages.h"

namespace fw {

// Clipboard formats.
constexpr Word CF_TEXT = 1;
constexpr Word CF_BITMAP = 2;

class TClipboard : public TPersistent {
  FW_CLASS(TClipboard, TPersistent)
public:
  bool HasFormat(Word Format) const;
  std::string AsText() const;
  void SetAsText(const std::string& v);
  void Clear();
  // A TPicture or TBitmap puts its picture on the clipboard (an empty one
  // clears it).
  void Assign(const TPersistent* Source) override;

protected:
  // A TPicture or TBitmap takes the clipboard's picture; EConvertError when
  // there is none.
  void AssignTo(TPersistent* Dest) const override;
};

// The program's clipboard.
TClipboard* Clipboard();

}  // namespace fw
