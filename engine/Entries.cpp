// The C entry points and the ordinal table. No exception leaves an entry:
// each answers the code of what went wrong and leaves its detail for the
// error-text entry.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "Answers.h"
#include "Config.h"
#include "Cursor.h"
#include "Errors.h"
#include "Handles.h"
#include "Qbe.h"
#include "SqlSession.h"
#include "Statements.h"
#include "TableFile.h"

namespace orvex {

// The layouts the header promises, some fixed by what callers read at byte offsets.
static_assert(sizeof(OrvexTableDesc) == 682 && offsetof(OrvexTableDesc, driverType) == 261 &&
              offsetof(OrvexTableDesc, protectedFlag) == 618 && offsetof(OrvexTableDesc, packFlag) == 620);
static_assert(sizeof(OrvexVchkDesc) == 1219 && offsetof(OrvexVchkDesc, picture) == 778);
static_assert(sizeof(OrvexCursorProps) == 400 && offsetof(OrvexCursorProps, protectedFlag) == 349);
static_assert(sizeof(OrvexFieldDesc) == 96 && sizeof(OrvexIndexDesc) == 112 && sizeof(OrvexTableListRec) == 296);

namespace {

template <typename F>
OrvexResult Guard(F&& body) noexcept {
  try {
    body();
    return ORVEX_OK;
  } catch (const Error& e) {
    SetLastError(e.Code(), e.Detail());
    return e.Code();
  } catch (const std::bad_alloc&) {
    SetLastError(ORVEX_ERR_NOMEMORY, {});
    return ORVEX_ERR_NOMEMORY;
  } catch (const std::exception& e) {
    SetLastError(ORVEX_ERR_INTERNAL, e.what());
    return ORVEX_ERR_INTERNAL;
  } catch (...) {
    SetLastError(ORVEX_ERR_INTERNAL, {});
    return ORVEX_ERR_INTERNAL;
  }
}

template <typename T>
T& Need(T* p, const char* what) {
  if (!p) Fail(ORVEX_ERR_INVALIDPARAM, what);
  return *p;
}

std::uint8_t* Rec(void* p) { return static_cast<std::uint8_t*>(p); }
const std::uint8_t* Rec(const void* p) { return static_cast<const std::uint8_t*>(p); }

Database& Db(hOrvexDb h) { return TheHandles().Get<Database>(h, Kind::Database); }
Cursor& Cur(hOrvexCursor h) { return TheHandles().Get<Cursor>(h, Kind::Cursor); }

TableCursor& Table(hOrvexCursor h) {
  TableCursor* t = Cur(h).AsTable();
  if (!t) Fail(ORVEX_ERR_NOTSUPPORTED, "not a table cursor");
  return *t;
}

// A cursor of records: a table's or an answer's.
RecordCursor& Records(hOrvexCursor h) {
  RecordCursor* r = Cur(h).AsRecords();
  if (!r) Fail(ORVEX_ERR_NOTSUPPORTED, "not a cursor of records");
  return *r;
}

AnswerCursor& Answer(hOrvexCursor h) {
  auto* a = dynamic_cast<AnswerCursor*>(&Cur(h));
  if (!a) Fail(ORVEX_ERR_NOTSUPPORTED, "not an answer cursor");
  return *a;
}

Statement& Stmt(OrvexHandle h) { return TheHandles().Get<Statement>(h, Kind::Statement); }

std::shared_ptr<SqlSession> SqlOf(Database& d) {
  if (!d.Sql()) d.Sql() = std::make_shared<SqlSession>(d.Directory(), d.DefaultDriver());
  return d.Sql();
}

// A cursor about to be moved or changed: never from inside its own filter
// callback, whose read is under way.
Cursor& Movable(hOrvexCursor h) {
  Cursor& c = Cur(h);
  if (RecordCursor* r = c.AsRecords(); r && r->InCallback()) Fail(ORVEX_ERR_INCALLBACK);
  return c;
}

RecordCursor& MovableRecords(hOrvexCursor h) {
  RecordCursor& r = Records(h);
  if (r.InCallback()) Fail(ORVEX_ERR_INCALLBACK);
  return r;
}

TableCursor& MovableTable(hOrvexCursor h) {
  TableCursor& t = Table(h);
  if (t.InCallback()) Fail(ORVEX_ERR_INCALLBACK);
  return t;
}

void Flag(std::uint16_t v, const char* what) {
  if (v > 1) Fail(ORVEX_ERR_INVALIDPARAM, what);
}

// A table of a database, named without an extension: of the database's default driver.
TablePath Resolve(hOrvexDb db, const char* tableName, const char* driverType) {
  const Database& d = Db(db);
  if ((!driverType || !*driverType) && !d.DefaultDriver().empty() && tableName) {
    const char* file = std::strrchr(tableName, '/');
    if (!std::strchr(file ? file : tableName, '.'))
      return ResolveTable(d.Directory(), tableName, d.DefaultDriver().c_str());
  }
  return ResolveTable(d.Directory(), tableName, driverType);
}

bool HasTableExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot);
  return FoldedCompare(ext, ".db") == 0 || FoldedCompare(ext, ".dbf") == 0;
}

