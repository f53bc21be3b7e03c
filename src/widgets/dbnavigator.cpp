#include "widgets/dbnavigator.h"

#include "data/prompter.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace kv {

unsigned DbNavigator::mask(std::initializer_list<Button> buttons)
{
    unsigned m = 0;
    for (Button b : buttons)
        m |= 1u << b;
    return m;
}

DbNavigator::DbNavigator(Table &table, Prompter &prompter, unsigned visible, QWidget *parent)
    : QWidget(parent), m_table(table), m_prompter(prompter)
{
    static const char *const glyphs[kButtonCount] = {"|◀", "◀", "▶", "▶|", "+", "−", "▲", "✓",
                                                     "✗", "↻"};
    static const char *const hints[kButtonCount] = {
        "Первая запись",       "Предыдущая запись",   "Следующая запись", "Последняя запись",
        "Вставить запись",     "Удалить запись",      "Редактировать запись",
        "Сохранить изменения", "Отменить изменения", "Обновить данные"};
    static const char *const names[kButtonCount] = {"navFirst", "navPrior",  "navNext",
                                                    "navLast",  "navInsert", "navDelete",
                                                    "navEdit",  "navPost",   "navCancel",
                                                    "navRefresh"};
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(1);
    for (int i = 0; i < kButtonCount; ++i) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(glyphs[i]));
        b->setToolTip(QString::fromUtf8(hints[i]));
        b->setAccessibleName(b->toolTip());
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setFixedSize(28, 24);
        b->setVisible(visible & (1u << i));
        lay->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] { run(static_cast<Button>(i)); });
        m_buttons[i] = b;
    }
    lay->addStretch(1);
    m_handle = m_table.subscribe([this](TableChange) { updateButtons(); });
    updateButtons();
}

DbNavigator::~DbNavigator() { m_table.unsubscribe(m_handle); }

bool DbNavigator::postPending()
{
    if (!m_table.isOpen() || !m_table.isEditing())
        return true;
    if (m_beforePost && !m_beforePost())
        return false;
    return m_table.post();
}

bool DbNavigator::run(Button b)
{
    Table &t = m_table;
    bool ok = false;
    try {
        if (!t.isOpen())
            return false;
        switch (b) {
        case First:
        case Prior:
        case Next:
        case Last:
            if (!postPending())
                return false;
            if (b == First)
                t.first();
            else if (b == Prior)
                t.prior();
            else if (b == Next)
                t.next();
            else
                t.last();
            emit moved();
            ok = true;
            break;
        case Insert:
            ok = postPending() && t.append();
            if (ok)
                emit inserted();
            break;
        case Delete:
            if (t.state() == TableState::Insert) {
                t.cancel();
                ok = true;
            } else {
                if (t.isEmpty() || (m_confirmDelete && !m_prompter.ask("Удалить запись?")))
                    break;
                if (t.isEditing())
                    t.cancel();
                ok = t.remove();
            }
            break;
        case Edit:
            ok = t.isEditing() || (!t.isEmpty() && t.edit());
            break;
        case Post:
            ok = postPending();
            break;
        case Cancel:
            t.cancel();
            ok = true;
            break;
        case Refresh:
            if (!postPending())
                return false;
            t.refresh();
            ok = true;
            break;
        }
    } catch (const TableError &e) {
        m_prompter.error(e.what());
        ok = false;
    }
    updateButtons();
    return ok;
}

void DbNavigator::updateButtons()
{
    const bool open = m_table.isOpen();
    const bool editing = open && m_table.isEditing();
    const bool empty = !open || m_table.isEmpty();
    const int pos = open ? m_table.recNo() : -1;
    const int n = open ? m_table.recordCount() : 0;
    const bool atFirst = empty || pos <= 0;
    const bool atLast = empty || pos >= n - 1;
    m_buttons[First]->setEnabled(open && !atFirst);
    m_buttons[Prior]->setEnabled(open && !atFirst);
    m_buttons[Next]->setEnabled(open && !atLast);
    m_buttons[Last]->setEnabled(open && !atLast);
    m_buttons[Insert]->setEnabled(open);
    m_buttons[Delete]->setEnabled(open && (!empty || editing));
    m_buttons[Edit]->setEnabled(open && !empty && !editing);
    m_buttons[Post]->setEnabled(editing);
    m_buttons[Cancel]->setEnabled(editing);
    m_buttons[Refresh]->setEnabled(open);
}

} // namespace kv
