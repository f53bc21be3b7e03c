#include "widgets/helpwindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace kv {

namespace {

// The topic title: the <title> of its page.
QString titleOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString html = QString::fromUtf8(f.readAll());
    static const QRegularExpression re(QStringLiteral("<title>(.*?)</title>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

} // namespace

const QList<int> &helpContexts()
{
    static const QList<int> all = {kHelpContents,       kHelpProjectWindow,    kHelpPlans,
                                   kHelpProject,        kHelpOpenProject,      kHelpObject,
                                   kHelpKoordMO,        kHelpAlignMO,          kHelpAlignObjToMO,
                                   kHelpAlignObjToObj,  kHelpPreview,          kHelpReportSettings,
                                   kHelpConstructions,  kHelpSearchResult,     kHelpPoraj,
                                   kHelpClasses,        kHelpObjectNames,      kHelpSettings,
                                   kHelpPlacementSingle, kHelpPlacementComplex, kHelpObjectBand,
                                   kHelpPlacementCharts, kHelpObjectDiagrams};
    return all;
}

QString helpTopicPath(int context)
{
    if (context != kHelpContents && helpContexts().contains(context))
        return QStringLiteral(":/help/topic-%1.html").arg(context);
    return QStringLiteral(":/help/index.html");
}

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Справка - Korvan VL 2.1"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setSearchPaths({QStringLiteral(":/help")});
    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("helpContents"));
    m_contents->setWordWrap(true);
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int c : helpContexts()) {
        auto *item = new QListWidgetItem(titleOf(helpTopicPath(c)), m_contents);
        item->setData(Qt::UserRole, c);
    }
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *i) { showTopic(i->data(Qt::UserRole).toInt()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *i) { showTopic(i->data(Qt::UserRole).toInt()); });

    // Links between topics keep the contents list on the topic shown.
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
        static const QRegularExpression re(QStringLiteral("topic-(\\d+)\\.html$"));
        const auto m = re.match(url.path());
        const int shown = m.hasMatch() ? m.captured(1).toInt() : int(kHelpContents);
        for (int i = 0; i < m_contents->count(); ++i)
            if (m_contents->item(i)->data(Qt::UserRole).toInt() == shown) {
                const QSignalBlocker block(m_contents);
                m_contents->setCurrentRow(i);
            }
    });

    auto *bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction *contents = bar->addAction(QStringLiteral("Содержание"), this,
                                       [this] { showTopic(kHelpContents); });
    contents->setObjectName(QStringLiteral("helpHome"));
    QAction *back = bar->addAction(QStringLiteral("Назад"), m_browser, &QTextBrowser::backward);
    back->setObjectName(QStringLiteral("helpBack"));
    QAction *forward = bar->addAction(QStringLiteral("Вперед"), m_browser, &QTextBrowser::forward);
    forward->setObjectName(QStringLiteral("helpForward"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto *split = new QSplitter(this);
    split->addWidget(m_contents);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 1);
    split->setSizes({300, 600});
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addWidget(bar);
    lay->addWidget(split, 1);
    resize(900, 600);
}

void HelpWindow::showTopic(int context)
{
    m_browser->setSource(QUrl(QStringLiteral("qrc") + helpTopicPath(context)));
}

HelpWindow *showHelp(int context, QWidget *parent)
{
    // One help window; opened from a modal dialog it belongs to that dialog, so it is not
    // blocked by it.
    static QPointer<HelpWindow> window;
    QWidget *owner = parent ? parent->window() : nullptr;
    if (!window) {
        window = new HelpWindow(owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    } else if (window->parentWidget() != owner) {
        const QRect g = window->geometry();
        window->setParent(owner, Qt::Window);
        window->setGeometry(g);
    }
    window->showTopic(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace kv
