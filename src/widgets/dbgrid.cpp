#include "widgets/dbgrid.h"

#include "calc/numfmt.h"
#include "data/prompter.h"
#include "widgets/dbnavigator.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include <cmath>

namespace kv {

namespace {

// The cell editor of a text column takes no more than its field holds.
class FieldSizeDelegate : public QStyledItemDelegate {
public:
    FieldSizeDelegate(DbGridModel *model, QObject *parent)
        : QStyledItemDelegate(parent), m_model(model)
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        const auto &cols = m_model->source().columns();
        const auto c = static_cast<std::size_t>(index.column());
        if (auto *e = qobject_cast<QLineEdit *>(w); e && c < cols.size())
            if (const FieldDef *f = m_model->table().def().field(cols[c].field);
                f && f->type == FieldType::Text && f->size > 0)
                e->setMaxLength(f->size);
        return w;
    }

private:
    DbGridModel *m_model;
};

} // namespace

DbGridModel::DbGridModel(Table &table, std::vector<TableModel::Column> columns,
                         Prompter &prompter, QObject *parent)
    : QAbstractTableModel(parent),
      m_src(std::make_unique<TableModel>(table, std::move(columns))),
      m_prompter(prompter)
{
    m_src->setPrompter(&prompter);
    // Any change of the stored rows or of the table's state redraws the whole grid: the
    // dictionaries are short, and the insert row comes and goes with the state.
    m_handle = table.subscribe([this](TableChange) { refreshAll(); });
}

DbGridModel::~DbGridModel() { m_src->table().unsubscribe(m_handle); }

void DbGridModel::refreshAll()
{
    if (m_resetting)
        return;
    m_resetting = true;
    beginResetModel();
    endResetModel();
    m_resetting = false;
    emit tableMoved();
}

int DbGridModel::editRow() const
{
    const Table &t = table();
    if (!t.isOpen())
        return -1;
    if (t.state() == TableState::Insert)
        return m_src->rowCount();
    if (t.state() == TableState::Edit)
        return m_src->currentRow();
    return -1;
}

int DbGridModel::currentRow() const
{
    const int e = editRow();
    return e >= 0 ? e : m_src->currentRow();
}

int DbGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const Table &t = table();
    return m_src->rowCount() + (t.isOpen() && t.state() == TableState::Insert ? 1 : 0);
}

int DbGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_src->columnCount();
}

QVariant DbGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.row() == editRow() && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        const auto &col = m_src->columns()[static_cast<std::size_t>(index.column())];
        const FieldDef *f = table().def().field(col.field);
        try {
            return TableModel::displayText(table().value(col.field),
                                           f ? f->type : FieldType::Text);
        } catch (const TableError &) {
            return {};
        }
    }
    if (index.row() >= m_src->rowCount())
        return {};
    return m_src->data(m_src->index(index.row(), index.column()), role);
}

bool DbGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (m_readOnly || role != Qt::EditRole || !index.isValid())
        return false;
    Table &t = table();
    const auto &col = m_src->columns()[static_cast<std::size_t>(index.column())];
    const FieldDef *f = t.def().field(col.field);
    if (!f)
        return false;
    const std::string text = value.toString().toStdString();
    Value v;
    if (f->type == FieldType::Number || f->type == FieldType::Integer) {
        if (!text.empty()) {
            const auto x = parseNumber(text);
            // An integer field takes whole numbers only: 12,5 hours is not cut to 12.
            if (!x || (f->type == FieldType::Integer && *x != std::trunc(*x))) {
                m_prompter.error("Ошибочное значение для числового параметра.");
                return false;
            }
            v = f->type == FieldType::Integer ? Value(static_cast<int>(*x)) : Value(*x);
        }
    } else {
        v = text;
    }
    try {
        if (index.row() != editRow()) {
            if (t.isEditing() && !t.post())
                return false;
            if (!m_src->setCurrentRow(index.row()) || !t.edit())
                return false;
        }
        // The cell's editor is still closing: a reset of the whole grid now would take the editor
        // from under the view (which then stays in its editing state and ignores Enter). One
        // changed cell is all there is to show.
        m_resetting = true;
        t.setValue(col.field, v);
        m_resetting = false;
    } catch (const TableError &e) {
        m_resetting = false;
        m_prompter.error(e.what());
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

QVariant DbGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Vertical && role == Qt::DisplayRole)
        return section == editRow() ? QVariant(QStringLiteral("▸")) : QVariant(section + 1);
    return m_src->headerData(section, o, role);
}

Qt::ItemFlags DbGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_readOnly)
        fl |= Qt::ItemIsEditable;
    return fl;
}

DbGrid::DbGrid(Table &table, std::vector<TableModel::Column> columns, Prompter &prompter,
               QWidget *parent)
    : QTableView(parent), m_model(new DbGridModel(table, std::move(columns), prompter, this))
{
    setModel(m_model);
    setItemDelegate(new FieldSizeDelegate(m_model, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(28);
    connect(m_model, &DbGridModel::tableMoved, this, &DbGrid::followTable);
    followTable();
}

void DbGrid::setReadOnly(bool ro)
{
    m_model->setReadOnly(ro);
    setEditTriggers(ro ? QAbstractItemView::NoEditTriggers
                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
}

void DbGrid::bindNavigator(DbNavigator *nav)
{
    setPoster([nav] { return nav->postPending(); });
    connect(nav, &DbNavigator::inserted, this, &DbGrid::editNewRow);
}

void DbGrid::editNewRow()
{
    const int row = m_model->editRow();
    if (row < 0)
        return;
    const QModelIndex at = m_model->index(row, 0);
    m_following = true;
    setCurrentIndex(at);
    m_following = false;
    scrollTo(at);
    // A read-only grid leaves the input to the window's own fields; a grid not on screen has
    // no one typing into it.
    if (editTriggers() == QAbstractItemView::NoEditTriggers || !isVisible())
        return;
    setFocus(Qt::OtherFocusReason);
    edit(at);
}

void DbGrid::followTable()
{
    const int row = m_model->currentRow();
    if (row < 0)
        return;
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    m_following = true;
    setCurrentIndex(m_model->index(row, col));
    m_following = false;
}

void DbGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == m_model->currentRow())
        return;
    Table &t = m_model->table();
    // Leaving a row in edit posts it; a refused post keeps the grid on that row.
    if (t.isEditing()) {
        const bool posted = m_post ? m_post() : t.post();
        if (!posted) {
            QMetaObject::invokeMethod(this, &DbGrid::followTable, Qt::QueuedConnection);
            return;
        }
    }
    if (current.row() < m_model->source().rowCount())
        m_model->source().setCurrentRow(current.row());
}

void DbGrid::keyPressEvent(QKeyEvent *e)
{
    Table &t = m_model->table();
    if (state() != QAbstractItemView::EditingState && t.isOpen() && t.isEditing()) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (m_post)
                m_post();
            else
                t.post();
            return;
        }
        if (e->key() == Qt::Key_Escape) {
            t.cancel();
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

} // namespace kv
