#include "plan/plantiles.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace kv {

void PlanTiles::reset(QSize content, Scene scene)
{
    m_content = content;
    m_scene = std::move(scene);
    m_tiles.clear();
}

void PlanTiles::clear() { m_tiles.clear(); }

const PlanTiles::Tile &PlanTiles::tile(int col, int row)
{
    Tile &t = m_tiles[key(col, row)];
    t.used = ++m_clock;
    if (t.image.isNull() && m_scene)
        t.image = m_scene(QRect(col * kTileSide, row * kTileSide, kTileSide, kTileSide));
    return t;
}

void PlanTiles::evict()
{
    if (m_tiles.size() <= kMaxTiles)
        return;
    // Down to three quarters at once, so a scroll does not evict at every new tile.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> byAge;
    byAge.reserve(m_tiles.size());
    for (const auto &[k, t] : m_tiles)
        byAge.emplace_back(t.used, k);
    std::sort(byAge.begin(), byAge.end());
    const std::size_t drop = m_tiles.size() - kMaxTiles * 3 / 4;
    for (std::size_t i = 0; i < drop; ++i)
        m_tiles.erase(byAge[i].second);
}

void PlanTiles::paint(QPainter &p, const QRect &area)
{
    const QRect r = area & QRect(QPoint(0, 0), m_content);
    if (r.isEmpty())
        return;
    const int c0 = r.left() / kTileSide, c1 = r.right() / kTileSide;
    const int r0 = r.top() / kTileSide, r1 = r.bottom() / kTileSide;
    for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
            const QImage &img = tile(col, row).image;
            if (img.isNull())
                continue;
            const QRect at(img.offset(), img.size());
            const QRect part = at & r;
            p.drawImage(part.topLeft(), img, part.translated(-at.topLeft()));
        }
    }
    // Only after painting: the tiles just drawn are the newest and stay.
    evict();
}

} // namespace kv
