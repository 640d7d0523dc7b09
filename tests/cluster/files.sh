# shellcheck shell=bash disable=SC2059  # the songs' bytes are written as printf escapes
# Files for the cluster test, in plain shell so that the test needs nothing but the program:
# short MIDI songs, and a strict look at a WAV file's header.

# hex BYTE -> two hex digits
hex() { printf '%02x' "$1"; }

# write_song FILE CHANNEL PROGRAM STEPS CHORD STEP_MS KEY...
# A format-0 Standard MIDI file, 96 ticks per quarter: a tempo and a program change, then STEPS
# notes of STEP_MS milliseconds each on CHANNEL (1-16), every one a chord of the next CHORD keys
# taken in turn from the KEYs. The steps repeat a cycle through the keys, so that a song of
# hours is written as quickly as one of seconds.
write_song() {
  local file=$1 channel=$2 program=$3 steps=$4 chord=$5 tempo=$(($6 * 2000)) on off ons offs
  local bar="" length i j key
  shift 6
  local keys=("$@") next=0 cycle=$#
  on=$(hex $((0x90 + channel - 1)))
  off=$(hex $((0x80 + channel - 1)))
  # One cycle through the keys, repeated as often as it fits; the rest of the steps after it.
  while ((cycle % chord)); do cycle=$((cycle + $#)); done
  local per_cycle=$((cycle / chord))
  for ((i = 0; i < per_cycle; i++)); do
    ons="" offs=""
    for ((j = 0; j < chord; j++)); do
      key=$(hex "${keys[next % $#]}")
      next=$((next + 1))
      ons+="\\x00\\x$on\\x$key\\x64"
      offs+="\\x$( ((j)) && echo 00 || echo 30)\\x$off\\x$key\\x40"
    done
    bar+="$ons$offs"
  done
  length=$((7 + 3 + 8 * steps * chord + 4))
  {
    printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk'
    printf "\\x$(hex $((length >> 24 & 255)))\\x$(hex $((length >> 16 & 255)))"
    printf "\\x$(hex $((length >> 8 & 255)))\\x$(hex $((length & 255)))"
    # An eighth note (48 ticks) lasts STEP_MS.
    printf "\\x00\\xff\\x51\\x03\\x$(hex $((tempo >> 16 & 255)))\\x$(hex $((tempo >> 8 & 255)))\\x$(hex $((tempo & 255)))"
    printf "\\x00\\x$(hex $((0xc0 + channel - 1)))\\x$(hex "$program")"
    # The format is used once per argument; %.0s prints nothing of it.
    (( steps / per_cycle )) && printf "$bar%.0s" $(seq $((steps / per_cycle)))
    printf "${bar:0:$(((steps % per_cycle) * chord * 32))}"
    printf '\x00\xff\x2f\x00'
  } > "$file"
}

# Little-endian fields at a byte offset.
u16() { od -An -tu2 --endian=little -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 --endian=little -j "$2" -N4 "$1" | tr -d ' '; }
tag() { dd if="$1" bs=1 skip="$2" count=4 2> /dev/null; }

# probe_wav FILE: prints "RATE BITS CHANNELS FRAMES" for a complete PCM WAV file, or the reason
# it is not one (on stderr, returning 1). Complete means that the RIFF size is the file's size,
# every chunk lies inside the file, and the data chunk is a whole number of frames: a file
# whose header was written before its data, or whose data was cut short, fails.
probe_wav() {
  local f=$1 size offset id length chunks=0 format="" rate bits channels align frames=""
  size=$(stat -c %s "$f")
  if ((size < 44)) || [ "$(tag "$f" 0)" != RIFF ] || [ "$(tag "$f" 8)" != WAVE ]; then
    echo "$f: not a RIFF WAVE file ($size bytes)" >&2
    return 1
  fi
  if (($(u32 "$f" 4) != size - 8)); then
    echo "$f: RIFF size $(u32 "$f" 4), but the file holds $((size - 8)) bytes after it" >&2
    return 1
  fi
  for ((offset = 12; offset + 8 <= size && chunks < 64; chunks++)); do
    id=$(tag "$f" "$offset")
    length=$(u32 "$f" $((offset + 4)))
    if ((offset + 8 + length > size)); then
      echo "$f: chunk '$id' at $offset claims $length bytes, past the end of the file" >&2
      return 1
    fi
    case $id in
      "fmt ")
        format=$(u16 "$f" $((offset + 8)))
        channels=$(u16 "$f" $((offset + 10)))
        rate=$(u32 "$f" $((offset + 12)))
        align=$(u16 "$f" $((offset + 20)))
        bits=$(u16 "$f" $((offset + 22)))
        if ((format != 1 || align != channels * bits / 8 ||
          $(u32 "$f" $((offset + 16))) != rate * align)); then
          echo "$f: inconsistent PCM format chunk" >&2
          return 1
        fi
        ;;
      data)
        if [ -z "$format" ] || ((length % align)); then
          echo "$f: data chunk before the format, or not whole frames ($length bytes)" >&2
          return 1
        fi
        frames=$((length / align))
        ;;
    esac
    offset=$((offset + 8 + length + length % 2))
  done
  if [ -z "$frames" ]; then
    echo "$f: no data chunk" >&2
    return 1
  fi
  echo "$rate $bits $channels $frames"
}
