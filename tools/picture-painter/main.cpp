// make-pictures: paints every picture of the game from code and from Debian's
// Noto Color Emoji font, so the whole picture set can be rebuilt on any
// Debian 12 machine.
//
//   make-pictures ASSETS_DIR CONTACT_SHEET.png
//
// writes ASSETS_DIR/pictures/<id>.bmp and its twice-the-size twin <id>@2x.bmp,
// ASSETS_DIR/icon/shijianbao-<N>.png (N as listed in ASSETS_DIR/catalogue.txt)
// and the contact sheet. The keys and their letters come from the game's own rules;
// tools/check-assets.py, which tools/make-assets.sh runs next, checks every promise
// the game relies on (exact ground colours, key rectangles) pixel by pixel.

#include "game/rules.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRawFont>
#include <QString>
#include <QTextStream>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// The game lays cards, keyboard and animation over a light-blue board and the
// status strip is navy; pictures must use exactly these so no seam shows.
const QColor kLightBlue(63, 187, 239);
const QColor kNavy(0, 0, 128);
const QColor kInk(40, 40, 70); // outlines: dark but softer than black

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "make-pictures: %s\n", qPrintable(why));
    std::exit(1);
}

// Every picture is drawn in the coordinates of its plain size; scale 2 makes its twin for
// screens scaled above 1, with the same drawing at twice the pixels.
QImage newImage(int w, int h, const QColor &ground, int scale)
{
    QImage img(w * scale, h * scale, QImage::Format_RGB888);
    img.fill(ground);
    return img;
}

void begin(QPainter &p, int scale = 1)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (scale != 1)
        p.scale(scale, scale);
}

// The lower-case letter of a key index (Q is 0, A 10, M 25), as the game numbers its keys.
char letterOfKey(int key)
{
    for (char letter = 'a'; letter <= 'z'; ++letter)
        if (Rules::keyOfLetter(letter) == key)
            return letter;
    fail(QString("no letter has key index %1").arg(key));
}

QFont boldFont(qreal pixelSize, const char *family = "DejaVu Sans")
{
    QFont f(family);
    f.setBold(true);
    f.setPixelSize(qRound(pixelSize));
    return f;
}

// The letters a child reads (cards, keys, the field's capitals) are set in
// SIL's Andika, drawn for beginning readers: l has a tail and I its bars, so
// neither is the same plain stroke as the other (or as the digit 1), and a and
// g have the single-storey shapes children learn to write. DejaVu Sans stays
// for what is not a letter: the question mark, music notes, labels.
const char kLetterFamily[] = "Andika";

QFont letterFont(qreal pixelSize)
{
    return boldFont(pixelSize, kLetterFamily);
}

// ---------------------------------------------------------------------------
// Emoji

