// Prints a user manual written in HTML to a PDF file, with the pictures it names taken from a
// folder of screenshots.
//
//   manual-pdf <manual.html> <style.css> <picture folder> <output.pdf> <font family>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: manual-pdf <manual.html> <style.css> <picture folder> <output.pdf> <font family>\n");
        return 2;
    }
    QFile source(args[1]);
    QFile style(args[2]);
    if (!source.open(QIODevice::ReadOnly) || !style.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manual-pdf: cannot read %s or %s\n", qPrintable(args[1]), qPrintable(args[2]));
        return 1;
    }
    const QString html = QString::fromUtf8(source.readAll());
    const QDir pictures(args[3]);
    const QString output = args[4];

    QTextDocument document;
    document.setDefaultStyleSheet(QString::fromUtf8(style.readAll()));
    QFont font(args[5], 10);
    font.setStyleHint(QFont::SansSerif);
    document.setDefaultFont(font);
    // A missing picture would print as an empty frame; refuse instead.
    const QRegularExpression img(QStringLiteral("<img src=\"([^\"]+)\""));
    auto it = img.globalMatch(html);
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        const QImage picture(pictures.filePath(name));
        if (picture.isNull()) {
            std::fprintf(stderr, "manual-pdf: missing picture %s\n", qPrintable(name));
            return 1;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    document.setHtml(html);

    QPdfWriter writer(output);
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("TARN Tool"));
    document.print(&writer);
    return QFileInfo(output).size() > 0 ? 0 : 1;
}
