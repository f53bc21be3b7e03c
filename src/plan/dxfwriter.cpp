#include "plan/dxfwriter.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kv {

namespace {

// Fixed handles of the table objects and block records.
constexpr const char *kModelSpaceRecord = "1F";
constexpr const char *kPaperSpaceRecord = "1E";

std::string num(double v)
{
    if (!std::isfinite(v) || std::fabs(v) < 1e-12)
        v = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

void pair(std::string &out, int code, const std::string &value)
{
    out += std::to_string(code);
    out += '\n';
    out += value;
    out += '\n';
}

void pair(std::string &out, int code, double value) { pair(out, code, num(value)); }
void pair(std::string &out, int code, int value) { pair(out, code, std::to_string(value)); }

void tableHead(std::string &out, const char *name, const char *handle, int count)
{
    pair(out, 0, "TABLE");
    pair(out, 2, name);
    pair(out, 5, handle);
    pair(out, 330, "0");
    pair(out, 100, "AcDbSymbolTable");
    pair(out, 70, count);
}

void tableEntryHead(std::string &out, const char *type, const std::string &handle,
                    const char *owner, const char *subclass)
{
    pair(out, 0, type);
    pair(out, 5, handle);
    pair(out, 330, owner);
    pair(out, 100, "AcDbSymbolTableRecord");
    pair(out, 100, subclass);
}

} // namespace

std::string dxfText(const QString &s)
{
    std::string out;
    for (const uint ucs : s.toUcs4()) {
        const char32_t cp = ucs;
        if (cp >= 0x20 && cp < 0x7F) {
            out += static_cast<char>(cp);
        } else if (cp >= 0x80 && cp <= 0xFFFF) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(cp));
            out += buf;
        } else {
            out += '?'; // control characters and characters beyond the BMP
        }
    }
    return out;
}

void DxfDocument::addLayer(const std::string &name, int color) { m_layers.push_back({name, color}); }

std::string DxfDocument::handle()
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", m_nextHandle++);
    return buf;
}

void DxfDocument::entityHead(const char *type, const std::string &layer, const char *subclass)
{
    pair(m_entities, 0, type);
    pair(m_entities, 5, handle());
    pair(m_entities, 330, kModelSpaceRecord);
    pair(m_entities, 100, "AcDbEntity");
    pair(m_entities, 8, layer);
    pair(m_entities, 100, subclass);
    ++m_entityCount;
}

void DxfDocument::extend(DxfPoint p)
{
    if (!m_hasExtents) {
        m_min = m_max = p;
        m_hasExtents = true;
        return;
    }
    m_min = {std::min(m_min.x, p.x), std::min(m_min.y, p.y)};
    m_max = {std::max(m_max.x, p.x), std::max(m_max.y, p.y)};
}

void DxfDocument::line(const std::string &layer, DxfPoint a, DxfPoint b)
{
    entityHead("LINE", layer, "AcDbLine");
    pair(m_entities, 10, a.x);
    pair(m_entities, 20, a.y);
    pair(m_entities, 30, 0.0);
    pair(m_entities, 11, b.x);
    pair(m_entities, 21, b.y);
    pair(m_entities, 31, 0.0);
    extend(a);
    extend(b);
}

void DxfDocument::face3d(const std::string &layer, DxfPoint3 a, DxfPoint3 b, DxfPoint3 c)
{
    entityHead("3DFACE", layer, "AcDbFace");
    int code = 10;
    for (const DxfPoint3 &p : {a, b, c, c}) {
        pair(m_entities, code, p.x);
        pair(m_entities, code + 10, p.y);
        pair(m_entities, code + 20, p.z);
        ++code;
    }
    for (const DxfPoint3 &p : {a, b, c})
        extend({p.x, p.y});
}

void DxfDocument::circle(const std::string &layer, DxfPoint c, double r)
{
    entityHead("CIRCLE", layer, "AcDbCircle");
    pair(m_entities, 10, c.x);
    pair(m_entities, 20, c.y);
    pair(m_entities, 30, 0.0);
    pair(m_entities, 40, r);
    extend({c.x - r, c.y - r});
    extend({c.x + r, c.y + r});
}

