/*
 * The database engine's interface: liborvex32.so exports one function,
 * OrvexEntry, that maps an ordinal to an entry point. Every entry returns a
 * 16-bit result (ORVEX_OK, 0, for success) and takes opaque 32-bit handles.
 * A handle is an index into the engine's own tables with a generation check:
 * a closed, stale or invented handle answers ORVEX_ERR_INVALIDHANDLE.
 *
 * Everything here is C, so that any caller can bind it. All structures are
 * packed: the byte offsets written beside each member are the layout. All
 * integers are little-endian. Texts are UTF-8, NUL-terminated within their
 * arrays. The engine is called from one thread at a time.
 *
 * Contents
 *   1. Basic types and OrvexEntry
 *   2. Result codes
 *   3. Field types and the record buffer
 *   4. Descriptors: table, field, index, validity check
 *   5. Cursor properties, bookmarks, list-cursor records
 *   6. Ordinals and entry-point types
 *   7. Filters: where they apply, record callbacks, the filter descriptor
 *   8. Configuration, language drivers and callbacks
 *   9. Statements: the SQL dialect, answers, writes, transactions, procedures,
 *      query by example
 */
#ifndef ORVEX_API_H
#define ORVEX_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ 1. Basics */

typedef uint16_t OrvexResult;
typedef uint32_t OrvexHandle; /* 0 is never a valid handle */
typedef OrvexHandle hOrvexDb;
typedef OrvexHandle hOrvexCursor;

#define ORVEX_LIBRARY_NAME "liborvex32.so"

/* Returns the entry point of an ordinal, or NULL when the library has none. */
typedef void* (*OrvexEntryFn)(unsigned ordinal);
#define ORVEX_ENTRY_SYMBOL "OrvexEntry"

/* ------------------------------------------------------------ 2. Result codes
 * High byte: category. The error-text entry (298) gives each code's English
 * message; when the code is that of the engine's last failure, the message is
 * followed by ": " and that failure's detail (the file, field or index
 * concerned), all within 128 bytes. */

#define ORVEX_OK 0x0000

/* 0x21: resources and the operating system */
#define ORVEX_ERR_NOMEMORY        0x2101 /* Not enough memory */
#define ORVEX_ERR_OSERROR         0x2102 /* Operating system error */
#define ORVEX_ERR_TOOMANYHANDLES  0x2103 /* Too many open handles */
#define ORVEX_ERR_INTERNAL        0x2104 /* Internal engine error */

/* 0x22: position, not found */
#define ORVEX_ERR_BOF             0x2201 /* At beginning of table */
#define ORVEX_ERR_EOF             0x2202 /* At end of table */
#define ORVEX_ERR_RECDELETED      0x2203 /* Record deleted by another user */
#define ORVEX_ERR_NOCURRREC       0x2204 /* No current record */
#define ORVEX_ERR_RECNOTFOUND     0x2205 /* Record or key not found */
#define ORVEX_ERR_ENDOFBLOB       0x2207 /* 8711: end of blob; the bytes read are kept */
#define ORVEX_ERR_NOENTRIES       0x2208 /* 8712: no entries */

/* 0x23: damaged files */
#define ORVEX_ERR_CORRUPT         0x2301 /* Table file is corrupt */

/* 0x24: files and directories */
#define ORVEX_ERR_DIRNOTFOUND     0x2401 /* Directory not found */
#define ORVEX_ERR_FILENOTFOUND    0x2402 /* File not found */
#define ORVEX_ERR_IO              0x2403 /* Read or write failure */
#define ORVEX_ERR_DISKFULL        0x2404 /* Disk full */
#define ORVEX_ERR_FILEEXISTS      0x2405 /* Table already exists */
#define ORVEX_ERR_ACCESS          0x2406 /* Access to the file denied */

/* 0x25: configuration */
#define ORVEX_ERR_UNKNOWNALIAS    0x2501 /* Unknown alias */
#define ORVEX_ERR_UNKNOWNDRIVER   0x2502 /* Unknown driver */
#define ORVEX_ERR_NAMEEXISTS      0x2503 /* Name already in use (in the layer written to) */
#define ORVEX_ERR_INVALIDNAME     0x2504 /* Invalid name */
#define ORVEX_ERR_VALUETOOLONG    0x2505 /* Name or value too long for its field */
#define ORVEX_ERR_NOSUCHPATH      0x2506 /* Configuration path not found */
#define ORVEX_ERR_INVALIDCFG      0x2507 /* Invalid configuration file */
#define ORVEX_ERR_UNKNOWNLD       0x2508 /* Unknown language driver */
#define ORVEX_ERR_NOOPTIONDESC    0x2509 /* No description of this option */
#define ORVEX_ERR_BUFFERSIZE      0x250A /* Buffer too small for the value */
#define ORVEX_ERR_STARTED         0x250B /* Engine already started */
#define ORVEX_ERR_CFGINUSE        0x2510 /* Configuration in use by other applications */

/* 0x26: data integrity; a post refused with one of these changes nothing */
#define ORVEX_ERR_KEYVIOL         0x2601 /* Key violation */
#define ORVEX_ERR_REQUIRED        0x2602 /* Field value required */
#define ORVEX_ERR_MINVAL          0x2603 /* Field value below minimum */
#define ORVEX_ERR_MAXVAL          0x2604 /* Field value above maximum */
#define ORVEX_ERR_OUTOFRANGE      0x2605 /* Field value out of range */
#define ORVEX_ERR_STRTOOLONG      0x2606 /* String too long for field */

/* 0x27: invalid requests */
#define ORVEX_ERR_INVALIDHANDLE   0x2701 /* Invalid handle */
#define ORVEX_ERR_INVALIDPARAM    0x2702 /* Invalid parameter */
#define ORVEX_ERR_INVALIDFIELDNO  0x2703 /* Invalid field number */
#define ORVEX_ERR_INVALIDFIELDTYPE 0x2704 /* Invalid field type for this operation */
#define ORVEX_ERR_INVALIDBOOKMARK 0x2705 /* Invalid bookmark */
#define ORVEX_ERR_INVALIDDESC     0x2706 /* Invalid table, field, index or validity descriptor */
#define ORVEX_ERR_NOSUCHINDEX     0x2707 /* Index does not exist */
#define ORVEX_ERR_READONLY        0x2708 /* Table is open read-only */
#define ORVEX_ERR_NOTATABLE       0x2709 /* Not a table of this format */
#define ORVEX_ERR_UNKNOWNTYPE     0x270A /* Unknown table type */
#define ORVEX_ERR_NOTSUPPORTED    0x270B /* Operation not supported */
#define ORVEX_ERR_BLOBNOTOPEN     0x270C /* Blob not opened */
#define ORVEX_ERR_BLOBREADONLY    0x270D /* Blob opened read-only */
#define ORVEX_ERR_BLOBOFFSET      0x270E /* 9998: invalid blob offset */
#define ORVEX_ERR_NEEDEXCLUSIVE   0x270F /* Table must be opened exclusively */
#define ORVEX_ERR_NOSUCHTABLE     0x2728 /* 10024: table does not exist */

/* 0x28: sharing */
#define ORVEX_ERR_TABLEINUSE      0x2801 /* Table in use: held exclusively, or open when it must not be */
#define ORVEX_ERR_EXCLREFUSED     0x2802 /* Exclusive access refused: the table is open elsewhere */
#define ORVEX_ERR_BUSY            0x2803 /* Table busy: another writer held it (section 8, callbacks) */

/* 0x29: passwords (desktop tables of this engine have none; the codes are reserved) */
#define ORVEX_ERR_PASSWORD        0x2901 /* 10497: password required */
#define ORVEX_ERR_PASSWORDTABLE   0x2902 /* 10498: insufficient table rights, password required */
#define ORVEX_ERR_PASSWORDFIELD   0x2903 /* 10499: insufficient field rights, password required */

/* 0x2C: filters (section 7) */
#define ORVEX_ERR_CALLBACKABORT   0x2C01 /* Record read stopped by a filter callback */
#define ORVEX_ERR_INCALLBACK      0x2C02 /* Operation not allowed inside a filter callback */

/* 0x2D: statements (section 9) */
#define ORVEX_ERR_SQL             0x2D01 /* SQL error: the detail is SQLite's message */
#define ORVEX_ERR_SQLREFUSED      0x2D02 /* Statement not allowed: the detail says what it reached for */
#define ORVEX_ERR_NOTPREPARED     0x2D03 /* Statement not prepared */
#define ORVEX_ERR_INTRANSACTION   0x2D04 /* A transaction is already active */
#define ORVEX_ERR_NOTRANSACTION   0x2D05 /* No transaction is active */
#define ORVEX_ERR_FIELDREADONLY   0x2D06 /* Field value is assigned by the engine */
#define ORVEX_ERR_NOSUCHPROC      0x2D07 /* Stored procedure does not exist */
#define ORVEX_ERR_TOOMANYTABLES   0x2D08 /* Too many tables in use by statements */

/* 0x2E: query by example (section 9) */
#define ORVEX_ERR_QBESYNTAX       0x2E01 /* QBE syntax error: the detail names the line, the cell and what was expected */

#define ORVEX_ERROR_TEXT_SIZE 128 /* 127 bytes of text and a NUL */

/* ------------------------------------------------- 3. Field types, record buffer */

#define ORVEX_FT_STRING    1  /* size = characters                                    */
#define ORVEX_FT_SMALLINT  2
#define ORVEX_FT_INTEGER   3
#define ORVEX_FT_WORD      4
#define ORVEX_FT_BOOLEAN   5
#define ORVEX_FT_FLOAT     6
#define ORVEX_FT_CURRENCY  7
#define ORVEX_FT_BCD       8  /* size = precision 1..32, decimals 0..size             */
#define ORVEX_FT_DATE      9
#define ORVEX_FT_TIME      10
#define ORVEX_FT_DATETIME  11
#define ORVEX_FT_BYTES     12 /* size = bytes                                          */
#define ORVEX_FT_VARBYTES  13 /* size = most bytes                                     */
#define ORVEX_FT_AUTOINC   14 /* at most one a table; assigned on insert, never reused */
#define ORVEX_FT_BLOB      15
#define ORVEX_FT_MEMO      16
#define ORVEX_FT_GRAPHIC   17
#define ORVEX_FT_FMTMEMO   18 /* formatted memo                                        */

