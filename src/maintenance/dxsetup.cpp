// The DirectX setup launcher.
#include "maintenance/dxsetup.h"

#include <string>

#include "install/instcommon.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/instconfig.h"

DirectXOutcome RunDirectXSetup(const platform::Form& owner, Reporter& report, const std::function<void()>& lock) {
    const char* const relative = platform::IsWin9xFamily() ? "Directx8.1b\\DX81jpn.exe" : "Directx8.1b\\DX81NTjpn.exe";
    const std::string setup = InstConfig.CdRoot + relative;
    if (!platform::FileExists(setup)) {
        report.Ask(&owner, Msg::DirectXMissing);
        return DirectXOutcome::Missing;
    }
    lock();
    auto program = platform::StartProcess("", setup);
    if (!program) {
        report.Ask(&owner, Msg::DirectXStartFailed);
        return DirectXOutcome::StartFailed;
    }
    WaitForProgramEnd(*program);
    // The menu was closed during the wait: the application is ending and
    // what the menu shared may already be released. The setup runs on.
    return platform::app::Terminated() ? DirectXOutcome::MenuClosed : DirectXOutcome::Done;
}
