// The disc checks: what the utility would refuse, fail at or lose (errors),
// and what works but looks wrong (warnings).
#include "tazucheck/check.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>

#include "install/filelists.h"
#include "install/instcommon.h"
#include "install/transaction.h"
#include "platform/disc_services.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/setupsetting.h"
#include "tazucheck/names.h"

namespace tazucheck {

int Report::Errors() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const Finding& f) { return f.severity == Severity::Error; }));
}

int Report::Warnings() const { return static_cast<int>(findings.size()) - Errors(); }

namespace {

constexpr const char* kSetting = kSettingSection;
// A value can never hold a line break, so this default tells a missing key
// from an empty one.
const std::string kMissing = "\n";
constexpr std::size_t kMaxSettingBytes = kMaxSettingText;
// Where the utility proposes to install: the Windows drive, as a rule C:.
constexpr const char* kProgramFiles = "C:\\Program Files\\";
// The drive the disc is read from, for the length of source paths.
constexpr const char* kCdRoot = "Q:\\";
// Name limits of a disc image: Joliet's characters without -joliet-long,
// and ISO 9660's bytes at levels 2 and 3 (8.3 at level 1).
constexpr std::size_t kJolietNameLimit = 64;
constexpr std::size_t kIsoNameLimit = 31;
// How far past the end of a list the checker looks for keys that are never read.
constexpr int kGapProbe = 1000;

const char* const kSizeKeys[kGroupCount + 1] = {"TazuInstSize", "DatInstSize", "TazInstSize",
                                                "TzdInstSize",  "TzsInstSize", "TzmInstSize"};

std::string Number(std::uint64_t n) { return std::to_string(n); }

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// "Setup.inf [TAZ1] File2" or "SetupTZS1.inf line 3".
std::string Where(const filelists::Origin& origin) {
    if (!origin.listFile.empty() && origin.line > 0)
        return sjis::LastPathComponent(origin.listFile) + " line " + std::to_string(origin.line);
    return "Setup.inf [" + origin.section + "] File" + std::to_string(origin.key);
}

std::string SettingWhere(const std::string& key) { return "Setup.inf [Setting] " + key; }

// A folder path as a disc root ending in one backslash; POSIX separators at
// the end are dropped so that names join with '\' as the utility joins them.
std::string RootOf(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return sjis::WithTrailingBackslash(folder);
}

bool IsDriveRoot(const std::string& root) { return root.size() == 3 && root[1] == ':' && root[2] == '\\'; }

// The label a disc folder is marked with: the ".windows-label" file that
// also gives a folder mapped as a Wine drive its label, or the volume label
// of a drive root.
std::optional<std::string> MarkedLabel(const std::string& root) {
    if (auto text = platform::ReadWholeFile(root + ".windows-label")) {
        std::string label = text->substr(0, text->find_first_of("\r\n"));
        return label;
    }
    if (IsDriveRoot(root)) return platform::VolumeLabel(root);
    return std::nullopt;
}

struct Listed {
    int group = 0, disc = 0;
    std::string entry;
    filelists::Origin origin;
};

class Collect : public filelists::ListSink {
public:
    std::vector<Listed> entries;
    std::vector<Listed> unreadable;                               // markers, entry empty
    std::vector<std::string> listFilesRead;                       // full paths, each once
    std::vector<std::pair<int, filelists::Origin>> ends;          // group, end of list
    std::array<std::array<bool, kMaxDiscs>, kGroupCount> marked{};

    void Add(int group, int disc, std::string entry, const filelists::Origin& origin) override {
        entries.push_back({group, disc, std::move(entry), origin});
    }
    void ListFileMarker(int group, int disc, const filelists::Origin& marker, bool read) override {
        marked[static_cast<std::size_t>(group)][static_cast<std::size_t>(disc - 1)] = true;
        if (!read)
            unreadable.push_back({group, disc, std::string(), marker});
        else if (std::find(listFilesRead.begin(), listFilesRead.end(), marker.listFile) == listFilesRead.end())
            listFilesRead.push_back(marker.listFile);
    }
    void ListEnd(int group, int /*disc*/, const filelists::Origin& end) override { ends.emplace_back(group, end); }
};

// A name with its version suffix (";1") removed; `version` receives the suffix.
std::string WithoutVersion(const std::string& name, std::string* version) {
    const auto semicolon = name.rfind(';');
    if (semicolon == std::string::npos || semicolon + 1 == name.size() ||
        name.find_first_not_of("0123456789", semicolon + 1) != std::string::npos)
        return name;
    *version = name.substr(semicolon);
    return name.substr(0, semicolon);
}

// A name as a tree without Joliet must record it: upper-case letters,
// digits and '_', with one '.' before the extension.
std::string IsoCharacters(const std::string& name) {
    const auto dot = sjis::FindLast(name, '.');
    std::string out;
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (sjis::IsLeadByte(c) && i + 1 < name.size()) ++i;
        if (c >= 'a' && c <= 'z')
            out += static_cast<char>(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c == '.' && i == dot))
            out += static_cast<char>(c);
        else
            out += '_';
    }
    return out;
}

