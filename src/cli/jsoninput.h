#pragma once
// The bounded JSON reading of the commands lives with the project exchange; the commands use it
// under their own namespace.

#include "exchange/jsoninput.h"

namespace kv::cli {
using kv::jsonNestingDepth;
using kv::optArray;
using kv::optInteger;
using kv::optNumber;
using kv::optString;
using kv::parseIntegerArg;
using kv::parseJsonObject;
using kv::readJsonObjectFile;
} // namespace kv::cli