// ---------------------------------------------------------------- databases and tables

OrvexResult OpenDatabase(const char* name, const char* type, hOrvexDb* db) {
  return Guard([&] {
    Need(db, "database handle") = 0;
    std::string given = &Need(name, "database name");
    if (type && *type && FoldedCompare(type, "STANDARD") != 0) Fail(ORVEX_ERR_UNKNOWNTYPE, type);
    if (given.empty()) Fail(ORVEX_ERR_INVALIDPARAM, "database name");
    Config::Target target = Config::Get().ResolveDatabase(given);
    std::string& dir = target.directory;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) Fail(ORVEX_ERR_DIRNOTFOUND, dir);
    *db = TheHandles().Add(std::make_unique<Database>(dir, target.defaultDriver));
  });
}

OrvexResult CloseDatabase(hOrvexDb* db) {
  return Guard([&] {
    hOrvexDb h = Need(db, "database handle");
    Db(h);
    TheHandles().Remove(h);
    *db = 0;
  });
}

OrvexResult OpenTableList(hOrvexDb db, hOrvexCursor* cursor) {
  return Guard([&] {
    Need(cursor, "cursor handle") = 0;
    const std::string& dir = Db(db).Directory();
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d) Fail(ORVEX_ERR_DIRNOTFOUND, dir);
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      struct stat st;
      if (HasTableExtension(name) && name.size() < 261 && ::stat((dir + "/" + name).c_str(), &st) == 0 &&
          S_ISREG(st.st_mode))
        names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    std::vector<std::string> records;
    for (const std::string& name : names) {
      OrvexTableListRec r{};
      CopyText(r.name, sizeof r.name, name);
      TablePath t = ResolveTable(dir, name.c_str(), nullptr);
      CopyText(r.driverType, sizeof r.driverType, DriverName(t.format));
      records.emplace_back(reinterpret_cast<const char*>(&r), sizeof r);
    }
    *cursor = TheHandles().Add(std::make_unique<ListCursor>(sizeof(OrvexTableListRec), std::move(records)));
  });
}

OrvexResult CreateTable(hOrvexDb db, const OrvexTableDesc* table, std::uint16_t fieldCount,
                        const OrvexFieldDesc* fields, std::uint16_t indexCount, const OrvexIndexDesc* indexes,
                        std::uint16_t vchkCount, const OrvexVchkDesc* vchks, std::uint16_t overwrite) {
  return Guard([&] {
    const OrvexTableDesc& desc = Need(table, "table descriptor");
    Flag(overwrite, "overwrite");
    if (strnlen(desc.driverType, sizeof desc.driverType) == sizeof desc.driverType)
      Fail(ORVEX_ERR_INVALIDDESC, "driver type");
    TablePath t = Resolve(db, desc.name, desc.driverType);
    TableFile::Create(t, desc, fieldCount, fields, indexCount, indexes, vchkCount, vchks, overwrite != 0);
  });
}

OrvexResult OpenTable(hOrvexDb db, const char* tableName, const char* driverType, const char* indexName,
                      std::uint16_t openMode, std::uint16_t shareMode, hOrvexCursor* cursor) {
  return Guard([&] {
    Need(cursor, "cursor handle") = 0;
    Flag(openMode, "open mode");
    Flag(shareMode, "share mode");
    TablePath t = Resolve(db, tableName, driverType);
    bool exclusive = shareMode == ORVEX_SHARE_EXCLUSIVE;
    auto lock = std::make_unique<TableLock>(t.path, exclusive ? TableLock::Exclusive : TableLock::Shared);
    auto c = std::make_unique<TableCursor>(TableFile::Open(t), openMode == ORVEX_OPEN_READONLY, exclusive);
    if (indexName && *indexName) c->SwitchToIndex(c->FindIndex(indexName), false);
    c->SetLock(std::move(lock));
    *cursor = TheHandles().Add(std::move(c));
  });
}