/* Record buffer (its size is the cursor property recordSize):
 *   byte 0   int64  record id: the row's number in the file, 0 for a record
 *                   never posted (insert writes the new id back)
 *   byte 8   one blank flag byte per field, field n at 8 + n - 1: 1 blank, 0 not
 *   then     each field's value at the offset its field descriptor gives,
 *            aligned to the value's width (2, 4 or 8); the size is a multiple of 8.
 *
 * Values by type (ORVEX_FT_*):
 *   STRING    UTF-8, NUL-terminated; length 4 * size + 1 bytes; at most size
 *             characters. An empty string is blank.
 *   SMALLINT  int16          INTEGER int32        WORD   uint16
 *   AUTOINC   int32          BOOLEAN uint16: 0 False, 1 True (a put of any
 *                            non-zero value stores 1)
 *   FLOAT     double         CURRENCY double      (finite values only)
 *   BCD       OrvexBcd, 34 bytes (below)
 *   DATE      int32 days, 0001-01-01 being day 1 (up to 9999-12-31, day 3652059)
 *   TIME      int32 milliseconds since midnight (0..86399999)
 *   DATETIME  double milliseconds: days * 86400000 + time, as DATE and TIME
 *   BYTES     size bytes
 *   VARBYTES  uint16 length, then size bytes
 *   BLOB, MEMO, GRAPHIC, FMTMEMO
 *             8 bytes: uint32 handle of the blob opened on this buffer (0 when
 *             none), uint32 reserved. The content goes through the blob entries;
 *             field get gives only the blank flag, field put refuses them.
 *
 * In the file (for SQLite tools): STRING and MEMO as TEXT; DATE as
 * 'YYYY-MM-DD', TIME as 'HH:MM:SS' or 'HH:MM:SS.mmm', DATETIME as date, blank
 * and time; integer types and BOOLEAN as INTEGER; FLOAT, CURRENCY and BCD as
 * REAL; the others as BLOB; a blank value as NULL. A string field that a
 * case-insensitive index holds has a column "orvex_fold_N" (N its field
 * number) beside the fields, its folded key, which the index holds; the
 * engine keeps it, and any other writer may leave it as it is: triggers
 * note the rows that writer touched and the engine folds them again. The
 * file needs nothing but SQLite to be read, written and checked.
 */
#define ORVEX_RECORD_HEADER 8

/* Packed decimal: byte 0 precision (digits, 1..64); byte 1 bit 7 the sign
 * (1 negative), bits 0..5 the decimals (digits after the point, at most the
 * precision); bytes 2..33 the digits, two a byte, most significant first
 * (high nibble before low nibble); digits past the precision are 0. */
#define ORVEX_BCD_SIZE 34

/* ------------------------------------------------------------ 4. Descriptors */

#pragma pack(push, 1)

/* Table descriptor, 682 bytes, zero-filled before use. Creation reads the
 * name, the driver type and the protected flag; restructure (246) reads all. */
typedef struct {
  char name[261];        /*   0: table name, relative to the database or a full path;
                                 without an extension the driver's is added */
  char driverType[32];   /* 261: "KALMURE" (extension ".db") or "ZENTOR" (".dbf");
                                 empty: taken from the name's extension */
  uint8_t reserved1[325];/* 293 */
  uint16_t protectedFlag;/* 618: stored with the table, read back at byte 349 of the cursor properties */
  uint16_t packFlag;     /* 620: non-zero: restructure packs the table */
  uint8_t reserved2[60]; /* 622 */
} OrvexTableDesc;        /* 682 */

/* Field descriptor, 96 bytes. Creation reads name, type, size, decimals and
 * required; the field-descriptor entry fills in every member. */
typedef struct {
  uint16_t fieldNo;      /*  0: 1-based */
  char name[64];         /*  2: unique without regard to case */
  uint16_t type;         /* 66: ORVEX_FT_* */
  uint16_t size;         /* 68: STRING 1..255 characters; BYTES, VARBYTES 1..255 bytes;
                                BCD precision 1..32; others: ignored, reported 0 */
  uint16_t decimals;     /* 70: BCD only */
  uint16_t required;     /* 72: 1: a post with the field blank is refused */
  uint32_t offset;       /* 74: value in the record buffer */
  uint32_t length;       /* 78: bytes of the value in the record buffer */
  uint32_t blankOffset;  /* 82: the field's blank-flag byte */
  uint8_t reserved[10];  /* 86 */
} OrvexFieldDesc;        /* 96 */

#define ORVEX_MAX_INDEX_FIELDS 16

/* Index descriptor, 112 bytes. Strings sort by the bytes of their UTF-8 in a
 * case-sensitive index (so a string followed by the byte 0xFF is above every
 * string it begins) and fold case for every letter in a case-insensitive one.
 * Blank values sort first (last in a descending index). */
typedef struct {
  char name[64];         /*   0: unique without regard to case; the primary index may be unnamed */
  uint16_t indexNo;      /*  64: 1-based, in creation order (output) */
  uint16_t fieldCount;   /*  66: 1..16 */
  uint16_t fields[ORVEX_MAX_INDEX_FIELDS]; /* 68: field numbers; no blob fields */
  uint16_t primary;      /* 100: at most one; implies unique */
  uint16_t unique;       /* 102 */
  uint16_t descending;   /* 104 */
  uint16_t caseInsensitive; /* 106: applies to its string fields */
  uint8_t reserved[4];   /* 108 */
} OrvexIndexDesc;        /* 112 */

/* Validity check, 1,219 bytes: one a checked field, given at creation and
 * delivered as the records of the validity-check list (38). Minimum, maximum
 * and default are values in the field's record-buffer encoding (strings
 * NUL-terminated within the 256 bytes). The engine enforces required, minimum
 * and maximum at each post and sets defaults in the record-init entry; the
 * picture is kept for the caller, who matches it. */
typedef struct {
  uint16_t fieldNo;      /*   0: 1-based */
  uint16_t required;     /*   2 */
  uint16_t hasMin;       /*   4 */
  uint16_t hasMax;       /*   6 */
  uint16_t hasDefault;   /*   8 */
  uint8_t minValue[256]; /*  10 */
  uint8_t maxValue[256]; /* 266 */
  uint8_t defaultValue[256]; /* 522 */
  char picture[441];     /* 778: NUL-terminated; empty: none */
} OrvexVchkDesc;         /* 1219 */

/* ----------------------------------------- 5. Cursor properties, bookmarks, lists */

/* Cursor properties, 400 bytes (7). Table cursors fill every member; list
 * cursors fill recordSize, cursorKind and leave the rest 0. */
typedef struct {
  char tableName[261];   /*   0: the table's file name with its extension */
  char driverType[32];   /* 261 */
  uint16_t fieldCount;   /* 293 */
  uint16_t indexCount;   /* 295 */
  uint16_t vchkCount;    /* 297 */
  uint32_t recordSize;   /* 299 */
  uint16_t readOnly;     /* 303 */
  uint16_t exclusive;    /* 305 */
  uint16_t indexNo;      /* 307: current index, 0 for the natural order */
  uint16_t keyFieldCount;/* 309: fields of the current index */
  uint16_t blobFieldCount; /* 311 */
  uint16_t bookmarkSize; /* 313: ORVEX_BOOKMARK_SIZE */
  uint16_t cursorKind;   /* 315: ORVEX_CURSOR_TABLE, _LIST or _ANSWER */
  uint16_t rangeActive;  /* 317 */
  uint8_t reserved1[30]; /* 319 */
  uint16_t protectedFlag;/* 349 */
  uint8_t reserved2[49]; /* 351 */
} OrvexCursorProps;      /* 400 */

#define ORVEX_CURSOR_TABLE 0
#define ORVEX_CURSOR_LIST 1
#define ORVEX_CURSOR_ANSWER 2 /* the answer of a statement (section 9) */

/* Bookmark: 16 bytes: int64 record id, uint32 ORVEX_BOOKMARK_MAGIC, uint32 0.
 * Valid until the table is packed. */
#define ORVEX_BOOKMARK_SIZE 16
#define ORVEX_BOOKMARK_MAGIC 0x4B4D424Fu

/* Record of the table list (502), 296 bytes. */
typedef struct {
  char name[261];        /*   0: file name with extension */
  char driverType[32];   /* 261 */
  uint8_t reserved[3];   /* 293 */
} OrvexTableListRec;     /* 296 */

/* Record of the stored-procedure list (604), 264 bytes. */
typedef struct {
  char name[261];        /*   0: the procedure's name: its file name without ".sql" */
  uint8_t reserved[3];   /* 261 */
} OrvexProcListRec;      /* 264 */

#pragma pack(pop)

/* Open modes and share modes of a cursor */
#define ORVEX_OPEN_READWRITE 0
#define ORVEX_OPEN_READONLY  1
#define ORVEX_SHARE_SHARED    0
#define ORVEX_SHARE_EXCLUSIVE 1

/* Blob open modes */
#define ORVEX_BLOB_READONLY  0
#define ORVEX_BLOB_READWRITE 1
#define ORVEX_BLOB_MAX_READ 32768 /* a larger read is refused (ORVEX_ERR_INVALIDPARAM) */

/* Key search conditions (526) */
#define ORVEX_KEY_EXACT   0 /* the first record whose key equals; ORVEX_ERR_RECNOTFOUND otherwise */
#define ORVEX_KEY_NEAREST 1 /* the first record whose key is at or after */

/* ------------------------------------------------- 6. Ordinals and entry types
 *
 * Navigation. A table cursor is on a record, at the beginning (before the
 * first), at the end (after the last), or between two records (after a key
 * search, a delete, or when its record was deleted by another cursor). Next
 * and prior read into the caller's record buffer; at the end they answer
 * ORVEX_ERR_EOF (ORVEX_ERR_BOF at the beginning) and the cursor stays at the
 * end (beginning). A cursor sees every change that another cursor of the
 * process committed; changes of other processes are seen at the next read
 * from the file and at once after a refresh (529).
 *
 * Record, lock and property arguments that the ordinals' argument lists name
 * but this engine does not use (lock: pass 0; record properties: pass NULL)
 * are accepted and ignored.
 *
 * The entries are one table, ORVEX_ENTRIES, a line an entry:
 *   X(constant, ordinal, Name, (parameters), (arguments))
 * Each returns an OrvexResult. The table gives the ordinal constants
 * (ORVEX_GET_CURSOR_PROPS is 7), the entry-point types (OrvexGetCursorPropsFn),
 * the engine's ordinal switch and the callers' bindings. To add an entry,
 * write its line here in ordinal order under a comment that says what it
 * does, and its body in the engine: a function of that Name and those
 * parameters in Entries.cpp. (arguments) repeats the parameters' names for
 * the wrappers that pass them on.
 */
