#pragma once
// The placement diagrams window ("Диаграммы размещения."): the required height along lines of
// the height table at fixed values of one coordinate, as curves or bars, with the trajectory
// scheme of the moving support under the chart.

#include "placement/placementdiagram.h"
#include "placement/placementpictures.h"

#include <QDialog>

class QBarCategoryAxis;
class QButtonGroup;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QValueAxis;

namespace kv {

class BarMarks;
class Prompter;

class PlacementDiagramWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 103;

    // What the calling window hands over.
    struct Source {
        HeightTable table;
        bool singleRod = true;    // the single-rod window: fixed-support controls disabled
        int movingSupport = 1;    // one support ranged: the moving one
        std::optional<Pt> fixedSupport; // one support ranged: the other support's position
        PlacementRange range;     // the moving support's current range (trajectories)
        PlacementRange range2;    // both ranged: support 2's current range
        std::vector<SchemeObject> objects;
    };

    explicit PlacementDiagramWindow(QWidget *parent = nullptr);

    // Sets the controls for the source and clears the chart (as on activation).
    void setSource(Source s);
    // Builds the chart from the ticked values.
    void rebuild();

    // Test access.
    QListWidget *valuesList() const { return m_values; }
    QLineEdit *titleField() const { return m_title; }
    QPushButton *refreshButton() const { return m_refresh; }
    QRadioButton *fixedXRadio() const { return m_fixedX; }
    QRadioButton *fixedYRadio() const { return m_fixedY; }
    QRadioButton *barsRadio() const { return m_bars; }
    QCheckBox *autoRefresh() const { return m_auto; }
    QComboBox *labelsList() const { return m_labels; }
    QChartView *chartView() const { return m_chartView; }
    const BarMarks &marks() const { return *m_marks; }
    QComboBox *fixedXList() const { return m_fixX; }
    QComboBox *fixedYList() const { return m_fixY; }
    QRadioButton *movingRadio(int support) const { return support == 1 ? m_moving1 : m_moving2; }
    const std::vector<DiagramSeries> &series() const { return m_series; }
    QString bottomAxisTitle() const;
    QImage trajectoryImage() const { return m_trajectoryImage; }
    void setAllTicks(int mode); // 0 untick, 1 tick, 2 invert
    // Writes the chart as a picture file of the format of its extension (.bmp, .jpg, .png,
    // .emf, .wmf); "Сохранить..." asks for the file.
    bool saveChart(const QString &path);
    // Where the save reports its errors, and the data folder whose own files it never replaces
    // (set by the placement window).
    Prompter *prompter = nullptr;
    std::string dataDir;

signals:
    void helpRequested(int topic);

private:
    DiagramChoice choice() const;
    void fillValues();
    void changed();
    void drawTrajectory();
    void updateRefreshEnabled();

    Source m_src;
    QChartView *m_chartView;
    BarMarks *m_marks;
    QBarCategoryAxis *m_axisX;
    QValueAxis *m_axisY;
    QLineEdit *m_title;
    QPushButton *m_refresh;
    QRadioButton *m_lines, *m_bars;
    QComboBox *m_labels;
    QCheckBox *m_auto;
    QRadioButton *m_moving1, *m_moving2;
    QRadioButton *m_fixedX, *m_fixedY;
    QListWidget *m_values;
    QComboBox *m_fixX, *m_fixY;
    QLabel *m_fixXLabel, *m_fixYLabel, *m_coordLabel;
    QComboBox *m_scale;
    QLabel *m_trajectory;
    QImage m_trajectoryImage;
    std::vector<DiagramSeries> m_series;
    bool m_filling = false;
};

} // namespace kv
