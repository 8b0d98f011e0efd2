// tolvek: downloads a two-channel waveform from a text file into the
// waveform-generator board on the parallel port.
#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

#include "app/headless_download.h"
#include "platform/inpout32_port.h"
#include "program_information.h"
#include "ui/qt_interaction.h"
#include "ui/tolvek_window.h"

namespace {

constexpr int kExitUsage = 2;

void printUsage(std::ostream& stream) {
    stream << "Usage: tolvek\n"
              "  or:  tolvek --download FILE\n"
              "Clocks a two-channel waveform from a text file into the waveform-generator\n"
              "board on the parallel port: in the window, or without it for FILE (ending\n"
              "in .txt).\n"
              "\n"
              "The port is reached through libinpout32.so; INPOUT32_BACKEND chooses how:\n"
              "ppdev[:DEVICE], ioport, trace:FILE or board[:FILE].\n"
              "\n"
              "      --download FILE  load FILE and download it, print the status and exit\n"
              "      --help           show this help and exit\n"
              "      --version        show the version and exit\n";
}

int run(int argc, char* argv[]) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "tolvek", printUsage))
        return *answered;
    // A write past the file-size limit, or to a FIFO whose reader has gone,
    // then fails with its cause, which the download reports, instead of
    // ending the program with a half-written file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    if (argc >= 2 && std::strcmp(argv[1], "--download") == 0) {
        if (argc != 3) {
            printUsage(std::cerr);
            return kExitUsage;
        }
        tolvek::Inpout32Port port;
        return tolvek::RunHeadlessDownload(port, argv[2], std::cout, std::cerr);
    }
    if (argc >= 2 && std::strcmp(argv[1], "-h") == 0) {
        printUsage(std::cout);
        return 0;
    }

    QApplication app(argc, argv);
    // Desktops match the window to its desktop entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("tolvek"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tolvek")));
    if (argc > 1) {  // what Qt did not take for itself
        std::cerr << "tolvek: unknown argument " << argv[1] << '\n';
        printUsage(std::cerr);
        return kExitUsage;
    }

    tolvek::QtInteraction interaction;
    tolvek::Inpout32Port port;
    // On the heap, as the download's: its wave table would make this
    // function's frame too large for a tight memory limit to let it start.
    const auto window = std::make_unique<tolvek::TolvekWindow>(port, interaction);
    interaction.setParent(window.get());
    if (!window->Load())
        return 1;
    window->show();
    return app.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "tolvek: not enough memory\n";
        return tolvek::kExitOutOfMemory;
    }
}
