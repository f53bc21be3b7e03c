// korvan: the lightning-protection design program.

#include "app/dialogprompter.h"
#include "app/projectwindow.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "widgets/stocktranslations.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Korvan VL 2.1"));
    QApplication::setApplicationName(QStringLiteral("Korvan VL 2.1"));
    // Without Qt's translations installed the stock buttons stay English; nothing else changes.
    kv::installStockTranslations();

    auto *splash = new kv::SplashWindow;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    kv::DialogPrompter prompter;
    kv::StartUp startUp(kv::StartUp::defaultDataDir());
    if (!startUp.run(prompter)) {
        // Nothing to work on; the message has been shown.
        delete splash;
        return 1;
    }
    prompter.setParent(startUp.window());

    // The splash stays up for three seconds.
    QEventLoop wait;
    QTimer::singleShot(3000, &wait, &QEventLoop::quit);
    wait.exec();
    splash->hide();
    delete splash;

    startUp.window()->showMaximized();
    // A project file named on the command line (the desktop's "open with") is added as a new
    // project once the window is up.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QString file = args.at(1);
        QTimer::singleShot(0, startUp.window(),
                           [&startUp, file] { startUp.window()->openProjectFile(file); });
    }
    return QApplication::exec();
}
