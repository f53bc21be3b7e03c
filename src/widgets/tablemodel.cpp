#include "widgets/tablemodel.h"

#include "calc/numfmt.h"
#include "data/prompter.h"

namespace kv {

TableModel::TableModel(Table &table, std::vector<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns))
{
    const TableDef &def = table.def();
    if (m_columns.empty())
        for (const auto &f : def.fields)
            if (f.name != "Kod" && f.name != "Kod0")
                m_columns.push_back({f.name, {}});
    for (auto &c : m_columns) {
        const FieldDef *f = def.field(c.field);
        if (c.label.isEmpty())
            c.label = QString::fromStdString(f && !f->label.empty() ? f->label : c.field);
    }
    m_hasKod = def.hasKod();
    if (m_hasKod)
        m_fields.push_back("Kod");
    for (const auto &c : m_columns)
        m_fields.push_back(c.field);
    for (const auto &name : m_fields) {
        const FieldDef *f = def.field(name);
        m_types.push_back(f ? f->type : FieldType::Text); // looked-up fields are texts
    }
    m_handle = m_table.subscribe([this](TableChange c) { onTableChange(c); });
    m_rows = readRows();
    m_lastCurrent = currentRow();
}

TableModel::~TableModel() { m_table.unsubscribe(m_handle); }

int TableModel::columnOf(const std::string &field) const
{
    for (std::size_t k = 0; k < m_columns.size(); ++k)
        if (m_columns[k].field == field)
            return static_cast<int>(k);
    return -1;
}

std::vector<std::vector<Value>> TableModel::readRows() const
{
    if (!m_table.isOpen())
        return {};
    // Looked-up fields are not stored: select() cannot read them, so walk the rows then.
    bool plain = true;
    for (const auto &name : m_fields)
        if (!m_table.def().field(name))
            plain = false;
    if (plain)
        return m_table.select(m_fields, {});
    std::vector<std::vector<Value>> rows;
    Table &t = m_table;
    if (t.isEditing())
        return m_rows;
    RowKeeper keep(t);
    for (t.first(); !t.eof(); t.next()) {
        std::vector<Value> r;
        for (const auto &name : m_fields)
            r.push_back(t.value(name));
        rows.push_back(std::move(r));
    }
    return rows;
}

void TableModel::reload()
{
    beginResetModel();
    m_rows = readRows();
    endResetModel();
}

void TableModel::onTableChange(TableChange c)
{
    if (c == TableChange::Data) {
        auto rows = readRows();
        const int off = m_hasKod ? 0 : -1;
        const auto keyOf = [&](const std::vector<Value> &r) { return off < 0 ? Value() : r[0]; };
        const auto n = m_rows.size();
        if (rows.size() == n) {
            bool sameKeys = true;
            for (std::size_t i = 0; i < n && sameKeys; ++i)
                sameKeys = keyOf(rows[i]) == keyOf(m_rows[i]);
            if (sameKeys) {
                for (std::size_t i = 0; i < n; ++i)
                    if (!(rows[i] == m_rows[i])) {
                        m_rows[i] = rows[i];
                        emit dataChanged(index(static_cast<int>(i), 0),
                                         index(static_cast<int>(i), columnCount() - 1));
                    }
                return;
            }
        }
        // One row added or removed, the rest unchanged: tell just that.
        if (m_hasKod && rows.size() == n + 1) {
            std::size_t i = 0;
            while (i < n && keyOf(rows[i]) == keyOf(m_rows[i]))
                ++i;
            bool rest = true;
            for (std::size_t j = i; j < n && rest; ++j)
                rest = keyOf(rows[j + 1]) == keyOf(m_rows[j]);
            if (rest) {
                beginInsertRows({}, static_cast<int>(i), static_cast<int>(i));
                m_rows = std::move(rows);
                endInsertRows();
                return;
            }
        }
        if (m_hasKod && rows.size() + 1 == n) {
            std::size_t i = 0;
            while (i < rows.size() && keyOf(rows[i]) == keyOf(m_rows[i]))
                ++i;
            bool rest = true;
            for (std::size_t j = i; j < rows.size() && rest; ++j)
                rest = keyOf(rows[j]) == keyOf(m_rows[j + 1]);
            if (rest) {
                beginRemoveRows({}, static_cast<int>(i), static_cast<int>(i));
                m_rows = std::move(rows);
                endRemoveRows();
                return;
            }
        }
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const int cur = currentRow();
    if (cur != m_lastCurrent) {
        m_lastCurrent = cur;
        emit currentRowChanged(cur);
    }
}

std::int64_t TableModel::keyAt(int row) const
{
    if (!m_hasKod || row < 0 || row >= static_cast<int>(m_rows.size()))
        return -1;
    return m_rows[static_cast<std::size_t>(row)][0].toInt();
}

int TableModel::rowOfKey(std::int64_t key) const
{
    if (!m_hasKod)
        return -1;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i][0].toInt() == key)
            return static_cast<int>(i);
    return -1;
}

