#include "Errors.h"

#include <cstring>

namespace orvex {

namespace {

struct Message {
  OrvexResult code;
  const char* text;
};

constexpr Message kMessages[] = {
    {ORVEX_OK, "No error"},
    {ORVEX_ERR_NOMEMORY, "Not enough memory for this operation"},
    {ORVEX_ERR_OSERROR, "Operating system error"},
    {ORVEX_ERR_TOOMANYHANDLES, "Too many open handles"},
    {ORVEX_ERR_INTERNAL, "Internal engine error"},
    {ORVEX_ERR_BOF, "At beginning of table"},
    {ORVEX_ERR_EOF, "At end of table"},
    {ORVEX_ERR_RECDELETED, "Record deleted by another user"},
    {ORVEX_ERR_NOCURRREC, "No current record"},
    {ORVEX_ERR_RECNOTFOUND, "Record or key not found"},
    {ORVEX_ERR_ENDOFBLOB, "End of blob"},
    {ORVEX_ERR_NOENTRIES, "No entries"},
    {ORVEX_ERR_CORRUPT, "Table file is corrupt"},
    {ORVEX_ERR_DIRNOTFOUND, "Directory not found"},
    {ORVEX_ERR_FILENOTFOUND, "File not found"},
    {ORVEX_ERR_IO, "Read or write failure"},
    {ORVEX_ERR_DISKFULL, "Disk full"},
    {ORVEX_ERR_FILEEXISTS, "Table already exists"},
    {ORVEX_ERR_ACCESS, "Access to the file denied"},
    {ORVEX_ERR_UNKNOWNALIAS, "Unknown alias"},
    {ORVEX_ERR_UNKNOWNDRIVER, "Unknown driver"},
    {ORVEX_ERR_NAMEEXISTS, "Name already in use"},
    {ORVEX_ERR_INVALIDNAME, "Invalid name"},
    {ORVEX_ERR_VALUETOOLONG, "Name or value too long"},
    {ORVEX_ERR_NOSUCHPATH, "Configuration path not found"},
    {ORVEX_ERR_INVALIDCFG, "Invalid configuration file"},
    {ORVEX_ERR_UNKNOWNLD, "Unknown language driver"},
    {ORVEX_ERR_NOOPTIONDESC, "No description of this option"},
    {ORVEX_ERR_BUFFERSIZE, "Buffer too small for the value"},
    {ORVEX_ERR_STARTED, "Engine already started"},
    {ORVEX_ERR_CFGINUSE, "Configuration in use by other applications"},
    {ORVEX_ERR_KEYVIOL, "Key violation"},
    {ORVEX_ERR_REQUIRED, "Field value required"},
    {ORVEX_ERR_MINVAL, "Field value below minimum"},
    {ORVEX_ERR_MAXVAL, "Field value above maximum"},
    {ORVEX_ERR_OUTOFRANGE, "Field value out of range"},
    {ORVEX_ERR_STRTOOLONG, "String too long for field"},
    {ORVEX_ERR_INVALIDHANDLE, "Invalid handle"},
    {ORVEX_ERR_INVALIDPARAM, "Invalid parameter"},
    {ORVEX_ERR_INVALIDFIELDNO, "Invalid field number"},
    {ORVEX_ERR_INVALIDFIELDTYPE, "Invalid field type for this operation"},
    {ORVEX_ERR_INVALIDBOOKMARK, "Invalid bookmark"},
    {ORVEX_ERR_INVALIDDESC, "Invalid descriptor"},
    {ORVEX_ERR_NOSUCHINDEX, "Index does not exist"},
    {ORVEX_ERR_READONLY, "Table is open read-only"},
    {ORVEX_ERR_NOTATABLE, "Not a table of this format"},
    {ORVEX_ERR_UNKNOWNTYPE, "Unknown table type"},
    {ORVEX_ERR_NOTSUPPORTED, "Operation not supported"},
    {ORVEX_ERR_BLOBNOTOPEN, "Blob not opened"},
    {ORVEX_ERR_BLOBREADONLY, "Blob opened read-only"},
    {ORVEX_ERR_BLOBOFFSET, "Invalid blob offset"},
    {ORVEX_ERR_NEEDEXCLUSIVE, "Table must be opened exclusively"},
    {ORVEX_ERR_NOSUCHTABLE, "Table does not exist"},
    {ORVEX_ERR_TABLEINUSE, "Table in use"},
    {ORVEX_ERR_EXCLREFUSED, "Exclusive access refused: the table is open"},
    {ORVEX_ERR_BUSY, "Table busy"},
    {ORVEX_ERR_PASSWORD, "Password required"},
    {ORVEX_ERR_PASSWORDTABLE, "Insufficient table rights: password required"},
    {ORVEX_ERR_PASSWORDFIELD, "Insufficient field rights: password required"},
    {ORVEX_ERR_CALLBACKABORT, "Record read stopped by a filter callback"},
    {ORVEX_ERR_INCALLBACK, "Operation not allowed inside a filter callback"},
    {ORVEX_ERR_SQL, "SQL error"},
    {ORVEX_ERR_SQLREFUSED, "Statement not allowed"},
    {ORVEX_ERR_NOTPREPARED, "Statement not prepared"},
    {ORVEX_ERR_INTRANSACTION, "A transaction is already active"},
    {ORVEX_ERR_NOTRANSACTION, "No transaction is active"},
    {ORVEX_ERR_FIELDREADONLY, "Field value is assigned by the engine"},
    {ORVEX_ERR_NOSUCHPROC, "Stored procedure does not exist"},
    {ORVEX_ERR_TOOMANYTABLES, "Too many tables in use by statements"},
    {ORVEX_ERR_QBESYNTAX, "QBE syntax error"},
};

struct LastError {
  OrvexResult code = ORVEX_OK;
  std::string detail;
};

// The engine is called from one thread at a time, so one is enough.
LastError& Last() {
  static LastError last;
  return last;
}

// Start of the UTF-8 character that holds byte i.
std::size_t CharStart(const std::string& s, std::size_t i) {
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

// Shortens a detail to n bytes. A path keeps its end, where the file name is.
std::string Shorten(const std::string& detail, std::size_t n) {
  if (detail.size() <= n) return detail;
  if (n < 4) return {};
  bool path = detail.find('/') != std::string::npos;
  if (path) {
    std::size_t from = detail.size() - (n - 3);
    while (from < detail.size() && (static_cast<unsigned char>(detail[from]) & 0xC0) == 0x80) ++from;
    return "..." + detail.substr(from);
  }
  return detail.substr(0, CharStart(detail, n));
}

}  // namespace

void Fail(OrvexResult code, std::string detail) { throw Error(code, std::move(detail)); }

const char* MessageOf(OrvexResult code) {
  for (const Message& m : kMessages)
    if (m.code == code) return m.text;
  return "Unknown engine error";
}

void SetLastError(OrvexResult code, std::string detail) {
  Last().code = code;
  Last().detail = std::move(detail);
}

std::string ErrorText(OrvexResult code) {
  constexpr std::size_t kMax = ORVEX_ERROR_TEXT_SIZE - 1;
  std::string text = MessageOf(code);
  const LastError& last = Last();
  if (code != ORVEX_OK && last.code == code && !last.detail.empty() && text.size() + 2 < kMax)
    text += ": " + Shorten(last.detail, kMax - text.size() - 2);
  if (text.size() > kMax) text.resize(CharStart(text, kMax));
  return text;
}

}  // namespace orvex
