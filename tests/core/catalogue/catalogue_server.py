#!/usr/bin/env python3
"""A catalogue server for the tests: serves a folder on 127.0.0.1 and prints
its port. Paths under a few prefixes misbehave on purpose:
  /stall/...   answers 200, sends one byte of a longer body, then waits
  /cut/NAME    sends NAME with a Content-Length 500 bytes too large, then closes
  /gone/NAME   redirects (302, with a body) to /missing/NAME, which is a 404
  /moved/NAME  redirects (302) to /NAME
  /hops/N/NAME redirects N times, the last time to /NAME
  /away/NAME   redirects to http://localhost:PORT/NAME: another host, the same machine
"""
import http.server
import os
import sys
import time

ROOT = sys.argv[1]


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, *args):
        pass

    def redirect(self, target):
        body = b"<html><body>moved</body></html>"
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path
        if path.startswith("/stall/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"x")
            self.wfile.flush()
            time.sleep(60)
            return
        if path.startswith("/cut/"):
            with open(os.path.join(ROOT, path[len("/cut/"):]), "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data) + 500))
            self.end_headers()
            self.wfile.write(data)
            self.wfile.flush()
            self.close_connection = True
            return
        if path.startswith("/gone/"):
            self.redirect("/missing/" + path[len("/gone/"):])
            return
        if path.startswith("/moved/"):
            self.redirect("/" + path[len("/moved/"):])
            return
        if path.startswith("/hops/"):
            hops, name = path[len("/hops/"):].split("/", 1)
            left = int(hops) - 1
            self.redirect("/hops/%d/%s" % (left, name) if left > 0 else "/" + name)
            return
        if path.startswith("/away/"):
            self.redirect("http://localhost:%d/%s" % (self.server.server_address[1], path[len("/away/"):]))
            return
        super().do_GET()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
server.handle_error = lambda request, address: None  # clients that hang up are expected here
print(server.server_address[1], flush=True)
server.serve_forever()
