#include "Vxengine.h"

#include "EngineLib.h"

namespace vx {

namespace {

// The entry-point type of an ordinal of the engine's tables.
template <unsigned Ordinal>
struct EntryType;
#define VX_ENTRY_TYPE_(Const, Ord, Name, Params, Args) \
  template <>                                          \
  struct EntryType<Const> {                            \
    using Fn = Orvex##Name##Fn;                        \
  };
ORVEX_ENTRIES(VX_ENTRY_TYPE_)
ORVEX_PLANNED_ENTRIES(VX_ENTRY_TYPE_)
#undef VX_ENTRY_TYPE_

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

template <unsigned Ordinal, typename... A>
OrvexResult Call(A... args) {
  void* p = EntryOrNull(Ordinal);
  if (!p) return ORVEX_ERR_NOTSUPPORTED;
  return reinterpret_cast<typename EntryType<Ordinal>::Fn>(p)(args...);
}

}  // namespace

void NuboSetTrace(std::function<void(unsigned Ordinal)> Trace) { ::vx::Trace() = std::move(Trace); }

OrvexResult NuboGetErrorText(OrvexResult Code, char* Text) { return Call<ORVEX_GET_ERROR_TEXT>(Code, Text); }

std::string NuboErrorText(OrvexResult Code) { return fw::Engine().ErrorText(Code); }

OrvexResult NuboGetCursorProps(hOrvexCursor Cursor, OrvexCursorProps* Props) {
  return Call<ORVEX_GET_CURSOR_PROPS>(Cursor, Props);
}

OrvexResult NuboSetToBegin(hOrvexCursor Cursor) { return Call<ORVEX_SET_TO_BEGIN>(Cursor); }

OrvexResult NuboSetToEnd(hOrvexCursor Cursor) { return Call<ORVEX_SET_TO_END>(Cursor); }

OrvexResult NuboGetNextRecord(hOrvexCursor Cursor, std::uint16_t Lock, void* Record, void* RecordProps) {
  return Call<ORVEX_GET_NEXT_RECORD>(Cursor, Lock, Record, RecordProps);
}

OrvexResult NuboCloseCursor(hOrvexCursor* Cursor) { return Call<ORVEX_CLOSE_CURSOR>(Cursor); }

OrvexResult NuboGetField(hOrvexCursor Cursor, std::uint16_t FieldNo, const void* Record, void* Value,
                         std::uint16_t* Blank) {
  return Call<ORVEX_GET_FIELD>(Cursor, FieldNo, Record, Value, Blank);
}

OrvexResult NuboOpenBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint16_t OpenMode) {
  return Call<ORVEX_OPEN_BLOB>(Cursor, Record, FieldNo, OpenMode);
}

OrvexResult NuboGetBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint32_t Offset,
                        std::uint32_t Length, void* Dest, std::uint32_t* Read) {
  return Call<ORVEX_GET_BLOB>(Cursor, Record, FieldNo, Offset, Length, Dest, Read);
}

OrvexResult NuboFreeBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo) {
  return Call<ORVEX_FREE_BLOB>(Cursor, Record, FieldNo);
}

OrvexResult NuboAddFilter(hOrvexCursor Cursor, std::uintptr_t ClientData, std::uint16_t Priority,
                          std::uint16_t CanAbort, const void* Expression, TNuboFilterCallback Callback,
                          hNuboFilter* Filter) {
  return Call<ORVEX_ADD_FILTER>(Cursor, ClientData, Priority, CanAbort, Expression, Callback, Filter);
}

OrvexResult NuboDropFilter(hOrvexCursor Cursor, hNuboFilter Filter) { return Call<ORVEX_DROP_FILTER>(Cursor, Filter); }

OrvexResult NuboActivateFilter(hOrvexCursor Cursor, hNuboFilter Filter) {
  return Call<ORVEX_ACTIVATE_FILTER>(Cursor, Filter);
}

OrvexResult NuboDeactivateFilter(hOrvexCursor Cursor, hNuboFilter Filter) {
  return Call<ORVEX_DEACTIVATE_FILTER>(Cursor, Filter);
}

OrvexResult NuboFloatToBcd(double Value, std::uint16_t Precision, std::uint16_t Decimals, void* Bcd) {
  return Call<ORVEX_FLOAT_TO_BCD>(Value, Precision, Decimals, Bcd);
}

OrvexResult NuboBcdToFloat(const void* Bcd, double* Value) { return Call<ORVEX_BCD_TO_FLOAT>(Bcd, Value); }

OrvexResult NuboQAlloc(hOrvexDb Db, std::uint16_t Language, hNuboStmt* Stmt) {
  return Call<ORVEX_Q_ALLOC>(Db, Language, Stmt);
}

OrvexResult NuboQPrepare(hNuboStmt Stmt, const char* Text) { return Call<ORVEX_Q_PREPARE>(Stmt, Text); }

OrvexResult NuboQExec(hNuboStmt Stmt, hOrvexCursor* Cursor) { return Call<ORVEX_Q_EXEC>(Stmt, Cursor); }

