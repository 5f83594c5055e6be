#include "FileVersion.h"

#include <cstring>
#include <fstream>
#include <optional>

namespace fw {

namespace {

constexpr char kSection[] = ".fw_version";
constexpr std::size_t kFixedSize = 12;  // magic and four numbers
// Far above any record we write; a section claiming more is damage.
constexpr std::uint64_t kMaxRecord = 64 * 1024;

class TReader {
public:
  explicit TReader(const std::string& name) : file_(name, std::ios::binary) {
    if (file_) {
      file_.seekg(0, std::ios::end);
      auto end = file_.tellg();
      size_ = end < 0 ? 0 : static_cast<std::uint64_t>(end);
    }
  }

  // Bytes [offset, offset + count) of the file; none when they are not all there.
  std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::uint64_t count) {
    if (!file_ || offset > size_ || count > size_ - offset) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    if (!file_) return std::nullopt;
    return bytes;
  }

private:
  std::ifstream file_;
  std::uint64_t size_ = 0;
};

std::uint64_t Little(const std::uint8_t* p, int width) {
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

struct TSection {
  std::uint32_t name;
  std::uint64_t offset, size;
  std::uint32_t type;
};

std::optional<std::vector<std::uint8_t>> ReadRecord(const std::string& fileName) {
  TReader reader(fileName);
  auto ident = reader.Read(0, 64);
  if (!ident) ident = reader.Read(0, 52);
  if (!ident || std::memcmp(ident->data(), "\x7f" "ELF", 4) != 0) return std::nullopt;
  const std::uint8_t* h = ident->data();
  const bool wide = h[4] == 2;
  if ((h[4] != 1 && h[4] != 2) || h[5] != 1) return std::nullopt;  // little-endian only
  if (wide && ident->size() < 64) return std::nullopt;
  const std::uint64_t shoff = wide ? Little(h + 0x28, 8) : Little(h + 0x20, 4);
  const std::uint64_t shentsize = Little(h + (wide ? 0x3A : 0x2E), 2);
  const std::uint64_t shnum = Little(h + (wide ? 0x3C : 0x30), 2);
  const std::uint64_t shstrndx = Little(h + (wide ? 0x3E : 0x32), 2);
  if (shentsize < (wide ? 64u : 40u) || shnum == 0 || shstrndx >= shnum) return std::nullopt;
  auto table = reader.Read(shoff, shnum * shentsize);
  if (!table) return std::nullopt;

  auto section = [&](std::uint64_t i) {
    const std::uint8_t* s = table->data() + i * shentsize;
    return wide ? TSection{static_cast<std::uint32_t>(Little(s, 4)), Little(s + 0x18, 8), Little(s + 0x20, 8),
                           static_cast<std::uint32_t>(Little(s + 4, 4))}
                : TSection{static_cast<std::uint32_t>(Little(s, 4)), Little(s + 0x10, 4), Little(s + 0x14, 4),
                           static_cast<std::uint32_t>(Little(s + 4, 4))};
  };
  const TSection names = section(shstrndx);
  if (names.size > kMaxRecord * 16) return std::nullopt;
  auto strings = reader.Read(names.offset, names.size);
  if (!strings) return std::nullopt;

  for (std::uint64_t i = 0; i < shnum; ++i) {
    const TSection s = section(i);
    if (s.name >= strings->size()) continue;
    const char* name = reinterpret_cast<const char*>(strings->data()) + s.name;
    const std::size_t room = strings->size() - s.name;
    if (strnlen(name, room) == room || std::strcmp(name, kSection) != 0) continue;
    if (s.type == 8 /* no bits in the file */ || s.size < kFixedSize || s.size > kMaxRecord) return std::nullopt;
    auto record = reader.Read(s.offset, s.size);
    if (!record || std::memcmp(record->data(), "FWVR", 4) != 0) return std::nullopt;
    return record;
  }
  return std::nullopt;
}

// "\StringFileInfo\<language>\<name>" -> name
std::optional<std::string> StringName(const std::string& subBlock) {
  static constexpr char prefix[] = "\\StringFileInfo\\";
  if (subBlock.rfind(prefix, 0) != 0) return std::nullopt;
  auto slash = subBlock.find('\\', sizeof prefix - 1);
  if (slash == std::string::npos) return std::nullopt;
  return subBlock.substr(slash + 1);
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const std::string& FileName) {
  auto record = ReadRecord(FileName);
  return record ? static_cast<std::uint32_t>(record->size()) : 0;
}

bool GetFileVersionInfo(const std::string& FileName, std::vector<std::uint8_t>& Data) {
  auto record = ReadRecord(FileName);
  Data = record ? std::move(*record) : std::vector<std::uint8_t>{};
  return record.has_value();
}

bool VerQueryValue(const std::vector<std::uint8_t>& Data, const std::string& SubBlock, TFixedFileInfo& Fixed) {
  if (SubBlock != "\\" || Data.size() < kFixedSize) return false;
  auto number = [&](int i) { return static_cast<std::uint32_t>(Little(Data.data() + 4 + 2 * i, 2)); };
  Fixed.FileVersionMS = number(0) << 16 | number(1);
  Fixed.FileVersionLS = number(2) << 16 | number(3);
  return true;
}

bool VerQueryValue(const std::vector<std::uint8_t>& Data, const std::string& SubBlock, std::string& Value) {
  auto wanted = StringName(SubBlock);
  if (!wanted || Data.size() < kFixedSize) return false;
  // Pairs of NUL-terminated texts; an unterminated tail is damage and ends the search.
  std::size_t at = kFixedSize;
  auto next = [&](std::string& text) {
    const void* end = std::memchr(Data.data() + at, 0, Data.size() - at);
    if (!end) return false;
    const auto* stop = static_cast<const std::uint8_t*>(end);
    text.assign(Data.data() + at, stop);
    at = static_cast<std::size_t>(stop - Data.data()) + 1;
    return true;
  };
  std::string name, value;
  while (at < Data.size() && next(name) && !name.empty() && at < Data.size() && next(value)) {
    if (name == *wanted) {
      Value = value;
      return true;
    }
  }
  return false;
}

}  // namespace fw