// Characters of a Shift-JIS name, a double-byte character counting once.
std::size_t Characters(const std::string& name) {
    std::size_t count = 0;
    for (std::string::size_type i = 0; i < name.size(); ++i, ++count)
        if (sjis::IsLeadByte(static_cast<unsigned char>(name[i]))) ++i;
    return count;
}

// How mastering made `held` of the name `wanted`, when it plausibly did: in
// words for a message, or nullopt.
std::optional<std::string> MasteredChange(const std::string& wanted, const std::string& held, bool joliet) {
    std::string version;
    std::string name = WithoutVersion(held, &version);
    // A tree without Joliet records a name without extension with its '.'.
    if (!joliet && !name.empty() && name.back() == '.' && sjis::FindFirst(wanted, '.') == std::string::npos)
        name.pop_back();
    const std::string suffix = version.empty() ? "" : ", with the version suffix " + version + " that Windows shows";
    const auto fold = [joliet](const std::string& s) { return joliet ? sjis::FoldCase(s) : IsoCharacters(s); };
    const std::string w = fold(wanted), h = fold(name);
    if (w == h) {
        if (sjis::EqualsNoCase(wanted, name)) return version.empty() ? std::nullopt : std::optional(suffix.substr(2));
        return "in ISO 9660 characters (upper-case letters, digits and '_')" + suffix;
    }
    // Cut to the name limit: the start of the name and of its extension kept.
    const auto split = [](const std::string& s) {
        const auto dot = sjis::FindLast(s, '.');
        return dot == std::string::npos ? std::pair(s, std::string()) : std::pair(s.substr(0, dot), s.substr(dot + 1));
    };
    const auto [wb, we] = split(w);
    const auto [hb, he] = split(h);
    // The wanted name is over a limit, and the held one was cut at it.
    const bool cut = joliet ? Characters(wanted) > kJolietNameLimit && Characters(name) + 4 >= kJolietNameLimit
                            : (wb.size() > 8 && hb.size() == 8) || (we.size() > 3 && he.size() == 3) ||
                                  (wanted.size() > kIsoNameLimit && name.size() + 4 >= kIsoNameLimit);
    if (!cut || hb.empty() || h.size() >= w.size() || wb.compare(0, hb.size(), hb) != 0 ||
        we.compare(0, he.size(), he) != 0)
        return std::nullopt;
    return "cut to " + std::to_string(Characters(name)) + " characters, " +
           (joliet ? "as Joliet allows " + std::to_string(kJolietNameLimit) + " without -joliet-long"
                   : std::string("as ISO 9660 without Joliet allows")) +
           suffix;
}

class Checker {
public:
    Checker(const std::string& disc1, const std::string& disc2) : root1_(RootOf(disc1)), disc1Shown_(disc1) {
        report_.discs[0].shownRoot = disc1;
        OpenImage(disc1, 1);
        if (!disc2.empty()) {
            disc2_ = RootOf(disc2);
            disc2Shown_ = disc2;
            OpenImage(disc2, 2);
        }
    }

    Report Run() {
        if (!unreadable_.empty()) return std::move(report_);
        const auto bytes = platform::ReadWholeFile(root1_ + "Setup.inf");
        if (!bytes) {
            Error("Setup.inf", Missing(root1_, "Setup.inf", 1) + ": the utility stops at start");
            return std::move(report_);
        }
        report_.setupRead = true;
        if (!HasUtf16Bom(*bytes)) CheckText("Setup.inf", *bytes);
        if (HasUtf8Bom(*bytes)) {
            const std::string first = bytes->substr(3, bytes->find_first_of("\r\n") - 3);
            const auto start = first.find_first_not_of(" \t");
            if (start != std::string::npos && first[start] == '[')
                Error("Setup.inf line 1", "begins with a UTF-8 byte-order mark: the utility does not see the section "
                                          "on that line; save the file as Shift-JIS");
        }
        inf_ = std::make_unique<platform::IniFile>(*bytes);

        CheckSettingTexts();
        CheckDiscCount();
        CheckStart();
        FindDiscs();
        CheckMainFiles();
        CheckDiscFiles();
        CheckImages();
        GatherLists();
        CheckLists();
        CheckEntries();
        CheckSizes();
        CheckMainPaths();
        return std::move(report_);
    }

private:
    // A disc given as an image file is read from the image.
    void OpenImage(const std::string& path, int disc) {
        if (!platform::FileExists(path)) return;
        std::string why;
        if (auto image = platform::OpenDiscImage(path, &why)) {
            images_.push_back(std::move(*image));
            return;
        }
        unreadable_ = path;
        Error("disc " + std::to_string(disc), path + ": " + why);
    }

