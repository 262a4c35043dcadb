"""What the remote-control scripts share: a file server on loopback (fast
files, slow files with ranges), the two servers under test started in
folders of their own, a JSON-RPC client over HTTP and a small WebSocket
client. Everything waits for conditions with deadlines, never for time."""
import base64
import http.server
import json
import os
import shutil
import socket
import socketserver
import struct
import subprocess
import tempfile
import threading
import time
import urllib.error
import urllib.request

SECRET = "conformance-secret"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, seconds=20.0, what="condition"):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


# Files -------------------------------------------------------------------

FAST = os.urandom(300_000)
SLOW = os.urandom(6 * 1024 * 1024)
SLOW_RATE = 400 * 1024  # bytes per second, so pauses catch it moving


class _Files(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        body = FAST if self.path.startswith("/fast") else SLOW if self.path.startswith("/slow") else None
        if body is None:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        start, end = 0, len(body) - 1
        wanted = self.headers.get("Range")
        if wanted and wanted.startswith("bytes="):
            first, _, last = wanted[6:].partition("-")
            start = int(first or 0)
            end = int(last) if last else end
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, len(body)))
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(end - start + 1))
        self.send_header("Accept-Ranges", "bytes")
        self.end_headers()
        slow = self.path.startswith("/slow")
        at = start
        try:
            while at <= end:
                piece = body[at:min(end + 1, at + 16384)]
                self.wfile.write(piece)
                at += len(piece)
                if slow:
                    time.sleep(len(piece) / SLOW_RATE)  # the peer's pace, not a wait for a condition
        except (BrokenPipeError, ConnectionResetError):
            pass


class FileServer:
    def __init__(self):
        socketserver.ThreadingTCPServer.allow_reuse_address = True
        self.server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), _Files)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# Servers under test --------------------------------------------------------

class Peer:
    """One server: aria2c or velmora --headless, in a scratch folder."""

    def __init__(self, kind, binary, extra=(), home=None, port=None):
        self.kind = kind
        self.binary = binary
        self.extra = list(extra)
        self.home = home or tempfile.mkdtemp(prefix="rpc-%s-" % kind)
        self.downloads = os.path.join(self.home, "downloads")
        os.makedirs(self.downloads, exist_ok=True)
        self.port = port or free_port()
        self.process = None
        self.log = os.path.join(self.home, "log.txt")

    def command(self):
        if self.kind == "aria2":
            return [self.binary, "--enable-rpc", "--rpc-listen-port=%d" % self.port, "--rpc-secret=" + SECRET,
                    "--no-conf", "-d", self.downloads, "--quiet", "--rpc-max-request-size=1M",
                    "--max-concurrent-downloads=3"] + self.extra
        return [self.binary, "--headless", "--rpc-listen", str(self.port), "--rpc-secret", SECRET] + self.extra

    def environment(self):
        env = dict(os.environ)
        env["XDG_DATA_HOME"] = os.path.join(self.home, "data")
        env["XDG_CONFIG_HOME"] = os.path.join(self.home, "config")
        env["XDG_DOWNLOAD_DIR"] = self.downloads
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def start(self):
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen(self.command(), env=self.environment(), stdout=log, stderr=log)
        wait_for(self._listening, what=self.kind + " listening")
        return self

    def _listening(self):
        if self.process.poll() is not None:
            raise AssertionError("%s ended early: %s" % (self.kind, open(self.log).read()))
        try:
            with socket.create_connection(("127.0.0.1", self.port), timeout=0.5):
                return True
        except OSError:
            return False

    def stop(self, signal_number=15):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal_number)
            self.process.wait(timeout=30)
        return self.process.returncode

    def cleanup(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    # Calls --------------------------------------------------------------

    def post(self, body, headers=None):
        """(HTTP status, parsed JSON or None, headers) for a raw body."""
        data = body if isinstance(body, bytes) else body.encode()
        request = urllib.request.Request("http://127.0.0.1:%d/jsonrpc" % self.port, data=data,
                                         headers=dict({"Content-Type": "application/json"}, **(headers or {})))
        try:
            with urllib.request.urlopen(request, timeout=60) as answer:
                raw = answer.read()
                return answer.status, json.loads(raw) if raw else None, dict(answer.headers)
        except urllib.error.HTTPError as error:
            raw = error.read()
            try:
                parsed = json.loads(raw) if raw else None
            except ValueError:
                parsed = None
            return error.code, parsed, dict(error.headers)

    def call(self, method, *params, secret=SECRET):
        body = {"jsonrpc": "2.0", "id": "c", "method": method,
                "params": ([] if secret is None else ["token:" + secret]) + list(params)}
        return self.post(json.dumps(body))[1]

    def result(self, method, *params, secret=SECRET):
        answer = self.call(method, *params, secret=secret)
        if "error" in answer:
            raise AssertionError("%s %s failed: %s" % (self.kind, method, answer["error"]))
        return answer["result"]

    def status(self, gid, keys=None):
        return self.result("aria2.tellStatus", gid, *([keys] if keys else []))

    def wait_status(self, gid, wanted, seconds=30):
        return wait_for(lambda: self.status(gid)["status"] in wanted and self.status(gid),
                        seconds, "%s %s to be %s" % (self.kind, gid, wanted))


class WebSocket:
    """A blocking WebSocket client: enough for calls and notifications."""

    def __init__(self, port, origin=None):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        head = ("GET /jsonrpc HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n" % (port, key))
        if origin:
            head += "Origin: %s\r\n" % origin
        self.sock.sendall((head + "\r\n").encode())
        self.buffer = b""
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(4096)
            if not chunk:
                break
            self.buffer += chunk
        self.status_line = self.buffer.split(b"\r\n", 1)[0].decode()
        self.buffer = self.buffer.split(b"\r\n\r\n", 1)[1] if b"\r\n\r\n" in self.buffer else b""

    def send(self, payload, opcode=1):
        data = payload.encode() if isinstance(payload, str) else payload
        mask = os.urandom(4)
        head = bytes([0x80 | opcode])
        if len(data) < 126:
            head += bytes([0x80 | len(data)])
        elif len(data) < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", len(data))
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", len(data))
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def _need(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk

    def frame(self):
        """(opcode, payload bytes)."""
        self._need(2)
        opcode, length = self.buffer[0] & 0x0F, self.buffer[1] & 0x7F
        at = 2
        if length == 126:
            self._need(4)
            length, at = struct.unpack(">H", self.buffer[2:4])[0], 4
        elif length == 127:
            self._need(10)
            length, at = struct.unpack(">Q", self.buffer[2:10])[0], 10
        self._need(at + length)
        payload = self.buffer[at:at + length]
        self.buffer = self.buffer[at + length:]
        return opcode, payload

    def message(self):
        opcode, payload = self.frame()
        return json.loads(payload) if opcode == 1 else (opcode, payload)

    def close(self):
        self.sock.close()
