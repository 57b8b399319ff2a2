#!/usr/bin/env python3
"""Simulated phones for bench/site.sh: each pairs with the server's current code (a code pairs
one phone; the server prints the next in its output), one phone at a time, then posts one reading a
second to a day of its own, starting at a random moment of the first second. An answer that
does not come (or says to wait) is sent again with the same id, as the page does. Prints one
line of figures: sent, acknowledged, and the median and 99th percentile from request to
stored (the answer comes after the commit), in milliseconds.

site_phones.py HOST PORT SERVER_OUTPUT PHONES SECONDS
"""
import http.client
import json
import random
import statistics
import sys
import threading
import time

host, port, output = sys.argv[1], int(sys.argv[2]), sys.argv[3]
phones, seconds = int(sys.argv[4]), float(sys.argv[5])
assert host.startswith('127.'), 'loopback only'


def request(conn, method, path, body=None, token=None):
    headers = {'Content-Type': 'application/json'}
    if token:
        headers['Authorization'] = 'Bearer ' + token
    conn.request(method, path, body=json.dumps(body) if body else None, headers=headers)
    r = conn.getresponse()
    return r.status, r.read()


times, sent_ids, lock, pairing = [], [], threading.Lock(), threading.Lock()


def current_code():
    with open(output, encoding='utf-8') as f:
        codes = [line.split(': ')[1].strip() for line in f if line.startswith('ペアリングコード: ')]
    return codes[-1]


def pair(conn, n):
    with pairing:
        for _ in range(100):
            code = current_code()
            status, body = request(conn, 'POST', '/api/pair', {'code': code, 'name': 'bench %d' % n})
            if status == 200:
                return json.loads(body)['token']
            while current_code() == code:  # the next code is printed once this one is used
                time.sleep(0.01)
        sys.exit('phone %d could not pair' % n)


def connect(n):
    # Each phone from an address of its own, as on a site's network: the server limits the
    # connections of one address.
    return http.client.HTTPConnection(host, port, timeout=10,
                                      source_address=('127.0.%d.%d' % (1 + n // 250, 2 + n % 250), 0))


def phone(n):
    conn = connect(n)
    token = pair(conn, n)
    day = '2024-%02d-%02d' % (1 + n // 28, 1 + n % 28)
    time.sleep(random.random())
    start = time.monotonic()
    i = 0
    while time.monotonic() - start < seconds:
        due = start + i
        i += 1
        reading = {'koji': 'K001', 'gozai': '密粒度13', 'kubun': 0, 'day': day,
                   'id': 'bench-%02d-%04d' % (n, i), 'temperature': str(150 + i % 10),
                   'truck': 'T-%d' % i, 'takenAt': time.time() * 1000}
        while True:
            reading['sentAt'] = time.time() * 1000
            t0 = time.perf_counter()
            try:
                status, _ = request(conn, 'POST', '/api/readings', reading, token)
            except (OSError, http.client.HTTPException):
                conn.close()
                conn = connect(n)
                status = 0
            took = (time.perf_counter() - t0) * 1000
            if status == 200:
                break
            time.sleep(0.5)
        with lock:
            times.append(took)
            sent_ids.append(reading['id'])
        time.sleep(max(0.0, start + i - time.monotonic()))


threads = [threading.Thread(target=phone, args=(n,)) for n in range(phones)]
for t in threads:
    t.start()
for t in threads:
    t.join()
times.sort()
p99 = times[min(len(times) - 1, int(len(times) * 0.99))]
print('sent %d acknowledged %d median %.1f ms p99 %.1f ms' %
      (len(set(sent_ids)), len(times), statistics.median(times), p99))
