#pragma once

#include <cstdio>

#include <QCoreApplication>
#include <QString>

namespace TarnCli {

// Progress of a batch on standard error: a bar redrawn in place on a terminal, one plain line per
// device otherwise, so a log file of a scripted run reads line by line.
class ProgressLine
{
public:
    explicit ProgressLine(FILE *stream);
    ~ProgressLine();

    // `done` of `total` devices have ended; `address` is the one worked on last.
    void step(int done, int total, const QString &address);
    bool isTerminal() const { return m_terminal; }
    // Ends the bar's line, so what follows starts on a line of its own.
    void finish();

private:
    FILE *m_stream;
    bool m_terminal;
    bool m_open = false;
};

} // namespace TarnCli
