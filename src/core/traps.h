// Event traps: ON KEY, ON STOP, ON TIME$, ON PEN (and ON COM) GOSUB, and the
// state the keyboard and mouse handlers share with them.
//
// An event is acted on by the state of its row: ON queues a GOSUB to the
// row's handler, which the run loop performs before the next statement;
// STOP remembers the event, which fires when the row is switched ON again;
// OFF (and a row never armed) lets the key or click do its ordinary job.
//
// Events are only raised while a program runs (a run that waits for INPUT
// counts). In direct mode function keys type their strings, the STOP key
// does nothing and a click only moves the cursor; an ON TIME$ deadline that
// passes in direct mode is kept until a program runs again. Events that
// arrive while INPUT waits fire once the typed line has been taken.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct TrapRow {
    enum State : int8_t { Never = 0, On = 1, Off = 2, Stopped = 3 };
    // The handler as written (line number or *label), resolved again
    // whenever the execution table has been rebuilt; empty for none.
    std::string target;
    int32_t entry = 0;    // resolved entry
    uint32_t gen = 0;     // table generation `entry` belongs to
    State state = Never;
    bool remembered = false;  // an event arrived while the row was stopped
};

struct TrapState {
    // Row numbers of the trap table.
    static constexpr int TimeRow = 0;
    static constexpr int FirstKeyRow = 1;  // rows 1..10: F1..F10
    static constexpr int StopRow = 11;
    static constexpr int PenRow = 12;
    static constexpr int FirstComRow = 13;  // rows 13..17: serial slots 1..5
    static constexpr int RowCount = 18;

    std::array<TrapRow, RowCount> rows;
    // Rows whose events wait for the next statement boundary, in the order
    // the events arrived, and the execution table they arrived under: a run
    // that stopped before they fired drops them when a new one starts (CONT
    // keeps them).
    std::vector<int> due;
    uint32_t dueGen = 0;

    // ON COM: while a COM row's handler runs, the GOSUB depth below its
    // call, else -1. A port with data waiting fires its row again only
    // after that handler has returned.
    std::array<int32_t, 5> comHandlerDepth{-1, -1, -1, -1, -1};

    // ON TIME$: the host-clock deadline (monotonic ms), -1 when not armed.
    int64_t timeDeadline = -1;

    // Pen (left mouse button): the last press, and whether one happened
    // since PEN(0) was last read.
    bool penPressed = false;
    int penX = 0, penY = 0;      // pixel
    int penCol = 0, penRow = 0;  // text cell
};

}  // namespace tw
