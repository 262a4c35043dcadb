#!/usr/bin/env python3
"""Security checks of velmora --headless: secrets (missing, wrong, timing
that does not depend on how much of a guess is right, slower answers for
repeated guesses, and the log of them), caps on bodies, batches and
WebSocket frames, save folders, CORS and the refusal to listen beyond
loopback without TLS (and a TLS listener when certificate and key are set).

usage: security.py VELMORA_BINARY"""
import json
import os
import socket
import ssl
import struct
import subprocess
import sys
import time

from rpcpeer import SECRET, FileServer, Peer, WebSocket, wait_for

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def error_message(answer):
    return (answer or {}).get("error", {}).get("message")


def timed_wrong_guess(peer, guess):
    begin = time.monotonic()
    answer = peer.call("aria2.getVersion", secret=guess)
    elapsed = time.monotonic() - begin
    # A right secret forgives the address, so every guess starts afresh.
    peer.result("aria2.getVersion")
    return elapsed, error_message(answer)


def secrets(peer):
    check(error_message(peer.call("aria2.getVersion", secret=None)) == "Unauthorized", "no secret: Unauthorized")
    elapsed, message = timed_wrong_guess(peer, "x" * len(SECRET))
    check(message == "Unauthorized", "wrong secret: Unauthorized")
    log = open(peer.log).read()
    check("wrong or missing secret from 127.0.0.1" in log, "wrong secrets are logged with the address")

    near = SECRET[:-1] + ("x" if SECRET[-1] != "x" else "y")
    far = "".join("x" if c != "x" else "y" for c in SECRET)
    near_times = [timed_wrong_guess(peer, near)[0] for _ in range(5)]
    far_times = [timed_wrong_guess(peer, far)[0] for _ in range(5)]
    # The fastest of each: what load on the machine adds only ever slows one.
    gap = abs(min(near_times) - min(far_times))
    check(gap < 0.1, "a guess right but for its last byte takes as long as one wrong from the first (%.3f s apart)" % gap)

    times = []
    for _ in range(4):
        begin = time.monotonic()
        peer.call("aria2.getVersion", secret="guess")
        times.append(time.monotonic() - begin)
    check(times[3] >= 1.5 and times[3] > times[1], "repeated guesses wait longer each time (%s)" %
          ", ".join("%.2f" % t for t in times))
    begin = time.monotonic()
    peer.result("aria2.getVersion")
    # Measured against the last wait, not a fixed bound, so a loaded machine
    # that slows every call does not read as a held-back answer.
    forgiven = time.monotonic() - begin
    check(forgiven < times[3] / 2, "after the right secret the address is forgiven (%.2f s)" % forgiven)


