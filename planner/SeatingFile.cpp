#include "SeatingFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "Chars.h"
#include "Strings.h"
#include "Text.h"

namespace ostrel {

namespace {

constexpr const char* LineEnd = "\r\n";

std::string Flag(bool v) { return v ? "1" : "0"; }

// A byte that is not UTF-8, as the character routines carry it.
bool IsStrayByte(fw::TChar c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Text that a line may hold: UTF-8 without control characters but TAB.
bool IsPlainText(const std::string& s) {
  for (fw::TChar c : fw::Utf8ToChars(s))
    if ((c < 0x20 && c != U'\t') || IsStrayByte(c)) return false;
  return true;
}

// A text as one line that the reader takes: names come from tables that any
// tool may have written, so a line break, a TAB or another control character
// becomes a blank, and a byte that is not UTF-8 the replacement character.
std::string LineText(const std::string& s) {
  fw::TChars chars = fw::Utf8ToChars(s);
  bool plain = true;
  for (fw::TChar& c : chars) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      c = U' ';
      plain = false;
    } else if (IsStrayByte(c)) {
      c = 0xFFFD;
      plain = false;
    }
  }
  return plain ? s : fw::CharsToUtf8(chars);
}

// Collects the first fault of the file as "Line n: what".
class TChecker {
public:
  explicit TChecker(std::string& error) : error_(error) {}
  bool Fail(int line, const std::string& what) {
    error_ = "Seating.dat Is Damaged And Was Not Loaded.\nLine " + fw::IntToStr(line) + ": " + what + ".";
    return false;
  }
  bool Number(int line, const std::string& token, const char* what, int& value) {
    if (fw::TryStrToInt(token, value)) return true;
    return Fail(line, std::string(what) + " \"" + token + "\" is not a number");
  }
  bool InRange(int line, int value, int lo, int hi, const char* what) {
    if (value >= lo && value <= hi) return true;
    return Fail(line, std::string(what) + " " + fw::IntToStr(value) + " is not one of " + fw::IntToStr(lo) + " to " +
                          fw::IntToStr(hi));
  }

private:
  std::string& error_;
};

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

}  // namespace

std::string SeatingFileText(const TSeatingTree& Tree) {
  std::string s;
  s += Flag(Tree.UseIcons) + " " + LineEnd;
  s += Flag(Tree.OnlyRSVP) + " " + LineEnd;
  s += LineText(Tree.FontName) + LineEnd;
  s += fw::IntToStr(Tree.FontSize) + " " + LineEnd;
  s += Flag(Tree.Bold) + " " + LineEnd;
  s += Flag(Tree.Italic) + " " + LineEnd;
  s += fw::IntToStr(static_cast<int>(Tree.Nodes.size())) + " " + LineEnd;
  for (const TSeatingNode& n : Tree.Nodes)
    s += fw::IntToStr(n.Level) + " " + fw::IntToStr(n.StateIndex) + " " + fw::IntToStr(n.ImageIndex) + " " +
         LineText(n.Text) + LineEnd;
  return s;
}

