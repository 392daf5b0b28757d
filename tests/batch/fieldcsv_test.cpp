// SPDX-License-Identifier: GPL-3.0-or-later
#include "batcherror.h"
#include "fieldcsv.h"
#include "fastbed.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string refusal(const std::string& text)
{
    try {
        parseFieldCsv(text);
    } catch (const BatchError& error) {
        return error.what();
    }
    return "accepted";
}

} // namespace

TEST(BatchFieldCsv, AcceptsTheUsualFormsOfOneField)
{
    const std::vector<Cell> expected = {-1, 0, 1, 2, 3, 2};
    for (const std::string text :
         {"-1,0,1\n2,3,2\n", "-1,0,1\n2,3,2", "-1,0,1\r\n2,3,2\r\n", "-1,0,1\r\n2,3,2\r", " -1 ,\t0, 1\n2 , 3,2  \n",
          "-1,0,1\n2,3,2\n\n\r\n  \n", "\xEF\xBB\xBF-1,0,1\n2,3,2\n"}) {
        const FieldData field = parseFieldCsv(text);
        EXPECT_EQ(field.width, 3) << text;
        EXPECT_EQ(field.height, 2) << text;
        EXPECT_EQ(field.codes, expected) << text;
    }
    const FieldData single = parseFieldCsv("3");
    EXPECT_EQ(single.width * single.height, 1);
}

TEST(BatchFieldCsv, RefusesBadFilesNamingLineAndColumn)
{
    EXPECT_EQ(refusal(""), "holds no cells");
    EXPECT_EQ(refusal("\n\n  \n"), "holds no cells");
    EXPECT_EQ(refusal("1,2,3\n1,2\n"), "line 2 has 2 values where line 1 has 3");
    EXPECT_EQ(refusal("1,2\n1,2,3\n"), "line 2 has 3 values where line 1 has 2");
    EXPECT_EQ(refusal("1,2\n2,1.5\n"), "line 2, column 2: '1.5' is not a cell code (-1, 0, 1, 2 or 3)");
    EXPECT_EQ(refusal("1,4\n"), "line 1, column 2: '4' is not a cell code (-1, 0, 1, 2 or 3)");
    EXPECT_EQ(refusal("-2\n"), "line 1, column 1: '-2' is not a cell code (-1, 0, 1, 2 or 3)");
    EXPECT_EQ(refusal("1,,2\n"), "line 1, column 2: empty value");
    EXPECT_EQ(refusal("1,2,\n"), "line 1, column 3: empty value");
    EXPECT_EQ(refusal("1,2\n\n1,2\n"), "line 2 is empty");
    EXPECT_EQ(refusal("\n1,2\n"), "line 1 is empty");
    EXPECT_EQ(refusal("1 2,3\n"), "line 1, column 1: '1 2...' is not one cell code (values are separated by commas)");
    EXPECT_EQ(refusal("1,2\r3\n"), "line 1 has a carriage return inside it (only \\r\\n may end a line)");
    for (const std::string& text : std::vector<std::string>{"1;2\n", "a\n", "+1\n", "2e0\n", "1,2\n3,0x1\n", "99999999999999999999999\n",
                                   std::string("1,\0", 3), "\xEF\xBB" "1\n"})
        EXPECT_NE(refusal(text), "accepted") << text;
}

TEST(BatchFieldCsv, RefusesFieldsBeyondTheLargestSize)
{
    std::string wide = "2";
    for (int x = 1; x <= FastBed::MaxCells; ++x)
        wide += ",2";
    EXPECT_EQ(refusal(wide), "line 1 has more than 16384 values, the widest field");
    std::string tall;
    for (int y = 0; y < FastBed::MaxCells; ++y)
        tall += "1\n";
    EXPECT_EQ(parseFieldCsv(tall).height, FastBed::MaxCells);
    EXPECT_EQ(refusal(tall + "1\n"), "line 16385 lies beyond 16384 lines, the highest field");
}

TEST(BatchFieldCsv, SurvivesArbitraryBytesFedInPieces)
{
    std::mt19937 random(7);
    const std::string alphabet = "-0123,\r\n \t.x\xEF";
    for (int trial = 0; trial < 2000; ++trial) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        FieldCsvParser parser;
        try {
            for (std::size_t start = 0; start < text.size(); start += 3)
                parser.feed(std::string_view(text).substr(start, 3));
            const FieldData field = parser.finish();
            ASSERT_EQ(field.codes.size(), static_cast<std::size_t>(field.width) * field.height) << text;
        } catch (const BatchError&) {
        }
    }
}

TEST(BatchFieldCsv, WrittenFieldReadsBackCellForCell)
{
    MusselBed bed(7, 4, 99);
    std::vector<Cell> codes;
    for (int i = 0; i < 28; ++i)
        codes.push_back(i % 5 - 1);
    ASSERT_TRUE(bed.setField(7, 4, codes, nullptr));
    const std::string text = fieldCsv(bed);
    EXPECT_EQ(text.substr(0, text.find('\n')), "-1,0,1,2,3,-1,0");
    const FieldData back = parseFieldCsv(text);
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 4);
    EXPECT_EQ(back.codes, codes);
}
