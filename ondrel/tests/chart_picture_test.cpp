// Chart pictures: the Enhanced Metafile writer's records, and every format
// from the window's export commands.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QChart>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <QValueAxis>
#include <QXYSeries>
#include <QtEndian>
#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "files/voltammogram_file.h"
#include "test_support/temp_dir.h"
#include "ui/charts/chart_panel.h"
#include "ui/pictures/chart_picture.h"
#include "ui/pictures/clipping_device.h"
#include "ui/pictures/emf_device.h"
#include "ui/pictures/emf_records.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::ReadFile;
using test_support::TempDir;

struct EmfRecord {
    quint32 type;
    QByteArray body;  // after type and size
};

quint32 u32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
qint32 i32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

// The records of a metafile, after checking that they chain whole from the
// header to the end-of-file record and that the header's totals are right.
std::vector<EmfRecord> recordsOf(const QByteArray& file) {
    std::vector<EmfRecord> records;
    if (file.size() < 108 || u32(file, 0) != 1 || u32(file, 40) != 0x464D4520) {
        ADD_FAILURE() << "no metafile header";
        return records;
    }
    qsizetype at = 0;
    while (at + 8 <= file.size()) {
        const quint32 type = u32(file, at), size = u32(file, at + 4);
        if (size < 8 || size % 4 || at + size > file.size()) {
            ADD_FAILURE() << "record " << type << " of size " << size << " at " << at;
            return records;
        }
        records.push_back({type, file.mid(at + 8, size - 8)});
        at += size;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_EQ(u32(file, 48), static_cast<quint32>(file.size()));
    EXPECT_EQ(u32(file, 52), static_cast<quint32>(records.size()));
    EXPECT_EQ(records.back().type, 14u);  // EMR_EOF
    return records;
}

QString textOf(const EmfRecord& text) {
    // EMR_EXTTEXTOUTW: the count at 36, the offset from the record's start at 40.
    const quint32 chars = u32(text.body, 36), offset = u32(text.body, 40) - 8;
    if (offset + chars * 2 > static_cast<quint32>(text.body.size()))
        return QStringLiteral("(text past its record)");
    return QString(reinterpret_cast<const QChar*>(text.body.constData() + offset),
                   static_cast<qsizetype>(chars));
}

// A metafile played as a reader plays it: the device context's pen and
// brush (a fresh one has a black pen and a white brush), its saved states and
// the objects created, so that every fill and line is checked against the
// objects it is drawn with. Colours are kept as the metafile stores them.
struct PlayedMetafile {
    std::vector<std::string> faults;
    std::set<quint32> fills, lines;
};

PlayedMetafile Play(const std::vector<EmfRecord>& records) {
    constexpr quint32 kWhiteBrush = 0x80000000, kNullBrush = 0x80000005, kBlackPen = 0x80000007,
                      kNullPen = 0x80000008;
    struct Object {
        quint32 type;  // the record that created it
        quint32 color;
    };
    struct State {
        quint32 pen = kBlackPen, brush = kWhiteBrush;
    };
    PlayedMetafile played;
    std::map<quint32, Object> objects;
    std::vector<State> saved;
    State now;
    auto fault = [&](std::size_t at, const std::string& what) {
        played.faults.push_back("record " + std::to_string(at) + ": " + what);
    };
    auto inUse = [&](quint32 handle) {
        bool used = now.pen == handle || now.brush == handle;
        for (const State& s : saved)
            used = used || s.pen == handle || s.brush == handle;
        return used;
    };
    for (std::size_t at = 0; at < records.size(); ++at) {
        const EmfRecord& r = records[at];
        switch (r.type) {
            case 95:  // EMR_EXTCREATEPEN: the colour at 32
            case 39:  // EMR_CREATEBRUSHINDIRECT: the colour at 8
            case 82:  // EMR_EXTCREATEFONTINDIRECTW
                if (objects.count(u32(r.body, 0)))
                    fault(at, "object created over a live one");
                objects[u32(r.body, 0)] = {r.type,
                                           r.type == 82 ? 0 : u32(r.body, r.type == 95 ? 32 : 8)};
                break;
            case 37: {  // EMR_SELECTOBJECT
                const quint32 handle = u32(r.body, 0);
                if (handle & 0x80000000) {
                    if (handle == kNullPen || handle == kBlackPen)
                        now.pen = handle;
                    else if (handle == kNullBrush || handle == kWhiteBrush)
                        now.brush = handle;
                } else if (!objects.count(handle)) {
                    fault(at, "a deleted or unknown object selected");
                } else if (objects[handle].type == 95) {
                    now.pen = handle;
                } else if (objects[handle].type == 39) {
                    now.brush = handle;
                }
                break;
            }
            case 40:  // EMR_DELETEOBJECT
                if (inUse(u32(r.body, 0)))
                    fault(at, "an object deleted while selected");
                objects.erase(u32(r.body, 0));
                break;
            case 33:  // EMR_SAVEDC
                saved.push_back(now);
                break;
            case 34:  // EMR_RESTOREDC, one state back
                if (saved.empty()) {
                    fault(at, "a state restored that was not saved");
                    break;
                }
                now = saved.back();
                saved.pop_back();
                break;
            case 8:  // EMR_POLYPOLYGON: filled, never outlined
                if (now.pen != kNullPen)
                    fault(at, now.pen == kBlackPen ? "a fill outlined with the default black pen"
                                                   : "a fill outlined");
                if (now.brush & 0x80000000)
                    fault(at, "a fill with a stock brush");
                else
                    played.fills.insert(objects[now.brush].color);
                break;
            case 7:  // EMR_POLYPOLYLINE
                if (now.pen & 0x80000000)
                    fault(at, now.pen == kBlackPen ? "a line drawn with the default black pen"
                                                   : "a line drawn with the null pen");
                else
                    played.lines.insert(objects[now.pen].color);
                break;
            default:
                break;
        }
    }
    return played;
}

std::string FaultsOf(const PlayedMetafile& played) {
    std::string text;
    for (const std::string& f : played.faults)
        text += f + "\n";
    return text;
}

// A paint device that keeps the colours a painter fills and strokes with,
// as a metafile stores them: what the screen paints.
class PaintedColours final : public QPaintDevice {
public:
    explicit PaintedColours(QSize size) : size_(size), engine_(*this) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    std::set<quint32> fills, lines;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            default:
                return QPaintDevice::metric(metric);
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(PaintedColours& device) : QPaintEngine(AllFeatures), device_(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPath(const QPainterPath&) override { keep(true); }
        void drawPolygon(const QPointF*, int, PolygonDrawMode mode) override {
            keep(mode != PolylineMode);
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF&, const QTextItem&) override {}
        Type type() const override { return User; }

    private:
        void keep(bool fill) {
            if (fill && emf::paints(painter()->brush()))
                device_.fills.insert(emf::colorRef(emf::brushColor(painter()->brush())));
            if (emf::paints(painter()->pen()))
                device_.lines.insert(emf::colorRef(emf::brushColor(painter()->pen().brush())));
        }
        PaintedColours& device_;
    };

    QSize size_;
    mutable Engine engine_;
};

TEST(EmfDevice, DrawingBecomesBalancedRecordsInSixteenthsOfAMillimetre) {
    EmfDevice device(QSize(96, 48));  // one inch by half an inch
    {
        QPainter painter(&device);
        painter.setPen(QPen(Qt::red, 2));
        painter.drawLine(QPointF(0, 0), QPointF(48, 24));
        painter.drawLine(QPointF(48, 24), QPointF(96, 0));  // goes on: one polyline
        painter.fillRect(QRectF(10, 10, 20, 10), Qt::blue);
        painter.setClipRect(QRectF(0, 0, 48, 48));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(5, 40), QStringLiteral("E (mV) \u00B5"));
        painter.setClipping(false);
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::green);
        painter.drawImage(QRectF(50, 30, 10, 10), image);
    }
    const QByteArray file = device.data();
    const std::vector<EmfRecord> records = recordsOf(file);
    ASSERT_FALSE(records.empty());
    // An inch is 25.4 mm: bounds in units of 1/16 mm, frame in 1/100 mm.
    EXPECT_EQ(i32(file, 16), 406 - 1);
    EXPECT_EQ(i32(file, 32), 2540);
    EXPECT_EQ(i32(file, 36), 1270);

    std::map<quint32, int> counts;
    for (const EmfRecord& record : records)
        ++counts[record.type];
    EXPECT_EQ(counts[7], 1);            // EMR_POLYPOLYLINE: both lines together
    EXPECT_EQ(counts[8], 1);            // EMR_POLYPOLYGON: the rectangle
    EXPECT_EQ(counts[84], 1);           // EMR_EXTTEXTOUTW
    EXPECT_EQ(counts[81], 1);           // EMR_STRETCHDIBITS
    EXPECT_EQ(counts[33], counts[34]);  // every saved state restored
    EXPECT_EQ(counts[30], 1);           // the one clip
    // The fill before the clip and nothing after it is drawn with an object
    // the painter did not choose.
    const PlayedMetafile played = Play(records);
    EXPECT_TRUE(played.faults.empty()) << FaultsOf(played);
    EXPECT_EQ(played.fills, (std::set<quint32>{0xFF0000}));  // blue in the high byte

    for (const EmfRecord& record : records) {
        if (record.type == 7) {
            // Three points: (0,0), (48,24), (96,0) pixels in 1/16 mm.
            ASSERT_EQ(u32(record.body, 16), 1u);
            ASSERT_EQ(u32(record.body, 20), 3u);
            EXPECT_EQ(i32(record.body, 36), 203);
            EXPECT_EQ(i32(record.body, 40), 102);
            EXPECT_EQ(i32(record.body, 44), 406);
        } else if (record.type == 84) {
            EXPECT_EQ(textOf(record), QStringLiteral("E (mV) \u00B5"));
        } else if (record.type == 95) {
            EXPECT_EQ(u32(record.body, 24), 8u);         // two pixels wide
            EXPECT_EQ(u32(record.body, 32), 0x0000FFu);  // red in the low byte
        }
    }
    // Objects are created only as they change and deleted before the end.
    int created = 0, deleted = 0;
    for (const EmfRecord& record : records) {
        created += record.type == 95 || record.type == 39 || record.type == 82;
        deleted += record.type == 40;
    }
    EXPECT_EQ(created, deleted);
}

