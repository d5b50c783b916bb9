#pragma once

#include <memory>

#include <QString>

#include "aptui/basedialog.h"
#include "tarn.h"

namespace TarnTool {

// The dialog that "Forget Password" opens for one device: the key-based reset when the device
// supports the key procedure (capability bit 6), with QR code support from bit 0 of the extra flags
// and the "Reset IPC" option from capability bit 7; otherwise the restore with a security code.
// `device` is the store's record of the device (zero-filled when it is not found), `serialNo` the
// selection's serial number. The caller runs it with exec().
std::unique_ptr<aptui::BaseDialog> createForgetPasswordDialog(const QString &serialNo, const TARN_DEVICE_INFO &device,
                                                              QWidget *parent = nullptr);

} // namespace TarnTool
