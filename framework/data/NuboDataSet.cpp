#include "NuboDataSet.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Chars.h"
#include "Database.h"
#include "EngineLib.h"
#include "Fields.h"
#include "Scope.h"

namespace fw {

FW_IMPLEMENT_CLASS(EDBEngineError)
FW_IMPLEMENT_CLASS(TNuboDataSet)
FW_PUBLISH(TDBDataSet) { c.Property("DatabaseName", &TDBDataSet::DatabaseName, &TDBDataSet::SetDatabaseName); }

// ---------------------------------------------------------------- errors

EDBEngineError::EDBEngineError(OrvexResult code) : EDBEngineError(code, Engine().ErrorText(code)) {}

EDBEngineError::EDBEngineError(OrvexResult code, const std::string& message) : EDatabaseError(message) {
  errors_.emplace_back(code, message);
}

namespace {

std::string JoinMessages(const std::vector<TDBError>& errors) {
  std::string text;
  for (const TDBError& e : errors) {
    if (e.Message().empty()) continue;
    if (!text.empty()) text += '\n';
    text += e.Message();
  }
  return text;
}

}  // namespace

EDBEngineError::EDBEngineError(std::vector<TDBError> errors)
    : EDatabaseError(JoinMessages(errors)), errors_(std::move(errors)) {}

namespace {

std::exception_ptr& KeptException() {
  thread_local std::exception_ptr kept;
  return kept;
}

}  // namespace

void KeepCallbackException(std::exception_ptr E) { KeptException() = std::move(E); }

void Check(OrvexResult Status) {
  if (Status == ORVEX_OK) return;
  if (Status == ORVEX_ERR_CALLBACKABORT && KeptException()) std::rethrow_exception(std::exchange(KeptException(), nullptr));
  throw EDBEngineError(Status);
}

void CheckCallbackAbort(OrvexResult Status) {
  if (Status == ORVEX_ERR_CALLBACKABORT) Check(Status);
}

std::string AnsiToNative(std::string_view Text, std::size_t MaxChars) {
  if (MaxChars == 0) return std::string(Text);
  return std::string(Text.substr(0, CharOffset(Text, MaxChars)));
}

std::string NativeToAnsi(std::string_view Text) { return std::string(Text); }

// ---------------------------------------------------------------- TNuboDataSet

namespace {

constexpr int kBookmarkSize = ORVEX_BOOKMARK_SIZE;

TFieldType FieldTypeOf(std::uint16_t engineType) {
  static_assert(ftString == ORVEX_FT_STRING && ftAutoInc == ORVEX_FT_AUTOINC && ftFmtMemo == ORVEX_FT_FMTMEMO,
                "field types are numbered as the engine numbers them");
  return engineType >= ORVEX_FT_STRING && engineType <= ORVEX_FT_FMTMEMO ? static_cast<TFieldType>(engineType)
                                                                         : ftUnknown;
}

bool IsNotFound(OrvexResult r) {
  return r == ORVEX_ERR_NOCURRREC || r == ORVEX_ERR_RECDELETED || r == ORVEX_ERR_RECNOTFOUND;
}

}  // namespace

TNuboDataSet::TNuboDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TNuboDataSet::~TNuboDataSet() {
  if (handle_) DestroyHandle();
}

const OrvexFieldDesc& TNuboDataSet::FieldDesc(int FieldNo) const {
  if (FieldNo < 1 || FieldNo > static_cast<int>(fieldDescs_.size()))
    DatabaseError("Invalid field number " + std::to_string(FieldNo), this);
  return fieldDescs_[static_cast<std::size_t>(FieldNo - 1)];
}

void TNuboDataSet::DestroyHandle() {
  Engine().CloseCursor(&handle_);
  handle_ = 0;
}

void TNuboDataSet::OpenCursor(bool InfoQuery) {
  if (!handle_) handle_ = CreateHandle();
  if (!handle_) DatabaseError("Error creating cursor handle", this);
  TDataSet::OpenCursor(InfoQuery);
}

void TNuboDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  if (handle_) DestroyHandle();
}

