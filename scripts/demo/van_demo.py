#!/usr/bin/python3
"""A stand-in of the partner network's Van service for the demo: it accepts every sale and every
line (answers 0) and appends what it received, one JSON object per call, to a record file.

Usage: van_demo.py <loopback address> <port> <record file>
"""

import json
import sys
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

SOAP = "http://schemas.xmlsoap.org/soap/envelope/"
ANSWER = ('<?xml version="1.0" encoding="utf-8"?>'
          '<soap:Envelope xmlns:soap="' + SOAP + '"><soap:Body>'
          '<{op}Response xmlns="http://tempuri.org/"><{op}Result>0</{op}Result></{op}Response>'
          '</soap:Body></soap:Envelope>')


def local(tag):
    return tag.rsplit("}", 1)[-1]


class Van(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        try:
            envelope = ET.fromstring(body)
            call = next(iter(envelope.find("{%s}Body" % SOAP)))
            operation = local(call.tag)
            args = {local(child.tag): (child.text or "") for child in call}
        except Exception as error:  # a request we cannot read is refused, and said so
            self.send_error(400, "bad request: %s" % error)
            return
        with open(self.server.record, "a", encoding="utf-8") as record:
            record.write(json.dumps({"operation": operation, "args": args}, ensure_ascii=False) + "\n")
        answer = ANSWER.format(op=operation).encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, *args):
        pass


def main():
    address, port, record = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if not address.startswith("127."):
        sys.exit("van_demo.py: loopback addresses only")
    server = ThreadingHTTPServer((address, port), Van)
    server.record = record
    print("van_demo listening on http://%s:%d/van.asmx" % (address, port), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
