#!/usr/bin/env python3
"""Runs one sequence of remote-control calls against aria2c --enable-rpc and
against velmora --headless, and compares them method by method: result
shapes (every key the established server returns, with the same JSON type),
state transitions, error codes and the notifications sent over WebSocket.

usage: conformance.py VELMORA_BINARY [ARIA2C_BINARY]
Exit 0 when they agree, 1 with a list of differences, 77 when aria2c is
missing (the test is then skipped)."""
import json
import re
import shutil
import sys
import threading

from rpcpeer import SECRET, FileServer, Peer, WebSocket, wait_for

GID = re.compile(r"^[0-9a-f]{16}$")


def shape(value):
    if isinstance(value, bool):
        return "bool"
    if isinstance(value, (int, float)):
        return "number"
    if isinstance(value, str):
        return "string"
    if value is None:
        return "null"
    if isinstance(value, list):
        return ["array", shape(value[0]) if value else None]
    return {key: shape(item) for key, item in value.items()}


def differences(expected, actual, where):
    """What in `actual` does not match the shape of `expected`."""
    if isinstance(expected, dict):
        if not isinstance(actual, dict):
            return ["%s: an object expected, got %s" % (where, actual)]
        out = []
        for key, item in expected.items():
            if key not in actual:
                out.append("%s.%s: missing" % (where, key))
            else:
                out += differences(item, actual[key], where + "." + key)
        return out
    if isinstance(expected, list):
        if not isinstance(actual, list):
            return ["%s: an array expected, got %s" % (where, actual)]
        if expected[1] is None or actual[1] is None:
            return []
        return differences(expected[1], actual[1], where + "[]")
    return [] if expected == actual else ["%s: %s expected, got %s" % (where, expected, actual)]


class Notes:
    """Collects the notifications a peer sends, by identifier."""

    def __init__(self, port):
        self.socket = WebSocket(port)
        self.by_gid = {}
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        try:
            while True:
                message = self.socket.message()
                if isinstance(message, dict) and "method" in message and "id" not in message:
                    with self.lock:
                        self.by_gid.setdefault(message["params"][0]["gid"], []).append(message["method"])
        except (ConnectionError, OSError, ValueError):
            pass

    def of(self, gid):
        with self.lock:
            return list(self.by_gid.get(gid, []))


def error_of(peer, body):
    status, answer, _ = peer.post(body)
    error = (answer or {}).get("error", {})
    return {"http": status, "code": error.get("code")}


def run(peer, files):
    """The sequence; answers {step: observation} for comparison."""
    seen = {}
    notes = Notes(peer.port)
    seen["getVersion"] = shape(peer.result("aria2.getVersion"))
    seen["listMethods"] = sorted(peer.result("system.listMethods", secret=None))

    fast = peer.result("aria2.addUri", [files.url("fast.bin")])
    seen["addUri gid"] = bool(GID.match(fast))
    done = peer.wait_status(fast, ("complete",))
    seen["tellStatus complete"] = shape(done)
    seen["tellStatus keys"] = sorted(peer.status(fast, ["gid", "status", "totalLength"]).keys())
    seen["complete size"] = done["completedLength"] == str(len(__import__("rpcpeer").FAST))

    slow = peer.result("aria2.addUri", [files.url("slow.bin")], {"split": "1"})
    states = [peer.wait_status(slow, ("active",))["status"]]
    seen["tellActive"] = shape(peer.result("aria2.tellActive"))
    seen["changeOption"] = peer.result("aria2.changeOption", slow, {"max-download-limit": "1M"})
    seen["changePosition active"] = error_of(peer, json.dumps(
        {"jsonrpc": "2.0", "id": 1, "method": "aria2.changePosition",
         "params": ["token:" + SECRET, slow, 0, "POS_SET"]}))
    seen["pause"] = peer.result("aria2.pause", slow) == slow
    states.append(peer.wait_status(slow, ("paused",))["status"])
    seen["tellWaiting"] = shape(peer.result("aria2.tellWaiting", 0, 10))
    seen["pause again"] = error_of(peer, json.dumps(
        {"jsonrpc": "2.0", "id": 1, "method": "aria2.pause", "params": ["token:" + SECRET, slow]}))
    seen["unpause"] = peer.result("aria2.unpause", slow) == slow
    states.append(peer.wait_status(slow, ("active",))["status"])
    seen["getGlobalStat"] = shape(peer.result("aria2.getGlobalStat"))
    seen["remove"] = peer.result("aria2.remove", slow) == slow
    states.append(peer.wait_status(slow, ("removed",))["status"])
    seen["states"] = states
    seen["tellStopped"] = shape(peer.result("aria2.tellStopped", 0, 10))
    seen.update(queue_moves(peer, files))
    seen["tellStopped removed"] = shape(peer.status(slow))

    seen["changeGlobalOption"] = peer.result("aria2.changeGlobalOption", {"max-concurrent-downloads": "4",
                                                                         "max-overall-download-limit": "0"})
    options = peer.result("aria2.getGlobalOption")
    seen["getGlobalOption"] = shape({key: options.get(key) for key in
                                     ("dir", "max-concurrent-downloads", "max-overall-download-limit")})
    seen["multicall"] = shape(peer.result("system.multicall", [
        {"methodName": "aria2.getVersion", "params": ["token:" + SECRET]},
        {"methodName": "aria2.getVersion", "params": ["token:wrong"]}], secret=None))

    call = {"jsonrpc": "2.0", "id": 1, "params": ["token:" + SECRET]}
    seen["unknown method"] = error_of(peer, json.dumps(dict(call, method="aria2.noSuchThing")))
    seen["wrong secret"] = error_of(peer, json.dumps(dict(call, method="aria2.getVersion", params=["token:x"])))
    seen["no secret"] = error_of(peer, json.dumps(dict(call, method="aria2.getVersion", params=[])))
    seen["unknown gid"] = error_of(peer, json.dumps(dict(call, method="aria2.tellStatus",
                                                         params=["token:" + SECRET, "00000000000000aa"])))
    seen["parse error"] = error_of(peer, "{\"jsonrpc\":")
    seen["no method"] = error_of(peer, json.dumps({"jsonrpc": "2.0", "id": 1}))

    seen["removeDownloadResult"] = peer.result("aria2.removeDownloadResult", fast)
    seen["tellStatus after removal"] = error_of(peer, json.dumps(dict(call, method="aria2.tellStatus",
                                                                      params=["token:" + SECRET, fast])))
    seen["purgeDownloadResult"] = peer.result("aria2.purgeDownloadResult")
    seen["tellStopped after purge"] = peer.result("aria2.tellStopped", 0, 10)

    wait_for(lambda: len(notes.of(slow)) >= 4, what=peer.kind + " notifications")
    seen["notifications fast"] = notes.of(fast)
    seen["notifications slow"] = notes.of(slow)
    notes.socket.close()
    return seen


