// The concrete backends of the port-access library and the choice between
// them.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "board_simulation.h"
#include "port_backend.h"
#include "stream_output.h"
#include "whole_file.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define INPOUT32_HAVE_IOPORT 1
#endif

namespace inpout32 {

namespace {

std::string errnoText() {
    return std::strerror(errno);
}

// value in upper-case hexadecimal, with leading zeros to at least digits.
std::string hexText(unsigned value, std::size_t digits) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (text.size() < digits)
        text.insert(0, digits - text.size(), '0');
    return text;
}

// The Linux parallel-port driver: one ioctl per register write.
class PpdevBackend final : public PortBackend {
public:
    PpdevBackend(int fd, std::string device) : fd_(fd), device_(std::move(device)) {}
    ~PpdevBackend() override {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }

    // Fails with a text that names the device and the reason, without the
    // library's prefix.
    static OpenedBackend open(const std::string& device) {
        const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return {nullptr, "cannot open " + device + ": " + errnoText(), {}};
        if (ioctl(fd, PPCLAIM) != 0) {
            std::string error = "cannot claim " + device + ": " + errnoText();
            close(fd);
            return {nullptr, error, {}};
        }
        return {std::make_unique<PpdevBackend>(fd, device), {}, {}};
    }

    void write(std::uint16_t port, std::uint8_t value) override {
        unsigned char byte = value;
        int rc = 0;
        if (port == kDataPort)
            rc = ioctl(fd_, PPWDATA, &byte);
        else if (port == kControlPort)
            rc = ioctl(fd_, PPWCONTROL, &byte);
        if (rc != 0)
            fail("inpout32: a write to " + device_ + " failed: " + errnoText());
    }

    std::uint8_t read(std::uint16_t port) override {
        unsigned char byte = 0;
        if (port == kDataPort)
            ioctl(fd_, PPRDATA, &byte);
        else if (port == kStatusPort)
            ioctl(fd_, PPRSTATUS, &byte);
        else if (port == kControlPort)
            ioctl(fd_, PPRCONTROL, &byte);
        return byte;
    }

private:
    int fd_;
    std::string device_;
};

#ifdef INPOUT32_HAVE_IOPORT
// Direct port instructions; needs root or CAP_SYS_RAWIO.
class IoportBackend final : public PortBackend {
public:
    static OpenedBackend open() {
        if (ioperm(kDataPort, 3, 1) != 0)
            return {nullptr, "inpout32: no access to I/O ports 0x378..0x37A: " + errnoText(), {}};
        return {std::make_unique<IoportBackend>(), {}, {}};
    }
    void write(std::uint16_t port, std::uint8_t value) override {
        if (permitted(port))
            outb(value, port);
    }
    std::uint8_t read(std::uint16_t port) override { return permitted(port) ? inb(port) : 0; }

private:
    static bool permitted(std::uint16_t port) {
        return (port >= kDataPort && port <= kControlPort) || ioperm(port, 1, 1) == 0;
    }
};
#endif

// Appends every write to a text file as "PPP VV" (hexadecimal). The lines
// are buffered; settle() hands them to the kernel, so that what a program
// reports after it is on disk even if the program is killed. A FIFO is
// written only while a program reads it.
class TraceBackend final : public PortBackend {
public:
    TraceBackend(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
        buffer_.reserve(kBufferBytes);
    }
    ~TraceBackend() override {
        const std::string problem = flush();
        if (!problem.empty() && error().empty())
            std::fprintf(stderr, "inpout32: cannot write trace file %s: %s\n", path_.c_str(),
                         problem.c_str());
        ::close(fd_);
    }

