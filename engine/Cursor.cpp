#include "Cursor.h"

#include <algorithm>
#include <cstring>

#include "Errors.h"

namespace orvex {

namespace {

constexpr std::size_t kFirstBatch = 2;  // small after a move, so that searches stay cheap
constexpr std::size_t kMaxBatch = 512;

}  // namespace

// ---------------------------------------------------------------- Cursor

void Cursor::Relative(std::int32_t offset, std::uint8_t* rec) {
  if (offset == 0) return Current(rec);
  for (std::int32_t i = offset; i > 0; --i) Next(i == 1 ? rec : nullptr);
  for (std::int32_t i = offset; i < 0; ++i) Prior(i == -1 ? rec : nullptr);
}

void ListCursor::Next(std::uint8_t* rec) {
  if (pos_ + 1 >= static_cast<long>(records_.size())) {
    pos_ = static_cast<long>(records_.size());
    Fail(ORVEX_ERR_EOF);
  }
  ++pos_;
  Current(rec);
}

void ListCursor::Prior(std::uint8_t* rec) {
  if (pos_ <= 0) {
    pos_ = -1;
    Fail(ORVEX_ERR_BOF);
  }
  --pos_;
  Current(rec);
}

void ListCursor::Current(std::uint8_t* rec) {
  if (pos_ < 0) Fail(ORVEX_ERR_BOF);
  if (pos_ >= static_cast<long>(records_.size())) Fail(ORVEX_ERR_EOF);
  if (rec) std::memcpy(rec, records_[static_cast<std::size_t>(pos_)].data(), recordSize_);
}

void ListCursor::Props(OrvexCursorProps& p) {
  std::memset(&p, 0, sizeof p);
  p.recordSize = recordSize_;
  p.readOnly = 1;
  p.cursorKind = ORVEX_CURSOR_LIST;
}

// ---------------------------------------------------------------- RecordCursor

RecordCursor::~RecordCursor() {
  for (OrvexHandle h : blobs_) TheHandles().Remove(h);
}

const Field& RecordCursor::FieldAt(std::uint16_t fieldNo) const {
  if (fieldNo < 1 || fieldNo > Fields().size()) Fail(ORVEX_ERR_INVALIDFIELDNO, std::to_string(fieldNo));
  return Fields()[fieldNo - 1u];
}

Blob& RecordCursor::FindBlob(const std::uint8_t* rec, std::uint16_t fieldNo) {
  const Field& f = FieldAt(fieldNo);
  if (!f.IsBlob()) Fail(ORVEX_ERR_INVALIDFIELDTYPE, f.name);
  auto* b = static_cast<Blob*>(TheHandles().Find(Load<std::uint32_t>(rec + f.offset), Kind::Blob));
  if (!b || b->cursor != Handle() || b->fieldNo != fieldNo) Fail(ORVEX_ERR_BLOBNOTOPEN, f.name);
  return *b;
}

Blob* RecordCursor::ChangedBlob(const std::uint8_t* rec, const Field& f) const {
  auto* b = static_cast<Blob*>(TheHandles().Find(Load<std::uint32_t>(rec + f.offset), Kind::Blob));
  return b && b->cursor == Handle() && b->fieldNo == f.no && b->modified ? b : nullptr;
}

void RecordCursor::OpenBlob(std::uint8_t* rec, std::uint16_t fieldNo, bool writable) {
  const Field& f = FieldAt(fieldNo);
  if (!f.IsBlob()) Fail(ORVEX_ERR_INVALIDFIELDTYPE, f.name);
  if (writable && !BlobsWritable()) Fail(ORVEX_ERR_READONLY, f.name);
  std::int64_t rowid = Load<std::int64_t>(rec);
  auto* open = static_cast<Blob*>(TheHandles().Find(Load<std::uint32_t>(rec + f.offset), Kind::Blob));
  if (open && open->cursor == Handle() && open->fieldNo == fieldNo && open->rowid == rowid) {
    open->writable = open->writable || writable;
    return;
  }
  auto blob = std::make_unique<Blob>(Handle(), fieldNo);
  blob->rowid = rowid;
  blob->writable = writable;
  if (rowid != 0) blob->data = LoadBlob(rowid, f);
  blobs_.reserve(blobs_.size() + 1);
  OrvexHandle h = TheHandles().Add(std::move(blob));
  blobs_.push_back(h);
  Store<std::uint32_t>(rec + f.offset, h);
}

void RecordCursor::FreeBlob(std::uint8_t* rec, std::uint16_t fieldNo) {
  Blob& b = FindBlob(rec, fieldNo);
  OrvexHandle h = b.Handle();
  blobs_.erase(std::remove(blobs_.begin(), blobs_.end(), h), blobs_.end());
  TheHandles().Remove(h);
  Store<std::uint32_t>(rec + FieldAt(fieldNo).offset, 0);
}

// ---------------------------------------------------------------- TableCursor

TableCursor::TableCursor(std::shared_ptr<TableFile> table, bool readOnly, bool exclusive)
    : t_(std::move(table)), readOnly_(readOnly), exclusive_(exclusive), nextLimit_(kFirstBatch) {
  if (!readOnly_ && !t_->Writable()) Fail(ORVEX_ERR_ACCESS, t_->Path());
  for (const IndexDef& x : t_->Indexes())
    if (x.primary) index_ = &x;
}


void TableCursor::Props(OrvexCursorProps& p) {
  std::memset(&p, 0, sizeof p);
  CopyText(p.tableName, sizeof p.tableName, t_->Name());
  CopyText(p.driverType, sizeof p.driverType, DriverName(t_->TableFormat()));
  p.fieldCount = static_cast<std::uint16_t>(t_->Fields().size());
  p.indexCount = static_cast<std::uint16_t>(t_->Indexes().size());
  p.vchkCount = static_cast<std::uint16_t>(t_->Checks().size());
  p.recordSize = t_->RecordSize();
  p.readOnly = readOnly_;
  p.exclusive = exclusive_;
  p.indexNo = index_ ? index_->no : 0;
  p.keyFieldCount = static_cast<std::uint16_t>(KeyCount());
  for (const Field& f : t_->Fields()) p.blobFieldCount = static_cast<std::uint16_t>(p.blobFieldCount + f.IsBlob());
  p.bookmarkSize = ORVEX_BOOKMARK_SIZE;
  p.cursorKind = ORVEX_CURSOR_TABLE;
  p.rangeActive = rangeStart_.set || rangeEnd_.set;
  p.protectedFlag = t_->ProtectedFlag();
}

// ---------------------------------------------------------------- keys and order

std::vector<SqlValue> TableCursor::KeyOf(const std::uint8_t* rec, std::size_t m) const {
  std::vector<SqlValue> key;
  key.reserve(m);
  for (std::size_t k = 0; k < m; ++k) key.push_back(RecordToSql(t_->Fields()[index_->fields[k]], rec));
  return key;
}

TableCursor::Bound TableCursor::RowBound(Batch& from, std::size_t i) {
  Bound b;
  b.set = true;
  b.values = KeyOf(Row(from, i), KeyCount());
  b.hasRowid = true;
  b.rowid = from.ids[i];
  b.inclusive = false;
  return b;
}

// In the cursor's order, over the values both have.
int TableCursor::CompareKey(const std::vector<SqlValue>& a, const std::vector<SqlValue>& b) const {
  std::size_t m = std::min(a.size(), b.size());
  for (std::size_t k = 0; k < m; ++k) {
    int c = CompareValues(a[k], b[k], Folds(k), t_->Rule());
    if (c != 0) return Descending() ? -c : c;
  }
  return 0;
}

// Where reading really starts: not before the range.
TableCursor::Bound TableCursor::Clamp(bool forward, const Bound& from) const {
  const Bound& r = forward ? rangeStart_ : rangeEnd_;
  if (!r.set) return from;
  if (!from.set) return r;
  int c = CompareKey(from.values, r.values);
  if (!forward) c = -c;
  if (c < 0) return r;
  if (c > 0) return from;
  bool useRange = from.values.size() < r.values.size() ? from.inclusive : !r.inclusive;
  return useRange ? r : from;
}

bool TableCursor::BeyondRange(bool forward, const std::uint8_t* row) const {
  const Bound& r = forward ? rangeEnd_ : rangeStart_;
  if (!r.set) return false;
  int c = CompareKey(KeyOf(row, r.values.size()), r.values);
  if (!forward) c = -c;
  return c > 0 || (c == 0 && !r.inclusive);
}

bool TableCursor::InRange(const std::uint8_t* row) const { return !BeyondRange(true, row) && !BeyondRange(false, row); }

// The queries that together give the records after (forward) or before a
// bound, in the cursor's order: the records of the bound's own key values
// past its row id, then for each shorter prefix of the key the records
// equal on that prefix and beyond on the next field. Each is a range of one
// index, so reading from anywhere costs a seek, not a scan.
template <typename Run>
void TableCursor::Plan(bool forward, const Bound& b, Run&& run) const {
  bool asc = forward != Descending();
  std::size_t m = b.values.size();
  if (b.hasRowid) {
    run(m, Tail::RowCmp, asc ? (b.inclusive ? ">=" : ">") : (b.inclusive ? "<=" : "<"), nullptr);
  } else if (m == 0) {
    run(0, Tail::None, "", nullptr);
    return;
  } else if (b.inclusive && b.values[m - 1].kind != SqlValue::Null) {
    // at or beyond the last value: one range
    run(m - 1, Tail::Cmp, asc ? ">=" : "<=", &b.values[m - 1]);
    if (!asc) run(m - 1, Tail::IsNull, "", nullptr);
    --m;
  } else if (b.inclusive) {
    run(m, Tail::None, "", nullptr);
  }
  for (std::size_t j = m; j-- > 0;) {
    const SqlValue& v = b.values[j];
    if (asc) {
      if (v.kind == SqlValue::Null)
        run(j, Tail::NotNull, "", nullptr);
      else
        run(j, Tail::Cmp, ">", &v);
    } else if (v.kind != SqlValue::Null) {
      run(j, Tail::Cmp, "<", &v);
      run(j, Tail::IsNull, "", nullptr);
    }
  }
}

std::string TableCursor::QuerySql(bool count, bool asc, std::size_t eq, Tail tail, const char* op) const {
  auto column = [&](std::size_t k) -> const std::string& {
    return Folds(k) ? t_->FoldedColumn(index_->fields[k]) : t_->Column(index_->fields[k]);
  };
  std::string sql = count ? "SELECT count(*) FROM records" : "SELECT " + t_->SelectList() + " FROM records";
  std::string where;
  auto add = [&](const std::string& cond) { where += (where.empty() ? " WHERE " : " AND ") + cond; };
  for (std::size_t k = 0; k < eq; ++k) add(column(k) + " IS ?");
  switch (tail) {
    case Tail::None: break;
    case Tail::Cmp: add(column(eq) + " " + op + " ?"); break;
    case Tail::NotNull: add(column(eq) + " IS NOT NULL"); break;
    case Tail::IsNull: add(column(eq) + " IS NULL"); break;
    case Tail::RowCmp: add(t_->RowId() + " " + op + " ?"); break;
  }
  if (!filterSql_.empty()) add("(" + filterSql_ + ")");
  sql += where;
  if (count) return sql;
  const char* dir = asc ? "" : " DESC";
  sql += " ORDER BY ";
  for (std::size_t k = 0; k < KeyCount(); ++k) sql += column(k) + dir + ", ";
  return sql + t_->RowId() + dir + " LIMIT ?";
}

sqlite3_stmt* TableCursor::Query(bool count, bool asc, std::size_t eq, Tail tail, const char* op) {
  static const char* const ops[] = {"", ">", ">=", "<", "<="};
  std::uint32_t opNo = 0;
  while (opNo < 4 && std::strcmp(ops[opNo], op) != 0) ++opNo;
  std::uint32_t key = (count ? 1u : 0u) | (asc ? 2u : 0u) | static_cast<std::uint32_t>(eq) << 2 |
                      static_cast<std::uint32_t>(tail) << 7 | opNo << 10 | (index_ ? index_->no : 0u) << 13 |
                      (t_->FoldsByCollation() ? 1u : 0u) << 24;
  if (!filterSql_.empty()) {
    sqlite3_stmt* own = filterQueries_.Find(key);
    return own ? own : filterQueries_.Add(key, t_->PrepareOwn(QuerySql(count, asc, eq, tail, op)));
  }
  auto it = queries_.find(key);
  if (it != queries_.end()) return it->second;
  sqlite3_stmt* st = t_->Prepare(QuerySql(count, asc, eq, tail, op));
  queries_.emplace(key, st);
  return st;
}

void TableCursor::AppendRow(sqlite3_stmt* st, Batch& out) {
  std::uint32_t size = t_->RecordSize();
  if (out.data.size() < (out.n + 1) * size) out.data.resize((out.n + 1) * size);
  if (out.ids.size() < out.n + 1) out.ids.resize(out.n + 1);
  std::uint8_t* rec = out.data.data() + out.n * size;
  std::int64_t id = sqlite3_column_int64(st, 0);
  Store<std::int64_t>(rec, id);
  const auto& fields = t_->Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) ColumnToRecord(st, static_cast<int>(i + 1), fields[i], rec, t_->Path());
  out.ids[out.n++] = id;
}

