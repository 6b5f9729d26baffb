// The command line of tazucheck: arguments in, report text and exit code out.
#pragma once
#include <string>
#include <vector>

#include "tazucheck/check.h"

namespace tazucheck {

constexpr int kExitClean = 0;  // no error (warnings may be)
constexpr int kExitErrors = 1;
constexpr int kExitUsage = 2;

struct Outcome {
    int exitCode = kExitClean;
    std::string out;  // UTF-8
    std::string err;  // UTF-8
};

// Runs the program on `args` (UTF-8, program name excluded).
Outcome Run(const std::vector<std::string>& args);

// The report as printed, in Shift-JIS: one finding a line, the size lines to
// paste when a size is off, the summary and the count of findings.
std::string FormatReport(const Report& report);

// What --help prints; it says whether this build reads disc images.
std::string HelpText();

}  // namespace tazucheck
