#!/usr/bin/env python3
"""A stand-in for the usage-statistics endpoint on 127.0.0.1.

    Collector.py LOG PORT_FILE   records every request as one JSON line in LOG, answers 204
                                 and writes its port to PORT_FILE once it listens
    Collector.py field LOG N PATH
                                 prints a part of the Nth request (1 = first): "method",
                                 "target", "content_type", or "body" followed by a path into
                                 the JSON body, such as body.events.0.params.app_name
"""
import http.server
import json
import os
import sys


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        record = {
            "method": self.command,
            "target": self.path,
            "content_type": self.headers.get("Content-Type"),
            "body": body.decode("latin-1"),
        }
        with open(sys.argv[1], "a") as log:
            log.write(json.dumps(record) + "\n")
        self.send_response(204)
        self.end_headers()

    do_GET = do_POST

    def log_message(self, *arguments):
        pass


def serve(log, port_file):
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.server_port))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


def field(log, number, path):
    with open(log) as records:
        value = json.loads(records.read().splitlines()[int(number) - 1])
    for part in path.split("."):
        if part == "body":
            value = json.loads(value["body"])
        elif isinstance(value, list):
            value = value[int(part)]
        else:
            value = value[part]
    print(value)


if __name__ == "__main__":
    if sys.argv[1] == "field":
        field(*sys.argv[2:5])
    else:
        serve(*sys.argv[1:3])
