// Configuration files: the text format of OrvexApi.h, section 8, read whole
// and checked before anything is taken from it, written beside the target and
// renamed over it; and the lock that tells processes with a session on the
// same active file of each other.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "Config.h"

namespace orvex {

// The path made absolute against the current directory.
std::string AbsolutePath(const std::string& path);

// ORVEX_ERR_FILENOTFOUND, or ORVEX_ERR_INVALIDCFG naming the file and line.
CfgStore ReadConfigFile(const std::string& path);
CfgStore ParseConfigText(std::string_view text, const std::string& path);
std::string ConfigText(const CfgStore& store);
// Fails with the code of what went wrong; the old file stays whole.
void WriteConfigFile(const std::string& path, const CfgStore& store);

// A shared lock on "<file>.lck", held while the engine's session uses file.
class ConfigLock {
public:
  // nullptr when the lock file cannot be made (a folder that is missing or
  // not writable); ORVEX_ERR_CFGINUSE while another process switches files.
  static std::unique_ptr<ConfigLock> Take(const std::string& file);
  ~ConfigLock();
  ConfigLock(const ConfigLock&) = delete;
  ConfigLock& operator=(const ConfigLock&) = delete;
  // Whether no other process holds the lock; it stays shared either way.
  bool Alone();

private:
  explicit ConfigLock(int fd) : fd_(fd) {}
  int fd_;
};

// An opened configuration file (1064), until it is activated or merged.
class ConfigFileObject : public Object {
public:
  ConfigFileObject(std::string file, CfgStore contents)
      : Object(Kind::ConfigFile), path(std::move(file)), store(std::move(contents)) {}
  std::string path;
  CfgStore store;
};

}  // namespace orvex
