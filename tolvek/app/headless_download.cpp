#include "headless_download.h"

#include <memory>
#include <ostream>

#include "board/download_session.h"
#include "platform/inpout32_port.h"
#include "platform/tick_count.h"

namespace tolvek {

namespace {

class CommandLineHost final : public DownloadHost {
public:
    explicit CommandLineHost(std::string path) : path_(std::move(path)) {}
    std::string ChooseDataFile(const std::string&, int) override { return path_; }
    void ShowFileName(const std::string&) override {}
    void ShowStatus(const std::string& text) override { status = text; }
    bool YieldEvents() override { return true; }
    std::uint32_t TickCount() override { return GetTickCount(); }
    std::optional<std::chrono::milliseconds> InputPatience() override { return kInputPatience; }

    std::string status;

private:
    std::string path_;
};

std::string withLineFeeds(std::string text) {
    for (std::string::size_type at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

}  // namespace

int RunHeadlessDownload(PortOutput& port, const std::string& path, std::ostream& out,
                        std::ostream& err) {
    // On the heap: the wave table is large enough that, on the stack, a
    // tight memory limit would end the program without a word.
    const auto owned = std::make_unique<DownloadSession>(port);
    DownloadSession& session = *owned;
    CommandLineHost host(path);

    session.WaveTable.reset();
    const DataFileResult loaded = session.LoadDataFile(host);
    if (loaded.status != kLoaded) {
        err << loaded.message << '\n';
        return kExitDataFileFault;
    }
    try {
        session.WindowLoad();
    } catch (const PortAccessError& error) {
        err << "tolvek: the port-access library cannot be used: " << error.what() << '\n';
        return kExitPortFault;
    }
    if (const std::string reason = port.FallbackReason(); !reason.empty()) {
        err << "tolvek: no parallel port can be used: " << reason
            << "\nNothing was downloaded. Set INPOUT32_BACKEND=board to load a simulated "
               "board.\n";
        return kExitPortFault;
    }
    if (session.Download(host) != DownloadOutcome::Complete) {
        err << withLineFeeds(host.status) << '\n';
        return kExitWriteFailed;
    }
    out << withLineFeeds(host.status) << '\n';
    return kExitDownloaded;
}

}  // namespace tolvek
