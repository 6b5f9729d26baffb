// Small game discs in a temporary folder on the real file system, for the
// checker's tests. Paths given to the builder are Shift-JIS and relative to
// the disc, with backslashes; names are written to the file system in UTF-8,
// as a disc author's Linux machine holds them.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/disc_services.h"
#include "platform/ini.h"
#include "platform/sjis.h"

// A temporary folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tazucheck-XXXXXX";
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot create " << pattern;
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The local path of a Shift-JIS relative path below `root`.
inline std::string LocalName(const std::string& root, const std::string& relative, bool utf8 = true) {
    std::string local = utf8 ? platform::ShiftJisToUtf8(relative) : relative;
    for (std::string::size_type i = 0; i < local.size(); ++i) {
        if (!utf8 && sjis::IsLeadByte(static_cast<unsigned char>(local[i]))) {
            ++i;
            continue;
        }
        if (local[i] == '\\') local[i] = '/';
    }
    return root + "/" + local;
}

// Writes `bytes` at `relative` below `root`, making the folders on the way.
inline void WriteAt(const std::string& root, const std::string& relative, const std::string& bytes,
                    bool utf8Name = true) {
    const std::filesystem::path path = LocalName(root, relative, utf8Name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void MakeFolder(const std::string& root, const std::string& relative) {
    std::filesystem::create_directories(LocalName(root, relative));
}

inline void RemoveAt(const std::string& root, const std::string& relative) {
    std::filesystem::remove_all(LocalName(root, relative));
}

// Setup.inf text that tests edit before the disc is checked.
struct SetupText {
    std::string bytes;

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        bytes = platform::IniWriteString(bytes, section, key, value).value();
    }
    // Removes the line that starts with `line` (a key and its '=').
    void Drop(const std::string& line) {
        const auto at = bytes.find("\n" + line);
        ASSERT_NE(at, std::string::npos) << line;
        bytes.erase(at + 1, bytes.find('\n', at + 1) - at);
    }
};
