#include "Answers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Chars.h"
#include "Errors.h"
#include "Scope.h"

namespace orvex {

namespace {

constexpr std::size_t kMemoryLimit = 32u * 1024 * 1024;
constexpr std::size_t kRowOverhead = 48;  // a std::string and its bookkeeping
constexpr std::size_t kMaxName = sizeof(OrvexFieldDesc{}.name) - 1;

void Append32(std::string& row, std::uint32_t n) { row.append(reinterpret_cast<const char*>(&n), 4); }

std::uint32_t Read32(const char* p) {
  std::uint32_t n;
  std::memcpy(&n, p, 4);
  return n;
}

std::string ValueBytes(sqlite3_value* v) {
  const void* p = sqlite3_value_type(v) == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(v))
                                                       : sqlite3_value_blob(v);
  auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
  return n ? std::string(static_cast<const char*>(p), n) : std::string();
}

// A column's name as a field's: no control characters, at most 63 bytes of
// whole characters, unique without regard to case.
void NameFields(sqlite3_stmt* st, std::vector<Field>& fields) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const char* c = sqlite3_column_name(st, static_cast<int>(i));
    std::string name = c ? c : "";
    for (char& ch : name)
      if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
    if (name.empty()) name = "Column" + std::to_string(i + 1);
    name = LeadingChars(name, kMaxName);
    while (name.size() > kMaxName) name = LeadingChars(name, fw::CharLength(name) - 1);
    std::string base = name;
    for (int n = 2; std::find(keys.begin(), keys.end(), NameKey(name)) != keys.end(); ++n) {
      std::string suffix = "_" + std::to_string(n);
      std::string stem = base;
      while (stem.size() + suffix.size() > kMaxName) stem = LeadingChars(stem, fw::CharLength(stem) - 1);
      name = stem + suffix;
    }
    keys.push_back(NameKey(name));
    fields[i].name = name;
    fields[i].no = static_cast<std::uint16_t>(i + 1);
  }
}

// The fields of the table file that holds an answer: the answer's, with the
// auto-increment ones as plain integers, so that the file's row ids stay the
// answer's record numbers.
std::vector<OrvexFieldDesc> StoreFields(const std::vector<Field>& fields) {
  std::vector<OrvexFieldDesc> out;
  for (const Field& f : fields) {
    OrvexFieldDesc d = DescOf(f);
    if (d.type == ORVEX_FT_AUTOINC) d.type = ORVEX_FT_INTEGER;
    d.required = 0;
    out.push_back(d);
  }
  return out;
}

// Copies a file's bytes to a new file beside to, then renames it into place.
void CopyFile(const std::string& from, const std::string& to) {
  std::string temp = to + ".copying";
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Fail(ORVEX_ERR_ACCESS, from);
  fw::TScopeExit closeIn([&] { ::close(in); });
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) Fail(ORVEX_ERR_ACCESS, to);
  bool done = false;
  fw::TScopeExit closeOut([&] {
    ::close(out);
    if (!done) ::unlink(temp.c_str());
  });
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) Fail(ORVEX_ERR_IO, from);
    for (ssize_t at = 0; at < n;) {
      ssize_t w = ::write(out, buf + at, static_cast<std::size_t>(n - at));
      if (w < 0) Fail(errno == ENOSPC ? ORVEX_ERR_DISKFULL : ORVEX_ERR_IO, to);
      at += w;
    }
  }
  if (::fsync(out) != 0) Fail(ORVEX_ERR_IO, to);
  if (::rename(temp.c_str(), to.c_str()) != 0) Fail(ORVEX_ERR_ACCESS, to);
  done = true;
}

// The file moved to its new name, copied where a rename cannot cross file
// systems.
void MoveFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    if (errno != EXDEV) Fail(ORVEX_ERR_ACCESS, to);
    CopyFile(from, to);
    ::unlink(from.c_str());
  }
  SyncDirectory(DirectoryOf(to));
}

std::uint8_t* Bookmark(std::uint8_t* b, std::int64_t id) {
  std::memset(b, 0, ORVEX_BOOKMARK_SIZE);
  Store<std::int64_t>(b, id);
  Store<std::uint32_t>(b + 8, ORVEX_BOOKMARK_MAGIC);
  return b;
}

std::int64_t BookmarkId(const std::uint8_t* b) {
  if (Load<std::uint32_t>(b + 8) != ORVEX_BOOKMARK_MAGIC || Load<std::uint32_t>(b + 12) != 0 ||
      Load<std::int64_t>(b) <= 0)
    Fail(ORVEX_ERR_INVALIDBOOKMARK);
  return Load<std::int64_t>(b);
}

// One field's value copied between records of two layouts.
void CopyValue(const Field& from, const std::uint8_t* src, const Field& to, std::uint8_t* dst) {
  SetBlank(to, dst, IsBlank(from, src));
  if (!from.IsBlob()) std::memcpy(dst + to.offset, src + from.offset, std::min(from.length, to.length));
}

}  // namespace

