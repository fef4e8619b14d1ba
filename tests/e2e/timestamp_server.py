#!/usr/bin/env python3
"""A time-stamp authority over HTTP for signing test files, answering RFC 3161 queries with
`openssl ts -reply`.

    timestamp_server.py <openssl ts config> <port file>

It listens on 127.0.0.1 at a port of the system's choosing, writes that port into the port
file, and serves until it is ended. The path names the config's section (the authority)
and, after it, the time it says it is, through faketime (escaped as in any address):
POST /trusted/2020-06-01%2012%3A00%3A00 answers as the section "trusted" would have then.
"""
import http.server
import os
import subprocess
import sys
import tempfile
import urllib.parse

CONFIG = os.path.abspath(sys.argv[1])


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        section, _, moment = self.path.lstrip("/").partition("/")
        moment = urllib.parse.unquote(moment)
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(work, "query.tsq"), "wb") as file:
                file.write(query)
            command = ["openssl", "ts", "-reply", "-config", CONFIG, "-section", section,
                       "-queryfile", os.path.join(work, "query.tsq"), "-out", os.path.join(work, "reply.tsr")]
            if moment:
                command = ["faketime", moment] + command
            done = subprocess.run(command, cwd=os.path.dirname(CONFIG), capture_output=True)
            if done.returncode != 0:
                sys.stderr.write(done.stderr.decode(errors="replace"))
                self.send_error(500)
                return
            with open(os.path.join(work, "reply.tsr"), "rb") as file:
                reply = file.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
with open(sys.argv[2], "w") as port_file:
    port_file.write(str(server.server_address[1]))
server.serve_forever()
