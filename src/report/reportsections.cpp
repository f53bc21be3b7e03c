#include "report/reportsections.h"

#include "data/outputfile.h"

#include "calc/construction.h"
#include "calc/numfmt.h"
#include "calc/rollingsphere.h"
#include "calc/protection.h"
#include "calc/zones.h"
#include "data/outputfile.h"
#include "data/schema.h"
#include "plan/plancoords.h"
#include "plan/multirodzones.h"
#include "plan/recordfields.h"
#include "plan/scene3d.h"
#include "plan/sphereenvelope.h"
#include "plan/zonepictures.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kv {

namespace {

// A failure that stops the report where it happens (a picture that cannot be written or read).
struct ReportStop : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct ReportCancelled {};

std::string g(double v) { return formatGeneral(v); }
std::string g(const OptD &v) { return v ? formatGeneral(*v) : std::string(); }
std::string g(const OptI &v) { return v ? std::to_string(*v) : std::string(); }
std::string g(const OptS &v) { return v.value_or(std::string()); }
double num(const OptD &v) { return v.value_or(0.0); }

bool contains(const std::string &s, const char *part) { return s.find(part) != std::string::npos; }

const RunFormat kTimes10{"Times New Roman", 10, false, false, false};
const RunFormat kTimes12{"Times New Roman", 12, false, false, false};
const RunFormat kTimes12Bold{"Times New Roman", 12, true, false, false};
const RunFormat kTimes14Bold{"Times New Roman", 14, true, false, false};

// Corners of an object in the fixed order: left top, right top, right bottom, left bottom.
enum Corner { LeftTop, RightTop, RightBottom, LeftBottom };
constexpr const char *kCornerNames[4] = {"левый верхний угол", "правый верхний угол",
                                         "правый нижний угол", "левый нижний угол"};
constexpr const char *kCornerTo[4] = {" до левого верхнего угла", " до правого верхнего угла",
                                      " до правого нижнего угла", " до левого нижнего угла"};
bool isRight(int c) { return c == RightTop || c == RightBottom; }
bool isBottom(int c) { return c == RightBottom || c == LeftBottom; }

Pt cornerPoint(const ObjectRec &o, int c)
{
    const double x = num(o.MXa) + (isRight(c) ? num(o.L) : 0.0);
    const double y = num(o.MYa) + (isBottom(c) ? num(o.S) : 0.0);
    return {x, y};
}

// The corner chosen from four distances: left top over right top only when strictly farther,
// then each following corner only when strictly farther than the one taken.
int chooseCorner(const double d[4])
{
    int c = d[LeftTop] > d[RightTop] ? LeftTop : RightTop;
    if (d[RightBottom] > d[c])
        c = RightBottom;
    if (d[LeftBottom] > d[c])
        c = LeftBottom;
    return c;
}

int FarthestCorner(const ObjectRec &o, double xm, double ym)
{
    double d[4];
    for (int c = 0; c < 4; ++c) {
        const Pt p = cornerPoint(o, c);
        d[c] = round2(std::hypot(p.x - xm, p.y - ym));
    }
    return chooseCorner(d);
}

// Governing point labels of the double-rod selection and the text each adds to a place.
struct PointText {
    const char *label;
    const char *text;
};
constexpr PointText kPointTexts[] = {
    {"A", " до левого верхнего угла"},
    {"B", " до правого верхнего угла"},
    {"C", " до правого нижнего угла"},
    {"D", " до левого нижнего угла"},
    {"AB", " до точки пересечения верхней стороны объекта и перпендикуляра к оси молниеотвода, "
           "проходящего через ее центр"},
    {"BC", " до точки пересечения правой стороны объекта и перпендикуляра к оси молниеотвода, "
           "проходящего через ее центр"},
    {"CD", " до точки пересечения нижней стороны объекта и перпендикуляра к оси молниеотвода, "
           "проходящего через ее центр"},
    {"AD", " до точки пересечения левой стороны объекта и перпендикуляра к оси молниеотвода, "
           "проходящего через ее центр"},
};

class Sections {
public:
    Sections(const ReportInput &in, DocumentWriter &w, ReportFeedback *fb, ReportResult &result)
        : m_in(in), m_w(w), m_fb(fb), m_result(result), m_p(in.profile), m_proj(in.snap.project),
          m_objects(in.snap.objects),
          m_type(conductorTypeOf(in.snap.project.TipMO.value_or(std::string()))),
          m_lim(limitsOf(in.settings))
    {
        // Two rods of a multiple rod are the double rod, with its stored values and sections.
        if (m_type == ConductorType::MultiRod && in.snap.conductors.size() == 2)
            m_type = ConductorType::DoubleRod;
        if (isMulti()) {
            const size_t n = in.snap.conductors.size();
            m_mr = in.multiRod;
            // Without stored pairs (a project from an import of its rows alone) they are taken
            // from the selection over the rows as they stand.
            if (m_mr.pairs.size() != n * (n - 1) / 2 || m_mr.objects.size() != m_objects.size()) {
                const MultiRodDrawing d = multiRodDrawing(in.snap, in.settings, "");
                const MultiRodDrawing d1 = multiRodDrawing(in.snap, in.settings, "1");
                m_mr.pairs = d.pairs;
                m_mr.objects = d.objects;
                for (size_t p = 0; p < m_mr.pairs.size() && p < d1.pairs.size(); ++p) {
                    m_mr.pairs[p].L_H1 = d1.pairs[p].L_H;
                    m_mr.pairs[p].Hc_a1 = d1.pairs[p].Hc_a;
                    m_mr.pairs[p].Rc_a1 = d1.pairs[p].Rc_a;
                    m_mr.pairs[p].Hc_b1 = d1.pairs[p].Hc_b;
                    m_mr.pairs[p].Rc_b1 = d1.pairs[p].Rc_b;
                }
            }
        }
        static const ConductorRec empty;
        m_mo = in.currentConductor < in.snap.conductors.size()
                   ? &in.snap.conductors[in.currentConductor]
                   : &empty;
        m_zA = m_proj.ZonaACnt.value_or(0) > 0;
        m_zB = m_proj.ZonaBCnt.value_or(0) > 0;
        m_useAs2 = m_proj.ChkUseAs2.value_or(false);
    }

    void run();

private:
    // ---- writer shorthands
    void P(const std::string &t) { m_w.AppendPlain(t); }
    void R(const std::string &t) { m_w.AppendRaised(t); }
    void run(const std::string &t, const RunFormat &f) { m_w.AppendRun(t, f); }
    void title(const std::string &t)
    {
        run(t, kTimes12);
        m_w.SetInsertionFormat(kTimes10);
    }
    void bareBreak() { m_w.AppendBreak(); }
    void step(int n = 1);

    bool isDouble() const { return m_type == ConductorType::DoubleRod; }
    bool isCable() const { return m_type == ConductorType::Cable; }
    bool isRod() const { return m_type == ConductorType::SingleRod; }
    // Three rods or more (two are written as the double rod).
    bool isMulti() const { return m_type == ConductorType::MultiRod; }
    std::string moField(const char *base, const std::string &s) const
    {
        return g(conductorField(*m_mo, base, s));
    }
    double moNum(const char *base, const std::string &s) const
    {
        return num(conductorField(*m_mo, base, s));
    }
    std::string adjective() const
    {
        if (isCable())
            return "торцевых областей ";
        if (isDouble())
            return m_useAs2 ? "области " : "торцевых областей ";
        return {};
    }

    // ---- Project and object sections
    void WriteProjectName();
    void WriteProjectCharacteristics();
    void WriteGeneralObjectTable();
    void WriteProtectionTable();
    void WriteClassNote();
    void WriteStrikeCounts();
    void appendObjectTable(const std::string &caption, const std::vector<std::string> &fields);
    void appendConductorTable(const std::string &caption, const std::vector<std::string> &fields);

    // ---- Conductor calculation sections and blocks
    void WriteCornerFormulas(const std::string &heading, const std::string &words);
    void WriteCornerDistance(const ObjectRec &o, const std::string &place, const std::string &xm,
                             const std::string &ym, bool withName);
    void WriteAxisFormulas(const std::string &heading, const std::string &ending);
    void WriteAxisDistance(const ObjectRec &o, const std::string &place, bool withName);
    void WriteProjection(const ObjectRec &o, const std::string &label, Pt point);
    void WriteHeightFormulas(const std::string &heading, const std::string &rText);
    void writeWorkedZoneA(const ObjectRec &o, bool cable);
    void writeWorkedHeights(bool cable);
    void WriteRadiusFormulas();
    void WriteNarrowingFormulas();
    void WriteRodDistances();
    void WriteRodDesignHeight();
    void WriteCableDistances();
    void WriteCableDesignHeight();
    std::string FarthestCableCorner(const ObjectRec &o) const;
    void WriteRodRadii(const std::string &title, const std::string &s, bool withFormulas,
                       bool withNarrowing);
    void WriteCableRadii(const std::string &title, const std::string &s, bool withFormulas);

    // ---- Double rod
    void WriteDoubleRodHeights();
    void WriteDoubleHeightFormulas(const std::string &heading);
    void writeMidlineFormulas();
    void WriteMidlineDistance(const std::string &label, const ObjectRec &o);
    void WriteDoubleObjectHeight(const ObjectRec &o);
    void writeDoubleObjectWork(const ObjectRec &o);

    // ---- Multiple rod
    std::string elementText(const MultiRodObject &e) const;
    void WriteMultiRodTable(const std::string &s);
    void WriteMultiRodPairs(const std::string &s);
    void WriteMultiRodHeights();

    // ---- Conductor tables, radii table and drawings
    void WriteDesignConductor();
    void WriteChosenConductor();
    void writeConductorSection(bool chosen);
    void writeSpan(const std::string &heading, double L, const std::string &where);
    std::string designNote() const;
    std::string chosenNote() const;
    void WriteRodValues(const std::string &s, const std::string &adj, bool withNarrowing, double L);
    void WriteCableValues(const std::string &s);
    void WriteRadiiTable();
    void WriteDrawings();
    void WriteDrawingNote(const std::string &caption, const std::string &s);
    void insertPicture(const QImage &image, const char *name);
    void writeScaleLine(const std::string &caption);

    void Write3DPicture();

    // ---- Rolling-sphere check
    void WriteSphereCheck();
    // The check of every object at every level, run once for the section and the 3D picture,
    // and the level its drawing shows (the best one, or the largest sphere).
    const SphereResult &sphereResult();
    int sphereLevelShown();
    std::optional<SphereResult> m_sphere;

