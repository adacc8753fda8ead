#pragma once
// What the reference engine reports back over its control protocol, parsed: the frames it received
// (one "FRAME ..." line each) and the "key=value" words of a reply line. Bytes stay bytes here
// (std::string holds the ISO-8859-1 body exactly as it crossed the wire).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace EngineRecord {

struct Frame {
    int seq = 0;
    int connection = 0;
    std::uint16_t typeId = 0;
    std::string className;   // as announced on that connection, else the catalogue name, else "?"
    bool announced = false;  // a ClassMessage named this type earlier on the same connection
    std::int32_t length = 0; // the header's length field, also when it was negative or too big
    std::string body;

    // The body split at every "|"; an empty body gives one empty token, as the tray decodes it.
    std::vector<std::string> tokens() const;
};

// Parses "FRAME seq conn type class announced length hex text" (or the same with SENT, for what the
// engine wrote); nothing when the line is not one.
std::optional<Frame> parseFrameLine(const std::string& line);

// The value of "key=" in a reply such as "OK frames=3 conns=1"; nothing when the key is absent.
std::optional<long long> replyValue(const std::string& reply, const std::string& key);

// Lower-case hex of bytes, and back; fromHex gives nothing for odd length or a non-hex digit.
std::string toHex(const std::string& bytes);
std::optional<std::string> fromHex(const std::string& hex);

}  // namespace EngineRecord