    // The image that the disc folder `root` lies in, or nullptr.
    const platform::DiscImage* ImageOf(const std::string& root) const {
        for (const platform::DiscImage& image : images_)
            if (root.compare(0, image.root.size(), image.root) == 0) return &image;
        return nullptr;
    }

    // The label a disc is marked with: an image's volume label, or what
    // MarkedLabel finds for a folder.
    std::optional<std::string> Label(const std::string& root) const {
        const platform::DiscImage* image = ImageOf(root);
        if (image && image->root == root) return image->label;
        return MarkedLabel(root);
    }

    struct Mastered {
        std::string spelling, change;
    };

    // When `relative` is missing below `root` in an image: the file that
    // mastering made of it, found by undoing what mastering does to names.
    std::optional<Mastered> MasteredAs(const std::string& root, const std::string& relative) const {
        const platform::DiscImage* image = ImageOf(root);
        if (!image) return std::nullopt;
        std::vector<std::string> wanted = sjis::SplitPath(root.substr(image->root.size()) + relative, "\\");
        wanted.erase(std::remove(wanted.begin(), wanted.end(), std::string()), wanted.end());
        const std::size_t skip = sjis::SplitPath(root.substr(image->root.size()), "\\").size() - 1;
        std::vector<std::string> held;  // the parts found so far, as the image spells them
        Mastered result;
        for (const std::string& part : wanted) {
            const platform::DiscItem* next = nullptr;
            std::optional<std::string> change;
            for (const platform::DiscItem& item : image->items) {
                std::vector<std::string> parts = sjis::SplitPath(item.spelling, "\\");
                if (parts.size() != held.size() + 1 || !std::equal(held.begin(), held.end(), parts.begin())) continue;
                if (sjis::EqualsNoCase(parts.back(), part)) {
                    next = &item;
                    change.reset();
                    break;
                }
                // The longest of several candidates is the likeliest.
                if (next && next->spelling.size() >= item.spelling.size()) continue;
                if (auto c = MasteredChange(part, parts.back(), image->joliet)) {
                    next = &item;
                    change = c;
                }
            }
            if (!next) return std::nullopt;
            if (change && result.change.empty()) result.change = *change;
            held = sjis::SplitPath(next->spelling, "\\");
        }
        if (result.change.empty()) return std::nullopt;
        for (std::size_t i = skip; i < held.size(); ++i) result.spelling += (i > skip ? "\\" : "") + held[i];
        return result;
    }

    // Why `relative` is not found below `root`: "on the image only as ..."
    // when mastering changed its name, else "<missing> on disc <n>".
    std::string Missing(const std::string& root, const std::string& relative, int disc,
                        const std::string& missing = "missing") const {
        if (const auto mastered = MasteredAs(root, relative))
            return "on the image only as " + mastered->spelling + " (" + mastered->change + ")";
        return missing + " on disc " + std::to_string(disc);
    }

    // What only an image shows: how the disc starts, and names that the
    // utility cannot ask for.
    void CheckImages() {
        const platform::DiscImage* image1 = ImageOf(root1_);
        if (image1 && image1->root == root1_) {
            const auto autorun = platform::FindOnDisc(root1_, "autorun.inf");
            if (!autorun || autorun->folder)
                Warning("autorun.inf", "missing at the root of the image: the utility does not start when the disc "
                                       "is put in");
        }
        for (const platform::DiscImage& image : images_)
            for (const std::string& name : image.unnamed)
                Warning(name, "the name has no Shift-JIS form: the utility cannot name this file");
    }

    void Error(const std::string& where, const std::string& text) {
        report_.findings.push_back({Severity::Error, where, text});
    }
    void Warning(const std::string& where, const std::string& text) {
        report_.findings.push_back({Severity::Warning, where, text});
    }

    std::string Setting(const std::string& key, const std::string& def = kMissing) const {
        return inf_->ReadString(kSetting, key, def);
    }

