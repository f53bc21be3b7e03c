// The windows' tests run on the offscreen platform unless another one is asked for.

#include "widgets/stocktranslations.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The stock buttons read as the program shows them: "Да", "Нет", "Отмена".
    kv::installStockTranslations();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
