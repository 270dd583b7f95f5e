#!/usr/bin/python3
"""A local FTP server on loopback, for the demo and the tests (pyftpdlib).

Prints "PORT <n>" on its first line of standard output once it listens, then serves until it is
killed or its standard input closes (so it never outlives the process that started it).
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--user", default="demo")
    ap.add_argument("--password", default="demo")
    ap.add_argument("--watch-stdin", action="store_true",
                    help="exit when standard input reaches end of file")
    ap.add_argument("--no-mlsd", action="store_true", help="hide MLST/MLSD from FEAT")
    ap.add_argument("--encoding", default="utf8",
                    help="how names are decoded; 'latin1' lets any byte through")
    ap.add_argument("--tls-cert", help="PEM file with certificate and key: TLS required on "
                    "control and data connections")
    ap.add_argument("--tls-fault", choices=["plain-data", "cut-data"],
                    help="with --tls-cert: accept PROT P but send data in clear, or end data "
                    "connections without close_notify")
    ap.add_argument("--max-cons-per-ip", type=int, default=0,
                    help="answer 421 to connections from one address beyond this many")
    args = ap.parse_args()

    logging.basicConfig(level=logging.WARNING)
    os.makedirs(args.root, exist_ok=True)
    auth = DummyAuthorizer()
    auth.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler
        base.certfile = args.tls_cert
        base.tls_control_required = True
        base.tls_data_required = True

    class Handler(base):
        if args.tls_fault == "plain-data":
            def ftp_PROT(self, line):
                self.respond("200 Protection set to Private")  # but the data stays clear

    if args.tls_fault == "plain-data":
        Handler.tls_data_required = False
    elif args.tls_fault == "cut-data":
        class CutData(base.dtp_handler):
            def close(self):
                self._error = True  # skips close_notify: the end looks like a cut
                super().close()
        Handler.dtp_handler = CutData

    Handler.authorizer = auth
    Handler.encoding = args.encoding
    if args.encoding != "utf8":
        # pyftpdlib decodes names as UTF-8 whatever `encoding` says; with surrogateescape the
        # bytes that are not UTF-8 reach the disk, the listings and the replies unchanged.
        Handler.unicode_errors = "surrogateescape"
        Handler.push = lambda self, s: super(FTPHandler, self).push(
            s.encode("utf8", "surrogateescape"))
    Handler.passive_ports = None
    if args.no_mlsd:
        Handler.proto_cmds = {k: v for k, v in base.proto_cmds.items()
                              if k not in ("MLSD", "MLST")}

    server = FTPServer((args.host, args.port), Handler)
    server.max_cons = 64
    server.max_cons_per_ip = args.max_cons_per_ip
    port = server.socket.getsockname()[1]
    print("PORT %d" % port, flush=True)

    if args.watch_stdin:
        def watch():
            try:
                while sys.stdin.buffer.read(4096):
                    pass
            finally:
                os._exit(0)
        threading.Thread(target=watch, daemon=True).start()
    server.serve_forever(timeout=0.2, handle_exit=True)


if __name__ == "__main__":
    main()