    // An integer key as the utility reads it. Its INI reader takes a value
    // only when the whole of it is a decimal number that fits 32 bits; the
    // profile functions of Windows would read "2 ;two" or "0x8000" by the
    // number they begin with, so a disc tried that way may seem to work.
    int IntegerSetting(const char* key, int def) {
        const std::string raw = Setting(key);
        if (raw != kMissing && !raw.empty() && !platform::ParseDecimalInt(raw)) {
            const std::string digits = raw.substr(raw[0] == '+' || raw[0] == '-' ? 1 : 0);
            const std::size_t end = digits.find_first_not_of("0123456789");
            const std::string uses = ": the utility uses " + std::to_string(def);
            if (end == std::string::npos && !digits.empty())
                Warning(SettingWhere(key), Quoted(raw) + " does not fit in 32 bits" + uses);
            else
                Warning(SettingWhere(key), Quoted(raw) + " is not a plain decimal integer" + uses +
                                               (end > 0 && !digits.empty() ? ", not the number it begins with" : ""));
        }
        return inf_->ReadInteger(kSetting, key, def);
    }

    // Lines that are no Shift-JIS show garbled in the utility's windows.
    void CheckText(const std::string& name, const std::string& text) {
        const BadLines bad = InvalidShiftJisLines(text);
        if (bad.count == 0) return;
        const std::string more = bad.count > 1 ? " (and " + std::to_string(bad.count - 1) + " more lines)" : "";
        Warning(name + " line " + std::to_string(bad.first),
                std::string(bad.firstIsUtf8 ? "UTF-8, not Shift-JIS" : "not valid Shift-JIS") + more +
                    ": the text shows garbled; save the file as Shift-JIS");
    }

    // [Setting] texts: what ReadSettingSection refuses, and what fails later.
    void CheckSettingTexts() {
        for (const SettingText& text : kSettingTexts) {
            if (!text.required) continue;
            const char* key = text.key;
            const std::string value = Setting(key);
            if (value == kMissing)
                Error(SettingWhere(key), "missing: the utility stops at start (the key is required)");
            else if (value.empty())
                Error(SettingWhere(key), "empty: the utility stops at start (the key is required)");
            else if (value.size() > kMaxSettingBytes)
                Error(SettingWhere(key), "longer than 511 bytes: the utility stops at start");
        }
        icon_ = Setting("ShortcutIcon", "");
        if (icon_.empty())
            Error(SettingWhere("ShortcutIcon"), "missing or empty: the fourth main file cannot be copied, "
                                                "and every installation is rolled back");
        else if (icon_.size() > kMaxSettingBytes)
            Error(SettingWhere("ShortcutIcon"), "longer than 511 bytes: the utility stops at start");

        // The record key is Software\<RegKey>\<GameTitle>, the shortcut <GameTitle>.lnk.
        for (const char* key : {"RegKey", "GameTitle"}) {
            const std::string value = Setting(key, "");
            if (value.empty() || value.size() > kMaxSettingBytes || platform::WinPath::IsOneName(value)) continue;
            const auto problem = FileNameProblem(value);
            Error(SettingWhere(key), (problem ? "holds " + *problem + ", which"
                                              : "longer than " + std::to_string(platform::WinPath::kMaxKeyName) +
                                                    " characters, which") +
                                         " one registry key and file name cannot hold: the utility stops at start");
        }
        PathProblems("ProgramFolder", "the start-menu folder cannot be made: no shortcut, and no message says so");
        PathProblems("DefInstPath", "the proposed install folder cannot be created");

        const std::string defInstPath = Setting("DefInstPath", "");
        report_.defaultFolder = sjis::WithTrailingBackslash(kProgramFiles + defInstPath);
    }

    // A value that the utility uses as a folder path below some root.
    void PathProblems(const char* key, const std::string& consequence) {
        const std::string value = Setting(key, "");
        if (value.empty()) return;
        for (const std::string& part : sjis::SplitPath(value)) {
            if (part.empty()) continue;  // "a\\b" and a trailing '\' do no harm
            if (auto problem = FileNameProblem(part)) {
                Error(SettingWhere(key), "holds " + *problem + ", which a folder name cannot hold: " + consequence);
                return;
            }
        }
    }

    // The utility's own reading of [Setting]: a disc it refuses at start
    // never passes, whatever the checks above missed.
    void CheckStart() {
        TInstConfig config;
        ReadSetting(*inf_, config);
        if (report_.Errors() == 0 && !SettingComplete(config))
            Error(SettingWhere(""), "incomplete: the utility stops at start");
    }

    void CheckDiscCount() {
        report_.totalDisc = IntegerSetting("TotalDisc", 1);
        if (report_.totalDisc > kMaxDiscs)
            Error(SettingWhere("TotalDisc"), std::to_string(report_.totalDisc) +
                                                 ": the utility stops at start; it installs from 2 discs at most");
        else if (report_.totalDisc < 1)
            Warning(SettingWhere("TotalDisc"),
                    std::to_string(report_.totalDisc) + ": no data group is installed, only the main files");

        const std::string buf = Setting("InstBufSize");
        if (IntegerSetting("InstBufSize", 32768) <= 0)
            Warning(SettingWhere("InstBufSize"), buf + " is not positive: the utility copies in chunks of 32768 bytes");
    }

