#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include "toolkit/cdomfile.h"

namespace OrvoGUIToolkit {

// A handle on one element of an XML document. Copies share the document, so a value changed
// through a child handle is saved by the root's SaveXML. Comments, attributes and the declared
// encoding are handled by Qt's DOM parser; children and names count elements only.
class CGenericDS
{
public:
    CGenericDS();

    // Replaces the handle with the file's root element. Fails, leaving the handle as it was, when
    // the file cannot be read, is larger than MaxFileSize, or does not parse; GetLastError() says why.
    bool LoadXML(const QString &path);
    // Writes the whole document in the encoding its declaration names (UTF-8 without one),
    // through a temporary file so that a failed write leaves the old file intact; GetLastError()
    // says why it failed.
    bool SaveXML(const QString &path) const;

    bool IsNull() const;
    int GetChildrenCount() const;
    // The i-th child element; a null handle when out of range.
    CGenericDS GetChild(int index) const;
    // The first child element called `name`; a null handle when there is none.
    CGenericDS GetChildByName(const QString &name) const;
    QString GetName() const;
    // The element's text content; empty for a null handle.
    QString GetValue() const;
    // Replaces the element's text children with `value`; false for a null handle.
    bool SetValue(const QString &value);

    QString GetLastError() const;

    static constexpr qint64 MaxFileSize = CDomFile::MaxFileSize;

private:
    CGenericDS(const QDomDocument &doc, const QDomElement &element);

    QDomDocument m_doc;
    QDomElement m_element;
    mutable QString m_lastError;
};

} // namespace OrvoGUIToolkit