#define ORVEX_ENTRIES(X)                                                                           \
  /* 7: cursor properties */                                                                       \
  X(ORVEX_GET_CURSOR_PROPS, 7, GetCursorProps, (hOrvexCursor cursor, OrvexCursorProps* props),     \
    (cursor, props))                                                                               \
  /* 12: close a cursor of any kind; *cursor becomes 0 */                                          \
  X(ORVEX_CLOSE_CURSOR, 12, CloseCursor, (hOrvexCursor* cursor), (cursor))                         \
  /* 13: to the beginning (before the first record, or the range's first) */                       \
  X(ORVEX_SET_TO_BEGIN, 13, SetToBegin, (hOrvexCursor cursor), (cursor))                           \
  /* 16: next record; ORVEX_ERR_EOF at the end */                                                  \
  X(ORVEX_GET_NEXT_RECORD, 16, GetNextRecord, (hOrvexCursor cursor, uint16_t lock, void* record,   \
     void* recordProps), (cursor, lock, record, recordProps))                                      \
  /* 38: validity-check list: a list cursor of OrvexVchkDesc records (1,219                        \
   * bytes), one a checked field, by field number. driverType: "KALMURE" or                        \
   * "ZENTOR" (or NULL: from the name). Reading works while the table is open,                     \
   * exclusively too. */                                                                           \
  X(ORVEX_OPEN_VCHK_LIST, 38, OpenVchkList, (hOrvexDb db, const char* tableName,                   \
     const char* driverType, hOrvexCursor* cursor), (db, tableName, driverType, cursor))           \
  /* 65: after a keep (1068): ORVEX_OK when the cursor reads the table it was                     \
   * kept as; ORVEX_ERR_NOTSUPPORTED for a cursor that kept nothing */                            \
  X(ORVEX_Q_FINISH_KEEP, 65, QFinishKeep, (hOrvexCursor cursor), (cursor))                         \
  /* 71: to the end (after the last record, or the range's last) */                                \
  X(ORVEX_SET_TO_END, 71, SetToEnd, (hOrvexCursor cursor), (cursor))                               \
  /* 72: the handle of the system object, whose properties (1071, 1072) are the engine's own       \
   * (section 8). Object 0 names it too. */                                                        \
  X(ORVEX_GET_SYS_HANDLE, 72, GetSysHandle, (OrvexHandle* handle), (handle))                       \
  /* 83: whether an alias exists in the current configuration mode (section 8): ORVEX_OK with      \
   * desc, an OrvexDbDesc, filled in; ORVEX_ERR_UNKNOWNALIAS otherwise. */                         \
  X(ORVEX_GET_DATABASE_DESC, 83, GetDatabaseDesc, (const char* aliasName, void* desc),             \
    (aliasName, desc))                                                                             \
  /* 100: open the blob of a field on a record buffer (the current record's                        \
   * buffer, or one being edited; a buffer of a never-posted record opens an                       \
   * empty blob). The blob's handle is kept in the buffer's field value. Opening                   \
   * a blob already open on the buffer keeps its content (and makes it writable                    \
   * when asked). A read-write blob's content is written by the next insert,                       \
   * append or modify of that buffer; freeing it before the post drops the change. */              \
  X(ORVEX_OPEN_BLOB, 100, OpenBlob, (hOrvexCursor cursor, void* record, uint16_t fieldNo,          \
     uint16_t openMode), (cursor, record, fieldNo, openMode))                                      \
  /* 102: read up to length bytes (at most ORVEX_BLOB_MAX_READ) from offset.                       \
   * ORVEX_OK: length bytes read. ORVEX_ERR_ENDOFBLOB: fewer (*read of them,                       \
   * possibly 0) because the end was reached. ORVEX_ERR_BLOBOFFSET: offset past                    \
   * the end; nothing read. */                                                                     \
  X(ORVEX_GET_BLOB, 102, GetBlob, (hOrvexCursor cursor, void* record, uint16_t fieldNo,            \
     uint32_t offset, uint32_t length, void* dest, uint32_t* read),                                \
    (cursor, record, fieldNo, offset, length, dest, read))                                         \
  /* 105: free the blob opened on the buffer */                                                    \
  X(ORVEX_FREE_BLOB, 105, FreeBlob, (hOrvexCursor cursor, void* record, uint16_t fieldNo),         \
    (cursor, record, fieldNo))                                                                     \
  /* 131: prepare a statement's text (section 9); a statement prepared                            \
   * before is replaced, its parameter values dropped */                                          \
  X(ORVEX_Q_PREPARE, 131, QPrepare, (OrvexHandle stmt, const char* text), (stmt, text))            \
  /* 132: execute a prepared statement: *cursor is an answer cursor, or 0 for a                    \
   * statement that answers no records. It runs again at each call, with the                       \
   * parameter values bound at that time. */                                                       \
  X(ORVEX_Q_EXEC, 132, QExec, (OrvexHandle stmt, hOrvexCursor* cursor), (stmt, cursor))            \
  /* 136: free a statement; *stmt becomes 0. Its answers stay usable until closed. */              \
  X(ORVEX_Q_FREE, 136, QFree, (OrvexHandle* stmt), (stmt))                                         \
  /* 137: a statement on a database; language ORVEX_LANG_SQL or ORVEX_LANG_QBE                      \
   * (section 9) */                                                                                 \
  X(ORVEX_Q_ALLOC, 137, QAlloc, (hOrvexDb db, uint16_t language, OrvexHandle* stmt),               \
    (db, language, stmt))                                                                          \
  /* 207: a field's value from a record buffer into dest (the field's length in                    \
   * bytes; may be NULL), and the blank flag (1 blank; may be NULL). A blank                       \
   * value is written as zeros. Blob fields give only the blank flag. */                           \
  X(ORVEX_GET_FIELD, 207, GetField, (hOrvexCursor cursor, uint16_t fieldNo, const void* record,    \
     void* dest, uint16_t* blank), (cursor, fieldNo, record, dest, blank))                         \
  /* 234: delete a table's file. ORVEX_ERR_NOSUCHTABLE when it is not there;                       \
   * ORVEX_ERR_TABLEINUSE while any cursor has it open. */                                         \
  X(ORVEX_DELETE_TABLE, 234, DeleteTable, (hOrvexDb db, const char* tableName,                     \
     const char* driverType), (db, tableName, driverType))                                         \
  /* 240: pack a table of the second format ("ZENTOR"): reclaims the space of                      \
   * deleted records, rebuilds the indexes when asked, keeps records, indexes                      \
   * and validity checks. With a cursor, that cursor must be exclusive and is                      \
   * at the beginning afterwards; without one (0), the table is named and must                     \
   * not be open. A native table answers ORVEX_ERR_NOTSUPPORTED: it packs                          \
   * through restructure (246). */                                                                 \
  X(ORVEX_PACK_TABLE, 240, PackTable, (hOrvexDb db, hOrvexCursor cursor, const char* tableName,    \
     const char* driverType, uint16_t rebuildIndexes),                                             \
    (db, cursor, tableName, driverType, rebuildIndexes))                                           \
  /* 246: restructure: takes one table descriptor; sets the stored protected                       \
   * flag from it and packs when its pack flag is non-zero. The table must not                     \
   * be open. The three name arguments and analyseOnly must be NULL and 0:                         \
   * this engine changes no field or index in a restructure. */                                    \
  X(ORVEX_DO_RESTRUCTURE, 246, DoRestructure, (hOrvexDb db, uint16_t descCount,                    \
     const OrvexTableDesc* desc, const char* saveAs, const char* keyViolName,                      \
     const char* problemsName, uint16_t analyseOnly),                                              \
    (db, descCount, desc, saveAs, keyViolName, problemsName, analyseOnly))                         \
  /* 298: the message of a code, at most 127 bytes and a NUL, into text[128] */                    \
  X(ORVEX_GET_ERROR_TEXT, 298, GetErrorText, (OrvexResult code, char* text), (code, text))         \
  /* 400: write the persistent configuration (section 8) to path, or to the active file when       \
   * path is NULL; file must be 0 and flag -1. The store and the active file stay as they are,     \
   * and a failed or killed save leaves the old file whole. */                                     \
  X(ORVEX_SAVE_CONFIG_FILE, 400, SaveConfigFile, (OrvexHandle file, const char* path,              \
     int16_t flag), (file, path, flag))                                                            \
  /* 409: the description of an option, at most 255 bytes and a NUL, into                          \
   * desc[ORVEX_OPTION_DESC_SIZE]. path names a section of the defaults ("\\SYSTEM\\INIT") or a    \
   * driver alone ("\\DRIVERS\\ODBC": its sections are searched); file must be 0.                  \
   * ORVEX_ERR_NOOPTIONDESC for an option the engine does not describe. */                         \
  X(ORVEX_GET_OPTION_DESC, 409, GetOptionDesc, (OrvexHandle file, const char* path,                \
     const char* option, void* desc), (file, path, option, desc))                                  \
  /* 410: merge an opened configuration file (1064) into the layer the current mode writes to,     \
   * all or nothing (section 8). session: 0 or the session's handle. overwrite 0: options          \
   * already there keep their values; 1: the file's values win. The engine frees the file's        \
   * handle whether the merge succeeds or not. Nothing is saved. */                                \
  X(ORVEX_MERGE_CONFIG_FILE, 410, MergeConfigFile, (OrvexHandle session, OrvexHandle file,         \
     uint16_t overwrite), (session, file, overwrite))                                              \
  /* 500: open a database: a directory, or an alias of the current mode (a name without '/';     \
   * section 8), the alias winning ("STANDARD" type; type may be NULL or ""). An alias of           \
   * another driver answers ORVEX_ERR_NOTSUPPORTED. */                                             \
  X(ORVEX_OPEN_DATABASE, 500, OpenDatabase, (const char* name, const char* type, hOrvexDb* db),    \
    (name, type, db))                                                                              \
  /* 501: close a database; *db becomes 0. Its cursors stay usable until closed. */                \
  X(ORVEX_CLOSE_DATABASE, 501, CloseDatabase, (hOrvexDb* db), (db))                                \
  /* 502: list the tables of a database: a list cursor of OrvexTableListRec,                       \
   * files with the extension ".db" or ".dbf", sorted by name */                                   \
  X(ORVEX_OPEN_TABLE_LIST, 502, OpenTableList, (hOrvexDb db, hOrvexCursor* cursor), (db, cursor))  \
  /* 503: create a table. The file appears whole or not at all. overwrite: an                      \
   * existing table of that name is replaced (ORVEX_ERR_FILEEXISTS otherwise).                     \
   * indexes and vchks may be NULL when their counts are 0. */                                     \
  X(ORVEX_CREATE_TABLE, 503, CreateTable, (hOrvexDb db, const OrvexTableDesc* table,               \
     uint16_t fieldCount, const OrvexFieldDesc* fields, uint16_t indexCount,                       \
     const OrvexIndexDesc* indexes, uint16_t vchkCount, const OrvexVchkDesc* vchks,                \
     uint16_t overwrite),                                                                          \
    (db, table, fieldCount, fields, indexCount, indexes, vchkCount, vchks, overwrite))             \
  /* 504: open a cursor on a table. indexName NULL or "": the primary index, or                    \
   * the natural order when there is none. openMode ORVEX_OPEN_*, shareMode                        \
   * ORVEX_SHARE_*. An exclusive cursor is the table's only one, across                            \
   * processes (an flock(2) lock on the table file): a second open is refused                      \
   * with ORVEX_ERR_TABLEINUSE, and an exclusive open of a table open elsewhere                    \
   * with ORVEX_ERR_EXCLREFUSED. The cursor starts at the beginning. */                            \
  X(ORVEX_OPEN_TABLE, 504, OpenTable, (hOrvexDb db, const char* tableName, const char* driverType, \
     const char* indexName, uint16_t openMode, uint16_t shareMode, hOrvexCursor* cursor),          \
    (db, tableName, driverType, indexName, openMode, shareMode, cursor))                           \
  /* 505: remove every record. With a read-write cursor (then tableName is                         \
   * ignored) or by name (cursor 0). */                                                            \
  X(ORVEX_EMPTY_TABLE, 505, EmptyTable, (hOrvexDb db, hOrvexCursor cursor, const char* tableName,  \
     const char* driverType), (db, cursor, tableName, driverType))                                 \
  /* 506, 507: descriptors of the cursor's fields and indexes, capacity entries                    \
   * at most; ORVEX_ERR_INVALIDPARAM when capacity is below the count (cursor                      \
   * properties give the counts). */                                                               \
  X(ORVEX_GET_FIELD_DESCS, 506, GetFieldDescs, (hOrvexCursor cursor, uint16_t capacity,            \
     OrvexFieldDesc* fields), (cursor, capacity, fields))                                          \
  X(ORVEX_GET_INDEX_DESCS, 507, GetIndexDescs, (hOrvexCursor cursor, uint16_t capacity,            \
     OrvexIndexDesc* indexes), (cursor, capacity, indexes))                                        \
  /* 509: records in the cursor's view (its range when one is set) */                              \
  X(ORVEX_GET_RECORD_COUNT, 509, GetRecordCount, (hOrvexCursor cursor, uint32_t* count),           \
    (cursor, count))                                                                               \
  /* 510: prior record; ORVEX_ERR_BOF at the beginning */                                          \
  X(ORVEX_GET_PRIOR_RECORD, 510, GetPriorRecord, (hOrvexCursor cursor, uint16_t lock,              \
     void* record, void* recordProps), (cursor, lock, record, recordProps))                        \
  /* 511: the current record. ORVEX_ERR_BOF, ORVEX_ERR_EOF at the ends,                            \
   * ORVEX_ERR_NOCURRREC between records, ORVEX_ERR_RECDELETED when another                        \
   * cursor deleted it (the cursor is then between its neighbours). */                             \
  X(ORVEX_GET_RECORD, 511, GetRecord, (hOrvexCursor cursor, uint16_t lock, void* record,           \
     void* recordProps), (cursor, lock, record, recordProps))                                      \
  /* 512: move by offset records (negative: backwards; 0: the current record)                      \
   * and read the record reached; at an end ORVEX_ERR_EOF / ORVEX_ERR_BOF with                     \
   * the cursor at that end. record may be NULL. */                                                \
  X(ORVEX_GET_RELATIVE_RECORD, 512, GetRelativeRecord, (hOrvexCursor cursor, int32_t offset,       \
     uint16_t lock, void* record, void* recordProps), (cursor, offset, lock, record, recordProps)) \
  /* 513, 514, 515: bookmarks of ORVEX_BOOKMARK_SIZE bytes. Compare gives -1, 0                    \
   * or 1 by the records' order in the cursor's current index. */                                  \
  X(ORVEX_GET_BOOKMARK, 513, GetBookmark, (hOrvexCursor cursor, void* bookmark),                   \
    (cursor, bookmark))                                                                            \
  X(ORVEX_SET_TO_BOOKMARK, 514, SetToBookmark, (hOrvexCursor cursor, const void* bookmark),        \
    (cursor, bookmark))                                                                            \
  X(ORVEX_COMPARE_BOOKMARKS, 515, CompareBookmarks, (hOrvexCursor cursor, const void* bookmark1,   \
     const void* bookmark2, int16_t* result), (cursor, bookmark1, bookmark2, result))              \
  /* 516: put a field's value into a record buffer; value NULL makes it blank.                     \
   * Refused: a string longer than the field (ORVEX_ERR_STRTOOLONG), a value                       \
   * outside its type's domain (ORVEX_ERR_OUTOFRANGE), a blob field                                \
   * (ORVEX_ERR_INVALIDFIELDTYPE). The buffer is unchanged when refused. */                        \
  X(ORVEX_PUT_FIELD, 516, PutField, (hOrvexCursor cursor, uint16_t fieldNo, void* record,          \
     const void* value), (cursor, fieldNo, record, value))                                         \
  /* 517: a new record: every field blank, then the defaults of the validity checks */             \
  X(ORVEX_INIT_RECORD, 517, InitRecord, (hOrvexCursor cursor, void* record), (cursor, record))     \
  /* 518, 519: post a new record (one committed transaction). The record id and                    \
   * the auto-increment value are written back into the buffer; the cursor is                      \
   * on the new record. Append is insert: the indexes place the record. */                         \
  X(ORVEX_INSERT_RECORD, 518, InsertRecord, (hOrvexCursor cursor, uint16_t lock, void* record),    \
    (cursor, lock, record))                                                                        \
  X(ORVEX_APPEND_RECORD, 519, AppendRecord, (hOrvexCursor cursor, void* record), (cursor, record)) \
  /* 520: post the buffer over the current record; the cursor stays on it */                       \
  X(ORVEX_MODIFY_RECORD, 520, ModifyRecord, (hOrvexCursor cursor, void* record,                    \
     uint16_t freeLock), (cursor, record, freeLock))                                               \
  /* 521: delete the current record; the cursor is then between its neighbours.                    \
   * record is ignored (may be NULL). */                                                           \
  X(ORVEX_DELETE_RECORD, 521, DeleteRecord, (hOrvexCursor cursor, void* record), (cursor, record)) \
  /* 522: write length bytes at offset (at most the blob's size: no holes) */                      \
  X(ORVEX_PUT_BLOB, 522, PutBlob, (hOrvexCursor cursor, void* record, uint16_t fieldNo,            \
     uint32_t offset, uint32_t length, const void* src),                                           \
    (cursor, record, fieldNo, offset, length, src))                                                \
  /* 523: cut the blob to length bytes (0 makes the field blank) */                                \
  X(ORVEX_TRUNCATE_BLOB, 523, TruncateBlob, (hOrvexCursor cursor, void* record, uint16_t fieldNo,  \
     uint32_t length), (cursor, record, fieldNo, length))                                          \
  /* 524: the blob's size in bytes */                                                              \
  X(ORVEX_GET_BLOB_SIZE, 524, GetBlobSize, (hOrvexCursor cursor, void* record, uint16_t fieldNo,   \
     uint32_t* size), (cursor, record, fieldNo, size))                                             \
  /* 525: switch to an index by name (without regard to case; NULL or "": the                      \
   * primary index, or the natural order). Clears the range. stayOnCurrent: the                    \
   * cursor stays on its record, else it is at the beginning. */                                   \
  X(ORVEX_SWITCH_TO_INDEX, 525, SwitchToIndex, (hOrvexCursor cursor, const char* indexName,        \
     uint16_t stayOnCurrent), (cursor, indexName, stayOnCurrent))                                  \
  /* 526: key search on the current index. key: a record buffer holding the key                    \
   * fields' values. fieldCount: how many leading key fields count (0: all).                       \
   * partialLength: when non-zero, only that many leading characters of the                        \
   * last counted field (a string) count. EXACT puts the cursor before the                         \
   * first match, or answers ORVEX_ERR_RECNOTFOUND and leaves it where it was;                     \
   * NEAREST puts it before the first record at or after the key. Then next                        \
   * (16) reads the record found. */                                                               \
  X(ORVEX_SET_TO_KEY, 526, SetToKey, (hOrvexCursor cursor, uint16_t searchCond,                    \
     uint16_t fieldCount, uint16_t partialLength, const void* key),                                \
    (cursor, searchCond, fieldCount, partialLength, key))                                          \
  /* 527: limit the cursor to a range of the current index; start or end NULL:                     \
   * open on that side. Field counts and partial lengths as in 526 (a partial                      \
   * end includes every string it begins when inclusive). The cursor is at the                     \
   * beginning of the range afterwards. */                                                         \
  X(ORVEX_SET_RANGE, 527, SetRange, (hOrvexCursor cursor, uint16_t startFieldCount,                \
     uint16_t startPartialLength, uint16_t startInclusive, const void* start,                      \
     uint16_t endFieldCount, uint16_t endPartialLength, uint16_t endInclusive, const void* end),   \
    (cursor, startFieldCount, startPartialLength, startInclusive, start, endFieldCount, endPartialLength, endInclusive, end)) \
  /* 528: remove the range; the cursor stays on its record */                                      \
  X(ORVEX_RESET_RANGE, 528, ResetRange, (hOrvexCursor cursor), (cursor))                           \
  /* 529: forget what was read ahead, so that the next read sees every change                      \
   * committed anywhere */                                                                         \
  X(ORVEX_FORCE_REREAD, 529, ForceReread, (hOrvexCursor cursor), (cursor))                         \
  /* 530: a packed decimal to a double */                                                          \
  X(ORVEX_BCD_TO_FLOAT, 530, BcdToFloat, (const void* bcd, double* value), (bcd, value))           \
  /* 531: switch to the index whose leading fields are fieldNos (one with                          \
   * exactly those fields first, else the first that begins with them) */                          \
  X(ORVEX_SWITCH_TO_INDEX_FOR_FIELDS, 531, SwitchToIndexForFields, (hOrvexCursor cursor,           \
     uint16_t fieldCount, const uint16_t* fieldNos, uint16_t stayOnCurrent),                       \
    (cursor, fieldCount, fieldNos, stayOnCurrent))                                                 \
  /* 532: the current record's number in the cursor's view: 1 + the records                        \
   * before it in the current index's order (the natural order without one; an                     \
   * answer's own order),                                                                           \
   * within the range and the active filters. Counted through the index, not                       \
   * by reading the records: ORVEX_ERR_NOTSUPPORTED while a filter is active                       \
   * that is tested on each record (a callback, or an expression SQLite cannot                     \
   * test). ORVEX_ERR_BOF, ORVEX_ERR_EOF at the ends, ORVEX_ERR_NOCURRREC                          \
   * between records. */                                                                           \
  X(ORVEX_GET_SEQ_NO, 532, GetSeqNo, (hOrvexCursor cursor, uint32_t* seqNo), (cursor, seqNo))      \
  /* 600, 601: a prepared statement's parameters: how many, and the name of                       \
   * number paramNo (from 1) without its ":" into name[ORVEX_PARAM_NAME_SIZE] */                  \
  X(ORVEX_Q_PARAM_COUNT, 600, QParamCount, (OrvexHandle stmt, uint16_t* count), (stmt, count))     \
  X(ORVEX_Q_PARAM_NAME, 601, QParamName, (OrvexHandle stmt, uint16_t paramNo, char* name),         \
    (stmt, paramNo, name))                                                                         \
  /* 602: the value of parameter paramNo for the next execution: fieldType                         \
   * (ORVEX_FT_*) says how value is encoded, as in a record buffer; value NULL                      \
   * makes it blank. length: the bytes of a BYTES, BLOB or GRAPHIC value (others                    \
   * ignore it). Section 9 says what each type binds as. */                                         \
  X(ORVEX_Q_BIND_PARAM, 602, QBindParam, (OrvexHandle stmt, uint16_t paramNo, uint16_t fieldType,  \
     uint32_t length, const void* value), (stmt, paramNo, fieldType, length, value))               \
  /* 603: prepare a stored procedure of the statement's database by name */                        \
  X(ORVEX_Q_PREPARE_PROC, 603, QPrepareProc, (OrvexHandle stmt, const char* procName),             \
    (stmt, procName))                                                                              \
  /* 604: the stored procedures of a database: a list cursor of                                    \
   * OrvexProcListRec, sorted by name */                                                           \
  X(ORVEX_OPEN_PROC_LIST, 604, OpenProcList, (hOrvexDb db, hOrvexCursor* cursor), (db, cursor))    \
  /* 605, 606: begin a transaction of the database's statements at an                              \
   * isolation level (ORVEX_ISOLATION_*); end it, committing (commit 1) or                         \
   * rolling back (0) */                                                                           \
  X(ORVEX_BEGIN_TRAN, 605, BeginTran, (hOrvexDb db, uint16_t isolation), (db, isolation))          \
  X(ORVEX_END_TRAN, 606, EndTran, (hOrvexDb db, uint16_t commit), (db, commit))                    \
  /* 607: the session's private directory, where answers keep their temporary                      \
   * tables (NULL or "": the system's temporary directory) */                                       \
  X(ORVEX_SET_PRIVATE_DIR, 607, SetPrivateDir, (const char* dir), (dir))                           \
  /* 798, 813, 814, 815, 818, 819: the engine's language drivers (section 8). Open gives a list    \
   * before its first driver; next moves to the next (ORVEX_ERR_EOF after the last); the           \
   * symbolic name (at most 20 characters) goes into text[ORVEX_LD_NAME_SIZE], the description     \
   * into text[ORVEX_LD_DESC_SIZE]; close sets *list to 0. */                                      \
  X(ORVEX_GET_LD_SYMBOLIC_NAME, 798, GetLdSymbolicName, (OrvexHandle list, char* text),            \
    (list, text))                                                                                  \
  X(ORVEX_GET_LD_DESCRIPTION, 813, GetLdDescription, (OrvexHandle list, char* text),               \
    (list, text))                                                                                  \
  X(ORVEX_OPEN_LD_LIST, 814, OpenLdList, (OrvexHandle* list), (list))                              \
  X(ORVEX_NEXT_LD, 815, NextLd, (OrvexHandle list), (list))                                        \
  X(ORVEX_CLOSE_LD_LIST, 818, CloseLdList, (OrvexHandle* list), (list))                            \
  X(ORVEX_GET_LD_FAMILY, 819, GetLdFamily, (OrvexHandle list, uint16_t* family),                   \
    (list, family))                                                                                \
  /* 840: add a filter to a cursor: an expression (a filter descriptor,                            \
   * copied) or a callback, the other NULL; inactive until activated.                              \
   * Section 7 says what clientData, priority and canAbort mean. */                                \
  X(ORVEX_ADD_FILTER, 840, AddFilter, (hOrvexCursor cursor, uintptr_t clientData,                  \
     uint16_t priority, uint16_t canAbort, const void* expression, OrvexFilterCallback callback,   \
     OrvexHandle* filter),                                                                         \
    (cursor, clientData, priority, canAbort, expression, callback, filter))                        \
  /* 841: drop a filter of the cursor; its handle is then invalid */                               \
  X(ORVEX_DROP_FILTER, 841, DropFilter, (hOrvexCursor cursor, OrvexHandle filter),                 \
    (cursor, filter))                                                                              \
  /* 842, 843: switch a filter on, off; from the next read on, the cursor                          \
   * keeping its place */                                                                          \
  X(ORVEX_ACTIVATE_FILTER, 842, ActivateFilter, (hOrvexCursor cursor, OrvexHandle filter),         \
    (cursor, filter))                                                                              \
  X(ORVEX_DEACTIVATE_FILTER, 843, DeactivateFilter, (hOrvexCursor cursor, OrvexHandle filter),     \
    (cursor, filter))                                                                              \
  /* 845: copy the records of a cursor from its position to its end into a new                     \
   * native table of its fields (no indexes, no validity checks), named relative                   \
   * to the cursor's database; driverType NULL, "", "KALMURE" or "ZENTOR".                          \
   * copyMode ORVEX_COPY_NEW refuses an existing table (ORVEX_ERR_FILEEXISTS),                      \
   * ORVEX_COPY_REPLACE replaces it unless it is open (ORVEX_ERR_TABLEINUSE). */                    \
  X(ORVEX_COPY_CURSOR, 845, CopyCursor, (hOrvexCursor source, const char* tableName,               \
     const char* driverType, uint16_t copyMode), (source, tableName, driverType, copyMode))         \
  /* 1063: a list cursor of OrvexCfgDesc records at a configuration path, read in the current      \
   * mode (section 8): a section's options, from the first layer that has the section, or else     \
   * the names of the nodes right below the path, each once, with empty values.                    \
   * ORVEX_ERR_NOENTRIES when there are none. file 0, mode 1 and flags 0 are the only values       \
   * taken. */                                                                                     \
  X(ORVEX_OPEN_CFG_INFO_LIST, 1063, OpenCfgInfoList, (OrvexHandle file, uint16_t mode,             \
     uint16_t flags, const char* path, hOrvexCursor* cursor), (file, mode, flags, path, cursor))   \
  /* 1064: read a configuration file (section 8) whole into a handle for                           \
   * ORVEX_SYS_CFGFILEHANDLE (1072) or a merge (410); create must be 0. ORVEX_ERR_FILENOTFOUND     \
   * when it is missing, ORVEX_ERR_INVALIDCFG, naming the file and the line, when it is not a      \
   * configuration file. */                                                                        \
  X(ORVEX_OPEN_CONFIG_FILE, 1064, OpenConfigFile, (const char* path, uint16_t create,              \
     OrvexHandle* file), (path, create, file))                                                     \
  /* 1068: keep an answer as the native table name (section 9); flag: -1 */                        \
  X(ORVEX_Q_KEEP_AS_TABLE, 1068, QKeepAsTable, (hOrvexCursor cursor, const char* name,             \
     int16_t flag), (cursor, name, flag))                                                          \
  /* 1071, 1072: get and set a property of the system object (72's handle, or 0) or the          \
   * session (section 8), or of a statement or a database (section 9). Get writes at most          \
   * maxLength bytes into value and the value's size into *length (may be NULL; a text's size is   \
   * without its NUL); a value that does not fit answers ORVEX_ERR_BUFFERSIZE with *length set     \
   * and nothing written. Integers are 4 bytes. */                                                 \
  X(ORVEX_GET_PROP, 1071, GetProp, (OrvexHandle object, uint32_t property, void* value,            \
     uint16_t maxLength, uint16_t* length), (object, property, value, maxLength, length))          \
  X(ORVEX_SET_PROP, 1072, SetProp, (OrvexHandle object, uint32_t property, uint64_t value),        \
    (object, property, value))                                                                     \
  /* 1078: a double to a packed decimal of that precision and decimals;                            \
   * ORVEX_ERR_OUTOFRANGE when it does not fit */                                                  \
  X(ORVEX_FLOAT_TO_BCD, 1078, FloatToBcd, (double value, uint16_t precision, uint16_t decimals,    \
     void* bcd), (value, precision, decimals, bcd))                                                \
  /* 1101: start the engine's session with configFile as its active configuration file (NULL or    \
   * "": none; the defaults, and nothing to save to). A missing file means the defaults, and       \
   * its name is still the active one; a file that is not a configuration is refused               \
   * (ORVEX_ERR_INVALIDCFG) and the engine stays as it was. The process holds a shared lock for    \
   * the active file (section 8). ORVEX_ERR_STARTED when a session runs. */                        \
  X(ORVEX_START_ENGINE, 1101, StartEngine, (const char* configFile, OrvexHandle* session),         \
    (configFile, session))                                                                         \
  /* 1102: stop the session: its lock, layer and callbacks go and the configuration is the         \
   * defaults again. Databases and cursors stay usable. Without a session it does nothing. */      \
  X(ORVEX_STOP_ENGINE, 1102, StopEngine, (void), ())                                               \
  /* 1103: make a session the current one. There is one session: the call checks the handle and    \
   * has no other effect. */                                                                       \
  X(ORVEX_SET_CURRENT_SESSION, 1103, SetCurrentSession, (OrvexHandle session), (session))          \
  /* 1104: register a callback of a type for the session (callback NULL drops it); a second        \
   * registration of a type replaces the first. The engine fills buffer, bufferSize bytes at       \
   * least the type's size, before each call (section 8). */                                       \
  X(ORVEX_REGISTER_CALLBACK, 1104, RegisterCallback, (OrvexHandle session, uint16_t type,          \
     uintptr_t clientData, uint16_t bufferSize, void* buffer, OrvexCallbackFn callback),           \
    (session, type, clientData, bufferSize, buffer, callback))                                     \
  /* 1105: a list cursor of OrvexCfgDesc records naming the drivers of the current mode, each      \
   * once: STANDARD, the SQL links and the ODBC-based drivers, not the desktop drivers KALMURE,    \
   * ZENTOR and FOXPRO nor the template ODBC. */                                                   \
  X(ORVEX_OPEN_DRIVER_LIST, 1105, OpenDriverList, (hOrvexCursor* cursor), (cursor))                \
  /* 1106 to 1112: writes to the configuration, in the layer the current mode writes to            \
   * (section 8). params: NAME=value lines, each NUL-terminated, the block ended by an empty       \
   * line (NULL: none). Add alias: TYPE is the driver, which must exist. Modify alias: each        \
   * option set (added when missing); empty values are kept as NAME=. Add driver: INIT from        \
   * params, DB OPEN from the template ODBC. Modify driver: each option to the section of the      \
   * driver that holds it (INIT, DB OPEN, TABLE CREATE); others are passed over. Modify            \
   * parameters: options the section holds, others passed over. */                                 \
  X(ORVEX_CFG_ADD_ALIAS, 1106, CfgAddAlias, (const char* name, const char* driver,                 \
     const char* params), (name, driver, params))                                                  \
  X(ORVEX_CFG_MODIFY_ALIAS, 1107, CfgModifyAlias, (const char* name, const char* params),          \
    (name, params))                                                                                \
  X(ORVEX_CFG_DELETE_ALIAS, 1108, CfgDeleteAlias, (const char* name), (name))                      \
  X(ORVEX_CFG_ADD_DRIVER, 1109, CfgAddDriver, (const char* name, const char* params),              \
    (name, params))                                                                                \
  X(ORVEX_CFG_MODIFY_DRIVER, 1110, CfgModifyDriver, (const char* name, const char* params),        \
    (name, params))                                                                                \
  X(ORVEX_CFG_DELETE_DRIVER, 1111, CfgDeleteDriver, (const char* name), (name))                    \
  X(ORVEX_CFG_MODIFY_PARAMS, 1112, CfgModifyParams, (const char* path, const char* params),        \
    (path, params))

