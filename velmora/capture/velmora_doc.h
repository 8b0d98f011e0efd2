#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../analysis/fft_plan.h"
#include "../analysis/measurement_options.h"
#include "../analysis/thd.h"
#include "../analysis/window_function.h"
#include "../app/command_line.h"
#include "../generator/synthesis.h"
#include "../platform/auto_reset_event.h"
#include "../platform/interaction.h"
#include "../platform/wave_input.h"
#include "../platform/wave_output.h"
#include "document_host.h"
#include "flags.h"

namespace velmora {

class WavRecorder;

// The one document: all instrument state, and the acquisition cycle that
// records one block of 16-bit stereo frames after another.
class CVelmoraDoc {
public:
    // Reads P1..P6 and sizes every buffer. Throws FatalError when the
    // buffers cannot be had. Without an output the generator plays nowhere.
    CVelmoraDoc(const ParamStrings& params, WaveInput& input, Interaction& interaction,
                WaveOutput* output = nullptr);
    ~CVelmoraDoc();
    CVelmoraDoc(const CVelmoraDoc&) = delete;
    CVelmoraDoc& operator=(const CVelmoraDoc&) = delete;

    void SetHost(DocumentHost* host) { host_ = host; }

    // Carries out a document command (32771..32795, and the measurement and
    // data commands); false for another id.
    bool OnCommand(int id);
    // Whether a checkable command's item is checked now.
    bool IsChecked(int id) const;

    void AllocateBuffers();
    void ToggleAcquisition();
    // Ends acquisition if it runs; never starts it.
    void StopAcquisition();
    void CaptureOnce();
    void ResetViewRanges();
    // The transforms and per-bin results of the capture just converted.
    void AnalyseSpectra();
    void OnTimeWindow();
    void OnSamplingRate();
    void OnReverseInputs();

    // The measurement's choices. A window or an estimate that cannot get
    // its arrays says so and stays as it was; a change while running starts
    // the averages again.
    void SetWindowFunction(WindowFunction window);
    void SetTransferEstimate(TransferEstimate estimate);
    void SetAmplitudeScale(AmplitudeScale scale);
    void SetRatioInDb(bool on);
    void SetLogFrequency(bool on);
    // The equivalent noise bandwidth of the window in use, in bins.
    double EquivalentNoiseBandwidthBins() const { return enbw_; }
    // THD and THD+N of the strongest tone of the last spectrum.
    const ThdResult& Thd();

    // File > Record WAV: the captures from now on into a WAV file, saved
    // whole when the recording stops.
    bool StartRecording(const std::string& path);
    bool StopRecording();
    // Gives the recording up: nothing is saved.
    void CancelRecording();
    bool recording() const;
    std::string RecordingPath() const;

    // The generator.
    void StopOutput();
    void StartOutput();
    // A Function Generator item: "Silent" or one of the seven signals.
    void SelectWaveform(int waveform);
    void OnFrequency();

    bool running() const { return m_dwFlags & kFlagRunning; }

    // Capture state.
    int m_nSamplingRate = 48000;
    double m_dTimeWindow = 0.1;
    double m_dWeight[2] = {1.4, 1.4};
    double m_dRDelay = 0;
    std::uint32_t m_dwFlags = 0;
    int m_nCaptureFrames = 0;
    int m_nDelaySkip = 0;
    int m_nWindowSamples = 0;
    std::int16_t* m_pCaptureBuffer = nullptr;  // m_nCaptureFrames * 4 + 1024 bytes
    WaveFormat m_wfxIn;
    bool m_hWaveIn = false;  // the input is open, during one capture

    // The analysis arrays, all in one block: time samples and spectra of N
    // values, magnitude, ratio and phase of (N + 1) / 2 + 1.
    double* m_pTime[2] = {};
    double* m_pSpectrum[2] = {};
    double* m_pMagnitude = nullptr;
    double* m_pRatio = nullptr;
    double* m_pPhase = nullptr;
    int m_nAverageCount = 1;
    SpectrumPlan m_plan;  // the forward transform of N samples
    // With the H1 estimate: the coherence of bins 0..H; null otherwise.
    double* m_pCoherence = nullptr;

