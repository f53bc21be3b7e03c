"""Reads the DXF drawings korvan-cli wrote and checks them against the stored project.

usage: check_dxf.py PROJECT.json PLAN.dxf FRONT.dxf SUFFIX
Prints one line per problem and exits 1 when there is any.
"""
import json
import sys
from collections import Counter

import ezdxf

LAYERS = {"GRID", "CONDUCTOR", "ZONE_A", "ZONE_B", "OBJECTS", "LABELS", "DIMENSIONS"}
problems = []


def check(ok, what):
    if not ok:
        problems.append(what)


def near(a, b, tol=1e-6):
    return abs(a - b) <= tol


project = json.load(open(sys.argv[1], encoding="utf-8"))
suffix = sys.argv[4]
conductors = project["conductors"]
c1 = conductors[0]
objects = project["objects"]
kind = project["project"]["TipMO"]

for path in sys.argv[2:4]:
    doc = ezdxf.readfile(path)
    check(doc.dxfversion == "AC1015", f"{path}: version {doc.dxfversion}")
    auditor = doc.audit()
    check(not auditor.errors, f"{path}: audit errors {[e.message for e in auditor.errors]}")
    check(LAYERS <= {l.dxf.name for l in doc.layers}, f"{path}: layers")
    msp = doc.modelspace()
    counts = Counter((e.dxftype(), e.dxf.layer) for e in msp)
    check(counts[("LINE", "GRID")] > 4, f"{path}: grid lines {counts}")
    texts = [e.dxf.text for e in msp.query("TEXT")]
    for o in objects:
        if o.get("SLabel"):
            check(o["SLabel"] in texts, f"{path}: label {o['SLabel']} missing")
    check(counts[("LWPOLYLINE", "OBJECTS")] == len(objects), f"{path}: objects {counts}")

plan = ezdxf.readfile(sys.argv[2]).modelspace()
# The conductor markers are squares centred on the supports' plan positions (Y negated).
markers = [e for e in plan.query("LWPOLYLINE") if e.dxf.layer == "CONDUCTOR"]
centres = []
for m in markers:
    pts = list(m.get_points("xy"))
    centres.append((sum(p[0] for p in pts) / len(pts), sum(p[1] for p in pts) / len(pts)))
check(len(markers) == len(conductors), f"plan: {len(markers)} conductor markers")
check(near(centres[0][0], c1["MX"]) and near(centres[0][1], -c1["MY"]),
      f"plan: conductor at {centres[0]}, stored ({c1['MX']}, {c1['MY']})")
if len(conductors) > 1:
    # The second support lies within a pixel of the picture's scale.
    px = project["project"]["IScale"] / 3800.0
    c2 = conductors[1]
    check(abs(centres[1][0] - c2["MX"]) <= px and abs(centres[1][1] + c2["MY"]) <= px,
          f"plan: support 2 at {centres[1]}, stored ({c2['MX']}, {c2['MY']})")


def field(rec, name):
    return rec.get(name + suffix)


if kind == "одиночный стержневой молниеотвод":
    circles = {"ZONE_A": [], "ZONE_B": []}
    for e in plan.query("CIRCLE"):
        check(near(e.dxf.center.x, c1["MX"]) and near(e.dxf.center.y, -c1["MY"]),
              f"plan: circle centre {e.dxf.center}")
        circles.setdefault(e.dxf.layer, []).append(e.dxf.radius)
    want = {"ZONE_A": [], "ZONE_B": []}
    if project["project"].get("ZonaACnt") and field(c1, "Ro_a") is not None:
        want["ZONE_A"].append(field(c1, "Ro_a"))
    if project["project"].get("ZonaBCnt") and field(c1, "Ro_b") is not None:
        want["ZONE_B"].append(field(c1, "Ro_b"))
    for o in objects:
        if o.get("Zona") and field(o, "Rx") is not None:
            want["ZONE_A" if o["Zona"] == "А" else "ZONE_B"].append(field(o, "Rx"))
    for layer in ("ZONE_A", "ZONE_B"):
        got, exp = sorted(circles[layer]), sorted(want[layer])
        check(len(got) == len(exp) and all(near(a, b) for a, b in zip(got, exp)),
              f"plan: {layer} radii {got}, stored {exp}")
else:
    # Stadium and waisted outlines: arcs around the supports with the stored radii.
    radii = {round(e.dxf.radius, 6) for e in plan.query("ARC")} | \
            {round(e.dxf.radius, 6) for e in plan.query("CIRCLE")}
    for name in ("Ro_a", "Ro_b"):
        r = field(c1, name)
        if r is not None:
            check(round(r, 6) in radii, f"plan: no zone outline of {name} = {r}: {sorted(radii)}")

# The zone solids in space: 3D faces from the ground up to the stored zone height, and for a
# single rod a cone whose ground ring has the stored radius around the rod.
for layer, ho, ro in (("ZONE_A_3D", "Ho_a", "Ro_a"), ("ZONE_B_3D", "Ho_b", "Ro_b")):
    pts = [p for e in plan.query("3DFACE") if e.dxf.layer == layer
           for p in (e.dxf.vtx0, e.dxf.vtx1, e.dxf.vtx2)]
    if field(c1, ho) is None or field(c1, ro) is None:
        check(not pts, f"plan: {layer} without stored values")
        continue
    check(pts, f"plan: no {layer} faces")
    if not pts:
        continue
    check(near(max(p.z for p in pts), field(c1, ho)) and near(min(p.z for p in pts), 0),
          f"plan: {layer} heights {min(p.z for p in pts)}..{max(p.z for p in pts)}")
    if kind == "одиночный стержневой молниеотвод":
        ring = max(((p.x - c1["MX"]) ** 2 + (p.y + c1["MY"]) ** 2) ** 0.5 for p in pts)
        check(near(ring, field(c1, ro)), f"plan: {layer} ground radius {ring}")
front = ezdxf.readfile(sys.argv[3]).modelspace()
check(not list(front.query("3DFACE")), "front: 3D faces")
# Elevation: the conductor silhouette stands on the ground line, as tall as the conductor.
tall = [e for e in front.query("LWPOLYLINE") if e.dxf.layer == "CONDUCTOR"]
check(tall, "front: no conductor silhouette")
if tall:
    ys = [p[1] for p in tall[0].get_points("xy")]
    h = field(c1, "Hop" if "тросовый" in kind else "H")
    px = project["project"]["IScale"] / 3800.0
    check(near(min(ys), 0) and h is not None and abs(max(ys) - h) <= px,
          f"front: silhouette from {min(ys)} to {max(ys)}, stored height {h}")

for p in problems:
    print(p)
sys.exit(1 if problems else 0)
