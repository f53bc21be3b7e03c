#pragma once
// The largest picture the program draws. The zone pictures of the preview, the report and the
// CLI are sized first; a picture past QImage's side limit or the memory limit is refused with a
// message that names its size, never drawn cut.

#include <string>

namespace kv {

// Empty when a width x height picture may be drawn; otherwise the refusal, suggesting a smaller
// scale than the current 1:scale.
std::string pictureTooLarge(long long width, long long height, int scale);

} // namespace kv
