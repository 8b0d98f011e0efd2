#include "velmora_doc.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "../analysis/analysis.h"
#include "../analysis/units.h"
#include "../platform/format_text.h"
#include "../platform/wav_recorder.h"
#include "command_ids.h"
#include "frame_count.h"

namespace velmora {

namespace {

constexpr const char* kOnText = "Velmora ON; hit any key to stop.";
constexpr const char* kOffText = "Velmora OFF; hit 'RETURN' to start.";
constexpr const char* kNoDataText =
    "The sound input delivered no data: the acquisition has been stopped.";
constexpr const char* kNoOptionMemoryText =
    "unable to allocate heap memory for the window function or the H1 estimate: the plain "
    "analysis goes on";
constexpr double kDefaultTimeWindow = 0.1;
constexpr double kDefaultWeight = 1.4;

// A count of doubles rounded up to whole 64-byte lines.
std::size_t aligned(std::size_t count) {
    return (count + 7) / 8 * 8;
}

// A block of doubles on a 64-byte line, zero-filled; null when it cannot be
// had.
double* zeroedBlock(std::size_t doubles) {
    auto* block = static_cast<double*>(std::aligned_alloc(64, doubles * sizeof(double)));
    if (block)
        std::memset(block, 0, doubles * sizeof(double));
    return block;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

// The standard conversions: the leading number of the text, 0 when there is
// none. Command lines are read the same in every locale.
int paramInteger(const ParamStrings& params, int index) {
    const long value = strtol_l(params[index].data(), nullptr, 10, cLocale());
    return value < INT32_MIN || value > INT32_MAX ? 0 : static_cast<int>(value);
}
double paramNumber(const ParamStrings& params, int index) {
    return strtod_l(params[index].data(), nullptr, cLocale());
}

}  // namespace

CVelmoraDoc::CVelmoraDoc(const ParamStrings& params, WaveInput& input, Interaction& interaction,
                         WaveOutput* output)
    : input_(input), output_(output), interaction_(interaction) {
    m_nSamplingRate = paramInteger(params, 0);
    if (m_nSamplingRate < 4000 || m_nSamplingRate > 48000)
        m_nSamplingRate = 48000;
    m_dTimeWindow = paramNumber(params, 1);
    m_dWeight[0] = paramNumber(params, 2);
    if (m_dWeight[0] == 0)
        m_dWeight[0] = kDefaultWeight;
    m_dWeight[1] = paramNumber(params, 3);
    if (m_dWeight[1] == 0)
        m_dWeight[1] = kDefaultWeight;
    // Without a starting mode the program opens as the spectrum analyser;
    // a written 0 is the one-channel oscilloscope.
    m_dwFlags =
        params[4][0] == '\0' ? StartingModeFlags(2) : StartingModeFlags(paramInteger(params, 4));
    m_dRDelay = paramNumber(params, 5);

    m_sOutputBuffer.reset(new (std::nothrow) std::int16_t[kOutputCapacity]());
    if (!m_sOutputBuffer)
        fatal("unable to allocate heap memory. quit other applications and try again");

    // A window of 0, or one that leaves fewer than two analysed samples or
    // more frames than can be held, takes the default.
    const int skip = m_dRDelay != 0 ? 30 : 0;
    if (m_dTimeWindow == 0 || CaptureFramesFor(m_nSamplingRate, m_dTimeWindow, skip) == 0)
        m_dTimeWindow = kDefaultTimeWindow;

    AllocateBuffers();
    m_dOutputFrequency = 440.0;
    m_nWaveform = 99;
}

CVelmoraDoc::~CVelmoraDoc() {
    StopOutput();
    if (running())
        closeCapture();
    input_.release();
    // A recording still going is saved as it stands when the program ends.
    if (recording())
        StopRecording();
    releaseBuffers();
}

void CVelmoraDoc::releaseBuffers() {
    m_plan = SpectrumPlan();
    m_dwFlags &= ~kFlagPlanMade;
    std::free(analysisBlock_);
    analysisBlock_ = nullptr;
    m_pTime[0] = m_pTime[1] = m_pSpectrum[0] = m_pSpectrum[1] = nullptr;
    m_pMagnitude = m_pRatio = m_pPhase = nullptr;
    rotationCos_ = rotationSin_ = sumRe_ = sumIm_ = nullptr;
    rotationReady_ = false;
    releaseOptionArrays();
    std::free(m_pCaptureBuffer);
    m_pCaptureBuffer = nullptr;
}

void CVelmoraDoc::fatal(const char* message) {
    interaction_.MessageBox(message);
    releaseBuffers();
    throw FatalError{1};
}

void CVelmoraDoc::AllocateBuffers() {
    releaseBuffers();
    m_nDelaySkip = m_dRDelay != 0 ? 30 : 0;
    m_nCaptureFrames =
        SmoothFrameCount(static_cast<int>(std::trunc(m_nSamplingRate * m_dTimeWindow)));
    m_nWindowSamples = m_nCaptureFrames - m_nDelaySkip;
    m_dTimeWindow = static_cast<double>(m_nCaptureFrames) / m_nSamplingRate;

    m_pCaptureBuffer = static_cast<std::int16_t*>(
        std::calloc(static_cast<std::size_t>(m_nCaptureFrames) * 4 + 1024, 1));
    if (!m_pCaptureBuffer)
        fatal("sound driver buffer array cannot be assigned");

    // Each array starts on a 64-byte boundary, so that one transform plan
    // serves both channels' arrays (and the windowed samples).
    const std::size_t N = aligned(m_nWindowSamples);
    const std::size_t half = aligned((m_nWindowSamples + 1) / 2 + 1);
    const std::size_t spectrum = aligned(2 * (static_cast<std::size_t>(m_nWindowSamples) / 2 + 1));
    analysisBlock_ = zeroedBlock(2 * N + 2 * spectrum + 7 * half);
    if (!analysisBlock_)
        fatal("unable to allocate heap memory. quit other applications and try again");
    m_pTime[0] = analysisBlock_;
    m_pTime[1] = m_pTime[0] + N;
    m_pSpectrum[0] = m_pTime[1] + N;
    m_pSpectrum[1] = m_pSpectrum[0] + spectrum;
    m_pMagnitude = m_pSpectrum[1] + spectrum;
    m_pRatio = m_pMagnitude + half;
    m_pPhase = m_pRatio + half;
    sumRe_ = m_pPhase + half;
    sumIm_ = sumRe_ + half;
    rotationCos_ = sumIm_ + half;
    rotationSin_ = rotationCos_ + half;

    setDefaultRanges();
    // The transform's planner takes its memory where it cannot report a
    // failure: memory for it is made sure of first, and a plan it could not
    // make is a failure too.
    void* room = std::malloc(N * sizeof(double) + (1 << 20));
    if (!room)
        fatal("unable to allocate heap memory. quit other applications and try again");
    std::free(room);
    m_plan = SpectrumPlan(m_nWindowSamples, m_pTime[0], m_pSpectrum[0]);
    if (!m_plan)
        fatal("unable to allocate heap memory. quit other applications and try again");
    m_dwFlags |= kFlagPlanMade;
    captureDone_.reset();
    m_nAverageCount = 1;
    fitPending_ = true;
    // A window or H1 chosen keeps its arrays at the new size, or gives way
    // to the plain analysis with a message: the program goes on.
    if (needsOptionArrays() && !allocateOptionArrays()) {
        m_nWindowFunction = WindowFunction::Rectangular;
        m_nTransferEstimate = TransferEstimate::RatioAverage;
        m_szMessage = kNoOptionMemoryText;
        interaction_.MessageBox(m_szMessage);
    }
}

bool CVelmoraDoc::needsOptionArrays() const {
    return m_nWindowFunction != WindowFunction::Rectangular ||
           m_nTransferEstimate == TransferEstimate::H1;
}

// The arrays of a window function and of H1, zero-filled, at the size of the
// window; false when they cannot be had.
bool CVelmoraDoc::allocateOptionArrays() {
    releaseOptionArrays();
    const std::size_t N = aligned(m_nWindowSamples);
    const std::size_t half = aligned((m_nWindowSamples + 1) / 2 + 1);
    optionBlock_ = zeroedBlock(2 * N + 5 * half);
    if (!optionBlock_)
        return false;
    window_ = optionBlock_;
    windowed_ = window_ + N;
    m_pCoherence = windowed_ + N;
    crossRe_ = m_pCoherence + half;
    crossIm_ = crossRe_ + half;
    autoPower0_ = crossIm_ + half;
    autoPower1_ = autoPower0_ + half;
    windowReady_ = false;
    return true;
}

void CVelmoraDoc::releaseOptionArrays() {
    std::free(optionBlock_);
    optionBlock_ = nullptr;
    window_ = windowed_ = m_pCoherence = nullptr;
    crossRe_ = crossIm_ = autoPower0_ = autoPower1_ = nullptr;
    windowReady_ = false;
}

void CVelmoraDoc::setDefaultRanges() {
    for (int c = 0; c < 2; ++c) {
        m_nScopeYMax[c] = kFullScale / 2 - 1;
        m_nScopeYMin[c] = 1 - kFullScale / 2;
    }
    m_dSpecYMin[0] = 0.0;
    m_dSpecYMin[1] = -180.0;
    m_dSpecYMax[0] = (m_dwFlags & kFlagDual) ? 1000.0 : 32767.0 * m_nWindowSamples * 0.5;
    m_dSpecYMax[1] = 180.0;
    if (ShownInDecibels(*this)) {
        const DecibelSpan span = DefaultDecibelSpan(*this);
        m_dSpecYMin[0] = span.bottom;
        m_dSpecYMax[0] = span.top;
    }
}

void CVelmoraDoc::ResetViewRanges() {
    m_dwFlags |= kFlagResetView;
    const int N = m_nWindowSamples;
    if (m_pTime[0] && (m_dwFlags & kFlagScope)) {
        // The recorded extremes of each shown channel with a tenth more.
        for (int c = 0; c < ((m_dwFlags & kFlagDual) ? 2 : 1); ++c) {
            int max = -32767, min = 32767;
            for (int i = 0; i < N; ++i) {
                const int v = static_cast<int>(m_pTime[c][i]);
                max = std::max(max, v);
                min = std::min(min, v);
            }
            const int d = (max - min) / 10;
            max += d;
            min -= d;
            if (max == min) {
                min = -32767;
                max = 32767;
            }
            m_nScopeYMax[c] = max;
            m_nScopeYMin[c] = min;
        }
    } else if (m_pTime[0] && ShownInDecibels(*this)) {
        // The levels shown, over the bins a reset view shows.
        const bool dual = m_dwFlags & kFlagDual;
        double least = kDecibelCeiling, most = kDecibelFloor;
        for (int k = m_bLogFrequency ? 1 : 0; k <= (N + 1) / 2; ++k) {
            const double v =
                dual ? RatioShown(*this, m_pRatio[k]) : SpectrumValue(*this, m_pMagnitude[k]);
            least = std::min(least, v);
            most = std::max(most, v);
        }
        const DecibelSpan span = DecibelRange(least, most, DefaultDecibelSpan(*this));
        m_dSpecYMin[0] = span.bottom;
        m_dSpecYMax[0] = span.top;
        m_dSpecYMin[1] = -180.0;
        m_dSpecYMax[1] = 180.0;
    } else if (m_pTime[0]) {
        const double* trace = (m_dwFlags & kFlagDual) ? m_pRatio : m_pMagnitude;
        const double n = m_nAverageCount;
        double max = -9e49;
        for (int k = 0; k <= (N + 1) / 2; ++k) {
            // Divided by a count of 0 a value is infinite or not a number:
            // the cap holds the first, the comparison skips the second.
            const double v = trace[k] / n;
            if (v > max)
                max = v;
            max = std::min(max, 9e49);
        }
        if (max >= 1e-10)
            max *= 1.1;
        else
            max = (m_dwFlags & kFlagDual) ? 1.0 : 32767.0 * N * 0.5;
        m_dSpecYMax[0] = max;
        m_dSpecYMin[0] = 0.0;
        m_dSpecYMin[1] = -180.0;
        m_dSpecYMax[1] = 180.0;
    }
    if (host_)
        host_->InvalidateView(true);
}

void CVelmoraDoc::closeCapture() {
    captureDone_.reset();
    if (m_hWaveIn) {
        input_.stop();
        input_.close();
        m_hWaveIn = false;
    }
}

void CVelmoraDoc::StopAcquisition() {
    if (running())
        ToggleAcquisition();
}

void CVelmoraDoc::ToggleAcquisition() {
    if (!running()) {
        m_dwFlags |= kFlagRunning;
        m_nAverageCount = (m_dwFlags & kFlagAverage) ? 0 : 1;
        m_nOverflowTotal = 0;
        const std::size_t last = (m_nWindowSamples + 1) / 2;
        std::fill_n(m_pMagnitude, last + 1, 0.0);
        std::fill_n(m_pRatio, last + 1, 0.0);
        std::fill_n(m_pPhase, last + 1, 0.0);
        std::fill_n(sumRe_, last + 1, 0.0);
        std::fill_n(sumIm_, last + 1, 0.0);
        for (double* sums : {crossRe_, crossIm_, autoPower0_, autoPower1_, m_pCoherence})
            if (sums)
                std::fill_n(sums, last + 1, 0.0);
        CaptureOnce();
    } else {
        if (host_)
            host_->SetStatusText(kOffText);
        m_dwFlags &= ~kFlagRunning;
        closeCapture();
        input_.release();
    }
}

void CVelmoraDoc::CaptureOnce() {
    m_wfxIn = WaveFormat{m_nSamplingRate, 2, 16};
    if (host_)
        host_->SetStatusText(kOnText);
    captureDone_ = std::make_shared<AutoResetEvent>();

    WaveResult result = input_.open(m_wfxIn, [done = captureDone_] { done->signal(); });
    if (result) {
        m_hWaveIn = true;
        result = input_.addBuffer(m_pCaptureBuffer, m_nCaptureFrames);
    }
    if (result)
        result = input_.start();
    if (!result) {
        // Acquisition stays on without a timer: Start/Stop twice tries again.
        closeCapture();
        if (result.text.empty()) {
            m_szMessage =
                FormatText("fail to open the wavein device with error code %d", result.error);
        } else {
            m_szMessage = result.text;
        }
        interaction_.MessageBox(m_szMessage);
        return;
    }

    // The user-interface thread waits here for the whole capture, and a
    // margin. An input that delivers nothing by then (a suspended sound
    // server, a card pulled out) ends the acquisition: nothing half-recorded
    // is analysed. The device is let go at once, and the user told.
    if (!captureDone_->wait(CaptureTimeout())) {
        closeCapture();
        input_.release();
        m_dwFlags &= ~kFlagRunning;
        if (host_)
            host_->SetStatusText(kOffText);
        m_szMessage = kNoDataText;
        interaction_.MessageBox(m_szMessage);
        return;
    }

    const int reversed = (m_dwFlags & kFlagReversed) ? 1 : 0;
    const std::int16_t* frame = m_pCaptureBuffer + 2 * m_nDelaySkip;
    for (int i = 0; i < m_nWindowSamples; ++i, frame += 2) {
        m_pTime[reversed][i] = frame[0];
        m_pTime[1 - reversed][i] = frame[1];
    }
    recordCapture();
    AnalyseSpectra();
    m_nOverflows = input_.overflows();
    m_nOverflowTotal += m_nOverflows;
    measureLevels();
    fitTransferFunction();

    closeCapture();
    if (host_) {
        if (const std::string status = statusAfterCapture(); status != kOnText)
            host_->SetStatusText(status);
        host_->ShowLevels(m_levels);
        host_->InvalidateView(false);
        host_->SetCaptureTimer();
    }
}

// The status line after a capture: on, and what the capture calls for.
std::string CVelmoraDoc::statusAfterCapture() const {
    std::string status = kOnText;
    if (m_nOverflows > 0)
        status.append(" ").append(OverflowText(m_nOverflows));
    const bool transferFunction = (m_dwFlags & kFlagDual) && !(m_dwFlags & kFlagScope);
    if (transferFunction && m_nTransferEstimate == TransferEstimate::H1 && m_nAverageCount < 2)
        status +=
            (m_dwFlags & kFlagAverage)
                ? FormatText(" The coherence needs at least two averages (n=%d).", m_nAverageCount)
                : std::string(
                      " The coherence needs at least two averages: turn FFT "
                      "averaging on.");
    return status;
}

// Each input's largest magnitude over the analysed frames, and whether a
// sample sat at either end of the scale.
void CVelmoraDoc::measureLevels() {
    const std::int16_t* frame = m_pCaptureBuffer + 2 * m_nDelaySkip;
    int peak[2] = {0, 0};
    bool clipped[2] = {false, false};
    for (int i = 0; i < m_nWindowSamples; ++i, frame += 2)
        for (int c = 0; c < 2; ++c) {
            const int v = frame[c];
            peak[c] = std::max(peak[c], v < 0 ? -v : v);
            clipped[c] = clipped[c] || v == INT16_MAX || v == INT16_MIN;
        }
    for (int c = 0; c < 2; ++c) {
        m_levels.peak[c] = peak[c];
        m_levels.clipped[c] = clipped[c];
    }
    m_levels.overflowTotal = m_nOverflowTotal;
}

// The transfer function's default range is no fit for a ratio: the first
// capture after sizing sets it from the data, as Reset does.
void CVelmoraDoc::fitTransferFunction() {
    const bool transferFunction = (m_dwFlags & kFlagDual) && !(m_dwFlags & kFlagScope);
    if (fitPending_ && transferFunction)
        ResetViewRanges();
    fitPending_ = false;
}

std::chrono::milliseconds CVelmoraDoc::CaptureTimeout() const {
    const auto captureMs =
        static_cast<long long>(std::ceil(1000.0 * m_nCaptureFrames / m_nSamplingRate));
    return std::chrono::milliseconds(captureMs) + captureMargin_;
}

std::string OverflowText(int overflows) {
    return FormatText("The input overflowed %d time%s in the last capture: frames were lost.",
                      overflows, overflows == 1 ? "" : "s");
}

void CVelmoraDoc::OnTimeWindow() {
    const bool wasRunning = running();
    if (wasRunning)
        ToggleAcquisition();
    const double previous = m_dTimeWindow;
    m_szMessage = "Input the new time window size, in seconds.";
    interaction_.EditNumber(m_szMessage, m_dTimeWindow);
    const double T = m_dTimeWindow;
    const bool inRange = 10.0 / m_nSamplingRate <= T && T <= 3600;
    if (!inRange || CaptureFramesFor(m_nSamplingRate, T, m_dRDelay != 0 ? 30 : 0) == 0)
        m_dTimeWindow = previous;
    AllocateBuffers();
    ResetViewRanges();
    if (wasRunning)
        ToggleAcquisition();
}

void CVelmoraDoc::OnSamplingRate() {
    SelectWaveform(kWaveformSilent);  // the generator falls silent first
    if (running())
        ToggleAcquisition();
    const int previous = m_nSamplingRate;
    double rate = m_nSamplingRate;
    m_szMessage =
        "New sampling rate.\nYour sound card MUST support the exact sampling rate. Verify with a "
        "15KHz sine wave.\nYou should see 15000.0 Hz in fft mode";
    interaction_.EditNumber(m_szMessage, rate);
    const double truncated = std::trunc(rate);
    m_nSamplingRate =
        truncated >= 4000 && truncated <= 48000 ? static_cast<int>(truncated) : previous;
    // A WAV file holds one rate: a recording ends with the old one.
    if (m_nSamplingRate != previous && recording()) {
        const std::string path = RecordingPath();
        if (StopRecording()) {
            m_szMessage = "The recording " + path +
                          " has been saved and stopped: a WAV file holds one sampling rate.";
            interaction_.Notice(m_szMessage);
        }
    }
    // The same window at another rate must still give a usable capture.
    if (CaptureFramesFor(m_nSamplingRate, m_dTimeWindow, m_dRDelay != 0 ? 30 : 0) == 0)
        m_nSamplingRate = previous;
    AllocateBuffers();
    ResetViewRanges();
}

void CVelmoraDoc::OnReverseInputs() {
    m_dwFlags ^= kFlagReversed;
    if (running()) {
        ToggleAcquisition();
        ToggleAcquisition();
    }
    ResetViewRanges();
}

bool CVelmoraDoc::OnCommand(int id) {
    switch (id) {
        case ID_START_STOP:
            ToggleAcquisition();
            return true;
        case ID_CAPTURE_NEXT:
            // Posted by the timer; a stop may have come in between.
            if (running())
                CaptureOnce();
            return true;
        case ID_AUTO_RANGE_Y:
            m_dwFlags |= kFlagAutoRangeY;
            if (host_)
                host_->InvalidateView(true);
            return true;
        case ID_ZOOM_OUT_Y:
            m_dwFlags |= kFlagZoomOutY;
            if (host_)
                host_->InvalidateView(true);
            return true;
        case ID_RESET_VIEW:
            ResetViewRanges();
            return true;
        case ID_TOGGLE_SCOPE:
            m_dwFlags ^= kFlagScope;
            ResetViewRanges();
            return true;
        case ID_TOGGLE_DUAL:
            m_dwFlags ^= kFlagDual;
            ResetViewRanges();
            return true;
        case ID_TOGGLE_AVERAGE:
            m_dwFlags ^= kFlagAverage;
            if (host_)
                host_->InvalidateView(true);
            return true;
        case ID_TIME_WINDOW:
            OnTimeWindow();
            return true;
        case ID_SAMPLING_RATE:
            OnSamplingRate();
            return true;
        case ID_REVERSE_INPUTS:
            OnReverseInputs();
            return true;
        case ID_FREQUENCY:
            OnFrequency();
            return true;
        default:
            if (id >= ID_MEASUREMENT_FIRST && id <= ID_MEASUREMENT_LAST)
                return onMeasurementCommand(id);
            if (id >= ID_WAVEFORM_FIRST && id <= ID_WAVEFORM_LAST) {
                SelectWaveform(id == ID_WAVEFORM_FIRST ? kWaveformSilent
                                                       : id - ID_WAVEFORM_FIRST - 1);
                return true;
            }
            return id >= ID_DOCUMENT_FIRST && id <= ID_DOCUMENT_LAST;
    }
}

}  // namespace velmora
