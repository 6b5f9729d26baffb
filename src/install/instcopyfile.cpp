// The copy form, the chunked copy and the install driver.
#include "install/instcopyfile.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "install/instcommon.h"
#include "install/transaction.h"
#include "maintenance/appsentry.h"
#include "platform/app.h"
#include "platform/drives.h"
#include "platform/ini.h"
#include "platform/msgbox.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::ControlKind;
using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;
using platform::MbResult;

// Where the sources of one disc are read from: the disc in the drive, or a
// folder on the drive named after the disc's label standing in for it.
struct DiscSource {
    bool folderMode = false;
    std::string folder;  // CdRoot + label, without a trailing backslash

    std::string Of(const std::string& relative) const {
        return folderMode ? folder + "\\" + relative : InstConfig.CdRoot + relative;
    }
};

TfrmCopyFile* frmCopyFile = nullptr;

namespace {

const platform::ControlDef kControls[] = {
    // name          kind                     left top width height caption          tab handler
    {"lblInstFile", ControlKind::Label,          8,   8, 401, 12, "",               -1, nullptr},
    {"Label1",      ControlKind::Label,         16,  32,  47, 12, "ファイル：",     -1, nullptr},
    {"Label2",      ControlKind::Label,         32,  56,  30, 12, "全体：",         -1, nullptr},
    {"lblFilePer",  ControlKind::Label,        384,  32,  33, 12, "",               -1, nullptr},
    {"lblAllPer",   ControlKind::Label,        384,  56,  33, 12, "",               -1, nullptr},
    {"pgbFile",     ControlKind::ProgressBar,   72,  32, 305, 16, nullptr,           0, nullptr},
    {"pgbAll",      ControlKind::ProgressBar,   72,  56, 305, 16, nullptr,           1, nullptr},
    {"btnCancel",   ControlKind::Button,       156,  88, 105, 25, "キャンセル(&C)",  2, "btnCancelClick"},
    {"pnlSize",     ControlKind::Panel,          0, 129, 418, 17, "",                3, nullptr},
};

constexpr const char* kSetting = "Setting";
constexpr long double kMiB = 1048576.0L;
// The copy reads and writes at most this much between two looks at the
// window, so a Cancel click is answered quickly whatever InstBufSize says.
constexpr std::size_t kMaxStep = 64 * 1024;

std::string Format(const char* format, long double a, long double b) {
    char text[256];
    std::snprintf(text, sizeof text, format, static_cast<double>(a), static_cast<double>(b));
    return text;
}

// Both figures in MB, while that text fits the panel. A figure too long for
// it (free space of hundreds of GB) goes to a larger unit in the same format:
// first the free space, to GB, or TB from 1 TB up; if the text is still too
// wide, the remaining size too, to GB. Every figure then shows whole.
std::string SizesText(const platform::Panel& panel, long double remain, long double free) {
    const auto text = [](long double r, const char* rUnit, long double f, const char* fUnit) {
        const std::string format =
            std::string("インストール残り容量：%4.1f") + rUnit + "　　インストール先ディスク空き容量：%4.1f" + fUnit;
        return Format(format.c_str(), r, f);
    };
    const std::string inMiB = text(remain / kMiB, "MB", free / kMiB, "MB");
    if (panel.CaptionFits(inMiB)) return inMiB;
    constexpr long double kGiB = kMiB * 1024, kTiB = kGiB * 1024;
    const bool tera = free >= kTiB;
    const long double freeFigure = tera ? free / kTiB : free / kGiB;
    const char* freeUnit = tera ? "TB" : "GB";
    const std::string freeRaised = text(remain / kMiB, "MB", freeFigure, freeUnit);
    if (panel.CaptionFits(freeRaised)) return freeRaised;
    return text(remain / kGiB, "GB", freeFigure, freeUnit);
}

std::string PercentText(int position) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d%%", position);
    return text;
}


