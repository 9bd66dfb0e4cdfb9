// iconmaker: draws Marlisse's command icons and writes them as PNG files.
//
// Usage: iconmaker OUTPUT_FOLDER
//
// Every picture is drawn from code, mostly pixel by pixel, so that the 16 px toolbar icons stay
// crisp; anti-aliasing is used only for curves (circles, arcs, the globe, the scissors). Nothing
// depends on the installed fonts or on the time of the run: two runs write identical files.
// Each picture is written twice, NAME.png and NAME@2x.png at twice the size, which Qt picks
// on screens scaled to 200 %.

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <QTransform>

#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>

namespace {

// The palette: few colours, dark enough to stand out on a light grey toolbar.
const QColor ink(0x20, 0x20, 0x20);
const QColor grey(0x5a, 0x5a, 0x5a);
const QColor faint(0xa8, 0xa8, 0xa8);
const QColor paper(0xff, 0xff, 0xff);
const QColor paperEdge(0x50, 0x50, 0x50);
const QColor fold(0xd0, 0xd0, 0xd0);
const QColor blue(0x24, 0x63, 0xc4);
const QColor blueDark(0x17, 0x3f, 0x80);
const QColor blueLight(0xcc, 0xdf, 0xf8);
const QColor sky(0x9c, 0xc8, 0xf4);
const QColor green(0x38, 0x9a, 0x38);
const QColor greenDark(0x1d, 0x5e, 0x1d);
const QColor red(0xc8, 0x30, 0x2c);
const QColor redDark(0x80, 0x1c, 0x18);
const QColor orange(0xe0, 0x78, 0x10);
const QColor yellow(0xf6, 0xd0, 0x4c);
const QColor folderBack(0xe0, 0xa8, 0x30);
const QColor folderEdge(0x8a, 0x5f, 0x10);
const QColor brown(0xb0, 0x7a, 0x3c);
const QColor brownDark(0x6b, 0x44, 0x20);
const QColor wall(0xf2, 0xe4, 0xc4);
const QColor metal(0xb4, 0xb4, 0xb4);
const QColor metalDark(0x50, 0x50, 0x50);

using Palette = std::initializer_list<std::pair<char, QColor>>;
using Rows = std::initializer_list<const char *>;

// Paints a small pixel picture: each character of a row is one pixel, '.' stays transparent
// and any other character takes its colour from the palette.
void art(QPainter &p, int x, int y, Rows rows, Palette palette)
{
    int row = 0;
    for (const char *line : rows) {
        for (int col = 0; line[col] != '\0'; ++col) {
            for (const auto &entry : palette) {
                if (entry.first == line[col]) {
                    p.fillRect(x + col, y + row, 1, 1, entry.second);
                    break;
                }
            }
        }
        ++row;
    }
}

void art(QPainter &p, int x, int y, Rows rows, const QColor &c)
{
    art(p, x, y, rows, {{'#', c}});
}

void box(QPainter &p, int x, int y, int w, int h, const QColor &c)
{
    p.fillRect(x, y, w, h, c);
}

// A filled rectangle with a one-pixel border, all on whole pixels.
void framed(QPainter &p, int x, int y, int w, int h, const QColor &fill, const QColor &edge)
{
    p.fillRect(x, y, w, h, edge);
    p.fillRect(x + 1, y + 1, w - 2, h - 2, fill);
}

void smooth(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
}

QPen roundPen(const QColor &c, qreal width)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with its top right corner folded down; all whole pixels.
void page(QPainter &p, int x, int y, int w, int h, int ear)
{
    const int right = x + w - 1;
    const int bottom = y + h - 1;
    for (int row = y; row <= bottom; ++row) {
        const int cut = row - y < ear ? ear - (row - y) : 0;
        const int end = right - cut;
        if (row == y || row == bottom) {
            box(p, x, row, end - x + 1, 1, paperEdge);
        } else {
            box(p, x, row, 1, 1, paperEdge);
            box(p, x + 1, row, end - x - 1, 1, paper);
            box(p, end, row, 1, 1, paperEdge);
        }
    }
    // The folded flap, a triangle below the cut edge.
    const int fx = right - ear;
    for (int i = 1; i < ear; ++i) {
        box(p, fx, y + i, 1, 1, paperEdge);
        box(p, fx + 1, y + i, i - 1, 1, fold);
    }
    box(p, fx, y + ear, ear + 1, 1, paperEdge);
}

// Horizontal runs of one colour, each given as {y, x, width}, one pixel high.
void runs(QPainter &p, std::initializer_list<std::array<int, 3>> spans, const QColor &c)
{
    for (const auto &s : spans)
        box(p, s[1], s[0], s[2], 1, c);
}

// Draws the picture mirrored left to right, for the pairs of opposite arrows.
void mirrored(QPainter &p, int width, const std::function<void(QPainter &)> &draw)
{
    p.save();
    // Combined with the painter's own scale, so that the @2x pictures mirror too.
    p.setTransform(QTransform(-1, 0, 0, 1, width, 0), true);
    draw(p);
    p.restore();
}

// The pixel pictures below keep one row per source line, so that the source shows them.
// clang-format off

// ---- Characters ---------------------------------------------------------------------------

void drawBold(QPainter &p)
{
    art(p, 4, 3,
        {"#######..",
         "###..###.",
         "###..###.",
         "###..###.",
         "#######..",
         "###...###",
         "###...###",
         "###...###",
         "###...###",
         "########."}, ink);
}

void drawItalic(QPainter &p)
{
    // The serifs stand out on both sides of the slanted stem, which tells it from a Z.
    art(p, 3, 2,
        {"...######",
         ".....##..",
         ".....##..",
         "....##...",
         "....##...",
         "....##...",
         "...##....",
         "...##....",
         "..##.....",
         "..##.....",
         "######..."}, ink);
}

void drawUnderline(QPainter &p)
{
    art(p, 4, 1,
        {"##....##",
         "##....##",
         "##....##",
         "##....##",
         "##....##",
         "##....##",
         "##....##",
         "##....##",
         ".##..##.",
         "..####.."}, ink);
    box(p, 2, 13, 12, 2, blue);
}

void drawPreformatted(QPainter &p)
{
    art(p, 1, 1,
        {"###.",
         "#..#",
         "#..#",
         "#..#",
         "###.",
         "#...",
         "#..."}, ink);
    art(p, 6, 1,
        {"#.##",
         "##..",
         "#...",
         "#...",
         "#..."}, ink);
    art(p, 11, 1,
        {".##.",
         "#..#",
         "####",
         "#...",
         ".###"}, ink);
    // Fixed-width text below: every character cell the same size, the second line indented.
    art(p, 1, 10, {"##.##.##.##.##", "##.##.##.##.##"}, blue);
    art(p, 4, 13, {"##.##.##.##", "##.##.##.##"}, blue);
}

// ---- Alignment ----------------------------------------------------------------------------

// Five lines of text, one pixel high, from {x, width} pairs.
void textBlock(QPainter &p, std::initializer_list<std::pair<int, int>> xw)
{
    int y = 2;
    for (const auto &[x, w] : xw) {
        box(p, x, y, w, 1, ink);
        y += 3;
    }
}

void drawLeft(QPainter &p)
{
    textBlock(p, {{1, 14}, {1, 9}, {1, 12}, {1, 7}, {1, 11}});
}

void drawCentre(QPainter &p)
{
    textBlock(p, {{1, 14}, {4, 8}, {2, 12}, {5, 6}, {3, 10}});
}

void drawRight(QPainter &p)
{
    textBlock(p, {{1, 14}, {6, 9}, {3, 12}, {8, 7}, {4, 11}});
}

void drawJustified(QPainter &p)
{
    textBlock(p, {{1, 14}, {1, 14}, {1, 14}, {1, 14}, {1, 8}});
}

// ---- Structure ----------------------------------------------------------------------------

void drawParagraph(QPainter &p)
{
    art(p, 3, 1,
        {"..########",
         ".######.##",
         "#######.##",
         "#######.##",
         "#######.##",
         ".######.##",
         "..#####.##",
         ".....##.##",
         ".....##.##",
         ".....##.##",
         ".....##.##",
         ".....##.##",
         ".....##.##",
         ".....##.##"}, ink);
}

void drawLineBreak(QPainter &p)
{
    runs(p, {{3, 1, 8}}, faint);
    art(p, 1, 2,
        {"...........##.",
         "...........##.",
         "...........##.",
         "...........##.",
         "...#.......##.",
         "..##.......##.",
         ".###.......##.",
         "#############.",
         "#############.",
         ".###..........",
         "..##..........",
         "...#.........."}, blue);
}

void drawHorizontalRule(QPainter &p)
{
    runs(p, {{2, 1, 14}, {4, 1, 9}}, grey);
    box(p, 0, 7, 16, 1, blueDark);
    box(p, 0, 8, 16, 1, blue);
    runs(p, {{11, 1, 14}, {13, 1, 7}}, grey);
}

void drawNonBreakingSpace(QPainter &p)
{
    // "a", the shouldered open box that marks a non-breaking space, then "b".
    art(p, 0, 5,
        {".##.",
         "...#",
         ".###",
         "#..#",
         ".###"}, ink);
    art(p, 12, 2,
        {"#...",
         "#...",
         "#...",
         "###.",
         "#..#",
         "#..#",
         "#..#",
         "###."}, ink);
    art(p, 4, 6,
        {"##....##",
         ".#....#.",
         ".#....#.",
         ".######."}, blue);
}

void drawEuro(QPainter &p)
{
    art(p, 2, 2,
        {".....#####.",
         "...###...##",
         "..##.......",
         ".##........",
         "########...",
         ".##........",
         "########...",
         ".##........",
         "..##.......",
         "...###...##",
         ".....#####."}, ink);
}

void drawSkeleton(QPainter &p)
{
    page(p, 1, 0, 14, 16, 4);
    // Nested tag lines: html, head and title, body and its text, then the closing html.
    runs(p, {{3, 3, 6}, {13, 3, 6}}, blue);
    runs(p, {{5, 5, 6}, {9, 5, 5}}, orange);
    runs(p, {{7, 7, 5}, {11, 7, 5}}, grey);
}

// A capital H and a digit, for the heading levels.
void heading(QPainter &p, Rows digit)
{
    art(p, 1, 3,
        {"##...##",
         "##...##",
         "##...##",
         "##...##",
         "#######",
         "#######",
         "##...##",
         "##...##",
         "##...##",
         "##...##"}, ink);
    art(p, 10, 3, digit, blue);
}

void drawH1(QPainter &p)
{
    heading(p,
        {"..##.",
         ".###.",
         "####.",
         "..##.",
         "..##.",
         "..##.",
         "..##.",
         "..##.",
         "..##.",
         "..##."});
}

void drawH2(QPainter &p)
{
    heading(p,
        {".###.",
         "##.##",
         "...##",
         "...##",
         "..##.",
         ".##..",
         "##...",
         "##...",
         "#####",
         "#####"});
}

void drawH3(QPainter &p)
{
    heading(p,
        {"####.",
         "...##",
         "...##",
         "...##",
         ".###.",
         ".###.",
         "...##",
         "...##",
         "...##",
         "####."});
}

// ---- Lists --------------------------------------------------------------------------------

void bullet(QPainter &p, int x, int y, const QColor &c)
{
    art(p, x, y,
        {".##.",
         "####",
         "####",
         ".##."}, c);
}

void drawBulletList(QPainter &p)
{
    const int widths[] = {8, 6, 7};
    for (int i = 0; i < 3; ++i) {
        bullet(p, 1, 6 * i, blue);
        box(p, 7, 1 + 6 * i, widths[i], 2, grey);
    }
}

void drawOrderedList(QPainter &p)
{
    art(p, 1, 0,
        {".#.",
         "##.",
         ".#.",
         "###"}, blue);
    art(p, 1, 6,
        {"##.",
         "..#",
         ".#.",
         "###"}, blue);
    art(p, 1, 12,
        {"###",
         ".##",
         "..#",
         "###"}, blue);
    const int widths[] = {9, 7, 8};
    for (int i = 0; i < 3; ++i)
        box(p, 7, 1 + 6 * i, widths[i], 2, grey);
}

void drawListItem(QPainter &p)
{
    // One item singled out among its faded neighbours.
    art(p, 2, 1, {"##", "##"}, faint);
    box(p, 6, 1, 8, 2, faint);
    framed(p, 0, 5, 16, 7, blueLight, blue);
    bullet(p, 2, 6, blue);
    box(p, 7, 7, 7, 2, ink);
    art(p, 2, 13, {"##", "##"}, faint);
    box(p, 6, 13, 7, 2, faint);
}

// Terms flush left and two pixels high, their definitions indented one pixel high.
void definitionList(QPainter &p, const QColor &term, const QColor &def)
{
    box(p, 1, 1, 8, 2, term);
    runs(p, {{4, 5, 10}, {6, 5, 8}}, def);
    box(p, 1, 9, 7, 2, term);
    runs(p, {{12, 5, 10}, {14, 5, 6}}, def);
}

void drawDefinitionList(QPainter &p)
{
    // A bracket down the left side groups the whole list.
    art(p, 0, 0,
        {"##",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "#.",
         "##"}, blue);
    box(p, 2, 1, 8, 2, ink);
    runs(p, {{4, 6, 9}, {6, 6, 7}}, grey);
    box(p, 2, 9, 7, 2, ink);
    runs(p, {{12, 6, 9}, {14, 6, 5}}, grey);
}

void drawTerm(QPainter &p)
{
    definitionList(p, faint, faint);
    framed(p, 0, 0, 11, 5, blueLight, blue);
    box(p, 2, 1, 7, 3, ink);
}

void drawDefinition(QPainter &p)
{
    definitionList(p, faint, faint);
    framed(p, 3, 3, 13, 6, blueLight, blue);
    runs(p, {{4, 5, 9}, {6, 5, 7}}, ink);
}

// ---- Tables, links, pictures --------------------------------------------------------------

void drawTable(QPainter &p)
{
    box(p, 0, 2, 16, 13, metalDark);
    box(p, 1, 3, 14, 3, sky);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            box(p, 1 + 5 * col, 7 + 4 * row, 4, 3, paper);
    box(p, 5, 3, 1, 3, metalDark);
    box(p, 10, 3, 1, 3, metalDark);
}

// Distance from point q to the segment ab.
qreal segmentDistance(QPointF q, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const qreal len2 = QPointF::dotProduct(ab, ab);
    qreal t = len2 > 0 ? QPointF::dotProduct(q - a, ab) / len2 : 0;
    t = qBound<qreal>(0, t, 1);
    const QPointF d = q - (a + t * ab);
    return std::sqrt(QPointF::dotProduct(d, d));
}

// The outline of one chain link, a rounded bar around the segment ab, drawn on whole pixels:
// a pixel is set when its centre lies within the band of the outline. With `only`, a pixel is set
// only where that test also holds, to redraw part of the link over another one.
void chainLink(QPainter &p, QPointF a, QPointF b, qreal radius, const QColor &c,
               const std::function<bool(int, int)> &only = {})
{
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const qreal d = segmentDistance(QPointF(x + 0.5, y + 0.5), a, b);
            if (std::abs(d - radius) <= 0.8 && (!only || only(x, y)))
                box(p, x, y, 1, 1, c);
        }
    }
}

