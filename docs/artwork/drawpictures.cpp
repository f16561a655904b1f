// Draws the utility's pictures and icon with QPainter, so that every picture the program shows
// is this project's own work:
//   px708-artwork FOLDER
// writes into FOLDER (share/px708 of the source tree) logo.png (365 x 100, 256 colours),
// reader.jpg (400 x 300), capsules.jpg (458 x 174), transponders.jpg (323 x 144) and the
// program icon px708.png (256 x 256) with the window's own small copy px708-48.png (48 x 48,
// quick to decode at start-up). The drawing is deterministic: the same program writes the
// same pictures. Built on request only (cmake --build build --target px708-artwork); the
// pictures it writes are kept in the repository.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// A small fixed random sequence for the heap of capsules.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : state_(seed) {}
    double next() { // 0 <= x < 1
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / double(1u << 24);
    }
    double between(double a, double b) { return a + (b - a) * next(); }

private:
    std::uint32_t state_;
};

QFont font(const char* family, int pixels, int weight = QFont::Normal, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    return f;
}

void softShadow(QPainter& p, const QRectF& ellipse, int alpha) {
    QRadialGradient g(ellipse.center(), ellipse.width() / 2);
    g.setColorAt(0, QColor(0, 0, 0, alpha));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.translate(ellipse.center());
    p.scale(1.0, ellipse.height() / ellipse.width());
    p.translate(-ellipse.center());
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(ellipse.center()), ellipse.width() / 2, ellipse.width() / 2);
    p.restore();
}

// A glass capsule transponder lying along the x axis, centred on the origin.
void capsule(QPainter& p, double length, double width) {
    const QRectF body(-length / 2, -width / 2, length, width);
    QLinearGradient glass(0, -width / 2, 0, width / 2);
    glass.setColorAt(0, QColor(235, 245, 245, 235));
    glass.setColorAt(0.45, QColor(190, 215, 215, 200));
    glass.setColorAt(1, QColor(120, 150, 150, 220));
    p.setPen(QPen(QColor(90, 110, 110, 200), 0.8));
    p.setBrush(glass);
    p.drawRoundedRect(body, width / 2, width / 2);
    // The coil and its ferrite core inside the glass.
    const double coilStart = -length * 0.28, coilEnd = length * 0.18;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 60, 55));
    p.drawRect(QRectF(coilStart - length * 0.04, -width * 0.12, coilEnd - coilStart + length * 0.08,
                      width * 0.24));
    p.setPen(QPen(QColor(184, 110, 50), std::max(0.6, width * 0.07)));
    for (double x = coilStart; x <= coilEnd; x += std::max(1.2, width * 0.14))
        p.drawLine(QPointF(x, -width * 0.26), QPointF(x + width * 0.05, width * 0.26));
    // The chip at the far end.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(length * 0.24, -width * 0.16, length * 0.1, width * 0.32));
    // A highlight along the top of the glass.
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(-length * 0.4, -width * 0.36, length * 0.8, width * 0.16),
                      width * 0.08, width * 0.08);
}

