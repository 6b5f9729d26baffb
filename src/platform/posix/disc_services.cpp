// The disc checker's services on POSIX: names through resolve.h or in a disc
// image (disc_image.h), code page 932 through the C library's iconv.
#include "platform/disc_services.h"

#include <errno.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/posix/disc_image.h"
#include "platform/posix/resolve.h"
#include "platform/sjis.h"

namespace platform {

namespace {

// One conversion descriptor per direction for the whole run.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `text`; at a byte that starts no character, calls `bad` with
    // it and goes on after it, unless `bad` returns false.
    template <typename OnBad>
    std::string Convert(const std::string& text, OnBad bad) {
        if (!ok()) return text;  // no code page 932 in this C library: pass bytes through
        std::string out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
            // EILSEQ, or EINVAL for a character cut off at the end.
            if (!bad(out, static_cast<unsigned char>(*in))) return out;
            ++in;
            --inLeft;
        }
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<DiscItem> FindOnDisc(const std::string& root, const std::string& relative) {
    if (posix::InDiscImage(root)) {
        const auto folder = posix::FindInDiscImage(root);
        if (!folder || !folder->folder) return std::nullopt;
        auto item = posix::FindInDiscImage(sjis::WithTrailingBackslash(root) + relative);
        // The spelling is relative to the image; give it relative to `root`.
        if (item && !folder->spelling.empty()) item->spelling.erase(0, folder->spelling.size() + 1);
        return item;
    }
    const auto base = posix::LocalPath(root);
    if (!base) return std::nullopt;
    DiscItem item;
    const auto local = posix::LocalPathBelow(*base, relative, &item.spelling);
    struct stat st;
    if (!local || stat(local->c_str(), &st) != 0) return std::nullopt;
    item.folder = S_ISDIR(st.st_mode);
    item.size = item.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
    return item;
}

std::string ShiftJisToUtf8(const std::string& text, bool* valid) {
    static Converter toUtf8("UTF-8", "CP932");
    if (valid) *valid = true;
    return toUtf8.Convert(text, [valid](std::string& out, unsigned char byte) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        out += escaped;
        if (valid) *valid = false;
        return true;
    });
}

std::optional<std::string> Utf8ToShiftJis(const std::string& text) {
    static Converter toSjis("CP932", "UTF-8");
    bool valid = true;
    std::string out = toSjis.Convert(text, [&valid](std::string&, unsigned char) { return valid = false; });
    if (!valid) return std::nullopt;
    return out;
}

void WriteOutput(const std::string& utf8, bool toError) {
    std::FILE* stream = toError ? stderr : stdout;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace platform
