# Shared by the benchmark scripts (sourced, not run).

# Both sides run as on a desktop, where OpenSSL finds the system's authorities itself. A
# variable naming a bundle (some containers set one) makes our client parse all of it at every
# connection, while curl, given --cacert, reads only the test certificate.
unset SSL_CERT_FILE SSL_CERT_DIR

# Starts vsftpd (unpacked into the build by scripts/ftp-servers.sh, never installed as a
# service) from our own configuration on a free loopback port, serving ROOT (anonymous, write
# enabled), with its scratch files in WORK. Sets $port and $vsftpd_pid; waits until it listens.
# With a third argument "tls" it also offers TLS (clear stays allowed) with a self-signed
# certificate for 127.0.0.1 in WORK/cert.pem, and sets $tls_sha256 to its fingerprint.
start_vsftpd() {
  local root=$1 work=$2 tls=${3-}
  scripts/ftp-servers.sh build/ftp-servers
  mkdir -p "$work/empty"
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  sed -e "s|@ROOT@|$root|" -e "s|@EMPTY@|$work/empty|" -e "s|@PORT@|$port|" \
      scripts/vsftpd/vsftpd.conf.in > "$work/vsftpd.conf"
  if [ "$tls" = tls ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
      -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
    tls_sha256=$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)
    printf '%s\n' ssl_enable=YES allow_anon_ssl=YES "rsa_cert_file=$work/cert.pem" \
      "rsa_private_key_file=$work/key.pem" >> "$work/vsftpd.conf"
  fi
  build/ftp-servers/root/usr/sbin/vsftpd "$work/vsftpd.conf" >"$work/vsftpd.log" 2>&1 &
  vsftpd_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "vsftpd did not start:" >&2; cat "$work/vsftpd.log" >&2; return 1
}

stop_vsftpd() {
  if [ -n "${vsftpd_pid-}" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
}

# Median of the numbers on standard input, one per line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