    // Where the utility reads each disc from, as its disc check decides:
    // the disc in the drive when its label is the one asked for, else a
    // folder of that name on disc 1, else the disc the user inserts.
    void FindDiscs() {
        const auto label1 = Label(root1_);
        report_.discs[0].label = label1;
        if (label1 && *label1 != kDiscLabel)
            Error("disc 1", "labelled " + Quoted(*label1) + ": the utility starts only from a disc labelled " +
                                kDiscLabel);

        const int used = std::min(std::max(report_.totalDisc, 1), kMaxDiscs);
        for (int n = 1; n <= kMaxDiscs; ++n) {
            DiscReport& disc = report_.discs[static_cast<std::size_t>(n - 1)];
            const std::string number = std::to_string(n);
            disc.used = n <= used;
            disc.expectedLabel = inf_->ReadString(kSetting, "VolumeLabel" + number, "DISC_" + number);
            if (!disc.used) continue;
            const std::string key = "VolumeLabel" + number;
            if (disc.expectedLabel == kDiscLabel) {
                // Disc 1 is in the drive and carries the label asked for.
                UseDisc(disc, root1_, disc1Shown_, kCdRoot);
                disc.label = label1;
                if (n > 1)
                    Warning(SettingWhere(key), Quoted(disc.expectedLabel) +
                                                   " is disc 1's label: the files of disc 2 are read from disc 1");
            } else if (platform::DirectoryExists(root1_ + disc.expectedLabel)) {
                // A folder named like the label stands in for the disc.
                const std::string folder = disc.expectedLabel.empty() ? root1_ : RootOf(root1_ + disc.expectedLabel);
                UseDisc(disc, folder, disc1Shown_ + " folder " + disc.expectedLabel,
                        RootOf(kCdRoot + disc.expectedLabel));
                disc.label = disc.expectedLabel;
                if (disc.expectedLabel.empty())
                    Warning(SettingWhere(key), "empty: the files of disc " + number + " are read from disc 1");
                if (n == 2 && !disc2_.empty())
                    Warning("disc 2", disc2Shown_ + " is not read: the utility reads disc 2 from the folder " +
                                          disc.expectedLabel + " on disc 1");
            } else if (n == 1) {
                Error(SettingWhere(key), Quoted(disc.expectedLabel) + " is not " + kDiscLabel +
                                             ", the label the utility starts from: it asks for disc 1 without end");
                UseDisc(disc, root1_, disc1Shown_, kCdRoot);
                disc.label = label1;
            } else if (!disc2_.empty()) {
                UseDisc(disc, disc2_, disc2Shown_, kCdRoot);
                disc.label = Label(disc2_);
                if (disc.label && *disc.label != disc.expectedLabel)
                    Error(SettingWhere(key), Quoted(disc.expectedLabel) + ", but disc 2 is labelled " +
                                                 Quoted(*disc.label) + ": the utility keeps asking for disc 2");
            } else {
                Warning("disc 2", "not given, and disc 1 holds no folder " + disc.expectedLabel +
                                      ": the files of disc 2 were not checked");
            }
        }
        if (!disc2_.empty() && !report_.discs[1].used)
            Warning("disc 2", disc2Shown_ + " is not read: TotalDisc is " + std::to_string(report_.totalDisc));
    }

    // Disc `disc` is read from `root`; on the drive its files lie below `sourcePrefix`.
    void UseDisc(DiscReport& disc, const std::string& root, const std::string& shown, const std::string& sourcePrefix) {
        disc.root = root;
        disc.shownRoot = shown;
        sourcePrefix_[static_cast<std::size_t>(&disc - report_.discs.data())] = sourcePrefix;
    }