// ---------------------------------------------------------------- making the answer

AnswerCursor::AnswerCursor(std::shared_ptr<SqlSession> session, sqlite3_stmt* st,
                           const std::vector<const Field*>& origins, bool stream, std::optional<Live> live,
                           Holds holds)
    : session_(std::move(session)), st_(st), holds_(std::move(holds)), live_(std::move(live)) {
  if (!holds_.tables.empty()) busyFile_ = holds_.tables.front()->path.path;
  fw::TScopeFail finalize([&] { Finish(); });
  if (stream) {
    for (const Field* f : origins) fields_.push_back(*f);
    NameFields(st_, fields_);
    recordSize_ = LayOut(fields_);
    scratch_.assign(recordSize_, 0);
    scratchBlobs_.assign(fields_.size(), {});
  } else {
    ReadWhole(origins);
  }
  if (live_) {
    auto lock = std::make_unique<TableLock>(live_->table->path.path, TableLock::Shared);
    auto c = std::make_unique<TableCursor>(TableFile::Open(live_->table->path), false, false);
    c->SetLock(std::move(lock));
    targetHandle_ = TheHandles().Add(std::move(c));
  }
  if (st_) session_->AddReader(this);
}

AnswerCursor::~AnswerCursor() {
  Finish();
  if (targetHandle_) TheHandles().Remove(targetHandle_);
  CloseInner();
  if (storeTemp_) {
    ::unlink(store_.path.c_str());
    RemoveSidecars(store_.path);
  }
  if (!reserved_.empty()) ::unlink(reserved_.c_str());
}

void AnswerCursor::Finish() {
  if (!st_) return;
  sqlite3_finalize(st_);
  st_ = nullptr;
  session_->RemoveReader(this);
}

void AnswerCursor::StepFailed(int rc) {
  fw::TScopeExit finish([&] { Finish(); });
  session_->Fail(rc);
}

bool AnswerCursor::Fetch() {
  if (!st_) return false;
  int rc = session_->Step(st_, busyFile_, !rows_.empty());
  if (rc == SQLITE_ROW) {
    AppendColumns();
    return true;
  }
  if (rc != SQLITE_DONE) StepFailed(rc);
  Finish();
  return false;
}

void AnswerCursor::AppendColumns() {
  std::uint8_t* rec = scratch_.data();
  std::memset(rec, 0, recordSize_);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    sqlite3_value* v = sqlite3_column_value(st_, static_cast<int>(i));
    if (!f.IsBlob()) {
      ValueToRecord(v, f, rec, "answer");
      continue;
    }
    bool blank = sqlite3_value_type(v) == SQLITE_NULL;
    SetBlank(f, rec, blank);
    scratchBlobs_[i] = blank ? std::string() : ValueBytes(v);
  }
  if (live_) source_.push_back(sqlite3_column_int64(st_, static_cast<int>(fields_.size())));
  rows_.push_back(Pack(rec, scratchBlobs_));
  gone_.push_back(0);
  bytes_ += rows_.back().size() + kRowOverhead;
  scratchRow_ = static_cast<long>(rows_.size() - 1);
  Store<std::int64_t>(rec, static_cast<std::int64_t>(rows_.size()));
}

