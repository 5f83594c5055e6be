#include "DbXUtils.h"

#include <algorithm>
#include <charconv>

#include "Lists.h"
#include "Strings.h"
#include "Text.h"

namespace dbx {

using namespace std::string_view_literals;

// ---------------------------------------------------------------- errors

EDbXError::EDbXError(std::string_view category, std::string_view detail)
    : fw::Exception(std::string(category) + ": " + std::string(detail)) {}

FW_IMPLEMENT_CLASS(EDbXError)
FW_IMPLEMENT_CLASS(EAbortOp)

void RaiseDbXError(std::string message) { throw EDbXError(std::move(message)); }

void RaiseDbXError(std::string_view category, std::string_view detail) { throw EDbXError(category, detail); }

TDbXErrorPtr MakeDbXError(std::string message) { return std::make_unique<EDbXError>(std::move(message)); }

void RaiseNotSupported() { RaiseDbXError("Operation not supported"); }

// ---------------------------------------------------------------- characters

const TCharSet& QuoteChars() {
  static const TCharSet s(U"\"'"sv);
  return s;
}

const TCharSet& LineBreakChars() {
  static const TCharSet s(U"\r\n"sv);
  return s;
}

const TCharSet& BlankChars() {
  static const TCharSet s(U"\r\n "sv);
  return s;
}

namespace {

TChars TrimBlanks(const TChars& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && BlankChars().Contains(s[b])) ++b;
  while (e > b && BlankChars().Contains(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string MissingClosing(std::string_view closing, int start) {
  return "A closing " + std::string(closing) + " is missing after character " + std::to_string(start);
}

}  // namespace

bool MatchAt(std::u32string_view word, std::u32string_view text, int position, bool ignoreCase) {
  if (position < 1) return false;
  auto from = static_cast<std::size_t>(position - 1);
  if (from + word.size() > text.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    TChar a = word[i], b = text[from + i];
    if (ignoreCase) {
      a = fw::CharUpper(a);
      b = fw::CharUpper(b);
    }
    if (a != b) return false;
  }
  return true;
}

// ---------------------------------------------------------------- scanner

FW_IMPLEMENT_CLASS(TScanner)

void TScanner::SetText(std::string_view text) {
  text_ = fw::Utf8ToChars(text);
  position_ = 1;
}

void TScanner::SetKeyword(std::string_view keyword) {
  keyword_ = keyword;
  keywordChars_ = fw::Utf8ToChars(keyword);
}

void TScanner::SetBrackets(const std::vector<std::string>& lines) {
  if (lines == brackets_) return;
  brackets_ = lines;
  openings_.clear();
  closings_.clear();
  for (const std::string& line : brackets_) {
    openings_.push_back(fw::Utf8ToChars(TextBefore(line, ',')));
    closings_.push_back(fw::Utf8ToChars(TextAfter(line, ',')));
  }
}

void TScanner::SetBrackets(const fw::TStrings& lines) {
  std::vector<std::string> copy;
  for (int i = 0; i < lines.Count(); ++i) copy.push_back(lines.Strings(i));
  SetBrackets(copy);
}

bool TScanner::InRange(int offset) const {
  int p = position_ + offset;
  return p >= 1 && p <= Length();
}

bool TScanner::CharInSet(int offset, const TCharSet& set) const {
  return InRange(offset) && set.Contains(At(position_ + offset));
}

bool TScanner::CharIs(int offset, TChar c) const { return InRange(offset) && At(position_ + offset) == c; }

bool TScanner::SkipCharInSet(const TCharSet& set) {
  if (!CharInSet(0, set)) return false;
  Next();
  return true;
}

TChar TScanner::ReadChar(int advance) {
  TChar c = InRange() ? At(position_) : 0;
  position_ += advance;
  return c;
}

TChars TScanner::SliceChars(int from, int to) const {
  if (from < 1) from = 1;
  if (to > Length() + 1) to = Length() + 1;
  TChars chars;
  for (int pos = from; pos < to; ++pos)
    if (!std::binary_search(escapes_.begin(), escapes_.end(), pos)) chars += At(pos);
  return chars;
}

std::string TScanner::Slice(int from, int to) const { return fw::CharsToUtf8(SliceChars(from, to)); }

// The escape stays in the text, so that a second run reads what the first
// did; it is only left out of what is read. One at the end of the text has
// nothing to make ordinary.
bool TScanner::StepEscape() {
  if (escapeChar_ == 0 || !CharIs(0, escapeChar_)) return false;
  if (escapes_.empty() || escapes_.back() < position_) escapes_.push_back(position_);
  position_ += InRange(1) ? 2 : 1;
  return true;
}

bool TScanner::SkipToCharInSet(const TCharSet& set) {
  while (InRange()) {
    if (StepEscape()) continue;
    if (set.Contains(At(position_))) return true;
    Next();
  }
  return false;
}

std::string TScanner::ReadUntil(const TCharSet& set) {
  escapes_.clear();
  int start = position_;
  bool endIsDelimiter = set.Contains(0);
  bool found = SkipToCharInSet(set);
  if (!found && !endIsDelimiter)
    RaiseDbXError(kMappingError, "Token not found: " + Slice(start, Length() + 1));
  std::string result = Slice(start, position_);
  if (!endIsDelimiter) Next();
  return result;
}

std::string TScanner::ReadToken(const TCharSet& set) {
  while (SkipCharInSet(BlankChars())) {
  }
  return ReadUntil(set);
}

void TScanner::SkipQuoted() {
  int start = position_;
  TChar quote = ReadChar();
  while (InRange()) {
    if (StepEscape()) continue;
    if (At(position_) == quote) {
      if (doubledQuotes_ && CharIs(1, quote)) {
        position_ += 2;
        continue;
      }
      Next();
      return;
    }
    Next();
  }
  RaiseDbXError(MissingClosing(fw::CharToUtf8(quote), start));
}

std::string TScanner::ReadQuoted() {
  escapes_.clear();
  int start = position_;
  SkipQuoted();
  return Slice(start + 1, position_ - 1);
}

bool TScanner::AtKeyword() const {
  if (keywordChars_.empty()) return false;
  if (position_ != 1 && !(InRange(-1) && LineBreakChars().Contains(At(position_ - 1)))) return false;
  if (!CharInSet(static_cast<int>(keywordChars_.size()), LineBreakChars())) return false;
  return MatchAt(keywordChars_, text_, position_, true);
}

bool TScanner::SkipBracketPair() {
  for (std::size_t i = 0; i < openings_.size(); ++i) {
    const TChars& opening = openings_[i];
    if (opening.empty() || !MatchAt(opening, text_, position_, false)) continue;
    int start = position_;
    position_ += static_cast<int>(opening.size());
    const TChars& closing = closings_[i];
    if (closing.empty()) {
      while (InRange() && !LineBreakChars().Contains(At(position_))) Next();
      while (SkipCharInSet(LineBreakChars())) {
      }
      return true;
    }
    while (!MatchAt(closing, text_, position_, false)) {
      if (!InRange()) RaiseDbXError(MissingClosing(fw::CharsToUtf8(closing), start));
      Next();
    }
    position_ += static_cast<int>(closing.size());
    return true;
  }
  return false;
}

std::string TScanner::NextItem() {
  if (position_ == -1) return {};
  // a run started again (from 0 or 1) reads from the start; one past the
  // text has nothing left
  if (position_ < 1) position_ = 1;
  if (position_ > Length()) {
    position_ = -1;
    return {};
  }
  escapes_.clear();
  int start = position_;
  int stop = -1;
  while (InRange()) {
    if (StepEscape()) continue;
    TChar c = At(position_);
    if (terminator_ != 0 && c == terminator_) {
      stop = position_;
      Next();
      break;
    }
    if (AtKeyword()) {
      stop = position_;
      position_ += static_cast<int>(keywordChars_.size()) + 1;
      break;
    }
    if (QuoteChars().Contains(c)) {
      SkipQuoted();
      continue;
    }
    if (SkipBracketPair()) continue;
    Next();
  }
  TChars item = SliceChars(start, stop == -1 ? Length() + 1 : stop);
  if (stop == -1) position_ = -1;
  return fw::CharsToUtf8(TrimBlanks(item));
}

// ---------------------------------------------------------------- string routines

std::vector<std::string> SplitByChars(std::string_view text, const TCharSet& set) {
  std::vector<std::string> list;
  TChars current;
  for (TChar c : fw::Utf8ToChars(text)) {
    if (set.Contains(c)) {
      list.push_back(fw::CharsToUtf8(current));
      current.clear();
    } else {
      current += c;
    }
  }
  // A separator at the end leaves current empty: no empty last item.
  if (!current.empty()) list.push_back(fw::CharsToUtf8(current));
  return list;
}

std::string JoinStrings(std::span<const std::string> list, TChar separator) {
  std::string result;
  std::string sep = fw::CharToUtf8(separator);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) result += sep;
    result += list[i];
  }
  return result;
}

int IndexInList(std::string_view text, std::span<const std::string_view> list) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (fw::SameText(text, list[i])) return static_cast<int>(i);
  return -1;
}