// Renders one emoji large, crops it to its visible pixels and returns it, so
// callers can fit any emoji into a box regardless of the font's metrics.
QImage emojiImage(const QString &text)
{
    QFont f("Noto Color Emoji");
    f.setPixelSize(109); // the font's native bitmap size: no double scaling
    QImage big(260, 260, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        begin(p);
        p.setFont(f);
        p.drawText(QRect(0, 0, 260, 260), Qt::AlignCenter, text);
    }
    int x0 = big.width(), y0 = big.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            if (qAlpha(big.pixel(x, y)) > 8) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    if (x1 < 0)
        fail("emoji " + text + " rendered empty: is fonts-noto-color-emoji installed?");
    return big.copy(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

// The largest rectangle of the shape of size that fits box, centred in it.
QRectF fitInto(const QSizeF &size, const QRectF &box)
{
    const QSizeF fit = size.scaled(box.size(), Qt::KeepAspectRatio);
    return QRectF(box.center() - QPointF(fit.width() / 2, fit.height() / 2), fit);
}

// Draws src scaled to fit box (keeping its shape), centred.
void drawFitted(QPainter &p, const QImage &src, const QRectF &box)
{
    const QRectF target = fitInto(src.size(), box);
    // Scale in one smooth step first; QPainter's own filtering is bilinear
    // and would alias when shrinking 110 px emoji to 50 px.
    QImage scaled = src.scaled(qRound(target.width() * 2), qRound(target.height() * 2),
                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.drawImage(target, scaled);
}

// ---------------------------------------------------------------------------
// Hand-drawn things that have no good emoji.

// An igloo for short "i": a snow dome of ice blocks with a dark doorway.
void drawIgloo(QPainter &p, const QRectF &box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    QPainterPath dome;
    dome.moveTo(6, 88);
    dome.arcTo(QRectF(6, 20, 88, 136), 180, -180);
    dome.closeSubpath();
    p.setPen(QPen(kInk, 3.5));
    p.setBrush(QColor(250, 252, 255));
    p.drawPath(dome);
    // Ice-block joints, clipped to the dome.
    p.save();
    p.setClipPath(dome);
    p.setPen(QPen(QColor(120, 170, 215), 2.5));
    const qreal rows[] = {72, 56, 41};
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(0, rows[i]), QPointF(100, rows[i]));
        qreal y0 = rows[i], y1 = i ? rows[i - 1] : 88;
        for (qreal x = (i % 2 ? 18 : 8); x < 100; x += 20)
            p.drawLine(QPointF(x, y0), QPointF(x, y1));
    }
    for (qreal x = 28; x < 80; x += 22)
        p.drawLine(QPointF(x, 41), QPointF(x, 26));
    p.restore();
    // Entrance tunnel.
    QPainterPath door;
    door.moveTo(34, 88);
    door.arcTo(QRectF(34, 56, 32, 64), 180, -180);
    door.closeSubpath();
    p.setPen(QPen(kInk, 3.5));
    p.setBrush(QColor(250, 252, 255));
    p.drawPath(door);
    QPainterPath hole;
    hole.moveTo(41, 88);
    hole.arcTo(QRectF(41, 66, 18, 44), 180, -180);
    hole.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 60, 110));
    p.drawPath(hole);
    // Snow it stands on.
    p.setPen(QPen(kInk, 3));
    p.setBrush(QColor(235, 245, 255));
    p.drawRoundedRect(QRectF(0, 86, 100, 9), 4, 4);
    p.restore();
}

// A cartoon rabbit. Drawn in a local frame 100 units wide around the feet
// (origin between the feet, up is negative y), then scaled and leant.
void drawRabbit(QPainter &p, QPointF feet, qreal scale, qreal leanDeg, bool eyesClosed, QColor fur,
                QColor belly)
{
    p.save();
    p.translate(feet);
    p.scale(scale, scale);
    p.rotate(leanDeg);
    QPen line(kInk, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QColor pink(255, 150, 180);

    auto ellipse = [&](QPointF c, qreal rx, qreal ry, qreal rot, const QColor &fill,
                       bool outline = true) {
        p.save();
        p.translate(c);
        p.rotate(rot);
        p.setPen(outline ? line : QPen(Qt::NoPen));
        p.setBrush(fill);
        p.drawEllipse(QPointF(0, 0), rx, ry);
        p.restore();
    };

    // Ears behind the head.
    for (int s : {-1, 1}) {
        ellipse(QPointF(12 * s, -104), 9.5, 27, 10 * s, fur);
        ellipse(QPointF(12 * s, -102), 4.8, 19, 10 * s, pink, false);
    }
    // Feet, body, belly, arms raised in a little dance.
    ellipse(QPointF(-13, -5), 13, 6.5, 0, fur);
    ellipse(QPointF(13, -5), 13, 6.5, 0, fur);
    ellipse(QPointF(0, -30), 23, 26, 0, fur);
    ellipse(QPointF(0, -27), 14, 17, 0, belly, false);
    ellipse(QPointF(-22, -44), 6, 12, 40, fur);
    ellipse(QPointF(22, -44), 6, 12, -40, fur);
    // Head.
    ellipse(QPointF(0, -70), 25, 22, 0, fur);
    // Cheeks.
    QColor blush(255, 120, 150, 140);
    ellipse(QPointF(-15, -63), 5.5, 3.5, 0, blush, false);
    ellipse(QPointF(15, -63), 5.5, 3.5, 0, blush, false);
    // Eyes: open and shiny, or closed in happy arcs.
    if (eyesClosed) {
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        for (int s : {-1, 1})
            p.drawArc(QRectF(9 * s - 5.5, -77, 11, 9), 0, 180 * 16);
    } else {
        for (int s : {-1, 1}) {
            ellipse(QPointF(9 * s, -73), 4, 5.5, 0, kInk, false);
            ellipse(QPointF(9 * s + 1.3, -75), 1.5, 1.8, 0, Qt::white, false);
        }
    }
    // Nose and smile.
    ellipse(QPointF(0, -65), 3.5, 2.6, 0, pink, false);
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-7, -65, 7, 6), 180 * 16, 180 * 16);
    p.drawArc(QRectF(0, -65, 7, 6), 180 * 16, 180 * 16);
    p.restore();
}

