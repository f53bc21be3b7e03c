#include "widgets/listchoice.h"

#include "data/prompter.h"
#include "data/table.h"
#include "widgets/arrowspinbox.h"
#include "widgets/buddylabel.h"
#include "widgets/dialogrunner.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCollator>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

const QString kAll = QStringLiteral("А-Я");
constexpr int kMaxRows = 8;

QCollator &russianCollator()
{
    static QCollator c = [] {
        QCollator x(QLocale(QLocale::Russian, QLocale::Russia));
        x.setCaseSensitivity(Qt::CaseInsensitive);
        return x;
    }();
    return c;
}

bool ciLess(const QString &a, const QString &b)
{
    const int c = russianCollator().compare(a, b);
    return c != 0 ? c < 0 : a.toUpper() < b.toUpper();
}

// A spin box that changes only through its arrows.
QSpinBox *arrowSpin(QWidget *parent, const QString &name, const QString &hint)
{
    auto *s = new ArrowSpinBox(parent);
    s->setObjectName(name);
    s->setToolTip(hint);
    s->setMinimumWidth(60);
    return s;
}

} // namespace

ListChoiceDialog::ListChoiceDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDBListDlg"));
    setWindowTitle(QStringLiteral("Выбор из списка."));
    m_pages = new QTabWidget(this);

    // "Список": the prefix tabs, the search box and the list.
    auto *listPage = new QWidget;
    auto *lv = new QVBoxLayout(listPage);
    m_stripArea = new QScrollArea(listPage);
    m_stripArea->setObjectName(QStringLiteral("tabStrip"));
    m_stripArea->setToolTip(QStringLiteral("Закладка элементов списка"));
    m_stripArea->setFrameShape(QFrame::NoFrame);
    m_stripArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_stripArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_stripArea->viewport()->installEventFilter(this);
    m_strip = new QWidget;
    m_stripArea->setWidget(m_strip);
    m_tabButtons = new QButtonGroup(this);
    m_tabButtons->setExclusive(true);
    connect(m_tabButtons, &QButtonGroup::idClicked, this, [this](int id) { chooseTab(id); });
    lv->addWidget(m_stripArea);
    auto *searchRow = new QHBoxLayout;
    m_search = new QLineEdit(listPage);
    searchRow->addWidget(buddyLabel(QStringLiteral("Поиск:"), m_search, listPage));
    m_search->setObjectName(QStringLiteral("search"));
    searchRow->addWidget(m_search, 1);
    lv->addLayout(searchRow);
    m_list = new QListWidget(listPage);
    m_list->setObjectName(QStringLiteral("items"));
    m_list->setToolTip(QStringLiteral("Элементы списка"));
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->viewport()->installEventFilter(this);
    lv->addWidget(m_list, 1);
    m_pages->addTab(listPage, QStringLiteral("Список"));

    // "Параметры": the tab strip and the list settings.
    auto *paramPage = new QWidget;
    auto *pv = new QVBoxLayout(paramPage);
    auto *tabGroup = new QGroupBox(QStringLiteral("Закладка"), paramPage);
    auto *tg = new QGridLayout(tabGroup);
    m_multiLine = new QCheckBox(QStringLiteral("Многострочная (не более 8 строк)"), tabGroup);
    m_multiLine->setObjectName(QStringLiteral("multiLine"));
    m_multiLine->setToolTip(QStringLiteral("Создание многострочной закладки по элементам списка"));
    tg->addWidget(m_multiLine, 0, 0, 1, 3);
    m_charCount = arrowSpin(tabGroup, QStringLiteral("charCount"),
                            QStringLiteral("Количество символов в создаваемой закладке"));
    m_charCountRange = new QLabel(tabGroup);
    tg->addWidget(buddyLabel(QStringLiteral("Количество символов:"), m_charCount, tabGroup), 1, 0);
    tg->addWidget(m_charCount, 1, 1);
    tg->addWidget(m_charCountRange, 1, 2);
    m_firstChar = arrowSpin(tabGroup, QStringLiteral("firstCharNo"),
                            QStringLiteral("Номер первого символа элементов списка, начиная с "
                                           "которого создается закладка"));
    m_firstCharRange = new QLabel(tabGroup);
    tg->addWidget(buddyLabel(QStringLiteral("Номер первого  символа:"), m_firstChar, tabGroup), 2,
                  0);
    tg->addWidget(m_firstChar, 2, 1);
    tg->addWidget(m_firstCharRange, 2, 2);
    tg->setColumnStretch(2, 1);
    pv->addWidget(tabGroup);
    auto *listGroup = new QGroupBox(QStringLiteral("Список"), paramPage);
    auto *lg = new QGridLayout(listGroup);
    m_colCount = arrowSpin(listGroup, QStringLiteral("colCount"),
                           QStringLiteral("Количество колонок в списке"));
    m_colCount->setRange(1, 10);
    m_colCount->setValue(3);
    lg->addWidget(buddyLabel(QStringLiteral("Количество колонок:"), m_colCount, listGroup), 0, 0);
    lg->addWidget(m_colCount, 0, 1);
    lg->addWidget(new QLabel(QStringLiteral("(допустимые значения: 1 .. 10)"), listGroup), 0, 2);
    auto *caseBox = new QGroupBox(QStringLiteral("Регистр элементов списка"), listGroup);
    auto *cv = new QVBoxLayout(caseBox);
    m_caseDefault = new QRadioButton(QStringLiteral("по умолчанию"), caseBox);
    m_caseUpper = new QRadioButton(QStringLiteral("верхний регистр"), caseBox);
    m_caseLower = new QRadioButton(QStringLiteral("нижний регистр"), caseBox);
    m_caseDefault->setChecked(true);
    for (auto *r : {m_caseDefault, m_caseUpper, m_caseLower})
        cv->addWidget(r);
    lg->addWidget(caseBox, 1, 0, 1, 3);
    lg->setColumnStretch(2, 1);
    pv->addWidget(listGroup);
    pv->addStretch(1);
    m_pages->addTab(paramPage, QStringLiteral("Параметры"));

    m_charCount->setRange(1, 1);
    m_firstChar->setRange(1, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    m_ok->setToolTip(QStringLiteral("Закрыть с сохранением результата выбора"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setToolTip(QStringLiteral("Закрыть без сохранения результата выбора"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *main = new QVBoxLayout(this);
    main->addWidget(m_pages, 1);
    main->addWidget(buttons);
    resize(520, 400);

    connect(m_search, &QLineEdit::textEdited, this, &ListChoiceDialog::onSearch);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ListChoiceDialog::updateOk);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_list->currentItem() && m_list->currentItem()->isSelected())
            accept();
        else
            reject();
    });
    connect(m_colCount, &QSpinBox::valueChanged, this, [this] { fillList(); });
    connect(m_charCount, &QSpinBox::valueChanged, this, &ListChoiceDialog::onSettingChanged);
    connect(m_firstChar, &QSpinBox::valueChanged, this, &ListChoiceDialog::onSettingChanged);
    connect(m_multiLine, &QCheckBox::toggled, this, &ListChoiceDialog::onMultiLineToggled);
    for (auto *r : {m_caseDefault, m_caseUpper, m_caseLower})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !m_tabs.isEmpty())
                chooseTab(m_tab);
        });
    updateOk();
}

