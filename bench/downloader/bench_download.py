#!/usr/bin/env python3
"""morvane-download against curl, in one run, from the same local nginx.

    bench_download.py --tool PATH [--size-mib 256] [--rounds 5] [--rate-size-mib 32]
                      [--limit-rate 4m] [--order blocks|alternate]

1. Throughput, CPU and memory: both fetch the same file (default 256 MiB) from nginx on a free
   loopback port, each tool in a block of its own: a warm-up run, then --rounds measured runs
   (--order alternate: the two run by run instead).
   Printed: the median throughput ratio (downloader / curl, target >= 1.0), the median CPU
   time per byte ratio (downloader / curl, target <= 1.0) and the downloader's peak resident
   memory (target <= 16 MiB).
2. Connections: from an nginx that limits each connection's rate (limit_rate), the downloader
   with 4 connections against itself with 1 (target >= 3.6).

nginx runs as a foreground process with a config in a temporary folder and is ended by its
process id. Every downloaded file is checked against the original.
"""
import argparse
import hashlib
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nginx does not answer on port %d" % port)


def start_nginx(work, root, port, limit_rate):
    conf = os.path.join(work, "nginx-%d.conf" % port)
    user = "user root root;" if os.getuid() == 0 else ""
    limit = "limit_rate %s;" % limit_rate if limit_rate else ""
    with open(conf, "w") as f:
        f.write("""%s
worker_processes 1;
pid %s/nginx-%d.pid;
error_log %s/error-%d.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path %s/body; proxy_temp_path %s/proxy; fastcgi_temp_path %s/fastcgi;
  uwsgi_temp_path %s/uwsgi; scgi_temp_path %s/scgi;
  types { application/octet-stream bin; }
  server { listen 127.0.0.1:%d; root %s; %s }
}
""" % (user, work, port, work, port, work, work, work, work, work, port, root, limit))
    proc = subprocess.Popen(["nginx", "-c", conf, "-p", work, "-g", "daemon off;"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_port(port)
    return proc


def run(cmd, work):
    """Runs cmd; returns (seconds, cpu seconds, peak RSS in KiB, exit status).

    Measured by GNU time, which forks the program from its own small process: a child forked
    from this Python would carry Python's resident size in its peak.
    """
    report = os.path.join(work, "time.txt")
    start = time.monotonic()
    status = subprocess.call(["/usr/bin/time", "-o", report, "-f", "%U %S %M %x"] + cmd,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.monotonic() - start
    with open(report) as f:
        user, system, rss, code = f.read().split()[-4:]
    return seconds, float(user) + float(system), int(rss), int(code) if status == 0 else status


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def make_file(path, mib):
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(os.urandom(1 << 20))
    return digest(path)


def fetch(kind, tool, url, out, work, threads=1):
    # Every run starts alike: no output file, nothing left to write back from the run before.
    if os.path.exists(out):
        os.remove(out)
    os.sync()
    time.sleep(0.5)
    if kind == "curl":
        cmd = ["curl", "--silent", "--show-error", "--fail", "--noproxy", "*", "-o", out, url]
    else:
        cmd = [tool, "--threads", str(threads), url, out]
    result = run(cmd, work)
    if result[3] != 0:
        raise RuntimeError("%s exited %d" % (" ".join(cmd), result[3]))
    return result


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--tool", required=True, help="the morvane-download program")
    ap.add_argument("--size-mib", type=int, default=256)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--rate-size-mib", type=int, default=32)
    ap.add_argument("--limit-rate", default="4m", help="nginx limit_rate for the connection test")
    ap.add_argument("--order", choices=("blocks", "alternate"), default="blocks",
                    help="each tool in a block of its own (default), or the two run by run")
    args = ap.parse_args()
    for name in ("http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"):
        os.environ.pop(name, None)

    work = tempfile.mkdtemp(prefix="morvane-bench-")
    servers = []
    try:
        root = os.path.join(work, "root")
        os.mkdir(root)
        big = os.path.join(root, "big.bin")
        small = os.path.join(root, "rate.bin")
        print("bench: making %d MiB and %d MiB files" % (args.size_mib, args.rate_size_mib), flush=True)
        big_digest = make_file(big, args.size_mib)
        small_digest = make_file(small, args.rate_size_mib)
        port, limited_port = free_port(), free_port()
        servers.append(start_nginx(work, root, port, None))
        servers.append(start_nginx(work, root, limited_port, args.limit_rate))

        size = args.size_mib << 20
        url = "http://127.0.0.1:%d/big.bin" % port
        out = os.path.join(work, "out.bin")
        rows = {"curl": [], "morvane-download": []}
        kinds = ("curl", "morvane-download")
        if args.order == "blocks":
            # Each tool runs in a block of its own: one run to warm up, not counted, then the
            # measured ones, each after a run of the same tool. (Alternating the tools run by
            # run makes each start from the memory the other just freed; on a virtual machine
            # that returns freed memory to its host, that measures the host as much as the tools.)
            for kind in kinds:
                fetch(kind, args.tool, url, out, work)
                if digest(out) != big_digest:
                    raise RuntimeError("%s wrote a different file" % kind)
                for _ in range(args.rounds):
                    rows[kind].append(fetch(kind, args.tool, url, out, work))
        else:
            fetch("curl", args.tool, url, out, work)
            for r in range(args.rounds):
                for kind in (kinds if r % 2 == 0 else kinds[::-1]):
                    rows[kind].append(fetch(kind, args.tool, url, out, work))
                    if r == 0 and digest(out) != big_digest:
                        raise RuntimeError("%s wrote a different file" % kind)
        os.remove(out)
        print("\n%-18s %12s %12s %12s" % ("", "MiB/s", "CPU ns/B", "peak RSS MiB"))
        for kind, results in rows.items():
            for seconds, cpu, rss, _ in results:
                print("%-18s %12.1f %12.3f %12.1f" % (kind, size / seconds / 2**20, cpu / size * 1e9, rss / 1024))
        thr = {k: statistics.median(size / s for s, _, _, _ in v) for k, v in rows.items()}
        cpu = {k: statistics.median(c for _, c, _, _ in v) / size for k, v in rows.items()}
        peak = max(rss for _, _, rss, _ in rows["morvane-download"]) / 1024
        throughput_ratio = thr["morvane-download"] / thr["curl"]
        cpu_ratio = cpu["morvane-download"] / cpu["curl"]

        print("\nbench: connections against nginx limit_rate %s, %d MiB" % (args.limit_rate, args.rate_size_mib), flush=True)
        rate_url = "http://127.0.0.1:%d/rate.bin" % limited_port
        one = fetch("morvane-download", args.tool, rate_url, out, work, 1)
        if digest(out) != small_digest:
            raise RuntimeError("1 connection wrote a different file")
        four = fetch("morvane-download", args.tool, rate_url, out, work, 4)
        if digest(out) != small_digest:
            raise RuntimeError("4 connections wrote a different file")
        small_size = args.rate_size_mib << 20
        print("  1 connection : %.2f s, %.1f MiB/s" % (one[0], small_size / one[0] / 2**20))
        print("  4 connections: %.2f s, %.1f MiB/s" % (four[0], small_size / four[0] / 2**20))
        connection_ratio = one[0] / four[0]

        checks = [
            ("throughput ratio downloader/curl (median)", throughput_ratio, ">=", 1.0),
            ("CPU time per byte ratio downloader/curl (median)", cpu_ratio, "<=", 1.0),
            ("downloader peak memory, MiB", peak, "<=", 16.0),
            ("rate ratio 4 connections / 1 (limit_rate)", connection_ratio, ">=", 3.6),
        ]
        print()
        met = True
        for label, value, op, target in checks:
            ok = value >= target if op == ">=" else value <= target
            met &= ok
            print("%-50s %7.3f   target %s %.1f   %s" % (label, value, op, target, "met" if ok else "NOT MET"))
        return 0 if met else 1
    finally:
        for proc in servers:
            proc.send_signal(signal.SIGTERM)
        for proc in servers:
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
