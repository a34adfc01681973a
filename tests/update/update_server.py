#!/usr/bin/python3
"""Update servers for the tests: HTTP, HTTPS and anonymous read-only FTP on 127.0.0.1.

    update_server.py ROOT

HTTP GET /<scenario>/version.asp?exe=NAME answers ROOT/<scenario>/version.asp (404 when
there is none); scenario "silent" never answers. GET /<scenario>/MSI/<file> serves
ROOT/MSI/<file>, cut off half way for scenario "cut" and held there for "stall". ROOT/requests counts the
version.asp requests. FTP serves ROOT, so the packages are under /MSI/. HTTPS answers as
HTTP, with a new self-signed certificate for 127.0.0.1 in ROOT/cert.pem, except that its
scenario "downgrade" redirects packages to HTTP.
Prints "HTTP_PORT FTP_PORT HTTPS_PORT" once all listen; ends when its standard input closes.
"""
import http.server
import logging
import os
import ssl
import subprocess
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

ROOT = ""
requests = 0
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    downgrade_to = None  # "http://host:port" on HTTPS

    def log_message(self, *args):
        pass

    def send(self, status, body, length=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/html" if status == 200 else "text/plain")
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        global requests
        path = self.path.split("?", 1)[0]
        parts = path.strip("/").split("/")
        if len(parts) == 2 and parts[1] == "version.asp":
            with lock:
                requests += 1
                with open(os.path.join(ROOT, "requests"), "w") as f:
                    f.write(str(requests))
            if parts[0] == "silent":
                time.sleep(3600)
            answer = os.path.join(ROOT, parts[0], "version.asp")
            if not os.path.isfile(answer):
                return self.send(404, b"Not Found")
            with open(answer, "rb") as f:
                return self.send(200, f.read())
        if len(parts) == 3 and parts[1] == "MSI":
            if parts[0] == "downgrade" and self.downgrade_to:
                self.send_response(302)
                self.send_header("Location", self.downgrade_to + path)
                self.send_header("Content-Length", "0")
                return self.end_headers()
            package = os.path.join(ROOT, "MSI", os.path.basename(parts[2]))
            if not os.path.isfile(package):
                return self.send(404, b"Not Found")
            with open(package, "rb") as f:
                body = f.read()
            if parts[0] in ("cut", "stall"):
                self.send(200, body[: len(body) // 2], length=len(body))
                self.wfile.flush()
                if parts[0] == "stall":
                    time.sleep(60)
                self.close_connection = True
                return
            return self.send(200, body)
        self.send(404, b"Not Found")


def main():
    global ROOT
    ROOT = sys.argv[1]
    logging.disable(logging.CRITICAL)
    web = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    web.daemon_threads = True
    threading.Thread(target=web.serve_forever, daemon=True).start()
    users = DummyAuthorizer()
    users.add_anonymous(ROOT)
    FTPHandler.authorizer = users
    FTPHandler.passive_ports = None
    ftp = FTPServer(("127.0.0.1", 0), FTPHandler)
    threading.Thread(target=ftp.serve_forever, daemon=True).start()
    cert = os.path.join(ROOT, "cert.pem")
    key = os.path.join(ROOT, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj",
                    "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(cert, key)
    secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), type(
        "HttpsHandler", (Handler,), {"downgrade_to": "http://127.0.0.1:%d" % web.server_address[1]}))
    secure.daemon_threads = True
    secure.socket = tls.wrap_socket(secure.socket, server_side=True)
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    print(web.server_address[1], ftp.address[1], secure.server_address[1], flush=True)
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main()
