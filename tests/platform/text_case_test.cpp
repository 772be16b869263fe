#include "platform/text_case.h"

#include <clocale>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

// Octal escapes below, so that no escape runs into the letter after it.
TEST(TextCase, MapsLettersOneByOneAndPassesOtherBytesThrough) {
    std::setlocale(LC_ALL, "C"); // the user's locale plays no part
    for (const auto& [given, upper] : {
             std::pair{"/home/ann/Notes 2.txt", "/HOME/ANN/NOTES 2.TXT"},
             {"\357\275\232", "\357\274\272"},                 // a fullwidth z, last in the name
             {"caf\303\251 \303\261", "CAF\303\211 \303\221"}, // é ñ
             {"\316\261\360\220\220\250", "\316\221\360\220\220\200"}, // α, Deseret
             {"stra\303\237e", "STRA\303\237E"},                       // ß has no simple upper
             {"caf\351.txt", "CAF\351.TXT"},                           // a lone Latin-1 byte
             {"\300\257a\355\240\200a", "\300\257A\355\240\200A"},     // overlong, surrogate
             {"\340\201\241\360\200\201\241", "\340\201\241\360\200\201\241"}, // overlong a
             {"\364\220\200\200a\303", "\364\220\200\200A\303"}, // past U+10FFFF, cut off
         })
        EXPECT_EQ(toUpper(given), upper) << given;
    EXPECT_EQ(toLower("Notes.TXT \320\237\320\240\320\230"),
              "notes.txt \320\277\321\200\320\270"); // ПРИ
    EXPECT_EQ(toLower("\364\220\200\200A\303"), "\364\220\200\200a\303");
}

TEST(TextCase, OrdersByLowerCaseFormsThenRawBytes) {
    EXPECT_LT(compareNames("apple", "Banana"), 0);
    EXPECT_LT(compareNames("B", "b"), 0);
    EXPECT_GT(compareNames("b", "B"), 0);
    EXPECT_EQ(compareNames("same", "same"), 0);
    EXPECT_LT(compareNames("\303\211a", "\303\251b"), 0); // Éa before éb
    EXPECT_GT(compareNames("\303\251", "z"), 0);          // é after z, byte-wise
}

} // namespace
} // namespace dorvantile
