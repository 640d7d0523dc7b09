#!/usr/bin/env python3
"""Copies the music lumps of a Doom-format WAD (they are Standard MIDI files) into a folder.
   songs.py WAD OUT_DIR LUMP...   e.g. songs.py freedoom2.wad out D_ADRIAN D_BETWEE"""
import struct
import sys


def main():
    wad, out, names = sys.argv[1], sys.argv[2], set(sys.argv[3:])
    data = open(wad, 'rb').read()
    count, directory = struct.unpack('<II', data[4:12])
    for i in range(count):
        offset, size, name = struct.unpack('<II8s', data[directory + 16 * i:directory + 16 * i + 16])
        name = name.rstrip(b'\0').decode('ascii', 'replace')
        if name in names and data[offset:offset + 4] == b'MThd':
            open('%s/%s.mid' % (out, name.lower()), 'wb').write(data[offset:offset + size])
            names.discard(name)
    if names:
        sys.exit('songs.py: not found in %s: %s' % (wad, ' '.join(sorted(names))))


main()
