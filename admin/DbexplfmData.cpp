// The main window's Data and SQL pages: the table and query datasets, the
// query history, transactions on the connected database and the blob viewer.
#include <algorithm>

#include "BlobView.h"
#include "Dbexplfm.h"
#include "Dialogs.h"
#include "Expldb.h"
#include "Format.h"
#include "Query.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

using namespace fw;

namespace dbx {

namespace {

// More entries than this drop the oldest.
constexpr std::size_t kQueryHistoryLimit = 10;

}  // namespace

void TDbExplorerForm::CreateQueryScript() {
  DbQuery = new TQueryScript(this);
  DbQuery->SetName("DbQuery");
  queryErrorEvent_ = DbQuery->OnPostError;
  DbQuerySource->SetDataSet(DbQuery);
  DbQuery->AfterOpen = [this](TDataSet*) { QueryGrid->SetVisible(true); };
  DbQuery->AfterClose = [this](TDataSet*) { QueryGrid->SetVisible(false); };
  UpdatePrevQuery();
}

std::string TDbExplorerForm::DatabaseNameOf(TExploreObject* object) {
  TDb* db = object ? OwningDb(object) : nullptr;
  return db ? db->Name() : std::string();
}

void TDbExplorerForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation != opRemove || AComponent != blobViewer_ || !blobViewer_) return;
  blobViewer_ = nullptr;
  viewingBlobs_ = false;
  if (destroying_) return;
  SBViewBlobs->SetDown(false);
  MViewBlobs->SetChecked(false);
}

// ---- binding

void TDbExplorerForm::BindDataSet(TDataSet* dataSet, TExploreObject* object) {
  if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
  dataSet->Close();
  if (currentGrid_) currentGrid_->Columns()->SetState(csDefault);
  AttachGrid(nullptr, nullptr);
  std::string database = DatabaseNameOf(object);
  if (database.empty()) return;
  if (auto* data = dynamic_cast<TDBDataSet*>(dataSet)) data->SetDatabaseName(database);
  if (auto* table = dynamic_cast<TTable*>(dataSet)) {
    table->SetIndexFieldNames("");
    table->SetTableName(object->Name());
  }
}

void TDbExplorerForm::AttachGrid(TDataSource* source, TDBGrid* grid) {
  if (blobViewer_) blobViewer_->SetGrid(grid);
  currentGrid_ = grid;
  DbNavigator->SetDataSource(source);
}

void TDbExplorerForm::TabDataShow(TObject*) {
  if (!shown_) return;
  try {
    SetDataInfo("Contents of %s", shown_->Name());
    AttachGrid(DbTableSource, TableGrid);
    THourGlassScope hourglass;
    DbTable->Open();
  } catch (...) {
    Application->HandleException(this);
  }
}

void TDbExplorerForm::TabSQLShow(TObject*) {
  if (!shown_) return;
  try {
    SetDataInfo("Execute SQL queries in database %s", DatabaseNameOf(shown_));
    if (DbQuery->Active()) AttachGrid(DbQuerySource, QueryGrid);
    if (QueryMemo->CanFocus()) QueryMemo->SetFocus();
  } catch (...) {
    Application->HandleException(this);
  }
}

// ---- query history

std::string TDbExplorerForm::QueryHistory(int index) const {
  return Trim(queryHistory_.at(static_cast<std::size_t>(index))->Text());
}

void TDbExplorerForm::UpdatePrevQuery() {
  bool enabled = QueryMemo->Tag() > 0;
  SBQPrevQuery->SetEnabled(enabled);
  if (QPPrevQuery) QPPrevQuery->SetEnabled(enabled);
}

void TDbExplorerForm::StoreQuery(bool inPlace) {
  if (!QueryMemo->Modified()) return;
  std::string text = Trim(QueryMemo->Text());
  auto shown = static_cast<std::size_t>(QueryMemo->Tag());
  if (inPlace && shown < queryHistory_.size()) {
    if (!text.empty()) queryHistory_[shown]->SetText(text);
    else queryHistory_.erase(queryHistory_.begin() + static_cast<std::ptrdiff_t>(shown));
  } else if (!text.empty()) {
    auto entry = std::make_unique<TStringList>();
    entry->SetText(text);
    queryHistory_.push_back(std::move(entry));
    QueryMemo->SetTag(static_cast<std::intptr_t>(queryHistory_.size() - 1));
    // The memo's index then equals the count: it shows a new query.
    if (queryHistory_.size() > kQueryHistoryLimit) queryHistory_.erase(queryHistory_.begin());
  }
  QueryMemo->SetModified(false);
  UpdatePrevQuery();
}

void TDbExplorerForm::ShowQuery(int index) {
  int count = QueryHistoryCount();
  index = std::clamp(index, 0, count);
  QueryMemo->SetTag(index);
  if (index < count) QueryMemo->Lines()->Assign(queryHistory_[static_cast<std::size_t>(index)].get());
  else QueryMemo->Clear();
  QueryMemo->SetModified(false);
  UpdatePrevQuery();
}

void TDbExplorerForm::SBQPrevQueryClick(TObject*) {
  StoreQuery(true);
  ShowQuery(static_cast<int>(QueryMemo->Tag()) - 1);
}

void TDbExplorerForm::SBQNextQueryClick(TObject*) {
  StoreQuery(true);
  ShowQuery(static_cast<int>(QueryMemo->Tag()) + 1);
}

void TDbExplorerForm::QPLoadClick(TObject*) {
  if (!LoadQueryDialog->Execute()) return;
  StoreQuery(QueryMemo->Tag() < QueryHistoryCount());
  QueryMemo->Lines()->LoadFromFile(LoadQueryDialog->FileName());
  QueryMemo->SetTag(QueryHistoryCount());
  QueryMemo->SetModified(true);
  UpdatePrevQuery();
}

