// Re-rooting the installed-file log at a game folder that was moved.
#pragma once
#include <string>

// The log `content` with every listed file moved into `folder` (ending in a
// backslash): a file lying directly in a group folder (DAT, TAZ, TZD, TZS,
// TZM, any case) becomes folder + group + "\" + name, any other file
// folder + name. Lines keep their order whatever their length, empty lines
// are dropped, and every line ends in CR LF as the installer writes it.
std::string RebaseInstallLog(const std::string& content, const std::string& folder);

// Replaces folder + "Setup.log" by its rebased copy: the new content is
// written and flushed beside the log first, then the names are swapped.
// False when anything failed; Setup.log then holds what it held before.
bool RewriteInstallLog(const std::string& folder);
