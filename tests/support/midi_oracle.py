#!/usr/bin/python3
"""Dumps Standard MIDI Files as an independent reader (mido) sees them.

midi_oracle.py dump OUT FILE...   for each FILE, OUT/<name>.dump:
    header <format> <tracks> <ticks per quarter>
    e <track> <absolute tick> <bytes in hex, status first, running status expanded>
    p <track> <note-on tick> <note-off tick> <channel> <key>   one per pair, at its note-off;
      each note-off ends the latest open note-on of its channel and key
midi_oracle.py merge OUT FILE...  writes each FILE as a format-0 file OUT/<name>.0.mid
midi_oracle.py make OUT           writes the hand-made edge files into OUT
Runs with Debian's interpreter (/usr/bin/python3), which has python3-mido.
"""
import os
import sys

import mido


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return out


def raw(msg):
    if msg.is_meta:
        return msg.bytes()
    if msg.type == 'sysex':
        body = list(msg.data) + [0xF7]
        return [0xF0] + vlq(len(body)) + body
    return msg.bytes()


def dump(out, path):
    f = mido.MidiFile(path, clip=True)
    lines = ['header %d %d %d' % (f.type, len(f.tracks), f.ticks_per_beat)]
    pairs = []
    for t, track in enumerate(f.tracks):
        tick = 0
        open_notes = {}
        for msg in track:
            tick += msg.time
            lines.append('e %d %d %s' % (t, tick, ''.join('%02X' % b for b in raw(msg))))
            if msg.type == 'note_on' and msg.velocity > 0:
                open_notes.setdefault((msg.channel, msg.note), []).append(tick)
            elif msg.type in ('note_off', 'note_on'):
                stack = open_notes.get((msg.channel, msg.note))
                if stack:
                    pairs.append('p %d %d %d %d %d' % (t, stack.pop(), tick, msg.channel, msg.note))
    name = os.path.basename(path)
    with open(os.path.join(out, name + '.dump'), 'w') as o:
        o.write('\n'.join(lines + pairs) + '\n')


def merge(out, path):
    f = mido.MidiFile(path, clip=True)
    g = mido.MidiFile(type=0, ticks_per_beat=f.ticks_per_beat)
    g.tracks.append(mido.merge_tracks(f.tracks))
    g.save(os.path.join(out, os.path.basename(path) + '.0.mid'))


def make(out):
    # One track of 4/4 at 96 ticks a quarter: a named track, two same-key notes that
    # overlap, a controller, a note-on of velocity 0 as note-off, and a note never ended.
    f = mido.MidiFile(type=0, ticks_per_beat=96)
    t = mido.MidiTrack()
    t.append(mido.MetaMessage('track_name', name='Edge', time=0))
    t.append(mido.MetaMessage('time_signature', numerator=3, denominator=4, time=0))
    t.append(mido.Message('note_on', note=60, velocity=100, time=0))
    t.append(mido.Message('note_on', note=60, velocity=90, time=48))
    t.append(mido.Message('control_change', control=7, value=99, time=0))
    t.append(mido.Message('note_off', note=60, velocity=0, time=48))
    t.append(mido.Message('note_on', note=60, velocity=0, time=96))
    t.append(mido.Message('note_on', channel=9, note=36, velocity=127, time=0))
    t.append(mido.MetaMessage('end_of_track', time=192))
    f.tracks.append(t)
    f.save(os.path.join(out, 'edge_format0.mid'))
    # Format 2, an unknown chunk between the tracks is added by the test.
    f = mido.MidiFile(type=2, ticks_per_beat=480)
    for n in range(2):
        t = mido.MidiTrack()
        t.append(mido.Message('note_on', note=40 + n, velocity=64, time=0))
        t.append(mido.Message('note_off', note=40 + n, velocity=0, time=480 * (n + 1)))
        f.tracks.append(t)
    f.save(os.path.join(out, 'edge_format2.mid'))


def main():
    mode, out, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(out, exist_ok=True)
    if mode == 'make':
        make(out)
    for path in files:
        (dump if mode == 'dump' else merge)(out, path)


if __name__ == '__main__':
    main()
