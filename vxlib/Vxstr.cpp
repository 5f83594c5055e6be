#include "Vxstr.h"

#include <algorithm>

#include "Strings.h"
#include "Text.h"

using namespace fw;

namespace vx {

namespace {

bool InRange(int pos, std::size_t length) { return pos >= 1 && static_cast<std::size_t>(pos) <= length; }

void UpperChars(TChars& s) {
  for (TChar& c : s) c = CharUpper(c);
}

}  // namespace

const TvxCharSet& strWhiteSpace() {
  static const TvxCharSet set("\t ");
  return set;
}

void strGetToken(const std::string& S, const std::string& Sep, int& Pos, std::string& Token) {
  Token.clear();
  const TChars s = Utf8ToChars(S);
  // Past the end (after a trailing separator, or in an empty text) is the
  // end: callers loop until -1.
  if (Pos > 0 && static_cast<std::size_t>(Pos) > s.size()) Pos = -1;
  if (!InRange(Pos, s.size())) return;
  const TChars rest = s.substr(static_cast<std::size_t>(Pos) - 1);
  TChars sep = Utf8ToChars(Sep);
  std::size_t p = TChars::npos;
  if (sep.size() == 1) {
    p = rest.find(sep);
  } else if (sep.size() > 1) {
    sep = U" " + sep + U" ";
    UpperChars(sep);
    TChars upper = rest;
    UpperChars(upper);
    p = upper.find(sep);
  }
  if (p == TChars::npos) {
    Token = CharsToUtf8(rest);
    Pos = -1;
    return;
  }
  Token = CharsToUtf8(rest.substr(0, p));
  Pos += static_cast<int>(p + sep.size());
}

void strBreakApart(const std::string& S, const std::string& Sep, TStrings* List) {
  List->Clear();
  const TChars sep = Utf8ToChars(Sep);
  TChars rest = Utf8ToChars(S);
  for (;;) {
    std::size_t p = sep.empty() ? TChars::npos : rest.find(sep);
    if (p == TChars::npos) break;
    List->Add(CharsToUtf8(rest.substr(0, p)));
    rest.erase(0, p + 1);
  }
  List->Add(CharsToUtf8(rest));
}

void strStripWhiteSpace(std::string& S) {
  strStripPreceding(S, strWhiteSpace());
  strStripTrailing(S, strWhiteSpace());
}

void strStripPreceding(std::string& S, const TvxCharSet& Set) {
  const TChars s = Utf8ToChars(S);
  auto first = std::find_if(s.begin(), s.end(), [&](TChar c) { return !Set.Contains(c); });
  S = CharsToUtf8(TChars(first, s.end()));
}

void strStripTrailing(std::string& S, const TvxCharSet& Set) {
  TChars s = Utf8ToChars(S);
  while (!s.empty() && Set.Contains(s.back())) s.pop_back();
  S = CharsToUtf8(s);
}

std::string strRemoveChar(const std::string& S, TChar C) {
  TChars s = Utf8ToChars(S);
  std::erase(s, C);
  return CharsToUtf8(s);
}

std::string strReplaceChar(const std::string& S, TChar C, TChar R) {
  TChars s = Utf8ToChars(S);
  std::replace(s.begin(), s.end(), C, R);
  return CharsToUtf8(s);
}

std::string strReplaceCharWithStr(const std::string& S, TChar C, const std::string& T) {
  std::string out;
  for (TChar c : Utf8ToChars(S)) out += c == C ? T : CharToUtf8(c);
  return out;
}

bool vxEqualStr(const std::string& A, const std::string& B) { return SameText(A, B); }

int strCount(const std::string& S, TChar C) {
  const TChars s = Utf8ToChars(S);
  return static_cast<int>(std::count(s.begin(), s.end(), C));
}

std::string strTrailing(const std::string& S, TChar C) {
  const TChars s = Utf8ToChars(S);
  std::size_t p = s.find(C);
  return p == TChars::npos ? std::string() : CharsToUtf8(s.substr(p + 1));
}

std::string vxGetWord(const std::string& S, int& Pos, TvxGetWordOptions Options, const TvxCharSet& Delimiters) {
  const TChars s = Utf8ToChars(S);
  if (!InRange(Pos, s.size())) return {};
  std::size_t k = static_cast<std::size_t>(Pos) - 1;  // 0-based from here
  if (Options.Contains(vxgwSkipLeadingBlanks)) {
    while (k < s.size() && (s[k] == ' ' || s[k] == '\t')) ++k;
    Pos = static_cast<int>(k + 1);
    if (k >= s.size()) return {};
  }
  TChars word;
  if (Options.Contains(vxgwQuotesAsWords) && s[k] == '"') {
    std::size_t close = s.find(U'"', k + 1);
    std::size_t end = close == TChars::npos ? s.size() : close + 1;
    word = s.substr(k, end - k);
    Pos = static_cast<int>(end + 1);
    if (Options.Contains(vxgwStripQuotes)) {
      auto isQuote = [](TChar c) { return c == '"' || c == '\''; };
      if (!word.empty() && isQuote(word.front())) word.erase(0, 1);
      if (!word.empty() && isQuote(word.back())) word.pop_back();
    }
    return CharsToUtf8(word);
  }
  std::size_t stop = k;
  while (stop < s.size() && s[stop] >= '!' && !Delimiters.Contains(s[stop])) ++stop;
  // A stop character met at once is a word of its own; otherwise Pos stays on
  // it, so that the next call gives it.
  if (stop == k) {
    Pos = static_cast<int>(k + 2);
    return CharToUtf8(s[k]);
  }
  Pos = static_cast<int>(stop + 1);
  return CharsToUtf8(s.substr(k, stop - k));
}

}  // namespace vx
