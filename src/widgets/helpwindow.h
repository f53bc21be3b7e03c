#pragma once
// The help of the program: a window over Russian HTML topics (compiled in as resources), one
// topic per context number, with contents, back and forward. Every "Справка..." button opens its
// window's topic; the help command of the project window opens the contents.

#include <QString>
#include <QWidget>

class QTextBrowser;
class QListWidget;

namespace kv {

// Context numbers of the windows and dialogs.
enum HelpContext {
    kHelpContents = 0,
    kHelpAlignObjToMO = 1,       // "Выравнивание объекта относительно молниеотвода."
    kHelpAlignObjToObj = 2,      // "Выравнивание объекта относительно другого объекта."
    kHelpKoordMO = 3,            // "Координаты молниеотвода."
    kHelpObject = 4,             // "Параметры объекта."
    kHelpPoraj = 6,              // thunderstorm activity dictionary
    kHelpOpenProject = 7,        // "Открытие проекта."
    kHelpProject = 8,            // "Параметры проекта."
    kHelpAlignMO = 9,            // "Выравнивание молниеотвода."
    kHelpReportSettings = 10,    // "Параметры отчета."
    kHelpSettings = 11,          // "Параметры программы."
    kHelpPreview = 12,           // "Просмотр зон защиты."
    kHelpConstructions = 13,     // constructions catalogue
    kHelpClasses = 37,           // "Классы зданий и сооружений."
    kHelpProjectWindow = 39,     // the project window
    kHelpPlans = 40,             // its plan images
    kHelpObjectNames = 49,       // "Справочник наименований объектов."
    kHelpObjectDiagrams = 57,    // "Просмотр диаграмм."
    kHelpSearchResult = 60,      // "Выбор молниеотвода из таблицы поиска"
    kHelpPlacementSingle = 100,  // single rod placement
    kHelpPlacementComplex = 101, // complex conductor placement
    kHelpObjectBand = 102,       // "Выбор объекта."
    kHelpPlacementCharts = 103,  // "Диаграммы размещения."
};

// Every context number that has a topic, contents first.
const QList<int> &helpContexts();
// The resource path of a topic (":/help/topic-8.html"); the contents for an unknown number.
QString helpTopicPath(int context);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    // Shows the topic of a context number (the contents for kHelpContents or an unknown one).
    void showTopic(int context);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
    QListWidget *m_contents;
};

// Opens (or raises) the one help window of the program at the topic of context.
HelpWindow *showHelp(int context, QWidget *parent = nullptr);

} // namespace kv
