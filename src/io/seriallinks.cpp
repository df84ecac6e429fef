// The lines a COM port can talk over: a terminal device set up with
// termios, an outgoing TCP connection, or one accepted TCP connection.
//
// Choices made here:
// - Stop bits 1.5 are set as 2: termios knows only one and two.
// - A speed that termios has no constant for is set through the
//   driver's arbitrary-speed call; a driver that refuses it keeps 9600.
// - The carrier line (DCD) stands for the partner; a device without modem
//   lines (a pseudo-terminal) always has its partner.
// - A TCP line takes the settings of OPEN and ignores them.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "io/serial.h"

namespace tw {

bool setCustomSpeed(int fd, int baud);  // serialspeed.cpp

namespace {

speed_t speedConstant(int baud) {
    static constexpr std::pair<int, speed_t> table[] = {
        {110, B110},     {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
        {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000}, {576000, B576000},
        {921600, B921600}};
    for (const auto& [b, c] : table)
        if (b == baud) return c;
    return B0;
}

}  // namespace

bool serialTermios(termios& t, const SerialSettings& s) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;  // the carrier is read, not obeyed
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= s.dataBits == "7" ? CS7 : CS8;
    if (s.parity == "E") t.c_cflag |= PARENB;
    if (s.parity == "O") t.c_cflag |= PARENB | PARODD;
    if (s.stopBits != "1") t.c_cflag |= CSTOPB;
    t.c_cflag |= CRTSCTS;  // both flow codes use the RTS/CTS handshake
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.flow == 3) t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    const speed_t c = speedConstant(std::atoi(s.speed.c_str()));
    ::cfsetispeed(&t, c == B0 ? B9600 : c);
    ::cfsetospeed(&t, c == B0 ? B9600 : c);
    return c != B0;
}

namespace {

class TtyLink : public SerialLink {
public:
    explicit TtyLink(std::string path) : path_(std::move(path)) {}
    ~TtyLink() override { close(); }

    bool open(const SerialSettings& s) override {
        fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return false;
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return true;  // not a terminal: bytes as they are
        const bool standard = serialTermios(t, s);
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
            close();
            return false;
        }
        if (!standard) setCustomSpeed(fd_, std::atoi(s.speed.c_str()));
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIS, &lines);  // refused by a pseudo-terminal; harmless
        return true;
    }
    bool partnerPresent() override {
        int lines = 0;
        if (fd_ < 0) return false;
        if (::ioctl(fd_, TIOCMGET, &lines) != 0) return true;
        return (lines & TIOCM_CAR) != 0;
    }
    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    long write(std::string_view bytes) override {
        if (fd_ < 0) return -1;
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EINTR) return 0;
        // A pseudo-terminal whose other end is closed: the bytes have no
        // reader, as on a cable with nobody at the other end.
        if (errno == EIO) return 0;
        return -1;
    }
    bool read(std::string& into, size_t max) override {
        if (fd_ < 0) return false;
        char buf[4096];
        while (max > 0) {
            const ssize_t n = ::read(fd_, buf, std::min(max, sizeof buf));
            if (n <= 0) return n == 0 || errno == EAGAIN || errno == EINTR || errno == EIO;
            into.append(buf, static_cast<size_t>(n));
            max -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
};

// Shared by both TCP lines: a connected socket.
class SocketLine {
public:
    ~SocketLine() { drop(); }
    bool connected() const { return fd_ >= 0; }
    void adopt(int fd) {
        drop();
        fd_ = fd;
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    void drop() {
        if (fd_ >= 0) {
            ::shutdown(fd_, SHUT_WR);
            ::close(fd_);
        }
        fd_ = -1;
    }
    long write(std::string_view bytes) {
        if (fd_ < 0) return 0;  // nobody there yet: the bytes wait
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EINTR) return 0;
        return -1;
    }
    bool read(std::string& into, size_t max) {
        if (fd_ < 0) return true;
        char buf[4096];
        while (max > 0) {
            const ssize_t n = ::recv(fd_, buf, std::min(max, sizeof buf), MSG_DONTWAIT);
            if (n == 0) {
                // The peer closed: its partner is gone, what came stays.
                drop();
                return false;
            }
            if (n < 0) return errno == EAGAIN || errno == EINTR;
            into.append(buf, static_cast<size_t>(n));
            max -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_ = -1;
};

// "host:port" split at its last colon.
bool splitHostPort(const std::string& address, std::string& host, std::string& port) {
    const size_t colon = address.rfind(':');
    if (colon == std::string::npos) {
        host.clear();
        port = address;
    } else {
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    return !port.empty();
}

addrinfo* resolve(const std::string& host, const std::string& port, bool passive) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (passive) hints.ai_flags = AI_PASSIVE;
    addrinfo* res = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0) return nullptr;
    return res;
}

constexpr int64_t kConnectWaitMs = 10000;

class TcpConnectLink : public SerialLink {
public:
    explicit TcpConnectLink(std::string address) : address_(std::move(address)) {}
    ~TcpConnectLink() override { close(); }
    bool open(const SerialSettings&) override {
        std::string host, port;
        if (!splitHostPort(address_, host, port)) return false;
        addrs_ = resolve(host.empty() ? "127.0.0.1" : host, port, false);
        return addrs_ != nullptr && start();
    }
    bool partnerPresent() override {
        if (line_.connected()) return true;
        if (pending_ < 0 && !start()) return false;
        // The connect in progress: done when the socket is writable.
        pollfd p{pending_, POLLOUT, 0};
        if (::poll(&p, 1, 0) <= 0) return false;
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(pending_, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            restart();
            return false;
        }
        line_.adopt(pending_);
        pending_ = -1;
        return true;
    }
    int64_t partnerWaitMs() const override { return kConnectWaitMs; }
    void close() override {
        line_.drop();
        if (pending_ >= 0) ::close(pending_);
        pending_ = -1;
        if (addrs_) ::freeaddrinfo(addrs_);
        addrs_ = nullptr;
    }
    long write(std::string_view bytes) override { return line_.write(bytes); }
    bool read(std::string& into, size_t max) override { return line_.read(into, max); }

private:
    bool start() {
        for (addrinfo* a = addrs_; a; a = a->ai_next) {
            const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0) continue;
            if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) {
                pending_ = fd;
                return true;
            }
            ::close(fd);
        }
        return false;
    }
    // A refused connect is tried again at the next look (the peer may not
    // be listening yet).
    void restart() {
        ::close(pending_);
        pending_ = -1;
    }

    std::string address_;
    addrinfo* addrs_ = nullptr;
    int pending_ = -1;
    SocketLine line_;
};

