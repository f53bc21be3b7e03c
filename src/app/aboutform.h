#pragma once
// The about box "О программе.".

#include <QDialog>

namespace kv {

class AboutForm : public QDialog {
    Q_OBJECT
public:
    explicit AboutForm(QWidget *parent = nullptr);
};

} // namespace kv
