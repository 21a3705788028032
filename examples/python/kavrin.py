"""Drive a running Kavrin window's shutter session from a script.

One file, standard library only, Linux and Windows. The window must run
(without --no-control); the operator sees every command in its log. See
docs/control.md for the line protocol underneath.

    with KavrinShutter("/dev/ttyUSB0") as shutter:
        shutter.set_mode("auto")
        shutter.set_params(open=5, close=5, cycles=3)
        shutter.start()
        for event in shutter.events():
            if event["event"] == "finished":
                break
"""

import collections
import getpass
import json
import os
import socket
import sys


def endpoint():
    """Where the window of this user listens."""
    if sys.platform == "win32":
        return r"\\.\pipe\kavrin-control-" + getpass.getuser()
    runtime = os.environ.get("XDG_RUNTIME_DIR") or "/tmp/runtime-" + getpass.getuser()
    return os.path.join(runtime, "kavrin-control")


class KavrinError(Exception):
    """A request the window refused; code means what kavrin-cli's exit status means."""

    def __init__(self, code, message):
        super().__init__("%s (code %d)" % (message, code))
        self.code = code
        self.message = message


class KavrinShutter:
    """The shutter on one serial port, through the running window."""

    def __init__(self, port, path=None):
        self.port = port
        self.path = path or endpoint()
        self._stream = None
        self._events = collections.deque()

    def open(self):
        """Connects to the window and opens the port there, unless it is open already."""
        if sys.platform == "win32":
            self._stream = open(self.path, "r+b", buffering=0)
        else:
            connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            connection.connect(self.path)
            self._stream = connection.makefile("rwb", buffering=0)
        state = self.state
        if not (state["open"] and state["port"] == self.port):
            self._request("open", port=self.port)
        return self

    def close(self):
        """Closes the port in the window and the connection."""
        if self._stream:
            try:
                self._request("close")
            finally:
                self._stream.close()
                self._stream = None

    def __enter__(self):
        return self.open()

    def __exit__(self, *exc):
        self.close()

    @property
    def state(self):
        """Port, open, mode, run, the last counts and the parameters shown."""
        return self._request("state")["state"]

    def set_mode(self, mode):
        """manual, auto, trigger-sync or trigger-async."""
        self._request("mode", mode=mode)

    def set_params(self, open, close, cycles):  # pylint: disable=redefined-builtin
        """Open and close time in 100 ms units and the cycle count, 1 to 1000 each."""
        self._request("params", open=open, close=close, cycles=cycles)

    def apply_scheme(self, name):
        self._request("scheme", name=name)

    def start(self):
        self._request("start")

    def stop(self):
        self._request("stop")

    def auto_off(self):
        self._request("auto-off")

    def events(self):
        """Every event the window pushes, as a dict, for as long as the caller reads."""
        while True:
            while self._events:
                yield self._events.popleft()
            self._events.append(self._read())

    def _request(self, name, **fields):
        fields["request"] = name
        self._stream.write((json.dumps(fields) + "\n").encode("utf-8"))
        while True:
            line = self._read()
            if "reply" not in line:
                self._events.append(line)
            elif line["reply"] == "ok":
                return line
            else:
                raise KavrinError(line.get("code", 0), line.get("message", ""))

    def _read(self):
        raw = self._stream.readline()
        if not raw:
            raise ConnectionError("the Kavrin window closed the connection")
        return json.loads(raw.decode("utf-8"))
