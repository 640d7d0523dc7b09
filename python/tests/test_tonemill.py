"""The module against the command line: the same samples, stems that add up to the mix, the
same listing, one exception per kind of bad input, renders side by side in threads."""
import io
import json
import os
import subprocess
import sys
import threading
import time
import _thread

import numpy as np
import pytest

import tonemill
from conftest import DEMO, PROGRAM, wav_data

FORMATS = [  # rate, bits, channels, volume, how the song is given, threads mixing it
    (22050, 8, 1, 1.0, "path", None),
    (44100, 16, 2, 1.0, "bytes", 1),
    (11025, 16, 1, 2.5, "file", 3),
    (48000, 24, 2, 1.0, "path", 2),
    (96000, "float", 1, 0.5, "bytes", None),
]
DTYPES = {8: np.uint8, 16: np.int16, 24: np.int32, "float": np.float32}


def stored(song):
    """The bytes a WAV file holds for an array render returns (24-bit values in three)."""
    if song.dtype != np.int32:
        return song.tobytes()
    return np.frombuffer(song.astype("<i4").tobytes(), np.uint8).reshape(-1, 4)[:, :3].tobytes()


def given(kind):
    if kind == "path":
        return DEMO
    if kind == "bytes":
        return DEMO.read_bytes()
    return io.BytesIO(DEMO.read_bytes())


@pytest.mark.parametrize("rate,bits,channels,volume,kind,threads", FORMATS)
def test_render_gives_the_command_lines_samples(instruments, cli, tmp_path, rate, bits, channels,
                                                volume, kind, threads):
    out, lst = tmp_path / "cli.wav", tmp_path / "cli.lst"
    status, err = cli("render", DEMO, "-o", out, "--lst", lst, "--prg-dir", instruments.prg_dir,
                      "--wav-dir", instruments.wav_dir, "--rate", rate, "--bits", bits,
                      "--channels", channels, "--volume", volume, "-q")
    assert status == 0, err
    song = tonemill.render(given(kind), instruments, rate=rate, bits=bits, channels=channels,
                           volume=volume, threads=threads)
    assert song.dtype == DTYPES[bits]
    assert song.shape[1] == channels and song.shape[0] > rate * 30
    assert stored(song) == wav_data(out)
    # The list renders to the same song, and the writer gives the command line's file.
    assert np.array_equal(tonemill.render_list(lst, instruments, rate=rate, bits=bits,
                                               channels=channels, volume=volume), song)
    tonemill.write(tmp_path / "py.wav", song, rate)
    assert (tmp_path / "py.wav").read_bytes() == out.read_bytes()
    if bits in (16, 24):  # the container by extension, encoded as the command line encodes it
        status, err = cli("render", DEMO, "-o", tmp_path / "cli.flac", "--prg-dir",
                          instruments.prg_dir, "--wav-dir", instruments.wav_dir, "--rate", rate,
                          "--bits", bits, "--channels", channels, "--volume", volume, "-q")
        assert status == 0, err
        tonemill.write(tmp_path / "py.flac", song, rate)
        assert (tmp_path / "py.flac").read_bytes() == (tmp_path / "cli.flac").read_bytes()


def test_loudness_is_the_command_lines_and_stems_keep_the_mixs_gain(instruments, cli, tmp_path):
    options = dict(rate=22050, channels=2, volume=0.4)
    out = tmp_path / "cli.wav"
    status, err = cli("render", DEMO, "-o", out, "--prg-dir", instruments.prg_dir, "--wav-dir",
                      instruments.wav_dir, "--rate", 22050, "--volume", 0.4, "--loudness", -20,
                      "-q")
    assert status == 0, err
    mix = tonemill.render(DEMO, instruments, loudness=-20, **options)
    assert mix.tobytes() == wav_data(out)
    report = json.loads(subprocess.run([str(PROGRAM), "loudness", "--json", str(out)],
                                       capture_output=True, check=True, env=os.environ).stdout)
    assert abs(report["integratedLufs"] + 20) <= 0.5
    stems = tonemill.render_stems(DEMO, instruments, loudness=-20, **options)
    total = np.zeros(mix.shape, np.int32)
    for stem in stems.values():
        total[: stem.shape[0]] += stem
    # Each stem rounds its own samples.
    assert np.abs(total - mix).max() <= len(stems)
    with pytest.raises(ValueError):
        tonemill.render(DEMO, instruments, loudness=5)


