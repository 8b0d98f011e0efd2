// ondrel: simulates cyclic voltammetry, edits reaction mechanisms and keeps
// the history of simulated experiments.
#include <QApplication>

#include "qt_interaction.h"
#include "tform1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrel"));
    ondrel::QtInteraction interaction;
    ondrel::TForm1 window(interaction, {.splash = true});
    interaction.setParent(&window);
    window.show();
    // Files named on the command line open as their dialogs would open them.
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& path : arguments)
        window.OpenFile(path);
    return app.exec();
}