// Asks for disc `n` until it is in the drive or its folder is there. False
// when the user cancelled.
bool CheckDisc(const platform::Form& owner, Reporter& report, int n, DiscSource& disc) {
    const platform::IniFile& inf = *InstConfig.SetupInf;
    const std::string number = std::to_string(n);
    const std::string root = std::string(1, InstConfig.CdRoot.empty() ? 'A' : InstConfig.CdRoot[0]) + ":\\";
    const std::string label = inf.ReadString(kSetting, "VolumeLabel" + number, "DISC_" + number);
    const std::string name = inf.ReadString(kSetting, "DiscName" + number, "DISC");
    disc.folder = InstConfig.CdRoot + label;
    for (;;) {
        disc.folderMode = false;
        if (platform::IsCdRomDrive(root)) {
            const auto found = platform::VolumeLabel(root);
            if (found && *found == label) return true;
        }
        if (platform::DirectoryExists(disc.folder)) {
            disc.folderMode = true;
            return true;
        }
        if (report.Ask(&owner, Msg::DiscPrompt, {InstConfig.GameTitle, name}) == MbResult::Cancel) return false;
    }
}

std::uint64_t Widened(int size) { return size > 0 ? static_cast<std::uint64_t>(size) : 0; }

}  // namespace

const platform::FormDef kCopyFileForm = {
    "TfrmCopyFile", "", 418, 146, platform::BorderStyle::Single, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};


int PercentOf(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return done > 0 ? 100 : 0;
    if (done >= total) return 100;
    return static_cast<int>(static_cast<long double>(done) / static_cast<long double>(total) * 100.0L);
}

TfrmCopyFile::TfrmCopyFile(const platform::Form& over, Installation& installation, Reporter& report)
    : Form(kCopyFileForm), over_(over), installation_(installation), report_(report) {
    Bind("btnCancelClick", &TfrmCopyFile::btnCancelClick);
}

TfrmCopyFile::~TfrmCopyFile() { FLog.reset(); }

void TfrmCopyFile::FormShow() {
    SetCaption(platform::app::Title());
    pgbFile.SetPosition(0);
    pgbAll.SetPosition(0);
    CenterOver(over_);
    PostToSelf(WM_COPYSTART);
}

void TfrmCopyFile::OnMessage(int message) {
    if (message == WM_COPYSTART) WMCopyStart();
}

void TfrmCopyFile::btnCancelClick(platform::Control&) { FCancel = true; }

// The sizes change with every chunk, far more often than the screen shows
// them, and fitting their text to the panel measures it in the window's
// font: the text is made only when it is about to be seen, once the figures
// are measured.
void TfrmCopyFile::OnFlush() {
    if (shownRemain_ >= 0) ShowSizes();
}

void TfrmCopyFile::ShowSizes() {
    // "%4.1f" can change only where the figure crosses a multiple of 1/20 MB.
    const auto remainStep = static_cast<std::int64_t>(InstConfig.RemainInstSize * 20 / 1048576);
    const auto freeStep = static_cast<std::int64_t>(std::floor(InstConfig.DiskFreeSize * 20.0L / kMiB));
    if (remainStep == shownRemain_ && freeStep == shownFree_) return;
    shownRemain_ = remainStep;
    shownFree_ = freeStep;
    pnlSize.SetCaption(SizesText(pnlSize, static_cast<long double>(InstConfig.RemainInstSize), InstConfig.DiskFreeSize));
}

bool TfrmCopyFile::WriteLogLine(const std::string& path) {
    const std::string line = path + "\r\n";
    return FLog && FLog->Write(line.data(), line.size());
}

void TfrmCopyFile::WMCopyStart() {
    // An error raised by a step (a record that cannot be written, a file of
    // the last steps) ends the installation as failed: the install command
    // then rolls it back, and the record is never written for it.
    try {
        if (!OpenLog()) {
            report_.Ask(this, Msg::NotWritable, {InstConfig.InstPath});
            FOutcome = InstallOutcome::NotWritable;
            SetModalResult(platform::mrCancel);
            return;
        }
    } catch (const std::exception& e) {
        return Fail(e);
    }
    if (!RunCopies()) {
        SetModalResult(platform::mrCancel);
        return;
    }
    try {
        Finish();
    } catch (const std::exception& e) {
        return Fail(e);
    }
    SetModalResult(platform::mrOK);
}

