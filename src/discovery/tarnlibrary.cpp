#include "discovery/tarnlibrary.h"

namespace TARN {

const TarnLibrary &TarnLibrary::real()
{
    static const TarnLibrary library {
        TARN_SetLogToFile, TARN_SetDeviceFilterRule, TARN_Start_V30, TARN_Stop, TARN_Clearup,
        TARN_SendInquiry, TARN_ActivateDevice, TARN_ModifyDeviceNetParam, TARN_GetDeviceConfig,
        TARN_ResetPasswd, TARN_ResetDefaultPasswd, TARN_GetLastError};
    return library;
}

} // namespace TARN
