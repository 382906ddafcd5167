#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_cutfile: one small cut file of each form."""
import os
import struct

d = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "cutfile")
os.makedirs(d, exist_ok=True)
B65 = b"KESTREL BRELAN INFO & TECHNOLOGY LIMITED        2007/05 VOPAV6.5"
B63 = b"KESTREL BRELAN-SOFT INFO TECHNOLOGY CO.,LTD. 2003/03/18 VOPAV6.3"
B50 = b"KESTREL Torvent Science & Technology Developing Co.,LTD.2000V5.0"
B20 = b"HARLOW TORVENT AUTOMATIC MACHINERY CO.,LTD.  2003/10/10 QZCCV2.0"


def pts(*p):
    return b"".join(struct.pack("<ff", *q) for q in p)


def write(name, data):
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


v65 = (B65 + struct.pack("<IiiII", 0x138, 1, 3, 1, 1) + pts((0, 0), (100, 0), (100, 50))
       + struct.pack("<IiiII", 0x113, 1, 1, 1, 0) + pts((20, 20)) + bytes(112) + struct.pack("<I", 0))
write("v65.bin", v65)
write("v63.bin", B63 + struct.pack("<IhHII", 0x126, -2, 2, 1, 0) + pts((1, 2), (3, 4)))
write("v20.bin", B20 + struct.pack("<iIIiI", 2, 1, 0x138, 5, 0) + pts((7, 8), (9, 10)))
rec = bytes([3, 0, 0x45, 0]) + struct.pack("<hh", 4, 0x12) + bytes(2) + struct.pack("<II", 1, 0)
body = rec + struct.pack("<H", 4) + pts((1, 2), (0, 0), (3, 4), (5, 6))
write("v50.bin", B50 + body)
write("v50-bare.bin", body)
# The target puts banner k in front of the rest when the first byte is 0x80 | k.
write("prefixed-65.bin", bytes([0x80]) + v65[64:])
