// The checker's entry, called by the platform's main with the arguments
// (program name excluded) in UTF-8; it writes UTF-8 and returns the exit code.
#pragma once
#include <string>
#include <vector>

int ConsoleMain(const std::vector<std::string>& args);
