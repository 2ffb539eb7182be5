# The warm extractor worker: keeps the extractor tool imported, so that a
# media-information request costs the page and not the tool's start.
#
#     python3 -I puxworker.py TOOL OPTION...
#
# TOOL is what the interpreter would run: the folder of the tool's unpacked
# copy or its archive. The OPTIONs are the tool's options of a one-shot
# media-information run ("--ignore-config --dump-json ..."), without the
# address. Once the tool is imported and its run prepared, the first line
# on standard output is {"ready": true, "version": "..."}.
#
# Requests come on standard input, one JSON object a line:
#     {"id": 7, "url": "http://..."}
# and each gets one line back, in the order they came:
#     {"id": 7, "status": 0, "out": "...", "err": "..."}
# with the exit status, standard output and standard error that a one-shot
# run of the tool with those options and that address would have: the tool's
# own command-line path runs, on one prepared run of it kept for all
# requests. A request that is not valid JSON gets {"id": null, "status": 2,
# "err": "..."}. The worker ends at the end of its input. When the tool
# cannot be imported, it ends with status 3 before the ready line, the
# reason on standard error.
import io
import json
import os
import sys
import traceback

CANNOT_START = 3


class Capture(io.TextIOBase):
    """A text stream that collects what the tool writes for one request,
    encoded as the real stream would encode it."""

    def __init__(self, encoding, errors):
        super().__init__()
        self._encoding = encoding or "utf-8"
        self._errors = errors or "strict"
        # write_string() of the tool writes bytes to .buffer.
        self.buffer = io.BytesIO()

    @property
    def encoding(self):
        return self._encoding

    @property
    def errors(self):
        return self._errors

    def writable(self):
        return True

    def isatty(self):
        return False

    def write(self, text):
        self.buffer.write(text.encode(self._encoding, self._errors))
        return len(text)

    def take(self):
        data = self.buffer.getvalue()
        self.buffer.seek(0)
        self.buffer.truncate()
        return data.decode(self._encoding, "replace")


def exit_status(code, err):
    # SystemExit's rules, as the interpreter applies them at the end of a run.
    if code is None:
        return 0
    if isinstance(code, int):
        return code & 0xFF
    err.write("%s\n" % code)
    return 1


class Worker:
    def __init__(self, tool, options):
        import yt_dlp

        # Only the tool asked for may answer, never another one the
        # interpreter happens to know.
        origin = os.path.abspath(yt_dlp.__file__)
        if not origin.startswith(os.path.join(tool, "")):
            raise ImportError("%s holds no extractor tool (found %s)" % (tool, origin))
        from yt_dlp.utils import DownloadCancelled, DownloadError, SameFileError

        from yt_dlp.version import __version__

        self.version = __version__
        self.DownloadCancelled = DownloadCancelled
        self.DownloadError = DownloadError
        self.SameFileError = SameFileError
        # What the tool's main() marks before it runs.
        yt_dlp._IN_CLI = True
        real_out, real_err = sys.__stdout__, sys.__stderr__
        self.out = Capture(getattr(real_out, "encoding", None), getattr(real_out, "errors", None))
        self.err = Capture(getattr(real_err, "encoding", None), getattr(real_err, "errors", None))
        sys.stdout, sys.stderr = self.out, self.err
        # The options are parsed, and the run is set up, once: that is the
        # cost of a start. Whatever it writes belongs to every request.
        self.parsed = yt_dlp.parse_options(list(options))
        self.ydl = yt_dlp.YoutubeDL(self.parsed.ydl_opts)
        # The first request would otherwise compile the address patterns of
        # every site the tool knows.
        for extractor in list(self.ydl._ies.values()):
            extractor.suitable("http://127.0.0.1/")
        self.preamble_out = self.out.take()
        self.preamble_err = self.err.take()

    def run(self, url):
        ydl = self.ydl
        # Nothing of an earlier request may reach this one: a new run starts
        # with no cookies, no messages shown once and a clean exit status.
        ydl.cookiejar.clear()
        ydl._printed_messages.clear()
        ydl._download_retcode = 0
        ydl._num_downloads = 0
        ydl._playlist_level = 0
        ydl._playlist_urls.clear()
        self.out.write(self.preamble_out)
        self.err.write(self.preamble_err)
        try:
            status = ydl.download([url.strip()])
        except self.DownloadCancelled:
            ydl.to_screen("Aborting remaining downloads")
            status = 101
        except self.DownloadError:
            status = 1
        except self.SameFileError as error:
            status = exit_status("ERROR: %s" % error, self.err)
        except SystemExit as end:
            status = exit_status(end.code, self.err)
        except KeyboardInterrupt:
            status = exit_status("\nERROR: Interrupted by user", self.err)
        except Exception:  # noqa: BLE001 - the interpreter would print it and end with 1
            traceback.print_exc(file=self.err)
            status = 1
        return status, self.out.take(), self.err.take()


def main():
    if len(sys.argv) < 2:
        print("usage: puxworker.py TOOL OPTION...", file=sys.stderr)
        return CANNOT_START
    tool, options = sys.argv[1], sys.argv[2:]
    # The requests and the answers have the real standard input and output
    # to themselves: nothing the tool does can read the one or write between
    # the other.
    answers = os.fdopen(os.dup(1), "w", encoding="ascii", newline="\n")
    requests = os.fdopen(os.dup(0), "r", encoding="utf-8", errors="replace", newline="\n")
    devnull = os.open(os.devnull, os.O_RDWR)
    os.dup2(devnull, 0)
    os.dup2(devnull, 1)
    os.close(devnull)
    tool = os.path.abspath(tool)
    sys.path.insert(0, tool)
    try:
        worker = Worker(tool, options)
    except BaseException:  # noqa: BLE001 - any failure here means there is no worker
        sys.stdout, sys.stderr = sys.__stdout__, sys.__stderr__
        traceback.print_exc()
        return CANNOT_START

    def answer(document):
        answers.write(json.dumps(document, ensure_ascii=True) + "\n")
        answers.flush()

    answer({"ready": True, "version": worker.version})
    for line in requests:
        if not line.strip():
            continue
        try:
            request = json.loads(line)
            ident, url = request["id"], request["url"]
            if not isinstance(url, str):
                raise ValueError("the address is not a text")
        except (ValueError, KeyError, TypeError) as error:
            answer({"id": None, "status": 2, "out": "", "err": "puxworker: bad request: %s\n" % error})
            continue
        status, out, err = worker.run(url)
        answer({"id": ident, "status": status, "out": out, "err": err})
    return 0


if __name__ == "__main__":
    sys.exit(main())
