// The copy form: the modal progress window of an installation, whose start
// message runs the install driver, and the chunked copy of one file.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "install/installoutcome.h"
#include "install/report.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/winpath.h"

extern const platform::FormDef kCopyFileForm;

struct DiscSource;
class Installation;

constexpr int WM_COPYSTART = 100;  // the copy form's own start message

class TfrmCopyFile : public platform::Form {
public:
    // Shows the progress of `installation`, whose steps its driver takes.
    // Centred over `over`; its questions go to `report`.
    TfrmCopyFile(const platform::Form& over, Installation& installation, Reporter& report);
    ~TfrmCopyFile() override;

    platform::Label lblInstFile{*this, "lblInstFile"};
    platform::ProgressBar pgbFile{*this, "pgbFile"};
    platform::Label Label1{*this, "Label1"};
    platform::Label Label2{*this, "Label2"};
    platform::ProgressBar pgbAll{*this, "pgbAll"};
    platform::Button btnCancel{*this, "btnCancel"};
    platform::Panel pnlSize{*this, "pnlSize"};
    platform::Label lblFilePer{*this, "lblFilePer"};
    platform::Label lblAllPer{*this, "lblAllPer"};

    std::uint64_t FFileCopied = 0;
    std::uint64_t FTotalCopied = 0;
    bool FCancel = false;
    // Why the installation ended, when it did not end well.
    InstallOutcome FOutcome = InstallOutcome::Failed;
    std::unique_ptr<platform::File> FLog;  // Setup.log; null when it could not be created
    // The copy buffer of InstBufSize bytes, zero-filled when first needed and
    // kept for the form's other files: filling a large one anew for each of
    // thousands of small files would cost more than copying them.
    std::vector<char> FBuffer;

    // pnlSize's text for the current remaining size and free space, refreshed
    // only when the rounded figures can have changed.
    void ShowSizes();
    Reporter& Report() { return report_; }
    Installation& Installing() { return installation_; }

private:
    void FormShow() override;
    void OnMessage(int message) override;
    void OnFlush() override;
    void btnCancelClick(platform::Control& sender);
    // The install driver: the whole installation, ending with the modal result.
    void WMCopyStart();
    bool OpenLog();
    bool RunCopies();
    bool CopyMainFiles(const platform::WinPath& folder, const DiscSource& disc);
    bool CopyGroup(const platform::WinPath& folder, int group, int disc, const DiscSource& source);
    void Finish();
    void Fail(const std::exception& error);
    bool WriteLogLine(const std::string& path);

    std::int64_t shownRemain_ = -1, shownFree_ = -1;
    const platform::Form& over_;
    Installation& installation_;
    Reporter& report_;
};

extern TfrmCopyFile* frmCopyFile;

// Copies `source` to `destination` in chunks of InstConfig.InstBufSize,
// moving the form's bars and answering its Cancel button between chunks;
// the copy gets the source's file times. False when the copy completed,
// true when it failed or the user cancelled (a partial file stays).
bool CopyFileWithProgress(TfrmCopyFile& form, const std::string& destination, const std::string& source);

// Position 0..100 of `done` out of `total`, truncated; a total of 0 is
// complete once anything was done.
int PercentOf(std::uint64_t done, std::uint64_t total);
