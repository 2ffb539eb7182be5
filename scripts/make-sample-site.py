#!/usr/bin/env python3
"""Writes the local sample video site that the integration tests, the demo and
the benchmarks serve on 127.0.0.1.

    make-sample-site.py OUTPUT_DIR [--ffmpeg PATH]

The tree it writes:

    index.html                  list of the pages
    site.json                   what each page offers (read by the tests)
    watch/<id>/index.html       a watch page; the server answers /watch/<id>
                                with the folder's index.html
    media/<id>/...              thumbnails, media files, manifests, subtitles

Every address inside the pages is root-relative ("/media/<id>/360p.mp4") and
every address inside a DASH manifest is relative to the manifest, so one
generated folder serves on any host and port: the extractor tool resolves
them against the page's (or the manifest's) own address.

All media is made by ffmpeg from its built-in test sources, tiny and at very
low bit rates, so the whole site stays a few megabytes and is written in a few
seconds. The output is deterministic for a given ffmpeg build (bit-exact
flags, no metadata, single-threaded encoders).
"""

import argparse
import concurrent.futures
import html
import json
import os
import shutil
import struct
import subprocess
import sys

GENERATOR_VERSION = 1

# One entry per page. "progressive" pages list <source> tags that carry audio
# and video together; the "dash" page points at an MPD manifest with
# separate video-only and audio-only representations.
PROGRESSIVE_QUALITIES = {
    # label: (width, height, video kbit/s, H.264 level)
    "240p": (426, 240, 60, "15"),
    "360p": (640, 360, 90, "1e"),
    "720p": (1280, 720, 160, "1f"),
}

PAGES = [
    {
        "id": "aaaaaaaaaaa",
        "kind": "progressive",
        "title": "Sample Clip",
        "description": "A short clip with three qualities and two subtitle languages.",
        "duration": 3,
        "qualities": ["240p", "360p", "720p"],
        "subtitles": ["en", "de"],
        "thumbnail": True,
        "pattern": "testsrc2",
        "tone": 440,
    },
    {
        "id": "dash_sample",
        "kind": "dash",
        "title": "Sample DASH Clip",
        "description": "Separate video and audio streams described by a DASH manifest.",
        "duration": 3,
        "subtitles": ["en", "de"],
        "thumbnail": True,
        "pattern": "smptehdbars",
        "tone": 660,
    },
    {
        "id": "unicode0001",
        "kind": "progressive",
        "title": "\u00dcn\u00efcode: \"quotes\" / slash? <angle> & amp \u2014 \u65e5\u672c\u8a9e",
        "description": "Gr\u00fc\u00dfe aus M\u00fcnchen \u2014 a title with characters that file names cannot hold.",
        "duration": 2,
        "qualities": ["240p", "360p"],
        "subtitles": ["en"],
        "thumbnail": True,
        "pattern": "rgbtestsrc",
        "tone": 550,
    },
    {
        "id": "longvideo01",
        "kind": "single",
        "title": "Long Single Source Clip",
        "description": "One plain source without quality labels, poster or subtitles.",
        "duration": 24,
        "subtitles": [],
        "thumbnail": False,
        "pattern": "testsrc",
        "tone": 330,
    },
    {
        "id": "novideo0000",
        "kind": "none",
        "title": "Page Without Video",
        "description": "A watch page that embeds no media at all.",
        "subtitles": [],
        "thumbnail": False,
    },
]

# DASH representations: (format id, file name, kind, settings)
DASH_VIDEO = [
    {"id": "video-360", "file": "video-360.mp4", "width": 640, "height": 360, "kbps": 90,
     "codec": "h264", "codecs": "avc1.4d401e", "mime": "video/mp4", "ext": "mp4"},
    {"id": "video-720", "file": "video-720.mp4", "width": 1280, "height": 720, "kbps": 160,
     "codec": "h264", "codecs": "avc1.4d401f", "mime": "video/mp4", "ext": "mp4"},
    {"id": "video-360-vp9", "file": "video-360-vp9.webm", "width": 640, "height": 360, "kbps": 80,
     "codec": "vp9", "codecs": "vp9", "mime": "video/webm", "ext": "webm"},
]
DASH_AUDIO = [
    {"id": "audio-aac", "file": "audio-aac.m4a", "kbps": 96, "codec": "aac",
     "codecs": "mp4a.40.2", "mime": "audio/mp4", "ext": "m4a", "rate": 44100},
    {"id": "audio-opus", "file": "audio-opus.webm", "kbps": 48, "codec": "opus",
     "codecs": "opus", "mime": "audio/webm", "ext": "webm", "rate": 48000},
]

