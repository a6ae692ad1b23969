#!/usr/bin/env python3
"""The command socket under a crowd of local clients, good and bad.

Starts the built application in a home of its own, then sends it rounds of clients, 50 at a
time: valid requests, garbage, clients that vanish half-way, clients that never read their
reply and clients that send far more than a request may hold. Every valid client must be
answered within its time-out, the application's open descriptors must come back to where they
were before the crowd, and its resident memory must not grow by more than 2 MiB.

Before the rounds, valid requests are timed alone and then beside --stalled clients that send
part of a request and stall until the server gives up on them (5 s after their last byte, with
"That wasn't a command."): the slowest valid answer of each is reported, and with the stalled
clients it must stay within 0.5 s.

    bench/command-load.py [--clients 1000] [--parallel 50] [--rounds 2] [--stalled 50]
                          [--app build/skiro]

Only this machine's unix socket is used; every client has a time-out and the run stops by itself
(at most --limit seconds). Exits 0 when every check held.
"""

import argparse
import concurrent.futures
import json
import os
import random
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

TIMEOUT = 5.0  # the state command's time-out, as the client waits for it
KINDS = ("valid", "unknown", "garbage", "vanishing", "never-reads", "oversized")


def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def connect(path, timeout):
    """Connects as the application's own client does: a blocking connect that waits for room in
    the server's queue of waiting connections, bounded by the send time-out."""
    client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    whole = int(timeout)
    client.setsockopt(socket.SOL_SOCKET, socket.SO_SNDTIMEO,
                      struct.pack("ll", whole, int((timeout - whole) * 1e6)))
    try:
        client.connect(path)
    except OSError:
        client.close()
        raise
    client.settimeout(timeout)
    return client


def exchange(path, payload):
    """A well-behaved client: the request, the half-close, the reply to its end."""
    start = time.monotonic()
    deadline = start + TIMEOUT
    with connect(path, TIMEOUT) as client:
        client.sendall(payload)
        client.shutdown(socket.SHUT_WR)
        reply = b""
        while True:
            client.settimeout(max(deadline - time.monotonic(), 0.001))
            chunk = client.recv(65536)
            if not chunk:
                break
            reply += chunk
    return json.loads(reply), time.monotonic() - start


def one_client(path, kind, number):
    """Runs one client; answers (kind, answered, seconds) where answered means for valid kinds
    that a reply document came back in time."""
    rng = random.Random(number)
    try:
        if kind == "valid":
            reply, took = exchange(path, json.dumps(
                {"command": "state", "arguments": [], "folder": "/"}).encode())
            return kind, "ok" in reply, took
        if kind == "unknown":
            name = "x" * rng.randint(1, 900_000)
            reply, took = exchange(path, json.dumps(
                {"command": name, "arguments": [], "folder": "/"}).encode())
            return kind, reply.get("failure", "").startswith("There's no command"), took
        if kind == "garbage":
            reply, took = exchange(path, rng.randbytes(rng.randint(0, 4096)))
            return kind, reply == {"failure": "That wasn't a command."}, took
        if kind == "vanishing":
            with connect(path, TIMEOUT) as client:
                client.sendall(b'{"command":"state","argu'[: rng.randint(0, 24)])
            return kind, True, 0.0
        if kind == "never-reads":
            # Sends and half-closes, then sits on its reply until the server gives it up.
            with connect(path, TIMEOUT) as client:
                client.sendall(json.dumps({"command": "state", "arguments": []}).encode())
                client.shutdown(socket.SHUT_WR)
                time.sleep(5.5)
            return kind, True, 0.0
        if kind == "oversized":
            # More than a request may hold; the server must still let it read its answer.
            start = time.monotonic()
            with connect(path, TIMEOUT) as client:
                client.sendall(b"[" + b" " * (2 << 20))
                client.shutdown(socket.SHUT_WR)
                reply = b""
                while chunk := client.recv(65536):
                    reply += chunk
            return kind, json.loads(reply) == {"failure": "That wasn't a command."}, \
                time.monotonic() - start
    except (OSError, ValueError) as error:
        return kind, False, repr(error)
    return kind, False, "unknown kind"


def stalled_client(path, ready):
    """Connects, sends part of a request and goes silent; answers (whether the server refused it
    once its silence ran out, seconds from the last byte to the answer)."""
    try:
        with connect(path, TIMEOUT) as client:
            client.sendall(b'{"command":"state","argu')
            sent = time.monotonic()
            ready.release()
            client.settimeout(3 * TIMEOUT)
            reply = b""
            while chunk := client.recv(65536):
                reply += chunk
            return json.loads(reply) == {"failure": "That wasn't a command."}, \
                time.monotonic() - sent
    except (OSError, ValueError) as error:
        ready.release()
        return False, repr(error)


def valid_answers(path, count, parallel):
    """Times `count` valid state requests, `parallel` at a time; answers (answered, slowest)."""
    payload = json.dumps({"command": "state", "arguments": [], "folder": "/"}).encode()

    def one(_):
        try:
            reply, took = exchange(path, payload)
            return "ok" in reply, took
        except (OSError, ValueError):
            return False, TIMEOUT

    with concurrent.futures.ThreadPoolExecutor(max_workers=parallel) as pool:
        results = list(pool.map(one, range(count)))
    return sum(1 for ok, _ in results if ok), max(took for _, took in results)