TEST(ClipPolyline, KeepsThePiecesInsideWhole) {
    const QRectF box(0, 0, 10, 10);
    // In, out over the right side, back in, and out again over the top.
    const QList<QPolygonF> pieces =
        ClipPolyline(QPolygonF{{2, 5}, {5, 5}, {15, 5}, {15, 8}, {5, 8}, {5, -10}}, box);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0], (QPolygonF{{2, 5}, {5, 5}, {10, 5}}));
    EXPECT_EQ(pieces[1], (QPolygonF{{10, 8}, {5, 8}, {5, 0}}));
    EXPECT_TRUE(ClipPolyline(QPolygonF{{-5, -5}, {-1, 20}}, box).isEmpty());
    EXPECT_TRUE(ClipPolyline(QPolygonF{{3, 3}}, box).isEmpty());
}

// What an SVG written through the clipping device shows once read back:
// nothing of a fill, a line or a text beyond the clip.
TEST(ClippingPaintDevice, AnSvgShowsNothingBeyondTheClip) {
    const QSize size(200, 100);
    const QRect clip(50, 20, 100, 60);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    {
        QPainter onSvg(&svg);
        ClippingPaintDevice clipped(onSvg);
        QPainter painter(&clipped);
        painter.setClipRect(clip);
        painter.fillRect(QRectF(0, 0, 100, 50), Qt::red);
        painter.setPen(QPen(Qt::blue, 3));
        painter.drawPolyline(QPolygonF{{0, 90}, {100, 60}, {200, 90}});
        painter.scale(2, 2);  // a scaled pen and text, as a preview draws
        painter.setPen(QPen(Qt::green, 1));
        painter.drawLine(QPointF(0, 35), QPointF(100, 35));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(60, 30), QStringLiteral("MMMMMMMMMMMM"));
    }
    QImage shown(size, QImage::Format_RGB32);
    shown.fill(Qt::white);
    {
        QPainter painter(&shown);
        QSvgRenderer(bytes).render(&painter);
    }
    int beyond = 0, within = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool painted = shown.pixel(x, y) != qRgb(255, 255, 255);
            // A pixel's width of rounding at the edges.
            if (clip.adjusted(-1, -1, 1, 1).contains(x, y))
                within += painted;
            else
                beyond += painted;
        }
    EXPECT_EQ(beyond, 0);
    EXPECT_GT(within, 0);
}

