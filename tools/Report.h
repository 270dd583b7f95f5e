#pragma once
// How pelicano-ftp reports a failure: one line on standard error naming the command and the name.

#include <string>

#include "ftp/Result.h"

// Exit statuses besides 0 (success) and 1 (a server or transfer failure).
constexpr int kExitUsage = 2;
constexpr int kExitConnect = 3;      // connection or login failure
constexpr int kExitCertificate = 4;  // the server's certificate or host key is not trusted

// Prints the failure (and `note`, when given, after it) and returns the exit status it stands for.
int fail(const std::string& command, const std::string& name, const ftp::Error& e, const std::string& note = {});
// A local failure (a file that cannot be read or written); nothing came from the server.
int failLocal(const std::string& command, const std::string& name, const std::string& why);
