#include "app/tableeditpanel.h"

#include "calc/numfmt.h"
#include "data/prompter.h"
#include "widgets/tablemodel.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

// Shows the flags as "+"/"-" and the result columns greyed.
class PanelProxy : public QIdentityProxyModel {
public:
    PanelProxy(std::vector<TableEditPanel::Column> cols, QObject *parent)
        : QIdentityProxyModel(parent), m_cols(std::move(cols))
    {
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto &c = m_cols[static_cast<std::size_t>(index.column())];
        if (c.flag) {
            if (role == Qt::CheckStateRole)
                return {};
            if (role == Qt::DisplayRole) {
                const QVariant v = QIdentityProxyModel::data(index, Qt::CheckStateRole);
                if (!v.isValid())
                    return {};
                return v.toInt() == Qt::Checked ? QStringLiteral("+") : QStringLiteral("-");
            }
            if (role == Qt::TextAlignmentRole)
                return QVariant(Qt::AlignCenter);
        }
        if (c.readOnly && role == Qt::BackgroundRole)
            return QColor(0xE4, 0xE4, 0xE4);
        return QIdentityProxyModel::data(index, role);
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = QIdentityProxyModel::flags(index);
        const auto &c = m_cols[static_cast<std::size_t>(index.column())];
        if (c.readOnly || c.flag)
            f &= ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
        return f;
    }

private:
    std::vector<TableEditPanel::Column> m_cols;
};

const char *buttonText(TableEditPanel::Button b)
{
    switch (b) {
    case TableEditPanel::Button::Insert: return "+";
    case TableEditPanel::Button::Delete: return "−";
    case TableEditPanel::Button::Edit: return "▲";
    case TableEditPanel::Button::Post: return "✓";
    case TableEditPanel::Button::Cancel: return "✗";
    case TableEditPanel::Button::Refresh: return "↻";
    }
    return "";
}

const char *buttonHint(TableEditPanel::Button b)
{
    switch (b) {
    case TableEditPanel::Button::Insert: return "Вставить запись";
    case TableEditPanel::Button::Delete: return "Удалить запись";
    case TableEditPanel::Button::Edit: return "Редактировать запись";
    case TableEditPanel::Button::Post: return "Сохранить изменения";
    case TableEditPanel::Button::Cancel: return "Отменить изменения";
    case TableEditPanel::Button::Refresh: return "Обновить данные";
    }
    return "";
}

} // namespace

