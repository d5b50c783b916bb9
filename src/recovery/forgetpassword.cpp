#include "recovery/forgetpassword.h"

#include "recovery/resetpassworddialog.h"
#include "recovery/restorepassworddialog.h"

namespace TarnTool {

std::unique_ptr<aptui::BaseDialog> createForgetPasswordDialog(const QString &serialNo, const TARN_DEVICE_INFO &device,
                                                              QWidget *parent)
{
    if (device.capabilityFlags & TARN_CAP_KEY_RESET) {
        return std::make_unique<ResetPasswordDialog>(parent, serialNo, (device.extraFlags & 0x01) != 0,
                                                     (device.capabilityFlags & TARN_CAP_RESET_OPTION) != 0);
    }
    return std::make_unique<RestorePasswordDialog>(parent, serialNo);
}

} // namespace TarnTool
