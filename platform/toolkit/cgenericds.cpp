#include "toolkit/cgenericds.h"

namespace OrvoGUIToolkit {

CGenericDS::CGenericDS() = default;

CGenericDS::CGenericDS(const QDomDocument &doc, const QDomElement &element)
    : m_doc(doc), m_element(element)
{
}

bool CGenericDS::LoadXML(const QString &path)
{
    QDomDocument doc;
    if (CDomFile::ReadDocument(path, &doc, &m_lastError) != CDomFile::Read)
        return false;
    m_doc = doc;
    m_element = doc.documentElement();
    m_lastError.clear();
    return true;
}

bool CGenericDS::SaveXML(const QString &path) const
{
    if (!CDomFile::WriteDocument(m_doc, path, 4, &m_lastError))
        return false;
    m_lastError.clear();
    return true;
}

bool CGenericDS::IsNull() const
{
    return m_element.isNull();
}

int CGenericDS::GetChildrenCount() const
{
    return CDomFile::ChildElementCount(m_element);
}

CGenericDS CGenericDS::GetChild(int index) const
{
    const QDomElement e = CDomFile::ChildElementAt(m_element, index);
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
    for (QDomNode text = CDomFile::FirstTextChild(m_element); !text.isNull();
         text = CDomFile::FirstTextChild(m_element))
        m_element.removeChild(text);
    m_element.appendChild(m_doc.createTextNode(value));
    return true;
}

QString CGenericDS::GetLastError() const
{
    return m_lastError;
}

} // namespace OrvoGUIToolkit
