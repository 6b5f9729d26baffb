// Disc images on POSIX through libiso9660: the label from the primary volume
// descriptor, the names from the Joliet tree or, without one, the ISO 9660
// tree as Windows shows it. Each image is read into memory once; its files'
// contents are read from it when asked for.
#include "platform/posix/disc_image.h"

#include <cdio/bytesex.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "platform/posix/resolve.h"
#include "platform/sjis.h"

namespace platform {

namespace {

// ISO 9660 nests folders 8 deep; a damaged image may nest without end, or
// point a folder at one of its parents.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxItems = 1000000;

struct Node {
    std::string name;  // Shift-JIS
    std::string key;   // its folded UTF-8, for lookups without regard to case
    bool folder = false;
    std::uint64_t size = 0;
    lsn_t lsn = 0;
    std::vector<Node> children;
};

struct IsoCloser {
    void operator()(iso9660_t* iso) const { iso9660_close(iso); }
};

struct Image {
    std::unique_ptr<iso9660_t, IsoCloser> iso;
    Node tree;
};

// Opened images by root, for the rest of the run.
std::map<std::string, Image>& Images() {
    static std::map<std::string, Image> images;
    return images;
}

class TreeReader {
public:
    TreeReader(iso9660_t* iso, DiscImage& image) : iso_(iso), image_(image) {}

    // The Joliet tree as the library reads it: names in UTF-8 from UCS-2.
    bool ReadJoliet(const std::string& utf8Path, const std::string& spelling, Node& folder, int depth) {
        if (depth > kMaxDepth) return false;
        CdioISO9660FileList_t* list = iso9660_ifs_readdir(iso_, utf8Path.c_str());
        if (!list) return false;
        bool ok = true;
        CdioListNode_t* entry;
        _CDIO_LIST_FOREACH(entry, list) {
            const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(entry));
            const std::string name = stat->filename;
            if (name == "." || name == "..") continue;
            const auto sjisName = Utf8ToShiftJis(name);
            if (!sjisName) {
                image_.unnamed.push_back(Join(spelling, Marked(name)));
                continue;
            }
            Node child;
            child.name = *sjisName;
            child.key = posix::FoldUtf8(name);
            child.folder = stat->type == iso9660_stat_s::_STAT_DIR;
            child.size = child.folder ? 0 : stat->size;
            child.lsn = stat->lsn;
            if (!Add(spelling, child)) return false;
            if (child.folder)
                ok = ReadJoliet(utf8Path + name + "/", Join(spelling, child.name), child, depth + 1) && ok;
            folder.children.push_back(std::move(child));
        }
        iso9660_filelist_free(list);
        return ok;
    }

