// Screenshots of a real display for the screen tests, and the pixel checks on them.
//
//   screenshot_probe grab <out.png>
//       Grabs the whole primary screen of the current display (run it with the xcb platform on the
//       display the program uses) and saves it as PNG.
//   screenshot_probe check <png> <x> <y> <width> <height> <rrggbb>
//       Looks at the rectangle in pixels: prints how much of it has the colour (each channel within
//       8) and how many dark pixels (all channels below 100) lie inside. Exit code 0 when at least
//       half of the rectangle has the colour and at least 20 pixels are dark, else 1.
//   screenshot_probe backdrop <rrggbb>
//       Covers the whole screen with one window of that colour, under every window shown after it:
//       a desktop of a known colour for the windows that are cut to a shape or see-through. Runs
//       until it is ended.
//   screenshot_probe measure <png> <x> <y> <width> <height> <rrggbb>
//       Prints two numbers for the rectangle: the per cent of its pixels that have the colour, and
//       the count of dark pixels. Exit code 0 when the picture could be read.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {

class Backdrop : public QRasterWindow {
public:
    explicit Backdrop(QColor colour) : colour_(colour) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), colour_); }

private:
    QColor colour_;
};

}  // namespace

int main(int argc, char** argv) {
    const QByteArray cmd = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (cmd == "grab" && argc == 3) {
        QGuiApplication app(argc, argv);
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return 2;
        QPixmap shot = screen->grabWindow(0);
        if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[2]), "PNG")) return 2;
        std::printf("%dx%d at %g dpi\n", shot.width(), shot.height(), screen->logicalDotsPerInchX());
        return 0;
    }
    if (cmd == "backdrop" && argc == 3) {
        QGuiApplication app(argc, argv);
        Backdrop desk(QColor(QStringLiteral("#") + QString::fromLatin1(argv[2])));
        desk.setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        desk.setGeometry(QGuiApplication::primaryScreen()->geometry());
        desk.show();
        return app.exec();
    }
    if ((cmd == "check" || cmd == "measure") && argc == 8) {
        QImage img(QString::fromLocal8Bit(argv[2]));
        if (img.isNull()) return 2;
        const QRect rect(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
        const QColor want(QStringLiteral("#") + QString::fromLatin1(argv[7]));
        long total = 0, matching = 0, dark = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                if (!img.rect().contains(x, y)) continue;
                const QColor c = img.pixelColor(x, y);
                ++total;
                if (std::abs(c.red() - want.red()) <= 8 && std::abs(c.green() - want.green()) <= 8 &&
                    std::abs(c.blue() - want.blue()) <= 8)
                    ++matching;
                if (c.red() < 100 && c.green() < 100 && c.blue() < 100) ++dark;
            }
        }
        if (cmd == "measure") {
            std::printf("%ld %ld\n", total > 0 ? matching * 100 / total : 0, dark);
            return 0;
        }
        std::printf("%ld of %ld pixels have the colour, %ld dark\n", matching, total, dark);
        return total > 0 && matching * 2 >= total && dark >= 20 ? 0 : 1;
    }
    std::fprintf(stderr, "usage: screenshot_probe grab <out.png>\n"
                         "       screenshot_probe check <png> <x> <y> <width> <height> <rrggbb>\n");
    return 2;
}