OrvexResult NuboQFree(hNuboStmt* Stmt) { return Call<ORVEX_Q_FREE>(Stmt); }

OrvexResult NuboQKeepAsTable(hOrvexCursor Cursor, const char* Name, std::int16_t Flag) {
  return Call<ORVEX_Q_KEEP_AS_TABLE>(Cursor, Name, Flag);
}

OrvexResult NuboQFinishKeep(hOrvexCursor Cursor) { return Call<ORVEX_Q_FINISH_KEEP>(Cursor); }

OrvexResult NuboGetProp(hNuboObj Object, std::uint32_t Property, void* Value, std::uint16_t MaxLength,
                        std::uint16_t* Length) {
  return Call<ORVEX_GET_PROP>(Object, Property, Value, MaxLength, Length);
}

OrvexResult NuboSetProp(hNuboObj Object, std::uint32_t Property, std::uint64_t Value) {
  return Call<ORVEX_SET_PROP>(Object, Property, Value);
}

OrvexResult NuboGetSysHandle(hNuboObj* Handle) { return Call<ORVEX_GET_SYS_HANDLE>(Handle); }

OrvexResult NuboOpenVchkList(hOrvexDb Db, const char* TableName, const char* DriverType, hOrvexCursor* Cursor) {
  return Call<ORVEX_OPEN_VCHK_LIST>(Db, TableName, DriverType, Cursor);
}

OrvexResult NuboDeleteTable(hOrvexDb Db, const char* TableName, const char* DriverType) {
  return Call<ORVEX_DELETE_TABLE>(Db, TableName, DriverType);
}

OrvexResult NuboCopyCursor(hOrvexCursor Source, const char* TableName, const char* DriverType, std::uint16_t CopyMode) {
  return Call<ORVEX_COPY_CURSOR>(Source, TableName, DriverType, CopyMode);
}

OrvexResult NuboDoRestructure(hOrvexDb Db, std::uint16_t DescCount, const OrvexTableDesc* Desc, const char* SaveAs,
                              const char* KeyViolName, const char* ProblemsName, std::uint16_t AnalyseOnly) {
  return Call<ORVEX_DO_RESTRUCTURE>(Db, DescCount, Desc, SaveAs, KeyViolName, ProblemsName, AnalyseOnly);
}

OrvexResult NuboPackTable(hOrvexDb Db, hOrvexCursor Cursor, const char* TableName, const char* DriverType,
                          std::uint16_t RebuildIndexes) {
  return Call<ORVEX_PACK_TABLE>(Db, Cursor, TableName, DriverType, RebuildIndexes);
}

OrvexResult NuboOpenCfgInfoList(hNuboCfgFile File, std::uint16_t Mode, std::uint16_t Flags, const char* Path,
                                hOrvexCursor* Cursor) {
  return Call<ORVEX_OPEN_CFG_INFO_LIST>(File, Mode, Flags, Path, Cursor);
}

OrvexResult NuboOpenConfigFile(const char* Path, std::uint16_t Create, hNuboCfgFile* File) {
  return Call<ORVEX_OPEN_CONFIG_FILE>(Path, Create, File);
}

OrvexResult NuboMergeConfigFile(hNuboObj Session, hNuboCfgFile File, std::uint16_t Overwrite) {
  return Call<ORVEX_MERGE_CONFIG_FILE>(Session, File, Overwrite);
}

OrvexResult NuboSaveConfigFile(hNuboCfgFile File, const char* Path, std::int16_t Flag) {
  return Call<ORVEX_SAVE_CONFIG_FILE>(File, Path, Flag);
}

OrvexResult NuboGetOptionDesc(hNuboCfgFile File, const char* Path, const char* Option, void* Desc) {
  return Call<ORVEX_GET_OPTION_DESC>(File, Path, Option, Desc);
}

OrvexResult NuboGetDatabaseDesc(const char* AliasName, void* Desc) {
  return Call<ORVEX_GET_DATABASE_DESC>(AliasName, Desc);
}

OrvexResult NuboOpenLdList(hNuboLdList* List) { return Call<ORVEX_OPEN_LD_LIST>(List); }

OrvexResult NuboNextLd(hNuboLdList List) { return Call<ORVEX_NEXT_LD>(List); }

OrvexResult NuboGetLdDescription(hNuboLdList List, char* Text) { return Call<ORVEX_GET_LD_DESCRIPTION>(List, Text); }

OrvexResult NuboGetLdSymbolicName(hNuboLdList List, char* Text) { return Call<ORVEX_GET_LD_SYMBOLIC_NAME>(List, Text); }

OrvexResult NuboGetLdFamily(hNuboLdList List, std::uint16_t* Family) { return Call<ORVEX_GET_LD_FAMILY>(List, Family); }

OrvexResult NuboCloseLdList(hNuboLdList* List) { return Call<ORVEX_CLOSE_LD_LIST>(List); }

}  // namespace vx