/* Ordinals the programs call that come with later parts of the engine (no
 * entry yet; OrvexEntry answers NULL), with the argument lists the programs
 * call them with. An entry the engine gains moves from here into
 * ORVEX_ENTRIES. */

#define ORVEX_PLANNED_ENTRIES(X)                                                                   \
  /* none at present */

/* --------------------------------------------------------------- 7. Filters
 *
 * A table cursor's filters decide which records its reads deliver. A filter
 * is an expression (a filter descriptor, below) or a record callback. It is
 * added inactive (840), switched on and off (842, 843) and dropped (841);
 * closing the cursor drops its filters. List cursors refuse filters
 * (ORVEX_ERR_NOTSUPPORTED).
 *
 * A record passes when every active filter of the cursor accepts it;
 * expression filters are tested first, then callbacks in the order they
 * were added. Priority is kept but orders nothing. canAbort must be 0 or 1
 * and changes nothing: every callback may stop a read. clientData is handed
 * back to the callback unchanged; expression filters ignore it.
 *
 * Where filters apply: every read of a table cursor (next, prior, relative,
 * current, key search, ranges, bookmarks), and the record count (509)
 * counts passing records. An exact key search (526) finds the first
 * passing match. Reading the current record (511) of a record that does not
 * pass, or going to its bookmark (514), answers ORVEX_ERR_NOCURRREC and
 * leaves the cursor between its neighbours, as after another cursor's
 * delete. Activating or deactivating takes effect at the next read; the
 * cursor keeps its place. A post leaves the cursor on the posted record
 * whether it passes or not; reading it (511) then answers as above.
 *
 * Record callbacks (OrvexFilterCallback). The engine calls back when a read
 * reaches a record, never ahead of it and never from a remembered answer:
 * each read of a record, and each record a count (509) or an exact key
 * search (526) meets, is one call. The record buffer is the whole record
 * (id, blank flags, values), the engine's own: the field-value entry (207)
 * and the blob entries (100, 102, 105, 524) take it while the callback runs;
 * blobs left open on it are freed when the callback returns. The callback
 * answers 0 to reject the record, ORVEX_FILTER_ABORT to stop the read, any
 * other value to accept it. A stopped read leaves the cursor where it was
 * before the read (a relative move counts as one read) and answers
 * ORVEX_ERR_CALLBACKABORT; so does an exception that escapes the callback,
 * which a C++ caller should rather catch and keep (the framework's
 * KeepCallbackException) than let reach the engine. Entries on other cursors
 * work inside a callback. On the cursor being filtered, entries that would
 * move or change it (close, begin, end, next, prior, current, relative,
 * count, bookmark set, key search, ranges, index switch, reread, insert,
 * append, modify, delete, empty, pack, and the filter entries) answer
 * ORVEX_ERR_INCALLBACK; its place, as its own bookmark would give it, is
 * unspecified while the callback runs.
 *
 * The filter descriptor. One buffer, all integers little-endian, offsets in
 * bytes. The engine copies it at the add and reads nothing past the total
 * size that its header gives.
 *
 *   Header, 10 bytes (OrvexFilterHeader):
 *     0  uint16  version: 1
 *     2  uint16  total size: 10 + 14 * nodes + literal pool bytes
 *     4  uint16  node count, at least 1
 *     6  uint16  node start: 10
 *     8  uint16  literal start: 10 + 14 * nodes; the pool runs from here to
 *                the total size (at most 65,535 bytes in all, no other limit)
 *   Node area: one 14-byte slot a node (OrvexFilterNode). Node offsets are
 *   relative to the node start and multiples of 14; slot 0 (offset 0) is the
 *   root; every child lies after its parent (a higher offset). Every slot
 *   must hold a valid node, reached from the root or not.
 *     0  uint32  node class        2 binary    4 field    5 constant
 *     4  uint32  operator code     binary: below; field: 13; constant: 14
 *     8  uint16  binary: offset of the first operand; field: ordinal (any
 *                number, not used); constant: constant type
 *    10  uint16  binary: offset of the second operand; field: pool offset of
 *                the field's name; constant: size in bytes
 *    12  uint16  constant: pool offset of the value; others: 0 (not read)
 *   Binary operators: = 3, <> 4, > 5, < 6, >= 7, <= 8, AND 10, OR 11,
 *   + 16, - 17, * 18, / 19.
 *   Literal pool: field names as NUL-terminated UTF-8, matched to the
 *   cursor's fields without regard to case; constant values in the record
 *   buffer's encodings (section 3), by constant type and size:
 *     1  string     length + 1: UTF-8 text ended by a NUL within the size
 *     2  date       4: int32 days (1..3652059)
 *     4  Boolean    2: uint16, true when non-zero
 *     5  16-bit     2: int16
 *     6  32-bit     4: int32
 *     7  float      8: double, finite
 *     8  BCD        34: packed decimal
 *    10  time       4: int32 milliseconds since midnight (0..86399999)
 *    11  timestamp  8: double milliseconds, as DATETIME (rounded to whole ms)
 *
 *   Refused with ORVEX_ERR_INVALIDDESC, the detail naming the fault: a
 *   version other than 1; sizes that disagree (a total size below the
 *   header or the literal start, a node start other than 10, a literal start
 *   other than 10 + 14 * nodes, no nodes, a constant whose size is not its
 *   type's); a node offset outside the node area or not a multiple of 14; a
 *   child not after its parent; a literal past the pool; a text without its
 *   NUL; an unknown node class, operator or constant type; a constant its
 *   type cannot hold (a date or time out of range, a float or timestamp
 *   that is no finite value, a malformed packed decimal); a name that is no
 *   field of the cursor, or a field of a type filters cannot test (bytes,
 *   blobs, memos); operands of unrelated kinds.
 *
 *   Kinds and evaluation. Each node gives a value of one kind: numbers
 *   (every integer type, auto-increment, float, currency, BCD, and the
 *   result of arithmetic), strings, Booleans (Boolean fields and constants,
 *   and the result of a comparison, AND or OR), dates, times, timestamps.
 *   A comparison takes two operands of one kind; arithmetic two numbers;
 *   AND and OR any operands. Anything else is "operands of unrelated kinds".
 *     - Numbers compare by value; strings by the bytes of their UTF-8, case
 *       counting, as a case-sensitive index sorts; Booleans False before
 *       True; dates, times and timestamps by their day and millisecond
 *       numbers.
 *     - A blank string is the empty string. A blank value of another kind
 *       fails =, <, >, <=, >= and passes <>.
 *     - Arithmetic is done in double; a blank operand, a division by zero or
 *       a result that is no number gives blank.
 *     - Where a condition is expected (the root, the operands of AND and
 *       OR), a value is true when it is neither blank nor zero, False or the
 *       empty string (a time of midnight is zero).
 *   The definition is per record. The engine evaluates expression filters
 *   inside its SQL where the file's values give every record the same
 *   answer, and on the record buffer elsewhere.
 */
