#include "data/constructionsearch.h"

#include "calc/numfmt.h"
#include "calc/records.h"

#include <algorithm>

namespace kv {

bool usesCableCatalogue(DataModule &dm)
{
    Table &p = dm.project();
    if (!p.isOpen() || p.isEmpty())
        return true;
    return conductorTypeOf(p.asText("TipMO")) == ConductorType::Cable;
}

Table &catalogueGroups(DataModule &dm, bool cable)
{
    return dm.table(cable ? TableId::SMoT0 : TableId::SMo0);
}

Table &catalogueItems(DataModule &dm, bool cable)
{
    return dm.table(cable ? TableId::SMoT1 : TableId::SMo1);
}

std::optional<double> catalogueHeight(DataModule &dm)
{
    Table &p = dm.project();
    Table &mo = dm.mo();
    if (!p.isOpen() || p.isEmpty() || !mo.isOpen() || mo.isEmpty())
        return std::nullopt;
    if (mo.bookmark() < 0)
        mo.first();
    if (!mo.isNull("Hop"))
        return mo.asDouble("Hop");
    if (!mo.isNull("H"))
        return mo.asDouble("H");
    return std::nullopt;
}

std::string heightFilter(std::optional<double> height)
{
    return height ? "[H]>=" + formatGeneral(*height) : std::string();
}

void ConstructionSearch::build(DataModule &dm, bool cable, std::optional<double> height)
{
    discard();
    Table &groups = catalogueGroups(dm, cable);
    Table &items = catalogueItems(dm, cable);
    // Whole rows by key: the grids' filter and the current group do not narrow the search.
    const auto indexOf = [](const Table &t, const char *name) {
        const auto &fs = t.def().fields;
        for (std::size_t i = 0; i < fs.size(); ++i)
            if (fs[i].name == name)
                return i;
        return fs.size();
    };
    const std::size_t gName = indexOf(groups, "Name");
    const std::size_t iH = indexOf(items, "H");
    const std::size_t iTipIdx = indexOf(items, "Tip");
    for (std::int64_t g : groups.keysUnder(0)) {
        const auto grow = groups.rowByKey(g);
        if (!grow)
            continue;
        for (std::int64_t k : items.keysUnder(g)) {
            const auto irow = items.rowByKey(k);
            if (!irow || (*irow)[iH].isNull())
                continue;
            const double h = (*irow)[iH].toDouble();
            if (height && !(h >= *height))
                continue;
            m_rows.push_back({static_cast<int>(g), static_cast<int>(k), (*grow)[gName].toText(),
                              (*irow)[iTipIdx].toText(), h});
        }
    }
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const SearchRow &a, const SearchRow &b) { return a.h < b.h; });
    m_exists = true;
    m_current = m_rows.empty() ? -1 : 0;
}

void ConstructionSearch::discard()
{
    m_rows.clear();
    m_current = -1;
    m_exists = false;
}

void ConstructionSearch::setCurrent(int row)
{
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_current = row;
}

ConstructionSearch::Buttons ConstructionSearch::buttons() const
{
    Buttons b;
    if (!m_exists || m_rows.empty())
        return b;
    const int lastRow = static_cast<int>(m_rows.size()) - 1;
    b.first = b.prior = m_current > 0;
    b.next = b.last = m_current < lastRow;
    b.table = true;
    return b;
}

bool ConstructionSearch::show(DataModule &dm, bool cable) const
{
    if (m_current < 0)
        return false;
    const SearchRow &r = m_rows[static_cast<std::size_t>(m_current)];
    Table &groups = catalogueGroups(dm, cable);
    Table &items = catalogueItems(dm, cable);
    const auto groupBefore = groups.bookmark();
    if (groups.locate({{"Kod", Value(r.groupKod)}}) && items.locate({{"Kod", Value(r.itemKod)}}))
        return true;
    if (groupBefore >= 0)
        groups.gotoBookmark(groupBefore);
    dm.prompter().error(kMsgSearchFailed);
    return false;
}

} // namespace kv
