#include "engine_control_posix.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

// Waits at most this long for the engine to end by itself before it is killed.
constexpr int kExitWaitMs = 5000;

// Closes a descriptor when the scope ends, unless released.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int release() {
        int v = fd;
        fd = -1;
        return v;
    }
};

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool waitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

void reap(pid_t process) {
    for (int waited = 0; waited < kExitWaitMs; waited += 20) {
        if (::waitpid(process, nullptr, WNOHANG) != 0) return;
        ::usleep(20 * 1000);
    }
    ::kill(process, SIGKILL);
    ::waitpid(process, nullptr, 0);
}

}  // namespace

PosixEngineLink::PosixEngineLink(int socket, pid_t process) : socket_(socket), process_(process) {}

PosixEngineLink::~PosixEngineLink() {
    ::close(socket_);
    if (process_ > 0) reap(process_);
}

int PosixEngineLink::receiveSome(char* buffer, int size, int timeoutMs) {
    if (!waitReadable(socket_, timeoutMs)) return -1;
    ssize_t n = ::recv(socket_, buffer, static_cast<size_t>(size), 0);
    return n < 0 ? -1 : static_cast<int>(n);
}

bool PosixEngineLink::sendAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::unique_ptr<EngineControl> startEngine(const EngineStartOptions& requested, std::string* error) {
    const EngineStartOptions options = withDefaults(requested);
    auto fail = [error](const std::string& why) -> std::unique_ptr<EngineControl> {
        if (error) *error = why + " (" + std::strerror(errno) + ")";
        return nullptr;
    };
    Descriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener.fd < 0 || ::bind(listener.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.fd, 1) != 0 || ::getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return fail("cannot listen for the engine");
    }
    std::vector<std::string> args = engineArguments(options, ntohs(address.sin_port));
    args.insert(args.begin(), options.java);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t process = 0;
    if (::posix_spawn(&process, options.java.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return fail("cannot start " + options.java);
    }
    if (!waitReadable(listener.fd, options.startTimeoutMs)) {
        ::kill(process, SIGKILL);
        ::waitpid(process, nullptr, 0);
        return fail("the engine did not call back");
    }
    int accepted = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) {
        ::kill(process, SIGKILL);
        ::waitpid(process, nullptr, 0);
        return fail("cannot accept the engine's call");
    }
    return greetEngine(std::make_unique<PosixEngineLink>(accepted, process), options.startTimeoutMs, error);
}

std::unique_ptr<EngineLink> connectLoopback(int port, std::string* error) {
    Descriptor s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(port);
    if (s.fd < 0 || ::connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (error) *error = "cannot connect to 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<PosixEngineLink>(s.release(), 0);
}

std::unique_ptr<EngineControl> attachEngine(int controlPort, int trayPort, std::string* error) {
    auto link = connectLoopback(controlPort, error);
    if (!link) return nullptr;
    return std::make_unique<EngineControl>(std::move(link), trayPort, controlPort, false);
}
