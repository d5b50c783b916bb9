#pragma once

#include <QPointer>
#include <QPushButton>

namespace aptui {

// The thin button that folds and unfolds its buddy (the main window's right-hand panel). Its arrow
// points the way the buddy will go.
class PinButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PinButton(QWidget *parent = nullptr);

    void setBuddy(QWidget *buddy);
    QWidget *buddy() const { return m_buddy; }

    static const QString &leftStyle();
    static const QString &rightStyle();

Q_SIGNALS:
    void pinButtonClicked();

private Q_SLOTS:
    void buddyState();

private:
    // Guarded, because the buddy may be destroyed before the button.
    QPointer<QWidget> m_buddy;
};

} // namespace aptui
