#pragma once
// SIGINT and SIGTERM only set a flag: the engine's wait hook and the transfer loops read it and
// break the transfer off the way a cancel does, so the server never takes a cut file for whole.

// Installs the handlers (without SA_RESTART, so a blocking read returns early).
void catchInterruptions();
// The signal caught so far, or 0.
int interruption();
// The exit status for a run ended by signal: 128 + its number (130 for SIGINT, 143 for SIGTERM).
inline int interruptedStatus(int signal) { return 128 + signal; }
