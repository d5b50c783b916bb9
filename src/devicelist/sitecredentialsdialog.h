#pragma once

#include <QByteArray>
#include <QString>

#include "aptui/basedialog.h"

class QLineEdit;

namespace TarnTool {

// The user name and password that open the site's ONVIF devices, asked for once. They stay in
// memory only; the caller hands them to discovery, which reads every ONVIF device with them.
class SiteCredentialsDialog : public aptui::BaseDialog
{
    Q_OBJECT

public:
    explicit SiteCredentialsDialog(const QString &user, QWidget *parent = nullptr);
    ~SiteCredentialsDialog() override;

    QString user() const;
    // The password as typed, Latin-1; wipe it once used.
    QByteArray password() const;

private:
    QLineEdit *m_lineEditUser = nullptr;
    QLineEdit *m_lineEditPassword = nullptr;
};

} // namespace TarnTool