// A statement whose columns cannot be typed before it runs is read whole:
// a column that shows a field keeps the field's type when every value fits
// it, any other takes the type of its values.
void AnswerCursor::ReadWhole(const std::vector<const Field*>& origins) {
  const std::size_t n = origins.size();
  struct Seen {
    bool any = false, ints = true, numbers = true, bytes = false, fitsOrigin = true;
    std::size_t chars = 0;
  };
  std::vector<Seen> seen(n);
  std::vector<Field> named(n);
  NameFields(st_, named);
  std::vector<sqlite3_value*> values;
  fw::TScopeExit freeValues([&] {
    for (sqlite3_value* v : values) sqlite3_value_free(v);
  });
  for (;;) {
    int rc = session_->Step(st_, busyFile_, !values.empty());
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) StepFailed(rc);
    for (std::size_t i = 0; i < n; ++i) {
      sqlite3_value* v = sqlite3_value_dup(sqlite3_column_value(st_, static_cast<int>(i)));
      if (!v) Fail(ORVEX_ERR_NOMEMORY);
      values.push_back(v);
      Seen& s = seen[i];
      int t = sqlite3_value_type(v);
      if (origins[i] && !origins[i]->IsBlob() && StoredValueFits(*origins[i], v) != ORVEX_OK) s.fitsOrigin = false;
      if (origins[i] && origins[i]->IsBlob() && t != SQLITE_NULL && t != SQLITE_TEXT && t != SQLITE_BLOB)
        s.fitsOrigin = false;
      if (t == SQLITE_NULL) continue;
      s.any = true;
      if (t == SQLITE_BLOB) s.bytes = true;
      if (t != SQLITE_INTEGER || sqlite3_value_int64(v) < INT32_MIN || sqlite3_value_int64(v) > INT32_MAX)
        s.ints = false;
      if (t != SQLITE_INTEGER && t != SQLITE_FLOAT) s.numbers = false;
      if (t != SQLITE_BLOB) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        auto len = static_cast<std::size_t>(sqlite3_value_bytes(v));
        s.chars = std::max(s.chars, fw::CharLength(std::string_view(text ? text : "", len)));
      }
    }
  }
  Finish();

  std::vector<bool> byOrigin(n);
  for (std::size_t i = 0; i < n; ++i) {
    Field f;
    const Seen& s = seen[i];
    if (origins[i] && s.fitsOrigin) {
      f = *origins[i];
      byOrigin[i] = true;
    } else if (!s.any) {
      f.type = ORVEX_FT_STRING;
      f.size = 1;
    } else if (s.bytes) {
      f.type = ORVEX_FT_BLOB;
    } else if (s.ints) {
      f.type = ORVEX_FT_INTEGER;
    } else if (s.numbers) {
      f.type = ORVEX_FT_FLOAT;
    } else if (s.chars <= 255) {
      f.type = ORVEX_FT_STRING;
      f.size = static_cast<std::uint16_t>(std::max<std::size_t>(s.chars, 1));
    } else {
      f.type = ORVEX_FT_MEMO;
    }
    if (!byOrigin[i]) f.required = false;
    f.name = named[i].name;
    f.no = named[i].no;
    fields_.push_back(f);
  }
  recordSize_ = LayOut(fields_);
  scratch_.assign(recordSize_, 0);
  scratchBlobs_.assign(n, {});

  std::uint8_t* rec = scratch_.data();
  for (std::size_t r = 0; n && r < values.size() / n; ++r) {
    std::memset(rec, 0, recordSize_);
    for (std::size_t i = 0; i < n; ++i) {
      const Field& f = fields_[i];
      sqlite3_value* v = values[r * n + i];
      scratchBlobs_[i].clear();
      if (sqlite3_value_type(v) == SQLITE_NULL) {
        SetBlank(f, rec, true);
      } else if (f.IsBlob()) {
        SetBlank(f, rec, false);
        scratchBlobs_[i] = ValueBytes(v);
      } else if (byOrigin[i]) {
        ValueToRecord(v, f, rec, "answer");
      } else {
        SetBlank(f, rec, false);
        std::uint8_t* p = rec + f.offset;
        if (f.type == ORVEX_FT_INTEGER) {
          Store<std::int32_t>(p, static_cast<std::int32_t>(sqlite3_value_int64(v)));
        } else if (f.type == ORVEX_FT_FLOAT) {
          Store<double>(p, sqlite3_value_double(v));
        } else {
          const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
          auto len = std::min<std::size_t>(static_cast<std::size_t>(sqlite3_value_bytes(v)), f.length - 1);
          if (text) std::memcpy(p, text, len);
          SetBlank(f, rec, len == 0);
        }
      }
    }
    rows_.push_back(Pack(rec, scratchBlobs_));
    gone_.push_back(0);
    bytes_ += rows_.back().size() + kRowOverhead;
  }
  scratchRow_ = -1;
  if (bytes_ > kMemoryLimit) ToFile();
}

// ---------------------------------------------------------------- rows in memory

// A row: for each field a byte, 0 blank or 1; after a 1 the value: a 32-bit
// length and the bytes for strings and blobs, else the record's bytes.
std::string AnswerCursor::Pack(const std::uint8_t* rec, const std::vector<std::string>& blobs) const {
  std::string row;
  row.reserve(fields_.size() * 8);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    if (IsBlank(f, rec)) {
      row += '\0';
      continue;
    }
    row += '\1';
    const char* p = reinterpret_cast<const char*>(rec + f.offset);
    if (f.IsBlob()) {
      Append32(row, static_cast<std::uint32_t>(blobs[i].size()));
      row += blobs[i];
    } else if (f.IsString()) {
      std::size_t len = strnlen(p, f.length);
      Append32(row, static_cast<std::uint32_t>(len));
      row.append(p, len);
    } else {
      row.append(p, f.length);
    }
  }
  return row;
}

void AnswerCursor::Unpack(std::size_t i, std::uint8_t* rec) const {
  std::memset(rec, 0, recordSize_);
  Store<std::int64_t>(rec, static_cast<std::int64_t>(i + 1));
  const char* p = rows_[i].data();
  for (const Field& f : fields_) {
    bool present = *p++ != 0;
    SetBlank(f, rec, !present);
    if (!present) continue;
    if (f.IsBlob() || f.IsString()) {
      std::uint32_t len = Read32(p);
      if (f.IsString()) std::memcpy(rec + f.offset, p + 4, len);
      p += 4 + len;
    } else {
      std::memcpy(rec + f.offset, p, f.length);
      p += f.length;
    }
  }
}

