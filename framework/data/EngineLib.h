// The binding to the database engine, liborvex32.so: found at run time,
// loaded with dlopen, each entry bound by ordinal the first time it is
// called. The data layer calls the engine through Engine() and the typed
// wrappers below, never through raw pointers.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "OrvexApi.h"

namespace fw {

// The library or one of its entries is missing; the message names it.
FW_EXCEPTION(EEngineLibError, Exception)

class TEngineLib {
public:
  // Gives the first place to look: a directory holding the library, or the
  // library file itself; empty for none. The registry's "DLLPATH" value
  // under "Software\Tarvos\Database Engine" is given through it.
  using TPathHook = std::function<std::string()>;
  static void SetPathHook(TPathHook hook);

  // The places to try, in order: the hook's path, the running program's
  // directory, this build's library folder.
  static std::vector<std::string> DefaultCandidates();

  explicit TEngineLib(std::vector<std::string> candidates = DefaultCandidates());
  ~TEngineLib();
  TEngineLib(const TEngineLib&) = delete;
  TEngineLib& operator=(const TEngineLib&) = delete;

  // The file loaded, loading it if need be.
  const std::string& LibraryPath();
  // The entry of an ordinal; raises EEngineLibError when there is none.
  void* EntryPoint(unsigned ordinal);

  // The message of an engine result (ordinal 298).
  std::string ErrorText(OrvexResult code);

