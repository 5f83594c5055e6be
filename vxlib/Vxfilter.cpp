#include "Vxfilter.h"

#include <cstring>

#include "Chars.h"
#include "DateTime.h"
#include "Dialogs.h"
#include "Fields.h"
#include "FormatSettings.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace vx {

FW_IMPLEMENT_CLASS(TNode)

namespace {

constexpr std::size_t kMaxDescriptor = 65535;
// Parentheses nest no deeper; the parser's recursion must not exhaust the stack.
constexpr int kMaxNesting = 500;
// No more nodes fit a descriptor; stopping there also keeps the tree shallow
// enough for the writer's recursion.
constexpr std::size_t kMaxNodes = (kMaxDescriptor - ORVEX_FILTER_HEADER_SIZE) / ORVEX_FILTER_NODE_SIZE;

std::uint8_t ConstTypeOf(const TField* Field) {
  switch (Field->DataType()) {
    case ftString: return TNode::ctString;
    case ftSmallint:
    case ftWord: return TNode::ctSmallint;
    case ftInteger: return TNode::ctInteger;
    case ftBoolean: return TNode::ctBoolean;
    case ftFloat:
    case ftCurrency: return TNode::ctFloat;
    case ftBCD: return TNode::ctBCD;
    case ftDate: return TNode::ctDate;
    case ftTime: return TNode::ctTime;
    case ftDateTime: return TNode::ctTimeStamp;
    default: return TNode::ctNone;
  }
}

std::uint32_t OperatorCode(const std::string& Op) {
  static const struct {
    const char* Text;
    std::uint32_t Code;
  } codes[] = {{"=", ORVEX_FOP_EQ},   {"<>", ORVEX_FOP_NE},  {">", ORVEX_FOP_GT},  {"<", ORVEX_FOP_LT},
               {">=", ORVEX_FOP_GE},  {"<=", ORVEX_FOP_LE},  {"AND", ORVEX_FOP_AND}, {"OR", ORVEX_FOP_OR},
               {"+", ORVEX_FOP_ADD},  {"-", ORVEX_FOP_SUB},  {"*", ORVEX_FOP_MUL}, {"/", ORVEX_FOP_DIV}};
  for (const auto& c : codes)
    if (Op == c.Text) return c.Code;
  return 0;
}

bool IsRelOp(const std::string& Op) {
  return Op == "=" || Op == "<>" || Op == "<" || Op == ">" || Op == "<=" || Op == ">=";
}

bool IsNameStart(TChar c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '!' || c == '#' || c == '$' || c == '*' ||
         c == '+' || c == '-' || c == '/' || c == '@' || c == '_' || c == '`' || c >= 0x92;
}

bool IsNameChar(TChar c) { return IsNameStart(c) || c == ' ' || (c >= '0' && c <= '9'); }

// One compilation: the text being read, the node stack and the tree. Made for
// each call, so that a failure or an exception leaves nothing behind.
class TFilterCompiler {
public:
  TFilterCompiler(const std::string& Expr, const TDataSet* DataSet) : text_(Utf8ToChars(Expr)), dataSet_(DataSet) {}

  std::vector<std::uint8_t> Compile() {
    if (!ParseL() || nodes_.size() != 1) return {};
    std::unique_ptr<TNode> root = std::move(nodes_.back());
    nodes_.pop_back();
    return Write(*root);
  }

private:
  // ---- scanner: each Peek looks at the front of the rest without taking it;
  // Take moves past what the last Peek matched.
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  void Take() { pos_ = end_; }

  bool PeekChar(TChar c) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    end_ = pos_ + 1;
    return true;
  }

  std::string PeekRelational() {
    SkipBlanks();
    auto rel = [](TChar c) { return c == '<' || c == '=' || c == '>'; };
    if (pos_ >= text_.size() || !rel(text_[pos_])) return {};
    end_ = pos_ + 1;
    if (end_ < text_.size() && rel(text_[end_])) ++end_;
    return CharsToUtf8(text_.substr(pos_, end_ - pos_));
  }

  // AND or OR at the front, upper-cased; a longer word is cut after them.
  std::string PeekLogical() {
    SkipBlanks();
    for (const char* word : {"AND", "OR"}) {
      std::size_t n = std::strlen(word), i = 0;
      while (i < n && pos_ + i < text_.size() && CharUpper(text_[pos_ + i]) == static_cast<TChar>(word[i])) ++i;
      if (i == n) {
        end_ = pos_ + n;
        return word;
      }
    }
    return {};
  }

