#include "FormReader.h"

#include <cerrno>
#include <cctype>
#include <cstdlib>

#include "Chars.h"
#include "Exceptions.h"
#include "Resources.h"
#include "Scope.h"

namespace fw {

namespace {

// Deeper nesting than this is not a form anyone designed: refuse it rather
// than run out of stack.
constexpr int kMaxDepth = 100;

bool SameIdent(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// An error that already names its place in the file; any other error raised
// while reading gets the place added.
class EPlacedReadError : public EReadError {
public:
  using EReadError::EReadError;
};

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
  throw EPlacedReadError(file + "(" + std::to_string(line) + "): " + what);
}

// ---------------------------------------------------------------- lexer

enum TokKind { tokEOF, tokIdent, tokInt, tokFloat, tokStr, tokSym };

struct Token {
  TokKind Kind = tokEOF;
  std::string Text;  // identifier, string value, or the symbol
  std::int64_t Int = 0;
  double Float = 0;
  int Line = 1;
};

class Lexer {
public:
  Lexer(std::string_view text, const std::string& file) : s_(text), file_(file) { Advance(); }

  const Token& Peek() const { return tok_; }
  Token Take() {
    Token t = tok_;
    Advance();
    return t;
  }
  bool IsSym(char c) const { return tok_.Kind == tokSym && tok_.Text.size() == 1 && tok_.Text[0] == c; }
  bool IsWord(std::string_view w) const { return tok_.Kind == tokIdent && SameIdent(tok_.Text, w); }
  void Expect(char c) {
    if (!IsSym(c)) Fail(file_, tok_.Line, std::string("'") + c + "' expected but " + Describe(tok_) + " found");
    Advance();
  }
  std::string ExpectIdent(const char* what) {
    if (tok_.Kind != tokIdent) Fail(file_, tok_.Line, std::string(what) + " expected but " + Describe(tok_) + " found");
    return Take().Text;
  }
  [[noreturn]] void Error(const std::string& what) const { Fail(file_, tok_.Line, what); }

  static std::string Describe(const Token& t) {
    switch (t.Kind) {
      case tokEOF: return "end of file";
      case tokIdent: return "'" + t.Text + "'";
      case tokInt:
      case tokFloat: return "number";
      case tokStr: return "string";
      case tokSym: return "'" + t.Text + "'";
    }
    return "?";
  }

  // Binary data { hex digits } is read raw: it is not made of tokens.
  std::string ReadBinary() {
    // the current token is '{'; scan from just after it
    std::string bytes;
    int hi = -1;
    while (pos_ < s_.size() && s_[pos_] != '}') {
      char c = s_[pos_++];
      if (c == '\n') ++line_;
      int v = -1;
      if (c >= '0' && c <= '9') v = c - '0';
      else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
      else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
      else Fail(file_, line_, "Invalid binary data");
      if (hi < 0) hi = v;
      else {
        bytes += static_cast<char>(hi * 16 + v);
        hi = -1;
      }
    }
    if (pos_ >= s_.size()) Fail(file_, line_, "'}' expected but end of file found");
    if (hi >= 0) Fail(file_, line_, "Invalid binary data");
    ++pos_;
    Advance();
    return bytes;
  }

private:
  void SkipBlanks() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IdentPart(char c) { return IdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }

  void Advance() {
    SkipBlanks();
    tok_ = Token{};
    tok_.Line = line_;
    if (pos_ >= s_.size()) return;
    char c = s_[pos_];
    if (IdentStart(c)) {
      std::size_t b = pos_;
      while (pos_ < s_.size() && IdentPart(s_[pos_])) ++pos_;
      tok_.Kind = tokIdent;
      tok_.Text = std::string(s_.substr(b, pos_ - b));
      return;
    }
    if (c == '\'' || c == '#') return ReadString();
    if ((c >= '0' && c <= '9') || c == '$' ||
        ((c == '-' || c == '+') && pos_ + 1 < s_.size() &&
         ((s_[pos_ + 1] >= '0' && s_[pos_ + 1] <= '9') || s_[pos_ + 1] == '$')))
      return ReadNumber();
    tok_.Kind = tokSym;
    tok_.Text = std::string(1, c);
    ++pos_;
  }

