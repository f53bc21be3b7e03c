#pragma once
// A fresh data folder with the installation data, its data module with every table open and a
// project document on the sample project; everything is removed at the end.

#include "app/projectdocument.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace kv::test {

struct DocumentFixture : ::testing::Test {
    DocumentFixture()
    {
        std::string t = (std::filesystem::temp_directory_path() / "korvan-doc-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string() + "/");
        dm = std::make_unique<DataModule>(dir.string() + "/", prompter);
        dm->openAll();
        doc = std::make_unique<ProjectDocument>(*dm);
        doc->openLastProject();
    }
    ~DocumentFixture() override
    {
        doc.reset();
        dm.reset();
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
    std::unique_ptr<ProjectDocument> doc;
};

} // namespace kv::test
