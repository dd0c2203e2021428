"""How the test phones speak to the test: one line of words on standard output."""
import sys
import threading

_LOCK = threading.Lock()


def say(*fields):
    # One write a line, under a lock: GStreamer's threads speak too, and print's separate
    # write of the newline let two lines run into one.
    line = " ".join(str(f) for f in fields) + "\n"
    with _LOCK:
        sys.stdout.write(line)
        sys.stdout.flush()
