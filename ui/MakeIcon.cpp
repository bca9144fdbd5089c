// Draws the application icon: a film frame with a conversion arrow, designed on a 48 x 48
// grid. Run at build time; the picture goes into the program's resources and the desktop's
// icons. Larger sizes are the same drawing scaled, so every size shows the same picture
// with sharp edges instead of an enlarged bitmap.

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDesignSize = 48;

}  // namespace

int main(int argc, char** argv)
{
    int size = kDesignSize;
    if (argc == 3) {
        char* end = nullptr;
        const long wanted = std::strtol(argv[2], &end, 10);
        size = (*end == '\0' && wanted >= 16 && wanted <= 1024) ? static_cast<int>(wanted) : 0;
    }
    if ((argc != 2 && argc != 3) || size == 0) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [SIZE, 16 to 1024, default 48]\n", argv[0]);
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / kDesignSize, qreal(size) / kDesignSize);

    // The film: a dark strip with sprocket holes along both edges.
    QLinearGradient film(0, 4, 0, 44);
    film.setColorAt(0, QColor(0x2b, 0x3a, 0x55));
    film.setColorAt(1, QColor(0x12, 0x1a, 0x2b));
    p.setPen(Qt::NoPen);
    p.setBrush(film);
    p.drawRoundedRect(QRectF(3, 6, 42, 36), 5, 5);
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    for (int i = 0; i < 6; ++i) {
        p.drawRoundedRect(QRectF(6 + i * 6.5, 8.5, 3.5, 3), 1, 1);
        p.drawRoundedRect(QRectF(6 + i * 6.5, 36.5, 3.5, 3), 1, 1);
    }

    // The picture area.
    QLinearGradient screen(0, 14, 0, 34);
    screen.setColorAt(0, QColor(0x4f, 0xb3, 0xff));
    screen.setColorAt(1, QColor(0x1e, 0x6f, 0xd9));
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(7, 14, 34, 20), 2, 2);

    // The conversion: a bold arrow turning one format into the other.
    QPainterPath arrow;
    arrow.moveTo(12, 21);
    arrow.lineTo(27, 21);
    arrow.lineTo(27, 16.5);
    arrow.lineTo(37, 24);
    arrow.lineTo(27, 31.5);
    arrow.lineTo(27, 27);
    arrow.lineTo(12, 27);
    arrow.closeSubpath();
    p.setBrush(QColor(0xff, 0xb3, 0x2e));
    p.setPen(QPen(QColor(0x8a, 0x4b, 0x00), 1));
    p.drawPath(arrow);
    p.end();

    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
