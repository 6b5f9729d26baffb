// The utility's entry: the running guards, the main menu and the loop.
#include "shell/main.h"

#include <exception>

#include "platform/app.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"
#include "shell/unattended.h"
#include "shell/uninstaller.h"

int UtilityMain() {
    // With arguments: one command without the menu.
    const auto args = platform::app::Arguments();
    if (!args) return RefuseInexactArguments();
    if (const auto kept = RunKeptUninstaller(*args)) return *kept;  // the uninstaller kept with an installation
    if (!args->empty()) return RunFromCommandLine(*args);

    if (IsMutexPresent("TazuEngineUnit")) return 0;  // the game is running
    if (!TryTakeSingleInstanceMutex("TazuUtility")) return 0;  // another copy is running

    try {
        platform::app::Initialize();
        platform::app::SetTitle(kStartTitle);
        frmInstMain = new TfrmInstMain;
        frmInstMain->Create();
        platform::app::Run();
    } catch (const std::exception& e) {
        platform::app::ShowError(e.what());
    }
    if (frmInstMain) {
        frmInstMain->Destroy();
        delete frmInstMain;
        frmInstMain = nullptr;
    }

    ReleaseSingleInstanceMutex();
    return 0;
}