void drawLink(QPainter &p)
{
    const QPointF a1(3.5, 12.5), b1(7.0, 9.0), a2(9.0, 7.0), b2(12.5, 3.5);
    chainLink(p, a1, b1, 2.6, blueDark);
    chainLink(p, a2, b2, 2.6, blue);
    // The lower link passes in front of the upper one on its lower right side only.
    chainLink(p, a1, b1, 2.6, blueDark, [](int x, int y) { return x + y >= 17 && x > y; });
}

void drawAnchor(QPainter &p)
{
    smooth(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(blueDark, 1.6));
    p.drawEllipse(QPointF(8.0, 2.6), 1.7, 1.7);
    p.setRenderHint(QPainter::Antialiasing, false);
    box(p, 7, 4, 2, 11, blueDark); // shank
    box(p, 4, 6, 8, 2, blueDark); // stock
    smooth(p);
    p.setPen(roundPen(blueDark, 1.8));
    QPainterPath arms;
    arms.moveTo(2.5, 9.5);
    arms.cubicTo(2.8, 13.2, 5.5, 14.6, 8.0, 14.6);
    arms.cubicTo(10.5, 14.6, 13.2, 13.2, 13.5, 9.5);
    p.drawPath(arms);
    // Flukes: small barbs at the ends of the arms.
    p.setPen(Qt::NoPen);
    p.setBrush(blueDark);
    p.drawPolygon(QPolygonF({QPointF(0.5, 11.0), QPointF(2.5, 7.5), QPointF(4.5, 11.0)}));
    p.drawPolygon(QPolygonF({QPointF(11.5, 11.0), QPointF(13.5, 7.5), QPointF(15.5, 11.0)}));
}

