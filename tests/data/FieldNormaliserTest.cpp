// A field of another file normalised with a loaded table's scale: bit for
// bit where the loader put the same field, beyond the axis outside the
// table's range, missing where the table has no such value.
#include <memory>

#include "TestSupport.h"
#include "data/CsvRecords.h"
#include "data/FieldNormaliser.h"

namespace {

// Reads every record of `text` through one normaliser per axis of `table`
// and expects each field bit for bit where the table holds it; returns how
// many fields were missing.
int expectFieldsWhereTheTableHasThem(const MultidimensionalData& table, const std::string& text, char delimiter) {
    const int dims = table.getActualDimNum();
    std::vector<FieldNormaliser> normalisers;
    for (int d = 0; d < dims; ++d) normalisers.emplace_back(table, d);
    CsvReader reader(text.data(), text.data() + text.size(), delimiter);
    CsvRecord record;
    reader.next(&record);
    std::vector<CsvField> fields;
    std::string scratch;
    int missing = 0;
    for (int item = 0; reader.next(&record); ++item) {
        splitFields(record, delimiter, &fields);
        for (int d = 0; d < dims; ++d) {
            const CsvField& field = fields[static_cast<size_t>(table.getAxisColumnIndex(d))];
            const float valueNorm = normalisers[static_cast<size_t>(d)].valueNorm(field.begin, field.end, &scratch);
            EXPECT_TRUE(sameBits(valueNorm, table.getDataRow(item)[d]))
                << "item " << item << " dim " << d << ": " << valueNorm << " vs " << table.getDataRow(item)[d];
            missing += valueNorm == MultidimensionalData::kMissingValueNorm;
        }
    }
    return missing;
}

TEST(FieldNormaliserTest, FieldsNormaliseExactlyAsTheLoaderPlacedThemAndOutsideItsRangeBeyondTheAxis) {
    TempDir dir;
    const std::string path = dir.write("kinds.csv",
                                       "num;when;kind;flat;id\n"
                                       " 2.5 ;2024-03-01;b;7;x1\n"
                                       "\"4\";2024-03-03 12:00;a;7;x2\n"
                                       "NA;;\"c\";7;x3\n"
                                       "-1e1;oops;b;7;x4\n"
                                       "x;2024-02-28;a;7;x5\n");
    const std::unique_ptr<MultidimensionalData> loaded(loadTableQuietly(path));
    const MultidimensionalData& table = *loaded;
    ASSERT_EQ(table.getActualDimNum(), 5);  // five ids are categories
    EXPECT_EQ(expectFieldsWhereTheTableHasThem(table, readAll(path), ';'), 4);  // NA, x, the empty date, oops
    std::vector<FieldNormaliser> normalisers;
    for (int d = 0; d < 5; ++d) normalisers.emplace_back(table, d);
    std::string scratch;
    // Beyond the sample's extremes, and what the sample does not have.
    auto norm = [&](int d, const std::string& field, FieldNormaliser::Outcome* outcome) {
        return normalisers[static_cast<size_t>(d)].valueNorm(field.data(), field.data() + field.size(), &scratch, outcome);
    };
    FieldNormaliser::Outcome outcome;
    EXPECT_FLOAT_EQ(norm(0, "18", &outcome), 2.0f);  // (18 - -10) / 14
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::Value);
    EXPECT_FLOAT_EQ(norm(0, "-24", &outcome), -1.0f);
    EXPECT_GT(norm(1, "2024-03-05", &outcome), 1.0f);
    EXPECT_LT(norm(1, "2024-02-01", &outcome), 0.0f);
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::Value);
    EXPECT_EQ(norm(2, "d", &outcome), MultidimensionalData::kMissingValueNorm);
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::UnknownCategory);
    EXPECT_EQ(norm(2, " \"c\" ", &outcome), 1.0f);
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::Value);
    EXPECT_EQ(norm(3, "100", &outcome), MultidimensionalData::kConstantDimensionValue);
    EXPECT_EQ(norm(3, "null", &outcome), MultidimensionalData::kMissingValueNorm);
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::Missing);
}

// On flipped and logarithmic axes every field of the file stands bit for bit
// where the table moved its own value, plain axes beside them are untouched,
// and a missing field stays missing.
TEST(FieldNormaliserTest, OnFlippedAndLogarithmicAxesFieldsStandWhereTheTableMovedItsValues) {
    TempDir dir;
    std::string text = "a,b,c,d\n";
    for (int row = 0; row < 200; ++row) {
        text += std::to_string(0.37 + row * 1.013) + "," + (row % 17 == 3 ? std::string("NA") : std::to_string(3.1 * row - 40)) +
                "," + std::to_string(1.5 + (row * 7919 % 211) * 0.731) + "," + std::to_string((row * 31) % 97 + 0.25) + "\n";
    }
    const std::string path = dir.write("t.csv", text);
    const std::unique_ptr<MultidimensionalData> loaded(loadTableQuietly(path));
    MultidimensionalData& table = *loaded;
    ASSERT_EQ(table.getActualDimNum(), 4);
    ASSERT_TRUE(table.setAxisTransform(1, true, false));  // flipped, with missing values
    ASSERT_TRUE(table.setAxisTransform(2, false, true));  // logarithmic
    ASSERT_TRUE(table.setAxisTransform(3, true, true));   // both; column a stays plain
    EXPECT_EQ(expectFieldsWhereTheTableHasThem(table, text, ','), 12);  // rows 3, 20, ..., 190 of column b
}

}  // namespace
