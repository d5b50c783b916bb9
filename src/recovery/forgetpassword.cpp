#include "recovery/forgetpassword.h"

#include "recovery/recoverysteps.h"
#include "recovery/resetpassworddialog.h"
#include "recovery/restorepassworddialog.h"

namespace TarnTool {

std::unique_ptr<aptui::BaseDialog> createForgetPasswordDialog(const QString &serialNo, const TARN_DEVICE_INFO &device,
                                                              QWidget *parent)
{
    const Recovery::Route route = Recovery::routeOf(device);
    if (route.keyReset)
        return std::make_unique<ResetPasswordDialog>(parent, serialNo, route.qrCode, route.resetIpc);
    return std::make_unique<RestorePasswordDialog>(parent, serialNo);
}

} // namespace TarnTool