#define ORVEX_FILTER_ABORT 2 /* a callback's answer that stops the read */

/* Called for each record a callback filter tests: the client data given
 * when the filter was added, and the record buffer. */
typedef uint16_t (*OrvexFilterCallback)(uintptr_t clientData, void* record);

#define ORVEX_FILTER_VERSION 1
#define ORVEX_FILTER_HEADER_SIZE 10
#define ORVEX_FILTER_NODE_SIZE 14

/* Node classes */
#define ORVEX_FNODE_BINARY 2
#define ORVEX_FNODE_FIELD 4
#define ORVEX_FNODE_CONST 5

/* Operator codes */
#define ORVEX_FOP_EQ 3
#define ORVEX_FOP_NE 4
#define ORVEX_FOP_GT 5
#define ORVEX_FOP_LT 6
#define ORVEX_FOP_GE 7
#define ORVEX_FOP_LE 8
#define ORVEX_FOP_AND 10
#define ORVEX_FOP_OR 11
#define ORVEX_FOP_FIELD 13
#define ORVEX_FOP_CONST 14
#define ORVEX_FOP_ADD 16
#define ORVEX_FOP_SUB 17
#define ORVEX_FOP_MUL 18
#define ORVEX_FOP_DIV 19

/* Constant types */
#define ORVEX_FCONST_STRING 1
#define ORVEX_FCONST_DATE 2
#define ORVEX_FCONST_BOOLEAN 4
#define ORVEX_FCONST_INT16 5
#define ORVEX_FCONST_INT32 6
#define ORVEX_FCONST_FLOAT 7
#define ORVEX_FCONST_BCD 8
#define ORVEX_FCONST_TIME 10
#define ORVEX_FCONST_TIMESTAMP 11