void TfrmCopyFile::Fail(const std::exception& error) {
    report_.Ask(this, Msg::Error, {error.what()});
    FOutcome = InstallOutcome::Failed;
    SetModalResult(platform::mrCancel);
}

// The whole installation is planned before a file is touched; the log of
// an earlier installation is then moved aside, never emptied, and a new one
// made. False when the folder cannot be read or written.
bool TfrmCopyFile::OpenLog() {
    if (!installation_.Plan()) return false;
    const std::string log = installation_.Folder().Child(kSetupLogName)->Text();
    if (!installation_.MoveAside(log, report_)) return false;
    FLog = installation_.OpenForWrite(log);
    return FLog != nullptr;
}

// Everything up to the last copy. False when the run was aborted.
bool TfrmCopyFile::RunCopies() {
    FTotalCopied = 0;
    FCancel = false;
    // Every destination is formed through the path model: a name from the
    // disc that is not one plain component ("..\x", "a/b", "x.") would put a
    // file somewhere else than the log says, so it ends the installation.
    const platform::WinPath& folder = installation_.Folder();
    lblInstFile.SetCaption("インストールするファイル情報を取得しています...");
    Repaint();

    InstConfig.TotalInstSize = Widened(InstConfig.TazuInstSize) + Widened(InstConfig.DatInstSize) +
                               Widened(InstConfig.TazInstSize) + Widened(InstConfig.TzdInstSize) +
                               Widened(InstConfig.TzsInstSize) + Widened(InstConfig.TzmInstSize);
    InstConfig.RemainInstSize = InstConfig.TotalInstSize;

    // Measured once; every chunk written lowers it.
    InstConfig.DiskFreeSize =
        static_cast<long double>(platform::FreeBytesAvailable(folder.RootText()).value_or(0));
    ShowSizes();
    report_.Note(Format("空き容量：%.0f バイト　必要容量：%.0f バイト", InstConfig.DiskFreeSize,
                        static_cast<long double>(InstConfig.TotalInstSize)));
    if (InstConfig.DiskFreeSize < static_cast<long double>(InstConfig.TotalInstSize)) {
        char required[32];
        std::snprintf(required, sizeof required, "%4.1f",
                      static_cast<double>(static_cast<long double>(InstConfig.TotalInstSize) / kMiB));
        report_.Ask(this, Msg::NoSpace, {required});
        FOutcome = InstallOutcome::NoSpace;
        return false;
    }

    DiscSource disc;
    FOutcome = InstallOutcome::NoDisc;
    if (!CheckDisc(*this, report_, 1, disc)) return false;
    FOutcome = InstallOutcome::Failed;
    // Before the first file is touched, the whole plan is on the disk.
    if (!installation_.Journal()) return false;

    if (!CopyMainFiles(folder, disc)) return false;
    for (int n = 1; n <= InstConfig.TotalDisc && n <= kMaxDiscs; ++n) {
        if (!CheckDisc(*this, report_, n, disc)) {
            FOutcome = InstallOutcome::NoDisc;
            return false;
        }
        for (int g = 0; g < kGroupCount; ++g)
            if (!CopyGroup(folder, g, n, disc)) return false;
    }
    pgbAll.SetPosition(100);
    return true;
}

// Tazu.exe, Tazu.env, the sound library and the icon, straight into the folder.
bool TfrmCopyFile::CopyMainFiles(const platform::WinPath& folder, const DiscSource& disc) {
    const std::string mainFiles[4][2] = {
        {"Tazu.exe", disc.folderMode ? disc.folder + "\\InstData\\Tazu.exe" : InstConfig.CdRoot + InstConfig.ExeSource},
        {"Tazu.env", disc.Of(InstConfig.EnvSource)},
        {"ovit.dll", disc.Of(InstConfig.DllSource)},
        {InstConfig.ShortcutIcon, disc.Of(InstConfig.IconSource)},
    };
    for (const auto& file : mainFiles) {
        const auto destination = folder.Child(file[0]);
        if (!destination || IsReservedName(destination->Last()) || !WriteLogLine(destination->Text()) ||
            !installation_.MoveAside(destination->Text(), report_) || CopyFileWithProgress(*this, destination->Text(), file[1]))
            return false;
        report_.Note("コピー：" + destination->Text());
    }
    return true;
}