  void ReadNumber() {
    std::size_t b = pos_;
    bool neg = false;
    if (s_[pos_] == '-' || s_[pos_] == '+') neg = s_[pos_++] == '-';
    if (pos_ < s_.size() && s_[pos_] == '$') {
      ++pos_;
      std::size_t hb = pos_;
      std::uint64_t v = 0;
      while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) {
        char h = s_[pos_++];
        int d = (h >= '0' && h <= '9') ? h - '0' : (h | 0x20) - 'a' + 10;
        if (v >> 60) Fail(file_, line_, "Integer out of range");
        v = v * 16 + static_cast<std::uint64_t>(d);
      }
      if (pos_ == hb) Fail(file_, line_, "Invalid hexadecimal number");
      tok_.Kind = tokInt;
      // $FFFFFFFF is how form files write a negative 32-bit value
      std::int64_t iv = v <= 0xFFFFFFFFu ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v))
                                         : static_cast<std::int64_t>(v);
      tok_.Int = neg ? -iv : iv;
      return;
    }
    bool isFloat = false;
    while (pos_ < s_.size()) {
      char d = s_[pos_];
      if (d >= '0' && d <= '9') ++pos_;
      else if (d == '.' && !isFloat) isFloat = true, ++pos_;
      else if ((d == 'e' || d == 'E') && pos_ + 1 < s_.size()) {
        isFloat = true;
        ++pos_;
        if (s_[pos_] == '+' || s_[pos_] == '-') ++pos_;
      } else break;
    }
    std::string num(s_.substr(b, pos_ - b));
    errno = 0;
    char* end = nullptr;
    if (isFloat) {
      tok_.Kind = tokFloat;
      tok_.Float = std::strtod(num.c_str(), &end);
    } else {
      tok_.Kind = tokInt;
      tok_.Int = std::strtoll(num.c_str(), &end, 10);
    }
    if (errno == ERANGE || !end || *end) Fail(file_, line_, "Invalid number " + num);
  }

  // 'text' with '' for a quote, #nn for a character by code, pieces joined.
  void ReadString() {
    tok_.Kind = tokStr;
    std::string out;
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\'') {
        ++pos_;
        for (;;) {
          if (pos_ >= s_.size() || s_[pos_] == '\n') Fail(file_, line_, "Unterminated string");
          if (s_[pos_] == '\'') {
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
              out += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          out += s_[pos_++];
        }
      } else if (c == '#') {
        ++pos_;
        std::size_t b = pos_;
        std::uint32_t code = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
          code = code * 10 + static_cast<std::uint32_t>(s_[pos_++] - '0');
          if (code > 0x10FFFF) Fail(file_, line_, "Invalid character code");
        }
        if (pos_ == b) Fail(file_, line_, "Invalid character code");
        out += CharToUtf8(static_cast<TChar>(code));
      } else {
        break;
      }
    }
    tok_.Text = std::move(out);
  }

  std::string_view s_;
  const std::string& file_;
  std::size_t pos_ = 0;
  int line_ = 1;
  Token tok_;
};

// ---------------------------------------------------------------- parser

class Parser {
public:
  Parser(std::string_view text, const std::string& file) : lex_(text, file), file_(file) {}

