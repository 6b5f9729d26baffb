// The Windows path model.
#include "platform/winpath.h"

#include <algorithm>

#include "platform/sjis.h"

namespace platform {

namespace {

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// "." (count 1) or ".." (count 2).
bool IsDots(const std::string& name, std::size_t count) {
    return name.size() == count && name[0] == '.' && name[count - 1] == '.';
}

bool IsReservedByte(unsigned char c) {
    switch (c) {
        case '\\': case '/': case '<': case '>': case ':': case '"': case '|': case '?': case '*': return true;
        default: return false;
    }
}

// The device that `name` opens whatever extension follows ("nul.txt" is
// NUL), as spelled up to its first dot; empty for none.
std::string DeviceIn(const std::string& name) {
    // Device names have 3, 4, 6 or 7 characters: any other length is none,
    // found without a copy (most names are tried here, a few are devices).
    auto length = std::min(name.find('.'), name.size());
    while (length > 0 && name[length - 1] == ' ') --length;
    if (length != 3 && length != 4 && length != 6 && length != 7) return std::string();
    const std::string spelled = name.substr(0, name.find('.'));
    std::string base = spelled;
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = sjis::FoldCase(base);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return spelled;
    const bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                          base[3] >= '1' && base[3] <= '9';
    return numbered ? spelled : std::string();
}

}  // namespace

bool WinPath::IsOneName(const std::string& name) {
    if (ComponentFault(name)) return false;
    const auto wide = sjis::ToUtf16(name);
    return wide && wide->size() <= kMaxKeyName;
}

std::optional<NameFault> WinPath::ComponentFault(const std::string& name) {
    if (name.empty()) return NameFault{NameFault::Empty, std::string()};
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20) return NameFault{NameFault::ControlByte, std::string()};
        if (sjis::IsLeadByte(c)) {
            // A second byte 0x5C or 0x7C belongs to the character: no backslash, no '|'.
            if (i + 1 >= name.size() || !IsTrailByte(static_cast<unsigned char>(name[i + 1])))
                return NameFault{NameFault::BrokenCharacter, std::string()};
            ++i;
        } else if (IsReservedByte(c)) {
            return NameFault{NameFault::ReservedCharacter, std::string(1, static_cast<char>(c))};
        }
    }
    if (IsDots(name, 1) || IsDots(name, 2)) return NameFault{NameFault::DotName, name};
    if (name.back() == '.' || name.back() == ' ') return NameFault{NameFault::TrailingDotOrBlank, std::string()};
    const std::string device = DeviceIn(name);
    if (!device.empty()) return NameFault{NameFault::DeviceName, device};
    return std::nullopt;
}

std::optional<WinPath> WinPath::Parse(const std::string& text) {
    PathFault ignored;
    return Parse(text, ignored);
}

std::optional<WinPath> WinPath::Parse(const std::string& text, PathFault& fault) {
    const auto refuse = [&fault](PathFault::Kind kind, std::optional<NameFault> name = std::nullopt) {
        fault = PathFault{kind, name.value_or(NameFault{NameFault::Empty, std::string()})};
        return std::nullopt;
    };
    // Every byte of the text ends up in the drive, which must be a letter, in
    // a part that is only dots, or in a component that ComponentFault
    // passes, which refuses control bytes and broken characters.
    const std::vector<std::string> s = sjis::SplitPath(text);
    WinPath path;
    path.parts_.reserve(s.size());
    path.keys_.reserve(s.size());
    std::size_t first;
    if (s.size() >= 2 && s[0].size() == 2 && s[0][1] == ':') {
        const char drive = static_cast<char>(s[0][0] & ~0x20);
        if (drive < 'A' || drive > 'Z') return refuse(PathFault::NoRoot);
        path.root_ = s[0];
        path.rootKey_ = std::string(1, drive) + ":";
        first = 1;
    } else if (s.size() >= 4 && s[0].empty() && s[1].empty()) {
        // "\\server\share"; "\\?\", "\\.\" and "\??\" never pass: "?" and
        // "." are no server names, and a single leading separator is no root.
        for (const std::string& part : {s[2], s[3]})
            if (const auto bad = ComponentFault(part)) return refuse(PathFault::BadName, bad);
        path.root_ = "\\\\" + s[2] + "\\" + s[3];
        path.rootKey_ = sjis::FoldCase(path.root_);
        first = 4;
    } else {
        return refuse(PathFault::NoRoot);
    }
    for (std::size_t i = first; i < s.size(); ++i) {
        const std::string& part = s[i];
        if (part.empty() || IsDots(part, 1)) continue;
        if (IsDots(part, 2)) {
            if (path.parts_.empty()) return refuse(PathFault::AboveRoot);
            path.parts_.pop_back();
            path.keys_.pop_back();
            continue;
        }
        if (const auto bad = ComponentFault(part)) return refuse(PathFault::BadName, bad);
        path.parts_.push_back(part);
        path.keys_.push_back(sjis::FoldCase(part));
    }
    return path;
}

std::string WinPath::Text() const {
    if (parts_.empty()) return root_ + "\\";
    std::size_t length = root_.size();
    for (const std::string& part : parts_) length += 1 + part.size();
    std::string text;
    text.reserve(length);
    text += root_;
    for (const std::string& part : parts_) (text += '\\') += part;
    return text;
}

std::string WinPath::FolderText() const { return parts_.empty() ? Text() : Text() + "\\"; }

std::string WinPath::RootText() const { return root_ + "\\"; }

std::string WinPath::Last() const { return parts_.empty() ? std::string() : parts_.back(); }

std::optional<WinPath> WinPath::Parent() const {
    if (parts_.empty()) return std::nullopt;
    WinPath parent = *this;
    parent.parts_.pop_back();
    parent.keys_.pop_back();
    return parent;
}

std::optional<WinPath> WinPath::Child(const std::string& name) const {
    if (ComponentFault(name)) return std::nullopt;
    WinPath child = *this;
    child.parts_.push_back(name);
    child.keys_.push_back(sjis::FoldCase(name));
    return child;
}

bool WinPath::operator==(const WinPath& other) const { return rootKey_ == other.rootKey_ && keys_ == other.keys_; }

bool WinPath::IsBelow(const WinPath& folder) const {
    if (rootKey_ != folder.rootKey_ || keys_.size() <= folder.keys_.size()) return false;
    for (std::size_t i = 0; i < folder.keys_.size(); ++i)
        if (keys_[i] != folder.keys_[i]) return false;
    return true;
}

bool WinPath::IsDirectlyIn(const WinPath& folder) const {
    return keys_.size() == folder.keys_.size() + 1 && IsBelow(folder);
}

bool WinPath::IsDirectlyIn(const WinPath& folder, const std::string& name) const {
    return keys_.size() == folder.keys_.size() + 2 && IsBelow(folder) &&
           keys_[folder.keys_.size()] == sjis::FoldCase(name);
}

}  // namespace platform
