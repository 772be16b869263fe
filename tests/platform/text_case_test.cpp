#include "platform/text_case.h"

#include <clocale>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

TEST(TextCase, MapsAsciiAndUnicodeLettersCharacterByCharacter) {
    EXPECT_EQ(toUpper("/home/ann/Notes 2.txt"), "/HOME/ANN/NOTES 2.TXT");
    EXPECT_EQ(toLower("Notes.TXT"), "notes.txt");
    EXPECT_EQ(toUpper("caf\xC3\xA9 \xC3\xB1"), "CAF\xC3\x89 \xC3\x91");         // é ñ
    EXPECT_EQ(toLower("\xD0\x9F\xD0\xA0\xD0\x98"), "\xD0\xBF\xD1\x80\xD0\xB8"); // ПРИ
    EXPECT_EQ(toUpper("\xCE\xB1\xCE\xB2"), "\xCE\x91\xCE\x92");                 // αβ
    // Simple case mapping: ß has no single-character upper case and stays.
    EXPECT_EQ(toUpper("stra\xC3\x9F"
                      "e"),
              "STRA\xC3\x9F"
              "E");
}

TEST(TextCase, PassesBytesThatAreNotUtf8ThroughUnchanged) {
    EXPECT_EQ(toUpper("caf\xE9.txt"), "CAF\xE9.TXT");
    EXPECT_EQ(toLower("\xFF\xFE"
                      "AB"),
              "\xFF\xFE"
              "ab");
    // Overlong and surrogate encodings are not valid UTF-8 either.
    EXPECT_EQ(toUpper("\xC0\xAF"
                      "a"),
              "\xC0\xAF"
              "A");
    EXPECT_EQ(toUpper("\xED\xA0\x80"
                      "a"),
              "\xED\xA0\x80"
              "A");
    // A truncated sequence at the end.
    EXPECT_EQ(toLower("A\xC3"), "a\xC3");
}

TEST(TextCase, DoesNotDependOnTheUsersLocale) {
    const std::string before = toUpper("\xC3\xA9t\xC3\xA9");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(toUpper("\xC3\xA9t\xC3\xA9"), before);
    EXPECT_EQ(before, "\xC3\x89T\xC3\x89");
}

TEST(TextCase, ReplacesControlCharactersOnly) {
    std::string text = "a\nb\tc\x7F"
                       "d\x01 \xC3\xA9~";
    replaceControls(text);
    EXPECT_EQ(text, "a?b?c?d? \xC3\xA9~");
}

TEST(TextCase, OrdersByLowerCaseFormsThenRawBytes) {
    EXPECT_LT(compareNames("apple", "Banana"), 0);
    EXPECT_LT(compareNames("B", "b"), 0);
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
