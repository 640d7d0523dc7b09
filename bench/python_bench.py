#!/usr/bin/python3
"""The Python module against the command line (run by hand, never by the test command).

Renders the same short generated songs four ways and prints the times and their ratios:
  processes  one `tonemill render` process per song, one after another;
  module     one Python process, one Instruments object, one song after another (each song
             mixed by the library's default threads, as the command line's one song is);
  1 thread   the same with one mixing thread per song;
  2 threads  a pool of two Python threads, one mixing thread per song.

Each way runs --rounds times, the ways taking turns, and the best time of each counts: on a
machine that other work shares, a round that had to wait for a processor shows that, not the
module.

usage: PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--songs 50]
       [--seconds 6] [--rounds 3] [--build build] [--prg-dir DIR --wav-dir DIR]
"""
import argparse
import concurrent.futures
import os
import pathlib
import random
import struct
import subprocess
import tempfile
import threading
import time

import tonemill


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track(events):
    """A track chunk from (tick, message bytes) pairs."""
    body, now = b"", 0
    for tick, message in sorted(events, key=lambda e: e[0]):
        body += variable_length(tick - now) + message
        now = tick
    body += variable_length(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def song(seed, seconds):
    """A format 1 song at 120 beats a minute: a piano melody, a bass line and drums."""
    rng = random.Random(seed)
    ticks = 96  # a beat, half a second
    beats = seconds * 2
    tempo = track([(0, b"\xff\x51\x03\x07\xa1\x20")])
    parts = []
    for channel, program, low, high, length in ((0, 0, 60, 84, 1), (1, 33, 36, 48, 2), (9, 0, 35, 46, 1)):
        events = [(0, bytes([0xC0 | channel, program]))]
        for beat in range(0, beats, length):
            key = rng.randint(low, high)
            events.append((beat * ticks, bytes([0x90 | channel, key, rng.randint(70, 110)])))
            events.append(((beat + length) * ticks - 8, bytes([0x80 | channel, key, 0])))
        parts.append(track(events))
    return b"MThd" + struct.pack(">IHHH", 6, 1, 1 + len(parts), ticks) + tempo + b"".join(parts)


def timed(run):
    start = time.monotonic()
    run()
    return time.monotonic() - start


def schedstat(thread):
    """A thread's time on a processor and waiting for one, in seconds (Linux), or None."""
    try:
        with open(f"/proc/self/task/{thread}/schedstat") as f:
            run, wait = f.read().split()[:2]
        return int(run) / 1e9, int(wait) / 1e9
    except (OSError, ValueError):
        return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--songs", type=int, default=50)
    parser.add_argument("--seconds", type=int, default=6)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--build", default="build")
    parser.add_argument("--prg-dir")
    parser.add_argument("--wav-dir")
    a = parser.parse_args()
    build = pathlib.Path(a.build).resolve()
    prg = a.prg_dir or str(build / "bin" / "PRG")
    wav = a.wav_dir or str(build / "bin" / "WAV")
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch)
        os.environ.setdefault("TONEMILL_HOME", str(folder / "home"))
        songs = []
        for i in range(a.songs):
            path = folder / f"song{i:02}.mid"
            path.write_bytes(song(i, a.seconds))
            songs.append(path)
        instruments = tonemill.Instruments(prg, wav)

        def processes():
            for path in songs:
                subprocess.run([str(build / "bin" / "tonemill"), "render", str(path), "-o",
                                str(path.with_suffix(".wav")), "--prg-dir", prg, "--wav-dir", wav,
                                "--force", "-q", "--jobs", "1"], check=True)

        # Each rendering thread's schedstat before its first song and after the way's last one.
        seen, ends = {}, {}

        def render(path, threads):
            here = threading.get_native_id()
            if here not in seen:
                seen[here] = schedstat(here)
            tonemill.render(path, instruments, threads=threads)

        def finished():
            ends.update({thread: schedstat(thread) for thread in seen})

        def module(threads=None):
            for path in songs:
                render(path, threads)
            finished()

        # Each array is dropped once it is there, in every way alike: kept, the pool's 50 arrays
        # would be 50 MB of fresh memory that the one-thread ways never touch.
        def pool():
            with concurrent.futures.ThreadPoolExecutor(2) as workers:
                for _ in workers.map(lambda p: render(p, 1), songs):
                    pass
                finished()  # while its threads are there

        module()  # the samples into the page cache, for every way alike
        ways = (("processes", processes), ("module", module),
                ("1 thread", lambda: module(1)), ("2 threads", pool))
        times = {name: float("inf") for name, _ in ways}
        # Of the best round of each way: each rendering thread's time on a processor and waiting
        # for one (a wait is the machine's other work, not the module's).
        use = {}
        for _ in range(max(1, a.rounds)):
            for name, run in ways:
                seen.clear()
                ends.clear()
                took = timed(run)
                if took < times[name]:
                    times[name] = took
                    use[name] = [(ends[t][0] - f[0], ends[t][1] - f[1])
                                 for t, f in seen.items() if f and ends.get(t)]
        same = all((p.with_suffix(".wav").read_bytes()[44:] == tonemill.render(p, instruments).tobytes())
                   for p in songs[:3])
    print(f"{a.songs} songs of {a.seconds} s, 44100 Hz 16-bit stereo, {os.cpu_count()} processors, "
          f"best of {max(1, a.rounds)} rounds (load average {os.getloadavg()[0]:.2f})")
    for name, seconds in times.items():
        print(f"  {name:10} {seconds:7.2f} s")
    for name in ("1 thread", "2 threads"):
        if use.get(name):
            print(f"  {name:10} on a processor " + " + ".join(f"{r:.3f}" for r, _ in use[name]) +
                  " s, waiting for one " + " + ".join(f"{w:.3f}" for _, w in use[name]) + " s")
    print(f"  module / processes  {times['module'] / times['processes']:.2f}  (at most 0.5)")
    print(f"  2 threads / 1       {times['2 threads'] / times['1 thread']:.2f}  (at most 0.6)")
    print(f"  same samples as the command line: {same}")


if __name__ == "__main__":
    main()
