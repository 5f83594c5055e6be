// The engine operations that the library calls directly, bound by ordinal.
// Everything else reaches the engine through the framework's datasets.
//
// Each returns the engine's 16-bit result, ORVEX_OK for success; a caller
// that does not test it hands it to the framework's Check. An operation that
// the loaded engine does not have (OrvexEntry gives no entry for its ordinal)
// answers ORVEX_ERR_NOTSUPPORTED instead of raising, so that code calling it
// fails the way any refused engine call does. A missing engine library still
// raises EEngineLibError.
//
// The argument lists of the operations that the engine does not have yet are
// ours, written from how the library calls them into the engine's table of
// planned entries; the engine takes them over when it gains the entries.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "OrvexApi.h"

namespace vx {

using hNuboStmt = OrvexHandle;
using hNuboFilter = OrvexHandle;
using hNuboObj = OrvexHandle;
using hNuboCfgFile = OrvexHandle;
using hNuboLdList = OrvexHandle;

// Called by the engine for each record a callback filter tests (see OrvexApi.h).
using TNuboFilterCallback = OrvexFilterCallback;

// Statement languages.
constexpr std::uint16_t qrylangQBE = 1;
constexpr std::uint16_t qrylangSQL = 2;

// Statement properties.
constexpr std::uint32_t stmtAUXTBLS = 0x00060026;       // make auxiliary tables (QBE)
constexpr std::uint32_t stmtBLANKS = 0x00060023;        // blanks count as zero (QBE)
constexpr std::uint32_t sysCFGFILE = 0x0002000B;        // the active configuration file's name
constexpr std::uint32_t sysCFGFILEHANDLE = 0x00010099;  // the configuration file to activate

// Sizes of the buffers the operations fill.
constexpr int kNuboOptionDescSize = 256;
constexpr int kNuboLdNameSize = 32;
constexpr int kNuboLdDescSize = 128;

// Hears the ordinal of every call made through these routines, for
// diagnostics; an empty function stops it.
void NuboSetTrace(std::function<void(unsigned Ordinal)> Trace);

// ------------------------------------------------------------ messages
// The engine's message for Code (at most 127 bytes and a NUL) into Text.
OrvexResult NuboGetErrorText(OrvexResult Code, char* Text);
// The same as text; a code the engine cannot describe gives "Engine error N".
std::string NuboErrorText(OrvexResult Code);

// ------------------------------------------------------------ cursors
OrvexResult NuboGetCursorProps(hOrvexCursor Cursor, OrvexCursorProps* Props);
OrvexResult NuboSetToBegin(hOrvexCursor Cursor);
OrvexResult NuboSetToEnd(hOrvexCursor Cursor);
// Non-zero at the end (ORVEX_ERR_EOF).
OrvexResult NuboGetNextRecord(hOrvexCursor Cursor, std::uint16_t Lock, void* Record, void* RecordProps);
OrvexResult NuboCloseCursor(hOrvexCursor* Cursor);
OrvexResult NuboGetField(hOrvexCursor Cursor, std::uint16_t FieldNo, const void* Record, void* Value,
                         std::uint16_t* Blank);
// Reads are at most ORVEX_BLOB_MAX_READ bytes.
OrvexResult NuboOpenBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint16_t OpenMode);
OrvexResult NuboGetBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo, std::uint32_t Offset,
                        std::uint32_t Length, void* Dest, std::uint32_t* Read);
OrvexResult NuboFreeBlob(hOrvexCursor Cursor, void* Record, std::uint16_t FieldNo);

// ------------------------------------------------------------ filters
// Expression (a compiled filter) or Callback, the other nullptr.
OrvexResult NuboAddFilter(hOrvexCursor Cursor, std::uintptr_t ClientData, std::uint16_t Priority,
                          std::uint16_t CanAbort, const void* Expression, TNuboFilterCallback Callback,
                          hNuboFilter* Filter);
OrvexResult NuboDropFilter(hOrvexCursor Cursor, hNuboFilter Filter);
OrvexResult NuboActivateFilter(hOrvexCursor Cursor, hNuboFilter Filter);
OrvexResult NuboDeactivateFilter(hOrvexCursor Cursor, hNuboFilter Filter);

