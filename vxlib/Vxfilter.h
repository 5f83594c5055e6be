// Filter expressions: a filter line compiled into the engine's filter
// descriptor (OrvexApi.h, section 7) and installed on a table's cursor, and
// record-callback filters for the datasets' OnFilter events.
//
// The language, as users have written it for years:
//   - conditions "operand relop operand" (= <> < > <= >=, one a condition),
//     joined by AND and OR, which share one precedence, left to right;
//   - + - * / on numbers, left to right, * and / before + and -; a sign is an
//     operator only where it stands apart from names ("(Seats)*(2)");
//   - parentheses;
//   - the operand on the left of an operator names a field (without regard
//     to case); the one on its right is a constant of that field's type: a
//     number, a double-quoted text, a date or time in the locale's form, for
//     a Boolean field a word, True when it begins with T;
//   - a name runs on through blanks and signs ("Last Name" is one field);
//     text after a complete expression is ignored.
// A name on the left that is no field is reported in a message box; other
// syntax faults fail silently, for the caller to report. A constant that does
// not convert to its field's type raises the framework's EConvertError.
//
// Installing a filter never loses the one in force: when a new expression
// does not compile or the engine refuses it, the old filter stays installed
// and its handle stays with the caller.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "NuboDataSet.h"
#include "Object.h"
#include "Table.h"
#include "Vxengine.h"

namespace vx {

// A node of the parsed expression. Destroying a node destroys its children.
class TNode : public fw::TObject {
  FW_CLASS(TNode, fw::TObject)
public:
  enum TKind : std::uint8_t { nkRelational, nkLogical, nkArithmetic, nkOperand };
  // The types a right-hand operand takes from the field on its left; 0: none
  // (the operand is written as a field).
  enum TConstType : std::uint8_t {
    ctNone = 0,
    ctString = 1,
    ctFloat = 2,
    ctTimeStamp = 3,
    ctDate = 4,
    ctTime = 5,
    ctBoolean = 6,
    ctInteger = 7,
    ctBCD = 8,
    ctSmallint = 9
  };

  TNode(TKind AKind, std::string AText) : Kind(AKind), Text(std::move(AText)) {}

  TKind Kind;
  std::uint8_t ConstType = ctNone;
  int BcdDecimals = 0;
  std::string Text;
  int NodeOffset = 0;  // of its written node, within the node area
  std::unique_ptr<TNode> Left;
  std::unique_ptr<TNode> Right;
};

// The descriptor of Expr against the fields of DataSet; empty when it does
// not compile (or would not fit the descriptor's 65,535 bytes).
std::vector<std::uint8_t> vxCompileFilter(const std::string& Expr, const fw::TDataSet* DataSet);

// Installs Expr as Table's expression filter in place of Filter and
// refreshes an active table. An inactive table without Force gets none (Filter
// 0, True). An empty Expr removes the filter. False when Expr does not compile
// or the engine refuses it; the filter in force then stays.
bool vxSetFilter(const std::string& Expr, fw::TTable* Table, hNuboFilter& Filter, bool Force);
// Switches the filter off and drops it; Filter becomes 0.
void vxRemoveFilter(fw::TDBDataSet* DataSet, hNuboFilter& Filter);
// Adds Expr beside the filters in force; an active table goes to its first
// record. False when it does not compile or the engine refuses it.
bool vxAddFilter(const std::string& Expr, fw::TTable* Table, hNuboFilter& Filter);
// Replaces the record-callback filter Filter with Func (nullptr: none), the
// dataset being the callback's client data, and refreshes an active dataset. False when the dataset has no cursor or the
// engine refuses the callback.
bool vxSetFilterFunction(TNuboFilterCallback Func, fw::TDBDataSet* DataSet, hNuboFilter& Filter);

}  // namespace vx
