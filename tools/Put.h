#pragma once
// put: one local file sent through the engine's atomic upload, on the upload loop the window uses.

#include <string>

#include "ftp/Connection.h"

struct PutOptions {
    ftp::TransferType type = ftp::TransferType::Binary;
    bool resume = false;   // -c
    bool inPlace = false;  // --in-place
};

int put(ftp::Connection& c, const std::string& path, const PutOptions& options);