// The entries of group `g` on disc `n`, into the group's folder. Data files
// already there (save data above all) are never overwritten; one this
// installation copied from disc 1 is its own. Sub-folders of an entry are
// not reproduced.
bool TfrmCopyFile::CopyGroup(const platform::WinPath& folder, int g, int n, const DiscSource& disc) {
    const auto groupFolder = folder.Child(kGroups[g]);
    platform::CreateDirectoryTree(groupFolder->Text());
    for (const std::string& entry : InstConfig.Files(g, n)) {
        const auto destination = groupFolder->Child(sjis::LastPathComponent(entry));
        if (!destination || IsReservedName(destination->Last()) || !WriteLogLine(destination->Text())) return false;
        const std::string path = destination->Text();
        const PlannedFile* planned = installation_.Planned().Find(path);
        const bool kept = planned && planned->kind == PlannedFile::Kind::Keep;
        if (g == 0) {
            if (kept || installation_.Wrote(path) || platform::FileExists(path)) continue;
        } else if (kept) {
            return false;  // no free name to move the file from before aside
        }
        if (!installation_.MoveAside(path, report_) || CopyFileWithProgress(*this, path, disc.Of(entry))) return false;
        report_.Note("コピー：" + path);
    }
    return true;
}

void TfrmCopyFile::Finish() {
    // Tazu.env as copied, with the four data groups set to the installed
    // copy; written beside it and then swapped in, so it is never half written.
    const std::string env = installation_.Folder().Child("Tazu.env")->Text();
    const auto bytes = platform::ReadWholeFile(env);
    if (!bytes) throw std::runtime_error("ファイルを読み込めません。\n\n[ " + env + " ]");
    std::optional<std::string> edited = *bytes;
    for (const char* key : {"TAZ", "TZD", "TZS", "TZM"})
        if (edited) edited = platform::IniWriteString(*edited, "Environment", key, "H");
    if (!edited) throw std::runtime_error("ファイルに書き込めません。\n\n[ " + env + " ]");
    const std::string fresh = installation_.Folder().Child(kEnvReplacement)->Text();
    if (!installation_.Claim(fresh, report_)) throw std::runtime_error("ファイルに書き込めません。\n\n[ " + fresh + " ]");
    if (!ReplaceWholeFile(env, *edited, fresh)) throw std::runtime_error("ファイルに書き込めません。\n\n[ " + env + " ]");

    lblInstFile.SetCaption("スタートメニューに登録しています...");
    Repaint();
    // The shortcut joins the plan here, and the journal with it, before it
    // is made.
    InstallPlan& plan = installation_.Planned();
    const bool uninstallerPlanned = PlanAppsEntry(plan);  // the uninstaller the list of programs starts, too
    if ((PlanShortcut(plan) || uninstallerPlanned) && !installation_.Journal())
        throw std::runtime_error("ファイルに書き込めません。\n\n[ " + InstConfig.InstPath + kJournalName + " ]");
    if (const auto place = StartMenuShortcutPlace(); place && plan.Find(place->link.Text())) {
        if (!installation_.Claim(place->link.Text(), report_))
            throw std::runtime_error("ファイルに書き込めません。\n\n[ " + place->link.Text() + " ]");
        // Only a planned shortcut is made: the rollback must know it.
        CreateStartMenuShortcut();
    }

    // The log is on the disk before the record names the installation.
    if (!FLog->Flush()) throw std::runtime_error("ファイルに書き込めません。\n\n[ " + InstConfig.InstPath + kSetupLogName + " ]");
    AddAppsEntry(installation_, report_);  // the list of installed programs, with the uninstaller it starts
    installation_.Commit();
    // Done: what was moved aside goes. Should any of it stay, the next start
    // finishes it, as the marker still says.
    installation_.Finish();
}

