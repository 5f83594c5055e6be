#include "Vxpict.h"

#include <cstddef>

#include "Scope.h"

using namespace fw;

namespace vx {

FW_IMPLEMENT_CLASS(TvxPictureValidator)

namespace {

// A repetition count is one byte in stored pictures; more is a malformed picture.
constexpr std::size_t kMaxCount = 255;
// Groups open at once. The matcher recurses once a level, so a picture from a
// table file must not be able to run it out of stack.
constexpr std::size_t kMaxNesting = 255;
// The same guard for what the nesting count does not see (chains of '*').
constexpr std::size_t kMaxDepth = 4 * kMaxNesting;

// Thrown when a call has used its steps up; Picture answers prSyntax.
struct TOutOfSteps {};

bool IsComplete(TvxPicResult r) { return r == prComplete || r == prAmbiguous; }
bool IsIncomplete(TvxPicResult r) { return r == prIncomplete || r == prIncompNoFill; }
TChar AsciiUpper(TChar c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

bool SyntaxOk(const TChars& p) {
  const std::size_t n = p.size();
  if (n == 0 || p[n - 1] == ';') return false;
  if (p[n - 1] == '*' && (n < 2 || p[n - 2] != ';')) return false;
  long brackets = 0, braces = 0;
  for (std::size_t k = 0; k < n; ++k) {
    switch (p[k]) {
      case ';': ++k; break;
      case '[': ++brackets; break;
      case ']': --brackets; break;
      case '{': ++braces; break;
      case '}': --braces; break;
      case '*': {
        std::size_t count = 0;
        while (k + 1 < n && IsDigit(p[k + 1])) {
          count = count * 10 + (p[k + 1] - '0');
          if (count > kMaxCount) return false;
          ++k;
        }
        break;
      }
      default: break;
    }
    if (brackets + braces > static_cast<long>(kMaxNesting)) return false;
  }
  return brackets == 0 && braces == 0;
}

// Characters at which filling in literals stops: the picture's items.
bool StopsFill(TChar c) {
  switch (c) {
    case 0: case '!': case '#': case '&': case '*': case ',': case '?':
    case '@': case '[': case ']': case '{': case '}': case '~':
      return true;
    default:
      return false;
  }
}

// One match of an input against a picture. I walks the picture and J the
// input, both 1-based; every scan stops at a bound `term` (a group's closing
// bracket, or one past the end of the picture). Reading the picture goes
// through At, which gives 0 outside it, so odd pictures cannot read past it.
class TMatcher {
public:
  TMatcher(const TChars& pic, TChars& input) : pic_(pic), input_(input) {}

  std::size_t I = 1;
  std::size_t J = 1;
  bool TooDeep = false;
  std::size_t Steps = 0;

  TvxPicResult Process(std::size_t term) {
    TDepth depth(*this);
    if (TooDeep) return prSyntax;
    bool incomp = false, spaceUsed = false;
    std::size_t oldI = I, oldJ = J, incompI = 0, incompJ = 0;
    TvxPicResult r;
    do {
      Step();
      r = Scan(term, spaceUsed);
      // A completion counts only if it got as far as the first incomplete alternative.
      if (IsComplete(r) && incomp && J < incompJ) {
        J = incompJ;
        r = prIncomplete;
      }
      if (r == prError || r == prIncomplete) {
        TvxPicResult kept = r;
        if (r == prIncomplete && !incomp) {
          incomp = true;
          incompI = I;
          incompJ = J;
        }
        I = oldI;
        J = oldJ;
        if (!SkipToComma(term)) {
          if (!incomp) return kept;
          I = incompI;
          J = incompJ;
          return prIncomplete;
        }
        oldI = I;
      }
    } while (r == prError || r == prIncomplete);
    return r == prComplete && incomp ? prAmbiguous : r;
  }

private:
  struct TDepth {
    explicit TDepth(TMatcher& m) : m_(m) {
      if (++m_.depth_ > kMaxDepth) m_.TooDeep = true;
    }
    ~TDepth() { --m_.depth_; }
    TDepth(const TDepth&) = delete;
    TDepth& operator=(const TDepth&) = delete;
    TMatcher& m_;
  };

  TChar At(std::size_t k) const { return k >= 1 && k <= pic_.size() ? pic_[k - 1] : 0; }

  // Every loop of the matcher takes a step: nested repetitions can otherwise
  // take time exponential in the nesting.
  void Step() {
    if (++Steps > TvxPictureValidator::MaxSteps) throw TOutOfSteps{};
  }

  void Consume(TChar c) {
    input_[J - 1] = c;
    ++J;
    ++I;
  }

  // Moves k past one item or group.
  void ToGroupEnd(std::size_t& k, std::size_t term) {
    TDepth depth(*this);
    if (TooDeep) {
      k = term;
      return;
    }
    long brackets = 0, braces = 0;
    do {
      Step();
      if (k >= term) return;
      switch (At(k)) {
        case '[': ++brackets; ++k; break;
        case ']': --brackets; ++k; break;
        case '{': ++braces; ++k; break;
        case '}': --braces; ++k; break;
        case ';': k += 2; break;
        case '*':
          ++k;
          while (IsDigit(At(k))) ++k;
          ToGroupEnd(k, term);
          break;
        default: ++k; break;
      }
    } while (brackets > 0 || braces > 0);
  }

  std::size_t CalcTerm(std::size_t term) {
    std::size_t k = I;
    ToGroupEnd(k, term);
    return k;
  }

  // Moves I to the next alternative; false when there is none.
  bool SkipToComma(std::size_t term) {
    do ToGroupEnd(I, term);
    while (I < term && At(I) != ',');
    if (At(I) == ',') ++I;
    return I < term;
  }

  TvxPicResult Group(std::size_t term) {
    std::size_t t = CalcTerm(term);
    ++I;
    TvxPicResult r = Process(t - 1);
    if (!IsIncomplete(r)) I = t;
    return r;
  }

  TvxPicResult Iteration(std::size_t term) {
    ++I;
    std::size_t n = 0;
    while (IsDigit(At(I))) {
      n = n * 10 + (At(I) - '0');
      if (n > kMaxCount) return prSyntax;
      ++I;
    }
    if (I > term) return prSyntax;
    const std::size_t k = I;
    const std::size_t t = CalcTerm(term);
    TvxPicResult r = prComplete;
    if (n > 0) {
      for (std::size_t pass = 0; pass < n; ++pass) {
        Step();
        I = k;
        r = Process(t);
        if (!IsComplete(r)) {
          // Every repetition is required, unless each is an optional group.
          if (r == prEmpty) r = At(I) == '[' ? prComplete : prIncomplete;
          return r;
        }
      }
    } else {
      bool advanced;
      do {
        Step();
        I = k;
        std::size_t before = J;
        r = Process(t);
        advanced = J > before;
      } while (IsComplete(r) && advanced);
      if (r == prEmpty || r == prError) r = prAmbiguous;
    }
    I = t;
    return r;
  }

  // True when nothing but optional items lies between p and bound.
  bool SkipOptional(std::size_t p, std::size_t bound) {
    if (p >= bound) return true;  // an empty alternative
    do {
      Step();
      TChar c = At(p);
      if (c == '*') {
        if (!IsDigit(At(p + 1))) {
          ++p;
          ToGroupEnd(p, bound);
        } else if (At(p + 2) == '[' && p + 2 < bound) {
          p += 2;
          ToGroupEnd(p, bound);
        } else {
          break;
        }
      } else if (c == ',') {
        p = PastBraceGroup(p, bound);
      } else if (c == '[') {
        ToGroupEnd(p, bound);
      } else if (c == '{') {
        std::size_t end = p;
        ToGroupEnd(end, bound);
        if (!AnyAlternativeSkippable(p, end)) break;
        p = end;
      } else {
        return false;
      }
    } while (p < bound);
    return p >= bound;
  }

  // From a ',' to just past the '}' that closes the enclosing group.
  std::size_t PastBraceGroup(std::size_t p, std::size_t bound) {
    long level = 1;
    ++p;
    while (p < bound) {
      Step();
      switch (At(p)) {
        case '{': ++level; ++p; break;
        case '}':
          ++p;
          if (--level == 0) return p;
          break;
        case ';': p += 2; break;
        case '*':
          ++p;
          while (IsDigit(At(p))) ++p;
          ToGroupEnd(p, bound);
          break;
        default: ++p; break;
      }
    }
    return p;
  }

  // The brace group from open to end (exclusive) can be passed over when one
  // of its alternatives can. Each alternative is walked up to the ',' or '}'
  // after it, so its last character is required like any other.
  bool AnyAlternativeSkippable(std::size_t open, std::size_t end) {
    std::size_t inner = end > open + 1 && At(end - 1) == '}' ? end - 1 : end;
    std::size_t a = open + 1;
    for (;;) {
      Step();
      std::size_t k = a;
      while (k < inner && At(k) != ',') ToGroupEnd(k, inner);
      if (SkipOptional(a, k)) return true;
      if (k >= inner) return false;
      a = k + 1;
    }
  }

  TvxPicResult CheckComplete(TvxPicResult r, std::size_t term) {
    if (!IsIncomplete(r)) return r;
    return SkipOptional(I, term) ? prAmbiguous : r;
  }

  TvxPicResult Scan(std::size_t term, bool& spaceUsed) {
    TvxPicResult r = prEmpty;
    while (I < term && At(I) != ',') {
      Step();
      if (J > input_.size()) return CheckComplete(r, term);
      const TChar ch = input_[J - 1];
      switch (At(I)) {
        case '#':
          if (!IsDigit(ch)) return prError;
          Consume(ch);
          break;
        case '?':
          if (!IsLetter(ch)) return prError;
          Consume(ch);
          break;
        case '&':
          if (!IsLetter(ch)) return prError;
          Consume(CharUpper(ch));
          break;
        case '~':
          if (!IsLetter(ch)) return prError;
          Consume(CharLower(ch));
          break;
        case '!': Consume(CharUpper(ch)); break;
        case '@': Consume(ch); break;
        case '*':
          r = Iteration(term);
          if (!IsComplete(r)) return r;
          break;
        case '{':
          r = Group(term);
          if (!IsComplete(r)) return r;
          break;
        case '[':
          r = Group(term);
          if (IsIncomplete(r)) return r;
          if (r == prError) r = prAmbiguous;
          break;
        default: {
          if (At(I) == ';') ++I;
          const TChar lit = At(I);
          const bool last = J == input_.size();
          if (AsciiUpper(lit) != AsciiUpper(ch)) {
            // A blank typed last stands for the literal.
            if (ch != ' ' || spaceUsed || !last) return prError;
          } else if (ch == ' ' && last) {
            spaceUsed = true;
          }
          Consume(lit);
          break;
        }
      }
      r = r == prAmbiguous ? prIncompNoFill : prIncomplete;
    }
    return r == prIncompNoFill ? prAmbiguous : prComplete;
  }

  const TChars& pic_;
  TChars& input_;
  std::size_t depth_ = 0;
};

// The whole match of Picture: the input, then with AutoFill the literals
// that follow it; the result as the matcher leaves it.
TvxPicResult Match(const TChars& pic, TMatcher& m, TChars& in, bool AutoFill) {
  const std::size_t end = pic.size() + 1;
  TvxPicResult r = m.Process(end);
  if (r != prError && r != prSyntax && m.J <= in.size()) r = prError;  // input left over

  if (r == prIncomplete && AutoFill) {
    bool appended = false;
    while (m.I < end && !StopsFill(pic[m.I - 1])) {
      if (pic[m.I - 1] == ';' && ++m.I == end) break;
      in += pic[m.I - 1];
      ++m.I;
      appended = true;
    }
    m.I = 1;
    m.J = 1;
    if (appended) r = m.Process(end);
  }
  return m.TooDeep ? prSyntax : r;
}

}  // namespace

TvxPictureValidator::TvxPictureValidator(const std::string& APicture, bool AutoFill)
    : Options_(AutoFill ? voDefault | voFill : voDefault), Pic_(APicture), PicChars_(Utf8ToChars(APicture)) {
  std::string empty;
  if (Picture(empty, false) != prEmpty) Status_ = 1;
}

bool TvxPictureValidator::IsValidInput(std::string& S, bool SuppressFill) {
  return Picture(S, (Options_ & voFill) != 0 && !SuppressFill) != prError;
}

bool TvxPictureValidator::IsValid(const std::string& S) {
  std::string copy = S;
  TvxPicResult r = Picture(copy, false);
  return r == prComplete || r == prEmpty;
}

TvxPicResult TvxPictureValidator::Picture(std::string& Input, bool AutoFill) {
  Steps_ = 0;
  if (!SyntaxOk(PicChars_)) return prSyntax;
  if (Input.empty()) return prEmpty;

  TChars in = Utf8ToChars(Input);
  TMatcher m(PicChars_, in);
  TScopeExit count([&] { Steps_ = m.Steps; });
  TvxPicResult r;
  try {
    r = Match(PicChars_, m, in, AutoFill);
  } catch (const TOutOfSteps&) {
    // A picture that needs more work than any real one is a malformed one.
    return prSyntax;
  }
  Input = CharsToUtf8(in);
  if (r == prAmbiguous) return prComplete;
  if (r == prIncompNoFill) return prIncomplete;
  return r;
}

}  // namespace vx