    // The four main files, the second sound library and their sizes.
    void CheckMainFiles() {
        const std::string& root = report_.discs[0].root;
        std::uint64_t dll = 0;
        Count& main = report_.mainFiles;
        main.files = 4;
        for (const char* name : {"Tazu.exe", "Tazu.env", "ovit.dll", "ovit_mwv.dll"}) {
            const std::string path = std::string("InstData\\") + name;
            const bool mwave = std::string(name) == "ovit_mwv.dll";
            const auto item = platform::FindOnDisc(root, path);
            if (!item || item->folder) {
                Error(path, (item ? "a folder on disc 1" : Missing(root, path, 1)) + ": " +
                                (mwave ? "the M-WAVE installation fails" : "every installation fails"));
                main.complete = false;
                continue;
            }
            if (std::string(name).compare(0, 4, "ovit") == 0)
                dll = std::max(dll, item->size);  // the free-space check must cover either variant
            else
                main.bytes += item->size;
        }
        main.bytes += dll;

        if (icon_.empty()) {
            main.complete = false;
            return;
        }
        const std::string iconPath = "InstData\\" + icon_;
        if (sjis::FindFirst(icon_, '\\') != std::string::npos || sjis::FindFirst(icon_, '/') != std::string::npos) {
            Error(SettingWhere("ShortcutIcon"), "holds a folder: the icon is installed as " + report_.defaultFolder +
                                                    icon_ + ", whose folder does not exist, so the copy fails");
        } else if (auto problem = FileNameProblem(icon_)) {
            Error(SettingWhere("ShortcutIcon"), "holds " + *problem + ", which a file name cannot hold: the copy fails");
            main.complete = false;
            return;
        }
        const auto item = platform::FindOnDisc(root, iconPath);
        if (!item || item->folder) {
            Error(SettingWhere("ShortcutIcon"), iconPath + (item ? " is a folder" : " is missing") +
                                                    " on disc 1: the fourth main file cannot be copied, and every "
                                                    "installation is rolled back");
            main.complete = false;
            return;
        }
        if (item->spelling != iconPath)
            Warning(SettingWhere("ShortcutIcon"), "the disc spells it " + item->spelling +
                                                      "; it is installed as " + icon_);
        main.bytes += item->size;
    }

    // Files of disc 1 that the utility opens by fixed names.
    void CheckDiscFiles() {
        for (const char* name : {"Directx8.1b\\DX81jpn.exe", "Directx8.1b\\DX81NTjpn.exe"}) {
            const auto item = platform::FindOnDisc(root1_, name);
            if (!item || item->folder)
                Error(name, (item ? "a folder on disc 1" : Missing(root1_, name, 1)) +
                                ": the DirectX button ends the utility with an error");
        }
        const auto readme = platform::FindOnDisc(root1_, "readme.txt");
        if (!readme || readme->folder) {
            Warning("readme.txt", "missing on disc 1: no readme is shown after the installation");
        } else if (auto text = platform::ReadWholeFile(root1_ + "readme.txt")) {
            CheckText("readme.txt", *text);
        }
    }

    void GatherLists() {
        filelists::Gather(*inf_, root1_ + "Setup.inf", report_.totalDisc, lists_);
        for (const std::string& path : lists_.listFilesRead)
            if (auto text = platform::ReadWholeFile(path)) CheckText(sjis::LastPathComponent(path), *text);
    }

    // List files that are missing, and keys and list files that are never read.
    void CheckLists() {
        for (const Listed& marker : lists_.unreadable) {
            const std::string listName = sjis::LastPathComponent(marker.origin.listFile);
            const auto mastered = MasteredAs(root1_, listName);
            Error(Where(marker.origin), "the list file " + listName +
                                            (mastered ? " is on the image only as " + mastered->spelling + " (" +
                                                            mastered->change + ")"
                                                      : std::string(" is missing")) +
                                            ": nothing of it is installed");
            // What the group should copy is not known, so its size is not judged.
            report_.discs[static_cast<std::size_t>(marker.disc - 1)]
                .groups[static_cast<std::size_t>(marker.group)]
                .complete = false;
        }
        for (const auto& [group, end] : lists_.ends) {
            (void)group;
            for (int n = end.key + 1; n <= end.key + kGapProbe; ++n) {
                if (inf_->ReadString(end.section, "File" + std::to_string(n), "").empty()) continue;
                Warning("Setup.inf [" + end.section + "] File" + std::to_string(n),
                        "never read: the list ends at File" + std::to_string(end.key) + ", which is missing or empty");
                break;
            }
        }
        const std::string setupInf = root1_ + "Setup.inf";
        for (int g = 0; g < kGroupCount; ++g) {
            for (int d = 1; d <= kMaxDiscs; ++d) {
                const std::string section = kGroups[g] + std::to_string(d);
                const std::string listFile = filelists::ListFilePath(setupInf, section);
                const bool hasList = platform::FileExists(listFile);
                const std::string listName = sjis::LastPathComponent(listFile);
                if (!report_.discs[static_cast<std::size_t>(d - 1)].used || report_.totalDisc < 1) {
                    const std::string why = ": TotalDisc is " + std::to_string(report_.totalDisc);
                    if (!inf_->ReadString(section, "File1", "").empty())
                        Warning("Setup.inf [" + section + "]", "never read" + why);
                    if (hasList) Warning(listName, "never read" + why);
                } else if (hasList && !lists_.marked[static_cast<std::size_t>(g)][static_cast<std::size_t>(d - 1)]) {
                    Warning(listName, "never read: no File<n> of [" + section + "] is ':'");
                }
            }
        }
        if (report_.totalDisc == 2 &&
            std::none_of(lists_.entries.begin(), lists_.entries.end(), [](const Listed& e) { return e.disc == 2; }))
            Warning(SettingWhere("TotalDisc"), "2, but no list of disc 2 has an entry: the utility asks for "
                                               "disc 2 for nothing");
    }

