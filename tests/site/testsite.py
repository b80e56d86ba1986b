#!/usr/bin/env python3
"""The loopback test site: serves files from a folder, records every request, and misbehaves on
request in the ways a real server (or the network in between) sometimes does.

    testsite.py --root DIR [--port N] [--port-file FILE] [--log FILE]

Requests are served from DIR. Behaviours picked by the path:

    /_silent/...      accept the connection, read the request, never answer (until the client
                      closes or 120 s pass)
    /_f/OPTS/FILE     serve FILE with the faults named in OPTS, a comma-separated list of:
        status=N        answer with status N (a short body with its length)
        redirect=N      answer 302 (301 with r301) leading to the same route with redirect=N-1;
                        with rel the Location is a path only, else an absolute address
        loop            answer 302 leading to the very same address, forever
        nolength        200 without Content-Length, the body, then close
        length=X        announce the text X as Content-Length, then send the body
        longhead        a head of about 5000 bytes
        endless         header lines without end (until the client closes)
        headstall       half a head, then silence (until the client closes or 120 s pass)
        badstatus       a status line that is not HTTP
        lf              header lines ended by LF alone
        drop=A+B..      close the connection when the body reaches the file offset A (then B..);
                        each offset is used once
        stall=A+B..     at the file offset A stop sending (until the client closes or 120 s
                        pass); each offset is used once
        norange         ignore Range: always 200 with the whole file
        extra=N         N bytes of junk after the announced body
        rate=N          send at most N bytes per second on this connection

Plain files and /_f/ routes answer "Range: bytes=A-" and "bytes=A-B" with 206 and Content-Range.

A request whose target is an absolute "http://host/path" address (as clients send it to a proxy)
is served as if it asked for /path.

The request log (--log) gets one JSON object per request: method, target, version and the raw
header lines in the order received, so tests can check exactly what a client sent.
"""
import argparse
import json
import os
import socket
import socketserver
import sys
import threading
import time
import urllib.parse

LOG_LOCK = threading.Lock()


class Site:
    def __init__(self, root, log_path, port):
        self.root = os.path.abspath(root)
        self.log_path = log_path
        self.port = port
        self.used = set()  # (route, kind, offset) of drops and stalls already done
        self.used_lock = threading.Lock()

    def take(self, key):
        """True the first time `key` is asked for."""
        with self.used_lock:
            if key in self.used:
                return False
            self.used.add(key)
            return True

    def log(self, entry):
        if not self.log_path:
            return
        with LOG_LOCK, open(self.log_path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry, ensure_ascii=False) + "\n")