OrvexResult EmptyTable(hOrvexDb db, hOrvexCursor cursor, const char* tableName, const char* driverType) {
  return Guard([&] {
    Db(db);
    if (cursor) return MovableTable(cursor).Empty();
    TablePath t = Resolve(db, tableName, driverType);
    TableLock lock(t.path, TableLock::Shared);
    auto file = TableFile::Open(t);
    if (!file->Writable()) Fail(ORVEX_ERR_ACCESS, t.path);
    file->Empty();
  });
}

OrvexResult DeleteTable(hOrvexDb db, const char* tableName, const char* driverType) {
  return Guard([&] { TableFile::Delete(Resolve(db, tableName, driverType)); });
}

OrvexResult PackTable(hOrvexDb db, hOrvexCursor cursor, const char* tableName, const char* driverType,
                      std::uint16_t rebuildIndexes) {
  return Guard([&] {
    Db(db);
    if (cursor) {
      TableCursor& c = MovableTable(cursor);
      if (c.Table().TableFormat() != Format::Zentor) Fail(ORVEX_ERR_NOTSUPPORTED, c.Table().Path());
      return c.Pack(rebuildIndexes != 0);
    }
    TablePath t = Resolve(db, tableName, driverType);
    if (t.format != Format::Zentor) Fail(ORVEX_ERR_NOTSUPPORTED, t.path);
    TableLock lock(t.path, TableLock::Sole);
    auto file = TableFile::Open(t);
    if (!file->Writable()) Fail(ORVEX_ERR_ACCESS, t.path);
    file->Pack(rebuildIndexes != 0);
  });
}

OrvexResult DoRestructure(hOrvexDb db, std::uint16_t descCount, const OrvexTableDesc* desc, const char* saveAs,
                          const char* keyViolName, const char* problemsName, std::uint16_t analyseOnly) {
  return Guard([&] {
    Db(db);
    const OrvexTableDesc& td = Need(desc, "table descriptor");
    if (descCount != 1) Fail(ORVEX_ERR_INVALIDPARAM, "descriptor count");
    if (saveAs || keyViolName || problemsName || analyseOnly) Fail(ORVEX_ERR_NOTSUPPORTED, "restructure options");
    if (strnlen(td.driverType, sizeof td.driverType) == sizeof td.driverType)
      Fail(ORVEX_ERR_INVALIDDESC, "driver type");
    TablePath t = Resolve(db, td.name, td.driverType);
    TableLock lock(t.path, TableLock::Sole);
    auto file = TableFile::Open(t);
    if (!file->Writable()) Fail(ORVEX_ERR_ACCESS, t.path);
    file->SetProtectedFlag(td.protectedFlag);
    if (td.packFlag) file->Pack(true);
  });
}

OrvexResult OpenVchkList(hOrvexDb db, const char* tableName, const char* driverType, hOrvexCursor* cursor) {
  return Guard([&] {
    Need(cursor, "cursor handle") = 0;
    TablePath t = Resolve(db, tableName, driverType);
    auto file = TableFile::Open(t);
    std::vector<std::string> records;
    for (const CheckDef& c : file->Checks())
      records.emplace_back(reinterpret_cast<const char*>(&c.desc), sizeof c.desc);
    *cursor = TheHandles().Add(std::make_unique<ListCursor>(sizeof(OrvexVchkDesc), std::move(records)));
  });
}

OrvexResult GetErrorText(OrvexResult code, char* text) {
  if (!text) return ORVEX_ERR_INVALIDPARAM;
  std::string t = ErrorText(code);
  std::memcpy(text, t.c_str(), t.size() + 1);
  return ORVEX_OK;
}

// ---------------------------------------------------------------- cursors

OrvexResult CloseCursor(hOrvexCursor* cursor) {
  return Guard([&] {
    hOrvexCursor h = Need(cursor, "cursor handle");
    Movable(h);
    TheHandles().Remove(h);
    *cursor = 0;
  });
}

OrvexResult GetCursorProps(hOrvexCursor cursor, OrvexCursorProps* props) {
  return Guard([&] { Cur(cursor).Props(Need(props, "properties")); });
}