  TFormObject ParseRoot() {
    TFormObject root = ParseObject(0);
    if (lex_.Peek().Kind != tokEOF) lex_.Error("End of file expected but " + Lexer::Describe(lex_.Peek()) + " found");
    return root;
  }

private:
  TFormObject ParseObject(int depth) {
    if (depth > kMaxDepth) lex_.Error("Objects nested too deeply");
    if (!lex_.IsWord("object") && !lex_.IsWord("inherited") && !lex_.IsWord("inline"))
      lex_.Error("'object' expected but " + Lexer::Describe(lex_.Peek()) + " found");
    TFormObject o;
    o.Line = lex_.Take().Line;
    std::string first = lex_.ExpectIdent("Component name");
    if (lex_.IsSym(':')) {
      lex_.Take();
      o.Name = first;
      o.ClassName = lex_.ExpectIdent("Class name");
    } else {
      o.ClassName = first;
    }
    if (!IsValidIdent(o.ClassName)) Fail(file_, o.Line, "Invalid class name " + o.ClassName);
    if (!o.Name.empty() && !IsValidIdent(o.Name)) Fail(file_, o.Line, "Invalid component name " + o.Name);
    if (lex_.IsSym('[')) {  // position index of inherited forms: not needed, skipped
      lex_.Take();
      if (lex_.Peek().Kind != tokInt) lex_.Error("Number expected");
      lex_.Take();
      lex_.Expect(']');
    }
    for (;;) {
      const Token& t = lex_.Peek();
      if (t.Kind == tokEOF) lex_.Error("'end' expected but end of file found");
      if (lex_.IsWord("end")) {
        lex_.Take();
        break;
      }
      if (lex_.IsWord("object") || lex_.IsWord("inherited") || lex_.IsWord("inline")) {
        o.Children.push_back(ParseObject(depth + 1));
        continue;
      }
      if (!o.Children.empty()) lex_.Error("Property after a nested object: " + Lexer::Describe(t));
      o.Props.push_back(ParseProperty(depth));
    }
    return o;
  }

  TFormProperty ParseProperty(int depth) {
    TFormProperty p;
    p.Line = lex_.Peek().Line;
    p.Name = lex_.ExpectIdent("Property name");
    if (p.Name.front() == '.' || p.Name.back() == '.' || p.Name.find("..") != std::string::npos)
      Fail(file_, p.Line, "Invalid property name " + p.Name);
    lex_.Expect('=');
    p.Value = ParseValue(depth);
    return p;
  }

  TFormValue ParseValue(int depth) {
    if (depth > kMaxDepth) lex_.Error("Values nested too deeply");
    TFormValue v;
    const Token& t = lex_.Peek();
    v.Line = t.Line;
    switch (t.Kind) {
      case tokInt:
        v.Kind = TFormValue::vaInteger;
        v.Int = lex_.Take().Int;
        return v;
      case tokFloat:
        v.Kind = TFormValue::vaFloat;
        v.Float = lex_.Take().Float;
        return v;
      case tokStr:
        v.Kind = TFormValue::vaString;
        v.Str = lex_.Take().Text;
        while (lex_.IsSym('+')) {  // 'long ' + 'text' across lines
          lex_.Take();
          if (lex_.Peek().Kind != tokStr) lex_.Error("String expected after '+'");
          v.Str += lex_.Take().Text;
        }
        return v;
      case tokIdent:
        v.Kind = TFormValue::vaIdent;
        v.Str = lex_.Take().Text;
        return v;
      case tokEOF:
        lex_.Error("Value expected but end of file found");
      case tokSym:
        break;
    }
    if (lex_.IsSym('[')) {
      lex_.Take();
      v.Kind = TFormValue::vaSet;
      while (!lex_.IsSym(']')) {
        v.Set.push_back(lex_.ExpectIdent("Set element"));
        if (lex_.IsSym(',')) lex_.Take();
        else if (!lex_.IsSym(']')) lex_.Error("',' or ']' expected but " + Lexer::Describe(lex_.Peek()) + " found");
      }
      lex_.Take();
      return v;
    }
    if (lex_.IsSym('(')) {
      lex_.Take();
      v.Kind = TFormValue::vaList;
      while (!lex_.IsSym(')')) {
        if (lex_.Peek().Kind == tokEOF) lex_.Error("')' expected but end of file found");
        v.List.push_back(ParseValue(depth + 1));
      }
      lex_.Take();
      return v;
    }
    if (lex_.IsSym('<')) {
      lex_.Take();
      v.Kind = TFormValue::vaCollection;
      while (!lex_.IsSym('>')) {
        if (!lex_.IsWord("item")) lex_.Error("'item' expected but " + Lexer::Describe(lex_.Peek()) + " found");
        lex_.Take();
        std::vector<TFormProperty> item;
        while (!lex_.IsWord("end")) {
          if (lex_.Peek().Kind == tokEOF) lex_.Error("'end' expected but end of file found");
          item.push_back(ParseProperty(depth + 1));
        }
        lex_.Take();
        v.Items.push_back(std::move(item));
      }
      lex_.Take();
      return v;
    }
    if (lex_.IsSym('{')) {
      v.Kind = TFormValue::vaBinary;
      v.Str = lex_.ReadBinary();
      return v;
    }
    lex_.Error("Invalid property value " + Lexer::Describe(t));
  }