class TcpListenLink : public SerialLink {
public:
    explicit TcpListenLink(std::string address) : address_(std::move(address)) {}
    ~TcpListenLink() override { close(); }
    bool open(const SerialSettings&) override {
        std::string host, port;
        if (!splitHostPort(address_, host, port)) return false;
        addrinfo* res = resolve(host.empty() ? "127.0.0.1" : host, port, true);
        if (!res) return false;
        for (addrinfo* a = res; a && listener_ < 0; a = a->ai_next) {
            const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0) continue;
            const int one = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 1) == 0)
                listener_ = fd;
            else
                ::close(fd);
        }
        ::freeaddrinfo(res);
        return listener_ >= 0;
    }
    bool partnerPresent() override {
        if (line_.connected()) return true;
        if (accepted_ || listener_ < 0) return false;  // one connection only
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return false;
        line_.adopt(fd);
        accepted_ = true;
        ::close(listener_);  // the port is free again for others
        listener_ = -1;
        return true;
    }
    int64_t partnerWaitMs() const override { return kConnectWaitMs; }
    void close() override {
        line_.drop();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }
    long write(std::string_view bytes) override { return line_.write(bytes); }
    bool read(std::string& into, size_t max) override { return line_.read(into, max); }

private:
    std::string address_;
    int listener_ = -1;
    bool accepted_ = false;
    SocketLine line_;
};

std::mutex factoryMutex;
SerialLinkFactory& factory() {
    static SerialLinkFactory f;
    return f;
}

}  // namespace

void setSerialLinkFactory(SerialLinkFactory f) {
    std::lock_guard lock(factoryMutex);
    factory() = std::move(f);
}

std::unique_ptr<SerialLink> makeSerialLink(int port) {
    {
        std::lock_guard lock(factoryMutex);
        if (factory()) return factory()(port);
    }
    const std::string var = "TARNWICK_COM" + std::to_string(port);
    const char* env = std::getenv(var.c_str());
    const std::string address = env && *env ? env : "/dev/ttyS" + std::to_string(port - 1);
    if (address.rfind("tcp:", 0) == 0) return std::make_unique<TcpConnectLink>(address.substr(4));
    if (address.rfind("listen:", 0) == 0) return std::make_unique<TcpListenLink>(address.substr(7));
    return std::make_unique<TtyLink>(address);
}

}  // namespace tw