    static OpenedBackend open(const std::string& path) {
        std::string problem;
        const int fd = OpenForWriting(path, O_WRONLY | O_APPEND | O_CREAT, 0666, problem);
        if (fd < 0)
            return {nullptr, "inpout32: cannot open trace file " + path + ": " + problem, {}};
        return {std::make_unique<TraceBackend>(fd, path), {}, {}};
    }
    void write(std::uint16_t port, std::uint8_t value) override {
        buffer_ += hexText(port, 3) + ' ' + hexText(value, 2) + '\n';
        if (buffer_.size() >= kBufferBytes)
            settle();
    }
    std::uint8_t read(std::uint16_t) override { return 0; }
    void settle() override {
        if (const std::string problem = flush(); !problem.empty())
            fail("inpout32: cannot write trace file " + path_ + ": " + problem);
    }

private:
    static constexpr std::size_t kBufferBytes = 1 << 20;

    // Hands the buffered lines to the kernel; after a failure they are
    // dropped, the failure being remembered.
    std::string flush() {
        std::string problem = WriteAll(fd_, buffer_);
        buffer_.clear();
        return problem;
    }

    int fd_;
    std::string path_;
    std::string buffer_;
};

// The board simulation; with a file, its memory is written there whole at
// every settle() and when the library goes away, if it changed since.
class BoardBackend final : public PortBackend {
public:
    explicit BoardBackend(std::string path) : path_(std::move(path)) {}
    ~BoardBackend() override {
        if (const std::string problem = saveMemory(); !problem.empty())
            std::fprintf(stderr, "inpout32: %s\n", problem.c_str());
    }

    static OpenedBackend open(const std::string& path) {
        if (!path.empty()) {
            if (const std::string problem = WholeFileTargetProblem(path); !problem.empty())
                return {nullptr, "inpout32: board memory file: " + problem, {}};
        }
        return {std::make_unique<BoardBackend>(path), {}, {}};
    }
    void write(std::uint16_t port, std::uint8_t value) override {
        board_.write(port, value);
        changed_ = true;
    }
    std::uint8_t read(std::uint16_t) override { return 0; }
    void settle() override {
        if (const std::string problem = saveMemory(); !problem.empty())
            fail("inpout32: board memory file: " + problem);
    }

private:
    std::string saveMemory() {
        if (path_.empty() || !changed_)
            return {};
        std::string text;
        for (const auto& [index, word] : board_.words())
            text += std::to_string(index) + ' ' + std::to_string(word >> 24) + ' ' +
                    std::to_string((word >> 12) & 0xFFF) + ' ' + std::to_string(word & 0xFFF) +
                    '\n';
        std::string problem = WriteWholeFile(path_, text);
        if (problem.empty())
            changed_ = false;
        return problem;
    }

    std::string path_;
    BoardSimulation board_;
    bool changed_ = false;
};

}  // namespace

OpenedBackend openBackend(std::string_view setting, const std::string& defaultDevice) {
    const std::string_view::size_type colon = setting.find(':');
    const std::string_view name = setting.substr(0, colon);
    const std::string argument =
        colon == std::string_view::npos ? std::string() : std::string(setting.substr(colon + 1));

    if (setting.empty()) {
        OpenedBackend ppdev = PpdevBackend::open(defaultDevice);
        if (ppdev.backend)
            return ppdev;
        return {std::make_unique<BoardBackend>(std::string()), {}, ppdev.error};
    }
    if (name == "ppdev") {
        OpenedBackend ppdev = PpdevBackend::open(argument.empty() ? defaultDevice : argument);
        if (!ppdev.backend)
            ppdev.error = "inpout32: " + ppdev.error;
        return ppdev;
    }
    if (name == "ioport") {
#ifdef INPOUT32_HAVE_IOPORT
        return IoportBackend::open();
#else
        return {nullptr, "inpout32: the ioport backend needs an x86 processor", {}};
#endif
    }
    if (name == "trace") {
        if (argument.empty())
            return {nullptr, "inpout32: the trace backend needs a file: trace:FILE", {}};
        return TraceBackend::open(argument);
    }
    if (name == "board")
        return BoardBackend::open(argument);
    return {nullptr,
            "inpout32: unknown backend \"" + std::string(setting) +
                "\" in INPOUT32_BACKEND (use ppdev[:DEVICE], ioport, trace:FILE or board[:FILE])",
            {}};
}

}  // namespace inpout32
