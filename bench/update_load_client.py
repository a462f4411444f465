#!/usr/bin/env python3
"""Load client for quillet-update-server: N clients at once each ask for the build and then
download the installer, checking every byte, while M more connections stay open and silent.
Prints throughput and the slowest request; exits 1 on any wrong byte or failed request."""
import asyncio
import sys
import time

HEADER = b"QuilletUpdate\r\n"


async def request(port, lines):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    writer.write(HEADER + lines)
    await writer.drain()
    data = await reader.read()
    writer.close()
    await writer.wait_closed()
    return data


async def one_client(port, build, installer, timings):
    started = time.monotonic()
    reply = await request(port, b"GETBUILD\r\nquillet\r\n")
    timings.append(time.monotonic() - started)
    if reply != b"YES\r\n%d\r\n" % build:
        raise RuntimeError("wrong build reply %r" % reply[:40])
    started = time.monotonic()
    reply = await request(port, b"GETFILE\r\nQuilletInstall.exe\r\n")
    timings.append(time.monotonic() - started)
    expected = b"YES\r\n%d\r\n" % len(installer) + installer
    if reply != expected:
        raise RuntimeError("installer differs (%d of %d bytes)" % (len(reply), len(expected)))
    return len(reply)


async def main(port, build, installer_path, clients, silent):
    installer = open(installer_path, "rb").read()
    idle = [await asyncio.open_connection("127.0.0.1", port) for _ in range(silent)]
    timings = []
    started = time.monotonic()
    results = await asyncio.gather(
        *(one_client(port, build, installer, timings) for _ in range(clients)),
        return_exceptions=True)
    elapsed = time.monotonic() - started
    failures = [r for r in results if isinstance(r, Exception)]
    received = sum(r for r in results if not isinstance(r, Exception))
    # The silent connections must all still stand: nothing to read, not closed.
    still_open = 0
    for reader, _ in idle:
        try:
            await asyncio.wait_for(reader.read(1), 0.01)
        except asyncio.TimeoutError:
            still_open += 1
    for _, writer in idle:
        writer.close()
    print("clients %d (+%d silent, %d still open), requests %d, failures %d"
          % (clients, silent, still_open, len(timings), len(failures)))
    print("elapsed %.2f s, received %.1f MiB, throughput %.1f MiB/s"
          % (elapsed, received / 2**20, received / 2**20 / elapsed))
    print("slowest request %.3f s, median %.3f s"
          % (max(timings), sorted(timings)[len(timings) // 2]))
    for failure in failures[:5]:
        print("failure:", failure)
    return 0 if not failures and still_open == silent else 1


if __name__ == "__main__":
    port, build, installer, clients, silent = sys.argv[1:6]
    sys.exit(asyncio.run(main(int(port), int(build), installer, int(clients), int(silent))))