TableEditPanel::TableEditPanel(Table &table, std::vector<Column> columns, Prompter &prompter,
                               QWidget *parent)
    : QWidget(parent), m_table(table), m_columns(std::move(columns)), m_prompter(prompter)
{
    std::vector<TableModel::Column> mc;
    for (const Column &c : m_columns)
        mc.push_back({c.field, c.label});
    m_model = new TableModel(table, mc, this);
    m_model->setPrompter(&prompter);
    auto *proxy = new PanelProxy(m_columns, this);
    proxy->setSourceModel(m_model);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    auto *nav = new QWidget(this);
    m_navLayout = new QHBoxLayout(nav);
    m_navLayout->setContentsMargins(0, 0, 0, 0);
    m_navLayout->setSpacing(1);
    for (Button b : {Button::Insert, Button::Delete, Button::Edit, Button::Post, Button::Cancel,
                     Button::Refresh}) {
        auto *tb = new QToolButton(nav);
        tb->setText(QString::fromUtf8(buttonText(b)));
        tb->setToolTip(QString::fromUtf8(buttonHint(b)));
        tb->setAccessibleName(tb->toolTip());
        tb->setFixedSize(24, 22);
        m_navLayout->addWidget(tb);
        m_buttons[b] = tb;
    }
    m_navLayout->addStretch(1);
    lay->addWidget(nav);
    connect(m_buttons[Button::Insert], &QToolButton::clicked, this, &TableEditPanel::insertRow);
    connect(m_buttons[Button::Delete], &QToolButton::clicked, this, &TableEditPanel::deleteRow);
    connect(m_buttons[Button::Edit], &QToolButton::clicked, this, &TableEditPanel::editRow);
    connect(m_buttons[Button::Post], &QToolButton::clicked, this, [this] { postRow(); });
    connect(m_buttons[Button::Cancel], &QToolButton::clicked, this, &TableEditPanel::cancelRow);
    connect(m_buttons[Button::Refresh], &QToolButton::clicked, this, &TableEditPanel::refresh);

    m_view = new QTableView(this);
    m_view->setModel(proxy);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->verticalHeader()->setDefaultSectionSize(20);
    m_view->verticalHeader()->setVisible(false);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->viewport()->installEventFilter(this);
    lay->addWidget(m_view, 1);

    m_strip = new QWidget(this);
    auto *sl = new QHBoxLayout(m_strip);
    sl->setContentsMargins(0, 0, 0, 0);
    sl->setSpacing(1);
    for (const Column &c : m_columns) {
        auto *cb = new QComboBox(m_strip);
        cb->setEditable(!c.flag);
        cb->addItems(c.flag ? QStringList{QStringLiteral("+"), QStringLiteral("-")} : c.pickList);
        if (!c.flag)
            cb->setCurrentIndex(-1);
        cb->setToolTip(c.label);
        cb->setAccessibleName(c.label);
        if (cb->lineEdit())
            cb->lineEdit()->setPlaceholderText(c.label);
        cb->setMinimumWidth(30);
        cb->setVisible(!c.readOnly);
        sl->addWidget(cb, 1);
        m_fields[c.field] = cb;
    }
    lay->addWidget(m_strip);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &cur) {
                if (!m_syncing && cur.isValid() && !m_table.isEditing())
                    m_model->setCurrentRow(cur.row());
            });
    connect(m_model, &TableModel::currentRowChanged, this, [this] { selectCurrent(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        selectCurrent();
        fitColumns();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TableEditPanel::fitColumns);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &TableEditPanel::fitColumns);
    m_handle = m_table.subscribe([this](TableChange c) { onTableChange(c); });
    syncStripEnabled();
    selectCurrent();
}

TableEditPanel::~TableEditPanel() { m_table.unsubscribe(m_handle); }

void TableEditPanel::fitColumns()
{
    // Every column as wide as its caption and values, the room left shared out in proportion.
    QHeaderView *h = m_view->horizontalHeader();
    const int n = m_view->model()->columnCount();
    if (n == 0)
        return;
    std::vector<int> want(static_cast<std::size_t>(n));
    int total = 0;
    for (int c = 0; c < n; ++c) {
        m_view->resizeColumnToContents(c);
        want[static_cast<std::size_t>(c)] = h->sectionSize(c) + 4;
        total += want[static_cast<std::size_t>(c)];
    }
    const int room = m_view->viewport()->width();
    for (int c = 0; c < n; ++c) {
        int w = want[static_cast<std::size_t>(c)];
        if (total < room)
            w = w * room / total;
        h->resizeSection(c, w);
    }
}

bool TableEditPanel::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_view->viewport() && e->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(o, e);
}

QToolButton *TableEditPanel::button(Button b) const { return m_buttons.at(b); }

void TableEditPanel::setButtons(std::initializer_list<Button> shown)
{
    for (auto &[b, w] : m_buttons)
        w->setVisible(std::find(shown.begin(), shown.end(), b) != shown.end());
    bool anyEditable = false;
    for (const Column &c : m_columns)
        anyEditable = anyEditable || !c.readOnly;
    m_strip->setVisible(anyEditable && std::find(shown.begin(), shown.end(), Button::Insert) !=
                                           shown.end());
}

void TableEditPanel::addTool(QWidget *w) { m_navLayout->insertWidget(m_navLayout->count() - 1, w); }

QString TableEditPanel::stripText(const std::string &field) const
{
    const auto it = m_fields.find(field);
    return it == m_fields.end() ? QString() : it->second->currentText();
}

void TableEditPanel::setStripText(const std::string &field, const QString &text)
{
    const auto it = m_fields.find(field);
    if (it != m_fields.end())
        it->second->setCurrentText(text);
}

