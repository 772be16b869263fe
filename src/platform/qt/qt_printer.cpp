#include "platform/qt/qt_printer.h"

#include "platform/output_file.h"
#include "platform/posix_process.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>
#include <QTemporaryFile>
#include <cerrno>
#include <cups/cups.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

QString fromBytes(std::string_view text) {
    // Names are bytes, normally UTF-8; a byte that is not valid UTF-8 prints as U+FFFD.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Why the queue `name` takes no job now, in its spooler's words; nothing when it takes them.
std::optional<std::string> refusal(const std::string& name) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const wanted[] = {"printer-is-accepting-jobs", "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  wanted);
    const std::unique_ptr<ipp_t, void (*)(ipp_t*)> answer(
        cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"), ippDelete); // takes the request
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING)
        return cupsLastErrorString();
    ipp_attribute_t* accepting =
        ippFindAttribute(answer.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (accepting == nullptr || ippGetBoolean(accepting, 0))
        return std::nullopt;
    const char* message = ippGetString(
        ippFindAttribute(answer.get(), "printer-state-message", IPP_TAG_ZERO), 0, nullptr);
    return std::string("the queue does not accept jobs") +
           (message != nullptr && *message != 0 ? std::string(": ") + message : std::string());
}

/// Why no print service answers, in libcups' words; nothing when one does. Without one, no
/// queue is known, and the queue is not to blame.
std::optional<std::string> unreachable() {
    const std::string server = cupsServer();
    http_addrlist_t* addresses =
        httpAddrGetList(server.c_str(), AF_UNSPEC, std::to_string(ippPort()).c_str());
    int reason = EHOSTUNREACH; // a name that gives no address
    for (http_addrlist_t* at = addresses; at != nullptr && reason != 0; at = at->next) {
        const int fd = ::socket(at->addr.addr.sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        reason =
            fd < 0 || ::connect(fd, &at->addr.addr, httpAddrLength(&at->addr)) != 0 ? errno : 0;
        if (fd >= 0)
            ::close(fd);
    }
    httpAddrFreeList(addresses);
    if (reason == 0)
        return std::nullopt;
    return "Cannot print: cannot reach the print service at " + server + ": " +
           std::generic_category().message(reason);
}

/// A queue's job as a PDF file of its own, removed with it; a signal removes it too.
struct SpoolFile {
    SpoolFile() : file(QDir::tempPath() + QStringLiteral("/dorvantile-print-XXXXXX.pdf")) {}
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;
    ~SpoolFile() { forgetTemporaryFile(); } // the file itself goes with `file`
    QTemporaryFile file;
};

/// One job. The lines are laid out page by page as they come, against the printer's own
/// metrics, and drawn only at EndDoc. A queue's job is drawn into a PDF file of its own and
/// handed to the spooler in one request, whose answer is the job's success: Qt's CUPS engine
/// neither withdraws a job once its painter has begun nor reports a job the spooler refuses.
/// So a failed run never sends half a catalogue, and a refused job is never a success.
class QtPrintSurface final : public PrintSurface {
public:
    /// A job on the queue `info`, or in the PDF file `pdf` when that is not empty.
    QtPrintSurface(const QPrinterInfo& info, const std::string& pdf)
        : printer_(info, QPrinter::HighResolution),
          name_(pdf.empty() ? info.printerName().toStdString() : pdf) {
        if (pdf.empty()) {
            // The queue's default page with its printable area and resolution, drawn as PDF.
            queue_ = name_;
            printer_.setPageSize(info.defaultPageSize());
            const QPageLayout layout = printer_.pageLayout();
            const int resolution = printer_.resolution();
            printer_.setOutputFormat(QPrinter::PdfFormat);
            printer_.setPageLayout(layout);
            printer_.setResolution(resolution);
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

    void setCopies(int copies) override { copies_ = copies < 1 ? 1 : copies; }

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

    float TextWidth(std::string_view text) override {
        return static_cast<float>(currentMetrics().horizontalAdvance(fromBytes(text)) /
                                  pixelsPerTwipX_);
    }

    float ScaleWidth() override {
        return static_cast<float>(printer_.pageRect(QPrinter::DevicePixel).width() /
                                  pixelsPerTwipX_);
    }

    void EndDoc() override {
        if (ended_)
            return; // a second EndDoc would send an empty job
        std::optional<SpoolFile> spool;
        if (!queue_.empty()) {
            spool.emplace();
            if (!spool->file.open())
                throw CatalogueError(cannotPrint("no temporary file for the job: " +
                                                 spool->file.errorString().toStdString()));
            noteTemporaryFile(QFile::encodeName(spool->file.fileName()).toStdString());
            printer_.setOutputFileName(spool->file.fileName());
        }
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
        if (spool)
            submit(QFile::encodeName(spool->file.fileName()));
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

    std::string cannotPrint(const std::string& reason) const {
        return "Cannot print on " + name_ + ": " + reason;
    }

    /// Hands the PDF file `path` to the queue as one job; libcups cancels a job whose
    /// document does not arrive whole.
    void submit(const QByteArray& path) {
        cups_option_t* options = nullptr;
        const int count = cupsAddOption("copies", std::to_string(copies_).c_str(), 0, &options);
        const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue_.c_str(), path.constData(),
                                       "Dorvantile catalogue", count, options);
        cupsFreeOptions(count, options);
        if (job == 0)
            throw CatalogueError(cannotPrint(cupsLastErrorString()));
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
    std::string queue_; // the queue a job is handed to; empty for a PDF file
    int copies_ = 1;
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

std::unique_ptr<PrintSurface> startOn(const QPrinterInfo& info) {
    // A queue that takes no job fails the run before its walk, not at its end.
    const std::string name = info.printerName().toStdString();
    if (const std::optional<std::string> reason = refusal(name))
        throw CatalogueError("Cannot print on " + name + ": " + *reason);
    return std::make_unique<QtPrintSurface>(info, std::string());
}

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
            throw CatalogueError(
                unreachable().value_or("No printer is set up: there is no default printer"));
        return startOn(info);
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(fromBytes(queue_));
    if (info.isNull())
        throw CatalogueError(unreachable().value_or("Cannot print on " + queue_ +
                                                    ": there is no printer of that name"));
    return startOn(info);
}

} // namespace dorvantile
