// Program files: the text and binary formats, BASIC file names and the disk
// operations behind LOAD, SAVE, MERGE, CHAIN, KILL and NAME.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw::progfile {

// A program is at most this many bytes; reading ignores the rest of a file.
inline constexpr size_t kMaxProgramBytes = 65535;

enum Format : int { Text = 0, Binary = 1 };

struct Line {
    int32_t number = 0;
    std::string text;  // "number blank statement", no line end
};

// ---- formats ----

// The line number of a piece of a text file: blanks before the first digit
// are skipped, digits accumulate, a blank after a digit or any character
// above '9' ends the number, other characters below '0' are skipped.
// 0 when the piece has none. `rest` receives where the statement starts.
int32_t textLineNumber(std::string_view piece, size_t* rest = nullptr);

// Converts a program file's bytes into lines, in file order. The first byte
// 0xFE selects the binary format; anything else is text: lines end at CR,
// LF or CR LF, a 0x1A byte ends the text, lines without a number are
// dropped, and the letters of each line are upper-cased as a typed line is
// (outside quotes, comments and DATA text). Only the first
// kMaxProgramBytes bytes are read. `format` receives the format found.
std::vector<Line> parseImage(std::string_view bytes, Format* format = nullptr);

// The text format: every line followed by CR LF.
std::string textImage(const std::vector<std::string>& lines);

// The binary format: 0xFE, then per line a record of its length (header
// included) and its line number, both 16-bit little-endian, and the text
// from the blank after the number. The number is the text before the first
// blank that reads as a nonzero decimal. False when a line has no such
// number (or one that does not fit 16 bits); `badLine` receives its index.
bool binaryImage(const std::vector<std::string>& lines, std::string& out, size_t* badLine = nullptr);

// The bytes of a program file as the interpreter keeps them: a file
// written in UTF-8 (strict UTF-8 holding non-ASCII characters) becomes
// CP932; any other file is taken as it is.
std::string programBytes(std::string raw, bool fileWasCut);

// ---- names ----

// LOAD and SAVE names: a-z upper-cased (never the second byte of a
// double-byte character), double quotes removed, blanks trimmed.
std::string cleanName(std::string_view value);
// The name with ".BAS" appended when it holds no ".".
std::string withBasExtension(const std::string& name);
// True for a device transfer name: it contains `device` ("COM", "LPT") and
// a ":" at position 1 or later.
bool isDeviceName(std::string_view name, std::string_view device);
// The text between the first pair of double quotes of `s` (to the end when
// the second is missing), every blank dropped; `end` receives the position
// after the closing quote. Empty when there is no quote.
std::string quotedName(std::string_view s, size_t from = 0, size_t* end = nullptr);

// ---- disk ----

// The file-system path of a BASIC file name: CP932 bytes become UTF-8 and
// "\" separates directories. Each part that does not exist as written is
// matched without regard to letter case against the names that do, as the
// original file system matched them; a part that matches nothing stays as
// written (a file to be created).
std::string hostPath(std::string_view basicName);
// The same for a name inside the directory `dir` (a file-system path).
std::string hostPathIn(const std::string& dir, std::string_view basicName);
// The directory part of a path ("" for a bare file name).
std::string directoryOf(const std::string& path);
// True for an existing regular file that can be opened for reading.
bool readable(const std::string& path);
// Reads up to `limit` bytes; `cut` tells whether the file held more.
bool readFile(const std::string& path, size_t limit, std::string& out, bool* cut = nullptr);
// Replaces the file with `data` without ever leaving a partly written file
// in its place: the bytes go to a temporary file in the same directory,
// which is then renamed over the target. False when the file cannot be
// created or replaced.
bool writeFileReplacing(const std::string& path, std::string_view data);

}  // namespace tw::progfile
