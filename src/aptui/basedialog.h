#pragma once

#include <QDialog>
#include <QMetaObject>

class QAbstractButton;

namespace Ui {
class BaseDialog;
}

namespace aptui {

class BaseTitle;

// The frame of every dialog: a borderless window with its own title bar, a content area and a
// bottom bar with "Confirm" and "Cancel". Dialogs derive from it or use it directly as a message
// box, and put their own widget into the content area with setContentWidget().
//
// By default confirm accepts, cancel and the title's close button close (reject), minimise and
// maximise act on the window. setEnableDefaultConnections() switches each default off, so that
// for instance "Confirm" only emits signalConfirmButtonClicked() and the owner decides.
class BaseDialog : public QDialog
{
    Q_OBJECT

public:
    BaseDialog(bool showApp, bool showOption, bool showMin, bool showMax, bool showClose,
               bool showConfirm, bool showCancel, QWidget *parent = nullptr);
    ~BaseDialog() override;

    // Replaces what the content area shows. Widgets taken out are hidden, not deleted; the
    // default text label is deleted, after which setDefaultText() does nothing.
    void setContentWidget(QWidget *widget);

    void setEnableConfirm(bool enable);
    void setEnableCancel(bool enable);
    void setEnableMin(bool enable);
    void setEnableMax(bool enable);
    void setEnableClose(bool enable);

    void addTitleButton(QAbstractButton *button);
    void addBottomButton(QWidget *widget);

    // Fixes the dialog at w×h and the content area at what is left between the bars.
    void setDialogFixedSize(int w, int h);
    void setDialogFixedSize(const QSize &size);

    BaseTitle *titleBar() const { return m_pTitle; }

Q_SIGNALS:
    void signalAppButtonClicked();
    void signalOptionButtonClicked();
    void signalMinButtonClicked();
    void signalMaxButtonClicked();
    void signalCloseButtonClicked();
    void signalConfirmButtonClicked();
    void signalCancelButtonClicked();

public Q_SLOTS:
    void setEnableDefaultConnections(bool enableMin, bool enableMax, bool enableClose,
                                     bool enableConfirm, bool enableCancel);
    // The title bar's text and the window title, so the task bar shows the same words.
    void setTitle(const QString &title);
    void setDefaultText(const QString &text, int fontSize, bool blod);
    void setDefaultText(const QString &text, int fontSize);
    void setDefaultText(const QString &text);
    void setConfirmButtonText(const QString &text);
    void setCancelButtonText(const QString &text);
    void setBottomBarHeight(int height);
    void setBottomVisible(bool value);
    void onConfirmBtnClicked();
    void onCancelBtnClicked();

private Q_SLOTS:
    void restoreWindow();

private:
    Q_DISABLE_COPY(BaseDialog)

    Ui::BaseDialog *ui = nullptr;
    BaseTitle *m_pTitle = nullptr;

    bool m_bMinConnected = false;
    bool m_bMaxConnected = false;
    bool m_bCloseConnected = false;
    bool m_bEnableConfirm = true;
    bool m_bEnableCancel = true;

    // Kept so that switching a default off removes exactly the connection it made.
    QMetaObject::Connection m_minConnection;
    QMetaObject::Connection m_maxConnection;
    QMetaObject::Connection m_closeConnection;
};

} // namespace aptui