std::string AnswerCursor::PackedBlob(std::size_t i, std::size_t field) const {
  const char* p = rows_[i].data();
  for (std::size_t k = 0; k < fields_.size(); ++k) {
    const Field& f = fields_[k];
    if (*p++ == 0) {
      if (k == field) return {};
      continue;
    }
    std::size_t len = f.IsBlob() || f.IsString() ? 4u + Read32(p) : f.length;
    if (k == field) return std::string(p + 4, len - 4);
    p += len;
  }
  return {};
}

void AnswerCursor::Deliver(std::size_t i, std::uint8_t* rec) {
  pos_ = Pos::On;
  cur_ = i;
  if (!rec) return;
  if (scratchRow_ == static_cast<long>(i)) {
    std::memcpy(rec, scratch_.data(), recordSize_);
  } else {
    Unpack(i, rec);
  }
}

void AnswerCursor::ThrowPending() {
  if (!pending_) return;
  pending_ = false;
  Fail(pendingCode_, pendingDetail_);
}

void AnswerCursor::Drain() {
  try {
    while (!inner_ && Fetch())
      if (bytes_ > kMemoryLimit) ToFile();
  } catch (const Error& e) {
    // kept for this answer's next read: the caller drains on another's behalf
    pending_ = true;
    pendingCode_ = e.Code();
    pendingDetail_ = e.Detail();
    Finish();
  }
}

// ---------------------------------------------------------------- navigation

void AnswerCursor::SetToBegin() {
  if (inner_) return In().SetToBegin();
  pos_ = Pos::Bof;
}

void AnswerCursor::SetToEnd() {
  ThrowPending();
  if (!inner_) Drain();
  ThrowPending();
  if (inner_) return In().SetToEnd();
  pos_ = Pos::Eof;
}

void AnswerCursor::Next(std::uint8_t* rec) {
  ThrowPending();
  if (inner_) return In().Next(rec);
  std::size_t i = 0;
  switch (pos_) {
    case Pos::Bof: i = 0; break;
    case Pos::On: i = cur_ + 1; break;
    case Pos::Crack: i = cur_; break;
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
  }
  for (;; ++i) {
    while (i >= RowCount()) {
      if (!Fetch()) {
        pos_ = Pos::Eof;
        Fail(ORVEX_ERR_EOF);
      }
      if (bytes_ > kMemoryLimit) {
        // from here on the rows are in a file: read on there
        pos_ = Pos::Crack;
        cur_ = i;
        ToFile();
        return In().Next(rec);
      }
    }
    if (!Gone(i)) break;
  }
  Deliver(i, rec);
}

void AnswerCursor::Prior(std::uint8_t* rec) {
  ThrowPending();
  if (inner_) return In().Prior(rec);
  std::size_t i = 0;
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::On:
    case Pos::Crack: i = cur_; break;
    case Pos::Eof: i = RowCount(); break;
  }
  while (i > 0 && Gone(i - 1)) --i;
  if (i == 0) {
    pos_ = Pos::Bof;
    Fail(ORVEX_ERR_BOF);
  }
  Deliver(i - 1, rec);
}

void AnswerCursor::Current(std::uint8_t* rec) {
  ThrowPending();
  if (inner_) return In().Current(rec);
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
    case Pos::Crack: Fail(cur_ < RowCount() && Gone(cur_) ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
    case Pos::On: break;
  }
  Deliver(cur_, rec);
}

void AnswerCursor::Relative(std::int32_t offset, std::uint8_t* rec) {
  ThrowPending();
  if (inner_) return In().Relative(offset, rec);
  Cursor::Relative(offset, rec);
}

std::uint32_t AnswerCursor::Count() {
  ThrowPending();
  if (!inner_) Drain();
  ThrowPending();
  if (inner_) return In().Count();
  return static_cast<std::uint32_t>(std::count(gone_.begin(), gone_.end(), 0));
}

void AnswerCursor::Props(OrvexCursorProps& p) {
  std::memset(&p, 0, sizeof p);
  p.fieldCount = static_cast<std::uint16_t>(fields_.size());
  p.recordSize = recordSize_;
  p.readOnly = live_ ? 0 : 1;
  for (const Field& f : fields_) p.blobFieldCount = static_cast<std::uint16_t>(p.blobFieldCount + f.IsBlob());
  p.bookmarkSize = ORVEX_BOOKMARK_SIZE;
  p.cursorKind = ORVEX_CURSOR_ANSWER;
}

void AnswerCursor::ForceReread() {
  if (inner_) In().ForceReread();
}

