// The explorer model's errors, the scanner that reads paths, templates and
// SQL scripts, and the small string routines used across the administrator.
//
// The scanner works on characters, not bytes: its positions are 1-based
// character indexes, and so are the positions in its messages.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Chars.h"
#include "Exceptions.h"

namespace fw {
class TList;
class TStrings;
}  // namespace fw

namespace dbx {

using fw::TChar;
using fw::TChars;

// ---------------------------------------------------------------- errors

// The model's error; carries only its message.
class EDbXError : public fw::Exception {
  FW_CLASS(EDbXError, fw::Exception)
public:
  explicit EDbXError(std::string message) : fw::Exception(std::move(message)) {}
  // "category: detail"; the category is usually "Internal error".
  EDbXError(std::string_view category, std::string_view detail);
};

// Abandons an operation quietly (a declined confirmation): nothing is shown.
class EAbortOp : public fw::EAbort {
  FW_CLASS(EAbortOp, fw::EAbort)
public:
  EAbortOp() : fw::EAbort("") {}
};

// Validation returns errors instead of raising them.
using TDbXErrorPtr = std::unique_ptr<EDbXError>;

inline constexpr std::string_view kInternalError = "Internal error";
inline constexpr std::string_view kMappingError = "Mapping error";

[[noreturn]] void RaiseDbXError(std::string message);
[[noreturn]] void RaiseDbXError(std::string_view category, std::string_view detail);
TDbXErrorPtr MakeDbXError(std::string message);
// "Operation not supported"
[[noreturn]] void RaiseNotSupported();

// ---------------------------------------------------------------- characters

// A set of characters; NUL may be a member (it stands for the end of a text).
class TCharSet {
public:
  TCharSet() = default;
  explicit TCharSet(std::u32string_view chars) : chars_(chars) {}
  bool Contains(TChar c) const { return chars_.find(c) != std::u32string::npos; }
  TCharSet With(std::u32string_view more) const { return TCharSet(chars_ + std::u32string(more)); }

private:
  std::u32string chars_;
};

const TCharSet& QuoteChars();      // " and '
const TCharSet& LineBreakChars();  // CR, LF
const TCharSet& BlankChars();      // CR, LF, space

// ---------------------------------------------------------------- scanner

class TScanner : public fw::TObject {
  FW_CLASS(TScanner, fw::TObject)
public:
  TScanner() = default;

  // Position 1 is the first character; -1 once NextItem has used up the text.
  int Position() const { return position_; }
  void SetPosition(int value) { position_ = value; }
  std::string Text() const { return fw::CharsToUtf8(text_); }
  void SetText(std::string_view text);

  const std::string& Keyword() const { return keyword_; }
  void SetKeyword(std::string_view keyword);
  TChar EscapeChar() const { return escapeChar_; }
  void SetEscapeChar(TChar c) { escapeChar_ = c; }
  TChar Terminator() const { return terminator_; }
  void SetTerminator(TChar c) { terminator_ = c; }
  bool DoubledQuotes() const { return doubledQuotes_; }
  void SetDoubledQuotes(bool on) { doubledQuotes_ = on; }

  // One line per pair: the opening text, ",", the closing text; an empty
  // closing makes the pair run to the end of its line (a line comment).
  const std::vector<std::string>& Brackets() const { return brackets_; }
  void SetBrackets(const std::vector<std::string>& lines);
  void SetBrackets(const fw::TStrings& lines);

  bool InRange(int offset = 0) const;
  bool CharInSet(int offset, const TCharSet& set) const;
  bool CharIs(int offset, TChar c) const;
  bool SkipCharInSet(const TCharSet& set);
  bool AtQuote() const { return CharInSet(0, QuoteChars()); }
  void Back() { --position_; }
  void Next() { ++position_; }
  TChar ReadChar(int advance = 1);