void drawPicture(QPainter &p)
{
    framed(p, 0, 2, 16, 13, sky, metalDark);
    art(p, 10, 4,
        {".#.",
         "###",
         ".#."}, yellow);
    art(p, 1, 7,
        {"....#.........",
         "...###........",
         "..#####...#...",
         ".#######.###..",
         "############.#",
         "##############",
         "##############"}, {{'#', green}});
    runs(p, {{9, 5, 1}, {10, 6, 1}, {11, 7, 1}}, greenDark);
}

// ---- Edit commands ------------------------------------------------------------------------

void drawUndo(QPainter &p)
{
    smooth(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(blue, 2.2));
    QPainterPath tail;
    tail.moveTo(5.0, 6.0);
    tail.lineTo(8.5, 6.0);
    tail.cubicTo(12.5, 6.0, 14.0, 8.5, 14.0, 10.5);
    tail.cubicTo(14.0, 12.5, 12.5, 14.0, 10.5, 14.0);
    tail.lineTo(8.0, 14.0);
    p.drawPath(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(0.5, 6.0), QPointF(6.5, 1.0), QPointF(6.5, 11.0)}));
}

void drawRedo(QPainter &p)
{
    mirrored(p, 16, drawUndo);
}

void drawCut(QPainter &p)
{
    smooth(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(metalDark, 1.8));
    p.drawLine(QPointF(5.8, 9.8), QPointF(11.6, 0.8));
    p.drawLine(QPointF(10.2, 9.8), QPointF(4.4, 0.8));
    p.setPen(QPen(red, 1.6));
    p.drawEllipse(QPointF(4.2, 12.3), 2.4, 2.4);
    p.drawEllipse(QPointF(11.8, 12.3), 2.4, 2.4);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(8.0, 7.0), 1.0, 1.0);
}

