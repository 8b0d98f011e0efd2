// File > Record WAV: every capture's frames, as they came from the input,
// into a WAV file that VELMORA_INPUT reads back, so that a measurement can
// be analysed again with other settings.
#include "../platform/wav_recorder.h"
#include "velmora_doc.h"

namespace velmora {

bool CVelmoraDoc::recording() const {
    return recorder_ && recorder_->isOpen();
}

std::string CVelmoraDoc::RecordingPath() const {
    return recorder_ ? recorder_->path() : std::string();
}

bool CVelmoraDoc::StartRecording(const std::string& path) {
    if (!recorder_)
        recorder_ = std::make_unique<WavRecorder>();
    if (const std::string why = recorder_->open(path, m_nSamplingRate); !why.empty()) {
        m_szMessage = "Cannot record to " + path + ": " + why;
        interaction_.MessageBox(m_szMessage);
        return false;
    }
    return true;
}

bool CVelmoraDoc::StopRecording() {
    if (!recording())
        return false;
    const std::string path = recorder_->path();
    if (const std::string why = recorder_->finish(); !why.empty()) {
        m_szMessage = "Cannot save the recording " + path + ": " + why;
        interaction_.MessageBox(m_szMessage);
        return false;
    }
    return true;
}

void CVelmoraDoc::CancelRecording() {
    if (recorder_)
        recorder_->cancel();
}

// The whole capture, skipped frames too: read back with the same settings,
// each capture takes the same frames again. A recording that stops
// half-way is given up whole.
void CVelmoraDoc::recordCapture() {
    if (!recording())
        return;
    std::string why;
    switch (recorder_->append(m_pCaptureBuffer, m_nCaptureFrames, why)) {
        case WavRecorder::Append::Done:
            return;
        case WavRecorder::Append::Full:
            if (StopRecording()) {
                m_szMessage = "The recording " + recorder_->path() +
                              " has reached the 4 GiB a WAV file can hold: it has been saved "
                              "and stopped.";
                interaction_.Notice(m_szMessage);
            }
            return;
        case WavRecorder::Append::Failed:
            m_szMessage = "Cannot record to " + recorder_->path() + ": " + why +
                          ". The recording has been given up; nothing was saved.";
            interaction_.MessageBox(m_szMessage);
            return;
    }
}

}  // namespace velmora
