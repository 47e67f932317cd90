#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the configuration source tests.

usage: http_test_server.py MODE WORKDIR [FILE]
Writes the port it listens on to WORKDIR/port (atomically), appends every
request (request line and headers) to WORKDIR/requests, and exits by itself
once it has been idle for a few seconds, so no test has to stop it.

MODE: file     answer 200 with FILE's bytes
      notfound answer 404
      hang     read the request and never answer
      partial  promise 1000 bytes, send 10 and close
      refuse   bind a port, close it again, write it and exit
"""
import os
import socket
import sys

# Let go of the starter's standard streams at once, so that nobody waiting
# for them to close has to wait for this server to end.
devnull = os.open(os.devnull, os.O_RDWR)
for fd in (0, 1, 2):
    os.dup2(devnull, fd)

mode, workdir = sys.argv[1], sys.argv[2]
body = open(sys.argv[3], "rb").read() if len(sys.argv) > 3 else b""


def write_port(port):
    tmp = os.path.join(workdir, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(port))
    os.rename(tmp, os.path.join(workdir, "port"))


srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", 0))
port = srv.getsockname()[1]
if mode == "refuse":
    srv.close()
    write_port(port)
    sys.exit(0)
srv.listen(8)
srv.settimeout(8 if mode != "hang" else 15)
write_port(port)

while True:
    try:
        conn, _ = srv.accept()
    except socket.timeout:
        break
    conn.settimeout(10)
    data = b""
    try:
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
    except socket.timeout:
        pass
    with open(os.path.join(workdir, "requests"), "ab") as log:
        log.write(data.split(b"\r\n\r\n")[0] + b"\r\n\r\n")
    try:
        if mode == "file":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
                         b"Connection: close\r\n\r\n" % len(body) + body)
        elif mode == "notfound":
            msg = b"no such script"
            conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                         % len(msg) + msg)
        elif mode == "partial":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n0123456789")
        elif mode == "hang":
            try:
                conn.recv(1)  # until the client gives up
            except socket.timeout:
                pass
    except OSError:
        pass
    conn.close()
