// A fresh directory for one test, removed when the test ends.
// Made in a suite's set-up, it is the suite's.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fw::test {

// Where the tests' directories go: the build's folder for them, which the
// test launcher gives, else the system's temporary directory.
inline std::filesystem::path TestFolder() {
  const char* base = std::getenv("FW_TEST_TMP");
  return base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
}

class TempDir {
public:
  TempDir() {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    const auto* info = unit.current_test_info();
    std::string leaf = info ? std::string(info->test_suite_name()) + "." + info->name()
                            : std::string(unit.current_test_suite()->name());
    leaf += "." + std::to_string(::getpid());
    for (char& c : leaf)
      if (c == '/') c = '_';  // parameterised tests
    path_ = TestFolder() / leaf;
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
