#!/usr/bin/env python3
"""A loopback HTTPS peer for the request layer's tests: serves one request
with CERT and KEY and answers "success*L"; beside it a proxy that takes one
CONNECT and tunnels it to the server. Prints "SERVER_PORT PROXY_PORT" on the
first line, then, when they happen, "CONNECT <target>" and "REQUEST <bytes
of body>". Ends after one request or 20 s. Usage: tlspeer.py CERT KEY"""
import socket
import ssl
import sys
import threading


def listener():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    s.listen(4)
    return s


def say(text):
    print(text, flush=True)


def serve(server, cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    while True:
        raw, _ = server.accept()
        try:
            conn = context.wrap_socket(raw, server_side=True)
        except (ssl.SSLError, OSError):
            raw.close()
            continue  # the client refused the certificate; wait for another
        with conn:
            data = b""
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                data += chunk
            head, _, body = data.partition(b"\r\n\r\n")
            length = 0
            for line in head.split(b"\r\n"):
                if line.lower().startswith(b"content-length:"):
                    length = int(line.split(b":", 1)[1])
            while len(body) < length:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                body += chunk
            say(f"REQUEST {len(body)}")
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\nsuccess*L")
            # Closed only once the client has gone: closing with its last
            # bytes unread would reset the connection under the reply.
            try:
                while conn.recv(65536):
                    pass
            except (ssl.SSLError, OSError):
                pass
        return


def pipe(a, b):
    try:
        while True:
            chunk = a.recv(65536)
            if not chunk:
                break
            b.sendall(chunk)
    except OSError:
        pass
    finally:
        # Half-closed, so what still travels the other way arrives whole.
        try:
            b.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def proxy(front, server_port):
    conn, _ = front.accept()
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return
        data += chunk
    line = data.split(b"\r\n", 1)[0].decode()
    say(line)
    if not line.startswith("CONNECT "):
        conn.sendall(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
        return
    back = socket.create_connection(("127.0.0.1", server_port))
    conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    threading.Thread(target=pipe, args=(back, conn), daemon=True).start()
    pipe(conn, back)


server, front = listener(), listener()
say(f"{server.getsockname()[1]} {front.getsockname()[1]}")
threading.Thread(target=proxy, args=(front, server.getsockname()[1]), daemon=True).start()
worker = threading.Thread(target=serve, args=(server, sys.argv[1], sys.argv[2]), daemon=True)
worker.start()
worker.join(20)