  std::string PeekName() {
    SkipBlanks();
    if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) return {};
    end_ = pos_ + 1;
    while (end_ < text_.size() && IsNameChar(text_[end_])) ++end_;
    std::size_t last = end_;
    while (last > pos_ && text_[last - 1] == ' ') --last;
    return CharsToUtf8(text_.substr(pos_, last - pos_));
  }

  std::string PeekNumber() {
    SkipBlanks();
    std::size_t e = pos_;
    if (e < text_.size() && text_[e] == '-') ++e;
    std::size_t digits = e;
    while (e < text_.size() && IsDigit(text_[e])) ++e;
    if (e == digits) return {};
    if (e < text_.size() && text_[e] == static_cast<TChar>(DecimalSeparator)) {
      ++e;
      while (e < text_.size() && IsDigit(text_[e])) ++e;
    }
    end_ = e;
    return CharsToUtf8(text_.substr(pos_, e - pos_));
  }

  // A double-quoted text with its quotes; an unterminated one is no token.
  std::string PeekString() {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '"') return {};
    std::size_t close = text_.find('"', pos_ + 1);
    if (close == TChars::npos) return {};
    end_ = close + 1;
    return CharsToUtf8(text_.substr(pos_, end_ - pos_));
  }

  // ---- grammar
  // L := R { (AND | OR) R }
  bool ParseL() {
    if (!ParseR()) return false;
    for (;;) {
      std::string op = PeekLogical();
      if (op.empty()) return true;
      Take();
      if (!ParseR() || !Build(TNode::nkLogical, op)) return false;
    }
  }

  // R := E [ relop E ]
  bool ParseR() {
    if (!ParseE()) return false;
    std::string op = PeekRelational();
    if (!IsRelOp(op)) return true;
    Take();
    return ParseE() && Build(TNode::nkRelational, op);
  }

  // E := T { (+ | -) T }
  bool ParseE() { return ParseArithmetic(&TFilterCompiler::ParseT, "+", "-"); }

  // T := F { (* | /) F }, left to right as E.
  bool ParseT() { return ParseArithmetic(&TFilterCompiler::ParseF, "*", "/"); }

  bool ParseArithmetic(bool (TFilterCompiler::*Operand)(), const char* Op1, const char* Op2) {
    if (!(this->*Operand)()) return false;
    for (;;) {
      std::string op = PeekName();
      if (op != Op1 && op != Op2) return true;
      Take();
      if (!(this->*Operand)() || !Build(TNode::nkArithmetic, op)) return false;
    }
  }

  // F := "(" L ")" | operand
  bool ParseF() {
    if (PeekChar('(')) {
      Take();
      if (++depth_ > kMaxNesting) return false;
      if (!ParseL() || !PeekChar(')')) return false;
      Take();
      --depth_;
      return true;
    }
    std::string operand = PeekName();
    if (operand.empty()) operand = PeekNumber();
    if (operand.empty()) operand = PeekString();
    if (operand.empty()) return false;
    Take();
    if (++nodeCount_ > kMaxNodes) return false;
    nodes_.push_back(std::make_unique<TNode>(TNode::nkOperand, operand));
    return true;
  }

  bool Build(TNode::TKind Kind, const std::string& Op) {
    if (nodes_.size() < 2 || ++nodeCount_ > kMaxNodes) return false;
    std::unique_ptr<TNode> right = std::move(nodes_.back());
    nodes_.pop_back();
    std::unique_ptr<TNode> left = std::move(nodes_.back());
    nodes_.pop_back();
    if (left->Kind == TNode::nkOperand) {
      const TField* field = FindField(left->Text);
      if (!field) {
        MessageDlg("Field not found in Table. \r" + left->Text, mtWarning, {mbOK}, 0);
        return false;
      }
      right->ConstType = ConstTypeOf(field);
      if (field->DataType() == ftBCD) right->BcdDecimals = field->Size();
    }
    auto node = std::make_unique<TNode>(Kind, Op);
    node->Left = std::move(left);
    node->Right = std::move(right);
    nodes_.push_back(std::move(node));
    return true;
  }

  const TField* FindField(const std::string& Name) const {
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
      if (AnsiSameText(dataSet_->Fields(i)->FieldName(), Name)) return dataSet_->Fields(i);
    return nullptr;
  }

  // ---- writing
  static std::size_t CountNodes(const TNode& Node) {
    std::size_t n = 1;
    if (Node.Left) n += CountNodes(*Node.Left);
    if (Node.Right) n += CountNodes(*Node.Right);
    return n;
  }

  std::vector<std::uint8_t> Write(TNode& Root) {
    const std::size_t count = CountNodes(Root);
    const std::size_t literalStart = ORVEX_FILTER_HEADER_SIZE + ORVEX_FILTER_NODE_SIZE * count;
    if (literalStart > kMaxDescriptor) return {};
    nodeArea_.assign(ORVEX_FILTER_NODE_SIZE * count, 0);
    nextSlot_ = count;
    if (!WriteNode(Root)) return {};
    const std::size_t total = literalStart + pool_.size();
    if (total > kMaxDescriptor) return {};
    OrvexFilterHeader header{ORVEX_FILTER_VERSION, static_cast<std::uint16_t>(total),
                             static_cast<std::uint16_t>(count), ORVEX_FILTER_HEADER_SIZE,
                             static_cast<std::uint16_t>(literalStart)};
    std::vector<std::uint8_t> out(sizeof header);
    std::memcpy(out.data(), &header, sizeof header);
    out.insert(out.end(), nodeArea_.begin(), nodeArea_.end());
    out.insert(out.end(), pool_.begin(), pool_.end());
    return out;
  }

  // Children first; the slots fill from the last towards the first.
  bool WriteNode(TNode& Node) {
    if (Node.Left && !WriteNode(*Node.Left)) return false;
    if (Node.Right && !WriteNode(*Node.Right)) return false;
    OrvexFilterNode slot{};
    if (Node.Kind != TNode::nkOperand) {
      slot.nodeClass = ORVEX_FNODE_BINARY;
      slot.op = OperatorCode(Node.Text);
      slot.arg[0] = static_cast<std::uint16_t>(Node.Left->NodeOffset);
      slot.arg[1] = static_cast<std::uint16_t>(Node.Right->NodeOffset);
    } else if (Node.ConstType == TNode::ctNone) {
      slot.nodeClass = ORVEX_FNODE_FIELD;
      slot.op = ORVEX_FOP_FIELD;
      slot.arg[0] = static_cast<std::uint16_t>(++fieldOrdinal_);
      std::string name = AnsiToNative(Node.Text);
      if (!AddLiteral(name.c_str(), name.size() + 1, slot.arg[1])) return false;
    } else {
      slot.nodeClass = ORVEX_FNODE_CONST;
      slot.op = ORVEX_FOP_CONST;
      std::vector<std::uint8_t> value;
      slot.arg[0] = ConstantValue(Node, value);
      slot.arg[1] = static_cast<std::uint16_t>(value.size());
      if (value.size() > kMaxDescriptor || !AddLiteral(value.data(), value.size(), slot.arg[2])) return false;
    }
    --nextSlot_;
    Node.NodeOffset = static_cast<int>(nextSlot_ * ORVEX_FILTER_NODE_SIZE);
    std::memcpy(nodeArea_.data() + Node.NodeOffset, &slot, sizeof slot);
    return true;
  }

  bool AddLiteral(const void* Data, std::size_t Size, std::uint16_t& Offset) {
    if (pool_.size() + Size > kMaxDescriptor) return false;
    Offset = static_cast<std::uint16_t>(pool_.size());
    const auto* p = static_cast<const std::uint8_t*>(Data);
    pool_.insert(pool_.end(), p, p + Size);
    return true;
  }

  template <typename T>
  static std::uint16_t Bytes(const T& Value, std::vector<std::uint8_t>& Out, std::uint16_t Type) {
    Out.resize(sizeof Value);
    std::memcpy(Out.data(), &Value, sizeof Value);
    return Type;
  }

  // The constant's text the way texts, dates and Booleans take it: without
  // its quotes, or without trailing blanks.
  static std::string Unquoted(const std::string& Text) {
    if (!Text.empty() && Text[0] == '"') return Text.size() >= 2 ? Text.substr(1, Text.size() - 2) : std::string();
    std::string s = Text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

  // The value in the literal pool's encoding; the constant type written.
  static std::uint16_t ConstantValue(const TNode& Node, std::vector<std::uint8_t>& Out) {
    switch (Node.ConstType) {
      case TNode::ctString: {
        std::string s = AnsiToNative(Unquoted(Node.Text));
        Out.assign(s.begin(), s.end());
        Out.push_back(0);
        return ORVEX_FCONST_STRING;
      }
      case TNode::ctBoolean: {
        std::string s = Unquoted(Node.Text);
        std::uint16_t v = !s.empty() && (s[0] == 'T' || s[0] == 't') ? 0xFFFF : 0;
        return Bytes(v, Out, ORVEX_FCONST_BOOLEAN);
      }
      case TNode::ctSmallint: {
        int v = StrToInt(Node.Text);
        // A word above the 16-bit range keeps its value as a 32-bit constant.
        if (v < INT16_MIN || v > INT16_MAX) return Bytes(static_cast<std::int32_t>(v), Out, ORVEX_FCONST_INT32);
        return Bytes(static_cast<std::int16_t>(v), Out, ORVEX_FCONST_INT16);
      }
      case TNode::ctInteger: return Bytes(static_cast<std::int32_t>(StrToInt(Node.Text)), Out, ORVEX_FCONST_INT32);
      case TNode::ctFloat: return Bytes(StrToFloat(Node.Text), Out, ORVEX_FCONST_FLOAT);
      case TNode::ctBCD: {
        Out.assign(ORVEX_BCD_SIZE, 0);
        Check(NuboFloatToBcd(StrToFloat(Node.Text), 32, static_cast<std::uint16_t>(Node.BcdDecimals), Out.data()));
        return ORVEX_FCONST_BCD;
      }
      case TNode::ctDate: {
        std::int32_t days = DateTimeToTimeStamp(StrToDate(Unquoted(Node.Text))).Date;
        return Bytes(days, Out, ORVEX_FCONST_DATE);
      }
      case TNode::ctTime: {
        std::int32_t ms = DateTimeToTimeStamp(StrToTime(Unquoted(Node.Text))).Time;
        return Bytes(ms, Out, ORVEX_FCONST_TIME);
      }
      default: {
        std::string s = Unquoted(Node.Text);
        TDateTime v = s.find(' ') != std::string::npos ? StrToDateTime(s) : StrToDate(s);
        return Bytes(TimeStampToMSecs(DateTimeToTimeStamp(v)), Out, ORVEX_FCONST_TIMESTAMP);
      }
    }
  }

  TChars text_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  int depth_ = 0;
  std::size_t nodeCount_ = 0;
  const TDataSet* dataSet_;
  std::vector<std::unique_ptr<TNode>> nodes_;
  std::vector<std::uint8_t> nodeArea_;
  std::vector<std::uint8_t> pool_;
  std::size_t nextSlot_ = 0;
  int fieldOrdinal_ = 0;
};

