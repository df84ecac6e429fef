// Serial ports behind "COMn:" files: the settings an OPEN names, and the
// link through which the file statements reach a port.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tw {

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

// One open serial port. Every call runs to completion on the interpreter's
// thread; a wait that the user gives up raises the BASIC error the
// statement reports.
class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Configures and opens the port; false when it cannot be opened.
    virtual bool open(const SerialSettings& settings) = 0;
    // The partner is there (its carrier line is up).
    virtual bool partnerPresent() = 0;
    virtual void close() = 0;

    // PRINT #, WRITE #: sends the bytes.
    virtual void send(std::string_view bytes) = 0;
    // INPUT #, INPUT$: the next received byte, waiting for it.
    virtual int receiveByte() = 0;
    // LINE INPUT #: received bytes up to a line end outside double quotes.
    virtual std::string receiveLine() = 0;
    // EOF: whether a received byte is waiting.
    virtual bool dataWaiting() = 0;
    // LOC: received bytes waiting; LOF: free room in the input buffer.
    virtual int waiting() = 0;
    virtual int freeSpace() = 0;
};

// Makes the link for a port. nullptr while this build has no serial layer,
// which OPEN reports as "File can not open".
std::unique_ptr<SerialLink> makeSerialLink();

}  // namespace tw