void TableEditPanel::selectCurrent()
{
    const int r = m_model->currentRow();
    m_syncing = true;
    if (r >= 0)
        m_view->selectionModel()->setCurrentIndex(m_view->model()->index(r, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    else
        m_view->selectionModel()->clearSelection();
    m_syncing = false;
}

void TableEditPanel::onTableChange(TableChange c)
{
    if (c == TableChange::State) {
        syncStripEnabled();
        emit editingChanged(m_table.isEditing());
    }
    if (c == TableChange::CurrentRow)
        selectCurrent();
}

void TableEditPanel::syncStripEnabled()
{
    const bool editing = m_table.isEditing();
    m_strip->setEnabled(editing);
    m_buttons[Button::Post]->setEnabled(editing);
    m_buttons[Button::Cancel]->setEnabled(editing);
    m_buttons[Button::Insert]->setEnabled(!editing);
    m_buttons[Button::Edit]->setEnabled(!editing && m_table.recNo() >= 0);
    m_buttons[Button::Delete]->setEnabled(!editing && m_table.recNo() >= 0);
    if (!editing)
        clearStrip();
}

void TableEditPanel::clearStrip()
{
    for (const Column &c : m_columns) {
        QComboBox *cb = m_fields[c.field];
        if (c.flag)
            cb->setCurrentIndex(0);
        else
            cb->setCurrentIndex(-1), cb->setEditText(QString());
    }
}

void TableEditPanel::fillStripFromRow()
{
    for (const Column &c : m_columns) {
        QComboBox *cb = m_fields[c.field];
        const Value v = m_table.value(c.field);
        if (c.flag)
            cb->setCurrentIndex(!v.isNull() && v.toBool() ? 0 : 1);
        else
            cb->setEditText(v.isNull() ? QString()
                                       : TableModel::displayText(
                                             v, m_table.def().field(c.field)->type));
    }
}

void TableEditPanel::insertRow()
{
    try {
        if (m_table.isEditing() || !m_table.append())
            return;
        clearStrip();
        // Defaults set by the table's after-insert hook (the flags) show in the strip.
        for (const Column &c : m_columns)
            if (c.flag && !m_table.isNull(c.field))
                m_fields[c.field]->setCurrentIndex(m_table.asBool(c.field) ? 0 : 1);
        m_fields[m_columns.front().field]->setFocus();
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
    }
}

void TableEditPanel::deleteRow()
{
    try {
        if (!m_table.isEditing() && m_table.recNo() >= 0)
            m_table.remove();
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
    }
}

void TableEditPanel::editRow()
{
    try {
        if (m_table.isEditing() || m_table.recNo() < 0 || !m_table.edit())
            return;
        fillStripFromRow();
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
    }
}

bool TableEditPanel::postRow()
{
    if (!m_table.isEditing())
        return false;
    try {
        for (const Column &c : m_columns) {
            if (c.readOnly)
                continue;
            const FieldDef *f = m_table.def().field(c.field);
            const QString text = m_fields[c.field]->currentText().trimmed();
            if (c.flag) {
                m_table.setValue(c.field, text == QStringLiteral("+"));
            } else if (text.isEmpty()) {
                m_table.setNull(c.field);
            } else if (f && (f->type == FieldType::Number || f->type == FieldType::Integer)) {
                const auto v = parseNumber(text.toStdString());
                if (!v) {
                    m_prompter.error("Ошибочное значение для числового параметра.");
                    m_fields[c.field]->setFocus();
                    return false;
                }
                m_table.setValue(c.field, *v);
            } else {
                m_table.setValue(c.field, text.toStdString());
            }
        }
        // A refusing rule has shown its message; the row stays in its state (or was cancelled
        // by the rule itself).
        return m_table.post();
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
        return false;
    }
}

void TableEditPanel::cancelRow()
{
    if (m_table.isEditing())
        m_table.cancel();
}

void TableEditPanel::refresh()
{
    try {
        if (!m_table.isEditing())
            m_table.refresh();
        m_model->reload();
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
    }
}

} // namespace kv
