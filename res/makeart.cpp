// Draws the launcher's pictures: the released and pressed bitmap of each of the five
// buttons, the two background pictures and the application icon.
// Usage: makeart ICO_FOLDER ICON_PNG
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

constexpr int kButtonWidth = 104;
constexpr int kButtonHeight = 46;
constexpr int kWindowWidth = 632;
constexpr int kWindowHeight = 430;

QFont cjkfont(int pixelsize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelsize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// An icon is drawn into a 26 x 26 box in the given colour.
using IconPainter = std::function<void(QPainter&, const QColor&)>;

struct Tool {
    const char* name; // file stem: name1.bmp released, name2.bmp pressed
    QString caption;  // the caption on the button
    QColor accent;    // the tool's colour
    IconPainter icon;
};

void listicon(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(5, 2);
    sheet.lineTo(17, 2);
    sheet.lineTo(22, 7);
    sheet.lineTo(22, 24);
    sheet.lineTo(5, 24);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.drawLine(QPointF(17, 2), QPointF(17, 7));
    p.drawLine(QPointF(17, 7), QPointF(22, 7));
    p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const double y = 10.5 + i * 3.6;
        p.drawPoint(QPointF(8.5, y));
        p.drawLine(QPointF(11, y), QPointF(i == 3 ? 15 : 19, y));
    }
}

void deleteicon(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    QPainterPath can;
    can.moveTo(6.5, 8);
    can.lineTo(8, 24);
    can.lineTo(18, 24);
    can.lineTo(19.5, 8);
    can.closeSubpath();
    p.drawPath(can);
    p.drawLine(QPointF(4, 6), QPointF(22, 6));
    p.drawLine(QPointF(10.5, 6), QPointF(11, 3));
    p.drawLine(QPointF(11, 3), QPointF(15, 3));
    p.drawLine(QPointF(15, 3), QPointF(15.5, 6));
    for (double x : {10.5, 13.0, 15.5}) {
        p.drawLine(QPointF(x, 11), QPointF(x, 21));
    }
}

void appendicon(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 244, 214));
    QPainterPath folder;
    folder.moveTo(2, 6);
    folder.lineTo(9, 6);
    folder.lineTo(11, 8.5);
    folder.lineTo(21, 8.5);
    folder.lineTo(21, 21);
    folder.lineTo(2, 21);
    folder.closeSubpath();
    p.drawPath(folder);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(19.5, 19.5), 6, 6);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19.5, 16.5), QPointF(19.5, 22.5));
    p.drawLine(QPointF(16.5, 19.5), QPointF(22.5, 19.5));
}

void helpicon(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(13, 13), 10.5, 10.5);
    p.setPen(c);
    QFont font = cjkfont(16, true);
    p.setFont(font);
    p.drawText(QRectF(2.5, 1.5, 21, 22), Qt::AlignCenter, QStringLiteral("?"));
}

void urlicon(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.5));
    p.setBrush(Qt::white);
    const QPointF centre(13, 13);
    p.drawEllipse(centre, 10.5, 10.5);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 4.5, 10.5);
    p.drawLine(QPointF(13, 2.5), QPointF(13, 23.5));
    p.drawLine(QPointF(2.5, 13), QPointF(23.5, 13));
    QPainterPath bands;
    bands.moveTo(4.5, 7.5);
    bands.quadTo(13, 10.5, 21.5, 7.5);
    bands.moveTo(4.5, 18.5);
    bands.quadTo(13, 15.5, 21.5, 18.5);
    p.drawPath(bands);
}

