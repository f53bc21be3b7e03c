#pragma once
// The data folder of a command: opened with all its tables, or an error when it is missing.

#include "cli/command.h"
#include "data/datamodule.h"

#include <memory>

namespace kv::cli {

std::unique_ptr<DataModule> openDataFolder(Context &ctx, Prompter &prompter);

} // namespace kv::cli
