// The install file lists as Setup.inf and the list files describe them: the
// one reading of the group sections, used by the utility's gathering and by
// the disc checker.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "platform/ini.h"
#include "shell/instconfig.h"

namespace filelists {

// Where an entry was read: key File<key> of [section] in Setup.inf, or line
// `line` (from 1) of the list file `listFile` that such a key points at.
struct Origin {
    std::string section;   // "TZS1"
    int key = 0;           // n of File<n>
    std::string listFile;  // full path; empty for a name written in Setup.inf
    int line = 0;          // 0 for a name written in Setup.inf
};

// Receives the lists in the order the utility builds them: group by group
// (kGroups order), disc by disc within a group, entries in list order.
class ListSink {
public:
    virtual ~ListSink() = default;
    // `group` indexes kGroups, `disc` is 1 or 2; `entry` is
    // "InstData\<group>\<name>" with the name as read.
    virtual void Add(int group, int disc, std::string entry, const Origin& origin) = 0;
    // A list-file marker, after the entries of its list file (`marker.listFile`)
    // were added; `read` is false when that file could not be read.
    virtual void ListFileMarker(int /*group*/, int /*disc*/, const Origin& /*marker*/, bool /*read*/) {}
    // The end of a section's list: `end.key` is the first File<n> that is
    // missing or empty.
    virtual void ListEnd(int /*group*/, int /*disc*/, const Origin& /*end*/) {}
};

// "InstData\<group>\<name>"
std::string Entry(const std::string& group, std::string_view name);
// "<folder of setupInfPath>Setup<section>.inf", the folder taken up to and
// including its last backslash.
std::string ListFilePath(const std::string& setupInfPath, const std::string& section);

// Calls `add` with each name of the list file at `path` and its line number.
// Lines end in CR LF or LF (the last may lack one); empty lines are skipped,
// nothing else is trimmed. False, and no call, when the file cannot be read.
bool ReadListFile(const std::string& path, const std::function<void(std::string_view name, int line)>& add);

// Reads the sections [<group><disc>] of `inf` for discs 1 to `totalDisc`
// (none below 1, at most kMaxDiscs): keys File1, File2, ... up to the first
// missing or empty one; a value beginning with ':' inserts the entries of
// the section's list file beside `setupInfPath`.
void Gather(const platform::IniFile& inf, const std::string& setupInfPath, int totalDisc, ListSink& sink);

}  // namespace filelists
