// The Qt printer on a queue of a private CUPS scheduler: a job reaches the queue whole at
// EndDoc, or not at all.
#include "pdf_reading.h"
#include "platform/output_file.h"
#include "platform/qt/qt_printer.h"
#include "private_cups.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace dorvantile::testing {
namespace {

PrivateCups* cups = nullptr;

/// Starts a job on the queue and prints a heading and `files` file lines on it.
std::unique_ptr<PrintSurface> jobWithLines(Printer& printer, int files) {
    std::unique_ptr<PrintSurface> job = printer.startJob();
    job->setCopies(1);
    job->setOrientation(1);
    job->FontName("Arial");
    job->FontBold(true);
    job->FontSize(11);
    job->ForeColor({192, 0, 0});
    job->CurrentX(300);
    job->CurrentY(300);
    job->Print("/HEADING");
    for (int i = 0; i < files; ++i) {
        job->FontSize(9);
        job->ForeColor({0, 160, 0});
        job->CurrentX(600);
        job->Print("file-" + std::to_string(i));
    }
    return job;
}

TEST(QtPrinter, JobDroppedBeforeEndDocSendsNothing) {
    const std::size_t before = cups->pendingJobs() + cups->completedJobs();
    QtPrinter printer("catalogue");

    // Long enough to have broken pages, as a run that fails late would have.
    jobWithLines(printer, 200).reset();

    EXPECT_EQ(cups->pendingJobs() + cups->completedJobs(), before);
    EXPECT_FALSE(std::filesystem::exists(cups->output("catalogue")));
}

TEST(QtPrinter, JobReachesTheQueueWholeAtEndDoc) {
    const std::size_t before = cups->completedJobs();
    QtPrinter printer("catalogue");
    std::unique_ptr<PrintSurface> job = jobWithLines(printer, 200);
    EXPECT_EQ(cups->pendingJobs(), 0u) << "nothing is sent before EndDoc";

    job->EndDoc();

    cups->waitForCompletedJobs(before + 1);
    const std::vector<PrintedPage> pages = pdfPages(cups->output("catalogue"));
    ASSERT_GE(pages.size(), 2u);
    std::size_t lines = 0;
    for (const PrintedPage& page : pages)
        lines += page.lines.size();
    EXPECT_EQ(lines, 201u);
    EXPECT_EQ(pages.back().lines.back().text, "file-199");
}

TEST(QtPrinter, UnknownQueueThrowsNamingIt) {
    QtPrinter printer("no-such-queue");
    try {
        printer.startJob();
        FAIL() << "a job started on a queue that does not exist";
    } catch (const CatalogueError& error) {
        EXPECT_STREQ(error.what(),
                     "Cannot print on no-such-queue: there is no printer of that name");
    }
}

} // namespace
} // namespace dorvantile::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    try {
        dorvantile::testing::PrivateCups cups;
        cups.addQueue("catalogue");
        cups.setDefault("catalogue");
        // The CUPS client library reads these once, so they are set before Qt asks for a
        // printer; the machine's own printers and settings stay out of reach.
        unsetenv("PRINTER");
        unsetenv("LPDEST");
        for (const std::string& setting : cups.clientEnvironment()) {
            const std::size_t equals = setting.find('=');
            setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        QGuiApplication application(argc, argv);
        dorvantile::testing::cups = &cups;
        return RUN_ALL_TESTS();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qt_printer_test: %s\n", error.what());
        return 1;
    }
}
