// The view on real Qt painting: canvases, printers and mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "capture/command_ids.h"
#include "capture/velmora_doc.h"
#include "fakes.h"
#include "recording_surface.h"
#include "ui/main_frame.h"
#include "ui/painter_surface.h"
#include "ui/print_dialogs.h"
#include "ui/velmora_app.h"
#include "ui/velmora_view.h"

namespace velmora {
namespace {

// How long a condition that the event loop brings about may take: far more
// than it needs on a loaded machine, and only spent when it fails.
constexpr int kPatience = 10000;  // ms

// Fills the record with noise across the whole scale, as a loud signal
// gives, and spectra to match.
void fillRandomly(CVelmoraDoc& doc, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> sample(-30000, 30000), unit(0, 1);
    for (int i = 0; i < doc.m_nWindowSamples; ++i) {
        doc.m_pTime[0][i] = sample(random);
        doc.m_pTime[1][i] = sample(random) / 2;
    }
    for (int k = 0; k <= (doc.m_nWindowSamples + 1) / 2; ++k) {
        doc.m_pMagnitude[k] = unit(random) * 1e6;
        doc.m_pRatio[k] = unit(random);
        doc.m_pPhase[k] = (unit(random) - 0.5) * 6;
    }
}

// Two captures painted one over the other, as the window shows them.
QImage paintTwoCaptures(CVelmoraDoc& doc, bool columnSpans) {
    PlotView plot(doc);
    plot.SetColumnSpans(columnSpans);
    QImage image(1000, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    const DeviceCaps caps{1000, 600, 96, 96, 24};
    doc.m_dwFlags |= kFlagResetView;
    for (unsigned seed : {1u, 2u}) {
        fillRandomly(doc, seed);
        QPainter painter(&image);
        PainterSurface surface(painter, caps, &image);
        plot.OnDraw(surface, 1000, 600);
    }
    return image;
}

TEST(ViewPainting, ColumnSpansGiveThePixelsOfPointByPointDrawing) {
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    // 48000 samples in 1000 pixels: some 60 samples share each column.
    for (const char* commandLine : {"48000 1 0 0 1", "48000 1 0 0 2", "48000 1 0 0 3"}) {
        CVelmoraDoc doc(*SplitCommandLine(commandLine), input, dialogs);
        const QImage spans = paintTwoCaptures(doc, true);
        const QImage points = paintTwoCaptures(doc, false);
        EXPECT_TRUE(spans == points) << commandLine;
        // And the picture is not blank: the red trace is there.
        int red = 0;
        for (int y = 0; y < spans.height(); ++y)
            for (int x = 0; x < spans.width(); ++x)
                red += spans.pixel(x, y) == qRgb(224, 0, 0);
        EXPECT_GT(red, 500) << commandLine;
    }

    // The cost follows the width: a long record draws few segments.
    CVelmoraDoc doc(*SplitCommandLine("48000 1 0 0 0"), input, dialogs);
    fillRandomly(doc, 3);
    PlotView plot(doc);
    testing::RecordingSurface surface({1000, 600, 96, 96, 24});
    plot.OnDraw(surface, 1000, 600);
    EXPECT_LT(surface.lines.size(), 5000u);
}

TEST(PainterSurfaceTest, UnitsMapByResolutionAndDotsStayVisibleOnFineDevices) {
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PainterSurface printer(painter, {200, 200, 1200, 1200, 24});  // 12 pixels a unit
        printer.SetPixel(5, -5, MakeRgb(0, 0, 224));
        printer.SetPen(kBlack);
        printer.MoveTo(10, -2);
        printer.LineTo(10, -12);
    }
    // The dot is a unit square around (60, 60); the line runs from y 24 to 144.
    EXPECT_EQ(image.pixel(60, 60), qRgb(0, 0, 224));
    EXPECT_EQ(image.pixel(55, 55), qRgb(0, 0, 224));
    EXPECT_EQ(image.pixel(53, 60), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(120, 24), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(120, 144), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(120, 145), qRgb(255, 255, 255));

    // On a screen a dot is one pixel, written straight into the canvas.
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PainterSurface screen(painter, {200, 200, 96, 96, 24}, &image);
        const int rows[] = {-10, -11, -50};
        screen.SetPixels(50, rows, 3, MakeRgb(0, 0, 224));
        screen.InvertRectOutline(100, 100, 110, 105);
    }
    EXPECT_EQ(image.pixel(48, 10), qRgb(0, 0, 224));
    EXPECT_EQ(image.pixel(48, 11), qRgb(0, 0, 224));
    EXPECT_EQ(image.pixel(48, 48), qRgb(0, 0, 224));
    EXPECT_EQ(image.pixel(49, 10), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(100, 100), qRgb(0, 0, 0));  // the outline, inverted
    EXPECT_EQ(image.pixel(110, 105), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(105, 102), qRgb(255, 255, 255));
}

// Answers the print dialogs by printing to a PDF file.
class PdfPrintDialogs final : public PrintDialogs {
public:
    explicit PdfPrintDialogs(QString path) : path_(std::move(path)) {}
    void setPath(const QString& path) { path_ = path; }
    bool Print(QPrinter& printer) override {
        ++prints;
        toPdf(printer);
        return accept;
    }
    void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override {
        ++previews;
        toPdf(printer);
        paint(printer);
    }
    bool PageSetup(QPrinter&) override {
        ++setups;
        return true;
    }
    bool accept = true;
    int prints = 0, previews = 0, setups = 0;

private:
    void toPdf(QPrinter& printer) const {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path_);
    }
    QString path_;
};

