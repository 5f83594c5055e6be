// String routines that the library's list formats and parsers lean on:
// tokens, words, stripping, replacing and counting. Positions are 1-based and
// count characters; text is UTF-8.
#pragma once
#include <string>
#include <string_view>

#include "Chars.h"
#include "Object.h"

namespace fw {
class TStrings;
}

namespace vx {

// A set of characters: what the routines strip or stop at.
class TvxCharSet {
public:
  TvxCharSet() = default;
  // Each character of the UTF-8 text is a member.
  TvxCharSet(std::string_view members) : members_(fw::Utf8ToChars(members)) {}
  bool Contains(fw::TChar c) const { return members_.find(c) != fw::TChars::npos; }

private:
  fw::TChars members_;
};

// TAB and blank.
const TvxCharSet& strWhiteSpace();

FW_ENUM(TvxGetWordOption, vxgwSkipLeadingBlanks, vxgwQuotesAsWords, vxgwStripQuotes)
using TvxGetWordOptions = fw::TFlags<TvxGetWordOption>;

// The token of S from Pos up to Sep, and Pos moved past Sep; -1 when Sep was
// not found (the token is then the rest). A Sep of more than one character is
// a word: it matches as " Sep " without regard to case. Pos past the end of
// S gives an empty token and -1; Pos below 1 gives an empty token.
void strGetToken(const std::string& S, const std::string& Sep, int& Pos, std::string& Token);
// List gets the parts of S between occurrences of Sep; an empty S gives one empty line.
void strBreakApart(const std::string& S, const std::string& Sep, fw::TStrings* List);

void strStripWhiteSpace(std::string& S);
void strStripPreceding(std::string& S, const TvxCharSet& Set);
void strStripTrailing(std::string& S, const TvxCharSet& Set);
std::string strRemoveChar(const std::string& S, fw::TChar C);
std::string strReplaceChar(const std::string& S, fw::TChar C, fw::TChar R);
std::string strReplaceCharWithStr(const std::string& S, fw::TChar C, const std::string& T);
// Equal after upper-casing the ASCII letters.
bool vxEqualStr(const std::string& A, const std::string& B);
int strCount(const std::string& S, fw::TChar C);
// The text after the first C; empty when there is none.
std::string strTrailing(const std::string& S, fw::TChar C);

// The next word of S at Pos, and Pos moved past it: a quoted text (with
// vxgwQuotesAsWords), or a run of characters above the blank that are not in
// Delimiters (Pos then stays on the character that ended it), or else the one
// character at Pos.
std::string vxGetWord(const std::string& S, int& Pos, TvxGetWordOptions Options, const TvxCharSet& Delimiters);

}  // namespace vx
