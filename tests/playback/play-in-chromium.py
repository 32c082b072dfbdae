#!/usr/bin/env python3
"""Plays movies in headless Chromium and prints, as one JSON array, what the page saw.

  play-in-chromium.py JOB.json [--timeout S]

JOB.json is a list of {"movie": path, "times": [s...], "points": [[x, y]...],
"audio": bool}. player.html, beside this script, is served with the movies from a
loopback HTTP server of our own, and posts its results back to it: for each movie
duration, width, height and frames ([{time, pixels: [[r, g, b] at each point]}]),
with audio also audioRms and audioDuration (or audioError), or error. Exit status 0
with the page's results, 1 when the page reported an error for a movie, 2 when
Chromium gave no answer in time or could not start; the reason goes to stderr.
"""

import argparse
import http.server
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
TYPES = {".mp4": "video/mp4", ".m4v": "video/mp4", ".mov": "video/quicktime", ".webm": "video/webm",
         ".mkv": "video/x-matroska", ".avi": "video/x-msvideo"}


def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        if shutil.which(name):
            return shutil.which(name)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("job")
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    browser = chromium()
    if not browser:
        print("play-in-chromium: no chromium on the PATH (scripts/install-deps installs it)", file=sys.stderr)
        return 2
    with open(args.job, encoding="utf-8") as f:
        plays = json.load(f)
    for play in plays:
        if not os.path.isfile(play["movie"]):
            print("play-in-chromium: no movie at " + play["movie"], file=sys.stderr)
            return 2
        play["type"] = TYPES.get(os.path.splitext(play["movie"])[1].lower(), "application/octet-stream")
    job = json.dumps(plays).encode()
    answer = {}
    answered = threading.Event()

    class Handler(http.server.BaseHTTPRequestHandler):
        def send(self, body, kind):
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if self.path == "/player.html":
                with open(os.path.join(HERE, "player.html"), "rb") as page:
                    self.send(page.read(), "text/html; charset=utf-8")
            elif self.path == "/job":
                self.send(job, "application/json")
            elif self.path.startswith("/movie/") and self.path[7:].isdigit() and int(self.path[7:]) < len(plays):
                play = plays[int(self.path[7:])]
                with open(play["movie"], "rb") as movie:
                    self.send(movie.read(), play["type"])
            else:
                self.send_error(404)

        def do_POST(self):
            if self.path != "/result":
                self.send_error(404)
                return
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            self.send(b"{}", "application/json")
            if not answered.is_set():
                answer["text"] = body.decode("utf-8", "replace")
                answered.set()

        def log_message(self, *unused):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    scratch = tempfile.mkdtemp(prefix="play-in-chromium-")
    log_path = os.path.join(scratch, "chromium.log")
    # As root Chromium's sandbox cannot start; the profile is thrown away afterwards,
    # and nothing reaches out beyond the loopback server. Video goes through the GPU
    # path (SwiftShader here), as on a machine with a graphics card: without it Chromium
    # converts BT.709 with libyuv, whose blue coefficient is cut short (saturated blue
    # shows 7 to 9 levels dark), which no movie could make up for.
    command = [browser, "--headless=new", "--no-sandbox", "--user-data-dir=" + os.path.join(scratch, "profile"),
               "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--disable-sync",
               "--disable-background-networking", "--disable-component-update", "--disable-default-apps",
               "--disable-domain-reliability", "--no-pings", "--metrics-recording-only", "--disable-breakpad",
               "--disable-client-side-phishing-detection", "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
               "--mute-audio",
               "--autoplay-policy=no-user-gesture-required", "--force-color-profile=srgb",
               "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
               "http://127.0.0.1:%d/player.html" % server.server_address[1]]
    status = 2
    try:
        with open(log_path, "wb") as log:
            try:
                process = subprocess.Popen(command, stdout=log, stderr=log, stdin=subprocess.DEVNULL,
                                           start_new_session=True)
            except OSError as e:
                print("play-in-chromium: could not start %s: %s" % (browser, e), file=sys.stderr)
                return 2
            try:
                answered.wait(args.timeout)
            finally:
                # The browser's helpers share its session: end them all, then collect it.
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait()
        if not answered.is_set():
            with open(log_path, "rb") as log:
                tail = log.read()[-3000:].decode("utf-8", "replace")
            print("play-in-chromium: no answer from the page within %g s; Chromium said:\n%s" % (args.timeout, tail),
                  file=sys.stderr)
            return 2
        print(answer["text"])
        results = json.loads(answer["text"])
        errors = [r["error"] for r in results if "error" in r] if isinstance(results, list) else [str(results)]
        for error in errors:
            print("play-in-chromium: " + error, file=sys.stderr)
        status = 1 if errors else 0
    finally:
        server.shutdown()
        shutil.rmtree(scratch, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
