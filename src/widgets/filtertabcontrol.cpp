#include "widgets/filtertabcontrol.h"

#include "data/prompter.h"
#include "data/table.h"
#include "widgets/arrowspinbox.h"
#include "widgets/dialogrunner.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

const QString kAllTab = QStringLiteral("А-Я");

bool isTextField(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }

std::string quoted(const QString &s)
{
    std::string out = "'";
    for (char c : s.toStdString()) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

} // namespace

FilterTabControl::FilterTabControl(QWidget *parent) : QWidget(parent)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_tabBar = new QTabBar(this);
    m_tabBar->setObjectName(QStringLiteral("filterTabs"));
    m_tabBar->setUsesScrollButtons(true);
    m_tabBar->setExpanding(false);
    m_tabBar->setDrawBase(true);
    m_tabBar->addTab(kAllTab);
    m_layout->addWidget(m_tabBar);
    connect(m_tabBar, &QTabBar::currentChanged, this, [this](int i) {
        if (i >= 0)
            applyTab(i);
    });

    m_menu = new QMenu(this);
    m_popOn = m_menu->addAction(QStringLiteral("Стандартный режим"), this,
                                [this] { setAutoInclude(!m_autoInclude); });
    m_popCreate = m_menu->addAction(QStringLiteral("Обновление набора закладок"), this,
                                    [this] { rebuildTabs(); });
    m_popAutoRefresh = m_menu->addAction(QStringLiteral("Автообновление набора закладок"));
    m_popAutoRefresh->setCheckable(true);
    connect(m_popAutoRefresh, &QAction::triggered, this, [this](bool on) {
        m_autoRefresh = on;
        rebuildTabs();
    });
    m_popParam = m_menu->addAction(QStringLiteral("Параметры закладки..."), this,
                                   [this] { execParamsDialog(); });
    m_popFindTab = m_menu->addAction(QStringLiteral("Поиск закладки..."), this,
                                     [this] { findTabPrompt(); });
    m_popSelectTab = m_menu->addAction(QStringLiteral("Выбор закладки..."), this,
                                       [this] { execChooseTabDialog(); });
    m_popInfo = m_menu->addAction(QStringLiteral("Информация..."), this, [this] { showInfo(); });
    connect(m_menu, &QMenu::aboutToShow, this,
            [this] { m_popAutoRefresh->setChecked(m_autoRefresh); });
    updateTabWidth();
}

FilterTabControl::~FilterTabControl()
{
    if (m_table)
        m_table->unsubscribe(m_handle);
}

void FilterTabControl::setWidget(QWidget *w)
{
    if (m_widget)
        m_layout->removeWidget(m_widget);
    m_widget = w;
    if (w)
        m_layout->addWidget(w, 1);
}

void FilterTabControl::attach(Table &table, const std::string &field)
{
    detach();
    m_table = &table;
    m_field = field;
    m_savedFilter = table.isOpen() ? table.filter() : std::string();
    m_handle = table.subscribe([this](TableChange c) { onTableChange(static_cast<int>(c)); });
    updateMode();
}

void FilterTabControl::detach()
{
    if (!m_table)
        return;
    m_table->unsubscribe(m_handle);
    if (m_table->isOpen() && !m_table->isEditing()) {
        QScopedValueRollback busy(m_busy, true);
        m_table->setFilter(m_savedFilter);
    }
    m_table = nullptr;
}

void FilterTabControl::setDataField(const std::string &field)
{
    if (m_table) {
        const FieldDef *f = m_table->def().field(field);
        if (!f || !isTextField(f->type)) {
            if (m_prompter)
                m_prompter->error("Ошибка.\rПоле '" + field + "'" + " имеет тип, отличный от строкового.");
            return;
        }
    }
    m_field = field;
    if (m_autoInclude)
        rebuildTabs();
}

void FilterTabControl::setCharCount(int n)
{
    m_charCount = std::clamp(n, 1, 10);
    updateTabWidth();
    if (m_autoInclude)
        rebuildTabs();
}