#pragma pack(push, 1)
typedef struct {
  uint16_t version;      /* 0 */
  uint16_t totalSize;    /* 2 */
  uint16_t nodeCount;    /* 4 */
  uint16_t nodeStart;    /* 6 */
  uint16_t literalStart; /* 8 */
} OrvexFilterHeader;     /* 10 */

typedef struct {
  uint32_t nodeClass;    /*  0 */
  uint32_t op;           /*  4 */
  uint16_t arg[3];       /*  8: by class, as above */
} OrvexFilterNode;       /* 14 */
#pragma pack(pop)

/* -------------------------------- 8. Configuration, language drivers and callbacks
 *
 * The store. Sections under paths of parts separated by '\'
 * ("\DRIVERS\KALMURE\INIT", "\SYSTEM\FORMATS\DATE", "\DATABASES\MYDATA\DB INFO"),
 * each an ordered list of NAME=value options. Paths, names and option names
 * compare without regard to case and keep the case they were written in; empty
 * parts (a leading or doubled '\') do not count. Names hold at most
 * ORVEX_CFG_NAME_SIZE - 1 bytes and values ORVEX_CFG_VALUE_SIZE - 1: a write of
 * a longer one is refused (ORVEX_ERR_VALUETOOLONG), never cut. An option name
 * holds no '=' and no control character.
 *
 *   \DRIVERS\<driver>\INIT, \DB OPEN, \TABLE CREATE   a driver: its settings, the
 *                        defaults of a new alias (DB OPEN), of a new table
 *   \DATABASES\<alias>\DB INFO   an alias: TYPE=<driver>, then its parameters
 *   \SYSTEM\INIT, \SYSTEM\FORMATS\DATE, \TIME, \NUMBER   the engine's settings
 *
 * Aliases and drivers are named with 1 to 31 characters (as a user counts
 * them: UTF-8 characters, not bytes) holding no ':', no '\' and no control
 * character (ORVEX_ERR_INVALIDNAME otherwise).
 *
 * Layers and modes. The configuration is three layers, and a session's mode
 * (ORVEX_SES_CFGMODE) is a set of them:
 *   ORVEX_CFG_VIRTUAL 1     made from unixODBC each time a read takes it in:
 *                           one driver a unixODBC driver, named by its
 *                           description, INIT copied from the template ODBC
 *                           with ODBC DRIVER naming it, DB OPEN the template's;
 *                           one alias a data source (the user's, then the
 *                           system's), TYPE its driver, the template's DB OPEN
 *                           with ODBC DSN naming it. Names the store cannot
 *                           hold, and names of the fixed drivers, are left
 *                           out. The driver manager is loaded by name
 *                           ("libodbc.so.2", or the file the environment
 *                           variable ORVEX_ODBC_LIBRARY names) with ODBC 2
 *                           calls, its environment freed after each read;
 *                           without it, or with AUTO ODBC FALSE, the layer is
 *                           empty.
 *   ORVEX_CFG_PERSISTENT 2  the active configuration file, or the defaults
 *   ORVEX_CFG_SESSION 4     the session's own, in memory, never saved
 * A read in a mode of several layers looks in the session, persistent and
 * virtual layers in that order, and the first that has what is asked for
 * answers (a section whole, an alias, a driver); a list of names holds each
 * name once. A write goes to the persistent layer when the mode holds it,
 * else to the session layer; a mode of the virtual layer alone (or none)
 * answers ORVEX_ERR_NOTSUPPORTED. An add refuses a name the written layer
 * holds (ORVEX_ERR_NAMEEXISTS); a modify of an alias, driver or section that
 * the written layer lacks first copies it there from the first layer below
 * that has it (so a virtual alias modified in persistent mode becomes a
 * persistent one); a delete needs it in the written layer. Without a session
 * the mode is all three layers. The engine's own use of its settings reads
 * the session and persistent layers.
 *
 * The defaults (the persistent layer when there is no file): STANDARD, the
 * pseudo driver of desktop aliases (DB OPEN: PATH, DEFAULT DRIVER); the
 * desktop drivers KALMURE, ZENTOR and FOXPRO (INIT and TABLE CREATE); the SQL
 * links ORACLE, SYBASE, INFORMIX, DB2, MSSQL, MSACCESS and CORVANE (INIT with
 * TYPE=SERVER and DLL32; DB OPEN); the template ODBC of ODBC-based drivers
 * (INIT with DLL32=OVODBC32.DLL and ODBC DRIVER; DB OPEN with ODBC DSN);
 * \SYSTEM\INIT and the DATE, TIME and NUMBER formats. No providers. The 409
 * description of every default option says what it does. These take effect:
 *   \SYSTEM\INIT DEFAULT DRIVER     the table type of a name without an
 *                                   extension in a folder opened by its path,
 *                                   when the folder is opened (500)
 *   \SYSTEM\INIT AUTO ODBC          FALSE empties the virtual layer, at its next read
 *   STANDARD alias DEFAULT DRIVER   the same for the alias's folder, when it is opened
 *   KALMURE, ZENTOR INIT LANGDRIVER the language driver of new .db, .dbf tables:
 *                                   it decides how their case-insensitive indexes
 *                                   fold letters, and the table records it, so it
 *                                   keeps its rule afterwards (when created)
 *   KALMURE, ZENTOR TABLE CREATE BLOCK SIZE  page size of new table files (when created)
 *   \SYSTEM\FORMATS\DATE, TIME, NUMBER  the framework's date, time and number texts
 *                                   follow them when its session starts the engine
 * DEFAULT DRIVER FOXPRO or ASCIIDRV names a driver without a table format
 * here: such a name is refused (ORVEX_ERR_UNKNOWNTYPE). Every other option is
 * kept for the administrator and has no effect in this engine (its
 * description says so); aliases of other drivers than STANDARD do not open
 * (ORVEX_ERR_NOTSUPPORTED).
 *
 * Configuration files: UTF-8 text. The first line is ORVEX_CFG_FILE_HEADER;
 * then for each section a line "[path]" and its options as NAME=value lines
 * (a section may have none; blank lines between are ignored); the last line is
 * ORVEX_CFG_FILE_TRAILER, so a file cut short is known. In names and values a
 * backslash escapes: \\ \n \r \t, \xHH for any other control byte or a byte
 * that is not UTF-8, and \[ for a name's leading '['. Reading checks the whole
 * file before anything changes; a file that breaks a rule is refused with
 * ORVEX_ERR_INVALIDCFG, the detail naming the file and the line. A save writes
 * a temporary file beside the target, flushes it to the disk and renames it
 * over the target, so that the old file stays whole until the new one is.
 *
 * The active file. 1101 names it; 0x10099 makes an opened file (1064) the
 * active one: its contents become the persistent layer, the session layer
 * stays. A process with a session holds a shared lock on "<active file>.lck"
 * beside it (an open-file-description lock, made when the folder allows it);
 * activating a file while another process holds the lock of the active one
 * answers ORVEX_ERR_CFGINUSE (0x2510) and changes nothing. 0x10099 and 410
 * take over the handle from 1064: the engine frees it whether they succeed or
 * not. A failed save, open, merge or activation leaves the store and the
 * active file as they were.
 *
 * Properties (1071, 1072):
 *   ORVEX_SYS_CFGFILE        system, get: the active file's full path (UTF-8),
 *                            "" without one
 *   ORVEX_SYS_CFGFILEHANDLE  system, set: activate the file of a 1064 handle
 *   ORVEX_SES_CFGMODE        session, get and set: its mode, 0 to 7
 *   ORVEX_SES_ALIASLIST      session, get and set: an integer kept and answered;
 *                            it changes nothing
 *
 * Language drivers (798, 813 to 819): a fixed table of ours. A symbolic name
 * of at most 20 characters, a description, a code-page family and a case
 * rule: every letter folded (as the engine folds names), or only A to Z. Two
 * drivers share a description. An empty LANGDRIVER means the first driver's
 * rule; a name the table lacks refuses the table's creation
 * (ORVEX_ERR_UNKNOWNLD).
 *
 * Callbacks (1104). Type ORVEX_CB_INPUTREQ: the engine asks for input with an
 * OrvexInputReq in the registered buffer and takes the callback's answer:
 * ORVEX_CB_ANSWERED with the chosen option in the buffer, or ORVEX_CB_DEFAULT
 * for the engine's default. It asks in one place: a post (an insert, modify or
 * delete) that finds its table held by another writer for a second
 * (ORVEX_INPUTREQ_TABLEBUSY; options 1 "Retry", 2 "Fail", chosen 1): Retry
 * waits another second and asks again, Fail and the default give up with
 * ORVEX_ERR_BUSY. A save field of -1 keeps the answer for the rest of the
 * session, which is then not asked again. Without a callback a post waits five
 * seconds before it gives up. The callback may call the engine, but must not
 * close the cursor being posted. A test makes the engine ask by holding a
 * write transaction on the table file through SQLite. */