// ---------------------------------------------------------------- bookmarks

void AnswerCursor::GetBookmark(std::uint8_t* bookmark) {
  if (inner_) return In().GetBookmark(bookmark);
  if (pos_ != Pos::On) Fail(ORVEX_ERR_NOCURRREC);
  Bookmark(bookmark, static_cast<std::int64_t>(cur_ + 1));
}

void AnswerCursor::SetToBookmark(const std::uint8_t* bookmark) {
  ThrowPending();
  if (inner_) return In().SetToBookmark(bookmark);
  auto id = static_cast<std::size_t>(BookmarkId(bookmark));
  while (RowCount() < id && !inner_ && Fetch()) {
  }
  if (inner_) return In().SetToBookmark(bookmark);
  if (id > RowCount()) Fail(ORVEX_ERR_RECNOTFOUND);
  if (Gone(id - 1)) Fail(ORVEX_ERR_RECDELETED);
  Deliver(id - 1, nullptr);
}

std::uint32_t AnswerCursor::SeqNo() {
  if (inner_) return In().SeqNo();
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
    case Pos::Crack: Fail(ORVEX_ERR_NOCURRREC);
    case Pos::On: break;
  }
  auto before = std::count(gone_.begin(), gone_.begin() + static_cast<std::ptrdiff_t>(cur_), 0);
  return static_cast<std::uint32_t>(before + 1);
}

