// make-sample-guests [--force] DIR: creates the planner's guest table
// GuestLst.db and event table WedDat2.db in DIR (made when missing) and fills
// them with a sample celebration of about forty invitations. Tables that are
// there already are someone's data: they are replaced only with --force.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Database.h"
#include "Exceptions.h"
#include "SampleGuests.h"

int main(int argc, char** argv) {
  bool force = false;
  std::vector<const char*> dirs;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force") == 0)
      force = true;
    else
      dirs.push_back(argv[i]);
  }
  if (dirs.size() != 1 || !*dirs[0]) {
    std::fprintf(stderr, "usage: make-sample-guests [--force] DIR\n");
    return 2;
  }
  const char* dir = dirs[0];
  if (!force) {
    for (const char* table : {sample::GuestTableName, sample::EventTableName}) {
      const std::filesystem::path file = std::filesystem::path(dir) / table;
      std::error_code ec;
      if (std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
        std::fprintf(stderr, "make-sample-guests: %s exists; nothing was written (--force replaces it)\n",
                     file.c_str());
        return 1;
      }
    }
  }
  try {
    sample::MakeSampleGuests(dir);
    fw::Session().DropConnections();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-guests: %s\n", e.what());
    return 1;
  }
  std::printf("%zu guests in %s/%s, menus in %s/%s\n", sample::SampleGuests().size(), dir, sample::GuestTableName,
              dir, sample::EventTableName);
  return 0;
}
