"""Three automatic cycles of 0.1 s open, 0.1 s closed, every event printed.

usage: python3 example.py PORT
"""

import sys

from kavrin import KavrinShutter

with KavrinShutter(sys.argv[1]) as shutter:
    shutter.set_mode("auto")
    shutter.set_params(open=1, close=1, cycles=3)
    shutter.start()
    for event in shutter.events():
        print(event)
        if event["event"] == "finished":
            break
    print("state:", shutter.state)
