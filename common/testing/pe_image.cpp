#include "pe_image.h"

#include <fstream>
#include <iterator>

namespace Pe {
namespace {

// Every read is checked against the file's end: the reader must survive any bytes.
class Bytes {
public:
    explicit Bytes(const std::vector<std::uint8_t>& b) : b_(b) {}
    bool has(std::uint64_t offset, std::uint64_t count) const { return offset <= b_.size() && count <= b_.size() - offset; }
    std::uint16_t u16(std::uint64_t o) const { return static_cast<std::uint16_t>(b_[o] | (b_[o + 1] << 8)); }
    std::uint32_t u32(std::uint64_t o) const { return u16(o) | (static_cast<std::uint32_t>(u16(o + 2)) << 16); }
    const std::vector<std::uint8_t>& all() const { return b_; }

private:
    const std::vector<std::uint8_t>& b_;
};

struct Section {
    std::uint32_t rva, virtualSize, fileOffset, fileSize;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& file) : bytes_(file) {}

    std::optional<Image> read(std::string& error) {
        Image image;
        if (!bytes_.has(0, 64) || bytes_.u16(0) != 0x5a4d) return fail(error, "no MZ header");
        std::uint32_t pe = bytes_.u32(60);
        if (!bytes_.has(pe, 24) || bytes_.u32(pe) != 0x00004550) return fail(error, "no PE signature");
        image.machine = bytes_.u16(pe + 4);
        std::uint16_t sectionCount = bytes_.u16(pe + 6);
        std::uint16_t optionalSize = bytes_.u16(pe + 20);
        std::uint64_t optional = pe + 24;
        if (!bytes_.has(optional, optionalSize) || optionalSize < 2) return fail(error, "truncated optional header");
        std::uint16_t magic = bytes_.u16(optional);
        if (magic != 0x10b && magic != 0x20b) return fail(error, "unknown optional header");
        image.is64 = magic == 0x20b;
        std::uint64_t directories = optional + (image.is64 ? 112 : 96);
        std::uint64_t countField = optional + (image.is64 ? 108 : 92);
        if (countField + 4 > optional + optionalSize) return fail(error, "truncated optional header");
        std::uint32_t directoryCount = bytes_.u32(countField);
        std::uint64_t sectionTable = optional + optionalSize;
        if (!bytes_.has(sectionTable, std::uint64_t{sectionCount} * 40)) return fail(error, "truncated section table");
        for (std::uint16_t i = 0; i < sectionCount; ++i) {
            std::uint64_t s = sectionTable + i * 40ull;
            sections_.push_back({bytes_.u32(s + 12), bytes_.u32(s + 8), bytes_.u32(s + 20), bytes_.u32(s + 16)});
        }
        // Data directory 2 holds the resources; a program may have none.
        if (directoryCount <= 2 || directories + 24 > optional + optionalSize) return image;
        std::uint32_t resourceRva = bytes_.u32(directories + 16);
        if (resourceRva == 0) return image;
        auto root = offsetOf(resourceRva, 16);
        if (!root) return fail(error, "resource directory outside the file");
        resourceBase_ = *root;
        if (!walk(0, 0, Resource{}, image.resources)) return fail(error, "malformed resource directory");
        return image;
    }

private:
    static std::optional<Image> fail(std::string& error, const char* why) {
        error = why;
        return std::nullopt;
    }

    std::optional<std::uint64_t> offsetOf(std::uint32_t rva, std::uint32_t size) const {
        for (const Section& s : sections_) {
            std::uint32_t extent = s.virtualSize ? s.virtualSize : s.fileSize;
            if (rva >= s.rva && rva - s.rva < extent) {
                std::uint64_t offset = std::uint64_t{s.fileOffset} + (rva - s.rva);
                if (rva - s.rva + std::uint64_t{size} > s.fileSize || !bytes_.has(offset, size)) return std::nullopt;
                return offset;
            }
        }
        return std::nullopt;
    }

    bool readName(std::uint32_t offset, std::u16string& name) const {
        std::uint64_t at = resourceBase_ + offset;
        if (!bytes_.has(at, 2)) return false;
        std::uint16_t length = bytes_.u16(at);
        if (!bytes_.has(at + 2, length * 2ull)) return false;
        name.clear();
        for (std::uint16_t i = 0; i < length; ++i) name.push_back(static_cast<char16_t>(bytes_.u16(at + 2 + i * 2ull)));
        return true;
    }

    // Three levels: type, name or number, language. Deeper trees are malformed, which also stops loops.
    bool walk(std::uint32_t directory, int level, Resource path, std::vector<Resource>& out) const {
        std::uint64_t at = resourceBase_ + directory;
        if (level > 2 || !bytes_.has(at, 16)) return false;
        std::uint32_t entries = std::uint32_t{bytes_.u16(at + 12)} + bytes_.u16(at + 14);
        if (!bytes_.has(at + 16, entries * 8ull)) return false;
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::uint64_t entry = at + 16 + i * 8ull;
            std::uint32_t name = bytes_.u32(entry), target = bytes_.u32(entry + 4);
            Resource here = path;
            bool named = (name & 0x80000000u) != 0;
            if (level == 0) {
                here.type = named ? 0 : name;
            } else if (level == 1) {
                here.id = named ? 0 : name;
                if (named && !readName(name & 0x7fffffffu, here.name)) return false;
            } else {
                here.language = static_cast<std::uint16_t>(name);
            }
            if (target & 0x80000000u) {
                if (!walk(target & 0x7fffffffu, level + 1, here, out)) return false;
                continue;
            }
            if (level != 2 || !bytes_.has(resourceBase_ + target, 16)) return false;
            std::uint32_t dataRva = bytes_.u32(resourceBase_ + target), size = bytes_.u32(resourceBase_ + target + 4);
            auto data = offsetOf(dataRva, size);
            if (!data) return false;
            here.data.assign(bytes_.all().begin() + static_cast<std::ptrdiff_t>(*data),
                             bytes_.all().begin() + static_cast<std::ptrdiff_t>(*data + size));
            out.push_back(std::move(here));
        }
        return true;
    }

    Bytes bytes_;
    std::vector<Section> sections_;
    std::uint64_t resourceBase_ = 0;
};

}  // namespace

const Resource* Image::find(std::uint32_t type, std::uint32_t id) const {
    for (const Resource& r : resources)
        if (r.type == type && r.id == id) return &r;
    return nullptr;
}

std::vector<const Resource*> Image::ofType(std::uint32_t type) const {
    std::vector<const Resource*> found;
    for (const Resource& r : resources)
        if (r.type == type) found.push_back(&r);
    return found;
}

std::optional<Image> read(const std::vector<std::uint8_t>& file, std::string& error) {
    return Reader(file).read(error);
}

std::optional<Image> readFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return read(bytes, error);
}

const char* machineName(std::uint16_t machine) {
    switch (machine) {
    case kMachineI386: return "i386";
    case kMachineAmd64: return "x86-64";
    default: return "other";
    }
}

}  // namespace Pe
