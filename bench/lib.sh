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

# Starts OpenSSH's sshd (unpacked into the build by scripts/ssh-servers.sh, never installed) on a
# free loopback port, SFTP only, logins starting in ROOT, with its files in WORK/sshd. It runs
# unprivileged: as the invoking user, as nobody under root (which would need an "sshd" account).
# The client's key is WORK/home/.ssh/id_ed25519 and WORK/home/.ssh/known_hosts knows the host.
# Sets $ssh_port, $ssh_user, $ssh_fingerprint ("SHA256:..." as ssh-keygen prints it), $sshd_pid.
start_sshd() {
  local root=$1 work=$2 sshd run=()
  scripts/ssh-servers.sh build/ssh-servers
  sshd=$PWD/build/ssh-servers/root/usr/sbin/sshd  # sshd re-executes itself: an absolute path
  mkdir -p "$root" "$work/sshd" "$work/home/.ssh"
  chmod 700 "$work/home"
  ssh-keygen -q -N '' -t ed25519 -f "$work/sshd/host_ed25519" </dev/null
  ssh-keygen -q -N '' -t ed25519 -f "$work/home/.ssh/id_ed25519" </dev/null
  cp "$work/home/.ssh/id_ed25519.pub" "$work/sshd/authorized_keys"
  ssh_port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  ssh_fingerprint=$(ssh-keygen -lf "$work/sshd/host_ed25519.pub" | awk '{print $2}')
  echo "[127.0.0.1]:$ssh_port $(cut -d' ' -f1,2 "$work/sshd/host_ed25519.pub")" > "$work/home/.ssh/known_hosts"
  cat > "$work/sshd/sshd_config" <<CONF
ListenAddress 127.0.0.1
Port $ssh_port
HostKey $work/sshd/host_ed25519
PidFile $work/sshd/sshd.pid
AuthorizedKeysFile $work/sshd/authorized_keys
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
Subsystem sftp internal-sftp
ForceCommand internal-sftp -d $root
CONF
  ssh_user=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then
    ssh_user=nobody
    run=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
    chown -R nobody: "$work/sshd" "$root"
    chmod 711 "$work"
  fi
  # Without it, systemd's name service says nobody's password is locked and sshd refuses it.
  SYSTEMD_NSS_BYPASS_SYNTHETIC=1 "${run[@]}" "$sshd" -D -e -f "$work/sshd/sshd_config" 2>"$work/sshd/log" &
  sshd_pid=$!
  for _ in $(seq 100); do
    if grep -qs "Server listening" "$work/sshd/log"; then return 0; fi
    sleep 0.05
  done
  echo "sshd did not start:" >&2; cat "$work/sshd/log" >&2; return 1
}

stop_sshd() {
  if [ -n "${sshd_pid-}" ]; then kill "$sshd_pid" 2>/dev/null || true; wait "$sshd_pid" 2>/dev/null || true; fi
}

# Starts proftpd (unpacked like vsftpd) on a free loopback port with one virtual account,
# $ftp_user / $ftp_password, whose home is ROOT: the account lives in a passwd-format file of its
# own, so no system account or PAM is involved, and the server runs as whoever starts it. Renames,
# SIZE, MFMT and MLSD are on, as a logged-in user of a hosting account finds them. No chroot: the
# login folder is ROOT and clients name paths relative to it. Sets $port and $proftpd_pid.
start_proftpd() {
  local root=$1 work=$2
  scripts/ftp-servers.sh build/ftp-servers
  ftp_user=bench ftp_password=bench
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  local hash; hash=$(openssl passwd -6 -salt pelicano "$ftp_password")
  printf '%s:%s:%s:%s::%s:/bin/sh\n' "$ftp_user" "$hash" "$(id -u)" "$(id -g)" "$root" >"$work/passwd"
  printf '%s:x:%s:\n' "$(id -gn)" "$(id -g)" >"$work/group"
  chmod 600 "$work/passwd" "$work/group"
  # Only root can change identity; anyone else serves as themselves.
  local caps=""
  [ "$(id -u)" = 0 ] || caps=$'<IfModule mod_cap.c>\nCapabilitiesEngine off\n</IfModule>'
  cat >"$work/proftpd.conf" <<CONF
ServerType standalone
DefaultServer on
Port $port
DefaultAddress 127.0.0.1
UseIPv6 off
UseReverseDNS off
RootLogin on
User $(id -un)
Group $(id -gn)
PidFile $work/proftpd.pid
ScoreboardFile $work/proftpd.scoreboard
DelayTable none
WtmpLog off
TransferLog none
SystemLog $work/proftpd.log
AuthUserFile $work/passwd
AuthGroupFile $work/group
AuthOrder mod_auth_file.c
RequireValidShell off
AllowOverwrite on
MaxInstances 64
ModulePath $PWD/build/ftp-servers/root/usr/lib/proftpd
<IfModule mod_ctrls.c>
ControlsEngine off
</IfModule>
$caps
CONF
  build/ftp-servers/root/usr/sbin/proftpd -n -q -c "$work/proftpd.conf" >"$work/proftpd.out" 2>&1 &
  proftpd_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "proftpd did not start:" >&2; cat "$work/proftpd.out" "$work/proftpd.log" >&2; return 1
}

stop_proftpd() {
  if [ -n "${proftpd_pid-}" ]; then kill "$proftpd_pid" 2>/dev/null || true; wait "$proftpd_pid" 2>/dev/null || true; fi
}

# Median of the numbers on standard input, one per line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
