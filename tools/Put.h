#pragma once
// put: one local file sent through the engine in the upload window's block size.

#include <string>

#include "ftp/Connection.h"

int put(ftp::Connection& c, const std::string& path, ftp::TransferType type);