class PictureTest : public testing::WindowFixture {
protected:
    PictureTest() {
        window.resize(1280, 800);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        Curve curve;
        for (int e = 0; e <= 200; ++e)
            curve.push_back({double(e), std::sin(e / 20.0)});
        const std::string path = dir.write(
            "wave.OCV", WriteVoltammogram(curve, CurveFormat::Ocv, CurveOrigin::Measured));
        dialogs.openAnswers.push_back({QString::fromStdString(path)});
        click("OpenOcvButton97");
    }
    std::string exportAs(const char* button, const std::string& name) {
        dialogs.saveAnswers.push_back({QString::fromStdString((dir / name).string())});
        click(button);
        return ReadFile(dir / name);
    }
    TempDir dir;
};

TEST_F(PictureTest, EachFormatIsWhatItsExtensionSays) {
    const std::string emf = exportAs("SaveAsButton97", "chart.WMF");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const FileRequest& request = dialogs.saveRequests.at(0);
    EXPECT_EQ(request.title, "Export Graph as MetaFile or BMP");
    EXPECT_EQ(request.defaultExtension, "WMF");
    EXPECT_EQ(request.filters.at(0), (FileFilter{"Fichiers WMF (ehanced)", "*.WMF"}));
    EXPECT_EQ(request.filters.at(2), (FileFilter{"Fichiers WMF", "*.EMF"}));

    const std::vector<EmfRecord> records = recordsOf(QByteArray::fromStdString(emf));
    QStringList texts;
    for (const EmfRecord& record : records)
        if (record.type == 84)
            texts << textOf(record);
    EXPECT_TRUE(texts.contains("E (mV)")) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains("I (\u00B5A)")) << texts.join('|').toStdString();
    // The chart's size on screen, in 1/100 mm at 96 dpi.
    const QSizeF size = window.VoltamogramPanel->chart()->size();
    EXPECT_NEAR(i32(QByteArray::fromStdString(emf), 32), size.width() * 2540 / 96, 1);

    // ".EMF" is the same enhanced metafile.
    EXPECT_FALSE(
        recordsOf(QByteArray::fromStdString(exportAs("SaveAsButton97", "chart.emf"))).empty());

    const std::string bmp = exportAs("SaveAsButton97", "chart.BMP");
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const QImage bitmap = QImage::fromData(QByteArray::fromStdString(bmp), "BMP");
    EXPECT_EQ(bitmap.size(), size.toSize());

    const std::string svg = exportAs("SaveAsButton97", "chart.svg");
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    EXPECT_TRUE(renderer.isValid());
    EXPECT_NE(svg.find("E (mV)"), std::string::npos);

    EXPECT_EQ(exportAs("SaveAsButton97", "chart.pdf").substr(0, 5), "%PDF-");
    const QImage png =
        QImage::fromData(QByteArray::fromStdString(exportAs("SaveAsButton97", "chart.png")), "PNG");
    EXPECT_EQ(png.size(), size.toSize() * 2);
    EXPECT_TRUE(dialogs.errors.empty());

    // The profile chart is exported the same way.
    EXPECT_FALSE(
        recordsOf(QByteArray::fromStdString(exportAs("ExportConcProfilesButton97", "p.WMF")))
            .empty());
}

