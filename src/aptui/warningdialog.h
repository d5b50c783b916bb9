#pragma once

#include <QDialog>
#include <QPoint>

class QLabel;

namespace Ui {
class WarningDialog;
}

namespace aptui {
class MultiStateLineEdit;
}

namespace TarnTool {

// The small borderless box that reports the outcome of a user action and closes itself about
// 2 seconds after it was built. When the report concerns one input field, showWarning() also
// marks the field and puts an icon into the hint label beside it; the owner clears both when the
// user presses the mouse in the field.
class WarningDialog : public QDialog
{
    Q_OBJECT

public:
    enum Kind { WarnOk = 0, WarnInfo = 1, WarnError = 2 };

    // `parent` is not the Qt parent: the box is always a top-level window of its own.
    WarningDialog(int type, const QString &text, QWidget *parent = nullptr);
    ~WarningDialog() override;

    // Shows a box of kind `type` with its top-left corner at `pos` (global), modal, and returns
    // when it has closed. Kind 1 marks `edit` as TIP, kind 2 as ERROR, each with its small icon
    // in `hintLabel`; nothing is marked unless both are given.
    static void showWarning(const QPoint &pos, int type, const QString &text, QWidget *parent,
                            aptui::MultiStateLineEdit *edit = nullptr, QLabel *hintLabel = nullptr);
    // The same, in a taller box for messages of several lines.
    static void showLongWarning(const QPoint &pos, int type, const QString &text, QWidget *parent,
                                aptui::MultiStateLineEdit *edit = nullptr, QLabel *hintLabel = nullptr);

    // Where a caller's window puts the box: centred on that window.
    static QPoint popupPosition(const QWidget *window);

    void setWarnInfo(int type, const QString &text);

    static QString largeIconPath(int type);
    static QString smallIconPath(int type);

Q_SIGNALS:
    void signalWarnClose();

protected:
    void timerEvent(QTimerEvent *event) override;

private Q_SLOTS:
    void onBtnClose();

private:
    Q_DISABLE_COPY(WarningDialog)
    static void runBox(const QPoint &pos, int type, const QString &text, QWidget *parent,
                     aptui::MultiStateLineEdit *edit, QLabel *hintLabel, int height);

    Ui::WarningDialog *ui = nullptr;
    int m_closeTimer = 0;
};

} // namespace TarnTool
