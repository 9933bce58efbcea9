// The table loader: file format, number fields, row lengths, unreadable files, index errors.
#include "TestSupport.h"
#include "data/NumberText.h"
#include "data/WorkProgress.h"
#include "data/TableColumn.h"

namespace {

class LoaderTest : public testing::Test {
protected:
    // Loads `contents` (or, when null, the file at `path`), keeping what the loader printed.
    const MultidimensionalData& load(const char* contents, std::string path = "") {
        if (contents) path = dir.write("t.txt", contents);
        err = stderrOf([&] { out = stdoutOf([&] { table = std::make_unique<MultidimensionalData>(path.c_str()); }); });
        return *table;
    }
    // Raw value of an item from its normalised value and the dimension's extremes.
    float raw(int item, int dim) const {
        return table->getDataEntry(item, dim) * (table->getMaxValue(dim) - table->getMinValue(dim)) +
               table->getMinValue(dim);
    }
    void expectReported(const std::string& message) const {
        EXPECT_NE(err.find(message), std::string::npos) << "missing \"" << message << "\" in:\n" << err;
    }
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table;
    std::string out, err;  // standard output and error while loading
};

TEST_F(LoaderTest, NameColumnIsRecognisedInAnyCaseAndPrintsProgressLines) {
    const auto& t = load("name,a,b\nx,1,2\ny,3,4\n");
    EXPECT_TRUE(t.isLoaded());
    EXPECT_EQ(t.getDimNum(), 3);
    EXPECT_EQ(t.getActualDimNum(), 2);
    EXPECT_EQ(t.getItemName(1), "y");
    EXPECT_EQ(raw(1, 0), 3.0f);
    EXPECT_EQ(out,
              "3 dimensions in total.\n2 data items in total.\nFist dimension is data item names.\n"
              "Columns: \"name\" name, \"a\" numeric, \"b\" numeric\n"
              "Multidimensional data created successfully!\nData normalized!\nDifference matrix calculated!\n"
              "Histogram built!\n");

    EXPECT_EQ(load("NAME,a\nx,1\n").getActualDimNum(), 1);
    EXPECT_EQ(load("names,a\n5,1\n7,2\n").getActualDimNum(), 2);
    EXPECT_EQ(table->getItemName(0), "");
    EXPECT_EQ(out.find("Fist dimension"), std::string::npos);
}

TEST_F(LoaderTest, FieldCountingFollowsDelimitersAndRecords) {
    EXPECT_EQ(load("a,b,\n1,2,3\n").getDimNum(), 3);  // a trailing comma adds a header field, named for its place
    EXPECT_EQ(table->getDimName(2), "column_3");
    expectReported("header column 3: no name, called \"column_3\"");

    // A blank line is skipped and counted, never an item; a last line without a line feed is one.
    EXPECT_EQ(load("a,b\n1,1\n \t\n4,4").getDataNum(), 2);
    EXPECT_EQ(table->getBlankLineCount(), 1);
    EXPECT_EQ(raw(1, 1), 4.0f);

    EXPECT_EQ(load("a,b\n").getDataNum(), 0);  // nothing after the final line feed counts
    EXPECT_EQ(table->getDimNum(), 2);

    const auto& crlf = load("name,a,b\r\nx,1,2\r\ny,3.5,4\r\n");
    EXPECT_EQ(crlf.getDimName(2), "b");
    EXPECT_EQ(crlf.getItemName(1), "y");
    EXPECT_EQ(crlf.getMaxValue(0), 3.5f);
    EXPECT_EQ(err, "");
}

TEST_F(LoaderTest, NumberFieldsAndFieldsThatAreNotNumbers) {
    FieldStatus status;
    auto parse = [&status](const std::string& text) {
        float value = -1.0f;
        status = parseNumberField(text.data(), text.data() + text.size(), &value);
        return value;
    };
    // Plain decimals add each fractional digit in double precision, rounded to
    // float every step: 3.14159 ends two steps below the nearest float.
    const float digitByDigit = std::nextafter(std::nextafter(3.14159f, 0.0f), 0.0f);
    const std::pair<const char*, float> numbers[] = {
        {"-12.5", -12.5f}, {"3.", 3.0f},       {".5", 0.5f},        {"3.14159", digitByDigit}, {"+2.5", 2.5f},
        {"\t-3 ", -3.0f}, {"1e-3", 0.001f}, {"-1.5E2", -150.0f}, {"-", 0.0f},               {"", 0.0f}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(parse(text), value) << text;
        EXPECT_TRUE(status == FieldStatus::Number || status == FieldStatus::Empty) << text;
    }
    for (const char* text : {"abc", "1.2.3", "12x", "1e", "--5", "0x10", "nan", "inf", "1e99"}) {
        EXPECT_EQ(parse(text), 0.0f) << text;
        EXPECT_TRUE(status == FieldStatus::NotANumber || status == FieldStatus::OutOfRange) << text;
    }
    // A stray word in a numeric column is a missing value, reported with its line.
    load("a,b\n1,2\n3,abc\n5,6\n");
    EXPECT_EQ(table->getDataEntry(1, 1), MultidimensionalData::kMissingValueNorm);
    EXPECT_EQ(table->getAxisColumn(1).kind, ColumnKind::Numeric);
    expectReported("1 field in column \"b\" is not a number, read as missing (line 3)");

    std::string many = "a\n";
    for (int i = 0; i < 30; ++i) many += (i % 3 == 0 ? "bad" : "") + std::to_string(i) + "\n";
    load(many.c_str());
    expectReported("10 fields in column \"a\" are not numbers, read as missing (lines 2, 5, 8, 11, 14, 17, 20, 23, 26, 29)");
    EXPECT_EQ(table->getMissingCount(0), 10);
}

TEST_F(LoaderTest, ShortRowsArePaddedAndLongRowsCut) {
    ASSERT_EQ(load("name,a,b,c\nx,1,2\ny,4,5,6,7,8\nz,9,9,9\n").getDataNum(), 3);
    EXPECT_EQ(table->getDataEntry(0, 2), MultidimensionalData::kMissingValueNorm);  // padded with missing values
    EXPECT_EQ(raw(1, 2), 6.0f);  // cut after the header's count
    EXPECT_EQ(raw(2, 0), 9.0f);  // the next row starts where it should
    EXPECT_EQ(table->getItemName(2), "z");
    expectReported("line 2: 3 fields where the header has 4; the fields not there are missing values");
    expectReported("line 3: 6 fields where the header has 4; the extra fields are ignored");
}

TEST_F(LoaderTest, UnreadableFilesAndIndicesOutOfRange) {
    const std::string missing = dir.path() + "/absent.txt";
    const auto& t = load(nullptr, missing);
    EXPECT_FALSE(t.isLoaded());
    EXPECT_EQ(t.getDataNum(), 0);
    EXPECT_EQ(t.getDimNum(), 0);
    EXPECT_EQ(out, "");
    // The reason, and only that: no word of a format the file never showed.
    EXPECT_EQ(err, "Cannot open data file \"" + missing + "\": No such file or directory\n");
    EXPECT_EQ(t.getHistogramEntry(0, 0), -1.0f);

    EXPECT_FALSE(load(nullptr, dir.path()).isLoaded());
    expectReported("Is a directory");

    // Entries out of range of a loaded table: a message and -1.
    load("name,a\nx,1\n");
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(table->getDataEntry(1, 0), -1.0f); }), "Index error! No such data entry!\n");
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(table->getDiffMatrixEntry(0, 1), -1.0f); }),
              "Index error! Could not get diff matrix item!\n");
}

