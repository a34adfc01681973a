#!/usr/bin/python3
"""A scan-collecting HTTP server on 127.0.0.1 for the outbox tests.

    scan_server.py PORTFILE LOG [HOST [CERT KEY]]

Listens on HOST (127.0.0.1) and writes its port to PORTFILE once it does; with CERT and
KEY (PEM files) it speaks HTTPS. A POST to a path holding "bad" is refused with 400; one
to a path holding "flaky" gets 503 for its 3rd to 7th request; one to a path holding
"silent" is never answered; any other is taken: "PATH<TAB>IDEMPOTENCY-KEY<TAB>BODY" (body
on one line) is added to LOG before the 200 goes out (and before the silence), with
"<TAB>AUTHORIZATION" when the request had that header.
"""
import http.server
import os
import ssl
import sys
import threading
import time

flaky = 0
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True

    def log_message(self, *args):
        pass

    def answer(self, status, text):
        body = text.encode()
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        global flaky
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if "bad" in self.path:
            return self.answer(400, "no such shelf")
        with lock:
            if "flaky" in self.path:
                flaky += 1
                if 3 <= flaky <= 7:
                    return self.answer(503, "busy")
            with open(sys.argv[2], "ab") as log:
                key = self.headers.get("Idempotency-Key", "")
                auth = self.headers.get("Authorization")
                log.write(self.path.encode() + b"\t" + key.encode() + b"\t" +
                          body.replace(b"\n", b"\\n") +
                          (b"\t" + auth.encode() if auth else b"") + b"\n")
        while "silent" in self.path:
            time.sleep(3600)
        self.answer(200, "ok")


server = http.server.ThreadingHTTPServer((sys.argv[3] if len(sys.argv) > 3 else "127.0.0.1", 0),
                                         Handler)
if len(sys.argv) > 5:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[4], sys.argv[5])
    server.socket = context.wrap_socket(server.socket, server_side=True)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
server.serve_forever()
