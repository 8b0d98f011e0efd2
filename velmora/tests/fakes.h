#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/document_host.h"
#include "platform/interaction.h"
#include "platform/wave_input.h"
#include "platform/wave_output.h"

namespace velmora::testing {

// A sound input that records what a function says, and signals the end of
// each capture from a thread of its own, as a driver does.
class FakeWaveInput final : public WaveInput {
public:
    ~FakeWaveInput() override { join(); }

    WaveResult open(const WaveFormat& format, std::function<void()> done) override {
        ++opens;
        formats.push_back(format);
        if (openError != 0)
            return {openError, {}};
        done_ = std::move(done);
        return {};
    }
    WaveResult addBuffer(std::int16_t* frames, int frameCount) override {
        buffer_ = frames;
        frameCount_ = frameCount;
        return {};
    }
    WaveResult start() override {
        for (int i = 0; i < frameCount_; ++i) {
            buffer_[2 * i] = left(captures, i);
            buffer_[2 * i + 1] = right(captures, i);
        }
        ++captures;
        join();
        if (!stalled)
            driver_ = std::thread([done = done_] { done(); });
        return {};
    }
    void stop() override { ++stops; }
    void close() override {
        join();
        ++closes;
    }
    void release() override { ++releases; }
    int overflows() override { return overflowsPerCapture; }

    // Sample i of capture n on each input.
    std::function<std::int16_t(int, int)> left = [](int, int i) { return std::int16_t(i); };
    std::function<std::int16_t(int, int)> right = [](int, int i) { return std::int16_t(-i); };
    int openError = 0;
    bool stalled = false;  // the driver never reports the capture done
    int overflowsPerCapture = 0;
    int opens = 0, captures = 0, stops = 0, closes = 0, releases = 0;
    std::vector<WaveFormat> formats;

private:
    void join() {
        if (driver_.joinable())
            driver_.join();
    }
    std::function<void()> done_;
    std::int16_t* buffer_ = nullptr;
    int frameCount_ = 0;
    std::thread driver_;
};

// A sound output that keeps what it was asked to play.
class FakeWaveOutput final : public WaveOutput {
public:
    WaveResult open(const WaveFormat& format) override {
        formats.push_back(format);
        return {openError, {}};
    }
    WaveResult play(const std::int16_t* samples, int count, int loops) override {
        playing = samples;
        this->count = count;
        this->loops = loops;
        ++plays;
        return {};
    }
    void reset() override {
        playing = nullptr;
        ++resets;
    }
    int openError = 0;
    std::vector<WaveFormat> formats;
    const std::int16_t* playing = nullptr;
    int count = 0, loops = 0, plays = 0, resets = 0;
};

// Answers the dialogs from a script and keeps what was shown.
class ScriptedInteraction final : public Interaction {
public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    // Each answer is what the user types before OK; an answer that is not a
    // number is refused as the dialog refuses it, and the next one is tried.
    // No answer left: Escape.
    void EditNumber(const std::string& prompt, double& value) override {
        prompts.push_back(prompt);
        while (!answers.empty()) {
            const std::string typed = answers.front();
            answers.pop_front();
            if (ParseNumberText(typed, value))
                return;
            messages.push_back("Please enter a number.");
        }
    }
    // The file dialog: the next name given, or cancelled when none is left.
    std::optional<std::string> SaveFileName(const std::string& caption, const std::string&,
                                            const std::string&) override {
        prompts.push_back(caption);
        if (fileNames.empty())
            return std::nullopt;
        const std::string name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
    std::vector<std::string> messages, prompts;
    std::deque<std::string> answers;
    std::deque<std::string> fileNames;
};

class RecordingHost final : public DocumentHost {
public:
    void SetStatusText(const std::string& text) override { statuses.push_back(text); }
    void InvalidateView(bool erase) override { (erase ? erasing : plain)++; }
    void SetCaptureTimer() override { ++timers; }
    std::vector<std::string> statuses;
    int erasing = 0, plain = 0, timers = 0;
};

}  // namespace velmora::testing
