// The file table and the devices behind BASIC file numbers, the emulated
// memory of PEEK/POKE/BSAVE/BLOAD and the simulated I/O ports.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/expr.h"
#include "io/diskfile.h"
#include "io/printer.h"
#include "io/serial.h"

namespace tw {

struct Stmt;

enum class FileMode : uint8_t { Random = 0, Input = 1, Output = 2, Append = 3, Comm = 4 };
enum class Device : uint8_t { Disk = 0, Serial = 1, Keyboard = 2, Screen = 3, Printer = 4 };

// One field of a random file's record: FIELD #n, width AS variable.
struct FieldDef {
    int offset = 0;
    int width = 0;
    std::string key;  // the variable as written, blanks removed (LSET and RSET find it by this)
    ExprPtr target;   // the variable or array element
};

struct FileEntry {
    bool open = false;
    FileMode mode = FileMode::Input;
    Device device = Device::Disk;
    // LPRINT takes the printer that was opened, or written to through its
    // number, last: the one with the highest order.
    uint64_t printerOrder = 0;

    std::unique_ptr<DiskFile> disk;
    bool shared = false;  // another number is open on the same disk file
    std::unique_ptr<PrinterSink> printer;
    int serialSlot = 0;  // 1..5, 0 when not a serial file

    // Record block of a random file.
    int recordLength = 256;
    std::vector<FieldDef> fields;
    int32_t currentRecord = 0;
    std::array<char, 256> record{};

    // Text written since the last line end: PRINT's zones and TAB count
    // over it.
    std::string pending;
};

struct SerialSlot {
    int fileNo = 0;  // below 1: free
    int port = 0;
    std::unique_ptr<SerialPort> link;
};

// A COM OPEN that waits for its partner: the statement runs again at each
// step of the run loop and takes the port up where it left it.
struct PendingOpen {
    const Stmt* stmt = nullptr;
    int fileNo = 0;
    std::unique_ptr<SerialPort> port;
    int64_t since = 0;  // host clock when the wait (or the last Retry) began
};

// SAVE to a port or the printer, LOAD from a port: the run loop moves one
// piece per step until the program is sent, or the user breaks a receive.
struct ProgramTransfer {
    enum Kind : uint8_t { None, Send, Receive };
    Kind kind = None;
    int fileNo = 0;
    size_t nextLine = 0;   // send: the first line not yet sent
    std::string received;  // receive: the text so far
};

struct FileState {
    static constexpr int MaxFiles = 15;
    static constexpr int MaxFields = 64;
    static constexpr int MaxRecord = 65000;
    static constexpr uint32_t MemorySize = 1u << 20;
    static constexpr uint32_t PortCount = 1u << 16;

    std::array<FileEntry, MaxFiles + 1> table;  // entry 0 is never opened
    uint64_t printerUses = 0;
    std::array<SerialSlot, 6> slots;  // slots 1..5
    PendingOpen pendingOpen;
    ProgramTransfer transfer;

    // Console statements that INPUT # and LINE INPUT # on "KYBD:" run, by
    // their text; kept while an input waits for its line.
    std::unordered_map<std::string, std::shared_ptr<Stmt>> keyboardForms;

    // The private memory, made at first use; DEF SEG's segment value.
    std::vector<uint8_t> memory;
    int32_t segment = 0;
    int32_t lastLoadOffset = 0;
    std::array<uint32_t, 10> usrAddress{};
    // The simulated port space, made at first use.
    std::vector<uint8_t> ports;
};

}  // namespace tw
