#pragma once
// What both fault workers need: a data folder opened as the program opens it, and a project's
// key by its name.

#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/table.h"

#include <stdexcept>
#include <string>

namespace kv::faulttest {

struct Folder {
    explicit Folder(const std::string &dir) : dm(dir, prompter) { dm.openAll(); }
    RecordingPrompter prompter;
    DataModule dm;
};

inline int projectKod(DataModule &dm, const char *name)
{
    Table &p = dm.project();
    if (!p.locate({{"Name", Value(name)}}))
        throw std::runtime_error(std::string("no project ") + name);
    return p.asInt("Kod");
}

} // namespace kv::faulttest
