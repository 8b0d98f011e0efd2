#include "download_session.h"

namespace tolvek {

std::string DownloadCompleteText(std::uint32_t elapsedMs, int EntryCount, bool simulated) {
    return std::string(simulated ? "Download complete (simulated board)." : "Download complete.") +
           "\r\nTotal load time = " + std::to_string(elapsedMs) + " ms for " +
           std::to_string(EntryCount - 1) + " bytes of data.";
}

std::string DownloadFailedText(const std::string& failure) {
    return "Download failed: " + failure + ".\r\nThe board may hold part of the data.";
}

std::string WaitingForDataText(const std::string& path) {
    return "Waiting for data from " + path + " ...";
}

void DownloadSession::WindowLoad() {
    lines_.SetOE(1);
    lines_.SetWE(1);
    lines_.SetMODE(0);
}

bool DownloadSession::SelectDataFile(DownloadHost& host, const std::string& title,
                                     int filterIndex) {
    const std::string name = host.ChooseDataFile(title, filterIndex);
    if (!IsDataFileName(name) || name.empty())
        return false;
    DataFileName = name;
    return true;
}

DataFileResult DownloadSession::LoadDataFile(DownloadHost& host) {
    if (!SelectDataFile(host, "Select Waveform Data File", 1))
        return {kNoFileChosen, 0, kInvalidFileNameText};
    host.ShowFileName(DataFileName);
    waitedForData_ = false;
    DataFileResult result = ReadDataFile(
        DataFileName, WaveTable, [&] { return host.YieldEvents(); }, host.InputPatience(),
        [&] {
            waitedForData_ = true;
            host.ShowStatus(WaitingForDataText(DataFileName));
        });
    EntryCount = result.EntryCount;
    return result;
}

DownloadOutcome DownloadSession::Download(DownloadHost& host, std::string* failure) {
    const bool simulated = !port_.FallbackReason().empty();
    const std::uint32_t t0 = host.TickCount();
    host.ShowStatus(simulated ? kSimulatedDownloadingText : kDownloadingText);
    lines_.SetMODE(1);
    lines_.SetOE(1);
    lines_.SetWE(1);
    lines_.ClrShift();
    lines_.PulseRESET();
    lines_.SetControlLines(0);
    lines_.SetWE(0);
    for (int t = 1; t <= EntryCount; ++t) {
        if (!host.YieldEvents())
            return DownloadOutcome::Abandoned;
        lines_.ShiftEntry(WaveTable, t);
        lines_.PulseCLK();
    }
    lines_.SetWE(1);
    lines_.SetMODE(0);
    // Only what has arrived is reported as downloaded.
    if (std::string settled = port_.Settle(); !settled.empty()) {
        host.ShowStatus(DownloadFailedText(settled));
        if (failure)
            *failure = std::move(settled);
        return DownloadOutcome::Failed;
    }
    const std::uint32_t t1 = host.TickCount();
    host.ShowStatus(DownloadCompleteText(ElapsedMs(t0, t1), EntryCount, simulated));
    return DownloadOutcome::Complete;
}

DataFileResult DownloadSession::Start(DownloadHost& host) {
    host.ShowStatus("");
    WaveTable.reset();
    DataFileResult result = LoadDataFile(host);
    switch (result.status) {
        case kLoaded: {
            std::string failure;
            switch (Download(host, &failure)) {
                case DownloadOutcome::Complete:
                    break;
                case DownloadOutcome::Abandoned:
                    result.status = kAbandoned;
                    break;
                case DownloadOutcome::Failed:
                    result.status = kPortFailure;
                    result.message = DownloadFailedText(failure);
                    break;
            }
            break;
        }
        case kNoFileChosen:
        case kOutsideLimits:
            host.ShowStatus(result.message);
            break;
        default:  // a short last record or an abandoned load shows nothing
            if (waitedForData_)
                host.ShowStatus("");
            break;
    }
    return result;
}

}  // namespace tolvek
