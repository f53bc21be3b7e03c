#pragma once
// Report inputs for the section tests and the written report read back.

#include "docxreader.h"
#include "report/reportfile.h"
#include "report/sampleproject.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kvtest {

inline kv::ReportProfile onlyFlags(std::initializer_list<bool kv::ReportProfile::*> flags)
{
    kv::ReportProfile p;
    p.WordDoc = "новый";
    p.PaperSize = "A4";
    for (auto f : flags)
        p.*f = true;
    return p;
}

struct Written {
    Docx docx;
    kv::ReportFileResult result;
};

inline Written writeDocx(const kv::ReportInput &in, kv::ReportFeedback *fb = nullptr)
{
    QTemporaryDir dir;
    kv::ReportSession session;
    Written w;
    w.result = kv::writeReportFile(in, dir.filePath("r.docx"), session, fb);
    EXPECT_TRUE(w.result.ok) << w.result.error.toStdString();
    w.docx = readDocx(dir.filePath("r.docx").toStdString());
    return w;
}

// The lines from the first one equal to first, as many as expected has; empty when not found.
inline std::vector<std::string> linesFrom(const Docx &d, const std::string &first, size_t n)
{
    const int i = d.find(first);
    if (i < 0)
        return {};
    const size_t end = std::min(d.lines.size(), static_cast<size_t>(i) + n);
    return std::vector<std::string>(d.lines.begin() + i, d.lines.begin() + static_cast<long>(end));
}

} // namespace kvtest
