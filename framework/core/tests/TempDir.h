// A fresh directory for one test, removed when the test ends.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fw::test {

class TempDir {
public:
  TempDir() {
    const char* base = std::getenv("FW_TEST_TMP");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name() + "." + std::to_string(::getpid());
    for (char& c : leaf)
      if (c == '/') c = '_';  // parameterised tests
    path_ = std::filesystem::path(base && *base ? base : std::filesystem::temp_directory_path().string()) / leaf;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace fw::test