def with_stalled_clients(path, stalled, count, parallel):
    """Valid requests timed alone, then while `stalled` clients sit mid-request. Answers whether
    every check held."""
    answered, slowest = valid_answers(path, count, parallel)
    print(f"valid requests alone: {answered}/{count} answered, slowest {slowest:.3f} s")
    held = answered == count
    ready = threading.Semaphore(0)
    with concurrent.futures.ThreadPoolExecutor(max_workers=stalled) as pool:
        waiting = [pool.submit(stalled_client, path, ready) for _ in range(stalled)]
        for _ in range(stalled):
            ready.acquire()
        answered, slowest = valid_answers(path, count, parallel)
        print(f"valid requests beside {stalled} stalled clients: {answered}/{count} answered, "
              f"slowest {slowest:.3f} s")
        held &= answered == count and slowest <= 0.5
        results = [future.result() for future in waiting]
    refused = [took for ok, took in results if ok]
    waits = f", after {min(refused):.2f} to {max(refused):.2f} s of silence" if refused else ""
    print(f"  stalled clients refused when their time ran out: {len(refused)}/{stalled}{waits}")
    for _, why in [r for r in results if not r[0]][:3]:
        print(f"    failed: {why}")
    return held and len(refused) == stalled


def settle(pid, want, limit):
    """Waits, bounded, for the descriptor count to come back; answers the last count seen."""
    end = time.monotonic() + limit
    count = descriptors(pid)
    while count > want and time.monotonic() < end:
        time.sleep(0.2)
        count = descriptors(pid)
    return count


def crowd(path, clients, parallel, seed):
    kinds = [KINDS[i % len(KINDS)] for i in range(clients)]
    random.Random(seed).shuffle(kinds)
    results = {kind: [] for kind in KINDS}
    with concurrent.futures.ThreadPoolExecutor(max_workers=parallel) as pool:
        futures = [pool.submit(one_client, path, kind, seed * 100_000 + i)
                   for i, kind in enumerate(kinds)]
        for future in concurrent.futures.as_completed(futures):
            kind, answered, took = future.result()
            results[kind].append((answered, took))
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clients", type=int, default=1000)
    parser.add_argument("--parallel", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--stalled", type=int, default=50,
                        help="clients stalled mid-request beside valid ones (0: none)")
    parser.add_argument("--limit", type=float, default=600, help="seconds the whole run may take")
    parser.add_argument("--app", default=os.path.join(os.path.dirname(__file__), "..", "build",
                                                      "skiro"))
    options = parser.parse_args()
    app = os.path.realpath(options.app)
    if not os.access(app, os.X_OK):
        sys.exit(f"no {app}: build it first (cmake --build build --target skiro)")

    home = tempfile.mkdtemp(prefix="skiro-load-")
    environment = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data",
                       XDG_CACHE_HOME=f"{home}/cache", XDG_CONFIG_HOME=f"{home}/config",
                       QT_QPA_PLATFORM="offscreen")
    log = open(f"{home}/app.log", "w")
    process = subprocess.Popen([app], env=environment, stdout=log, stderr=subprocess.STDOUT)
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("the run took too long"))
    signal.alarm(int(options.limit))
    failed = False
    try:
        path = f"{home}/data/Skiro/control.sock"
        for _ in range(300):
            try:
                exchange(path, b'{"command":"state","arguments":[]}')
                break
            except (OSError, ValueError):
                time.sleep(0.05)
        else:
            sys.exit("the application did not answer")

        if options.stalled > 0:
            failed |= not with_stalled_clients(path, options.stalled, 200, 10)

        # One small crowd first, so that what the first connections make once is there.
        crowd(path, 100, options.parallel, 0)
        time.sleep(6)
        before = (descriptors(process.pid), resident_kib(process.pid))
        print(f"before: {before[0]} descriptors, {before[1]} KiB resident")
        for round_number in range(1, options.rounds + 1):
            start = time.monotonic()
            results = crowd(path, options.clients, options.parallel, round_number)
            took = time.monotonic() - start
            print(f"round {round_number}: {options.clients} clients, {options.parallel} at a time, "
                  f"{took:.1f} s")
            for kind in KINDS:
                good = [r for r in results[kind] if r[0]]
                bad = [r for r in results[kind] if not r[0]]
                times = [t for ok, t in results[kind] if ok and isinstance(t, float) and t > 0]
                slowest = f", slowest {max(times):.3f} s" if times else ""
                print(f"  {kind:12} {len(good):4}/{len(results[kind])} as expected{slowest}")
                for _, why in bad[:3]:
                    print(f"    failed: {why}")
                late = [t for t in times if t > TIMEOUT]
                failed |= bool(bad) or bool(late)
            count = settle(process.pid, before[0], 15)
            resident = resident_kib(process.pid)
            print(f"  after: {count} descriptors, {resident} KiB resident "
                  f"({resident - before[1]:+d} KiB)")
            failed |= count != before[0]
            # Some slack for the allocator's own pools; a leak per client would be far more.
            failed |= resident > before[1] + 2048
        if process.poll() is not None:
            print("the application ended during the run")
            failed = True
    finally:
        signal.alarm(0)
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        log.close()
        shutil.rmtree(home, ignore_errors=True)
    print("FAILED" if failed else "every check held")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
