// velmora: a sound card as oscilloscope, spectrum analyser, transfer-function
// analyser and signal generator.
#include <QApplication>
#include <iostream>
#include <new>

#include "main_frame.h"
#include "velmora_app.h"

int main(int argc, char* argv[]) {
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
