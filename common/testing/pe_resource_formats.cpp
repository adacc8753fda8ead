#include "pe_resource_formats.h"

namespace Pe {
namespace {

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t o) {
    return static_cast<std::uint16_t>(b[o] | (b[o + 1] << 8));
}
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t o) {
    return u16(b, o) | (static_cast<std::uint32_t>(u16(b, o + 2)) << 16);
}
std::size_t align4(std::size_t o) { return (o + 3) & ~std::size_t{3}; }

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// One node of the version tree: wLength, wValueLength, wType, a terminated UTF-16 key, then the value
// and the children, each on a 4-byte boundary. `end` is where the node must stop.
struct Node {
    std::size_t start = 0, end = 0;
    std::string key;
    std::size_t value = 0;        // offset of the value
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::size_t children = 0;     // offset of the first child
};

std::optional<Node> readNode(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t limit) {
    if (at + 6 > limit) return std::nullopt;
    Node n;
    n.start = at;
    std::uint16_t length = u16(b, at);
    if (length < 6 || at + length > limit) return std::nullopt;
    n.end = at + length;
    n.valueLength = u16(b, at + 2);
    n.type = u16(b, at + 4);
    std::size_t o = at + 6;
    for (;; o += 2) {
        if (o + 2 > n.end) return std::nullopt;
        std::uint16_t c = u16(b, o);
        if (c == 0) break;
        appendUtf8(n.key, c);
    }
    n.value = align4(o + 2);
    // A text value's length counts UTF-16 units, a binary one counts bytes.
    std::size_t valueBytes = n.type == 1 ? n.valueLength * std::size_t{2} : n.valueLength;
    if (n.value > n.end || valueBytes > n.end - n.value) {
        if (n.valueLength != 0) return std::nullopt;
        n.value = n.end;
    }
    n.children = align4(n.value + valueBytes);
    return n;
}

template <typename Visit>
bool forEachChild(const std::vector<std::uint8_t>& b, const Node& parent, Visit visit) {
    for (std::size_t at = parent.children; at < parent.end; ) {
        auto child = readNode(b, at, parent.end);
        if (!child) return false;
        if (!visit(*child)) return false;
        at = align4(child->end);
    }
    return true;
}

std::string textValue(const std::vector<std::uint8_t>& b, const Node& n) {
    std::string out;
    for (std::size_t o = n.value; o + 2 <= n.end; o += 2) {
        char32_t c = u16(b, o);
        if (c == 0) break;
        if (c >= 0xd800 && c < 0xdc00 && o + 4 <= n.end) {
            char32_t low = u16(b, o + 2);
            if (low >= 0xdc00 && low < 0xe000) {
                c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
                o += 2;
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace

std::optional<VersionInfo> readVersionInfo(const std::vector<std::uint8_t>& data) {
    auto root = readNode(data, 0, data.size());
    if (!root || root->key != "VS_VERSION_INFO" || root->valueLength < 52) return std::nullopt;
    std::size_t f = root->value;
    if (u32(data, f) != 0xfeef04bdu) return std::nullopt;
    VersionInfo info;
    auto split = [&](std::size_t at, std::array<std::uint16_t, 4>& v) {
        std::uint32_t ms = u32(data, at), ls = u32(data, at + 4);
        v = {static_cast<std::uint16_t>(ms >> 16), static_cast<std::uint16_t>(ms), static_cast<std::uint16_t>(ls >> 16),
             static_cast<std::uint16_t>(ls)};
    };
    split(f + 8, info.fileVersion);
    split(f + 16, info.productVersion);
    info.fileType = u32(data, f + 36);
    bool haveTable = false;
    bool ok = forEachChild(data, *root, [&](const Node& block) {
        if (block.key != "StringFileInfo") return true;
        return forEachChild(data, block, [&](const Node& table) {
            if (haveTable) return true;
            haveTable = true;
            return forEachChild(data, table, [&](const Node& entry) {
                info.strings[entry.key] = textValue(data, entry);
                return true;
            });
        });
    });
    if (!ok) return std::nullopt;
    return info;
}

std::optional<std::vector<int>> readIconGroupSizes(const std::vector<std::uint8_t>& data) {
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries whose first byte is the width.
    if (data.size() < 6 || u16(data, 2) != 1) return std::nullopt;
    std::size_t count = u16(data, 4);
    if (data.size() < 6 + count * 14) return std::nullopt;
    std::vector<int> sizes;
    for (std::size_t i = 0; i < count; ++i) sizes.push_back(data[6 + i * 14] == 0 ? 256 : data[6 + i * 14]);
    return sizes;
}

std::string manifestText(const std::vector<std::uint8_t>& data) {
    std::size_t skip = data.size() >= 3 && data[0] == 0xef && data[1] == 0xbb && data[2] == 0xbf ? 3 : 0;
    return std::string(data.begin() + static_cast<std::ptrdiff_t>(skip), data.end());
}

}  // namespace Pe
