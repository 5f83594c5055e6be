// Record filters of a table cursor. An expression filter is the caller's
// descriptor checked and compiled into a tree that tests record buffers and,
// where the file's values answer alike, writes itself as SQL for the
// cursor's queries. A callback filter is called by the cursor's reads.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sqlite3.h>

#include "OrvexApi.h"
#include "Values.h"

namespace orvex {

class TableFile;

class FilterExpr {
public:
  // Checks a descriptor against the cursor's fields and compiles it; fails
  // with ORVEX_ERR_INVALIDDESC naming the first fault found.
  FilterExpr(const std::uint8_t* desc, const std::vector<Field>& fields);

  bool Test(const std::uint8_t* rec) const;
  // The condition over the table's columns, a "?" for each constant, whose
  // values are appended to params in order; false when the tree is too deep
  // to be worth handing to SQLite's parser.
  bool ToSql(const TableFile& t, std::string& sql, std::vector<SqlValue>& params) const;

  enum class ValueKind : std::uint8_t { Number, String, Boolean, Date, Time, Stamp };

private:
  struct Value {
    bool blank = false;
    double num = 0;
    std::string_view str;
  };
  struct Node {
    enum Class : std::uint8_t { FieldRef, Constant, Compare, Logic, Arith } nodeClass = Constant;
    std::uint32_t op = 0;
    ValueKind kind = ValueKind::Number;
    std::size_t left = 0, right = 0;  // node indexes
    std::size_t depth = 1;
    Field field;   // FieldRef
    double num = 0;
    std::string text;  // a string constant
    SqlValue sqlConst;  // Constant: the value as the file stores it
  };

  void ParseNode(std::size_t i, const std::uint8_t* d, const std::uint8_t* pool, std::size_t poolSize,
                 const std::vector<Field>& fields);
  void ParseConstant(Node& n, const std::string& where, std::uint16_t type, std::uint16_t size,
                     const std::uint8_t* value);
  void CheckKinds(std::size_t i);
  Value Eval(std::size_t i, const std::uint8_t* rec) const;
  bool Truth(std::size_t i, const std::uint8_t* rec) const;
  std::string SqlValueOf(std::size_t i, const TableFile& t, std::vector<SqlValue>& params) const;
  std::string SqlCondition(std::size_t i, const TableFile& t, std::vector<SqlValue>& params) const;
  void SqlOperands(std::size_t i, std::uint32_t op, const TableFile& t, std::vector<SqlValue>& params,
                   std::string& out) const;

  std::vector<Node> nodes_;
};

struct Filter {
  OrvexHandle handle = 0;
  bool active = false;
  std::uintptr_t clientData = 0;
  std::uint16_t priority = 0;
  OrvexFilterCallback callback = nullptr;
  std::unique_ptr<FilterExpr> expr;
};

// Filter handles: one counter for the process, so that a handle names one
// filter of one cursor.
OrvexHandle NewFilterHandle();

// Statements a cursor prepared for itself because their SQL holds its
// filters; finalized when the filters change and with the cursor.
class OwnStatements {
public:
  OwnStatements() = default;
  OwnStatements(const OwnStatements&) = delete;
  OwnStatements& operator=(const OwnStatements&) = delete;
  ~OwnStatements() { Clear(); }
  sqlite3_stmt* Find(std::uint32_t key) const;
  sqlite3_stmt* Add(std::uint32_t key, sqlite3_stmt* st);
  void Clear();

private:
  std::unordered_map<std::uint32_t, sqlite3_stmt*> map_;
};

}  // namespace orvex
