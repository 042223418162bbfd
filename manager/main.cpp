// brivakmanager: the manager of many lockers. "-headless" runs it without a window (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "manager/app/Headless.h"
#include "manager/app/HeadlessOptions.h"
#include "manager/ui/ManagerWindowMain.h"

int main(int argc, char** argv) {
  using namespace brivak::manager::app;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ManagerCommandLine commandLine = ParseManagerCommandLine(args);
  if (!commandLine.error.empty()) {
    std::cerr << "brivakmanager: " << commandLine.error << "\n" << ManagerHelpText();
    return 2;
  }
  if (commandLine.help) {
    std::cout << ManagerHelpText();
    return 0;
  }
  if (commandLine.headless) return RunHeadless(commandLine, std::cout, std::cerr);

  // ---- The window ----
  return brivak::manager::RunWindow(commandLine, argc, argv);
}