void drawCopy(QPainter &p)
{
    page(p, 0, 0, 10, 12, 3);
    runs(p, {{4, 2, 5}, {6, 2, 6}, {8, 2, 4}}, faint);
    page(p, 5, 4, 11, 12, 3);
    runs(p, {{8, 7, 6}, {10, 7, 7}, {12, 7, 5}}, grey);
}

void drawPaste(QPainter &p)
{
    framed(p, 1, 2, 14, 14, brown, brownDark);
    framed(p, 3, 4, 10, 11, paper, paperEdge);
    runs(p, {{7, 5, 6}, {9, 5, 5}, {11, 5, 6}}, grey);
    framed(p, 5, 0, 6, 4, metal, metalDark);
    box(p, 7, 1, 2, 1, metalDark);
}

void drawFind(QPainter &p)
{
    smooth(p);
    p.setPen(roundPen(brownDark, 3.0));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.0, 14.0));
    p.setPen(QPen(ink, 1.8));
    p.setBrush(blueLight);
    p.drawEllipse(QPointF(6.5, 6.5), 4.6, 4.6);
    p.setPen(roundPen(paper, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.6, 3.6, 5.8, 5.8), 100 * 16, 70 * 16);
}

void drawBrowser(QPainter &p)
{
    // A globe: a blue disc with its equator, two parallels and three meridians. It is centred on
    // a pixel so that the straight lines fall on whole pixels.
    smooth(p);
    const QPointF centre(7.5, 7.5);
    const QColor grid(0xe4, 0xf0, 0xff);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x8c, 0xd8));
    p.drawEllipse(centre, 7.0, 7.0);
    QPainterPath disc;
    disc.addEllipse(centre, 6.5, 6.5);
    p.setClipPath(disc);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(grid, 1.0));
    p.drawEllipse(centre, 3.0, 7.0);
    p.setRenderHint(QPainter::Antialiasing, false);
    box(p, 7, 0, 1, 15, grid);
    box(p, 0, 7, 15, 1, grid);
    box(p, 0, 3, 15, 1, grid);
    box(p, 0, 11, 15, 1, grid);
    p.setClipping(false);
    smooth(p);
    p.setPen(QPen(blueDark, 1.0));
    p.drawEllipse(centre, 7.0, 7.0);
}