  Lexer lex_;
  const std::string& file_;
};

// ---------------------------------------------------------------- applying

TFindGlobalComponent& GlobalFinder() {
  static TFindGlobalComponent finder;
  return finder;
}

class Reader {
public:
  Reader(TComponent* root, const std::string& file) : root_(root), file_(file) {}

  void Read(const TFormObject& o) {
    if (!root_->InheritsFrom(o.ClassName))
      Fail(file_, o.Line, "The form file is for class " + o.ClassName + ", not " + root_->ClassName());
    root_->SetComponentState(csLoading, true);
    root_->SetComponentState(csReading, true);
    loaded_.push_back(root_);
    {
      // The half-read components stay owned by the root; none of them is
      // left marked as loading.
      TScopeFail unmark([&] {
        for (TComponent* c : loaded_) {
          c->SetComponentState(csReading, false);
          c->SetComponentState(csLoading, false);
        }
      });
      if (!o.Name.empty()) Guard(o.Line, o.Name, [&] { root_->SetName(o.Name); });
      ReadBody(root_, o);
      Fixups();
    }
    for (TComponent* c : loaded_) c->SetComponentState(csReading, false);
    for (TComponent* c : loaded_) c->Loaded();
  }

private:
  struct Fixup {
    TObject* Target;
    const TPropInfo* Prop;
    std::string Name;
    int Line;
    std::string Where;
  };

  void ReadBody(TComponent* comp, const TFormObject& o) {
    for (const TFormProperty& p : o.Props) SetProperty(comp, comp->Name(), p);
    for (const TFormObject& child : o.Children) ReadChild(comp, child);
  }

  void ReadChild(TComponent* parent, const TFormObject& o) {
    TClass cls = GetClass(o.ClassName);
    if (!cls) Fail(file_, o.Line, "Class " + o.ClassName + " not found");
    if (!cls->CreateComponent) Fail(file_, o.Line, "Class " + o.ClassName + " is not a component");
    TComponent* comp = nullptr;
    Guard(o.Line, o.Name.empty() ? o.ClassName : o.Name, [&] { comp = cls->CreateComponent(root_); });
    comp->SetComponentState(csLoading, true);
    comp->SetComponentState(csReading, true);
    loaded_.push_back(comp);
    Guard(o.Line, o.Name, [&] {
      comp->SetName(o.Name);
      comp->SetParentComponent(parent);
    });
    if (!o.Name.empty()) BindField(comp, o);
    ReadBody(comp, o);
  }

  void BindField(TComponent* comp, const TFormObject& o) {
    const TFieldInfo* f = FindField(root_->ClassType(), o.Name);
    if (!f) return;
    if (!comp->InheritsFrom(f->FieldClass()))
      Fail(file_, o.Line,
           "Field " + o.Name + " of " + root_->ClassName() + " is a " + f->FieldClass()->Name + ", not a " +
               comp->ClassName());
    f->Set(root_, comp);
  }

