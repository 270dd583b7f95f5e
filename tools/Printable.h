#pragma once
// Text that came from the server, made safe to print on a terminal.

#include <string>

// A name as bytes for a terminal: valid UTF-8 stays, any other byte becomes \xNN.
std::string printableName(const std::string& raw);