// The metafile of a chart with its 3D look, peak marks and a curve running
// past a fixed axis range: every fill and line with the colours the screen
// paints, none outlined or drawn with the black pen a restored state brings.
TEST_F(PictureTest, MetafileDrawsOnlyWithWhatTheScreenPaintsWith) {
    select("RealExpListBox", 0);
    click("FindExpPeaksButton");
    window.VoltamogramPanel->xAxis()->setRange(40, 120);
    const PlayedMetafile played =
        Play(recordsOf(QByteArray::fromStdString(exportAs("SaveAsButton97", "chart.WMF"))));
    EXPECT_TRUE(played.faults.empty()) << FaultsOf(played);

    QChart& chart = *window.VoltamogramPanel->chart();
    PaintedColours screen(chart.size().toSize());
    {
        QPainter painter(&screen);
        DrawChart(chart, painter, QRectF(QPointF(0, 0), chart.size()));
    }
    ASSERT_FALSE(played.fills.empty());
    ASSERT_FALSE(played.lines.empty());
    for (quint32 fill : played.fills)
        EXPECT_TRUE(screen.fills.count(fill)) << std::hex << "fill " << fill;
    for (quint32 line : played.lines)
        EXPECT_TRUE(screen.lines.count(line)) << std::hex << "line " << line;
}

