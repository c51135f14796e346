"""A tiny local web server for the browser pane tests.

Serves one page at /003a/gear.shtml with a magenta background, logs every
request path to a file, and writes the port it listens on to another file.
Usage: homepage_server.py PORT_FILE LOG_FILE
"""
import http.server
import sys

# The page also tries what the pane must refuse: opening a pop-up window and
# reading a local file. Both would show up as requests to /blocked/...
PAGE = (b"<!DOCTYPE html><html><head><meta charset='utf-8'><title>gear</title></head>"
        b"<body style='margin:0;background:#ff00ff'>&nbsp;<script>"
        b"window.open('/blocked/popup', '_blank');"
        b"fetch('file:///etc/hostname').then(r => r.text())"
        b".then(t => fetch('/blocked/file-read?' + encodeURIComponent(t))).catch(() => {});"
        b"navigator.geolocation && navigator.geolocation.getCurrentPosition("
        b"() => fetch('/blocked/geolocation'), () => {});"
        b"fetch('/003a/script-ran');"
        b"</script></body></html>")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        if self.path == "/003a/script-ran":
            self.send_response(204)
            self.end_headers()
        elif self.path == "/003a/gear.shtml":
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(PAGE)))
            self.end_headers()
            self.wfile.write(PAGE)
        else:
            self.send_error(404)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