void ListChoiceDialog::setValues(const QStringList &values)
{
    QStringList sorted = values;
    std::stable_sort(sorted.begin(), sorted.end(), ciLess);
    m_values.clear();
    for (const QString &v : sorted)
        if (m_values.isEmpty() || m_values.last().compare(v, Qt::CaseInsensitive) != 0)
            m_values << v;
    m_maxLen = 0;
    for (const QString &v : m_values)
        m_maxLen = std::max(m_maxLen, static_cast<int>(v.size()));
}

void ListChoiceDialog::setMultiLine(bool on)
{
    const QSignalBlocker b(m_multiLine);
    m_multiLine->setChecked(on);
}
void ListChoiceDialog::setFirstCharNo(int n)
{
    const QSignalBlocker b(m_firstChar);
    m_firstChar->setRange(1, std::max({1, n, m_maxLen}));
    m_firstChar->setValue(n);
}
void ListChoiceDialog::setCharCount(int n)
{
    const QSignalBlocker b(m_charCount);
    m_charCount->setRange(1, std::max({1, n, m_maxLen}));
    m_charCount->setValue(n);
}
void ListChoiceDialog::setColCount(int n) { m_colCount->setValue(n); }
void ListChoiceDialog::setListCase(ListCase c)
{
    (c == ListCase::Upper ? m_caseUpper : c == ListCase::Lower ? m_caseLower : m_caseDefault)
        ->setChecked(true);
}
bool ListChoiceDialog::multiLine() const { return m_multiLine->isChecked(); }
int ListChoiceDialog::firstCharNo() const { return m_firstChar->value(); }
int ListChoiceDialog::charCount() const { return m_charCount->value(); }
int ListChoiceDialog::colCount() const { return m_colCount->value(); }
ListCase ListChoiceDialog::listCase() const
{
    return m_caseUpper->isChecked() ? ListCase::Upper
           : m_caseLower->isChecked() ? ListCase::Lower
                                      : ListCase::Default;
}
int ListChoiceDialog::firstCharMax() const { return std::max(1, m_maxLen); }
int ListChoiceDialog::charCountMax() const { return std::max(1, m_maxLen - firstCharNo() + 1); }

