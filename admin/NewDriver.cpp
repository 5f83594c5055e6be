#include "NewDriver.h"

#include <cstdint>
#include <cstring>

#include "Database.h"
#include "Dialogs.h"
#include "Library.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace dbx {

// ---------------------------------------------------------------- the driver list

FW_IMPLEMENT_CLASS(tdsnObj)

tdsnObj::tdsnObj() : list_(std::make_unique<TStringList>()) {}

tdsnObj::~tdsnObj() = default;

TOdbcDriverList::~TOdbcDriverList() {
  for (int i = 0; i < Count(); ++i) delete Sources(i);
}

void TOdbcDriverList::AddDriver(const std::string& description, std::unique_ptr<tdsnObj> sources) {
  AddObject(description, sources.get());
  sources.release();  // the list owns it now
}

// ---------------------------------------------------------------- the enumeration

namespace {

// The driver manager's entries, as ODBC 2 declares them.
using SqlReturn = std::int16_t;
using SqlEnv = void*;
using AllocEnvFn = SqlReturn (*)(SqlEnv*);
using FreeEnvFn = SqlReturn (*)(SqlEnv);
using ListFn = SqlReturn (*)(SqlEnv, std::uint16_t, unsigned char*, std::int16_t, std::int16_t*, unsigned char*,
                             std::int16_t, std::int16_t*);

constexpr std::uint16_t kFetchNext = 1;
constexpr std::uint16_t kFetchFirst = 2;
constexpr std::int16_t kBufferSize = 99;
constexpr int kMaxEntries = 100;

// Success, with or without information; anything else (no more data, an
// error) ends a walk, as the buffers then hold nothing new.
bool Ok(SqlReturn r) { return r == 0 || r == 1; }

// One call's two texts.
struct TEntry {
  unsigned char first[kBufferSize] = {};
  unsigned char second[kBufferSize] = {};

  bool Fetch(ListFn fn, SqlEnv env, std::uint16_t direction) {
    std::int16_t n1 = 0, n2 = 0;
    return Ok(fn(env, direction, first, kBufferSize, &n1, second, kBufferSize, &n2));
  }
  static std::string Text(const unsigned char* buffer) {
    const auto* text = reinterpret_cast<const char*>(buffer);
    return std::string(text, strnlen(text, kBufferSize));
  }
  std::string First() const { return Text(first); }
  std::string Second() const { return Text(second); }
};

// The data sources of one driver. lastAdded is kept across drivers, so that
// a name is not added twice in a row.
std::unique_ptr<tdsnObj> ReadSources(ListFn sources, SqlEnv env, const std::string& driver, std::string& lastAdded) {
  auto result = std::make_unique<tdsnObj>();
  TEntry entry;
  if (!entry.Fetch(sources, env, kFetchFirst)) return result;
  std::string firstName = entry.First();
  for (int fetched = 1; fetched <= kMaxEntries; ++fetched) {
    std::string name = entry.First();
    if (entry.Second() == driver && name != lastAdded) {
      result->DSNList()->Add(name);
      lastAdded = name;
    }
    // Fetching on past the end starts over at the first name.
    if (!entry.Fetch(sources, env, kFetchNext) || entry.First() == firstName) break;
  }
  return result;
}

}  // namespace