QImage button(const Tool& tool, bool pressed)
{
    QImage image(kButtonWidth, kButtonHeight, QImage::Format_RGB32);
    // The corners show the launcher's panel colour behind the rounded button.
    image.fill(QColor(232, 239, 248));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF body(1.5, 1.5, kButtonWidth - 3, kButtonHeight - 3);
    const QColor accent = tool.accent;
    if (!pressed) {
        // Raised: a soft shadow, a light face and a bright upper edge.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(body.translated(0.5, 1.5), 8, 8);
        QLinearGradient face(0, 0, 0, kButtonHeight);
        face.setColorAt(0, QColor(255, 255, 255));
        face.setColorAt(0.48, accent.lighter(185));
        face.setColorAt(0.52, accent.lighter(165));
        face.setColorAt(1, accent.lighter(130));
        p.setBrush(face);
        p.setPen(QPen(accent.darker(115), 1));
        p.drawRoundedRect(body, 8, 8);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 7, 7);
    } else {
        // Pressed: a darker, sunken face, shaded from the top edge, content moved down.
        QLinearGradient face(0, 0, 0, kButtonHeight);
        face.setColorAt(0, accent.darker(135));
        face.setColorAt(0.25, accent.darker(110));
        face.setColorAt(1, accent);
        p.setBrush(face);
        p.setPen(QPen(accent.darker(170), 1));
        p.drawRoundedRect(body, 8, 8);
        QLinearGradient inset(0, body.top(), 0, body.top() + 8);
        inset.setColorAt(0, QColor(0, 0, 0, 90));
        inset.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(inset);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 7, 7);
    }

    const QPointF shift = pressed ? QPointF(1, 1) : QPointF(0, 0);
    p.save();
    p.translate(QPointF(8, 10) + shift);
    tool.icon(p, pressed ? QColor(40, 40, 40) : accent.darker(150));
    p.restore();

    const QRectF textbox = QRectF(36, 0, kButtonWidth - 40, kButtonHeight).translated(shift);
    p.setFont(cjkfont(13, true));
    if (pressed) {
        p.setPen(QColor(0, 0, 0, 90));
        p.drawText(textbox.translated(0, -1), Qt::AlignCenter, tool.caption);
        p.setPen(Qt::white);
    } else {
        p.setPen(QColor(255, 255, 255, 220));
        p.drawText(textbox.translated(0, 1), Qt::AlignCenter, tool.caption);
        p.setPen(accent.darker(220));
    }
    p.drawText(textbox, Qt::AlignCenter, tool.caption);
    return image;
}

// The common ground of both backgrounds: sky-blue header, the band of the web strip,
// a light body.
void ground(QPainter& p)
{
    QLinearGradient body(0, 0, 0, kWindowHeight);
    body.setColorAt(0, QColor(246, 249, 253));
    body.setColorAt(1, QColor(214, 226, 242));
    p.fillRect(0, 0, kWindowWidth, kWindowHeight, body);

    QLinearGradient header(0, 0, kWindowWidth, 80);
    header.setColorAt(0, QColor(18, 64, 128));
    header.setColorAt(0.6, QColor(38, 112, 190));
    header.setColorAt(1, QColor(70, 150, 215));
    p.fillRect(0, 0, kWindowWidth, 80, header);

    // The strip band (the web page is laid over it).
    QLinearGradient band(0, 80, 0, 102);
    band.setColorAt(0, QColor(255, 255, 255));
    band.setColorAt(1, QColor(226, 235, 247));
    p.fillRect(0, 80, kWindowWidth, 22, band);
    p.fillRect(0, 102, kWindowWidth, 1, QColor(168, 190, 220));
}

void waves(QPainter& p, double top, int alpha)
{
    for (int i = 0; i < 3; ++i) {
        QPainterPath wave;
        const double y = top + i * 7;
        wave.moveTo(0, y + 16);
        wave.cubicTo(160, y - 14, 320, y + 40, kWindowWidth, y);
        wave.lineTo(kWindowWidth, 80);
        wave.lineTo(0, 80);
        wave.closeSubpath();
        p.fillPath(wave, QColor(255, 255, 255, alpha - i * 8));
    }
}

