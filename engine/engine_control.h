#pragma once
// A C++ client of the reference engine's control protocol (documented at the top of
// engine/src/vaultwick/engine/ReferenceEngine.java), for tests and the demo in every tree.
//
// startEngine() runs a private engine for the calling test: it listens on a loopback port of its own,
// starts `java -jar engine.jar --callback <that port> ...` and takes the engine's connection as the
// control line. The engine stops when the EngineControl is destroyed, and also when the test process
// dies (its end of the line closes), so no engine outlives its test. Under Wine, CreateProcess starts
// the Linux java directly, but the handle it returns cannot be waited on, hence the line.
#include "engine_record.h"

#include <memory>
#include <string>
#include <vector>

// Bytes to and from the engine; one implementation per platform (Winsock, POSIX sockets).
class EngineLink {
public:
    virtual ~EngineLink() = default;
    // Up to `size` bytes; 0 when the peer closed, -1 on error or when nothing came within timeoutMs.
    virtual int receiveSome(char* buffer, int size, int timeoutMs) = 0;
    virtual bool sendAll(const std::string& bytes) = 0;
};

struct EngineStartOptions {
    std::string java;  // empty: the java found at configure time
    std::string jar;   // empty: the engine jar of this build tree
    int trayPort = 0;  // 0: a free port
    int maxSeconds = 600;
    int startTimeoutMs = 30000;
    std::vector<std::string> extraArguments;
};

class EngineControl {
public:
    // ownsEngine: stop the engine on destruction (unless stop() was called already).
    EngineControl(std::unique_ptr<EngineLink> link, int trayPort, int controlPort, bool ownsEngine = true);
    ~EngineControl();
    EngineControl(const EngineControl&) = delete;
    EngineControl& operator=(const EngineControl&) = delete;

    int trayPort() const { return trayPort_; }
    int controlPort() const { return controlPort_; }

    // One command, its reply line ("" when the line broke or no reply came in time). Lines a
    // listing command writes before its "END" line go to `lines` when given.
    std::string command(const std::string& line, int replyTimeoutMs = 5000, std::vector<std::string>* lines = nullptr);
    const std::string& lastReply() const { return lastReply_; }

    // Pushes to the newest tray connection; a message is an alias ("stats"), class name or type id.
    bool send(const std::string& message, const std::string& body = "");
    bool flood(int count, const std::string& message, const std::string& body = "");
    bool sendRaw(const std::string& bytes);
    bool closeConnection();
    bool goAway();
    bool comeBack();

    bool waitFrames(int count, int timeoutMs);
    bool waitType(const std::string& message, int count, int timeoutMs);
    bool waitConnections(int count, int timeoutMs);
    bool waitClosed(int count, int timeoutMs);

    std::vector<EngineRecord::Frame> record(int fromSeq = 0);
    std::vector<EngineRecord::Frame> sent(int fromSeq = 0);  // what the engine wrote
    bool clear();
    bool setAnnounce(bool on);
    bool setAutoReply(bool on);
    bool setReply(const std::string& message, const std::string& body);
    std::vector<std::vector<std::string>> secondaryCalls();
    bool stop();

private:
    friend std::unique_ptr<EngineControl> greetEngine(std::unique_ptr<EngineLink>, int, std::string*);
    bool readLine(std::string& line, int timeoutMs);
    bool ok(const std::string& line, int replyTimeoutMs = 5000);
    bool waitCommand(const std::string& line, int timeoutMs);
    std::vector<EngineRecord::Frame> frames(const std::string& listing, int fromSeq);

    std::unique_ptr<EngineLink> link_;
    std::string pending_;
    std::string lastReply_;
    int trayPort_;
    int controlPort_;
    bool stopped_;
};

// The arguments after the java program: -jar, the jar, the engine's options, then the extra ones.
std::vector<std::string> engineArguments(const EngineStartOptions& options, int callbackPort);
// Reads "HELLO tray=P control=C"; false when the line is not one.
bool parseHello(const std::string& line, int& trayPort, int& controlPort);
// Completes the two empty paths of the options from what was found at configure time.
EngineStartOptions withDefaults(EngineStartOptions options);
// The first line the engine writes, awaited on a fresh link; nullptr (and *error) when it fails.
std::unique_ptr<EngineControl> greetEngine(std::unique_ptr<EngineLink> link, int timeoutMs, std::string* error);

// Platform parts (engine_control_win.cpp, engine_control_posix.cpp): start a private engine, or
// attach to a running one's control port on 127.0.0.1.
std::unique_ptr<EngineControl> startEngine(const EngineStartOptions& options = {}, std::string* error = nullptr);
std::unique_ptr<EngineControl> attachEngine(int controlPort, int trayPort, std::string* error = nullptr);
// A plain byte link to 127.0.0.1:port, e.g. to play the tray against the engine in a test.
std::unique_ptr<EngineLink> connectLoopback(int port, std::string* error = nullptr);