QString ListChoiceDialog::shown(const QString &v) const
{
    switch (listCase()) {
    case ListCase::Upper: return v.toUpper();
    case ListCase::Lower: return v.toLower();
    default: return v;
    }
}

QString ListChoiceDialog::upperFrom(const QString &v) const
{
    return v.toUpper().mid(firstCharNo() - 1);
}

void ListChoiceDialog::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_tabs.isEmpty())
        activate();
}

void ListChoiceDialog::activate()
{
    m_pages->setCurrentIndex(0);
    rebuildTabs();
    m_tab = 0;
    if (auto *b = m_tabButtons->button(0))
        b->setChecked(true);
    fillList();
    m_search->clear();
    updateMaxima();
    updateOk();
    // Wide enough for every column at its longest name, as far as the screen allows.
    // (The list's frame, the page's and the dialog's margins and a scroll bar: about 60 px.)
    const int need = m_list->gridSize().width() * std::max(1, colCount()) + 60;
    const QScreen *s = screen();
    const int room = s ? s->availableGeometry().width() * 9 / 10 : 1200;
    if (need > width())
        resize(std::min(need, room), height());
}

// "А-Я", then the distinct prefixes of the values, sorted.
void ListChoiceDialog::rebuildTabs()
{
    QStringList prefixes;
    for (const QString &v : m_values) {
        const QString p = upperFrom(v).left(charCount());
        if (!prefixes.contains(p))
            prefixes << p;
    }
    std::sort(prefixes.begin(), prefixes.end(), ciLess);
    m_tabs = QStringList{kAll} + prefixes;
    for (QAbstractButton *b : m_tabButtons->buttons()) {
        m_tabButtons->removeButton(b);
        delete b;
    }
    const int width = charCount() > 2 ? 10 * charCount() : 25;
    for (int i = 0; i < m_tabs.size(); ++i) {
        auto *b = new QToolButton(m_strip);
        b->setText(m_tabs[i]);
        b->setCheckable(true);
        b->setAutoRaise(false);
        b->setMinimumWidth(std::max(width, b->fontMetrics().horizontalAdvance(m_tabs[i]) + 12));
        m_tabButtons->addButton(b, i);
        b->show();
    }
    if (m_tab >= m_tabs.size())
        m_tab = 0;
    if (auto *b = m_tabButtons->button(m_tab))
        b->setChecked(true);
    layoutTabs();
}

// Tab buttons in one row (scrolling sideways) or wrapped into rows of the strip's width.
void ListChoiceDialog::layoutTabs()
{
    const auto buttons = m_tabButtons->buttons();
    const int h = buttons.isEmpty() ? 22 : buttons.first()->sizeHint().height();
    const int avail = std::max(100, m_stripArea->viewport()->width());
    int x = 0, row = 0;
    for (int i = 0; i < m_tabs.size(); ++i) {
        QAbstractButton *b = m_tabButtons->button(i);
        const int w = std::max(b->minimumWidth(), b->sizeHint().width());
        if (multiLine() && x > 0 && x + w > avail) {
            x = 0;
            ++row;
        }
        b->setGeometry(x, row * h, w, h);
        x += w;
    }
    m_rows = row + 1;
    const int totalWidth = multiLine() ? avail : x;
    m_strip->resize(std::max(totalWidth, 1), m_rows * h);
    const int bar = multiLine() ? 0 : m_stripArea->horizontalScrollBar()->sizeHint().height();
    m_stripArea->setFixedHeight(m_rows * h + (x > avail && !multiLine() ? bar : 0) + 2);
}

void ListChoiceDialog::fillList()
{
    const QString cur = selectedValue();
    m_list->clear();
    const QString tab = m_tab > 0 && m_tab < m_tabs.size() ? m_tabs[m_tab] : QString();
    for (const QString &v : m_values) {
        // Under a tab: the tab's text occurs first exactly at the first position.
        if (m_tab > 0 && v.toUpper().indexOf(tab) != firstCharNo() - 1)
            continue;
        m_list->addItem(shown(v));
    }
    fitColumns();
    if (!cur.isEmpty()) {
        const auto found = m_list->findItems(cur, Qt::MatchFixedString);
        if (!found.isEmpty()) {
            m_list->setCurrentItem(found.first());
            found.first()->setSelected(true);
        }
    }
    updateOk();
}

