#pragma once
// The sizes beyond which the program refuses work instead of starting it: each search, table,
// picture and input file is sized before anything is computed or allocated. The values are set
// so that accepted work ends within a few minutes and a few hundred MB on a two-core machine.

#include <cstdint>

namespace kv::limits {

// Candidate positions of one placement search (single rod: all points of all ranges; complex
// conductor: all support pairs). About 90 s on two cores for a billion candidates.
inline constexpr double kMaxPlacementCandidates = 1e9;
// Points of one range grid, held in memory with their admissibility (one byte each).
inline constexpr double kMaxRangePoints = 2e8;
// Values of one range axis; a step too small for its span is refused before it is walked.
inline constexpr double kMaxAxisValues = 1e8;
// Cells of a height table (eight bytes each, plus the grid shown by the windows).
inline constexpr std::int64_t kMaxTableCells = 4'000'000;

// Pictures: the longest side QImage handles safely and the memory of one 32-bit picture.
inline constexpr long long kMaxPictureSide = 32'000;
inline constexpr long long kMaxPictureBytes = 400LL * 1024 * 1024;

// DXF drawings: the estimated size of one drawing's text, held in memory while it is built.
inline constexpr long long kMaxDxfBytes = 256LL * 1024 * 1024;

// DXF input (import and underlay): the file read into memory, the drawing entities kept and the
// polyline vertices among them. A large site plan has a few hundred thousand entities.
inline constexpr long long kMaxDxfReadBytes = 64LL * 1024 * 1024;
inline constexpr long long kMaxDxfEntities = 1'000'000;
inline constexpr long long kMaxDxfVertices = 4'000'000;
// Underlay pictures (an image or a rendered PDF page) are scaled down to this many pixels.
inline constexpr long long kMaxUnderlayPixels = 40'000'000;

// JSON input: file size and the nesting of arrays and objects.
inline constexpr std::uint64_t kMaxJsonBytes = 64ULL * 1024 * 1024;
inline constexpr int kMaxJsonDepth = 64;

} // namespace kv::limits
