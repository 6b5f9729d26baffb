// The one rule of what an installation may have put down: a pure rule of
// the path model, kept apart so that every reader of logs and journals
// (the fuzz target among them) uses this very code.
#pragma once
#include "platform/winpath.h"

// A file directly in `folder` or directly in one of its five group
// folders, as Windows reads both paths. A root is never an install folder.
bool IsInstalledFile(const platform::WinPath& file, const platform::WinPath& folder);
