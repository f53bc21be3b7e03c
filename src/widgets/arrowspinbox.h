#pragma once
// A spin box whose value changes only through its arrows (buttons, arrow keys, wheel): typed
// characters are refused with the system beep. Enter still reaches the dialog.

#include <QSpinBox>

namespace kv {

class ArrowSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit ArrowSpinBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *e) override;
};

} // namespace kv
