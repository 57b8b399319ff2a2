#!/usr/bin/env python3
"""A TCP proxy on the loopback that holds every packet DELAY ms each way (a distant server
without netem) and counts round trips: a client send that follows a server answer.
  delay_proxy.py LISTEN_PORT SERVER_PORT DELAY_MS COUNT_FILE
COUNT_FILE always holds the round trips so far."""
import asyncio, sys, time

listen, server, delay, count_file = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]) / 1000, sys.argv[4]
trips = 0


def note():
    with open(count_file, "w") as f:
        f.write(f"{trips}\n")


async def pump(reader, writer, side, state):
    global trips
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.ensure_future(deliver())
    while True:
        data = await reader.read(65536)
        if not data:
            break
        if side == "client" and state["last"] != "client":
            trips += 1
            note()
        state["last"] = side
        await queue.put((time.monotonic() + delay, data))
    await queue.put((0, None))
    await sender


async def handle(client_reader, client_writer):
    server_reader, server_writer = await asyncio.open_connection("127.0.0.1", server)
    state = {"last": None}
    await asyncio.gather(pump(client_reader, server_writer, "client", state),
                         pump(server_reader, client_writer, "server", state),
                         return_exceptions=True)


async def main():
    s = await asyncio.start_server(handle, "127.0.0.1", listen)
    note()  # listening: the file tells the caller so
    async with s:
        await s.serve_forever()

asyncio.run(main())
