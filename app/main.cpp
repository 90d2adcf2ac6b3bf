// Program entry: the window, or one headless scan, or the usage and version texts.
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_scan.h"
#include "app/window_main.h"

using namespace kelvane;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty()) {
    if (args[0] == "--scan") return RunHeadlessScan({args.begin() + 1, args.end()});
    if (args[0] == "--count") return RunHeadlessScan(args);
    if (args[0] == "--help" || args[0] == "-h") {
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    }
    if (args[0] == "--version") {
      std::puts("Kelvane " KELVANE_VERSION);
      return 0;
    }
  }
  return RunWindow(argc, argv);
}
