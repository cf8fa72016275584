// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the launcher's pictures: the released and pressed bitmap of each of the five
// buttons, the two background pictures and the application icon (ico/morvik.png for the
// windows; the desktop's icon theme sizes and a scalable version under ICONS_FOLDER).
// Usage: makeart ICO_FOLDER ICONS_FOLDER ICON_NAME
#include <QDir>
#include <QFile>
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

// The logo, a folder with a lightning stroke (many files handled in one pass), is drawn
// in a 64 x 64 box. Its shapes and colours are shared by the pictures and the SVG icon.
const QColor kFolderTop(255, 196, 64);
const QColor kFolderBottom(240, 138, 20);
const QRectF kFolderBand(4, 26, 56, 6);
constexpr int kFolderBandAlpha = 70;

QPainterPath logofolder()
{
    QPainterPath folder;
    folder.moveTo(4, 14);
    folder.lineTo(24, 14);
    folder.lineTo(30, 20);
    folder.lineTo(60, 20);
    folder.lineTo(60, 56);
    folder.lineTo(4, 56);
    folder.closeSubpath();
    return folder;
}

QPainterPath logobolt()
{
    QPainterPath bolt;
    bolt.moveTo(36, 24);
    bolt.lineTo(24, 42);
    bolt.lineTo(32, 42);
    bolt.lineTo(28, 54);
    bolt.lineTo(42, 34);
    bolt.lineTo(34, 34);
    bolt.closeSubpath();
    return bolt;
}

void logo(QPainter& p, QPointF at, double size)
{
    p.save();
    p.translate(at);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, kFolderTop);
    tile.setColorAt(1, kFolderBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawPath(logofolder());
    p.setBrush(QColor(255, 255, 255, kFolderBandAlpha));
    p.drawRect(kFolderBand);
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(logobolt());
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

// The application icon is designed on a 128 x 128 grid: a blue tile with a shadow under
// it and the logo on it.
constexpr double kIconGrid = 128;
const QRectF kIconTile(8, 6, 112, 112);
const QPointF kIconShadowOffset(0, 4);
constexpr double kIconCorner = 24;
constexpr int kIconShadowAlpha = 50;
const QColor kIconTop(48, 128, 206);
const QColor kIconBottom(18, 64, 128);
const QPointF kIconLogoAt(24, 18);
constexpr double kIconLogoSize = 80;

QImage appicon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kIconGrid, size / kIconGrid);
    QLinearGradient tile(0, 0, 0, kIconGrid);
    tile.setColorAt(0, kIconTop);
    tile.setColorAt(1, kIconBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, kIconShadowAlpha));
    p.drawRoundedRect(kIconTile.translated(kIconShadowOffset), kIconCorner, kIconCorner);
    p.setBrush(tile);
    p.drawRoundedRect(kIconTile, kIconCorner, kIconCorner);
    logo(p, kIconLogoAt, kIconLogoSize);
    return image;
}

QString svgnumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString svgcolour(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

QString svgopacity(int alpha)
{
    return svgnumber(alpha / 255.0);
}

// SVG path data of a path made of lines and cubic curves.
QString svgpathdata(const QPainterPath& path)
{
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QString point = svgnumber(e.x) + QLatin1Char(' ') + svgnumber(e.y);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            data += QStringLiteral("M") + point;
            break;
        case QPainterPath::LineToElement:
            data += QStringLiteral("L") + point;
            break;
        case QPainterPath::CurveToElement:
            data += QStringLiteral("C") + point;
            break;
        case QPainterPath::CurveToDataElement:
            data += QLatin1Char(' ') + point;
            break;
        }
    }
    return data + QStringLiteral("Z");
}

QString svgrect(const QRectF& r, double corner)
{
    return QStringLiteral("x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"")
        .arg(svgnumber(r.x()), svgnumber(r.y()), svgnumber(r.width()), svgnumber(r.height()),
             svgnumber(corner));
}

QString svggradient(const char* id, double height, const QColor& top, const QColor& bottom)
{
    return QStringLiteral("<linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" "
                          "y1=\"0\" x2=\"0\" y2=\"%2\"><stop offset=\"0\" stop-color=\"%3\"/>"
                          "<stop offset=\"1\" stop-color=\"%4\"/></linearGradient>\n")
        .arg(QString::fromLatin1(id), svgnumber(height), svgcolour(top), svgcolour(bottom));
}

// The same icon as appicon(), as a scalable picture for the icon theme.
QByteArray appiconsvg()
{
    const double scale = kIconLogoSize / 64.0;
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                 "height=\"%1\" viewBox=\"0 0 %1 %1\">\n<defs>\n")
                      .arg(svgnumber(kIconGrid));
    svg += svggradient("tile", kIconGrid, kIconTop, kIconBottom);
    svg += svggradient("folder", 64, kFolderTop, kFolderBottom);
    svg += QStringLiteral("</defs>\n");
    svg += QStringLiteral("<rect %1 fill=\"#000000\" fill-opacity=\"%2\"/>\n")
               .arg(svgrect(kIconTile.translated(kIconShadowOffset), kIconCorner),
                    svgopacity(kIconShadowAlpha));
    svg += QStringLiteral("<rect %1 fill=\"url(#tile)\"/>\n").arg(svgrect(kIconTile, kIconCorner));
    svg += QStringLiteral("<g transform=\"translate(%1 %2) scale(%3)\">\n")
               .arg(svgnumber(kIconLogoAt.x()), svgnumber(kIconLogoAt.y()), svgnumber(scale));
    svg +=
        QStringLiteral("<path d=\"%1\" fill=\"url(#folder)\"/>\n").arg(svgpathdata(logofolder()));
    svg += QStringLiteral("<rect %1 fill=\"#ffffff\" fill-opacity=\"%2\"/>\n")
               .arg(svgrect(kFolderBand, 0), svgopacity(kFolderBandAlpha));
    svg += QStringLiteral("<path d=\"%1\" fill=\"#ffffff\"/>\n").arg(svgpathdata(logobolt()));
    svg += QStringLiteral("</g>\n</svg>\n");
    return svg.toUtf8();
}

bool save(const QImage& image, const QString& path, const char* format, int quality = -1)
{
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "makeart: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool savebytes(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        std::fprintf(stderr, "makeart: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// Makes FOLDER/SUB and returns it.
QString subfolder(const QString& folder, const QString& sub)
{
    const QString path = folder + QLatin1Char('/') + sub;
    QDir().mkpath(path);
    return path;
}

// The icon theme's layout: SIZExSIZE/apps/NAME.png for each size, scalable/apps/NAME.svg.
bool saveiconsizes(const QString& iconsfolder, const QString& name)
{
    bool ok = true;
    for (const int size : {48, 128, 256}) {
        const QString dir = subfolder(iconsfolder, QStringLiteral("%1x%1/apps").arg(size));
        ok &= save(appicon(size), dir + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG");
    }
    const QString dir = subfolder(iconsfolder, QStringLiteral("scalable/apps"));
    ok &= savebytes(appiconsvg(), dir + QLatin1Char('/') + name + QStringLiteral(".svg"));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: makeart ICO_FOLDER ICONS_FOLDER ICON_NAME\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString iconsfolder = QString::fromLocal8Bit(argv[2]);
    const QString iconname = QString::fromLocal8Bit(argv[3]);

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
    ok &= save(appicon(256), folder + QStringLiteral("/morvik.png"), "PNG");
    ok &= saveiconsizes(iconsfolder, iconname);
    return ok ? 0 : 1;
}
