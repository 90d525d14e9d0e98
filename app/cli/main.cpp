// morvane-check: the command-line registration-file checker.
#include "CheckCommand.h"
#include "tabula/FreedMemory.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    tabula::KeepFreedMemory();
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return morvane::TCheckCommand::Main(args, std::cout, std::cerr);
}