void RefreshActive(TDataSet* DataSet) {
  if (DataSet->Active()) DataSet->Refresh();
}

// Adds and switches on an expression filter; 0 when it does not compile or
// the engine refuses it.
hNuboFilter InstallExpression(const std::string& Expr, TTable* Table) {
  std::vector<std::uint8_t> desc = vxCompileFilter(Expr, Table);
  if (desc.empty()) return 0;
  hNuboFilter added = 0;
  if (NuboAddFilter(Table->Handle(), 0, 1, 0, desc.data(), nullptr, &added) != ORVEX_OK) return 0;
  if (NuboActivateFilter(Table->Handle(), added) != ORVEX_OK) {
    NuboDropFilter(Table->Handle(), added);
    return 0;
  }
  return added;
}

}  // namespace

std::vector<std::uint8_t> vxCompileFilter(const std::string& Expr, const TDataSet* DataSet) {
  return TFilterCompiler(Expr, DataSet).Compile();
}

bool vxSetFilter(const std::string& Expr, TTable* Table, hNuboFilter& Filter, bool Force) {
  if (!Table->Active() && !Force) {
    Filter = 0;
    return true;
  }
  if (Expr.empty()) {
    vxRemoveFilter(Table, Filter);
    RefreshActive(Table);
    return true;
  }
  // The new filter is in place before the old one goes, so that a failure
  // leaves the old one in force.
  hNuboFilter added = InstallExpression(Expr, Table);
  if (!added) return false;
  vxRemoveFilter(Table, Filter);
  Filter = added;
  RefreshActive(Table);
  return true;
}