void FilterTabControl::setCaseInsensitive(bool on)
{
    m_caseInsensitive = on;
    if (m_autoInclude)
        rebuildTabs();
}

void FilterTabControl::setAutoRefresh(bool on)
{
    m_autoRefresh = on;
    if (m_autoInclude)
        rebuildTabs();
}

void FilterTabControl::setAutoInclude(bool on)
{
    m_autoInclude = on;
    updateMode();
}

// Standard mode shows the tabs built from the data; the other mode the tabs the control was
// given and the table's own filter.
void FilterTabControl::updateMode()
{
    const bool standard = m_autoInclude;
    m_popOn->setText(standard ? QStringLiteral("Стандартный режим")
                              : QStringLiteral("Режим фильтрации"));
    for (QAction *a : {m_popCreate, m_popAutoRefresh, m_popParam, m_popFindTab, m_popSelectTab,
                       m_popInfo})
        a->setVisible(standard);
    if (standard) {
        updateTabWidth();
        rebuildTabs();
        return;
    }
    setTabCaptions(m_savedTabs, 0);
    m_tabBar->setStyleSheet({});
    if (m_table && m_table->isOpen() && !m_table->isEditing()) {
        QScopedValueRollback busy(m_busy, true);
        m_table->setFilter(m_savedFilter);
    }
}

int FilterTabControl::tabWidth() const { return m_charCount > 2 ? m_charCount * 10 : 25; }

void FilterTabControl::updateTabWidth()
{
    // The width is a minimum: "А-Я" and wide letters still get room for their text.
    m_tabBar->setStyleSheet(
        QStringLiteral("QTabBar::tab { min-width: %1px; padding: 2px 6px; }").arg(tabWidth() - 12));
}

QString FilterTabControl::prefixOf(const QString &value) const
{
    const QString v = m_caseInsensitive ? value.toUpper() : value;
    return v.left(m_charCount);
}

