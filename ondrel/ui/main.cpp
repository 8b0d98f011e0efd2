// ondrel: simulates cyclic voltammetry, edits reaction mechanisms and keeps
// the history of simulated experiments.
#include <QApplication>
#include <QIcon>
#include <csignal>

#include "../platform/path_text.h"
#include "program_information.h"
#include "qt_interaction.h"
#include "tform1.h"

namespace {

void printUsage(std::ostream& out) {
    out << "Usage: ondrel [FILE...]\n"
           "Simulates cyclic voltammetry: edits reaction mechanisms, runs a virtual\n"
           "potentiostat over them, keeps the history of simulated experiments, reads\n"
           "measured voltammograms, finds peaks, smooths, charts and prints.\n"
           "\n"
           "Model files named on the command line (.CVN, .MEC) open as from the Open\n"
           "button, voltammograms (.OCV, .AA0, .PRN) as from \"Exp files\".\n"
           "\n"
           "      --help     show this help and exit\n"
           "      --version  show the version and exit\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "ondrel", printUsage))
        return *answered;
    // A save past the file-size limit then fails with its cause, which the
    // window shows, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrel"));
    // Desktops match the window to its desktop entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("ondrel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ondrel")));
    ondrel::QtInteraction interaction;
    ondrel::TForm1 window(interaction, {.splash = true});
    interaction.setParent(&window);
    // Files named on the command line open as their dialogs would open them,
    // by the bytes of their names (what Qt leaves of argv after its own
    // options), once the window shows.
    QStringList paths;
    for (int i = 1; i < argc; ++i)
        paths << ondrel::PathText(argv[i]);
    window.OpenAtStart(paths);
    window.show();
    return app.exec();
}