def caps(peer):
    # Refused on its Content-Length alone: the answer comes before the body is sent.
    with socket.create_connection(("127.0.0.1", peer.port), timeout=30) as raw:
        raw.sendall(b"POST /jsonrpc HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % (1024 * 1024 + 1))
        head = raw.recv(4096)
    check(head.startswith(b"HTTP/1.1 413"), "a body over 1 MiB: 413 (got %r)" % head[:20])
    status, answer, _ = peer.post(b" " * (1024 * 1024 - 2) + b"{}")
    check(status != 413 and answer is not None, "a body of exactly 1 MiB is read")
    batch = [{"jsonrpc": "2.0", "id": i, "method": "aria2.getVersion", "params": ["token:" + SECRET]}
             for i in range(201)]
    _, answer, _ = peer.post(json.dumps(batch))
    check(isinstance(answer, dict) and answer.get("error", {}).get("code") == -32600, "a batch over 200 calls is refused")
    ws = WebSocket(peer.port)
    # Only the head of a frame declaring 1 MiB + 1: the server must refuse
    # on the length before any payload arrives (and a payload it will never
    # read would make its close race a reset).
    ws.sock.sendall(bytes([0x81, 0x80 | 127]) + struct.pack(">Q", 1024 * 1024 + 1) + os.urandom(4))
    opcode, payload = ws.frame()
    check(opcode == 8 and payload[:2] == b"\x03\xf1", "a WebSocket message over 1 MiB closes with 1009")
    ws.close()
    deep = "[" * 100 + "]" * 100
    status, answer, _ = peer.post(deep)
    check(answer and answer["error"]["code"] == -32700, "nesting deeper than 64 is a parse error, not a crash")


def folders(peer, files):
    answer = peer.call("aria2.addUri", [files.url("fast.bin")], {"dir": "/tmp/outside-%d" % os.getpid()})
    check("error" in answer and not os.path.exists("/tmp/outside-%d" % os.getpid()), "dir outside the folders: refused")
    answer = peer.call("aria2.addUri", [files.url("fast.bin")], {"dir": peer.downloads + "/../.."})
    check("error" in answer, "dir climbing out with ..: refused")
    allowed = os.path.join(peer.home, "allowed")
    answer = peer.call("aria2.addUri", [files.url("fast.bin")], {"dir": allowed})
    check("result" in answer, "a folder given with --rpc-allow-dir is taken")
    answer = peer.call("aria2.addUri", [files.url("fast.bin")], {"dir": peer.downloads + "/sub"})
    check("result" in answer, "a folder under the download folder is taken")


def cors(peer):
    _, _, headers = peer.post(json.dumps({"jsonrpc": "2.0", "id": 1, "method": "aria2.getVersion",
                                          "params": ["token:" + SECRET]}), {"Origin": "https://ui.example"})
    check(headers.get("Access-Control-Allow-Origin") == "https://ui.example", "a listed origin gets CORS")
    _, _, headers = peer.post(json.dumps({"jsonrpc": "2.0", "id": 1, "method": "aria2.getVersion",
                                          "params": ["token:" + SECRET]}), {"Origin": "https://evil.example"})
    check("Access-Control-Allow-Origin" not in headers, "an unlisted origin gets none")
    ws = WebSocket(peer.port, origin="https://evil.example")
    check(" 403 " in ws.status_line, "a WebSocket from an unlisted origin is refused")
    ws.close()


def write_settings(peer, fields):
    folder = os.path.join(peer.home, "config", "velmora")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "settings.xml"), "w") as f:
        f.write("<settings version=\"1\">" + "".join("<%s>%s</%s>" % (k, v, k) for k, v in fields.items()) +
                "</settings>")


def beyond_loopback(binary):
    plain = Peer("velmora", binary)
    plain.extra = ["--rpc-listen", "0.0.0.0:%d" % plain.port]
    with open(plain.log, "wb") as log:
        code = subprocess.run(plain.command(), env=plain.environment(), stdout=log, stderr=log, timeout=60).returncode
    text = open(plain.log).read()
    check(code != 0 and "TLS" in text, "listening on 0.0.0.0 without TLS: refused, and the program says why")
    plain.cleanup()

    secure = Peer("velmora", binary)
    key, cert = os.path.join(secure.home, "key.pem"), os.path.join(secure.home, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1"], check=True, capture_output=True)
    write_settings(secure, {"rpcCertificate": cert, "rpcKey": key})
    secure.extra = ["--rpc-listen", "0.0.0.0:%d" % secure.port]
    try:
        secure.start()
        context = ssl.create_default_context(cafile=cert)
        context.check_hostname = False
        with socket.create_connection(("127.0.0.1", secure.port)) as raw, \
                context.wrap_socket(raw, server_hostname="127.0.0.1") as tls:
            body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": "aria2.getVersion", "params": ["token:" + SECRET]})
            tls.sendall(("POST /jsonrpc HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: %d\r\n\r\n%s"
                         % (len(body), body)).encode())
            answer = b""
            while True:
                chunk = tls.recv(65536)
                if not chunk:
                    break
                answer += chunk
        check(b"\"version\"" in answer, "with certificate and key it listens beyond loopback over TLS")
    finally:
        secure.cleanup()


def main():
    binary = sys.argv[1]
    files = FileServer()
    peer = Peer("velmora", binary)
    os.makedirs(os.path.join(peer.home, "allowed"))
    peer.extra = ["--rpc-allow-dir", os.path.join(peer.home, "allowed")]
    write_settings(peer, {"rpcOrigins": "https://ui.example"})
    try:
        peer.start()
        secrets(peer)
        caps(peer)
        folders(peer, files)
        cors(peer)
        wait_for(lambda: peer.process.poll() is None, what="the server still running")
    finally:
        peer.cleanup()
    beyond_loopback(binary)
    files.close()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