OrvexResult GetFieldDescs(hOrvexCursor cursor, std::uint16_t capacity, OrvexFieldDesc* out) {
  return Guard([&] {
    const auto& fields = Records(cursor).Fields();
    if (!out || capacity < fields.size()) Fail(ORVEX_ERR_INVALIDPARAM, "field descriptor capacity");
    for (std::size_t i = 0; i < fields.size(); ++i) out[i] = DescOf(fields[i]);
  });
}

OrvexResult GetIndexDescs(hOrvexCursor cursor, std::uint16_t capacity, OrvexIndexDesc* out) {
  return Guard([&] {
    static const std::vector<IndexDef> none;
    TableCursor* c = Records(cursor).AsTable();
    const auto& indexes = c ? c->Table().Indexes() : none;
    if ((!out && !indexes.empty()) || capacity < indexes.size()) Fail(ORVEX_ERR_INVALIDPARAM, "index descriptor capacity");
    for (std::size_t i = 0; i < indexes.size(); ++i) {
      const IndexDef& x = indexes[i];
      OrvexIndexDesc d{};
      CopyText(d.name, sizeof d.name, x.name);
      d.indexNo = x.no;
      d.fieldCount = static_cast<std::uint16_t>(x.fields.size());
      for (std::size_t k = 0; k < x.fields.size(); ++k) d.fields[k] = static_cast<std::uint16_t>(x.fields[k] + 1);
      d.primary = x.primary;
      d.unique = x.unique;
      d.descending = x.descending;
      d.caseInsensitive = x.caseInsensitive;
      out[i] = d;
    }
  });
}

OrvexResult GetRecordCount(hOrvexCursor cursor, std::uint32_t* count) {
  return Guard([&] { Need(count, "count") = Movable(cursor).Count(); });
}

OrvexResult SetToBegin(hOrvexCursor cursor) {
  return Guard([&] { Movable(cursor).SetToBegin(); });
}

OrvexResult SetToEnd(hOrvexCursor cursor) {
  return Guard([&] { Movable(cursor).SetToEnd(); });
}

OrvexResult GetNextRecord(hOrvexCursor cursor, std::uint16_t, void* record, void*) {
  return Guard([&] { Movable(cursor).Next(Rec(record)); });
}

OrvexResult GetPriorRecord(hOrvexCursor cursor, std::uint16_t, void* record, void*) {
  return Guard([&] { Movable(cursor).Prior(Rec(record)); });
}

OrvexResult GetRecord(hOrvexCursor cursor, std::uint16_t, void* record, void*) {
  return Guard([&] { Movable(cursor).Current(Rec(record)); });
}

OrvexResult GetRelativeRecord(hOrvexCursor cursor, std::int32_t offset, std::uint16_t, void* record, void*) {
  return Guard([&] { Movable(cursor).Relative(offset, Rec(record)); });
}

OrvexResult ForceReread(hOrvexCursor cursor) {
  return Guard([&] { MovableRecords(cursor).ForceReread(); });
}

OrvexResult GetBookmark(hOrvexCursor cursor, void* bookmark) {
  return Guard([&] { Records(cursor).GetBookmark(&Need(Rec(bookmark), "bookmark")); });
}

OrvexResult SetToBookmark(hOrvexCursor cursor, const void* bookmark) {
  return Guard([&] { MovableRecords(cursor).SetToBookmark(&Need(Rec(bookmark), "bookmark")); });
}

OrvexResult CompareBookmarks(hOrvexCursor cursor, const void* a, const void* b, std::int16_t* result) {
  return Guard([&] {
    Need(result, "result") = static_cast<std::int16_t>(
        Records(cursor).CompareBookmarks(&Need(Rec(a), "bookmark"), &Need(Rec(b), "bookmark")));
  });
}

// ---------------------------------------------------------------- records and fields

OrvexResult GetField(hOrvexCursor cursor, std::uint16_t fieldNo, const void* record, void* dest,
                     std::uint16_t* blank) {
  return Guard([&] {
    const Field& f = Records(cursor).FieldAt(fieldNo);
    GetValue(f, &Need(Rec(record), "record"), dest, blank);
  });
}

OrvexResult PutField(hOrvexCursor cursor, std::uint16_t fieldNo, void* record, const void* value) {
  return Guard([&] {
    const Field& f = Records(cursor).FieldAt(fieldNo);
    PutValue(f, &Need(Rec(record), "record"), value);
  });
}

