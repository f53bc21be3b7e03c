// korvan-cli report: the pre-export checks on standard error with exit code 2, the named
// profile, and a written .docx package.

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;
using clitest::quote;
using clitest::run;

namespace {
using Folder = clitest::TempFolder;
} // namespace

TEST(CliReport, ChecksThenWritesTheReport)
{
    Folder f;
    const std::string data = "--data " + quote(f.path.string());
    ASSERT_EQ(run(data + " init").code, 0);
    const std::string out = (f.path / "r.docx").string();

    // No selection yet: both messages, exit 2, no file.
    auto r = run(data + " report 1 -o " + quote(out), {}, true);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("выполните ориентировочный подбор молниеотвода."), std::string::npos);
    EXPECT_NE(r.out.find("выберите конструкцию молниеотвода из справочника."), std::string::npos);
    EXPECT_FALSE(fs::exists(out));

    // An unknown profile is refused; the usage errors too.
    EXPECT_EQ(run(data + " report 1 --profile " + quote("Нет такого") + " -o " + quote(out)).code, 2);
    EXPECT_EQ(run(data + " report 1").code, 2);
    EXPECT_EQ(run(data + " report 99 -o " + quote(out)).code, 2);

    ASSERT_EQ(run(data + " podbor 1").code, 0);
    ASSERT_EQ(run(data + " choose 1 --construction 3").code, 0);
    r = run(data + " report 1 --profile " + quote("Полный отчет") + " -o " + quote(out));
    EXPECT_EQ(r.code, 0) << r.out;
    ASSERT_TRUE(fs::exists(out));
    EXPECT_GT(fs::file_size(out), 10000u);
    std::ifstream in(out, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "PK");
}

// `report 1 -o D/project.DB` once exited 0 and turned the table into a zip archive. Every output
// command refuses a file of the data folder (exit 2) and leaves it as it was.
TEST(CliReport, OutputsNeverReplaceTheDataFolderFiles)
{
    Folder f;
    const std::string data = "--data " + quote(f.path.string());
    ASSERT_EQ(run(data + " init").code, 0);
    ASSERT_EQ(run(data + " podbor 1").code, 0);
    ASSERT_EQ(run(data + " choose 1 --construction 3").code, 0);
    const auto bytes = [](const fs::path &p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const fs::path own = f.path / "project.DB";
    const std::string before = bytes(own);
    const std::string other = quote((f.path / "x.png").string());
    for (const std::string &args :
         {"report 1 -o " + quote(own.string()),
          "report 1 -o " + quote((f.path / "." / "commit.log").string()),
          "render 1 --top " + quote(own.string()) + " --front " + other,
          "render 1 --top " + other + " --front " + quote((f.path / "object.DB").string()),
          "render 1 --top " + quote((f.path / "mo.DB").string()) + " --front "
              + quote((f.path / "x.dxf").string()),
          "render 1 --overlay-top " + quote(own.string())}) {
        const auto r = run(data + " " + args, {}, true);
        EXPECT_EQ(r.code, 2) << args << "\n" << r.out;
        EXPECT_NE(r.out.find("является файлом базы данных программы"), std::string::npos) << r.out;
    }
    EXPECT_EQ(bytes(own), before);
    EXPECT_FALSE(fs::exists(f.path / "commit.log"));
    EXPECT_FALSE(fs::exists(f.path / "x.png"));
    EXPECT_FALSE(fs::exists(f.path / "x.dxf"));
    EXPECT_EQ(run(data + " list").code, 0);
}

// A construction lower than what an object needs leaves that object outside the chosen zone: no
// negative radius is stored (for any conductor type) or printed; the report says it in words.
TEST(CliReport, ObjectsAboveTheChosenZoneAreSaidInWords)
{
    Folder f;
    const std::string data = "--data " + quote(f.path.string());
    ASSERT_EQ(run(data + " init").code, 0);
    ASSERT_EQ(run(data + " podbor 1").code, 0);
    const auto noNegativeRadius = [](const nlohmann::ordered_json &doc, const std::string &what) {
        for (const char *part : {"conductors", "objects"})
            for (const auto &row : doc[part])
                for (const auto &[k, v] : row.items())
                    if (k[0] == 'R' && v.is_number()) {
                        EXPECT_GE(v.get<double>(), 0) << what << " " << part << "." << k;
                    }
    };
    // The sample's 5 m rod (МСТ-5) under objects of 6, 10 and 30 m.
    const auto chosen = run(data + " choose 1 --construction 1");
    ASSERT_EQ(chosen.code, 0);
    const auto doc = nlohmann::ordered_json::parse(chosen.out);
    noNegativeRadius(doc, "rod");
    for (const auto &o : doc["objects"])
        EXPECT_TRUE(o["Rx1"].is_null()) << o.dump();

    const std::string out = (f.path / "low.docx").string();
    ASSERT_EQ(run(data + " report 1 -o " + quote(out)).code, 0);
    FILE *p = popen(("unzip -p " + quote(out) + " word/document.xml").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string xml;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        xml.append(buf, n);
    pclose(p);
    EXPECT_NE(xml.find("вне зоны защиты выбранного молниеотвода"), std::string::npos);
    EXPECT_EQ(xml.find("= -"), std::string::npos);

    // The same for a case of each conductor type with a 5 m construction.
    for (const char *type : {"одиночный стержневой молниеотвод", "двойной стержневой молниеотвод",
                             "одиночный тросовый молниеотвод"}) {
        nlohmann::ordered_json c = {
            {"project",
             {{"Name", "P"}, {"ProdGrozMin", 60}, {"ProdGrozMax", 79}, {"Udarov", 5.5},
              {"TipMO", type}, {"IScale", 500}}},
            {"conductors", {{{"MX", 0}, {"MY", 10}}, {{"MX", 30}, {"MY", 10}}}},
            {"objects", {{{"Name", "Башня"}, {"SLabel", "1"}, {"MXa", 12}, {"MYa", 12}, {"L", 6},
                          {"S", 4}, {"Hx", 30}, {"Tip", 16}}}},
            {"choose", {{"Tip", "М-5"}, {"Prim", "М"}, {"H", 5}}}};
        if (std::string(type) == "одиночный стержневой молниеотвод")
            c["conductors"].erase(1);
        const fs::path file = f.path / "case.json";
        std::ofstream(file) << c.dump();
        const auto r = run("calc " + quote(file.string()));
        ASSERT_EQ(r.code, 0) << type;
        noNegativeRadius(nlohmann::ordered_json::parse(r.out), type);
    }
}