// Binds the values of one of Plan's queries as the file compares them;
// bound keeps them (bound in place) until the statement is done. Returns
// the next parameter's number.
int TableCursor::BindPlanStep(sqlite3_stmt* st, const Bound& from, std::size_t eq, Tail tail, const SqlValue* v,
                              std::vector<SqlValue>& bound) const {
  bound.reserve(eq + 1);
  for (std::size_t k = 0; k < eq; ++k) bound.push_back(Folds(k) ? t_->Folded(from.values[k]) : from.values[k]);
  if (tail == Tail::Cmp) bound.push_back(Folds(eq) ? t_->Folded(*v) : *v);
  int p = 1;
  for (const SqlValue& b : bound) Bind(st, p++, b);
  if (tail == Tail::RowCmp) sqlite3_bind_int64(st, p++, from.rowid);
  return p;
}

void TableCursor::Fetch(bool forward, const Bound& from, std::size_t limit, Batch& out) {
  out.n = 0;
  out.endAfter = out.endBefore = false;
  bool asc = forward != Descending();
  bool done = false;
  TableFile::ReadTransaction read(*t_);
  Plan(forward, from, [&](std::size_t eq, Tail tail, const char* op, const SqlValue* v) {
    if (done) return;
    sqlite3_stmt* st = Query(false, asc, eq, tail, op);
    StmtUse use(st);
    std::vector<SqlValue> bound;
    int p = BindPlanStep(st, from, eq, tail, v, bound);
    p = BindFilter(st, p);
    // Records that filters test here do not count towards the limit.
    sqlite3_bind_int64(st, p, residual_.empty() ? static_cast<sqlite3_int64>(limit - out.n) : -1);
    while (t_->Step(st)) {
      AppendRow(st, out);
      if (BeyondRange(forward, Row(out, out.n - 1))) {
        --out.n;
        done = true;
        return;
      }
      if (!residual_.empty() && !PassesResidual(Row(out, out.n - 1))) {
        --out.n;
        continue;
      }
      if (out.n == limit) {
        done = true;
        return;
      }
    }
  });
  t_->Refresh();
  out.generation = t_->Generation();
  bool exhausted = out.n < limit;
  if (!forward) {
    std::uint32_t size = t_->RecordSize();
    std::vector<std::uint8_t> tmp(size);
    for (std::size_t i = 0, j = out.n; i + 1 < j; ++i, --j) {
      std::memcpy(tmp.data(), Row(out, i), size);
      std::memcpy(Row(out, i), Row(out, j - 1), size);
      std::memcpy(Row(out, j - 1), tmp.data(), size);
      std::swap(out.ids[i], out.ids[j - 1]);
    }
    out.endBefore = exhausted;
  } else {
    out.endAfter = exhausted;
  }
}