OrvexResult InitRecord(hOrvexCursor cursor, void* record) {
  return Guard([&] { Records(cursor).InitRecord(&Need(Rec(record), "record")); });
}

OrvexResult InsertRecord(hOrvexCursor cursor, std::uint16_t, void* record) {
  return Guard([&] { MovableRecords(cursor).Insert(&Need(Rec(record), "record")); });
}

OrvexResult AppendRecord(hOrvexCursor cursor, void* record) {
  return Guard([&] { MovableRecords(cursor).Insert(&Need(Rec(record), "record")); });
}

OrvexResult ModifyRecord(hOrvexCursor cursor, void* record, std::uint16_t) {
  return Guard([&] { MovableRecords(cursor).Modify(&Need(Rec(record), "record")); });
}

OrvexResult DeleteRecord(hOrvexCursor cursor, void*) {
  return Guard([&] { MovableRecords(cursor).Delete(); });
}

// ---------------------------------------------------------------- blobs

OrvexResult OpenBlob(hOrvexCursor cursor, void* record, std::uint16_t fieldNo, std::uint16_t openMode) {
  return Guard([&] {
    Flag(openMode, "blob open mode");
    Records(cursor).OpenBlob(&Need(Rec(record), "record"), fieldNo, openMode == ORVEX_BLOB_READWRITE);
  });
}

OrvexResult GetBlob(hOrvexCursor cursor, void* record, std::uint16_t fieldNo, std::uint32_t offset,
                    std::uint32_t length, void* dest, std::uint32_t* read) {
  return Guard([&] {
    std::uint32_t& got = Need(read, "read count");
    got = 0;
    Blob& b = Records(cursor).FindBlob(&Need(Rec(record), "record"), fieldNo);
    if (length > ORVEX_BLOB_MAX_READ || (length && !dest)) Fail(ORVEX_ERR_INVALIDPARAM, "blob read length");
    if (offset > b.data.size()) Fail(ORVEX_ERR_BLOBOFFSET);
    got = static_cast<std::uint32_t>(std::min<std::size_t>(length, b.data.size() - offset));
    if (got) std::memcpy(dest, b.data.data() + offset, got);
    if (got < length) Fail(ORVEX_ERR_ENDOFBLOB);
  });
}

OrvexResult PutBlob(hOrvexCursor cursor, void* record, std::uint16_t fieldNo, std::uint32_t offset,
                    std::uint32_t length, const void* src) {
  return Guard([&] {
    RecordCursor& c = Records(cursor);
    std::uint8_t* rec = &Need(Rec(record), "record");
    Blob& b = c.FindBlob(rec, fieldNo);
    if (!b.writable) Fail(ORVEX_ERR_BLOBREADONLY);
    if (length && !src) Fail(ORVEX_ERR_INVALIDPARAM, "blob data");
    if (offset > b.data.size()) Fail(ORVEX_ERR_BLOBOFFSET);
    if (offset + static_cast<std::size_t>(length) > b.data.size()) b.data.resize(offset + static_cast<std::size_t>(length));
    if (length) std::memcpy(b.data.data() + offset, src, length);
    b.modified = true;
    SetBlank(c.FieldAt(fieldNo), rec, b.data.empty());
  });
}

OrvexResult TruncateBlob(hOrvexCursor cursor, void* record, std::uint16_t fieldNo, std::uint32_t length) {
  return Guard([&] {
    RecordCursor& c = Records(cursor);
    std::uint8_t* rec = &Need(Rec(record), "record");
    Blob& b = c.FindBlob(rec, fieldNo);
    if (!b.writable) Fail(ORVEX_ERR_BLOBREADONLY);
    if (length > b.data.size()) Fail(ORVEX_ERR_BLOBOFFSET);
    b.data.resize(length);
    b.modified = true;
    SetBlank(c.FieldAt(fieldNo), rec, b.data.empty());
  });
}

OrvexResult GetBlobSize(hOrvexCursor cursor, void* record, std::uint16_t fieldNo, std::uint32_t* size) {
  return Guard([&] {
    std::uint32_t& n = Need(size, "size");
    n = static_cast<std::uint32_t>(Records(cursor).FindBlob(&Need(Rec(record), "record"), fieldNo).data.size());
  });
}

OrvexResult FreeBlob(hOrvexCursor cursor, void* record, std::uint16_t fieldNo) {
  return Guard([&] { Records(cursor).FreeBlob(&Need(Rec(record), "record"), fieldNo); });
}

