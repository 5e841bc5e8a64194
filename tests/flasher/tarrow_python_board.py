#!/usr/bin/env python3
"""tarrow against a panel board written here in Python, from the bootloader protocol's
frame tables alone, so the two sides share no code and no reading of the protocol.

Usage: tarrow_python_board.py TARROW_SIM RUV_CANHUB [unittest options]

The hub runs as its own process; the board is a member of the bus in this process; tarrow
is run as a user runs it and judged by its output, its exit status and the board's log.
"""
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib

TARROW_SIM = None
CANHUB = None

# struct can_frame: 32-bit identifier, length, three pad bytes, eight data bytes.
FRAME = struct.Struct("=IB3x8s")
MARKER = 0x7FF
NOISE = 0x123


def connect(path):
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    sock.connect(path)
    return sock


class Board(threading.Thread):
    """A panel board: firmware until told to start its bootloader, then the bootloader."""

    def __init__(self, path, board, fw=(1, 3), bl=(2, 7)):
        super().__init__(daemon=True)
        self.sock = connect(path)
        self.board, self.fw, self.bl = board, fw, bl
        self.silent = set()        # request codes left unanswered; the bus is flooded instead
        self.answer_as = None      # board named in the bootloader version reply
        self.refuse_crc = False
        self.log = []              # (identifier, data) of every frame taken off the bus
        self.in_bootloader = False
        self.image = bytearray()
        self.words = 0
        self.next_word = 0
        self.launches = 0
        self.crc_ok = None
        self.marker = threading.Event()
        self.stopping = False
        self.flooding = False

    def send(self, can_id, data):
        self.sock.send(FRAME.pack(can_id, len(data), bytes(data)))

    def run(self):
        while not self.stopping:
            ready, _, _ = select.select([self.sock], [], [], 0 if self.flooding else 0.02)
            if not ready:
                if self.flooding:
                    self.send(NOISE, b"\x55")
                continue
            raw = self.sock.recv(64)
            if not raw:
                return
            if len(raw) != FRAME.size:
                continue
            can_id, dlc, payload = FRAME.unpack(raw)
            self.handle(can_id, payload[:min(dlc, 8)])

    def handle(self, can_id, data):
        self.flooding = False
        if can_id == MARKER:
            self.marker.set()
            return
        self.log.append((can_id, bytes(data)))
        flash_id, reply_id = 0x710 + self.board, 0x720 + self.board
        if can_id not in (0x028, 0x700, flash_id) or not data:
            return
        if data[0] in self.silent:
            self.flooding = True
            return
        if can_id == 0x028:
            if data[:2] == bytes([0xA3, self.board]) and not self.in_bootloader:
                self.send(0x3F0, [self.board, *self.fw])
        elif can_id == 0x700 and len(data) >= 2 and data[1] == self.board:
            if data[0] == 0xC0:
                self.in_bootloader = True
                self.send(0x701, [0xA0, self.board])
            elif data[0] == 0xC1 and self.in_bootloader:
                self.send(0x701, [0xA1, self.answer_as or self.board, *self.bl])
        elif self.in_bootloader and data[0] == 0xC2 and len(data) == 8:
            self.words = int.from_bytes(data[5:8], "big")
            self.image = bytearray(4 * self.words)
            self.next_word = 0
            self.send(reply_id, [0xA2])
        elif self.in_bootloader and data[0] == 0xC3 and len(data) == 8:
            offset = int.from_bytes(data[1:4], "big")
            if offset != self.next_word or offset >= self.words:
                self.send(reply_id, [0xF0])
                return
            self.image[4 * offset:4 * offset + 4] = int.from_bytes(data[4:8], "big").to_bytes(4, "little")
            self.next_word += 1
            self.send(reply_id, [0xF1])
        elif self.in_bootloader and data[0] == 0xC4 and len(data) == 5:
            crc = int.from_bytes(data[1:5], "big")
            self.crc_ok = (not self.refuse_crc and self.next_word == self.words
                           and crc == zlib.crc32(bytes(self.image)))
            self.send(reply_id, [0xF1 if self.crc_ok else 0xF0])
        elif data[:2] == bytes([0xC5, self.board]):
            self.launches += 1
            self.in_bootloader = False

    def codes(self):
        return [data[0] for _, data in self.log]

    def stop(self):
        self.stopping = True
        self.join(5)
        self.sock.close()


def firmware(board, major, minor, words, magic=0xAA551234):
    descriptor = struct.pack("<5I", magic, 20 + 4 * words, 0x08000100, 0x08000201,
                             board << 24 | major << 8 | minor)
    return descriptor + bytes((7 * i + 1) & 0xFF for i in range(4 * words))


