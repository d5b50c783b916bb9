#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QDomNode>
#include <QString>

namespace OrvoGUIToolkit {

// The one place where XML files are read, walked and written, for CGenericDS and for every other
// element handle built on Qt's DOM, so that they bound their reads and save the same safe way.
class CDomFile
{
public:
    enum ReadStatus { Read, CannotOpen, TooLarge, NotXml, TooDeep };

    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    // Qt's DOM builds and frees its tree by recursion: a few ten thousand nested elements overflow
    // the stack. Our files nest three deep.
    static constexpr int MaxDepth = 256;

    // Parses the file into `doc`. On any failure `doc` is left as it was and `error`, when given,
    // says why. Never reads more than MaxFileSize + 1 bytes, whatever kind of file `path` names, and
    // builds no tree deeper than MaxDepth elements.
    static ReadStatus ReadDocument(const QString &path, QDomDocument *doc, QString *error = nullptr);

    // Writes the whole of `doc`, indented by `indent` (-1: on one line), in the encoding its
    // declaration names, UTF-8 without one. The bytes go to a temporary file beside `path` that
    // replaces it only once everything is written and flushed to disk: a failed save leaves the
    // old file as it was, answers false and, when `error` is given, says why. A symbolic link at
    // `path` is refused: saving would replace whatever file it points to.
    static bool WriteDocument(const QDomDocument &doc, const QString &path, int indent,
                              QString *error = nullptr);

    // Children are the direct child elements of `parent` in document order; other nodes are
    // skipped. A null parent has none.
    static int ChildElementCount(const QDomElement &parent);
    // Null when `index` is out of range.
    static QDomElement ChildElementAt(const QDomElement &parent, int index);
    // The first direct child that is text or CDATA; null when there is none.
    static QDomNode FirstTextChild(const QDomElement &element);
};

} // namespace OrvoGUIToolkit