  // Runs a setter; an error it raises is reported with the place in the file.
  template <typename F>
  void Guard(int line, const std::string& what, F&& f) {
    try {
      f();
    } catch (const EPlacedReadError&) {
      throw;
    } catch (const Exception& e) {
      Fail(file_, line, "Error reading " + what + ": " + e.Message());
    } catch (const std::exception& e) {
      Fail(file_, line, "Error reading " + what + ": " + e.what());
    }
  }

  void SetProperty(TObject* obj, const std::string& owner, const TFormProperty& p) {
    std::string where = owner.empty() ? p.Name : owner + "." + p.Name;
    // Walk a dotted path through class properties: Font.Style, Lines.Strings.
    TObject* cur = obj;
    std::string rest = p.Name;
    for (;;) {
      std::size_t dot = rest.find('.');
      std::string head = rest.substr(0, dot);
      const TPropInfo* info = GetPropInfo(cur, head);
      if (dot == std::string::npos) {
        if (info) return Guard(p.Line, where, [&] { Assign(cur, info, p.Value, where); });
        return ReadDefined(cur, rest, p, where);
      }
      if (!info) return ReadDefined(cur, rest, p, where);
      if (info->Kind != tkClass) Fail(file_, p.Line, "Property " + head + " of " + where + " has no parts");
      TObject* next = GetObjectProp(cur, info);
      if (!next) Fail(file_, p.Line, "Property " + where + " cannot be set: " + head + " is nil");
      cur = next;
      rest = rest.substr(dot + 1);
    }
  }

  void ReadDefined(TObject* cur, const std::string& name, const TFormProperty& p, const std::string& where) {
    auto* per = dynamic_cast<TPersistent*>(cur);
    bool done = false;
    if (per) Guard(p.Line, where, [&] { done = per->ReadProperty(name, p.Value); });
    if (!done) Fail(file_, p.Line, "Property " + where + " does not exist");
  }

  [[noreturn]] void BadValue(const TFormValue& v, const std::string& where) {
    Fail(file_, v.Line, "Invalid property value for " + where);
  }

  void Assign(TObject* obj, const TPropInfo* info, const TFormValue& v, const std::string& where) {
    switch (info->Kind) {
      case tkInteger:
      case tkInt64:
        if (v.Kind == TFormValue::vaInteger) {
          // A number the property cannot hold would wrap, or overflow the arithmetic that uses it.
          if (info->ValueRange && (v.Int < info->ValueRange->first || v.Int > info->ValueRange->second))
            Fail(file_, v.Line, "Invalid number " + std::to_string(v.Int) + " for " + where);
          return SetOrdProp(obj, info, v.Int);
        }
        if (v.Kind == TFormValue::vaIdent) {
          auto n = IdentToInt(info->TypeName, v.Str);
          if (!n) Fail(file_, v.Line, "Invalid property value " + v.Str + " for " + where);
          return SetOrdProp(obj, info, *n);
        }
        BadValue(v, where);
      case tkChar:
        if (v.Kind == TFormValue::vaInteger) return SetOrdProp(obj, info, v.Int);
        if (v.Kind == TFormValue::vaString) {
          TChars c = Utf8ToChars(v.Str);
          if (c.size() != 1) BadValue(v, where);
          return SetOrdProp(obj, info, static_cast<std::int64_t>(c[0]));
        }
        BadValue(v, where);
      case tkEnumeration: {
        if (v.Kind != TFormValue::vaIdent) BadValue(v, where);
        int e = info->EnumType->ValueOf(v.Str);
        if (e < 0) Fail(file_, v.Line, "Invalid property value " + v.Str + " for " + where);
        return SetOrdProp(obj, info, e);
      }
      case tkSet: {
        if (v.Kind != TFormValue::vaSet) BadValue(v, where);
        std::uint64_t bits = 0;
        for (const std::string& n : v.Set) {
          int e = info->EnumType->ValueOf(n);
          if (e < 0 || e >= 64) Fail(file_, v.Line, "Invalid set element " + n + " for " + where);
          bits |= std::uint64_t{1} << e;
        }
        return SetOrdProp(obj, info, static_cast<std::int64_t>(bits));
      }
      case tkFloat:
        if (v.Kind == TFormValue::vaFloat) return SetFloatProp(obj, info, v.Float);
        if (v.Kind == TFormValue::vaInteger) return SetFloatProp(obj, info, static_cast<double>(v.Int));
        BadValue(v, where);
      case tkString:
        if (v.Kind == TFormValue::vaString) return SetStrProp(obj, info, v.Str);
        BadValue(v, where);
      case tkClass:
        return AssignObject(obj, info, v, where);
      case tkMethod: {
        if (v.Kind != TFormValue::vaIdent) BadValue(v, where);
        if (SameIdent(v.Str, "nil")) return SetMethodProp(obj, info, std::any());
        const TMethodInfo* m = FindMethod(root_->ClassType(), v.Str);
        if (!m) Fail(file_, v.Line, "Handler " + v.Str + " for " + where + " not found in " + root_->ClassName());
        return SetMethodProp(obj, info, m->Bind(root_));
      }
      case tkUnknown:
        break;
    }
    BadValue(v, where);
  }