// ---- File commands ------------------------------------------------------------------------

void drawNew(QPainter &p)
{
    page(p, 0, 0, 10, 14, 3);
}

void drawOpen(QPainter &p)
{
    // Back of the folder with its tab and a sheet inside.
    box(p, 1, 0, 5, 1, folderEdge);
    framed(p, 0, 1, 14, 12, folderBack, folderEdge);
    box(p, 6, 1, 8, 1, folderEdge);
    framed(p, 2, 3, 10, 5, paper, paperEdge);
    // The front flap, tilted open: its top edge juts out to the right of the back.
    box(p, 3, 5, 13, 1, folderEdge);
    for (int row = 6; row < 12; ++row) {
        const int shift = (3 * (row - 5) + 3) / 7;
        const int left = 3 - shift;
        box(p, left, row, 1, 1, folderEdge);
        box(p, left + 1, row, 11, 1, yellow);
        box(p, left + 12, row, 1, 1, folderEdge);
    }
    box(p, 0, 12, 13, 1, folderEdge);
}

void drawSave(QPainter &p)
{
    art(p, 0, 0,
        {"#############.",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "#bbbbbbbbbbbb#",
         "##############"}, {{'#', blueDark}, {'b', blue}});
    framed(p, 3, 1, 8, 6, paper, paperEdge);
    runs(p, {{3, 4, 6}, {5, 4, 5}}, faint);
    framed(p, 3, 9, 8, 5, metal, metalDark);
    box(p, 8, 10, 2, 3, metalDark);
}

