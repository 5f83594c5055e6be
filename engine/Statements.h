// Statements of the SQL dialect: the text as the user wrote it becomes the
// SQL that SQLite runs over the database's attached tables (names mapped,
// writes aimed at the tables' records with their defaults), is prepared,
// takes parameter values and runs, answering a cursor or rows affected.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Handles.h"
#include "SqlSession.h"
#include "Values.h"

namespace orvex {

// What a statement is, as the engine runs it.
struct StatementPlan {
  enum Verb { Select, Insert, Update, Delete, Other };
  Verb verb = Other;
  std::string sql;  // what SQLite runs
  std::vector<SqlSession::TableRef> tables;  // the tables it names
  SqlSession::TableRef target;               // the table it writes
  bool streamable = false;  // its columns can be typed before it runs
  // a live answer's SELECT, with the table's row id as its last column
  std::string liveSql;
  SqlSession::TableRef liveTable;
  bool liveWhere = false;
};

// records: the text is the engine's own, and its tables are read as their
// records, row ids included, rather than as the views statements see.
StatementPlan PlanStatement(SqlSession& session, const std::string& text, bool records = false);

class Statement : public Object {
public:
  explicit Statement(std::shared_ptr<SqlSession> session);
  ~Statement() override;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  SqlSession& Session() const { return *session_; }
  virtual void Prepare(const std::string& text);
  // SQL the engine made itself (a query by example's), which may name its
  // tables' row ids.
  void PrepareEngineSql(const std::string& sql);
  // The procedure NAME.sql of the database's directory.
  virtual void PrepareProcedure(const std::string& name);
  // An answer cursor's handle, or 0.
  virtual OrvexHandle Execute();

  virtual std::uint16_t ParamCount() const;
  const std::string& ParamName(std::uint16_t paramNo) const;
  void BindParam(std::uint16_t paramNo, std::uint16_t fieldType, std::uint32_t length, const void* value);

  std::int32_t RowsAffected() const { return rowsAffected_; }
  bool LiveAsked() const { return live_; }
  void SetLiveAsked(bool value) { live_ = value; }

private:
  void PrepareText(const std::string& text, bool engineSql);
  void Release();
  void Compile();  // the prepared statement of plan_.sql
  void BindAll(sqlite3_stmt* st) const;
  std::vector<const Field*> Origins(sqlite3_stmt* st, int columns) const;

  std::shared_ptr<SqlSession> session_;
  bool prepared_ = false;
  std::string text_;
  bool engineSql_ = false;
  StatementPlan plan_;
  sqlite3_stmt* st_ = nullptr;  // handed to the first answer, made again for the next
  std::vector<std::string> paramNames_;
  std::vector<SqlValue> paramValues_;
  std::int32_t rowsAffected_ = -1;
  bool live_ = false;
};

// The stored procedures of a directory: each one's name and file name,
// sorted by name.
std::vector<std::pair<std::string, std::string>> ProcedureFiles(const std::string& directory);

}  // namespace orvex
