#!/usr/bin/env python3
"""velmora --headless across a stop: SIGTERM ends it cleanly with the task
recorded, the next start continues it under the same identifier, and the
file comes out byte for byte; SIGHUP reloads the settings.

usage: headless.py VELMORA_BINARY"""
import os
import signal
import sys

import rpcpeer
from rpcpeer import FileServer, Peer, wait_for

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def main():
    binary = sys.argv[1]
    files = FileServer()
    peer = Peer("velmora", binary)
    try:
        peer.start()
        gid = peer.result("aria2.addUri", [files.url("slow.bin")], {"split": "2"})
        wait_for(lambda: int(peer.status(gid)["completedLength"]) > 1024 * 1024, what="the first megabyte")
        check(peer.stop(signal.SIGTERM) == 0, "SIGTERM ends the program cleanly")

        peer.start()
        status = peer.status(gid)
        check(status["gid"] == gid, "the identifier survives the restart")
        check(status["status"] in ("active", "waiting"), "the task continues by itself (%s)" % status["status"])
        check(int(status["completedLength"]) > 1024 * 1024, "from where it stopped, not from the start")
        done = peer.wait_status(gid, ("complete", "error"), seconds=60)
        check(done["status"] == "complete", "it completes")
        path = done["files"][0]["path"]
        with open(path, "rb") as f:
            check(f.read() == rpcpeer.SLOW, "the file is byte-identical to the server's")

        settings = os.path.join(peer.home, "config", "velmora", "settings.xml")
        os.makedirs(os.path.dirname(settings), exist_ok=True)
        with open(settings, "w") as f:
            f.write("<settings version=\"1\"><concurrent>7</concurrent></settings>")
        peer.process.send_signal(signal.SIGHUP)
        wait_for(lambda: peer.result("aria2.getGlobalOption")["max-concurrent-downloads"] == "7",
                 what="the reloaded setting")
        check(True, "SIGHUP reloads the settings")
        check(peer.stop(signal.SIGTERM) == 0, "and ends cleanly again")
    finally:
        peer.cleanup()
        files.close()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
