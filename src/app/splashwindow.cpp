#include "app/splashwindow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace kv {

namespace {

QFont serif(int pixels, bool bold)
{
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The emblem at the left: a rod on a building with its protection cone.
QPixmap emblem()
{
    QPixmap pm(184, 184);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(QColor(200, 215, 240));
    p.drawPolygon(QPolygon({QPoint(92, 20), QPoint(20, 170), QPoint(164, 170)}));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(60, 120, 64, 50);
    p.setPen(QPen(Qt::red, 3));
    p.drawLine(92, 20, 92, 120);
    return pm;
}

} // namespace

SplashWindow::SplashWindow(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Korvan VL 2.1"));
    setFixedSize(442, 246);
    auto *outer = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    auto *picture = new QLabel;
    picture->setFrameStyle(QFrame::Box | QFrame::Plain);
    picture->setPixmap(emblem());
    picture->setFixedSize(186, 186);
    row->addWidget(picture);

    auto *right = new QVBoxLayout;
    auto *titlePanel = new QFrame;
    titlePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *titleBox = new QVBoxLayout(titlePanel);
    auto *title = new QLabel(QStringLiteral("Korvan VL 2.1"));
    title->setFont(serif(32, true));
    title->setStyleSheet(QStringLiteral("color: navy"));
    title->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(QStringLiteral("Версия 2.1"));
    version->setFont(serif(16, true));
    version->setStyleSheet(QStringLiteral("color: navy"));
    version->setAlignment(Qt::AlignCenter);
    titleBox->addWidget(title);
    titleBox->addWidget(version);
    right->addWidget(titlePanel);
    auto *text = new QLabel(QStringLiteral("Программа расчета зон защиты \nодиночного и двойного \n"
                                           "стержневого и одиночного\nтросового молниеотводов."));
    text->setFont(serif(13, false));
    text->setAlignment(Qt::AlignCenter);
    right->addWidget(text);
    row->addLayout(right);
    outer->addLayout(row);

    auto *bottom = new QLabel(QStringLiteral("Пожалуйста, подождите..."));
    bottom->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bottom->setAlignment(Qt::AlignCenter);
    outer->addWidget(bottom);
}

} // namespace kv
