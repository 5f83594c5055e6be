// Version records of files: the block that cmake/FwVersion.cmake puts into
// the ".fw_version" section of every library and program we build. Read from
// the file's section table, never by loading the file; a file that is not
// ELF, has no such section or is damaged has no record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// The record's size in bytes; 0 when the file has none.
std::uint32_t GetFileVersionInfoSize(const std::string& FileName);
// The record itself; false (and Data empty) when the file has none.
bool GetFileVersionInfo(const std::string& FileName, std::vector<std::uint8_t>& Data);

struct TFixedFileInfo {
  std::uint32_t FileVersionMS = 0;  // major << 16 | minor
  std::uint32_t FileVersionLS = 0;  // release << 16 | build
};

// SubBlock "\" gives the fixed part; "\StringFileInfo\<language>\<name>"
// a string value (the language part is not examined: records hold one).
bool VerQueryValue(const std::vector<std::uint8_t>& Data, const std::string& SubBlock, TFixedFileInfo& Fixed);
bool VerQueryValue(const std::vector<std::uint8_t>& Data, const std::string& SubBlock, std::string& Value);

}  // namespace fw