bool CopyFileWithProgress(TfrmCopyFile& form, const std::string& destination, const std::string& source) {
    Reporter& report = form.Report();
    std::vector<char>& buffer = form.FBuffer;
    try {
        if (buffer.size() != static_cast<std::size_t>(InstConfig.InstBufSize))
            buffer.assign(static_cast<std::size_t>(InstConfig.InstBufSize), '\0');
    } catch (const std::bad_alloc&) {
        report.Ask(&form, Msg::NoMemory);
        return true;
    }

    form.FFileCopied = 0;
    form.pgbFile.SetRange(0, 100);
    form.pgbFile.SetPosition(0);
    // The label goes with the bar: a new file does not show the last one's 100%.
    form.lblFilePer.SetCaption(PercentText(0));
    // The overall label shows from the first file on, not only after its first chunk.
    form.lblAllPer.SetCaption(PercentText(form.pgbAll.Position()));
    // The label reaches the screen with the next round of messages, within
    // a tenth of a second: repainting the whole form for every file would
    // cost more than copying a small one.
    const std::string copying = sjis::LastPathComponent(source) + " をコピーしています...";
    form.lblInstFile.SetCaption(copying);

    bool failed = true;
    try {
        auto in = platform::File::OpenRead(source);
        // Only a destination the installation planned is written, and never
        // a file it did not make emptied.
        auto out = in ? form.Installing().OpenForWrite(destination) : nullptr;
        if (!in || !out) return true;
        const std::uint64_t size = in->Size().value_or(0);
        const std::size_t step = std::min(buffer.size(), kMaxStep);
        int filePercent = 0, allPercent = -1;
        for (;;) {
            platform::app::ProcessMessages();
            auto got = in->Read(buffer.data(), step);
            // A disc that fails a read often reads again a moment later (a
            // drive spinning up, dust), so the chunk is read again from where
            // it began before the copy counts as failed: four times, each
            // after a second.
            constexpr int kReadRetries = 4, kReadRetryPauseMs = 1000;
            for (int retry = 1; !got && retry <= kReadRetries; ++retry) {
                const std::string tries = "（" + std::to_string(retry) + "/" + std::to_string(kReadRetries) + "回目）";
                report.Note("ディスクの読み込みに失敗しました：" + source + "（" + std::to_string(form.FFileCopied) +
                            "バイト目から）。1秒後に読み直します" + tries);
                // The label the copy shows in: the form's controls stay where they are.
                form.lblInstFile.SetCaption(sjis::LastPathComponent(source) + " を読み直しています..." + tries);
                platform::app::Wait(kReadRetryPauseMs);
                if (in->Seek(form.FFileCopied)) got = in->Read(buffer.data(), step);
                if (got) form.lblInstFile.SetCaption(copying);
            }
            if (!got) break;
            if (*got == 0) {
                failed = false;
                break;
            }
            const std::size_t n = *got;
            if (!out->Write(buffer.data(), n)) break;

            form.FFileCopied += n;
            form.FTotalCopied += n;
            InstConfig.DiskFreeSize -= static_cast<long double>(n);
            InstConfig.RemainInstSize = InstConfig.RemainInstSize > n ? InstConfig.RemainInstSize - n : 0;

            form.pgbFile.SetPosition(PercentOf(form.FFileCopied, size));
            form.pgbAll.SetPosition(PercentOf(form.FTotalCopied, InstConfig.TotalInstSize));
            if (form.pgbFile.Position() != filePercent) {
                filePercent = form.pgbFile.Position();
                form.lblFilePer.SetCaption(PercentText(filePercent));
            }
            if (form.pgbAll.Position() != allPercent) {
                allPercent = form.pgbAll.Position();
                form.lblAllPer.SetCaption(PercentText(allPercent));
            }

            platform::app::ProcessMessages();
            if (form.FCancel) {
                if (report.Ask(&form, Msg::CancelQuestion) == MbResult::Yes) {
                    form.FOutcome = InstallOutcome::Cancelled;
                    break;
                }
                form.FCancel = false;
            }
        }
        // The copy keeps the source's times, also when it is incomplete.
        if (const auto times = in->Times()) out->SetTimes(*times);
    } catch (const std::exception&) {
        report.Ask(&form, Msg::CopyFailed, {source});
        return true;
    }
    return failed;
}