// ---- Viewer commands ----------------------------------------------------------------------

void drawBack(QPainter &p)
{
    art(p, 0, 1,
        {"......#.........",
         ".....##.........",
         "....#g#.........",
         "...#gg#.........",
         "..#ggg########..",
         ".#gggggggggggg#.",
         "#ggggggggggggg#.",
         "#ggggggggggggg#.",
         ".#gggggggggggg#.",
         "..#ggg########..",
         "...#gg#.........",
         "....#g#.........",
         ".....##.........",
         "......#........."}, {{'#', greenDark}, {'g', green}});
}

void drawForward(QPainter &p)
{
    mirrored(p, 16, drawBack);
}

void drawHome(QPainter &p)
{
    art(p, 0, 0,
        {".......##.......",
         "......#rr#.##...",
         ".....#rrrr###...",
         "....#rrrrrr##...",
         "...#rrrrrrrr#...",
         "..#rrrrrrrrrr#..",
         ".#rrrrrrrrrrrr#.",
         "#rrrrrrrrrrrrrr#",
         "################"}, {{'#', redDark}, {'r', red}});
    art(p, 2, 9,
        {"#wwwwwwwwwww#",
         "#wwwwwwwwwww#",
         "#ww##wwwwwww#",
         "#wwdd#wwwwww#",
         "#wwdd#wwbbbw#",
         "#wwdd#wwbbbw#",
         "#############"}, {{'#', brownDark}, {'w', wall}, {'d', brown}, {'b', sky}});
}