// ---------------------------------------------------------------- indexes, keys, ranges

OrvexResult SwitchToIndex(hOrvexCursor cursor, const char* indexName, std::uint16_t stayOnCurrent) {
  return Guard([&] {
    TableCursor& c = MovableTable(cursor);
    c.SwitchToIndex(c.FindIndex(indexName), stayOnCurrent != 0);
  });
}

OrvexResult SwitchToIndexForFields(hOrvexCursor cursor, std::uint16_t fieldCount, const std::uint16_t* fieldNos,
                                   std::uint16_t stayOnCurrent) {
  return Guard([&] {
    TableCursor& c = MovableTable(cursor);
    if (fieldCount < 1 || fieldCount > ORVEX_MAX_INDEX_FIELDS || !fieldNos) Fail(ORVEX_ERR_INVALIDPARAM, "field list");
    c.SwitchToIndex(c.FindIndexForFields(std::vector<std::uint16_t>(fieldNos, fieldNos + fieldCount)),
                    stayOnCurrent != 0);
  });
}

OrvexResult SetToKey(hOrvexCursor cursor, std::uint16_t searchCond, std::uint16_t fieldCount,
                     std::uint16_t partialLength, const void* key) {
  return Guard([&] {
    TableCursor& c = MovableTable(cursor);
    if (searchCond > ORVEX_KEY_NEAREST) Fail(ORVEX_ERR_INVALIDPARAM, "search condition");
    c.SetToKey(searchCond == ORVEX_KEY_EXACT, fieldCount, partialLength, &Need(Rec(key), "key"));
  });
}

OrvexResult SetRange(hOrvexCursor cursor, std::uint16_t startFields, std::uint16_t startPartial,
                     std::uint16_t startInclusive, const void* start, std::uint16_t endFields,
                     std::uint16_t endPartial, std::uint16_t endInclusive, const void* end) {
  return Guard([&] {
    TableCursor& c = MovableTable(cursor);
    Flag(startInclusive, "start inclusive");
    Flag(endInclusive, "end inclusive");
    c.SetRange(startFields, startPartial, startInclusive != 0, Rec(start), endFields, endPartial, endInclusive != 0,
               Rec(end));
  });
}

OrvexResult ResetRange(hOrvexCursor cursor) {
  return Guard([&] { MovableTable(cursor).ResetRange(); });
}

// ---------------------------------------------------------------- filters

OrvexResult AddFilter(hOrvexCursor cursor, std::uintptr_t clientData, std::uint16_t priority, std::uint16_t canAbort,
                      const void* expression, OrvexFilterCallback callback, OrvexHandle* filter) {
  return Guard([&] {
    Need(filter, "filter handle") = 0;
    Flag(canAbort, "can-abort");
    *filter = MovableRecords(cursor).AddFilter(clientData, priority, Rec(expression), callback);
  });
}

OrvexResult DropFilter(hOrvexCursor cursor, OrvexHandle filter) {
  return Guard([&] { MovableRecords(cursor).DropFilter(filter); });
}

OrvexResult ActivateFilter(hOrvexCursor cursor, OrvexHandle filter) {
  return Guard([&] { MovableRecords(cursor).SetFilterActive(filter, true); });
}

OrvexResult DeactivateFilter(hOrvexCursor cursor, OrvexHandle filter) {
  return Guard([&] { MovableRecords(cursor).SetFilterActive(filter, false); });
}

// ---------------------------------------------------------------- statements

OrvexResult QAlloc(hOrvexDb db, std::uint16_t language, OrvexHandle* stmt) {
  return Guard([&] {
    Need(stmt, "statement handle") = 0;
    Database& d = Db(db);
    if (language == ORVEX_LANG_QBE) *stmt = TheHandles().Add(std::make_unique<QbeStatement>(SqlOf(d)));
    else if (language == ORVEX_LANG_SQL) *stmt = TheHandles().Add(std::make_unique<Statement>(SqlOf(d)));
    else Fail(ORVEX_ERR_INVALIDPARAM, "language");
  });
}

OrvexResult QPrepare(OrvexHandle stmt, const char* text) {
  return Guard([&] { Stmt(stmt).Prepare(&Need(text, "statement text")); });
}

OrvexResult QPrepareProc(OrvexHandle stmt, const char* procName) {
  return Guard([&] { Stmt(stmt).PrepareProcedure(&Need(procName, "procedure name")); });
}

