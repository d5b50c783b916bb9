#pragma once

#include <QWidget>

namespace aptui {

// A plain widget that reports mouse presses, double-clicks, enter and leave as signals, and draws
// its style-sheet background.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);

Q_SIGNALS:
    void signalDoubleClicked();
    void signalMouseClicked();
    void signalMouseEnter();
    void signalMouseLeave();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace aptui
