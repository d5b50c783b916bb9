#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include "toolkit/cdomfile.h"

// A value handle on one element of a DOM document, together with the document. Copies share the
// document, so changes made through child handles are part of what the root's save() writes.
// Files are written in GB2312.
class XmlNode
{
public:
    XmlNode() = default;

    // False for a null path or a file that cannot be opened. A file that opens but does not parse
    // (or is too large to be an XML file of ours) still answers true and leaves the handle empty.
    bool load(const QString &path);
    // The same, telling how the read went: on anything but Read the handle is left empty and
    // `error` says why.
    OrvoGUIToolkit::CDomFile::ReadStatus read(const QString &path, QString *error = nullptr);
    // The whole document, declaration included, in GB2312, written through a temporary file so a
    // failed write leaves the old file as it was. False when the file cannot be written whole, with
    // `error`, when given, saying why.
    bool save(const QString &path, QString *error = nullptr);

    int childElementCount() const;
    XmlNode childElementAt(int index) const;
    // First element called `tag` among all descendants, in document order.
    XmlNode firstElementByTagName(const QString &tag) const;

    // Writes `value` in decimal into the first text child, or a new one. False for an empty handle.
    bool setText(int value);
    // The first direct text (or CDATA) child's data; empty when there is none.
    QString text() const;

    QDomElement element;
    QDomDocument doc;

    static constexpr qint64 MaxFileSize = OrvoGUIToolkit::CDomFile::MaxFileSize;

private:
    XmlNode(const QDomDocument &document, const QDomElement &elem);
};
