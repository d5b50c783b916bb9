// Draws the skin's and the kit's images and writes them with a resource list, so the pictures are
// made from code at build time instead of being kept as binary files.
//
//   skinimages <set> <folder>   set: CommonSkin or aptui; writes <folder>/<set>.qrc and the PNGs
#include <cstdio>
#include <functional>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

// One calm palette for everything: a single blue accent on light greys.
const QColor Accent(0x2D, 0x6F, 0xB7);
const QColor AccentDark(0x22, 0x58, 0x94);
const QColor Ok(0x2E, 0x9E, 0x5B);
const QColor Info(0xD4, 0x8A, 0x12);
const QColor Error(0xD6, 0x45, 0x41);
const QColor Ink(0x4A, 0x55, 0x66);
const QColor Muted(0xA9, 0xB2, 0xBE);
const QColor Line(0xC9, 0xD1, 0xDC);
const QColor Panel(0xE6, 0xEB, 0xF1);
const QColor PanelDark(0xD3, 0xDB, 0xE6);

using Draw = std::function<void(QPainter &, const QSizeF &)>;

struct Image {
    QString path;
    QSize size;
    Draw draw;
};

QPen pen(const QColor &color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Alert badges: a filled disc with a white mark.
void drawBadge(QPainter &p, const QSizeF &s, const QColor &color, char mark)
{
    const qreal d = qMin(s.width(), s.height());
    const QRectF disc(0.5, 0.5, d - 1, d - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(disc);
    const qreal u = d / 16.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(Qt::white, qMax(1.6, 1.7 * u)));
    switch (mark) {
    case 'v': {
        QPainterPath tick;
        tick.moveTo(4.4 * u, 8.3 * u);
        tick.lineTo(7.0 * u, 10.8 * u);
        tick.lineTo(11.7 * u, 5.6 * u);
        p.drawPath(tick);
        break;
    }
    case 'i':
        p.drawLine(QPointF(8 * u, 7.2 * u), QPointF(8 * u, 11.6 * u));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8 * u, 4.6 * u), 1.1 * u, 1.1 * u);
        break;
    case 'x':
        p.drawLine(QPointF(5.2 * u, 5.2 * u), QPointF(10.8 * u, 10.8 * u));
        p.drawLine(QPointF(10.8 * u, 5.2 * u), QPointF(5.2 * u, 10.8 * u));
        break;
    default:
        break;
    }
}

void drawBar(QPainter &p, const QSizeF &s, const QColor &color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(QPointF(0, 0), s), s.height() / 2, s.height() / 2);
}

void drawFolder(QPainter &p, const QSizeF &s, const QColor &body, const QColor &tab)
{
    const qreal u = s.width() / 16.0;
    QPainterPath back;
    back.addRoundedRect(QRectF(1.5 * u, 3 * u, 6 * u, 3 * u), 1 * u, 1 * u);
    p.setPen(Qt::NoPen);
    p.setBrush(tab);
    p.drawPath(back);
    p.drawRoundedRect(QRectF(1.5 * u, 4.5 * u, 13 * u, 9 * u), 1.2 * u, 1.2 * u);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5 * u, 6.2 * u, 13 * u, 7.3 * u), 1.2 * u, 1.2 * u);
}

void drawPin(QPainter &p, const QSizeF &s, bool pointLeft, bool pressed)
{
    QPainterPath tab;
    const QRectF r(0.5, 0.5, s.width() - 1, s.height() - 1);
    tab.addRoundedRect(r, 4, 4);
    p.setPen(QPen(pressed ? Accent : Line, 1));
    p.setBrush(pressed ? PanelDark : Panel);
    p.drawPath(tab);
    const qreal cx = s.width() / 2.0;
    const qreal cy = s.height() / 2.0;
    const qreal dx = pointLeft ? 1.8 : -1.8;
    p.setPen(pen(pressed ? AccentDark : Ink, 1.6));
    p.drawLine(QPointF(cx + dx, cy - 4), QPointF(cx - dx, cy));
    p.drawLine(QPointF(cx - dx, cy), QPointF(cx + dx, cy + 4));
}

