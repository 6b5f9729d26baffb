// The checks of a game disc set as the utility would meet it: Setup.inf, the
// list files and the files they name, read with the utility's own INI reader
// and list gathering.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/instconfig.h"

namespace tazucheck {

enum class Severity { Error, Warning };

// One finding. Texts are Shift-JIS.
struct Finding {
    Severity severity;
    std::string where;  // "Setup.inf [Setting] GameTitle", "SetupTZS1.inf line 3", "InstData\Tazu.exe", "disc 2"
    std::string text;
};

// Files and bytes that an installation copies.
struct Count {
    int files = 0;
    std::uint64_t bytes = 0;
    bool complete = true;  // false when some file could not be measured
};

struct DiscReport {
    bool used = false;                 // the utility reads this disc (TotalDisc covers it)
    std::string root;                  // folder its files are read from, ending in '\'; empty when not at hand
    std::string shownRoot;             // that folder as the user named it
    std::string expectedLabel;         // VolumeLabel<n> as the utility reads it
    std::optional<std::string> label;  // the label the disc is marked with, when known
    std::array<Count, kGroupCount> groups{};
};

struct Report {
    std::vector<Finding> findings;
    bool setupRead = false;  // false: Setup.inf was missing and nothing else was looked at
    int totalDisc = 1;
    Count mainFiles;         // the four main files, with the larger sound library
    std::array<DiscReport, kMaxDiscs> discs;
    std::string defaultFolder;  // C:\Program Files\<DefInstPath>\ (ends in '\')
    std::string longestPath;    // the longest path an installation there writes
    // The six size lines of [Setting] with the byte counts of this disc set;
    // filled when a configured size is off and every file could be measured.
    std::vector<std::string> sizeLines;

    int Errors() const;
    int Warnings() const;
};

// Checks disc 1 in the folder `disc1` and, when not empty, the folder `disc2`
// as disc 2. Folders are Shift-JIS paths, with or without a final separator.
Report CheckDiscs(const std::string& disc1, const std::string& disc2);

// The longest path the Windows ANSI functions accept, terminator excluded.
constexpr std::size_t kMaxInstalledPath = kMaxPath - 1;

}  // namespace tazucheck
