#!/usr/bin/env python3
"""Makes the seed corpus of session_reader_fuzz from images that genisoimage
writes: one session with Joliet, one with Joliet and Rock Ridge, one with the
ISO 9660 tree only, and a disc of two sessions. Each image is stored in the
fuzz input format (see session_reader_fuzz.cpp), keeping only the sectors
that are not all zero, each cut after its last non-zero byte.

Usage: fuzz/make_corpus.py [OUTPUT-FOLDER]   (default: fuzz/corpus/session_reader)
"""

import os
import struct
import subprocess
import sys
import tempfile

SECTOR = 2048


def run(*args):
    subprocess.run(args, check=True, stderr=subprocess.DEVNULL)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_tree(root, variant):
    write(os.path.join(root, "readme.txt"), b"read me\n")
    write(os.path.join(root, "Docs", "A long name with \u00dcn\u00efcode.txt"), b"docs\n")
    write(os.path.join(root, "A", "b.txt"), b"b\n")
    write(os.path.join(root, "empty"), b"")
    write(os.path.join(root, "data.bin"), bytes(range(256)) * 20)
    if variant:
        write(os.path.join(root, "Docs", "Deeper", "Deepest", "leaf.txt"), b"leaf\n")
        write(os.path.join(root, "README.TXT"), b"upper\n")
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames:
            os.utime(os.path.join(dirpath, name), (1083820089, 1083820089))


def sessions_to_input(sessions, failing=0):
    """sessions: list of (start, image bytes)."""
    out = bytearray([len(sessions) | (failing << 2)])
    for start, _ in sessions:
        out += struct.pack("<I", start)[:3]
    for start, image in sessions:
        for i in range(len(image) // SECTOR):
            sector = image[i * SECTOR:(i + 1) * SECTOR].rstrip(b"\0")
            if not sector:
                continue
            out += struct.pack("<I", start + i)[:3] + struct.pack("<H", len(sector)) + sector
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "session_reader")
    os.makedirs(target, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        tree = os.path.join(tmp, "tree")
        make_tree(tree, variant=False)
        tree2 = os.path.join(tmp, "tree2")
        make_tree(tree2, variant=True)

        def image(name, *options, source=tree):
            path = os.path.join(tmp, name)
            run("genisoimage", "-quiet", *options, "-o", path, source)
            with open(path, "rb") as f:
                return f.read()

        seeds = {
            "joliet.bin": [(0, image("j.iso", "-J"))],
            "joliet_rockridge.bin": [(0, image("jr.iso", "-J", "-r", source=tree2))],
            "iso_only.bin": [(0, image("i.iso"))],
            "iso_level4.bin": [(0, image("i4.iso", "-iso-level", "4", "-J"))],
        }

        first = image("s1.iso", "-J", "-r")
        start2 = len(first) // SECTOR + 16
        disc = os.path.join(tmp, "disc.img")
        write(disc, first)
        second = image("s2.iso", "-J", "-r", "-C", "0,%d" % start2, "-M", disc, source=tree2)
        seeds["two_sessions.bin"] = [(0, first), (start2, second)]
        # The same disc with the second session's track information failing.
        seeds["two_sessions_track_fails.bin"] = ([(0, first), (start2, second)], 2)

        for name, value in seeds.items():
            sessions, failing = value if isinstance(value, tuple) else (value, 0)
            write(os.path.join(target, name), sessions_to_input(sessions, failing))
            print(name, os.path.getsize(os.path.join(target, name)), "bytes")


if __name__ == "__main__":
    main()
