#include "platform/qt/qt_printer.h"

#include "platform/output_file.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>
#include <optional>
#include <vector>

namespace dorvantile {
namespace {

QString fromBytes(std::string_view text) {
    // Names are bytes, normally UTF-8; a byte that is not valid UTF-8 prints as U+FFFD.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// One job. The lines are laid out page by page as they come, against the printer's own
/// metrics, and drawn on the printer only at EndDoc. Qt's CUPS engine cannot withdraw a job
/// once its painter has begun (`QPrinter::abort()` does nothing there, and ending the painter
/// spools whatever was drawn), so this is the only way a failed run never sends half a
/// catalogue.
class QtPrintSurface final : public PrintSurface {
public:
    /// A job on the queue `info`, or in the PDF file `pdf` when that is not empty.
    QtPrintSurface(const QPrinterInfo& info, const std::string& pdf)
        : printer_(info, QPrinter::HighResolution),
          name_(pdf.empty() ? info.printerName().toStdString() : pdf) {
        if (pdf.empty()) {
            printer_.setPageSize(info.defaultPageSize());
        } else {
            printer_.setOutputFormat(QPrinter::PdfFormat);
            printer_.setOutputFileName(fromBytes(pdf));
            printer_.setPageSize(QPageSize(QPageSize::A4));
        }
        printer_.setFullPage(false); // the painter's origin is the printable area's corner
        // Some drivers default to grey; the colours of headings and names are part of the
        // printout, and a printer without colour converts them itself.
        printer_.setColorMode(QPrinter::Color);
        printer_.setDocName(QStringLiteral("Dorvantile catalogue"));
        printer_.setCreator(QStringLiteral("Dorvantile"));
        pixelsPerTwipX_ = printer_.logicalDpiX() / 1440.0;
        pixelsPerTwipY_ = printer_.logicalDpiY() / 1440.0;
    }

    void setCopies(int copies) override { printer_.setCopyCount(copies < 1 ? 1 : copies); }

    void setOrientation(int orientation) override {
        if (orientation == 1 || orientation == 2) {
            printer_.setPageOrientation(orientation == 1 ? QPageLayout::Portrait
                                                         : QPageLayout::Landscape);
            pageHeight_.reset();
        }
    }

    void FontName(std::string_view face) override {
        const QString family = fromBytes(face);
        if (font_.family() != family) {
            font_.setFamily(family);
            fontChanged();
        }
    }

    void FontSize(float points) override {
        // Points: the painter on the printer turns them into the printer's pixels.
        if (font_.pointSizeF() != points && points > 0) {
            font_.setPointSizeF(points);
            fontChanged();
        }
    }

    void FontBold(bool bold) override {
        if (font_.bold() != bold) {
            font_.setBold(bold);
            fontChanged();
        }
    }

    void ForeColor(Rgb colour) override {
        const QColor wanted(colour.red, colour.green, colour.blue);
        if (colour_ != wanted) {
            colour_ = wanted;
            style_.reset();
        }
    }

    void CurrentX(float twips) override { x_ = twips * pixelsPerTwipX_; }
    void CurrentY(float twips) override { y_ = twips * pixelsPerTwipY_; }

    void Print(std::string_view text) override {
        const QFontMetricsF& metrics = currentMetrics();
        // The line height is the font's line spacing: its ascent, descent and leading.
        const qreal lineHeight = metrics.lineSpacing();
        // A line at the top of a page is printed even when it is taller than the page.
        if (y_ > 0 && y_ + lineHeight > pageHeight()) {
            pageStarts_.push_back(lines_.size());
            y_ = 0;
        }
        if (!text.empty())
            lines_.push_back({QPointF(x_, y_ + metrics.ascent()), currentStyle(), fromBytes(text)});
        x_ = 0;
        y_ += lineHeight;
    }

    void EndDoc() override {
        if (ended_)
            return; // a second EndDoc would send an empty job
        QPainter painter;
        if (!painter.begin(&printer_))
            throw CatalogueError(cannotPrint("the print job could not be started"));
        std::size_t page = 0;
        std::optional<std::size_t> drawnStyle;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            for (; page < pageStarts_.size() && pageStarts_[page] == i; ++page)
                newPage();
            const Line& line = lines_[i];
            if (drawnStyle != line.style) {
                painter.setFont(styles_[line.style].font);
                painter.setPen(styles_[line.style].colour);
                drawnStyle = line.style;
            }
            painter.drawText(line.baseline, line.text);
        }
        for (; page < pageStarts_.size(); ++page)
            newPage();
        if (!painter.end())
            throw CatalogueError(cannotPrint("the print job could not be finished"));
        ended_ = true;
        lines_.clear();
        pageStarts_.clear();
    }

private:
    struct Style {
        QFont font;
        QColor colour;
    };
    /// A line as it is drawn: its baseline in printer pixels from the printable area's
    /// top-left corner, its style and its text.
    struct Line {
        QPointF baseline;
        std::size_t style;
        QString text;
    };

    std::string cannotPrint(const char* reason) const {
        return "Cannot print on " + name_ + ": " + reason;
    }

    void fontChanged() {
        metrics_.reset();
        style_.reset();
    }

    const QFontMetricsF& currentMetrics() {
        if (!metrics_)
            metrics_.emplace(font_, &printer_);
        return *metrics_;
    }

    std::size_t currentStyle() {
        if (!style_) {
            std::size_t found = 0;
            while (found < styles_.size() &&
                   !(styles_[found].font == font_ && styles_[found].colour == colour_))
                ++found;
            if (found == styles_.size())
                styles_.push_back({font_, colour_});
            style_ = found;
        }
        return *style_;
    }

    qreal pageHeight() {
        if (!pageHeight_)
            pageHeight_ = printer_.pageRect(QPrinter::DevicePixel).height();
        return *pageHeight_;
    }

    void newPage() {
        // Only a failing output device refuses a new page; by then the engine has the job.
        if (!printer_.newPage())
            throw CatalogueError(cannotPrint("a new page could not be started"));
    }

    QPrinter printer_;
    std::string name_;
    qreal pixelsPerTwipX_;
    qreal pixelsPerTwipY_;
    QFont font_;
    QColor colour_{Qt::black};
    qreal x_ = 0; // printer pixels from the printable area's left edge
    qreal y_ = 0; // printer pixels from the printable area's top edge
    std::optional<QFontMetricsF> metrics_;
    std::optional<std::size_t> style_;
    std::optional<qreal> pageHeight_;
    std::vector<Style> styles_;
    std::vector<Line> lines_;
    std::vector<std::size_t> pageStarts_; // the first line of each page after the first
    bool ended_ = false;
};

} // namespace

QtPrinter::QtPrinter(std::string queue) : queue_(std::move(queue)) {}

QtPrinter::QtPrinter(std::string queue, std::string pdf)
    : queue_(std::move(queue)), pdf_(std::move(pdf)) {}

QtPrinter QtPrinter::toPdf(std::string path) {
    return QtPrinter({}, std::move(path));
}

std::unique_ptr<PrintSurface> QtPrinter::startJob() {
    if (!pdf_.empty())
        return std::make_unique<QtPrintSurface>(QPrinterInfo(), pdf_);
    if (queue_.empty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw CatalogueError("No printer is set up: there is no default printer");
        return std::make_unique<QtPrintSurface>(info, std::string());
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(fromBytes(queue_));
    if (info.isNull())
        throw CatalogueError("Cannot print on " + queue_ + ": there is no printer of that name");
    return std::make_unique<QtPrintSurface>(info, std::string());
}

} // namespace dorvantile
