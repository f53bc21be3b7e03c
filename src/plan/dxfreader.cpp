#include "plan/dxfreader.h"

#include "calc/limits.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>
#include <string_view>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#pragma GCC diagnostic pop

namespace kv {

int DxfDrawing::layerIndex(const std::string &name)
{
    const auto it = std::find(layers.begin(), layers.end(), name);
    if (it != layers.end())
        return static_cast<int>(it - layers.begin());
    layers.push_back(name);
    return static_cast<int>(layers.size()) - 1;
}

std::optional<double> metresPerUnit(int insUnits)
{
    switch (insUnits) {
    case 1:
        return 0.0254;
    case 2:
        return 0.3048;
    case 4:
        return 0.001;
    case 5:
        return 0.01;
    case 6:
        return 1.0;
    case 14:
        return 0.1;
    default:
        return std::nullopt;
    }
}

std::vector<DxfVec> bulgeArcPoints(DxfVec a, DxfVec b, double bulge)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (std::abs(bulge) < 1e-9 || (dx == 0 && dy == 0))
        return {a, b};
    const double k = (1 - bulge * bulge) / (4 * bulge);
    const DxfVec c{a.x + dx / 2 - dy * k, a.y + dy / 2 + dx * k};
    const double r = std::hypot(a.x - c.x, a.y - c.y);
    const double a0 = std::atan2(a.y - c.y, a.x - c.x);
    const double sweep = 4 * std::atan(bulge); // signed, radians
    // Angles along the sweep: a regular step plus every axis direction it passes, so that the
    // points hold the arc's true extents.
    std::vector<double> t; // fractions of the sweep
    const int n = std::max(2, static_cast<int>(std::ceil(std::abs(sweep) / (std::numbers::pi / 18))));
    for (int i = 0; i <= n; ++i)
        t.push_back(static_cast<double>(i) / n);
    const double q = std::numbers::pi / 2;
    for (int m = -8; m <= 8; ++m) {
        const double f = (m * q - a0) / sweep;
        for (double g : {f, f + 4 * q / sweep, f - 4 * q / sweep})
            if (g > 0 && g < 1)
                t.push_back(g);
    }
    std::sort(t.begin(), t.end());
    std::vector<DxfVec> pts;
    pts.reserve(t.size());
    for (double f : t)
        pts.push_back({c.x + r * std::cos(a0 + sweep * f), c.y + r * std::sin(a0 + sweep * f)});
    pts.front() = a;
    pts.back() = b;
    return pts;
}

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool parseInt(std::string_view s, long long &v)
{
    s = trimmed(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

bool parseReal(std::string_view s, double &v)
{
    s = trimmed(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty() && std::isfinite(v);
}

bool isRealCode(long long c)
{
    return (c >= 10 && c <= 59) || (c >= 110 && c <= 149) || (c >= 210 && c <= 239)
           || (c >= 1010 && c <= 1059);
}

bool isIntCode(long long c)
{
    return (c >= 60 && c <= 99) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289)
           || (c >= 370 && c <= 389) || (c >= 400 && c <= 409) || (c >= 1060 && c <= 1071);
}

std::string fileText(const QString &name) { return QFileInfo(name).fileName().toStdString(); }

[[noreturn]] void damaged(const QString &name, long long line, const std::string &what)
{
    throw DxfRefused("Ошибка. Файл " + fileText(name) + " поврежден: " + what + " (строка "
                     + std::to_string(line) + ").");
}

// Checks the whole file before the library sees it: group codes and their values, line
// lengths, the end of the file, and the amount of geometry. The library reads numbers without
// checking them and keeps fixed-size buffers, so nothing it cannot take gets through.
void validate(const std::string &text, const QString &name)
{
    if (text.rfind("AutoCAD Binary DXF", 0) == 0)
        throw DxfRefused("Ошибка. Файл " + fileText(name)
                         + " - двоичный DXF; сохраните чертеж в формате DXF ASCII.");
    if (text.find('\0') != std::string::npos)
        throw DxfRefused("Ошибка. Файл " + fileText(name)
                         + " не является текстовым чертежом DXF (в нем двоичные данные).");
    std::size_t pos = 0;
    long long lineNo = 0;
    auto nextLine = [&](std::string_view &out) {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        out = std::string_view(text).substr(pos, end - pos);
        if (!out.empty() && out.back() == '\r')
            out.remove_suffix(1);
        pos = end + 1;
        ++lineNo;
        return true;
    };
    enum { None, Header, Geometry, Other } section = None;
    bool sawSection = false, sawEof = false, expectName = false;
    long long entities = 0, vertices = 0;
    std::string_view codeLine, value;
    while (nextLine(codeLine)) {
        if (trimmed(codeLine).empty() && pos >= text.size())
            break; // a final empty line
        long long code = 0;
        if (!parseInt(codeLine, code) || code < -5 || code > 1071) {
            if (lineNo == 1)
                throw DxfRefused("Ошибка. Файл " + fileText(name) + " не является чертежом DXF.");
            damaged(name, lineNo, "неверный код группы");
        }
        if (!nextLine(value))
            damaged(name, lineNo, "нет значения группы");
        if (value.size() > 1024)
            damaged(name, lineNo, "слишком длинная строка");
        if (code == 0) {
            const std::string_view v = trimmed(value);
            expectName = false;
            if (v == "SECTION") {
                sawSection = true;
                expectName = true;
            } else if (v == "ENDSEC") {
                section = None;
            } else if (v == "EOF") {
                sawEof = true;
                break;
            } else if (section == Geometry && ++entities > limits::kMaxDxfEntities) {
                throw DxfRefused("Ошибка. В чертеже " + fileText(name) + " больше "
                                 + std::to_string(limits::kMaxDxfEntities)
                                 + " элементов; разделите чертеж или удалите лишние слои.");
            }
            continue;
        }
        if (code == 2 && expectName) {
            const std::string_view v = trimmed(value);
            section = v == "HEADER" ? Header : (v == "ENTITIES" || v == "BLOCKS") ? Geometry : Other;
            expectName = false;
            continue;
        }
        if (isRealCode(code)) {
            double d = 0;
            if (!parseReal(value, d))
                damaged(name, lineNo, "неверное число");
            if (section == Geometry && code == 10 && ++vertices > limits::kMaxDxfVertices)
                throw DxfRefused("Ошибка. В чертеже " + fileText(name) + " больше "
                                 + std::to_string(limits::kMaxDxfVertices) + " точек.");
        } else if (isIntCode(code)) {
            long long i = 0;
            if (!parseInt(value, i) || i < -2147483648LL || i > 4294967295LL)
                damaged(name, lineNo, "неверное целое число");
            // Counts the library sizes its arrays by.
            if (section == Geometry && code >= 71 && code <= 99 && code != 79
                && (i < 0 || i > limits::kMaxDxfVertices))
                damaged(name, lineNo, "недопустимое число элементов");
        }
    }
    if (!sawSection)
        throw DxfRefused("Ошибка. Файл " + fileText(name) + " не является чертежом DXF.");
    if (!sawEof)
        throw DxfRefused("Ошибка. Файл " + fileText(name)
                         + " поврежден или записан не полностью: нет конца чертежа (EOF).");
}

QString decodeBytes(const std::string &s)
{
    QString out;
    auto utf8 = QStringDecoder(QStringDecoder::Utf8);
    out = utf8(QByteArray::fromStdString(s));
    if (!utf8.hasError())
        return out;
    // Drawings before R2007 keep texts in the code page of the drawing; a Russian plan is in
    // Windows-1251.
    QStringDecoder cp("windows-1251");
    if (cp.isValid()) {
        out = cp(QByteArray::fromStdString(s));
        if (!cp.hasError())
            return out;
    }
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

QString decodeUnicodeEscapes(QString s)
{
    static const QRegularExpression re(QStringLiteral("\\\\U\\+([0-9A-Fa-f]{4})"));
    QString out;
    qsizetype last = 0;
    for (auto it = re.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += s.mid(last, m.capturedStart() - last);
        out += QChar(static_cast<char16_t>(m.captured(1).toUInt(nullptr, 16)));
        last = m.capturedEnd();
    }
    out += s.mid(last);
    return out;
}

// MTEXT formatting: \P paragraphs (kept as line breaks), \fFont|...; and the other codes ending in
// ';', the one-letter switches, stacking and braces; what remains is the text a reader sees.
QString plainMText(QString s)
{
    static const QRegularExpression codes(QStringLiteral("\\\\[fFHWQTACcp][^;]*;"));
    static const QRegularExpression stack(QStringLiteral("\\\\S([^;]*)[\\^/#]([^;]*);"));
    static const QRegularExpression switches(QStringLiteral("\\\\[LlOoKk]"));
    s.replace(QStringLiteral("\\P"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\\~"), QStringLiteral(" "));
    s.replace(codes, QString());
    s.replace(stack, QStringLiteral("\\1/\\2"));
    s.replace(switches, QString());
    s.replace(QStringLiteral("\\{"), QStringLiteral("\x01"));
    s.replace(QStringLiteral("\\}"), QStringLiteral("\x02"));
    s.remove(QLatin1Char('{'));
    s.remove(QLatin1Char('}'));
    s.replace(QLatin1Char('\x01'), QLatin1Char('{'));
    s.replace(QLatin1Char('\x02'), QLatin1Char('}'));
    s.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    return s;
}

QString plainText(const std::string &raw, bool mtext)
{
    QString s = decodeUnicodeEscapes(decodeBytes(raw));
    if (mtext)
        s = plainMText(s);
    s.replace(QStringLiteral("%%c"), QStringLiteral("\u2300"), Qt::CaseInsensitive);
    s.replace(QStringLiteral("%%d"), QStringLiteral("\u00b0"), Qt::CaseInsensitive);
    s.replace(QStringLiteral("%%p"), QStringLiteral("\u00b1"), Qt::CaseInsensitive);
    if (!mtext)
        return s.simplified();
    // Each paragraph of a multi-line text is a line of its own ("Склад" over "12,5 м").
    QStringList lines;
    for (const QString &line : s.split(QLatin1Char('\n')))
        if (const QString l = line.simplified(); !l.isEmpty())
            lines << l;
    return lines.join(QLatin1Char('\n'));
}

// x' = a x + b y + c, y' = d x + e y + f: where a block's point lands in the model space.
struct Affine {
    double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
    DxfVec operator()(DxfVec p) const { return {a * p.x + b * p.y + c, d * p.x + e * p.y + f}; }
    // This transform after t.
    Affine after(const Affine &t) const
    {
        return {a * t.a + b * t.d, a * t.b + b * t.e, a * t.c + b * t.f + c,
                d * t.a + e * t.d, d * t.b + e * t.e, d * t.c + e * t.f + f};
    }
    double det() const { return a * e - b * d; }
    double scaleX() const { return std::hypot(a, d); }
    double scaleY() const { return std::hypot(b, e); }
    bool similar() const
    {
        return std::abs(scaleX() - scaleY()) <= 1e-9 * std::max(scaleX(), scaleY());
    }
};

Affine moved(double x, double y)
{
    return {1, 0, x, 0, 1, y};
}

// A block definition: its geometry in block coordinates and the blocks it inserts.
struct BlockInsert {
    std::string block;
    int layer = 0; // in the owner's layers
    int order = 0;
    DL_InsertData data{"", 0, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0};
    bool mirrored = false;
};
struct Block {
    DxfVec base;
    DxfDrawing content;
    std::vector<BlockInsert> inserts;
};

constexpr int kMaxBlockDepth = 16;

class Builder : public DL_CreationAdapter {
public:
    Builder(DxfDrawing &d, const QString &name) : m_d(d), m_name(name) {}

    void setVariableInt(const std::string &key, int value, int) override
    {
        if (key == "$INSUNITS")
            m_d.insUnits = value;
    }
    // The layer table gives the dialog's order; layers first used by an entity follow.
    void addLayer(const DL_LayerData &l) override
    {
        const std::string name = plainText(l.name, false).toStdString();
        m_d.layerIndex(name);
        if ((l.flags & 1) || l.off || attributes.getColor() < 0)
            m_d.hiddenLayers.push_back(name);
    }
    void addBlock(const DL_BlockData &b) override
    {
        m_block = &m_blocks[b.name];
        *m_block = Block{{b.bpx, b.bpy}, {}, {}};
        m_lastRaw = std::string(1, '\0');
    }
    void endBlock() override
    {
        m_block = nullptr;
        m_lastRaw = std::string(1, '\0');
    }

    void addLine(const DL_LineData &l) override
    {
        m_poly = -1;
        if (skip())
            return;
        target().lines.push_back({layer(), {l.x1, l.y1}, {l.x2, l.y2}});
    }
    void addArc(const DL_ArcData &a) override
    {
        m_poly = -1;
        if (skip() || !(a.radius > 0))
            return;
        if (mirrored())
            target().arcs.push_back(
                {layer(), {-a.cx, a.cy}, a.radius, 180 - a.angle2, 180 - a.angle1});
        else
            target().arcs.push_back({layer(), {a.cx, a.cy}, a.radius, a.angle1, a.angle2});
    }
    void addCircle(const DL_CircleData &c) override
    {
        m_poly = -1;
        if (skip() || !(c.radius > 0))
            return;
        target().circles.push_back({layer(), order(), {mirrored() ? -c.cx : c.cx, c.cy}, c.radius});
    }
    void addPolyline(const DL_PolylineData &p) override
    {
        m_poly = -1;
        // Meshes and polyface meshes are solids, not outlines.
        if (skip() || (p.flags & (16 | 64)))
            return;
        DxfPolyline pl;
        pl.layer = layer();
        pl.order = order();
        pl.closed = (p.flags & 1) != 0;
        target().polylines.push_back(std::move(pl));
        m_poly = static_cast<int>(target().polylines.size()) - 1;
        m_polyMirrored = mirrored() && !(p.flags & 8);
    }
    void addVertex(const DL_VertexData &v) override
    {
        if (m_poly < 0)
            return;
        DxfPolyline &pl = target().polylines[static_cast<std::size_t>(m_poly)];
        pl.pts.push_back({m_polyMirrored ? -v.x : v.x, v.y});
        pl.bulges.push_back(m_polyMirrored ? -v.bulge : v.bulge);
    }
    void endSequence() override { m_poly = -1; }

    void addText(const DL_TextData &t) override
    {
        m_poly = -1;
        if (skip())
            return;
        // The alignment point where there is one; an aligned or fitted text runs between its
        // two points, so its middle is where it stands.
        const bool aligned = t.hJustification != 0 || t.vJustification != 0;
        const bool between =
            t.vJustification == 0 && (t.hJustification == 3 || t.hJustification == 5);
        DxfVec at = between   ? DxfVec{(t.ipx + t.apx) / 2, (t.ipy + t.apy) / 2}
                    : aligned ? DxfVec{t.apx, t.apy}
                              : DxfVec{t.ipx, t.ipy};
        if (mirrored())
            at.x = -at.x; // a TEXT lies in its own coordinates, unlike an MTEXT
        target().texts.push_back({layer(), at, t.height, plainText(t.text, false)});
    }
    // The attribute values of an inserted block are texts where they stand.
    void addAttribute(const DL_AttributeData &t) override
    {
        if (!m_block)
            addText(t);
    }
    void addMText(const DL_MTextData &t) override
    {
        m_poly = -1;
        // A long text comes in pieces before its last part; they belong to this text alone.
        const std::string text = m_chunks + t.text;
        m_chunks.clear();
        if (skip())
            return;
        target().texts.push_back({layer(), {t.ipx, t.ipy}, t.height, plainText(text, true)});
    }
    using DL_CreationAdapter::addMTextChunk;
    void addMTextChunk(const std::string &text) override
    {
        if (m_chunks.size() < 65536)
            m_chunks += text;
    }

    void addInsert(const DL_InsertData &data) override
    {
        m_poly = -1;
        if (skip())
            return;
        BlockInsert ins{data.name, layer(), order(), data, mirrored()};
        if (m_block) {
            m_block->inserts.push_back(std::move(ins));
            return;
        }
        expandInsert(ins, Affine{}, ins.layer, 0);
    }

private:
    bool skip() { return !m_block && attributes.isInPaperSpace(); }
    DxfDrawing &target() { return m_block ? m_block->content : m_d; }
    int order() { return ++m_order; }
    int layer()
    {
        const std::string &raw = attributes.getLayer();
        if (raw == m_lastRaw)
            return m_lastLayer;
        m_lastRaw = raw;
        m_lastLayer = target().layerIndex(plainText(raw, false).toStdString());
        return m_lastLayer;
    }
    // An entity seen from below (extrusion -Z) is mirrored in X in its own coordinates.
    bool mirrored() { return extrusion && extrusion->getDirection()[2] < 0; }

    void expandInsert(const BlockInsert &ins, const Affine &outer, int layer, int depth)
    {
        const auto it = m_blocks.find(ins.block);
        if (it == m_blocks.end() || &it->second == m_block)
            return;
        if (depth >= kMaxBlockDepth)
            throw DxfRefused("Ошибка. В чертеже " + fileText(m_name) + " блоки вложены глубже " +
                             std::to_string(kMaxBlockDepth) + " уровней.");
        const Block &b = it->second;
        const DL_InsertData &i = ins.data;
        const int cols = std::max(1, i.cols), rows = std::max(1, i.rows);
        const double rad = i.angle * std::numbers::pi / 180;
        const Affine turn{std::cos(rad), -std::sin(rad), i.ipx,
                          std::sin(rad), std::cos(rad),  i.ipy};
        const Affine scale{i.sx, 0, -i.sx * b.base.x, 0, i.sy, -i.sy * b.base.y};
        const Affine mirror{ins.mirrored ? -1.0 : 1.0, 0, 0, 0, 1, 0};
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const Affine local =
                    mirror.after(turn.after(moved(c * i.colSp, r * i.rowSp).after(scale)));
                expandBlock(b, outer.after(local), layer, depth);
            }
    }

    void expandBlock(const Block &b, const Affine &t, int insertLayer, int depth)
    {
        const DxfDrawing &src = b.content;
        std::vector<int> layers(src.layers.size());
        for (std::size_t i = 0; i < layers.size(); ++i)
            layers[i] = src.layers[i] == "0" ? insertLayer : m_d.layerIndex(src.layers[i]);
        const auto to = [&](int l) { return layers[static_cast<std::size_t>(l)]; };
        m_entities +=
            1 + static_cast<long long>(src.lines.size() + src.arcs.size() + src.circles.size() +
                                       src.polylines.size() + src.texts.size());
        if (m_entities > limits::kMaxDxfEntities)
            throw DxfRefused("Ошибка. В чертеже " + fileText(m_name) +
                             " со вставленными блоками больше " +
                             std::to_string(limits::kMaxDxfEntities) +
                             " элементов; разделите чертеж или удалите лишние слои.");
        const bool flip = t.det() < 0;
        const double scale = std::max(t.scaleX(), t.scaleY());
        for (const DxfLine &l : src.lines)
            m_d.lines.push_back({to(l.layer), t(l.a), t(l.b)});
        for (const DxfArc &a : src.arcs) {
            const auto end = [&](double deg) {
                const double r = deg * std::numbers::pi / 180;
                return t({a.centre.x + a.r * std::cos(r), a.centre.y + a.r * std::sin(r)});
            };
            const DxfVec c = t(a.centre), p0 = end(a.startDeg), p1 = end(a.endDeg);
            double s = std::atan2(p0.y - c.y, p0.x - c.x) * 180 / std::numbers::pi;
            double e = std::atan2(p1.y - c.y, p1.x - c.x) * 180 / std::numbers::pi;
            if (flip)
                std::swap(s, e);
            if (a.r * scale > 0)
                m_d.arcs.push_back({to(a.layer), c, a.r * scale, s, e});
        }
        // Outlines and inner blocks in the block's drawing order, numbered on in the model's.
        struct Item {
            int order;
            int kind; // 0 a polyline, 1 a circle, 2 an inner block
            std::size_t i;
        };
        std::vector<Item> items;
        for (std::size_t i = 0; i < src.polylines.size(); ++i)
            items.push_back({src.polylines[i].order, 0, i});
        for (std::size_t i = 0; i < src.circles.size(); ++i)
            items.push_back({src.circles[i].order, 1, i});
        for (std::size_t i = 0; i < b.inserts.size(); ++i)
            items.push_back({b.inserts[i].order, 2, i});
        std::stable_sort(items.begin(), items.end(),
                         [](const Item &x, const Item &y) { return x.order < y.order; });
        for (const DxfText &x : src.texts)
            m_d.texts.push_back({to(x.layer), t(x.at), x.height * t.scaleY(), x.text});
        for (const Item &item : items) {
            if (item.kind == 2) {
                const BlockInsert &ins = b.inserts[item.i];
                expandInsert(ins, t, to(ins.layer), depth + 1);
            } else if (item.kind == 1) {
                // A circle scaled unevenly is taken as the circle around the ellipse it becomes.
                // A block inserted at scale 0 draws nothing.
                const DxfCircle &c = src.circles[item.i];
                if (c.r * scale > 0)
                    m_d.circles.push_back({to(c.layer), ++m_order, t(c.centre), c.r * scale});
            } else {
                m_d.polylines.push_back(
                    transformed(src.polylines[item.i], t, to(src.polylines[item.i].layer)));
            }
        }
    }

    DxfPolyline transformed(const DxfPolyline &p, const Affine &t, int layer)
    {
        DxfPolyline q;
        q.layer = layer;
        q.order = ++m_order;
        q.closed = p.closed;
        const bool curved = std::any_of(p.bulges.begin(), p.bulges.end(),
                                        [](double v) { return std::abs(v) > 1e-9; });
        // Arcs stay arcs under a turn and an even scale; otherwise they go as their points.
        if (curved && !t.similar()) {
            const std::size_t n = p.pts.size();
            for (std::size_t k = 0; k < n; ++k) {
                if (k + 1 == n && !p.closed) {
                    q.pts.push_back(t(p.pts[k]));
                    break;
                }
                const auto seg = bulgeArcPoints(p.pts[k], p.pts[(k + 1) % n], p.bulges[k]);
                for (std::size_t j = 0; j + 1 < seg.size(); ++j)
                    q.pts.push_back(t(seg[j]));
            }
            q.bulges.assign(q.pts.size(), 0.0);
        } else {
            const bool flip = t.det() < 0;
            for (std::size_t k = 0; k < p.pts.size(); ++k) {
                q.pts.push_back(t(p.pts[k]));
                q.bulges.push_back(flip ? -p.bulges[k] : p.bulges[k]);
            }
        }
        m_vertices += static_cast<long long>(q.pts.size());
        if (m_vertices > limits::kMaxDxfVertices)
            throw DxfRefused("Ошибка. В чертеже " + fileText(m_name) +
                             " со вставленными блоками больше " +
                             std::to_string(limits::kMaxDxfVertices) + " точек.");
        return q;
    }

    DxfDrawing &m_d;
    QString m_name;
    std::map<std::string, Block> m_blocks;
    Block *m_block = nullptr;
    int m_order = 0;
    long long m_entities = 0, m_vertices = 0;
    std::string m_chunks;
    int m_poly = -1;
    bool m_polyMirrored = false;
    std::string m_lastRaw = std::string(1, '\0');
    int m_lastLayer = -1;
};

} // namespace

DxfDrawing readDxfText(const std::string &text, const QString &name)
{
    validate(text, name);
    DxfDrawing d;
    Builder b(d, name);
    DL_Dxf dxf;
    std::istringstream in(text);
    if (!dxf.in(in, &b))
        throw DxfRefused("Ошибка. Файл " + fileText(name) + " не прочитан как чертеж DXF.");
    // Polylines without two vertices are no outline and no line.
    std::erase_if(d.polylines, [](const DxfPolyline &p) { return p.pts.size() < 2; });
    return d;
}

DxfDrawing readDxfFile(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        throw DxfRefused("Ошибка. Файл " + path.toStdString() + " не найден.");
    if (f.size() > limits::kMaxDxfReadBytes)
        throw DxfRefused("Ошибка. Файл " + fileText(path) + " больше "
                         + std::to_string(limits::kMaxDxfReadBytes / (1024 * 1024))
                         + " МБ; такой чертеж не читается.");
    if (!f.open(QIODevice::ReadOnly))
        throw DxfRefused("Ошибка. Файл " + path.toStdString() + " не открывается.");
    const QByteArray bytes = f.read(limits::kMaxDxfReadBytes + 1);
    if (bytes.size() > limits::kMaxDxfReadBytes)
        throw DxfRefused("Ошибка. Файл " + fileText(path) + " больше "
                         + std::to_string(limits::kMaxDxfReadBytes / (1024 * 1024))
                         + " МБ; такой чертеж не читается.");
    return readDxfText(bytes.toStdString(), path);
}

} // namespace kv
