#include "ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "Chars.h"
#include "Errors.h"
#include "Scope.h"

namespace orvex {

namespace {

constexpr std::size_t kMaxFileSize = 64u << 20;

bool IsControl(fw::TChar c) { return c < 0x20 || c == 0x7F; }
bool IsBadByte(fw::TChar c) { return c >= 0xDC80 && c <= 0xDCFF; }  // not UTF-8 (see Chars.h)

std::string Hex(unsigned byte) {
  char buf[5];
  std::snprintf(buf, sizeof buf, "\\x%02X", byte & 0xFFu);
  return buf;
}

std::string Escape(std::string_view s, bool name) {
  std::string out;
  out.reserve(s.size());
  bool first = true;
  for (fw::TChar c : fw::Utf8ToChars(s)) {
    if (IsBadByte(c)) out += Hex(static_cast<unsigned>(c - 0xDC00));
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (IsControl(c)) out += Hex(static_cast<unsigned>(c));
    else if (name && first && c == '[') out += "\\[";
    else out += fw::CharToUtf8(c);
    first = false;
  }
  return out;
}

class Reader {
public:
  Reader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

  CfgStore Read() {
    if (text_.size() > kMaxFileSize) Bad("too large");
    if (text_.empty() || text_.back() != '\n') {
      line_ = 0;
      Bad(text_.empty() ? "empty" : "cut short");
    }
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text_.size();) {
      std::size_t end = text_.find('\n', at);
      std::string_view l = text_.substr(at, end - at);
      if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
      lines.push_back(l);
      at = end + 1;
    }
    for (line_ = 1; line_ <= lines.size(); ++line_) CheckCharacters(lines[line_ - 1]);
    line_ = 1;
    if (lines.front() != ORVEX_CFG_FILE_HEADER) Bad("not a configuration file");
    line_ = lines.size();
    if (lines.size() < 2 || lines.back() != ORVEX_CFG_FILE_TRAILER) Bad("cut short");

    CfgStore store;
    Section* current = nullptr;
    std::unordered_set<std::string> seen;
    for (line_ = 2; line_ < lines.size(); ++line_) {
      std::string_view l = lines[line_ - 1];
      if (l.empty()) continue;
      if (l.front() == '[') {
        if (l.size() < 2 || l.back() != ']') Bad("section line without its ']'");
        CfgPath path = ParsePath(l.substr(1, l.size() - 2));
        CheckPath(path);
        if (store.Find(path)) Bad("section given twice");
        current = &store.Ensure(path);
        continue;
      }
      if (!current) Bad("option before the first section");
      std::size_t eq = l.find('=');
      if (eq == std::string_view::npos) Bad("line without '='");
      std::string name = Unescape(l.substr(0, eq)), value = Unescape(l.substr(eq + 1));
      Checked([&] { CheckOption(name, value); });
      if (current->Find(name)) Bad("option " + name + " given twice");
      current->options.push_back({std::move(name), std::move(value)});
    }
    return store;
  }

private:
  [[noreturn]] void Bad(const std::string& why) const {
    std::string where = line_ ? ", line " + std::to_string(line_) : std::string();
    Fail(ORVEX_ERR_INVALIDCFG, path_ + where + ": " + why);
  }

  template <typename F>
  void Checked(F&& check) const {
    try {
      check();
    } catch (const Error& e) {
      Bad(e.Detail().empty() ? MessageOf(e.Code()) : e.Detail());
    }
  }

  void CheckCharacters(std::string_view l) const {
    for (fw::TChar c : fw::Utf8ToChars(l)) {
      if (IsBadByte(c)) Bad("not UTF-8 text");
      if (IsControl(c) && c != '\t') Bad("a control character");
    }
  }

  void CheckPath(const CfgPath& path) const {
    if (path.empty()) Bad("empty section path");
    Checked([&] {
      for (std::size_t i = 0; i < path.size(); ++i) {
        bool entry = i == 1 && (SameName(path[0], "DATABASES") || SameName(path[0], "DRIVERS"));
        if (entry) CheckEntryName(path[i]);
        else CheckOption(path[i], {});
      }
    });
  }

