#pragma once
// Reads a written .docx back: the parts of the package, and the body as paragraphs of runs,
// tables and pictures, so that tests check the file a word processor opens.

#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>
#include <zip.h>

namespace kvtest {

struct DocxRun {
    std::string text;
    std::string font;
    double size = 0;
    bool bold = false, italic = false, raised = false, picture = false;
};

struct DocxParagraph {
    std::vector<DocxRun> runs;
    bool centred = false;
    std::string text() const
    {
        std::string s;
        for (const auto &r : runs)
            s += r.text;
        return s;
    }
};

struct DocxTable {
    std::vector<std::vector<std::string>> cells;
    std::vector<std::vector<DocxRun>> firstRuns; // each row's first cell runs
};

struct Docx {
    std::map<std::string, std::string> parts; // name -> bytes
    std::vector<DocxParagraph> paragraphs;    // body paragraphs (tables excluded)
    std::vector<std::string> lines;           // every body paragraph's text, "<table N>" for tables
    std::vector<DocxTable> tables;
    int pictures = 0;
    pugi::xml_document document;

    bool has(const std::string &part) const { return parts.count(part) != 0; }
    // The paragraphs whose text equals t.
    int count(const std::string &t) const
    {
        int n = 0;
        for (const auto &l : lines)
            n += l == t;
        return n;
    }
    // Index of the first line equal to t at or after from, -1 when none.
    int find(const std::string &t, int from = 0) const
    {
        for (int i = from; i < static_cast<int>(lines.size()); ++i)
            if (lines[static_cast<size_t>(i)] == t)
                return i;
        return -1;
    }
    const DocxParagraph *paragraph(const std::string &t) const
    {
        for (const auto &p : paragraphs)
            if (p.text() == t)
                return &p;
        return nullptr;
    }
};

inline DocxRun readRun(pugi::xml_node r)
{
    DocxRun run;
    auto rpr = r.child("w:rPr");
    run.font = rpr.child("w:rFonts").attribute("w:hAnsi").as_string();
    run.size = rpr.child("w:sz").attribute("w:val").as_double() / 2.0;
    run.bold = rpr.child("w:b") != nullptr;
    run.italic = rpr.child("w:i") != nullptr;
    run.raised = std::string(rpr.child("w:vertAlign").attribute("w:val").as_string()) == "superscript";
    run.picture = r.child("w:drawing") != nullptr;
    for (auto t : r.children("w:t"))
        run.text += t.text().get();
    return run;
}

inline DocxParagraph readParagraph(pugi::xml_node p)
{
    DocxParagraph para;
    para.centred = std::string(p.child("w:pPr").child("w:jc").attribute("w:val").as_string()) == "center";
    for (auto r : p.children("w:r"))
        para.runs.push_back(readRun(r));
    return para;
}

inline Docx readDocx(const std::string &path)
{
    Docx d;
    int err = 0;
    zip_t *za = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!za)
        return d;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        zip_file_t *f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        std::string data(st.size, '\0');
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        d.parts[st.name] = data;
    }
    zip_close(za);
    const std::string &xml = d.parts["word/document.xml"];
    d.document.load_buffer(xml.data(), xml.size());
    for (auto b : d.document.child("w:document").child("w:body").children()) {
        const std::string name = b.name();
        if (name == "w:p") {
            d.paragraphs.push_back(readParagraph(b));
            d.lines.push_back(d.paragraphs.back().text());
            for (const auto &r : d.paragraphs.back().runs)
                d.pictures += r.picture;
        } else if (name == "w:tbl") {
            DocxTable t;
            for (auto tr : b.children("w:tr")) {
                std::vector<std::string> row;
                bool first = true;
                for (auto tc : tr.children("w:tc")) {
                    std::string text;
                    for (auto p : tc.children("w:p")) {
                        const DocxParagraph para = readParagraph(p);
                        text += para.text();
                        if (first)
                            t.firstRuns.push_back(para.runs);
                    }
                    first = false;
                    row.push_back(text);
                }
                t.cells.push_back(row);
            }
            d.lines.push_back("<table " + std::to_string(d.tables.size()) + ">");
            d.tables.push_back(std::move(t));
        }
    }
    return d;
}

} // namespace kvtest
