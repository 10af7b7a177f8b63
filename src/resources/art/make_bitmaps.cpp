// Draws the application's bitmaps and icon and writes them as PNG files into the folder given:
// bitmap_204.png (backup: a message goes from the phone into the archive box), bitmap_205.png
// (restore: a message comes out of the box back to the phone) and icon.png; with --icons, the
// icon alone at the sizes of the desktop's icon theme instead, as icon_SIZE.png.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kSize = 144;

void DrawTile(QPainter& painter, QColor top, QColor bottom) {
    QLinearGradient gradient(0, 0, 0, kSize);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setPen(QPen(bottom.darker(130), 3));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(3, 3, kSize - 6, kSize - 6), 24, 24);
}

void DrawPhone(QPainter& painter, QRectF body) {
    painter.setPen(QPen(QColor(20, 24, 32), 3));
    painter.setBrush(QColor(48, 54, 68));
    painter.drawRoundedRect(body, 8, 8);
    const QRectF screen = body.adjusted(6, 10, -6, -20);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(214, 236, 255));
    painter.drawRect(screen);
    // Two text lines of a message on the screen.
    painter.setBrush(QColor(80, 120, 170));
    painter.drawRect(QRectF(screen.left() + 4, screen.top() + 6, screen.width() - 8, 4));
    painter.drawRect(QRectF(screen.left() + 4, screen.top() + 14, screen.width() - 14, 4));
    painter.setBrush(QColor(150, 156, 170));
    painter.drawEllipse(QPointF(body.center().x(), body.bottom() - 10), 4, 4);
}

// An open archive box: the opening faces up, so that messages can go in and come out.
void DrawBox(QPainter& painter, QRectF box) {
    painter.setPen(QPen(QColor(92, 56, 16), 3));
    painter.setBrush(QColor(222, 160, 72));
    painter.drawRect(box);
    painter.setBrush(QColor(240, 184, 96));
    painter.drawPolygon(
        QPolygonF({box.topLeft(), QPointF(box.left() - 8, box.top() - 10),
                   QPointF(box.left() + 10, box.top() - 10), QPointF(box.left() + 14, box.top())}));
    painter.drawPolygon(QPolygonF({box.topRight(), QPointF(box.right() + 8, box.top() - 10),
                                   QPointF(box.right() - 10, box.top() - 10),
                                   QPointF(box.right() - 14, box.top())}));
    painter.setBrush(QColor(92, 56, 16));
    painter.drawRect(QRectF(box.center().x() - 8, box.top() + 10, 16, 5));
}

// A thick arrow along a polyline, its head at the last point.
void DrawArrow(QPainter& painter, const QPolygonF& line) {
    const QPointF tip = line.back();
    const QPointF before = line[line.size() - 2];
    const double length = std::hypot(tip.x() - before.x(), tip.y() - before.y());
    const QPointF unit((tip.x() - before.x()) / length, (tip.y() - before.y()) / length);
    const QPointF normal(-unit.y(), unit.x());
    const double headLength = 20;
    const double headHalf = 15;
    const QPointF base = tip - unit * headLength;
    QPolygonF shaft = line;
    shaft.back() = base;
    const QPolygonF head({tip, base + normal * headHalf, base - normal * headHalf});
    const QColor outline(30, 40, 40);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outline, 16, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPolyline(shaft);
    painter.setPen(QPen(outline, 3, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(head);
    painter.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPolyline(shaft);
}

QImage Symbol(bool backup) {
    QImage image(kSize, kSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (backup) {
        DrawTile(painter, QColor(96, 160, 240), QColor(30, 84, 170));
    } else {
        DrawTile(painter, QColor(120, 208, 120), QColor(34, 122, 52));
    }
    DrawPhone(painter, QRectF(16, 24, 44, 84));
    DrawBox(painter, QRectF(84, 84, 44, 36));
    // From the phone over and down into the box, or up out of it and back to the phone.
    const QPolygonF route({QPointF(62, 48), QPointF(106, 48), QPointF(106, 92)});
    if (backup) {
        DrawArrow(painter, route);
    } else {
        QPolygonF back;
        for (auto point = route.rbegin(); point != route.rend(); ++point) {
            back << *point;
        }
        back.front().setY(84);
        DrawArrow(painter, back);
    }
    return image;
}

// Drawn in the bitmaps' 144-pixel grid, scaled to the size asked for.
QImage Icon(int size = kSize) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = static_cast<double>(size) / kSize;
    painter.scale(scale, scale);
    DrawTile(painter, QColor(250, 200, 90), QColor(196, 110, 20));
    DrawPhone(painter, QRectF(22, 16, 56, 108));
    // A speech bubble of a message kept safe.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(62, 50, 62, 40), 10, 10);
    bubble.moveTo(76, 88);
    bubble.lineTo(70, 104);
    bubble.lineTo(90, 88);
    painter.setPen(QPen(QColor(30, 40, 40), 3));
    painter.setBrush(Qt::white);
    painter.drawPath(bubble.simplified());
    painter.setPen(QPen(QColor(34, 122, 52), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(78, 70), QPointF(89, 80), QPointF(108, 58)}));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    const QGuiApplication app(argc, argv);
    const bool iconsOnly = argc == 3 && QByteArray(argv[1]) == "--icons";
    if (argc != 2 && !iconsOnly) {
        std::fprintf(stderr, "usage: %s [--icons] OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[argc - 1]);
    if (iconsOnly) {
        bool saved = true;
        for (const int size : {48, 256}) {
            saved = Icon(size).save(folder + QStringLiteral("/icon_%1.png").arg(size)) && saved;
        }
        return saved ? 0 : 1;
    }
    const bool written = Symbol(true).save(folder + QStringLiteral("/bitmap_204.png")) &&
                         Symbol(false).save(folder + QStringLiteral("/bitmap_205.png")) &&
                         Icon().save(folder + QStringLiteral("/icon.png"));
    return written ? 0 : 1;
}