bool TNuboDataSet::MapsToIndex(const std::string& Fields, bool CaseInsensitive) const {
  if (!handle_ || props_.indexNo == 0 || props_.indexCount == 0) return false;
  std::vector<OrvexIndexDesc> indexes(props_.indexCount);
  if (Engine().GetIndexDescs(handle_, props_.indexCount, indexes.data()) != ORVEX_OK) return false;
  const auto current = std::find_if(indexes.begin(), indexes.end(),
                                    [this](const OrvexIndexDesc& x) { return x.indexNo == props_.indexNo; });
  if (current == indexes.end() || (current->caseInsensitive != 0) != CaseInsensitive) return false;
  const std::vector<TField*> fields = GetFieldList(Fields);
  if (fields.empty() || fields.size() > current->fieldCount) return false;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i]->FieldNo() != current->fields[i]) return false;
  return true;
}

void TNuboDataSet::GetCursorInfo() {
  Check(Engine().GetCursorProps(handle_, &props_));
  fieldDescs_.assign(props_.fieldCount, OrvexFieldDesc{});
  if (props_.fieldCount > 0) Check(Engine().GetFieldDescs(handle_, props_.fieldCount, fieldDescs_.data()));
}

void TNuboDataSet::InternalOpen() {
  GetCursorInfo();
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  Check(Engine().SetToBegin(handle_));
  cursorRecNo_ = 0;
  PrepareCursor();
}

void TNuboDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

void TNuboDataSet::InternalInitFieldDefs() {
  GetCursorInfo();
  TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (const OrvexFieldDesc& d : fieldDescs_) {
    TFieldType type = FieldTypeOf(d.type);
    int size = type == ftBCD ? d.decimals : d.size;
    defs->Add(NativeToAnsi(d.name), type, size, d.required != 0, d.fieldNo);
  }
}

TGetResult TNuboDataSet::GetRecord(std::uint8_t* Record, TGetMode GetMode, bool DoCheck) {
  TEngineLib& e = Engine();
  OrvexResult r = GetMode == gmNext    ? e.GetNextRecord(handle_, 0, Record, nullptr)
                  : GetMode == gmPrior ? e.GetPriorRecord(handle_, 0, Record, nullptr)
                                       : e.GetRecord(handle_, 0, Record, nullptr);
  switch (r) {
    case ORVEX_OK: {
      // The bookmark of a record is its id; keep it beside the record.
      std::uint8_t* bm = Record + props_.recordSize;
      std::memcpy(bm, Record, 8);
      std::uint32_t magic = ORVEX_BOOKMARK_MAGIC, zero = 0;
      std::memcpy(bm + 8, &magic, 4);
      std::memcpy(bm + 12, &zero, 4);
      if (GetMode == gmNext) cursorRecNo_ = cursorRecNo_ >= 0 ? cursorRecNo_ + 1 : -1;
      if (GetMode == gmPrior) cursorRecNo_ = cursorRecNo_ > 1 ? cursorRecNo_ - 1 : -1;
      SetRecNoOf(Record, cursorRecNo_);
      return grOK;
    }
    case ORVEX_ERR_EOF: cursorRecNo_ = -1; return grEOF;
    case ORVEX_ERR_BOF: cursorRecNo_ = 0; return grBOF;
    default:
      cursorRecNo_ = -1;
      if (DoCheck && !IsNotFound(r)) Check(r);
      CheckCallbackAbort(r);
      return grError;
  }
}

void TNuboDataSet::InternalFirst() {
  cursorRecNo_ = -1;
  Check(Engine().SetToBegin(handle_));
  cursorRecNo_ = 0;
}

void TNuboDataSet::InternalLast() {
  cursorRecNo_ = -1;
  Check(Engine().SetToEnd(handle_));
}

void TNuboDataSet::InternalSetToRecord(const std::uint8_t* Record) {
  cursorRecNo_ = -1;
  // A record that filters no longer pass leaves the cursor where it stood,
  // between its neighbours: reading on from there is what the caller wants.
  OrvexResult r = Engine().SetToBookmark(handle_, Record + props_.recordSize);
  if (r != ORVEX_ERR_NOCURRREC) Check(r);
  int n = RecNoOf(Record);
  if (r == ORVEX_OK && n > 0) cursorRecNo_ = n;
}

void TNuboDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
  cursorRecNo_ = -1;
  if (Bookmark.Data.size() != kBookmarkSize) Check(ORVEX_ERR_INVALIDBOOKMARK);
  Check(Engine().SetToBookmark(handle_, Bookmark.Data.data()));
}

TBookmark TNuboDataSet::GetBookmarkData(const std::uint8_t* Record) const {
  const std::uint8_t* bm = Record + props_.recordSize;
  std::int64_t id;
  std::memcpy(&id, bm, 8);
  if (id == 0) return {};
  return TBookmark{std::vector<std::uint8_t>(bm, bm + kBookmarkSize)};
}

void TNuboDataSet::SetBookmarkData(std::uint8_t* Record, const TBookmark& Bookmark) {
  std::uint8_t* bm = Record + props_.recordSize;
  std::memset(bm, 0, kBookmarkSize);
  if (Bookmark.Data.size() == kBookmarkSize) std::memcpy(bm, Bookmark.Data.data(), kBookmarkSize);
}

void TNuboDataSet::InternalInitRecord(std::uint8_t* Record) {
  std::memset(Record, 0, static_cast<std::size_t>(GetRecordSize()));
  Check(Engine().InitRecord(handle_, Record));
}

void TNuboDataSet::InternalEdit() {
  // Edit what is stored now, not what was read some time ago.
  std::uint8_t* rec = ActiveBuffer();
  OrvexResult r = Engine().GetRecord(handle_, 0, rec, nullptr);
  if (r != ORVEX_OK) Check(r);
}

void TNuboDataSet::WritePendingBlobs(std::uint8_t* Record, bool Free) {
  TEngineLib& e = Engine();
  for (const auto& [fieldNo, data] : PendingBlobs()) {
    auto no = static_cast<std::uint16_t>(fieldNo);
    if (Free) {
      e.FreeBlob(handle_, Record, no);
      continue;
    }
    Check(e.OpenBlob(handle_, Record, no, ORVEX_BLOB_READWRITE));
    Check(e.TruncateBlob(handle_, Record, no, 0));
    for (std::size_t at = 0; at < data.size(); at += ORVEX_BLOB_MAX_READ) {
      std::size_t n = std::min<std::size_t>(ORVEX_BLOB_MAX_READ, data.size() - at);
      Check(e.PutBlob(handle_, Record, no, static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(n),
                      data.data() + at));
    }
  }
}

void TNuboDataSet::InternalPost() {
  cursorRecNo_ = -1;  // the record goes where its key puts it
  std::uint8_t* rec = ActiveBuffer();
  TScopeExit freeBlobs([&] { WritePendingBlobs(rec, true); });
  WritePendingBlobs(rec, false);
  if (State() == dsInsert) Check(Engine().InsertRecord(handle_, 0, rec));
  else Check(Engine().ModifyRecord(handle_, rec, 1));
}

void TNuboDataSet::InternalDelete() {
  cursorRecNo_ = -1;
  Check(Engine().DeleteRecord(handle_, nullptr));
}

void TNuboDataSet::InternalRefresh() {
  cursorRecNo_ = -1;
  Check(Engine().ForceReread(handle_));
}

bool TNuboDataSet::GetRecordFieldData(TField* Field, const std::uint8_t* Record, void* Buffer) {
  const OrvexFieldDesc& d = FieldDesc(Field->FieldNo());
  if (Record[d.blankOffset]) return false;
  if (!Buffer || Field->IsBlob()) return true;
  if (d.type == ORVEX_FT_BCD) {
    double v = 0;
    Check(Engine().BcdToFloat(Record + d.offset, &v));
    std::memcpy(Buffer, &v, sizeof v);
    return true;
  }
  std::size_t size = static_cast<std::size_t>(Field->DataSize());
  std::size_t n = std::min<std::size_t>(size, d.length);
  std::memcpy(Buffer, Record + d.offset, n);
  if (n < size) std::memset(static_cast<std::uint8_t*>(Buffer) + n, 0, size - n);
  return true;
}

