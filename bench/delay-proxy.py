#!/usr/bin/env python3
"""FTP control-connection proxy that adds latency, for the benchmarks.

Listens on a loopback port and forwards every control connection to a real server. Each complete
reply (a multi-line reply counts as one) reaches the client DELAY ms after the server sent it, so
every command costs one extra round trip of DELAY. Commands go to the server at once. Data
connections do not pass through here: clients open them to the address and port that PASV or EPSV
names, which is the server's own.

Talks to whoever started it on standard input and output:
  - prints "port N" once it listens;
  - on a line "count" waits (at most 10 s) until no client is connected, then prints
    "commands TOTAL VERB=n ..." for the commands received since the previous "count";
  - exits when standard input closes, so it never outlives the script that started it, and in any
    case after --lifetime seconds.
Control connections that switch to TLS are passed on in whole chunks, each delayed the same way.
"""
import argparse
import asyncio
import collections
import sys
import threading

MAX_LINE = 64 * 1024  # a reply line longer than this is passed on as it is


class Counter:
    def __init__(self):
        self.verbs = collections.Counter()
        self.open = 0
        self.idle = asyncio.Event()
        self.idle.set()

    def opened(self):
        self.open += 1
        self.idle.clear()

    def closed(self):
        self.open -= 1
        if self.open == 0:
            self.idle.set()

    def take(self):
        verbs, self.verbs = self.verbs, collections.Counter()
        parts = ["%s=%d" % (v, n) for v, n in sorted(verbs.items())]
        return "commands %d %s" % (sum(verbs.values()), " ".join(parts))


def reply_end(buf, start):
    """Index just past the first whole reply in buf[start:], or -1 while it is incomplete.

    A reply is "xyz text" on one line, or "xyz-" ... up to a line that begins with "xyz "."""
    first = buf.find(b"\n", start)
    if first < 0:
        return -1 if len(buf) - start < MAX_LINE else len(buf)
    line = buf[start:first + 1]
    if len(line) < 4 or line[3:4] != b"-" or not line[:3].isdigit():
        return first + 1
    closing = line[:3] + b" "
    pos = first + 1
    while True:
        nl = buf.find(b"\n", pos)
        if nl < 0:
            return -1 if len(buf) - start < MAX_LINE else len(buf)
        if buf.startswith(closing, pos):
            return nl + 1
        pos = nl + 1


async def pump_replies(server, client, delay, state):
    """Server to client: each whole reply waits DELAY from its arrival, order kept."""
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            if data is None:
                return
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            client.write(data)
            await client.drain()

    sender = asyncio.ensure_future(deliver())
    buf = b""
    try:
        while True:
            chunk = await server.read(65536)
            if not chunk:
                break
            now = loop.time()
            if state["tls"]:
                queue.put_nowait((now + delay, buf + chunk))
                buf = b""
                continue
            buf += chunk
            start = 0
            while True:
                end = reply_end(buf, start)
                if end < 0:
                    break
                queue.put_nowait((now + delay, buf[start:end]))
                if state["auth"]:
                    state["auth"] = False
                    state["tls"] = buf.startswith(b"234", start)
                start = end
                if state["tls"]:
                    break
            buf = buf[start:]
        if buf:
            queue.put_nowait((loop.time() + delay, buf))
        queue.put_nowait((0, None))
        await sender
    finally:
        sender.cancel()


async def pump_commands(client, server, counter, state):
    """Client to server at once, counting the commands by verb (never their arguments)."""
    pending = b""
    while True:
        chunk = await client.read(65536)
        if not chunk:
            return
        server.write(chunk)
        pending = b"" if state["tls"] else pending + chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            verb = line.split(b" ", 1)[0].strip().upper().decode("ascii", "replace")[:8]
            if verb:
                counter.verbs[verb] += 1
            if verb == "AUTH":  # its reply says whether the rest is TLS
                state["auth"] = True
        if len(pending) > MAX_LINE:
            pending = b""
        await server.drain()


async def serve_one(client_r, client_w, upstream, delay, counter):
    counter.opened()
    server_w = None
    try:
        server_r, server_w = await asyncio.open_connection(*upstream)
        state = {"tls": False, "auth": False}
        up = asyncio.ensure_future(pump_commands(client_r, server_w, counter, state))
        down = asyncio.ensure_future(pump_replies(server_r, client_w, delay, state))
        done, rest = await asyncio.wait({up, down}, return_when=asyncio.FIRST_COMPLETED)
        if up in done:  # the client left: nothing more to deliver
            down.cancel()
        else:  # the server closed: its last replies were delivered, then hang up on the client
            up.cancel()
        await asyncio.gather(up, down, return_exceptions=True)
    except OSError:
        pass
    finally:
        for w in (client_w, server_w):
            if w is not None:
                w.close()
        counter.closed()


def read_stdin(loop, lines):
    """Standard input in a thread: works for pipes and terminals alike."""
    for line in sys.stdin:
        loop.call_soon_threadsafe(lines.put_nowait, line.strip())
    loop.call_soon_threadsafe(lines.put_nowait, None)


async def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("server_port", type=int, help="port of the FTP server on 127.0.0.1")
    p.add_argument("--delay-ms", type=float, default=20.0)
    p.add_argument("--port", type=int, default=0, help="where to listen (default: any free port)")
    p.add_argument("--lifetime", type=float, default=3 * 3600, help="seconds before it exits anyway")
    args = p.parse_args()

    counter = Counter()
    delay = args.delay_ms / 1000.0
    upstream = ("127.0.0.1", args.server_port)
    listener = await asyncio.start_server(
        lambda r, w: serve_one(r, w, upstream, delay, counter), "127.0.0.1", args.port)
    print("port %d" % listener.sockets[0].getsockname()[1], flush=True)

    loop = asyncio.get_running_loop()
    lines = asyncio.Queue()
    threading.Thread(target=read_stdin, args=(loop, lines), daemon=True).start()
    deadline = loop.time() + args.lifetime
    while True:
        left = deadline - loop.time()
        if left <= 0:
            break
        try:
            line = await asyncio.wait_for(lines.get(), left)
        except asyncio.TimeoutError:
            break
        if line is None:
            break
        if line == "count":
            try:
                await asyncio.wait_for(counter.idle.wait(), 10)
            except asyncio.TimeoutError:
                print("proxy: %d connection(s) still open" % counter.open, file=sys.stderr)
            print(counter.take(), flush=True)
    listener.close()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        pass
