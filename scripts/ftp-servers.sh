#!/usr/bin/env bash
# Unpacks vsftpd, proftpd (with its TLS module) and pure-ftpd into a cache folder, for tests that
# run them as their own processes (see scripts/unpack-debs.sh).
# Usage: scripts/ftp-servers.sh CACHE_DIR   (idempotent; prints nothing when already done)
# Afterwards: CACHE_DIR/root/usr/sbin/{vsftpd,proftpd,pure-ftpd}, CACHE_DIR/root/usr/lib/proftpd.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 CACHE_DIR" >&2; exit 2; }
exec "$(dirname "$0")/unpack-debs.sh" ftp-servers "$1" vsftpd proftpd-core proftpd-mod-crypto pure-ftpd -- \
  usr/sbin/vsftpd usr/sbin/proftpd usr/sbin/pure-ftpd usr/lib/proftpd/mod_tls.so
