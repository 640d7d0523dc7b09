"""Tonemill's songs from Python.

MIDI files are rendered by the song job `tonemill render` runs: the same song list, the same
sample check and the same renderer, so an array holds exactly the samples the command line
writes into its WAV file for the same options. Renders release the interpreter's lock: threads
render songs side by side, sharing one Instruments object. A KeyboardInterrupt during a render
(on the main thread) cancels it as Ctrl-C cancels the command; the interrupt is raised and no
array is returned. Each render works in a scratch directory of its own (under TMPDIR when it
is set, else in memory under /dev/shm when that has room for the largest song, else under
/tmp) and removes it; nothing else is written unless `write` is called.
"""
import os
from typing import BinaryIO, Literal, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

_Path = Union[str, "os.PathLike[str]"]
# A file given by its path, its contents, or a file object opened in binary mode.
_Source = Union[_Path, bytes, bytearray, memoryview, BinaryIO]
# int16 for 16 bits; uint8 for 8 bits, as the WAV file holds them (128 is silence); int32 for
# 24 bits (each sample's 24-bit value); float32 for float samples.
_Samples = Union[npt.NDArray[np.int16], npt.NDArray[np.uint8], npt.NDArray[np.int32],
                 npt.NDArray[np.float32]]
# 8, 16, 24, or 32 or "float" for float samples.
_Bits = Union[int, Literal["float"]]

class Error(Exception):
    """A failure of a render or another operation.

    str() is what the command line prints: the messages shown on the way, one a line, then
    "FILE:LINE: message". A song given as bytes is named "<bytes>", a file object by its name.
    """

    message: str
    """The system's message ("Source file is not Standard MIDI!", "PRG file X not found.")."""
    file: Optional[str]
    """The file the message concerns (the song, the list, a PRG file, a sample), if any."""
    line: Optional[int]
    """The line of `file` concerned (a song list's faulty line), if any."""
    messages: list[str]
    """Messages shown before the failure, such as each missing sample
    ("Fatal error: can't find either WAV or DFT for sample NAME!")."""

class Instruments:
    """An instrument set: the directory of the PRG instruments, of their WAV samples and,
    optionally, of the DFT files missing samples are made from. Immutable and safe to share
    between threads."""

    def __init__(self, prg_dir: _Path, wav_dir: _Path, dft_dir: Optional[_Path] = None) -> None:
        """Raises Error when `prg_dir` or `wav_dir` is not a directory. Without `dft_dir` no
        sample is made: a sample without its WAV file is missing."""
    @staticmethod
    def default() -> "Instruments":
        """The PRG, WAV and DFT directories of the settings file TM.INI that the command line
        reads (TONEMILL_HOME, the program's directory, or the per-user configuration). As the
        command line does, a missing settings file is created with its directories."""
    @staticmethod
    def from_sf2(path: _Path, prg_dir: _Path, wav_dir: _Path, rate: int = 44100,
                 force: bool = False) -> "Instruments":
        """Imports a SoundFont 2 bank as `tonemill import-sf2` does (presets become PRG files,
        samples 16-bit WAV files at `rate`, 44100 or 22050, where their own rate is not 11025,
        22050 or 44100 Hz) and returns the set. Existing PRG files are kept unless `force`."""
    @property
    def prg_dir(self) -> str: ...
    @property
    def wav_dir(self) -> str: ...
    @property
    def dft_dir(self) -> Optional[str]: ...

def render(midi: _Source, instruments: Instruments, *, rate: int = 44100, bits: _Bits = 16,
           channels: int = 2, volume: float = 1.0, drums: Sequence[str] = ("ALL:10",),
           threads: Optional[int] = None, loudness: Optional[float] = None,
           true_peak: float = -1.0) -> _Samples:
    """Renders a MIDI file into an array of shape (frames, channels).

    `rate` is 8000 to 192000, `bits` 8, 16, 24 or float, `channels` 1 or 2, `volume` the
    factor from 0 to 99, `drums` the TRACK:CHANNEL pairs played as drums (numbers or ALL), as
    for `tonemill render`; a bad value raises ValueError. With `loudness` (LUFS, -70 to 0) the
    song is brought to that integrated loudness (EBU R128) with one gain that keeps its true
    peak at or below `true_peak` (dBTP), as `render --loudness --true-peak` does; where the
    ceiling forbids the target, the largest gain that keeps it. `threads` is the number of threads that
    mix the song (the samples are the same for any number); by default the library's choice,
    RESONA_THREADS or the processors. A pool of threads rendering songs side by side passes
    threads=1 (or its share of the processors). Raises Error for a song that cannot be
    rendered.
    """

def render_stems(midi: _Source, instruments: Instruments, *, rate: int = 44100, bits: _Bits = 16,
                 channels: int = 2, volume: float = 1.0, drums: Sequence[str] = ("ALL:10",),
                 threads: Optional[int] = None, loudness: Optional[float] = None,
                 true_peak: float = -1.0) -> dict[tuple[int, int], _Samples]:
    """Each (track, channel) pair that plays notes, rendered alone as `render --stems` renders
    it, in track and then channel order. A stem ends with its last note's sound, so it may be
    shorter than the mix; padded with silence and added sample by sample (less the silence,
    128, that each 8-bit stem but one brings), the stems give the mix wherever no addition
    clamped. With `loudness` the mix is rendered first for its gain, which every stem takes, so
    that they still add up to the mix at that loudness (to a rounding per stem)."""

def render_list(lst: _Source, instruments: Instruments, *, rate: int = 44100, bits: _Bits = 16,
                channels: int = 2, volume: float = 1.0, threads: Optional[int] = None,
                loudness: Optional[float] = None, true_peak: float = -1.0) -> _Samples:
    """Renders an LST song list as `tonemill lst2wav` does; a faulty line raises Error with the
    list and the line."""

def midi_info(midi: _Source) -> dict:
    """What each track and channel of a MIDI file uses (notes, programs and their names,
    controllers, pitch bend, ...) and how many notes it plays ("noteCount", the note ons of
    velocity above 0), the JSON of `tonemill midscan --json` as a dict."""

def write(path: _Path, samples: _Samples, rate: int) -> None:
    """Writes samples as render returns them (int16, uint8, int32 for 24 bits or float32;
    shape (frames, channels) or (frames,) for mono) through the program's writers, in the
    container the name's extension chooses: .wav (the canonical file the command line
    writes), .flac, .ogg, .opus, .mp3, .aif or .aiff, encoded as `render -o` encodes. The file
    appears whole or not at all. Raises ValueError for another extension, Error when it cannot
    be written (a width or rate the container cannot hold says which would do)."""
