// Reading the group sections of Setup.inf and the list files they point at.
#include "install/filelists.h"

#include "platform/files.h"
#include "platform/sjis.h"

namespace filelists {

// One allocation an entry: a disc may list hundreds of thousands.
std::string Entry(const std::string& group, std::string_view name) {
    static constexpr std::string_view kData = "InstData\\";
    std::string entry;
    entry.reserve(kData.size() + group.size() + 1 + name.size());
    entry.append(kData).append(group).append(1, '\\').append(name);
    return entry;
}

std::string ListFilePath(const std::string& setupInfPath, const std::string& section) {
    return sjis::FolderPart(setupInfPath) + "Setup" + section + ".inf";
}

bool ReadListFile(const std::string& path, const std::function<void(std::string_view name, int line)>& add) {
    const auto text = platform::ReadWholeFile(path);
    if (!text) return false;
    const std::string_view all(*text);
    int line = 0;
    std::string_view::size_type pos = 0;
    while (pos < all.size()) {
        ++line;
        std::string_view::size_type nl = all.find('\n', pos);
        if (nl == std::string_view::npos) nl = all.size();
        std::string_view::size_type end = nl;
        if (end > pos && all[end - 1] == '\r') --end;
        if (end > pos) add(all.substr(pos, end - pos), line);
        pos = nl + 1;
    }
    return true;
}

void Gather(const platform::IniFile& inf, const std::string& setupInfPath, int totalDisc, ListSink& sink) {
    for (int g = 0; g < kGroupCount; ++g) {
        const std::string group = kGroups[g];
        for (int disc = 1; disc <= totalDisc && disc <= kMaxDiscs; ++disc) {
            Origin origin;
            origin.section = group + std::to_string(disc);
            for (int n = 1;; ++n) {
                const std::string value = inf.ReadString(origin.section, "File" + std::to_string(n), "");
                origin.key = n;
                if (value.empty()) break;
                if (value[0] != ':') {
                    sink.Add(g, disc, Entry(group, value), origin);
                    continue;
                }
                // Everything after the ':' is ignored.
                Origin listed = origin;
                listed.listFile = ListFilePath(setupInfPath, origin.section);
                const bool read = ReadListFile(listed.listFile, [&](std::string_view name, int line) {
                    listed.line = line;
                    sink.Add(g, disc, Entry(group, name), listed);
                });
                listed.line = 0;
                sink.ListFileMarker(g, disc, listed, read);
            }
            sink.ListEnd(g, disc, origin);
        }
    }
}

}  // namespace filelists
