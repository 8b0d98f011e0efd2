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

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define INPOUT32_HAVE_IOPORT 1
#endif

namespace inpout32 {

namespace {

std::string errnoText() {
    return std::strerror(errno);
}

// The Linux parallel-port driver: one ioctl per register write.
class PpdevBackend final : public PortBackend {
public:
    explicit PpdevBackend(int fd) : fd_(fd) {}
    ~PpdevBackend() override {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }

    static OpenedBackend open(const std::string& device) {
        const int fd = ::open(device.c_str(), O_RDWR);
        if (fd < 0)
            return {nullptr, "inpout32: cannot open " + device + ": " + errnoText()};
        if (ioctl(fd, PPCLAIM) != 0) {
            std::string error = "inpout32: cannot claim " + device + ": " + errnoText();
            close(fd);
            return {nullptr, error};
        }
        return {std::make_unique<PpdevBackend>(fd), {}};
    }

    void write(std::uint16_t port, std::uint8_t value) override {
        unsigned char byte = value;
        int rc = 0;
        if (port == kDataPort)
            rc = ioctl(fd_, PPWDATA, &byte);
        else if (port == kControlPort)
            rc = ioctl(fd_, PPWCONTROL, &byte);
        if (rc != 0 && !warned_) {
            warned_ = true;
            std::fprintf(stderr, "inpout32: port write failed: %s\n", errnoText().c_str());
        }
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
    bool warned_ = false;
};

#ifdef INPOUT32_HAVE_IOPORT
// Direct port instructions; needs root or CAP_SYS_RAWIO.
class IoportBackend final : public PortBackend {
public:
    static OpenedBackend open() {
        if (ioperm(kDataPort, 3, 1) != 0)
            return {nullptr, "inpout32: no access to I/O ports 0x378..0x37A: " + errnoText()};
        return {std::make_unique<IoportBackend>(), {}};
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

// Appends every write to a text file as "PPP VV" (hexadecimal).
class TraceBackend final : public PortBackend {
public:
    explicit TraceBackend(std::FILE* file) : file_(file) {
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    }
    ~TraceBackend() override { std::fclose(file_); }

    static OpenedBackend open(const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "a");
        if (!file)
            return {nullptr, "inpout32: cannot open trace file " + path + ": " + errnoText()};
        return {std::make_unique<TraceBackend>(file), {}};
    }
    void write(std::uint16_t port, std::uint8_t value) override {
        std::fprintf(file_, "%03X %02X\n", port, value);
    }
    std::uint8_t read(std::uint16_t) override { return 0; }

private:
    std::FILE* file_;
};

// The board simulation; with a file, its memory is written there when the
// library goes away, through a temporary file so that a reader never sees
// half of it.
class BoardBackend final : public PortBackend {
public:
    explicit BoardBackend(std::string path) : path_(std::move(path)) {}
    ~BoardBackend() override {
        if (!path_.empty())
            saveMemory();
    }
    void write(std::uint16_t port, std::uint8_t value) override { board_.write(port, value); }
    std::uint8_t read(std::uint16_t) override { return 0; }

private:
    void saveMemory() const {
        const std::string temporary = path_ + ".part";
        std::FILE* file = std::fopen(temporary.c_str(), "w");
        if (!file) {
            std::fprintf(stderr, "inpout32: cannot write %s: %s\n", path_.c_str(),
                         errnoText().c_str());
            return;
        }
        for (const auto& [index, word] : board_.words())
            std::fprintf(file, "%u %u %u %u\n", index, word >> 24, (word >> 12) & 0xFFF,
                         word & 0xFFF);
        if (std::fclose(file) != 0 || std::rename(temporary.c_str(), path_.c_str()) != 0) {
            std::fprintf(stderr, "inpout32: cannot write %s: %s\n", path_.c_str(),
                         errnoText().c_str());
            std::remove(temporary.c_str());
        }
    }

    std::string path_;
    BoardSimulation board_;
};

}  // namespace

OpenedBackend openBackend(std::string_view setting, std::string& notice) {
    const std::string_view::size_type colon = setting.find(':');
    const std::string_view name = setting.substr(0, colon);
    const std::string argument =
        colon == std::string_view::npos ? std::string() : std::string(setting.substr(colon + 1));

    if (setting.empty()) {
        OpenedBackend ppdev = PpdevBackend::open("/dev/parport0");
        if (ppdev.backend)
            return ppdev;
        notice = ppdev.error + "; simulating the waveform board instead";
        return {std::make_unique<BoardBackend>(std::string()), {}};
    }
    if (name == "ppdev")
        return PpdevBackend::open(argument.empty() ? "/dev/parport0" : argument);
    if (name == "ioport") {
#ifdef INPOUT32_HAVE_IOPORT
        return IoportBackend::open();
#else
        return {nullptr, "inpout32: the ioport backend needs an x86 processor"};
#endif
    }
    if (name == "trace") {
        if (argument.empty())
            return {nullptr, "inpout32: the trace backend needs a file: trace:FILE"};
        return TraceBackend::open(argument);
    }
    if (name == "board")
        return {std::make_unique<BoardBackend>(argument), {}};
    return {nullptr, "inpout32: unknown backend \"" + std::string(setting) +
                         "\" in INPOUT32_BACKEND (use ppdev[:DEVICE], ioport, trace:FILE or "
                         "board[:FILE])"};
}

}  // namespace inpout32