int AnswerCursor::CompareBookmarks(const std::uint8_t* a, const std::uint8_t* b) {
  std::int64_t x = BookmarkId(a), y = BookmarkId(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// ---------------------------------------------------------------- blobs

std::string AnswerCursor::LoadBlob(std::int64_t rowid, const Field& f) {
  auto i = static_cast<std::size_t>(rowid - 1);
  if (rowid < 1 || i >= RowCount()) Fail(ORVEX_ERR_RECNOTFOUND);
  if (Gone(i)) Fail(ORVEX_ERR_RECDELETED);
  return PackedBlob(i, f.no - 1u);
}

void AnswerCursor::OpenBlob(std::uint8_t* rec, std::uint16_t fieldNo, bool writable) {
  if (!inner_) return RecordCursor::OpenBlob(rec, fieldNo, writable);
  if (writable && !BlobsWritable()) Fail(ORVEX_ERR_READONLY, FieldAt(fieldNo).name);
  In().OpenBlob(rec, fieldNo, writable);
}

Blob& AnswerCursor::FindBlob(const std::uint8_t* rec, std::uint16_t fieldNo) {
  return inner_ ? In().FindBlob(rec, fieldNo) : RecordCursor::FindBlob(rec, fieldNo);
}

void AnswerCursor::FreeBlob(std::uint8_t* rec, std::uint16_t fieldNo) {
  if (inner_) return In().FreeBlob(rec, fieldNo);
  RecordCursor::FreeBlob(rec, fieldNo);
}

// ---------------------------------------------------------------- filters

// A live answer whose statement has a WHERE clause takes its records from
// the table under that condition; another condition on top is refused, as
// the library tells the user.
OrvexHandle AnswerCursor::AddFilter(std::uintptr_t clientData, std::uint16_t priority, const std::uint8_t* expression,
                                    OrvexFilterCallback callback) {
  if (LiveWithWhere()) Fail(ORVEX_ERR_NOTSUPPORTED, "filters on a live answer whose statement has a WHERE clause");
  ThrowPending();
  Drain();
  ThrowPending();
  ToFile();
  return In().AddFilter(clientData, priority, expression, callback);
}

void AnswerCursor::DropFilter(OrvexHandle filter) {
  if (!inner_) Fail(ORVEX_ERR_INVALIDHANDLE, "filter");
  In().DropFilter(filter);
}

void AnswerCursor::SetFilterActive(OrvexHandle filter, bool active) {
  if (!inner_) Fail(ORVEX_ERR_INVALIDHANDLE, "filter");
  In().SetFilterActive(filter, active);
}

// ---------------------------------------------------------------- the table file

void AnswerCursor::OpenInner(std::shared_ptr<TableFile> file, bool readOnly) {
  auto lock = std::make_unique<TableLock>(file->Path(), TableLock::Shared);
  auto c = std::make_unique<TableCursor>(std::move(file), readOnly, false);
  c->SetLock(std::move(lock));
  inner_ = c.get();
  innerHandle_ = TheHandles().Add(std::move(c));
}

void AnswerCursor::CloseInner() {
  if (!innerHandle_) return;
  TheHandles().Remove(innerHandle_);
  innerHandle_ = 0;
  inner_ = nullptr;
}

// Writes a row of the answer to the file that holds it, at its record
// number: every field on insert; on update the blobs given (a null pointer
// leaves the blob as the file has it).
void AnswerCursor::WriteRow(TableFile& f, std::int64_t rowid, const std::uint8_t* rec,
                            const std::vector<const std::string*>& blobs, bool insert) {
  std::vector<std::size_t> cols;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (insert || !fields_[i].IsBlob() || blobs[i]) cols.push_back(i);
  std::string sql;
  if (insert) {
    std::string marks = "?";
    sql = "INSERT INTO records(" + f.RowId();
    for (std::size_t i : cols) {
      sql += ", " + f.Column(i);
      marks += ", ?";
    }
    sql += ") VALUES(" + marks + ")";
  } else {
    for (std::size_t i : cols) sql += (sql.empty() ? "" : ", ") + f.Column(i) + " = ?";
    sql = "UPDATE records SET " + sql + " WHERE " + f.RowId() + " = ?";
  }
  sqlite3_stmt* st = f.Prepare(sql);
  StmtUse use(st);
  std::vector<SqlValue> values(cols.size());
  int p = 1;
  if (insert) sqlite3_bind_int64(st, p++, rowid);
  for (std::size_t k = 0; k < cols.size(); ++k) {
    const Field& fd = fields_[cols[k]];
    if (!IsBlank(fd, rec) && fd.IsBlob()) {
      const std::string& data = blobs[cols[k]] ? *blobs[cols[k]] : std::string();
      values[k] = fd.type == ORVEX_FT_MEMO || fd.type == ORVEX_FT_FMTMEMO ? SqlValue::OfText(data)
                                                                          : SqlValue::OfBlob(data);
    } else if (!IsBlank(fd, rec)) {
      values[k] = RecordToSql(fd, rec);
    }
    Bind(st, p++, values[k]);
  }
  if (!insert) sqlite3_bind_int64(st, p, rowid);
  f.Step(st);
}

// The whole answer into a table file of the private directory; the answer
// reads it from then on, at the same place.
void AnswerCursor::ToFile() {
  if (inner_) return;
  std::string templ = PrivateDirectory() + "/orvex-answer-XXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) Fail(errno == ENOENT ? ORVEX_ERR_DIRNOTFOUND : ORVEX_ERR_ACCESS, PrivateDirectory());
  ::close(fd);
  reserved_ = templ;
  store_ = ResolveTable(PrivateDirectory(), (templ + ".db").c_str(), "KALMURE");
  OrvexTableDesc desc{};
  CopyText(desc.name, sizeof desc.name, store_.path);
  std::vector<OrvexFieldDesc> fds = StoreFields(fields_);
  TableFile::Create(store_, desc, static_cast<std::uint16_t>(fds.size()), fds.data(), 0, nullptr, 0, nullptr, false);
  storeTemp_ = true;
  std::shared_ptr<TableFile> file = TableFile::Open(store_);
  std::vector<std::uint8_t> rec(recordSize_);
  std::vector<std::string> blobs(fields_.size());
  file->Exec("BEGIN");
  {
    fw::TScopeFail rollback([&] { file->Exec("ROLLBACK"); });
    std::vector<const std::string*> all(fields_.size());
    for (std::size_t i = 0; i < fields_.size(); ++i) all[i] = &blobs[i];
    std::vector<const std::string*> fetched(fields_.size());
    for (std::size_t i = 0; i < fields_.size(); ++i) fetched[i] = &scratchBlobs_[i];
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      Unpack(r, rec.data());
      for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].IsBlob()) blobs[i] = PackedBlob(r, i);
      WriteRow(*file, static_cast<std::int64_t>(r + 1), rec.data(), all, true);
      rows_[r].clear();
      rows_[r].shrink_to_fit();
    }
    // the rest of the statement goes straight to the file
    while (st_) {
      int rc = sqlite3_step(st_);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) StepFailed(rc);
      AppendColumns();
      WriteRow(*file, static_cast<std::int64_t>(rows_.size()), scratch_.data(), fetched, true);
      rows_.back().clear();
      rows_.back().shrink_to_fit();
    }
    for (std::size_t r = 0; r < gone_.size(); ++r) {
      if (!gone_[r]) continue;
      sqlite3_stmt* st = file->Prepare("DELETE FROM records WHERE " + file->RowId() + " = ?");
      StmtUse use(st);
      sqlite3_bind_int64(st, 1, static_cast<std::int64_t>(r + 1));
      file->Step(st);
    }
    file->Exec("COMMIT");
  }
  Finish();
  file->Changed();
  rows_.clear();
  rows_.shrink_to_fit();
  bytes_ = 0;
  scratchRow_ = -1;
  Pos pos = pos_;
  std::size_t cur = cur_;
  OpenInner(std::move(file), false);
  // the same place in the file, whose row ids are the record numbers
  std::uint8_t bm[ORVEX_BOOKMARK_SIZE];
  if (pos == Pos::Eof) {
    In().SetToEnd();
  } else if ((pos == Pos::On && !Gone(cur)) || (pos == Pos::Crack && cur > 0 && !Gone(cur - 1))) {
    In().SetToBookmark(Bookmark(bm, static_cast<std::int64_t>(pos == Pos::On ? cur + 1 : cur)));
  } else if (pos == Pos::Crack && cur > 0) {
    // after the row before the crack that is still there
    std::size_t k = cur;
    while (k > 0 && Gone(k - 1)) --k;
    if (k == 0) In().SetToBegin();
    else In().SetToBookmark(Bookmark(bm, static_cast<std::int64_t>(k)));
  } else {
    In().SetToBegin();
  }
}

