#include "common/xmlnode.h"

#include <QTextCodec>

#include "toolkit/cdomfile.h"

using OrvoGUIToolkit::CDomFile;

XmlNode::XmlNode(const QDomDocument &document, const QDomElement &elem)
    : element(elem), doc(document)
{
}

bool XmlNode::load(const QString &path)
{
    return read(path) != CDomFile::CannotOpen;
}

CDomFile::ReadStatus XmlNode::read(const QString &path, QString *error)
{
    // A file that is too large or does not parse leaves an empty handle, not the previous document.
    QDomDocument parsed;
    const CDomFile::ReadStatus status = path.isNull() ? CDomFile::CannotOpen
                                                      : CDomFile::ReadDocument(path, &parsed, error);
    if (path.isNull() && error)
        *error = QStringLiteral("no file name");
    if (status == CDomFile::CannotOpen)
        return status;
    doc = parsed;
    element = doc.documentElement();
    return status;
}

bool XmlNode::save(const QString &path, QString *error)
{
    if (!QTextCodec::codecForName("GB2312")) {
        if (error)
            *error = QStringLiteral("no GB2312 codec");
        return false;
    }
    // The declaration chooses the codec the document is written in, whatever the file said before.
    const QDomProcessingInstruction declaration = doc.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"GB2312\""));
    const QDomNode first = doc.firstChild();
    if (first.isProcessingInstruction() && first.toProcessingInstruction().target() == QLatin1String("xml"))
        doc.replaceChild(declaration, first);
    else
        doc.insertBefore(declaration, first);
    return CDomFile::WriteDocument(doc, path, 0, error);
}

int XmlNode::childElementCount() const
{
    return CDomFile::ChildElementCount(element);
}

XmlNode XmlNode::childElementAt(int index) const
{
    const QDomElement e = CDomFile::ChildElementAt(element, index);
    return e.isNull() ? XmlNode() : XmlNode(doc, e);
}

XmlNode XmlNode::firstElementByTagName(const QString &tag) const
{
    if (element.isNull() || !element.hasChildNodes())
        return XmlNode();
    const QDomElement found = element.elementsByTagName(tag).item(0).toElement();
    return found.isNull() ? XmlNode() : XmlNode(doc, found);
}

bool XmlNode::setText(int value)
{
    if (element.isNull())
        return false;
    const QString digits = QString::number(value);
    QDomNode textNode = CDomFile::FirstTextChild(element);
    if (textNode.isNull())
        element.appendChild(doc.createTextNode(digits));
    else
        textNode.toText().setData(digits);
    return true;
}

QString XmlNode::text() const
{
    const QDomNode textNode = CDomFile::FirstTextChild(element);
    return textNode.isNull() ? QString() : textNode.toText().data();
}