@pytest.mark.parametrize("bits,channels", [(16, 2), (8, 1)])
def test_stems_add_up_to_the_mix(instruments, bits, channels):
    # Quiet enough that no addition clamps.
    options = dict(rate=11025, bits=bits, channels=channels, volume=0.4)
    mix = tonemill.render(DEMO, instruments, **options).astype(np.int32)
    stems = tonemill.render_stems(DEMO, instruments, **options)
    playing = [(t["track"], c["channel"]) for t in tonemill.midi_info(DEMO)["tracks"]
               for c in t["channels"] if c["notes"]]
    assert list(stems) == playing
    silence = 128 if bits == 8 else 0
    total = np.full(mix.shape, silence, np.int32)
    for stem in stems.values():
        assert stem.dtype == (np.uint8 if bits == 8 else np.int16)
        assert stem.shape[0] <= mix.shape[0]
        total[: stem.shape[0]] += stem.astype(np.int32) - silence
    assert np.array_equal(total, mix)
    assert np.abs(mix - silence).max() > (10 if bits == 8 else 4000)


def test_midi_info_is_the_listing(cli):
    listing = subprocess.run([str(PROGRAM), "midscan", str(DEMO), "--json"], capture_output=True,
                             check=True, env=os.environ).stdout
    assert tonemill.midi_info(DEMO) == json.loads(listing)
    assert tonemill.midi_info(DEMO.read_bytes())["tracks"] == json.loads(listing)["tracks"]
    channels = [c for t in tonemill.midi_info(DEMO)["tracks"] for c in t["channels"]]
    assert all(c["noteCount"] > 0 for c in channels if c["notes"])
    assert sum(c["noteCount"] for c in channels) > 100


def bad_instruments(instruments, tmp_path, missing):
    """A copy of the set (by links) without instrument 0, or with a sample that is no WAV."""
    prg, wav = tmp_path / "PRG", tmp_path / "WAV"
    for source, target in ((instruments.prg_dir, prg), (instruments.wav_dir, wav)):
        target.mkdir()
        for name in os.listdir(source):
            os.symlink(os.path.join(source, name), target / name)
    if missing == "instrument":
        (prg / "0.PRG").unlink()
    else:
        (wav / "PIANODB3.WAV").unlink()
        (wav / "PIANODB3.WAV").write_text("not a sample\n")
    return tonemill.Instruments(prg, wav)


@pytest.mark.parametrize("case,song,message,file,line,shown", [
    ("instrument", DEMO, "PRG file {prg}/0.PRG not found.", str(DEMO), None, []),
    ("sample", DEMO, "Sample file(s) missing. Aborting.", str(DEMO), None,
     ["Fatal error: can't find either WAV or DFT for sample PIANODB3!"]),
    ("midi", b"MThd\0\0", "Premature end of source file!", "<bytes>", None, []),
    ("midi", b"RIFF" + bytes(60), "Source file is not Standard MIDI!", "<bytes>", None, []),
    ("list", b"soon\n", "Illegal duration!", "<bytes>", 1, []),
])
def test_bad_input_raises_the_systems_message(instruments, cli, tmp_path, case, song, message,
                                              file, line, shown):
    os.environ["TMPDIR"] = str(tmp_path)
    try:
        used = bad_instruments(instruments, tmp_path, case) if case in ("instrument", "sample") \
            else instruments
        with pytest.raises(tonemill.Error) as raised:
            (tonemill.render_list if case == "list" else tonemill.render)(song, used)
    finally:
        del os.environ["TMPDIR"]
    error = raised.value
    assert error.message == message.format(prg=used.prg_dir)
    assert (error.file, error.line, error.messages) == (file, line, shown)
    where = f"{file}:{line}" if line else file
    assert str(error).splitlines()[-1] == f"{where}: {error.message}"
    # Nothing was left behind, and the command line says the same.
    assert sorted(p.name for p in tmp_path.iterdir()) == \
        (["PRG", "WAV"] if used is not instruments else [])
    if used is not instruments:
        status, err = cli("render", DEMO, "-o", tmp_path / "x.wav", "--prg-dir", used.prg_dir,
                          "--wav-dir", used.wav_dir, "-q")
        assert status == 1 and error.message in err and all(s in err for s in shown)


