#!/usr/bin/python3
"""Renders a folder of MIDI files into an audio data set: a mix per song and, with --stems, one
file per track:channel pair that plays notes, beside a JSON manifest (each song's file,
duration and MIDI listing, each output's SHA-256, the engine version and the instrument set).

usage: PYTHONPATH=build/python /usr/bin/python3 examples/dataset.py MIDI_DIR OUT_DIR
           [--prg-dir DIR --wav-dir DIR] [--stems] [--threads N] [--format flac]
           [--rate 44100] [--bits 16] [--channels 2] [--volume 1.0] [--loudness LUFS]

The songs render on a pool of threads sharing one instrument set; a song that fails is listed
in the manifest with the message and the others go on. Outputs are FLAC files by default (or
any container --format names), written by the program's writers; with --loudness every mix is
brought to that loudness and its stems take its gain. Rendering again with the same
instruments gives the same files, byte for byte.
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import pathlib
import sys

import tonemill


def sha256(path):
    return hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest()


def instrument_set(instruments):
    """The set's directories and one digest over the names and contents of its files."""
    digest = hashlib.sha256()
    for folder in (instruments.prg_dir, instruments.wav_dir):
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                digest.update(name.encode() + b"\0" + bytes.fromhex(sha256(path)))
    return {"prg_dir": instruments.prg_dir, "wav_dir": instruments.wav_dir,
            "sha256": digest.hexdigest()}


def render_song(midi, name, out, instruments, options, stems, threads, extension):
    """Renders one song (and its stems) into OUT/NAME.EXT (NAME.TRACK-CHANNEL.EXT), each mixed
    by `threads` threads; returns its manifest entry."""
    entry = {"file": name}
    try:
        entry["info"] = tonemill.midi_info(midi)
        mix = tonemill.render(midi, instruments, threads=threads, **options)
        renders = [(None, mix)]
        if stems:
            renders += list(tonemill.render_stems(midi, instruments, threads=threads,
                                                  **options).items())
    except tonemill.Error as error:
        entry["error"] = str(error)
        return entry
    entry["duration"] = mix.shape[0] / options["rate"]
    entry["outputs"] = []
    if options.get("loudness") is not None:
        entry["loudness"] = options["loudness"]
    base = out / pathlib.Path(name).with_suffix("")
    base.parent.mkdir(parents=True, exist_ok=True)
    for pair, samples in renders:
        path = base.with_name(base.name + (f".{pair[0]}-{pair[1]}" if pair else "") + extension)
        tonemill.write(path, samples, options["rate"])
        output = {"path": str(path.relative_to(out)), "sha256": sha256(path),
                  "frames": samples.shape[0]}
        if pair:
            output["track"], output["channel"] = pair
        entry["outputs"].append(output)
    return entry


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("midi_dir", type=pathlib.Path)
    parser.add_argument("out_dir", type=pathlib.Path)
    parser.add_argument("--prg-dir", help="PRG instruments (default: the set of TM.INI)")
    parser.add_argument("--wav-dir", help="WAV samples (default: the set of TM.INI)")
    parser.add_argument("--stems", action="store_true", help="also each pair that plays notes")
    parser.add_argument("--threads", type=int, default=os.cpu_count() or 1,
                        help="songs rendered at once (default: the processors)")
    parser.add_argument("--format", default="flac",
                        choices=["flac", "wav", "ogg", "opus", "mp3", "aiff"],
                        help="the outputs' container (default flac)")
    parser.add_argument("--rate", type=int, default=44100)
    parser.add_argument("--bits", type=lambda b: b if b == "float" else int(b), default=16,
                        help="8, 16, 24 or float")
    parser.add_argument("--loudness", type=float, help="bring each mix to this LUFS")
    parser.add_argument("--channels", type=int, default=2)
    parser.add_argument("--volume", type=float, default=1.0)
    a = parser.parse_args()
    if bool(a.prg_dir) != bool(a.wav_dir):
        parser.error("give both --prg-dir and --wav-dir, or neither")
    instruments = (tonemill.Instruments(a.prg_dir, a.wav_dir) if a.prg_dir
                   else tonemill.Instruments.default())
    options = dict(rate=a.rate, bits=a.bits, channels=a.channels, volume=a.volume,
                   loudness=a.loudness)
    songs = sorted(p for p in a.midi_dir.rglob("*") if p.suffix.lower() in (".mid", ".midi"))
    a.out_dir.mkdir(parents=True, exist_ok=True)
    # The processors shared between the songs at once and the threads mixing each.
    songs_at_once = max(1, a.threads)
    per_song = max(1, (os.cpu_count() or 1) // songs_at_once)
    with concurrent.futures.ThreadPoolExecutor(songs_at_once) as pool:
        entries = list(pool.map(
            lambda p: render_song(p, str(p.relative_to(a.midi_dir)), a.out_dir, instruments,
                                  options, a.stems, per_song, "." + a.format), songs))
    manifest = {"engine": {"name": "tonemill", "version": tonemill.__version__},
                "instruments": instrument_set(instruments), "format": options, "songs": entries}
    (a.out_dir / "manifest.json").write_text(json.dumps(manifest, indent=1) + "\n")
    failed = [e for e in entries if "error" in e]
    for e in failed:
        print(e["error"], file=sys.stderr)
    print(f"{len(entries) - len(failed)} of {len(entries)} songs into {a.out_dir}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
