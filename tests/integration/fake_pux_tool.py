#!/usr/bin/env python3
"""A stand-in for the extractor tool, for faults the real one cannot show on
demand: a crash, output cut at awkward places, a clean exit without a file.

The behaviour is chosen by the format (-f) of a download, or by a word in the
page address of "--dump-json". When MARLIN_FAKE_TOOL_RECORD names a file, the
arguments, the working directory and whether the interpreter runs isolated
are appended to it for every run, one JSON document per line. When
MARLIN_FAKE_TOOL_MEDIA names a media file, a download writes its bytes
instead of filler, so that the result is real media.
"""

import json
import os
import signal
import sys
import time


def option(args, name):
    if name in args:
        i = args.index(name)
        if i + 1 < len(args):
            return args[i + 1]
    return None


def say(text):
    sys.stdout.write(text)
    sys.stdout.flush()


def payload(size):
    media = os.environ.get("MARLIN_FAKE_TOOL_MEDIA")
    if media:
        with open(media, "rb") as f:
            return f.read()
    return b"\1" * size


def crash():
    sys.stdout.flush()
    os.kill(os.getpid(), signal.SIGSEGV)


def main():
    args = sys.argv[1:]
    record = os.environ.get("MARLIN_FAKE_TOOL_RECORD")
    if record:
        with open(record, "a", encoding="utf-8") as f:
            f.write(json.dumps({"args": args, "cwd": os.getcwd(),
                                "isolated": bool(sys.flags.isolated)}) + "\n")

    url = args[-1] if args else ""
    if "--dump-json" in args:
        if "crash" in url:
            crash()
        if "error" in url:
            sys.stderr.write("ERROR: [fake] this page is broken\n")
            return 1
        if "quiet" in url:
            # A failure told only in warnings.
            sys.stderr.write("WARNING: [fake] the page went away\n")
            return 2
        if "warn" in url:
            sys.stderr.write("WARNING: [fake] only a warning\n")
        if "deprecated" in url:
            # Newer tools print notes of this kind on every run.
            sys.stderr.write("Deprecated Feature: [fake] an old interpreter\n")
        say(json.dumps({"title": "Fake page", "duration": 5,
                        "formats": [{"format_id": "fake", "ext": "mp4", "url": "http://127.0.0.1/x",
                                     "width": 640, "height": 360, "vcodec": "avc1", "acodec": "mp4a"}]}) + "\n")
        return 0

    fmt = option(args, "-f") or ""
    template = option(args, "-o") or "out.%(ext)s"
    path = template.replace("%(ext)s", "mp4").replace("%%", "%")

    if fmt == "crash":
        say("[download] Destination: %s\n" % path)
        with open(path + ".part", "wb") as f:
            f.write(b"\0" * 4096)
        crash()
    if fmt == "fail":
        sys.stderr.write("ERROR: [fake] giving up\n")
        return 3
    if fmt == "nodest":
        return 0
    if fmt == "partial":
        # A finished piece and a broken one, then a failure.
        say("[download] Destination: %s\n" % path)
        with open(path, "wb") as f:
            f.write(b"\1" * 1024)
        with open(path + ".part", "wb") as f:
            f.write(b"\1" * 512)
        return 3
    if fmt == "split":
        # A destination line and progress lines cut at awkward places, the
        # progress redrawn with carriage returns.
        line = "[download] Destination: %s\n" % path
        cut = len(line) // 2
        say(line[:cut])
        time.sleep(0.3)
        say(line[cut:])
        with open(path, "wb") as f:
            f.write(payload(2048))
        say("\r[download]  25.0% of 2.00Ki")
        time.sleep(0.3)
        say("B at 1.00KiB/s ETA 00:02\r[download]  50.0% of ~2.00KiB at 1.00KiB/s ETA 00:01")
        time.sleep(0.3)
        say("\r[download] 100.0% of 2.00KiB at 2.00KiB/s ETA 00:00\r[download] 100% of 2.00KiB in 00:01\n")
        return 0

    say("[download] Destination: %s\n" % path)
    with open(path, "wb") as f:
        f.write(payload(1024))
    say("[download] 100% of 1.00KiB in 00:00\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
