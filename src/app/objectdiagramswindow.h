#pragma once
// The object diagrams window ("Просмотр диаграмм."): horizontal bars of the stored per-object
// values (Hx, R, H, Rx, Rxi, Rcx, Rcxi) of the current project, a page of objects at a time.

#include "calc/records.h"

#include <QDialog>

#include <array>
#include <functional>
#include <vector>

class QBarCategoryAxis;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QValueAxis;

namespace kv {

class BarMarks;
class ProjectDocument;

class ObjectDiagramsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 57;
    static constexpr int kSeriesCount = 7;

    explicit ObjectDiagramsWindow(ProjectDocument &doc, QWidget *parent = nullptr);

    // On opening: the page controls and explanations for the current project, then the chart.
    void activate();
    void rebuild();
    // The chart as a picture (what "Сохранить..." writes).
    QImage chartImage() const;
    bool saveChart(const QString &path);
    // "Экспорт...": appends the chart to the report document of this run (the last one written,
    // or a new one at a file the user picks) and saves it at path.
    bool exportToDocument(const QString &path);
    // The file picker of a new report document (tests replace it).
    std::function<QString(const QString &suggested)> chooseDocumentFile;

    // Test access.
    QSpinBox *pageSpin() const { return m_page; }
    QSpinBox *perPageSpin() const { return m_perPage; }
    QCheckBox *pagingBox() const { return m_paging; }
    QCheckBox *seriesBox(int i) const { return m_boxes[static_cast<std::size_t>(i)]; }
    QLabel *explanation(int i) const { return m_texts[static_cast<std::size_t>(i)]; }
    // Titles of the series shown and, per series, the bars (object name, value).
    struct Shown {
        QString title;
        std::vector<std::pair<QString, double>> bars;
    };
    const std::vector<Shown> &shown() const { return m_shown; }
    const BarMarks &marks() const { return *m_marks; }
    QChartView *chartView() const { return m_view; }

signals:
    void helpRequested(int topic);
    // The report document was written (its path).
    void documentWritten(const QString &path);

private:
    void perPageChanged();
    void zoom(double factor);

    ProjectDocument &m_doc;
    QChartView *m_view;
    BarMarks *m_marks;
    QBarCategoryAxis *m_names;
    QValueAxis *m_values;
    QComboBox *m_labels;
    QCheckBox *m_paging;
    QSpinBox *m_page, *m_perPage;
    QLabel *m_pageLabel, *m_perPageLabel;
    std::array<QCheckBox *, kSeriesCount> m_boxes{};
    std::array<QLabel *, kSeriesCount> m_texts{};
    std::vector<Shown> m_shown;
    bool m_building = false;
};

} // namespace kv