    struct FirstUse {
        std::string where, entry;
        int disc;
    };

    void CheckEntries() {
        std::map<std::string, FirstUse> installedAs;  // folded "<group>\<name>" -> first entry
        for (const Listed& e : lists_.entries) {
            const std::string where = Where(e.origin);
            const std::string group = kGroups[e.group];
            const std::string name = e.entry.substr(std::string("InstData\\").size() + group.size() + 1);
            const std::string last = sjis::LastPathComponent(e.entry);
            const std::string installed = group + "\\" + last;
            DiscReport& disc = report_.discs[static_cast<std::size_t>(e.disc - 1)];
            Count& count = disc.groups[static_cast<std::size_t>(e.group)];

            bool usable = true;
            for (const std::string& part : sjis::SplitPath(name, "\\")) {
                auto problem = FileNameProblem(part);
                if (!problem) continue;
                Error(where, e.entry + ": holds " + *problem + ", which a file name cannot hold: the copy fails, "
                                                               "and the installation is rolled back");
                usable = false;
                break;
            }
            if (usable && name != last)
                Warning(where, e.entry + " is installed as " + installed + ": its sub-folder is not kept");

            // One installed file per name: a later entry overwrites an
            // earlier one, or for DAT is skipped because the file exists.
            const auto [first, isNew] = installedAs.emplace(sjis::FoldCase(installed), FirstUse{where, e.entry, e.disc});
            const bool copies = isNew || e.group != 0;
            if (!isNew) {
                if (e.disc == first->second.disc && sjis::EqualsNoCase(e.entry, first->second.entry))
                    Warning(where, e.entry + " is listed again (first at " + first->second.where + ")");
                else
                    Error(where, e.entry + " is installed as " + installed + " like " + first->second.entry + " (" +
                                     first->second.where + "): only one of them ends up installed");
            }

            const std::string destination = report_.defaultFolder + installed;
            if (usable) NoteInstalledPath(where, destination, e.group != 0);  // DAT files are never replaced
            if (!disc.root.empty()) {
                const std::string source = sourcePrefix_[static_cast<std::size_t>(e.disc - 1)] + e.entry;
                if (source.size() > kMaxInstalledPath)
                    Error(where, e.entry + ": read from the disc as " + source + " (" + Number(source.size()) +
                                     " bytes), longer than 259 bytes: the copy fails");
            }

            if (copies) ++count.files;
            if (!usable || disc.root.empty()) {
                count.complete = false;
                continue;
            }
            const auto item = platform::FindOnDisc(disc.root, e.entry);
            if (!item || item->folder) {
                Error(where, e.entry +
                                 (item ? " is a folder on disc " + std::to_string(e.disc)
                                       : ": " + Missing(disc.root, e.entry, e.disc, "no such file")) +
                                 ": the copy fails, and the installation is rolled back");
                count.complete = false;
                continue;
            }
            if (item->spelling != e.entry) {
                const platform::DiscImage* image = ImageOf(disc.root);
                Warning(where, e.entry + ": the disc spells it " + item->spelling + "; it is installed as " + installed +
                                   (image && !image->joliet ? " (a tree without Joliet holds upper-case names only)"
                                                            : ""));
            }
            if (copies) count.bytes += item->size;
        }
    }

    // An installed file, and when `replaced`, the name a re-install moves
    // the earlier file of that name aside to first: the longest it can be.
    void NoteInstalledPath(const std::string& where, const std::string& path, bool replaced) {
        const std::string aside = replaced ? path + kBackupMark + std::to_string(kMaxBackup) : path;
        if (aside.size() > report_.longestPath.size()) report_.longestPath = aside;
        if (path.size() > kMaxInstalledPath)
            Error(where, "installed as " + path + " (" + Number(path.size()) +
                             " bytes), longer than 259 bytes: the copy fails");
        else if (aside.size() > kMaxInstalledPath)
            Error(where, "installed as " + path + ", which a re-install first moves aside as " + aside + " (" +
                             Number(aside.size()) + " bytes), longer than 259 bytes: every re-install fails");
    }

