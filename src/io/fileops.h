// The statements and functions of files, devices, memory and ports, with
// the interpreter's private state at hand. Used only inside src/io.
#pragma once

#include <string>
#include <string_view>

#include "core/interp.h"
#include "core/stmt.h"
#include "io/files.h"

namespace tw {

struct FileOps {
    // ---- file table (files.cpp) ----
    // The entry of an open number; nullptr when the number is outside
    // 1..15 or not open.
    static FileEntry* openEntry(Interpreter& in, int n);
    // openEntry, raising "File not open in " when there is none.
    static FileEntry& requireOpen(Interpreter& in, int n);
    // The disk file of an entry, brought up to date with the writes of other
    // numbers open on the same file.
    static DiskFile& disk(Interpreter& in, FileEntry& e);
    static void open(Interpreter& in, Stmt& s);
    static void close(Interpreter& in, Stmt& s);
    // Closes number n; with `report` the failures raise BASIC errors,
    // without it (the interpreter going away) nothing stops the close.
    static void closeEntry(Interpreter& in, int n, bool report);
    // The printer that LPRINT writes to: the printer file opened, or
    // written to with PRINT # or WRITE #, last.
    static FileEntry* currentPrinter(Interpreter& in);
    // Writes to a printer entry, which becomes LPRINT's printer; "Disk I/O
    // error " when that fails.
    static void toPrinter(Interpreter& in, FileEntry& e, std::string_view text);

    // ---- sequential files and devices (sequential.cpp) ----
    // Reads "#n," of PRINT #, WRITE #, INPUT # and LINE INPUT #: the number
    // into s.sub and the list after the comma into s.str.
    static void prepareFileList(Stmt& s);
    static void printFile(Interpreter& in, Stmt& s);
    static void writeStatement(Interpreter& in, Stmt& s, bool toFile);
    static void inputFile(Interpreter& in, Stmt& s);
    static void lineInputFile(Interpreter& in, Stmt& s);
    static void lprint(Interpreter& in, Stmt& s, bool usingForm);
    // The text of one WRITE item.
    static std::string writeItem(const Value& v);
    // The console statement that INPUT # or LINE INPUT # on the keyboard
    // device runs, made once per text.
    static Stmt& keyboardForm(Interpreter& in, const std::string& text, int code);
    static SerialPort& link(Interpreter& in, const FileEntry& e);
    // PRINT # and WRITE # output to a disk file or serial port.
    static void sendText(Interpreter& in, FileEntry& e, std::string_view text);
    static bool isStringTarget(Interpreter& in, const Expr& t);
    // Stores text read from a file: a numeric variable takes the number at
    // its start.
    static void assignText(Interpreter& in, const Expr& t, std::string text);

    // ---- program transfers (transfer.cpp) ----
    // SAVE or LOAD with a device name: opens the lowest free number on it
    // and hands the run loop the transfer. LOAD takes a serial port only.
    static void startTransfer(Interpreter& in, const std::string& name, bool send);

    // ---- random files (random.cpp) ----
    // GET and PUT with "#" or a digit after the keyword are the file forms.
    static bool isRecordForm(const Stmt& s);
    static void prepareRecord(Stmt& s);
    static void field(Interpreter& in, Stmt& s);
    static void getPut(Interpreter& in, Stmt& s, bool put);
    static void prepareSetField(Stmt& s);
    static void setField(Interpreter& in, Stmt& s, bool right);

    // ---- memory and ports (memory.cpp) ----
    static bool prepareMemory(Stmt& s);
    static bool executeMemory(Interpreter& in, Stmt& s);
};

// Restores the screen's line-start flag when output to a file or the
// printer has used it to learn whether the text ends a line.
struct LineStartKeeper {
    bool& flag;
    bool saved;
    explicit LineStartKeeper(bool& f) : flag(f), saved(f) {}
    ~LineStartKeeper() { flag = saved; }
};

// The file number text of "#n": decimal digits read as atoi reads them.
int fileNumber(std::string_view text);

// The item lists of PRINT #, WRITE, INPUT # and LINE INPUT # are parsed at
// their first run, after the file checks that come first; Stmt::promptSep
// (unused by these statements otherwise) then holds this mark.
inline constexpr char kListParsed = 1;

}  // namespace tw
