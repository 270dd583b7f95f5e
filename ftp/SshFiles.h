#pragma once
// Where the window and pelicano-ftp look for the user's ssh files and keep the host keys the
// user trusted with "Confiar siempre": the same places for both.

#include <string>

#include "Ssh.h"

namespace ftp {

// "known_hosts" beside the trusted certificates (TrustStore::defaultPath()'s folder).
std::string hostKeyStorePath();

// protocol Auto, $HOME/.ssh/known_hosts, hostKeyStorePath(), keys from $HOME/.ssh, the agent;
// no prompt and no trusted fingerprint. Without HOME the user's ssh files are not read.
SshOptions defaultSshOptions();

}  // namespace ftp