std::uint64_t TableCursor::CountFrom(bool forward, const Bound& from) {
  std::uint64_t total = 0;
  Plan(forward, from, [&](std::size_t eq, Tail tail, const char* op, const SqlValue* v) {
    sqlite3_stmt* st = Query(true, forward != Descending(), eq, tail, op);
    StmtUse use(st);
    std::vector<SqlValue> bound;
    BindFilter(st, BindPlanStep(st, from, eq, tail, v, bound));
    if (t_->Step(st)) total += static_cast<std::uint64_t>(sqlite3_column_int64(st, 0));
  });
  return total;
}

void TableCursor::Refill(bool forward, const Bound& from) {
  Fetch(forward, Clamp(forward, from), nextLimit_, spare_);
  std::swap(batch_, spare_);
  nextLimit_ = std::min(nextLimit_ * 2, kMaxBatch);
}

bool TableCursor::ReadRow(std::int64_t rowid, Batch& out) {
  out.n = 0;
  out.endAfter = out.endBefore = false;
  sqlite3_stmt* st = t_->Prepare("SELECT " + t_->SelectList() + " FROM records WHERE " + t_->RowId() + " = ?");
  {
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, rowid);
    if (t_->Step(st)) AppendRow(st, out);
  }
  t_->Refresh();
  out.generation = t_->Generation();
  return out.n == 1;
}