QString pdfText(const QString& path) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    text.waitForFinished(10000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

class ViewTest : public ::testing::Test {
protected:
    ViewTest() : pdf(dir.filePath(QStringLiteral("page.pdf"))), printDialogs(pdf) {
        EXPECT_TRUE(app.InitInstance("", &dialogs, &input, &output, &printDialogs));
        frame().resize(900, 700);
        frame().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame()));
        fillRandomly(*app.document(), 5);
    }
    CMainFrame& frame() { return *app.frame(); }
    CVelmoraView& view() { return *frame().view(); }
    // The first paint has reset the ranges to the whole spectrum.
    bool firstPaint() {
        return QTest::qWaitFor([&] { return view().plot().m_nLast == 2401; }, kPatience);
    }

    QTemporaryDir dir;
    QString pdf;
    testing::FakeWaveInput input;
    testing::FakeWaveOutput output;
    testing::ScriptedInteraction dialogs;
    PdfPrintDialogs printDialogs;
    CVelmoraApp app;
};

TEST_F(ViewTest, PrintAndPreviewWriteAPageWithThePlot) {
    EXPECT_TRUE(frame().action(ID_FILE_PRINT)->isEnabled());
    frame().OnCommand(ID_FILE_PRINT);
    EXPECT_EQ(printDialogs.prints, 1);
    QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("FFT mode"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Sampling rate= 48000 Hz")));
    EXPECT_TRUE(text.contains(QStringLiteral("Frequency (Hz)")));

    QFile::remove(pdf);
    frame().OnCommand(ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(printDialogs.previews, 1);
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("FFT Averaging off")));

    // A cancelled print dialog prints nothing.
    QFile::remove(pdf);
    printDialogs.accept = false;
    frame().OnCommand(ID_FILE_PRINT);
    EXPECT_FALSE(QFile::exists(pdf));

    // A file that cannot be written is said so, and nothing is left behind.
    printDialogs.accept = true;
    const QString nowhere = dir.filePath(QStringLiteral("absent/page.pdf"));
    printDialogs.setPath(nowhere);
    frame().OnCommand(ID_FILE_PRINT);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Cannot print to " + nowhere.toStdString() +
                                       ": the printer or the file could not be opened.");
    EXPECT_FALSE(QFile::exists(nowhere));

    frame().OnCommand(ID_FILE_PRINT_SETUP);
    EXPECT_EQ(printDialogs.setups, 1);
    // The window's geometry comes back with its next paint.
    EXPECT_TRUE(QTest::qWaitFor([&] { return view().plot().m_nWidth < 2000; }, kPatience));
}

TEST_F(ViewTest, DragZoomsDoubleClickResetsAndCopyTakesTheShownRange) {
    ASSERT_TRUE(firstPaint());
    const int M = view().plot().m_nMargin;
    const int left = static_cast<int>(M / view().plot().m_dUnitsPerPixelX) + 50;
    QTest::mousePress(&view(), Qt::LeftButton, {}, QPoint(left, 100));
    QTest::mouseMove(&view(), QPoint(left + 100, 200));
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, QPoint(left + 100, 200));
    const int first = view().plot().m_nFirst, last = view().plot().m_nLast;
    EXPECT_GT(first, 0);
    EXPECT_LT(last, 2401);
    EXPECT_GT(last, first);

    view().OnEditCopy();
    const QStringList rows = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(rows.size(), last - first + 1);

    QTest::mouseDClick(&view(), Qt::LeftButton, {}, QPoint(left, 100));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view().plot().m_nFirst == 0 && view().plot().m_nLast == 2401; }, kPatience));
}

TEST_F(ViewTest, TheWindowShowsTheMeasurementAndTheReadout) {
    ASSERT_TRUE(firstPaint());
    QTest::mouseMove(&view(), QPoint(400, 300));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return view().plot().m_ptLastMouse == PixelPoint{400, 300};
        },
        kPatience));
    const QImage& canvas = view().canvas();
    int red = 0, readout = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            red += canvas.pixel(x, y) == qRgb(224, 0, 0);
            readout += qRed(canvas.pixel(x, y)) < 80 && qBlue(canvas.pixel(x, y)) > 150 &&
                       qGreen(canvas.pixel(x, y)) > 60;
        }
    EXPECT_GT(red, 500);
    EXPECT_GT(readout, 20);
}

}  // namespace
}  // namespace velmora
