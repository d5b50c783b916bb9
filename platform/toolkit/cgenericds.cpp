#include "toolkit/cgenericds.h"

#include <QDomNode>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace OrvoGUIToolkit {

CGenericDS::CGenericDS() = default;

CGenericDS::CGenericDS(const QDomDocument &doc, const QDomElement &element)
    : m_doc(doc), m_element(element)
{
}

bool CGenericDS::LoadXML(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    if (file.size() > MaxFileSize) {
        m_lastError = QStringLiteral("file is larger than %1 bytes").arg(MaxFileSize);
        return false;
    }
    const QByteArray content = file.read(MaxFileSize + 1);
    if (content.size() > MaxFileSize) {
        m_lastError = QStringLiteral("file is larger than %1 bytes").arg(MaxFileSize);
        return false;
    }

    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(content, &message, &line, &column)) {
        m_lastError = QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column);
        return false;
    }
    m_doc = doc;
    m_element = doc.documentElement();
    m_lastError.clear();
    return true;
}

bool CGenericDS::SaveXML(const QString &path) const
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    m_doc.save(stream, 4, QDomNode::EncodingFromDocument);
    stream.flush();
    if (stream.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CGenericDS::IsNull() const
{
    return m_element.isNull();
}

int CGenericDS::GetChildrenCount() const
{
    int count = 0;
    for (QDomElement e = m_element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        ++count;
    return count;
}

CGenericDS CGenericDS::GetChild(int index) const
{
    if (index < 0)
        return CGenericDS();
    QDomElement e = m_element.firstChildElement();
    for (int i = 0; i < index && !e.isNull(); ++i)
        e = e.nextSiblingElement();
    return e.isNull() ? CGenericDS() : CGenericDS(m_doc, e);
}

CGenericDS CGenericDS::GetChildByName(const QString &name) const
{
    const QDomElement e = m_element.firstChildElement(name);
    return e.isNull() ? CGenericDS() : CGenericDS(m_doc, e);
}

QString CGenericDS::GetName() const
{
    return m_element.tagName();
}

QString CGenericDS::GetValue() const
{
    return m_element.text();
}

bool CGenericDS::SetValue(const QString &value)
{
    if (m_element.isNull())
        return false;
    QDomNode child = m_element.firstChild();
    while (!child.isNull()) {
        QDomNode next = child.nextSibling();
        if (child.isText())  // CDATA sections are text nodes too
            m_element.removeChild(child);
        child = next;
    }
    m_element.appendChild(m_doc.createTextNode(value));
    return true;
}

QString CGenericDS::GetLastError() const
{
    return m_lastError;
}

} // namespace OrvoGUIToolkit
