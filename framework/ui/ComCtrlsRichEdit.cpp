#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Chars.h"
#include "ComCtrls.h"
#include "Scope.h"
#include "Streams.h"

namespace fw {

namespace {

// Groups whose text is not the document's.
constexpr std::string_view kDestinations[] = {
    "fonttbl",   "colortbl",   "stylesheet", "info",      "pict",         "header",     "headerl",
    "headerr",   "headerf",    "footer",     "footerl",   "footerr",      "footerf",    "footnote",
    "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
    "datastore", "latentstyles", "revtbl",   "filetbl",   "fldinst",      "object",     "objdata",
    "pntext",    "pntxta",     "pntxtb",     "template",  "userprops",    "docvar",     "nonshppict",
    "shpinst",   "bkmkstart",  "bkmkend",    "author",    "operator",     "title",      "subject",
    "keywords",  "comment",    "doccomm"};

// Control words that stand for a character.
struct TSymbol {
  std::string_view Word;
  std::string_view Text;
};
constexpr TSymbol kSymbols[] = {{"par", "\r\n"},       {"line", "\r\n"},       {"row", "\r\n"},
                                {"tab", "\t"},         {"cell", "\t"},         {"emdash", "\u2014"},
                                {"endash", "\u2013"},  {"bullet", "\u2022"},   {"lquote", "\u2018"},
                                {"rquote", "\u2019"},  {"ldblquote", "\u201C"}, {"rdblquote", "\u201D"},
                                {"emspace", "\u2003"}, {"enspace", "\u2002"}};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Bytes of a code page to UTF-8; a code page the system does not know, or a
// byte it cannot map, is read as Latin-1.
class TCodePage {
public:
  ~TCodePage() { Close(); }
  void Select(const std::string& name) {
    Close();
    cd_ = iconv_open("UTF-8", name.c_str());
  }
  std::string Decode(const std::string& bytes) {
    if (bytes.empty()) return {};
    if (cd_ != reinterpret_cast<iconv_t>(-1)) {
      std::string out(bytes.size() * 4 + 4, '\0');
      char* in = const_cast<char*>(bytes.data());
      std::size_t inLeft = bytes.size(), outLeft = out.size();
      char* op = out.data();
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd_, &in, &inLeft, &op, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0) {
        out.resize(out.size() - outLeft);
        return out;
      }
    }
    std::string out;
    for (unsigned char b : bytes) out += CharToUtf8(static_cast<TChar>(b));
    return out;
  }

private:
  void Close() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    cd_ = reinterpret_cast<iconv_t>(-1);
  }
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

struct TGroup {
  bool Skip = false;  // a destination group: its text is dropped
  int UnicodeSkip = 1;
};

class TRtfReader {
public:
  explicit TRtfReader(std::string_view rtf) : s_(rtf) { page_.Select("CP1252"); }

  std::string Read() {
    groups_.push_back(TGroup{});
    while (i_ < s_.size()) {
      const char c = s_[i_++];
      switch (c) {
        case '{':
          Flush();
          pendingSkip_ = 0;
          groups_.push_back(groups_.back());
          newGroup_ = true;
          continue;
        case '}':
          Flush();
          pendingSkip_ = 0;
          // One brace too many closes nothing.
          if (groups_.size() > 1) groups_.pop_back();
          newGroup_ = false;
          continue;
        case '\\':
          ControlWord();
          break;
        case '\r':
        case '\n':
          break;
        default:
          if (SkipOne()) break;
          if (!groups_.back().Skip) {
            if (static_cast<unsigned char>(c) >= 0x80) bytes_ += c;
            else Text(std::string(1, c));
          }
          break;
      }
      newGroup_ = false;
    }
    Flush();
    if (out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "\r\n") == 0) out_.resize(out_.size() - 2);
    return out_;
  }

private:
  // One of the characters after \uN is skipped; true when c was one.
  bool SkipOne() {
    if (pendingSkip_ <= 0) return false;
    --pendingSkip_;
    return true;
  }

  void Text(const std::string& utf8) {
    Flush();
    if (highSurrogate_) {
      out_ += "\uFFFD";
      highSurrogate_ = 0;
    }
    out_ += utf8;
  }

  // Code page bytes gathered so far become text: a character may take more than one.
  void Flush() {
    if (bytes_.empty()) return;
    std::string b = std::move(bytes_);
    bytes_.clear();
    Text(page_.Decode(b));
  }

  void Unicode(long n) {
    if (n < 0) n += 65536;
    const auto u = static_cast<std::uint32_t>(n);
    if (u >= 0xD800 && u <= 0xDBFF) {
      Flush();
      if (highSurrogate_) out_ += "\uFFFD";
      highSurrogate_ = u;
      return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
      Flush();
      if (!highSurrogate_) {
        out_ += "\uFFFD";
        return;
      }
      const std::uint32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (u - 0xDC00);
      highSurrogate_ = 0;
      out_ += CharToUtf8(static_cast<TChar>(cp));
      return;
    }
    Text(CharToUtf8(static_cast<TChar>(u == 0 ? 0xFFFD : u)));
  }

