// The install command and the game start, behind both big menu buttons.
#pragma once
#include <string>

#include "install/installoutcome.h"
#include "install/report.h"

namespace platform {
class Form;
}

// True when `folderText` is a usable install folder: given, absolute, no
// root, every name one that Windows keeps as written. Otherwise the message
// saying what is wrong with it was shown (owned by `owner`).
bool CheckInstallFolder(const platform::Form& owner, Reporter& report, const std::string& folderText);

// Installs the game into the folder `folderText` names, the M-WAVE variant
// when `mwave` (after its notice): the folder is checked and made, the copy
// form copies, and a failed or cancelled installation is rolled back in the
// deleting window and reported. `owner` owns the questions and has the
// progress windows centred over it.
InstallOutcome InstallGame(const std::string& folderText, bool mwave, const platform::Form& owner, Reporter& report);

// Starts the installed game. False when it could not be started (said so).
bool StartGame(const platform::Form& owner, Reporter& report);
