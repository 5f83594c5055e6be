#include "Vxengine.h"

#include "EngineLib.h"

namespace vx {

namespace {

// Ordinals that the engine's interface does not declare yet.
enum : unsigned {
  kQFinishKeep = 65,
  kGetSysHandle = 72,
  kGetDatabaseDesc = 83,
  kSaveConfigFile = 400,
  kGetOptionDesc = 409,
  kMergeConfigFile = 410,
  kQPrepare = 131,
  kQExec = 132,
  kQFree = 136,
  kQAlloc = 137,
  kGetLdSymbolicName = 798,
  kGetLdDescription = 813,
  kOpenLdList = 814,
  kNextLd = 815,
  kCloseLdList = 818,
  kGetLdFamily = 819,
  kAddFilter = 840,
  kDropFilter = 841,
  kActivateFilter = 842,
  kDeactivateFilter = 843,
  kCopyCursor = 845,
  kOpenCfgInfoList = 1063,
  kOpenConfigFile = 1064,
  kQKeepAsTable = 1068,
  kGetProp = 1071,
  kSetProp = 1072,
};

std::function<void(unsigned)>& Trace() {
  static std::function<void(unsigned)> trace;
  return trace;
}

void* EntryOrNull(unsigned ordinal) {
  if (Trace()) Trace()(ordinal);
  fw::TEngineLib& engine = fw::Engine();
  engine.LibraryPath();  // a missing library is an error of its own, not a missing entry
  try {
    return engine.EntryPoint(ordinal);
  } catch (const fw::EEngineLibError&) {
    return nullptr;
  }
}

template <typename Fn, typename... A>
OrvexResult Call(unsigned ordinal, A... args) {
  void* p = EntryOrNull(ordinal);
  if (!p) return ORVEX_ERR_NOTSUPPORTED;
  return reinterpret_cast<Fn>(p)(args...);
}

}  // namespace

void NuboSetTrace(std::function<void(unsigned Ordinal)> Trace) { ::vx::Trace() = std::move(Trace); }

OrvexResult NuboGetErrorText(OrvexResult Code, char* Text) {
  return Call<OrvexGetErrorTextFn>(ORVEX_GET_ERROR_TEXT, Code, Text);
}

std::string NuboErrorText(OrvexResult Code) { return fw::Engine().ErrorText(Code); }

OrvexResult NuboGetCursorProps(hOrvexCursor Cursor, OrvexCursorProps* Props) {
  return Call<OrvexGetCursorPropsFn>(ORVEX_GET_CURSOR_PROPS, Cursor, Props);
}

OrvexResult NuboSetToBegin(hOrvexCursor Cursor) { return Call<OrvexSetToBeginFn>(ORVEX_SET_TO_BEGIN, Cursor); }

OrvexResult NuboSetToEnd(hOrvexCursor Cursor) { return Call<OrvexSetToEndFn>(ORVEX_SET_TO_END, Cursor); }

OrvexResult NuboGetNextRecord(hOrvexCursor Cursor, std::uint16_t Lock, void* Record, void* RecordProps) {
  return Call<OrvexGetNextRecordFn>(ORVEX_GET_NEXT_RECORD, Cursor, Lock, Record, RecordProps);
}

OrvexResult NuboCloseCursor(hOrvexCursor* Cursor) { return Call<OrvexCloseCursorFn>(ORVEX_CLOSE_CURSOR, Cursor); }

OrvexResult NuboGetField(hOrvexCursor Cursor, std::uint16_t FieldNo, const void* Record, void* Value,
                         std::uint16_t* Blank) {
  return Call<OrvexGetFieldFn>(ORVEX_GET_FIELD, Cursor, FieldNo, Record, Value, Blank);
}

OrvexResult NuboOpenBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint16_t OpenMode) {
  return Call<OrvexOpenBlobFn>(ORVEX_OPEN_BLOB, Cursor, Record, FieldNo, OpenMode);
}

OrvexResult NuboGetBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint32_t Offset,
                        std::uint32_t Length, void* Dest, std::uint32_t* Read) {
  return Call<OrvexGetBlobFn>(ORVEX_GET_BLOB, Cursor, Record, FieldNo, Offset, Length, Dest, Read);
}

