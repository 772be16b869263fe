// The Qt printer on a queue of a private CUPS scheduler: a job reaches the queue whole at
// EndDoc, or not at all.
#include "pdf_reading.h"
#include "platform/qt/qt_printer.h"
#include "private_cups.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace dorvantile::testing {
namespace {

PrivateCups* cups = nullptr;

/// Starts a job on the queue and prints 200 lines: pages enough to have broken a page, as a
/// run that fails late would have.
std::unique_ptr<PrintSurface> jobOfLines(Printer& printer) {
    std::unique_ptr<PrintSurface> job = printer.startJob();
    for (int i = 0; i < 200; ++i)
        job->Print("line-" + std::to_string(i));
    return job;
}

TEST(QtPrinter, JobReachesTheQueueWholeAtEndDocOrNotAtAll) {
    QtPrinter printer("catalogue");

    jobOfLines(printer).reset(); // dropped before EndDoc
    EXPECT_EQ(cups->jobs(), 0u);
    EXPECT_FALSE(std::filesystem::exists(cups->output("catalogue")));

    const std::unique_ptr<PrintSurface> job = jobOfLines(printer);
    EXPECT_EQ(cups->jobs(), 0u) << "nothing is sent before EndDoc";
    job->EndDoc();

    cups->waitForCompletedJobs(1);
    EXPECT_EQ(cups->jobs(), 1u) << "the dropped job arrived after all";
    const std::vector<PrintedPage> pages = pdfPages(cups->output("catalogue"));
    ASSERT_GE(pages.size(), 2u);
    std::size_t lines = 0;
    for (const PrintedPage& page : pages)
        lines += page.lines.size();
    EXPECT_EQ(lines, 200u);
    EXPECT_EQ(pages.back().lines.back().text, "line-199");
}

} // namespace
} // namespace dorvantile::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    try {
        dorvantile::testing::PrivateCups cups;
        cups.addQueue("catalogue");
        // The CUPS client library reads these once, so they are set before Qt asks for a
        // printer; the machine's own printers and settings stay out of reach. (putenv keeps
        // the copies for the life of the process.)
        for (const std::string& setting : cups.clientEnvironment())
            putenv(strdup(setting.c_str()));
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        QGuiApplication application(argc, argv);
        dorvantile::testing::cups = &cups;
        return RUN_ALL_TESTS();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qt_printer_test: %s\n", error.what());
        return 1;
    }
}
