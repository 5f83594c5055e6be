// The data-aware image.
#include <cstring>

#include "Clipbrd.h"
#include "DBCtrls.h"
#include "Fields.h"
#include "Scope.h"
#include "Streams.h"

namespace fw {

namespace {

// The header in front of the picture in a graphic field.
constexpr std::size_t kHeaderSize = 8;

bool HasGraphicHeader(const std::string& bytes) {
  if (bytes.size() < kHeaderSize) return false;
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(bytes[4 + static_cast<std::size_t>(i)]);
  return u16(0) == 1 && u16(2) == 0x0100 && size == bytes.size() - kHeaderSize;
}

std::string GraphicHeader(std::size_t size) {
  std::string h(kHeaderSize, '\0');
  h[0] = 1;
  h[3] = 1;
  for (std::size_t i = 0; i < 4; ++i) h[4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return h;
}

}  // namespace

FW_PUBLISH(TDBImage) {
  c.Property("BorderStyle", &TDBImage::BorderStyle, &TDBImage::SetBorderStyle).Default(bsSingle);
  c.Property("Center", &TDBImage::Center, &TDBImage::SetCenter).Default(true);
  c.Property("DataField", &TDBImage::DataField, &TDBImage::SetDataField);
  c.Property("DataSource", &TDBImage::DataSource, &TDBImage::SetDataSource);
  c.Property("ReadOnly", &TDBImage::ReadOnly, &TDBImage::SetReadOnly).Default(false);
  c.Property("Stretch", &TDBImage::Stretch, &TDBImage::SetStretch).Default(false);
}

TDBImage::TDBImage(TComponent* AOwner)
    : TCustomControl(AOwner), dataLink_(std::make_unique<TFieldDataLink>()), picture_(std::make_unique<TPicture>()) {
  SetControlStyle({csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks, csReplicatable});
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { DataChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
}

TDBImage::~TDBImage() {
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

void TDBImage::SetDataSource(TDataSource* v) {
  dataLink_->SetDataSource(v);
  if (v) v->FreeNotification(this);
}

void TDBImage::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBImage::SetStretch(bool v) {
  if (v == stretch_) return;
  stretch_ = v;
  Invalidate();
}

void TDBImage::SetCenter(bool v) {
  if (v == center_) return;
  center_ = v;
  Invalidate();
}

void TDBImage::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

void TDBImage::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

void TDBImage::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  if (stretch_) c->StretchDraw(client, g);
  else if (center_) c->Draw((client.Width() - g->Width()) / 2, (client.Height() - g->Height()) / 2, g);
  else c->Draw(0, 0, g);
}

void TDBImage::DataChange() {
  {
    TRestoreScope loading(loading_, true);
    picture_->Assign(nullptr);
    TField* f = Field();
    if (f && f->IsBlob() && !f->IsNull()) {
      std::string bytes = f->AsString();
      std::size_t skip = HasGraphicHeader(bytes) ? kHeaderSize : 0;
      try {
        picture_->Bitmap()->LoadFromMemory(bytes.data() + skip, bytes.size() - skip);
      } catch (const EInvalidGraphic&) {
        // What is not a picture shows nothing, and the record can still be moved on from.
        picture_->Assign(nullptr);
      }
    }
  }
  modified_ = false;
  Invalidate();
}

void TDBImage::UpdateData() {
  TField* f = Field();
  if (!f) return;
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) {
    f->Clear();
    return;
  }
  TStringStream bmp;
  picture_->Bitmap()->SaveToStream(bmp);
  std::string bytes = bmp.DataString();
  if (f->DataType() == ftGraphic) bytes = GraphicHeader(bytes.size()) + bytes;
  f->SetAsString(bytes);
}

void TDBImage::PictureChanged() {
  if (!loading_) {
    modified_ = true;
    dataLink_->Modified();
  }
  Invalidate();
}

void TDBImage::CopyToClipboard() {
  TGraphic* g = picture_->Graphic();
  if (g && !g->Empty()) Clipboard()->Assign(picture_.get());
}

void TDBImage::CutToClipboard() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty() || !dataLink_->Edit()) return;
  CopyToClipboard();
  picture_->Assign(nullptr);
}

void TDBImage::PasteFromClipboard() {
  if (!Clipboard()->HasFormat(CF_BITMAP) || !dataLink_->Edit()) return;
  picture_->Assign(Clipboard());
}

void TDBImage::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_INSERT && Shift.Contains(ssCtrl)) CopyToClipboard();
  else if (Key == VK_INSERT && Shift.Contains(ssShift)) PasteFromClipboard();
  else if (Key == VK_DELETE && Shift.Contains(ssShift)) CutToClipboard();
}

void TDBImage::KeyPress(TChar& Key) {
  TCustomControl::KeyPress(Key);
  switch (Key) {
    case 3: CopyToClipboard(); break;
    case 22: PasteFromClipboard(); break;
    case 24: CutToClipboard(); break;
    case 27: dataLink_->Reset(); break;
    default: return;
  }
  Key = 0;
}

void TDBImage::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (TabStop() && CanFocus()) SetFocus();
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TDBImage::Dispatch(TMessage& Message) {
  if (FieldControlMessage(this, dataLink_.get(), Message)) return;
  TCustomControl::Dispatch(Message);
}

}  // namespace fw