  void ControlWord() {
    if (i_ >= s_.size()) return;  // a backslash at the very end
    const char c = s_[i_];
    if (!IsAsciiLetter(c)) {
      ++i_;
      ControlSymbol(c);
      return;
    }
    const std::size_t start = i_;
    while (i_ < s_.size() && IsAsciiLetter(s_[i_])) ++i_;
    const std::string_view word = s_.substr(start, i_ - start);
    bool hasParam = false;
    long param = 0;
    bool negative = false;
    if (i_ < s_.size() && s_[i_] == '-' && i_ + 1 < s_.size() && IsAsciiDigit(s_[i_ + 1])) {
      negative = true;
      ++i_;
    }
    // The digits are bounded, so that a damaged number cannot overflow.
    for (int digits = 0; i_ < s_.size() && IsAsciiDigit(s_[i_]); ++i_)
      if (digits++ < 10) {
        param = param * 10 + (s_[i_] - '0');
        hasParam = true;
      }
    if (negative) param = -param;
    if (i_ < s_.size() && s_[i_] == ' ') ++i_;
    Word(word, hasParam, param);
  }

  void ControlSymbol(char c) {
    TGroup& g = groups_.back();
    switch (c) {
      case '\\':
      case '{':
      case '}':
        if (!SkipOne() && !g.Skip) Text(std::string(1, c));
        return;
      case '\'': {
        const int hi = i_ < s_.size() ? HexValue(s_[i_]) : -1;
        const int lo = i_ + 1 < s_.size() ? HexValue(s_[i_ + 1]) : -1;
        if (hi < 0 || lo < 0) {
          // A cut escape: what there is of it goes.
          while (i_ < s_.size() && HexValue(s_[i_]) >= 0) ++i_;
          return;
        }
        i_ += 2;
        if (!SkipOne() && !g.Skip) bytes_ += static_cast<char>(hi * 16 + lo);
        return;
      }
      case '*':
        if (newGroup_) g.Skip = true;
        return;
      case '~':
        if (!SkipOne() && !g.Skip) Text("\u00A0");
        return;
      case '_':
        if (!SkipOne() && !g.Skip) Text("\u2011");
        return;
      case '\r':
      case '\n':
        // A backslash before a line end is a paragraph mark.
        if (!SkipOne() && !g.Skip) Text("\r\n");
        return;
      default:
        SkipOne();
        return;
    }
  }

  void Word(std::string_view word, bool hasParam, long param) {
    TGroup& g = groups_.back();
    if (word == "bin") {
      const std::size_t n = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
      i_ = std::min(s_.size(), i_ + n);
      SkipOne();
      return;
    }
    if (word == "uc") {
      g.UnicodeSkip = hasParam && param >= 0 ? static_cast<int>(std::min(param, 16L)) : 1;
      return;
    }
    if (word == "u" && hasParam) {
      if (!SkipOne() && !g.Skip) Unicode(param);
      pendingSkip_ = g.UnicodeSkip;
      return;
    }
    if (word == "ansicpg" && hasParam) {
      Flush();
      page_.Select("CP" + std::to_string(param));
      return;
    }
    if (word == "mac") {
      Flush();
      page_.Select("MACINTOSH");
      return;
    }
    if (word == "pc" || word == "pca") {
      Flush();
      page_.Select(word == "pc" ? "CP437" : "CP850");
      return;
    }
    if (SkipOne()) return;
    for (std::string_view d : kDestinations)
      if (word == d) {
        g.Skip = true;
        return;
      }
    if (g.Skip) return;
    for (const TSymbol& sym : kSymbols)
      if (word == sym.Word) {
        Text(std::string(sym.Text));
        return;
      }
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::vector<TGroup> groups_;
  bool newGroup_ = false;  // the last thing read was "{"
  int pendingSkip_ = 0;
  std::uint32_t highSurrogate_ = 0;
  std::string bytes_;
  std::string out_;
  TCodePage page_;
};

}  // namespace

std::string RtfToPlainText(std::string_view Rtf) {
  if (Rtf.substr(0, 5) != "{\\rtf") return std::string(Rtf);
  return TRtfReader(Rtf).Read();
}

// ---------------------------------------------------------------- TCustomRichEdit

FW_PUBLISH(TCustomRichEdit) {
  c.Property("PlainText", &TCustomRichEdit::PlainText, &TCustomRichEdit::SetPlainText).Default(false);
}

FW_IMPLEMENT_CLASS(TRichEdit)

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TCustomMemo(AOwner) {}

void TCustomRichEdit::LoadFromStream(TStream& Stream) {
  const std::string bytes = ReadToEnd(Stream);
  SetText(plainText_ ? bytes : RtfToPlainText(bytes));
}

}  // namespace fw
