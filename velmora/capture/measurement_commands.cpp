// The measurement's choices: the window function, the transfer-function
// estimate, the scales and the frequency axis, the THD readout.
#include "../analysis/analysis.h"
#include "command_ids.h"
#include "velmora_doc.h"

namespace velmora {

namespace {

constexpr const char* kNoArraysText =
    "unable to allocate heap memory for the window function or the H1 estimate. quit other "
    "applications and try again";

}  // namespace

// Sums made under other choices do not mix with new ones: a running
// measurement starts its averages again, as reversing the inputs does.
void CVelmoraDoc::restartAverages() {
    if (running()) {
        ToggleAcquisition();
        ToggleAcquisition();
    }
}

// The arrays that the choices now need, made if missing, or let go when
// none is needed; false, with a message, when they cannot be had.
bool CVelmoraDoc::fitOptionArrays() {
    if (!needsOptionArrays()) {
        releaseOptionArrays();
        return true;
    }
    if (optionBlock_ || allocateOptionArrays())
        return true;
    m_szMessage = kNoArraysText;
    interaction_.MessageBox(m_szMessage);
    return false;
}

void CVelmoraDoc::SetWindowFunction(WindowFunction window) {
    if (window == m_nWindowFunction)
        return;
    const WindowFunction previous = m_nWindowFunction;
    m_nWindowFunction = window;
    if (!fitOptionArrays()) {
        m_nWindowFunction = previous;
        return;
    }
    windowReady_ = false;
    if (window == WindowFunction::Rectangular)
        enbw_ = 1;
    else
        prepareWindow();
    restartAverages();
    if (host_)
        host_->InvalidateView(true);
}

void CVelmoraDoc::SetTransferEstimate(TransferEstimate estimate) {
    if (estimate == m_nTransferEstimate)
        return;
    const TransferEstimate previous = m_nTransferEstimate;
    m_nTransferEstimate = estimate;
    if (!fitOptionArrays()) {
        m_nTransferEstimate = previous;
        return;
    }
    restartAverages();
    ResetViewRanges();
}

void CVelmoraDoc::SetAmplitudeScale(AmplitudeScale scale) {
    m_nAmplitudeScale = scale;
    ResetViewRanges();
}

void CVelmoraDoc::SetRatioInDb(bool on) {
    m_bRatioInDb = on;
    ResetViewRanges();
}

void CVelmoraDoc::SetLogFrequency(bool on) {
    m_bLogFrequency = on;
    ResetViewRanges();
}

const ThdResult& CVelmoraDoc::Thd() {
    if (thdOf_ != analyses_) {
        thd_ = MeasureThd(*this);
        thdOf_ = analyses_;
    }
    return thd_;
}

bool CVelmoraDoc::IsChecked(int id) const {
    if (id >= ID_WINDOW_FIRST && id <= ID_WINDOW_LAST)
        return m_nWindowFunction == kWindowFunctions[id - ID_WINDOW_FIRST];
    switch (id) {
        case ID_RECORD_WAV:
            return recording();
        case ID_SCALE_MILLIVOLTS:
            return m_nAmplitudeScale == AmplitudeScale::Millivolts;
        case ID_SCALE_DBV:
            return m_nAmplitudeScale == AmplitudeScale::DbV;
        case ID_SCALE_DBFS:
            return m_nAmplitudeScale == AmplitudeScale::DbFullScale;
        case ID_RATIO_DB:
            return m_bRatioInDb;
        case ID_LOG_FREQUENCY:
            return m_bLogFrequency;
        case ID_ESTIMATE_RATIO:
            return m_nTransferEstimate == TransferEstimate::RatioAverage;
        case ID_ESTIMATE_H1:
            return m_nTransferEstimate == TransferEstimate::H1;
        case ID_SHOW_THD:
            return m_bShowThd;
        case ID_TOGGLE_DB:
            return m_nAmplitudeScale != AmplitudeScale::Millivolts || m_bRatioInDb;
        case ID_TOGGLE_H1:
            return m_nTransferEstimate == TransferEstimate::H1;
        default:
            return false;
    }
}

bool CVelmoraDoc::onMeasurementCommand(int id) {
    if (id >= ID_WINDOW_FIRST && id <= ID_WINDOW_LAST) {
        SetWindowFunction(kWindowFunctions[id - ID_WINDOW_FIRST]);
        return true;
    }
    switch (id) {
        case ID_RECORD_WAV:
            if (recording()) {
                StopRecording();
            } else if (const auto path = interaction_.SaveFileName(
                           "Record WAV", "WAV files (*.wav);;All files (*)", "wav")) {
                StartRecording(*path);
            }
            return true;
        case ID_SCALE_MILLIVOLTS:
            SetAmplitudeScale(AmplitudeScale::Millivolts);
            return true;
        case ID_SCALE_DBV:
            SetAmplitudeScale(AmplitudeScale::DbV);
            return true;
        case ID_SCALE_DBFS:
            SetAmplitudeScale(AmplitudeScale::DbFullScale);
            return true;
        case ID_RATIO_DB:
            SetRatioInDb(!m_bRatioInDb);
            return true;
        case ID_LOG_FREQUENCY:
            SetLogFrequency(!m_bLogFrequency);
            return true;
        case ID_ESTIMATE_RATIO:
            SetTransferEstimate(TransferEstimate::RatioAverage);
            return true;
        case ID_ESTIMATE_H1:
            SetTransferEstimate(TransferEstimate::H1);
            return true;
        case ID_SHOW_THD:
            m_bShowThd = !m_bShowThd;
            if (host_)
                host_->InvalidateView(true);
            return true;
        case ID_TOGGLE_DB: {
            const bool toDb = !IsChecked(ID_TOGGLE_DB);
            m_nAmplitudeScale = toDb ? AmplitudeScale::DbV : AmplitudeScale::Millivolts;
            m_bRatioInDb = toDb;
            ResetViewRanges();
            return true;
        }
        case ID_TOGGLE_H1:
            SetTransferEstimate(m_nTransferEstimate == TransferEstimate::H1
                                    ? TransferEstimate::RatioAverage
                                    : TransferEstimate::H1);
            return true;
        default:
            return false;
    }
}

}  // namespace velmora