OrvexResult QExec(OrvexHandle stmt, hOrvexCursor* cursor) {
  return Guard([&] {
    if (cursor) *cursor = 0;
    OrvexHandle answer = Stmt(stmt).Execute();
    if (cursor) *cursor = answer;
    else if (answer) TheHandles().Remove(answer);
  });
}

OrvexResult QFree(OrvexHandle* stmt) {
  return Guard([&] {
    OrvexHandle h = Need(stmt, "statement handle");
    Stmt(h);
    TheHandles().Remove(h);
    *stmt = 0;
  });
}

OrvexResult QParamCount(OrvexHandle stmt, std::uint16_t* count) {
  return Guard([&] { Need(count, "count") = Stmt(stmt).ParamCount(); });
}

OrvexResult QParamName(OrvexHandle stmt, std::uint16_t paramNo, char* name) {
  return Guard([&] {
    const std::string& n = Stmt(stmt).ParamName(paramNo);
    CopyText(&Need(name, "name"), ORVEX_PARAM_NAME_SIZE, n);
  });
}

OrvexResult QBindParam(OrvexHandle stmt, std::uint16_t paramNo, std::uint16_t fieldType, std::uint32_t length,
                       const void* value) {
  return Guard([&] { Stmt(stmt).BindParam(paramNo, fieldType, length, value); });
}

OrvexResult OpenProcList(hOrvexDb db, hOrvexCursor* cursor) {
  return Guard([&] {
    Need(cursor, "cursor handle") = 0;
    std::vector<std::string> records;
    for (const auto& [name, file] : ProcedureFiles(Db(db).Directory())) {
      OrvexProcListRec r{};
      CopyText(r.name, sizeof r.name, name);
      records.emplace_back(reinterpret_cast<const char*>(&r), sizeof r);
    }
    *cursor = TheHandles().Add(std::make_unique<ListCursor>(sizeof(OrvexProcListRec), std::move(records)));
  });
}

OrvexResult BeginTran(hOrvexDb db, std::uint16_t isolation) {
  return Guard([&] { SqlOf(Db(db))->Begin(isolation); });
}

OrvexResult EndTran(hOrvexDb db, std::uint16_t commit) {
  return Guard([&] {
    Database& d = Db(db);
    Flag(commit, "commit");
    if (!d.Sql()) Fail(ORVEX_ERR_NOTRANSACTION);
    d.Sql()->End(commit != 0);
  });
}

