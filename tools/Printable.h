#pragma once
// Text that came from the server, made safe to print on a terminal.

#include <string>

// Text from the server for a terminal: valid UTF-8 stays; a tab becomes \t, and a control
// character (C0, DEL, C1), a line or paragraph separator, a bidirectional control or a byte that is
// not UTF-8 becomes \xNN per byte.
std::string printableName(const std::string& raw);