void AnswerCursor::Keep(const TablePath& target) {
  if (target.format != Format::Kalmure) Fail(ORVEX_ERR_INVALIDPARAM, target.name + ": an answer is kept as a native table");
  ThrowPending();
  Drain();
  ThrowPending();
  ToFile();
  std::uint8_t here[ORVEX_BOOKMARK_SIZE];
  bool on = true;
  try {
    In().GetBookmark(here);
  } catch (const Error&) {
    on = false;
  }
  std::string from = store_.path;
  {
    std::shared_ptr<TableFile> file = TableFile::Open(store_);
    file->Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  CloseInner();
  std::optional<TableLock> old;
  struct stat st;
  if (::stat(target.path.c_str(), &st) == 0) {
    old.emplace(target.path, TableLock::Sole);
    RemoveSidecars(target.path);
  }
  if (storeTemp_) {
    MoveFile(from, target.path);
    RemoveSidecars(from);
    ::unlink(reserved_.c_str());
    reserved_.clear();
  } else {
    CopyFile(from, target.path);
    SyncDirectory(DirectoryOf(target.path));
  }
  old.reset();
  store_ = target;
  storeTemp_ = false;
  kept_ = true;
  if (targetHandle_) TheHandles().Remove(targetHandle_);
  targetHandle_ = 0;
  live_.reset();
  OpenInner(TableFile::Open(store_), true);
  if (on) In().SetToBookmark(here);
}

// ---------------------------------------------------------------- live posting

TableCursor& AnswerCursor::Target() const {
  if (!live_) Fail(ORVEX_ERR_READONLY, "the answer is not live");
  return *TheHandles().Get<Cursor>(targetHandle_, Kind::Cursor).AsTable();
}

Blob* AnswerCursor::PendingBlob(const std::uint8_t* rec, const Field& f) const {
  auto* b = static_cast<Blob*>(TheHandles().Find(Load<std::uint32_t>(rec + f.offset), Kind::Blob));
  bool mine = b && (b->cursor == Handle() || (inner_ && b->cursor == innerHandle_));
  return mine && b->fieldNo == f.no && b->modified ? b : nullptr;
}

void AnswerCursor::InitRecord(std::uint8_t* rec) const {
  std::memset(rec, 0, recordSize_);
  for (const Field& f : fields_) SetBlank(f, rec, true);
  if (!live_) return;
  // the table's defaults
  TableCursor& t = Target();
  std::vector<std::uint8_t> row(t.Table().RecordSize());
  t.InitRecord(row.data());
  for (std::size_t i = 0; i < fields_.size(); ++i) CopyValue(t.Fields()[live_->map[i]], row.data(), fields_[i], rec);
}

std::size_t AnswerCursor::CurrentRow() {
  if (inner_) {
    std::uint8_t bm[ORVEX_BOOKMARK_SIZE];
    In().GetBookmark(bm);
    return static_cast<std::size_t>(BookmarkId(bm) - 1);
  }
  if (pos_ != Pos::On)
    Fail(pos_ == Pos::Crack && cur_ < RowCount() && Gone(cur_) ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
  return cur_;
}

// Posts a record of the answer to its table, as the table's own cursor
// posts, then takes into the answer what the table now holds.
void AnswerCursor::PostRow(std::uint8_t* rec, bool insert) {
  TableCursor& t = Target();
  const auto& tf = t.Fields();
  std::vector<std::uint8_t> row(t.Table().RecordSize());
  std::size_t at;
  if (insert) {
    Drain();
    ThrowPending();
    t.InitRecord(row.data());
    at = RowCount();
  } else {
    at = CurrentRow();
    std::uint8_t bm[ORVEX_BOOKMARK_SIZE];
    t.SetToBookmark(Bookmark(bm, source_[at]));
    t.Current(row.data());
  }
  const auto rowNo = static_cast<std::int64_t>(at + 1);
  std::vector<std::uint16_t> opened;
  fw::TScopeExit freeBlobs([&] {
    for (std::uint16_t no : opened) t.FreeBlob(row.data(), no);
  });
  std::vector<std::string> data(fields_.size());
  std::vector<const std::string*> changed(fields_.size(), nullptr);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    const Field& g = tf[live_->map[i]];
    if (!f.IsBlob()) {
      CopyValue(f, rec, g, row.data());
    } else if (Blob* b = PendingBlob(rec, f)) {
      t.OpenBlob(row.data(), g.no, true);
      opened.push_back(g.no);
      Blob& tb = t.FindBlob(row.data(), g.no);
      tb.data = b->data;
      tb.modified = true;
      SetBlank(g, row.data(), tb.data.empty());
      data[i] = b->data;
      changed[i] = &data[i];
      b->modified = false;
      b->rowid = rowNo;
    } else if (insert) {
      changed[i] = &data[i];
    }
  }
  if (insert) t.Insert(row.data());
  else t.Modify(row.data());

  // the answer takes what the table holds now: assigned and normalised values
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    const Field& g = tf[live_->map[i]];
    if (f.IsBlob()) SetBlank(f, rec, IsBlank(g, row.data()));
    else CopyValue(g, row.data(), f, rec);
  }
  Store<std::int64_t>(rec, rowNo);
  if (insert) {
    source_.push_back(Load<std::int64_t>(row.data()));
    gone_.push_back(0);
  }
  if (inner_) {
    std::shared_ptr<TableFile> file = TableFile::Open(store_);
    WriteRow(*file, rowNo, rec, changed, insert);
    file->Changed();
    std::uint8_t bm[ORVEX_BOOKMARK_SIZE];
    In().SetToBookmark(Bookmark(bm, rowNo));
    return;
  }
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].IsBlob() && !changed[i] && !IsBlank(fields_[i], rec)) data[i] = PackedBlob(at, i);
  if (insert) rows_.push_back(Pack(rec, data));
  else rows_[at] = Pack(rec, data);
  if (scratchRow_ == static_cast<long>(at)) scratchRow_ = -1;
  pos_ = Pos::On;
  cur_ = at;
}

