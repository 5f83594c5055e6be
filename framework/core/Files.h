// Files, directories, paths and the program's command line. Paths are POSIX;
// a path written with '\' (as Windows programs write them) is accepted, each
// '\' counting as a separator wherever a path is split.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fw {

inline constexpr char PathDelim = '/';

bool FileExists(std::string_view fileName);       // a file, not a directory
bool DirectoryExists(std::string_view directory);
// Creates the directory and every missing one above it; false when that fails.
bool ForceDirectories(std::string_view directory);
bool DeleteFile(std::string_view fileName);
bool RenameFile(std::string_view oldName, std::string_view newName);

std::string ExtractFilePath(std::string_view fileName);  // with the trailing separator
std::string ExtractFileDir(std::string_view fileName);   // without it, but "/" stays
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);   // with the dot; "" when none
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);  // "/" stays
// Absolute, with '/' separators and without "." and ".." parts; symbolic
// links are not followed.
std::string ExpandFileName(std::string_view fileName);
std::string GetCurrentDir();
bool SetCurrentDir(std::string_view directory);
// The folder of the programs' own settings (the registry file, the engine's
// default configuration): the folder that FW_SETTINGS_DIR names (tests use
// it), else $XDG_CONFIG_HOME/velloria, ~/.config/velloria when that is not set.
std::string SettingsDir();

// The packed file date of the last change (DateTime.h converts it); -1 when
// the file does not exist.
int FileAge(std::string_view fileName);

// File search. A directory entry is found when it has none of the attributes
// faHidden, faSysFile, faVolumeID, faDirectory that the mask leaves out; the
// name part of the path is a pattern of '*' and '?' matched without regard to
// case. Names starting with '.' count as hidden, except "." and "..".
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

struct TSearchState;

struct TSearchRec {
  int Time = 0;  // packed file date
  std::int64_t Size = 0;
  int Attr = 0;
  std::string Name;
  int ExcludeAttr = 0;
  std::shared_ptr<TSearchState> FindHandle;
};

// 0 when an entry was found; otherwise 2 (no match), 3 (no such directory)
// or 18 (no more entries, from FindNext).
int FindFirst(std::string_view path, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

// The program's arguments, as main received them; ParamStr(0) is the path of
// the running program.
void SetCommandLine(int argc, const char* const* argv);
int ParamCount();
std::string ParamStr(int index);  // "" out of range

}  // namespace fw