#define ORVEX_CFG_VIRTUAL    1
#define ORVEX_CFG_PERSISTENT 2
#define ORVEX_CFG_SESSION    4
#define ORVEX_CFG_ALL        7

#define ORVEX_CFG_NAME_SIZE  162  /* name field of OrvexCfgDesc */
#define ORVEX_CFG_VALUE_SIZE 4096 /* value field of OrvexCfgDesc */
#define ORVEX_CFG_MAX_NAME_CHARS 31 /* aliases and drivers */
#define ORVEX_OPTION_DESC_SIZE 256
#define ORVEX_LD_NAME_SIZE 32
#define ORVEX_LD_DESC_SIZE 128

#define ORVEX_CFG_FILE_HEADER  "ORVEX CONFIGURATION 1"
#define ORVEX_CFG_FILE_TRAILER "END OF CONFIGURATION"

#define ORVEX_SYS_CFGFILE       0x0002000Bu
#define ORVEX_SYS_CFGFILEHANDLE 0x00010099u
#define ORVEX_SES_ALIASLIST     0x0002000Fu
#define ORVEX_SES_CFGMODE       0x00030001u

/* The driver library of ODBC-based drivers, and the two a user may choose for
 * SYBASE and for MSACCESS (the first of each is the default). */
#define ORVEX_DLL32_ODBC       "OVODBC32.DLL"
#define ORVEX_DLL32_SYBASE     "OVSYB32.DLL"
#define ORVEX_DLL32_SYBASE_2   "OVSYBN32.DLL"
#define ORVEX_DLL32_MSACCESS   "OVACC32.DLL"
#define ORVEX_DLL32_MSACCESS_2 "OVACCN32.DLL"

#pragma pack(push, 1)

/* A record of the configuration lists (1063, 1105), 4,260 bytes. */
typedef struct {
  char name[ORVEX_CFG_NAME_SIZE];   /*    0: option or node name */
  char value[ORVEX_CFG_VALUE_SIZE]; /*  162: value; empty for a node */
  uint16_t node;                    /* 4258: 1 for a node below the path, 0 for an option */
} OrvexCfgDesc;

/* An alias as 83 describes it, 4,354 bytes. */
typedef struct {
  char name[128];     /*    0: as written in the store */
  char type[128];     /*  128: its driver */
  char path[ORVEX_CFG_VALUE_SIZE]; /* 256: a STANDARD alias's PATH, else empty */
  uint16_t layer;     /* 4352: the layer it was found in, ORVEX_CFG_* */
} OrvexDbDesc;

#define ORVEX_INPUTREQ_OPTIONS 4
/* An input request, 778 bytes. Texts are NUL-terminated within their fields. */
typedef struct {
  uint32_t kind;         /*   0: ORVEX_INPUTREQ_* */
  int16_t optionCount;   /*   4: 0 to ORVEX_INPUTREQ_OPTIONS */
  int16_t chosen;        /*   6: 1-based; in: the default, out: the answer */
  int16_t save;          /*   8: out: -1 keeps the answer for the session, 0 not */
  char message[128];     /*  10 */
  struct {
    char keyword[32];    /* the option's text */
    char help[128];
  } options[ORVEX_INPUTREQ_OPTIONS]; /* 138 */
} OrvexInputReq;         /* 778 */

#pragma pack(pop)

#define ORVEX_CB_INPUTREQ 3
#define ORVEX_CB_DEFAULT  0
#define ORVEX_CB_ANSWERED 3
#define ORVEX_INPUTREQ_TABLEBUSY 1

/* Called with the type, the client data given at registration and the
 * registered buffer; answers ORVEX_CB_*. It must not unwind into the engine. */
typedef uint16_t (*OrvexCallbackFn)(uint16_t type, uintptr_t clientData, void* buffer);