int IndexInList(std::string_view text, std::initializer_list<std::string_view> list) {
  return IndexInList(text, std::span<const std::string_view>(list.begin(), list.size()));
}

int IndexInListOrRaise(std::string_view text, std::span<const std::string_view> list) {
  int i = IndexInList(text, list);
  if (i < 0) RaiseDbXError(kMappingError, std::string(text) + " not found in string list");
  return i;
}

int IndexInListOrRaise(std::string_view text, std::initializer_list<std::string_view> list) {
  return IndexInListOrRaise(text, std::span<const std::string_view>(list.begin(), list.size()));
}

TChar CharFromLiteral(std::string_view text) {
  TChars c = fw::Utf8ToChars(text);
  if (c.empty()) return 0;
  if (c.size() == 1) return c[0];
  if (c[0] == U'#') {
    std::string_view digits = text.substr(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    // A stored setting must load whatever it holds: a code that is no
    // character gives none.
    std::uint32_t code = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    bool character = ec == std::errc() && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return character ? static_cast<TChar>(code) : TChar(0);
  }
  if (c[0] == U'\'') {
    if (c[1] != U'\'') return c[1];
    // a doubled quote stands for one; a quote that closes at once is an empty text
    return c.size() > 2 && c[2] == U'\'' ? U'\'' : 0;
  }
  return 0;
}

std::string CharToLiteral(TChar c) {
  if (c < 33) return "#" + std::to_string(static_cast<unsigned>(c));
  return fw::CharToUtf8(c);
}

std::string QuoteString(std::string_view text) {
  std::string r = "\"";
  for (char c : text) {
    if (c == '"') r += '"';
    r += c;
  }
  r += '"';
  return r;
}

std::string UnquoteDouble(std::string_view text) {
  if (text.empty() || text[0] != '"') return std::string(text);
  std::string r;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        r += '"';
        ++i;
        continue;
      }
      break;
    }
    r += text[i];
  }
  return r;
}

