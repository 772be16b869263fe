// The printer as the printed catalogue drives it.
#pragma once

#include "platform/controls.h"
#include "platform/interface.h"

#include <memory>
#include <string_view>

namespace dorvantile {

/// One print job. Positions are in twips from the top-left corner of the printable area,
/// sizes in points. Every member may throw CatalogueError when the printer fails.
class PrintSurface : public Interface {
public:
    /// The job's two integer settings: the number of copies and the orientation
    /// (1 is portrait).
    virtual void setCopies(int copies) = 0;
    virtual void setOrientation(int orientation) = 0;

    virtual void FontName(std::string_view face) = 0;
    virtual void FontSize(float points) = 0;
    virtual void FontBold(bool bold) = 0;
    virtual void ForeColor(Rgb colour) = 0;
    virtual void CurrentX(float twips) = 0;
    virtual void CurrentY(float twips) = 0;
    /// Draws `text` at the current position, then moves to the start of the next line:
    /// x back to 0, y down by one line height of the current font. A line that does not
    /// fit on the page any more is printed at the top of a new page.
    virtual void Print(std::string_view text) = 0;
    /// The width in twips of `text` in the current font.
    virtual float TextWidth(std::string_view text) = 0;
    /// The width in twips of the printable area.
    virtual float ScaleWidth() = 0;
    /// Ends the document and releases it to the printer.
    virtual void EndDoc() = 0;
};

/// The system's default printer.
class Printer : public Interface {
public:
    /// Starts a job. Throws CatalogueError, naming what failed, when there is no printer or
    /// the job cannot be started.
    virtual std::unique_ptr<PrintSurface> startJob() = 0;
};

} // namespace dorvantile
