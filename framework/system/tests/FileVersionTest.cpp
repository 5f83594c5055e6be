#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "FileVersion.h"
#include "Library.h"
#include "TempDir.h"

namespace fw {
namespace {

using test::TempDir;

// "1.2.3.4" and the letter, or "N/A", the way a version dialog shows a file.
std::string Describe(const std::string& file) {
  std::vector<std::uint8_t> data;
  TFixedFileInfo fixed;
  if (!GetFileVersionInfo(file, data) || !VerQueryValue(data, "\\", fixed)) return "N/A";
  std::string incr;
  VerQueryValue(data, "\\StringFileInfo\\040904E4\\Incr", incr);
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u (%s)", fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF, incr.empty() ? "N/A" : incr.c_str());
  return text;
}

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// A minimal 64-bit ELF file: the header, the section names, the record, and a
// section table of three entries (none, names, record).
std::string MakeElf(const std::string& record, const std::string& sectionName = ".fw_version") {
  const std::string names = std::string("\0.shstrtab\0", 11) + sectionName + '\0';
  std::string bytes(64, '\0');
  std::memcpy(bytes.data(), "\x7f" "ELF\x02\x01\x01", 7);
  const std::size_t namesAt = bytes.size();
  bytes += names;
  const std::size_t recordAt = bytes.size();
  bytes += record;
  const std::size_t tableAt = bytes.size();
  bytes += std::string(3 * 64, '\0');
  Put(bytes, 0x28, tableAt, 8);
  Put(bytes, 0x3A, 64, 2);
  Put(bytes, 0x3C, 3, 2);
  Put(bytes, 0x3E, 1, 2);
  auto entry = [&](std::size_t i, std::uint32_t name, std::uint32_t type, std::size_t at, std::size_t size) {
    const std::size_t e = tableAt + i * 64;
    Put(bytes, e, name, 4);
    Put(bytes, e + 4, type, 4);
    Put(bytes, e + 0x18, at, 8);
    Put(bytes, e + 0x20, size, 8);
  };
  entry(1, 1, 3, namesAt, names.size());
  entry(2, 11, 1, recordAt, record.size());
  return bytes;
}

std::string Record(std::array<std::uint16_t, 4> numbers, const std::string& strings) {
  std::string r = "FWVR" + std::string(8, '\0');
  for (std::size_t i = 0; i < 4; ++i) Put(r, 4 + 2 * i, numbers[i], 2);
  return r + strings + std::string(1, '\0');
}

TEST(FileVersion, OurLibrariesAndProgramsCarryTheProjectVersion) {
  const std::string expected = FW_TEST_VERSION " (" FW_TEST_INCR ")";
  EXPECT_EQ(Describe("/proc/self/exe"), expected);
  HMODULE self = LoadLibrary("libframework_system.so");
  ASSERT_NE(self, nullptr);
  const std::string path = GetModuleFileName(self);
  FreeLibrary(self);
  EXPECT_NE(path.find("libframework_system.so"), std::string::npos);
  EXPECT_EQ(Describe(path), expected);
  EXPECT_GT(GetFileVersionInfoSize(path), 12u);
}

TEST(FileVersion, FilesWithoutAUsableRecord) {
  TempDir dir;
  const std::string good = MakeElf(Record({4, 0, 0, 0}, std::string("Incr\0X", 6)));
  const struct {
    const char* name;
    std::string bytes;
    const char* shown;
  } cases[] = {
      {"good", good, "4.0.0.0 (X)"},
      {"no Incr", MakeElf(Record({4, 0, 0, 0}, std::string("Other\0Y", 7))), "4.0.0.0 (N/A)"},
      {"unterminated text", MakeElf("FWVR" + std::string(8, '\1') + "Incr"), "257.257.257.257 (N/A)"},
      {"other section", MakeElf(Record({4, 0, 0, 0}, ""), ".data"), "N/A"},
      {"bad magic", MakeElf("FWVX" + std::string(8, '\1')), "N/A"},
      {"record too short", MakeElf("FWVR\1\0"), "N/A"},
      {"text file", "#!/bin/sh\necho hello\n", "N/A"},
      {"empty", "", "N/A"},
      {"ELF magic only", "\x7f" "ELF", "N/A"},
      {"cut inside the table", good.substr(0, good.size() - 10), "N/A"},
      {"cut inside the record", good.substr(0, 64 + 30), "N/A"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.File("f");
    test::WriteBytes(file, c.bytes);
    EXPECT_EQ(Describe(file), c.shown) << c.name;
  }
  EXPECT_EQ(Describe(dir.File("missing")), "N/A");
  EXPECT_EQ(Describe(dir.Path()), "N/A");

  // Offsets and sizes pointing anywhere.
  const std::size_t table = good.size() - 3 * 64;
  const struct {
    std::size_t at;
    std::uint64_t value;
    int width;
  } damage[] = {
      {0x28, ~0ull, 8},                  // table offset
      {0x3C, 0xFFFF, 2},                 // section count
      {0x3E, 7, 2},                      // names index past the table
      {0x3A, 1, 2},                      // entry size
      {table + 64 + 0x20, ~0ull, 8},     // names size
      {table + 128, 0xFFFFFFFF, 4},      // record's name offset
      {table + 128 + 0x18, ~0ull - 4, 8},  // record offset
      {table + 128 + 0x20, 1ull << 40, 8},  // record size
  };
  for (const auto& d : damage) {
    std::string bytes = good;
    Put(bytes, d.at, d.value, d.width);
    test::WriteBytes(dir.File("f"), bytes);
    EXPECT_EQ(Describe(dir.File("f")), "N/A") << d.at;
  }
}

TEST(FileVersion, RandomDamageNeverCrashes) {
  TempDir dir;
  const std::string good = MakeElf(Record({1, 2, 3, 4}, std::string("Incr\0X\0A\0B", 10)));
  std::mt19937 random(27);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = good;
    for (int flips = 1 + round % 4; flips > 0; --flips)
      bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
    if (round % 7 == 0) bytes.resize(random() % bytes.size());
    test::WriteBytes(dir.File("f"), bytes);
    Describe(dir.File("f"));  // any answer but a crash or an overread
  }
}

}  // namespace
}  // namespace fw