  // ------------------------------------------------------------ the entries
  OrvexResult GetCursorProps(hOrvexCursor c, OrvexCursorProps* p) { return Bind<OrvexGetCursorPropsFn>(ORVEX_GET_CURSOR_PROPS)(c, p); }
  OrvexResult CloseCursor(hOrvexCursor* c) { return Bind<OrvexCloseCursorFn>(ORVEX_CLOSE_CURSOR)(c); }
  OrvexResult SetToBegin(hOrvexCursor c) { return Bind<OrvexSetToBeginFn>(ORVEX_SET_TO_BEGIN)(c); }
  OrvexResult GetNextRecord(hOrvexCursor c, uint16_t lock, void* rec, void* props) { return Bind<OrvexGetNextRecordFn>(ORVEX_GET_NEXT_RECORD)(c, lock, rec, props); }
  OrvexResult OpenVchkList(hOrvexDb db, const char* table, const char* driver, hOrvexCursor* c) { return Bind<OrvexOpenVchkListFn>(ORVEX_OPEN_VCHK_LIST)(db, table, driver, c); }
  OrvexResult SetToEnd(hOrvexCursor c) { return Bind<OrvexSetToEndFn>(ORVEX_SET_TO_END)(c); }
  OrvexResult OpenBlob(hOrvexCursor c, void* rec, uint16_t field, uint16_t mode) { return Bind<OrvexOpenBlobFn>(ORVEX_OPEN_BLOB)(c, rec, field, mode); }
  OrvexResult GetBlob(hOrvexCursor c, void* rec, uint16_t field, uint32_t offset, uint32_t length, void* dest, uint32_t* read) { return Bind<OrvexGetBlobFn>(ORVEX_GET_BLOB)(c, rec, field, offset, length, dest, read); }
  OrvexResult FreeBlob(hOrvexCursor c, void* rec, uint16_t field) { return Bind<OrvexFreeBlobFn>(ORVEX_FREE_BLOB)(c, rec, field); }
  OrvexResult GetField(hOrvexCursor c, uint16_t field, const void* rec, void* dest, uint16_t* blank) { return Bind<OrvexGetFieldFn>(ORVEX_GET_FIELD)(c, field, rec, dest, blank); }
  OrvexResult DeleteTable(hOrvexDb db, const char* table, const char* driver) { return Bind<OrvexDeleteTableFn>(ORVEX_DELETE_TABLE)(db, table, driver); }
  OrvexResult PackTable(hOrvexDb db, hOrvexCursor c, const char* table, const char* driver, uint16_t rebuild) { return Bind<OrvexPackTableFn>(ORVEX_PACK_TABLE)(db, c, table, driver, rebuild); }
  OrvexResult DoRestructure(hOrvexDb db, uint16_t count, const OrvexTableDesc* desc, const char* saveAs, const char* keyViol, const char* problems, uint16_t analyseOnly) { return Bind<OrvexDoRestructureFn>(ORVEX_DO_RESTRUCTURE)(db, count, desc, saveAs, keyViol, problems, analyseOnly); }
  OrvexResult GetErrorText(OrvexResult code, char* text) { return Bind<OrvexGetErrorTextFn>(ORVEX_GET_ERROR_TEXT)(code, text); }
  OrvexResult OpenDatabase(const char* name, const char* type, hOrvexDb* db) { return Bind<OrvexOpenDatabaseFn>(ORVEX_OPEN_DATABASE)(name, type, db); }
  OrvexResult CloseDatabase(hOrvexDb* db) { return Bind<OrvexCloseDatabaseFn>(ORVEX_CLOSE_DATABASE)(db); }
  OrvexResult OpenTableList(hOrvexDb db, hOrvexCursor* c) { return Bind<OrvexOpenTableListFn>(ORVEX_OPEN_TABLE_LIST)(db, c); }
  OrvexResult CreateTable(hOrvexDb db, const OrvexTableDesc* table, uint16_t fieldCount, const OrvexFieldDesc* fields, uint16_t indexCount, const OrvexIndexDesc* indexes, uint16_t vchkCount, const OrvexVchkDesc* vchks, uint16_t overwrite) { return Bind<OrvexCreateTableFn>(ORVEX_CREATE_TABLE)(db, table, fieldCount, fields, indexCount, indexes, vchkCount, vchks, overwrite); }
  OrvexResult OpenTable(hOrvexDb db, const char* table, const char* driver, const char* index, uint16_t openMode, uint16_t shareMode, hOrvexCursor* c) { return Bind<OrvexOpenTableFn>(ORVEX_OPEN_TABLE)(db, table, driver, index, openMode, shareMode, c); }
  OrvexResult EmptyTable(hOrvexDb db, hOrvexCursor c, const char* table, const char* driver) { return Bind<OrvexEmptyTableFn>(ORVEX_EMPTY_TABLE)(db, c, table, driver); }
  OrvexResult GetFieldDescs(hOrvexCursor c, uint16_t capacity, OrvexFieldDesc* fields) { return Bind<OrvexGetFieldDescsFn>(ORVEX_GET_FIELD_DESCS)(c, capacity, fields); }
  OrvexResult GetIndexDescs(hOrvexCursor c, uint16_t capacity, OrvexIndexDesc* indexes) { return Bind<OrvexGetIndexDescsFn>(ORVEX_GET_INDEX_DESCS)(c, capacity, indexes); }
  OrvexResult GetRecordCount(hOrvexCursor c, uint32_t* count) { return Bind<OrvexGetRecordCountFn>(ORVEX_GET_RECORD_COUNT)(c, count); }
  OrvexResult GetPriorRecord(hOrvexCursor c, uint16_t lock, void* rec, void* props) { return Bind<OrvexGetPriorRecordFn>(ORVEX_GET_PRIOR_RECORD)(c, lock, rec, props); }
  OrvexResult GetRecord(hOrvexCursor c, uint16_t lock, void* rec, void* props) { return Bind<OrvexGetRecordFn>(ORVEX_GET_RECORD)(c, lock, rec, props); }
  OrvexResult GetRelativeRecord(hOrvexCursor c, int32_t offset, uint16_t lock, void* rec, void* props) { return Bind<OrvexGetRelativeRecordFn>(ORVEX_GET_RELATIVE_RECORD)(c, offset, lock, rec, props); }
  OrvexResult GetBookmark(hOrvexCursor c, void* bookmark) { return Bind<OrvexGetBookmarkFn>(ORVEX_GET_BOOKMARK)(c, bookmark); }
  OrvexResult SetToBookmark(hOrvexCursor c, const void* bookmark) { return Bind<OrvexSetToBookmarkFn>(ORVEX_SET_TO_BOOKMARK)(c, bookmark); }
  OrvexResult CompareBookmarks(hOrvexCursor c, const void* a, const void* b, int16_t* result) { return Bind<OrvexCompareBookmarksFn>(ORVEX_COMPARE_BOOKMARKS)(c, a, b, result); }
  OrvexResult PutField(hOrvexCursor c, uint16_t field, void* rec, const void* value) { return Bind<OrvexPutFieldFn>(ORVEX_PUT_FIELD)(c, field, rec, value); }
  OrvexResult InitRecord(hOrvexCursor c, void* rec) { return Bind<OrvexInitRecordFn>(ORVEX_INIT_RECORD)(c, rec); }
  OrvexResult InsertRecord(hOrvexCursor c, uint16_t lock, void* rec) { return Bind<OrvexInsertRecordFn>(ORVEX_INSERT_RECORD)(c, lock, rec); }
  OrvexResult AppendRecord(hOrvexCursor c, void* rec) { return Bind<OrvexAppendRecordFn>(ORVEX_APPEND_RECORD)(c, rec); }
  OrvexResult ModifyRecord(hOrvexCursor c, void* rec, uint16_t freeLock) { return Bind<OrvexModifyRecordFn>(ORVEX_MODIFY_RECORD)(c, rec, freeLock); }
  OrvexResult DeleteRecord(hOrvexCursor c, void* rec) { return Bind<OrvexDeleteRecordFn>(ORVEX_DELETE_RECORD)(c, rec); }
  OrvexResult PutBlob(hOrvexCursor c, void* rec, uint16_t field, uint32_t offset, uint32_t length, const void* src) { return Bind<OrvexPutBlobFn>(ORVEX_PUT_BLOB)(c, rec, field, offset, length, src); }
  OrvexResult TruncateBlob(hOrvexCursor c, void* rec, uint16_t field, uint32_t length) { return Bind<OrvexTruncateBlobFn>(ORVEX_TRUNCATE_BLOB)(c, rec, field, length); }
  OrvexResult GetBlobSize(hOrvexCursor c, void* rec, uint16_t field, uint32_t* size) { return Bind<OrvexGetBlobSizeFn>(ORVEX_GET_BLOB_SIZE)(c, rec, field, size); }
  OrvexResult SwitchToIndex(hOrvexCursor c, const char* index, uint16_t stayOnCurrent) { return Bind<OrvexSwitchToIndexFn>(ORVEX_SWITCH_TO_INDEX)(c, index, stayOnCurrent); }
  OrvexResult SetToKey(hOrvexCursor c, uint16_t cond, uint16_t fieldCount, uint16_t partialLength, const void* key) { return Bind<OrvexSetToKeyFn>(ORVEX_SET_TO_KEY)(c, cond, fieldCount, partialLength, key); }
  OrvexResult SetRange(hOrvexCursor c, uint16_t startFields, uint16_t startPartial, uint16_t startInclusive, const void* start, uint16_t endFields, uint16_t endPartial, uint16_t endInclusive, const void* end) { return Bind<OrvexSetRangeFn>(ORVEX_SET_RANGE)(c, startFields, startPartial, startInclusive, start, endFields, endPartial, endInclusive, end); }
  OrvexResult ResetRange(hOrvexCursor c) { return Bind<OrvexResetRangeFn>(ORVEX_RESET_RANGE)(c); }
  OrvexResult ForceReread(hOrvexCursor c) { return Bind<OrvexForceRereadFn>(ORVEX_FORCE_REREAD)(c); }
  OrvexResult BcdToFloat(const void* bcd, double* value) { return Bind<OrvexBcdToFloatFn>(ORVEX_BCD_TO_FLOAT)(bcd, value); }
  OrvexResult SwitchToIndexForFields(hOrvexCursor c, uint16_t count, const uint16_t* fieldNos, uint16_t stayOnCurrent) { return Bind<OrvexSwitchToIndexForFieldsFn>(ORVEX_SWITCH_TO_INDEX_FOR_FIELDS)(c, count, fieldNos, stayOnCurrent); }
  OrvexResult FloatToBcd(double value, uint16_t precision, uint16_t decimals, void* bcd) { return Bind<OrvexFloatToBcdFn>(ORVEX_FLOAT_TO_BCD)(value, precision, decimals, bcd); }

private:
  template <typename Fn>
  Fn Bind(unsigned ordinal) {
    return reinterpret_cast<Fn>(EntryPoint(ordinal));
  }
  void Load();

  static constexpr unsigned kOrdinals = 2048;
  std::vector<std::string> candidates_;
  void* library_ = nullptr;
  std::string path_;
  OrvexEntryFn entry_ = nullptr;
  std::array<void*, kOrdinals> bound_{};
};

// The process's engine binding.
TEngineLib& Engine();

}  // namespace fw