void DxfDocument::arc(const std::string &layer, DxfPoint c, double r, double startDeg, double endDeg)
{
    entityHead("ARC", layer, "AcDbCircle");
    pair(m_entities, 10, c.x);
    pair(m_entities, 20, c.y);
    pair(m_entities, 30, 0.0);
    pair(m_entities, 40, r);
    pair(m_entities, 100, "AcDbArc");
    pair(m_entities, 50, std::fmod(std::fmod(startDeg, 360.0) + 360.0, 360.0));
    pair(m_entities, 51, std::fmod(std::fmod(endDeg, 360.0) + 360.0, 360.0));
    extend({c.x - r, c.y - r});
    extend({c.x + r, c.y + r});
}

void DxfDocument::polyline(const std::string &layer, const std::vector<DxfPoint> &pts, bool closed)
{
    if (pts.size() < 2)
        return;
    entityHead("LWPOLYLINE", layer, "AcDbPolyline");
    pair(m_entities, 90, static_cast<int>(pts.size()));
    pair(m_entities, 70, closed ? 1 : 0);
    for (const DxfPoint &p : pts) {
        pair(m_entities, 10, p.x);
        pair(m_entities, 20, p.y);
        extend(p);
    }
}

void DxfDocument::text(const std::string &layer, DxfPoint at, double height, const QString &s)
{
    // The blanks around the picture's labels only pad their opaque background there.
    const std::string t = dxfText(s.trimmed());
    if (t.empty())
        return;
    entityHead("TEXT", layer, "AcDbText");
    pair(m_entities, 10, at.x);
    pair(m_entities, 20, at.y);
    pair(m_entities, 30, 0.0);
    pair(m_entities, 40, height);
    pair(m_entities, 1, t);
    pair(m_entities, 7, "KORVAN");
    pair(m_entities, 100, "AcDbText");
    extend(at);
}

