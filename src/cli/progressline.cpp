#include "cli/progressline.h"

#include <unistd.h>

namespace TarnCli {

namespace {
constexpr int BarWidth = 30;
}

ProgressLine::ProgressLine(FILE *stream)
    : m_stream(stream)
    , m_terminal(isatty(fileno(stream)) == 1)
{
}

ProgressLine::~ProgressLine()
{
    finish();
}

void ProgressLine::step(int finished, int total, const QString &address)
{
    // The window's own progress text, so both speak alike.
    const QString text = QCoreApplication::translate("TarnTool::DeviceModifyPage", "%1 of %2 done: %3")
                             .arg(finished).arg(total).arg(address);
    if (!m_terminal) {
        std::fprintf(m_stream, "%s\n", text.toUtf8().constData());
        std::fflush(m_stream);
        return;
    }
    const int done = total > 0 ? finished * BarWidth / total : 0;
    const QString bar = QString(done, QLatin1Char('#')) + QString(BarWidth - done, QLatin1Char('.'));
    // \033[K clears what a longer previous line left behind.
    std::fprintf(m_stream, "\r[%s] %s\033[K", bar.toLatin1().constData(), text.toUtf8().constData());
    std::fflush(m_stream);
    m_open = true;
}

void ProgressLine::finish()
{
    if (m_open) {
        std::fputs("\n", m_stream);
        std::fflush(m_stream);
        m_open = false;
    }
}

} // namespace TarnCli