TEST_F(LoaderTest, EmptyFieldsAreMissingValuesCountedPerColumnAndTheFileIsFingerprinted) {
    const auto& t = load("name,a,b,c\nx,,2,-\ny, ,+,3\nz,1,2,3\n");
    EXPECT_EQ(t.getDataEntry(0, 0), MultidimensionalData::kMissingValueNorm);  // never a measured 0
    EXPECT_EQ(t.getMissingCount(0), 2);
    EXPECT_EQ(t.getMissingCount(1), 1);
    EXPECT_EQ(t.getMissingCount(2), 1);
    EXPECT_EQ(t.getMissingCount(3), 0);
    EXPECT_EQ(t.getMissingTotal(), 4);
    expectReported("2 missing values in column \"a\", drawn in the slot below its axis");
    expectReported("1 missing value in column \"c\", drawn in the slot below its axis");
    EXPECT_EQ(err.find("not a number"), std::string::npos) << "empty is not \"not a number\"";

    // The fingerprint tells one file's bytes from another's, and the path is absolute.
    const FileFingerprint first = t.getFingerprint();
    EXPECT_EQ(first.size, 34u);
    EXPECT_EQ(t.getSourcePath(), dir.path() + "/t.txt");
    load("name,a,b,c\nx,,2,-\ny, ,+,3\nz,1,2,4\n");
    EXPECT_EQ(table->getFingerprint().size, first.size);
    EXPECT_NE(table->getFingerprint().hash, first.hash);
    uint64_t parsed = 0;
    EXPECT_TRUE(FileFingerprint::parseHash(first.hashText(), &parsed));
    EXPECT_EQ(parsed, first.hash);
    EXPECT_FALSE(FileFingerprint::parseHash("0123456789ABCDEF", &parsed)) << "lower case only";
    EXPECT_FALSE(FileFingerprint::parseHash("12", &parsed));
}

}  // namespace

namespace {

// A load watched from another thread counts the file's bytes three times (the
// fingerprint, the count of rows, the parse) and one unit for the rest, and
// ends at 1; a row count far above one progress step still parses alike.
TEST_F(LoaderTest, ALoadReportsItsProgressInBytes) {
    std::string text = "a,b\n";
    for (int row = 0; row < 40000; ++row) text += std::to_string(row) + "," + std::to_string(row % 7) + "\n";
    const std::string path = dir.write("big.txt", text);
    WorkProgress progress;
    std::unique_ptr<MultidimensionalData> watched;
    stdoutOf([&] { watched = std::make_unique<MultidimensionalData>(path.c_str(), &progress); });
    EXPECT_EQ(progress.fraction(), 1.0);
    ASSERT_EQ(watched->getDataNum(), 40000);
    const MultidimensionalData& plain = load(nullptr, path);
    for (int item : {0, 16383, 16384, 39999}) EXPECT_EQ(watched->getDataEntry(item, 1), plain.getDataEntry(item, 1));

    WorkProgress missing;
    stderrOf([&] { MultidimensionalData absent((dir.path() + "/absent.txt").c_str(), &missing); });
    EXPECT_LT(missing.fraction(), 1.0) << "a failed load never claims to be complete";
}

}  // namespace
