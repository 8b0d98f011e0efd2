#include "voltammogram_picture.h"

#include <QApplication>
#include <QChartView>
#include <QEventLoop>
#include <QSplitter>
#include <iostream>

#include "../../files/file_io.h"
#include "../../platform/ondrel_error.h"
#include "../../platform/path_text.h"
#include "../charts/chart_panel.h"
#include "../interaction.h"
#include "../potentiostat/potentiostat.h"
#include "../qt_text.h"
#include "../sheets/measured_curves.h"
#include "../tform1.h"
#include "chart_picture.h"

namespace ondrel {

namespace {

// The chart's size in the picture, in pixels at 96 dpi.
constexpr QSize kPictureSize(800, 600);

// No one to ask: notices go to standard error, errors are kept, every
// question about storing the run is answered yes.
class BatchInteraction final : public Interaction {
public:
    void showMessage(const QString& text) override { std::cerr << text.toStdString() << '\n'; }
    void showError(const QString& text) override { errors << text; }
    bool askYesNo(const QString&) override { return false; }
    bool askOkCancel(const QString&) override { return true; }
    QStringList getOpenFileNames(const FileRequest&) override { return {}; }
    QString getSaveFileName(const FileRequest&) override { return {}; }
    void beep() override {}
    bool setUpPrinter(QPrinter&) override { return false; }
    QColor chooseColor(const QColor&) override { return {}; }
    int runDialog(QDialog&) override { return 0; }
    void showAbout(bool) override {}

    // Throws what the window reported.
    void check() {
        if (!errors.isEmpty())
            throw Exception(errors.join('\n').toStdString());
    }

    QStringList errors;
};

// The offscreen platform's notes about itself say nothing about the
// picture; everything else is passed on.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && (text.contains(QLatin1String("propagateSizeHints")) ||
                                 text.startsWith(QLatin1String("QStandardPaths:"))))
        return;
    std::cerr << qFormatLogMessage(type, context, text).toStdString() << '\n';
}

void runModel(TForm1& form, BatchInteraction& interaction) {
    QEventLoop loop;
    QObject::connect(form.Runs, &Potentiostat::runEnded, &loop, &QEventLoop::quit);
    form.Runs->RunSwitchClicked(true);
    if (form.Runs->running())
        loop.exec();
    interaction.check();
    if (form.Runs->history().size() == 0)
        throw Exception("The run gave no voltammogram");
}

// The voltammogram panel alone, laid out so that its chart has the size of
// the picture, never shown on the screen.
void layOut(ChartPanel& panel) {
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.resize(kPictureSize + QSize(0, 40));
    panel.show();
    QApplication::processEvents();
    panel.resize(panel.size() + kPictureSize - panel.view()->size());
    QApplication::processEvents();
}

}  // namespace

void WriteVoltammogramPicture(const std::string& model, const std::vector<std::string>& curves,
                              const std::string& picture, bool threeD) {
    if (!PictureFormatOf(ToQString(picture)))
        throw Exception("Unknown picture extension: \"" + ExtensionOf(picture) +
                        "\" (a picture is written as .WMF, .EMF, .BMP, .SVG, .PDF or .PNG)");
    CheckWritable(picture);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietPlatformNotes);
    static int argc = 1;
    static char name[] = "ondrel-sim";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    BatchInteraction interaction;
    TForm1 form(interaction, {});
    if (!model.empty() && !form.LoadModel(PathText(model)))
        interaction.check();
    runModel(form, interaction);
    QStringList paths;
    for (const std::string& curve : curves)
        paths << PathText(curve);
    if (!paths.isEmpty()) {
        form.Curves->LoadVoltamogramFiles(paths);
        interaction.check();
    }

    ChartPanel& panel = *form.VoltamogramPanel;
    panel.set3D(threeD);
    QSplitter* home = form.Splitter2;
    panel.setParent(nullptr);
    layOut(panel);
    try {
        SaveChartPicture(*panel.chart(), PathText(picture));
    } catch (...) {
        home->insertWidget(0, &panel);
        throw;
    }
    // Back into the window, which owns it.
    home->insertWidget(0, &panel);
}

}  // namespace ondrel