// The cursor on one record whose image is known, as after a post.
void TableCursor::OnSingleRow(const std::uint8_t* image, std::int64_t rowid) {
  std::uint32_t size = t_->RecordSize();
  if (spare_.data.size() < size) spare_.data.resize(size);
  if (spare_.ids.empty()) spare_.ids.resize(1);
  std::uint8_t* row = spare_.data.data();
  std::memcpy(row, image, size);
  Store<std::int64_t>(row, rowid);
  for (const Field& f : t_->Fields())
    if (f.IsBlob()) Store<std::uint64_t>(row + f.offset, 0);  // blobs opened on the caller's buffer stay its own
  spare_.ids[0] = rowid;
  spare_.n = 1;
  spare_.generation = t_->Generation();
  spare_.endAfter = spare_.endBefore = false;
  std::swap(batch_, spare_);
  pos_ = Pos::On;
  cur_ = 0;
  nextLimit_ = kFirstBatch;
}

void TableCursor::Deliver(std::size_t i, std::uint8_t* rec) {
  pos_ = Pos::On;
  cur_ = i;
  crackDeleted_ = false;
  if (rec) std::memcpy(rec, Row(batch_, i), t_->RecordSize());
}

// ---------------------------------------------------------------- navigation

void TableCursor::SetToBegin() {
  pos_ = Pos::Bof;
  nextLimit_ = kFirstBatch;
}

void TableCursor::SetToEnd() {
  pos_ = Pos::Eof;
  nextLimit_ = kFirstBatch;
}

void TableCursor::NextRaw(std::uint8_t* rec) {
  Bound from;
  bool valid = BatchValid();
  switch (pos_) {
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
    case Pos::Bof: break;
    case Pos::On:
      if (valid && cur_ + 1 < batch_.n) return Deliver(cur_ + 1, rec);
      if (valid && batch_.endAfter) {
        pos_ = Pos::Eof;
        Fail(ORVEX_ERR_EOF);
      }
      from = RowBound(cur_);
      break;
    case Pos::Crack:
      if (valid && cur_ < batch_.n) return Deliver(cur_, rec);
      if (valid && batch_.endAfter) {
        pos_ = Pos::Eof;
        Fail(ORVEX_ERR_EOF);
      }
      from = anchor_;
      break;
  }
  Refill(true, from);
  if (batch_.n == 0) {
    pos_ = Pos::Eof;
    Fail(ORVEX_ERR_EOF);
  }
  Deliver(0, rec);
}

void TableCursor::PriorRaw(std::uint8_t* rec) {
  Bound from;
  bool valid = BatchValid();
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::Eof: break;
    case Pos::On:
      if (valid && cur_ > 0) return Deliver(cur_ - 1, rec);
      if (valid && batch_.endBefore) {
        pos_ = Pos::Bof;
        Fail(ORVEX_ERR_BOF);
      }
      from = RowBound(cur_);
      break;
    case Pos::Crack:
      if (valid && cur_ > 0 && cur_ <= batch_.n) return Deliver(cur_ - 1, rec);
      if (valid && cur_ == 0 && batch_.endBefore) {
        pos_ = Pos::Bof;
        Fail(ORVEX_ERR_BOF);
      }
      from = anchor_;
      from.inclusive = false;
      break;
  }
  Refill(false, from);
  if (batch_.n == 0) {
    pos_ = Pos::Bof;
    Fail(ORVEX_ERR_BOF);
  }
  Deliver(batch_.n - 1, rec);
}

