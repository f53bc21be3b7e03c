// The dictionary layer's tests run with a QApplication (offscreen), since they drive widgets.

#include "widgets/stocktranslations.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Test discovery runs the binary without the test environment: default to offscreen.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The stock buttons read as the program shows them: "Да", "Нет", "Отмена".
    kv::installStockTranslations();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
