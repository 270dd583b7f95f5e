#!/usr/bin/env bash
# Unpacks OpenSSH's sshd and sftp-server into a cache folder, for tests and the bench that run
# them unprivileged on a loopback port (see scripts/unpack-debs.sh).
# Usage: scripts/ssh-servers.sh CACHE_DIR   (idempotent; prints nothing when already done)
# Afterwards: CACHE_DIR/root/usr/sbin/sshd, CACHE_DIR/root/usr/lib/openssh/sftp-server.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 CACHE_DIR" >&2; exit 2; }
exec "$(dirname "$0")/unpack-debs.sh" ssh-servers "$1" openssh-server openssh-sftp-server -- \
  usr/sbin/sshd usr/lib/openssh/sftp-server
