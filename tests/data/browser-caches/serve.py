#!/usr/bin/env python3
"""Serves test media on 127.0.0.1 the way a careful web server does, for the cache tests.

Range requests get 206 with Content-Range; a conditional request whose validator still
holds gets 304 (a browser drops a partial cache entry when a revalidation is answered
with 206). Every request is logged to stdout, one line each, so the driver can wait for
the page's "/done". "/videoplayback?itag=..&range=A-B&..." answers 200 with just those bytes
of the stream file the itag names, the way the largest video site serves its pieces (one URL
per piece; the other parameters are ignored). With --stall-after N the first response of a media file stops after
N bytes and the server reports "stalled" once: the browser is then stopped mid-download.

Content-Type goes by the file's extension, as a plain static host sends it (".m4s" as
video/iso.segment whatever it holds, ".webm" as video/webm); with --octet-stream every answer
is application/octet-stream, as many hosts send. Paths that contain a --no-store text are
answered with "Cache-Control: no-store", so the browser plays them but keeps no copy.
"""
import argparse
import email.utils
import http.server
import os
import sys
import threading
import time
import urllib.parse

ROOT = None
# The itags the largest video site gives these formats: H.264, AAC, VP9, Opus.
ITAGS = {"134": "h264.mp4", "140": "aac.mp4", "243": "vp9.webm", "251": "opus.webm"}
STALL_AFTER = None
OCTET_STREAM = False
NO_STORE = []
TYPES = {".mp4": "video/mp4", ".webm": "video/webm", ".flv": "video/x-flv", ".html": "text/html",
         ".json": "application/json", ".m3u8": "application/vnd.apple.mpegurl", ".ts": "video/mp2t",
         ".m4s": "video/iso.segment", ".mpd": "application/dash+xml", ".js": "text/javascript",
         ".m4a": "audio/mp4", ".mp3": "audio/mpeg"}
stalled_once = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        print("%s %s" % (self.command, self.path), flush=True)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path == "/done":
            self.send_plain(200, b"ok")
            print("DONE", flush=True)
            return
        if path == "/videoplayback":
            self.send_query_range()
            return
        file = os.path.normpath(os.path.join(ROOT, path.lstrip("/")))
        if not file.startswith(ROOT) or not os.path.isfile(file):
            self.send_plain(404, b"not found")
            return
        size = os.path.getsize(file)
        mtime = int(os.path.getmtime(file))
        etag = '"%x-%x"' % (mtime, size)
        modified = email.utils.formatdate(mtime, usegmt=True)
        if self.still_valid(etag, mtime):
            self.send_response(304)
            self.send_common(etag, modified, file)
            self.end_headers()
            return
        start, end = 0, size - 1
        ranged = self.parse_range(size)
        if_range = self.headers.get("If-Range")
        if ranged and if_range and if_range not in (etag, modified):
            ranged = None
        if ranged == "bad":
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % size)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if ranged:
            start, end = ranged
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        else:
            self.send_response(200)
        self.send_common(etag, modified, file)
        self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        self.send_body(file, start, end)

    def send_query_range(self):
        query = urllib.parse.parse_qs(self.path.split("?", 1)[1] if "?" in self.path else "")
        name = ITAGS.get(query.get("itag", [""])[0])
        first, _, last = query.get("range", ["-"])[0].partition("-")
        if name is None or not first.isdigit() or not last.isdigit():
            self.send_plain(404, b"not found")
            return
        file = os.path.join(ROOT, "media", "streams", name)
        start, end = int(first), min(int(last), os.path.getsize(file) - 1)
        mtime = int(os.path.getmtime(file))
        self.send_response(200)
        self.send_common('"%x-%x-%x"' % (mtime, start, end), email.utils.formatdate(mtime, usegmt=True), file)
        self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        self.send_body(file, start, end)

    def still_valid(self, etag, mtime):
        if_none_match = self.headers.get("If-None-Match")
        if if_none_match is not None:
            return etag in [t.strip() for t in if_none_match.split(",")] or if_none_match.strip() == "*"
        since = self.headers.get("If-Modified-Since")
        if since:
            parsed = email.utils.parsedate_to_datetime(since)
            return parsed is not None and mtime <= parsed.timestamp()
        return False

    def parse_range(self, size):
        header = self.headers.get("Range")
        if not header or not header.startswith("bytes=") or "," in header:
            return None
        first, _, last = header[6:].partition("-")
        if first == "":
            if not last:
                return "bad"
            start, end = max(0, size - int(last)), size - 1
        else:
            start = int(first)
            end = min(int(last), size - 1) if last else size - 1
        if start >= size or start > end:
            return "bad"
        return start, end

    def send_common(self, etag, modified, file):
        kind = TYPES.get(os.path.splitext(file)[1], "application/octet-stream")
        if os.path.basename(file).startswith(("aac.", "opus.")):
            kind = kind.replace("video/", "audio/")
        if OCTET_STREAM and not file.endswith(".html"):
            kind = "application/octet-stream"
        self.send_header("Content-Type", kind)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", modified)
        stored = not any(text in self.path for text in NO_STORE)
        self.send_header("Cache-Control", "max-age=86400" if stored else "no-store")

    def send_body(self, file, start, end):
        sent = 0
        with open(file, "rb") as f:
            f.seek(start)
            left = end - start + 1
            while left > 0:
                if STALL_AFTER is not None and file.endswith((".mp4", ".webm")) and not stalled_once.is_set() \
                        and start + sent >= STALL_AFTER:
                    stalled_once.set()
                    print("STALLED %d" % (start + sent), flush=True)
                    time.sleep(3600)
                    return
                chunk = f.read(min(left, 16384))
                if not chunk:
                    break
                try:
                    self.wfile.write(chunk)
                except OSError:
                    return
                sent += len(chunk)
                left -= len(chunk)

    def send_plain(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


def main():
    global ROOT, STALL_AFTER, OCTET_STREAM, NO_STORE
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--stall-after", type=int)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--octet-stream", action="store_true")
    parser.add_argument("--no-store", action="append", default=[])
    args = parser.parse_args()
    OCTET_STREAM = args.octet_stream
    NO_STORE = args.no_store
    ROOT = os.path.realpath(args.root)
    STALL_AFTER = args.stall_after
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    with open(args.port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(args.port_file + ".part", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
