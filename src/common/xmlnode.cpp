#include "common/xmlnode.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

XmlNode::XmlNode(const QDomDocument &document, const QDomElement &elem)
    : element(elem), doc(document)
{
}

bool XmlNode::load(const QString &path)
{
    if (path.isNull())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // A failed parse may leave a partial tree behind; the handle must come out empty instead.
    QDomDocument parsed;
    if (file.size() > MaxFileSize || !parsed.setContent(&file))
        parsed = QDomDocument();
    file.close();
    doc = parsed;
    element = doc.documentElement();
    return true;
}

bool XmlNode::save(const QString &path)
{
    QTextCodec *codec = QTextCodec::codecForName("GB2312");
    if (!codec)
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    // The declaration must name the encoding the bytes are in, whatever the file said before.
    const QDomProcessingInstruction declaration = doc.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"GB2312\""));
    const QDomNode first = doc.firstChild();
    if (first.isProcessingInstruction() && first.toProcessingInstruction().target() == QLatin1String("xml"))
        doc.replaceChild(declaration, first);
    else
        doc.insertBefore(declaration, first);
    QTextStream stream(&file);
    stream.setCodec(codec);
    doc.save(stream, 0, QDomNode::EncodingFromDocument);
    stream.flush();
    if (stream.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

int XmlNode::childElementCount() const
{
    int count = 0;
    for (QDomElement e = element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        ++count;
    return count;
}

XmlNode XmlNode::childElementAt(int index) const
{
    if (index < 0)
        return XmlNode();
    QDomElement e = element.firstChildElement();
    for (int i = 0; i < index && !e.isNull(); ++i)
        e = e.nextSiblingElement();
    return e.isNull() ? XmlNode() : XmlNode(doc, e);
}

XmlNode XmlNode::firstElementByTagName(const QString &tag) const
{
    if (element.isNull() || !element.hasChildNodes())
        return XmlNode();
    const QDomElement found = element.elementsByTagName(tag).item(0).toElement();
    return found.isNull() ? XmlNode() : XmlNode(doc, found);
}

QDomNode XmlNode::firstTextChild() const
{
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isText())  // CDATA sections count as text
            return n;
    }
    return QDomNode();
}

bool XmlNode::setText(int value)
{
    if (element.isNull())
        return false;
    const QString digits = QString::number(value);
    QDomNode textNode = firstTextChild();
    if (textNode.isNull())
        element.appendChild(doc.createTextNode(digits));
    else
        textNode.toText().setData(digits);
    return true;
}

QString XmlNode::text() const
{
    const QDomNode textNode = firstTextChild();
    return textNode.isNull() ? QString() : textNode.toText().data();
}
