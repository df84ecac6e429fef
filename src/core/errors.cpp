#include "core/errors.h"

namespace tw {

const char* err::message(int code) {
    switch (code) {
    case NextWithoutFor: return "NEXT without FOR in ";
    case Syntax: return "Syntax error in ";
    case ReturnWithoutGosub: return "RETURN without gosub in ";
    case OutOfData: return "Out of DATA in ";
    case IllegalFunctionCall: return "Illegal function call in ";
    case Overflow: return "Overflow in ";
    case OutOfMemory: return "Out of memory in ";
    case UndefinedLine: return "Undefined line number in ";
    case SubscriptOutOfRange: return "Subscript out of range in ";
    case DuplicateDefinition: return "Duplicate Definition in ";
    case DivisionByZero: return "Division by Zero (/0) in ";
    case TypeMismatch: return "Type mismatch in ";
    case CantContinue: return "Can't continue ";
    case UndefinedUserFunction: return "Undefined user function in ";
    case MissingOperand: return "Missing operand in ";
    case LineBufferOverflow: return "Line buffer overflow in ";
    case ForWithoutNext: return "FOR without NEXT in ";
    case WhileWithoutWend: return "WHILE without WEND in ";
    case DuplicateLabel: return "Duplicate label in ";
    case UndefinedLabel: return "Undefined label in ";
    case FieldOverflow: return "FIELD overflow in ";
    case BadFileNumber: return "Bad file number in ";
    case FileNotFound: return "File not found in ";
    case FileAlreadyOpen: return "File already open in ";
    case FileNotOpen: return "File not open in ";
    case DiskIO: return "Disk I/O error in ";
    case FileAlreadyExist: return "File already exist in ";
    case IllegalOperation: return "Illegal operation in ";
    case NotConnectCom: return "Not connect COM line in ";
    case PortAlreadyOpen: return "Port already open in ";
    default: return "error in ";
    }
}

void raise(int code) { throw BasicError{code, err::message(code)}; }
void raise(int code, const std::string& msg) { throw BasicError{code, msg}; }
void raiseNoLine(int code, const std::string& msg) { throw BasicError{code, msg, true}; }

}  // namespace tw
