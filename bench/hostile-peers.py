#!/usr/bin/env python3
"""Misbehaving devices and servers against the whole program, one after another,
and what the program does about each: its resident memory (before, at most,
and once settled), the CPU it uses, and how long its event loop was held up at
worst (as CALLERID_LOOP_LOG records it). Prints a Markdown table.

    tools/with-desktop.sh python3 bench/hostile-peers.py BUILD [SCENARIO...]

Each scenario starts the program afresh; an NCID server or a caller-ID modem
(callerid-modem-sim on a pseudo-terminal) plays the misbehaving peer.
"""

import os
import random
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
APP = os.path.join(BUILD, "src/app/callerid-test")
MODEM_SIM = os.path.join(BUILD, "tools/callerid-modem-sim")
TICK = os.sysconf("SC_CLK_TCK")
GREETING = b"200 Server: ncidd (NCID) 1.6\n251 Call log not sent\n300 End of connection startup\n"


class Program:
    def __init__(self, spec):
        self.dir = tempfile.mkdtemp()
        self.loop_log = os.path.join(self.dir, "loop.log")
        env = dict(os.environ, CALLERID_DEVICE=spec, CALLERID_LOOP_LOG=self.loop_log)
        self.proc = subprocess.Popen([APP], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def status(self, key):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        return 0

    def rss_mib(self):
        return self.status("VmRSS") / 1024

    def peak_mib(self):
        return self.status("VmHWM") / 1024

    def cpu_s(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK

    def settle(self, limit=120):
        """Waits until the program has used under 2 % of a CPU for a second."""
        end = time.time() + limit
        while time.time() < end:
            before = self.cpu_s()
            time.sleep(1)
            if self.cpu_s() - before < 0.02:
                return
        print(f"  (did not settle within {limit} s)", file=sys.stderr)

    def loop_worsts(self):
        """Each second's worst stall: the program's own, and with the waits for a processor."""
        worsts = []
        with open(self.loop_log) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 5 and parts[1] == "worst":
                    worsts.append((int(parts[2]), int(parts[4].lstrip("("))))
        return worsts

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def ncid_server(port=0):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(8)
    return server


def connected_client(server):
    client, _ = server.accept()
    client.recv(4096)  # the program's HELLO lines
    client.sendall(GREETING)
    return client


def cid(line, n):
    return b"CID: *DATE*12092026*TIME*1430*LINE*%s*NMBR*0212%07d*MESG*NONE*NAME*-*\n" % (line, n)


def send_lines(client, make, count, batch=1000):
    for start in range(0, count, batch):
        client.sendall(b"".join(make(n) for n in range(start, min(count, start + batch))))


def loop_figure(worsts):
    if not worsts:
        return "no figures"
    own = [w[0] for w in worsts]
    whole = [w[1] for w in worsts]
    return (f"{statistics.median(own):.0f} ms median of the seconds' worst, {max(own)} ms at "
            f"worst ({statistics.median(whole):.0f} and {max(whole)} ms with the waits for a "
            f"processor)")


def ncid_run(make_lines, what):
    server = ncid_server()
    program = Program(f"ncid:127.0.0.1:{server.getsockname()[1]}")
    client = connected_client(server)
    time.sleep(2)
    before, cpu0, start = program.rss_mib(), program.cpu_s(), time.time()
    make_lines(client)
    program.settle()
    took = time.time() - start - 1
    after, peak, cpu = program.rss_mib(), program.peak_mib(), program.cpu_s() - cpu0
    worsts = program.loop_worsts()
    program.stop()
    client.close()
    server.close()
    return (f"memory {before:.0f} → {peak:.0f} MB at most, {after:.0f} MB kept; {cpu:.1f} s of CPU "
            f"in {took:.0f} s; event loop held up {loop_figure(worsts)}")


def cid_flood():
    return ncid_run(lambda c: send_lines(c, lambda n: cid(b"1", n), 1_000_000), "")


def labels_10k():
    return ncid_run(lambda c: send_lines(c, lambda n: cid(b"L%05d" % n, n), 10_000), "")


def labels_60k():
    return ncid_run(lambda c: send_lines(c, lambda n: cid(b"%05d" % n + b"X" * 60_000, n),
                                         1_500, batch=10), "")


def messages_100k():
    return ncid_run(lambda c: send_lines(
        c, lambda n: b"MSG: Sunucu iletisi %07d ***DATE*12092026*TIME*1430*MTYPE*SYS*\n" % n,
        100_000), "")


def random_bytes():
    sent = [0]

    def spray(client):
        end = time.time() + 30
        rng = random.Random(7)
        while time.time() < end:
            chunk = rng.randbytes(65536)
            try:
                client.sendall(chunk)
            except OSError:
                break
            sent[0] += len(chunk)
    figure = ncid_run(spray, "")
    return f"{sent[0] / 1e9:.2f} GB taken in 30 s; " + figure


def history_3x():
    server = ncid_server()
    program = Program(f"ncid:127.0.0.1:{server.getsockname()[1]}")
    time.sleep(2)
    before = program.rss_mib()
    for _ in range(3):
        client, _ = server.accept()
        client.recv(4096)
        client.sendall(b"200 Server: ncidd (NCID) 1.6\n")
        send_lines(client, lambda n: b"CIDLOG: *DATE*12082026*TIME*0915*LINE*1*NMBR*0312%07d"
                   b"*MESG*NONE*NAME*ESKI*\n" % n, 1_000_000)
        client.close()
    program.settle()
    after, peak = program.rss_mib(), program.peak_mib()
    worsts = program.loop_worsts()
    program.stop()
    server.close()
    return (f"memory {before:.0f} → {peak:.0f} MB at most, {after:.0f} MB kept; event loop held "
            f"up {loop_figure(worsts)}")


def auto_greet_close():
    server = ncid_server(3333)
    server.settimeout(0.5)
    connections = [0]
    stop = [False]

    def serve():
        while not stop[0]:
            try:
                client, _ = server.accept()
            except socket.timeout:
                continue
            connections[0] += 1
            if os.environ.get("HOSTILE_VERBOSE"):
                print(f"  connection {connections[0]} at {time.time() - begun:.1f} s",
                      file=sys.stderr)
            client.sendall(GREETING)
            client.close()
    begun = time.time()
    thread = threading.Thread(target=serve)
    thread.start()
    program = Program("auto")
    time.sleep(1)
    cpu0, start = program.cpu_s(), time.time()
    time.sleep(60)
    cpu = (program.cpu_s() - cpu0) / (time.time() - start) * 100
    program.stop()
    stop[0] = True
    thread.join()
    server.close()
    return f"{connections[0]} connections in 60 s, {cpu:.1f} % CPU"


def modem(options, seconds, figure):
    folder = tempfile.mkdtemp()
    link = os.path.join(folder, "modem")
    out = open(os.path.join(folder, "modem.log"), "w+")
    sim = subprocess.Popen([MODEM_SIM, "--link", link] + options, stdin=subprocess.PIPE,
                           stdout=out, stderr=subprocess.STDOUT)
    while not os.path.exists(link):
        time.sleep(0.1)
    program = Program(f"modem:{link}")
    time.sleep(1)
    before = program.rss_mib()
    result = figure(program, out, before, seconds)
    program.stop()
    sim.stdin.close()
    sim.terminate()
    sim.wait()
    return result


def modem_long_answer():
    def figure(program, out, before, seconds):
        program.settle(seconds)
        after, peak, cpu0 = program.rss_mib(), program.peak_mib(), program.cpu_s()
        time.sleep(10)
        idle = (program.cpu_s() - cpu0) * 10
        return (f"memory {before:.0f} → {peak:.0f} MB at most, {after:.0f} MB kept; {idle:.1f} % "
                f"CPU afterwards; event loop held up {loop_figure(program.loop_worsts())}")
    return modem(["--long-answer", "AT+GMM=330000"], 120, figure)


def modem_silent_voltage():
    def figure(program, out, before, seconds):
        time.sleep(seconds)
        out.seek(0)
        resets = sum(1 for line in out if line.strip() == "< ATZ")
        return f"ATZ sent {resets} times in {seconds} s"
    return modem(["--ignore", "AT-TRV"], 60, figure)


SCENARIOS = {
    "cid-flood": ("NCID: 1,000,000 `CID:` lines as fast as the server can write", cid_flood),
    "labels-10k": ("NCID: 10,000 distinct `LINE` labels", labels_10k),
    "labels-60k": ("NCID: 1,500 distinct 60 KB `LINE` labels", labels_60k),
    "auto-greet-close": ("NCID under `auto`: a server on 127.0.0.1:3333 that greets and closes "
                         "at once", auto_greet_close),
    "history": ("NCID: 1,000,000 `CIDLOG:` history lines, three times over reconnects",
                history_3x),
    "random": ("NCID: random bytes for 30 s", random_bytes),
    "messages": ("NCID: 100,000 `MSG:` lines", messages_100k),
    "modem-long-answer": ("modem: `AT+GMM` answered by 10 MB of lines", modem_long_answer),
    "modem-silent-voltage": ("modem: `AT-TRV` never answered (the rest of the modem fine)",
                             modem_silent_voltage),
}

if __name__ == "__main__":
    chosen = sys.argv[2:] or list(SCENARIOS)
    print("| What the device or server did | What the program did |")
    print("|---|---|")
    for name in chosen:
        title, run = SCENARIOS[name]
        print(f"| {title} | {run()} |", flush=True)