class TarrowAgainstPythonBoard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.hub = subprocess.Popen([*CANHUB, "can0", cls.dir.name, "120"], stdout=subprocess.PIPE, text=True)
        cls.path = os.path.join(cls.dir.name, "can0")
        assert cls.hub.stdout.readline() == "ruv-canhub: %s ready\n" % cls.path

    @classmethod
    def tearDownClass(cls):
        cls.hub.terminate()
        cls.hub.wait(10)
        cls.dir.cleanup()

    def setUp(self):
        self.board = Board(self.path, 2)
        self.board.start()

    def tearDown(self):
        self.board.stop()

    def tarrow(self, *args):
        done = subprocess.run([*TARROW_SIM, "-can-dir", self.dir.name, *args], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=60)
        # tarrow has left; a member that joins now is served after tarrow's last frame.
        marker = connect(self.path)
        for _ in range(100):
            marker.send(FRAME.pack(MARKER, 0, b""))
            if self.board.marker.wait(0.05):
                break
        marker.close()
        self.assertTrue(self.board.marker.is_set())
        return done.returncode, done.stdout.decode()

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_flash_sends_the_file_and_a_zero_word_and_launches(self):
        image = firmware(2, 3, 1, 40)
        status, out = self.tarrow("-flash", self.write("fw.bin", image))
        self.assertEqual(status, 0, out)
        self.assertTrue(out.startswith("tarrow version 1.3\n\nassume board ID:2\nBootload listen ID 2\n"
                                       "BOARD 2,Bootloader: Version: 2.7\nSTART: size: 184 (bytes) segments: 46\n"),
                        out)
        self.assertTrue(out.endswith("segment 46\rFirmware successfull flashed ... Firmware Launched\n"), out)
        self.assertEqual(self.board.codes(), [0xC0, 0xC1, 0xC2] + [0xC3] * 46 + [0xC4, 0xC5])
        sent = bytearray(image + bytes(4))
        sent[4:8] = (184).to_bytes(4, "little")
        self.assertEqual(bytes(self.board.image), bytes(sent))
        self.assertTrue(self.board.crc_ok)
        self.assertEqual(self.board.launches, 1)
        start = self.board.log[2][1]
        self.assertEqual((len(start), int.from_bytes(start[5:8], "big")), (8, 46))

    def test_queries(self):
        status, out = self.tarrow("-query_fw", "2")
        self.assertEqual((status, out), (0, "tarrow version 1.3\n\nBOARD 2,Firmware: Version: 1.3\n"))
        self.assertEqual(self.board.log, [(0x028, bytes([0xA3, 2]))])
        self.board.log.clear()
        self.board.marker.clear()
        status, out = self.tarrow("-query_bl", "2")
        self.assertEqual((status, out), (0, "tarrow version 1.3\n\nBootload listen ID 2\n"
                                            "BOARD 2,Bootloader: Version: 2.7\n"))
        self.assertEqual(self.board.log, [(0x700, bytes([0xC0, 2])), (0x700, bytes([0xC1, 2])),
                                          (0x712, bytes([0xC5, 2]))])

    def test_failures_end_with_their_status_and_no_launch(self):
        cases = [
            ("another board answers", lambda b: setattr(b, "answer_as", 3), 250,
             "ERROR: Board ID:3 doesn't match given ID 2\n", [0xC0, 0xC1]),
            ("CRC refused", lambda b: setattr(b, "refuse_crc", True), 249, "ERROR: Flash Nak\n",
             [0xC0, 0xC1, 0xC2] + [0xC3] * 7 + [0xC4]),
            ("start not accepted", lambda b: b.silent.add(0xC2), 249, "ERROR: Start Flash timeout\n",
             [0xC0, 0xC1, 0xC2]),
        ]
        path = self.write("fw.bin", firmware(2, 1, 0, 1))
        for name, fault, expected, line, codes in cases:
            with self.subTest(name):
                self.board.stop()
                self.board = Board(self.path, 2)
                fault(self.board)
                self.board.start()
                status, out = self.tarrow("-flash", path, "2")
                self.assertEqual(status, expected, out)
                self.assertTrue(out.endswith(line), out)
                self.assertEqual(self.board.codes(), codes)
                self.assertEqual(self.board.launches, 0)

    def test_a_file_without_the_magic_is_refused_before_anything_is_sent(self):
        status, out = self.tarrow("-flash", self.write("debug.bin", firmware(2, 1, 0, 2, magic=0x0000BEEF)))
        self.assertEqual(status, 255)
        self.assertEqual(out, "tarrow version 1.3\n\nERROR: file magic number wrong (maybe a debug version) 0000BEEF\n")
        self.assertEqual(self.board.log, [])


if __name__ == "__main__":
    # The board's configuration runs its programs through the emulator it names.
    emulator = os.environ.get("SYNTH_EMULATOR", "").split()
    TARROW_SIM, CANHUB = emulator + [sys.argv[1]], emulator + [sys.argv[2]]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
