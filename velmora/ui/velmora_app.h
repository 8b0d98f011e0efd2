#pragma once

#include <memory>

#include <QPrinter>

#include "../app/command_line.h"
#include "../capture/velmora_doc.h"

namespace velmora {

class CMainFrame;
class PrintDialogs;
class QtInteraction;
class QtPrintDialogs;

// The application: parameters from the command line, then the one
// document, its frame and view.
class CVelmoraApp {
public:
    CVelmoraApp();
    ~CVelmoraApp();

    // Start-up. False when it fails (a bad command line): no window is made.
    // Throws FatalError when the document's buffers cannot be had.
    bool InitInstance(const std::string& commandLine, Interaction* interaction = nullptr,
                      WaveInput* input = nullptr, WaveOutput* output = nullptr,
                      PrintDialogs* printDialogs = nullptr);

    // The application's own commands: about, print setup, exit.
    void OnCommand(int id);

    // The printer the print commands share, made at first use.
    QPrinter& printer();
    PrintDialogs& printDialogs() { return *printDialogs_; }

    ParamStrings m_szParam{};
    CVelmoraDoc* document() const { return document_.get(); }
    CMainFrame* frame() const { return frame_.get(); }

private:
    std::unique_ptr<QtInteraction> ownInteraction_;
    std::unique_ptr<QtPrintDialogs> ownPrintDialogs_;
    PrintDialogs* printDialogs_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<WaveInput> ownInput_;
    std::unique_ptr<WaveOutput> output_;
    std::unique_ptr<CVelmoraDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace velmora