void logo(QPainter& p, QPointF at, double size)
{
    // A folder with a lightning stroke: many files handled in one pass.
    p.save();
    p.translate(at);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(255, 196, 64));
    tile.setColorAt(1, QColor(240, 138, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    QPainterPath folder;
    folder.moveTo(4, 14);
    folder.lineTo(24, 14);
    folder.lineTo(30, 20);
    folder.lineTo(60, 20);
    folder.lineTo(60, 56);
    folder.lineTo(4, 56);
    folder.closeSubpath();
    p.drawPath(folder);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawRect(QRectF(4, 26, 56, 6));
    QPainterPath bolt;
    bolt.moveTo(36, 24);
    bolt.lineTo(24, 42);
    bolt.lineTo(32, 42);
    bolt.lineTo(28, 54);
    bolt.lineTo(42, 34);
    bolt.lineTo(34, 34);
    bolt.closeSubpath();
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(bolt);
    p.restore();
}

QImage windowbackground()
{
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    ground(p);
    waves(p, 40, 26);
    return image;
}

QImage launcherimage()
{
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    ground(p);
    waves(p, 36, 30);

    // A soft light behind the title.
    QRadialGradient glow(QPointF(90, 30), 160);
    glow.setColorAt(0, QColor(255, 255, 255, 60));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, kWindowWidth, 80, glow);

    logo(p, QPointF(20, 10), 56);
    p.setPen(Qt::white);
    QFont title = cjkfont(30, true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(title);
    p.drawText(QRectF(86, 6, 220, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvik"));
    p.setFont(cjkfont(14, false));
    p.setPen(QColor(220, 236, 255));
    p.drawText(QRectF(88, 46, 360, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("网站文件批量处理工具"));
    p.setFont(cjkfont(12, false));
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRectF(kWindowWidth - 220, 50, 204, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("v1.1"));

    // The panel the five buttons sit on (they stand at y 136 to 182).
    const QRectF panel(24, 122, kWindowWidth - 48, 74);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 80, 140, 28));
    p.drawRoundedRect(panel.translated(0, 3), 12, 12);
    p.setBrush(QColor(232, 239, 248));
    p.setPen(QPen(QColor(190, 207, 230), 1));
    p.drawRoundedRect(panel, 12, 12);

    // What the tools do, under the buttons.
    const QRectF notes(40, 222, kWindowWidth - 80, 160);
    p.setPen(QPen(QColor(200, 214, 234), 1));
    p.drawLine(QPointF(notes.left(), notes.top() - 8), QPointF(notes.right(), notes.top() - 8));
    const char* const lines[] = {
        "列表生成　把文件夹里的文件和子文件夹写成一份清单",
        "批量删除　按名称、通配符或列表文件删除，并记录未删除的文件",
        "批量追加　把文件复制到每个子文件夹，或把文字插入一批文件",
        "生成URL　根据网址列表生成以网页标题命名的快捷方式",
    };
    p.setFont(cjkfont(13, false));
    double y = notes.top();
    for (const char* line : lines) {
        p.setBrush(QColor(38, 112, 190));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(notes.left() + 4, y + 12), 3, 3);
        p.setPen(QColor(52, 66, 88));
        p.drawText(QRectF(notes.left() + 16, y, notes.width() - 16, 24),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(line));
        y += 32;
    }

    // The footer: the link to the home page stands on its right (from x 488, y 408).
    QLinearGradient footer(0, 398, 0, kWindowHeight);
    footer.setColorAt(0, QColor(200, 214, 234));
    footer.setColorAt(1, QColor(184, 202, 228));
    p.fillRect(0, 400, kWindowWidth, 30, footer);
    p.fillRect(0, 400, kWindowWidth, 1, QColor(168, 190, 220));
    p.setFont(cjkfont(12, false));
    p.setPen(QColor(70, 88, 116));
    p.drawText(QRectF(20, 402, 300, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("一次完成逐个文件的重复工作"));
    p.drawText(QRectF(400, 402, 84, 26), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("主页："));
    return image;
}

QImage appicon()
{
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0, QColor(48, 128, 206));
    tile.setColorAt(1, QColor(18, 64, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(QRectF(8, 10, 112, 112), 24, 24);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 6, 112, 112), 24, 24);
    logo(p, QPointF(24, 18), 80);
    return image;
}

bool save(const QImage& image, const QString& path, const char* format, int quality = -1)
{
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "makeart: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makeart ICO_FOLDER ICON_PNG\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString iconpath = QString::fromLocal8Bit(argv[2]);

    const Tool tools[] = {
        {"list", QStringLiteral("列表生成"), QColor(46, 139, 87), listicon},
        {"bdel", QStringLiteral("批量删除"), QColor(200, 70, 60), deleteicon},
        {"app", QStringLiteral("批量追加"), QColor(225, 140, 30), appendicon},
        {"help", QStringLiteral("使用帮助"), QColor(110, 90, 180), helpicon},
        {"curl", QStringLiteral("生成URL"), QColor(30, 120, 200), urlicon},
    };
    bool ok = true;
    for (const Tool& tool : tools) {
        const QString stem = folder + QLatin1Char('/') + QString::fromLatin1(tool.name);
        ok &= save(button(tool, false), stem + QStringLiteral("1.bmp"), "BMP");
        ok &= save(button(tool, true), stem + QStringLiteral("2.bmp"), "BMP");
    }
    ok &= save(windowbackground(), folder + QStringLiteral("/bg-window.jpg"), "JPEG", 92);
    ok &= save(launcherimage(), folder + QStringLiteral("/bg-image.jpg"), "JPEG", 92);
    ok &= save(appicon(), iconpath, "PNG");
    return ok ? 0 : 1;
}
