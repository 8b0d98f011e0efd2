#include "velmora_app.h"

#include <QApplication>

#include "../capture/command_ids.h"
#include "../platform/portaudio_wave_output.h"
#include "about_box.h"
#include "main_frame.h"
#include "print_dialogs.h"
#include "qt_interaction.h"
#include "velmora_view.h"

namespace velmora {

CVelmoraApp::CVelmoraApp() = default;

// The frame goes first: the document stops capture and playback as it goes.
CVelmoraApp::~CVelmoraApp() {
    frame_.reset();
    document_.reset();
}

bool CVelmoraApp::InitInstance(const std::string& commandLine, Interaction* interaction,
                               WaveInput* input, WaveOutput* output, PrintDialogs* printDialogs) {
    const auto params = SplitCommandLine(commandLine);
    if (!params)
        return false;
    m_szParam = *params;

    if (!interaction) {
        ownInteraction_ = std::make_unique<QtInteraction>();
        interaction = ownInteraction_.get();
    }
    if (!printDialogs) {
        ownPrintDialogs_ = std::make_unique<QtPrintDialogs>();
        printDialogs = ownPrintDialogs_.get();
    }
    printDialogs_ = printDialogs;
    if (!input) {
        ownInput_ = MakeDefaultWaveInput();
        input = ownInput_.get();
    }
    if (!output) {
        output_ = std::make_unique<PortAudioWaveOutput>();
        output = output_.get();
    }
    document_ = std::make_unique<CVelmoraDoc>(m_szParam, *input, *interaction, output);
    frame_ = std::make_unique<CMainFrame>(*this, *document_, *interaction);
    document_->SetHost(frame_.get());
    if (ownInteraction_)
        ownInteraction_->setParent(frame_->view());
    if (ownPrintDialogs_)
        ownPrintDialogs_->setParent(frame_.get());
    return true;
}

QPrinter& CVelmoraApp::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void CVelmoraApp::OnCommand(int id) {
    switch (id) {
        case ID_APP_ABOUT: {
            CAboutDlg about(frame_.get());
            about.exec();
            break;
        }
        case ID_FILE_PRINT_SETUP:
            printDialogs_->PageSetup(printer());
            break;
        case ID_APP_EXIT:
            frame_->close();
            break;
        default:
            break;
    }
}

}  // namespace velmora
