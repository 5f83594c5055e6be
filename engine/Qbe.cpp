#include "Qbe.h"

#include <ctime>
#include <limits>

#include "Answers.h"
#include "Chars.h"
#include "Config.h"
#include "Errors.h"
#include "Scope.h"

namespace orvex {

namespace {

// The tables of the statement's database by the names a text gives them.
class SessionCatalog : public QbeCatalog {
public:
  explicit SessionCatalog(SqlSession& session) : session_(session) {}

  std::optional<QbeTable> Find(const std::string& name) override {
    const auto& files = session_.TableNames().files;
    auto it = files.find(NameKey(name));
    if (it == files.end()) return std::nullopt;
    std::string file = it->second;  // attaching may read the names again
    SqlSession::TableRef t = session_.Use(file);
    return QbeTable{file, t->file->Fields(), t->file->RowId()};
  }

private:
  SqlSession& session_;
};

char32_t FirstChar(const std::string& s, char32_t otherwise) {
  fw::TChars c = fw::Utf8ToChars(s);
  return c.empty() ? otherwise : c[0];
}

// Where each change keeps what it changed, by QbeTranslation::Kind.
const char* const kKeptTables[] = {"", "Deleted.db", "Inserted.db", "Changed.db"};

}  // namespace

QbeFormats SystemFormats() {
  const Config& c = Config::Get();
  const CfgPath date = {"SYSTEM", "FORMATS", "DATE"}, time = {"SYSTEM", "FORMATS", "TIME"},
                number = {"SYSTEM", "FORMATS", "NUMBER"};
  QbeFormats f;
  f.dateSeparator = FirstChar(c.Setting(date, "SEPARATOR"), f.dateSeparator);
  const std::string mode = c.Setting(date, "MODE");
  if (mode == "1" || mode == "2") f.dateOrder = mode[0] - '0';
  if (const std::string biased = c.Setting(date, "YEARBIASED"); !biased.empty())
    f.yearBiased = NameKey(biased) == "true";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  f.thisYear = local.tm_year + 1900;
  if (std::string am = c.Setting(time, "AMSTRING"); !am.empty()) f.am = am;
  if (std::string pm = c.Setting(time, "PMSTRING"); !pm.empty()) f.pm = pm;
  f.decimalSeparator = FirstChar(c.Setting(number, "DECIMALSEPARATOR"), f.decimalSeparator);
  return f;
}

QbeStatement::QbeStatement(std::shared_ptr<SqlSession> session) : Statement(session), session_(std::move(session)) {}

void QbeStatement::Prepare(const std::string& text) {
  prepared_ = false;
  text_ = text;
  Translate();
  prepared_ = true;
}

void QbeStatement::Translate() {
  SessionCatalog catalog(*session_);
  const QbeOptions options{blanksAsZero_, auxiliary_};
  translation_ = TranslateQbe(text_, catalog, SystemFormats(), options);
  PrepareEngineSql(translation_.sql);
  translatedWith_ = options;
}

void QbeStatement::PrepareProcedure(const std::string&) {
  Fail(ORVEX_ERR_NOTSUPPORTED, "stored procedures are written in SQL");
}

std::uint16_t QbeStatement::ParamCount() const {
  if (!prepared_) Fail(ORVEX_ERR_NOTPREPARED);
  return 0;
}

// Each parameter :vN takes the text's value N.
void QbeStatement::BindValues(Statement& s) const {
  for (std::uint16_t i = 1; i <= s.Statement::ParamCount(); ++i) {
    const SqlValue& v = translation_.values.at(std::stoul(s.ParamName(i).substr(1)) - 1);
    if (v.kind == SqlValue::Text) {
      s.BindParam(i, ORVEX_FT_STRING, 0, v.s.c_str());
    } else if (v.kind == SqlValue::Int && v.i >= std::numeric_limits<std::int32_t>::min() &&
               v.i <= std::numeric_limits<std::int32_t>::max()) {
      const auto n = static_cast<std::int32_t>(v.i);
      s.BindParam(i, ORVEX_FT_INTEGER, sizeof n, &n);
    } else {
      // a comparison's number beyond 32 bits compares as well as a float
      const double d = v.kind == SqlValue::Int ? static_cast<double>(v.i) : v.r;
      s.BindParam(i, ORVEX_FT_FLOAT, sizeof d, &d);
    }
  }
}

OrvexHandle QbeStatement::Execute() {
  if (!prepared_) Fail(ORVEX_ERR_NOTPREPARED);
  if (translatedWith_.blanksAsZero != blanksAsZero_ || translatedWith_.keepChanged != auxiliary_) Translate();
  BindValues(*this);
  if (translation_.kind == QbeTranslation::Query) return Statement::Execute();
  if (auxiliary_) {
    ExecuteKeeping();
  } else if (OrvexHandle answer = Statement::Execute()) {
    TheHandles().Remove(answer);
  }
  return 0;
}

// The change and the copy of what it changed are one transaction: a copy
// that fails (its table in use, the disk full) undoes the change.
void QbeStatement::ExecuteKeeping() {
  const TablePath kept = ResolveTable(PrivateDirectory(), kKeptTables[translation_.kind], "KALMURE");
  const bool own = !session_->InTransaction();
  if (own) session_->Begin(ORVEX_ISOLATION_READCOMMITTED);
  fw::TScopeFail rollback([&] {
    if (own) session_->End(false);
  });
  OrvexHandle changed = 0;  // the records, as an answer
  fw::TScopeExit close([&] {
    if (changed) TheHandles().Remove(changed);
  });
  if (translation_.kind == QbeTranslation::Update) {
    // the old values: the update reads this answer to its end before it writes
    Statement old(session_);
    old.PrepareEngineSql(translation_.oldRowsSql);
    BindValues(old);
    changed = old.Execute();
    Statement::Execute();
  } else {
    changed = Statement::Execute();  // its RETURNING clause gives the records
  }
  Cursor* records = static_cast<Cursor*>(TheHandles().Find(changed, Kind::Cursor));
  if (!records || !records->AsRecords()) Fail(ORVEX_ERR_INTERNAL, "no records of the change");
  CopyRecords(*records->AsRecords(), kept, true);
  if (own) session_->End(true);
}

}  // namespace orvex
