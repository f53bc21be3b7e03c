#pragma once
// The optimal placement windows: "Оптимальное размещение одиночного стержневого молниеотвода."
// (single rod) and "Оптимальное размещение сложного молниеотвода." (double rod and catenary).
// The grids edit the placement tables through their rules; "Расчет" and "Таблица" run in a
// worker thread with live progress and "Стоп"; OK applies the chosen result through the
// document as one undoable step.

#include "calc/placementsearch.h"
#include "placement/placementapply.h"
#include "placement/placementdriver.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;

namespace kv {

class HeightMapPanel;
class HeightTableModel;
class ObjectBandDialog;
class PlacementDiagramWindow;
class ProjectDocument;
class Prompter;
class TableEditPanel;
class Transaction;

class PlacementWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpSingle = 100, kHelpComplex = 101;

    // complex: the two-support window (double rod and catenary).
    PlacementWindow(ProjectDocument &doc, Prompter &prompter, bool complex,
                    QWidget *parent = nullptr);
    ~PlacementWindow() override;

    bool isComplex() const { return m_complex; }
    // As on activation: map colours, scheme, the height table reset for another project, the
    // button states. exec() and show() do it by themselves.
    void activate();
    // exec() with the result applied on OK.
    int execAndApply();

    // --- Commands (the buttons' slots; tests call them too) -----------------------------------
    void runSearch();     // "Расчет"
    void buildTable();    // "Таблица"
    void stop();          // "Стоп"
    void find();          // "Найти"
    void toggleMap();     // "Карта..."
    void openDiagram();   // "Диаграмма..."
    void addObjectBand(int support, bool subRange); // support 1 or 2 (1 in the single window)
    bool applyResult();   // what OK applies
    bool isRunning() const { return m_running; }
    void waitForWork();   // tests: until the worker has finished and its results are stored

    void setResultMode(ResultMode m);
    ResultMode resultMode() const { return m_mode; }
    void updateButtons(); // the enabled state of every button

    // A drag on the scheme from one pixel to another: fills the range or sub-range being edited.
    void dragOnScheme(QPoint from, QPoint to);
    QImage schemeImage() const { return m_schemeImage; }
    void redrawScheme();

    // --- Test access -------------------------------------------------------------------------
    TableEditPanel *variants() const { return m_variants; }
    TableEditPanel *ranges(int support = 1) const { return support == 1 ? m_ranges1 : m_ranges2; }
    TableEditPanel *subranges(int support = 1) const { return support == 1 ? m_subs1 : m_subs2; }
    TableEditPanel *combinations() const { return m_combos; }
    QTableView *heightGrid() const { return m_grid; }
    HeightTableModel *heightModel() const { return m_heightModel; }
    HeightMapPanel *mapPanel() const { return m_map; }
    QPushButton *button(const QString &text) const;
    QComboBox *findList(int i) const { return m_findLists[static_cast<std::size_t>(i)]; }
    QProgressBar *progressBar() const { return m_progress; }
    QTabWidget *tabs() const { return m_tabs; }
    ObjectBandDialog *bandDialog() const { return m_band; }
    PlacementDiagramWindow *diagramWindow() const { return m_diagram; }
    QLineEdit *hminField() const { return m_hmin; }
    // The band dialog's answer for tests (instead of its exec()).
    void setBandAnswer(std::function<bool(ObjectBandDialog &)> answer) { m_bandAnswer = std::move(answer); }
    // The diagram window is shown modally unless a test replaces that.
    void setDiagramShow(std::function<void(PlacementDiagramWindow &)> show) { m_diagramShow = std::move(show); }

signals:
    void helpRequested(int topic);

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void done(int result) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    struct Work;
    void buildUi();
    QWidget *buildSchemeTab();
    QWidget *buildTableTab();
    void startWork(bool table);
    void pollWork();
    void onWorkFinished();
    void setRunningState(bool running);
    void resetHeightTable();
    void showTable(const TableOutcome &t);
    void currentCellToView();
    bool hasZonedObjects() const;

    ProjectDocument &m_doc;
    Prompter &m_prompter;
    bool m_complex;
    ResultMode m_mode = ResultMode::Variant;
    bool m_running = false;
    bool m_drawing = false;
    int m_projectKod = 0;
    std::unique_ptr<Work> m_work;

    TableEditPanel *m_variants = nullptr;
    TableEditPanel *m_ranges1 = nullptr, *m_subs1 = nullptr;
    TableEditPanel *m_ranges2 = nullptr, *m_subs2 = nullptr;
    TableEditPanel *m_combos = nullptr;
    std::vector<QToolButton *> m_bandButtons; // range 1, sub 1, range 2, sub 2
    std::map<QString, QPushButton *> m_buttons;
    std::array<QToolButton *, 3> m_modeButtons{};
    QTabWidget *m_tabs = nullptr;
    QTableView *m_grid = nullptr;
    HeightTableModel *m_heightModel = nullptr;
    QLineEdit *m_hmin = nullptr, *m_hmax = nullptr;
    std::array<QComboBox *, 4> m_findLists{};
    QProgressBar *m_progress = nullptr;
    QTimer *m_poll = nullptr;
    QTimer *m_schemeLater = nullptr; // the scheme redrawn after a change of the tables
    HeightMapPanel *m_map = nullptr;
    ObjectBandDialog *m_band = nullptr;
    PlacementDiagramWindow *m_diagram = nullptr;
    std::function<bool(ObjectBandDialog &)> m_bandAnswer;
    std::function<void(PlacementDiagramWindow &)> m_diagramShow;

    // Scheme tab.
    QComboBox *m_scale = nullptr;
    QCheckBox *m_withConductor = nullptr, *m_withObjects = nullptr, *m_withSubs = nullptr;
    QRadioButton *m_rangesAll = nullptr, *m_rangesCurrent = nullptr, *m_rangesNone = nullptr;
    QLabel *m_scheme = nullptr;
    QImage m_schemeImage;
    QPoint m_dragStart;
    std::vector<int> m_subscriptions;
};

} // namespace kv