    // Paths in the install folder that do not come from the lists.
    void CheckMainPaths() {
        const std::string& folder = report_.defaultFolder;
        // The log is created first: if its path is too long, nothing can be installed.
        for (const char* name : {kSetupLogName, "Tazu.exe", "Tazu.env", "ovit.dll"}) {
            const std::string path = folder + name;
            if (path.size() > kMaxInstalledPath) {
                Error(SettingWhere("DefInstPath"), "the install folder " + folder + " leaves no room for " + name +
                                                       " within 259 bytes: every installation fails");
                return;
            }
        }
        // The journal is written (through a temporary name) before the first
        // file, and the environment file is edited beside itself and then
        // swapped in.
        for (const std::string& name : {std::string(kJournalName) + kFreshSuffix, std::string(kEnvReplacement)}) {
            const std::string path = folder + name;
            if (path.size() > report_.longestPath.size()) report_.longestPath = path;
            if (path.size() > kMaxInstalledPath) {
                Error(SettingWhere("DefInstPath"), "the install folder " + folder + " leaves no room for " + name +
                                                       " within 259 bytes: every installation fails");
                return;
            }
        }
        NoteInstalledPath(SettingWhere("DefInstPath"), folder + kSetupLogName, true);  // the longest of the four
        if (!icon_.empty()) NoteInstalledPath(SettingWhere("ShortcutIcon"), folder + icon_, true);
    }

    // Configured sizes against what an installation copies.
    void CheckSizes() {
        std::array<Count, kGroupCount + 1> real{};
        real[0] = report_.mainFiles;
        for (int g = 0; g < kGroupCount; ++g) {
            Count& sum = real[static_cast<std::size_t>(g + 1)];
            for (const DiscReport& disc : report_.discs) {
                if (!disc.used) continue;
                const Count& c = disc.groups[static_cast<std::size_t>(g)];
                sum.files += c.files;
                sum.bytes += c.bytes;
                sum.complete = sum.complete && c.complete && !disc.root.empty();
            }
        }

        bool off = false, complete = true;
        for (std::size_t i = 0; i < real.size(); ++i) {
            const char* key = kSizeKeys[i];
            const std::string raw = Setting(key);
            // The utility reads the key as an integer and takes a negative one as 0.
            const int value = IntegerSetting(key, 0);
            const bool number = raw != kMissing && platform::ParseDecimalInt(raw).has_value();
            const std::uint64_t configured = value > 0 ? static_cast<std::uint64_t>(value) : 0;
            const std::uint64_t bytes = real[i].bytes;
            complete = complete && real[i].complete;
            std::string stated;
            if (raw == kMissing)
                stated = "missing (taken as 0)";
            else if (raw.empty())
                stated = "empty (taken as 0)";
            else if (!number)
                stated = Quoted(raw) + " (taken as 0)";
            else if (value < 0)
                stated = raw + " is negative (taken as 0)";
            else
                stated = raw;
            const std::string what = i == 0 ? "the main files copy " : std::string("the group copies ");
            const std::string tail = bytes > static_cast<std::uint64_t>(INT_MAX)
                                         ? "; more than a size key can hold (2147483647)"
                                         : "";
            if (configured < bytes) {
                Error(SettingWhere(key), stated + ", but " + what + Number(bytes) +
                                             " bytes: the free-space check can pass a disk that then fills up, and "
                                             "the progress bars run past 100%" + tail);
                off = true;
            } else if (configured > bytes && real[i].complete) {
                Warning(SettingWhere(key), stated + ", but " + what + Number(bytes) + " bytes");
                off = true;
            } else if (raw != kMissing && (raw.empty() || value < 0)) {
                Warning(SettingWhere(key), stated);
                off = true;
            } else if (raw != kMissing && !number) {
                off = true;  // the warning on the text is given; the right line is still worth pasting
            }
        }
        if (off && complete)
            for (std::size_t i = 0; i < real.size(); ++i)
                report_.sizeLines.push_back(std::string(kSizeKeys[i]) + "=" + Number(real[i].bytes));
    }

    Report report_;
    std::string root1_, disc1Shown_;
    std::string disc2_, disc2Shown_;
    std::unique_ptr<platform::IniFile> inf_;
    std::string icon_;
    Collect lists_;
    std::array<std::string, kMaxDiscs> sourcePrefix_;
    std::vector<platform::DiscImage> images_;
    std::string unreadable_;  // an image that could not be read: nothing else is checked
};

}  // namespace

Report CheckDiscs(const std::string& disc1, const std::string& disc2) { return Checker(disc1, disc2).Run(); }

}  // namespace tazucheck
