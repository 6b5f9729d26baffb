// tazucheck's command line, report layout and help.
#include "tazucheck/cli.h"

#include <cstdio>

#include "platform/console.h"
#include "platform/disc_services.h"
#include "platform/files.h"

namespace tazucheck {

namespace {

const char* const kHelpStart =
    "usage: tazucheck DISC1 [DISC2]\n"
    "\n"
    "Checks a game disc set before mastering: reads Setup.inf and the list files\n"
    "of the disc folder DISC1 with the start-up utility's own INI reader and list\n"
    "gathering, looks up every file they name as the disc's file system will\n"
    "(without regard to case) and reports what an installation would meet.\n"
    "\n";

const char* const kHelpImages =
    "A disc may also be a disc image (ISO 9660, with or without Joliet), checked\n"
    "as the utility will meet the disc mastered from it: the label is the image's\n"
    "volume label, the names are those of its Joliet tree or, without one, of its\n"
    "ISO 9660 tree as Windows shows them (upper case, with a version suffix such\n"
    "as \";1\" unless mastered without one). A folder and an image may be mixed.\n"
    "\n";

const char* const kHelpFoldersOnly =
    "This build reads disc folders only; a disc image is read by the Linux build\n"
    "of tazucheck, or mounted and given as its drive (Q:\\).\n"
    "\n";

const char* const kHelpRest =
    "Disc 2 of a two-disc game (TotalDisc=2) is read from a folder of disc 1 named\n"
    "like its label (VolumeLabel2), as the utility does, or else from DISC2.\n"
    "A folder's label is the first line of its .windows-label file (the file that\n"
    "labels a folder mapped as a Wine drive) or, for a drive root, its volume label.\n"
    "\n"
    "Errors (the utility would refuse the disc, fail, or lose data):\n"
    "  Setup.inf missing; a required [Setting] key (GameTitle, DefInstPath,\n"
    "  ProgramFolder, RegKey) missing, empty or longer than 511 bytes; TotalDisc\n"
    "  above 2; ShortcutIcon empty or naming no file in InstData; a main file\n"
    "  (InstData\\Tazu.exe, Tazu.env, ovit.dll, ovit_mwv.dll) or a DirectX setup\n"
    "  program (Directx8.1b\\DX81jpn.exe, DX81NTjpn.exe) missing; a list file that\n"
    "  a File<n>=: key points at missing; a list entry that names no file on its\n"
    "  disc, or a name the utility refuses (a character a file name cannot hold,\n"
    "  a trailing dot or blank, a device name such as CON or CONIN$); two entries\n"
    "  of one group with the same last path component; a size key missing or\n"
    "  smaller than the bytes its group copies; a GameTitle that cannot be a file\n"
    "  name (no start-menu shortcut); a ProgramFolder or DefInstPath that cannot\n"
    "  be a folder; a path longer than 259 bytes (Shift-JIS) once installed under\n"
    "  C:\\Program Files\\<DefInstPath>\\ or on the disc; a disc label other than\n"
    "  the one the utility asks for (QUENDRIL1 for disc 1, VolumeLabel<n>).\n"
    "  Of an image only: a name that mastering changed, so that the file a list\n"
    "  or a main file names is on the image only cut to the name limit (64\n"
    "  characters of Joliet without -joliet-long; 8.3 or 31 of ISO 9660), in\n"
    "  ISO 9660 characters, or with a version suffix (\";1\") that Windows shows;\n"
    "  an image's volume label other than the one asked for (compared exactly).\n"
    "\n"
    "Warnings (works, but looks wrong):\n"
    "  a size key larger than the bytes its group copies (the correct [Setting]\n"
    "  lines are printed to paste); readme.txt missing; a name that differs only\n"
    "  in case from the file on the disc; an entry whose sub-folder is not kept\n"
    "  when installed; text that is not valid Shift-JIS; keys, sections and list\n"
    "  files the utility never reads; TotalDisc or InstBufSize out of range; an\n"
    "  integer key of [Setting] that is not a plain decimal number (\"2 ;two\",\n"
    "  \"0x8000\"): the utility then uses the key's default, not the number the\n"
    "  text begins with as GetPrivateProfileInt would. Of an image only:\n"
    "  no autorun.inf at its root (the utility does not start when the disc is\n"
    "  put in); a name only in other case on a tree without Joliet, which holds\n"
    "  upper case only; a Joliet name that has no Shift-JIS form.\n"
    "\n"
    "Output: one finding a line, \"error:\" or \"warning:\", then the file and key\n"
    "or line it comes from; then a summary of files and bytes per group and disc,\n"
    "the total and the longest path an installation writes. Names are printed in UTF-8.\n"
    "\n"
    "Exit code: 0 no error (warnings may be), 1 errors, 2 usage error.\n";

constexpr const char* kUsage = "usage: tazucheck DISC1 [DISC2]   (tazucheck --help tells more)\n";

Outcome UsageError(const std::string& text) {
    return {kExitUsage, std::string(), "tazucheck: " + text + "\n" + kUsage};
}

std::string Line(const char* format, const char* name, int files, unsigned long long bytes, const char* note) {
    char text[160];
    std::snprintf(text, sizeof text, format, name, files, files == 1 ? " " : "s", bytes, note);
    return text;
}

}  // namespace

std::string HelpText() {
    return std::string(kHelpStart) + (platform::ReadsDiscImages() ? kHelpImages : kHelpFoldersOnly) + kHelpRest;
}

std::string FormatReport(const Report& report) {
    std::string out;
    for (const Finding& f : report.findings)
        out += std::string(f.severity == Severity::Error ? "error: " : "warning: ") + f.where + ": " + f.text + "\n";

    if (!report.sizeLines.empty()) {
        if (!out.empty()) out += "\n";
        out += "The size lines of [Setting] for this disc set, to paste into Setup.inf:\n";
        for (const std::string& line : report.sizeLines) out += line + "\n";
    }

    if (report.setupRead) {
        if (!out.empty()) out += "\n";
        out += "summary (installed under " + report.defaultFolder + "):\n";
        int files = 0;
        unsigned long long bytes = 0;
        const auto add = [&](const char* name, const Count& c) {
            out += Line("    %-5s %5d file%s %13llu bytes%s\n", name, c.files, c.bytes,
                        c.complete ? "" : " (not every file found)");
            files += c.files;
            bytes += c.bytes;
        };
        for (int n = 1; n <= kMaxDiscs; ++n) {
            const DiscReport& disc = report.discs[static_cast<std::size_t>(n - 1)];
            if (!disc.used) continue;
            out += "  disc " + std::to_string(n) + ": ";
            if (disc.root.empty()) {
                out += "not checked\n";
                continue;
            }
            out += disc.shownRoot + ", label ";
            out += disc.label ? *disc.label : "not marked (the utility asks for " + disc.expectedLabel + ")";
            out += "\n";
            if (n == 1) add("main", report.mainFiles);
            for (int g = 0; g < kGroupCount; ++g) add(kGroups[g], disc.groups[static_cast<std::size_t>(g)]);
        }
        out += Line("  %-7s %5d file%s %13llu bytes%s\n", "total", files, bytes, "");
        out += "  longest path an installation writes: " + std::to_string(report.longestPath.size()) + " of " +
               std::to_string(kMaxInstalledPath) + " bytes, " + report.longestPath + "\n";
    }

    const int errors = report.Errors(), warnings = report.Warnings();
    out += std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") + std::to_string(warnings) +
           (warnings == 1 ? " warning\n" : " warnings\n");
    return out;
}

Outcome Run(const std::vector<std::string>& args) {
    std::vector<std::string> folders;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && (arg == "--help" || arg == "-h")) return {kExitClean, HelpText(), std::string()};
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.empty() || folders.size() > 2)
        return UsageError("give the folder or image of disc 1, and of disc 2 if any");

    std::vector<std::string> discs;
    for (const std::string& folder : folders) {
        const auto sjis = platform::Utf8ToShiftJis(folder);
        if (!sjis) return UsageError(folder + ": the name cannot be written in Shift-JIS, as the utility reads it");
        if (!platform::DirectoryExists(*sjis)) {
            if (!platform::FileExists(*sjis))
                return UsageError(folder + (platform::ReadsDiscImages() ? ": no such folder or disc image"
                                                                         : ": no such folder"));
            if (!platform::ReadsDiscImages())
                return UsageError(folder + ": is a file; this build reads disc folders only (the Linux build reads "
                                           "disc images; or mount the image and give its drive)");
            std::string why;
            if (!platform::OpenDiscImage(*sjis, &why)) return UsageError(folder + ": " + why);
        }
        discs.push_back(*sjis);
    }
    const Report report = CheckDiscs(discs[0], discs.size() > 1 ? discs[1] : std::string());
    return {report.Errors() > 0 ? kExitErrors : kExitClean, platform::ShiftJisToUtf8(FormatReport(report)),
            std::string()};
}

}  // namespace tazucheck

int ConsoleMain(const std::vector<std::string>& args) {
    const tazucheck::Outcome outcome = tazucheck::Run(args);
    platform::WriteOutput(outcome.out, false);
    platform::WriteOutput(outcome.err, true);
    return outcome.exitCode;
}
