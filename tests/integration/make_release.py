#!/usr/bin/env python3
"""Rebuilds the shipped archive as a release of another version, laid out as
the tool's releases are (a "#!" line before the zip). The release notes on
standard error what newer versions print on every run. Kind "broken" makes an
archive that does not run.

make_release.py <shipped archive> <output> <version> good|broken
"""
import sys, zipfile, re
src, out, version, kind = sys.argv[1:5]
with open(out, 'wb') as raw:
    raw.write(b'#!/usr/bin/env python3\n')
    with zipfile.ZipFile(raw, 'w', zipfile.ZIP_DEFLATED) as dst:
        if kind == 'broken':
            dst.writestr('__main__.py', 'import sys\nsys.exit("ImportError: a module is missing")\n')
        else:
            with zipfile.ZipFile(src) as zin:
                for item in zin.infolist():
                    if item.filename in ('yt_dlp/version.pyc', '__main__.pyc'):
                        continue
                    data = zin.read(item.filename)
                    if item.filename == 'yt_dlp/version.py':
                        data = re.sub(rb"__version__ = '[^']*'", b"__version__ = '" + version.encode() + b"'", data)
                    elif item.filename == '__main__.py':
                        data = b"import sys\nsys.stderr.write('Deprecated Feature: an old interpreter\\n')\n" + data
                    dst.writestr(item, data)