  void AssignObject(TObject* obj, const TPropInfo* info, const TFormValue& v, const std::string& where) {
    if (v.Kind == TFormValue::vaIdent) {
      if (SameIdent(v.Str, "nil")) return SetObjectProp(obj, info, nullptr);
      fixups_.push_back(Fixup{obj, info, v.Str, v.Line, where});
      return;
    }
    TObject* target = GetObjectProp(obj, info);
    if (v.Kind == TFormValue::vaCollection) {
      auto* coll = dynamic_cast<TCollection*>(target);
      if (!coll) BadValue(v, where);
      TUpdateScope update(*coll);
      coll->Clear();
      for (std::size_t i = 0; i < v.Items.size(); ++i) {
        TCollectionItem* item = coll->Add();
        std::string itemWhere = where + "[" + std::to_string(i) + "]";
        for (const TFormProperty& p : v.Items[i]) SetProperty(item, itemWhere, p);
      }
      return;
    }
    // A value for the object itself, which it reads (a picture's data).
    auto* per = dynamic_cast<TPersistent*>(target);
    if (per && per->ReadProperty(std::string(), v)) return;
    BadValue(v, where);
  }

  TComponent* Resolve(const std::string& name) {
    if (SameIdent(name, root_->Name())) return root_;
    if (name.find('.') == std::string::npos) return root_->FindComponent(name);
    if (auto& finder = GlobalFinder()) return finder(name);
    return nullptr;
  }

  void Fixups() {
    for (const Fixup& f : fixups_) {
      TComponent* c = Resolve(f.Name);
      if (!c) Fail(file_, f.Line, "Component " + f.Name + " for " + f.Where + " not found");
      Guard(f.Line, f.Where, [&] { SetObjectProp(f.Target, f.Prop, c); });
    }
  }

  TComponent* root_;
  const std::string& file_;
  std::vector<TComponent*> loaded_;
  std::vector<Fixup> fixups_;
};

}  // namespace

TFormObject ParseFormText(std::string_view text, const std::string& fileName) {
  return Parser(text, fileName).ParseRoot();
}

void ReadComponentText(TComponent* Root, std::string_view text, const std::string& fileName) {
  TFormObject o = ParseFormText(text, fileName);
  Reader(Root, fileName).Read(o);
}

void ReadComponentRes(TComponent* Root, const std::string& resourceName) {
  TResourceData d = FindResourceData(resourceName);
  if (!d.Data) throw EResNotFound("Resource " + resourceName + " not found");
  ReadComponentText(Root, std::string_view(reinterpret_cast<const char*>(d.Data), d.Size), resourceName);
}

void SetFindGlobalComponent(TFindGlobalComponent finder) { GlobalFinder() = std::move(finder); }

}  // namespace fw
