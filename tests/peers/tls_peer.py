#!/usr/bin/python3
"""An HTTPS peer on a loopback address: one port for each certificate it is given, served at the
same time. Every POST gets a SOAP result 0 of the operation its SOAPAction names; connections are
kept alive. It prints its ports first, on one line ("PORT <n> <n> ..."), in the order of the
certificates.

Usage: tls_peer.py <loopback address> <certificate file> <key file> [<certificate> <key> ...]
"""

import http.server
import ssl
import sys
import threading


def answer(operation):
    return ('<?xml version="1.0" encoding="utf-8"?>'
            '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
            '<{0}Response xmlns="http://tempuri.org/"><{0}Result>0</{0}Result></{0}Response>'
            '</soap:Body></soap:Envelope>').format(operation).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        action = self.headers.get("SOAPAction", "").strip('"')
        body = answer(action.rsplit("/", 1)[-1] or "inserir_vendas")
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    servers = []
    for cert, key in zip(sys.argv[2::2], sys.argv[3::2]):
        server = http.server.ThreadingHTTPServer((sys.argv[1], 0), Handler)
        server.daemon_threads = True
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
        servers.append(server)
    sys.stdout.write("PORT %s\n" % " ".join(str(s.server_port) for s in servers))
    sys.stdout.flush()
    threads = [threading.Thread(target=s.serve_forever, daemon=True) for s in servers]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


if __name__ == "__main__":
    main()