def read_head(conn):
    """Reads the request head (up to the empty line). Returns (request line, header lines)."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            break
        data += chunk
        if len(data) > 65536:
            break
    head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
    lines = head.split("\r\n")
    return lines[0], [l for l in lines[1:] if l]


def header_value(headers, name):
    prefix = name.lower() + ":"
    for h in headers:
        if h.lower().startswith(prefix):
            return h.split(":", 1)[1].strip()
    return None


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        site = self.server.site
        conn = self.request
        request_line, headers = read_head(conn)
        parts = request_line.split(" ")
        method, target, version = (parts + ["", "", ""])[:3]
        site.log({"method": method, "target": target, "version": version, "headers": headers,
                  "time": time.time()})
        path = urllib.parse.unquote(target.split("?", 1)[0], encoding="latin-1")
        if path.startswith("http://"):  # asked as a proxy: serve the path of the absolute address
            path = "/" + path[len("http://"):].partition("/")[2]

        if path.startswith("/_silent/"):
            self.wait_for_close()
            return
        if path.startswith("/_f/"):
            opts_text, _, rel = path[len("/_f/"):].partition("/")
            try:
                self.serve_faulty(path, opts_text, "/" + rel, headers)
            except OSError:
                pass
            return

        self.serve_file(path, headers)

    def wait_for_close(self, seconds=120):
        conn = self.request
        conn.settimeout(seconds)
        try:
            while conn.recv(4096):
                pass
        except OSError:
            pass

    def send(self, status, headers, body=b"", eol="\r\n"):
        head = "HTTP/1.1 %s" % status + eol + "".join("%s: %s" % h + eol for h in headers) + eol
        try:
            self.request.sendall(head.encode("latin-1") + body)
        except OSError:
            pass

    def load(self, path):
        site = self.server.site
        full = os.path.abspath(os.path.join(site.root, path.lstrip("/")))
        if not full.startswith(site.root + os.sep) or not os.path.isfile(full):
            return None
        with open(full, "rb") as f:
            return f.read()

    def serve_faulty(self, path, opts_text, rel, headers):
        site = self.server.site
        conn = self.request
        opts = {}
        for item in opts_text.split(","):
            key, _, value = item.partition("=")
            opts[key] = value
        eol = "\n" if "lf" in opts else "\r\n"

        if "status" in opts:
            body = b"<html><body>error</body></html>"
            self.send("%s Error" % opts["status"], [("Content-Length", len(body))], body, eol)
            return
        if "loop" in opts or "redirect" in opts:
            if "loop" in opts:
                target = path
            else:
                left = int(opts["redirect"])
                if left > 0:
                    rest = [o for o in opts_text.split(",") if not o.startswith("redirect=")]
                    target = "/_f/" + ",".join(["redirect=%d" % (left - 1)] + rest) + rel
                else:
                    target = None
            if target is not None:
                location = target if "rel" in opts else "http://127.0.0.1:%d%s" % (site.port, target)
                code = "301 Moved Permanently" if "r301" in opts else "302 Found"
                self.send(code, [("Location", location), ("Content-Length", 0)], b"", eol)
                return
        if "badstatus" in opts:
            conn.sendall(b"HTXP/1.1 2OO OK\r\nContent-Length: 5\r\n\r\nhello")
            return
        if "endless" in opts:
            conn.sendall(b"HTTP/1.1 200 OK\r\n")
            line = b"X-Filler: " + b"x" * 60 + b"\r\n"
            while True:
                conn.sendall(line * 16)
        if "headstall" in opts:
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Le")
            self.wait_for_close()
            return

        data = self.load(rel)
        if data is None:
            self.send("404 Not Found", [("Content-Length", 0)], b"", eol)
            return
        total = len(data)
        start, end = 0, total
        rng = header_value(headers, "Range")
        partial = False
        if rng and "norange" not in opts:
            parsed = parse_range(rng, total)
            if parsed:
                start, end = parsed
                partial = True
        head = []
        if "longhead" in opts:
            head.append(("X-Pad", "p" * 5000))
        if "nolength" not in opts:
            head.append(("Content-Length", opts.get("length", str(end - start))))
        if partial:
            head.append(("Content-Range", "bytes %d-%d/%d" % (start, end - 1, total)))
        self.send("206 Partial Content" if partial else "200 OK", head, b"", eol)

        drops = sorted(int(x) for x in opts["drop"].split("+")) if "drop" in opts else []
        stalls = sorted(int(x) for x in opts["stall"].split("+")) if "stall" in opts else []
        # The first unused drop or stall past the start decides where this answer breaks off.
        cut, cut_kind = end, None
        for kind, offsets in (("drop", drops), ("stall", stalls)):
            for off in offsets:
                if start < off < cut and (path, kind, off) not in site.used:
                    cut, cut_kind = off, kind
                    break
        if cut_kind:
            site.take((path, cut_kind, cut))
        rate = int(opts["rate"]) if "rate" in opts else 0
        self.send_body(data[start:cut], rate)
        if cut_kind == "stall":
            self.wait_for_close()
            return
        if cut_kind == "drop":
            return
        if "extra" in opts:
            conn.sendall(b"J" * int(opts["extra"]))
        # Let the client read everything before the connection goes.
        conn.shutdown(socket.SHUT_WR)
        self.wait_for_close(5)

    def send_body(self, body, rate):
        conn = self.request
        if not rate:
            conn.sendall(body)
            return
        step = max(1, rate // 20)
        began = time.monotonic()
        for i in range(0, len(body), step):
            conn.sendall(body[i:i + step])
            due = began + (i + step) / rate
            pause = due - time.monotonic()
            if pause > 0:
                time.sleep(pause)

    def serve_file(self, path, headers):
        site = self.server.site
        rel = path.lstrip("/")
        full = os.path.abspath(os.path.join(site.root, rel))
        if not full.startswith(site.root + os.sep) or not os.path.isfile(full):
            body = b"<html><body>404 Not Found</body></html>"
            self.send("404 Not Found", [("Content-Length", len(body)), ("Connection", "close")], body)
            return
        with open(full, "rb") as f:
            data = f.read()
        rng = header_value(headers, "Range")
        parsed = parse_range(rng, len(data)) if rng else None
        if parsed:
            start, end = parsed
            self.send("206 Partial Content", [("Content-Length", end - start),
                                              ("Content-Range", "bytes %d-%d/%d" % (start, end - 1, len(data))),
                                              ("Connection", "close")], data[start:end])
            return
        self.send("200 OK", [("Content-Length", len(data)), ("Connection", "close")], data)


def parse_range(value, total):
    """(start, end) for "bytes=A-" or "bytes=A-B" inside a file of `total` bytes, else None."""
    if not value.startswith("bytes="):
        return None
    first, _, last = value[len("bytes="):].partition("-")
    try:
        start = int(first)
        end = int(last) + 1 if last else total
    except ValueError:
        return None
    end = min(end, total)
    if start < 0 or start >= end:
        return None
    return start, end


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--log")
    args = ap.parse_args()

    server = Server(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    server.site = Site(args.root, args.log, port)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("testsite: serving %s on 127.0.0.1:%d" % (args.root, port), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
