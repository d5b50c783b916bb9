#include "toolkit/cdomfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QXmlStreamReader>

namespace OrvoGUIToolkit {

namespace {

QString tooLarge()
{
    return QStringLiteral("file is larger than %1 bytes").arg(CDomFile::MaxFileSize);
}

void report(QString *error, const QString &message)
{
    if (error)
        *error = message;
}

// Walks the text without building anything, so that nesting is bounded before the DOM recurses.
bool withinDepth(const QByteArray &content)
{
    QXmlStreamReader reader(content);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > CDomFile::MaxDepth)
            return false;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return true;  // a parse error is the DOM parser's to report, with its position
}

} // namespace

CDomFile::ReadStatus CDomFile::ReadDocument(const QString &path, QDomDocument *doc, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(error, file.errorString());
        return CannotOpen;
    }
    // The size a device or pipe reports says nothing about what it delivers: the read is bounded
    // by itself as well.
    if (file.size() > MaxFileSize) {
        report(error, tooLarge());
        return TooLarge;
    }
    const QByteArray content = file.read(MaxFileSize + 1);
    if (content.size() > MaxFileSize) {
        report(error, tooLarge());
        return TooLarge;
    }

    if (!withinDepth(content)) {
        report(error, QStringLiteral("elements nest deeper than %1 levels").arg(MaxDepth));
        return TooDeep;
    }
    // A failed parse may leave a partial tree behind, so parse into a document of our own.
    QDomDocument parsed;
    QString message;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(content, &message, &line, &column)) {
        report(error, QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column));
        return NotXml;
    }
    *doc = parsed;
    return Read;
}

bool CDomFile::WriteDocument(const QDomDocument &doc, const QString &path, int indent, QString *error)
{
    if (QFileInfo(path).isSymLink()) {
        report(error, QStringLiteral("%1 is a symbolic link; its target is not replaced").arg(path));
        return false;
    }
    // No direct-write fallback: writing straight into the old file would leave it cut short when
    // the write fails half-way, which is what this function exists to prevent.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        report(error, file.errorString());
        return false;
    }
    QTextStream stream(&file);
    // Sets the stream's codec from the declaration, so the bytes are what the document says.
    doc.save(stream, indent, QDomNode::EncodingFromDocument);
    stream.flush();
    if (stream.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        report(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        report(error, file.errorString());
        return false;
    }
    return true;
}

int CDomFile::ChildElementCount(const QDomElement &parent)
{
    int count = 0;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        ++count;
    return count;
}

QDomElement CDomFile::ChildElementAt(const QDomElement &parent, int index)
{
    if (index < 0)
        return QDomElement();
    QDomElement e = parent.firstChildElement();
    for (int i = 0; i < index && !e.isNull(); ++i)
        e = e.nextSiblingElement();
    return e;
}

QDomNode CDomFile::FirstTextChild(const QDomElement &element)
{
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isText())  // CDATA sections count as text
            return n;
    }
    return QDomNode();
}

} // namespace OrvoGUIToolkit
