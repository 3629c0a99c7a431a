#!/usr/bin/env python3
"""Loopback HTTP sink: reads each request's body (Content-Length) and
answers 200. Prints its port on the first line."""
import socket
import threading


def serve(conn):
    with conn:
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(65536)
            if not chunk:
                return
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":", 1)[1])
        got = len(rest)
        buf = bytearray(1 << 20)
        while got < length:
            n = conn.recv_into(buf)
            if n == 0:
                return
            got += n
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")


server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
print(server.getsockname()[1], flush=True)
while True:
    c, _ = server.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
