// SQL queries and stored procedures over a database. Their statements come
// with the engine's statement entries; until then they keep their settings
// and refuse to open.
#pragma once
#include <memory>
#include <string>

#include "NuboDataSet.h"
#include "Params.h"

namespace fw {

class TDataSource;
class TStrings;
class TStringList;

class TQuery : public TDBDataSet {
  FW_CLASS(TQuery, TDBDataSet)
public:
  explicit TQuery(TComponent* AOwner);
  ~TQuery() override;

  TStrings* SQL() const;
  void SetSQL(TStrings* Value);
  TParams* Params() const { return params_.get(); }
  void SetParams(TParams* Value) { params_->Assign(Value); }
  // The source whose dataset's fields give the values of unset parameters.
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* Value) { dataSource_ = Value; }
  bool RequestLive() const { return requestLive_; }
  void SetRequestLive(bool Value) { requestLive_ = Value; }

protected:
  hOrvexCursor CreateHandle() override;

private:
  std::unique_ptr<TStringList> sql_;
  std::unique_ptr<TParams> params_;
  TDataSource* dataSource_ = nullptr;
  bool requestLive_ = false;
};

class TStoredProc : public TDBDataSet {
  FW_CLASS(TStoredProc, TDBDataSet)
public:
  explicit TStoredProc(TComponent* AOwner);
  ~TStoredProc() override;

  const std::string& StoredProcName() const { return storedProcName_; }
  void SetStoredProcName(const std::string& Value);
  TParams* Params() const { return params_.get(); }
  void SetParams(TParams* Value) { params_->Assign(Value); }

protected:
  hOrvexCursor CreateHandle() override;

private:
  std::string storedProcName_;
  std::unique_ptr<TParams> params_;
};

}  // namespace fw