    const ReportInput &m_in;
    DocumentWriter &m_w;
    ReportFeedback *m_fb;
    ReportResult &m_result;
    const ReportProfile &m_p;
    const ProjectRec &m_proj;
    const std::vector<ObjectRec> &m_objects;
    ConductorType m_type;
    DoubleRodLimits m_lim;
    const ConductorRec *m_mo = nullptr;
    bool m_zA = false, m_zB = false, m_useAs2 = false;
    double m_X1 = 0, m_Y1 = 0, m_X2 = 0, m_Y2 = 0, m_L = 0;
    int m_step = 0;
    std::vector<int> m_classes;
    std::unique_ptr<QTemporaryDir> m_tmp;
    double m_pictureFit = 1; // the last drawing's reduction to fit the page
    MultiRodResult m_mr;     // a multiple rod's pairs and protecting elements
};

void Sections::step(int n)
{
    m_step += n;
    if (m_fb) {
        m_fb->setProgress(std::min(m_step, kReportSteps), kReportSteps);
        if (m_fb->isCancelled())
            throw ReportCancelled{};
    }
}

void Sections::run()
{
    m_w.OpenReportDocument(m_p);
    m_classes.clear();
    if (m_fb)
        m_fb->setProgress(0, kReportSteps);
    if (m_in.snap.conductors.size() >= 2 && !isRod()) {
        const ConductorRec &a = m_in.snap.conductors[0];
        const ConductorRec &b = m_in.snap.conductors[1];
        m_X1 = num(a.MX);
        m_Y1 = num(a.MY);
        m_X2 = num(b.MX);
        m_Y2 = num(b.MY);
        if (isDouble())
            m_L = SpanLength({m_X1, m_Y1}, {m_X2, m_Y2});
    }

    if (m_p.ProjName)
        WriteProjectName();
    step();
    if (m_p.ProjHar)
        WriteProjectCharacteristics();
    step();
    WriteGeneralObjectTable();
    WriteProtectionTable();
    WriteDesignConductor();
    WriteChosenConductor();
    WriteRadiiTable();
    WriteDrawings();
    Write3DPicture();
    if (m_p.ProvSfera)
        WriteSphereCheck();
    m_w.CloseReportDocument();
    if (m_fb)
        m_fb->setProgress(kReportSteps, kReportSteps);
}

// ---------------------------------------------------------------------------------------------
// Project and object sections

void Sections::WriteProjectName()
{
    run(g(m_proj.Name) + "." + "\r\r", kTimes14Bold);
}

void Sections::WriteProjectCharacteristics()
{
    std::string t = "Среднегодовая продолжительность гроз: " + g(m_proj.ProdGrozMin) + " - "
                    + g(m_proj.ProdGrozMax)
                    + " час.\rСреднегодовое число ударов молнии в 1 кв. км земной поверхности: "
                    + g(m_proj.Udarov)
                    + ".\rКоличество объектов с типом зоны защиты А: " + g(m_proj.ZonaACnt)
                    + ".\rКоличество объектов с типом зоны защиты Б: " + g(m_proj.ZonaBCnt)
                    + ".\rТип молниеотвода: " + g(m_proj.TipMO);
    t += m_useAs2 ? ", используемый как два одиночных стержневых молниеотвода." : ".";
    run(t + "\r\r", kTimes12);
}

// An object with a zone that the chosen construction leaves without a radius lies above the
// chosen zone: the report says so in words instead of printing a radius.
bool outsideChosenZone(const ObjectRec &o, const std::string &s)
{
    return s == "1" && (o.Zona == std::string(kZoneA) || o.Zona == std::string(kZoneB)) && !o.Rx1;
}

std::string objectText(const ObjectRec &o, const std::string &field)
{
    if ((field == "Rx1" || field == "Rcx1") && outsideChosenZone(o, "1"))
        return kTextOutsideChosenZone;
    if (field == "Name")
        return g(o.Name);
    if (field == "SLabel")
        return g(o.SLabel);
    if (field == "STip")
        return g(o.STip);
    if (field == "Zona")
        return g(o.Zona);
    if (field == "Tip")
        return g(o.Tip);
    if (field == "Kateg")
        return g(o.Kateg);
    return g(objectField(o, field, ""));
}

std::string conductorText(const ConductorRec &c, const std::string &field)
{
    if (field == "Tip")
        return g(c.Tip);
    if (field == "Prim")
        return g(c.Prim);
    return g(conductorField(c, field, ""));
}

std::string fieldCaption(TableId table, const std::string &field)
{
    const FieldDef *f = tableDef(table).field(field);
    return f && !f->label.empty() ? f->label : field;
}

void Sections::appendObjectTable(const std::string &caption, const std::vector<std::string> &fields)
{
    std::vector<std::string> header;
    for (const auto &f : fields)
        header.push_back(fieldCaption(TableId::Object, f));
    std::vector<std::vector<std::string>> rows;
    for (const auto &o : m_objects) {
        std::vector<std::string> row;
        for (const auto &f : fields)
            row.push_back(objectText(o, f));
        rows.push_back(std::move(row));
    }
    m_w.AppendTable(caption, header, rows);
}

void Sections::appendConductorTable(const std::string &caption,
                                    const std::vector<std::string> &fields)
{
    std::vector<std::string> header;
    for (const auto &f : fields)
        header.push_back(fieldCaption(TableId::Mo, f));
    std::vector<std::vector<std::string>> rows;
    for (const auto &c : m_in.snap.conductors) {
        std::vector<std::string> row;
        for (const auto &f : fields)
            row.push_back(conductorText(c, f));
        rows.push_back(std::move(row));
    }
    m_w.AppendTable(caption, header, rows);
}

void Sections::WriteGeneralObjectTable()
{
    if (!m_p.ObjTabObHar) {
        step(2);
        return;
    }
    appendObjectTable("Общая характеристика объектов.",
                      {"Name", "SLabel", "STip", "MXa", "MYa", "L", "S", "Hx"});
    step();
    if (m_p.ObjPrimObHar)
        run("где\rМетка - надпись, идентифицирующая объект на чертеже;\rX, м - координата X "
            "левого верхнего угла объекта на плане, м;\rY, м - координата Y левого верхнего угла "
            "объекта на плане, м;\rL, м - длина объекта, м;\rS, м - ширина объекта, м;\rHx, м - "
            "высота объекта, м.\r\r",
            kTimes10);
    step();
}

void Sections::WriteProtectionTable()
{
    if (!m_p.ObjTabMOHar) {
        step(4);
        return;
    }
    std::vector<std::string> cols = {"Name", "N", "Tip", "Kateg", "Zona", "R", "H", "Rx"};
    if ((isDouble() && !m_useAs2) || isMulti())
        cols.push_back("Rcx");
    appendObjectTable("Характеристика объектов по устройству молниезащиты.", cols);
    step();
    if (m_p.ObjPrimMOHar) {
        const std::string h = g(m_mo->H);
        std::string t = "где\rN - ожидаемое количество поражений объекта молнией в год;\rКласс - "
                        "класс объекта по молниезащите (см. ниже);\rКатегория - категория по "
                        "молниезащите;\rЗона - тип зоны защиты;\r";
        if (isMulti()) {
            t += "R, м - расстояние от оси защищающей пары стержневых молниеотводов (или "
                 "ближайшего стержневого молниеотвода) до точки объекта, которой соответствует "
                 "наибольшая расчетная высота молниеотвода, м;\rН, м - расчетная высота "
                 "молниеотвода, требуемая для объекта, м;\rRx, м - радиус области защиты "
                 "стержневого молниеотвода на высоте Нх при наибольшей расчетной высоте "
                 "молниеотвода (" + h + " м);\rRcx, м - радиус сужения зоны защиты объекта на "
                 "высоте Нх между опорами защищающей пары (для треугольника - наименьший из трех "
                 "пар) при наибольшей расчетной высоте молниеотвода (" + h + " м).\r\r";
        } else if (!isDouble()) {
            t += "R, м - расстояние от молниеотвода до наиболее удаленной точки объекта;\rН, м - "
                 "расчетная высота молниеотвода, требуемая для объекта, м;\rRx, м - радиус защиты "
                 "объекта на высоте Нх при наибольшей расчетной высоте молниеотвода ("
                 + h + " м).\r\r";
        } else {
            if (m_useAs2)
                t += "R, м - расстояние от ближайшего стержневого молниеотвода до наиболее "
                     "удаленной точки объекта, м;\r";
            else
                t += "R, м - расстояние от оси молниеотвода (или ближайшего стержневого "
                     "молниеотвода) до точки объекта, которой соответствует наибольшая расчетная "
                     "высота молниеотвода, м;\r";
            t += "Н, м - расчетная высота молниеотвода, требуемая для объекта, м;\r";
            if (m_useAs2)
                t += "Rx, м - радиус области защиты объекта на высоте Нх при наибольшей расчетной "
                     "высоте молниеотвода (" + h + " м).\r\r";
            else
                t += "Rx, м - радиус торцевых областей защиты объекта на высоте Нх при наибольшей "
                     "расчетной высоте молниеотвода (" + h + " м);\rRcx, м - радиус сужения зоны "
                     "защиты объекта на высоте Нх при наибольшей расчетной высоте молниеотвода ("
                     + h + " м).\r\r";
        }
        run(t, kTimes10);
    }
    step();
    if (m_p.ObjPrimClass)
        WriteClassNote();
    step();
    if (m_p.ObjScoreMOHar) {
        run("Расчеты.\r\r", kTimes12Bold);
        WriteStrikeCounts();
        if (isRod()) {
            WriteRodDistances();
            WriteRodDesignHeight();
            WriteRodRadii("Радиусы зоны защиты объекта на высоте Нх при расчетной высоте "
                          "молниеотвода.",
                          "", true, false);
        } else if (isCable()) {
            WriteCableDistances();
            WriteCableDesignHeight();
            WriteCableRadii("Радиусы торцевых областей защиты объекта на высоте Нх при расчетной "
                            "высоте молниеотвода.",
                            "", true);
        } else if (isMulti()) {
            WriteMultiRodHeights();
        } else if (isDouble()) {
            WriteDoubleRodHeights();
            if (m_useAs2)
                WriteRodRadii("Радиусы областей зон защиты объектов на высоте Нх при расчетной "
                              "высоте молниеотвода.",
                              "", true, false);
            else
                WriteRodRadii("Радиусы торцевых областей и сужения зон защиты объектов на высоте "
                              "Нх при расчетной высоте молниеотвода.",
                              "", true, true);
        }
    }
    step();
}

void Sections::WriteClassNote()
{
    run("Примечание. Классы объектов по молниезащите.\r", kTimes12);
    std::string buffer;
    for (const auto &o : m_objects) {
        const int tip = o.Tip.value_or(0);
        if (std::find(m_classes.begin(), m_classes.end(), tip) != m_classes.end())
            continue;
        const auto it = m_in.classTexts.find(tip);
        const std::string text = it != m_in.classTexts.end() ? it->second : std::string();
        // The sentence ends with one full stop, also when the class text brings its own.
        const bool stop = !text.empty() && text.back() == '.';
        buffer += g(o.Tip) + " - " + text + (stop ? "\r" : ".\r");
        m_classes.push_back(tip);
    }
    run(buffer + "\r\r", kTimes10);
}

void Sections::WriteStrikeCounts()
{
    run("Ожидаемое количество поражений молнией объектов в год.\r", kTimes12);
    m_w.SetInsertionFormat(kTimes10);
    P("Расчетная формула:\r");
    bool concentrated = false, rectangular = false;
    for (const auto &o : m_objects) {
        concentrated = concentrated || o.STip == std::string("сосредоточенный");
        rectangular = rectangular || o.STip == std::string("прямоугольный");
    }
    if (concentrated) {
        P("- для сосредоточенных объектов: N = 9*П*Hx");
        R("2");
        P("*n*10");
        R("-6");
        P(",\r");
        P("где Нх - высота объекта, м; n - cреднегодовое число ударов молнии в 1 кв. км земной "
          "поверхности.\r");
    }
    if (rectangular) {
        P("- для прямоугольных объектов: N = [(S+6*Hx)*(L+6*Hx)-7,7*Hx");
        R("2");
        P("]*n*10");
        R("-6");
        P(",\r");
        P("где Нх - высота объекта, м; L - длина объекта, м; S - ширина объекта, м; n - "
          "cреднегодовое число ударов молнии в 1 кв. км земной поверхности.\r");
    }
    const std::string n = g(m_proj.Udarov);
    for (const auto &o : m_objects) {
        const std::string hx = g(o.Hx);
        if (o.STip == std::string("сосредоточенный")) {
            P(g(o.Name) + " (сосредоточенный объект): N = 9*П*" + hx);
            R("2");
            P("*" + n + "*10");
            R("-6");
            P(" = " + g(o.N) + ".\r");
        } else {
            P(g(o.Name) + " (прямоугольный объект): N = [(" + g(o.S) + "+6*" + hx + ")*(" + g(o.L)
              + "+6*" + hx + ")-7,7*" + hx);
            R("2");
            P("]*" + n + "*10");
            R("-6");
            P(" = " + g(o.N) + ".\r");
        }
    }
    bareBreak();
}

// ---------------------------------------------------------------------------------------------
// Conductor calculation sections

void Sections::WriteCornerFormulas(const std::string &heading, const std::string &words)
{
    static const char *labels[4] = {"- до левого верхнего угла объекта:\r",
                                    "- до правого верхнего угла объекта:\r",
                                    "- до правого нижнего угла объекта:\r",
                                    "- до левого нижнего угла объекта:\r"};
    P(heading + "\r");
    for (int c = 0; c < 4; ++c) {
        P(labels[c]);
        P(std::string("R = [") + (isRight(c) ? "(Xa+L-Xm)" : "(Xa-Xm)"));
        R("2");
        P(std::string("+") + (isBottom(c) ? "(Ya+S-Ym)" : "(Ya-Ym)"));
        R("2");
        P("]");
        R("1/2");
        P(", м;\r");
    }
    P("где Xa,Ya - координаты левого верхнего угла объекта, м; L - длина объекта, м; S - ширина "
      "объекта, м; Xm,Ym - координаты " + words + " , м.\r");
}

// The corner a place names, or -1 when the place is none of the twelve.
int cornerOfPlace(const std::string &place)
{
    for (int c = 0; c < 4; ++c) {
        if (place == kCornerNames[c])
            return c;
        for (const char *origin : {"от первой опоры молниеотвода", "от второй опоры молниеотвода"})
            if (place == std::string(origin) + kCornerTo[c])
                return c;
    }
    return -1;
}

void Sections::WriteCornerDistance(const ObjectRec &o, const std::string &place,
                                   const std::string &xm, const std::string &ym, bool withName)
{
    const int c = cornerOfPlace(place);
    if (c < 0)
        return;
    P((withName ? g(o.Name) + " (" + place + "): " : "- расстояние " + place + ":") + "\r");
    const std::string xPart = isRight(c) ? "(" + g(o.MXa) + "+" + g(o.L) + "-" + xm + ")"
                                         : "(" + g(o.MXa) + "-" + xm + ")";
    const std::string yPart = isBottom(c) ? "(" + g(o.MYa) + "+" + g(o.S) + "-" + ym + ")"
                                          : "(" + g(o.MYa) + "-" + ym + ")";
    P("R = [" + xPart);
    R("2");
    P("+" + yPart);
    R("2");
    P("]");
    R("1/2");
    P(" = " + g(o.R) + " м.\r");
}

void Sections::WriteAxisFormulas(const std::string &heading, const std::string &ending)
{
    P(heading + "\r");
    P("- коэффициент, равный тангенсу угла наклона оси молниеотвода относительно "
      "горизонтали:\rk = (mY2-mY1) / (mX2-mX1),\rгде mX1, mY1 - координаты перв" + ending
      + " молниеотвода, м; mX2, mY2 - координаты втор" + ending + " молниеотвода, м;\r");
    P("- координаты точки, соответствующей проекции угла объекта на ось молниеотвода:\rmXp = "
      "(k*mX1+1/k*mX-mY1+mY) / (k+1/k), м;\rmYp = k*mXp-k*mX1+mY1, м;\rгде mX, mY - координаты "
      "соответствующего угла объекта, м;\r");
    P("- расстояние от точки, соответствующей проекции угла объекта на ось молниеотвода, до "
      "самого угла объекта:\rR = ((mX-mXp)");
    R("2");
    P(" + (mY-mYp)");
    R("2");
    P(")");
    R("1/2");
    P(", м.\r");
}

void Sections::WriteAxisDistance(const ObjectRec &o, const std::string &place, bool withName)
{
    int corner = -1;
    for (int c = 0; c < 4; ++c)
        if (place == std::string("от оси молниеотвода") + kCornerTo[c])
            corner = c;
    if (corner < 0)
        return;
    const std::string label =
        withName ? g(o.Name) + " (" + place + "): " : "- расстояние " + place + ":";
    WriteProjection(o, label, cornerPoint(o, corner));
}

void Sections::WriteProjection(const ObjectRec &o, const std::string &label, Pt pt)
{
    P(label + "\r");
    double xp = 0, yp = 0;
    if (m_Y1 == m_Y2) {
        xp = pt.x;
        yp = m_Y1;
        P("mXp = mX = " + g(pt.x) + " м;\rmYp = mY1 = " + g(m_Y1) + " м;\r");
    } else if (m_X1 == m_X2) {
        xp = m_X1;
        yp = pt.y;
        P("mXp = mX1 = " + g(m_X1) + " м;\rmYp = mY = " + g(pt.y) + " м;\r");
    } else {
        const double k = round5((m_Y2 - m_Y1) / (m_X2 - m_X1));
        const std::string ks = g(k);
        P("k = (" + g(m_Y2) + "-" + g(m_Y1) + ") / (" + g(m_X2) + "-" + g(m_X1) + ") = " + ks
          + ";\r");
        xp = round2((pt.y + m_X1 * k + pt.x / k - m_Y1) / (k + 1 / k));
        yp = round2(m_Y1 + k * xp - m_X1 * k);
        const std::string kk = k >= 0 ? ks : "(" + ks + ")";
        P("mXp = (" + kk + "*" + g(m_X1) + "+1/" + kk + "*" + g(pt.x) + "-" + g(m_Y1) + "+"
          + g(pt.y) + ") / (" + kk + "+1/" + kk + ") = " + g(xp) + " м;\r");
        P("mYp = " + kk + "*" + g(xp) + "-" + kk + "*" + g(m_X1) + "+" + g(m_Y1) + " = " + g(yp)
          + " м;\r");
    }
    P("R = [(" + g(pt.x) + "-" + g(xp) + ")");
    R("2");
    P("+(" + g(pt.y) + "-" + g(yp) + ")");
    R("2");
    P("]");
    R("1/2");
    P(" = " + g(o.R) + " м.\r");
}

void Sections::WriteHeightFormulas(const std::string &heading, const std::string &rText)
{
    P(heading + "\r");
    if (m_zA) {
        P("- для зоны защиты А: \ra = -0,002;\rb = 1,1+0,002/0,85*Hx;\rc = -(1,1/0,85*Hx+R);\rD = b");
        R("2");
        P("-4*a*c;\rH = (-b+D");
        R("1/2");
        P(")/(2*a), м;\r");
    }
    if (m_zB)
        P("- для зоны защиты Б: H = R/1,5+Hx/0,92, м;\r");
    P("где Нх - высота объекта, м; " + rText + "\r");
}

// The worked zone A height: coefficients and discriminant to five decimals, then the stored H.
void Sections::writeWorkedZoneA(const ObjectRec &o, bool cable)
{
    const double hx = num(o.Hx), r = num(o.R);
    const std::string a = cable ? "-0,0025" : "-0,002";
    const std::string b0 = cable ? "1,35" : "1,1";
    const std::string a0 = cable ? "0,0025" : "0,002";
    const std::string b5 = cable ? format00000(hx * (0.0025 / 0.85) + 1.35)
                                 : format00000(hx * (0.002 / 0.85) + 1.1);
    const std::string c5 = cable ? format00000(-(r + hx * (1.35 / 0.85)))
                                 : format00000(-(r + hx * (1.1 / 0.85)));
    const double b = parseNumber(b5).value_or(0), c = parseNumber(c5).value_or(0);
    const std::string d5 = format00000(b * b + (cable ? 0.01 : 0.008) * c);
    P("a = " + a + ";\rb = " + b0 + "+" + a0 + "/0,85*" + g(o.Hx) + " = " + b5 + ";\rc = -(" + b0
      + "/0,85*" + g(o.Hx) + "+" + g(o.R) + ") = " + c5 + ";\rD = " + b5);
    R("2");
    P("-4*(" + a + ")*(" + c5 + ") = " + d5 + ";\rH = (-" + b5 + "+" + d5);
    R("1/2");
    P(")/(2*(" + a + ")) = " + g(o.H) + " м.\r");
}

void Sections::WriteRodDistances()
{
    title("Расстояния от молниеотвода до наиболее удаленных точек объектов.\r");
    WriteCornerFormulas("Расчетные формулы определения расстояний:", "молниеотвода");
    const double xm = num(m_mo->MX), ym = num(m_mo->MY);
    for (const auto &o : m_objects)
        WriteCornerDistance(o, kCornerNames[FarthestCorner(o, xm, ym)], g(m_mo->MX), g(m_mo->MY),
                            true);
    bareBreak();
}

// Every object's required height worked out, and the design height taken.
void Sections::writeWorkedHeights(bool cable)
{
    for (const auto &o : m_objects) {
        if (o.Zona == std::string(kZoneB)) {
            P(g(o.Name) + " (зона " + g(o.Zona) + "): H = " + g(o.R) + (cable ? "/1,7+" : "/1,5+")
              + g(o.Hx) + "/0,92 = " + g(o.H) + " м.\r");
        } else if (o.Zona == std::string(kZoneA)) {
            P(g(o.Name) + " (зона " + g(o.Zona) + "):\r");
            writeWorkedZoneA(o, cable);
        }
    }
    P("В качестве расчетной принимается высота молниеотвода " + g(m_mo->H) + " м.\r\r");
}

void Sections::WriteRodDesignHeight()
{
    title("Расчетная высота молниеотвода.\r");
    WriteHeightFormulas("Расчетные формулы определения высоты молниеотвода:",
                        "R - расстояние от молниеотвода до наиболее удаленной точки объекта, м.");
    writeWorkedHeights(false);
}

std::string Sections::FarthestCableCorner(const ObjectRec &o) const
{
    const Pt s1{m_X1, m_Y1}, s2{m_X2, m_Y2};
    double d[4];
    std::string origin[4];
    for (int c = 0; c < 4; ++c) {
        const Pt p = cornerPoint(o, c);
        d[c] = SegmentDistance(p, s1, s2);
        if (FootOnAxis(p, s1, s2).between)
            origin[c] = "от оси молниеотвода";
        else if (round2(std::hypot(p.x - s1.x, p.y - s1.y))
                 > round2(std::hypot(p.x - s2.x, p.y - s2.y)))
            origin[c] = "от второй опоры молниеотвода";
        else
            origin[c] = "от первой опоры молниеотвода";
    }
    const int c = chooseCorner(d);
    return origin[c] + kCornerTo[c];
}

void Sections::WriteCableDistances()
{
    title("Расстояния от молниеотвода до наиболее удаленных точек объектов.\r");
    P("Расчетные формулы определения расстояний.\r");
    WriteCornerFormulas("1. От опоры молниеотвода до углов объекта в случае, когда углы объекта "
                        "проецируются на ось молниеотвода за пределами участка между опорами "
                        "молниеотвода:",
                        "опоры молниеотвода");
    WriteAxisFormulas("2. От оси молниеотвода до углов объекта в случае, когда углы объекта "
                      "проецируются на ось молниеотвода в пределах участка между опорами "
                      "молниеотвода:",
                      "ой опоры");
    for (const auto &o : m_objects) {
        const std::string place = FarthestCableCorner(o);
        if (contains(place, "от первой опоры"))
            WriteCornerDistance(o, place, g(m_X1), g(m_Y1), true);
        if (contains(place, "от второй опоры"))
            WriteCornerDistance(o, place, g(m_X2), g(m_Y2), true);
        if (contains(place, "от оси молниеотвода"))
            WriteAxisDistance(o, place, true);
    }
    bareBreak();
}

void Sections::WriteCableDesignHeight()
{
    title("Расчетная высота молниеотвода.\r");
    P("Расчетные формулы определения высоты молниеотвода:\r");
    if (m_zA) {
        P("- для зоны защиты А: \ra = -0,0025;\rb = 1,35+0,0025/0,85*Hx;\rc = -(1,35/0,85*Hx+R);\rD "
          "= b");
        R("2");
        P("-4*a*c;\rH = (-b+D");
        R("1/2");
        P(")/(2*a), м;\r");
    }
    if (m_zB)
        P("- для зоны защиты Б: H = R/1,7+Hx/0,92, м;\r");
    P("где Нх - высота объекта, м; R - расстояние от молниеотвода до наиболее удаленной точки "
      "объекта, м.\r");
    writeWorkedHeights(true);
}

void Sections::WriteRadiusFormulas()
{
    P("Расчетные формулы определения радиусов зон защиты:\r");
    if (m_zA)
        P("- для зоны защиты А: Rx = (1,1-0,002*H)*(H-Hx/0,85), м;\r");
    if (m_zB)
        P("- для зоны защиты Б: Rx = 1,5*(H-Hx/0,92), м;\r");
    P("где Нх - высота объекта, м; H - высота молниеотвода, м.\r");
}

void Sections::WriteNarrowingFormulas()
{
    P("Расчетные формулы определения радиусов сужения зоны защиты в месте ее снижения между "
      "молниеотводами:\r");
    if (m_zA)
        P("- для зоны защиты А:\rпри Lмо<=Ka_min*H: Rсx = Rx, м;\rпри Ka_min*H<Lмо<=Ka*H: Rсx = "
          "Ro_а*(Нс_а-Нх)/Hc_a, м;\rпри Ka*H<Lмо<=Ka_max*H: Rсx = Rc_а*(Нс_а-Нх)/Hc_a, м;\rгде Нх - "
          "высота объекта;\rLмо, м - расстояние между молниеотводами, м;\rКa_min - коэффициент, "
          "обычно принимаемый равным 1;\rКa - коэффициент, обычно принимаемый равным 2;\rКa_max - "
          "коэффициент, обычно принимаемый равным 4;\rRо_а, м - радиус торцевых областей защиты "
          "на уровне земли для зоны А, м;\rHс_a, м - высота зоны защиты в месте снижения между "
          "молниеотводами для зоны А, м;\rRc_а, м - радиус сужения зоны защиты в месте снижения на "
          "уровне земли для зоны А, м.\r");
    if (m_zB)
        P("- для зоны защиты Б:\rпри Lмо<=Kb_min*H: Rсx = Rx, м;\rпри Kb_min*H<Lмо<=Kb_max*H: Rсx "
          "= Ro_b*(Нс_b-Нх)/Hc_b, м;\rгде Кb_min - коэффициент, обычно принимаемый равным 1;\r"
          "Кb_max - коэффициент, обычно принимаемый равным 6;\rRо_b, м - радиус торцевых "
          "областей защиты на уровне земли для зоны Б, м;\rHс_b, м - высота зоны защиты в месте "
          "снижения между молниеотводами для зоны Б, м.\r");
}

void Sections::WriteRodRadii(const std::string &t, const std::string &s, bool withFormulas,
                             bool withNarrowing)
{
    title(t + "\r");
    if (withFormulas) {
        WriteRadiusFormulas();
        if (withNarrowing)
            WriteNarrowingFormulas();
    }
    const double L = m_L;
    const double H = moNum("H", s);
    const std::string hs = moField("H", s);
    const std::string A1 = g(m_lim.A1), A2 = g(m_lim.A2), A3 = g(m_lim.A3), B1 = g(m_lim.B1),
                      B2 = g(m_lim.B2);
    for (const auto &o : m_objects) {
        const bool zB = o.Zona == std::string(kZoneB);
        const bool zA = o.Zona == std::string(kZoneA);
        if (!zA && !zB)
            continue;
        const std::string rx = g(objectField(o, "Rx", s)), rcx = g(objectField(o, "Rcx", s));
        std::string t2 = g(o.Name) + " (зона " + g(o.Zona) + "):\r";
        if (zB)
            t2 += "Rx = 1,5*(" + hs + "-" + g(o.Hx) + "/0,92)";
        else
            t2 += "Rx = (1,1-0,002*" + hs + ") * (" + hs + "-" + g(o.Hx) + "/0,85)";
        if (outsideChosenZone(o, s)) {
            P(t2 + " < 0: объект " + kTextOutsideChosenZone + ".\r");
            continue;
        }
        t2 += " = " + rx + " м";
        std::string ending = ".\r";
        if (withNarrowing) {
            const std::string hx = g(o.Hx);
            if (zB && L <= m_lim.B1 * H)
                ending = ";\rпри L<=" + B1 + "*H:\rRcx = Rx = " + rcx + " м.\r";
            else if (zB && L <= m_lim.B2 * H)
                ending = ";\rпри " + B1 + "*H<L<=" + B2 + "*H:\rRcx = " + moField("Ro_b", s) + "*("
                         + moField("Hc_b", s) + "-" + hx + ")/" + moField("Hc_b", s) + " = " + rcx
                         + " м.\r";
            else if (zA && L <= m_lim.A1 * H)
                ending = ";\rпри L<=" + A1 + "*H:\rRcx = Rx = " + rcx + " м.\r";
            else if (zA && L <= m_lim.A2 * H)
                ending = ";\rпри " + A1 + "*H<L<=" + A2 + "*H:\rRcx = " + moField("Ro_a", s) + "*("
                         + moField("Hc_a", s) + "-" + hx + ")/" + moField("Hc_a", s) + " = " + rcx
                         + " м.\r";
            else if (zA && L <= m_lim.A3 * H)
                ending = ";\rпри " + A2 + "*H<L<=" + A3 + "*H:\rRcx = " + moField("Rc_a", s) + "*("
                         + moField("Hc_a", s) + "-" + hx + ")/" + moField("Hc_a", s) + " = " + rcx
                         + " м.\r";
        }
        P(t2 + ending);
    }
    bareBreak();
}

void Sections::WriteCableRadii(const std::string &t, const std::string &s, bool withFormulas)
{
    title(t + "\r");
    if (withFormulas) {
        P("Расчетные формулы определения радиусов торцевых областей зон защиты:\r");
        if (m_zA)
            P("- для зоны защиты А: Rx = (1,35-0,0025*H)*(H-Hx/0,85), м;\r");
        if (m_zB)
            P("- для зоны защиты Б: Rx = 1,7*(H-Hx/0,92), м;\r");
        P("где Нх - высота объекта, м; H - высота молниеотвода, м.\r");
    }
    const std::string hs = moField("H", s);
    for (const auto &o : m_objects) {
        const std::string rx = outsideChosenZone(o, s)
                                   ? std::string(" < 0: объект ") + kTextOutsideChosenZone + ".\r"
                                   : " = " + g(objectField(o, "Rx", s)) + " м.\r";
        if (o.Zona == std::string(kZoneB))
            P(g(o.Name) + " (зона " + g(o.Zona) + "): Rx = 1,7*(" + hs + "-" + g(o.Hx) + "/0,92)"
              + rx);
        else if (o.Zona == std::string(kZoneA))
            P(g(o.Name) + " (зона " + g(o.Zona) + "): Rx = (1,35-0,0025*" + hs + ") * (" + hs + "-"
              + g(o.Hx) + "/0,85)" + rx);
    }
    bareBreak();
}

// ---------------------------------------------------------------------------------------------
// Double rod

void Sections::WriteDoubleHeightFormulas(const std::string &heading)
{
    P(heading + "\r");
    if (m_zA) {
        P("- для зоны защиты А: \r");
        P("при Ka_min*Н>=Lмо:\ra = -0,002;\rb = 1,1+0,002/0,85*Hx;\rc = -(1,1/0,85*Hx+R);\rD = b");
        R("2");
        P("-4*a*c;\rH = (-b+D");
        R("1/2");
        P(")/(2*a), м;\r");
        P("при Ka_min*H<Lмо<=Ka*H: расчетные формулы не приводятся;\r");
        P("при Ka*H<Lмо<=Ka_max*H: расчетные формулы не приводятся;\r");
    }
    if (m_zB) {
        P("- для зоны защиты Б:\r");
        P("при Kb_min*Н>=Lмо:\rH = R/1,5+Hx/0,92, м;\r");
        P("при Kb_min*Н<Lмо<=Kb_max*H: расчетные формулы не приводятся;\r");
    }
    P("где Lмо - расстояние между стержневыми молниеотводами, м;\rKa_min - коэффициент для зоны "
      "А, обычно принимаемый равным 1;\rKa - коэффициент для зоны А, обычно принимаемый равным "
      "2;\rKa_max - коэффициент для зоны А, обычно принимаемый равным 4;\rKb_min - коэффициент "
      "для зоны Б, обычно принимаемый равным 1;\rKb_max - коэффициент для зоны Б, обычно "
      "принимаемый равным 6.\r");
}

// The centre of the axis, the slope and the crossings with the top and right sides (cases 3 and 4).
void Sections::writeMidlineFormulas()
{
    P("- координаты центра оси молниеотвода:\rХ0 = (mX1+mX2)/2, м;\rY0 = (mY1+mY2)/2, м;\rгде "
      "mX1, mY1 - координаты первого стержневого молниеотвода, м; mX2, mY2 - координаты второго "
      "стержневого молниеотвода, м;\r");
    P("- коэффициент, равный тангенсу угла наклона оси молниеотвода относительно "
      "горизонтали:\rk = (mY2-mY1) / (mX2-mX1);\r");
    P("- точка пересечения перпендикуляра к оси молниеотвода с верхней стороной объекта:\rXab = "
      "(Ya-1/k*X0-Y0)*(-1)*k, м;\rYab = Ya, м;\r");
    P("- точка пересечения перпендикуляра к оси молниеотвода с правой стороной объекта:\rXbc = "
      "Xa+L, м;\rYbc = (-1)/k*(Xa+L)+1/k*X0+Y0, м;\r");
}

void Sections::WriteDoubleRodHeights()
{
    title("Расстояния от молниеотвода до точек объектов и расчетная высота молниеотвода.\r\r");
    P("Введение.\rПрограмма определяет требуемую высоту молниеотвода для всех углов всех объектов "
      "проекта, а также для всех точек пересечения сторон объектов с перпендикуляром к оси "
      "молниеотвода, проходящему через ее центр (п. 1-3). В качестве расчетной принимается "
      "наибольшая требуемая высота молниеотвода. Если полученная расчетная высота молниеотвода не "
      "удовлетворяет требуемому соотношению с расстоянием между молниеотводами, то расчетная "
      "высота пересчитывается для случая, когда двойной стержневой молниеотвод рассматривается "
      "как два одиночных стержневых молниеотвода (п. 4).\r\r");
    P("Расчетные формулы.\r\r");
    // Case 1
    P("1. Угол объекта проецируется на ось молниеотвода за пределами участка между стержневыми "
      "молниеотводами.\r");
    WriteCornerFormulas("1.1. Расстояния от ближайшего стержневого молниеотвода до углов объекта:",
                        "стержневого молниеотвода");
    WriteHeightFormulas("1.2. Расчетная высота молниеотвода:",
                        "R - расстояние от молниеотвода до угла объекта, м.");
    P("\r");
    // Case 2
    P("2. Угол объекта проецируется на ось молниеотвода в пределах участка между стержневыми "
      "молниеотводами.\r");
    WriteAxisFormulas("2.1. Расстояние от оси молниеотвода до угла объекта:", "ого стержневого");
    WriteDoubleHeightFormulas("2.2. Расчетная высота молниеотвода:");
    P("\r");
    // Case 3
    P("3. Стороны объекта и перпендикуляр к оси молниеотвода, проведенный через ее центр, имеют "
      "точки пересечения.\r");
    P("3.1. Расстояние от центра оси молниеотвода до точки пересечения:\r");
    writeMidlineFormulas();
    P("- точка пересечения перпендикуляра к оси молниеотвода с нижней стороной объекта:\rXcd = "
      "(Ya+S-1/k*X0-Y0)*(-1)*k, м;\rYcd = Ya+S, м;\r");
    P("- точка пересечения перпендикуляра к оси молниеотвода с левой стороной объекта:\rXad = Xa, "
      "м;\rYad = (-1)/k*Xa+1/k*X0+Y0, м,\r");
    P("где Xa,Ya - координаты левого верхнего угла объекта, м; L - длина объекта, м; S - ширина "
      "объекта, м;\r");
    P("- расстояние от центра оси молниеотвода до точки пересечения стороны объекта с "
      "перпендикуляром к оси молниеотвода:\rR = ((mX-X0)");
    R("2");
    P(" + (mY-Y0)");
    R("2");
    P(")");
    R("1/2");
    P(", м,\rгде mX, mY - координаты соответствующей точки пересечения, м.\r");
    WriteDoubleHeightFormulas("3.2. Расчетная высота молниеотвода:");
    P("\r");
    // Case 4
    P("4. Двойной стержневой молниеотвод рассматривается как два одиночных стержневых "
      "молниеотвода.\r");
    P("Формулы применяются при расчете в случаях, когда выполняется хотя бы одно из условий:\r- "
      "для зоны А: Lмо>Ka_max*H;\r- для зоны Б: Lмо>Kb_max*H;\rгде Н - расчетная высота "
      "молниеотвода, полученная ранее при вычислениях с помощью формул п. 1-3;\rLмо - расстояние "
      "между стержневыми молниеотводами, м;\rKa_max - коэффициент для зоны А, обычно принимаемый "
      "равным 4;\rKb_max - коэффициент для зоны Б, обычно принимаемый равным 6.\r");
    WriteCornerFormulas("4.1. Расстояния от ближайшего стержневого молниеотвода до углов объекта:",
                        "стержневого молниеотвода");
    P("4.2. Расстояния от стержневого молниеотвода до точек пересечения сторон объекта и "
      "перпендикуляра к оси молниеотвода, проходящего через ее центр:\r");
    writeMidlineFormulas();
    P("- точка пересечения перпендикуляра к оси молниеотвода с нижней стороной объекта:\rXcd = "
      "(Ya+S-1/k*X0-Y0)*(-1)*k, м;\rYcd = Ya+s, м;\r");
    P("- точка пересечения перпендикуляра к оси молниеотвода с левой стороной объекта:\rXad = Xa, "
      "м;\rYad = (-1)/k*Xa+1/k*X0+Y0, м,\r");
    P("где Xa,Ya - координаты левого верхнего угла объекта, м; L - длина объекта, м; S - ширина "
      "объекта, м;\r");
    P("- расстояние от стержневого молниеотвода до точки пересечения стороны объекта с "
      "перпендикуляром к оси молниеотвода:\rR = ((mX-mX1)");
    R("2");
    P(" + (mY-mY1)");
    R("2");
    P(")");
    R("1/2");
    P(", м,\rгде mX, mY - координаты соответствующей точки пересечения, м;\rmX1, mY1 - координаты "
      "стержневого молниеотвода, м.\r");
    WriteHeightFormulas("4.3. Расчетная высота молниеотвода:",
                        "R - расстояние от стержневого молниеотвода до угла объекта или до точки "
                        "пересечения стороны объекта с перпендикуляром к оси молниеотвода, м.");
    P("\r");
    P("Расчеты.\r\r");

    for (const auto &o : m_objects)
        writeDoubleObjectWork(o);
    P("В качестве расчетной принимается высота молниеотвода " + g(m_mo->H) + " м.\r\r");
    bareBreak();
}

// The distances and the height of one object from the double rod of the rods at (m_X1, m_Y1)
// and (m_X2, m_Y2), span m_L, in the mode m_useAs2.
void Sections::writeDoubleObjectWork(const ObjectRec &o)
{
    std::string place;
    if (m_useAs2) {
        const int n = o.NumMO.value_or(0);
        if (n == 1 || n == 12)
            place = "от первой опоры молниеотвода";
        else if (n == 2)
            place = "от второй опоры молниеотвода";
    } else {
        const std::string ot = g(o.PointOt);
        if (ot == kOriginRod1)
            place = "от первой опоры молниеотвода";
        else if (ot == kOriginRod2)
            place = "от второй опоры молниеотвода";
        else if (ot == kOriginAxis)
            place = "от оси молниеотвода";
    }
    const std::string label = g(m_useAs2 ? o.PointDo1 : o.PointDo);
    for (const auto &pt : kPointTexts)
        if (label == pt.label)
            place += pt.text;
    P(g(o.Name) + ":\r");
    if (contains(place, "от первой опоры"))
        WriteCornerDistance(o, place, g(m_X1), g(m_Y1), false);
    if (contains(place, "от второй опоры"))
        WriteCornerDistance(o, place, g(m_X2), g(m_Y2), false);
    if (contains(place, "от оси молниеотвода") && !contains(place, "перпендикуляр"))
        WriteAxisDistance(o, place, false);
    if (contains(place, "от оси молниеотвода") && contains(place, "перпендикуляр"))
        WriteMidlineDistance("- расстояние " + place + ":", o);
    WriteDoubleObjectHeight(o);
}

void Sections::WriteMidlineDistance(const std::string &label, const ObjectRec &o)
{
    // Both rods at one point have no axis and no midline: only the label is written.
    P(label + "\r");
    if (m_X1 == m_X2 && m_Y1 == m_Y2)
        return;
    const double xa = num(o.MXa), ya = num(o.MYa), l = num(o.L), s = num(o.S);
    const double x0 = round2((m_X1 + m_X2) / 2), y0 = round2((m_Y1 + m_Y2) / 2);
    P("Х0 = " + g(x0) + " м;\rY0 = " + g(y0) + " м;\r");
    enum Side { Top, Right, Bottom, Left, None } side = None;
    if (contains(label, "верхней стороны"))
        side = Top;
    else if (contains(label, "правой стороны"))
        side = Right;
    else if (contains(label, "нижней стороны"))
        side = Bottom;
    else if (contains(label, "левой стороны"))
        side = Left;
    double x = 0, y = 0;
    bool have = false;
    if (m_Y1 == m_Y2) {
        if (side == Top) {
            x = x0;
            y = ya;
            P("Xab = X0 = " + g(x0) + " м;\rYab = Ya = " + g(o.MYa) + " м;");
            have = true;
        } else if (side == Bottom) {
            x = x0;
            y = ya + s;
            P("Xcd = X0 = " + g(x0) + " м;\rYcd = Ya+S = " + g(o.MYa) + "+" + g(o.S) + " = " + g(y)
              + " м;");
            have = true;
        }
    } else if (m_X1 == m_X2) {
        if (side == Left) {
            x = xa;
            y = y0;
            P("Xad = Xa = " + g(o.MXa) + " м;\rYad = Y0 = " + g(y0) + " м;");
            have = true;
        } else if (side == Right) {
            x = xa + l;
            y = y0;
            P("Xbc = Xa+L = " + g(o.MXa) + "+" + g(o.L) + " = " + g(x) + " м;\rYbc = Y0 = " + g(y0)
              + " м;");
            have = true;
        }
    } else {
        const double k = round5((m_Y2 - m_Y1) / (m_X2 - m_X1));
        const std::string ks = g(k);
        P("k = (" + g(m_Y2) + "-" + g(m_Y1) + ") / (" + g(m_X2) + "-" + g(m_X1) + ") = " + ks
          + ";\r");
        have = true;
        switch (side) {
        case Top:
            x = round2(k * ((ya - x0 / k - y0) * (-1)));
            y = ya;
            P("Xab = (" + g(o.MYa) + "-1/" + ks + "*" + g(x0) + "-" + g(y0) + ") * (-1)*" + ks
              + " = " + g(x) + " м;\rYab = Ya = " + g(o.MYa) + " м;");
            break;
        case Right:
            x = xa + l;
            y = round2((xa + l) * (-1 / k) + x0 / k + y0);
            P("Xbc = Xa+L = " + g(o.MXa) + "+" + g(o.L) + " = " + g(x) + " м;\rYbc = (-1)/" + ks
              + "*(" + g(o.MXa) + "+" + g(o.L) + ")+1/" + ks + "*" + g(x0) + "+" + g(y0) + " = "
              + g(y) + " м;");
            break;
        case Bottom:
            x = round2(k * ((ya + s - x0 / k - y0) * (-1)));
            y = ya + s;
            P("Xcd = (" + g(o.MYa) + "+" + g(o.S) + "-1/" + ks + "*" + g(x0) + "-" + g(y0)
              + ") * (-1)*" + ks + " = " + g(x) + " м;\rYcd = Ya+S = " + g(o.MYa) + "+" + g(o.S)
              + " = " + g(y) + " м;");
            break;
        case Left:
            x = xa;
            y = round2(xa * (-1 / k) + x0 / k + y0);
            P("Xad = Xa = " + g(o.MXa) + " м;\rYad = (-1)/" + ks + "*" + g(o.MXa) + "+1/" + ks + "*"
              + g(x0) + "+" + g(y0) + " = " + g(y) + " м;");
            break;
        case None:
            have = false;
            break;
        }
    }
    if (have)
        WriteProjection(o, "", {x, y});
}

void Sections::WriteDoubleObjectHeight(const ObjectRec &o)
{
    const double L = m_L;
    const double hm = num(m_mo->H);
    const std::string rejim = g(o.Rejim);
    const bool zA = o.Zona == std::string(kZoneA);
    const bool zB = o.Zona == std::string(kZoneB);
    P("- расчетная высота молниеотвода:\r");
    // Regime 2 reached at the object's own height becomes regime 1 at the design height: the
    // single-rod formula would not end in the stored height, so only the height is printed.
    const bool regime2AsOne =
        rejim == "2" && ((zA && m_lim.A1 * hm >= L) || (zB && m_lim.B1 * hm >= L));
    if (m_useAs2 || rejim == "1") {
        if (zB)
            P("H = " + g(o.R) + "/1,5+" + g(o.Hx) + "/0,92 = " + g(o.H) + " м.\r");
        else if (zA)
            writeWorkedZoneA(o, false);
    }
    if (!m_useAs2 && regime2AsOne)
        P("H = " + g(o.H) + " м.\r");
    if ((rejim == "2" || rejim == "3") && zA && m_lim.A1 * hm < L && L <= m_lim.A3 * hm
        && !m_useAs2)
        P("H = " + g(o.H) + " м.\r");
    if (rejim == "2" && zB && m_lim.B1 * hm < L && L <= m_lim.B2 * hm && !m_useAs2)
        P("H = " + g(o.H) + " м.\r");
}

// ---------------------------------------------------------------------------------------------
// Multiple rod

namespace {

std::string rods(int a, int b, int c = -1)
{
    std::string t = std::to_string(a + 1) + "–" + std::to_string(b + 1);
    if (c >= 0)
        t += "–" + std::to_string(c + 1);
    return t;
}

} // namespace

std::string Sections::elementText(const MultiRodObject &e) const
{
    if (e.by == MultiRodElement::Triangle)
        return "треугольник опор " + rods(e.rods[0], e.rods[1], e.rods[2]);
    if (e.by == MultiRodElement::Pair) {
        const int n = static_cast<int>(m_in.snap.conductors.size());
        const size_t p = static_cast<size_t>(MultiRodPairIndex(n, e.rods[0], e.rods[1]));
        const bool as2 = p < m_mr.pairs.size() && m_mr.pairs[p].useAs2;
        return "пара опор " + rods(e.rods[0], e.rods[1]) + (as2 ? " (как два одиночных)" : "");
    }
    return "не защищен";
}

// The rods: number, position and the values of the height common to all of them.
void Sections::WriteMultiRodTable(const std::string &s)
{
    std::vector<std::string> fields = s.empty() ? std::vector<std::string>{"MX", "MY"}
                                                : std::vector<std::string>{"Tip", "Prim"};
    for (const char *b : {"H", "Ho_a", "Ho_b", "Ro_a", "Ro_b"})
        fields.push_back(b + s);
    std::vector<std::string> header = {"№ опоры"};
    for (const auto &f : fields)
        header.push_back(fieldCaption(TableId::Mo, f));
    std::vector<std::vector<std::string>> rows;
    for (size_t k = 0; k < m_in.snap.conductors.size(); ++k) {
        std::vector<std::string> row = {std::to_string(k + 1)};
        for (const auto &f : fields)
            row.push_back(conductorText(m_in.snap.conductors[k], f));
        rows.push_back(std::move(row));
    }
    m_w.AppendTable(s.empty() ? "Расчетные характеристики опор многократного молниеотвода."
                              : "Характеристики опор выбранного многократного молниеотвода.",
                    header, rows);
}

// The pairs of rods with their span, regime and middle-of-span values at the height of the
// suffix, and the pairs acting as two single rods.
void Sections::WriteMultiRodPairs(const std::string &s)
{
    const bool chosen = !s.empty();
    const OptD H = conductorField(*m_mo, "H", s);
    std::vector<std::string> header = {"Опоры", "L, м", "L/H"};
    if (m_zA)
        header.insert(header.end(), {"Режим (зона А)", "Hc_a, м", "Rc_a, м"});
    if (m_zB)
        header.insert(header.end(), {"Режим (зона Б)", "Hc_b, м", "Rc_b, м"});
    header.push_back("Два одиночных");
    std::vector<std::vector<std::string>> rows;
    for (const MultiRodPair &p : m_mr.pairs) {
        std::vector<std::string> row = {rods(p.i, p.j), g(p.L), g(chosen ? p.L_H1 : p.L_H)};
        const auto regime = [&](bool a) {
            if (!chosen)
                return g(a ? p.regimeA : p.regimeB);
            if (p.useAs2 || !H)
                return std::string();
            // Regime 0: no common zone at that height, left empty as its Hc and Rc are.
            const int r = a ? RegimeA(*H, p.L, m_lim) : RegimeB(*H, p.L, m_lim);
            return r > 0 ? std::to_string(r) : std::string();
        };
        if (m_zA)
            row.insert(row.end(), {regime(true), g(chosen ? p.Hc_a1 : p.Hc_a),
                                   g(chosen ? p.Rc_a1 : p.Rc_a)});
        if (m_zB)
            row.insert(row.end(), {regime(false), g(chosen ? p.Hc_b1 : p.Hc_b),
                                   g(chosen ? p.Rc_b1 : p.Rc_b)});
        row.push_back(p.useAs2 ? "да" : "нет");
        rows.push_back(std::move(row));
    }
    m_w.AppendTable(chosen ? "Пары опор выбранного многократного молниеотвода."
                           : "Пары опор многократного молниеотвода.",
                    header, rows);
    if (chosen ? m_p.MOPrimSelHar : m_p.MOPrimRasHar)
        run("где\rОпоры - номера опор пары;\rL, м - расстояние между опорами пары, м;\rL/H - "
            "отношение расстояния между опорами к высоте молниеотвода;\rРежим - расчетный случай "
            "общей зоны защиты пары (1: L<=Ka_min*H, 2: Ka_min*H<L<=Ka*H, 3: Ka*H<L<=Ka_max*H; "
            "для зоны Б 1: L<=Kb_min*H, 2: Kb_min*H<L<=Kb_max*H);\rHc, м - высота зоны защиты в "
            "месте снижения между опорами пары, м;\rRc, м - радиус сужения зоны защиты в месте "
            "снижения между опорами пары на уровне земли, м;\rДва одиночных - пара "
            "рассматривается как два одиночных стержневых молниеотвода (общей зоны защиты "
            "нет).\r\r",
            kTimes10);
}

void Sections::WriteMultiRodHeights()
{
    title("Защищающие элементы и расчетная высота многократного молниеотвода.\r\r");
    P("Введение.\rЗона защиты многократного стержневого молниеотвода образуется зонами защиты его "
      "опор, взятых попарно. Для каждого объекта программа определяет требуемую высоту "
      "молниеотвода для каждой пары опор (как для двойного стержневого молниеотвода из этих двух "
      "опор) и для каждого треугольника опор, внутри которого лежит объект (каждая из трех пар "
      "треугольника должна иметь общую зону защиты с радиусом сужения Rcx>0 на высоте объекта). "
      "Требуемой для объекта принимается наименьшая из этих высот, а защищающим элементом - пара "
      "или треугольник, которым она соответствует. В качестве расчетной принимается наибольшая "
      "требуемая высота. Пара опор, для которой не выполняется требуемое соотношение расстояния "
      "между опорами и высоты молниеотвода, рассматривается как два одиночных стержневых "
      "молниеотвода.\r\r");
    std::vector<std::vector<std::string>> rows;
    const MultiRodObject none;
    size_t governing = m_objects.size();
    for (size_t k = 0; k < m_objects.size(); ++k) {
        const ObjectRec &o = m_objects[k];
        const MultiRodObject &e = k < m_mr.objects.size() ? m_mr.objects[k] : none;
        if (!hasZone(o))
            continue;
        rows.push_back({g(o.Name), elementText(e), g(e.H), g(o.Rx), g(o.Rcx)});
        if (e.H && (governing == m_objects.size() || *e.H > *m_mr.objects[governing].H))
            governing = k;
    }
    m_w.AppendTable("Защищающие элементы объектов.",
                    {"Объект", "Защищающий элемент", "H, м", "Rx, м", "Rcx, м"}, rows);
    run("где\rН, м - расчетная высота молниеотвода, требуемая для объекта, м;\rRx, м - радиус "
        "области защиты стержневого молниеотвода на высоте Нх объекта, м;\rRcx, м - радиус сужения "
        "зоны защиты на высоте Нх объекта между опорами защищающей пары (для треугольника - "
        "наименьший из трех пар), м.\r\r",
        kTimes10);
    if (governing < m_objects.size()) {
        const ObjectRec &o = m_objects[governing];
        const MultiRodObject &e = m_mr.objects[governing];
        run("Расчеты.\r\r", kTimes12Bold);
        m_w.SetInsertionFormat(kTimes10);
        P("Расчетную высоту молниеотвода определяет объект \"" + g(o.Name)
          + "\" (защищающий элемент: " + elementText(e) + ").\r");
        const auto rod = [&](int k) { return Pt{num(m_in.snap.conductors[k].MX), num(m_in.snap.conductors[k].MY)}; };
        if (e.by == MultiRodElement::Pair) {
            // The pair's own double rod: its rods take the places of rods 1 and 2.
            const int n = static_cast<int>(m_in.snap.conductors.size());
            const MultiRodPair &p = m_mr.pairs[MultiRodPairIndex(n, e.rods[0], e.rods[1])];
            const double X1 = m_X1, Y1 = m_Y1, X2 = m_X2, Y2 = m_Y2, L = m_L;
            const bool as2 = m_useAs2;
            m_X1 = rod(p.i).x;
            m_Y1 = rod(p.i).y;
            m_X2 = rod(p.j).x;
            m_Y2 = rod(p.j).y;
            m_L = p.L;
            m_useAs2 = p.useAs2;
            P("Первая опора пары - опора " + std::to_string(p.i + 1) + " (" + g(m_X1) + "; "
              + g(m_Y1) + "), вторая - опора " + std::to_string(p.j + 1) + " (" + g(m_X2) + "; "
              + g(m_Y2) + "), Lмо = " + g(m_L) + " м.\r");
            writeDoubleObjectWork(o);
            m_X1 = X1;
            m_Y1 = Y1;
            m_X2 = X2;
            m_Y2 = Y2;
            m_L = L;
            m_useAs2 = as2;
        } else if (e.by == MultiRodElement::Triangle && e.H) {
            P("- все углы объекта лежат внутри треугольника опор "
              + rods(e.rods[0], e.rods[1], e.rods[2]) + ";\r");
            P("- наименьшая высота молниеотвода, при которой каждая пара опор треугольника имеет "
              "общую зону защиты с радиусом сужения Rcx>0 на высоте Нх = " + g(o.Hx) + " м:\r");
            const Zone z = zoneOf(o.Zona);
            for (const auto &[u, v] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}}) {
                const int a = e.rods[u], b = e.rods[v];
                const double L = SpanLength(rod(a), rod(b));
                P("пара опор " + rods(a, b) + ": Lмо = " + g(L) + " м, Rcx = "
                  + g(PairRcx(*e.H, L, z, num(o.Hx), m_lim)) + " м;\r");
            }
            P("H = " + g(e.H) + " м.\r");
        }
    }
    P("В качестве расчетной принимается высота молниеотвода " + g(m_mo->H) + " м.\r\r");
    bareBreak();
}