void TDbExplorerForm::QPSaveClick(TObject*) {
  if (SaveQueryDialog->Execute()) QueryMemo->Lines()->SaveToFile(SaveQueryDialog->FileName());
}

// ---- running a query

void TDbExplorerForm::SBQExecQueryClick(TObject*) {
  ShowStatus("");
  StoreQuery(false);
  DbQuery->Close();
  DbQuery->UseOptions(queryOptions_.LineDelimit, queryOptions_.StmtDelimit, queryOptions_.Escape,
                      queryOptions_.EscapeQuote, queryOptions_.Comments);
  DbQuery->SetRequestLive(queryOptions_.RequestLive);
  DbQuery->SQL()->SetText(QueryMemo->Text());
  DbQuery->OnPostError = queryErrorEvent_;
  AttachGrid(nullptr, nullptr);
  try {
    THourGlassScope hourglass;
    DbQuery->Open();
    AttachGrid(DbQuerySource, QueryGrid);
  } catch (const ENoResultSet&) {
    // a statement without rows: its count is the answer
  }
  int rows = DbQuery->RowsAffected();
  ShowStatus(rows < 0 ? std::string("Execution complete") : Format("%d rows were affected", {rows}));
}

// ---- transactions

TDatabase* TDbExplorerForm::ConnectedDatabase() const {
  TExploreObject* object = GetActiveObject();
  return object ? GetConnectedDatabase(object) : nullptr;
}

void TDbExplorerForm::UpdateTransactionButtons() {
  TDatabase* database = ConnectedDatabase();
  bool available = database && TabSQL->TabVisible();
  DbDataPanel->SetVisible(available);
  SBTransaction->SetEnabled(available);
  bool running = database && database->InTransaction();
  SBTransaction->SetDown(running);
  SBRollbackTransaction->SetEnabled(running);
}

void TDbExplorerForm::SBTransactionClick(TObject*) {
  TScopeExit update([this] { UpdateTransactionButtons(); });
  TDatabase* database = ConnectedDatabase();
  if (!database) return;
  if (database->InTransaction()) {
    database->Commit();
    return;
  }
  int level = tiReadCommitted;
  TMenuItem* levels[] = {MDirtyRead, MCommittedRead, MRepeatableRead};
  for (int i = 0; i < 3; ++i)
    if (levels[i]->Checked()) {
      level = i;
      break;
    }
  database->SetTransIsolation(static_cast<TTransIsolation>(level));
  database->StartTransaction();
}

void TDbExplorerForm::SBRollbackTransactionClick(TObject*) {
  TScopeExit update([this] { UpdateTransactionButtons(); });
  if (TDatabase* database = ConnectedDatabase()) database->Rollback();
}

void TDbExplorerForm::MIsolationClick(TObject*) {
  TDatabase* database = ConnectedDatabase();
  bool running = database && database->InTransaction();
  TMenuItem* levels[] = {MDirtyRead, MCommittedRead, MRepeatableRead};
  for (int i = 0; i < 3; ++i) levels[i]->SetEnabled(!running || static_cast<int>(database->TransIsolation()) == i);
}

void TDbExplorerForm::IsolationClick(TObject* Sender) { static_cast<TMenuItem*>(Sender)->SetChecked(true); }

// ---- the pages' popups and grids

void TDbExplorerForm::DataPopupMenuPopup(TObject*) {
  bool begin = SBTransaction->Enabled() && !SBTransaction->Down();
  bool commit = SBTransaction->Enabled() && SBTransaction->Down();
  bool rollback = SBRollbackTransaction->Enabled();
  for (TMenuItem* item : {TPBeginTrans, QPBeginTrans}) item->SetEnabled(begin);
  for (TMenuItem* item : {TPCommitTrans, QPCommitTrans}) item->SetEnabled(commit);
  for (TMenuItem* item : {TPRollbackTrans, QPRollbackTrans}) item->SetEnabled(rollback);
}

TDBGrid* TDbExplorerForm::FocusedGrid() const {
  auto* grid = dynamic_cast<TDBGrid*>(ActiveControl());
  return grid && grid->Focused() ? grid : nullptr;
}

void TDbExplorerForm::GridEditorModeClick(TObject*) {
  if (TDBGrid* grid = FocusedGrid()) grid->SetEditorMode(true);
}

void TDbExplorerForm::GridDeleteClick(TObject*) {
  TDBGrid* grid = FocusedGrid();
  TDataSet* data = grid && grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
  if (!data || !data->Active()) return;
  if (data->State() == dsInsert) data->Cancel();
  else if (MessageDlg("Delete record?", mtConfirmation, mbOKCancel, 0) == mrOk) data->Delete();
}

void TDbExplorerForm::GridDblClick(TObject* Sender) {
  auto* grid = static_cast<TDBGrid*>(Sender);
  if (dynamic_cast<TBlobField*>(grid->SelectedField())) SetBlobViewing(true);
}

// ---- the blob viewer

void TDbExplorerForm::SBViewBlobsClick(TObject*) { SetBlobViewing(!viewingBlobs_); }

void TDbExplorerForm::SetBlobViewing(bool on) {
  if (destroying_) return;
  viewingBlobs_ = on;
  SBViewBlobs->SetDown(on);
  MViewBlobs->SetChecked(on);
  if (!on) {
    delete blobViewer_;
    return;
  }
  if (blobViewer_) {
    blobViewer_->BringToFront();
  } else {
    blobViewer_ = NewForm<TBlobForm>(this);
    blobViewer_->FreeNotification(this);
    blobViewer_->Show();
  }
  if (currentGrid_ && currentGrid_->Showing()) blobViewer_->SetGrid(currentGrid_);
}

}  // namespace dbx
