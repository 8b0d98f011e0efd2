// The document's side of the signal generator: computing a block and
// handing it to the output, which loops it by itself.
#include "../capture/velmora_doc.h"

namespace velmora {

void CVelmoraDoc::StopOutput() {
    if (m_hWaveOut && output_)
        output_->reset();
    m_hWaveOut = false;
}

void CVelmoraDoc::StartOutput() {
    // The output reads the buffer while it plays: never write it before.
    StopOutput();
    if (m_nWaveform == kWaveformSilent)
        return;
    const SynthesisResult block = Synthesize(m_nWaveform, m_dOutputFrequency, m_nSamplingRate,
                                             m_sOutputBuffer.get(), random_);
    if (!block.message.empty()) {
        m_szMessage = block.message;
        interaction_.Notice(m_szMessage);
    }
    if (block.silenced) {
        m_nWaveform = kWaveformSilent;
        return;
    }
    m_nOutputSamples = block.samples;
    if (m_nOutputSamples == 0 || !output_)
        return;

    m_wfxIn = WaveFormat{m_nSamplingRate, 1, 16};
    WaveResult result = output_->open(m_wfxIn);
    if (result) {
        m_hWaveOut = true;
        result = output_->play(m_sOutputBuffer.get(), m_nOutputSamples, kOutputLoops);
    }
    if (!result) {
        StopOutput();
        m_szMessage = "fail to open waveOutDevice\n";
        interaction_.MessageBox(m_szMessage);
    }
}

void CVelmoraDoc::SelectWaveform(int waveform) {
    StopOutput();
    m_nWaveform = waveform;
    if (waveform != kWaveformSilent)
        StartOutput();
}

void CVelmoraDoc::OnFrequency() {
    const bool wasRunning = running();
    if (wasRunning)
        ToggleAcquisition();
    StopOutput();
    const double previous = m_dOutputFrequency;
    m_szMessage = "New output frequency.";
    interaction_.EditNumber(m_szMessage, m_dOutputFrequency);
    if (!(m_dOutputFrequency > 0.05 && m_dOutputFrequency <= 48000))
        m_dOutputFrequency = previous;
    StartOutput();
    if (wasRunning)
        ToggleAcquisition();
}

}  // namespace velmora