bool ParseSeatingFile(const std::string& Bytes, TSeatingTree& Tree, std::string& Error) {
  fw::TStringList lines;
  lines.SetText(Bytes);
  // Editors like to end a file with an empty line.
  while (lines.Count() > 0 && fw::Trim(lines.Strings(lines.Count() - 1)).empty()) lines.Delete(lines.Count() - 1);
  if (lines.Count() == 0 || lines.Strings(0).empty()) {
    Error = "Seating.dat Not Found";
    return false;
  }
  TChecker check(Error);
  constexpr int HeaderLines = 7;
  for (int i = 0; i < HeaderLines && i < lines.Count(); ++i)
    if (!IsPlainText(lines.Strings(i))) return check.Fail(i + 1, "the line holds characters that are not text");
  if (lines.Count() < HeaderLines)
    return check.Fail(lines.Count() + 1, "the file ends before the number of nodes");

  TSeatingTree t;
  int header[HeaderLines] = {};
  static const char* const names[HeaderLines] = {"the Use Icons setting", "the Only RSVP setting", nullptr,
                                                 "the font size", "the bold setting", "the italic setting",
                                                 "the number of nodes"};
  for (int i = 0; i < HeaderLines; ++i)
    if (names[i] && !check.Number(i + 1, fw::Trim(lines.Strings(i)), names[i], header[i])) return false;
  t.UseIcons = header[0] == 1;
  t.OnlyRSVP = header[1] == 1;
  t.FontName = fw::Trim(lines.Strings(2));
  t.FontSize = header[3];
  if (!check.InRange(4, t.FontSize, -MaxFontSize, MaxFontSize, "the font size")) return false;
  t.Bold = header[4] == 1;
  t.Italic = header[5] == 1;
  const int nodeLines = lines.Count() - HeaderLines;
  if (header[6] != nodeLines)
    return check.Fail(HeaderLines, "the file says " + fw::IntToStr(header[6]) + " nodes but holds " +
                                       fw::IntToStr(nodeLines));

  t.Nodes.reserve(static_cast<std::size_t>(nodeLines));
  bool haveTable = false;
  for (int i = HeaderLines; i < lines.Count(); ++i) {
    const int lineNo = i + 1;
    const std::string line = lines.Strings(i);
    if (!IsPlainText(line)) return check.Fail(lineNo, "the line holds characters that are not text");
    // Three numbers, each ended by one blank; the text is the rest and may
    // be missing altogether where an editor took the last blank away.
    std::string numbers[3];
    std::size_t start = 0;
    TSeatingNode n;
    for (int k = 0; k < 3; ++k) {
      std::size_t blank = line.find(' ', start);
      if (blank == std::string::npos) {
        if (k < 2) return check.Fail(lineNo, "a node line needs a level, a state icon and a node icon");
        numbers[k] = line.substr(start);
        start = line.size();
      } else {
        numbers[k] = line.substr(start, blank - start);
        start = blank + 1;
      }
    }
    if (!check.Number(lineNo, numbers[0], "the level", n.Level) ||
        !check.Number(lineNo, numbers[1], "the state icon", n.StateIndex) ||
        !check.Number(lineNo, numbers[2], "the node icon", n.ImageIndex))
      return false;
    if (n.Level < 0) return check.Fail(lineNo, "the level " + fw::IntToStr(n.Level) + " is below 0");
    if (!check.InRange(lineNo, n.StateIndex, MinStateIcon, MaxStateIcon, "the state icon") ||
        !check.InRange(lineNo, n.ImageIndex, MinNodeIcon, MaxNodeIcon, "the node icon"))
      return false;
    if (n.Level > 0 && !haveTable) return check.Fail(lineNo, "a person comes before any table");
    haveTable = true;
    n.Text = line.substr(start);
    t.Nodes.push_back(std::move(n));
  }
  Tree = std::move(t);
  return true;
}

bool WriteSeatingFile(const std::string& FileName, const TSeatingTree& Tree) {
  const std::string text = SeatingFileText(Tree);
  const std::string temp = FileName + ".tmp" + fw::IntToStr(static_cast<int>(getpid()));
  bool ok = false;
  {
    TFilePtr f(std::fopen(temp.c_str(), "wb"));
    if (!f) return false;
    ok = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    ok = ok && std::fflush(f.get()) == 0;
    ok = ok && fsync(fileno(f.get())) == 0;
    ok = std::fclose(f.release()) == 0 && ok;
  }
  ok = ok && std::rename(temp.c_str(), FileName.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

TSeatingRead ReadSeatingFile(const std::string& FileName, TSeatingTree& Tree, std::string& Error) {
  std::string bytes;
  {
    TFilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f) return errno == ENOENT ? TSeatingRead::NotFound : TSeatingRead::Unreadable;
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, n);
    if (std::ferror(f.get())) return TSeatingRead::Unreadable;
  }
  return ParseSeatingFile(bytes, Tree, Error) ? TSeatingRead::Ok : TSeatingRead::Malformed;
}

}  // namespace ostrel
