#pragma once

#include <string>

namespace velmora {

// What the level meter shows after a capture.
struct CaptureLevels {
    int peak[2] = {};       // the largest magnitude of the left and the right input, counts
    bool clipped[2] = {};   // a sample at full scale: the capture is spoilt
    int overflowTotal = 0;  // times the input dropped frames since Start
};

// What the document asks of the frame and the view around it.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // The status bar's message pane.
    virtual void SetStatusText(const std::string& text) = 0;
    // Repaint the view, without erasing after a capture.
    virtual void InvalidateView(bool erase) = 0;
    // View timer 1 with a 0 ms period: its tick asks for the next capture.
    virtual void SetCaptureTimer() = 0;
    // The level meter, after each capture.
    virtual void ShowLevels(const CaptureLevels&) {}
};

// The program cannot go on (its buffers could not be had); the message has
// been shown. main ends with exitCode.
struct FatalError {
    int exitCode;
};

}  // namespace velmora
