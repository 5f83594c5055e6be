// Holds the engine on a configuration file, as another program using the
// engine would, until its standard input closes; prints "ready" once it does.
#include <cstdio>

#include "EngineLib.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  OrvexHandle session = 0;
  if (fw::Engine().StartEngine(argv[1], &session) != ORVEX_OK) return 1;
  std::puts("ready");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  fw::Engine().StopEngine();
  return 0;
}