    // The ISO 9660 tree from its directory records. The library would give
    // the Rock Ridge names that a Linux mastering tool adds, which Windows
    // never reads; Windows shows the names as recorded, ";1" and all.
    bool ReadPlain(lsn_t lsn, std::uint32_t bytes, const std::string& spelling, Node& folder, int depth) {
        if (depth > kMaxDepth) return false;
        const std::size_t blocks = (bytes + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE;
        std::vector<char> data(blocks * ISO_BLOCKSIZE);
        if (blocks == 0 || iso9660_iso_seek_read(iso_, data.data(), lsn, static_cast<long>(blocks)) !=
                               static_cast<long>(data.size()))
            return false;
        bool ok = true;
        bool continued = false;  // the last record was not the last extent of its file
        for (std::size_t at = 0; at < data.size();) {
            const auto* record = reinterpret_cast<const iso9660_dir_t*>(data.data() + at);
            const std::size_t length = iso9660_get_dir_len(record);
            // No record crosses a block; zeros fill a block after its last one.
            if (length == 0 || at % ISO_BLOCKSIZE + length > ISO_BLOCKSIZE) {
                at = (at / ISO_BLOCKSIZE + 1) * ISO_BLOCKSIZE;
                continue;
            }
            at += length;
            const std::size_t nameLength = from_711(record->filename.len);
            if (offsetof(iso9660_dir_t, filename) + 1 + nameLength > length) return false;
            const std::string name(&record->filename.str[1], nameLength);
            if (name.size() == 1 && (name[0] == '\0' || name[0] == '\1')) continue;  // "." and ".."
            const std::uint32_t size = from_733(record->size);
            const bool multi = (record->file_flags & ISO_MULTIEXTENT) != 0;
            if (continued && !folder.children.empty() && folder.children.back().name == name) {
                folder.children.back().size += size;
                image_.items.back().size += size;
                continued = multi;
                continue;
            }
            continued = multi;
            Node child;
            child.name = name;
            child.key = posix::FoldUtf8(ShiftJisToUtf8(name));
            child.folder = (record->file_flags & ISO_DIRECTORY) != 0;
            child.size = child.folder ? 0 : size;
            child.lsn = static_cast<lsn_t>(from_733(record->extent));
            if (!Add(spelling, child)) return false;
            if (child.folder) ok = ReadPlain(child.lsn, size, Join(spelling, name), child, depth + 1) && ok;
            folder.children.push_back(std::move(child));
        }
        return ok;
    }

private:
    static std::string Join(const std::string& folder, const std::string& name) {
        return folder.empty() ? name : folder + "\\" + name;
    }

    // A UTF-8 name with "<U+XXXX>" for each character that Shift-JIS lacks.
    static std::string Marked(const std::string& utf8) {
        std::string out;
        for (std::size_t i = 0; i < utf8.size();) {
            const unsigned char c = static_cast<unsigned char>(utf8[i]);
            const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            const std::string character = utf8.substr(i, length);
            i += length;
            if (auto sjis = Utf8ToShiftJis(character)) {
                out += *sjis;
                continue;
            }
            unsigned long code = length == 1 ? c : c & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < character.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
            char text[16];
            std::snprintf(text, sizeof text, "<U+%04lX>", code);
            out += text;
        }
        return out;
    }

    bool Add(const std::string& spelling, const Node& node) {
        if (image_.items.size() >= kMaxItems) return false;
        image_.items.push_back({Join(spelling, node.name), node.folder, node.size});
        return true;
    }

    iso9660_t* iso_;
    DiscImage& image_;
};

// The image that `path` lies in, and the rest of the path below its root.
Image* Locate(const std::string& path, std::string* rest) {
    for (auto& [root, image] : Images()) {
        // The image's path without the backslash names the image file itself.
        if (path.compare(0, root.size(), root) == 0) {
            *rest = path.substr(root.size());
            return &image;
        }
    }
    return nullptr;
}

const Node* FindNode(const std::string& path, std::string* spelling) {
    std::string rest;
    const Image* image = Locate(path, &rest);
    if (!image) return nullptr;
    const Node* node = &image->tree;
    for (const std::string& part : sjis::SplitPath(rest)) {
        if (part.empty() || part == ".") continue;
        if (!node->folder || part.find_first_of("*?") != std::string::npos) return nullptr;
        bool valid = true;
        const std::string key = posix::FoldUtf8(ShiftJisToUtf8(part, &valid));
        const Node* next = nullptr;
        for (const Node& child : node->children) {
            if (child.name == part) {
                next = &child;  // an exact match wins
                break;
            }
            if (valid && !next && child.key == key) next = &child;
        }
        if (!next) return nullptr;
        node = next;
        if (spelling) *spelling += (spelling->empty() ? "" : "\\") + node->name;
    }
    return node;
}

}  // namespace

bool ReadsDiscImages() { return true; }

std::optional<DiscImage> OpenDiscImage(const std::string& path, std::string* error) {
    const auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    const auto local = posix::LocalPath(path);
    if (!local) return fail("no such file");
    // The library reports what it cannot read on standard error; the
    // checker says it in its own words.
    cdio_loglevel_default = CDIO_LOG_ASSERT;
    Image image;
    image.iso.reset(iso9660_open_ext(local->c_str(), ISO_EXTENSION_JOLIET_LEVEL1 | ISO_EXTENSION_JOLIET_LEVEL2 |
                                                         ISO_EXTENSION_JOLIET_LEVEL3));
    iso9660_pvd_t pvd;
    if (!image.iso || !iso9660_ifs_read_pvd(image.iso.get(), &pvd))
        return fail("not an ISO 9660 image (no primary volume descriptor)");

    DiscImage result;
    result.root = path + "\\";
    if (char* id = iso9660_get_volume_id(&pvd)) {
        result.label = id;
        free(id);
    }
    while (!result.label.empty() && result.label.back() == ' ') result.label.pop_back();
    result.joliet = iso9660_ifs_get_joliet_level(image.iso.get()) > 0;

    image.tree.folder = true;
    TreeReader reader(image.iso.get(), result);
    const bool read = result.joliet ? reader.ReadJoliet("/", "", image.tree, 0)
                                    : reader.ReadPlain(static_cast<lsn_t>(from_733(pvd.root_directory_record.extent)),
                                                       from_733(pvd.root_directory_record.size), "", image.tree, 0);
    if (!read) return fail("its folders cannot be read (a damaged or cut-off image)");
    Images()[result.root] = std::move(image);
    return result;
}

namespace posix {

bool InDiscImage(const std::string& path) {
    std::string rest;
    return Locate(path, &rest) != nullptr;
}

std::optional<DiscItem> FindInDiscImage(const std::string& path) {
    DiscItem item;
    const Node* node = FindNode(path, &item.spelling);
    if (!node) return std::nullopt;
    item.folder = node->folder;
    item.size = node->size;
    return item;
}

std::optional<std::string> ReadDiscImageFile(const std::string& path) {
    std::string rest;
    const Image* image = Locate(path, &rest);
    const Node* node = image ? FindNode(path, nullptr) : nullptr;
    if (!node || node->folder) return std::nullopt;
    const std::size_t blocks = (node->size + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE;
    std::string bytes(blocks * ISO_BLOCKSIZE, '\0');
    if (blocks > 0 && iso9660_iso_seek_read(image->iso.get(), bytes.data(), node->lsn, static_cast<long>(blocks)) !=
                          static_cast<long>(bytes.size()))
        return std::nullopt;
    bytes.resize(node->size);
    return bytes;
}

}  // namespace posix

}  // namespace platform
