#pragma once
// --password-stdin: the first line of standard input, not echoed when it is a terminal.

#include <string>

std::string readPasswordFromStdin();
