"""Writes a site plan in millimetres with ezdxf for the import-dxf test.

usage: make_site_dxf.py OUT.dxf
Layers: "Здания" (a closed LWPOLYLINE with a height TEXT and a name MTEXT, an old-style closed
POLYLINE with "6,5 м"), "Котельная" (an outline turned by 45 degrees), "Опоры" (circles of 1 m and
10 m), "Прочее" (a rectangle and a line that are not imported).
"""
import sys

import ezdxf

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
