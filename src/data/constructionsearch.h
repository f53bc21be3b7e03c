#pragma once
// The construction catalogue of the current project and its search by height: which catalogue a
// project uses, the height filter of the construction grid, and the search result over the
// whole catalogue (every construction at least as high as the conductor, lowest first).

#include "data/datamodule.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

inline constexpr const char *kCaptionRodCatalogue = "Конструкции стержневых молниеотводов.";
inline constexpr const char *kCaptionCableCatalogue = "Конструкции тросовых молниеотводов.";
inline constexpr const char *kMsgSearchFailed = "Ошибка. Поиск молниеотвода неудачен.";

// The catenary catalogue for a catenary project, and also when no project exists; the rod
// catalogue otherwise. Decided by the project's conductor type (the two catalogues' keys
// overlap, so the type, not an empty support height, must pick it).
bool usesCableCatalogue(DataModule &dm);
Table &catalogueGroups(DataModule &dm, bool cable);
Table &catalogueItems(DataModule &dm, bool cable);

// The height the catalogue is filtered and searched by: the current conductor row's support
// height when it is not empty, otherwise its height; nullopt without a project or a height.
std::optional<double> catalogueHeight(DataModule &dm);
// The construction grid's filter for that height ("[H]>=15,5"); empty (no filter) without one.
std::string heightFilter(std::optional<double> height);

struct SearchRow {
    int groupKod = 0, itemKod = 0;
    std::string name, tip;
    double h = 0;
};

// The search result of the construction window, with its current row.
class ConstructionSearch {
public:
    // Rebuilds the result from the catalogue: constructions with H >= height (all of them
    // without a height), sorted by height, ties in catalogue order; the first row current.
    void build(DataModule &dm, bool cable, std::optional<double> height);
    void discard();

    bool exists() const { return m_exists; }
    const std::vector<SearchRow> &rows() const { return m_rows; }
    int current() const { return m_current; }
    void setCurrent(int row);
    void first() { setCurrent(0); }
    void prior() { setCurrent(m_current - 1); }
    void next() { setCurrent(m_current + 1); }
    void last() { setCurrent(static_cast<int>(m_rows.size()) - 1); }

    // The search buttons: first, prior, next, last, and the result window's.
    struct Buttons {
        bool first = false, prior = false, next = false, last = false, table = false;
    };
    Buttons buttons() const;

    // Makes the current result row's group and construction current in the catalogue tables.
    // A row that no longer exists shows kMsgSearchFailed and leaves the current rows; false.
    bool show(DataModule &dm, bool cable) const;

private:
    std::vector<SearchRow> m_rows;
    int m_current = -1;
    bool m_exists = false;
};

} // namespace kv