// The program's mark: a camera lens on a blue tile.
void drawLogo(QPainter &p, const QSizeF &s)
{
    const qreal d = qMin(s.width(), s.height());
    const qreal u = d / 64.0;
    QLinearGradient g(0, 0, 0, d);
    g.setColorAt(0, Accent.lighter(118));
    g.setColorAt(1, AccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2 * u, 2 * u, 60 * u, 60 * u), 13 * u, 13 * u);
    const QPointF c(32 * u, 33 * u);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 19 * u, 19 * u);
    p.setBrush(AccentDark);
    p.drawEllipse(c, 13 * u, 13 * u);
    p.setBrush(QColor(0x17, 0x3E, 0x6B));
    p.drawEllipse(c, 7.5 * u, 7.5 * u);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(QPointF(28 * u, 29 * u), 3 * u, 3 * u);
    p.setBrush(Ok.lighter(130));
    p.drawEllipse(QPointF(50 * u, 13 * u), 3.2 * u, 3.2 * u);
}

// Title-bar glyphs, drawn in `color` on a transparent 24×24 cell.
void drawGlyph(QPainter &p, const QSizeF &s, const QString &kind, const QColor &color)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    p.setPen(pen(color, 1.5));
    p.setBrush(Qt::NoBrush);
    if (kind == QLatin1String("min")) {
        p.drawLine(c + QPointF(-5, 0.5), c + QPointF(5, 0.5));
    } else if (kind == QLatin1String("max")) {
        p.drawRect(QRectF(c - QPointF(5, 5), QSizeF(10, 10)));
    } else if (kind == QLatin1String("restore")) {
        p.drawRect(QRectF(c + QPointF(-5, -2.5), QSizeF(7.5, 7.5)));
        QPainterPath back;
        back.moveTo(c + QPointF(-2.5, -2.5));
        back.lineTo(c + QPointF(-2.5, -5));
        back.lineTo(c + QPointF(5, -5));
        back.lineTo(c + QPointF(5, 2.5));
        back.lineTo(c + QPointF(2.5, 2.5));
        p.drawPath(back);
    } else if (kind == QLatin1String("close")) {
        p.drawLine(c + QPointF(-4.6, -4.6), c + QPointF(4.6, 4.6));
        p.drawLine(c + QPointF(4.6, -4.6), c + QPointF(-4.6, 4.6));
    } else if (kind == QLatin1String("menu")) {
        for (int i = -1; i <= 1; ++i)
            p.drawLine(c + QPointF(-5, 4.0 * i), c + QPointF(5, 4.0 * i));
    } else if (kind == QLatin1String("option")) {
        p.drawLine(c + QPointF(-4.5, -1.8), c + QPointF(0, 2.7));
        p.drawLine(c + QPointF(0, 2.7), c + QPointF(4.5, -1.8));
    } else if (kind == QLatin1String("check")) {
        p.drawLine(c + QPointF(-3.5, 0), c + QPointF(-1, 2.6));
        p.drawLine(c + QPointF(-1, 2.6), c + QPointF(3.6, -2.6));
    } else if (kind == QLatin1String("down")) {
        p.drawLine(c + QPointF(-3.5, -1.5), c + QPointF(0, 2));
        p.drawLine(c + QPointF(0, 2), c + QPointF(3.5, -1.5));
    }
}

void drawLock(QPainter &p, const QSizeF &s, const QColor &color)
{
    const qreal u = s.width() / 24.0;
    p.setPen(pen(color, 2 * u));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7 * u, 3 * u, 10 * u, 12 * u), 0, 180 * 16);
    p.drawLine(QPointF(7 * u, 9 * u), QPointF(7 * u, 11 * u));
    p.drawLine(QPointF(17 * u, 9 * u), QPointF(17 * u, 11 * u));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(4.5 * u, 10.5 * u, 15 * u, 11 * u), 2 * u, 2 * u);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12 * u, 15 * u), 1.7 * u, 1.7 * u);
    p.drawRect(QRectF(11.3 * u, 15 * u, 1.4 * u, 3.5 * u));
}

