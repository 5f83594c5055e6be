#include "Shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <thread>

#include "MessageService.h"
#include "Text.h"

extern char** environ;

namespace fw {

namespace {

bool IsFile(const std::string& p) {
  struct stat st{};
  return stat(p.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& p) {
  struct stat st{};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsProgram(const std::string& p) {
  struct stat st{};
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(p.c_str(), X_OK) == 0;
}

std::string Parent(const std::string& p) {
  std::size_t i = p.rfind('/');
  if (i == std::string::npos) return ".";
  return i == 0 ? "/" : p.substr(0, i);
}

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t i = 0;
  while (i <= dirs.size()) {
    std::size_t j = dirs.find(':', i);
    if (j == std::string::npos) j = dirs.size();
    std::string dir(j > i ? std::string_view(dirs).substr(i, j - i) : std::string_view("."));
    std::string candidate = dir;
    candidate += '/';
    candidate += name;
    if (IsProgram(candidate)) return candidate;
    i = j + 1;
  }
  return {};
}

int SpawnError(int err) {
  switch (err) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOEXEC: return SE_ERR_NOASSOC;
    default: return SE_ERR_OOM;
  }
}

// Starts program with args in directory; the child is reaped when it ends.
int Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& directory) {
  std::vector<std::string> argvStore;
  argvStore.push_back(program);
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = 0;
  int err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) return SpawnError(err);
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 33;
}

std::string ProgramDirectory() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return Parent(std::string(buf, static_cast<std::size_t>(n)));
}

// name in dir, also when its letter case differs; "" when absent.
std::string FindInFolder(const std::string& dir, const std::string& name) {
  std::string exact = dir + "/" + name;
  if (IsFile(exact)) return exact;
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = readdir(d)) {
    if (AnsiSameText(e->d_name, name)) {
      found = dir + "/" + e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

int ShellExecute(HWND, const std::string& Operation, const std::string& File,
                 const std::vector<std::string>& Parameters, const std::string& Directory, int) {
  if (!Operation.empty() && !SameText(Operation, "open")) return SE_ERR_NOASSOC;
  if (File.empty()) return SE_ERR_FNF;
  if (!Directory.empty() && !IsDirectory(Directory)) return SE_ERR_PNF;

  std::string path;
  if (File.find('/') != std::string::npos) {
    path = File[0] == '/' || Directory.empty() ? File : Directory + "/" + File;
    if (!IsFile(path)) return IsDirectory(Parent(path)) ? SE_ERR_FNF : SE_ERR_PNF;
  } else {
    std::string program = FindOnPath(File);
    if (!program.empty()) return Spawn(program, Parameters, Directory);
    path = (Directory.empty() ? "." : Directory) + "/" + File;
    if (!IsFile(path)) return SE_ERR_FNF;
  }
  if (IsProgram(path)) return Spawn(path, Parameters, Directory);
  // A document or a folder: the desktop's viewer opens it.
  std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) return SE_ERR_NOASSOC;
  return Spawn(opener, {path}, Directory);
}

bool WinHelp(HWND Wnd, const std::string& HelpFile, unsigned Command, std::uintptr_t) {
  if (Command == HELP_QUIT) return true;
  std::string path;
  if (!HelpFile.empty()) {
    if (HelpFile[0] == '/') {
      path = FindInFolder(Parent(HelpFile), HelpFile.substr(HelpFile.rfind('/') + 1));
    } else {
      path = FindInFolder(".", HelpFile);
      if (path.empty()) {
        std::string dir = ProgramDirectory();
        if (!dir.empty()) path = FindInFolder(dir, HelpFile);
      }
    }
  }
  if (path.empty() || IsDirectory(path)) {
    ShowMessageBox("Cannot find the help file \"" + HelpFile + "\".", "Help", MB_OK | MB_ICONERROR);
    return false;
  }
  return ShellExecute(Wnd, "open", path, {}, "", SW_SHOWNORMAL) > 32;
}

}  // namespace fw
