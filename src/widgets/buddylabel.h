#pragma once
// A caption that names the field beside it: screen readers and external drivers find the field
// by the caption's text.

#include <QLabel>

namespace kv {

inline QLabel *buddyLabel(const QString &text, QWidget *field, QWidget *parent = nullptr)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(field);
    return l;
}

} // namespace kv
