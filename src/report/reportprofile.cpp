#include "report/reportprofile.h"

#include "calc/numfmt.h"
#include "data/table.h"

namespace kv {

ReportProfile ReportProfile::full()
{
    ReportProfile p;
    p.Name = kFullProfileName;
    for (const auto &f : profileFlags())
        p.*f.member = true;
    // The full profile of a fresh data folder was stored before the 3D picture and the
    // underlay existed.
    p.CherVid3D = false;
    p.CherPodlozhka = false;
    p.WordDoc = "новый";
    p.PaperSize = "A4";
    p.PaperOrient = "книжная";
    p.PageNum = "в нижнем колонтитуле";
    p.TopMargin = 20;
    p.BottomMargin = 20;
    p.LeftMargin = 30;
    p.RightMargin = 15;
    p.HeaderDistance = 12;
    p.FooterDistance = 12;
    return p;
}

const std::array<ProfileFlag, 28> &profileFlags()
{
    using P = ReportProfile;
    static const std::array<ProfileFlag, 28> flags = {{
        {"ProjName", &P::ProjName},
        {"ProjHar", &P::ProjHar},
        {"ObjTabObHar", &P::ObjTabObHar},
        {"ObjPrimObHar", &P::ObjPrimObHar},
        {"ObjTabMOHar", &P::ObjTabMOHar},
        {"ObjPrimMOHar", &P::ObjPrimMOHar},
        {"ObjPrimClass", &P::ObjPrimClass},
        {"ObjScoreMOHar", &P::ObjScoreMOHar},
        {"MOTabRasHar", &P::MOTabRasHar},
        {"MOPrimRasHar", &P::MOPrimRasHar},
        {"MOScoreRasHar", &P::MOScoreRasHar},
        {"MOTabSelHar", &P::MOTabSelHar},
        {"MOPrimSelHar", &P::MOPrimSelHar},
        {"MOScoreSelHar", &P::MOScoreSelHar},
        {"MOTabRadZon", &P::MOTabRadZon},
        {"MOPrimRadZon", &P::MOPrimRadZon},
        {"MOScoreRadZon", &P::MOScoreRadZon},
        {"CherVidSverhuPod", &P::CherVidSverhuPod},
        {"PrimVidSverhuPod", &P::PrimVidSverhuPod},
        {"CherVidPrymoPod", &P::CherVidPrymoPod},
        {"PrimVidPrymoPod", &P::PrimVidPrymoPod},
        {"CherVidSverhu", &P::CherVidSverhu},
        {"PrimVidSverhu", &P::PrimVidSverhu},
        {"CherVidPrymo", &P::CherVidPrymo},
        {"PrimVidPrymo", &P::PrimVidPrymo},
        {"ProvSfera", &P::ProvSfera},
        {"CherVid3D", &P::CherVid3D},
        {"CherPodlozhka", &P::CherPodlozhka},
    }};
    return flags;
}

const std::array<DependentFlags, 9> &dependentFlags()
{
    static const std::array<DependentFlags, 9> deps = {{
        {"ObjTabObHar", {"ObjPrimObHar", nullptr, nullptr}},
        {"ObjTabMOHar", {"ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar"}},
        {"MOTabRasHar", {"MOPrimRasHar", "MOScoreRasHar", nullptr}},
        {"MOTabSelHar", {"MOPrimSelHar", "MOScoreSelHar", nullptr}},
        {"MOTabRadZon", {"MOPrimRadZon", "MOScoreRadZon", nullptr}},
        {"CherVidSverhuPod", {"PrimVidSverhuPod", nullptr, nullptr}},
        {"CherVidPrymoPod", {"PrimVidPrymoPod", nullptr, nullptr}},
        {"CherVidSverhu", {"PrimVidSverhu", nullptr, nullptr}},
        {"CherVidPrymo", {"PrimVidPrymo", nullptr, nullptr}},
    }};
    return deps;
}

namespace {
struct Margin {
    const char *field;
    OptI ReportProfile::*member;
};
constexpr Margin kMargins[] = {
    {"TopMargin", &ReportProfile::TopMargin},
    {"BottomMargin", &ReportProfile::BottomMargin},
    {"LeftMargin", &ReportProfile::LeftMargin},
    {"RightMargin", &ReportProfile::RightMargin},
    {"HeaderDistance", &ReportProfile::HeaderDistance},
    {"FooterDistance", &ReportProfile::FooterDistance},
};
struct TextField {
    const char *field;
    std::string ReportProfile::*member;
};
constexpr TextField kTexts[] = {
    {"Name", &ReportProfile::Name},
    {"WordDoc", &ReportProfile::WordDoc},
    {"PaperSize", &ReportProfile::PaperSize},
    {"PaperOrient", &ReportProfile::PaperOrient},
    {"PageNum", &ReportProfile::PageNum},
};
} // namespace

ReportProfile readProfile(const Table &report)
{
    ReportProfile p;
    p.Kod = report.value("Kod").optInt();
    for (const auto &f : profileFlags())
        p.*f.member = report.asBool(f.field);
    for (const auto &t : kTexts)
        p.*t.member = report.asText(t.field);
    for (const auto &m : kMargins)
        p.*m.member = report.value(m.field).optInt();
    return p;
}

void writeProfile(Table &report, const ReportProfile &p)
{
    for (const auto &f : profileFlags())
        report.setValue(f.field, p.*f.member);
    for (const auto &t : kTexts)
        report.setValue(t.field, p.*t.member);
    for (const auto &m : kMargins)
        report.setValue(m.field, Value(p.*m.member));
}

int marginPoints(const OptI &mm)
{
    return static_cast<int>(roundEven(static_cast<long double>(mm.value_or(0)) * 2.836L));
}

} // namespace kv
