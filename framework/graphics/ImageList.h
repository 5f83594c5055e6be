// TImageList: a list of pictures of one size (Width x Height) that tree
// views, buttons and the printout draw by index, with masks and overlays.
//
// A picture narrower than the list's Width is added as one image (placed at
// the top left); a wider one is cut into as many images as whole widths fit.
//
// In a form file the images are listed by resource name, in order; each
// entry is added as AddMasked with its bottom-left pixel as the transparent
// colour when the list's Masked is true (PNG pictures keep their own alpha):
//   object ImageList1: TImageList
//     Width = 16
//     Height = 16
//     Bitmaps = ('icons/kid.bmp' 'icons/adult.bmp')
//   end
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Bitmap.h"

namespace fw {

class TImageList : public TComponent {
  FW_CLASS(TImageList, TComponent)
public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;

  bool ReadProperty(const std::string& name, const TFormValue& value) override;
  void Assign(const TPersistent* Source) override;

  int Width() const { return width_; }
  void SetWidth(int v);   // changing the size clears the list
  int Height() const { return height_; }
  void SetHeight(int v);
  bool Masked() const { return masked_; }
  void SetMasked(bool v) { masked_ = v; }
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor v);  // clNone: the background shows through masked pixels
  int Count() const { return static_cast<int>(images_.size()); }

  // Adds image; mask (optional): its black pixels show, its white ones are
  // transparent. Returns the index of the first image added.
  int Add(const TBitmap* image, const TBitmap* mask);
  // Adds image with the pixels of maskColor transparent.
  int AddMasked(const TBitmap* image, TColor maskColor);
  // Loads a resource picture and adds it masked; false when there is no such resource.
  bool ResourceLoad(const std::string& resourceName, TColor maskColor);
  void Delete(int index);
  void Clear();

  // Makes image the picture of overlay mask overlayIndex (0 to 3).
  bool Overlay(int imageIndex, int overlayIndex);

  // Copies image index into bitmap (Width x Height), transparent pixels in
  // BkColor, or kept transparent when that is clNone.
  void GetBitmap(int index, TBitmap* bitmap) const;
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
  // Draws image index with overlay overlayIndex (as given to Overlay) on top.
  void DrawOverlay(TCanvas* canvas, int x, int y, int index, int overlayIndex, bool enabled = true) const;

  TNotifyEvent OnChange;

  // ---- for the ui and graphics layers: the picture of an image (ARGB).
  const TQtImage& Image(int index) const;

private:
  void CheckIndex(int index) const;
  void AddCut(const TQtImage& picture);
  void Changed();

  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  TColor bkColor_ = clNone;
  std::vector<std::unique_ptr<TQtImage>> images_;
  int overlays_[4] = {-1, -1, -1, -1};
};

}  // namespace fw
