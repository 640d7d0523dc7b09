#!/usr/bin/env python3
"""Writes a test WAV file, or compares a raw recording of the sound server with a WAV file's
samples after aligning the start.

  playback_check.py write FILE RATE BITS CHANNELS SECONDS
  playback_check.py compare FILE RECORDING [FIRST LAST]
      (exit 0 when the recording holds every frame, or frames FIRST to LAST inclusive)
"""
import math
import struct
import sys
import wave


def write(path, rate, bits, channels, seconds):
    frames = int(rate * seconds)
    width = bits // 8
    data = bytearray()
    for i in range(frames):
        t = i / rate
        for c in range(channels):
            # A tone whose pitch and level change, different per channel: no two stretches
            # alike, so that a gap or a repeat cannot go unseen.
            v = 0.6 * math.sin(2 * math.pi * (220 + 180 * t + 60 * c) * t) * (0.5 + 0.5 * math.sin(3 * t + c))
            if width == 1:
                data.append(max(1, min(255, 128 + int(v * 127))))
            else:
                data += struct.pack('<h', int(v * 32767) or 1)
    with wave.open(path, 'wb') as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        w.writeframes(bytes(data))


def compare(path, recording, first=None, last=None):
    with wave.open(path, 'rb') as w:
        frame = w.getsampwidth() * w.getnchannels()
        data = w.readframes(w.getnframes())
    if first is not None:
        data = data[first * frame:(last + 1) * frame]
    with open(recording, 'rb') as f:
        rec = f.read()
    # The lead-in is silence; the played data starts at its first frame.
    head = data[:frame * 16]
    start = rec.find(head)
    if start < 0 or start % frame:
        print('compare: the start of the file is not in the recording (%d bytes recorded)' % len(rec))
        return 1
    got = rec[start:start + len(data)]
    if got == data:
        # Nothing but silence after the last frame played: the play stopped where it should.
        silence = 0x80 if w.getsampwidth() == 1 else 0
        tail = rec[start + len(data):]
        if any(b != silence for b in tail):
            print('compare: sound after the last of %d frames' % (len(data) // frame))
            return 1
        print('compare: all %d frames, %d ms lead-in, %d ms of silence after' %
              (len(data) // frame, start // frame * 1000 // w.getframerate(), len(tail) // frame * 1000 // w.getframerate()))
        return 0
    for i in range(0, min(len(got), len(data)), frame):
        if got[i:i + frame] != data[i:i + frame]:
            print('compare: differs from frame %d of %d (%.3f s in; %d bytes recorded after the start)'
                  % (i // frame, len(data) // frame, i / frame / w.getframerate(), len(rec) - start))
            return 1
    print('compare: the recording stops after %d of %d frames' % (len(got) // frame, len(data) // frame))
    return 1


if __name__ == '__main__':
    if sys.argv[1] == 'write':
        write(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), float(sys.argv[6]))
        sys.exit(0)
    bounds = [int(a) for a in sys.argv[4:6]]
    sys.exit(compare(sys.argv[2], sys.argv[3], *bounds))