    // Measurement choices; the defaults are the instrument's own.
    WindowFunction m_nWindowFunction = WindowFunction::Rectangular;
    TransferEstimate m_nTransferEstimate = TransferEstimate::RatioAverage;
    AmplitudeScale m_nAmplitudeScale = AmplitudeScale::Millivolts;
    bool m_bRatioInDb = false;
    bool m_bLogFrequency = false;
    bool m_bShowThd = false;

    // The last capture's peak levels and the frames dropped since Start.
    CaptureLevels m_levels;

    // Default display ranges.
    int m_nScopeYMax[2] = {};
    int m_nScopeYMin[2] = {};
    double m_dSpecYMin[2] = {};
    double m_dSpecYMax[2] = {};

    // Generator state: the selected signal, its frequency and the block the
    // output loops.
    double m_dOutputFrequency = 440.0;
    int m_nWaveform = kWaveformSilent;
    int m_nOutputSamples = 0;
    std::unique_ptr<std::int16_t[]> m_sOutputBuffer;  // kOutputCapacity samples
    bool m_hWaveOut = false;                          // a block is playing
    static constexpr int kOutputLoops = 4096;

    // The shared text into which messages and prompts are formatted.
    std::string m_szMessage;

    // How often the input dropped frames during the last capture, and in
    // all captures since Start.
    int m_nOverflows = 0;
    int m_nOverflowTotal = 0;

    static constexpr int kFullScale = 65536;
    // How long a capture is waited for: its own length and a margin, after
    // which the input is taken to deliver nothing.
    std::chrono::milliseconds CaptureTimeout() const;
    void SetCaptureMargin(std::chrono::milliseconds margin) { captureMargin_ = margin; }

private:
    void releaseBuffers();
    bool onMeasurementCommand(int id);
    bool allocateOptionArrays();
    bool fitOptionArrays();
    void releaseOptionArrays();
    bool needsOptionArrays() const;
    void transformChannels();
    void prepareWindow();
    void restartAverages();
    void fitTransferFunction();
    void measureLevels();
    void recordCapture();
    std::string statusAfterCapture() const;
    void prepareDelayRotation(int H, double f);
    double delayPhaseStep() const;
    void setDefaultRanges();
    void closeCapture();
    void fatal(const char* message);

    WaveInput& input_;
    WaveOutput* output_;
    GeneratorRandom random_;
    Interaction& interaction_;
    DocumentHost* host_ = nullptr;
    // Exists while a capture is outstanding; the audio thread holds a share.
    std::shared_ptr<AutoResetEvent> captureDone_;
    double* analysisBlock_ = nullptr;
    // cos and sin of the delay rotation of bins 0..H, and the summed transfer
    // function as vectors (what m_pRatio and m_pPhase hold in polar form):
    // all in the analysis block, so that sizing has no allocation that could
    // fail unseen.
    double* rotationCos_ = nullptr;
    double* rotationSin_ = nullptr;
    double* sumRe_ = nullptr;
    double* sumIm_ = nullptr;
    bool rotationReady_ = false;
    double rotationStep_ = 0;
    std::chrono::milliseconds captureMargin_{2000};
    // A window's coefficients and the windowed samples (N each), the H1
    // sums (cross-spectrum and both auto-spectra) and the coherence: made
    // only when a window or H1 is chosen.
    double* optionBlock_ = nullptr;
    double* window_ = nullptr;
    double* windowed_ = nullptr;
    double* crossRe_ = nullptr;
    double* crossIm_ = nullptr;
    double* autoPower0_ = nullptr;
    double* autoPower1_ = nullptr;
    bool windowReady_ = false;
    double enbw_ = 1;
    // The transfer function's y range is fitted on the first capture after
    // sizing, rather than left at its default.
    bool fitPending_ = true;
    // Which analysis the THD was measured on.
    long long analyses_ = 0;
    long long thdOf_ = -1;
    ThdResult thd_;
    std::unique_ptr<WavRecorder> recorder_;
};

// What the status line adds after a capture in which the input dropped
// frames.
std::string OverflowText(int overflows);

}  // namespace velmora
