// The reading side of files.h on POSIX, for the disc checker: paths are
// Windows-style Shift-JIS paths, found without regard to case (resolve.h),
// or paths into an opened disc image (disc_image.h).
#include "platform/files.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/posix/disc_image.h"
#include "platform/posix/resolve.h"

namespace platform {

namespace {

bool IsKind(const std::string& path, bool folder) {
    if (posix::InDiscImage(path)) {
        const auto item = posix::FindInDiscImage(path);
        return item && item->folder == folder;
    }
    const auto local = posix::LocalPath(path);
    struct stat st;
    return local && stat(local->c_str(), &st) == 0 && (S_ISDIR(st.st_mode) == folder) &&
           (folder || S_ISREG(st.st_mode));
}

}  // namespace

bool FileExists(const std::string& path) { return IsKind(path, false); }

bool DirectoryExists(const std::string& path) { return IsKind(path, true); }

std::optional<std::string> ReadWholeFile(const std::string& path) {
    if (posix::InDiscImage(path)) return posix::ReadDiscImageFile(path);
    const auto local = posix::LocalPath(path);
    struct stat st;
    // A folder opens as a stream here, but it is not a file.
    if (!local || stat(local->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream in(*local, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    if (st.st_size > 0 && !(bytes << in.rdbuf())) return std::nullopt;
    return bytes.str();
}

}  // namespace platform
