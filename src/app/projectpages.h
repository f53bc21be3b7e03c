#pragma once
// The page control at the right of the project window: the tabs "Проект", "Молниеотвод" and
// "Объект" with read-only views of the current project, conductor and object rows.

#include "calc/records.h"

#include <QHash>
#include <QTabWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kv {

class ProjectPages : public QTabWidget {
    Q_OBJECT
public:
    explicit ProjectPages(QWidget *parent = nullptr);

    // Shows the rows; conductor and object may be null (empty state, no objects). classText is
    // the looked-up class text of the object.
    void showRows(const ProjectRec *project, const ConductorRec *conductor, const ObjectRec *object,
                  const QString &classText);

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
};

} // namespace kv
