// Record repair: removing the installation record, and pointing it at a
// moved game folder.
#include "shell/instmain.h"

void TfrmInstMain::btnInstInfoDelClick(platform::Control&) {}
void TfrmInstMain::btnInstPathChgClick(platform::Control&) {}