// The chart's physical size in millimetres: the SVG's width, the
// metafile's frame and the PDF's page.
TEST_F(PictureTest, OneChartImportsAtOneSizeInEveryFormat) {
    const double width = window.VoltamogramPanel->chart()->size().width() * 25.4 / 96;
    const std::string svg = exportAs("SaveAsButton97", "chart.SVG");
    const std::smatch svgWidth = [&] {
        std::smatch m;
        std::regex_search(svg, m, std::regex(R"(<svg width="([0-9.]+)mm")"));
        return m;
    }();
    ASSERT_FALSE(svgWidth.empty());
    EXPECT_NEAR(std::stod(svgWidth[1]), width, 0.1);

    const QByteArray emf = QByteArray::fromStdString(exportAs("SaveAsButton97", "chart.EMF"));
    EXPECT_NEAR(i32(emf, 32) / 100.0, width, 0.1);

    const std::string pdf = exportAs("SaveAsButton97", "chart.PDF");
    std::smatch box;
    ASSERT_TRUE(std::regex_search(pdf, box, std::regex(R"(/MediaBox \[0 0 ([0-9.]+) )")));
    EXPECT_NEAR(std::stod(box[1]) * 25.4 / 72, width, 0.1);
}

// Curves on a fixed range too narrow for them stay in the plot area of an
// SVG as on the screen: nothing of their colours over the titles, the
// labels or the walls.
TEST_F(PictureTest, SvgCurvesStayInThePlotArea) {
    QChart& chart = *window.VoltamogramPanel->chart();
    window.VoltamogramPanel->xAxis()->setRange(40, 120);
    window.VoltamogramPanel->yAxis()->setRange(-0.5, 0.5);
    auto* curve = qobject_cast<QXYSeries*>(chart.series().last());
    ASSERT_TRUE(curve);
    const QColor colours[] = {curve->color(), curve->color().lighter(160)};
    // The plot area with the 3D look's depth and a pen's width around it.
    const double depth = 12;
    const QRectF allowed = chart.plotArea().adjusted(-3, -depth - 3, depth + 3, 3);

    const QImage picture = [&] {
        const QByteArray svg = QByteArray::fromStdString(exportAs("SaveAsButton97", "c.svg"));
        QImage image(chart.size().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QSvgRenderer(svg).render(&painter);
        return image;
    }();
    int outside = 0, inside = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            const bool curveColour =
                std::any_of(std::begin(colours), std::end(colours), [&](const QColor& c) {
                    return std::abs(c.red() - pixel.red()) + std::abs(c.green() - pixel.green()) +
                               std::abs(c.blue() - pixel.blue()) <
                           30;
                });
            if (!curveColour)
                continue;
            if (allowed.contains(x, y))
                ++inside;
            else
                ++outside;
        }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}

TEST_F(PictureTest, AnUnknownExtensionIsReportedAndWritesNothing) {
    exportAs("SaveAsButton97", "chart.gif");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(".gif")) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir / "chart.gif"));
    // Cancelling writes nothing and says nothing.
    click("SaveAsButton97");
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

}  // namespace
}  // namespace ondrel
