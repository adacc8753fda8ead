#include "engine_record.h"

#include <cstdlib>
#include <sstream>

namespace EngineRecord {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseLong(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return end != nullptr && *end == '\0';
}

}  // namespace

std::vector<std::string> Frame::tokens() const {
    std::vector<std::string> out(1);
    for (char c : body) {
        if (c == '|') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

std::optional<Frame> parseFrameLine(const std::string& line) {
    std::istringstream in(line);
    std::string word, seq, conn, type, announced, length, hex;
    Frame f;
    if (!(in >> word >> seq >> conn >> type >> f.className >> announced >> length >> hex) || (word != "FRAME" && word != "SENT")) {
        return std::nullopt;
    }
    long long s = 0, c = 0, t = 0, n = 0;
    if (!parseLong(seq, s) || !parseLong(conn, c) || !parseLong(type, t) || !parseLong(length, n) || t < 0 ||
        t > 0xFFFF || (announced != "y" && announced != "n")) {
        return std::nullopt;
    }
    if (hex != "-") {
        auto bytes = fromHex(hex);
        if (!bytes) return std::nullopt;
        f.body = *bytes;
    }
    f.seq = static_cast<int>(s);
    f.connection = static_cast<int>(c);
    f.typeId = static_cast<std::uint16_t>(t);
    f.announced = announced == "y";
    f.length = static_cast<std::int32_t>(n);
    return f;
}

std::optional<long long> replyValue(const std::string& reply, const std::string& key) {
    std::istringstream in(reply);
    std::string word;
    const std::string prefix = key + "=";
    while (in >> word) {
        long long value = 0;
        if (word.compare(0, prefix.size(), prefix) == 0 && parseLong(word.substr(prefix.size()), value)) return value;
    }
    return std::nullopt;
}

std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::optional<std::string> fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>((hi << 4) | lo);
    }
    return out;
}

}  // namespace EngineRecord
