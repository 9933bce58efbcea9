// Tables as people have them (tests/data/tables/: spreadsheet exports with a
// byte-order mark, quotes and line breaks in fields, semicolon and tab files,
// mixed line ends, blank lines, broken headers and quotes), read through the
// loader: values, column kinds, missing values and the order of categories.
#include "TestSupport.h"
#include "data/CsvRecords.h"
#include "data/DateText.h"
#include "data/TableColumn.h"

namespace {

class CsvTableTest : public testing::Test {
protected:
    const MultidimensionalData& loadShipped(const std::string& name) {
        table.reset(loadTableQuietly("tests/data/tables/" + name));
        return *table;
    }
    const MultidimensionalData& load(const std::string& contents) {
        const std::string path = dir.write("t.csv", contents);
        err = stderrOf([&] { stdoutOf([&] { table = std::make_unique<MultidimensionalData>(path.c_str()); }); });
        return *table;
    }
    float raw(int item, int dim) const {
        return table->getDataEntry(item, dim) * (table->getMaxValue(dim) - table->getMinValue(dim)) +
               table->getMinValue(dim);
    }
    std::vector<ColumnKind> kinds() const {
        std::vector<ColumnKind> result;
        for (int c = 0; c < table->getDimNum(); ++c) result.push_back(table->getColumn(c).kind);
        return result;
    }
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table;
    std::string err;
};

constexpr float kMissing = MultidimensionalData::kMissingValueNorm;

TEST_F(CsvTableTest, QuotedFieldsWithDelimitersQuotesAndLineBreaksAfterAByteOrderMark) {
    const auto& t = loadShipped("quoted.csv");
    ASSERT_TRUE(t.isLoaded());
    EXPECT_TRUE(t.hasByteOrderMark());
    EXPECT_EQ(t.getDimName(0), "name") << "the mark does not hide the name column";
    ASSERT_EQ(t.getDataNum(), 3) << "a blank line is not a row, a line break inside quotes does not end one";
    EXPECT_EQ(t.getBlankLineCount(), 1);
    EXPECT_EQ(t.getItemName(0), "Smith, J.");
    EXPECT_EQ(t.getItemName(1), "Doe\nJane");
    EXPECT_EQ(kinds(), (std::vector<ColumnKind>{ColumnKind::Name, ColumnKind::Numeric, ColumnKind::Categorical,
                                                ColumnKind::Categorical}));
    EXPECT_EQ(raw(1, 0), 2.5f);
    EXPECT_EQ(t.getDataEntry(2, 0), kMissing);
    EXPECT_EQ(t.getAxisColumn(1).categories, (std::vector<std::string>{"plain", "said \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(t.getAxisColumn(2).categories, (std::vector<std::string>{"Japan", "USA"}));
    EXPECT_EQ(t.getAxisColumn(2).categoryCounts, (std::vector<int64_t>{1, 2}));
    EXPECT_EQ(t.getDataEntry(0, 2), 1.0f);  // USA at the top, Japan at the foot
    EXPECT_EQ(t.getDataEntry(1, 2), 0.0f);
    // Hover texts come from the file as it is, read again.
    std::vector<std::string> texts;
    ASSERT_TRUE(t.readRowTexts(1, &texts));
    EXPECT_EQ(texts, (std::vector<std::string>{"Doe\nJane", "2.5", "two\r\nlines", "Japan"}));
    ASSERT_TRUE(t.readRowTexts(2, &texts));
    EXPECT_EQ(texts[1], "NA");
}

TEST_F(CsvTableTest, SemicolonAndTabFilesDatesAndNaturalCategoryOrder) {
    const auto& semi = loadShipped("semicolon.csv");
    EXPECT_EQ(semi.getDelimiter(), ';');
    ASSERT_EQ(semi.getDataNum(), 3);
    EXPECT_EQ(semi.getBlankLineCount(), 2);
    ASSERT_EQ(semi.getActualDimNum(), 3);
    const TableColumn& when = semi.getAxisColumn(2);
    EXPECT_EQ(when.kind, ColumnKind::Date);
    EXPECT_TRUE(when.hasTimes);
    EXPECT_EQ(formatIsoDateTime(when.minValue, true), "2024-01-05 08:00:00");
    // Rome's 09:30 at +01:00 is 08:30 UTC: 1800 s of the 57600 s span.
    EXPECT_FLOAT_EQ(semi.getDataEntry(1, 2), 1800.0f / 57600.0f);
    EXPECT_EQ(semi.getDataEntry(2, 1), kMissing);
    EXPECT_EQ(semi.getAxisMinText(2), "2024-01-05 08:00:00");

    const auto& tabs = loadShipped("tabs.tsv");
    EXPECT_EQ(tabs.getDelimiter(), '\t');
    const TableColumn& grade = tabs.getAxisColumn(2);
    EXPECT_EQ(grade.categories, (std::vector<std::string>{"item 1", "item 2", "item 10"}));
    EXPECT_EQ(tabs.getDataEntry(0, 2), 1.0f) << "item 10 last";
    EXPECT_EQ(tabs.getDataEntry(2, 1), kMissing) << "n/a is missing";
    EXPECT_EQ(tabs.getMissingCount(1), 1);

    // Forced: the same file read with commas has one column.
    table = std::make_unique<MultidimensionalData>("tests/data/tables/tabs.tsv", nullptr, ',');
    EXPECT_EQ(table->getDimNum(), 1);
}

TEST_F(CsvTableTest, MixedLineEndsBrokenHeadersAndAnUnterminatedQuote) {
    const auto& ends = loadShipped("mixed-ends.csv");
    ASSERT_EQ(ends.getDataNum(), 3);
    EXPECT_EQ(raw(2, 1), 6.0f) << "a last line without a line end is a row";
    EXPECT_EQ(ends.getMissingTotal(), 0);

    loadShipped("bad-header-quote.csv");
    for (const std::string& note : table->getLoadNotes()) err += note + "\n";  // what standard error said
    ASSERT_EQ(table->getDimNum(), 4);
    EXPECT_EQ(table->getDimName(1), "x_2");
    EXPECT_EQ(table->getDimName(2), "column_3");
    EXPECT_NE(err.find("header column 2: \"x\" again, called \"x_2\""), std::string::npos) << err;
    EXPECT_NE(err.find("line 3: a quoted field is not closed"), std::string::npos) << err;
    ASSERT_EQ(table->getDataNum(), 3) << "the line after the open quote is read as a row";
    EXPECT_EQ(table->getUnterminatedRowCount(), 1);
    EXPECT_EQ(raw(2, 3), 11.0f);
    EXPECT_EQ(table->getAxisColumn(1).unreadableLines, (std::vector<int64_t>{3}));
}

TEST_F(CsvTableTest, IdentifiersAllTextAllMissingAndAFewStrayWords) {
    // More than 1000 different texts: an identifier names the items and is no axis.
    std::string ids = "id,v,kind\n";
    for (int k = 0; k < 1200; ++k) ids += "row" + std::to_string(k) + "," + std::to_string(k % 7) + "," + (k % 2 ? "odd" : "even") + "\n";
    const auto& t = load(ids);
    EXPECT_EQ(kinds(), (std::vector<ColumnKind>{ColumnKind::Identifier, ColumnKind::Numeric, ColumnKind::Categorical}));
    EXPECT_EQ(t.getActualDimNum(), 2);
    EXPECT_EQ(t.getItemName(1199), "row1199");
    EXPECT_EQ(raw(1199, 0), 1199 % 7);
    EXPECT_EQ(t.getDataEntry(1, 1), 1.0f) << "odd after even";
    EXPECT_NE(err.find("column \"id\" has more than 1000 different texts"), std::string::npos) << err;

    // Every column text: small ones are category axes; with only identifiers
    // there is nothing to draw, said plainly.
    EXPECT_EQ(load("who,what\nann,x1\nbob,x2\n").getActualDimNum(), 2);
    // A different text in every row names the items once there are enough
    // rows to tell; one text seen twice keeps the column an axis.
    std::string codes = "code,v\n";
    for (int k = 0; k < TableColumn::kMinUniqueIdentifierTexts; ++k) codes += "c" + std::to_string(k) + ",1\n";
    EXPECT_EQ(load(codes).getColumn(0).kind, ColumnKind::Identifier);
    EXPECT_EQ(table->getItemName(3), "c3");
    EXPECT_NE(err.find("column \"code\" holds a different text in every row"), std::string::npos) << err;
    EXPECT_EQ(load(codes + "c0,2\n").getColumn(0).kind, ColumnKind::Categorical);
    std::string many = "who\n";
    for (int k = 0; k < 1500; ++k) many += "p" + std::to_string(k) + "\n";
    EXPECT_EQ(load(many).getActualDimNum(), 0);
    EXPECT_NE(describeUnusableTable(*table, "t.csv").find("has no column to draw"), std::string::npos);

    // A column with no value at all stands in its slot; a few stray words stay missing values.
    load("a,b\n1,\n2,NA\n3,?\n4,oops\n5,7\n6,8\n");
    EXPECT_EQ(table->getAxisColumn(1).kind, ColumnKind::Numeric);
    EXPECT_EQ(table->getMissingCount(1), 4);
    EXPECT_EQ(table->getDataEntry(0, 1), kMissing);
    EXPECT_EQ(table->getDataEntry(4, 1), 0.0f) << "the minimum of the values there are";
    EXPECT_EQ(table->getHistogramEntry(1, MultidimensionalData::kMissingBin), 4.0f / 6.0f);
    EXPECT_EQ(table->getBinRow(3)[1], MultidimensionalData::kMissingBin);
    load("a,b\n1,\n2,-\n");
    EXPECT_EQ(table->getMissingCount(1), 2);
    EXPECT_NE(err.find("column \"b\" has no value at all"), std::string::npos) << err;
    EXPECT_EQ(table->getAxisMinText(1), "0.00");

    // One huge field (a file that is one long line): its text is kept cut short.
    const std::string huge(3 << 20, 'w');
    EXPECT_EQ(load("name,v\n" + huge + ",1\nb,2\n").getItemName(0).size(), 4096u + 3);
    EXPECT_EQ(load(huge + "\n1\n").getDimName(0), huge.substr(0, 4096) + "...");
}

TEST_F(CsvTableTest, ReaderPiecesDelimiterDatesMissingWordsAndNaturalOrder) {
    auto detect = [](const std::string& line) { return detectDelimiter(line.data(), line.data() + line.size()); };
    EXPECT_EQ(detect("a;b;c"), ';');
    EXPECT_EQ(detect("a\tb"), '\t');
    EXPECT_EQ(detect("a,b;c"), ',') << "a tie is unclear: comma";
    EXPECT_EQ(detect("\"x;y;z\",b"), ',') << "delimiters inside quotes do not count";
    EXPECT_EQ(detect("single"), ',');
    EXPECT_EQ(detect("a\tb\tc;d;e;f"), ';') << "more semicolons than tabs";
    EXPECT_EQ(detect("a\tb,c"), ',') << "so is one of tabs and commas";

    double seconds = 0;
    bool hasTime = false;
    auto date = [&](const std::string& text) { return parseIsoDateTime(text.data(), text.data() + text.size(), &seconds, &hasTime); };
    ASSERT_TRUE(date("1970-01-02"));
    EXPECT_EQ(seconds, 86400.0);
    EXPECT_FALSE(hasTime);
    ASSERT_TRUE(date("2000-02-29T23:59:59.5-0130"));
    EXPECT_EQ(formatIsoDateTime(seconds, true), "2000-03-01 01:29:59");
    ASSERT_TRUE(date(" \t2024-01-05T24:00\t "));
    EXPECT_EQ(formatIsoDateTime(seconds, true), "2024-01-06 00:00:00") << "the day's end is the next day's start";
    EXPECT_TRUE(hasTime);
    ASSERT_TRUE(date("1970-01-01T00:00:00.05Z"));
    EXPECT_DOUBLE_EQ(seconds, 0.05) << "a fraction's zero digits count";
    for (const char* bad : {"2023-02-29", "2024-13-01", "2024-1-5", "2024-01-05T25:00", "2024-01-05T24:01",
                            "2024-01-05T24:00:01", "2024-01-05x", "5"}) {
        EXPECT_FALSE(date(bad)) << bad;
    }
    for (const char* gap : {"", " ", "NA", " n/a", "NaN\t", "NULL", "?", "-", "+"}) {
        EXPECT_TRUE(isMissingText(gap, gap + std::strlen(gap))) << gap;
    }
    for (const char* value : {"0", "nap", "--", "none"}) EXPECT_FALSE(isMissingText(value, value + std::strlen(value))) << value;

    std::vector<std::string> names = {"b10", "B2", "a", "b02", "b2", "", "b1x"};
    std::sort(names.begin(), names.end(), naturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"", "a", "b1x", "B2", "b02", "b2", "b10"}));
    // A quote opens a quoted field only where the field begins (blanks aside):
    // one after a closed quoted field is text, and does not swallow the next line.
    const auto& stray = load("name,v\n \"a, b\",1\n\"c\" \"d,2\nlast,\"3\"\n");
    ASSERT_EQ(stray.getDataNum(), 3);
    EXPECT_EQ(stray.getItemName(0), "a, b");
    EXPECT_EQ(stray.getItemName(2), "last");
    std::vector<std::string> texts;
    ASSERT_TRUE(stray.readRowTexts(2, &texts));
    EXPECT_EQ(texts, (std::vector<std::string>{"last", "3"}));
    const std::string quoted = " \"a \"\"b\"\", c\" ";
    EXPECT_EQ(fieldText(quoted.data(), quoted.data() + quoted.size()), "a \"b\", c");
}

}  // namespace
