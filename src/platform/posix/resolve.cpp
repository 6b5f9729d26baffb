// Finding Windows-style paths on a POSIX file system without regard to case.
#include "platform/posix/resolve.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/disc_services.h"
#include "platform/sjis.h"

namespace platform::posix {

// Full-width Latin letters are U+FF41..U+FF5A, EF BD 81..9A in UTF-8.
std::string FoldUtf8(const std::string& name) {
    std::string out = name;
    for (std::string::size_type i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 'a' + 'A');
        } else if (c == 0xEF && i + 2 < out.size() && static_cast<unsigned char>(out[i + 1]) == 0xBD) {
            const unsigned char last = static_cast<unsigned char>(out[i + 2]);
            if (last >= 0x81 && last <= 0x9A) {
                out[i + 1] = static_cast<char>(0xBC);
                out[i + 2] = static_cast<char>(last - 0x81 + 0xA1);
            }
            i += 2;
        }
    }
    return out;
}

namespace {

bool Exists(const std::string& path, bool* folder) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    *folder = S_ISDIR(st.st_mode);
    return true;
}

// The name in `folder` that `part` (Shift-JIS) stands for; empty when none.
std::string FindName(const std::string& folder, const std::string& part) {
    bool valid = true;
    const std::string utf8 = ShiftJisToUtf8(part, &valid);
    bool isFolder = false;
    if (valid && Exists(folder + "/" + utf8, &isFolder)) return utf8;
    if (Exists(folder + "/" + part, &isFolder)) return part;

    DIR* dir = opendir(folder.c_str());
    if (!dir) return std::string();
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    // Two names that differ only in case cannot both be on the disc; take
    // the same one every time.
    std::sort(names.begin(), names.end());
    const std::string wanted = valid ? FoldUtf8(utf8) : std::string();
    for (const std::string& name : names) {
        if (name == "." || name == "..") continue;
        if ((valid && FoldUtf8(name) == wanted) || sjis::EqualsNoCase(name, part)) return name;
    }
    return std::string();
}

}  // namespace

std::optional<std::string> LocalPathBelow(const std::string& base, const std::string& relative,
                                          std::string* spelling) {
    std::string local = base;
    bool isFolder = true;
    if (spelling) spelling->clear();
    for (const std::string& part : sjis::SplitPath(relative)) {
        if (part.empty() || part == ".") continue;
        if (!isFolder) return std::nullopt;
        if (part.find_first_of("*?") != std::string::npos) return std::nullopt;
        const std::string name = part == ".." ? part : FindName(local, part);
        if (name.empty()) return std::nullopt;
        local += (local.empty() || local.back() == '/' ? "" : "/") + name;
        if (!Exists(local, &isFolder)) return std::nullopt;
        if (spelling) {
            if (!spelling->empty()) *spelling += '\\';
            *spelling += Utf8ToShiftJis(name).value_or(name);
        }
    }
    return local;
}

std::optional<std::string> LocalPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const bool absolute = path[0] == '/' || path[0] == '\\';
    return LocalPathBelow(absolute ? "/" : ".", path);
}

}  // namespace platform::posix
