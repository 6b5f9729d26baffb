// The entry of a console program on POSIX: arguments are taken as UTF-8.
#include <string>
#include <vector>

#include "platform/console.h"

int main(int argc, char** argv) { return ConsoleMain(std::vector<std::string>(argv + 1, argv + argc)); }