std::string DxfDocument::toString() const
{
    std::string out;
    out.reserve(m_entities.size() + 8192);
    const DxfPoint lo = m_hasExtents ? m_min : DxfPoint{};
    const DxfPoint hi = m_hasExtents ? m_max : DxfPoint{};

    pair(out, 0, "SECTION");
    pair(out, 2, "HEADER");
    pair(out, 9, "$ACADVER");
    pair(out, 1, "AC1015");
    pair(out, 9, "$DWGCODEPAGE");
    pair(out, 3, "ANSI_1251");
    pair(out, 9, "$INSUNITS");
    pair(out, 70, 6); // metres
    pair(out, 9, "$MEASUREMENT");
    pair(out, 70, 1);
    pair(out, 9, "$EXTMIN");
    pair(out, 10, lo.x);
    pair(out, 20, lo.y);
    pair(out, 30, 0.0);
    pair(out, 9, "$EXTMAX");
    pair(out, 10, hi.x);
    pair(out, 20, hi.y);
    pair(out, 30, 0.0);
    pair(out, 9, "$HANDSEED");
    char seed[16];
    std::snprintf(seed, sizeof seed, "%X", m_nextHandle);
    pair(out, 5, seed);
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "CLASSES");
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "TABLES");

    tableHead(out, "VPORT", "8", 1);
    tableEntryHead(out, "VPORT", "30", "8", "AcDbViewportTableRecord");
    pair(out, 2, "*ACTIVE");
    pair(out, 70, 0);
    pair(out, 10, 0.0);
    pair(out, 20, 0.0);
    pair(out, 11, 1.0);
    pair(out, 21, 1.0);
    pair(out, 12, (lo.x + hi.x) / 2);
    pair(out, 22, (lo.y + hi.y) / 2);
    pair(out, 40, std::max(1.0, (hi.y - lo.y) * 1.1));
    pair(out, 41, std::max(0.1, (hi.x - lo.x) / std::max(1e-9, hi.y - lo.y)));
    pair(out, 0, "ENDTAB");

    tableHead(out, "LTYPE", "5", 3);
    for (const auto &[name, h] : {std::pair{"ByBlock", "14"}, std::pair{"ByLayer", "15"},
                                  std::pair{"Continuous", "16"}}) {
        tableEntryHead(out, "LTYPE", h, "5", "AcDbLinetypeTableRecord");
        pair(out, 2, name);
        pair(out, 70, 0);
        pair(out, 3, std::string(name) == "Continuous" ? "Solid line" : "");
        pair(out, 72, 65);
        pair(out, 73, 0);
        pair(out, 40, 0.0);
    }
    pair(out, 0, "ENDTAB");

    tableHead(out, "LAYER", "2", static_cast<int>(m_layers.size()) + 1);
    unsigned layerHandle = 0x40;
    auto layerEntry = [&](const std::string &name, int color) {
        char h[16];
        std::snprintf(h, sizeof h, "%X", layerHandle++);
        tableEntryHead(out, "LAYER", h, "2", "AcDbLayerTableRecord");
        pair(out, 2, name);
        pair(out, 70, 0);
        pair(out, 62, color);
        pair(out, 6, "Continuous");
        pair(out, 370, -3);
        pair(out, 390, "F");
    };
    layerEntry("0", 7);
    for (const Layer &l : m_layers)
        layerEntry(l.name, l.color);
    pair(out, 0, "ENDTAB");

    tableHead(out, "STYLE", "3", 2);
    for (const auto &[name, h, font] :
         {std::tuple{"Standard", "11", "txt"}, std::tuple{"KORVAN", "12", "arial.ttf"}}) {
        tableEntryHead(out, "STYLE", h, "3", "AcDbTextStyleTableRecord");
        pair(out, 2, name);
        pair(out, 70, 0);
        pair(out, 40, 0.0);
        pair(out, 41, 1.0);
        pair(out, 50, 0.0);
        pair(out, 71, 0);
        pair(out, 42, 2.5);
        pair(out, 3, font);
        pair(out, 4, "");
    }
    pair(out, 0, "ENDTAB");

    tableHead(out, "VIEW", "6", 0);
    pair(out, 0, "ENDTAB");
    tableHead(out, "UCS", "7", 0);
    pair(out, 0, "ENDTAB");

    tableHead(out, "APPID", "9", 1);
    tableEntryHead(out, "APPID", "13", "9", "AcDbRegAppTableRecord");
    pair(out, 2, "ACAD");
    pair(out, 70, 0);
    pair(out, 0, "ENDTAB");

    tableHead(out, "DIMSTYLE", "A", 1);
    pair(out, 100, "AcDbDimStyleTable");
    pair(out, 0, "DIMSTYLE");
    pair(out, 105, "27");
    pair(out, 330, "A");
    pair(out, 100, "AcDbSymbolTableRecord");
    pair(out, 100, "AcDbDimStyleTableRecord");
    pair(out, 2, "Standard");
    pair(out, 70, 0);
    pair(out, 0, "ENDTAB");

    tableHead(out, "BLOCK_RECORD", "1", 2);
    for (const auto &[name, h] : {std::pair{"*Model_Space", kModelSpaceRecord},
                                  std::pair{"*Paper_Space", kPaperSpaceRecord}}) {
        tableEntryHead(out, "BLOCK_RECORD", h, "1", "AcDbBlockTableRecord");
        pair(out, 2, name);
    }
    pair(out, 0, "ENDTAB");
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "BLOCKS");
    for (const auto &[name, record, begin, end] :
         {std::tuple{"*Model_Space", kModelSpaceRecord, "20", "21"},
          std::tuple{"*Paper_Space", kPaperSpaceRecord, "1C", "1D"}}) {
        pair(out, 0, "BLOCK");
        pair(out, 5, begin);
        pair(out, 330, record);
        pair(out, 100, "AcDbEntity");
        pair(out, 8, "0");
        pair(out, 100, "AcDbBlockBegin");
        pair(out, 2, name);
        pair(out, 70, 0);
        pair(out, 10, 0.0);
        pair(out, 20, 0.0);
        pair(out, 30, 0.0);
        pair(out, 3, name);
        pair(out, 1, "");
        pair(out, 0, "ENDBLK");
        pair(out, 5, end);
        pair(out, 330, record);
        pair(out, 100, "AcDbEntity");
        pair(out, 8, "0");
        pair(out, 100, "AcDbBlockEnd");
    }
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "ENTITIES");
    out += m_entities;
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "OBJECTS");
    pair(out, 0, "DICTIONARY");
    pair(out, 5, "C");
    pair(out, 330, "0");
    pair(out, 100, "AcDbDictionary");
    pair(out, 281, 1);
    pair(out, 3, "ACAD_GROUP");
    pair(out, 350, "D");
    pair(out, 0, "DICTIONARY");
    pair(out, 5, "D");
    pair(out, 330, "C");
    pair(out, 100, "AcDbDictionary");
    pair(out, 281, 1);
    pair(out, 0, "ENDSEC");
    pair(out, 0, "EOF");
    return out;
}

} // namespace kv
