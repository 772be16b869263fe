// Recording stand-ins for the window's controls and the desktop's services.
#pragma once

#include "platform/controls.h"
#include "platform/print_surface.h"
#include "platform/system.h"

#include <functional>
#include <string>
#include <vector>

namespace dorvantile::fakes {

/// One journal that every fake writes to, so tests can check the order of calls.
using Journal = std::vector<std::string>;

class FakeChosenFolder final : public ChosenFolder {
public:
    std::string folder = "/";
    std::string path() const override { return folder; }
};

class FakeOutputChoice final : public OutputChoice {
public:
    int selected = 1;
    bool isSelected(int index) const override { return index == selected; }
};

class FakePicture final : public Picture {
public:
    explicit FakePicture(Journal& journal) : journal_(journal) {}
    void setTop(int twips) override { journal_.push_back("top " + std::to_string(twips)); }
    void setLeft(int twips) override { journal_.push_back("left " + std::to_string(twips)); }

private:
    Journal& journal_;
};

class FakeProgressDisplay final : public ProgressDisplay {
public:
    struct Line {
        int x1, y1, x2, y2;
        Rgb colour;
    };
    explicit FakeProgressDisplay(Journal& journal) : journal_(journal) {}
    std::vector<Line> lines;
    std::vector<std::string> captions;
    void Cls() override {
        lines.clear();
        journal_.push_back("Cls");
    }
    void line(int x1, int y1, int x2, int y2, Rgb colour) override {
        lines.push_back({x1, y1, x2, y2, colour});
    }
    void setCaption(std::string_view caption) override { captions.emplace_back(caption); }

private:
    Journal& journal_;
};

class FakePointer final : public Pointer {
public:
    explicit FakePointer(Journal& journal) : journal_(journal) {}
    void set(MousePointer pointer) override {
        journal_.push_back(pointer == MousePointer::Hourglass ? "hourglass" : "arrow");
    }

private:
    Journal& journal_;
};

/// A clock that advances only when the message loop runs, by `step` seconds a pass, and
/// a hook that stands for whatever the user does during that pass.
class FakeEventLoop final : public EventLoop {
public:
    double clock = 1000.0;
    double step = 0.01;
    int passes = 0;
    std::function<void()> onPass;
    double now() override { return clock; }
    void processEvents() override {
        ++passes;
        clock += step;
        if (onPass)
            onPass();
    }
};

class FakeShell final : public Shell {
public:
    explicit FakeShell(Journal& journal) : journal_(journal) {}
    std::vector<std::string> opened;
    void open(const std::string& target) override {
        opened.push_back(target);
        journal_.push_back("open " + target);
    }

private:
    Journal& journal_;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    explicit FakeMessageBoxes(Journal& journal) : journal_(journal) {}
    struct Shown {
        std::string prompt;
        std::string title;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    void show(std::string_view prompt, std::string_view title, MessageIcon icon) override {
        shown.push_back({std::string(prompt), std::string(title), icon});
        journal_.push_back("message " + std::string(prompt));
    }

private:
    Journal& journal_;
};

/// Records every member call of a print job as one line of text.
class RecordingPrintSurface final : public PrintSurface {
public:
    explicit RecordingPrintSurface(Journal& journal) : journal_(journal) {}
    void setCopies(int copies) override { note("Copies " + std::to_string(copies)); }
    void setOrientation(int orientation) override {
        note("Orientation " + std::to_string(orientation));
    }
    void FontName(std::string_view face) override { note("FontName " + std::string(face)); }
    void FontSize(float points) override { note("FontSize " + std::to_string(int(points))); }
    void FontBold(bool bold) override { note(bold ? "FontBold 1" : "FontBold 0"); }
    void ForeColor(Rgb c) override {
        note("ForeColor " + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
             std::to_string(c.blue));
    }
    void CurrentX(float twips) override { note("CurrentX " + std::to_string(int(twips))); }
    void CurrentY(float twips) override { note("CurrentY " + std::to_string(int(twips))); }
    void Print(std::string_view text) override { note("Print " + std::string(text)); }
    /// Measures are not recorded: each byte is 100 twips wide, the page `width`.
    float TextWidth(std::string_view text) override { return 100.0f * text.size(); }
    float ScaleWidth() override { return width; }
    void EndDoc() override { note("EndDoc"); }
    float width = 1e9f;

private:
    void note(std::string call) { journal_.push_back(std::move(call)); }
    Journal& journal_;
};

class FakePrinter final : public Printer {
public:
    explicit FakePrinter(Journal& journal) : journal_(journal) {}
    bool available = true;
    std::unique_ptr<PrintSurface> startJob() override;

private:
    Journal& journal_;
};

} // namespace dorvantile::fakes