void vxRemoveFilter(TDBDataSet* DataSet, hNuboFilter& Filter) {
  if (!Filter) return;
  // A cursor closed since has dropped its filters: the engine's refusal of
  // the old handle changes nothing.
  NuboDeactivateFilter(DataSet->Handle(), Filter);
  NuboDropFilter(DataSet->Handle(), Filter);
  Filter = 0;
}

bool vxAddFilter(const std::string& Expr, TTable* Table, hNuboFilter& Filter) {
  hNuboFilter added = InstallExpression(Expr, Table);
  if (!added) return false;
  Filter = added;
  if (Table->Active()) {
    Table->DisableControls();
    {
      TScopeExit enable([Table] { Table->EnableControls(); });
      Table->First();
    }
    Table->Refresh();
  }
  return true;
}

bool vxSetFilterFunction(TNuboFilterCallback Func, TDBDataSet* DataSet, hNuboFilter& Filter) {
  vxRemoveFilter(DataSet, Filter);
  if (Func) {
    if (!DataSet->Handle()) return false;
    hNuboFilter added = 0;
    if (NuboAddFilter(DataSet->Handle(), reinterpret_cast<std::uintptr_t>(DataSet), 1, 0, nullptr, Func, &added) !=
        ORVEX_OK)
      return false;
    if (NuboActivateFilter(DataSet->Handle(), added) != ORVEX_OK) {
      NuboDropFilter(DataSet->Handle(), added);
      return false;
    }
    Filter = added;
  }
  if (DataSet->Active()) {
    auto* table = dynamic_cast<TTable*>(DataSet);
    if (table && table->IndexFieldCount() > 0) {
      table->Refresh();
    } else {
      DataSet->UpdateCursorPos();
      DataSet->Resync({});
    }
  }
  return true;
}

}  // namespace vx