// ---------------------------------------------------------------------------------------------
// Conductor tables, radii table and drawings

std::string Sections::designNote() const
{
    std::string t;
    if (isMulti())
        t = "где\r№ опоры - номер стержневого молниеотвода (опоры) многократного молниеотвода;\rX, "
            "м - координата X опоры на плане, м;\rY, м - координата Y опоры на плане, м;\rH, м - "
            "расчетная высота молниеотвода (общая для всех опор), м;\rHо_а, м - расчетная высота "
            "конуса опоры для зоны А, м;\rHо_b, м - расчетная высота конуса опоры для зоны Б, "
            "м;\rRо_а, м - расчетный радиус защиты опоры на уровне земли для зоны А, м;\rRо_b, м - "
            "расчетный радиус защиты опоры на уровне земли для зоны Б, м.\r\r";
    else if (isRod())
        t = "где\rX, м - координата X молниеотвода на плане, м;\rY, м - координата Y "
            "молниеотвода на плане, м;\rH, м - расчетная высота молниеотвода, м;\rHо_а, м - "
            "расчетная высота конуса молниеотвода для зоны А, м;\rHо_b, м - расчетная высота "
            "конуса молниеотвода для зоны Б, м;\rRо_а, м - расчетный радиус защиты на уровне "
            "земли для зоны А, м;\rRо_b, м - расчетный радиус защиты на уровне земли для зоны "
            "Б, м.\r\r";
    else if (isCable())
        t = "где\rX, м - координата X опоры молниеотвода на плане, м;\rY, м - координата Y "
            "опоры молниеотвода на плане, м;\rH, м - расчетная высота молниеотвода "
            "(расстояние от троса до земли в середине пролета между опорами молниеотвода), "
            "м;\rHоп., м - расчетная высота опор молниеотвода, м;\rHо_а, м - расчетная высота "
            "конуса молниеотвода для зоны А, м;\rHо_b, м - расчетная высота конуса "
            "молниеотвода для зоны Б, м;\rRо_а, м - расчетный радиус торцевых областей защиты "
            "на уровне земли для зоны А, м;\rRо_b, м - расчетный радиус торцевых областей "
            "защиты на уровне земли для зоны Б, м.\r\r";
    else {
        t = "где\rX, м - координата X стержневого молниеотвода на плане, м;\rY, м - координата "
            "Y стержневого молниеотвода на плане, м;\rH, м - расчетная высота молниеотвода, "
            "м;\rHо_а, м - расчетная высота конуса молниеотвода для зоны А, м;\rHо_b, м - "
            "расчетная высота конуса молниеотвода для зоны Б, м;\r";
        if (m_useAs2)
            t += "Rо_а, м - расчетный радиус области защиты на уровне земли для зоны А, "
                 "м;\rRо_b, м - расчетный радиус области защиты на уровне земли для зоны Б, "
                 "м.\r\r";
        else
            t += "Rо_а, м - расчетный радиус торцевых областей защиты на уровне земли для "
                 "зоны А, м;\rRо_b, м - расчетный радиус торцевых областей защиты на уровне "
                 "земли для зоны Б, м;\rHс_a, м - расчетная высота зоны защиты в месте "
                 "снижения между молниеотводами для зоны А, м;\rHс_b, м - расчетная высота "
                 "зоны защиты в месте снижения между молниеотводами для зоны Б, м;\rRс_а, м - "
                 "расчетный радиус сужения зоны защиты в месте снижения между молниеотводами "
                 "на уровне земли для зоны А, м;\rRс_b, м - расчетный радиус сужения зоны "
                 "защиты в месте снижения между молниеотводами на уровне земли для зоны Б, "
                 "м.\r\r";
    }
    return t;
}

