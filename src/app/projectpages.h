#pragma once
// The page control at the right of the project window: the tabs "Проект", "Молниеотвод" and
// "Объект" with read-only views of the current project, conductor and object rows.

#include "calc/multirod.h"
#include "calc/records.h"

#include <QHash>
#include <QTabWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QWidget;

namespace kv {

class ProjectPages : public QTabWidget {
    Q_OBJECT
public:
    explicit ProjectPages(QWidget *parent = nullptr);

    // Shows the rows; conductor and object may be null (empty state, no objects). classText is
    // the looked-up class text of the object.
    void showRows(const ProjectRec *project, const ConductorRec *conductor, const ObjectRec *object,
                  const QString &classText);

    // A multiple rod's rods (number, X, Y; the current one selected) and its pairs (rods, L, L/H)
    // with the values of the current pair below: Hc, Rc of each zone and the pair's mode. The
    // current pair is the one picked in its grid, else the current rod with the next. Hidden
    // for the other types (conductors empty).
    void showRods(const std::vector<ConductorRec> &conductors, const MultiRodResult &stored,
                  int currentRod);
    QTableWidget *rodsGrid() const { return m_rods; }
    QTableWidget *pairsGrid() const { return m_pairs; }

    // The read-only field showing a field: "project.Name", "mo.H1", "object.Rx" ...
    QLineEdit *field(const QString &key) const { return m_fields.value(key); }
    QFrame *colorSwatch() const { return m_swatch; }
    QLabel *twoRodsNote() const { return m_note; }
    QPlainTextEdit *classMemo() const { return m_classMemo; }

private:
    QLineEdit *addField(const QString &key);
    void setText(const QString &key, const QString &text);
    void setFieldEnabled(const QString &key, bool on);

    QHash<QString, QLineEdit *> m_fields;
    QHash<QString, QLabel *> m_captions;
    QFrame *m_swatch = nullptr;
    QLabel *m_note = nullptr;
    QPlainTextEdit *m_classMemo = nullptr;
    QWidget *m_multi = nullptr;
    QTableWidget *m_rods = nullptr;
    QTableWidget *m_pairs = nullptr;
    MultiRodResult m_stored;
    std::vector<ConductorRec> m_rodRows;
    void showPair(int row);

signals:
    // A rod row of the grid was clicked.
    void rodClicked(int index);
};

} // namespace kv