void TableCursor::Current(std::uint8_t* rec) {
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
    case Pos::Crack: Fail(crackDeleted_ ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
    case Pos::On: break;
  }
  t_->Refresh();
  if (!BatchValid()) {
    std::int64_t id = batch_.ids[cur_];
    if (!ReadRow(id, spare_)) {
      anchor_ = RowBound(cur_);
      pos_ = Pos::Crack;
      crackDeleted_ = true;
      batch_.n = 0;
      Fail(ORVEX_ERR_RECDELETED);
    }
    std::swap(batch_, spare_);
    cur_ = 0;
  }
  RequirePasses(batch_, cur_);
  Deliver(cur_, rec);
}

void TableCursor::ForceReread() {
  t_->Poll();
  batch_.n = 0;
  countValid_ = false;
}

// A count is dear, so it is kept until the table changes; whether it did is
// asked of the file each time.
std::uint32_t TableCursor::Count() {
  t_->Poll();
  t_->Refresh();
  if (!residual_.empty() || !callbacks_.empty()) return CountPassing();
  if (countValid_ && countGeneration_ == t_->Generation()) return count_;
  TableFile::ReadTransaction read(*t_);
  std::uint64_t total = CountFrom(true, rangeStart_);
  if (rangeEnd_.set) {
    Bound after = rangeEnd_;
    after.inclusive = !rangeEnd_.inclusive;
    std::uint64_t beyond = CountFrom(true, after);
    total = total > beyond ? total - beyond : 0;
  }
  count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
  t_->Refresh();
  countValid_ = true;
  countGeneration_ = t_->Generation();
  return count_;
}

// The records before the current one, less those before the range.
std::uint32_t TableCursor::SeqNo() {
  switch (pos_) {
    case Pos::Bof: Fail(ORVEX_ERR_BOF);
    case Pos::Eof: Fail(ORVEX_ERR_EOF);
    case Pos::Crack: Fail(crackDeleted_ ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
    case Pos::On: break;
  }
  // Filters that SQLite tests count with the records; those tested on the
  // records one by one leave nothing to count through the index.
  if (!residual_.empty() || !callbacks_.empty()) Fail(ORVEX_ERR_NOTSUPPORTED, "record numbers under these filters");
  TableFile::ReadTransaction read(*t_);
  std::uint64_t before = CountFrom(false, RowBound(cur_));
  if (rangeStart_.set) {
    Bound outside = rangeStart_;
    outside.inclusive = !rangeStart_.inclusive;
    std::uint64_t skipped = CountFrom(false, outside);
    before = before > skipped ? before - skipped : 0;
  }
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(before + 1, UINT32_MAX));
}

// ---------------------------------------------------------------- records

void TableCursor::InitRecord(std::uint8_t* rec) const {
  std::memset(rec, 0, t_->RecordSize());
  for (const Field& f : t_->Fields()) SetBlank(f, rec, true);
  for (const CheckDef& c : t_->Checks())
    if (c.desc.hasDefault) PutValue(t_->Fields()[c.field], rec, c.desc.defaultValue);
}

