#include "report/docxfile.h"

#include <QDir>
#include <QFileInfo>
#include "data/outputfile.h"
#include "data/xmltext.h"

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>
#include <sstream>
#include <zip.h>

namespace kv {

namespace {

constexpr const char *kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char *kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char *kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char *kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr long long kEmuPerPixel = 9525; // at 96 dpi
constexpr long long kEmuPerPoint = 12700;

std::string toString(const pugi::xml_document &doc)
{
    std::ostringstream os;
    doc.save(os, "", pugi::format_raw, pugi::encoding_utf8);
    return os.str();
}

pugi::xml_document newXml()
{
    pugi::xml_document d;
    auto decl = d.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    return d;
}

// Every text of the document passes here: what XML 1.0 forbids (a control character typed into
// a name, U+FFFE, broken UTF-8) becomes U+FFFD, so the file always opens.
void setText(pugi::xml_node t, const std::string &text)
{
    t.text().set(xmlSafeText(text).c_str());
}

void setVal(pugi::xml_node n, const char *name, const std::string &v)
{
    n.append_child(name).append_attribute("w:val") = v.c_str();
}

void writeRunProps(pugi::xml_node parent, const RunFormat &f)
{
    auto rpr = parent.append_child("w:rPr");
    auto fonts = rpr.append_child("w:rFonts");
    for (const char *slot : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"})
        fonts.append_attribute(slot) = f.font.c_str();
    if (f.bold) {
        rpr.append_child("w:b");
        rpr.append_child("w:bCs");
    }
    if (f.italic) {
        rpr.append_child("w:i");
        rpr.append_child("w:iCs");
    }
    const std::string half = std::to_string(static_cast<int>(f.size * 2 + 0.5));
    setVal(rpr, "w:sz", half);
    setVal(rpr, "w:szCs", half);
    if (f.raised)
        setVal(rpr, "w:vertAlign", "superscript");
    setVal(rpr, "w:lang", "ru-RU");
}

class PackageWriter {
public:
    PackageWriter(const ReportDocument &doc) : m_doc(doc) {}

    pugi::xml_document documentXml();
    pugi::xml_document headerFooterXml(bool header);
    pugi::xml_document stylesXml();
    pugi::xml_document settingsXml();
    pugi::xml_document fontTableXml();
    pugi::xml_document contentTypesXml();
    pugi::xml_document packageRelsXml();
    pugi::xml_document documentRelsXml();
    std::string coreXml();

private:
    void writeParagraph(pugi::xml_node body, const Paragraph &p, bool keepNext = false);
    void writeTable(pugi::xml_node body, const TableBlock &t);
    void writePicture(pugi::xml_node run, int index);
    const ReportDocument &m_doc;
};

pugi::xml_document PackageWriter::documentXml()
{
    auto d = newXml();
    auto root = d.append_child("w:document");
    root.append_attribute("xmlns:w") = kW;
    root.append_attribute("xmlns:r") = kR;
    root.append_attribute("xmlns:wp") =
        "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
    root.append_attribute("xmlns:a") = "http://schemas.openxmlformats.org/drawingml/2006/main";
    root.append_attribute("xmlns:pic") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
    auto body = root.append_child("w:body");
    // A heading (a paragraph of bold text: captions, "Расчеты.") stays on the page of what it
    // heads, through the empty paragraphs below it.
    bool keep = false;
    for (const auto &b : m_doc.blocks) {
        if (const auto *p = std::get_if<Paragraph>(&b)) {
            keep = isHeading(*p) || (keep && p->isEmpty());
            writeParagraph(body, *p, keep);
        } else {
            keep = false;
            writeTable(body, std::get<TableBlock>(b));
        }
    }
    // The section properties close the body.
    const PageSetup &pg = m_doc.page;
    auto sect = body.append_child("w:sectPr");
    if (pg.pageNumbers != PageNumbers::None) {
        auto ref = sect.append_child(pg.pageNumbers == PageNumbers::Header ? "w:headerReference"
                                                                            : "w:footerReference");
        ref.append_attribute("w:type") = "default";
        ref.append_attribute("r:id") = "rIdHF";
    }
    auto sz = sect.append_child("w:pgSz");
    sz.append_attribute("w:w") = mmToTwips(pg.pageWidthMm());
    sz.append_attribute("w:h") = mmToTwips(pg.pageHeightMm());
    if (pg.landscape)
        sz.append_attribute("w:orient") = "landscape";
    auto mar = sect.append_child("w:pgMar");
    mar.append_attribute("w:top") = twips(pg.topPt);
    mar.append_attribute("w:right") = twips(pg.rightPt);
    mar.append_attribute("w:bottom") = twips(pg.bottomPt);
    mar.append_attribute("w:left") = twips(pg.leftPt);
    mar.append_attribute("w:header") = twips(pg.headerPt);
    mar.append_attribute("w:footer") = twips(pg.footerPt);
    mar.append_attribute("w:gutter") = 0;
    return d;
}

void PackageWriter::writeParagraph(pugi::xml_node body, const Paragraph &p, bool keepNext)
{
    auto para = body.append_child("w:p");
    auto ppr = para.append_child("w:pPr");
    if (keepNext)
        ppr.append_child("w:keepNext");
    if (p.align == Align::Center)
        setVal(ppr, "w:jc", "center");
    writeRunProps(ppr, p.mark);
    for (const auto &r : p.runs) {
        auto run = para.append_child("w:r");
        writeRunProps(run, r.format);
        if (r.picture >= 0) {
            writePicture(run, r.picture);
            continue;
        }
        auto t = run.append_child("w:t");
        t.append_attribute("xml:space") = "preserve";
        setText(t, r.text);
    }
}

void PackageWriter::writeTable(pugi::xml_node body, const TableBlock &t)
{
    const size_t cols = std::max<size_t>(t.cells.empty() ? 1 : t.cells.front().size(), 1);
    const int width = twips(m_doc.page.textWidthPt());
    const std::vector<double> share = columnShares(t);
    std::vector<int> colWidths(cols);
    for (size_t c = 0; c < cols; ++c)
        colWidths[c] = static_cast<int>(width * share[c]);
    int tableWidth = 0;
    for (int w : colWidths)
        tableWidth += w;
    auto tbl = body.append_child("w:tbl");
    auto tpr = tbl.append_child("w:tblPr");
    auto tw = tpr.append_child("w:tblW");
    tw.append_attribute("w:w") = tableWidth;
    tw.append_attribute("w:type") = "dxa";
    auto borders = tpr.append_child("w:tblBorders");
    for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
        auto b = borders.append_child(side);
        b.append_attribute("w:val") = "single";
        b.append_attribute("w:sz") = 4;
        b.append_attribute("w:space") = 0;
        b.append_attribute("w:color") = "000000";
    }
    auto layout = tpr.append_child("w:tblLayout");
    layout.append_attribute("w:type") = "fixed";
    auto cm = tpr.append_child("w:tblCellMar");
    for (const char *side : {"w:left", "w:right"}) {
        auto m = cm.append_child(side);
        m.append_attribute("w:w") = 57;
        m.append_attribute("w:type") = "dxa";
    }
    auto grid = tbl.append_child("w:tblGrid");
    for (size_t c = 0; c < cols; ++c)
        grid.append_child("w:gridCol").append_attribute("w:w") = colWidths[c];
    for (size_t r = 0; r < t.cells.size(); ++r) {
        auto tr = tbl.append_child("w:tr");
        if (r == 0) {
            // The caption row repeats at the top of every page the table runs onto.
            tr.append_child("w:trPr").append_child("w:tblHeader");
        }
        for (size_t c = 0; c < cols; ++c) {
            auto tc = tr.append_child("w:tc");
            auto tcpr = tc.append_child("w:tcPr");
            auto w = tcpr.append_child("w:tcW");
            w.append_attribute("w:w") = colWidths[c];
            w.append_attribute("w:type") = "dxa";
            Paragraph p;
            p.align = Align::Center;
            RunFormat f = t.format;
            f.bold = r == 0;
            p.mark = f;
            const std::string &text = c < t.cells[r].size() ? t.cells[r][c] : std::string();
            if (!text.empty())
                p.runs.push_back(Run{text, f, -1});
            writeParagraph(tc, p); // every cell holds a paragraph, even an empty one
        }
    }
}

void PackageWriter::writePicture(pugi::xml_node run, int index)
{
    const Picture &pic = m_doc.pictures[static_cast<size_t>(index)];
    long long cx = pic.width * kEmuPerPixel;
    long long cy = pic.height * kEmuPerPixel;
    if (pic.widthPt > 0 && pic.heightPt > 0) {
        cx = std::llround(pic.widthPt * kEmuPerPoint);
        cy = std::llround(pic.heightPt * kEmuPerPoint);
    }
    const long long maxCx = static_cast<long long>(m_doc.page.textWidthPt() * kEmuPerPoint);
    if (cx > maxCx && cx > 0) {
        cy = cy * maxCx / cx;
        cx = maxCx;
    }
    const std::string id = std::to_string(index + 1);
    const std::string name = "Рисунок " + id;
    auto drawing = run.append_child("w:drawing");
    auto inl = drawing.append_child("wp:inline");
    for (const char *a : {"distT", "distB", "distL", "distR"})
        inl.append_attribute(a) = 0;
    auto ext = inl.append_child("wp:extent");
    ext.append_attribute("cx") = cx;
    ext.append_attribute("cy") = cy;
    auto eff = inl.append_child("wp:effectExtent");
    for (const char *a : {"l", "t", "r", "b"})
        eff.append_attribute(a) = 0;
    auto docPr = inl.append_child("wp:docPr");
    docPr.append_attribute("id") = id.c_str();
    docPr.append_attribute("name") = name.c_str();
    auto frame = inl.append_child("wp:cNvGraphicFramePr").append_child("a:graphicFrameLocks");
    frame.append_attribute("noChangeAspect") = 1;
    auto gd = inl.append_child("a:graphic").append_child("a:graphicData");
    gd.append_attribute("uri") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
    auto p = gd.append_child("pic:pic");
    auto nv = p.append_child("pic:nvPicPr");
    auto cnv = nv.append_child("pic:cNvPr");
    cnv.append_attribute("id") = id.c_str();
    cnv.append_attribute("name") = ("image" + id + ".png").c_str();
    nv.append_child("pic:cNvPicPr");
    auto fill = p.append_child("pic:blipFill");
    fill.append_child("a:blip").append_attribute("r:embed") = ("rIdImg" + id).c_str();
    fill.append_child("a:stretch").append_child("a:fillRect");
    auto sp = p.append_child("pic:spPr");
    auto xf = sp.append_child("a:xfrm");
    auto off = xf.append_child("a:off");
    off.append_attribute("x") = 0;
    off.append_attribute("y") = 0;
    auto ext2 = xf.append_child("a:ext");
    ext2.append_attribute("cx") = cx;
    ext2.append_attribute("cy") = cy;
    auto geom = sp.append_child("a:prstGeom");
    geom.append_attribute("prst") = "rect";
    geom.append_child("a:avLst");
}

pugi::xml_document PackageWriter::headerFooterXml(bool header)
{
    auto d = newXml();
    auto root = d.append_child(header ? "w:hdr" : "w:ftr");
    root.append_attribute("xmlns:w") = kW;
    root.append_attribute("xmlns:r") = kR;
    auto para = root.append_child("w:p");
    auto ppr = para.append_child("w:pPr");
    setVal(ppr, "w:jc", "center");
    writeRunProps(ppr, insertionDefaultFormat());
    auto fld = para.append_child("w:fldSimple");
    fld.append_attribute("w:instr") = " PAGE ";
    auto run = fld.append_child("w:r");
    writeRunProps(run, insertionDefaultFormat());
    setText(run.append_child("w:t"), "1");
    return d;
}

pugi::xml_document PackageWriter::stylesXml()
{
    auto d = newXml();
    auto root = d.append_child("w:styles");
    root.append_attribute("xmlns:w") = kW;
    auto defaults = root.append_child("w:docDefaults");
    writeRunProps(defaults.append_child("w:rPrDefault"), insertionDefaultFormat());
    auto ppr = defaults.append_child("w:pPrDefault").append_child("w:pPr");
    auto spacing = ppr.append_child("w:spacing");
    spacing.append_attribute("w:after") = 0;
    spacing.append_attribute("w:line") = 240;
    spacing.append_attribute("w:lineRule") = "auto";
    auto normal = root.append_child("w:style");
    normal.append_attribute("w:type") = "paragraph";
    normal.append_attribute("w:default") = 1;
    normal.append_attribute("w:styleId") = "Normal";
    setVal(normal, "w:name", "Normal");
    normal.append_child("w:qFormat");
    auto table = root.append_child("w:style");
    table.append_attribute("w:type") = "table";
    table.append_attribute("w:default") = 1;
    table.append_attribute("w:styleId") = "TableNormal";
    setVal(table, "w:name", "Normal Table");
    return d;
}

pugi::xml_document PackageWriter::settingsXml()
{
    auto d = newXml();
    auto root = d.append_child("w:settings");
    root.append_attribute("xmlns:w") = kW;
    setVal(root, "w:defaultTabStop", "709");
    setVal(root, "w:characterSpacingControl", "doNotCompress");
    auto compat = root.append_child("w:compat").append_child("w:compatSetting");
    compat.append_attribute("w:name") = "compatibilityMode";
    compat.append_attribute("w:uri") = "http://schemas.microsoft.com/office/word";
    compat.append_attribute("w:val") = "15";
    setVal(root, "w:themeFontLang", "ru-RU");
    return d;
}

pugi::xml_document PackageWriter::fontTableXml()
{
    auto d = newXml();
    auto root = d.append_child("w:fonts");
    root.append_attribute("xmlns:w") = kW;
    for (const char *name : {"Times New Roman", "Times New Roman Cyr"}) {
        auto f = root.append_child("w:font");
        f.append_attribute("w:name") = name;
        if (std::string(name) != "Times New Roman")
            setVal(f, "w:altName", "Times New Roman");
        setVal(f, "w:charset", "CC");
        setVal(f, "w:family", "roman");
        setVal(f, "w:pitch", "variable");
    }
    return d;
}

pugi::xml_document PackageWriter::contentTypesXml()
{
    auto d = newXml();
    auto root = d.append_child("Types");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/content-types";
    auto def = [&](const char *ext, const char *type) {
        auto n = root.append_child("Default");
        n.append_attribute("Extension") = ext;
        n.append_attribute("ContentType") = type;
    };
    def("rels", "application/vnd.openxmlformats-package.relationships+xml");
    def("xml", "application/xml");
    def("png", "image/png");
    auto over = [&](const char *part, const char *type) {
        auto n = root.append_child("Override");
        n.append_attribute("PartName") = part;
        n.append_attribute("ContentType") = type;
    };
    const std::string wml = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
    over("/word/document.xml", (wml + "document.main+xml").c_str());
    over("/word/styles.xml", (wml + "styles+xml").c_str());
    over("/word/settings.xml", (wml + "settings+xml").c_str());
    over("/word/fontTable.xml", (wml + "fontTable+xml").c_str());
    if (m_doc.page.pageNumbers == PageNumbers::Header)
        over("/word/header1.xml", (wml + "header+xml").c_str());
    else if (m_doc.page.pageNumbers == PageNumbers::Footer)
        over("/word/footer1.xml", (wml + "footer+xml").c_str());
    over("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
    return d;
}

pugi::xml_document PackageWriter::packageRelsXml()
{
    auto d = newXml();
    auto root = d.append_child("Relationships");
    root.append_attribute("xmlns") = kRelsNs;
    auto r = root.append_child("Relationship");
    r.append_attribute("Id") = "rId1";
    r.append_attribute("Type") = (std::string(kRelBase) + "officeDocument").c_str();
    r.append_attribute("Target") = "word/document.xml";
    auto c = root.append_child("Relationship");
    c.append_attribute("Id") = "rId2";
    c.append_attribute("Type") =
        "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
    c.append_attribute("Target") = "docProps/core.xml";
    return d;
}

pugi::xml_document PackageWriter::documentRelsXml()
{
    auto d = newXml();
    auto root = d.append_child("Relationships");
    root.append_attribute("xmlns") = kRelsNs;
    auto rel = [&](const std::string &id, const std::string &type, const std::string &target) {
        auto r = root.append_child("Relationship");
        r.append_attribute("Id") = id.c_str();
        r.append_attribute("Type") = (kRelBase + type).c_str();
        r.append_attribute("Target") = target.c_str();
    };
    rel("rIdStyles", "styles", "styles.xml");
    rel("rIdSettings", "settings", "settings.xml");
    rel("rIdFonts", "fontTable", "fontTable.xml");
    if (m_doc.page.pageNumbers == PageNumbers::Header)
        rel("rIdHF", "header", "header1.xml");
    else if (m_doc.page.pageNumbers == PageNumbers::Footer)
        rel("rIdHF", "footer", "footer1.xml");
    for (size_t i = 0; i < m_doc.pictures.size(); ++i) {
        const std::string id = std::to_string(i + 1);
        rel("rIdImg" + id, "image", "media/image" + id + ".png");
    }
    return d;
}

std::string PackageWriter::coreXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
           "<dc:title>Расчет молниезащиты</dc:title><dc:creator>Korvan VL</dc:creator>"
           "</cp:coreProperties>";
}

// One zip archive built in memory; the entries' buffers live in `m_parts` until the archive is
// closed (zip_source_buffer does not copy).
class ZipBuilder {
public:
    bool add(const std::string &name, std::string data)
    {
        m_parts.push_back({name, std::move(data)});
        return true;
    }
    bool write(const QString &path, QString *error);

private:
    std::vector<std::pair<std::string, std::string>> m_parts;
};

bool ZipBuilder::write(const QString &path, QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = "Ошибка. Не удалось записать файл " + QDir::toNativeSeparators(path) + ". "
                     + what;
        return false;
    };
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t *mem = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    if (!mem)
        return fail(QString::fromUtf8(zip_error_strerror(&zerr)));
    zip_source_keep(mem);
    zip_t *za = zip_open_from_source(mem, ZIP_TRUNCATE, &zerr);
    if (!za) {
        zip_source_free(mem);
        return fail(QString::fromUtf8(zip_error_strerror(&zerr)));
    }
    for (const auto &[name, data] : m_parts) {
        zip_source_t *src = zip_source_buffer(za, data.data(), data.size(), 0);
        const zip_int64_t index =
            src ? zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8) : zip_int64_t{-1};
        // A fixed entry time (1 January 1980, the first a zip can hold): the same report is the
        // same file whenever it is written.
        if (index < 0 || zip_file_set_dostime(za, static_cast<zip_uint64_t>(index), 0, 0x21, 0) < 0) {
            if (src && index < 0)
                zip_source_free(src);
            const QString msg = QString::fromUtf8(zip_strerror(za));
            zip_discard(za);
            zip_source_free(mem);
            return fail(msg);
        }
    }
    if (zip_close(za) < 0) {
        const QString msg = QString::fromUtf8(zip_strerror(za));
        zip_discard(za);
        zip_source_free(mem);
        return fail(msg);
    }
    // Read the finished archive back out of the memory source.
    QByteArray bytes;
    zip_stat_t st;
    if (zip_source_stat(mem, &st) == 0 && zip_source_open(mem) == 0) {
        bytes.resize(static_cast<qsizetype>(st.size));
        const zip_int64_t n = zip_source_read(mem, bytes.data(), st.size);
        zip_source_close(mem);
        if (n < 0 || static_cast<zip_uint64_t>(n) != st.size)
            bytes.clear();
    }
    zip_source_free(mem);
    if (bytes.isEmpty())
        return fail(QString());
    std::string why;
    if (!writeOutputFile(path.toStdString(),
                         std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                         &why))
        return fail(QString::fromStdString(why));
    return true;
}

} // namespace

