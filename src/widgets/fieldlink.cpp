#include "widgets/fieldlink.h"

#include "calc/numfmt.h"
#include "data/prompter.h"
#include "widgets/tablemodel.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cmath>

namespace kv {

FieldLink::FieldLink(Table &table, Prompter &prompter, QObject *parent)
    : QObject(parent), m_table(table), m_prompter(prompter)
{
    m_handle = m_table.subscribe([this](TableChange c) {
        // The buffer's own writes come back as Data changes: only moves and state changes
        // (post, cancel, a new row) show the row again.
        if (c != TableChange::Data || !m_table.isEditing())
            refresh();
    });
}

FieldLink::~FieldLink() { m_table.unsubscribe(m_handle); }

void FieldLink::bind(QLineEdit *edit, const std::string &field)
{
    m_bindings.push_back({edit, field});
    // A text box takes no more than its field holds.
    if (const FieldDef *f = m_table.def().field(field); f && f->type == FieldType::Text && f->size > 0)
        edit->setMaxLength(f->size);
    const std::size_t i = m_bindings.size() - 1;
    connect(edit, &QLineEdit::textEdited, this, [this, i] { edited(m_bindings[i]); });
    refresh();
}

void FieldLink::bind(QPlainTextEdit *edit, const std::string &field)
{
    m_bindings.push_back({edit, field});
    const std::size_t i = m_bindings.size() - 1;
    connect(edit, &QPlainTextEdit::textChanged, this, [this, i] {
        if (!m_updating)
            edited(m_bindings[i]);
    });
    refresh();
}

QString FieldLink::textOf(const Binding &b) const
{
    if (auto *l = qobject_cast<QLineEdit *>(b.widget))
        return l->text();
    if (auto *p = qobject_cast<QPlainTextEdit *>(b.widget))
        return p->toPlainText();
    return {};
}

void FieldLink::edited(Binding &b)
{
    if (m_updating)
        return;
    // Dirty first: entering edit shows the row again, and the typed text must survive that.
    b.dirty = true;
    try {
        if (!m_table.isEditing() && (m_table.isEmpty() || !m_table.edit())) {
            b.dirty = false;
            refresh();
            return;
        }
    } catch (const TableError &e) {
        b.dirty = false;
        m_prompter.error(e.what());
        refresh();
    }
}

bool FieldLink::commit()
{
    if (!m_table.isEditing())
        return true;
    for (Binding &b : m_bindings) {
        if (!b.dirty)
            continue;
        const FieldDef *f = m_table.def().field(b.field);
        const std::string text = textOf(b).toStdString();
        Value v = text;
        if (f && (f->type == FieldType::Number || f->type == FieldType::Integer)) {
            v = Value();
            if (!text.empty()) {
                const auto x = parseNumber(text);
                // An integer field takes whole numbers only: 12,5 hours is not cut to 12.
                if (!x || (f->type == FieldType::Integer && *x != std::trunc(*x))) {
                    m_prompter.error("Ошибочное значение для числового параметра.");
                    b.widget->setFocus();
                    return false;
                }
                v = f->type == FieldType::Integer ? Value(static_cast<int>(*x)) : Value(*x);
            }
        }
        try {
            m_table.setValue(b.field, v);
        } catch (const TableError &e) {
            m_prompter.error(e.what());
            b.widget->setFocus();
            return false;
        }
        b.dirty = false;
    }
    return true;
}

void FieldLink::refresh()
{
    m_updating = true;
    const bool hasRow = m_table.isOpen() && (m_table.isEditing() || !m_table.isEmpty());
    for (Binding &b : m_bindings) {
        if (b.dirty && m_table.isEditing())
            continue; // keep what the user typed
        b.dirty = false;
        QString text;
        if (hasRow) {
            try {
                const FieldDef *f = m_table.def().field(b.field);
                text = TableModel::displayText(m_table.value(b.field),
                                               f ? f->type : FieldType::Text);
            } catch (const TableError &) {
            }
        }
        if (auto *l = qobject_cast<QLineEdit *>(b.widget))
            l->setText(text);
        else if (auto *p = qobject_cast<QPlainTextEdit *>(b.widget))
            p->setPlainText(text);
        b.widget->setEnabled(hasRow);
    }
    m_updating = false;
}

} // namespace kv
