// Serial ports behind "COMn:" files: the settings an OPEN names, the line
// a port talks over (a terminal device or a TCP connection), and the port
// that the file statements drive.
//
// Nothing here ever blocks: a statement that must wait for the partner, for
// received bytes or for output room throws DeviceWait, and the run loop
// runs it again at its next step. The window stays alive in between and
// ESC stops the wait.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct termios;

namespace tw {

class Host;

struct SerialSettings {
    int port = 1;
    std::string speed;     // "110" .. "256000"
    std::string parity;    // "E", "O" or "N"
    std::string dataBits;  // "7" or "8"
    std::string stopBits;  // "1", "1.5" or "2"
    int flow = 2;          // 2 RTS handshake ("N"), 3 RTS and XON/XOFF ("X")
};

// The port number of an upper-cased COM file name: the decimal number
// between "COM" and the next ":"; none, or 0, is port 1. Raises Illegal
// function call for a negative port.
int serialPort(std::string_view name);

// The settings after the ":" of "COMn:speed,parity,data,stop,flow". Raises
// Syntax error for a missing or extra field or a value out of range; data
// bits 8 go with parity N only, 7 with E or O.
SerialSettings serialSettings(std::string_view name);

// Puts the settings into a terminal's attributes, raw bytes otherwise;
// false when the speed has no termios constant (the speed is then left for
// the driver's arbitrary-speed request). Stop bits 1.5 are set as 2.
bool serialTermios(::termios& t, const SerialSettings& s);

// Thrown by a statement that has to wait for its port; the run loop runs
// the statement again at its next step.
struct DeviceWait {};

// The line under a COM file. Every call returns at once.
class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Configures and opens the line; false when it cannot be opened.
    virtual bool open(const SerialSettings& settings) = 0;
    // The partner is there: the carrier line is up, or the connection is
    // made. May take a connection step (an accept or a connect in progress).
    virtual bool partnerPresent() = 0;
    // How long OPEN waits for the partner before it asks the user: none for
    // a terminal device, a while for a connection that is being made.
    virtual int64_t partnerWaitMs() const { return 0; }
    virtual void close() = 0;
    // Hands bytes to the line; the number taken (0 when it is full), or -1
    // when the line has failed.
    virtual long write(std::string_view bytes) = 0;
    // Appends up to `max` bytes that have arrived; false when the line has
    // failed (nothing more will come).
    virtual bool read(std::string& into, size_t max) = 0;
};

// The link for COM port n as the environment names it: TARNWICK_COMn holds
// a device path, "tcp:HOST:PORT" (connect) or "listen:PORT" /
// "listen:ADDR:PORT" (accept one connection; address 127.0.0.1 unless
// named); without it the device /dev/ttyS<n-1>. A factory set with
// setSerialLinkFactory takes precedence.
std::unique_ptr<SerialLink> makeSerialLink(int port);
using SerialLinkFactory = std::function<std::unique_ptr<SerialLink>(int port)>;
// Replaces how links are made (an empty function restores the default).
void setSerialLinkFactory(SerialLinkFactory factory);

// An open COM file: the serial commands on top of a link. Input and output
// are buffered here, 8192 bytes each way.
class SerialPort {
public:
    static constexpr size_t BufferSize = 8192;

    explicit SerialPort(std::unique_ptr<SerialLink> link) : link_(std::move(link)) {}
    SerialLink& link() { return *link_; }

    // How long a receive waits for data before it asks "Input data none ,
    // Wait ?".
    int64_t receiveWaitMs = 10000;

    // Moves arrived bytes into the input buffer (up to its size; beyond it
    // when a reader needs more) and queued output to the line.
    void pump(bool demand = false);

    // LOC: received bytes waiting (at most the buffer size); LOF: the free
    // room of the input buffer; EOF is true when none waits.
    size_t waiting();
    size_t freeSpace() { return BufferSize - waiting(); }
    bool dataWaiting() { return waiting() > 0; }
    // Bytes received since the port was opened.
    uint64_t arrived() const { return arrived_; }

    // Before a send: waits (DeviceWait) while the partner is away or the
    // output buffer holds a full buffer's worth.
    void readyToSend();
    // Queues text for the line: "Disk I/O error" when longer than the
    // output buffer, or when the line has failed.
    void send(std::string_view text);
    // Output not yet handed to the line.
    size_t outputPending() const { return out_.size(); }
    // Hands queued output to the line; true when none is left.
    bool flushOutput();

    // Reads received bytes without taking them: commit() takes what was
    // read; a statement that has to wait reads again from the start.
    class Reader {
    public:
        Reader(SerialPort& port, Host& host) : port_(port), host_(host) {}
        // The next byte; when none has come, waits (see waitForData).
        int next();
        // The next byte if one has come, else -1 (never waits).
        int tryNext();
        // Takes the bytes read so far.
        void commit();

    private:
        SerialPort& port_;
        Host& host_;
        size_t pos_ = 0;
    };
    // Takes every received byte (a program transfer).
    std::string takeAll();
    // A receive found no data: after receiveWaitMs asks the user; Retry
    // waits again, Cancel raises "Disk I/O error". Otherwise DeviceWait.
    [[noreturn]] void waitForData(Host& host);
    // Forgets a wait in progress (the run stopped).
    void endWait() { waitSince_ = -1; }

    // Sends what is queued (for at most `ms` milliseconds) and closes.
    void close(int ms = 0);

private:
    std::unique_ptr<SerialLink> link_;
    std::string in_;
    std::string out_;
    uint64_t arrived_ = 0;
    int64_t waitSince_ = -1;
    bool failed_ = false;
};

}  // namespace tw
