#pragma once
// The numeric key filter of the edit boxes: digits, the comma, Backspace and Tab pass (and the
// minus sign when signed); any other printable key is dropped with a beep. The decimal point (the
// keypad's decimal key too) types the comma, so "12.5" typed from habit is 12,5, never 125.

#include <QObject>

class QKeyEvent;

namespace kv {

// Handles a key press on a number box: true when the press is consumed (dropped with a beep, or
// the point retyped as the comma into target); false when the box may take it as it is.
bool numberKeyPress(QObject *target, QKeyEvent *key, bool allowMinus);

class NumericKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit NumericKeyFilter(bool allowMinus, QObject *parent = nullptr)
        : QObject(parent), m_signed(allowMinus)
    {
    }
    void setSigned(bool on) { m_signed = on; }
    bool isSigned() const { return m_signed; }
    // Installs a filter on a widget (owned by it) and returns it.
    static NumericKeyFilter *install(QObject *widget, bool allowMinus);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_signed;
};

} // namespace kv
