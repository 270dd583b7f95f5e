#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite (the real FTP servers included).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
scripts/ftp-servers.sh build/ftp-servers  # vsftpd, proftpd, pure-ftpd unpacked for the tests
scripts/ssh-servers.sh build/ssh-servers  # sshd and sftp-server likewise
cmake --build build -j"$(nproc)"
# pure-ftpd serves only as root; the tests start it through sudo, which must not prompt then.
[ "$(id -u)" -eq 0 ] || sudo -v || echo "test.sh: without sudo the pure-ftpd test fails" >&2
cd build
ctest --output-on-failure --timeout 900 -j"$(nproc)"
