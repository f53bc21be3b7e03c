#pragma once
// The background of one plan view kept in square tiles: a tile is drawn by the view's scene
// function the first time it is shown and kept until the view changes, so a view of any size
// costs the memory and time of what is on screen. The oldest unused tiles go first once the
// cache is full.

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <functional>
#include <unordered_map>

class QPainter;

namespace kv {

class PlanTiles {
public:
    // Draws the part of the view given in content pixels; the image returned has the part's
    // size (or is cut to the view) and is placed at its offset().
    using Scene = std::function<QImage(const QRect &part)>;

    static constexpr int kTileSide = 256;
    // Several screens of a 1920 x 1200 view; a tile is 256 KB.
    static constexpr std::size_t kMaxTiles = 160;

    // A new content: every tile kept so far is dropped.
    void reset(QSize content, Scene scene);
    // Drops the tiles but keeps the content (the scene draws something else now).
    void clear();
    QSize contentSize() const { return m_content; }

    // Paints the part `area` of the view (content pixels) with p, whose origin is the content's
    // origin, drawing the tiles that are missing.
    void paint(QPainter &p, const QRect &area);

    std::size_t tileCount() const { return m_tiles.size(); }

private:
    struct Tile {
        QImage image;
        std::uint64_t used = 0;
    };
    static std::uint64_t key(int col, int row)
    {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(col)) << 32)
               | static_cast<std::uint32_t>(row);
    }
    const Tile &tile(int col, int row);
    void evict();

    QSize m_content;
    Scene m_scene;
    std::unordered_map<std::uint64_t, Tile> m_tiles;
    std::uint64_t m_clock = 0;
};

} // namespace kv
