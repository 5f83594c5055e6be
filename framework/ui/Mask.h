// The masked edit's base. An edit mask (the EditMask of a field or of the
// edit) is kept and handed on, but no field of the programs has one, so the
// mask language itself is not interpreted: a masked edit types, checks and
// validates like a plain one.
#pragma once
#include <string>

#include "Exceptions.h"
#include "StdCtrls.h"

namespace fw {

// A value that does not fit the edit's mask.
FW_EXCEPTION(EDBEditError, Exception)

class TCustomMaskEdit : public TCustomEdit {
  FW_CLASS(TCustomMaskEdit, TCustomEdit)
public:
  using TCustomEdit::TCustomEdit;

  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& v) { editMask_ = v; }
  bool IsMasked() const { return !editMask_.empty(); }
  // The text as edited, literals of a mask included.
  std::string EditText() const { return Text(); }
  void SetEditText(const std::string& v) { SetText(v); }
  // Raises EDBEditError for a text that does not fit the mask.
  virtual void ValidateEdit() {}
  // Whether the text may be changed now; the data-aware edits ask their field.
  virtual bool EditCanModify() { return true; }
  // Drops the change under way.
  virtual void Reset() {}

private:
  std::string editMask_;
};

}  // namespace fw
