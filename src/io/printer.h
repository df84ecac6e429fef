// The printer: where LPRINT, LLIST and files opened on "LPTn:" write.
//
// Printer n is the sink named by the environment variable TARNWICK_LPTn:
// a file path (appended to), or "|command" (a shell command that gets the
// text on its standard input, e.g. "|lp"). Without the variable the text is
// appended to the file LPTn.PRN in the current directory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tw {

class PrinterSink {
public:
    // The printer number of a stream name: the digits after "LPT" ("LPT2"
    // is 2); 1 when none follow.
    static int number(std::string_view streamName);
    // The sink of printer n as the environment configures it: the path or
    // "|command".
    static std::string target(int n);
    // Opens printer n's sink; nullptr when it cannot be opened.
    static std::unique_ptr<PrinterSink> open(int n);

    ~PrinterSink();
    PrinterSink(const PrinterSink&) = delete;
    PrinterSink& operator=(const PrinterSink&) = delete;

    // Writes the text at once (nothing stays buffered); false on failure,
    // also when a command has stopped reading.
    bool write(std::string_view text);
    // Closes the file, or closes the pipe and waits for the command.
    bool close();

private:
    PrinterSink(int fd, int pid) : fd_(fd), pid_(pid) {}
    int fd_ = -1;
    int pid_ = -1;  // the command's process, -1 for a file
};

}  // namespace tw