def queue_moves(peer, files):
    """Three paused downloads moved about the waiting queue: each answer and
    the order after it, then an illegal move; they are removed again."""
    seen = {}
    gids = [peer.result("aria2.addUri", [files.url("slow.bin?%d" % i)], {"pause": "true"}) for i in range(3)]
    letter = dict(zip(gids, "abc"))

    def order():
        return "".join(letter.get(t["gid"], "?") for t in peer.result("aria2.tellWaiting", 0, 10, ["gid"]))
    seen["queue added"] = order()
    for index, pos, how in ((2, 0, "POS_SET"), (2, 1, "POS_CUR"), (0, -1, "POS_END"), (1, 5, "POS_CUR"),
                            (1, -7, "POS_END"), (0, 0, "POS_END"), (2, -1, "POS_SET")):
        step = "changePosition %s %d %s" % ("abc"[index], pos, how)
        seen[step] = "%s %s" % (peer.result("aria2.changePosition", gids[index], pos, how), order())
    seen["changePosition illegal"] = error_of(peer, json.dumps(
        {"jsonrpc": "2.0", "id": 1, "method": "aria2.changePosition",
         "params": ["token:" + SECRET, gids[0], 0, "POS_NOWHERE"]}))
    seen["queue removed"] = [peer.result("aria2.remove", gid) == gid for gid in gids]
    return seen


REQUIRED_METHODS = [
    "aria2.addUri", "aria2.remove", "aria2.forceRemove", "aria2.pause", "aria2.pauseAll", "aria2.unpause",
    "aria2.unpauseAll", "aria2.tellStatus", "aria2.tellActive", "aria2.tellWaiting", "aria2.tellStopped",
    "aria2.getGlobalStat", "aria2.changePosition", "aria2.changeOption", "aria2.changeGlobalOption", "aria2.getGlobalOption",
    "aria2.getVersion", "aria2.purgeDownloadResult", "aria2.removeDownloadResult", "system.multicall",
    "system.listMethods",
]


def compare(reference, ours):
    problems = []
    for step, expected in reference.items():
        actual = ours.get(step)
        if step == "listMethods":
            problems += ["listMethods: %s missing" % name for name in REQUIRED_METHODS if name not in actual]
        elif isinstance(expected, (dict, list)) and step not in ("states", "tellStatus keys") \
                and not step.startswith("notifications") and not step.startswith("tellStopped after"):
            problems += differences(expected, actual, step)
        elif expected != actual:
            problems.append("%s: aria2 %s, velmora %s" % (step, expected, actual))
        print("%-28s %s" % (step, "ok" if not problems or not problems[-1].startswith(step) else "DIFFERS"))
    return problems


def main():
    velmora = sys.argv[1]
    aria2 = sys.argv[2] if len(sys.argv) > 2 else shutil.which("aria2c")
    if not aria2:
        print("aria2c is not installed: skipped")
        return 77
    files = FileServer()
    peers = [Peer("aria2", aria2), Peer("velmora", velmora)]
    try:
        observed = [run(peer.start(), files) for peer in peers]
    finally:
        for peer in peers:
            peer.cleanup()
        files.close()
    problems = compare(observed[0], observed[1])
    for problem in problems:
        print("DIFFERENCE", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