def test_bad_arguments(instruments, tmp_path):
    with pytest.raises(ValueError):
        tonemill.render(DEMO, instruments, rate=4000)
    with pytest.raises(ValueError):
        tonemill.render(DEMO, instruments, bits=12)
    with pytest.raises(ValueError):
        tonemill.render(DEMO, instruments, drums=["1"])
    with pytest.raises(TypeError):
        tonemill.render(12, instruments)
    with pytest.raises(tonemill.Error):
        tonemill.Instruments(tmp_path / "none", tmp_path)
    with pytest.raises(TypeError):
        tonemill.write(tmp_path / "x.wav", np.zeros((4, 2), np.float64), 44100)
    with pytest.raises(ValueError):
        tonemill.write(tmp_path / "x.xyz", np.zeros((4, 2), np.int16), 44100)


def test_threads_render_side_by_side(instruments):
    formats = [dict(rate=44100, channels=2, threads=1), dict(rate=22050, channels=1, threads=1)]
    alone = [tonemill.render(DEMO, instruments, **f) for f in formats]
    results = [None, None]
    started = threading.Barrier(2)

    def work(i):
        started.wait()
        results[i] = tonemill.render(DEMO, instruments, **formats[i])

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(np.array_equal(r, a) for r, a in zip(results, alone))


def test_a_render_lets_the_interpreter_run(instruments):
    # With no forced switches between threads, the counting loop can only run while a render
    # is under way if the render has let go of the interpreter's lock: a render that kept it
    # would see the count unchanged, whatever the machine's load.
    counted, renders_done = [0], threading.Event()
    during = []

    def work():
        for _ in range(5):
            before = counted[0]
            tonemill.render(DEMO, instruments, rate=22050, channels=1, threads=1)
            during.append(counted[0] - before)
        renders_done.set()

    interval = sys.getswitchinterval()
    sys.setswitchinterval(30.0)
    try:
        worker = threading.Thread(target=work)
        worker.start()
        while not renders_done.is_set():
            counted[0] += 1
            time.sleep(0.001)
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    assert sum(during) > 0, during


def test_first_renders_of_a_process_in_two_threads(instruments):
    # Nothing of the module has run before the two threads render.
    script = (
        "import sys, threading, tonemill\n"
        "gm = tonemill.Instruments(sys.argv[1], sys.argv[2])\n"
        "work = lambda: tonemill.render(sys.argv[3], gm, rate=11025, channels=1)\n"
        "threads = [threading.Thread(target=work) for _ in range(2)]\n"
        "[t.start() for t in threads]\n"
        "[t.join() for t in threads]\n")
    subprocess.run([sys.executable, "-c", script, instruments.prg_dir, instruments.wav_dir,
                    str(DEMO)], check=True, timeout=30, env=os.environ)


def test_keyboard_interrupt_cancels_the_render(instruments, tmp_path):
    os.environ["TMPDIR"] = str(tmp_path)
    timer = threading.Timer(0.2, _thread.interrupt_main)
    try:
        timer.start()
        started = time.monotonic()
        with pytest.raises(KeyboardInterrupt):
            for _ in range(100):  # nearly all of the time inside a render
                tonemill.render_stems(DEMO, instruments)
        assert time.monotonic() - started < 1
    finally:
        timer.cancel()
        del os.environ["TMPDIR"]
    assert list(tmp_path.iterdir()) == []


def test_default_set_is_the_settings_files(home):
    default = tonemill.Instruments.default()
    assert default.prg_dir == str(home / "PRG") and default.wav_dir == str(home / "WAV")
    assert (home / "TM.INI").exists()