std::string Sections::chosenNote() const
{
    std::string t;
    if (isMulti())
        t = "где\r№ опоры - номер опоры многократного молниеотвода;\rH, м - высота выбранной "
            "конструкции (каждой опоры), м;\rHо_а, м - высота конуса опоры для зоны А, м;\rHо_b, м "
            "- высота конуса опоры для зоны Б, м;\rRо_а, м - радиус защиты опоры на уровне земли "
            "для зоны А, м;\rRо_b, м - радиус защиты опоры на уровне земли для зоны Б, м.\r\r";
    else if (isRod())
        t = "где\rH, м - высота молниеотвода, м;\rHо_а, м - высота конуса молниеотвода для "
            "зоны А, м;\rHо_b, м - высота конуса молниеотвода для зоны Б, м;\rRо_а, м - радиус "
            "защиты на уровне земли для зоны А, м;\rRо_b, м - радиус защиты на уровне земли "
            "для зоны Б, м.\r\r";
    else if (isCable())
        t = "где\rH, м - высота выбранного молниеотвода (расстояние от троса до земли в "
            "середине пролета между опорами молниеотвода), м;\rHоп., м - высота опоры "
            "молниеотвода, м;\rHо_а, м - высота конуса молниеотвода для зоны А, м;\rHо_b, м - "
            "высота конуса молниеотвода для зоны Б, м;\rRо_а, м - радиус торцевых областей "
            "защиты на уровне земли для зоны А, м;\rRо_b, м - радиус торцевых областей защиты "
            "на уровне земли для зоны Б, м.\r\r";
    else {
        t = "где\rH, м - высота выбранного молниеотвода, м;\rHо_а, м - высота конуса "
            "молниеотвода для зоны А, м;\rHо_b, м - высота конуса молниеотвода для зоны Б, "
            "м;\r";
        if (m_useAs2)
            t += "Rо_а, м - радиус области защиты на уровне земли для зоны А, м;\rRо_b, м - "
                 "радиус области защиты на уровне земли для зоны Б, м.\r\r";
        else
            t += "Rо_а, м - радиус торцевых областей защиты на уровне земли для зоны А, "
                 "м;\rRо_b, м - радиус торцевых областей защиты на уровне земли для зоны Б, "
                 "м;\rHс_a, м - высота зоны защиты в месте снижения между молниеотводами для "
                 "зоны А, м;\rHс_b, м - высота зоны защиты в месте снижения между "
                 "молниеотводами для зоны Б, м;\rRс_а, м - радиус сужения зоны защиты в месте "
                 "снижения между молниеотводами на уровне земли для зоны А, м;\rRс_b, м - "
                 "радиус сужения зоны защиты в месте снижения между молниеотводами на уровне "
                 "земли для зоны Б, м.\r\r";
    }
    return t;
}

