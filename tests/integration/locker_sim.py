"""Simulated lockers for the manager's tests and benchmark: an HTTP server on port 8777 of each of
the addresses 127.0.0.2, 127.0.0.3, ... answering every request with a status record (the tags
the manager's reply parser reads), and one UDP responder on port 8777 that answers a discovery
datagram from each of those addresses. Traffic stays on 127.0.0.0/8."""
import asyncio
import socket
import threading

from harness import serve_until

PORT = 8777


def sim_address(i):
    """The i-th simulated locker's address (0 -> 127.0.0.2), skipping .0, .1 and .255 of each /24."""
    n = i + 2
    third, fourth = divmod(n, 253)
    return f"127.0.{third}.{fourth + 2}" if third else f"127.0.0.{n}"


def sim_name(i):
    return f"SIM-{i:04d}"


def mixed_status(i):
    """A mix of states for pictures of the list: locked, unlocked, and now and then no status."""
    return ("Locked", "Unlocked", "Unlocked", "Locked", "Unlocked", "Unlocked", "")[i % 7]


def status_record(i, status="Unlocked"):
    fields = [("computername", sim_name(i)), ("internalip", sim_address(i)), ("mac", f"0011223344{i % 256:02X}"),
              ("group", "SIMGROUP"), ("status", status), ("idletime", str(5 + 37 * i)),
              ("uptime", str(3600 + 86400 * (i % 40) + 17 * i)),
              ("currentuser", f"user{i % 13}"), ("brivakversion", "3.0"), ("comments", ""), ("masterip", "127.0.0.1"),
              ("layout", "default.slf"), ("rdp", "0"), ("cpu", "3"), ("ram", "40"), ("locktime", "0")]
    return "\r".join(f"<{tag}>{value}</{tag}>" for tag, value in fields)


class LockerSimulator:
    """Starts `count` simulated lockers on a thread of its own; use as a context manager.
    `hanging` more lockers (the addresses after them) answer the discovery and accept the
    connection of a status query, but never answer it. `status(i)` is the i-th locker's status."""

    def __init__(self, count, hanging=0, status=lambda i: "Unlocked"):
        self.count = count
        self.hanging = hanging
        self.status = status
        self.addresses = [sim_address(i) for i in range(count + hanging)]
        self.queries = 0
        self._loop = asyncio.new_event_loop()
        self._ready = threading.Event()
        self._error = None
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._udp = None
        self._udp_thread = None
        self._stop = threading.Event()

    def __enter__(self):
        self._thread.start()
        if not self._ready.wait(30):
            raise AssertionError("the simulated lockers did not start")
        if self._error:
            raise self._error
        self._udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self._udp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._udp.bind(("0.0.0.0", PORT))
        self._udp.settimeout(0.2)
        self._udp_thread = threading.Thread(target=self._answer_udp, daemon=True)
        self._udp_thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._udp_thread.join(10)
        self._udp.close()
        self._loop.call_soon_threadsafe(self._loop.stop)
        self._thread.join(10)

    def _answer_udp(self):
        serve_until(self._stop, lambda: self._udp.recvfrom(8192), self._answer_datagram)

    def _answer_datagram(self, received):
        """Every simulated locker answers a discovery datagram from its own address."""
        data, sender = received
        if b"/query" not in data:
            return
        for address in self.addresses:
            with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as answer:
                answer.bind((address, 0))
                answer.sendto(b"1", sender)

    def _run(self):
        asyncio.set_event_loop(self._loop)
        servers = []
        try:
            for i, address in enumerate(self.addresses):
                servers.append(self._loop.run_until_complete(
                    asyncio.start_server(self._handler(i), address, PORT, reuse_address=True)))
        except Exception as e:  # noqa: BLE001 - reported to the starting thread
            self._error = e
            self._ready.set()
            return
        self._ready.set()
        self._loop.run_forever()
        for server in servers:
            server.close()

    def _handler(self, i):
        body = status_record(i, self.status(i)).encode("latin-1")
        if i >= self.count:
            async def hang(reader, writer):
                try:
                    await reader.read()  # until the manager gives up and closes
                except ConnectionError:
                    pass
                finally:
                    writer.close()
            return hang

        async def handle(reader, writer):
            try:
                await asyncio.wait_for(reader.readuntil(b"\r\n\r\n"), 10)
                self.queries += 1
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                             + str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)
                await writer.drain()
            except (asyncio.TimeoutError, asyncio.IncompleteReadError, ConnectionError):
                pass
            finally:
                writer.close()

        return handle
