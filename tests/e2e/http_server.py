#!/usr/bin/env python3
"""The web site and update server of the e2e layer, on 127.0.0.1 only.

Usage: http_server.py <the build's program folder> <port file>
Writes the port it listens on into <port file> once it accepts connections.

  /watch                      a watch page whose stream is /get_video?...video_id=abc&t=tok9
  /cut-watch                  the same page for the stream "cut", which stops half-way
  /get_video?asv=&video_id=abc&t=tok9   a real FLV clip, sent slowly enough to be seen
  /clips/<name>               a real MP4 clip as video/mp4
  /actual-version/            "1.22"
  /actual-version/update.exe  the installer stand-in, signed with our test publisher's key
"""
import http.server
import os
import socketserver
import sys
import time

FOLDER = sys.argv[1]
TITLE = "Cats &amp; Dogs"


def page(video_id):
    return ("<html><head><meta name=\"title\" content=\"%s\"></head><script>var c = {'VIDEO_ID': '%s', "
            "\"t\": \"tok9\", };</script></html>" % (TITLE, video_id)).encode()


def read(name):
    with open(os.path.join(FOLDER, name), "rb") as source:
        return source.read()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def answer(self, body, kind="text/html", pieces=1, pause=0.0, cut_at=None):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        end = len(body) if cut_at is None else cut_at
        step = max(1, end // pieces)
        for start in range(0, end, step):
            self.wfile.write(body[start:min(start + step, end)])
            self.wfile.flush()
            time.sleep(pause)
        if cut_at is not None:
            # Drop the connection mid-body without closing it politely.
            self.connection.shutdown(2)

    def do_GET(self):
        path = self.path
        if path == "/watch":
            return self.answer(page("abc"))
        if path == "/cut-watch":
            return self.answer(page("cut"))
        if path == "/get_video?asv=&video_id=abc&t=tok9":
            # About four seconds, so that a screenshot finds the download under way.
            return self.answer(read("probe-clips/flv-320x240-sound.flv"), "video/x-flv", pieces=40, pause=0.1)
        if path == "/get_video?asv=&video_id=cut&t=tok9":
            clip = read("probe-clips/flv-320x240-sound.flv")
            return self.answer(clip, "video/x-flv", pieces=4, pause=0.2, cut_at=len(clip) // 2)
        if path.startswith("/clips/"):
            return self.answer(read("probe-clips/mp4-320x240-sound.mp4"), "video/mp4")
        if path == "/actual-version/":
            return self.answer(b"1.22", "text/plain")
        if path == "/actual-version/update.exe":
            return self.answer(read("signed/ours.exe"), "application/octet-stream")
        self.send_error(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    with open(sys.argv[2] + ".tmp", "w") as port_file:
        port_file.write(str(server.server_address[1]))
    os.replace(sys.argv[2] + ".tmp", sys.argv[2])
    server.serve_forever()


if __name__ == "__main__":
    main()
