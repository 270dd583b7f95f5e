#pragma once
// get: one remote file fetched into a temporary name and renamed into place when it is whole.

#include <string>

#include "ftp/Connection.h"

int get(ftp::Connection& c, const std::string& remote, std::string local, ftp::TransferType type, bool force);