// The glyph a font names `name` in its 'post' table (format 2), or 0.
quint32 glyphNamed(const QRawFont &font, const QByteArray &name)
{
    const QByteArray post = font.fontTable("post");
    auto u16 = [&post](int at) { return quint16(uchar(post[at]) << 8 | uchar(post[at + 1])); };
    if (post.size() < 34 || u16(0) != 2 || u16(2) != 0)
        return 0;
    const int count = u16(32);
    QList<QByteArray> names; // the font's own names, after the 258 standard ones
    for (int at = 34 + 2 * count; at < post.size(); at += 1 + uchar(post[at]))
        names.append(post.mid(at + 1, uchar(post[at])));
    for (int glyph = 0; glyph < count; ++glyph)
        if (const int index = u16(34 + 2 * glyph) - 258;
            index >= 0 && index < names.size() && names[index] == name)
            return glyph;
    return 0;
}

// The glyphs of text, with the baseline starting at (0, 0). Andika draws l as
// a plain stroke unless its character variant 39 (the curved tail) is asked
// for, and Qt 6.4 cannot ask a font for a feature: the tailed l is taken by
// its name in the font instead.
QGlyphRun glyphs(const QFont &font, const QString &text)
{
    const QRawFont raw = QRawFont::fromFont(font);
    QList<quint32> ids = raw.glyphIndexesForString(text);
    if (font.family() == kLetterFamily) {
        static const quint32 tailedL = glyphNamed(raw, "l.TailL");
        if (!tailedL)
            fail("Andika has no glyph \"l.TailL\" (its l with a tail)");
        for (int i = 0; i < text.size(); ++i)
            if (text[i] == u'l')
                ids[i] = tailedL;
    }
    QList<QPointF> positions;
    QPointF pen;
    for (const QPointF &advance : raw.advancesForGlyphIndexes(ids)) {
        positions.append(pen);
        pen += advance;
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(ids);
    run.setPositions(positions);
    return run;
}

// The width the glyphs of text advance the pen by.
qreal advance(const QGlyphRun &run)
{
    const QList<quint32> ids = run.glyphIndexes();
    const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(ids);
    return ids.isEmpty() ? 0 : run.positions().last().x() + advances.last().x();
}

// The outline of text with its baseline starting at origin. Glyphs drawn as
// overlapping strokes (Andika's f, k, t, x) are merged into one shape, or a
// rim stroked along the outline would show inside them; fonts fill by the
// non-zero winding rule, which keeps the counters of o and e open.
QPainterPath textPath(const QFont &font, const QString &text, QPointF origin = {})
{
    const QGlyphRun run = glyphs(font, text);
    QPainterPath path;
    for (qsizetype i = 0; i < run.glyphIndexes().size(); ++i)
        path.addPath(run.rawFont()
                         .pathForGlyph(run.glyphIndexes()[i])
                         .translated(origin + run.positions()[i]));
    path.setFillRule(Qt::WindingFill);
    return path.simplified();
}

// A bold letter with a contrasting outline, so it reads on any ground.
void drawOutlinedText(QPainter &p, const QString &text, const QFont &font, QPointF baseline,
                      const QColor &fill, const QColor &outline, qreal outlineWidth)
{
    const QPainterPath path = textPath(font, text, baseline);
    p.save();
    p.setPen(QPen(outline, outlineWidth * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(outline);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

// Places text so that its ink (not its font box) is centred on c.
void drawOutlinedCentred(QPainter &p, const QString &text, const QFont &font, QPointF c,
                         const QColor &fill, const QColor &outline, qreal outlineWidth)
{
    const QRectF r = textPath(font, text).boundingRect();
    drawOutlinedText(p, text, font, c - r.center(), fill, outline, outlineWidth);
}

// ---------------------------------------------------------------------------
// Pictures

struct Card
{
    char letter;
    const char *emoji; // nullptr: hand-drawn
};

// Each picture names a thing whose word starts with the letter's usual
// sound (x ends with it: fox), which is how the letter sounds in words.
const Card kCards[] = {
    {'a', "\U0001F34E"},   // apple
    {'b', "\U0001F34C"},   // banana
    {'c', "\U0001F431"},   // cat
    {'d', "\U0001F436"},   // dog
    {'e', "\U0001F95A"},   // egg
    {'f', "\U0001F41F"},   // fish
    {'g', "\U0001F347"},   // grapes
    {'h', "\U0001F3E0"},   // house
    {'i', nullptr},        // igloo
    {'j', "\U0001F9C3"},   // juice
    {'k', "\U0001FA81"},   // kite
    {'l', "\U0001F34B"},   // lemon
    {'m', "\U0001F435"},   // monkey
    {'n', "\U0001FABA"},   // nest
    {'o', "\U0001F419"},   // octopus
    {'p', "\U0001F437"},   // pig
    {'q', "\U0001F478"},   // queen
    {'r', "\U0001F430"},   // rabbit
    {'s', "\u2600\uFE0F"}, // sun
    {'t', "\U0001F42F"},   // tiger
    {'u', "\u2602\uFE0F"}, // umbrella
    {'v', "\U0001F3BB"},   // violin
    {'w', "\U0001F349"},   // watermelon
    {'x', "\U0001F98A"},   // fox
    {'y', "\U0001FA80"},   // yo-yo
    {'z', "\U0001F993"},   // zebra
};

// Key colours cycle so that neighbouring keys always differ; the card of a
// key uses the same colour for its letter, which ties card and key together.
const QColor kKeyColours[] = {
    QColor(255, 99, 99),   // red
    QColor(255, 170, 51),  // orange
    QColor(255, 221, 51),  // yellow
    QColor(110, 210, 90),  // green
    QColor(190, 130, 240), // violet
    QColor(255, 140, 200), // pink
};

QColor keyColour(int index)
{
    return kKeyColours[index % 6];
}

QImage paintCard(int keyIndex, int scale)
{
    const char letter = letterOfKey(keyIndex);
    const Card *card = nullptr;
    for (const Card &c : kCards)
        if (c.letter == letter)
            card = &c;
    QImage img = newImage(90, 90, kLightBlue, scale);
    QPainter p(&img);
    begin(p, scale);
    // Letter on the left, centred on x = 24 unless it is too wide for that;
    // every letter's ink, descenders included (g j p q y), is centred on the
    // card's middle height.
    QPainterPath path = textPath(letterFont(62), QString(QChar(letter)));
    // Wide letters (m, w) are shrunk as a whole, keeping their shape, so the
    // picture keeps room beside them.
    const qreal maxInk = 40;
    if (qreal w = path.boundingRect().width(); w > maxInk)
        path = QTransform::fromScale(maxInk / w, maxInk / w).map(path);
    QRectF r = path.boundingRect();
    path.translate(QPointF(std::max<qreal>(24, 5.5 + r.width() / 2), 45) - r.center());
    // The picture takes the room right of the letter's outline (3.5 px, see
    // below) and a 2 px gap, up to 50 x 54: the two never touch, so neither
    // hides a part of the other.
    const qreal outline = 3.5;
    const qreal left = std::max<qreal>(38, path.boundingRect().right() + outline + 2);
    const QRectF pictureBox(left, 18, 88 - left, 54);
    if (card->emoji)
        drawFitted(p, emojiImage(QString::fromUtf8(card->emoji)), pictureBox);
    else
        drawIgloo(p, fitInto(QSizeF(50, 46), pictureBox));
    // Dark outer line, white rim, then the key's colour: legible on the blue
    // and the same colour as the letter's key.
    p.setPen(QPen(kInk, 2 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(Qt::white, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(keyColour(keyIndex).darker(115));
    p.drawPath(path);
    return img;
}

QImage paintKeyboard(int scale)
{
    QImage img = newImage(400, 132, kLightBlue, scale);
    QPainter p(&img);
    begin(p, scale);
    const QFont f = letterFont(18);
    const qreal capHeight = QFontMetricsF(f).capHeight();
    for (int i = 0; i < Rules::LetterCount; ++i) {
        // The game hit-tests each key by its tile, so the tile is exactly the key.
        const QRect k(Rules::keyCentre(i) - QPoint(Rules::TileWidth / 2, Rules::TileHeight / 2),
                      QSize(Rules::TileWidth, Rules::TileHeight));
        QColor c = keyColour(i);
        // Square, full rectangles: no ground may show inside a key.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(k, c.darker(160));                         // border
        p.fillRect(k.adjusted(1, 1, -1, -1), c.lighter(125)); // top-left light
        p.fillRect(k.adjusted(2, 2, -1, -1), c.darker(115));  // bottom-right shade
        p.fillRect(k.adjusted(2, 2, -2, -2), c);              // face
        p.setRenderHint(QPainter::Antialiasing, true);
        const QChar letter(letterOfKey(i));
        const QGlyphRun label = glyphs(f, QString(letter.toUpper()) + letter);
        // Centred on the key's face by the capital's height, not by the font's
        // line, whose tall ascent would set the letters low.
        p.setPen(kInk);
        p.drawGlyphRun(QPointF(k.left() + Rules::TileWidth / 2 - advance(label) / 2,
                               k.top() + Rules::TileHeight / 2 + capHeight / 2),
                       label);
    }
    return img;
}

void drawFlower(QPainter &p, QPointF c, qreal r, const QColor &petal)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(petal);
    for (int i = 0; i < 5; ++i) {
        qreal a = i * 2 * M_PI / 5 - M_PI / 2;
        p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * r, r * 0.75, r * 0.75);
    }
    p.setBrush(QColor(255, 210, 40));
    p.drawEllipse(c, r * 0.6, r * 0.6);
}

// The board: everything the game lays on it sits in this rectangle.
const QRect kBoardInside(25, 199, 401, 228); // x 25..425, y 199..426

QImage paintBackground(int scale)
{
    QImage img = newImage(450, 450, QColor(120, 200, 70), scale);
    QPainter p(&img);
    begin(p, scale);
    // Sky strip with a sun and clouds.
    QLinearGradient sky(0, 0, 0, 70);
    sky.setColorAt(0, QColor(150, 215, 255));
    sky.setColorAt(1, QColor(210, 240, 255));
    p.fillRect(QRectF(0, 0, 450, 70), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 60));
    p.drawEllipse(QPointF(410, 30), 20, 20);
    p.setPen(QPen(QColor(255, 200, 40), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        qreal a = i * M_PI / 4;
        p.drawLine(QPointF(410, 30) + QPointF(std::cos(a), std::sin(a)) * 25,
                   QPointF(410, 30) + QPointF(std::cos(a), std::sin(a)) * 32);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (QPointF c : {QPointF(60, 26), QPointF(300, 20)}) {
        p.drawEllipse(c, 22, 11);
        p.drawEllipse(c + QPointF(-16, 5), 14, 9);
        p.drawEllipse(c + QPointF(17, 4), 15, 9);
        p.drawEllipse(c + QPointF(2, -7), 13, 10);
    }
    // Rolling green field with a lighter hill behind.
    QPainterPath hill;
    hill.moveTo(0, 80);
    hill.cubicTo(120, 40, 260, 95, 450, 58);
    hill.lineTo(450, 450);
    hill.lineTo(0, 450);
    hill.closeSubpath();
    p.setBrush(QColor(150, 215, 90));
    p.drawPath(hill);
    QPainterPath field;
    field.moveTo(0, 110);
    field.cubicTo(150, 85, 300, 120, 450, 95);
    field.lineTo(450, 450);
    field.lineTo(0, 450);
    field.closeSubpath();
    p.setBrush(QColor(110, 195, 65));
    p.drawPath(field);
    // Grass tufts, placed by a fixed pseudo-random walk so reruns match.
    unsigned seed = 12345;
    auto rnd = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % n);
    };
    p.setPen(QPen(QColor(70, 150, 45), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 90; ++i) {
        QPointF b(rnd(450), 110 + rnd(340));
        for (int j = -1; j <= 1; ++j)
            p.drawLine(b, b + QPointF(j * 3, -6 - (j == 0) * 2));
    }
    // Flowers.
    const QColor petals[] = {QColor(255, 120, 160), QColor(255, 255, 255), QColor(200, 140, 255),
                             QColor(255, 170, 60)};
    const QPointF flowers[] = {{20, 140},  {185, 175}, {270, 178}, {430, 140}, {160, 120},
                               {300, 112}, {12, 440},  {437, 438}, {12, 215},  {438, 300},
                               {10, 340},  {438, 205}, {200, 442}, {100, 441}, {330, 443}};
    int fi = 0;
    for (QPointF c : flowers)
        drawFlower(p, c, 4.5, petals[fi++ % 4]);

    // Coloured capital letters scattered on the field, tilted for fun.
    struct Letter
    {
        const char *t;
        QPointF c;
        qreal rot;
        QColor col;
    };
    const Letter letters[] = {
        {"A", {42, 118}, -12, QColor(255, 80, 80)},  {"B", {102, 150}, 8, QColor(255, 200, 40)},
        {"C", {150, 100}, -6, QColor(80, 160, 255)}, {"X", {300, 150}, 7, QColor(190, 110, 240)},
        {"Y", {350, 105}, -8, QColor(255, 140, 40)}, {"Z", {408, 150}, 10, QColor(255, 110, 190)},
    };
    for (const Letter &l : letters) {
        p.save();
        p.translate(l.c);
        p.rotate(l.rot);
        drawOutlinedCentred(p, l.t, letterFont(46), QPointF(0, 0), l.col, Qt::white, 3);
        QPainterPath path = textPath(letterFont(46), l.t);
        p.translate(-path.boundingRect().center());
        p.setPen(QPen(kInk, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.restore();
    }
    // The rabbit host, top centre, waving from behind the board.
    drawRabbit(p, QPointF(225, 186), 1.2, 0, false, QColor(255, 255, 255), QColor(255, 228, 236));

    // The board: a white rim with rounded corners around an exactly light-blue
    // rectangle. The rounding stays outside the inside rectangle, because
    // the cards and keyboard are laid right up to its edges.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 120, 50));
    p.drawRoundedRect(QRectF(17, 191, 416, 244), 12, 12);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(19, 193, 412, 240), 10, 10);
    p.setBrush(kLightBlue);
    p.drawRoundedRect(QRectF(24, 198, 403, 230), 5, 5);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(kBoardInside, kLightBlue);
    return img;
}

QImage paintSpareLife(int scale)
{
    QImage img = newImage(16, 16, kNavy, scale);
    QPainter p(&img);
    begin(p, scale);
    QRadialGradient g(QPointF(6.3, 6.0), 7.5);
    g.setColorAt(0, QColor(255, 215, 235));
    g.setColorAt(0.45, QColor(255, 120, 185));
    g.setColorAt(1, QColor(215, 50, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    // Kept a full pixel away from the edges so the edge stays pure navy.
    p.drawEllipse(QPointF(8, 8), 6.4, 6.4);
    return img;
}

QImage paintDance(int pose, int scale)
{ // pose: -1 left, 0 upright, +1 right
    QImage img = newImage(182, 174, kLightBlue, scale);
    QPainter p(&img);
    begin(p, scale);
    // The yellow ring they dance in.
    QPointF c(91, 87);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 150, 0), 13));
    p.drawEllipse(c, 80, 77);
    p.setPen(QPen(QColor(255, 220, 40), 9));
    p.drawEllipse(c, 80, 77);
    p.setPen(QPen(QColor(255, 245, 170), 2.5));
    p.drawEllipse(c, 81.5, 78.5);
    // A patch of grass under their feet.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(130, 210, 90));
    p.drawEllipse(QPointF(91, 143), 58, 11);
    const qreal lean = 16.0 * pose;
    const bool closed = pose == 0;
    // Feet shift against the lean so the ears stay inside the ring.
    drawRabbit(p, QPointF(64 - pose * 8, 144), 0.76, lean, closed, Qt::white,
               QColor(255, 228, 236));
    drawRabbit(p, QPointF(119 - pose * 8, 144), 0.76, lean, closed, QColor(240, 200, 150),
               QColor(255, 238, 215));
    // Music notes bounce to the side the dancers lean away from.
    if (pose != 0) {
        QFont f("DejaVu Sans");
        f.setPixelSize(24);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(200, 40, 120));
        qreal x = pose < 0 ? 138 : 28;
        p.drawText(QPointF(x, 50), QString::fromUtf8("\u266A"));
        p.setPen(QColor(60, 60, 200));
        p.drawText(QPointF(x + (pose < 0 ? 10 : -2), 80), QString::fromUtf8("\u266B"));
    }
    return img;
}

QImage paintButton(bool question, int scale)
{
    QImage img = newImage(50, 35, kNavy, scale);
    QPainter p(&img);
    begin(p, scale);
    p.setPen(QPen(QColor(40, 130, 40), 2));
    QLinearGradient g(0, 3, 0, 32);
    g.setColorAt(0, QColor(200, 255, 170));
    g.setColorAt(1, QColor(120, 225, 100));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 45, 30));
    const QColor blue(30, 80, 230);
    if (question) {
        drawOutlinedCentred(p, "?", boldFont(26), QPointF(25, 17.5), blue, Qt::white, 1.2);
    } else {
        QPolygonF tri;
        tri << QPointF(18, 8) << QPointF(35, 17.5) << QPointF(18, 27);
        p.setPen(QPen(QColor(10, 40, 150), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(blue);
        p.drawPolygon(tri);
    }
    return img;
}

// The program icon: a green capital E whose middle bar becomes a pink arrow
// pointing right ("press the key!"). Vector-drawn so 16 px stays crisp.
QImage paintIcon(int size, bool opaque)
{
    QImage img(size, size, opaque ? QImage::Format_RGB888 : QImage::Format_ARGB32);
    img.fill(opaque ? QColor(Qt::white) : QColor(Qt::transparent));
    QPainter p(&img);
    begin(p);
    p.scale(size / 100.0, size / 100.0);
    if (!opaque) {
        // A white rounded tile so the icon reads on dark panels too.
        p.setPen(QPen(QColor(180, 190, 200), 2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(3, 3, 94, 94), 18, 18);
    }
    QPainterPath e;
    e.moveTo(12, 12);
    e.lineTo(64, 12);
    e.lineTo(64, 30);
    e.lineTo(32, 30);
    e.lineTo(32, 41);
    e.lineTo(44, 41);
    e.lineTo(44, 59);
    e.lineTo(32, 59);
    e.lineTo(32, 70);
    e.lineTo(64, 70);
    e.lineTo(64, 88);
    e.lineTo(12, 88);
    e.closeSubpath();
    qreal ink = size <= 16 ? 5 : 3.5;
    p.setPen(QPen(QColor(20, 100, 30), ink, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(50, 190, 60));
    p.drawPath(e);
    QPolygonF arrow;
    arrow << QPointF(40, 41) << QPointF(66, 41) << QPointF(66, 30) << QPointF(92, 50)
          << QPointF(66, 70) << QPointF(66, 59) << QPointF(40, 59);
    p.setPen(QPen(QColor(190, 30, 110), ink, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(255, 105, 180));
    p.drawPolygon(arrow);
    return img;
}

// ---------------------------------------------------------------------------
// Contact sheet: every picture at its real size with its id underneath, so a
// person can review the whole set at a glance. Tiny pictures are also shown
// enlarged beside their real size.

QImage contactSheet(const std::vector<std::pair<int, QImage>> &pics)
{
    const int W = 1240, pad = 12, labelH = 18;
    struct Placed
    {
        int id;
        QImage img;
        QPoint at;
        int zoom;
    };
    std::vector<Placed> placed;
    int x = pad, y = pad, rowH = 0;
    for (const auto &[id, img] : pics) {
        int zoom = img.width() <= 50 ? (img.width() <= 16 ? 4 : 2) : 1;
        int w = img.width() * zoom, h = img.height() * zoom + labelH;
        if (x + w + pad > W) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        placed.push_back({id, img, QPoint(x, y), zoom});
        x += w + pad;
        rowH = std::max(rowH, h);
    }
    QImage sheet(W, y + rowH + pad, QImage::Format_RGB888);
    sheet.fill(QColor(235, 235, 235));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(boldFont(13));
    for (const Placed &pl : placed) {
        QRect r(pl.at, pl.img.size() * pl.zoom);
        p.drawImage(r, pl.img); // nearest-neighbour: shows the real pixels
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(-1, -1, 0, 0));
        p.setPen(Qt::black);
        QString label = QString::number(pl.id);
        if (pl.zoom > 1)
            label += QString(" (x%1)").arg(pl.zoom);
        p.drawText(QRect(r.left() - 6, r.bottom() + 2, r.width() + 12, labelH),
                   Qt::AlignHCenter | Qt::AlignTop, label);
    }
    return sheet;
}

// The icon sizes are listed once, in the catalogue the game's build reads too.
std::vector<int> iconSizes(const QString &catalogue)
{
    QFile file(catalogue);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail("cannot read " + catalogue);
    std::vector<int> sizes;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).simplified().split(' ');
        if (fields.first() == "icon")
            for (const QString &f : fields.mid(1))
                sizes.push_back(f.toInt());
    }
    if (sizes.empty())
        fail("no icon sizes in " + catalogue);
    return sizes;
}

void save(const QImage &img, const QString &path)
{
    if (!img.save(path))
        fail("cannot write " + path);
}

} // namespace

int main(int argc, char **argv)
{
    // Painting needs no screen; the offscreen platform lets this run on a
    // build machine without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-pictures ASSETS_DIR CONTACT_SHEET.png\n");
        return 2;
    }
    const QString assets = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(assets + "/pictures");
    QDir().mkpath(assets + "/icon");
    if (!QFontDatabase::families().contains("Noto Color Emoji"))
        fail("font \"Noto Color Emoji\" not found (apt-get install fonts-noto-color-emoji)");
    if (!QFontDatabase::styles(kLetterFamily).contains("Bold"))
        fail("font \"Andika\" Bold not found (apt-get install fonts-sil-andika)");
    if (!QFontDatabase::families().contains("DejaVu Sans"))
        fail("font \"DejaVu Sans\" not found (apt-get install fonts-dejavu-core)");

    // Both sizes of every picture come from the same drawing code.
    std::vector<std::pair<int, QImage>> pics;
    for (int scale : {1, 2}) {
        std::vector<std::pair<int, QImage>> set;
        for (int i = 0; i < Rules::LetterCount; ++i)
            set.emplace_back(101 + i, paintCard(i, scale));
        set.emplace_back(200, paintBackground(scale));
        set.emplace_back(201, paintKeyboard(scale));
        set.emplace_back(301, paintDance(-1, scale));
        set.emplace_back(302, paintDance(0, scale));
        set.emplace_back(303, paintDance(1, scale));
        set.emplace_back(202, paintSpareLife(scale));
        set.emplace_back(901, paintButton(false, scale));
        set.emplace_back(902, paintButton(true, scale));
        const QString suffix = scale == 1 ? ".bmp" : "@2x.bmp";
        for (const auto &[id, img] : set) {
            // RGB888 is what makes Qt write a plain 24-bit BI_RGB bitmap.
            QImage rgb = img.convertToFormat(QImage::Format_RGB888);
            save(rgb, QString("%1/pictures/%2%3").arg(assets).arg(id).arg(suffix));
        }
        if (scale == 1)
            pics = set;
    }
    for (int n : iconSizes(assets + "/catalogue.txt"))
        save(paintIcon(n, n == 32), QString("%1/icon/shijianbao-%2.png").arg(assets).arg(n));

    save(contactSheet(pics), QString::fromLocal8Bit(argv[2]));
    return 0;
}