void TNuboDataSet::SetRecordFieldData(TField* Field, std::uint8_t* Record, const void* Buffer) {
  const OrvexFieldDesc& d = FieldDesc(Field->FieldNo());
  auto no = static_cast<std::uint16_t>(Field->FieldNo());
  if (d.type == ORVEX_FT_BCD && Buffer) {
    double v;
    std::memcpy(&v, Buffer, sizeof v);
    std::uint8_t bcd[ORVEX_BCD_SIZE] = {};
    Check(Engine().FloatToBcd(v, d.size, d.decimals, bcd));
    Check(Engine().PutField(handle_, no, Record, bcd));
    return;
  }
  Check(Engine().PutField(handle_, no, Record, Buffer));
}

bool TNuboDataSet::GetRecordBlobData(TField* Field, const std::uint8_t* Record, std::string& Data) {
  const OrvexFieldDesc& d = FieldDesc(Field->FieldNo());
  if (Record[d.blankOffset]) return false;
  // The engine keeps the blob's handle in the buffer while it is open.
  auto* rec = const_cast<std::uint8_t*>(Record);
  auto no = static_cast<std::uint16_t>(Field->FieldNo());
  TEngineLib& e = Engine();
  Check(e.OpenBlob(handle_, rec, no, ORVEX_BLOB_READONLY));
  std::string chunk(ORVEX_BLOB_MAX_READ, '\0');
  OrvexResult r = ORVEX_OK;
  for (std::uint32_t at = 0;; at += ORVEX_BLOB_MAX_READ) {
    std::uint32_t read = 0;
    r = e.GetBlob(handle_, rec, no, at, ORVEX_BLOB_MAX_READ, chunk.data(), &read);
    if (r == ORVEX_OK) {
      Data.append(chunk, 0, ORVEX_BLOB_MAX_READ);
      continue;
    }
    if (r == ORVEX_ERR_ENDOFBLOB) Data.append(chunk, 0, read);
    if (r == ORVEX_ERR_ENDOFBLOB || r == ORVEX_ERR_BLOBOFFSET) r = ORVEX_OK;
    break;
  }
  e.FreeBlob(handle_, rec, no);
  Check(r);
  return true;
}

int TNuboDataSet::GetRecordCountInternal() {
  std::uint32_t n = 0;
  Check(Engine().GetRecordCount(handle_, &n));
  return static_cast<int>(n);
}

int TNuboDataSet::RecNoOf(const std::uint8_t* Record) const {
  std::int32_t n;
  std::memcpy(&n, Record + props_.recordSize + kBookmarkSize, sizeof n);
  return n;
}

void TNuboDataSet::SetRecNoOf(std::uint8_t* Record, int Value) const {
  std::int32_t n = Value > 0 ? Value : 0;
  std::memcpy(Record + props_.recordSize + kBookmarkSize, &n, sizeof n);
}

// The window's records follow one another in the cursor's order, so one
// number known among them gives them all; failing that, the engine counts
// the records before the current one through the index, and the numbers go
// on from there as the cursor moves.
int TNuboDataSet::GetRecNoInternal() {
  if (State() == dsInsert) return -1;
  if (State() == dsCalcFields || State() == dsFilter) {
    // A record being fetched, not yet in the window; the cursor is on it.
    std::uint8_t* rec = ActiveFieldRecord();
    if (!rec) return -1;
    if (RecNoOf(rec) <= 0) {
      std::uint32_t n = 0;
      if (Engine().GetSeqNo(handle_, &n) != ORVEX_OK) return -1;
      cursorRecNo_ = static_cast<int>(n);
      SetRecNoOf(rec, cursorRecNo_);
    }
    return RecNoOf(rec);
  }
  const int active = ActiveRecord(), count = WindowRecordCount();
  int number = 0;
  for (int i = 0; i < count && number <= 0; ++i)
    if (int n = RecNoOf(WindowBuffer(i)); n > 0) number = n + active - i;
  if (number <= 0) {
    UpdateCursorPos();
    std::uint32_t n = 0;
    if (Engine().GetSeqNo(handle_, &n) != ORVEX_OK) return -1;
    number = static_cast<int>(n);
    cursorRecNo_ = number;
  }
  for (int i = 0; i < count; ++i) SetRecNoOf(WindowBuffer(i), number + i - active);
  return number;
}

