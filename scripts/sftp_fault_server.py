#!/usr/bin/python3
"""An SFTP server on loopback with faults on demand, for the tests (paramiko).

Logs one user in by password or keyboard-interactive and serves a folder as "/". Prints
"PORT <n> <SHA256 fingerprint of its host key>" once it listens, then serves until it is killed
or, with --watch-stdin, its standard input closes.

With --events FILE it writes there one line per login attempt ("auth METHOD USER ok|refused",
publickey attempts naming the key type) and per drop ("drop PATH BYTES").

Faults, in any mix: --drop-after N ends the connection when a write would take a file past N
bytes (the first N are written); --hostile-names adds to every listing names no real folder
holds; --reply-delay MS waits before each SFTP reply; --host-key FILE presents that key;
--ciphers and --macs offer only the methods listed.
"""
import argparse
import base64
import hashlib
import os
import posixpath
import socket
import sys
import threading
import time

import paramiko
from paramiko import SFTPAttributes, SFTPHandle, SFTPServer, SFTPServerInterface
from paramiko.sftp import SFTP_FAILURE, SFTP_OK

# Names a hostile server may list: separators and dot names, control and bidi characters, C1 in
# UTF-8, an overlong name, bytes that are not UTF-8.
HOSTILE_NAMES = [
    "..", ".", "", "a/b", "/etc/passwd", "../../escape", "ctl\x01\x07\x1b[31mred", "cr\rlf\nname",
    "tab\tname", "del\x7f", "c1-\u009b", "rtl-\u202eexe.txt", "x" * 1000, b"latin1-\xe9\xff",
]


class Events:
    def __init__(self, path):
        self.path, self.lock = path, threading.Lock()

    def __call__(self, *words):
        if self.path:
            with self.lock, open(self.path, "a") as f:
                f.write(" ".join(str(w) for w in words) + "\n")


events = Events(None)


def load_host_key(path):
    if not path:
        return paramiko.ECDSAKey.generate()
    for kind in (paramiko.Ed25519Key, paramiko.ECDSAKey, paramiko.RSAKey):
        try:
            return kind.from_private_key_file(path)
        except (paramiko.SSHException, ValueError):
            continue
    sys.exit("sftp_fault_server: cannot read the host key " + path)


def fingerprint(key):
    return "SHA256:" + base64.b64encode(hashlib.sha256(key.asbytes()).digest()).decode().rstrip("=")


class Drops:
    """Counts the connections dropped mid-file, across connections."""

    def __init__(self, after, times):
        self.after, self.left, self.lock = after, times, threading.Lock()

    def due(self, end):
        with self.lock:
            if self.after < 0 or end <= self.after or self.left == 0:
                return False
            self.left -= 1
            return True


class Login(paramiko.ServerInterface):
    def __init__(self, args):
        self.args = args
        self.kbd_user = None

    def get_allowed_auths(self, username):
        return self.args.auth

    def _methods(self):
        return self.args.auth.split(",")

    def _result(self, method, username, ok):
        events("auth", method, username, "ok" if ok else "refused")
        return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

    def check_auth_publickey(self, username, key):
        events("auth publickey", username, key.get_name(), "refused")
        return paramiko.AUTH_FAILED

    def check_auth_password(self, username, password):
        ok = ("password" in self._methods() and username == self.args.user
              and password == self.args.password)
        return self._result("password", username, ok)

    def check_auth_interactive(self, username, submethods):
        if "keyboard-interactive" not in self._methods():
            return self._result("keyboard-interactive", username, False)
        self.kbd_user = username
        return paramiko.server.InteractiveQuery("", "", ("Password: ", False))

    def check_auth_interactive_response(self, responses):
        ok = (self.kbd_user == self.args.user and len(responses) == 1
              and responses[0] == self.args.password)
        return self._result("keyboard-interactive", self.kbd_user, ok)

    def check_channel_request(self, kind, chanid):
        if kind == "session":
            return paramiko.OPEN_SUCCEEDED
        return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED_FAILURE


class SlowSFTPServer(SFTPServer):
    delay = 0.0

    def _send_packet(self, t, packet):
        time.sleep(self.delay)
        super()._send_packet(t, packet)


def errno_reply(e):
    return SFTPServer.convert_errno(e.errno)


class FileHandle(SFTPHandle):
    def __init__(self, path, flags, f, drop, conn):
        super().__init__(flags)
        self.path, self.readfile, self.writefile = path, f, f
        self.drop, self.conn = drop, conn

    def write(self, offset, data):
        if not self.drop.due(offset + len(data)):
            return super().write(offset, data)
        super().write(offset, data[:max(0, self.drop.after - offset)])
        self.writefile.flush()
        events("drop", self.name, os.fstat(self.writefile.fileno()).st_size)
        try:
            self.conn.shutdown(socket.SHUT_RDWR)  # as when the network goes away
        except OSError:
            pass
        return SFTP_FAILURE

    def stat(self):
        try:
            return SFTPAttributes.from_stat(os.fstat(self.readfile.fileno()))
        except OSError as e:
            return errno_reply(e)

    def chattr(self, attr):
        try:
            SFTPServer.set_file_attr(self.path, attr)
            return SFTP_OK
        except OSError as e:
            return errno_reply(e)