void ReadOdbcDrivers(TOdbcDriverList& drivers) {
  HMODULE library = LoadLibrary("odbc32.dll");
  if (!library) return;
  TScopeExit unload([library] { FreeLibrary(library); });
  auto allocEnv = reinterpret_cast<AllocEnvFn>(GetProcAddress(library, "SQLAllocEnv"));
  auto freeEnv = reinterpret_cast<FreeEnvFn>(GetProcAddress(library, "SQLFreeEnv"));
  auto driverFn = reinterpret_cast<ListFn>(GetProcAddress(library, "SQLDrivers"));
  auto sourceFn = reinterpret_cast<ListFn>(GetProcAddress(library, "SQLDataSources"));
  if (!allocEnv || !driverFn || !sourceFn) return;
  SqlEnv env = nullptr;
  if (!Ok(allocEnv(&env)) || !env) return;
  // Before the library goes, which its own clean-up needs.
  TScopeExit freeEnvironment([freeEnv, env] {
    if (freeEnv) freeEnv(env);
  });

  TEntry entry;
  if (!entry.Fetch(driverFn, env, kFetchNext)) return;
  std::string first = entry.First(), previous, lastAdded;
  for (int read = 1; read <= kMaxEntries; ++read) {
    std::string description = entry.First();
    std::unique_ptr<tdsnObj> sources = ReadSources(sourceFn, env, description, lastAdded);
    // The same driver twice in a row is listed once; a skipped one's list goes with it.
    if (read == 1 || description != previous) drivers.AddDriver(description, std::move(sources));
    previous = description;
    if (!entry.Fetch(driverFn, env, kFetchNext) || entry.First() == first) break;
  }
}

// ---------------------------------------------------------------- the dialog

FW_PUBLISH(TNewDriverForm) {
  c.Field("DriverNameGroup", &TNewDriverForm::DriverNameGroup);
  c.Field("DriverName", &TNewDriverForm::DriverName);
  c.Field("ODBCDriverGroup", &TNewDriverForm::ODBCDriverGroup);
  c.Field("ComboODBCDriver", &TNewDriverForm::ComboODBCDriver);
  c.Field("DSNGroup", &TNewDriverForm::DSNGroup);
  c.Field("ListDSN", &TNewDriverForm::ListDSN);
  c.Field("OKBtn", &TNewDriverForm::OKBtn);
  c.Field("CancelBtn", &TNewDriverForm::CancelBtn);
  c.Field("HelpBtn", &TNewDriverForm::HelpBtn);
  c.Method("FormCreate", &TNewDriverForm::FormCreate);
  c.Method("ComboODBCDriverChange", &TNewDriverForm::ComboODBCDriverChange);
  c.Method("OKBtnClick", &TNewDriverForm::OKBtnClick);
  c.Method("HelpBtnClick", &TNewDriverForm::HelpBtnClick);
}

TNewDriverForm::TNewDriverForm(TComponent* AOwner) : TForm(AOwner), drivers_(std::make_unique<TOdbcDriverList>()) {}

TNewDriverForm::~TNewDriverForm() = default;

void TNewDriverForm::FormCreate(TObject*) {
  ReadOdbcDrivers(*drivers_);
  if (drivers_->Count() == 0) return;
  ComboODBCDriver->Items()->Assign(drivers_.get());
  ComboODBCDriver->SetItemIndex(0);
  ComboODBCDriverChange(ComboODBCDriver);
}

void TNewDriverForm::ComboODBCDriverChange(TObject*) {
  ListDSN->Items()->Clear();
  int index = ComboODBCDriver->ItemIndex();
  if (index < 0 || index >= drivers_->Count()) return;
  ListDSN->Items()->Assign(drivers_->Sources(index)->DSNList());
}

void TNewDriverForm::OKBtnClick(TObject*) {
  const TMsgDlgButtons buttons{mbOK, mbCancel, mbHelp};
  std::string name = DriverName->Text();
  if (name.empty()) {
    SetModalResult(mrNone);
    MessageDlg("Please specify driver name.", mtError, buttons, 4041);
    return;
  }
  TStringList known;
  Session().GetDriverNames(&known);
  for (int i = 0; i < known.Count(); ++i)
    if (AnsiSameText(known.Strings(i), name)) {
      SetModalResult(mrNone);
      MessageDlg("Duplicate driver name.", mtError, buttons, 4040);
      return;
    }
}

void TNewDriverForm::HelpBtnClick(TObject*) { Application->HelpContext(HelpContext()); }

}  // namespace dbx
