// The library's locate dialog over a guest list, to look at and to walk with
// the keyboard under Xvfb: it opens GuestLst.db in the folder given (the
// sample guest list of make-sample-guests), shows the dialog on the last
// name, prints each guest it is closed on, and shows it again until it is
// cancelled.
//
//   build/normal/tools/make-sample-guests/make-sample-guests /tmp/guests
//   Xvfb :57 -screen 0 1024x768x24 &
//   DISPLAY=:57 build/normal/tools/locate-dialog/locate-dialog /tmp/guests &
//   DISPLAY=:57 xdotool type Sm; DISPLAY=:57 import -window root shot.png
#include <cstdio>
#include <memory>
#include <string>

#include "Database.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Vxlocate.h"
#include "Vxtable.h"

using namespace fw;
using namespace vx;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: locate-dialog DIR\n");
    return 2;
  }
  Application->Initialize();
  try {
    auto table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(argv[1]);
    table->SetTableName("GuestLst.db");
    table->Open();
    auto source = std::make_unique<TvxDataSource>(nullptr);
    source->SetDataSet(table.get());
    auto locate = std::make_unique<TvxLocateDialog>(nullptr);
    locate->SetDataSource(source.get());
    locate->SetSearchField("LastN");
    while (locate->Execute()) {
      std::printf("found: %s %s (%s: %s)\n", table->FieldByName("FirstN")->AsString().c_str(),
                  table->FieldByName("LastN")->AsString().c_str(), locate->SearchField().c_str(),
                  locate->FieldValue().c_str());
      std::fflush(stdout);
    }
    std::printf("cancelled\n");
    table->Close();
    Session().DropConnections();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "locate-dialog: %s\n", e.what());
    return 1;
  }
  return 0;
}
