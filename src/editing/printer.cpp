// The printer stream as LLIST writes it: the sink of printer 1
// (TARNWICK_LPT1, a file or "|command", else LPT1.PRN in the current
// directory), opened for each listing.
#include <string>

#include "core/interp.h"
#include "io/printer.h"

namespace tw {

void Interpreter::printerWrite(const std::string& text) {
    auto sink = PrinterSink::open(1);
    if (!sink || !sink->write(text) || !sink->close()) raise(err::DiskIO);
}

}  // namespace tw
