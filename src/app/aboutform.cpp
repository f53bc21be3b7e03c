#include "app/aboutform.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

AboutForm::AboutForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("О программе."));
    auto *title = new QLabel(QStringLiteral("Korvan VL 2.1"), this);
    title->setObjectName(QStringLiteral("title"));
    QFont tf(QStringLiteral("Times New Roman"));
    tf.setPointSize(48);
    tf.setBold(true);
    title->setFont(tf);
    title->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(QStringLiteral("Программа расчета зон защиты одиночного и двойного "
                                           "стержневого и одиночного тросового молниеотводов"),
                            this);
    text->setObjectName(QStringLiteral("text"));
    QFont f(QStringLiteral("Times New Roman"));
    f.setPointSize(16);
    f.setBold(true);
    text->setFont(f);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *lay = new QVBoxLayout(this);
    lay->addStretch(1);
    lay->addWidget(title);
    lay->addSpacing(8);
    lay->addWidget(text);
    lay->addStretch(1);
    lay->addWidget(buttons);
    resize(446, 265);
}

} // namespace kv
