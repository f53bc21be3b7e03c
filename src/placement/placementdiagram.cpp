#include "placement/placementdiagram.h"

#include "placement/placementdriver.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

std::string text(const HeightTable &t, std::int64_t c, std::int64_t r)
{
    return heightTableText(t, c, r);
}

void addOnce(std::vector<std::string> &list, const std::string &s)
{
    if (!s.empty() && std::find(list.begin(), list.end(), s) == list.end())
        list.push_back(s);
}

double cellValue(const HeightTable &t, std::int64_t col, std::int64_t row)
{
    const int h = t.headerCols();
    const double v = t.cell(col - h, row - h);
    return std::isnan(v) ? 0 : v;
}

} // namespace

std::vector<std::string> diagramValues(const HeightTable &t, const DiagramChoice &c)
{
    std::vector<std::string> out;
    const std::string prefix = c.fixedIsY ? "Y = " : "X = ";
    if (t.mode != TableMode::Both) {
        if (c.fixedIsY)
            for (std::int64_t r = 1; r < t.rowCount(); ++r)
                out.push_back(prefix + text(t, 0, r));
        else
            for (std::int64_t col = 1; col < t.columnCount(); ++col)
                out.push_back(prefix + text(t, col, 0));
        return out;
    }
    std::vector<std::string> distinct;
    if (c.movingSupport == 1)
        for (std::int64_t col = 2; col < t.columnCount(); ++col)
            addOnce(distinct, text(t, col, c.fixedIsY ? 1 : 0));
    else
        for (std::int64_t r = 2; r < t.rowCount(); ++r)
            addOnce(distinct, text(t, c.fixedIsY ? 1 : 0, r));
    for (const std::string &v : distinct)
        out.push_back(prefix + v);
    return out;
}

void fixedSupportTexts(const HeightTable &t, int movingSupport, std::vector<std::string> &xs,
                       std::vector<std::string> &ys)
{
    xs.clear();
    ys.clear();
    if (t.mode != TableMode::Both)
        return;
    if (movingSupport == 2) {
        for (std::int64_t col = 2; col < t.columnCount(); ++col) {
            addOnce(xs, text(t, col, 0));
            addOnce(ys, text(t, col, 1));
        }
    } else {
        for (std::int64_t r = 2; r < t.rowCount(); ++r) {
            addOnce(xs, text(t, 0, r));
            addOnce(ys, text(t, 1, r));
        }
    }
}

std::vector<DiagramSeries> diagramSeries(const HeightTable &t, const DiagramChoice &c,
                                         const std::vector<std::string> &tickedItems)
{
    std::vector<DiagramSeries> out;
    if (t.mode != TableMode::Both) {
        for (const std::string &item : tickedItems) {
            DiagramSeries s;
            s.title = item;
            const std::string v = item.substr(4);
            if (c.fixedIsY) {
                for (std::int64_t r = 1; r < t.rowCount(); ++r) {
                    if (text(t, 0, r) != v)
                        continue;
                    for (std::int64_t col = 1; col < t.columnCount(); ++col)
                        s.points.push_back({text(t, col, 0), cellValue(t, col, r)});
                    break;
                }
            } else {
                for (std::int64_t col = 1; col < t.columnCount(); ++col) {
                    if (text(t, col, 0) != v)
                        continue;
                    for (std::int64_t r = 1; r < t.rowCount(); ++r)
                        s.points.push_back({text(t, 0, r), cellValue(t, col, r)});
                    break;
                }
            }
            out.push_back(std::move(s));
        }
        return out;
    }
    // The fixed support's line: a column of the table when support 2 moves, a row otherwise.
    std::int64_t line = -1;
    if (c.movingSupport == 2) {
        for (std::int64_t col = 2; col < t.columnCount() && line < 0; ++col)
            if (text(t, col, 0) == c.fixedX && text(t, col, 1) == c.fixedY)
                line = col;
    } else {
        for (std::int64_t r = 2; r < t.rowCount() && line < 0; ++r)
            if (text(t, 0, r) == c.fixedX && text(t, 1, r) == c.fixedY)
                line = r;
    }
    const int fixedHeader = c.fixedIsY ? 1 : 0, otherHeader = c.fixedIsY ? 0 : 1;
    for (const std::string &item : tickedItems) {
        DiagramSeries s;
        s.title = item;
        const std::string v = item.substr(4);
        if (line >= 0) {
            if (c.movingSupport == 1) {
                for (std::int64_t col = 2; col < t.columnCount(); ++col)
                    if (text(t, col, fixedHeader) == v)
                        s.points.push_back({text(t, col, otherHeader), cellValue(t, col, line)});
            } else {
                for (std::int64_t r = 2; r < t.rowCount(); ++r)
                    if (text(t, fixedHeader, r) == v)
                        s.points.push_back({text(t, otherHeader, r), cellValue(t, line, r)});
            }
        }
        out.push_back(std::move(s));
    }
    return out;
}

std::string diagramTitle(const HeightTable &t, const DiagramChoice &c, bool singleRod)
{
    const std::string V = c.fixedIsY ? "X" : "Y", F = c.fixedIsY ? "Y" : "X";
    const std::string m = std::to_string(c.movingSupport),
                      o = std::to_string(c.movingSupport == 1 ? 2 : 1);
    if (t.mode != TableMode::Both && singleRod)
        return "Зависимость требуемой высоты молниеотвода Н от значения координаты " + V +
               " при фиксированных значениях координаты " + F + ".";
    const std::string tail = " при фиксированных значениях координаты " + F + " " + m +
                             "-ой опоры молниеотвода и неизменном положении " + o +
                             "-ой опоры молниеотвода.";
    if (t.mode != TableMode::Both)
        return "Зависимость требуемой высоты молниеотвода Н от значения координаты " + V + tail;
    return "Зависимость высоты молниеотвода Н от значения координаты " + V + tail;
}

} // namespace kv
