// SQL queries and stored procedures over a database: a statement of the
// engine, prepared from the SQL lines (or the procedure's file), given the
// parameters' values and run; Open takes its answer as the dataset's cursor.
//
// Parameters are bound by name at each run: a parameter whose value was set
// gives it (Clear or a Null value give a blank); an unset one takes the
// same-named field of the DataSource's dataset; else the run fails.
#pragma once
#include <memory>
#include <string>

#include "NuboDataSet.h"
#include "Params.h"

namespace fw {

class TDataSource;
class TStrings;
class TStringList;

// Open ran a statement that answers no records.
FW_EXCEPTION(ENoResultSet, EDatabaseError)
// Raises it for a dataset whose statement answered nothing.
[[noreturn]] void NoResultSet(const TComponent* owner);

using hOrvexStmt = OrvexHandle;

// The statement that the query and the stored procedure share: made on a
// database, prepared, bound, run and freed.
class TStatement {
public:
  TStatement() = default;
  ~TStatement() { Free(); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  hOrvexStmt Handle() const { return handle_; }
  bool Prepared() const { return handle_ != 0; }
  // Text is a statement of the dialect, or (Procedure) a procedure's name.
  void Prepare(hOrvexDb Db, const std::string& Text, bool Procedure);
  void Free();
  // The names of the prepared statement's parameters.
  std::vector<std::string> ParamNames() const;
  // Binds every parameter (see above); Owner names the failure.
  void Bind(const TParams* Params, TDataSet* Fields, const TComponent* Owner) const;
  // Runs it: the answer's cursor or 0, and the rows it wrote (-1 for none counted).
  hOrvexCursor Execute(bool Live, int& RowsAffected) const;

private:
  hOrvexStmt handle_ = 0;
};

// What queries and stored procedures share: a statement whose answer is the
// dataset's cursor. Open of one that answers nothing raises ENoResultSet.
class TStatementDataSet : public TDBDataSet {
  FW_CLASS(TStatementDataSet, TDBDataSet)
public:
  explicit TStatementDataSet(TComponent* AOwner) : TDBDataSet(AOwner) {}
  // The rows the last run wrote; -1 when it counted none.
  int RowsAffected() const { return rowsAffected_; }

protected:
  void OpenCursor(bool InfoQuery) override;
  // Runs the prepared statement with its parameters bound: the answer's
  // cursor, or 0.
  hOrvexCursor Run(const TParams* Params, TDataSet* Fields, bool Live);
  TStatement& Statement() { return statement_; }
  const TStatement& Statement() const { return statement_; }

private:
  TStatement statement_;
  int rowsAffected_ = -1;
};

class TQuery : public TStatementDataSet {
  FW_CLASS(TQuery, TStatementDataSet)
public:
  explicit TQuery(TComponent* AOwner);
  ~TQuery() override;

  TStrings* SQL() const;
  // A change of the lines closes and unprepares the query and, with
  // ParamCheck, makes Params again from the text (same-named values kept).
  void SetSQL(TStrings* Value);
  // The lines joined by blanks.
  std::string Text() const;
  TParams* Params() const { return params_.get(); }
  void SetParams(TParams* Value) { params_->Assign(Value); }
  TParam* ParamByName(const std::string& Value) const { return params_->ParamByName(Value); }
  int ParamCount() const { return params_->Count(); }
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool Value) { paramCheck_ = Value; }
  // The source whose dataset's fields give the values of unset parameters;
  // an open query runs again when that dataset moves.
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  bool RequestLive() const { return requestLive_; }
  void SetRequestLive(bool Value);

  void Prepare();
  void UnPrepare();
  bool Prepared() const { return Statement().Prepared() && userPrepared_; }
  void SetPrepared(bool Value);
  // Runs a statement that answers no records (one that does is closed).
  void ExecSQL();
  hOrvexStmt StmtHandle() const { return Statement().Handle(); }

protected:
  // The step that runs the statement in SQL: prepares it when need be,
  // binds the parameters and runs it; the answer's cursor, or 0 when the
  // statement answers no records. A subclass may call it once a statement.
  hOrvexCursor CreateHandle() override;
  void CloseCursor() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

private:
  class TParamLink;
  void QueryChanged();
  void MakeParams();
  void PrepareStatement();
  void FreeStatement();
  void MasterChanged();

  std::unique_ptr<TStringList> sql_;
  std::unique_ptr<TParams> params_;
  std::unique_ptr<TParamLink> link_;
  bool paramCheck_ = true;
  bool requestLive_ = false;
  bool userPrepared_ = false;
};

class TStoredProc : public TStatementDataSet {
  FW_CLASS(TStoredProc, TStatementDataSet)
public:
  explicit TStoredProc(TComponent* AOwner);
  ~TStoredProc() override;

  const std::string& StoredProcName() const { return storedProcName_; }
  void SetStoredProcName(const std::string& Value);
  // The procedure's parameters once it is prepared (same-named values kept).
  TParams* Params() const { return params_.get(); }
  void SetParams(TParams* Value) { params_->Assign(Value); }
  TParam* ParamByName(const std::string& Value) const { return params_->ParamByName(Value); }
  int ParamCount() const { return params_->Count(); }

  void Prepare();
  void UnPrepare();
  bool Prepared() const { return Statement().Prepared(); }
  void SetPrepared(bool Value);
  // Runs the procedure; an answer it gives is closed.
  void ExecProc();

protected:
  hOrvexCursor CreateHandle() override;
  void BeforeDestruction() override;

private:
  std::string storedProcName_;
  std::unique_ptr<TParams> params_;
};

}  // namespace fw
