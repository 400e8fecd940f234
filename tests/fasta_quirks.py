#!/usr/bin/env python3
"""Writes a random FASTA file that carries the input quirks the reader must
handle alike in every run: empty headers, headers with blanks, tabs and NUL
bytes, CR and CR LF line ends, comment and blank lines, records without
sequence, lower case and gaps, a '>' as the very last byte, and (now and
then) an invalid character at the end.

    fasta_quirks.py SEED OUT_FILE
"""
import random
import sys


def header(rng, i):
    kind = rng.randrange(8)
    if kind == 0:
        return b""
    if kind == 1:
        return b" leading blank %d" % i
    if kind == 2:
        return b"tab%d\tpart two\tthree" % i
    if kind == 3:
        return b"nul%d\x00after" % i
    if kind == 4:
        return b"r%d" % i
    return b"rec%d some description" % i


def sequence(rng):
    length = rng.choice([0, 0, 1, 3, 12, 40, 90, 300])
    units = [b"AC", b"AGT", b"CATTAGG", b"T", b"GATA"]
    out = bytearray()
    while len(out) < length:
        if rng.random() < 0.5:
            unit = rng.choice(units)
            out += unit * rng.randrange(2, 9)
        else:
            out += bytes(rng.choice(b"ACGTacgtNn-") for _ in range(rng.randrange(1, 12)))
    return bytes(out[:length])


def main():
    seed, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(seed)
    eol = rng.choice([b"\n", b"\r\n", b"\r"])
    out = bytearray()
    if rng.random() < 0.3:
        out += b"# a comment line" + eol + eol
    for i in range(rng.randrange(1, 9)):
        out += b">" + header(rng, i) + eol
        seq = sequence(rng)
        width = rng.choice([7, 60, 1000])
        for p in range(0, len(seq), width):
            out += seq[p:p + width] + eol
        if rng.random() < 0.2:
            out += eol
    ending = rng.randrange(6)
    if ending == 0:
        out += b">"  # a last record with an empty header, no line end
    elif ending == 1:
        out += b"ACGT1"  # an invalid character as the last byte
    elif ending == 2:
        out = out.rstrip(b"\r\n")  # no line end after the last line
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
