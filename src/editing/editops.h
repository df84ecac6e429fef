// The handlers of the editing and program-file statements. They work on
// the interpreter's program store and run state, so they are its friends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/progfile.h"

namespace tw {

class Interpreter;
struct Stmt;

struct EditingOps {
    // editing.cpp
    static void list(Interpreter& in, Stmt& s, bool printer);
    static void deleteLines(Interpreter& in, Stmt& s);
    static void autoStart(Interpreter& in, Stmt& s);
    static void edit(Interpreter& in, Stmt& s);
    static void renum(Interpreter& in, Stmt& s);
    // Writes a program line at column 0 of a fresh row and links its rows
    // into one logical line. For EDIT the cursor stays after the text (on
    // the row after it when the text filled its last row); otherwise it
    // goes to column 0 of the next row.
    static void showLine(Interpreter& in, const std::string& text, bool forEdit);

    // programfiles.cpp
    static void load(Interpreter& in, std::string_view operand, bool alwaysRun);
    static void save(Interpreter& in, Stmt& s);
    static void merge(Interpreter& in, Stmt& s);
    static void chain(Interpreter& in, Stmt& s);
    static void common(Interpreter& in, Stmt& s);
    static void kill(Interpreter& in, Stmt& s);
    static void name(Interpreter& in, Stmt& s);
    // Replaces the program with the lines, sorted; a later line replaces an
    // earlier one of the same number.
    static void replaceProgram(Interpreter& in, const std::vector<progfile::Line>& lines);
    // Enters lines as typed numbered lines (MERGE, CHAIN).
    static void enterLines(Interpreter& in, const std::vector<progfile::Line>& lines);
};

// The operand text of a statement (after its keyword).
std::string_view operandOf(const Stmt& s);

}  // namespace tw
