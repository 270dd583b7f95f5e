#pragma once
// The commands of pelicano-ftp, run on a logged-in connection. Each returns the exit status.

#include "CommandLine.h"
#include "ftp/Connection.h"

int runCommand(ftp::Connection& c, const CommandLine& cl);