void drawReload(QPainter &p)
{
    smooth(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(green, 2.4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(2.5, 2.5, 11.0, 11.0), 70 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawPolygon(QPolygonF({QPointF(6.0, 0.0), QPointF(11.8, 3.2), QPointF(6.0, 6.4)}));
}

void drawPrinter(QPainter &p)
{
    framed(p, 4, 0, 8, 6, paper, paperEdge);
    framed(p, 0, 5, 16, 7, metal, metalDark);
    box(p, 1, 6, 14, 1, QColor(0xd8, 0xd8, 0xd8));
    box(p, 12, 8, 2, 1, green);
    framed(p, 3, 10, 10, 6, paper, paperEdge);
    runs(p, {{12, 5, 6}, {14, 5, 4}}, grey);
}

// ---- Application icon ---------------------------------------------------------------------

void drawApplication(QPainter &p)
{
    // A page of HTML: a few lines of text around a large "</>" mark.
    page(p, 3, 1, 26, 30, 7);
    runs(p, {{6, 7, 12}, {9, 7, 15}, {23, 7, 18}, {26, 7, 13}}, faint);
    smooth(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(blue, 2.6));
    p.drawPolyline(QPolygonF({QPointF(12.0, 12.0), QPointF(7.5, 16.0), QPointF(12.0, 20.0)}));
    p.drawPolyline(QPolygonF({QPointF(20.0, 12.0), QPointF(24.5, 16.0), QPointF(20.0, 20.0)}));
    p.setPen(roundPen(orange, 2.4));
    p.drawLine(QPointF(17.6, 11.0), QPointF(14.4, 21.0));
}

// clang-format on

struct Icon
{
    const char *name;
    int width;
    int height;
    void (*draw)(QPainter &);
};

const Icon icons[] = {
    {"alaligne", 16, 16, drawLineBreak},
    {"ancre", 16, 16, drawAnchor},
    {"backward", 16, 16, drawBack},
    {"blancinsec", 16, 16, drawNonBreakingSpace},
    {"cargras", 16, 16, drawBold},
    {"carpre", 16, 16, drawPreformatted},
    {"centre", 16, 16, drawCentre},
    {"chercher", 16, 16, drawFind},
    {"coller", 16, 16, drawPaste},
    {"copier", 16, 16, drawCopy},
    {"couper", 16, 16, drawCut},
    {"debut", 16, 16, drawHome},
    {"defaire", 16, 16, drawUndo},
    {"definition", 16, 16, drawDefinition},
    {"droite", 16, 16, drawRight},
    {"elemliste", 16, 16, drawListItem},
    {"euro", 16, 16, drawEuro},
    {"filenew", 10, 14, drawNew},
    {"fileopen", 16, 13, drawOpen},
    {"filesave", 14, 14, drawSave},
    {"forward", 16, 16, drawForward},
    {"gauche", 16, 16, drawLeft},
    {"h1icon", 16, 16, drawH1},
    {"h2icon", 16, 16, drawH2},
    {"h3icon", 16, 16, drawH3},
    {"image", 16, 16, drawPicture},
    {"italic", 16, 16, drawItalic},
    {"justifie", 16, 16, drawJustified},
    {"lienhyptext", 16, 16, drawLink},
    {"lignehoriz", 16, 16, drawHorizontalRule},
    {"listedef", 16, 16, drawDefinitionList},
    {"listeordo", 16, 16, drawOrderedList},
    {"listesimple", 16, 16, drawBulletList},
    {"marlisse", 32, 32, drawApplication},
    {"navigateur", 16, 16, drawBrowser},
    {"paragraphe", 16, 16, drawParagraph},
    {"printer", 16, 16, drawPrinter},
    {"recharger", 16, 16, drawReload},
    {"refaire", 16, 16, drawRedo},
    {"souligne", 16, 16, drawUnderline},
    {"squelettehtml", 16, 16, drawSkeleton},
    {"tableaux", 16, 16, drawTable},
    {"termdef", 16, 16, drawTerm},
};

} // namespace

int main(int argc, char **argv)
{
    // Only raster images are painted: no window system is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        err << "usage: iconmaker OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(args.at(1));
    if (!out.exists()) {
        err << "iconmaker: no such folder: " << args.at(1) << '\n';
        return 1;
    }

    // Each picture twice: at its own size, and as name@2x.png at twice the size, drawn
    // through a scaled painter so that curves get the finer detail of a 200% screen and
    // the pixel pictures stay crisp instead of being stretched soft by the toolkit.
    for (const Icon &icon : icons) {
        for (const int scale : {1, 2}) {
            QImage image(icon.width * scale, icon.height * scale, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            // Only the @2x pictures go through a transform: switching one on, even the
            // identity, moves a few anti-aliased pixels of the curves.
            if (scale != 1)
                painter.scale(scale, scale);
            icon.draw(painter);
            painter.end();
            const QString name = QString::fromLatin1(icon.name)
                + (scale == 1 ? QLatin1String(".png") : QLatin1String("@2x.png"));
            const QString path = out.filePath(name);
            if (!image.save(path, "PNG")) {
                err << "iconmaker: cannot write " << path << '\n';
                return 1;
            }
        }
    }
    return 0;
}
