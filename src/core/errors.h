// BASIC error codes and messages, and the exception that carries them from
// the place an error is detected to the statement boundary.
#pragma once

#include <string>

namespace tw {

namespace err {
// Codes (ERR values) with their message texts. A message that ends in
// "in " is followed by the line number when it is shown.
inline constexpr int NextWithoutFor = 1;
inline constexpr int Syntax = 2;
inline constexpr int ReturnWithoutGosub = 3;
inline constexpr int OutOfData = 4;
inline constexpr int IllegalFunctionCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int UndefinedLine = 8;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DuplicateDefinition = 10;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int CantContinue = 17;
inline constexpr int UndefinedUserFunction = 18;
inline constexpr int MissingOperand = 22;
inline constexpr int LineBufferOverflow = 23;
inline constexpr int ForWithoutNext = 26;
inline constexpr int WhileWithoutWend = 29;
inline constexpr int DuplicateLabel = 31;
inline constexpr int UndefinedLabel = 32;
inline constexpr int FieldOverflow = 50;
inline constexpr int BadFileNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyOpen = 54;
inline constexpr int FileNotOpen = 60;
inline constexpr int DiskIO = 64;
inline constexpr int FileAlreadyExist = 65;
inline constexpr int IllegalOperation = 74;
inline constexpr int NotConnectCom = 76;
inline constexpr int PortAlreadyOpen = 77;

// The standard message of a code ("Syntax error in "), or "error in " for a
// code without a message of its own.
const char* message(int code);
}  // namespace err

// Thrown by statement and function code; caught at the statement boundary,
// which fills in the error state (ERR, ERL, the shown message).
struct BasicError {
    int code;
    std::string msg;      // message text, e.g. "Syntax error in "
    bool noLine = false;  // message is shown without a line number (ERL 0)
    bool keepErr = false; // leave ERR unchanged (internal-failure messages)
};

[[noreturn]] void raise(int code);                       // standard message
[[noreturn]] void raise(int code, const std::string& msg);
[[noreturn]] void raiseNoLine(int code, const std::string& msg);

}  // namespace tw
