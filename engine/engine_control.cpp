#include "engine_control.h"

#include <chrono>

namespace {

// Room a reply needs beyond the wait the command itself asked for.
constexpr int kReplyMargin = 5000;

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A body the control line cannot carry literally goes in hex.
bool needsHex(const std::string& body) {
    return body.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

EngineControl::EngineControl(std::unique_ptr<EngineLink> link, int trayPort, int controlPort, bool ownsEngine)
    : link_(std::move(link)), trayPort_(trayPort), controlPort_(controlPort), stopped_(!ownsEngine) {}

EngineControl::~EngineControl() {
    if (!stopped_) stop();
}

bool EngineControl::readLine(std::string& line, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        char buffer[4096];
        int n = link_->receiveSome(buffer, sizeof buffer, static_cast<int>(left));
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string EngineControl::command(const std::string& line, int replyTimeoutMs, std::vector<std::string>* lines) {
    lastReply_.clear();
    if (!link_->sendAll(line + "\n")) return lastReply_;
    std::string reply;
    while (readLine(reply, replyTimeoutMs)) {
        if (startsWith(reply, "FRAME ") || startsWith(reply, "SENT ") || startsWith(reply, "ARGS ")) {
            if (lines) lines->push_back(reply);
            continue;
        }
        lastReply_ = reply;
        break;
    }
    return lastReply_;
}

bool EngineControl::ok(const std::string& line, int replyTimeoutMs) {
    return startsWith(command(line, replyTimeoutMs), "OK");
}

bool EngineControl::waitCommand(const std::string& line, int timeoutMs) {
    return ok(line + " " + std::to_string(timeoutMs), timeoutMs + kReplyMargin);
}

bool EngineControl::send(const std::string& message, const std::string& body) {
    if (needsHex(body)) return ok("SENDHEX " + message + " " + EngineRecord::toHex(body));
    return ok("SEND " + message + (body.empty() ? "" : " " + body));
}

bool EngineControl::flood(int count, const std::string& message, const std::string& body) {
    return ok("FLOOD " + std::to_string(count) + " " + message + (body.empty() ? "" : " " + body), 60000);
}

bool EngineControl::sendRaw(const std::string& bytes) { return ok("RAW " + EngineRecord::toHex(bytes)); }
bool EngineControl::closeConnection() { return ok("CLOSE"); }
bool EngineControl::goAway() { return ok("GOAWAY"); }
bool EngineControl::comeBack() { return ok("COMEBACK"); }

bool EngineControl::waitFrames(int count, int timeoutMs) {
    return waitCommand("WAIT " + std::to_string(count), timeoutMs);
}

bool EngineControl::waitType(const std::string& message, int count, int timeoutMs) {
    return waitCommand("WAITTYPE " + message + " " + std::to_string(count), timeoutMs);
}

bool EngineControl::waitConnections(int count, int timeoutMs) {
    return waitCommand("WAITCONN " + std::to_string(count), timeoutMs);
}

bool EngineControl::waitClosed(int count, int timeoutMs) {
    return waitCommand("WAITCLOSED " + std::to_string(count), timeoutMs);
}

std::vector<EngineRecord::Frame> EngineControl::record(int fromSeq) { return frames("RECORD", fromSeq); }
std::vector<EngineRecord::Frame> EngineControl::sent(int fromSeq) { return frames("SENT", fromSeq); }

std::vector<EngineRecord::Frame> EngineControl::frames(const std::string& listing, int fromSeq) {
    std::vector<std::string> lines;
    command(listing + " " + std::to_string(fromSeq), 20000, &lines);
    std::vector<EngineRecord::Frame> out;
    for (const auto& line : lines) {
        if (auto f = EngineRecord::parseFrameLine(line)) out.push_back(std::move(*f));
    }
    return out;
}

bool EngineControl::clear() { return ok("CLEAR"); }
bool EngineControl::setAnnounce(bool on) { return ok(std::string("ANNOUNCE ") + (on ? "on" : "off")); }
bool EngineControl::setAutoReply(bool on) { return ok(std::string("AUTOREPLY ") + (on ? "on" : "off")); }
bool EngineControl::setReply(const std::string& message, const std::string& body) {
    return ok("SET " + message + " " + body);
}

std::vector<std::vector<std::string>> EngineControl::secondaryCalls() {
    std::vector<std::string> lines;
    command("SECONDARY", 5000, &lines);
    std::vector<std::vector<std::string>> calls;
    for (const auto& line : lines) {
        // "ARGS n a|b|c"
        auto space = line.find(' ', 5);
        std::vector<std::string> args;
        if (space != std::string::npos) {
            EngineRecord::Frame joined;
            joined.body = line.substr(space + 1);
            args = joined.tokens();
        }
        calls.push_back(std::move(args));
    }
    return calls;
}

bool EngineControl::stop() {
    stopped_ = true;
    return ok("STOP");
}

std::vector<std::string> engineArguments(const EngineStartOptions& options, int callbackPort) {
    std::vector<std::string> args = {"-jar", options.jar,
                                     "--port", std::to_string(options.trayPort),
                                     "--control-port", "0",
                                     "--callback", std::to_string(callbackPort),
                                     "--max-seconds", std::to_string(options.maxSeconds)};
    args.insert(args.end(), options.extraArguments.begin(), options.extraArguments.end());
    return args;
}

bool parseHello(const std::string& line, int& trayPort, int& controlPort) {
    if (!startsWith(line, "HELLO ")) return false;
    auto tray = EngineRecord::replyValue(line, "tray");
    auto control = EngineRecord::replyValue(line, "control");
    if (!tray || !control || *tray <= 0 || *tray > 65535 || *control <= 0 || *control > 65535) return false;
    trayPort = static_cast<int>(*tray);
    controlPort = static_cast<int>(*control);
    return true;
}

EngineStartOptions withDefaults(EngineStartOptions options) {
    if (options.java.empty()) options.java = VW_ENGINE_JAVA;
    if (options.jar.empty()) options.jar = VW_ENGINE_JAR_PATH;
    return options;
}

std::unique_ptr<EngineControl> greetEngine(std::unique_ptr<EngineLink> link, int timeoutMs, std::string* error) {
    auto control = std::make_unique<EngineControl>(std::move(link), 0, 0);
    std::string hello;
    int tray = 0, ctl = 0;
    if (!control->readLine(hello, timeoutMs) || !parseHello(hello, tray, ctl)) {
        if (error) *error = "the engine did not greet: \"" + hello + "\"";
        control->stopped_ = true;  // nothing to stop on a line that never worked
        return nullptr;
    }
    control->trayPort_ = tray;
    control->controlPort_ = ctl;
    return control;
}
