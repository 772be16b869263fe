// The window's controls as the catalogue run reaches them, one narrow interface each.
#pragma once

#include "platform/interface.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dorvantile {

/// A colour as red, green and blue components from 0 to 255.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// `Dir1`: the folder the user has chosen.
class ChosenFolder : public Interface {
public:
    /// An absolute path without a trailing "/", except the root "/" itself.
    virtual std::string path() const = 0;
};

/// `Keuze`: the output choices 1 (HTML page), 2 (text file) and 3 (printer).
class OutputChoice : public Interface {
public:
    virtual bool isSelected(int index) const = 0;
};

/// A clickable picture such as `OkKnop`; positions in twips within its container.
class Picture : public Interface {
public:
    virtual void setTop(int twips) = 0;
    virtual void setLeft(int twips) = 0;
};

/// `Bar` with its `ProcentLabel`: what the progress animation draws on.
class ProgressDisplay : public Interface {
public:
    /// Erases everything drawn on the bar, leaving its background colour.
    virtual void Cls() = 0;
    /// Draws a line on the bar between two points in pixels.
    virtual void line(int x1, int y1, int x2, int y2, Rgb colour) = 0;
    /// Sets the percentage label's caption.
    virtual void setCaption(std::string_view caption) = 0;
};

enum class MousePointer { Arrow = 1, Hourglass = 11 };

/// The screen-wide mouse pointer.
class Pointer : public Interface {
public:
    virtual void set(MousePointer pointer) = 0;
};

} // namespace dorvantile
