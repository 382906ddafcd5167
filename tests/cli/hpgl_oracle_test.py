#!/usr/bin/python3
"""rozedoz-cli import of HPGL strokes against hp2xx as an independent reader.

hp2xx -m hpgl rewrites a plot file as flat PU/PD strokes, scaled and moved onto its page; our
strokes, brought into that frame by their bounding boxes, must lie on its strokes and its on
ours. Exit 77 (skipped) without hp2xx."""
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

cli = sys.argv[1]
if not shutil.which("hp2xx"):
    print("hp2xx is not installed")
    sys.exit(77)
tmp = tempfile.mkdtemp()
plot = os.path.join(tmp, "t.plt")
open(plot, "w").write("IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;PR;PU6000,0;PD2000,1000;PA;"
                      "PU10000,2000;CI1500;PU14000,0;PD;AA14000,3000,120;PU;PU0,6000;EA3000,8000;")
out = os.path.join(tmp, "t.out")
subprocess.run(["hp2xx", "-q", "-m", "hpgl", "-f", out, plot], check=True, capture_output=True)
theirs, cur = [], None
for cmd, args in re.findall(r"(P[UD])([-0-9.,]*);", open(out).read()):
    if not args:
        continue
    x, y = (float(v) for v in args.split(","))
    if cmd == "PU":
        cur = [(x, y)]
        theirs.append(cur)
    else:
        cur.append((x, y))
theirs = [p for p in theirs if len(p) > 1]
ours = json.loads(subprocess.run([cli, "import", plot, "--json"], capture_output=True, check=True).stdout)["polylines"]


def box(pls):
    xs = [p[0] for pl in pls for p in pl]
    ys = [p[1] for pl in pls for p in pl]
    return min(xs), min(ys), max(xs), max(ys)


a, b = box(ours), box(theirs)
s = (b[2] - b[0]) / (a[2] - a[0])
ours = [[((p[0] - a[0]) * s + b[0], (p[1] - a[1]) * s + b[1]) for p in pl] for pl in ours]


def seg_dist(p, q, r):
    ax, ay = r[0] - q[0], r[1] - q[1]
    l2 = ax * ax + ay * ay
    t = 0 if l2 == 0 else max(0, min(1, ((p[0] - q[0]) * ax + (p[1] - q[1]) * ay) / l2))
    return math.hypot(p[0] - q[0] - t * ax, p[1] - q[1] - t * ay)


def dist(p, pls):
    return min(seg_dist(p, pl[i], pl[i + 1]) for pl in pls for i in range(len(pl) - 1))


# Tolerance: the two arc samplings differ by their chords, well under a per mille of the picture.
tol = 0.001 * (b[2] - b[0])
worst_ours = max(dist(p, theirs) for pl in ours for p in pl)
worst_theirs = max(dist(p, ours) for pl in theirs for p in pl)
ok = worst_ours < tol and worst_theirs < tol and abs((b[3] - b[1]) - (a[3] - a[1]) * s) < tol
print("ours→hp2xx %.3f, hp2xx→ours %.3f, tolerance %.3f" % (worst_ours, worst_theirs, tol))
sys.exit(0 if ok else 1)
