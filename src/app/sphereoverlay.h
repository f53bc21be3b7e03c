#pragma once
// What the project window draws for the rolling-sphere window: the exposed objects' marks on the
// plan (while that window is shown) and the arcs at the chosen level in the front view (when
// asked for).

#include <string>
#include <vector>

namespace kv {

struct SphereOverlay {
    bool shown = false;
    bool arcs = false;
    double R = 0;
    std::string suffix;                     // the conductor values the check used
    std::vector<std::string> exposedShapes; // top-view shape names
};

} // namespace kv
