// The table loader: file format, number fields, row lengths, unreadable files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestSupport.h"
#include "data/MultidimensionalData.h"
#include "data/NumberText.h"

namespace {

struct Loaded {
    std::unique_ptr<MultidimensionalData> table;
    std::string out;  // standard output while loading
    std::string err;  // standard error while loading
};

Loaded load(const std::string& path) {
    Loaded result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    result.table = std::make_unique<MultidimensionalData>(path.c_str());
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

// Raw value of an item from its normalised value and the dimension's extremes.
float rawValue(const MultidimensionalData& t, int item, int dim) {
    return t.getDataEntry(item, dim) * (t.getMaxValue(dim) - t.getMinValue(dim)) + t.getMinValue(dim);
}

class LoaderTest : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(LoaderTest, NameColumnIsRecognisedInAnyCaseAndPrintsProgressLines) {
    Loaded r = load(dir.write("t.txt", "name,a,b\nx,1,2\ny,3,4\n"));
    const auto& t = *r.table;
    EXPECT_TRUE(t.isLoaded());
    EXPECT_EQ(t.getDimNum(), 3);
    EXPECT_EQ(t.getActualDimNum(), 2);
    EXPECT_EQ(t.getDataNum(), 2);
    EXPECT_EQ(t.getItemName(0), "x");
    EXPECT_EQ(t.getItemName(1), "y");
    EXPECT_EQ(t.getDimName(0), "name");
    EXPECT_EQ(r.out,
              "3 dimensions in total.\n2 data items in total.\nFist dimension is data item names.\n"
              "Multidimensional data created successfully!\nData normalized!\nDifference matrix calculated!\n"
              "Histogram built!\n");
    EXPECT_EQ(rawValue(t, 1, 0), 3.0f);

    Loaded upper = load(dir.write("u.txt", "NAME,a\nx,1\n"));
    EXPECT_EQ(upper.table->getActualDimNum(), 1);
    EXPECT_EQ(upper.table->getDimName(0), "NAME");
    EXPECT_NE(upper.out.find("Fist dimension is data item names."), std::string::npos);

    Loaded names = load(dir.write("v.txt", "names,a\n5,1\n7,2\n"));
    EXPECT_EQ(names.table->getActualDimNum(), 2);
    EXPECT_EQ(names.table->getItemName(0), "");
    EXPECT_EQ(names.out.find("Fist dimension"), std::string::npos);
    EXPECT_EQ(names.table->getDimName(0), "names");
}

TEST_F(LoaderTest, FieldCountingFollowsCommasAndLines) {
    // A trailing comma adds one empty header field.
    Loaded r = load(dir.write("t.txt", "a,b,\n1,2,3\n"));
    EXPECT_EQ(r.table->getDimNum(), 3);
    EXPECT_EQ(r.table->getDimName(2), "");

    // A blank line inside the data is an item; so is a last line without a line feed.
    Loaded rows = load(dir.write("r.txt", "a,b\n1,1\n\n4,4"));
    EXPECT_EQ(rows.table->getDataNum(), 3);
    EXPECT_FLOAT_EQ(rawValue(*rows.table, 1, 1), 0.0f);
    EXPECT_FLOAT_EQ(rawValue(*rows.table, 2, 1), 4.0f);
    EXPECT_NE(rows.err.find("line 3: 1 field where the header has 2"), std::string::npos) << rows.err;

    // Nothing after the final line feed counts.
    Loaded header = load(dir.write("h.txt", "a,b\n"));
    EXPECT_EQ(header.table->getDataNum(), 0);
    EXPECT_EQ(header.table->getDimNum(), 2);
}

TEST_F(LoaderTest, PlainDecimalsKeepTheDigitByDigitValues) {
    EXPECT_FLOAT_EQ(toFloatNumber("-12.5"), -12.5f);
    EXPECT_EQ(toFloatNumber("3."), 3.0f);
    EXPECT_EQ(toFloatNumber(".5"), 0.5f);
    EXPECT_EQ(toFloatNumber("-"), 0.0f);
    EXPECT_EQ(toFloatNumber(""), 0.0f);
    // Each fractional digit is added in double precision and rounded to float.
    float expected = 123.0f;
    expected = static_cast<float>(expected + 4 * 0.1);
    expected = static_cast<float>(expected + 5 * 0.01);
    expected = static_cast<float>(expected + 6 * 0.001);
    EXPECT_EQ(toFloatNumber("123.456"), expected);
    float tenth = static_cast<float>(0.0f + 1 * 0.1);
    EXPECT_EQ(toFloatNumber("0.1"), tenth);
}

TEST_F(LoaderTest, SignsBlanksExponentsAndCarriageReturnsAreRead) {
    EXPECT_EQ(toFloatNumber("+2.5"), 2.5f);
    EXPECT_EQ(toFloatNumber("  7 "), 7.0f);
    EXPECT_EQ(toFloatNumber("\t-3\t"), -3.0f);
    EXPECT_FLOAT_EQ(toFloatNumber("1e-3"), 0.001f);
    EXPECT_FLOAT_EQ(toFloatNumber("-1.5E2"), -150.0f);
    EXPECT_FLOAT_EQ(toFloatNumber("+4e+1"), 40.0f);

    Loaded r = load(dir.write("crlf.txt", "name,a,b\r\nx,1,2\r\ny,3.5,4\r\n"));
    const auto& t = *r.table;
    EXPECT_EQ(t.getDimName(2), "b");
    EXPECT_EQ(t.getItemName(1), "y");
    EXPECT_EQ(t.getMaxValue(1), 4.0f);
    EXPECT_EQ(t.getMaxValue(0), 3.5f);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(LoaderTest, FieldsThatAreNotNumbersReadAsZeroAndAreReported) {
    for (const char* text : {"abc", "1.2.3", "12x", "1e", "--5", "0x10", "nan", "inf", "1e99"}) {
        float value = -1.0f;
        FieldStatus status = parseNumberField(text, text + std::string(text).size(), &value);
        EXPECT_TRUE(status == FieldStatus::NotANumber || status == FieldStatus::OutOfRange) << text;
        EXPECT_EQ(value, 0.0f) << text;
    }
    EXPECT_EQ(toFloatNumber("99999999999999999999999999999999999999999"), 0.0f);  // beyond float

    Loaded one = load(dir.write("g.txt", "a,b\n1,2\n3,abc\n5,6\n"));
    EXPECT_EQ(rawValue(*one.table, 1, 1), 0.0f);
    EXPECT_NE(one.err.find("line 3, column 2: \"abc\" is not a number, read as 0"), std::string::npos) << one.err;

    std::string many = "a\n";
    for (int i = 0; i < 12; ++i) many += "bad" + std::to_string(i) + "\n";
    Loaded r = load(dir.write("m.txt", many));
    EXPECT_NE(r.err.find("\"bad4\""), std::string::npos);
    EXPECT_EQ(r.err.find("\"bad5\""), std::string::npos) << "only the first few are listed";
    EXPECT_NE(r.err.find("7 more fields are not numbers, read as 0 (12 in all)"), std::string::npos) << r.err;
}

TEST_F(LoaderTest, ShortRowsArePaddedAndLongRowsCut) {
    Loaded r = load(dir.write("rows.txt", "name,a,b,c\nx,1,2\ny,4,5,6,7,8\nz,9,9,9\n"));
    const auto& t = *r.table;
    ASSERT_EQ(t.getDataNum(), 3);
    EXPECT_EQ(rawValue(t, 0, 2), 0.0f);   // padded
    EXPECT_EQ(rawValue(t, 1, 2), 6.0f);   // cut after the header's count
    EXPECT_EQ(rawValue(t, 2, 0), 9.0f);   // the next row starts where it should
    EXPECT_EQ(t.getItemName(2), "z");
    EXPECT_NE(r.err.find("line 2: 3 fields where the header has 4; the missing values read as 0"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 3: 6 fields where the header has 4; the extra fields are ignored"), std::string::npos)
        << r.err;
}

TEST_F(LoaderTest, UnreadableFileIsAFailureWithAnEmptyTable) {
    const std::string missing = dir.path() + "/absent.txt";
    Loaded r = load(missing);
    const auto& t = *r.table;
    EXPECT_FALSE(t.isLoaded());
    EXPECT_EQ(t.getDataNum(), 0);
    EXPECT_EQ(t.getDimNum(), 0);
    EXPECT_EQ(t.getActualDimNum(), 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Cannot open data file \"" + missing + "\": No such file or directory"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("File parsing error! Check your file format!"), std::string::npos);
    EXPECT_EQ(t.getDiffMatrixEntry(0, 0), -1.0f);
    EXPECT_EQ(t.getHistogramEntry(0, 0), -1.0f);

    Loaded directory = load(dir.path());
    EXPECT_FALSE(directory.table->isLoaded());
    EXPECT_NE(directory.err.find("Is a directory"), std::string::npos) << directory.err;
}

TEST_F(LoaderTest, AccessorsOutOfRangeReportAndReturnSentinels) {
    Loaded r = load(dir.write("t.txt", "name,a\nx,1\n"));
    const auto& t = *r.table;
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.getDataEntry(1, 0), -1.0f);
    EXPECT_EQ(t.getDataEntry(0, 1), -1.0f);
    EXPECT_EQ(t.getDimName(2), "");
    EXPECT_EQ(t.getItemName(-1), "");
    EXPECT_EQ(t.getMaxValue(1), -1.0f);
    EXPECT_EQ(t.getMinValue(-1), -1.0f);
    EXPECT_EQ(t.getDiffMatrixEntry(0, 1), -1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Index error! No such data entry!\nIndex error! No such data entry!\nNo such dimension!\n"
              "No such item!\nIndex error! No such dimension!\nIndex error! No such dimension!\n"
              "Index error! Could not get diff matrix item!\n");
}

TEST(TextHelpers, LowerStringShiftsOnlyLowCodes) {
    EXPECT_EQ(toLowerString("NaMe"), "name");
    EXPECT_EQ(toLowerString("name"), "name");
    EXPECT_NE(toLowerString("name1"), "name1");  // digits are shifted too
    EXPECT_EQ(toString(-3.0f), "-3.00");
    EXPECT_EQ(toString(12.3456f), "12.35");
}

}  // namespace
