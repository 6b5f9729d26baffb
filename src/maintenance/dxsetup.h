// The DirectX setup launcher.
#pragma once
#include <functional>

#include "install/report.h"

namespace platform {
class Form;
}

enum class DirectXOutcome {
    Done,         // the setup ran and ended
    Missing,      // no setup program on the disc (said so); the utility ends
    StartFailed,  // it could not be started (said so)
    MenuClosed,   // the menu was closed during the wait; the setup runs on
};

// Starts the DirectX setup of the disc and keeps the windows alive until it
// ends; `lock` runs once the setup program was found, before it starts.
DirectXOutcome RunDirectXSetup(const platform::Form& owner, Reporter& report, const std::function<void()>& lock);