void AnswerCursor::Insert(std::uint8_t* rec) { PostRow(rec, true); }

void AnswerCursor::Modify(std::uint8_t* rec) { PostRow(rec, false); }

void AnswerCursor::Delete() {
  TableCursor& t = Target();
  std::size_t at = CurrentRow();
  std::uint8_t bm[ORVEX_BOOKMARK_SIZE];
  t.SetToBookmark(Bookmark(bm, source_[at]));
  t.Delete();
  gone_[at] = 1;
  if (inner_) {
    In().Delete();
    return;
  }
  rows_[at].clear();
  rows_[at].shrink_to_fit();
  pos_ = Pos::Crack;
  cur_ = at;
}

// ---------------------------------------------------------------- copying a cursor

void CopyRecords(RecordCursor& source, const TablePath& target, bool replace) {
  const std::vector<Field>& fields = source.Fields();
  std::vector<OrvexFieldDesc> fds;
  for (const Field& f : fields) fds.push_back(DescOf(f));
  OrvexTableDesc desc{};
  CopyText(desc.name, sizeof desc.name, target.path);
  TableFile::Create(target, desc, static_cast<std::uint16_t>(fds.size()), fds.data(), 0, nullptr, 0, nullptr, replace);
  bool done = false;
  fw::TScopeExit dropUnfinished([&] {
    if (!done) TableFile::Delete(target);
  });
  {
    std::shared_ptr<TableFile> file = TableFile::Open(target);
    std::string sql = "INSERT INTO records(", marks;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      sql += (i ? ", " : "") + file->Column(i);
      marks += i ? ", ?" : "?";
    }
    sql += ") VALUES(" + marks + ")";
    OrvexCursorProps props{};
    source.Props(props);
    std::vector<std::uint8_t> rec(props.recordSize);
    file->Exec("BEGIN");
    fw::TScopeFail rollback([&] { file->Exec("ROLLBACK"); });
    for (;;) {
      try {
        source.Next(rec.data());
      } catch (const Error& e) {
        if (e.Code() == ORVEX_ERR_EOF) break;
        throw;
      }
      sqlite3_stmt* st = file->Prepare(sql);
      StmtUse use(st);
      std::vector<SqlValue> values(fields.size());
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        if (!f.IsBlob()) {
          values[i] = RecordToSql(f, rec.data());
        } else if (!IsBlank(f, rec.data())) {
          source.OpenBlob(rec.data(), f.no, false);
          std::string data = source.FindBlob(rec.data(), f.no).data;
          source.FreeBlob(rec.data(), f.no);
          values[i] = f.type == ORVEX_FT_MEMO || f.type == ORVEX_FT_FMTMEMO ? SqlValue::OfText(std::move(data))
                                                                           : SqlValue::OfBlob(std::move(data));
        }
        Bind(st, static_cast<int>(i + 1), values[i]);
      }
      file->Step(st);
    }
    file->Exec("COMMIT");
    file->Changed();
  }
  done = true;
}

}  // namespace orvex