// The design conductor (suffix "") or the chosen construction (suffix "1"): its table, its note
// and the calculation of its values.
void Sections::writeConductorSection(bool chosen)
{
    const bool table = chosen ? m_p.MOTabSelHar : m_p.MOTabRasHar;
    if (!table) {
        step(3);
        return;
    }
    const std::string s = chosen ? "1" : "";
    std::vector<std::string> cols = chosen ? std::vector<std::string>{"Tip", "Prim"}
                                           : std::vector<std::string>{"MX", "MY"};
    std::vector<std::string> bases = {"H", "Ho_a", "Ho_b", "Ro_a", "Ro_b"};
    if (isCable())
        bases.insert(bases.begin() + 1, "Hop");
    if (isDouble() && !m_useAs2)
        bases.insert(bases.end(), {"Hc_a", "Hc_b", "Rc_a", "Rc_b"});
    for (const auto &b : bases)
        cols.push_back(b + s);
    if (isMulti())
        WriteMultiRodTable(s);
    else
        appendConductorTable(chosen ? "Характеристики выбранного молниеотвода."
                                    : "Расчетные характеристики молниеотвода.",
                             cols);
    step();
    if (chosen ? m_p.MOPrimSelHar : m_p.MOPrimRasHar)
        run(chosen ? chosenNote() : designNote(), kTimes10);
    step();
    if (chosen ? m_p.MOScoreSelHar : m_p.MOScoreRasHar) {
        if (isRod())
            WriteRodValues(s, "", false, 0);
        else if (isDouble())
            WriteRodValues(s, adjective(), !m_useAs2, m_L);
        else if (isCable())
            WriteCableValues(s);
        else if (isMulti())
            WriteRodValues(s, "", false, 0);
    }
    if (isMulti())
        WriteMultiRodPairs(s);
    step();
}

