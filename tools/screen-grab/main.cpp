// Saves what an X display shows, or a part of it, as a PNG: the demo and the acceptance test use it
// to look at the running tool the way a person would see it.
//
//   screen-grab OUTPUT.png [X Y WIDTH HEIGHT]
#include <cstdio>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 6) {
        std::fprintf(stderr, "usage: screen-grab OUTPUT.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "screen-grab: no screen\n");
        return 1;
    }
    QPixmap shot = args.size() == 6
        ? screen->grabWindow(0, args.at(2).toInt(), args.at(3).toInt(), args.at(4).toInt(), args.at(5).toInt())
        : screen->grabWindow(0);
    if (shot.isNull() || !shot.save(args.at(1))) {
        std::fprintf(stderr, "screen-grab: could not write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
