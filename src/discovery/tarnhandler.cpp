#include "discovery/tarnhandler.h"

#include <cstring>

#include <QDebug>

#include "discovery/onvifdevices.h"

namespace TARN {

namespace {
// The code of the last ONVIF operation on this thread; -1 when the thread's last one was TARN's,
// whose code the library keeps.
thread_local int t_onvifError = -1;

bool onvifResult(bool ok, int code)
{
    t_onvifError = ok ? TARN_ERR_NONE : code;
    return ok;
}
} // namespace

TarnHandler::TarnHandler(const TarnLibrary &library)
    : QObject(nullptr), m_library(library)
{
    setLogToFile(nullptr, TARN_LOG_INFO, 1);
}

TarnHandler::~TarnHandler()
{
    stop();
}

void TarnHandler::enableOnvif()
{
    if (!m_onvif)
        m_onvif.reset(new OnvifDevices([this](const TARN_DEVICE_INFO &record) { deviceCallback(&record, this); }));
}

void TarnHandler::setSiteCredentials(const QString &user, const QByteArray &password)
{
    if (m_onvif)
        m_onvif->setCredentials(user, password);
}

bool TarnHandler::hasSiteCredentials() const
{
    return m_onvif && m_onvif->hasCredentials();
}

int TarnHandler::onvifReadsPending() const
{
    return m_onvif ? m_onvif->pendingReads() : 0;
}

bool TarnHandler::isOnvifSerial(const QByteArray &serial) const
{
    return m_onvif && m_onvif->ownsSerial(serial);
}

QString TarnHandler::onvifCertificate(const QByteArray &serial) const
{
    return m_onvif ? m_onvif->certificateOf(serial) : QString();
}

bool TarnHandler::start()
{
    if (m_started)
        return true;
    if (m_library.start(&TarnHandler::deviceCallback, TARN_MODE_LINK_LAYER, this) < 1)
        return false;
    m_started = true;
    QString why;
    if (m_onvif && !m_onvif->start(&why))
        qWarning("[Tool]ONVIF devices cannot be looked for: %s", qUtf8Printable(why));
    return true;
}

bool TarnHandler::stop()
{
    if (!m_started)
        return true;
    if (m_onvif)
        m_onvif->stop();
    if (m_library.stop() < 1)
        return false;
    m_started = false;
    return true;
}

bool TarnHandler::sendInquiry()
{
    if (m_onvif)
        m_onvif->probe();
    return m_library.sendInquiry() >= 1;
}

bool TarnHandler::clearup()
{
    // Counted before and after: a callback that was running while the library emptied its table
    // reads the older number either way.
    ++m_generation;
    const bool ok = m_library.clearup() >= 1;
    ++m_generation;
    if (m_onvif)
        m_onvif->republish();
    return ok;
}

bool TarnHandler::setLogToFile(const char *directory, int level, int autoDelete)
{
    return m_library.setLogToFile(level, directory, autoDelete) >= 1;
}

bool TarnHandler::setDeviceFilterRule(bool on)
{
    if (m_library.setDeviceFilterRule(on ? 1 : 0, nullptr, 0) != 0)
        return true;
    const int code = m_library.getLastError();
    qDebug() << reinterpret_cast<const void *>(m_library.setDeviceFilterRule) << "error" << code;
    return false;
}

bool TarnHandler::activateDevice(const QByteArray &serial, const QByteArray &password)
{
    if (m_onvif && m_onvif->ownsSerial(serial)) {
        int code = 0;
        const bool ok = m_onvif->activate(serial, password, &code);
        return onvifResult(ok, code);
    }
    t_onvifError = -1;
    if (m_library.activateDevice(serial.constData(), password.constData()) >= 1)
        return true;
    m_library.getLastError();  // callers read the code again right after
    return false;
}

bool TarnHandler::modifyDeviceNetParam(const QByteArray &mac, const QByteArray &password,
                                       const TARN_NETWORK_PARAMS &params)
{
    if (m_onvif && m_onvif->ownsMac(mac)) {
        int code = 0;
        const bool ok = m_onvif->modify(mac, password, params, &code);
        return onvifResult(ok, code);
    }
    t_onvifError = -1;
    return m_library.modifyDeviceNetParam(mac.constData(), password.constData(), &params) >= 1;
}

bool TarnHandler::getDeviceConfig(const QByteArray &serial, unsigned int kind, const void *in, unsigned int inLen,
                                  void *out, unsigned int outLen)
{
    // Password recovery goes by the maker's key or security code, which only TARN devices take.
    if (isOnvifSerial(serial))
        return onvifResult(false, TARN_ERR_NOT_SUPPORTED);
    t_onvifError = -1;
    return m_library.getDeviceConfig(serial.constData(), kind, in, inLen, out, outLen) >= 1;
}

bool TarnHandler::resetPasswd(const QByteArray &serial, const TARN_RESET_PARAM &request)
{
    if (isOnvifSerial(serial))
        return onvifResult(false, TARN_ERR_NOT_SUPPORTED);
    t_onvifError = -1;
    return m_library.resetPasswd(serial.constData(), &request) >= 1;
}

bool TarnHandler::resetDefaultPasswd(const QByteArray &serial, const QByteArray &securityCode)
{
    if (isOnvifSerial(serial))
        return onvifResult(false, TARN_ERR_NOT_SUPPORTED);
    t_onvifError = -1;
    return m_library.resetDefaultPasswd(serial.constData(), securityCode.constData()) >= 1;
}

int TarnHandler::getLastError() const
{
    if (t_onvifError >= 0)
        return t_onvifError;
    return m_library.getLastError();
}

bool TarnHandler::recordTextsTerminated(const TARN_DEVICE_INFO &r)
{
    auto ends = [](const char *field, std::size_t width) { return std::memchr(field, '\0', width) != nullptr; };
    return ends(r.reserved0, sizeof r.reserved0) && ends(r.serialNumber, sizeof r.serialNumber)
        && ends(r.macAddress, sizeof r.macAddress) && ends(r.ipv4Address, sizeof r.ipv4Address)
        && ends(r.ipv4SubnetMask, sizeof r.ipv4SubnetMask) && ends(r.softwareVersion, sizeof r.softwareVersion)
        && ends(r.dspVersion, sizeof r.dspVersion) && ends(r.startTime, sizeof r.startTime);
}

void TarnHandler::deviceCallback(const TARN_DEVICE_INFO *record, void *context)
{
    if (!record || !context)
        return;
    // A field without its terminator would be read into its neighbours: drop the whole record.
    if (!recordTextsTerminated(*record))
        return;
    auto *handler = static_cast<TarnHandler *>(context);
    switch (record->eventType) {
    case TARN_EVENT_ONLINE:
    case TARN_EVENT_ONLINE_ALT:
        emit handler->signalDeviceOnline(*record);
        break;
    case TARN_EVENT_UPDATE:
        emit handler->signalDeviceUpdate(*record);
        break;
    case TARN_EVENT_OFFLINE:
        emit handler->signalDeviceOffline(*record);
        break;
    default:
        break;
    }
}

} // namespace TARN
