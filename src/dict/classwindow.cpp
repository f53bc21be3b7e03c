#include "dict/classwindow.h"

#include "data/datamodule.h"
#include "widgets/dbnavigator.h"
#include "widgets/helpwindow.h"
#include "widgets/fieldlink.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

ClassWindow::ClassWindow(DataModule &dm, QWidget *parent)
    : DictWindow(dm.prompter(), parent), m_table(dm.table(TableId::Class))
{
    setWindowTitle(QStringLiteral("Классы зданий и сооружений."));
    watchTable(&m_table);
    using N = DbNavigator;
    m_nav = new DbNavigator(m_table, m_prompter,
                            N::mask({N::First, N::Prior, N::Next, N::Last, N::Edit, N::Post,
                                     N::Cancel, N::Refresh}),
                            this);
    m_number = new QLabel(this);
    m_number->setObjectName(QStringLiteral("classNumber"));
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("memoClass"));
    m_link = new FieldLink(m_table, m_prompter, this);
    m_link->bind(m_memo, "ClassObj");
    m_nav->setBeforePost([this] { return m_link->commit(); });

    auto *warn = new QGroupBox(QStringLiteral(" Внимание! "), this);
    auto *wl = new QVBoxLayout(warn);
    for (const char *text :
         {"Логика работы программы ориентирована на заданные порядок следования и количество "
          "классов зданий и сооружений. Поэтому не допускается добавление и удаление классов, а "
          "также изменение порядка их следования посредством редактирования.",
          "Используйте редактирование классов зданий и объектов исключительно для исправления "
          "грамматических ошибок и уточнения формулировок, но не более того."}) {
        auto *l = new QLabel(QString::fromUtf8(text), warn);
        l->setWordWrap(true);
        wl->addWidget(l);
    }

    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(m_nav, 1);
    top->addWidget(m_number);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(m_memo, 1);
    lay->addWidget(warn);
    lay->addLayout(makeButtonRow(kHelpClasses, {close}));
    m_handle = m_table.subscribe([this](TableChange) { showNumber(); });
    showNumber();
    resize(560, 440);
}

ClassWindow::~ClassWindow() { m_table.unsubscribe(m_handle); }

void ClassWindow::showNumber()
{
    const bool ok = m_table.isOpen() && !m_table.isEmpty() && m_table.bookmark() >= 0;
    m_number->setText(ok ? QStringLiteral("Класс %1 из %2")
                               .arg(m_table.asInt("Kod"))
                               .arg(m_table.recordCount())
                         : QString());
}

} // namespace kv
