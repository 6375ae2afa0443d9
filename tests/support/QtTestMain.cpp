// The main of a grouped Qt test executable (QtTestGroup.h):
//   app_qtests CLASS [QTest options and test functions]   runs one test class
//   app_qtests --classes                                  names the classes, one a line
// Exit code as QTest's; 2 for an unknown class or no arguments.

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "QtTestGroup.h"

namespace {

std::map<std::string, qttestgroup::Run>& Tests() {
  static std::map<std::string, qttestgroup::Run> tests;
  return tests;
}

}  // namespace

bool qttestgroup::Register(const char* name, Run run) { return Tests().emplace(name, run).second; }

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--classes") == 0) {
    for (const auto& entry : Tests()) std::printf("%s\n", entry.first.c_str());
    return 0;
  }
  const auto test = argc >= 2 ? Tests().find(argv[1]) : Tests().end();
  if (test == Tests().end()) {
    std::fprintf(stderr, "usage: %s CLASS [QTest options and functions] | --classes\n", argv[0]);
    return 2;
  }
  // QTest sees the program's name followed by what came after the class.
  argv[1] = argv[0];
  return test->second(argc - 1, argv + 1);
}