std::string TextBefore(std::string_view text, TChar c) {
  std::size_t p = text.find(fw::CharToUtf8(c));
  return std::string(p == std::string_view::npos ? text : text.substr(0, p));
}

std::string TextAfter(std::string_view text, TChar c) {
  std::string sep = fw::CharToUtf8(c);
  std::size_t p = text.find(sep);
  return p == std::string_view::npos ? std::string() : std::string(text.substr(p + sep.size()));
}

std::string PopField(std::string& text) {
  std::string field = TextBefore(text, ':');
  text = TextAfter(text, ':');
  return field;
}

std::string RemoveChars(std::string_view text, const TCharSet& set) {
  TChars r;
  for (TChar c : fw::Utf8ToChars(text))
    if (!set.Contains(c)) r += c;
  return fw::CharsToUtf8(r);
}

bool ContainsCharOf(std::string_view text, int start, const TCharSet& set) {
  TChars c = fw::Utf8ToChars(text);
  for (std::size_t i = start < 1 ? 0 : static_cast<std::size_t>(start - 1); i < c.size(); ++i)
    if (set.Contains(c[i])) return true;
  return false;
}

void ClearObjectList(fw::TList& list) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    std::unique_ptr<fw::TObject> item(static_cast<fw::TObject*>(list.Items(i)));
    list.Delete(i);
  }
}

void FreeListAndItems(std::unique_ptr<fw::TList>& list) {
  if (!list) return;
  ClearObjectList(*list);
  list.reset();
}

void FreeStringListObjects(fw::TStrings& list) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    std::unique_ptr<fw::TObject> item(list.Objects(i));
    list.SetObjects(i, nullptr);
  }
  list.Clear();
}

void FreeListItemsAndList(std::unique_ptr<fw::TStrings>& list) {
  if (!list) return;
  FreeStringListObjects(*list);
  list.reset();
}

std::string NativeFromAnsi(std::uint32_t /*locale*/, std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace dbx