bool saveDocx(const ReportDocument &doc, const QString &path, QString *error)
{
    PackageWriter w(doc);
    ZipBuilder zip;
    // [Content_Types].xml first, as Word expects.
    zip.add("[Content_Types].xml", toString(w.contentTypesXml()));
    zip.add("_rels/.rels", toString(w.packageRelsXml()));
    zip.add("docProps/core.xml", w.coreXml());
    zip.add("word/document.xml", toString(w.documentXml()));
    zip.add("word/_rels/document.xml.rels", toString(w.documentRelsXml()));
    zip.add("word/styles.xml", toString(w.stylesXml()));
    zip.add("word/settings.xml", toString(w.settingsXml()));
    zip.add("word/fontTable.xml", toString(w.fontTableXml()));
    if (doc.page.pageNumbers == PageNumbers::Header)
        zip.add("word/header1.xml", toString(w.headerFooterXml(true)));
    else if (doc.page.pageNumbers == PageNumbers::Footer)
        zip.add("word/footer1.xml", toString(w.headerFooterXml(false)));
    for (size_t i = 0; i < doc.pictures.size(); ++i) {
        const QByteArray &png = doc.pictures[i].png;
        zip.add("word/media/image" + std::to_string(i + 1) + ".png",
                std::string(png.constData(), static_cast<size_t>(png.size())));
    }
    return zip.write(path, error);
}

} // namespace kv
