#pragma once
// The numeric key filter of the edit boxes: digits, the comma, Backspace and Tab pass (and the
// minus sign when signed); any other printable key is dropped with a beep.

#include <QObject>

namespace kv {

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
