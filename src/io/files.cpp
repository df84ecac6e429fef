// OPEN, CLOSE, sequential and random-access files, the printer, memory
// and port statements.
#include "io/files.h"

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

bool Interpreter::prepareFiles(Stmt& s) {
    (void)s;
    return false;
}

bool Interpreter::executeFiles(Stmt& s) {
    (void)s;
    return false;
}

void Interpreter::closeAllFiles() {}

bool Interpreter::fnEof(int) { raise(err::IllegalFunctionCall); }
double Interpreter::fnLof(int) { raise(err::IllegalFunctionCall); }
double Interpreter::fnLoc(int) { raise(err::IllegalFunctionCall); }
bool Interpreter::fnFileInput(int, int, std::string&) { raise(err::IllegalFunctionCall); }
int Interpreter::fnPeek(int64_t) { raise(err::IllegalFunctionCall); }
int Interpreter::fnInp(int) { raise(err::IllegalFunctionCall); }
uint32_t Interpreter::fnDefSeg() { raise(err::IllegalFunctionCall); }
uint32_t Interpreter::fnSegPtr() { raise(err::IllegalFunctionCall); }
uint32_t Interpreter::fnVarPtr(std::string_view) { raise(err::IllegalFunctionCall); }

}  // namespace tw