int TableModel::currentRow() const
{
    if (!m_table.isOpen())
        return -1;
    if (m_hasKod) {
        const auto b = m_table.bookmark();
        return b < 0 ? -1 : rowOfKey(b);
    }
    return m_table.recNo();
}

bool TableModel::setCurrentRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || !m_table.isOpen())
        return false;
    if (m_hasKod)
        return m_table.gotoBookmark(keyAt(row));
    m_table.first();
    for (int i = 0; i < row && !m_table.eof(); ++i)
        m_table.next();
    return true;
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString TableModel::displayText(const Value &v, FieldType t)
{
    if (v.isNull())
        return {};
    switch (t) {
    case FieldType::Number:
        return QString::fromStdString(formatGeneral(v.toDouble()));
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return QString::fromStdString(v.toText());
    }
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())
        || index.column() >= static_cast<int>(m_columns.size()))
        return {};
    const std::size_t c = static_cast<std::size_t>(index.column()) + (m_hasKod ? 1 : 0);
    const Value &v = m_rows[static_cast<std::size_t>(index.row())][c];
    const FieldType t = m_types[c];
    if (t == FieldType::Boolean && role == Qt::CheckStateRole)
        return v.isNull() ? QVariant() : QVariant(v.toBool() ? Qt::Checked : Qt::Unchecked);
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (t == FieldType::Boolean)
            return {};
        return displayText(v, t);
    }
    if (role == Qt::TextAlignmentRole && (t == FieldType::Number || t == FieldType::Integer))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (m_readOnly || !index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return false;
    const std::size_t c = static_cast<std::size_t>(index.column()) + (m_hasKod ? 1 : 0);
    const std::string &field = m_fields[c];
    if (!m_table.def().field(field))
        return false; // a looked-up field
    Value v;
    if (m_types[c] == FieldType::Boolean) {
        if (role != Qt::CheckStateRole && role != Qt::EditRole)
            return false;
        v = role == Qt::CheckStateRole ? Value(value.toInt() == Qt::Checked) : Value(value.toBool());
    } else {
        if (role != Qt::EditRole)
            return false;
        std::string text = value.toString().toStdString();
        if (m_types[c] == FieldType::Number || m_types[c] == FieldType::Integer) {
            // Numbers are typed with the decimal comma; an empty text is an empty field.
            if (!text.empty()) {
                auto x = parseNumber(text);
                if (!x) {
                    if (m_prompter)
                        m_prompter->error("Ошибочное значение для числового параметра.");
                    return false;
                }
                v = *x;
            }
        } else {
            v = text;
        }
    }
    try {
        if (!setCurrentRow(index.row()))
            return false;
        if (!m_table.edit())
            return false;
        m_table.setValue(field, v);
        if (!m_table.post()) {
            m_table.cancel();
            return false;
        }
    } catch (const TableError &e) {
        if (m_table.isEditing())
            m_table.cancel();
        if (m_prompter)
            m_prompter->error(e.what());
        return false;
    }
    return true;
}

QVariant TableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(m_columns.size()))
            return {};
        return m_columns[static_cast<std::size_t>(section)].label;
    }
    return section + 1;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const std::size_t c = static_cast<std::size_t>(index.column()) + (m_hasKod ? 1 : 0);
    if (!m_readOnly && c < m_fields.size() && m_table.def().field(m_fields[c]))
        f |= m_types[c] == FieldType::Boolean ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return f;
}

} // namespace kv
