#include "padkit/util/Csv.h"

#include <gtest/gtest.h>

namespace {

TEST(CsvTest, ReadingFields) {
    const QString line = "a,\"b,c\",d";
    EXPECT_EQ(PADKIT_GetCSVData(line, 1, 0, ','), "a");
    EXPECT_EQ(PADKIT_GetCSVData(line, 2, 0, ','), "b,c");
    EXPECT_EQ(PADKIT_GetCSVData(line, 3, 0, ','), "d");
    EXPECT_EQ(PADKIT_GetCSVData(line, 4, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData(line, 0, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData("a,,c", 2, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData("a,,c", 3, 0, ','), "c");
    EXPECT_EQ(PADKIT_GetCSVData("x\ty\tz", 2, 0, '\t'), "y");
    EXPECT_EQ(PADKIT_GetCSVData("\"say \"\"hi\"\"\",b", 1, 0, ','), "say \"\"hi\"\"")
        << "doubled quotes stay";
    EXPECT_EQ(PADKIT_GetCSVData("\",\",b", 1, 0, ','), ",") << "a separator right after the opening quote";
}

TEST(CsvTest, UnbalancedQuotesAndTrimming) {
    EXPECT_EQ(PADKIT_GetCSVData("a,\"open,b,c", 2, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData("a,\"open,b,c", 3, 0, ','), "") << "later fields shift into the open one";
    EXPECT_EQ(PADKIT_GetCSVData("a,close\",b", 2, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData("a,close\",b", 3, 0, ','), "b");
    EXPECT_EQ(PADKIT_GetCSVData("\"", 1, 0, ','), "");
    EXPECT_EQ(PADKIT_GetCSVData("a, x ,b", 2, 1, ','), "x");
    EXPECT_EQ(PADKIT_GetCSVData("a, x ,b", 2, 0, ','), " x ");
    EXPECT_EQ(PADKIT_GetCSVData("a, x ,b", 2, 2, ','), " x ");
    EXPECT_EQ(PADKIT_GetCSVData("a,\" x \",b", 2, 1, ','), "x");
}

// With the quote as separator, a line that starts with it has an empty first field; the reader
// never looks before the line's first character.
TEST(CsvTest, QuoteAsSeparatorAtTheStartOfTheLine) {
    const QString line = "\"x\"y";
    EXPECT_EQ(PADKIT_GetCSVData(line, 1, 0, '"'), "");
    EXPECT_EQ(PADKIT_GetCSVData(line, 2, 0, '"'), "x");
    EXPECT_EQ(PADKIT_GetCSVData(line, 3, 0, '"'), "y");
    EXPECT_EQ(PADKIT_GetCSVData("\"", 1, 0, '"'), "");
    EXPECT_EQ(PADKIT_GetCSVData("\"", 2, 0, '"'), "");
    QString edited = line;
    PADKIT_SetCSVData(edited, 3, QStringLiteral("z"), '"');
    EXPECT_EQ(edited, "\"x\"z");
}

TEST(CsvTest, WritingFields) {
    QString line = "a,b,c";
    EXPECT_EQ(PADKIT_SetCSVData(line, 2, QString("x"), ','), 1);
    EXPECT_EQ(line, "a,x,c");
    line = "a,b";
    PADKIT_SetCSVData(line, 5, QString("x"), ',');
    EXPECT_EQ(line, "a,b,,,x");
    line = "";
    PADKIT_SetCSVData(line, 1, QString("x"), ',');
    EXPECT_EQ(line, "x");
    line = "";
    PADKIT_SetCSVData(line, 3, QString("x"), ',');
    EXPECT_EQ(line, ",,x");
    line = "a,b";
    PADKIT_SetCSVData(line, 2, QString("p,q"), ',');
    EXPECT_EQ(line, "a,\"p,q\"");
    EXPECT_EQ(PADKIT_GetCSVData(line, 2, 0, ','), "p,q");
    line = "a,\"b,c\",d";
    PADKIT_SetCSVData(line, 2, -7, ',');
    EXPECT_EQ(line, "a,-7,d");
    PADKIT_SetCSVData(line, 3, 0.5, ',');
    EXPECT_EQ(line, "a,-7,0.500000");
    line = "a";
    PADKIT_SetCSVData(line, 0, QString("z"), ',');
    EXPECT_EQ(line, "az") << "a field number below 1 appends without a separator";
}

} // namespace