// Checks a record and posts it: insert, or modify of the current record.
void TableCursor::WriteRecord(std::uint8_t* rec, bool insert) {
  if (readOnly_) Fail(ORVEX_ERR_READONLY, t_->Path());
  if (!insert && pos_ != Pos::On) Fail(pos_ == Pos::Crack && crackDeleted_ ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
  const auto& fields = t_->Fields();
  std::vector<SqlValue> values(fields.size());
  std::vector<Blob*> blobs(fields.size(), nullptr);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    bool blank;
    if (f.IsBlob()) {
      blobs[i] = ChangedBlob(rec, f);
      blank = blobs[i] ? blobs[i]->data.empty() : (insert || IsBlank(f, rec));
      if (blobs[i] && !blank) values[i] = f.type == ORVEX_FT_MEMO ? SqlValue::OfText(blobs[i]->data) : SqlValue::OfBlob(blobs[i]->data);
    } else {
      values[i] = RecordToSql(f, rec);
      blank = values[i].kind == SqlValue::Null;
    }
    if (f.type == ORVEX_FT_AUTOINC) continue;
    if (blank && f.required) Fail(ORVEX_ERR_REQUIRED, f.name);
  }
  for (const CheckDef& c : t_->Checks()) {
    const Field& f = fields[c.field];
    const SqlValue& v = values[c.field];
    bool blank = f.IsBlob() ? (blobs[c.field] ? blobs[c.field]->data.empty() : (insert || IsBlank(f, rec)))
                            : v.kind == SqlValue::Null;
    if (blank) {
      if (c.desc.required && f.type != ORVEX_FT_AUTOINC) Fail(ORVEX_ERR_REQUIRED, f.name);
      continue;
    }
    if (c.min.kind != SqlValue::Null && CompareValues(v, c.min, false) < 0) Fail(ORVEX_ERR_MINVAL, f.name);
    if (c.max.kind != SqlValue::Null && CompareValues(v, c.max, false) > 0) Fail(ORVEX_ERR_MAXVAL, f.name);
  }

  // Each field's value, then the folded keys, in the order of the columns written.
  std::string sql;
  std::vector<SqlValue> bound;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!insert && (fields[i].type == ORVEX_FT_AUTOINC || (fields[i].IsBlob() && !blobs[i]))) continue;
    sql += (sql.empty() ? "" : ", ") + t_->Column(i) + (insert ? "" : " = ?");
    bound.push_back(fields[i].type == ORVEX_FT_AUTOINC ? SqlValue() : values[i]);  // the row id: assigned on insert
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (t_->FoldColumn(i).empty()) continue;
    sql += ", " + t_->FoldColumn(i) + (insert ? "" : " = ?");
    bound.push_back(t_->Folded(values[i]));
  }
  if (insert) {
    std::string marks;
    for (std::size_t k = 0; k < bound.size(); ++k) marks += k ? ", ?" : "?";
    sql = "INSERT INTO records(" + sql + ") VALUES(" + marks + ")";
  } else {
    if (sql.empty()) sql = t_->Column(0) + " = " + t_->Column(0);  // nothing changed but the record must exist
    sql = "UPDATE records SET " + sql + " WHERE " + t_->RowId() + " = ?";
  }
  std::int64_t id = insert ? 0 : batch_.ids[cur_];
  Bound old;
  if (!insert) old = RowBound(cur_);
  TableFile::WriteTransaction write(*t_);
  CheckFoldedUnique(values, insert ? nullptr : &old);
  {
    sqlite3_stmt* st = t_->Prepare(sql);
    StmtUse use(st);
    int p = 1;
    for (const SqlValue& v : bound) Bind(st, p++, v);  // bound in place: the statement reads the value when it steps
    if (!insert) sqlite3_bind_int64(st, p, id);
    t_->Step(st);
    if (insert) {
      id = sqlite3_last_insert_rowid(sqlite3_db_handle(st));
    } else if (sqlite3_changes(sqlite3_db_handle(st)) == 0) {
      anchor_ = old;
      pos_ = Pos::Crack;
      crackDeleted_ = true;
      t_->Changed();
      Fail(ORVEX_ERR_RECDELETED);
    }
  }
  write.Commit();
  Store<std::int64_t>(rec, id);
  if (t_->AutoIncField() >= 0) {
    const Field& f = fields[static_cast<std::size_t>(t_->AutoIncField())];
    Store<std::int32_t>(rec + f.offset, static_cast<std::int32_t>(id));
    SetBlank(f, rec, false);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!blobs[i]) continue;
    blobs[i]->rowid = id;
    blobs[i]->modified = false;
    SetBlank(fields[i], rec, blobs[i]->data.empty());
  }
  OnSingleRow(rec, id);
}

// A unique index that folds case is kept unique here: SQLite cannot, as
// other writers leave their rows' folded keys to the engine. A post that
// leaves a record's key as it was passes, so that a duplicate another tool
// made does not stop the records' other changes.
void TableCursor::CheckFoldedUnique(const std::vector<SqlValue>& values, const Bound* old) {
  for (const IndexDef& x : t_->Indexes()) {
    if (!x.unique || std::find(x.folds.begin(), x.folds.end(), true) == x.folds.end()) continue;
    std::vector<SqlValue> key;
    bool same = old != nullptr;
    for (std::size_t k = 0; k < x.fields.size(); ++k) {
      const SqlValue& v = values[x.fields[k]];
      if (v.kind == SqlValue::Null) break;  // as SQLite: a blank never clashes
      if (same) {
        SqlValue before = RecordToSql(t_->Fields()[x.fields[k]], Row(batch_, cur_));
        same = CompareValues(v, before, x.folds[k], t_->Rule()) == 0;
      }
      key.push_back(x.folds[k] ? t_->Folded(v) : v);
    }
    if (key.size() < x.fields.size() || same) continue;
    std::string sql = "SELECT 1 FROM records WHERE ";
    for (std::size_t k = 0; k < x.fields.size(); ++k) {
      std::size_t i = x.fields[k];
      sql += (k ? " AND " : "") + (x.folds[k] ? t_->FoldedColumn(i) : t_->Column(i)) + " = ?";
    }
    if (old) sql += " AND " + t_->RowId() + " <> ?";
    sqlite3_stmt* st = t_->Prepare(sql + " LIMIT 1");
    StmtUse use(st);
    int p = 1;
    for (const SqlValue& v : key) Bind(st, p++, v);
    if (old) sqlite3_bind_int64(st, p, old->rowid);
    if (t_->Step(st)) Fail(ORVEX_ERR_KEYVIOL, t_->Name());
  }
}

void TableCursor::Insert(std::uint8_t* rec) { WriteRecord(rec, true); }

void TableCursor::Modify(std::uint8_t* rec) { WriteRecord(rec, false); }

void TableCursor::Delete() {
  if (readOnly_) Fail(ORVEX_ERR_READONLY, t_->Path());
  if (pos_ != Pos::On) Fail(pos_ == Pos::Crack && crackDeleted_ ? ORVEX_ERR_RECDELETED : ORVEX_ERR_NOCURRREC);
  Bound old = RowBound(cur_);
  sqlite3_stmt* st = t_->Prepare("DELETE FROM records WHERE " + t_->RowId() + " = ?");
  StmtUse use(st);
  sqlite3_bind_int64(st, 1, old.rowid);
  t_->Step(st);
  bool gone = sqlite3_changes(sqlite3_db_handle(st)) == 0;
  t_->Changed();
  anchor_ = old;
  pos_ = Pos::Crack;
  crackDeleted_ = gone;
  if (gone) Fail(ORVEX_ERR_RECDELETED);
}

