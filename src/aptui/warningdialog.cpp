#include "aptui/warningdialog.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimerEvent>

#include "aptui/multistatelineedit.h"
#include "ui_warningdialog.h"

namespace TarnTool {

namespace {
constexpr int BoxWidth = 310;
constexpr int BoxHeight = 120;
constexpr int LongBoxHeight = 160;
constexpr int CloseAfterMs = 2000;
} // namespace

WarningDialog::WarningDialog(int type, const QString &text, QWidget *parent)
    : QDialog(nullptr)
    , ui(new Ui::WarningDialog)
{
    Q_UNUSED(parent);
    ui->setupUi(this);
    connect(ui->m_btnClose, &QPushButton::clicked, this, &WarningDialog::onBtnClose);
    resize(BoxWidth, BoxHeight);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWarnInfo(type, text);
    setAttribute(Qt::WA_TranslucentBackground);
    // Counted from construction, not from exec().
    m_closeTimer = startTimer(CloseAfterMs);
}

WarningDialog::~WarningDialog()
{
    delete ui;
}

QString WarningDialog::largeIconPath(int type)
{
    switch (type) {
    case WarnOk:
        return QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/TipDialog/icon_alert_ok_large.png");
    case WarnInfo:
        return QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/TipDialog/icon_alert_info_large.png");
    case WarnError:
        return QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/TipDialog/icon_alert_error_large.png");
    default:
        return QString();
    }
}

QString WarningDialog::smallIconPath(int type)
{
    switch (type) {
    case WarnInfo:
        return QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/BaseControl/Inputs/icon_alert_info.png");
    case WarnError:
        return QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/BaseControl/Inputs/icon_alert_error.png");
    default:
        return QString();
    }
}

// Through QIcon, so a scaled screen gets the sharper @2x picture when the skin has one.
static QPixmap hintIcon(int type)
{
    return QIcon(WarningDialog::smallIconPath(type)).pixmap(QSize(16, 16));
}

void WarningDialog::setWarnInfo(int type, const QString &text)
{
    ui->m_labelWarnText->setText(text);
    // The box has no title bar; screen readers announce the window by its title.
    setWindowTitle(type == WarnOk ? tr("Succeeded") : type == WarnError ? tr("Error") : tr("Hint"));
    const QString path = largeIconPath(type);
    if (path.isEmpty()) {
        ui->m_labelWarnPicture->clear();
        return;
    }
    const QImage image = QImage(path).scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    ui->m_labelWarnPicture->setPixmap(QPixmap::fromImage(image));
}

QPoint WarningDialog::popupPosition(const QWidget *window)
{
    return QPoint(window->pos().x() + window->width() / 2 - BoxWidth / 2,
                  window->pos().y() + window->height() / 2 - BoxHeight / 2);
}

void WarningDialog::runBox(const QPoint &pos, int type, const QString &text, QWidget *parent,
                         aptui::MultiStateLineEdit *edit, QLabel *hintLabel, int height)
{
    if (edit && hintLabel) {
        if (type == WarnError) {
            edit->setLineEditState(aptui::MultiStateLineEdit::ERROR);
            hintLabel->setPixmap(hintIcon(type));
        } else if (type == WarnInfo) {
            edit->setLineEditState(aptui::MultiStateLineEdit::TIP);
            hintLabel->setPixmap(hintIcon(type));
        }
        if (type == WarnError || type == WarnInfo)
            edit->setAccessibleDescription(text);
    }
    WarningDialog dialog(type, text, parent);
    if (height != BoxHeight)
        dialog.resize(BoxWidth, height);
    dialog.move(pos);
    dialog.exec();
}

void WarningDialog::showWarning(const QPoint &pos, int type, const QString &text, QWidget *parent,
                                aptui::MultiStateLineEdit *edit, QLabel *hintLabel)
{
    runBox(pos, type, text, parent, edit, hintLabel, BoxHeight);
}

void WarningDialog::showLongWarning(const QPoint &pos, int type, const QString &text,
                                    QWidget *parent, aptui::MultiStateLineEdit *edit,
                                    QLabel *hintLabel)
{
    runBox(pos, type, text, parent, edit, hintLabel, LongBoxHeight);
}

void WarningDialog::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_closeTimer) {
        QDialog::timerEvent(event);
        return;
    }
    killTimer(m_closeTimer);
    m_closeTimer = 0;
    close();
}

void WarningDialog::onBtnClose()
{
    close();
    Q_EMIT signalWarnClose();
}

} // namespace TarnTool
