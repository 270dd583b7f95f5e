#pragma once
// put: one local file sent through the engine's upload loop, the one the upload window uses.

#include <string>

#include "ftp/Connection.h"

int put(ftp::Connection& c, const std::string& path, ftp::TransferType type);
