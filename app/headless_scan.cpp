#include "app/headless_scan.h"

std::string UsageText() {
  return "usage: kelvane [FILE] | --scan [OPTIONS] | --help | --version\n";
}

int RunHeadlessScan(const std::vector<std::string>&) {
  return 2;
}
