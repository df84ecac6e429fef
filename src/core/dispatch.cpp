// The dispatcher: finds a statement's keyword by text and compiles the
// statement for its handler.
#include <cstring>

#include "core/interp.h"
#include "core/stmt.h"

namespace tw {

namespace {
const char* const kKeywords[] = {
    " ",
    "PRINT", "CIRCLE", "RUN", "LIST", "LINE ", "INPUT", "CLS", "DIM ", "FOR ", "NEXT",
    "GOTO ", "GO TO ", "END", "GOSUB ", "RETURN", "PSET", "PRESET", "LOCATE", "COLOR", "SWAP",
    "IF", "PAINT", "LLIST", "LPRINT", "OPEN ", "CLOSE", "PRINT #", "INPUT #", "LINEINPUT ",
    "WRITE", "LINEINPUT #", "DRAW ", "POINT", "DELETE", "DEL", "AUTO", "WHILE", "WEND",
    "RENUM", "REN", "PRINT USING", "LPRINT USING", "READ ", "DATA ", "RESTORE", "ON", "EDIT",
    "NEW", "CONT", "DEFINT", "DEFSNG", "DEFDBL", "DEFSTR", "CLEAR", "REM", "'", "KILL",
    "NAME", "ERASE", "RANDOMIZE", "CALL", "WRITE #", "MID$", "DATE$", "TIME$", "STOP", "PUT",
    "GET", "LSET", "RSET", "FIELD", "CHAIN", "MERGE", "BLOAD", "BSAVE", "DEF SEG", "POKE",
    "OUT", "SCREEN", "ROLL", "USR", "DEF USR", "DEF FN", "LINE(", "KEY", "CONSOLE",
    "KEY LIST", "COPY", "VIEW", "WINDOW", "LET", "SAVE", "LOAD", "COMMON", "OPTION BASE",
    "ON ERROR GOTO ", "RESUME", "ERROR", "ON KEY GOSUB ", "KEY ON/OFF/STOP", "ON STOP GOSUB",
    "STOP ON/OFF/STOP", "ON TIME$ GOSUB", "TIME$ ON/OFF/STOP", "BEEP", "ON PEN GOSUB", "PEN",
    "ON COM GOSUB", "COM", "?",
};
static_assert(sizeof(kKeywords) / sizeof(kKeywords[0]) == 111);

size_t skipBlanks(std::string_view s, size_t i) {
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}

// "ON", "OFF" or "STOP" after the keyword, outside quotes.
bool hasOnOffStop(std::string_view rest) {
    std::string_view t = trim(rest);
    return t == "ON" || t == "OFF" || t == "STOP" || t.rfind("ON ", 0) == 0 ||
           t.rfind("OFF ", 0) == 0 || t.rfind("STOP ", 0) == 0;
}
}  // namespace

const char* keywordText(int code) {
    if (code >= 0 && code <= kw::Count) return kKeywords[code];
    return "";
}

std::shared_ptr<Stmt> Interpreter::compile(std::string_view text) {
    auto st = std::make_shared<Stmt>();
    Stmt& s = *st;
    s.text = std::string(text);
    std::string_view t = s.text;
    size_t i = skipBlanks(t, 0);
    if (i >= t.size()) {
        s.code = 0;
        return st;
    }
    if (t[i] == '*') {
        // A label: skip it and the blank after it.
        size_t j = i;
        while (j < t.size() && t[j] != ' ') ++j;
        if (j < t.size()) ++j;
        i = skipBlanks(t, j);
        if (i >= t.size()) {
            s.code = 0;
            return st;
        }
    }
    int code = 0;
    if (t[i] != '=') {
        for (int c = 1; c <= kw::Count; ++c) {
            const char* k = kKeywords[c];
            const size_t n = std::strlen(k);
            if (t.compare(i, n, k) == 0) {
                code = c;
                i += n;
                break;
            }
        }
    }
    // Refinements that depend on what follows the keyword.
    if (code == kw::Print) {
        size_t j = skipBlanks(t, i);
        if (j < t.size() && t[j] == '#') code = kw::PrintFile;
        else if (j > i && t.compare(j, 5, "USING") == 0) {
            code = kw::PrintUsing;
            i = j + 5;
        }
    } else if (code == kw::Lprint) {
        size_t j = skipBlanks(t, i);
        if (j > i && t.compare(j, 5, "USING") == 0) {
            code = kw::LprintUsing;
            i = j + 5;
        }
    } else if (code == kw::Input) {
        size_t j = skipBlanks(t, i);
        if (j < t.size() && t[j] == '#') code = kw::InputFile;
    } else if (code == kw::Line || code == kw::LineParen) {
        size_t j = skipBlanks(t, code == kw::LineParen ? i - 1 : i);
        if (t.compare(j, 5, "INPUT") == 0) {
            size_t k = skipBlanks(t, j + 5);
            code = k < t.size() && t[k] == '#' ? kw::LineInputFile : kw::LineInput;
            i = j + 5;
        } else if (code == kw::LineParen) {
            i -= 1;  // keep the "(" for the graphics statement
        }
    } else if (code == kw::Write) {
        size_t j = skipBlanks(t, i);
        if (j < t.size() && t[j] == '#') code = kw::WriteFile;
    } else if (code == kw::On) {
        std::string squeezed;
        for (char c : t.substr(i)) if (c != ' ') squeezed.push_back(c);
        if (squeezed.rfind("ERRORGOTO", 0) == 0) code = kw::OnErrorGoto;
        else if (squeezed.rfind("KEYGOSUB", 0) == 0) code = kw::OnKeyGosub;
        else if (squeezed.rfind("STOPGOSUB", 0) == 0) code = kw::OnStopGosub;
        else if (squeezed.rfind("TIME$", 0) == 0) code = kw::OnTimeGosub;
        else if (squeezed.rfind("PEN", 0) == 0) code = kw::OnPenGosub;
        else if (squeezed.rfind("COM", 0) == 0) code = kw::OnComGosub;
        else {
            std::string padded = " " + std::string(t.substr(i)) + " ";
            for (const char* w : {" COM ", " KEY ", " ERROR ", " STOP ", " TIME$ ", " PEN "})
                if (padded.find(w) != std::string::npos) {
                    s.code = kw::On;
                    s.error = BasicError{err::Syntax, err::message(err::Syntax)};
                    return st;
                }
            code = kw::OnGoto;
        }
    } else if (code == kw::Stop || code == kw::Key || code == kw::TimeS) {
        if (hasOnOffStop(t.substr(i)))
            code = code == kw::Stop ? kw::StopOnOff : code == kw::Key ? kw::KeyOnOff : kw::TimeOnOff;
        else if (code == kw::Key && t.compare(skipBlanks(t, i), 4, "LIST") == 0)
            code = kw::KeyList;
    } else if (code == kw::Let) {
        code = kw::Assign;
    }
    if (code == 0) {
        // No keyword: an assignment when an "=" stands outside quotes.
        if (findOutside(t, "=") == std::string_view::npos) {
            s.code = 0;
            s.error = BasicError{err::Syntax, err::message(err::Syntax)};
            return st;
        }
        code = kw::Assign;
        i = skipBlanks(t, i);
    }
    s.code = code;
    s.argPos = i;
    try {
        prepare(s);
    } catch (const BasicError& e) {
        s.error = e;
    }
    return st;
}

}  // namespace tw
