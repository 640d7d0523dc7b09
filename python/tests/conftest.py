"""Fixtures of the module's tests: the build, the command line, the demo song and one
instrument set for the whole session (the build's default set, or the General MIDI bank
imported into a temporary folder)."""
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("TONEMILL_BUILD_DIR", ROOT / "build"))
PROGRAM = BUILD / "bin" / "tonemill"
DEMO = ROOT / "examples" / "demo.mid"
BANK = pathlib.Path("/usr/share/sounds/sf2/TimGM6mb.sf2")


@pytest.fixture(scope="session")
def home(tmp_path_factory):
    """A settings home of the tests' own, so that neither the module nor the command line
    touches the user's TM.INI."""
    path = tmp_path_factory.mktemp("home")
    os.environ["TONEMILL_HOME"] = str(path)
    return path


@pytest.fixture(scope="session")
def instruments(home, tmp_path_factory):
    import tonemill

    prg, wav = BUILD / "bin" / "PRG", BUILD / "bin" / "WAV"
    if (prg / "0.PRG").exists() and wav.is_dir():
        return tonemill.Instruments(prg, wav)
    folder = tmp_path_factory.mktemp("instruments")
    return tonemill.Instruments.from_sf2(BANK, folder / "PRG", folder / "WAV")


@pytest.fixture(scope="session")
def cli(home):
    """Runs the command line; returns (exit status, stderr)."""

    def run(*args):
        done = subprocess.run([str(PROGRAM), *map(str, args)], capture_output=True, text=True,
                              env={**os.environ, "TONEMILL_HOME": str(home)})
        return done.returncode, done.stderr

    return run


def wav_data(path):
    """The samples of a canonical WAV file the program wrote."""
    data = pathlib.Path(path).read_bytes()
    assert data[36:40] == b"data"
    return data[44:]