bool FilterTabControl::lessThan(const QString &a, const QString &b) const
{
    static QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setCaseSensitivity(m_caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    const int c = collator.compare(a, b);
    return c != 0 ? c < 0 : a < b;
}

QStringList FilterTabControl::tabs() const
{
    QStringList out;
    for (int i = 0; i < m_tabBar->count(); ++i)
        out << m_tabBar->tabText(i);
    return out;
}

int FilterTabControl::currentTab() const { return m_tabBar->currentIndex(); }

int FilterTabControl::tabOf(const QString &caption) const
{
    for (int i = 0; i < m_tabBar->count(); ++i)
        if (m_tabBar->tabText(i) == caption)
            return i;
    return -1;
}

void FilterTabControl::selectTab(int index)
{
    if (index < 0 || index >= m_tabBar->count())
        return;
    if (index == m_tabBar->currentIndex())
        applyTab(index); // reselecting applies it again
    else
        m_tabBar->setCurrentIndex(index); // applies through currentChanged
}

void FilterTabControl::setTabCaptions(const QStringList &captions, int select)
{
    const QSignalBlocker block(m_tabBar);
    while (m_tabBar->count() > 0)
        m_tabBar->removeTab(0);
    for (const QString &c : captions)
        m_tabBar->addTab(c);
    m_tabBar->setCurrentIndex(std::clamp(select, 0, static_cast<int>(captions.size()) - 1));
}

void FilterTabControl::applyTab(int index)
{
    if (!m_autoInclude || !m_table || !m_table->isOpen() || m_table->isEditing())
        return;
    std::string expr;
    if (index > 0) {
        const QString p = m_tabBar->tabText(index);
        expr = p.isEmpty() ? "[" + m_field + "]=Null" : "[" + m_field + "]=" + quoted(p + '*');
    }
    {
        QScopedValueRollback busy(m_busy, true);
        if (m_table->filter() != expr)
            m_table->setFilter(expr);
    }
    emit tabApplied(index);
}

// Every value of the field over the table's rows (under its master), whatever tab is selected.
QStringList FilterTabControl::allValues()
{
    QStringList out;
    if (!m_table || !m_table->isOpen() || m_field.empty())
        return out;
    Table &t = *m_table;
    QScopedValueRollback busy(m_busy, true);
    std::vector<std::vector<Value>> rows;
    const std::string f = t.filter();
    if (f.empty()) {
        rows = t.select({m_field}, {});
    } else {
        RowKeeper keep(t);
        t.setFilter({});
        rows = t.select({m_field}, {});
        t.setFilter(f);
    }
    out.reserve(static_cast<int>(rows.size()));
    for (const auto &r : rows)
        out << QString::fromStdString(r[0].toText());
    return out;
}

void FilterTabControl::recount(const QStringList &values)
{
    std::map<QString, int> counts;
    for (const QString &v : values)
        ++counts[prefixOf(v)];
    m_counts.assign(counts.begin(), counts.end());
    std::sort(m_counts.begin(), m_counts.end(),
              [this](const auto &a, const auto &b) { return lessThan(a.first, b.first); });
}

void FilterTabControl::rebuildTabs()
{
    if (!m_autoInclude)
        return;
    if (m_table && m_table->isOpen() && m_table->isEditing())
        return;
    m_values = allValues();
    recount(m_values);
    QStringList caps{kAllTab};
    for (const auto &[p, n] : m_counts)
        caps << p;
    setTabCaptions(caps, 0);
    applyTab(0);
}

// The tabs follow the records: the values before and after a change tell which record came,
// went or changed its prefix.
void FilterTabControl::onTableChange(int change)
{
    if (m_busy || !m_table || !m_autoInclude || !m_autoRefresh
        || change != static_cast<int>(TableChange::Data) || !m_table->isOpen()
        || m_table->isEditing())
        return;
    QStringList now = allValues();
    QStringList before = m_values;
    QStringList after = now;
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    QStringList added, removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(removed));
    if (added.isEmpty() && removed.isEmpty())
        return;
    if (added.size() > 1 || removed.size() > 1) { // the master moved: another set of records
        rebuildTabs();
        return;
    }
    m_values = now;
    const int sel = currentTab();
    const QString selCaption = sel >= 0 ? m_tabBar->tabText(sel) : kAllTab;
    recount(now);
    QStringList caps{kAllTab};
    for (const auto &[p, n] : m_counts)
        caps << p;
    if (!added.isEmpty()) {
        const QString p = prefixOf(added.first());
        const bool moved = removed.isEmpty() || prefixOf(removed.first()) != p;
        if (sel > 0 && moved) {
            // Show the new (or renamed) record under its own tab, current.
            const int idx = static_cast<int>(caps.indexOf(p));
            setTabCaptions(caps, idx);
            applyTab(idx);
            locateValue(added.first());
        } else {
            setTabCaptions(caps, std::max(0, static_cast<int>(caps.indexOf(selCaption))));
        }
        return;
    }
    // A record was deleted.
    const int idx = static_cast<int>(caps.indexOf(selCaption));
    if (sel > 0 && idx < 0) {
        setTabCaptions(caps, 0);
        applyTab(0);
    } else {
        setTabCaptions(caps, std::max(0, idx));
    }
}

void FilterTabControl::locateValue(const QString &value)
{
    QScopedValueRollback busy(m_busy, true);
    m_table->locate({{m_field, Value(value.toStdString())}}, true);
}

QString FilterTabControl::infoText() const
{
    QString s = QStringLiteral("Количество записей, соответствующих каждой закладке:\r\r");
    int total = 0;
    QString run;
    for (const auto &[p, n] : m_counts) {
        run += QStringLiteral("'") + p + QStringLiteral("'") + QStringLiteral(" - ")
               + QString::number(n) + QStringLiteral(";  ");
        total += n;
    }
    const auto semi = run.lastIndexOf(QLatin1Char(';'));
    if (semi >= 0)
        run[semi] = QLatin1Char('.');
    return s + run + QStringLiteral("\r\rВсего записей - ") + QString::number(total);
}

