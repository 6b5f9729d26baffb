// The DirectX setup launcher.
#include <initializer_list>
#include <string>

#include "install/instcommon.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/process.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"

using platform::MbButtons;
using platform::MbIcon;

void TfrmInstMain::btnInstDirectXClick(platform::Control&) {
    const char* const relative = platform::IsWin9xFamily() ? "Directx8.1b\\DX81jpn.exe" : "Directx8.1b\\DX81NTjpn.exe";
    const std::string setup = InstConfig.CdRoot + relative;
    if (!platform::FileExists(setup)) {
        platform::ShowMessageBox(this, "DirectX 8.1b セットアッププログラムが見つかりません。", platform::app::Title(),
                                 MbButtons::Ok, MbIcon::Error);
        platform::app::ExitProcessNow();
    }

    const bool edtInstEnabled = edtInst.Enabled();
    const bool btnSEnabled = btnS.Enabled();
    // The repair buttons stay usable during the wait, so the state restored
    // afterwards follows InstPath as it is then, not as it was now.
    using Controls = std::initializer_list<platform::Control*>;
    for (platform::Control* c :
         Controls{&btnStart1, &btnStart2, &btnDelete, &edtInst, &btnS, &btnInstDirectX, &btnExit})
        c->SetEnabled(false);

    if (auto program = platform::StartProcess("", setup)) {
        WaitForProgramEnd(*program);
        // The menu was closed during the wait: the application is ending and
        // what the menu shared may already be released. The setup runs on.
        if (platform::app::Terminated()) return;
    } else {
        platform::ShowMessageBox(this, "DirectX 8.1b セットアッププログラムの起動に失敗しました。",
                                 platform::app::Title(), MbButtons::Ok, MbIcon::Warning);
    }

    const bool installed = !InstConfig.InstPath.empty();
    btnStart1.SetEnabled(true);
    btnStart2.SetEnabled(!installed);
    btnDelete.SetEnabled(installed);
    edtInst.SetEnabled(edtInstEnabled);
    btnS.SetEnabled(btnSEnabled);
    btnInstDirectX.SetEnabled(true);
    btnExit.SetEnabled(true);
}