void TableCursor::Empty() {
  if (readOnly_) Fail(ORVEX_ERR_READONLY, t_->Path());
  t_->Empty();
  SetToBegin();
}

void TableCursor::Pack(bool rebuildIndexes) {
  if (!exclusive_) Fail(ORVEX_ERR_NEEDEXCLUSIVE, t_->Path());
  if (readOnly_) Fail(ORVEX_ERR_READONLY, t_->Path());
  t_->Pack(rebuildIndexes);
  SetToBegin();
}

// ---------------------------------------------------------------- bookmarks

void TableCursor::GetBookmark(std::uint8_t* bookmark) {
  if (pos_ != Pos::On) Fail(ORVEX_ERR_NOCURRREC);
  std::memset(bookmark, 0, ORVEX_BOOKMARK_SIZE);
  Store<std::int64_t>(bookmark, batch_.ids[cur_]);
  Store<std::uint32_t>(bookmark + 8, ORVEX_BOOKMARK_MAGIC);
}

std::int64_t TableCursor::BookmarkRow(const std::uint8_t* bookmark) const {
  if (Load<std::uint32_t>(bookmark + 8) != ORVEX_BOOKMARK_MAGIC || Load<std::uint32_t>(bookmark + 12) != 0 ||
      Load<std::int64_t>(bookmark) <= 0)
    Fail(ORVEX_ERR_INVALIDBOOKMARK);
  return Load<std::int64_t>(bookmark);
}

void TableCursor::SetToBookmark(const std::uint8_t* bookmark) {
  std::int64_t id = BookmarkRow(bookmark);
  t_->Refresh();
  if (!ReadRow(id, spare_)) Fail(ORVEX_ERR_RECDELETED);
  if (!InRange(Row(spare_, 0))) Fail(ORVEX_ERR_RECNOTFOUND);
  RequirePasses(spare_, 0);
  std::swap(batch_, spare_);
  nextLimit_ = kFirstBatch;
  Deliver(0, nullptr);
}

int TableCursor::CompareBookmarks(const std::uint8_t* a, const std::uint8_t* b) {
  std::int64_t ia = BookmarkRow(a), ib = BookmarkRow(b);
  if (ia == ib) return 0;
  // A batch of its own: a filter callback may compare while the cursor
  // holds the record under test in spare_.
  Batch row;
  std::vector<SqlValue> ka, kb;
  if (!ReadRow(ia, row)) Fail(ORVEX_ERR_RECDELETED);
  ka = KeyOf(Row(row, 0), KeyCount());
  if (!ReadRow(ib, row)) Fail(ORVEX_ERR_RECDELETED);
  kb = KeyOf(Row(row, 0), KeyCount());
  int c = CompareKey(ka, kb);
  if (c != 0) return c;
  c = ia < ib ? -1 : 1;  // the row id breaks ties, reversed with the rest in a descending index
  return Descending() ? -c : c;
}

// ---------------------------------------------------------------- indexes, keys, ranges

const IndexDef* TableCursor::FindIndex(const char* name) const {
  if (!name || !*name) {
    for (const IndexDef& x : t_->Indexes())
      if (x.primary) return &x;
    return nullptr;
  }
  for (const IndexDef& x : t_->Indexes())
    if (FoldedCompare(x.name, name) == 0) return &x;
  Fail(ORVEX_ERR_NOSUCHINDEX, name);
}

const IndexDef* TableCursor::FindIndexForFields(const std::vector<std::uint16_t>& fieldNos) const {
  auto begins = [&](const IndexDef& x) {
    if (x.fields.size() < fieldNos.size()) return false;
    for (std::size_t k = 0; k < fieldNos.size(); ++k)
      if (x.fields[k] + 1 != fieldNos[k]) return false;
    return true;
  };
  for (const IndexDef& x : t_->Indexes())
    if (x.fields.size() == fieldNos.size() && begins(x)) return &x;
  for (const IndexDef& x : t_->Indexes())
    if (begins(x)) return &x;
  std::string list;
  for (std::uint16_t no : fieldNos) list += (list.empty() ? "" : ";") + std::to_string(no);
  Fail(ORVEX_ERR_NOSUCHINDEX, "fields " + list);
}

void TableCursor::SwitchToIndex(const IndexDef* index, bool stayOnCurrent) {
  bool stay = stayOnCurrent && pos_ == Pos::On;
  std::vector<std::uint8_t> image;
  std::int64_t id = 0;
  if (stay) {
    t_->Refresh();
    id = batch_.ids[cur_];
    if (BatchValid()) {
      image.assign(Row(batch_, cur_), Row(batch_, cur_) + t_->RecordSize());
    } else if (ReadRow(id, spare_)) {
      image.assign(Row(spare_, 0), Row(spare_, 0) + t_->RecordSize());
    } else {
      stay = false;
    }
  }
  index_ = index;
  rangeStart_ = rangeEnd_ = Bound();
  countValid_ = false;
  batch_.n = 0;
  if (stay)
    OnSingleRow(image.data(), id);
  else
    SetToBegin();
}

