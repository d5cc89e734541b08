// Ending the process cleanly when the user interrupts it.
#pragma once

// From now on, an interruption (Ctrl+C, SIGTERM or SIGHUP; on Windows
// Ctrl+C, Ctrl+Break or closing the console) removes the file whose UTF-8
// path `pendingFile` returns at that moment (null: none) and ends the process
// with status 128 plus the signal's number (130 for Ctrl+C). `pendingFile`
// must be safe to call from a signal handler.
void EndCleanlyOnInterrupt(const char* (*pendingFile)());