  // Moves to the next character of the set; false at the end (where the
  // position is one past the last character). An escaped character is not
  // looked at; the escape character stays in the text but is left out of
  // what ReadUntil, ReadQuoted and NextItem give.
  bool SkipToCharInSet(const TCharSet& set);
  // The text up to the next character of the set. With NUL in the set the
  // end of the text counts as a delimiter and the delimiter stays current;
  // without it a missing delimiter raises, and the delimiter is stepped over.
  std::string ReadUntil(const TCharSet& set);
  std::string ReadToken(const TCharSet& set);  // blanks skipped first
  void SkipQuoted();
  // The inner text as written: with doubled quotes on they stay doubled.
  std::string ReadQuoted();

  // The next item of a script, trimmed of blanks.
  std::string NextItem();

private:
  bool StepEscape();
  bool AtKeyword() const;
  bool SkipBracketPair();
  TChar At(int pos) const { return text_[static_cast<std::size_t>(pos - 1)]; }
  int Length() const { return static_cast<int>(text_.size()); }
  // [from, to) without the escapes that reading stepped over
  TChars SliceChars(int from, int to) const;
  std::string Slice(int from, int to) const;

  int position_ = 1;
  std::string keyword_;
  TChars keywordChars_;
  TChars text_;
  TChar escapeChar_ = 0;
  TChar terminator_ = 0;
  bool doubledQuotes_ = false;
  std::vector<std::string> brackets_;
  std::vector<TChars> openings_;
  std::vector<TChars> closings_;
  std::vector<int> escapes_;  // positions of the escapes of the current read, ascending
};

// Whether word stands in text at the 1-based position; ignoreCase compares
// the upper-case forms.
bool MatchAt(std::u32string_view word, std::u32string_view text, int position, bool ignoreCase);

// ---------------------------------------------------------------- string routines

// Cuts text at every character of the set: "" gives no items, "a,,b" three,
// "a," one.
std::vector<std::string> SplitByChars(std::string_view text, const TCharSet& set);
std::string JoinStrings(std::span<const std::string> list, TChar separator);

// 0-based position of text in the list (ASCII letters compared without regard
// to case), or -1.
int IndexInList(std::string_view text, std::span<const std::string_view> list);
int IndexInList(std::string_view text, std::initializer_list<std::string_view> list);
int IndexInListOrRaise(std::string_view text, std::span<const std::string_view> list);
int IndexInListOrRaise(std::string_view text, std::initializer_list<std::string_view> list);

// "" gives NUL, "x" that character, "#9" code 9, "'x'" its first character;
// anything else, and a code that is no character, NUL. Never raises.
TChar CharFromLiteral(std::string_view text);
// NUL gives "#0", codes below 33 "#" and the code, others the character.
std::string CharToLiteral(TChar c);

std::string QuoteString(std::string_view text);    // "..." with inner quotes doubled
std::string UnquoteDouble(std::string_view text);  // the inverse, for a quoted text

std::string TextBefore(std::string_view text, TChar c);  // all of it when c is absent
std::string TextAfter(std::string_view text, TChar c);   // empty when c is absent
inline std::string NamePart(std::string_view text) { return TextBefore(text, '='); }
inline std::string ValuePart(std::string_view text) { return TextAfter(text, '='); }
// Returns the text before the first ":" and leaves in text what follows it.
std::string PopField(std::string& text);

std::string RemoveChars(std::string_view text, const TCharSet& set);
// Whether a character of the set occurs from the 1-based character start on.
bool ContainsCharOf(std::string_view text, int start, const TCharSet& set);

inline int MaxInt2(int a, int b) { return a > b ? a : b; }
inline int MinInt2(int a, int b) { return a < b ? a : b; }

// Lists whose items (a string list's objects) the holder owns: each item is
// freed, the last first, and the list emptied; the unique_ptr forms free the
// list as well.
void ClearObjectList(fw::TList& list);
void FreeListAndItems(std::unique_ptr<fw::TList>& list);
void FreeStringListObjects(fw::TStrings& list);
void FreeListItemsAndList(std::unique_ptr<fw::TStrings>& list);

// The text up to its first NUL in the engine locale's character set. Both
// sides are UTF-8 here, so the text passes unchanged; the locale is the
// engine's handle, kept for the callers that name one.
std::string NativeFromAnsi(std::uint32_t locale, std::string_view text);

}  // namespace dbx