void Sections::WriteDesignConductor() { writeConductorSection(false); }

void Sections::WriteChosenConductor() { writeConductorSection(true); }

// The span between the two rods or supports, worked from their positions.
void Sections::writeSpan(const std::string &heading, double L, const std::string &where)
{
    P(heading + "Lмо = [(mX1-mX2)");
    R("2");
    P("+(mY1-mY2)");
    R("2");
    P("]");
    R("1/2");
    P(" = [(" + g(m_X1) + "-" + g(m_X2) + ")");
    R("2");
    P("+(" + g(m_Y1) + "-" + g(m_Y2) + ")");
    R("2");
    P("]");
    R("1/2");
    P(" = " + g(L) + where);
}

void Sections::WriteRodValues(const std::string &s, const std::string &adj, bool withNarrowing,
                              double L)
{
    run("Расчеты.\r\r", kTimes12Bold);
    m_w.SetInsertionFormat(kTimes10);
    P("Расчетные значения:\r");
    const std::string H = moField("H", s);
    const double h = moNum("H", s);
    const std::string Ls = g(L);
    if (isDouble()) {
        if (s.empty()) {
            writeSpan("- расстояние между стержневыми молниеотводами:\r", L,
                      " м,\rгде mX1, mY1 - координаты первого стержневого молниеотвода, м;\rmX2, "
                      "mY2 - координаты второго стержневого молниеотвода, м;\r");
        }
        P("- отношение расстояния между стержневыми молниеотводами к высоте молниеотвода:\rLмо/H = "
          + Ls + "/" + H + " = " + moField("L_H", s) + ";\r");
    }
    const std::string A1 = g(m_lim.A1), A2 = g(m_lim.A2), A3 = g(m_lim.A3), B1 = g(m_lim.B1),
                      B2 = g(m_lim.B2);
    if (m_zA) {
        P("- высота конуса молниеотвода для зоны защиты А:\rHo_a = 0,85*H = 0,85*" + H + " = "
          + moField("Ho_a", s) + " м;\r");
        P("- радиус " + adj + "защиты на уровне земли для зоны А:\rRo_a = (1,1-0,002*H)*H = "
          "(1,1-0,002*" + H + ")*" + H + " = " + moField("Ro_a", s) + " м;\r");
        if (withNarrowing) {
            std::string t = "- высота зоны защиты в месте снижения между молниеотводами для зоны А";
            if (L > m_lim.A1 * h)
                t += " (" + A1 + "*H<L<=" + A3 + "*H):\rНс_a = Но_а-(0,17+0,0003*H)*(Lмо-H) = "
                     + moField("Ho_a", s) + "-(0,17+0,0003*" + H + ")*(" + Ls + "-" + H + ") = "
                     + moField("Hc_a", s) + " м;\r";
            else
                t += " (L<=" + A1 + "*H):\rНс_a = Но_а = " + moField("Hc_a", s) + " м;\r";
            P(t);
            t = "- радиус сужения зоны защиты в месте снижения между молниеотводами для зоны А";
            if (L > m_lim.A2 * h)
                t += " (" + A2 + "*H<L<=" + A3 + "*H):\rRс_a = Rо_а*[1-0,2*(Lмо-2*H)/H] = "
                     + moField("Ro_a", s) + "*[1-0,2*(" + Ls + "-2*" + H + ")/" + H + "] = "
                     + moField("Rc_a", s) + " м;\r";
            else
                t += " (L<=" + A2 + "*H):\rRс_a = Rо_а = " + moField("Rc_a", s) + " м;\r";
            P(t);
        }
    }
    if (m_zB) {
        P("- высота конуса молниеотвода для зоны защиты Б:\rHo_b = 0,92*H = 0,92*" + H + " = "
          + moField("Ho_b", s) + " м;\r");
        P("- радиус " + adj + "защиты на уровне земли для зоны Б:\rRo_b = 1,5*H = 1,5*" + H + " = "
          + moField("Ro_b", s) + " м;\r");
        if (withNarrowing) {
            std::string t = "- высота зоны защиты в месте снижения между молниеотводами для зоны Б";
            if (L > m_lim.B1 * h)
                t += " (" + B1 + "*H<L<=" + B2 + "*H):\rНс_b = Но_b-0,14*(Lмо-H) = "
                     + moField("Ho_b", s) + "-0,14*(" + Ls + "-" + H + ") = " + moField("Hc_b", s)
                     + " м;\r";
            else
                t += " (L<=" + B1 + "*H):\rНс_b = Но_b = " + moField("Hc_b", s) + " м;\r";
            P(t);
            P("- радиус сужения зоны защиты в месте снижения между молниеотводами для зоны Б  (L<="
              + B2 + "*H):\rRс_b = Rо_b = " + moField("Rc_b", s) + " м;\r");
        }
    }
    P("где H - высота молниеотвода, м.\r\r");
}

