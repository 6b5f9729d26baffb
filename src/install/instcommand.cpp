// The install command and the game start.
#include "shell/instmain.h"

void TfrmInstMain::btnStart1Click(platform::Control&) {}
