#include "VerInfo.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <memory>

#include "CfgTools.h"
#include "DateTime.h"
#include "EngineLib.h"
#include "FileVersion.h"
#include "Files.h"
#include "Expldb.h"
#include "Library.h"

using namespace fw;

namespace dbx {

FW_PUBLISH(TVerInfoForm) {
  c.Field("StringGrid1", &TVerInfoForm::StringGrid1);
  c.Field("BtnOK", &TVerInfoForm::BtnOK);
  c.Field("BtnHelp", &TVerInfoForm::BtnHelp);
  c.Method("FormShow", &TVerInfoForm::FormShow);
  c.Method("BtnHelpClick", &TVerInfoForm::BtnHelpClick);
}

FW_IMPLEMENT_CLASS(TRAVersionInfo)

namespace {

// The name as this machine loads it, when it loads and its file is there:
// the library's row in the folder it came from.
void AddLoaded(std::vector<TPathObj>& list, const std::string& name, const std::string& shownName = {}) {
  HMODULE module = LoadLibrary(name);
  if (!module) return;
  std::string file = GetModuleFileName(module);
  FreeLibrary(module);
  if (file.empty() || !FileExists(file)) return;
  std::string folder = ExtractFilePath(file);
  list.push_back({shownName.empty() ? ExtractFileName(file) : shownName, folder.substr(0, folder.size() - 1)});
}

void AddFromFolder(std::vector<TPathObj>& list, const std::string& folder, const std::string& name) {
  if (folder.empty()) return;
  std::string bin = folder + "/bin";
  if (FileExists(bin + "/" + name)) list.push_back({name, bin});
}

TDateTime LocalDateTime(time_t when) {
  tm local{};
  localtime_r(&when, &local);
  return TDateTime(EncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                              static_cast<Word>(local.tm_mday)) +
                   EncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                              static_cast<Word>(local.tm_sec), 0));
}

// The engine's own folder with its trailing separator; "" when it is not loaded.
std::string EngineFolder() {
  try {
    return ExtractFilePath(Engine().LibraryPath());
  } catch (const Exception&) {
    return {};
  }
}

}  // namespace

std::vector<TPathObj> VersionLibraries(TExploreObject& object) {
  std::vector<TPathObj> list;
  const std::string type = object.GetTypeName();
  if (type == "ODBC" || ClassNameIn(object, {"TVirtualDriver", "TODBCDrivers", "TODBCDriver", "TDbODBC"}))
    AddLoaded(list, "odbc32.dll");
  if (type == "SYBASE") AddLoaded(list, "LIBSYBDB.DLL", "LIBSYBDB.DLL");
  if (type == "ORACLE" || ClassNameIn(object, {"TDbOracle"})) {
    for (const char* name : {"ORA73.DLL", "ORA72.DLL", "ORANT71.DLL"}) {
      std::size_t before = list.size();
      AddLoaded(list, name, name);
      if (list.size() != before) break;
    }
  }
  if (type == "MSSQL" || ClassNameIn(object, {"TDbMSSQL"})) AddLoaded(list, "NTWDBLIB.DLL", "NTWDBLIB.DLL");
  if (type == "INFORMIX" || ClassNameIn(object, {"TDbInformix"}))
    AddFromFolder(list, InformixFolder(), "ISQLT07C.DLL");
  if (type == "CORVANE" || ClassNameIn(object, {"TDbCorvane"})) AddLoaded(list, "libcvclient.so", "libcvclient.so");
  if (type == "DB2" || ClassNameIn(object, {"TDbDB2"})) AddFromFolder(list, Db2Folder(), "DB2CLIW.DLL");
  // The engine is one library here; SQLite, which it stands on, takes the
  // place of the maker's further system library.
  list.push_back({"liborvex32.so", kEngineFolder});
  AddLoaded(list, "libsqlite3.so.0");
  return list;
}

std::string FileVersionText(const std::string& path) {
  std::vector<std::uint8_t> data;
  TFixedFileInfo fixed;
  if (!GetFileVersionInfo(path, data) || !VerQueryValue(data, "\\", fixed)) return "N/A";
  const std::array<unsigned, 4> n = {fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                     fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF};
  if ((n[0] | n[1] | n[2] | n[3]) == 0) return "N/A";
  std::string incr;
  VerQueryValue(data, "\\StringFileInfo\\040904E4\\Incr", incr);
  char text[80];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u (%s)", n[0], n[1], n[2], n[3],
                incr.empty() ? "N/A" : incr.substr(0, 1).c_str());
  return text;
}

TVerInfoForm::TVerInfoForm(TComponent* AOwner) : TForm(AOwner) {}

TVerInfoForm::~TVerInfoForm() = default;

void TVerInfoForm::FormShow(TObject*) { FillGrid(); }

void TVerInfoForm::FillGrid() {
  THourGlassScope hourglass;
  const std::array<const char*, 5> headings = {"DLL Name", "Version Number", "Date", "Time", "Size (bytes)"};
  for (int c = 0; c < 5; ++c) StringGrid1->SetCells(c, 0, headings[static_cast<std::size_t>(c)]);
  const std::string engineFolder = EngineFolder();
  StringGrid1->SetRowCount(static_cast<int>(Libraries.size()) + 1);
  int row = 1;
  for (const TPathObj& library : Libraries) {
    const std::string path =
        library.Folder == kEngineFolder ? engineFolder + library.Name : library.Folder + "/" + library.Name;
    StringGrid1->SetCells(0, row, library.Name);
    StringGrid1->SetCells(1, row, FileVersionText(path));
    struct stat st {};
    const bool found = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const TDateTime when = found ? LocalDateTime(st.st_mtime) : TDateTime();
    StringGrid1->SetCells(2, row, found ? FormatDateTime("ddddd", when) : "");
    StringGrid1->SetCells(3, row, found ? FormatDateTime("t", when) : "");
    StringGrid1->SetCells(4, row, found ? std::to_string(st.st_size) : "");
    ++row;
  }
  Libraries.clear();
}

void TVerInfoForm::BtnHelpClick(TObject*) { Application->HelpContext(HelpContext()); }

TRAVersionInfo::TRAVersionInfo() : TERegisteredAction(nullptr, "&Version Information...", "") { HelpContext = 4029; }

int TRAVersionInfo::GetState(TExploreObject& object) {
  if (dynamic_cast<TDb*>(&object)) return asEnabled;
  return ClassNameIn(object, {"TConfig", "TDrivers", "TNatDrivers", "TODBCDrivers", "TDriver", "TODBCDriver",
                              "TVirtualDriver", "TSys", "TFormats", "TSysInit", "TSysDate", "TSysTime", "TSysNumber"})
             ? asEnabled
             : asHidden;
}

void TRAVersionInfo::Execute(TExploreObject& object) {
  std::unique_ptr<TVerInfoForm> form(NewForm<TVerInfoForm>(Application));
  form->SetHelpFile(Application->HelpFile());
  form->SetHelpContext(4016);
  form->Libraries = VersionLibraries(object);
  form->ShowModal();
}

}  // namespace dbx