QImage drawLogo() {
    QImage image(365, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor red(200, 16, 30);
    // The word mark, with a swoosh under it that ends in a small signal arc.
    p.setPen(red);
    p.setFont(font("DejaVu Sans", 54, QFont::Black, true));
    p.drawText(QRectF(0, 2, 365, 66), Qt::AlignCenter, QStringLiteral("ZELMAR"));
    QPainterPath swoosh;
    swoosh.moveTo(40, 70);
    swoosh.cubicTo(130, 60, 240, 60, 330, 66);
    swoosh.cubicTo(240, 66, 130, 68, 40, 74);
    swoosh.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawPath(swoosh);
    p.setPen(QPen(red, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double r = 5 + 5 * i;
        p.drawArc(QRectF(336 - r, 64 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    // The tagline.
    p.setPen(QColor(60, 60, 70));
    p.setFont(font("DejaVu Sans", 12, QFont::Bold));
    p.drawText(QRectF(0, 78, 365, 20), Qt::AlignCenter,
               QStringLiteral("ELECTRONIC  ANIMAL  IDENTIFICATION"));
    p.end();
    // The logo is a 256-colour bitmap.
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

QImage drawReader() {
    QImage image(400, 300, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // A studio backdrop.
    QRadialGradient backdrop(QPointF(200, 110), 320);
    backdrop.setColorAt(0, QColor(236, 240, 244));
    backdrop.setColorAt(1, QColor(150, 162, 176));
    p.fillRect(image.rect(), backdrop);
    softShadow(p, QRectF(96, 238, 240, 40), 110);

    p.translate(205, 146);
    p.scale(0.9, 0.9);
    p.rotate(-24);
    // The body: a grip with a wider reading head at the top.
    QPainterPath body;
    body.addRoundedRect(QRectF(-46, -130, 92, 255), 34, 34);
    QPainterPath head;
    head.addEllipse(QRectF(-62, -150, 124, 96));
    body = body.united(head);
    QLinearGradient shell(-62, 0, 62, 0);
    shell.setColorAt(0, QColor(35, 38, 44));
    shell.setColorAt(0.35, QColor(78, 84, 96));
    shell.setColorAt(0.6, QColor(58, 62, 72));
    shell.setColorAt(1, QColor(22, 24, 28));
    p.setPen(QPen(QColor(15, 15, 18), 2));
    p.setBrush(shell);
    p.drawPath(body);
    // The yellow band of the reading head, where the antenna lies.
    QLinearGradient band(-60, 0, 60, 0);
    band.setColorAt(0, QColor(196, 150, 10));
    band.setColorAt(0.4, QColor(250, 206, 40));
    band.setColorAt(1, QColor(170, 128, 8));
    p.setBrush(band);
    p.setPen(QPen(QColor(120, 90, 5), 1.5));
    p.drawChord(QRectF(-62, -150, 124, 96), 20 * 16, 140 * 16);
    // The display.
    const QRectF display(-36, -72, 72, 46);
    p.setPen(QPen(QColor(12, 12, 14), 3));
    p.setBrush(QColor(20, 22, 24));
    p.drawRoundedRect(display.adjusted(-5, -5, 5, 5), 6, 6);
    QLinearGradient lcd(0, display.top(), 0, display.bottom());
    lcd.setColorAt(0, QColor(178, 206, 150));
    lcd.setColorAt(1, QColor(140, 172, 112));
    p.setPen(Qt::NoPen);
    p.setBrush(lcd);
    p.drawRect(display);
    p.setPen(QColor(30, 44, 24));
    p.setFont(font("DejaVu Sans Mono", 9, QFont::Bold));
    p.drawText(display.adjusted(3, 2, -3, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("LOT 07\n982 0001\n23456789"));
    // The keys: a large trigger and two small ones, and the status lights.
    QRadialGradient trigger(QPointF(-4, 8), 22);
    trigger.setColorAt(0, QColor(120, 220, 120));
    trigger.setColorAt(1, QColor(20, 120, 30));
    p.setPen(QPen(QColor(10, 60, 15), 2));
    p.setBrush(trigger);
    p.drawEllipse(QPointF(0, 12), 19, 19);
    for (int side : {-1, 1}) {
        QRadialGradient key(QPointF(side * 24 - 2, 46), 11);
        key.setColorAt(0, QColor(210, 210, 215));
        key.setColorAt(1, QColor(110, 110, 120));
        p.setBrush(key);
        p.setPen(QPen(QColor(40, 40, 45), 1.5));
        p.drawEllipse(QPointF(side * 22, 48), 9, 9);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 230, 60));
    p.drawEllipse(QPointF(-12, -86), 3.5, 3.5);
    p.setBrush(QColor(240, 60, 40));
    p.drawEllipse(QPointF(12, -86), 3.5, 3.5);
    // The name on the grip.
    p.setPen(QColor(230, 230, 235));
    p.setFont(font("DejaVu Sans", 15, QFont::Bold));
    p.drawText(QRectF(-40, 76, 80, 22), Qt::AlignCenter, QStringLiteral("PX-708"));
    p.end();
    return image;
}

// A cupped hand seen from above, its fingers towards the middle of the picture.
void hand(QPainter& p, bool left) {
    p.save();
    if (!left) {
        p.translate(458, 0);
        p.scale(-1, 1);
    }
    QLinearGradient skin(0, 90, 0, 174);
    skin.setColorAt(0, QColor(236, 190, 160));
    skin.setColorAt(1, QColor(196, 138, 108));
    p.setBrush(skin);
    p.setPen(QPen(QColor(150, 96, 72), 1.4));
    QPainterPath palm;
    palm.moveTo(-10, 174);
    palm.cubicTo(20, 120, 90, 96, 170, 104);
    palm.cubicTo(214, 108, 236, 124, 232, 140);
    palm.cubicTo(226, 160, 190, 170, 150, 174);
    palm.closeSubpath();
    p.drawPath(palm);
    // Fingers curled up around the heap.
    for (int i = 0; i < 4; ++i) {
        const double y = 110 + i * 14;
        QPainterPath finger;
        finger.moveTo(150, y);
        finger.cubicTo(196, y - 10, 232, y - 4, 234, y + 6);
        finger.cubicTo(234, y + 14, 200, y + 14, 150, y + 12);
        finger.closeSubpath();
        p.drawPath(finger);
    }
    // The thumb along the top.
    QPainterPath thumb;
    thumb.moveTo(60, 120);
    thumb.cubicTo(100, 86, 150, 78, 182, 88);
    thumb.cubicTo(192, 92, 188, 102, 176, 102);
    thumb.cubicTo(140, 100, 100, 112, 76, 132);
    thumb.closeSubpath();
    p.drawPath(thumb);
    p.restore();
}

QImage drawCapsules() {
    QImage image(458, 174, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, 174);
    backdrop.setColorAt(0, QColor(24, 40, 72));
    backdrop.setColorAt(1, QColor(8, 14, 28));
    p.fillRect(image.rect(), backdrop);
    hand(p, true);
    hand(p, false);
    // The heap: capsules scattered over a mound, the upper ones drawn last.
    Sequence random(708);
    for (int i = 0; i < 70; ++i) {
        const double u = random.between(-1, 1);
        const double x = 229 + u * 110;
        const double top = 50 + 70 * u * u;
        const double y = random.between(top, 150);
        p.save();
        p.translate(x, y);
        p.rotate(random.between(0, 180));
        capsule(p, random.between(38, 46), random.between(8.5, 10.5));
        p.restore();
    }
    p.end();
    return image;
}

void disc(QPainter& p, QPointF centre, double radius, QColor colour, bool hole) {
    softShadow(p,
               QRectF(centre.x() - radius + 6, centre.y() - radius * 0.3 + radius * 0.6, 2 * radius,
                      radius * 0.9),
               90);
    QRadialGradient face(centre - QPointF(radius * 0.3, radius * 0.35), radius * 1.3);
    face.setColorAt(0, colour.lighter(125));
    face.setColorAt(1, colour.darker(125));
    p.setPen(QPen(colour.darker(170), 1.5));
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour.darker(140), 1));
    p.drawEllipse(centre, radius * 0.78, radius * 0.78);
    if (hole) {
        p.setPen(QPen(colour.darker(180), 1.2));
        p.setBrush(QColor(214, 200, 176));
        p.drawEllipse(centre, radius * 0.2, radius * 0.2);
    }
}

QImage drawTransponders() {
    QImage image(323, 144, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A light wooden desk.
    QLinearGradient desk(0, 0, 323, 144);
    desk.setColorAt(0, QColor(232, 218, 192));
    desk.setColorAt(1, QColor(204, 184, 150));
    p.fillRect(image.rect(), desk);
    p.setPen(QPen(QColor(190, 168, 132, 120), 1));
    for (int y = 8; y < 144; y += 11)
        p.drawLine(QPointF(0, y), QPointF(323, y + 6 * std::sin(y * 0.3)));

    disc(p, QPointF(70, 66), 44, QColor(236, 236, 232), false);
    disc(p, QPointF(160, 50), 28, QColor(70, 80, 92), true);
    softShadow(p, QRectF(204, 62, 76, 14), 90);
    p.save();
    p.translate(240, 60);
    p.rotate(-8);
    capsule(p, 72, 14);
    p.restore();

    // The pencil, for the size of the things beside it.
    p.save();
    p.translate(30, 128);
    p.rotate(-6);
    softShadow(p, QRectF(10, 6, 270, 12), 80);
    QLinearGradient paint(0, -7, 0, 7);
    paint.setColorAt(0, QColor(255, 222, 70));
    paint.setColorAt(0.5, QColor(244, 190, 20));
    paint.setColorAt(1, QColor(200, 150, 10));
    p.setPen(QPen(QColor(150, 110, 10), 1));
    p.setBrush(paint);
    p.drawRect(QRectF(36, -7, 200, 14));
    p.setPen(QPen(QColor(190, 140, 10), 1));
    p.drawLine(QPointF(36, -2), QPointF(236, -2));
    p.drawLine(QPointF(36, 3), QPointF(236, 3));
    QPainterPath wood;
    wood.moveTo(236, -7);
    wood.lineTo(270, 0);
    wood.lineTo(236, 7);
    wood.closeSubpath();
    p.setPen(QPen(QColor(170, 130, 90), 1));
    p.setBrush(QColor(228, 190, 140));
    p.drawPath(wood);
    QPainterPath lead;
    lead.moveTo(260, -2);
    lead.lineTo(270, 0);
    lead.lineTo(260, 2);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 50, 54));
    p.drawPath(lead);
    QLinearGradient ferrule(0, -7, 0, 7);
    ferrule.setColorAt(0, QColor(230, 230, 236));
    ferrule.setColorAt(1, QColor(140, 140, 150));
    p.setBrush(ferrule);
    p.setPen(QPen(QColor(110, 110, 120), 1));
    p.drawRect(QRectF(22, -7.5, 14, 15));
    p.setBrush(QColor(232, 120, 130));
    p.drawRoundedRect(QRectF(6, -7, 17, 14), 3, 3);
    p.restore();
    p.end();
    return image;
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    // A red tile with a white reader on it, sending its field to a capsule.
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(226, 40, 50));
    tile.setColorAt(1, QColor(160, 10, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    p.save();
    p.translate(100, 140);
    p.rotate(-20);
    QPainterPath reader;
    reader.addRoundedRect(QRectF(-30, -70, 60, 150), 24, 24);
    QPainterPath head;
    head.addEllipse(QRectF(-42, -94, 84, 64));
    reader = reader.united(head);
    p.setBrush(Qt::white);
    p.drawPath(reader);
    p.setBrush(QColor(160, 10, 22));
    p.drawRoundedRect(QRectF(-20, -40, 40, 28), 4, 4);
    p.drawEllipse(QPointF(0, 10), 11, 11);
    p.restore();
    p.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double r = 30 + 22 * i;
        p.drawArc(QRectF(118 - r, 66 - r, 2 * r, 2 * r), 0 * 16, 60 * 16);
    }
    p.save();
    p.translate(196, 200);
    p.rotate(-30);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(-34, -10, 68, 20), 10, 10);
    p.restore();
    p.end();
    return image;
}

bool save(const QImage& image, const QDir& folder, const char* name, int quality = -1) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!image.save(path, nullptr, quality)) {
        std::fprintf(stderr, "px708-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: px708-artwork FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    constexpr int kJpegQuality = 88;
    const bool ok = save(drawLogo(), folder, "logo.png") &&
                    save(drawReader(), folder, "reader.jpg", kJpegQuality) &&
                    save(drawCapsules(), folder, "capsules.jpg", kJpegQuality) &&
                    save(drawTransponders(), folder, "transponders.jpg", kJpegQuality) &&
                    save(drawIcon(256), folder, "px708.png") &&
                    save(drawIcon(48), folder, "px708-48.png");
    return ok ? 0 : 1;
}
