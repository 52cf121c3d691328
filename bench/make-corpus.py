#!/usr/bin/env python3
"""Writes the file trees of the two extraction corpora (then make-corpus.sh
packs them with gcab):
  small/partN: about 20,000 files of 1 to 16 KB in nested folders, 5 parts
  large/partN: about 400 MB in large files, 4 parts
  japanese/partN: 5,000 files of 1 to 8 KB with Japanese names, 2 parts"""
import os
import random
import sys

def write(path, size, rng):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Half random, half text: compressible like real data.
    half = size // 2
    with open(path, "wb") as f:
        f.write(rng.randbytes(half))
        f.write((b"kelpex corpus line\r\n" * (size // 20 + 1))[: size - half])

def main(root):
    rng = random.Random(2026)
    for part in range(1, 6):
        for i in range(4000):
            folder = f"set{i % 7}/group{i % 23}/leaf{i % 5}"
            write(f"{root}/small/part{part}/{folder}/file{part}_{i}.dat", rng.randint(1024, 16384), rng)
    for part in range(1, 5):
        for i in range(4):
            write(f"{root}/large/part{part}/media/big{part}_{i}.bin", 25 * 1024 * 1024, rng)
    # Every name Japanese: under a Western code page each file takes the
    # route for names the code page cannot hold.
    for part in range(1, 3):
        for i in range(2500):
            folder = f"表示{i % 10}/ソース能{i % 10}"
            write(f"{root}/japanese/part{part}/{folder}/ファイル{part}_{i}.txt", rng.randint(1024, 8192), rng)

if __name__ == "__main__":
    main(sys.argv[1])
