#include "platform/text_case.h"

#include <clocale>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

TEST(TextCase, MapsLettersOneByOneAndPassesOtherBytesThrough) {
    EXPECT_EQ(toUpper("/home/ann/Notes 2.txt"), "/HOME/ANN/NOTES 2.TXT");
    EXPECT_EQ(toLower("Notes.TXT"), "notes.txt");
    EXPECT_EQ(toUpper("caf\xC3\xA9 \xC3\xB1"), "CAF\xC3\x89 \xC3\x91");         // é ñ
    EXPECT_EQ(toLower("\xD0\x9F\xD0\xA0\xD0\x98"), "\xD0\xBF\xD1\x80\xD0\xB8"); // ПРИ
    EXPECT_EQ(toUpper("\xCE\xB1\xF0\x90\x90\xA8"), "\xCE\x91\xF0\x90\x90\x80"); // α, Deseret
    EXPECT_EQ(toUpper("stra\xC3\x9F"
                      "e"),
              "STRA\xC3\x9F"
              "E"); // ß has no simple upper case
    // Not UTF-8: a lone Latin-1 byte, overlong and surrogate forms, a truncated sequence.
    EXPECT_EQ(toUpper("caf\xE9.txt"), "CAF\xE9.TXT");
    EXPECT_EQ(toUpper("\xC0\xAF"
                      "a\xED\xA0\x80"
                      "a"),
              "\xC0\xAF"
              "A\xED\xA0\x80"
              "A");
    EXPECT_EQ(toLower("\xF4\x90\x80\x80"
                      "A\xC3"),
              "\xF4\x90\x80\x80"
              "a\xC3");
}

TEST(TextCase, DoesNotDependOnTheUsersLocale) {
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(toUpper("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");
}

TEST(TextCase, OrdersByLowerCaseFormsThenRawBytes) {
    EXPECT_LT(compareNames("apple", "Banana"), 0);
    EXPECT_LT(compareNames("B", "b"), 0);
    EXPECT_GT(compareNames("b", "B"), 0);
    EXPECT_EQ(compareNames("same", "same"), 0);
    EXPECT_LT(compareNames("\xC3\x89"
                           "a",
                           "\xC3\xA9"
                           "b"),
              0);                                // Éa before éb
    EXPECT_GT(compareNames("\xC3\xA9", "z"), 0); // é after z, byte-wise
}

} // namespace
} // namespace dorvantile