SUBTITLE_TEXTS = {
    "en": ("English", ["Hello from the sample site.", "This is the second cue.", "Goodbye."]),
    "de": ("Deutsch", ["Hallo von der Beispielseite.", "Das ist der zweite Hinweis.", "Tsch\u00fcss und gr\u00fc\u00dfe!"]),
}

BITEXACT = ["-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact", "-map_metadata", "-1"]


class Generator:
    def __init__(self, out_dir, ffmpeg):
        self.out = out_dir
        self.ffmpeg = ffmpeg
        self.jobs = []

    # -- helpers ------------------------------------------------------------

    def path(self, *parts):
        return os.path.join(self.out, *parts)

    def run_ffmpeg(self, args):
        cmd = [self.ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y"] + args
        result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if result.returncode != 0:
            raise RuntimeError("ffmpeg failed (%d): %s\n%s" % (
                result.returncode, " ".join(cmd), result.stderr.decode("utf-8", "replace")))

    def video_source(self, page, width, height):
        return ["-f", "lavfi", "-i", "%s=size=%dx%d:rate=25:duration=%d" % (
            page["pattern"], width, height, page["duration"])]

    def audio_source(self, page, rate=44100):
        return ["-f", "lavfi", "-i", "sine=frequency=%d:sample_rate=%d:duration=%d" % (
            page["tone"], rate, page["duration"])]

    @staticmethod
    def h264(kbps, level, preset="veryfast"):
        # Constant bit rate keeps the sizes predictable whatever the picture.
        rate = "%dk" % kbps
        return ["-c:v", "libx264", "-preset", preset, "-profile:v", "main",
                "-level:v", str(int(level, 16) / 10), "-pix_fmt", "yuv420p",
                "-threads", "1", "-g", "25", "-b:v", rate, "-minrate", rate,
                "-maxrate", rate, "-bufsize", "%dk" % (kbps * 2), "-x264-params", "nal-hrd=cbr"]

    @staticmethod
    def aac(kbps=48):
        return ["-c:a", "aac", "-b:a", "%dk" % kbps, "-ac", "2"]

    def schedule(self, args):
        self.jobs.append(args)

    # -- media ----------------------------------------------------------------

    def thumbnail(self, page):
        self.schedule(["-f", "lavfi", "-i", "%s=size=480x270:rate=1:duration=1" % page["pattern"],
                       "-frames:v", "1", "-q:v", "5", *BITEXACT,
                       self.path("media", page["id"], "thumb.jpg")])

    def subtitles(self, page):
        for lang in page["subtitles"]:
            _, lines = SUBTITLE_TEXTS[lang]
            cues = ["WEBVTT", ""]
            for i, line in enumerate(lines):
                cues.append("00:00:%02d.000 --> 00:00:%02d.000" % (i, i + 1))
                cues.append(line)
                cues.append("")
            with open(self.path("media", page["id"], lang + ".vtt"), "w", encoding="utf-8") as f:
                f.write("\n".join(cues))

    def progressive(self, page):
        for label in page["qualities"]:
            width, height, kbps, level = PROGRESSIVE_QUALITIES[label]
            self.schedule([*self.video_source(page, width, height), *self.audio_source(page),
                           *self.h264(kbps, level), *self.aac(), "-shortest",
                           "-movflags", "+faststart", *BITEXACT,
                           self.path("media", page["id"], label + ".mp4")])

    def single(self, page):
        self.schedule([*self.video_source(page, 640, 360), *self.audio_source(page),
                       *self.h264(400, "1e", "ultrafast"), *self.aac(64), "-shortest",
                       "-movflags", "+faststart", *BITEXACT,
                       self.path("media", page["id"], "video.mp4")])

    def dash(self, page):
        media = lambda name: self.path("media", page["id"], name)
        for rep in DASH_VIDEO:
            src = self.video_source(page, rep["width"], rep["height"])
            if rep["codec"] == "h264":
                self.schedule([*src, "-an", *self.h264(rep["kbps"], rep["codecs"][-2:]),
                               "-movflags", "+dash+global_sidx", *BITEXACT, media(rep["file"])])
            else:
                self.schedule([*src, "-an", "-c:v", "libvpx-vp9", "-b:v", "%dk" % rep["kbps"],
                               "-deadline", "realtime", "-cpu-used", "8", "-threads", "1",
                               "-g", "25", "-f", "webm", "-dash", "1", *BITEXACT, media(rep["file"])])
        for rep in DASH_AUDIO:
            src = self.audio_source(page, rep["rate"])
            if rep["codec"] == "aac":
                self.schedule([*src, "-vn", *self.aac(rep["kbps"]), "-movflags", "+dash+global_sidx",
                               *BITEXACT, "-f", "mp4", media(rep["file"])])
            else:
                self.schedule([*src, "-vn", "-c:a", "libopus", "-b:a", "%dk" % rep["kbps"], "-ac", "2",
                               "-f", "webm", "-dash", "1", *BITEXACT, media(rep["file"])])

    def run_jobs(self):
        workers = max(1, os.cpu_count() or 1)
        with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
            for future in [pool.submit(self.run_ffmpeg, job) for job in self.jobs]:
                future.result()
        self.jobs = []

    # -- documents ------------------------------------------------------------

    @staticmethod
    def mp4_ranges(path):
        """(initialization range, index range) of a fragmented MP4 with a
        global sidx, for the manifest's SegmentBase."""
        with open(path, "rb") as f:
            data = f.read()
        pos, init_end, index = 0, None, None
        while pos + 8 <= len(data):
            size, kind = struct.unpack(">I4s", data[pos:pos + 8])
            if size == 1:
                size = struct.unpack(">Q", data[pos + 8:pos + 16])[0]
            if size < 8:
                break
            if kind == b"moov":
                init_end = pos + size - 1
            elif kind == b"sidx" and index is None:
                index = (pos, pos + size - 1)
            pos += size
        if init_end is None or index is None:
            return None
        return "0-%d" % init_end, "%d-%d" % index

    def write_mpd(self, page):
        folder = self.path("media", page["id"])
        duration = page["duration"]
        lines = [
            '<?xml version="1.0" encoding="utf-8"?>',
            '<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" xmlns:yt="http://youtube.com/yt/2012/10/10"'
            ' profiles="urn:mpeg:dash:profile:isoff-on-demand:2011" type="static"'
            ' mediaPresentationDuration="PT%d.0S" minBufferTime="PT1.5S">' % duration,
            '  <Period id="0" start="PT0S" duration="PT%d.0S">' % duration,
        ]

        def representation(rep, attrs):
            size = os.path.getsize(os.path.join(folder, rep["file"]))
            out = ['      <Representation id="%s" mimeType="%s" codecs="%s" bandwidth="%d"%s>' % (
                rep["id"], rep["mime"], rep["codecs"], rep["kbps"] * 1000, attrs)]
            if rep["mime"] == "audio/mp4" or rep["mime"] == "audio/webm":
                out.append('        <AudioChannelConfiguration schemeIdUri='
                           '"urn:mpeg:dash:23003:3:audio_channel_configuration:2011" value="2"/>')
            out.append('        <BaseURL yt:contentLength="%d">%s</BaseURL>' % (size, rep["file"]))
            ranges = self.mp4_ranges(os.path.join(folder, rep["file"])) if rep["file"].endswith(
                (".mp4", ".m4a")) else None
            if ranges:
                out.append('        <SegmentBase indexRange="%s"><Initialization range="%s"/></SegmentBase>'
                           % (ranges[1], ranges[0]))
            out.append('      </Representation>')
            return out

        for mime in ("video/mp4", "video/webm"):
            reps = [r for r in DASH_VIDEO if r["mime"] == mime]
            lines.append('    <AdaptationSet contentType="video" mimeType="%s" subsegmentAlignment="true">' % mime)
            for rep in reps:
                lines += representation(rep, ' width="%d" height="%d" frameRate="25" sar="1:1"' % (
                    rep["width"], rep["height"]))
            lines.append('    </AdaptationSet>')
        for rep in DASH_AUDIO:
            lines.append('    <AdaptationSet contentType="audio" mimeType="%s" lang="en">' % rep["mime"])
            lines += representation(rep, ' audioSamplingRate="%d"' % rep["rate"])
            lines.append('    </AdaptationSet>')
        lines += ['  </Period>', '</MPD>', '']
        with open(os.path.join(folder, "manifest.mpd"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines))

    def write_page(self, page):
        pid = page["id"]
        esc = lambda s: html.escape(s, quote=True)
        media = "/media/%s/" % pid
        head = [
            "<!DOCTYPE html>",
            '<html lang="en">',
            "<head>",
            '<meta charset="utf-8">',
            "<title>%s</title>" % esc(page["title"]),
            '<meta property="og:title" content="%s">' % esc(page["title"]),
            '<meta property="og:description" content="%s">' % esc(page["description"]),
            '<meta property="og:type" content="video.other">',
        ]
        if page["thumbnail"]:
            head.append('<meta property="og:image" content="%sthumb.jpg">' % media)
        head += ["</head>", "<body>", "<h1>%s</h1>" % esc(page["title"]),
                 "<p>%s</p>" % esc(page["description"])]

        body = []
        poster = ' poster="%sthumb.jpg"' % media if page["thumbnail"] else ""
        kind = page["kind"]
        if kind == "single":
            body.append('<video controls preload="none" src="%svideo.mp4"></video>' % media)
        elif kind in ("progressive", "dash"):
            body.append('<video controls preload="none" width="640" height="360"%s>' % poster)
            if kind == "dash":
                body.append('<source src="%smanifest.mpd" type="application/dash+xml">' % media)
            else:
                # Best first, as sites usually list them.
                for label in reversed(page["qualities"]):
                    width, height, _, level = PROGRESSIVE_QUALITIES[label]
                    body.append(
                        '<source src="%s%s.mp4" type=\'video/mp4; codecs="avc1.4d40%s, mp4a.40.2"\''
                        ' label="%s" width="%d" height="%d">' % (media, label, level, label, width, height))
            for lang in page["subtitles"]:
                name, _ = SUBTITLE_TEXTS[lang]
                body.append('<track kind="subtitles" srclang="%s" label="%s" src="%s%s.vtt">' % (
                    lang, name, media, lang))
            body.append("</video>")
        else:
            body.append("<p>This video is no longer available.</p>")
        with open(self.path("watch", pid, "index.html"), "w", encoding="utf-8") as f:
            f.write("\n".join(head + body + ["</body>", "</html>", ""]))

    def manifest_entry(self, page):
        pid = page["id"]
        media = "/media/%s/" % pid
        entry = {
            "id": pid,
            "kind": page["kind"],
            "path": "/watch/%s" % pid,
            "title": page["title"],
            # The tool's generic HTML5 extraction numbers each embedded
            # player, so the one video of a page is titled "<title> (1)"
            # and gets the id "<id>-1".
            "expected_title": "%s (1)" % page["title"],
            "expected_id": "%s-1" % pid,
            "description": page["description"],
            "duration": page.get("duration", 0),
            "thumbnail": media + "thumb.jpg" if page["thumbnail"] else None,
            "subtitles": {lang: media + lang + ".vtt" for lang in page["subtitles"]},
            "formats": [],
        }
        folder = self.path("media", pid)
        if page["kind"] == "progressive":
            for label in page["qualities"]:
                width, height, kbps, _ = PROGRESSIVE_QUALITIES[label]
                entry["formats"].append({
                    "format_id": label, "path": media + label + ".mp4", "ext": "mp4",
                    "width": width, "height": height, "vcodec": "h264", "acodec": "aac",
                    "size": os.path.getsize(os.path.join(folder, label + ".mp4"))})
        elif page["kind"] == "single":
            entry["formats"].append({
                "format_id": "0", "path": media + "video.mp4", "ext": "mp4",
                "width": 640, "height": 360, "vcodec": "h264", "acodec": "aac",
                "size": os.path.getsize(os.path.join(folder, "video.mp4"))})
        elif page["kind"] == "dash":
            entry["manifest"] = media + "manifest.mpd"
            for rep in DASH_VIDEO:
                entry["formats"].append({
                    "format_id": rep["id"], "path": media + rep["file"], "ext": rep["ext"],
                    "width": rep["width"], "height": rep["height"], "vcodec": rep["codec"],
                    "acodec": "none", "size": os.path.getsize(os.path.join(folder, rep["file"]))})
            for rep in DASH_AUDIO:
                entry["formats"].append({
                    "format_id": rep["id"], "path": media + rep["file"], "ext": rep["ext"],
                    "vcodec": "none", "acodec": rep["codec"], "abr": rep["kbps"],
                    "size": os.path.getsize(os.path.join(folder, rep["file"]))})
        return entry

    def write_index(self):
        items = ['<li><a href="/watch/%s">%s</a></li>' % (p["id"], html.escape(p["title"])) for p in PAGES]
        text = "\n".join(["<!DOCTYPE html>", '<html lang="en">', '<head><meta charset="utf-8">',
                          "<title>Sample video site</title></head>", "<body>", "<h1>Sample video site</h1>",
                          "<ul>", *items, "</ul>", "</body>", "</html>", ""])
        with open(self.path("index.html"), "w", encoding="utf-8") as f:
            f.write(text)

    # -- all ------------------------------------------------------------------

    def generate(self):
        # The longest encodings first, so that the short ones fill the gaps.
        for page in sorted(PAGES, key=lambda p: -p.get("duration", 0)):
            os.makedirs(self.path("watch", page["id"]), exist_ok=True)
            os.makedirs(self.path("media", page["id"]), exist_ok=True)
            if page["thumbnail"]:
                self.thumbnail(page)
            self.subtitles(page)
            if page["kind"] == "progressive":
                self.progressive(page)
            elif page["kind"] == "single":
                self.single(page)
            elif page["kind"] == "dash":
                self.dash(page)
        self.run_jobs()

        for page in PAGES:
            if page["kind"] == "dash":
                self.write_mpd(page)
            self.write_page(page)
        self.write_index()

        site = {
            "generator_version": GENERATOR_VERSION,
            "progressive_id": "aaaaaaaaaaa",
            "dash_id": "dash_sample",
            "unicode_id": "unicode0001",
            "single_id": "longvideo01",
            "no_video_id": "novideo0000",
            "pages": [self.manifest_entry(p) for p in PAGES],
        }
        with open(self.path("site.json"), "w", encoding="utf-8") as f:
            json.dump(site, f, indent=2, ensure_ascii=False)
            f.write("\n")


def main():
    parser = argparse.ArgumentParser(description="Write the local sample video site.")
    parser.add_argument("output", help="folder to write (created; must be empty if it exists)")
    parser.add_argument("--ffmpeg", default=shutil.which("ffmpeg"), help="ffmpeg program (default: from PATH)")
    args = parser.parse_args()

    if not args.ffmpeg:
        sys.stderr.write("make-sample-site: ffmpeg not found on PATH\n")
        return 2
    if os.path.exists(args.output) and os.listdir(args.output):
        sys.stderr.write("make-sample-site: %s is not empty\n" % args.output)
        return 2
    os.makedirs(args.output, exist_ok=True)
    try:
        Generator(args.output, args.ffmpeg).generate()
    except (RuntimeError, OSError) as err:
        sys.stderr.write("make-sample-site: %s\n" % err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
