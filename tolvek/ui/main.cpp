// tolvek: downloads a two-channel waveform from a text file into the
// waveform-generator board on the parallel port.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/headless_download.h"
#include "platform/inpout32_port.h"
#include "ui/qt_interaction.h"
#include "ui/tolvek_window.h"

namespace {

constexpr int kExitUsage = 2;

void printUsage(std::ostream& stream) {
    stream << "usage: tolvek                  open the window\n"
              "       tolvek --download FILE  download FILE (ending in .txt) without a window\n"
              "The port is reached through libinpout32.so; INPOUT32_BACKEND chooses how:\n"
              "ppdev[:DEVICE], ioport, trace:FILE or board[:FILE].\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--download") == 0) {
        if (argc != 3) {
            printUsage(std::cerr);
            return kExitUsage;
        }
        tolvek::Inpout32Port port;
        return tolvek::RunHeadlessDownload(port, argv[2], std::cout, std::cerr);
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(std::cout);
        return 0;
    }

    QApplication app(argc, argv);
    if (argc > 1) {  // what Qt did not take for itself
        std::cerr << "tolvek: unknown argument " << argv[1] << '\n';
        printUsage(std::cerr);
        return kExitUsage;
    }

    tolvek::QtInteraction interaction;
    tolvek::Inpout32Port port;
    tolvek::TolvekWindow window(port, interaction);
    interaction.setParent(&window);
    if (!window.Load())
        return 1;
    window.show();
    return app.exec();
}
