#pragma once

#include <string>
#include <vector>

#include "display/drawing_surface.h"

namespace velmora::testing {

// A drawing surface that keeps what was drawn on it, in logical units.
class RecordingSurface final : public DrawingSurface {
public:
    struct Text {
        int x, y;
        std::string text;
        Rgb colour;
        TextAlign align;
    };
    struct Line {
        int x0, y0, x1, y1;
        Rgb colour;
    };
    struct Fill {
        int x0, y0, x1, y1;
    };
    struct Pixel {
        int x, y;
        Rgb colour;
    };
    struct Outline {
        int x0, y0, x1, y1;
    };

    explicit RecordingSurface(DeviceCaps caps) : caps_(caps) {}

    DeviceCaps Caps() const override { return caps_; }
    void SetPen(Rgb colour) override { pen_ = colour; }
    void MoveTo(int x, int y) override { x_ = x, y_ = y; }
    void LineTo(int x, int y) override {
        lines.push_back({x_, y_, x, y, pen_});
        x_ = x, y_ = y;
    }
    void FillRect(int x0, int y0, int x1, int y1, Rgb) override {
        fills.push_back({x0, y0, x1, y1});
    }
    void SetPixel(int x, int y, Rgb colour) override { pixels.push_back({x, y, colour}); }
    void SetTextColour(Rgb colour) override { textColour_ = colour; }
    // Characters 9 units wide, lines 19 high.
    TextBox TextOut(int x, int y, const std::string& text, TextAlign align) override {
        texts.push_back({x, y, text, textColour_, align});
        const int width = 9 * static_cast<int>(text.size());
        const int left = align == TextAlign::Centre ? x - width / 2 : x;
        return {left, y, left + width, y - TextHeight()};
    }
    int TextHeight() const override { return 19; }
    void InvertRectOutline(int x0, int y0, int x1, int y1) override {
        outlines.push_back({x0, y0, x1, y1});
    }

    // The first text drawn that starts with prefix; nullptr when none.
    const Text* find(const std::string& prefix) const {
        for (const Text& t : texts)
            if (t.text.starts_with(prefix))
                return &t;
        return nullptr;
    }

    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Fill> fills;
    std::vector<Pixel> pixels;
    std::vector<Outline> outlines;

private:
    DeviceCaps caps_;
    Rgb pen_ = 0, textColour_ = 0;
    int x_ = 0, y_ = 0;
};

}  // namespace velmora::testing
