#!/usr/bin/env python3
"""Damages a stored model one byte at a time and counts the damaged files that still load.

Stores the shared treebank model (or the shipped example model when ../shared is absent) with
-store-params, then for a sample of byte offsets replaces that byte with a random other value
and runs `velmo -params` on no sentences. A run that exits 0 loaded the damaged file silently.

Usage: bench/parameter_flips.py [velmo-binary] [samples] [seed]
"""
import os
import random
import subprocess
import sys
import tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
velmo = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build", "velmo")
samples = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)

shared = os.path.join(root, "..", "shared", "data", "wsj", "wsj")
base = shared if os.path.exists(shared + ".gram") else os.path.join(root, "examples", "english")

with tempfile.TemporaryDirectory() as scratch:
    model = os.path.join(scratch, "model.bin")
    subprocess.run([velmo, "-quiet", "-store-params", "-in", base, model], check=True)
    original = open(model, "rb").read()
    damaged = os.path.join(scratch, "damaged.bin")
    loaded = 0
    offsets = [rng.randrange(len(original)) for _ in range(samples)]
    for offset in offsets:
        data = bytearray(original)
        data[offset] = (data[offset] + rng.randrange(1, 256)) % 256
        with open(damaged, "wb") as f:
            f.write(data)
        run = subprocess.run([velmo, "-quiet", "-params", damaged], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if run.returncode == 0:
            loaded += 1
        elif run.returncode != 1:
            print(f"offset {offset}: exit status {run.returncode}", file=sys.stderr)
    print(f"model {os.path.basename(base)}: {len(original)} bytes; {samples} single-byte "
          f"changes, {loaded} loaded silently ({100.0 * loaded / samples:.1f} %)")