// A key bound from a key buffer. With a partial length the last counted
// field is a string prefix: its group of records begins (in the cursor's
// order) at the prefix itself and ends at the prefix followed by the byte
// 0xFF, reversed in a descending index.
TableCursor::Bound TableCursor::KeyBound(std::uint16_t fieldCount, std::uint16_t partialLength,
                                         const std::uint8_t* key, bool startSide, bool inclusive,
                                         std::vector<SqlValue>* plain) const {
  if (!index_) Fail(ORVEX_ERR_NOSUCHINDEX, "natural order");
  std::size_t m = fieldCount ? fieldCount : KeyCount();
  if (m > KeyCount()) Fail(ORVEX_ERR_INVALIDPARAM, "key field count");
  Bound b;
  b.set = true;
  b.values = KeyOf(key, m);
  b.inclusive = inclusive;
  if (partialLength) {
    const Field& f = t_->Fields()[index_->fields[m - 1]];
    if (!f.IsString()) Fail(ORVEX_ERR_INVALIDPARAM, "partial key on " + f.name);
    SqlValue& last = b.values[m - 1];
    if (last.kind == SqlValue::Text) last.s = LeadingChars(last.s, partialLength);
    if (plain) *plain = b.values;
    // which end of the prefix group this bound stands at
    bool groupEnd = startSide ? !inclusive : inclusive;
    if (last.kind == SqlValue::Text && groupEnd != Descending()) last.s += '\xFF';
  } else if (plain) {
    *plain = b.values;
  }
  return b;
}

void TableCursor::SetToKey(bool exact, std::uint16_t fieldCount, std::uint16_t partialLength,
                           const std::uint8_t* key) {
  std::vector<SqlValue> wanted;
  Bound b = KeyBound(fieldCount, partialLength, key, true, true, &wanted);
  t_->Refresh();
  if (!exact) {
    anchor_ = b;
    pos_ = Pos::Crack;
    crackDeleted_ = false;
    batch_.n = 0;
    nextLimit_ = kFirstBatch;
    return;
  }
  Bound from = Clamp(true, b);
  Fetch(true, from, kFirstBatch, spare_);
  auto matches = [&](const std::uint8_t* row) {
    std::vector<SqlValue> got = KeyOf(row, wanted.size());
    SqlValue& last = got.back();
    if (partialLength && last.kind == SqlValue::Text) last.s = LeadingChars(last.s, partialLength);
    for (std::size_t k = 0; k < wanted.size(); ++k)
      if (CompareValues(got[k], wanted[k], Folds(k), t_->Rule()) != 0) return false;
    return true;
  };
  std::size_t at = 0;
  if (!callbacks_.empty()) at = FirstAccepted(matches);
  else if (spare_.n == 0 || !matches(Row(spare_, 0))) Fail(ORVEX_ERR_RECNOTFOUND);
  std::swap(batch_, spare_);
  if (callbacks_.empty()) {
    anchor_ = from;
  } else {
    anchor_ = RowBound(at);  // before the match the callbacks took
    anchor_.inclusive = true;
  }
  pos_ = Pos::Crack;
  crackDeleted_ = false;
  cur_ = at;
  nextLimit_ = kFirstBatch;
}

void TableCursor::SetRange(std::uint16_t startFields, std::uint16_t startPartial, bool startInclusive,
                           const std::uint8_t* start, std::uint16_t endFields, std::uint16_t endPartial,
                           bool endInclusive, const std::uint8_t* end) {
  Bound s, e;
  if (start) s = KeyBound(startFields, startPartial, start, true, startInclusive, nullptr);
  if (end) e = KeyBound(endFields, endPartial, end, false, endInclusive, nullptr);
  if (!index_) Fail(ORVEX_ERR_NOSUCHINDEX, "natural order");
  rangeStart_ = std::move(s);
  rangeEnd_ = std::move(e);
  countValid_ = false;
  batch_.n = 0;
  SetToBegin();
}

void TableCursor::ResetRange() {
  rangeStart_ = rangeEnd_ = Bound();
  countValid_ = false;
  batch_.endAfter = batch_.endBefore = false;
}

// ---------------------------------------------------------------- blobs

std::string TableCursor::LoadBlob(std::int64_t rowid, const Field& f) {
  sqlite3_stmt* st = t_->Prepare("SELECT " + t_->Column(f.no - 1u) + " FROM records WHERE " + t_->RowId() + " = ?");
  StmtUse use(st);
  sqlite3_bind_int64(st, 1, rowid);
  if (!t_->Step(st)) Fail(ORVEX_ERR_RECDELETED);
  int t = sqlite3_column_type(st, 0);
  if (t != SQLITE_NULL && t != SQLITE_BLOB && t != SQLITE_TEXT) Fail(ORVEX_ERR_CORRUPT, t_->Path() + ": " + f.name);
  const void* p = sqlite3_column_blob(st, 0);
  auto n = static_cast<std::size_t>(sqlite3_column_bytes(st, 0));
  return n ? std::string(static_cast<const char*>(p), n) : std::string();
}

}  // namespace orvex
