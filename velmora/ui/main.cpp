// velmora: a sound card as oscilloscope, spectrum analyser, transfer-function
// analyser and signal generator.
#include <QApplication>
#include <iostream>
#include <new>

#include "main_frame.h"
#include "program_information.h"
#include "velmora_app.h"

namespace {

void printUsage(std::ostream& out) {
    out << "Usage: velmora [P1 [P2 [P3 [P4 [P5 [P6]]]]]]\n"
           "Turns the sound card into a two-channel oscilloscope, an FFT spectrum analyser,\n"
           "a transfer-function analyser and a signal generator.\n"
           "\n"
           "The words of the command line (at most eight, of at most 80 characters each)\n"
           "are read as numbers (an unreadable one as 0); a value out of range takes its\n"
           "default.\n"
           "  P1  sampling rate in Hz, 4000..48000 (default 48000)\n"
           "  P2  time window in seconds (default 0.1)\n"
           "  P3  weighting factor of channel 0, counts per millivolt / 32.767 (default 1.4)\n"
           "  P4  weighting factor of channel 1 (default 1.4)\n"
           "  P5  starting mode: 0 one-channel scope, 1 two-channel scope, 3 transfer\n"
           "      function, otherwise the spectrum (the default)\n"
           "  P6  right-channel delay in seconds (default 0)\n"
           "\n"
           "Enter starts and stops the measurement from the default sound input.\n"
           "\n"
           "      --help     show this help and exit\n"
           "      --version  show the version and exit\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "velmora", printUsage))
        return *answered;
    QApplication application(argc, argv);
    // The command line as one text, as the words were given, less what Qt
    // took for itself.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }

    QApplication::setApplicationName(QStringLiteral("KORVANE"));
    // Desktops match the window to its desktop entry.
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    velmora::CVelmoraApp app;
    try {
        if (!app.InitInstance(commandLine))
            return 1;  // no window, no message
    } catch (const velmora::FatalError& error) {
        return error.exitCode;
    } catch (const std::bad_alloc&) {
        std::cerr << "unable to allocate heap memory. quit other applications and try again\n";
        return 1;
    }
    app.frame()->show();
    return application.exec();
}
