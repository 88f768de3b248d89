#!/usr/bin/env python3
"""Writes the seed corpus of mysql_packets_fuzzer: one file per kind of input, the first byte
choosing the target (0 greeting, 1 OK, 2 error, 3 column, 4 row, 5 plain stream, 6 compressed
stream, 7 conversation). With --large DIR it writes into DIR instead the seeds that hold a maximal
packet, too large to keep in the tree (or, compressed, too slow to fuzz in the bounded run)."""
import os
import struct
import sys
import zlib

MAXIMAL = 0xFFFFFF

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def lenenc(n):
    if n <= 250:
        return bytes([n])
    if n <= 0xFFFF:
        return b"\xfc" + struct.pack("<H", n)
    if n <= 0xFFFFFF:
        return b"\xfd" + struct.pack("<I", n)[:3]
    return b"\xfe" + struct.pack("<Q", n)


def text(s):
    return lenenc(len(s)) + s


def packet(seq, payload):
    return struct.pack("<I", len(payload))[:3] + bytes([seq]) + payload


def greeting(short=False, caps=0xF7FF):
    g = b"\x0a" + b"5.5.5-10.11.19-MariaDB\x00" + struct.pack("<I", 7) + b"abcdefgh" + b"\x00"
    if short:
        return g
    return g + struct.pack("<HBH", caps, 8, 2) + b"\x00" * 13 + b"ijklmnopqrst\x00mysql_native_password\x00"


def ok(affected=1, insert_id=57, status=2, info=b""):
    return b"\x00" + lenenc(affected) + lenenc(insert_id) + struct.pack("<HH", status, 0) + (text(info) if info else b"")


def eof(status=2):
    return b"\xfe" + struct.pack("<HH", 0, status)


def err(code, msg):
    return b"\xff" + struct.pack("<H", code) + msg


def column(name, typ=253, length=30, flags=0):
    return (text(b"def") + text(b"gerente") + text(b"m") + text(b"movment") + text(name) + text(name)
            + b"\x0c" + struct.pack("<HIBHB", 8, length, typ, flags, 0) + b"\x00\x00")


def old_column(name, long_flags=True):
    flags = b"\x03" + struct.pack("<HB", 1, 0) if long_flags else b"\x02\x01\x00"
    return text(b"movment") + text(name) + b"\x03" + struct.pack("<I", 11)[:3] + b"\x01\x03" + flags


def row(values):
    return b"".join(b"\xfb" if v is None else text(v) for v in values)


def frame(seq, data, compress):
    if compress:
        body = zlib.compress(data)
        return struct.pack("<I", len(body))[:3] + bytes([seq]) + struct.pack("<I", len(data))[:3] + body
    return struct.pack("<I", len(data))[:3] + bytes([seq]) + b"\x00\x00\x00" + data


seeds = {
    "greeting-full": b"\x00" + greeting(),
    "greeting-short": b"\x00" + greeting(short=True),
    "greeting-old-server": b"\x00" + greeting(caps=0x002C),
    "ok-insert": b"\x01" + ok(info=b"Records: 2  Duplicates: 0  Warnings: 0"),
    "error-syntax": b"\x02" + err(1064, b"#42000You have an error in your SQL syntax"),
    "end": b"\x02" + eof(0x0A),
    "column-41": b"\x03" + column(b"registro", 8, 20, 0x4203),
    "column-blob": b"\x03" + column(b"memo", 252, 0xFFFFFFFF),
    "column-old": b"\x03" + old_column(b"numlanc"),
    "row-null-empty-long": b"\x04" + b"\x04" + row([None, b"", b"x" * 300, b"12.5"]),
    "row-254": b"\x04" + b"\x01" + b"\xfe" + struct.pack("<Q", 3) + b"abc",
    "stream-plain": b"\x05" + packet(0, b"\x01\x02") + packet(1, column(b"a")) + packet(2, b"\x00" * 20)
                    + packet(3, err(1317, b"#70100interrupted")),
    "stream-compressed": b"\x06" + frame(0, packet(0, b"\x01") + packet(1, column(b"a")), True)
                         + frame(1, packet(2, eof()), False),
    "error-code-0": b"\x02" + err(0, b"#HY000no error"),
    "error-code-ffff": b"\x02" + err(0xFFFF, b"#HY000no more results"),
}

conversation = (packet(0, greeting()) + packet(2, ok(0, 0))
                + packet(1, b"\x02") + packet(2, column(b"a")) + packet(3, column(b"b", 3, 11))
                + packet(4, eof(0x0A)) + packet(5, row([b"um", b"1"])) + packet(6, row([None, b"2"]))
                + packet(7, eof(0x0A)) + packet(8, ok(3, 0, 2))
                + packet(1, err(1064, b"#42000syntax")) + packet(1, b"\xfbdados.txt") + packet(3, ok()))
seeds["conversation"] = b"\x07" + conversation
old_login = packet(0, greeting()) + packet(2, b"\xfe") + packet(4, ok(0, 0)) + packet(1, ok(0, 0))
seeds["conversation-old-scramble"] = b"\x07" + old_login
challenge = packet(0, greeting()) + packet(2, b"*\x00\x00\x00" + bytes(range(1, 21))) + packet(4, ok(0, 0))
seeds["conversation-second-challenge"] = b"\x07" + challenge
login = packet(0, greeting()) + packet(2, ok(0, 0))
# LOCAL INFILE requests answered with an error and with OK after the empty file.
seeds["conversation-local-infile"] = (b"\x07" + login + packet(1, b"\xfbsistema_kesto.ini")
                                      + packet(3, err(1148, b"#42000not allowed"))
                                      + packet(1, b"\xfb/etc/passwd") + packet(3, ok(0, 0)))
# Error codes that would read as success and as "no more results", the second among rows of a batch.
seeds["conversation-error-code-0"] = (b"\x07" + login + packet(1, err(0, b"#HY000zero"))
                                      + packet(1, b"\x01") + packet(2, column(b"a")) + packet(3, eof(0x0A))
                                      + packet(4, row([b"1"])) + packet(5, err(0xFFFF, b"#HY000minus one")))
# One description announced, a flood of them sent.
seeds["conversation-column-flood"] = (b"\x07" + login + packet(1, b"\x01")
                                      + b"".join(packet(2 + i, column(b"c%d" % i)) for i in range(200))
                                      + packet(202, eof()))


def large_seeds():
    # A maximal packet joined with what continues it, carried by two compressed frames.
    joined = packet(0, b"r" * MAXIMAL) + packet(1, b"r" * 10) + packet(2, eof())
    compressed = frame(0, joined[:MAXIMAL - 16], True) + frame(1, joined[MAXIMAL - 16:], True)
    value = b"\xfe" + struct.pack("<Q", MAXIMAL + 6) + b"v" * (MAXIMAL + 6)
    maximal_row = (login + packet(1, b"\x01") + packet(2, column(b"b", 251, 0xFFFFFFFF)) + packet(3, eof())
                   + packet(4, value[:MAXIMAL]) + packet(5, value[MAXIMAL:]) + packet(6, eof()))
    return {
        "stream-plain-maximal": b"\x05" + packet(0, b"p" * MAXIMAL) + packet(1, b"p" * 10) + packet(2, eof()),
        "conversation-maximal-row": b"\x07" + maximal_row,
        "stream-compressed-maximal": b"\x06" + compressed,
    }


if len(sys.argv) == 3 and sys.argv[1] == "--large":
    here, seeds = sys.argv[2], large_seeds()
os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
