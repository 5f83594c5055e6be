// make-sample-guests DIR: creates the planner's guest table GuestLst.db and
// event table WedDat2.db in DIR (made when missing, tables replaced) and
// fills them with a sample celebration of about forty invitations.
#include <cstdio>

#include "Database.h"
#include "Exceptions.h"
#include "SampleGuests.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample-guests DIR\n");
    return 2;
  }
  try {
    sample::MakeSampleGuests(argv[1]);
    fw::Session().DropConnections();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-guests: %s\n", e.what());
    return 1;
  }
  std::printf("%zu guests in %s/%s, menus in %s/%s\n", sample::SampleGuests().size(), argv[1],
              sample::GuestTableName, argv[1], sample::EventTableName);
  return 0;
}
