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
      trickle  promise 100000 bytes, send two a second until the client goes
      refuse   bind a port, close it again, write it and exit
      tls      as file, over TLS with WORKDIR/cert.pem and WORKDIR/key.pem
"""
import os
import socket
import ssl
import sys
import time

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
    if mode == "tls":
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(workdir, "cert.pem"), os.path.join(workdir, "key.pem"))
        try:
            conn = ctx.wrap_socket(conn, server_side=True)
        except (ssl.SSLError, OSError):
            with open(os.path.join(workdir, "requests"), "ab") as log:
                log.write(b"TLS handshake refused by the client\r\n\r\n")
            conn.close()
            continue
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
        if mode in ("file", "tls"):
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
                         b"Connection: close\r\n\r\n" % len(body) + body)
        elif mode == "notfound":
            msg = b"no such script"
            conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                         % len(msg) + msg)
        elif mode == "partial":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n0123456789")
        elif mode == "trickle":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n")
            for _ in range(100000):  # ends when the client closes (send fails)
                conn.sendall(b"x")
                time.sleep(0.5)
        elif mode == "hang":
            try:
                conn.recv(1)  # until the client gives up
            except socket.timeout:
                pass
    except OSError:
        pass
    conn.close()
