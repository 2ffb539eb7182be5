#!/usr/bin/env python3
"""Build yt.zip: the yt_dlp package plus a __main__.py, as a zip application,
and its update description yt.puxc (version, digest, time stamp) beside it, so
that the tool updater can tell whether a published version is newer.

The bytecode is compiled by the interpreter that runs this script (the one
that will run the archive) and stored next to each source file, because
zipimport only looks there. Unchecked-hash pycs skip the timestamp check that
zip's two-second mtime resolution would otherwise defeat.
"""
import argparse
import datetime
import hashlib
import os
import re
import py_compile
import shutil
import sys
import tempfile
import zipfile

MAIN = """import yt_dlp

if __name__ == '__main__':
    yt_dlp.main()
"""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--source", required=True, help="the yt_dlp package folder")
    ap.add_argument("--output", required=True)
    ap.add_argument("--description", help="where to write the update description (default: beside the archive, .puxc)")
    args = ap.parse_args()

    src = os.path.abspath(args.source)
    if not os.path.isfile(os.path.join(src, "__init__.py")):
        sys.exit("make-ytzip: %s is not the yt_dlp package; install Debian's yt-dlp" % src)

    out_dir = os.path.dirname(os.path.abspath(args.output))
    os.makedirs(out_dir, exist_ok=True)
    fd, tmp = tempfile.mkstemp(prefix=".yt.zip.", dir=out_dir)
    os.close(fd)
    try:
        with tempfile.TemporaryDirectory() as work:
            with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as zf:
                main_py = os.path.join(work, "__main__.py")
                with open(main_py, "w") as f:
                    f.write(MAIN)
                zf.write(main_py, "__main__.py")
                for root, dirs, files in os.walk(src):
                    dirs[:] = sorted(d for d in dirs if d not in ("__pycache__", "__pyinstaller"))
                    for name in sorted(files):
                        if not name.endswith(".py"):
                            continue
                        path = os.path.join(root, name)
                        rel = os.path.relpath(path, os.path.dirname(src))
                        zf.write(path, rel)
                        pyc = os.path.join(work, "c.pyc")
                        py_compile.compile(
                            path, cfile=pyc, dfile=rel, doraise=True,
                            invalidation_mode=py_compile.PycInvalidationMode.UNCHECKED_HASH)
                        zf.write(pyc, rel + "c")
        os.chmod(tmp, 0o644)
        os.replace(tmp, args.output)
    except BaseException:
        if os.path.exists(tmp):
            os.unlink(tmp)
        raise
    write_description(src, args.output, args.description or os.path.splitext(args.output)[0] + ".puxc")


def tool_version(src):
    with open(os.path.join(src, "version.py")) as f:
        m = re.search(r"""__version__\s*=\s*['"]([^'"]+)['"]""", f.read())
    if not m:
        sys.exit("make-ytzip: no __version__ in %s/version.py" % src)
    return m.group(1)


def write_description(src, archive, path):
    digest = hashlib.md5()
    with open(archive, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    stamp = datetime.datetime.fromtimestamp(os.path.getmtime(os.path.join(src, "version.py")))
    text = (
        "[INFO]\n"
        "VERSION=%s\n"
        "YT_URL=\n"
        "TIMESTAMP=%s\n"
        "MD5=%s\n"
        "\n"
        "[LANGUAGE]\n"
        "EN=The extractor tool that ships with Marlin.\n"
    ) % (tool_version(src), stamp.strftime("%Y/%m/%d %H:%M:%S"), digest.hexdigest().upper())
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


if __name__ == "__main__":
    main()
