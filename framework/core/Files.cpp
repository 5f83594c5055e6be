#include "Files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Chars.h"
#include "DateTime.h"
#include "Text.h"

namespace fw {

namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

std::string Posix(std::string_view p) {
  std::string s(p);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

// 0-based index of the last separator; npos when none.
std::size_t LastSep(std::string_view f) {
  for (std::size_t i = f.size(); i > 0; --i)
    if (IsSep(f[i - 1])) return i - 1;
  return std::string_view::npos;
}

bool StatOf(std::string_view name, struct stat& st) {
  if (name.empty()) return false;
  return ::stat(Posix(name).c_str(), &st) == 0;
}

int FileDateOf(const struct stat& st) {
  std::tm tm{};
  localtime_r(&st.st_mtime, &tm);
  TDateTime d, t;
  if (!TryEncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1),
                     static_cast<Word>(tm.tm_mday), d) ||
      !TryEncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min),
                     static_cast<Word>(std::min(tm.tm_sec, 59)), 0, t))
    return 0;
  return DateTimeToFileDate(d + t);
}

}  // namespace

bool FileExists(std::string_view fileName) {
  struct stat st;
  return StatOf(fileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view directory) {
  struct stat st;
  return StatOf(directory, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(std::string_view directory) {
  std::string dir = ExcludeTrailingPathDelimiter(Posix(directory));
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return DirectoryExists(dir);
}

bool DeleteFile(std::string_view fileName) {
  if (!FileExists(fileName)) return false;
  return ::unlink(Posix(fileName).c_str()) == 0;
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
  // Renaming onto an existing file fails, as the framework's does, rather
  // than replacing it.
  std::string from = Posix(oldName), to = Posix(newName);
  struct stat st;
  if (from.empty() || to.empty() || ::lstat(to.c_str(), &st) == 0) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string ExtractFilePath(std::string_view fileName) {
  std::size_t i = LastSep(fileName);
  return i == std::string_view::npos ? std::string() : std::string(fileName.substr(0, i + 1));
}

std::string ExtractFileDir(std::string_view fileName) {
  std::size_t i = LastSep(fileName);
  if (i == std::string_view::npos) return {};
  // Keep a separator that is the root or follows another one.
  if (i > 0 && !IsSep(fileName[i - 1])) return std::string(fileName.substr(0, i));
  return std::string(fileName.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view fileName) {
  std::size_t i = LastSep(fileName);
  return std::string(i == std::string_view::npos ? fileName : fileName.substr(i + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
  std::string name = ExtractFileName(fileName);
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
  std::size_t sep = LastSep(fileName);
  std::size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
  std::size_t dot = fileName.rfind('.');
  std::size_t end = dot != std::string_view::npos && dot >= nameStart ? dot : fileName.size();
  return std::string(fileName.substr(0, end)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string s(path);
  if (s.empty() || !IsSep(s.back())) s += PathDelim;
  return s;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string s(path);
  if (s.size() > 1 && IsSep(s.back())) s.pop_back();
  return s;
}

std::string ExpandFileName(std::string_view fileName) {
  std::string f = Posix(fileName);
  if (f.empty() || f[0] != '/') f = IncludeTrailingPathDelimiter(GetCurrentDir()) + f;
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= f.size()) {
    std::size_t j = f.find('/', i);
    if (j == std::string::npos) j = f.size();
    std::string part = f.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string r;
  for (const std::string& p : parts) r += "/" + p;
  if (r.empty() || (f.size() > 1 && f.back() == '/' && parts.size() > 0)) r += "/";
  return r;
}

std::string SettingsDir() {
  if (const char* dir = std::getenv("FW_SETTINGS_DIR"); dir && *dir) return dir;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.config";
  else
    base = ".";
  return base + "/velloria";
}

std::string GetCurrentDir() {
  std::error_code ec;
  auto p = std::filesystem::current_path(ec);
  return ec ? std::string() : p.string();
}

bool SetCurrentDir(std::string_view directory) {
  std::string d = Posix(directory);
  return !d.empty() && ::chdir(d.c_str()) == 0;
}

int FileAge(std::string_view fileName) {
  struct stat st;
  if (!StatOf(fileName, st) || S_ISDIR(st.st_mode)) return -1;
  return FileDateOf(st);
}

// ---------------------------------------------------------------- file search

namespace {

// '*' any characters, '?' one character, letters without regard to case.
// On a mismatch the last '*' takes one more character.
bool MatchChars(const TChars& p, const TChars& n) {
  std::size_t pi = 0, ni = 0, star = TChars::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      resume = ni;
    } else if (pi < p.size() && (p[pi] == U'?' || CharUpper(p[pi]) == CharUpper(n[ni]))) {
      ++pi;
      ++ni;
    } else if (star != TChars::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  // As Windows reads them: "*.*" is every name, and a pattern ending in "."
  // asks for names without an extension.
  if (pattern == "*.*" || pattern == "*") return true;
  if (!pattern.empty() && pattern.back() == '.') {
    if (name.find('.') != std::string_view::npos) return false;
    pattern.remove_suffix(1);
  }
  return MatchChars(Utf8ToChars(pattern), Utf8ToChars(name));
}

}  // namespace

struct TSearchState {
  std::vector<TSearchRec> Found;
  std::size_t Next = 0;
};

namespace {

int Deliver(TSearchRec& f) {
  TSearchState& s = *f.FindHandle;
  if (s.Next >= s.Found.size()) return 18;
  TSearchRec& e = s.Found[s.Next++];
  f.Name = e.Name;
  f.Size = e.Size;
  f.Attr = e.Attr;
  f.Time = e.Time;
  return 0;
}

}  // namespace

int FindFirst(std::string_view path, int attr, TSearchRec& f) {
  FindClose(f);
  std::string p = Posix(path);
  std::size_t sep = p.rfind('/');
  std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : p.substr(0, sep));
  std::string pattern = sep == std::string::npos ? p : p.substr(sep + 1);
  f.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);

  DIR* d = ::opendir(dir.c_str());
  if (!d) return 3;
  auto state = std::make_shared<TSearchState>();
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (!MatchesPattern(pattern, name)) continue;
    std::string full = IncludeTrailingPathDelimiter(dir) + name;
    struct stat st;
    if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) continue;
    int a = 0;
    if (S_ISDIR(st.st_mode)) a |= faDirectory;
    else if (S_ISREG(st.st_mode)) a |= faArchive;
    else a |= faSysFile;  // devices, sockets and pipes
    if (name[0] == '.' && name != "." && name != "..") a |= faHidden;
    if ((st.st_mode & 0222) == 0) a |= faReadOnly;  // the file's own mark, not our rights
    if (a & f.ExcludeAttr) continue;
    TSearchRec r;
    r.Name = name;
    r.Attr = a;
    r.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
    r.Time = FileDateOf(st);
    state->Found.push_back(std::move(r));
  }
  ::closedir(d);
  // A steady order, whatever the file system gives.
  std::sort(state->Found.begin(), state->Found.end(), [](const TSearchRec& a, const TSearchRec& b) {
    int c = AnsiCompareText(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Name < b.Name;
  });
  if (state->Found.empty()) return 2;
  f.FindHandle = std::move(state);
  return Deliver(f);
}

int FindNext(TSearchRec& f) {
  if (!f.FindHandle) return 18;
  return Deliver(f);
}

void FindClose(TSearchRec& f) { f.FindHandle.reset(); }

// ---------------------------------------------------------------- command line

namespace {
std::vector<std::string>& Arguments() {
  static std::vector<std::string> args;
  return args;
}
}  // namespace

void SetCommandLine(int argc, const char* const* argv) {
  auto& args = Arguments();
  args.clear();
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
}

int ParamCount() { return Arguments().empty() ? 0 : static_cast<int>(Arguments().size()) - 1; }

std::string ParamStr(int index) {
  if (index == 0) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) return std::string(buf, static_cast<std::size_t>(n));
    return Arguments().empty() ? std::string() : Arguments()[0];
  }
  if (index < 0 || index > ParamCount()) return {};
  return Arguments()[static_cast<std::size_t>(index)];
}

}  // namespace fw
