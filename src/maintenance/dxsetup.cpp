// The DirectX setup launcher.
#include "shell/instmain.h"

void TfrmInstMain::btnInstDirectXClick(platform::Control&) {}