/* ------------------------------------------------------------ 9. Statements
 *
 * A statement (137) belongs to a database and runs SQL over its tables: the
 * dialect is SQLite's, on a connection of the database's own to which the
 * table files are attached as statements name them (at most 10 tables at a
 * time: ORVEX_ERR_TOOMANYTABLES beyond). One statement a prepare; a text
 * with a second one, and parameters other than :name, are refused.
 *
 * Names. A table is named by its file name with or without its extension,
 * bare or quoted ("GuestLst.db", GuestLst.db, "GuestLst", guestlst), letters
 * in any case (folded as the core folds them); the name without extension
 * names the table of the database's default driver (KALMURE unless its
 * alias says otherwise), or the only table of that name. A name qualifies its
 * columns (GuestLst."Last Name"). A table shows its fields and nothing else.
 * Other names beginning "orvex_" are the engine's and refused.
 *
 * Values are the file's (section 3): dates, times and timestamps are the
 * texts the file stores ('2024-05-01', '14:30:00', '2024-05-01 14:30:00'),
 * so they compare and sort as such; Booleans are 0 and 1; blank is NULL.
 * UPPER and LOWER map case for every letter as the core does, and the
 * collation ORVEX_NOCASE compares with every letter's case folded (the
 * order of case-insensitive indexes under the default language driver).
 *
 * What a statement may reach: the records of the database's tables, read
 * and written. The authorizer refuses (ORVEX_ERR_SQLREFUSED, the detail
 * saying what) other tables and files (SQLite's catalog, the tables' own
 * descriptor tables), ATTACH and DETACH, PRAGMA, every statement that
 * defines or drops (CREATE, DROP, ALTER, REINDEX, ANALYZE), BEGIN, COMMIT
 * and savepoints (transactions are 605 and 606), EXPLAIN, and the functions
 * load_extension and fts3_tokenizer. A name with a path in it names no
 * table: it answers as any unknown table. Everything SQLite itself refuses
 * answers ORVEX_ERR_SQL with SQLite's message as the detail.
 *
 * Writes. INSERT, UPDATE and DELETE (and REPLACE, upserts) keep the rules a
 * post keeps: each value must be one the field's type holds as a post
 * writes it (an integer in range, 0 or 1 for a Boolean, a finite number, a
 * packed decimal that fits, a date, time or timestamp text of the file's
 * form, bytes no longer than the field; else ORVEX_ERR_OUTOFRANGE), strings
 * at most the field's size in characters (ORVEX_ERR_STRTOOLONG), required
 * fields, minimum and maximum (ORVEX_ERR_REQUIRED, _MINVAL, _MAXVAL), the
 * unique indexes (ORVEX_ERR_KEYVIOL); an INSERT gives the fields it does not
 * name their defaults; the auto-increment field and the record number are
 * the engine's: a value given for the auto-increment field on insert is
 * ignored (the engine assigns one, as at a post), and an UPDATE of either
 * answers ORVEX_ERR_FIELDREADONLY. A statement that breaks a rule changes
 * nothing (a conflict clause the statement asks for, such as OR IGNORE or OR
 * REPLACE, does what SQLite does). Each statement outside a transaction is
 * one transaction. A statement held up by another writer of a table waits as
 * a post does, asking the busy question of section 8 (inside a transaction a
 * write waits a second and answers ORVEX_ERR_BUSY). The process's cursors see
 * its changes at their next read. A table that another cursor holds
 * exclusively is refused (ORVEX_ERR_TABLEINUSE) when the statement runs, and
 * while an answer is open its tables cannot be opened exclusively.
 *
 * Rows affected (ORVEX_STMT_ROWS_AFFECTED): the rows the last execution of
 * an INSERT, UPDATE or DELETE wrote; -1 after a SELECT and before the first
 * execution.
 *
 * Answers. A statement that gives records (a SELECT, VALUES, or a write
 * with RETURNING) answers a cursor of kind ORVEX_CURSOR_ANSWER that reads
 * as a table cursor does: field descriptors (506; no indexes), next, prior,
 * relative, begin, end, current, record count, bookmarks (the answer's
 * record numbers), field values (207) and blobs (100, 102, 105, 524).
 * Key search, ranges and index switches answer ORVEX_ERR_NOTSUPPORTED.
 * Filters (section 7) apply to answers as to table cursors: the answer is
 * read whole into its table file (below) when its first filter is added.
 * A column that is a table's field keeps its type and size; any other takes
 * the type of its values: INTEGER when all are integers that fit, FLOAT
 * when all are numbers, BLOB when one is bytes, else a STRING as long as the
 * longest (at most 255 characters) or a MEMO. Names are the columns' names,
 * made unique ("Name", "Name_2") and cut to 63 bytes. A SELECT whose columns
 * are all fields (no UNION, INTERSECT, EXCEPT) is read from SQLite as the
 * caller reads the answer; other answers are read whole when executed.
 * Records read are kept in memory, up to 32 MB; beyond that, and when the
 * answer is kept (1068), the whole answer moves to a table file in the
 * private directory (607), removed when the cursor closes. An answer sees
 * its tables as they were when its reading began: a snapshot. Before the
 * database's connection writes, begins or ends a transaction, its answers
 * still reading are read to their end.
 *
 * Live answers. With ORVEX_STMT_LIVE set before execution, a SELECT of one
 * table's fields (FROM one table, no join, GROUP BY, HAVING, aggregate,
 * DISTINCT, window, UNION, INTERSECT, EXCEPT or WITH) answers a live cursor
 * (readOnly 0): its records may be edited, inserted (517, 518, 519) and
 * deleted, each post going to that table as a table cursor's post would,
 * under its rules, seen by every cursor of the table. An inserted record
 * joins the answer at its end. Any other statement answers a read-only
 * cursor (readOnly 1) even when live was asked. A live answer whose SELECT
 * has a WHERE clause refuses filters (ORVEX_ERR_NOTSUPPORTED).
 *
 * Keeping an answer (1068): name is relative to the database's directory
 * (or absolute), ".db" added when it has no extension. The whole answer is
 * written to its table file, which then moves to name (copied where a
 * rename cannot cross file systems), replacing a table of that name unless
 * that one is open (ORVEX_ERR_TABLEINUSE). The cursor then reads the kept
 * table, at the same record, read-only; 65 answers ORVEX_OK for it. The kept
 * table has the answer's fields (auto-increment ones become INTEGER), no
 * indexes and no validity checks.
 *
 * Parameters (600-602). Values bound stay until bound again or prepared
 * anew; an unbound parameter is blank. What each type binds as: STRING,
 * MEMO, FMTMEMO a NUL-terminated text; integer types and BOOLEAN integers;
 * FLOAT, CURRENCY, BCD numbers; DATE, TIME, DATETIME the file's texts;
 * BYTES, BLOB, GRAPHIC length bytes; VARBYTES its own length.
 *
 * Stored procedures (603, 604): the files NAME.sql of the database's
 * directory, each one statement of this dialect, in UTF-8, with :name
 * parameters; a name is matched without regard to case and holds no path.
 *
 * Transactions (605, 606) hold the database's statements: they see their own
 * changes, which others see at the commit. The directory's tables are
 * attached when a transaction begins (10 at most, those in use first), and
 * statements inside it reach those only (ORVEX_ERR_TOOMANYTABLES for
 * another). Posts of cursors stay outside: while the transaction writes a
 * table, a post to it waits as for any other writer (section 8). Every
 * isolation level is served by SQLite's, which is stricter than all three: a
 * transaction reads one snapshot of each file from its first read
 * (serializable). A transaction over several tables is atomic for each table
 * file; after a crash, one file may hold its part of a commit and another
 * not.
 *
 * Query by example (ORVEX_LANG_QBE). A statement of language 1 prepares a
 * query-by-example text: the engine translates it into one statement of the
 * dialect above, which runs with the same tables, rules, locks, answers and
 * errors. The translation names tables and fields as the database holds
 * them, quoted, and binds every value of the text as a parameter: no part
 * of a text is ever read as SQL. A caller puts values into the text itself;
 * the statement has no parameters (600 answers 0). Properties, read at each
 * execution: ORVEX_STMT_AUXTABLES and ORVEX_STMT_BLANKZERO (below, both 0
 * unless set), and ORVEX_STMT_ROWS_AFFECTED.
 *
 * Layout. Lines end in CR LF (or LF, or CR). The first line is the word
 * Query. Blocks follow, separated by blank lines. A block is a header line
 * of cells separated by "|", the table's name and then field names as
 * stored (blanks inside allowed), both matched without regard to case; and
 * one or more rows, a cell for each header cell. Bars at either end of a
 * line are optional (a row's first bar counts as one only where its header
 * begins with one). A row's first cell is its command: empty for a query
 * row, D., I. or U.
 *
 *   Query
 *
 *   Guests | Name | City | Age
 *          | P.   | Oslo | >30, <50
 *
 * Cells. A cell holds terms separated by ",", which all hold; a term holds
 * alternatives separated by the word OR, of which one holds.
 *   P.              the field is shown; the answer has no duplicates and is
 *                   sorted by the shown fields in order
 *   P.ALL.          shown; duplicates kept, in table order (each block's
 *                   records as they were added, block by block)
 *   P.AO., P.DO.    shown and sorted ascending or descending by this field
 *                   before the others (several: in block and field order)
 *   value           equality
 *   =, <>, <, >, <=, >= value     a comparison
 *   BLANK, NOT BLANK
 *   * and ?         in a value of a text field: any run of characters, one
 *                   character; the value then matches without regard to
 *                   case (= and <> only)
 *   "..."           taken as it stands, a quote inside doubled: ",", "|",
 *                   OR, "*", "?" and the words above lose their meaning
 *   _name           an example element (letters, digits and "_", case
 *                   ignored): every field where it stands takes one value,
 *                   in one table or several; it may follow an operator
 *   TO value, TO _name            in a U. row: the field's new value
 * An unquoted word followed by ".", such as P. or X., is a term and never a
 * value: such a value is quoted.
 *
 * Rows. The rows of a block are alternatives. Blocks are joined through
 * their example elements (a block twice: a self-join); blocks that share
 * none form a product. The answer's fields are the shown ones in block and
 * field order, named as the fields (made unique). An example element takes
 * its value where it stands alone (no operator, no OR) in a block of one
 * row, else in the one row that holds all its uses. Guests with the room of
 * their table, and those as old as Ann:
 *
 *   Query                              Query
 *
 *   Guests | Name | Seat               Guests | Name | Age
 *          | P.   | _t                        | Ann  | _a
 *
 *   Tables | No | Room                 Guests | Name | Age
 *          | _t | P.                          | P.   | _a
 *
 * Changes. One block holds the change rows, all of one command; the other
 * blocks hold query rows, which match and show nothing.
 *   D.   deletes the records its rows select (several rows: alternatives)
 *   I.   one row: inserts a record of its values (a field left empty takes
 *        its default), or, holding example elements, one record for each
 *        match of the other blocks
 *   U.   one row: changes the records it selects, the fields with TO set;
 *        its other terms select
 * A change answers no cursor (132 gives 0) and sets the rows affected.
 *
 *   Query                              Query
 *
 *   Guests | Name | City               Guests | City | Seat
 *   U.     | Bo   | TO Paris           D.     |      | _t
 *
 *                                      Tables | No | Room
 *                                             | _t | Attic
 *
 * Values are read by their field's type: texts as written (an unquoted
 * value without the blanks at its ends; an empty text is blank); numbers
 * with "." or the DECIMALSEPARATOR of \SYSTEM\FORMATS\NUMBER (quoted when it
 * is ","), and whole numbers where an integer field is written; True and
 * False; dates as 'YYYY-MM-DD' or in the order and SEPARATOR of
 * \SYSTEM\FORMATS\DATE (two-digit years by its YEARBIASED); times as H:MM,
 * H:MM:SS or H:MM:SS.mmm, on a 24-hour clock or followed by the AMSTRING or
 * PMSTRING of \SYSTEM\FORMATS\TIME; timestamps as a date, a blank and a
 * time, or a date alone (midnight). Bytes, blob and graphic fields take only
 * BLANK and NOT BLANK; the auto-increment field takes no value in I. and TO.
 *
 * Blanks as zero (ORVEX_STMT_BLANKZERO 1): a blank number counts as 0 in
 * comparisons and joins; with 0 a blank matches only BLANK.
 * Auxiliary tables (ORVEX_STMT_AUXTABLES 1): a D., I. or U. query keeps the
 * records it deleted, inserted (as numbered) or changed (their old values)
 * in the native table Deleted.db, Inserted.db or Changed.db of the private
 * directory (607), each replaced by the next query of its kind; with 0 none
 * is made or touched. The change and the keeping are one transaction (that
 * of the database when one is active): a change whose table cannot be kept
 * (one in use answers ORVEX_ERR_TABLEINUSE) changes nothing.
 *
 * Errors: ORVEX_ERR_QBESYNTAX, "QBE syntax error", with the detail "line L,
 * cell C: " and what was wrong or expected there; a table or field that
 * does not exist is named. Everything else answers as the statement the
 * text became. */

#define ORVEX_LANG_QBE 1
#define ORVEX_LANG_SQL 2

#define ORVEX_PARAM_NAME_SIZE 64 /* 63 bytes of name and a NUL */

#define ORVEX_ISOLATION_DIRTYREAD      0
#define ORVEX_ISOLATION_READCOMMITTED  1
#define ORVEX_ISOLATION_REPEATABLEREAD 2

#define ORVEX_COPY_NEW     0
#define ORVEX_COPY_REPLACE 4

/* Properties (1071, 1072), 4-byte integers */
#define ORVEX_STMT_ROWS_AFFECTED 0x00060101u /* int32, read */
#define ORVEX_STMT_LIVE          0x00060102u /* 0 or 1, read and write */
#define ORVEX_STMT_BLANKZERO     0x00060023u /* QBE: 0 or 1, read and write: blank numbers count as 0 */
#define ORVEX_STMT_AUXTABLES     0x00060026u /* QBE: 0 or 1, read and write: changes keep what they changed */
#define ORVEX_DB_IN_TRANSACTION  0x00040101u /* 0 or 1, read */
#define ORVEX_DB_ISOLATION       0x00040102u /* ORVEX_ISOLATION_*, read: the running transaction's */

/* The ordinal constants and the entry-point types of both tables */
#define ORVEX_ORDINAL_(Const, Ord, Name, Params, Args) enum { Const = Ord };
ORVEX_ENTRIES(ORVEX_ORDINAL_)
ORVEX_PLANNED_ENTRIES(ORVEX_ORDINAL_)
#undef ORVEX_ORDINAL_
#define ORVEX_ENTRY_TYPE_(Const, Ord, Name, Params, Args) typedef OrvexResult(*Orvex##Name##Fn) Params;
ORVEX_ENTRIES(ORVEX_ENTRY_TYPE_)
ORVEX_PLANNED_ENTRIES(ORVEX_ENTRY_TYPE_)
#undef ORVEX_ENTRY_TYPE_

#ifdef __cplusplus
}
#endif

#endif /* ORVEX_API_H */
