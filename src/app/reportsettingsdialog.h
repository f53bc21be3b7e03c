#pragma once
// The report settings dialog: the report profiles of report.DB with a navigator and a grid, the
// content check boxes on four tabs (dependent boxes follow their parent), a sample pane showing
// the report fragment of the box under the mouse, and the document settings.

#include "calc/records.h"

#include <QDialog>
#include <QImage>
#include <map>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace kv {

class DataModule;
class Prompter;
class Table;
class TableModel;

class ReportSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ReportSettingsDialog(DataModule &dm, Prompter &prompter, QWidget *parent = nullptr);
    ~ReportSettingsDialog() override;

    // The check box of a content field ("ProjName", ...), the margin edit of a margin field.
    QCheckBox *checkBox(const std::string &field) const;
    QLineEdit *marginEdit(const std::string &field) const;
    QCheckBox *sampleBox() const { return m_sampleBox; }
    QLabel *sampleNote() const { return m_sampleNote; }
    QLabel *samplePicture() const { return m_samplePicture; }
    QTableView *grid() const { return m_grid; }
    QToolButton *navigatorButton(int index) const; // 0 first … 9 refresh

    // Shows the sample of a content field as when the mouse passes over its box.
    void showSample(const std::string &field);

    // The sample picture of a field for a conductor type, rendered from the sample project.
    static QImage renderSample(const std::string &field, ConductorType type,
                               const std::map<int, std::string> &classTexts);

signals:
    void helpRequested(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void buildUi();
    QWidget *buildContentTab();
    QWidget *buildDocumentTab();
    QCheckBox *addBox(QVBoxLayout *layout, const char *field, const QString &caption,
                      bool indented, const QString &secondLine = {});
    void loadFromRow();
    void checkBoxClicked(const std::string &field, bool checked);
    void radioClicked(const char *field, const QString &value);
    void marginEdited(const char *field);
    bool beginEdit();
    void postEdit();
    void navigate(int action);
    void updateDependents();
    void clearSample();

    DataModule &m_dm;
    Prompter &m_prompter;
    TableModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    std::map<std::string, QCheckBox *> m_boxes;
    std::map<std::string, QLineEdit *> m_margins;
    std::map<std::string, QButtonGroup *> m_radios;
    std::map<QObject *, std::string> m_hoverFields; // boxes and second-line labels
    QToolButton *m_nav[10] = {};
    QCheckBox *m_sampleBox = nullptr;
    QLabel *m_sampleNote = nullptr;
    QLabel *m_samplePicture = nullptr;
    QScrollArea *m_sampleScroll = nullptr;
    std::map<int, std::string> m_classTexts;
    std::map<std::pair<std::string, int>, QImage> m_sampleCache;
    bool m_loading = false;
    int m_tableHandle = 0;
};

// Fills a new profile row with the values of the full profile ("Полный отчет" when the table
// has it), so that a new profile starts as a whole report rather than an empty one.
void fillNewProfile(Table &report);

} // namespace kv