void drawTriangle(QPainter &p, const QSizeF &s, const QColor &color)
{
    const qreal u = s.width() / 24.0;
    QPainterPath tri;
    tri.moveTo(12 * u, 2.5 * u);
    tri.lineTo(22.5 * u, 21 * u);
    tri.lineTo(1.5 * u, 21 * u);
    tri.closeSubpath();
    p.setPen(pen(color, 1.5 * u));
    p.setBrush(color);
    p.drawPath(tri);
    p.setPen(pen(Qt::white, 2.2 * u));
    p.drawLine(QPointF(12 * u, 9 * u), QPointF(12 * u, 14.5 * u));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12 * u, 18 * u), 1.3 * u, 1.3 * u);
}

void drawImport(QPainter &p, const QSizeF &s, const QColor &color)
{
    const qreal u = s.width() / 16.0;
    p.setPen(pen(color, 1.6 * u));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(8 * u, 1.8 * u), QPointF(8 * u, 9.5 * u));
    p.drawLine(QPointF(4.8 * u, 6.5 * u), QPointF(8 * u, 9.7 * u));
    p.drawLine(QPointF(11.2 * u, 6.5 * u), QPointF(8 * u, 9.7 * u));
    QPainterPath tray;
    tray.moveTo(2 * u, 9.5 * u);
    tray.lineTo(2 * u, 14 * u);
    tray.lineTo(14 * u, 14 * u);
    tray.lineTo(14 * u, 9.5 * u);
    p.drawPath(tray);
}

