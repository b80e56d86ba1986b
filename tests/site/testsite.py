#!/usr/bin/env python3
"""The loopback test site: serves files from a folder, records every request, and misbehaves on
request in the ways a real server (or the network in between) sometimes does.

    testsite.py --root DIR [--port N] [--port-file FILE] [--log FILE]

Requests are served from DIR. Behaviours picked by the path:

    /_silent/...      accept the connection, read the request, never answer (until the client
                      closes or 120 s pass)

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

LOG_LOCK = threading.Lock()


class Site:
    def __init__(self, root, log_path):
        self.root = os.path.abspath(root)
        self.log_path = log_path

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
        path = target.split("?", 1)[0]

        if path.startswith("/_silent/"):
            conn.settimeout(120)
            try:
                while conn.recv(4096):
                    pass
            except OSError:
                pass
            return

        self.serve_file(path, headers)

    def send(self, status, headers, body=b""):
        head = "HTTP/1.1 %s\r\n" % status + "".join("%s: %s\r\n" % h for h in headers) + "\r\n"
        try:
            self.request.sendall(head.encode("latin-1") + body)
        except OSError:
            pass

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
        self.send("200 OK", [("Content-Length", len(data)), ("Connection", "close")], data)


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
    server.site = Site(args.root, args.log)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("testsite: serving %s on 127.0.0.1:%d" % (args.root, port), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
