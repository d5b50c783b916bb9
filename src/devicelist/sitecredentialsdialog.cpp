#include "devicelist/sitecredentialsdialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace TarnTool {

SiteCredentialsDialog::SiteCredentialsDialog(const QString &user, QWidget *parent)
    : BaseDialog(false, false, false, false, true, true, true, parent)
{
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("m_widgetSiteCredentials"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(30, 20, 30, 10);
    auto *note = new QLabel(tr("ONVIF devices are read and changed with this user name and password. They are kept "
                               "until the program ends, never saved."),
                            content);
    note->setObjectName(QStringLiteral("m_labelSiteCredentialsNote"));
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *form = new QFormLayout;
    form->setSpacing(12);
    m_lineEditUser = new QLineEdit(user.isEmpty() ? QStringLiteral("admin") : user, content);
    m_lineEditUser->setObjectName(QStringLiteral("m_lineEditSiteUser"));
    m_lineEditUser->setMaxLength(64);
    m_lineEditPassword = new QLineEdit(content);
    m_lineEditPassword->setObjectName(QStringLiteral("m_lineEditSitePassword"));
    m_lineEditPassword->setEchoMode(QLineEdit::Password);
    m_lineEditPassword->setMaxLength(64);
    auto *userLabel = new QLabel(tr("User name:"), content);
    auto *passwordLabel = new QLabel(tr("Password:"), content);
    userLabel->setBuddy(m_lineEditUser);
    passwordLabel->setBuddy(m_lineEditPassword);
    form->addRow(userLabel, m_lineEditUser);
    form->addRow(passwordLabel, m_lineEditPassword);
    layout->addLayout(form);
    layout->addStretch();
    setContentWidget(content);
    setTitle(tr("Site Credentials"));
    setDialogFixedSize(420, 260);
    m_lineEditPassword->setFocus();
}

SiteCredentialsDialog::~SiteCredentialsDialog()
{
    // QLineEdit keeps no other copy we can reach; this one at least goes.
    m_lineEditPassword->setText(QString(m_lineEditPassword->text().size(), QLatin1Char(' ')));
    m_lineEditPassword->clear();
}

QString SiteCredentialsDialog::user() const
{
    return m_lineEditUser->text().trimmed();
}

QByteArray SiteCredentialsDialog::password() const
{
    return m_lineEditPassword->text().toLatin1();
}

} // namespace TarnTool
