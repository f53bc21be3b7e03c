"""Writes a site plan in millimetres with ezdxf for the import-dxf test.

usage: make_site_dxf.py OUT.dxf [blocks]
Layers: "Здания" (a closed LWPOLYLINE with a height TEXT and a name MTEXT, an old-style closed
POLYLINE with "6,5 м"), "Котельная" (an outline turned by 45 degrees), "Опоры" (circles of 1 m and
10 m), "Прочее" (a rectangle and a line that are not imported).
"""
import sys

import ezdxf


def blocks(out):
    """Buildings as inserted blocks (turned, mirrored, an attribute with the height), a circle
    drawn before an outline, two objects of one name, an outline and its text seen from below, a
    frozen layer; metres."""
    doc = ezdxf.new("R2000", units=6)
    for name in ("Здания", "Опоры"):
        doc.layers.add(name)
    doc.layers.add("Снесенные").freeze()
    house = doc.blocks.new("ДОМ")
    house.add_lwpolyline([(0, 0), (12, 0), (12, 6), (0, 6)], close=True)
    house.add_attdef("H", (1, 1), text="h=99", dxfattribs={"height": 0.5})
    msp = doc.modelspace()
    msp.add_blockref("ДОМ", (0, 0), dxfattribs={"layer": "Здания"}).add_auto_attribs({"H": "h=15"})
    msp.add_blockref("ДОМ", (30, 0), dxfattribs={"layer": "Здания", "rotation": 90})
    msp.add_blockref("ДОМ", (60, 0), dxfattribs={"layer": "Здания", "xscale": -1})
    msp.add_circle((70, 3), 1, dxfattribs={"layer": "Опоры"})
    msp.add_lwpolyline([(80, 0), (90, 0), (90, 10), (80, 10)], close=True,
                       dxfattribs={"layer": "Опоры"})
    msp.add_text("Мачта", dxfattribs={"layer": "Опоры", "insert": (81, 1), "height": 1})
    # A namesake of 8 m that needs no protection.
    msp.add_circle((100, 3), 0.5, dxfattribs={"layer": "Опоры"})
    msp.add_text("Мачта", dxfattribs={"layer": "Опоры", "insert": (99.7, 3), "height": 0.1})
    msp.add_text("h=8", dxfattribs={"layer": "Опоры", "insert": (100.2, 3), "height": 0.1})
    below = {"layer": "Здания", "extrusion": (0, 0, -1)}
    msp.add_lwpolyline([(0, -30), (10, -30), (10, -20), (0, -20)], close=True, dxfattribs=below)
    # A text fitted between two points stands at their middle (its end lies outside).
    msp.add_text("h=14", dxfattribs={**below, "height": 1}).set_placement(
        (1, -25), (15, -25), align=ezdxf.enums.TextEntityAlignment.FIT)
    msp.add_lwpolyline([(-50, 0), (-40, 0), (-40, 10), (-50, 10)], close=True,
                       dxfattribs={"layer": "Снесенные"})
    doc.saveas(out)


if sys.argv[2:] == ["blocks"]:
    blocks(sys.argv[1])
    sys.exit(0)

doc = ezdxf.new("R2010", units=4)  # $INSUNITS 4: millimetres
msp = doc.modelspace()
for name in ("Здания", "Котельная", "Опоры", "Прочее"):
    doc.layers.add(name)

msp.add_lwpolyline([(0, 0), (24000, 0), (24000, 12000), (0, 12000)], close=True,
                   dxfattribs={"layer": "Здания"})
msp.add_text("h=9", dxfattribs={"layer": "Здания", "height": 500, "insert": (1000, 1000)})
msp.add_mtext("Гараж", dxfattribs={"layer": "Здания", "char_height": 500, "insert": (1000, 6000)})
msp.add_polyline2d([(30000, 0), (40000, 0), (40000, 8000), (30000, 8000)], close=True,
                   dxfattribs={"layer": "Здания"})
msp.add_text("6,5 м", dxfattribs={"layer": "Прочее", "height": 500, "insert": (31000, 1000)})
msp.add_lwpolyline([(65000, 5000), (60000, 10000), (55000, 5000), (60000, 0)], close=True,
                   dxfattribs={"layer": "Котельная"})
msp.add_circle((80000, 20000), 500, dxfattribs={"layer": "Опоры"})
msp.add_circle((100000, 0), 5000, dxfattribs={"layer": "Опоры"})
msp.add_lwpolyline([(-9000, -9000), (-1000, -9000), (-1000, -1000), (-9000, -1000)], close=True,
                   dxfattribs={"layer": "Прочее"})
msp.add_line((-20000, 0), (120000, 0), dxfattribs={"layer": "Прочее"})
doc.saveas(sys.argv[1])