void FilterTabControl::showInfo()
{
    if (m_prompter)
        m_prompter->info(infoText().toStdString());
}

bool FilterTabControl::findTab(const QString &text)
{
    int found = tabOf(text);
    if (found < 0) {
        const QString up = text.toUpper();
        for (int i = 0; i < m_tabBar->count() && found < 0; ++i)
            if (m_tabBar->tabText(i).toUpper().startsWith(up))
                found = i;
    }
    if (found < 0) {
        if (m_prompter)
            m_prompter->error("Ошибка.\rЗакладка '" + text.toStdString() + "'" + " не найдена.");
        return false;
    }
    selectTab(found);
    return true;
}

void FilterTabControl::findTabPrompt()
{
    if (!m_prompter)
        return;
    const int cur = currentTab();
    const auto text = m_prompter->input("Введите наименование закладки.", "Наименование закладки:",
                                        cur >= 0 ? m_tabBar->tabText(cur).toStdString() : "");
    if (text)
        findTab(QString::fromStdString(*text));
}

int FilterTabControl::execParamsDialog()
{
    QDialog dlg(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dlg.setObjectName(QStringLiteral("tabParamsDialog"));
    dlg.setWindowTitle(QStringLiteral("Введите параметры закладки."));
    auto *form = new QFormLayout;
    auto *fields = new QComboBox(&dlg);
    fields->setObjectName(QStringLiteral("field"));
    if (m_table)
        for (const auto &f : m_table->def().fields)
            if (isTextField(f.type))
                fields->addItem(QString::fromStdString(f.name));
    fields->setCurrentText(QString::fromStdString(m_field));
    auto *chars = new ArrowSpinBox(&dlg);
    chars->setObjectName(QStringLiteral("charCount"));
    chars->setRange(1, 10);
    chars->setValue(m_charCount);
    auto *ci = new QCheckBox(QStringLiteral("Нечувствительность к регистру символов"), &dlg);
    ci->setObjectName(QStringLiteral("caseInsensitive"));
    ci->setChecked(m_caseInsensitive);
    form->addRow(QStringLiteral("Поле фильтрации:"), fields);
    form->addRow(QStringLiteral("Количество символов:"), chars);
    form->addRow(ci);
    auto *buttons = new QDialogButtonBox(&dlg);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    auto *lay = new QVBoxLayout(&dlg);
    lay->addLayout(form);
    lay->addWidget(buttons);
    const int r = runDialog(dlg);
    if (r == QDialog::Accepted) {
        m_charCount = chars->value();
        if (!fields->currentText().isEmpty())
            m_field = fields->currentText().toStdString();
        m_caseInsensitive = ci->isChecked();
        updateTabWidth();
        rebuildTabs();
    }
    return r;
}

int FilterTabControl::execChooseTabDialog()
{
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("chooseTabDialog"));
    dlg.setWindowTitle(QStringLiteral("Выбор закладки."));
    auto *lay = new QVBoxLayout(&dlg);
    lay->addWidget(new QLabel(QStringLiteral("Список закладок:"), &dlg));
    auto *list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("tabList"));
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setGridSize(QSize(tabWidth() + 10, list->fontMetrics().height() + 6));
    list->addItems(tabs());
    list->setCurrentRow(currentTab());
    list->setMinimumSize(320, 200);
    lay->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dlg);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    lay->addWidget(buttons);
    const int r = runDialog(dlg);
    if (r == QDialog::Accepted && list->currentRow() >= 0)
        selectTab(list->currentRow());
    return r;
}

void FilterTabControl::contextMenuEvent(QContextMenuEvent *e)
{
    m_menu->popup(e->globalPos());
    e->accept();
}

} // namespace kv
