// The picture validator: checks a text against a picture mask of the native
// desktop table format, while the user types (filling in the picture's
// literal characters) and when a whole value is committed. Callers make one
// for a check and free it at once; it keeps nothing between calls but whether
// the picture is well-formed.
//
// Picture items: # digit, ? letter, & letter upper-cased, ~ letter
// lower-cased, ! any character upper-cased, @ any character, ;c the literal c,
// *n item (exactly n times; without n any number of times), [..] optional
// group, {..} group, ',' between alternatives; any other character stands for
// itself, matched without regard to ASCII case.
//
// Text is UTF-8; positions, lengths and counts are characters, and letters
// and case are those of every alphabet, not only ASCII.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "Chars.h"
#include "Object.h"

namespace vx {

enum TvxPicResult : std::uint8_t {
  prComplete,      // the input satisfies the whole picture
  prIncomplete,    // a valid prefix; more characters are required
  prEmpty,         // the input is empty
  prError,         // the input cannot match
  prSyntax,        // the picture itself is malformed
  prAmbiguous,     // inside the matcher only: complete, but the picture could take more
  prIncompNoFill,  // inside the matcher only: incomplete, and literals must not be filled in
};

class TvxPictureValidator : public fw::TObject {
  FW_CLASS(TvxPictureValidator, fw::TObject)
public:
  // Bits of Options.
  static constexpr std::uint16_t voFill = 1;     // fill in literals while typing
  static constexpr std::uint16_t voDefault = 4;  // always set

  TvxPictureValidator(const std::string& APicture, bool AutoFill);

  // False only when S cannot match; S may gain filled-in literals and change case.
  virtual bool IsValidInput(std::string& S, bool SuppressFill);
  // True when S is complete or empty; false for a malformed picture.
  virtual bool IsValid(const std::string& S);
  // Matches Input, rewriting each consumed character as the picture makes it
  // and, with AutoFill, appending the literals that follow. Never gives
  // prAmbiguous or prIncompNoFill.
  virtual TvxPicResult Picture(std::string& Input, bool AutoFill);

  // The most steps one Picture call may take. Nested counted repetitions
  // take time exponential in the nesting; a picture that needs more than
  // any real one is answered as malformed (prSyntax).
  static constexpr std::size_t MaxSteps = 1000000;
  // The steps the last Picture call took.
  std::size_t Steps() const { return Steps_; }

  bool isSyntaxError() const { return Status_ == 1; }
  std::uint16_t Status() const { return Status_; }  // 0 accepted, 1 syntax error
  std::uint16_t Options() const { return Options_; }
  const std::string& Pic() const { return Pic_; }

private:
  std::uint16_t Status_ = 0;
  std::uint16_t Options_ = voDefault;
  std::size_t Steps_ = 0;
  std::string Pic_;
  fw::TChars PicChars_;
};

}  // namespace vx
