#!/usr/bin/env python3
"""The web site of the e2e layer, on 127.0.0.1 only.

Usage: http_server.py <the build's program folder> <port file> <certificate folder>
Writes the port it listens on into <port file> once it accepts connections, and on a second
line the port of the same site over HTTPS, with the certificates of <certificate folder>
(made by run.sh): site.pem (made by the test root, root.pem) for every connection, until a
request for /switching-tls/hls/v1/index.m3u8 has been answered; from then on self.pem, a
certificate the server made for itself.

  /watch                      a watch page whose stream is /get_video?...video_id=abc&t=tok9
  /cut-watch                  the same page for the stream "cut", which stops half-way
  /<failure>-watch            the same page for a stream that fails: "error" (500), "text" (no
                              length, not a video), "loop" (redirects to itself), "html" (a page)
  /get_video?asv=&video_id=abc&t=tok9   a real FLV clip, sent slowly enough to be seen
  /clips/<name>               a real MP4 clip as video/mp4
  /news/og-hls.html           a page whose only video is an og:video HLS master playlist
  /news/video.html            a page with <video><source src="../streams/clip.mp4"></video>
  /news/nothing.html          a page without any video
  /streams/<path>             the streams the build made (web-streams/), segments a little slowly
  /switching-tls/<path>       the same, meant for HTTPS: its media playlist switches the certificate

It speaks HTTP/1.1 and keeps connections, as most servers do.
"""
import http.server
import os
import socketserver
import ssl
import sys
import threading
import time

FOLDER = sys.argv[1]
TITLE = "Cats &amp; Dogs"
NOT_AVAILABLE = b"<html><body>This video is not available in your country.</body></html>"
STREAM_TYPES = {".m3u8": "application/vnd.apple.mpegurl", ".mpd": "application/dash+xml", ".ts": "video/mp2t",
                ".mp4": "video/mp4", ".m4s": "video/iso.segment"}
PAGES = {
    "/news/og-hls.html": '<html><head><meta property="og:title" content="Cats &amp; Dogs &#8211; Live">'
                         '<meta property="og:video" content="/streams/hls/master.m3u8"></head><body></body></html>',
    "/news/video.html": '<html><head><title>A clip &amp; more | Site</title></head><body><video controls>'
                        '<source src="../streams/clip.mp4" type="video/mp4"></video></body></html>',
    "/news/nothing.html": "<html><head><title>Words only</title></head><body><p>No video.</p></body></html>",
}


def page(video_id):
    return ("<html><head><meta name=\"title\" content=\"%s\"></head><script>var c = {'VIDEO_ID': '%s', "
            "\"t\": \"tok9\", };</script></html>" % (TITLE, video_id)).encode()


def read(name):
    with open(os.path.join(FOLDER, name), "rb") as source:
        return source.read()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

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
            self.close_connection = True
            self.connection.shutdown(2)

    def reply(self, status, headers, body, sized=True):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if sized:
            self.send_header("Content-Length", str(len(body)))
        else:
            # Without a length the body ends where the connection does.
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def stream_file(self, path):
        name = os.path.normpath(path[len("/streams/"):].split("?")[0])
        if name.startswith(".."):
            return self.send_error(404)
        try:
            body = read(os.path.join("web-streams", name))
        except OSError:
            return self.send_error(404)
        if name.endswith(".ts"):
            # A 10-s stream in about three seconds: long enough to be seen downloading.
            time.sleep(0.6)
        self.answer(body, STREAM_TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))

    def do_GET(self):
        path = self.path
        if path == "/watch":
            return self.answer(page("abc"))
        if path == "/cut-watch":
            return self.answer(page("cut"))
        if path in ("/error-watch", "/text-watch", "/loop-watch", "/html-watch"):
            return self.answer(page(path[1:-6]))
        if path == "/get_video?asv=&video_id=error&t=tok9":
            return self.reply(500, [("Content-Type", "text/html")], NOT_AVAILABLE)
        if path == "/get_video?asv=&video_id=text&t=tok9":
            return self.reply(200, [("Content-Type", "text/plain")], NOT_AVAILABLE, sized=False)
        if path == "/get_video?asv=&video_id=loop&t=tok9":
            return self.reply(302, [("Location", path)], NOT_AVAILABLE)
        if path == "/get_video?asv=&video_id=html&t=tok9":
            return self.reply(200, [("Content-Type", "video/x-flv")], NOT_AVAILABLE)
        if path in PAGES:
            return self.answer(PAGES[path].encode(), "text/html; charset=utf-8")
        if path.startswith("/streams/"):
            return self.stream_file(path)
        if path.startswith("/switching-tls/"):
            self.stream_file("/streams/" + path[len("/switching-tls/"):])
            if path.endswith("/v1/index.m3u8") and isinstance(self.server, TlsServer):
                self.server.switched = True
            return None
        if path == "/get_video?asv=&video_id=abc&t=tok9":
            # About four seconds, so that a screenshot finds the download under way.
            return self.answer(read("probe-clips/flv-320x240-sound.flv"), "video/x-flv", pieces=40, pause=0.1)
        if path == "/get_video?asv=&video_id=cut&t=tok9":
            clip = read("probe-clips/flv-320x240-sound.flv")
            return self.answer(clip, "video/x-flv", pieces=4, pause=0.2, cut_at=len(clip) // 2)
        if path.startswith("/clips/"):
            return self.answer(read("probe-clips/mp4-320x240-sound.mp4"), "video/mp4")
        self.send_error(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


class TlsServer(Server):
    """The same site over TLS. The handshake happens in the connection's own thread."""

    def __init__(self, address, handler, folder):
        super().__init__(address, handler)
        self.trusted = self.context(folder, "site")
        self.untrusted = self.context(folder, "self")
        self.switched = False

    @staticmethod
    def context(folder, name):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key"))
        return context

    def get_request(self):
        connection, address = self.socket.accept()
        context = self.untrusted if self.switched else self.trusted
        return context.wrap_socket(connection, server_side=True, do_handshake_on_connect=False), address

    def handle_error(self, request, client_address):
        # A client that refuses the certificate ends its handshake: that is the test.
        pass


def main():

    server = Server(("127.0.0.1", 0), Handler)
    secure = TlsServer(("127.0.0.1", 0), Handler, sys.argv[3])
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    with open(sys.argv[2] + ".tmp", "w") as port_file:
        port_file.write("%d\n%d\n" % (server.server_address[1], secure.server_address[1]))
    os.replace(sys.argv[2] + ".tmp", sys.argv[2])
    server.serve_forever()


if __name__ == "__main__":
    main()