  std::string Unescape(std::string_view s) const {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] != '\\') {
        out += s[i];
        continue;
      }
      if (++i == s.size()) Bad("'\\' at the end of a line");
      switch (s[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '[': out += '['; break;
        case 'x': {
          auto digit = [&](std::size_t k) {
            char c = k < s.size() ? s[k] : 0;
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            Bad("'\\x' without two hexadecimal digits");
          };
          out += static_cast<char>(digit(i + 1) * 16 + digit(i + 2));
          i += 2;
          break;
        }
        default: Bad(std::string("unknown escape '\\") + s[i] + "'");
      }
    }
    return out;
  }

  std::string_view text_;
  const std::string& path_;
  std::size_t line_ = 0;
};

[[noreturn]] void FailErrno(int err, const std::string& what) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: Fail(ORVEX_ERR_DIRNOTFOUND, what);
    case EACCES:
    case EPERM:
    case EROFS: Fail(ORVEX_ERR_ACCESS, what);
    case ENOSPC:
    case EDQUOT: Fail(ORVEX_ERR_DISKFULL, what);
    default: Fail(ORVEX_ERR_IO, what);
  }
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  char buf[PATH_MAX];
  if (!::getcwd(buf, sizeof buf)) FailErrno(errno, path);
  return std::string(buf) + "/" + path;
}

CfgStore ParseConfigText(std::string_view text, const std::string& path) { return Reader(text, path).Read(); }

CfgStore ReadConfigFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) Fail(ORVEX_ERR_FILENOTFOUND, path);
    FailErrno(errno, path);
  }
  fw::TScopeExit close([&] { ::close(fd); });
  struct stat st;
  if (::fstat(fd, &st) != 0) FailErrno(errno, path);
  if (!S_ISREG(st.st_mode)) Fail(ORVEX_ERR_INVALIDCFG, path + ": not a file");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) Fail(ORVEX_ERR_INVALIDCFG, path + ": too large");
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailErrno(errno, path);
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > kMaxFileSize) Fail(ORVEX_ERR_INVALIDCFG, path + ": too large");
  }
  return ParseConfigText(text, path);
}

std::string ConfigText(const CfgStore& store) {
  std::string text = ORVEX_CFG_FILE_HEADER "\n";
  for (const Section& s : store.Sections()) {
    text += "\n[" + PathText(s.path) + "]\n";
    for (const Option& o : s.options) text += Escape(o.name, true) + "=" + Escape(o.value, false) + "\n";
  }
  return text + "\n" ORVEX_CFG_FILE_TRAILER "\n";
}

void WriteConfigFile(const std::string& given, const CfgStore& store) {
  if (given.empty()) Fail(ORVEX_ERR_INVALIDPARAM, "file name");
  std::string path = AbsolutePath(given);
  // A link stays a link: the file it leads to is replaced.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real)) path = real;
  }
  mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  std::string text = ConfigText(store);
  std::string dir = DirectoryOf(path);
  std::string temp = dir + "/." + path.substr(dir.size() + (dir == "/" ? 0 : 1)) + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) FailErrno(errno, path);
  bool open = true;
  fw::TScopeFail drop([&] {
    if (open) ::close(fd);
    ::unlink(temp.c_str());
  });
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailErrno(errno, path);
    done += static_cast<std::size_t>(n);
  }
  if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) FailErrno(errno, path);
  open = false;
  if (::close(fd) != 0) FailErrno(errno, path);
  if (::rename(temp.c_str(), path.c_str()) != 0) FailErrno(errno, path);
  int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d >= 0) {
    ::fsync(d);
    ::close(d);
  }
}

// ---------------------------------------------------------------- ConfigLock

std::unique_ptr<ConfigLock> ConfigLock::Take(const std::string& file) {
  if (file.empty()) return nullptr;
  int fd = ::open((file + ".lck").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    int err = errno;
    ::close(fd);
    if (err == EAGAIN || err == EACCES) Fail(ORVEX_ERR_CFGINUSE, file);
    return nullptr;
  }
  return std::unique_ptr<ConfigLock>(new ConfigLock(fd));
}

ConfigLock::~ConfigLock() { ::close(fd_); }

bool ConfigLock::Alone() {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  if (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) return false;
  fl.l_type = F_RDLCK;
  ::fcntl(fd_, F_OFD_SETLK, &fl);
  return true;
}

}  // namespace orvex