void TNuboDataSet::SetRecNoInternal(int Value) {
  TEngineLib& e = Engine();
  cursorRecNo_ = -1;
  Check(e.SetToBegin(handle_));
  int target = Value < 1 ? 1 : Value;
  OrvexResult r = e.GetRelativeRecord(handle_, target, 0, nullptr, nullptr);
  if (r == ORVEX_OK) cursorRecNo_ = target;
  else if (r != ORVEX_ERR_EOF) Check(r);
}

bool TNuboDataSet::CanModify() const { return handle_ != 0 && props_.readOnly == 0; }

bool TNuboDataSet::IsSequenced() {
  return handle_ != 0 && props_.cursorKind == ORVEX_CURSOR_TABLE && std::strcmp(props_.driverType, "KALMURE") == 0;
}

int TNuboDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
  if (Bookmark1.IsNull() || Bookmark2.IsNull() || !handle_) return TDataSet::CompareBookmarks(Bookmark1, Bookmark2);
  std::int16_t result = 0;
  Check(Engine().CompareBookmarks(handle_, Bookmark1.Data.data(), Bookmark2.Data.data(), &result));
  return result;
}

bool TNuboDataSet::BookmarkValid(const TBookmark& Bookmark) {
  if (!handle_ || Bookmark.Data.size() != kBookmarkSize) return false;
  CursorPosChanged();
  cursorRecNo_ = -1;
  OrvexResult r = Engine().SetToBookmark(handle_, Bookmark.Data.data());
  CheckCallbackAbort(r);
  if (r != ORVEX_OK) return false;
  std::vector<std::uint8_t> rec(static_cast<std::size_t>(GetRecordSize()));
  r = Engine().GetRecord(handle_, 0, rec.data(), nullptr);
  CheckCallbackAbort(r);
  return r == ORVEX_OK;
}

std::string TNuboDataSet::Translate(std::string_view Text, bool ToEngine, std::size_t MaxChars) const {
  return ToEngine ? AnsiToNative(Text, MaxChars) : NativeToAnsi(Text);
}

// ---------------------------------------------------------------- TDBDataSet

TDBDataSet::TDBDataSet(TComponent* AOwner) : TNuboDataSet(AOwner) {}

TDBDataSet::~TDBDataSet() {
  if (database_) {
    dbFlags_ = {};
    TDatabase* db = database_;
    database_ = nullptr;
    std::erase(db->dataSets_, this);
    if (TSession* session = db->Session()) session->CloseDatabase(db);
  }
}

void TDBDataSet::SetDatabaseName(const std::string& Value) {
  if (Value == databaseName_) return;
  CheckInactive();
  databaseName_ = Value;
  DataEvent(dePropertyChange, 0);
}

TSession* TDBDataSet::DBSession() const { return database_ ? database_->Session() : &Session(); }

hOrvexDb TDBDataSet::DBHandle() const { return database_ ? database_->Handle() : 0; }

void TDBDataSet::SetDBFlag(TDBFlag Flag, bool Value) {
  if (Value) {
    if (dbFlags_.Empty()) {
      TDatabase* db = Session().OpenDatabase(databaseName_);
      database_ = db;
      db->dataSets_.push_back(this);
    }
    dbFlags_.Include(Flag);
    return;
  }
  if (!dbFlags_.Contains(Flag)) return;
  dbFlags_.Exclude(Flag);
  if (dbFlags_.Empty() && database_) {
    TDatabase* db = database_;
    database_ = nullptr;
    std::erase(db->dataSets_, this);
    if (TSession* session = db->Session()) session->CloseDatabase(db);
  }
}

void TDBDataSet::OpenCursor(bool InfoQuery) {
  SetDBFlag(dbfOpened, true);
  TNuboDataSet::OpenCursor(InfoQuery);
}

void TDBDataSet::CloseCursor() {
  TNuboDataSet::CloseCursor();
  SetDBFlag(dbfOpened, false);
}

}  // namespace fw
