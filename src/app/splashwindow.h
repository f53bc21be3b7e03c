#pragma once
// The splash window shown while the program starts.

#include <QDialog>

namespace kv {

class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);
};

} // namespace kv