OrvexResult SetPrivateDir(const char* dir) {
  return Guard([&] {
    std::string d = dir ? dir : "";
    struct stat st;
    if (!d.empty() && (::stat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) Fail(ORVEX_ERR_DIRNOTFOUND, d);
    SetPrivateDirectory(d);
  });
}

OrvexResult QKeepAsTable(hOrvexCursor cursor, const char* name, std::int16_t) {
  return Guard([&] {
    AnswerCursor& a = Answer(cursor);
    if (a.InCallback()) Fail(ORVEX_ERR_INCALLBACK);
    a.Keep(ResolveTable(a.Directory(), &Need(name, "table name"), nullptr));
  });
}

OrvexResult QFinishKeep(hOrvexCursor cursor) {
  return Guard([&] {
    if (!Answer(cursor).Kept()) Fail(ORVEX_ERR_NOTSUPPORTED, "the answer was not kept as a table");
  });
}

OrvexResult CopyCursor(hOrvexCursor source, const char* tableName, const char* driverType,
                       std::uint16_t copyMode) {
  return Guard([&] {
    RecordCursor& c = MovableRecords(source);
    if (copyMode != ORVEX_COPY_NEW && copyMode != ORVEX_COPY_REPLACE) Fail(ORVEX_ERR_INVALIDPARAM, "copy mode");
    auto* a = dynamic_cast<AnswerCursor*>(&c);
    std::string dir = a ? a->Directory() : DirectoryOf(c.AsTable()->Table().Path());
    CopyRecords(c, ResolveTable(dir, &Need(tableName, "table name"), driverType), copyMode == ORVEX_COPY_REPLACE);
  });
}

// ---------------------------------------------------------------- properties

// Properties of statements and databases are the statements' (section 9);
// the rest are the configuration's.
OrvexResult GetProp(OrvexHandle object, std::uint32_t property, void* value, std::uint16_t maxLength,
                    std::uint16_t* length) {
  auto* s = static_cast<Statement*>(TheHandles().Find(object, Kind::Statement));
  auto* d = static_cast<Database*>(TheHandles().Find(object, Kind::Database));
  if (!s && !d) return SystemGetProp(object, property, value, maxLength, length);
  return Guard([&] {
    if (length) *length = 0;
    auto put = [&](std::int32_t v) {
      if (length) *length = sizeof v;
      if (maxLength < sizeof v) Fail(ORVEX_ERR_BUFFERSIZE);
      std::memcpy(&Need(static_cast<std::uint8_t*>(value), "value"), &v, sizeof v);
    };
    if (s && property == ORVEX_STMT_ROWS_AFFECTED) return put(s->RowsAffected());
    if (s && property == ORVEX_STMT_LIVE) return put(s->LiveAsked() ? 1 : 0);
    if (auto* q = dynamic_cast<QbeStatement*>(s)) {
      if (property == ORVEX_STMT_AUXTABLES) return put(q->AuxiliaryTables() ? 1 : 0);
      if (property == ORVEX_STMT_BLANKZERO) return put(q->BlanksAsZero() ? 1 : 0);
    }
    bool in = d && d->Sql() && d->Sql()->InTransaction();
    if (d && property == ORVEX_DB_IN_TRANSACTION) return put(in ? 1 : 0);
    if (d && property == ORVEX_DB_ISOLATION) return put(in ? d->Sql()->Isolation() : 0);
    Fail(ORVEX_ERR_NOTSUPPORTED, "property");
  });
}

OrvexResult SetProp(OrvexHandle object, std::uint32_t property, std::uint64_t value) {
  auto* s = static_cast<Statement*>(TheHandles().Find(object, Kind::Statement));
  if (!s && !TheHandles().Find(object, Kind::Database)) return SystemSetProp(object, property, value);
  return Guard([&] {
    auto* q = dynamic_cast<QbeStatement*>(s);
    const bool known = property == ORVEX_STMT_LIVE ||
                       (q && (property == ORVEX_STMT_AUXTABLES || property == ORVEX_STMT_BLANKZERO));
    if (!s || !known) Fail(ORVEX_ERR_NOTSUPPORTED, "property");
    if (value > 1) Fail(ORVEX_ERR_INVALIDPARAM, "a statement's property is 0 or 1");
    if (property == ORVEX_STMT_LIVE) s->SetLiveAsked(value != 0);
    else if (property == ORVEX_STMT_AUXTABLES) q->SetAuxiliaryTables(value != 0);
    else q->SetBlanksAsZero(value != 0);
  });
}

OrvexResult GetSeqNo(hOrvexCursor cursor, std::uint32_t* seqNo) {
  return Guard([&] {
    std::uint32_t& n = Need(seqNo, "sequence number");
    n = 0;
    n = Records(cursor).SeqNo();
  });
}

// ---------------------------------------------------------------- packed decimals

OrvexResult FloatToBcd(double value, std::uint16_t precision, std::uint16_t decimals, void* bcd) {
  return Guard([&] {
    if (!DoubleToBcd(value, precision, decimals, &Need(Rec(bcd), "packed decimal")))
      Fail(ORVEX_ERR_OUTOFRANGE, "packed decimal");
  });
}

OrvexResult BcdToFloat(const void* bcd, double* value) {
  return Guard([&] {
    if (!BcdToDouble(&Need(Rec(bcd), "packed decimal"), &Need(value, "value")))
      Fail(ORVEX_ERR_OUTOFRANGE, "packed decimal");
  });
}

}  // namespace

OrvexResult RunEntry(const std::function<void()>& body) noexcept { return Guard(body); }

namespace {

// Only a pointer of the entry-point type converts, so the table checks each
// entry's arguments against the header.
template <typename Fn>
void* Entry(Fn fn) {
  return reinterpret_cast<void*>(fn);
}

}  // namespace

}  // namespace orvex

extern "C" __attribute__((visibility("default"))) void* OrvexEntry(unsigned ordinal) {
  using namespace orvex;
  // Each entry's body is the function of its table name above.
#define ORVEX_CASE_(Const, Ord, Name, Params, Args) \
  case Const: return Entry<Orvex##Name##Fn>(Name);
  switch (ordinal) {
    ORVEX_ENTRIES(ORVEX_CASE_)
    default: return nullptr;
  }
#undef ORVEX_CASE_
}
