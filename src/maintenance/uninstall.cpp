// The uninstall command.
#include "shell/instmain.h"

void TfrmInstMain::btnDeleteClick(platform::Control&) {}