void Sections::WriteCableValues(const std::string &s)
{
    run("Расчеты.\r\r", kTimes12Bold);
    m_w.SetInsertionFormat(kTimes10);
    P("Расчетные значения:\r");
    const double L = SpanLength({m_X1, m_Y1}, {m_X2, m_Y2});
    const double F = SagForSpan(L, m_in.sagTable, m_result.messages);
    const std::string H = moField("H", s);
    if (s.empty()) {
        writeSpan("- расстояние между опорами молниеотвода:\r", L,
                  " м,\rгде mX1, mY1 - координаты первой опоры молниеотвода, м;\rmX2, mY2 - "
                  "координаты второй опоры молниеотвода, м;\r");
        P("- стрела провеса троса между опорами молниеотвода: dH = " + g(F) + " м;\r");
    }
    P("- высота опор молниеотвода: Hоп. = Н + dH = " + H + "+" + g(F) + " = " + moField("Hop", s)
      + " м;\r");
    if (m_zA) {
        P("- высота конуса молниеотвода для зоны защиты А: Ho_a = 0,85*H = 0,85*" + H + " = "
          + moField("Ho_a", s) + " м;\r");
        P("- радиус торцевых областей защиты на уровне земли для зоны А: Ro_a = "
          "(1,35-0,0025*H)*H = (1,35-0,0025*" + H + ")*" + H + " = " + moField("Ro_a", s)
          + " м;\r");
    }
    if (m_zB) {
        P("- высота конуса молниеотвода для зоны защиты Б: Ho_b = 0,92*H = 0,92*" + H + " = "
          + moField("Ho_b", s) + " м;\r");
        P("- радиус торцевых областей защиты на уровне земли для зоны Б: Ro_b = 1,7*H = 1,7*" + H
          + " = " + moField("Ro_b", s) + " м;\r");
    }
    P("где H - высота молниеотвода.\r\r");
}

void Sections::WriteRadiiTable()
{
    if (!m_p.MOTabRadZon) {
        step(isRod() ? 2 : 1);
        return;
    }
    if (isRod())
        appendObjectTable("Радиусы зон защиты объектов.", {"Name", "Rx1"});
    else if (isCable())
        appendObjectTable("Радиусы торцевых областей защиты объектов.", {"Name", "Rx1"});
    else if (m_useAs2 && !isMulti())
        appendObjectTable("Радиусы областей зон защиты объектов.", {"Name", "Rx1"});
    else
        appendObjectTable("Радиусы торцевых областей и сужения зон защиты объектов.",
                          {"Name", "Rx1", "Rcx1"});
    if (isRod())
        step();
    if (m_p.MOPrimRadZon) {
        std::string t;
        if (isRod())
            t = "где\rRx, м - фактический радиус зоны защиты объекта на высоте Нх объекта, "
                "м.\r\r";
        else if (isCable())
            t = "где\rRx, м - фактический радиус торцевых областей защиты объекта на высоте Нх "
                "объекта, м.\r\r";
        else if (m_useAs2)
            t = "где\rRx, м - фактический радиус области защиты объекта на высоте Нх объекта, "
                "м.\r\r";
        else
            t = "где\rRx, м - фактический радиус торцевых областей защиты объекта на высоте Нх "
                "объекта, м;\rRсx, м - фактический радиус сужения зоны защиты объекта на высоте Нх "
                "объекта, м.\r\r";
        run(t, kTimes10);
    }
    // A multiple rod's radii are those of its protecting elements, given with the table.
    if (m_p.MOScoreRadZon && !isMulti()) {
        run("Расчеты.\r\r", kTimes12Bold);
        m_w.SetInsertionFormat(kTimes10);
        if (isRod())
            WriteRodRadii("Радиусы зоны защиты объекта на высоте Нх для выбранного молниеотвода.",
                          "1", false, false);
        else if (isCable())
            WriteCableRadii("Радиусы торцевых областей защиты объекта на высоте Нх для выбранного "
                            "молниеотвода.",
                            "1", false);
        else if (m_useAs2)
            WriteRodRadii("Радиусы областей зон защиты объектов на высоте Нх для выбранного "
                          "молниеотвода.",
                          "1", false, false);
        else
            WriteRodRadii("Радиусы торцевых областей и сужения зон защиты объектов на высоте Нх "
                          "для выбранного молниеотвода.",
                          "1", false, true);
    }
    bareBreak();
    step();
}

// True when the picture has at most 256 colours, so that a palette picture holds it exactly.
bool fewColours(const QImage &image)
{
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> seen;
    seen.reserve(257);
    QRgb last = 0;
    bool haveLast = false;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x];
            if (haveLast && c == last)
                continue;
            last = c;
            haveLast = true;
            if (std::find(seen.begin(), seen.end(), c) == seen.end()) {
                if (seen.size() == 256)
                    return false;
                seen.push_back(c);
            }
        }
    }
    return true;
}