OrvexResult NuboFreeBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo) {
  return Call<OrvexFreeBlobFn>(ORVEX_FREE_BLOB, Cursor, Record, FieldNo);
}

OrvexResult NuboAddFilter(hOrvexCursor Cursor, std::uintptr_t ClientData, std::uint16_t Priority,
                          std::uint16_t CanAbort, const void* Expression, TNuboFilterCallback Callback,
                          hNuboFilter* Filter) {
  using Fn = OrvexResult (*)(hOrvexCursor, std::uintptr_t, std::uint16_t, std::uint16_t, const void*,
                             TNuboFilterCallback, hNuboFilter*);
  return Call<Fn>(kAddFilter, Cursor, ClientData, Priority, CanAbort, Expression, Callback, Filter);
}

OrvexResult NuboDropFilter(hOrvexCursor Cursor, hNuboFilter Filter) {
  return Call<OrvexResult (*)(hOrvexCursor, hNuboFilter)>(kDropFilter, Cursor, Filter);
}

OrvexResult NuboActivateFilter(hOrvexCursor Cursor, hNuboFilter Filter) {
  return Call<OrvexResult (*)(hOrvexCursor, hNuboFilter)>(kActivateFilter, Cursor, Filter);
}

OrvexResult NuboDeactivateFilter(hOrvexCursor Cursor, hNuboFilter Filter) {
  return Call<OrvexResult (*)(hOrvexCursor, hNuboFilter)>(kDeactivateFilter, Cursor, Filter);
}

OrvexResult NuboFloatToBcd(double Value, std::uint16_t Precision, std::uint16_t Decimals, void* Bcd) {
  return Call<OrvexFloatToBcdFn>(ORVEX_FLOAT_TO_BCD, Value, Precision, Decimals, Bcd);
}

OrvexResult NuboQAlloc(hOrvexDb Db, std::uint16_t Language, hNuboStmt* Stmt) {
  return Call<OrvexResult (*)(hOrvexDb, std::uint16_t, hNuboStmt*)>(kQAlloc, Db, Language, Stmt);
}

OrvexResult NuboQPrepare(hNuboStmt Stmt, const char* Text) {
  return Call<OrvexResult (*)(hNuboStmt, const char*)>(kQPrepare, Stmt, Text);
}

OrvexResult NuboQExec(hNuboStmt Stmt, hOrvexCursor* Cursor) {
  return Call<OrvexResult (*)(hNuboStmt, hOrvexCursor*)>(kQExec, Stmt, Cursor);
}

OrvexResult NuboQFree(hNuboStmt* Stmt) { return Call<OrvexResult (*)(hNuboStmt*)>(kQFree, Stmt); }

OrvexResult NuboQKeepAsTable(hOrvexCursor Cursor, const char* Name, std::int16_t Flag) {
  return Call<OrvexResult (*)(hOrvexCursor, const char*, std::int16_t)>(kQKeepAsTable, Cursor, Name, Flag);
}

OrvexResult NuboQFinishKeep(hOrvexCursor Cursor) {
  return Call<OrvexResult (*)(hOrvexCursor)>(kQFinishKeep, Cursor);
}

OrvexResult NuboGetProp(hNuboObj Object, std::uint32_t Property, void* Value, std::uint16_t MaxLength,
                        std::uint16_t* Length) {
  using Fn = OrvexResult (*)(hNuboObj, std::uint32_t, void*, std::uint16_t, std::uint16_t*);
  return Call<Fn>(kGetProp, Object, Property, Value, MaxLength, Length);
}

OrvexResult NuboSetProp(hNuboObj Object, std::uint32_t Property, std::uint64_t Value) {
  return Call<OrvexResult (*)(hNuboObj, std::uint32_t, std::uint64_t)>(kSetProp, Object, Property, Value);
}

OrvexResult NuboGetSysHandle(hNuboObj* Handle) {
  return Call<OrvexResult (*)(hNuboObj*)>(kGetSysHandle, Handle);
}

OrvexResult NuboOpenVchkList(hOrvexDb Db, const char* TableName, const char* DriverType, hOrvexCursor* Cursor) {
  return Call<OrvexOpenVchkListFn>(ORVEX_OPEN_VCHK_LIST, Db, TableName, DriverType, Cursor);
}