// ------------------------------------------------------------ numbers
// Bcd receives ORVEX_BCD_SIZE bytes.
OrvexResult NuboFloatToBcd(double Value, std::uint16_t Precision, std::uint16_t Decimals, void* Bcd);
OrvexResult NuboBcdToFloat(const void* Bcd, double* Value);

// ------------------------------------------------------------ statements
OrvexResult NuboQAlloc(hOrvexDb Db, std::uint16_t Language, hNuboStmt* Stmt);
OrvexResult NuboQPrepare(hNuboStmt Stmt, const char* Text);
// Cursor is 0 after a statement that answers no records.
OrvexResult NuboQExec(hNuboStmt Stmt, hOrvexCursor* Cursor);
OrvexResult NuboQFree(hNuboStmt* Stmt);
// Keeps the answer of Cursor as the table Name.
OrvexResult NuboQKeepAsTable(hOrvexCursor Cursor, const char* Name, std::int16_t Flag);
// Follows up a kept answer on its cursor.
OrvexResult NuboQFinishKeep(hOrvexCursor Cursor);

// ------------------------------------------------------------ properties
// Value receives at most MaxLength bytes; Length (may be nullptr) how many.
OrvexResult NuboGetProp(hNuboObj Object, std::uint32_t Property, void* Value, std::uint16_t MaxLength,
                        std::uint16_t* Length);
OrvexResult NuboSetProp(hNuboObj Object, std::uint32_t Property, std::uint64_t Value);
OrvexResult NuboGetSysHandle(hNuboObj* Handle);

// ------------------------------------------------------------ tables
// A list cursor of OrvexVchkDesc records.
OrvexResult NuboOpenVchkList(hOrvexDb Db, const char* TableName, const char* DriverType, hOrvexCursor* Cursor);
// Answers ORVEX_ERR_NOSUCHTABLE when the table is not there.
OrvexResult NuboDeleteTable(hOrvexDb Db, const char* TableName, const char* DriverType);
OrvexResult NuboCopyCursor(hOrvexCursor Source, const char* TableName, const char* DriverType,
                           std::uint16_t CopyMode);
OrvexResult NuboDoRestructure(hOrvexDb Db, std::uint16_t DescCount, const OrvexTableDesc* Desc, const char* SaveAs,
                              const char* KeyViolName, const char* ProblemsName, std::uint16_t AnalyseOnly);
OrvexResult NuboPackTable(hOrvexDb Db, hOrvexCursor Cursor, const char* TableName, const char* DriverType,
                          std::uint16_t RebuildIndexes);

// ------------------------------------------------------------ configuration
// A list cursor over the configuration entries under Path; ORVEX_ERR_NOENTRIES when there are none.
OrvexResult NuboOpenCfgInfoList(hNuboCfgFile File, std::uint16_t Mode, std::uint16_t Flags, const char* Path,
                                hOrvexCursor* Cursor);
OrvexResult NuboOpenConfigFile(const char* Path, std::uint16_t Create, hNuboCfgFile* File);
OrvexResult NuboMergeConfigFile(hNuboObj Session, hNuboCfgFile File, std::uint16_t Overwrite);
// Path nullptr: the active configuration file.
OrvexResult NuboSaveConfigFile(hNuboCfgFile File, const char* Path, std::int16_t Flag);
// Desc receives kNuboOptionDescSize bytes.
OrvexResult NuboGetOptionDesc(hNuboCfgFile File, const char* Path, const char* Option, void* Desc);
// ORVEX_OK when the alias exists.
OrvexResult NuboGetDatabaseDesc(const char* AliasName, void* Desc);

// ------------------------------------------------------------ language drivers
OrvexResult NuboOpenLdList(hNuboLdList* List);
// Moves to the next driver; non-zero after the last.
OrvexResult NuboNextLd(hNuboLdList List);
// Of the current driver: Text receives kNuboLdDescSize or kNuboLdNameSize bytes.
OrvexResult NuboGetLdDescription(hNuboLdList List, char* Text);
OrvexResult NuboGetLdSymbolicName(hNuboLdList List, char* Text);
OrvexResult NuboGetLdFamily(hNuboLdList List, std::uint16_t* Family);
OrvexResult NuboCloseLdList(hNuboLdList* List);

}  // namespace vx