std::vector<Image> commonSkin()
{
    const QString tip = QStringLiteral("TARNTool/Images/TARNTool/TipDialog/");
    const QString inputs = QStringLiteral("TARNTool/Images/TARNTool/BaseControl/Inputs/");
    const QString bars = QStringLiteral("Password/Images/Public/Control/Password/");
    const QString dialog = QStringLiteral("TARNTool/Images/TARNTool/Dialog/");
    const QString modify = QStringLiteral("TARNTool/Images/TARNTool/ParamModify/");
    const QString info = QStringLiteral("TARNTool/Images/TARNTool/SystemInfo/");
    const QString title = QStringLiteral("TARNTool/Images/TARNTool/Title/");
    const QString common = QStringLiteral("TARNTool/Images/TARNTool/Common/");
    std::vector<Image> images{
        {tip + QLatin1String("icon_alert_ok_large.png"), {32, 32}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Ok, 'v'); }},
        {tip + QLatin1String("icon_alert_info_large.png"), {32, 32}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Info, 'i'); }},
        {tip + QLatin1String("icon_alert_error_large.png"), {32, 32}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Error, 'x'); }},
        {tip + QLatin1String("btn_close.png"), {32, 32}, [](QPainter &p, const QSizeF &s) { drawGlyph(p, s, QStringLiteral("close"), QColor(0x8A, 0x94, 0xA3)); }},
        {tip + QLatin1String("btn_close_hover.png"), {32, 32}, [](QPainter &p, const QSizeF &s) { drawGlyph(p, s, QStringLiteral("close"), Ink); }},
        {inputs + QLatin1String("icon_alert_ok.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Ok, 'v'); }},
        {inputs + QLatin1String("icon_alert_info.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Info, 'i'); }},
        {inputs + QLatin1String("icon_alert_error.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawBadge(p, s, Error, 'x'); }},
        {bars + QLatin1String("grey.png"), {65, 6}, [](QPainter &p, const QSizeF &s) { drawBar(p, s, PanelDark); }},
        {bars + QLatin1String("red.png"), {65, 6}, [](QPainter &p, const QSizeF &s) { drawBar(p, s, Error); }},
        {bars + QLatin1String("yellow.png"), {65, 6}, [](QPainter &p, const QSizeF &s) { drawBar(p, s, Info); }},
        {bars + QLatin1String("green.png"), {65, 6}, [](QPainter &p, const QSizeF &s) { drawBar(p, s, Ok); }},
        {dialog + QLatin1String("icon_floder_open.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawFolder(p, s, Accent.lighter(125), Accent); }},
        {dialog + QLatin1String("icon_floder_open_hover.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawFolder(p, s, Accent, AccentDark); }},
        {dialog + QLatin1String("icon_floder_open_dis.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawFolder(p, s, PanelDark, Muted); }},
        {modify + QLatin1String("icon_import.png"), {16, 16}, [](QPainter &p, const QSizeF &s) { drawImport(p, s, Accent); }},
        {modify + QLatin1String("icon_not_activated.png"), {100, 100}, [](QPainter &p, const QSizeF &s) { drawLock(p, s, Info); }},
        {modify + QLatin1String("icon_abnormal.png"), {100, 100}, [](QPainter &p, const QSizeF &s) { drawTriangle(p, s, Error); }},
        {info + QLatin1String("logo_large.png"), {64, 64}, drawLogo},
        {common + QLatin1String("arrow_down.png"), {12, 12}, [](QPainter &p, const QSizeF &s) { drawGlyph(p, s, QStringLiteral("down"), Ink); }},
        {common + QLatin1String("arrow_down_dis.png"), {12, 12}, [](QPainter &p, const QSizeF &s) { drawGlyph(p, s, QStringLiteral("down"), Muted); }},
        {common + QLatin1String("check.png"), {14, 14}, [](QPainter &p, const QSizeF &s) { drawGlyph(p, s, QStringLiteral("check"), Qt::white); }},
    };
    for (const char *kind : {"min", "max", "restore", "close", "menu", "option"}) {
        const QString name = QLatin1String(kind);
        images.push_back({title + QLatin1String("btn_") + name + QLatin1String(".png"), {24, 24},
                          [name](QPainter &p, const QSizeF &s) { drawGlyph(p, s, name, Qt::white); }});
    }
    return images;
}

std::vector<Image> aptui()
{
    const QString complex = QStringLiteral("complex/Images/System/Complex/");
    return {
        {complex + QLatin1String("left.png"), {14, 69}, [](QPainter &p, const QSizeF &s) { drawPin(p, s, true, false); }},
        {complex + QLatin1String("leftSel.png"), {14, 69}, [](QPainter &p, const QSizeF &s) { drawPin(p, s, true, true); }},
        {complex + QLatin1String("right.png"), {14, 69}, [](QPainter &p, const QSizeF &s) { drawPin(p, s, false, false); }},
        {complex + QLatin1String("RightSel.png"), {14, 69}, [](QPainter &p, const QSizeF &s) { drawPin(p, s, false, true); }},
        {complex + QLatin1String("calculate.png"), {64, 64}, drawLogo},
    };
}

QString scaledName(const QString &path, int scale)
{
    if (scale == 1)
        return path;
    return path.left(path.size() - 4) + QStringLiteral("@%1x.png").arg(scale);
}

// Each image at its own size and at twice that, which Qt picks on screens scaled above 100 %.
bool write(const Image &image, const QDir &folder, int scale)
{
    QImage canvas(image.size * scale, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        image.draw(painter, QSizeF(image.size));
    }
    const QString path = folder.filePath(scaledName(image.path, scale));
    return QDir().mkpath(QFileInfo(path).path()) && canvas.save(path, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args[1] != QLatin1String("CommonSkin") && args[1] != QLatin1String("aptui"))) {
        std::fprintf(stderr, "usage: skinimages CommonSkin|aptui <folder>\n");
        return 2;
    }
    const QString set = args[1];
    const QDir folder(args[2]);
    const std::vector<Image> images = set == QLatin1String("aptui") ? aptui() : commonSkin();

    QFile qrc(folder.filePath(set + QStringLiteral(".qrc")));
    if (!QDir().mkpath(folder.path()) || !qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "skinimages: cannot write into %s\n", qPrintable(folder.path()));
        return 1;
    }
    QTextStream out(&qrc);
    out << "<RCC>\n  <qresource prefix=\"/" << set << "\">\n";
    for (const Image &image : images) {
        for (int scale : {1, 2}) {
            if (!write(image, folder, scale)) {
                std::fprintf(stderr, "skinimages: cannot write %s\n", qPrintable(image.path));
                return 1;
            }
            out << "    <file>" << scaledName(image.path, scale) << "</file>\n";
        }
    }
    out << "  </qresource>\n</RCC>\n";
    return 0;
}