void Sections::insertPicture(const QImage &image, const char *name)
{
    if (!m_tmp) {
        m_tmp = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/korvan-report-XXXXXX");
        if (!m_tmp->isValid())
            throw ReportStop("Ошибка. Не удалось создать временную папку для рисунков.");
    }
    const QString path = m_tmp->filePath(QString::fromLatin1(name));
    // The drawings have few colours: as a palette picture the file is smaller and much faster
    // to write; light compression, since the file is read back at once.
    const QImage flat = fewColours(image) ? image.convertToFormat(QImage::Format_Indexed8,
                                                                  Qt::ThresholdDither
                                                                      | Qt::AvoidDither)
                                          : image;
    // Encoded in memory and written with its errors checked: a file class's buffered write may
    // lose the last bytes on a full disk and still report success.
    QByteArray png;
    QBuffer buffer(&png);
    std::string why;
    if (!buffer.open(QIODevice::WriteOnly) || !flat.save(&buffer, "PNG", 80)
        || !writeOutputFile(path.toStdString(),
                            std::string_view(png.constData(), static_cast<size_t>(png.size())),
                            &why))
        throw ReportStop("Ошибка. Не удалось записать файл рисунка " + path.toStdString() + ". "
                         + why);
    // A drawing goes on paper at its plan scale, so that the scale its note states holds.
    if (!m_w.AppendPicture(path, kPixelsPerCm))
        throw ReportStop("Ошибка. Не удалось вставить рисунок " + path.toStdString() + ".");
    m_pictureFit = m_w.lastPictureFit();
}

void Sections::WriteDrawings()
{
    struct Pair {
        const char *suffix;
        bool top, topNote, front, frontNote;
        const char *topFile, *frontFile, *topCaption, *frontCaption;
    };
    const Pair pairs[2] = {
        {"", m_p.CherVidSverhuPod, m_p.PrimVidSverhuPod, m_p.CherVidPrymoPod, m_p.PrimVidPrymoPod,
         "image.png", "image1.png", "Расчетный молниеотвод. Вид сверху.",
         "Расчетный молниеотвод. Вид спереди."},
        {"1", m_p.CherVidSverhu, m_p.PrimVidSverhu, m_p.CherVidPrymo, m_p.PrimVidPrymo,
         "image2.png", "image3.png", "Выбранный молниеотвод. Вид сверху.",
         "Выбранный молниеотвод. Вид спереди."},
    };
    for (const Pair &pr : pairs) {
        ZonePictures pics;
        if (pr.top || pr.front) {
            pics = RenderZonePictures(m_in.snap, m_in.drawing, pr.suffix,
                                      m_p.CherPodlozhka ? m_in.underlay.get() : nullptr);
            // A drawing too large for memory is refused with its size, never cut or left empty.
            if (!pics.refused.empty())
                throw ReportStop(pics.refused);
        }
        if (pr.top) {
            insertPicture(pics.top, pr.topFile);
            if (pr.topNote)
                WriteDrawingNote(pr.topCaption, pr.suffix);
        }
        step();
        if (pr.front) {
            insertPicture(pics.front, pr.frontFile);
            if (pr.frontNote)
                WriteDrawingNote(pr.frontCaption, pr.suffix);
        }
        step();
    }
}

void Sections::Write3DPicture()
{
    if (!m_p.CherVid3D)
        return;
    // The chosen construction's zones once one is chosen, otherwise the design ones.
    const ConductorRec *c = m_in.snap.conductors.empty() ? nullptr : &m_in.snap.conductors.front();
    std::optional<std::string> suffix;
    if (c && c->H1)
        suffix = "1";
    else if (c && c->H)
        suffix = "";
    std::vector<std::size_t> open;
    if (suffix)
        open = UnprotectedObjects(m_in.snap, m_in.settings, *suffix);
    // With the rolling-sphere section, the sphere's envelope at the level its drawing shows, and
    // the objects that sphere reaches in red as well.
    Mesh3 envelope;
    const bool sphere = m_p.ProvSfera && !m_in.snap.conductors.empty() && !m_objects.empty();
    if (sphere) {
        const int level = sphereLevelShown();
        const SphereResult &res = sphereResult();
        for (std::size_t i = 0; i < res.objects.size(); ++i)
            if (!res.objects[i].levels[static_cast<std::size_t>(level)].isProtected &&
                std::find(open.begin(), open.end(), i) == open.end())
                open.push_back(i);
        const std::string s = previewSuffix(m_in.snap).value_or("");
        envelope = buildSphereEnvelope(SphereTerminationsOf(m_in.snap, m_in.sagTable, s == "1"),
                                       SphereRadius(level))
                       .mesh;
    }
    const Scene3D scene =
        buildScene3D(m_in.snap, m_in.drawing, suffix, open, sphere ? &envelope : nullptr);
    const QSize size(620, 460);
    Camera3D camera;
    camera.setPreset(Camera3D::Isometric, scene, size);
    insertPicture(renderScene3DImage(size, scene, camera), "image3d.png");
    run("Зоны защиты молниеотвода. Общий вид.\r\r", kTimes10);
}

void Sections::writeScaleLine(const std::string &caption)
{
    // The project's stored plan scale, so that every front end writes the same note; a drawing
    // reduced to fit the page states the scale it has on paper.
    std::string scale = g(m_proj.IScale);
    if (m_pictureFit < 0.9995) {
        const int n = std::clamp(m_proj.IScale.value_or(kMinScale), kMinScale, kMaxScale);
        scale = std::to_string(static_cast<long long>(std::llround(n / m_pictureFit)));
    }
    run(caption + "\rМасштаб 1 : " + scale + ".\r", kTimes10);
}

void Sections::WriteDrawingNote(const std::string &caption, const std::string &s)
{
    writeScaleLine(caption);
    const std::string adj = adjective();
    std::string t = "Примечание.\r";
    for (const auto &o : m_objects)
        t += g(o.SLabel) + " - объект \"" + g(o.Name) + "\".\r";
    if (m_zA)
        t += "Rо_а (" + moField("Ro_a", s) + " м) - радиус " + adj
             + "защиты на уровне земли для зоны А.\r";
    if (m_zB)
        t += "Rо_b (" + moField("Ro_b", s) + " м)  - радиус " + adj
             + "защиты на уровне земли для зоны Б.\r";
    for (const auto &o : m_objects)
        t += outsideChosenZone(o, s)
                 ? "Объект \"" + g(o.Name) + "\" (Нх " + g(o.Hx) + " м) " + kTextOutsideChosenZone
                       + ".\r"
                 : "Rx" + g(o.SLabel) + " (" + g(objectField(o, "Rx", s)) + " м) - радиус " + adj
                       + "защиты на высоте Нх (" + g(o.Hx) + " м) объекта \"" + g(o.Name)
                       + "\".\r";
    t += "\r";
    run(t, kTimes10);
}

// ---------------------------------------------------------------------------------------------
// Rolling-sphere check

void Sections::WriteSphereCheck()
{
    if (m_in.snap.conductors.empty() || m_objects.empty())
        return;
    // The conductor values the zones of the report end with: the chosen construction when
    // there is one.
    const std::string s = previewSuffix(m_in.snap).value_or("");
    const SphereResult &res = sphereResult();
    auto levelText = [](int l) {
        return std::string(SphereLevelName(l)) + " (R = " + g(SphereRadius(l)) + " м)";
    };

    title("Проверка защиты методом катящейся сферы\r");
    std::string rule =
        "Защита объектов проверена методом катящейся сферы. Для уровней защиты I, II, III и IV "
        "радиус сферы R равен соответственно "
        + g(SphereRadius(0)) + ", " + g(SphereRadius(1)) + ", " + g(SphereRadius(2)) + " и "
        + g(SphereRadius(3))
        + " м. Сфера катится по земле и по молниеотводам, опираясь на них, и не проходит сквозь "
          "них; она может опираться одновременно на два молниеотвода и на землю. Точка, которой "
          "сфера может коснуться, не защищена; объект защищен, если сфера не касается ни одной "
          "его точки. Объект проверяется как параллелепипед своего плана высотой Hx. Другие "
          "объекты не экранируют проверяемый объект, поэтому проверка идет в запас надежности.\r";
    rule += isCable() ? "Трос проверяется как кривая между вершинами опор с провесом "
                        "посередине пролета.\r\r"
                      : "\r";
    run(rule, kTimes10);

    std::vector<std::string> header = {"Метка", "Наименование", "Hx, м"};
    for (int l = 0; l < kSphereLevelCount; ++l)
        header.push_back(levelText(l));
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < m_objects.size() && i < res.objects.size(); ++i) {
        const ObjectRec &o = m_objects[i];
        std::vector<std::string> row = {g(o.SLabel), g(o.Name), g(o.Hx)};
        for (const SphereLevelResult &lr : res.objects[i].levels)
            row.push_back(lr.isProtected ? "защищен" : "не защищен, глубина " + g(round2(lr.depth)) + " м");
        rows.push_back(std::move(row));
    }
    m_w.AppendTable("Проверка защиты объектов методом катящейся сферы.", header, rows);

    // The drawing and the notes are of the best level, or of the largest sphere when no level
    // protects every object.
    const bool complete = res.objects.size() == m_objects.size();
    const int used = sphereLevelShown();
    std::string t;
    if (!complete)
        t = "";
    else if (res.bestLevel >= 0)
        t = "Все объекты защищены по уровню защиты " + levelText(res.bestLevel) + ".\r";
    else
        t = "Ни по одному уровню защиты не защищены все объекты.\r";
    for (std::size_t i = 0; complete && i < m_objects.size(); ++i) {
        const SphereLevelResult &lr = res.objects[i].levels[static_cast<std::size_t>(used)];
        if (lr.isProtected || !lr.point)
            continue;
        t += "Объект \"" + g(m_objects[i].Name) + "\" по уровню " + SphereLevelName(used)
             + ": точка касания сферы (" + g(round2(lr.point->x)) + "; " + g(round2(lr.point->y))
             + "; " + g(round2(lr.point->z)) + ") м, сфера входит в объект на "
             + g(round2(lr.depth)) + " м.\r";
    }
    t += "Радиус сферы на чертеже R = " + g(SphereRadius(used)) + " м (уровень защиты "
         + SphereLevelName(used) + ").\r\r";
    run(t, kTimes10);

    std::string refused;
    const QImage front = RenderSphereFront(m_in.snap, m_in.drawing, s, SphereRadius(used), refused);
    if (!refused.empty())
        throw ReportStop(refused);
    if (front.isNull())
        return;
    insertPicture(front, "sphere.png");
    writeScaleLine("Проверка методом катящейся сферы. Вид спереди.");
    run("Штриховая линия - граница, до которой опускается сфера радиусом "
            + g(SphereRadius(used)) + " м.\r\r",
        kTimes10);
}

const SphereResult &Sections::sphereResult()
{
    if (!m_sphere) {
        // The conductor values the zones of the report end with: the chosen construction when
        // there is one.
        const std::string s = previewSuffix(m_in.snap).value_or("");
        const SphereTerminations terms = SphereTerminationsOf(m_in.snap, m_in.sagTable, s == "1");
        SphereResult res = SphereCheck(terms, SphereObjectsOf(m_in.snap), [this](int, int) {
            return !(m_fb && m_fb->isCancelled());
        });
        if (m_fb && m_fb->isCancelled())
            throw ReportCancelled{};
        m_sphere = std::move(res);
    }
    return *m_sphere;
}

int Sections::sphereLevelShown()
{
    const SphereResult &res = sphereResult();
    const bool complete = res.objects.size() == m_objects.size();
    return complete && res.bestLevel >= 0 ? res.bestLevel : kSphereLevelCount - 1;
}

} // namespace

ReportResult writeReport(const ReportInput &in, DocumentWriter &writer, ReportFeedback *feedback)
{
    ReportResult result;
    Sections sections(in, writer, feedback, result);
    try {
        sections.run();
    } catch (const ReportCancelled &) {
        writer.CloseReportDocument();
        result.ok = false;
        result.cancelled = true;
    } catch (const ReportStop &e) {
        writer.CloseReportDocument();
        result.ok = false;
        result.error = QString::fromStdString(e.what());
    }
    return result;
}

} // namespace kv