void ListChoiceDialog::fitColumns()
{
    // The columns share the list's width, but a column is never narrower than its longest name:
    // a name is shown whole, and the list scrolls sideways when the names are that long.
    int widest = 0;
    const QFontMetrics fm = m_list->fontMetrics();
    for (int i = 0; i < m_list->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(m_list->item(i)->text()));
    const int share = (m_list->viewport()->width() - 4) / std::max(1, colCount());
    m_list->setGridSize(QSize(std::max({40, share, widest + 16}), fm.height() + 4));
}

void ListChoiceDialog::chooseTab(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    m_tab = index;
    if (auto *b = m_tabButtons->button(index))
        b->setChecked(true);
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
    if (index == 0)
        m_search->clear();
    else
        m_search->setText(m_tabs[index]);
    fillList();
}

QStringList ListChoiceDialog::tabs() const { return m_tabs; }

QStringList ListChoiceDialog::listed() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out << m_list->item(i)->text();
    return out;
}

QString ListChoiceDialog::selectedValue() const
{
    const auto sel = m_list->selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

void ListChoiceDialog::updateOk() { m_ok->setEnabled(!m_list->selectedItems().isEmpty()); }

void ListChoiceDialog::updateMaxima()
{
    const QSignalBlocker b1(m_firstChar), b2(m_charCount);
    m_firstChar->setMaximum(firstCharMax());
    m_charCount->setMaximum(charCountMax());
    m_firstCharRange->setText(
        QStringLiteral("(допустимые значения: 1 .. %1)").arg(m_firstChar->maximum()));
    m_charCountRange->setText(
        QStringLiteral("(допустимые значения: 1 .. %1)").arg(m_charCount->maximum()));
}

// The first item whose upper-cased text has the search text first at the first position.
void ListChoiceDialog::onSearch(const QString &text)
{
    if (text.isEmpty())
        return;
    const QString up = text.toUpper();
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->text().toUpper().indexOf(up) == firstCharNo() - 1) {
            m_list->clearSelection();
            m_list->setCurrentRow(i);
            m_list->item(i)->setSelected(true);
            m_list->scrollToItem(m_list->item(i));
            break;
        }
    }
    updateOk();
    m_search->setCursorPosition(static_cast<int>(m_search->text().size()));
}

bool ListChoiceDialog::checkRows()
{
    if (m_rows <= kMaxRows)
        return true;
    if (m_prompter)
        m_prompter->warning("Внимание.\rКоличество строк в закладке превысило допустимое значение "
                            "(8).\rЗакладка будет однострочной.");
    {
        const QSignalBlocker b(m_multiLine);
        m_multiLine->setChecked(false);
    }
    layoutTabs();
    return false;
}

void ListChoiceDialog::onSettingChanged()
{
    updateMaxima();
    m_tab = 0;
    rebuildTabs();
    fillList();
    m_search->clear();
    checkRows();
}

void ListChoiceDialog::onMultiLineToggled(bool)
{
    layoutTabs();
    if (m_rows > kMaxRows) {
        if (m_prompter)
            m_prompter->warning("Внимание. Количество строк в закладке превысило допустимое "
                                "значение (8).\rЗакладка будет однострочной.");
        const QSignalBlocker b(m_multiLine);
        m_multiLine->setChecked(false);
        layoutTabs();
    }
}

bool ListChoiceDialog::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::Resize) {
        if (o == m_stripArea->viewport() && multiLine())
            layoutTabs();
        else if (o == m_list->viewport())
            fitColumns();
    }
    return QDialog::eventFilter(o, e);
}

bool ListChoice::execute(QWidget *parent)
{
    value.clear();
    QStringList values;
    if (table && table->isOpen()) {
        for (const auto &row : table->select({dataField}, {}))
            values << QString::fromStdString(row[0].toText());
    }
    ListChoiceDialog dlg(parent);
    dlg.setValues(values);
    if (dlg.values().isEmpty()) {
        if (prompter)
            prompter->info("Список пуст.");
        return false;
    }
    dlg.setPrompter(prompter);
    dlg.setMultiLine(multiLine);
    dlg.setFirstCharNo(firstCharNo);
    dlg.setCharCount(charCount);
    dlg.setColCount(colCount);
    dlg.setListCase(listCase);
    dlg.activate();
    if (runDialog(dlg) != QDialog::Accepted || dlg.selectedValue().isEmpty())
        return false;
    value = dlg.selectedValue();
    return true;
}

} // namespace kv
