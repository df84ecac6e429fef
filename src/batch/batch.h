// The windowless driver: runs the interpreter on a key stream from standard
// input and writes the screen transcript to standard output.
#pragma once

namespace tw {

// argv holds the arguments after "--batch". Returns the process exit code.
int runBatch(int argc, char** argv);

}  // namespace tw