class Folder(SFTPServerInterface):
    """The root folder as "/": no path leaves it (links aside, which the tests do not make)."""

    def __init__(self, server, args, drop, conn, *largs, **kwargs):
        super().__init__(server, *largs, **kwargs)
        self.args, self.drop, self.conn = args, drop, conn

    def local(self, path):
        inside = posixpath.normpath("/" + path).lstrip("/")
        return os.path.join(self.args.root, inside) if inside else self.args.root

    def _stat(self, path, how):
        try:
            return SFTPAttributes.from_stat(how(self.local(path)))
        except OSError as e:
            return errno_reply(e)

    def stat(self, path):
        return self._stat(path, os.stat)

    def lstat(self, path):
        return self._stat(path, os.lstat)

    def list_folder(self, path):
        folder = self.local(path)
        try:
            entries = []
            for raw in os.listdir(os.fsencode(folder)):
                attr = SFTPAttributes.from_stat(os.lstat(os.path.join(os.fsencode(folder), raw)))
                try:
                    attr.filename = raw.decode("utf-8")
                except UnicodeDecodeError:
                    attr.filename = raw
                entries.append(attr)
        except OSError as e:
            return errno_reply(e)
        if self.args.hostile_names:
            for name in HOSTILE_NAMES:
                attr = SFTPAttributes.from_stat(os.stat(folder))
                attr.st_mode = 0o100644
                attr.st_size = 7
                attr.filename = name
                entries.append(attr)
        return entries

    def open(self, path, flags, attr):
        local = self.local(path)
        try:
            fd = os.open(local, flags | getattr(os, "O_BINARY", 0), 0o644)
        except OSError as e:
            return errno_reply(e)
        if flags & os.O_WRONLY:
            mode = "ab" if flags & os.O_APPEND else "wb"
        elif flags & os.O_RDWR:
            mode = "a+b" if flags & os.O_APPEND else "r+b"
        else:
            mode = "rb"
        handle = FileHandle(local, flags, os.fdopen(fd, mode), self.drop, self.conn)
        handle.name = posixpath.normpath("/" + path)
        return handle

    def _call(self, what, *paths):
        try:
            what(*[self.local(p) for p in paths])
            return SFTP_OK
        except OSError as e:
            return errno_reply(e)

    def remove(self, path):
        return self._call(os.remove, path)

    def rename(self, oldpath, newpath):
        # As OpenSSH's server: a plain rename never replaces a file.
        if os.path.lexists(self.local(newpath)):
            return SFTP_FAILURE
        return self._call(os.rename, oldpath, newpath)

    def posix_rename(self, oldpath, newpath):
        return self._call(os.rename, oldpath, newpath)

    def mkdir(self, path, attr):
        return self._call(os.mkdir, path)

    def rmdir(self, path):
        return self._call(os.rmdir, path)

    def chattr(self, path, attr):
        try:
            SFTPServer.set_file_attr(self.local(path), attr)
            return SFTP_OK
        except OSError as e:
            return errno_reply(e)


def serve(conn, args, host_key, drop):
    transport = paramiko.Transport(conn)
    transport.add_server_key(host_key)
    options = transport.get_security_options()
    if args.ciphers:
        options.ciphers = tuple(args.ciphers.split(","))
    if args.macs:
        options.digests = tuple(args.macs.split(","))
    transport.set_subsystem_handler("sftp", SlowSFTPServer, Folder, args, drop, conn)
    try:
        transport.start_server(server=Login(args))
    except (paramiko.SSHException, EOFError, OSError):
        transport.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--user", default="demo")
    ap.add_argument("--password", default="demo")
    ap.add_argument("--auth", default="password,keyboard-interactive",
                    help="the login methods offered, in order, comma-separated")
    ap.add_argument("--host-key", help="private key file (OpenSSH format); default: a new ECDSA key")
    ap.add_argument("--drop-after", type=int, default=-1)
    ap.add_argument("--drop-times", type=int, default=-1, help="how many drops at most; -1: always")
    ap.add_argument("--hostile-names", action="store_true")
    ap.add_argument("--reply-delay", type=int, default=0, help="milliseconds before each SFTP reply")
    ap.add_argument("--ciphers", help="the only ciphers offered, comma-separated")
    ap.add_argument("--macs", help="the only MACs offered, comma-separated")
    ap.add_argument("--events", help="file to append login attempts and drops to")
    ap.add_argument("--watch-stdin", action="store_true",
                    help="exit when standard input reaches end of file")
    args = ap.parse_args()
    args.root = os.path.abspath(args.root)
    os.makedirs(args.root, exist_ok=True)
    events.path = args.events
    SlowSFTPServer.delay = args.reply_delay / 1000.0
    host_key = load_host_key(args.host_key)
    drop = Drops(args.drop_after, args.drop_times)

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    print("PORT", listener.getsockname()[1], fingerprint(host_key), flush=True)

    if args.watch_stdin:
        def watch():
            while sys.stdin.buffer.read(4096):
                pass
            os._exit(0)
        threading.Thread(target=watch, daemon=True).start()

    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn, args, host_key, drop), daemon=True).start()


if __name__ == "__main__":
    main()
