#pragma once

#include <QString>
#include <QStringList>

namespace OrvoGUIToolkit {

// Whole-file reads for style sheets and other UTF-8 text, from disk or from resources.
class CFile
{
public:
    // The file's whole text; an empty string when it cannot be read.
    static QString ReadAll(const QString &path);

    // The texts of `dir` + each name, in order, joined by line breaks so that one file's last
    // rule cannot run into the next file's first. Unreadable files contribute nothing.
    static QString ReadAll(const QStringList &names, const QString &dir);
};

} // namespace OrvoGUIToolkit