OrvexResult NuboDeleteTable(hOrvexDb Db, const char* TableName, const char* DriverType) {
  return Call<OrvexDeleteTableFn>(ORVEX_DELETE_TABLE, Db, TableName, DriverType);
}

OrvexResult NuboCopyCursor(hOrvexCursor Source, const char* TableName, const char* DriverType,
                           std::uint16_t CopyMode) {
  using Fn = OrvexResult (*)(hOrvexCursor, const char*, const char*, std::uint16_t);
  return Call<Fn>(kCopyCursor, Source, TableName, DriverType, CopyMode);
}

OrvexResult NuboDoRestructure(hOrvexDb Db, std::uint16_t DescCount, const OrvexTableDesc* Desc, const char* SaveAs,
                              const char* KeyViolName, const char* ProblemsName, std::uint16_t AnalyseOnly) {
  return Call<OrvexDoRestructureFn>(ORVEX_DO_RESTRUCTURE, Db, DescCount, Desc, SaveAs, KeyViolName, ProblemsName,
                                    AnalyseOnly);
}

OrvexResult NuboPackTable(hOrvexDb Db, hOrvexCursor Cursor, const char* TableName, const char* DriverType,
                          std::uint16_t RebuildIndexes) {
  return Call<OrvexPackTableFn>(ORVEX_PACK_TABLE, Db, Cursor, TableName, DriverType, RebuildIndexes);
}

OrvexResult NuboOpenCfgInfoList(hNuboCfgFile File, std::uint16_t Mode, std::uint16_t Flags, const char* Path,
                                hOrvexCursor* Cursor) {
  using Fn = OrvexResult (*)(hNuboCfgFile, std::uint16_t, std::uint16_t, const char*, hOrvexCursor*);
  return Call<Fn>(kOpenCfgInfoList, File, Mode, Flags, Path, Cursor);
}

OrvexResult NuboOpenConfigFile(const char* Path, std::uint16_t Create, hNuboCfgFile* File) {
  return Call<OrvexResult (*)(const char*, std::uint16_t, hNuboCfgFile*)>(kOpenConfigFile, Path, Create, File);
}

OrvexResult NuboMergeConfigFile(hNuboObj Session, hNuboCfgFile File, std::uint16_t Overwrite) {
  return Call<OrvexResult (*)(hNuboObj, hNuboCfgFile, std::uint16_t)>(kMergeConfigFile, Session, File, Overwrite);
}

OrvexResult NuboSaveConfigFile(hNuboCfgFile File, const char* Path, std::int16_t Flag) {
  return Call<OrvexResult (*)(hNuboCfgFile, const char*, std::int16_t)>(kSaveConfigFile, File, Path, Flag);
}

OrvexResult NuboGetOptionDesc(hNuboCfgFile File, const char* Path, const char* Option, void* Desc) {
  using Fn = OrvexResult (*)(hNuboCfgFile, const char*, const char*, void*);
  return Call<Fn>(kGetOptionDesc, File, Path, Option, Desc);
}

OrvexResult NuboGetDatabaseDesc(const char* AliasName, void* Desc) {
  return Call<OrvexResult (*)(const char*, void*)>(kGetDatabaseDesc, AliasName, Desc);
}

OrvexResult NuboOpenLdList(hNuboLdList* List) { return Call<OrvexResult (*)(hNuboLdList*)>(kOpenLdList, List); }

OrvexResult NuboNextLd(hNuboLdList List) { return Call<OrvexResult (*)(hNuboLdList)>(kNextLd, List); }

OrvexResult NuboGetLdDescription(hNuboLdList List, char* Text) {
  return Call<OrvexResult (*)(hNuboLdList, char*)>(kGetLdDescription, List, Text);
}

OrvexResult NuboGetLdSymbolicName(hNuboLdList List, char* Text) {
  return Call<OrvexResult (*)(hNuboLdList, char*)>(kGetLdSymbolicName, List, Text);
}

OrvexResult NuboGetLdFamily(hNuboLdList List, std::uint16_t* Family) {
  return Call<OrvexResult (*)(hNuboLdList, std::uint16_t*)>(kGetLdFamily, List, Family);
}

OrvexResult NuboCloseLdList(hNuboLdList* List) { return Call<OrvexResult (*)(hNuboLdList*)>(kCloseLdList, List); }

}  // namespace vx
