#include "Query.h"

#include "DataSource.h"
#include "Strings.h"

namespace fw {

FW_PUBLISH(TQuery) {
  c.Property("DataSource", &TQuery::DataSource, &TQuery::SetDataSource);
  c.Property("Params", &TQuery::Params, &TQuery::SetParams);
  c.Property("RequestLive", &TQuery::RequestLive, &TQuery::SetRequestLive).Default(0);
  c.Property("SQL", &TQuery::SQL, &TQuery::SetSQL);
}

FW_PUBLISH(TStoredProc) {
  c.Property("Params", &TStoredProc::Params, &TStoredProc::SetParams);
  c.Property("StoredProcName", &TStoredProc::StoredProcName, &TStoredProc::SetStoredProcName);
}

TQuery::TQuery(TComponent* AOwner)
    : TDBDataSet(AOwner), sql_(std::make_unique<TStringList>()), params_(std::make_unique<TParams>()) {}

TQuery::~TQuery() = default;

TStrings* TQuery::SQL() const { return sql_.get(); }

void TQuery::SetSQL(TStrings* Value) {
  Close();
  sql_->Assign(Value);
}

hOrvexCursor TQuery::CreateHandle() {
  DatabaseError("SQL statements are not available in this engine", this);
}

TStoredProc::TStoredProc(TComponent* AOwner) : TDBDataSet(AOwner), params_(std::make_unique<TParams>()) {}

TStoredProc::~TStoredProc() = default;

void TStoredProc::SetStoredProcName(const std::string& Value) {
  CheckInactive();
  storedProcName_ = Value;
}

hOrvexCursor TStoredProc::CreateHandle() {
  DatabaseError("Stored procedures are not available in this engine", this);
}

}  // namespace fw
