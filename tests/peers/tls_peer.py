#!/usr/bin/python3
"""An HTTPS peer on a loopback address whose certificate no client should trust: self-signed, for
a name that is not the address. It answers every POST with the same SOAP result and prints its
port first ("PORT <n>").

Usage: tls_peer.py <loopback address> <certificate file> <key file>
"""

import http.server
import ssl
import sys

ANSWER = ('<?xml version="1.0" encoding="utf-8"?>'
          '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
          '<inserir_vendasResponse xmlns="http://tempuri.org/"><inserir_vendasResult>0</inserir_vendasResult>'
          '</inserir_vendasResponse></soap:Body></soap:Envelope>').encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(ANSWER)))
        self.end_headers()
        self.wfile.write(ANSWER)

    def log_message(self, *args):
        pass


def main():
    server = http.server.HTTPServer((sys.argv[1], 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
    sys.stdout.write("PORT %d\n" % server.server_port)
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
