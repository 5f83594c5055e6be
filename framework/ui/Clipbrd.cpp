#include "Clipbrd.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include "Bitmap.h"
#include "Exceptions.h"
#include "QtGraphics.h"

namespace fw {

namespace {
QClipboard* Board() {
  EnsureQtApplication();
  return QGuiApplication::clipboard();
}
}  // namespace

FW_IMPLEMENT_CLASS(TClipboard)

TClipboard* Clipboard() {
  static auto* clipboard = new TClipboard;
  return clipboard;
}

bool TClipboard::HasFormat(Word Format) const {
  const QMimeData* d = Board()->mimeData();
  if (!d) return false;
  switch (Format) {
    case CF_TEXT: return d->hasText();
    case CF_BITMAP: return d->hasImage();
    default: return false;
  }
}

std::string TClipboard::AsText() const { return FromQString(Board()->text()); }

void TClipboard::SetAsText(const std::string& v) { Board()->setText(ToQString(v)); }

void TClipboard::Clear() { Board()->clear(); }

void TClipboard::Assign(const TPersistent* Source) {
  const TGraphic* g = nullptr;
  if (auto* p = dynamic_cast<const TPicture*>(Source)) g = p->Graphic();
  else if (!(g = dynamic_cast<const TGraphic*>(Source))) return TPersistent::Assign(Source);
  auto* b = dynamic_cast<const TBitmap*>(g);
  if (!b || b->Empty()) return Clear();
  Board()->setImage(b->Image());
}

void TClipboard::AssignTo(TPersistent* Dest) const {
  auto* picture = dynamic_cast<TPicture*>(Dest);
  auto* bitmap = picture ? nullptr : dynamic_cast<TBitmap*>(Dest);
  if (!picture && !bitmap) return TPersistent::AssignTo(Dest);
  QImage image = Board()->image();
  if (image.isNull()) throw EConvertError("The clipboard holds no picture");
  if (picture) bitmap = picture->Bitmap();
  bitmap->SetImage(TQtImage(image));
}

}  // namespace fw
