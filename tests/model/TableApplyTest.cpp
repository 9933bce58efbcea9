// Labelling a table by a session's rules: the rules give the export's labels
// on the session's own table when its lists follow the rules, and count the
// rows where they do not; streaming in pieces of any size gives the bytes of labelling the whole;
// a table of other columns, an unreadable input and a failing sink stop a run.
#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "model/ApplyRun.h"
#include "model/ByteRanges.h"
#include "model/ClusterExport.h"
#include "model/LabelRules.h"
#include "model/RowLabeller.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "model/TableStream.h"
#include "operators/ClusterTree.h"

namespace {

// Streams the file at `path` through `labeller`; the output, or "" with *error.
std::string streamed(RowLabeller& labeller, const std::string& path, std::string* error, size_t pieceBytes = 0,
                     int threads = 3, RowLabeller::Tally* tallyOut = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string out;
    RowLabeller::Tally tally;
    StreamOptions options;
    options.pieceBytes = pieceBytes;
    options.threads = threads;
    const bool ok = TableStream::run(
        labeller, fd, path,
        [&](const char* bytes, size_t count, std::string*) {
            out.append(bytes, count);
            return true;
        },
        &tally, error, options);
    ::close(fd);
    if (tallyOut != nullptr) *tallyOut = tally;
    return ok ? out : std::string();
}

// The distinct values of the added column `fromEnd` (0: group, 2: leaf) of an export.
std::set<std::string> addedValues(const std::string& csv, int fromEnd) {
    std::set<std::string> values;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t end = line.size();
        for (int k = 0; k < fromEnd; ++k) end = line.rfind(',', end - 1);
        const size_t start = line.rfind(',', end - 1) + 1;
        values.insert(line.substr(start, end - start));
    }
    return values;
}

class TableApplyTest : public testing::Test {
protected:
    void link(const std::string& path) { model.linkMDdata(loadTableQuietly(path)); }
    float axisX(int d) const { return model.getAxes()->getAxisPosition(d); }
    // The view point midway along item's segment between axes d and d + 1.
    Point2 through(int item, int d) const {
        const float* row = model.getData()->getDataRow(item);
        return Point2((axisX(d) + axisX(d + 1)) / 2, model.transformToDrawRegion((row[d] + row[d + 1]) / 2));
    }
    // An operator of `radius` on item's segment between axes d and d + 1.
    AROperator* addOperator(int d, int item, double radius, bool primary, Color4 colour) {
        AROperator* op = nullptr;
        const Point2 at = through(item, d);
        stdoutOf([&] {
            op = model.getClusterTree()->addAR(&model, at.x, at.y, primary, colour);
            if (op != nullptr) model.getClusterTree()->setOperatorRadius(op, radius);
        });
        return op;
    }
    float value(int item, int d) const { return model.getData()->getDataRow(item)[d]; }
    void addHint(int path, int d, float valueNorm) {
        model.getPaths()->addHintPoint(path, d, axisX(d), model.transformToDrawRegion(valueNorm));
        stdoutOf([&] { model.updateGaussianMixtures(); });
    }
    // The cars table shaped in the order the rules follow: two operators
    // under the root (the second a secondary one), one nested in the first,
    // one under the root's complementary child, two hint paths with the
    // second locked and a third unlocked one drawn after.
    void shapeCars() {
        link("DataSet/cars.csv");
        shapeLinked();
    }
    // lockPath: lock the second path before the third is drawn (its rows
    // then follow the order of edits, not the rules alone).
    void shapeLinked(bool lockPath = true) {
        ClusterTree* tree = model.getClusterTree();
        first = addOperator(0, 0, 0.12, true, Color4(1, 0, 0, 1));
        second = addOperator(2, 200, 0.15, false, Color4(0, 0, 1, 1));
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        tree->setFocused(first);
        nested = addOperator(4, first->controlList[first->controlList.size() / 2], 0.1, true, Color4(0, 1, 0, 1));
        ASSERT_NE(nested, nullptr);
        tree->setFocused(complementOf(tree->getRoot()));
        const AROperator* rest = complementOf(tree->getRoot());
        underRest = addOperator(5, rest->controlList[rest->controlList.size() / 3], 0.1, true, Color4(1, 1, 0, 1));
        ASSERT_NE(underRest, nullptr);
        addHint(0, 1, 0.2f);
        addHint(1, 3, value(10, 3) + 0.03f);
        addHint(1, 4, value(10, 4) - 0.02f);
        if (lockPath) stdoutOf([&] { model.toggleHintPathLock(1, false); });
        addHint(1, 6, 0.52f);
    }

    TempDir dir;
    TableModel model;
    AROperator *first = nullptr, *second = nullptr, *nested = nullptr, *underRest = nullptr;
};

TEST_F(TableApplyTest, OnItsOwnTableTheRulesGiveTheExportByteForByteInPiecesOfAnySize) {
    shapeCars();
    const LabelRules rules(model);
    const LabelRules::Differences differences = rules.differences(model);
    EXPECT_EQ(differences.leafRows, 0);
    EXPECT_EQ(differences.groupRows, 0);
    EXPECT_EQ(LabelRules::describe(differences, 392), "");

    std::string exported, error;
    ASSERT_TRUE(ClusterExport::build(model, &exported, &error)) << error;
    // A test that can fail: several leaves and every kind of group are there.
    EXPECT_EQ(rules.leafCount(), 5);
    EXPECT_EQ(addedValues(exported, 2).size(), 5u) << exported.substr(0, 400);
    const std::set<std::string> groups = addedValues(exported, 0);
    EXPECT_TRUE(groups.count("0") && groups.count("1") && groups.count("2") && groups.count("L1")) << exported.substr(0, 400);

    RowLabeller labeller(model, rules, ',');
    for (size_t piece : {size_t(0), size_t(1), size_t(97), size_t(4096)}) {
        for (int threads : {1, 3}) {
            RowLabeller::Tally tally;
            EXPECT_EQ(streamed(labeller, "DataSet/cars.csv", &error, piece, threads, &tally), exported)
                << "pieces of " << piece << " bytes, " << threads << " threads: " << error;
            EXPECT_EQ(tally.rows, 392);
            int64_t inLeaves = 0;
            for (int64_t rows : tally.leafRows) inLeaves += rows;
            EXPECT_EQ(inLeaves, 392);
            EXPECT_EQ(tally.groupRows.size(), 4u);
        }
    }
}

// Axes reordered, flipped and on a logarithmic scale before the shaping: a
// row of the file lands where the window put it, so the rules still give the
// export byte for byte, and a value beyond the sample's range on such an axis
// lands beyond the axis.
TEST_F(TableApplyTest, RearrangedAxesLabelRowsAsTheWindowPlacesThem) {
    link("DataSet/cars.csv");
    stdoutOf([&] {
        ASSERT_GE(model.moveAxis(0, 3), 0);
        ASSERT_TRUE(model.flipAxis(1));
        ASSERT_TRUE(model.flipAxis(5));
        ASSERT_TRUE(model.setAxisLogarithmic(2, true));
        ASSERT_TRUE(model.setAxisLogarithmic(5, true));
    });
    ASSERT_TRUE(model.getData()->getAxisScale(5).flipped && model.getData()->getAxisScale(5).logarithmic);
    shapeLinked(false);
    const LabelRules rules(model);
    const LabelRules::Differences differences = rules.differences(model);
    EXPECT_EQ(differences.leafRows, 0);
    EXPECT_EQ(differences.groupRows, 0);
    std::string exported, error;
    ASSERT_TRUE(ClusterExport::build(model, &exported, &error)) << error;
    EXPECT_GE(addedValues(exported, 2).size(), 3u) << exported.substr(0, 400);
    RowLabeller labeller(model, rules, ',');
    RowLabeller::Tally tally;
    EXPECT_EQ(streamed(labeller, "DataSet/cars.csv", &error, 97, 2, &tally), exported) << error;

    // Beyond the range: above the maximum on a flipped logarithmic axis is below its foot.
    const MultidimensionalData& table = *model.getData();
    const FieldNormaliser flippedLog(table, 5);
    const std::string above = std::to_string(table.getAxisScale(5).maxRaw * 4);
    std::string scratch;
    FieldNormaliser::Outcome outcome;
    EXPECT_LT(flippedLog.valueNorm(above.data(), above.data() + above.size(), &scratch, &outcome), 0.0f);
    EXPECT_EQ(outcome, FieldNormaliser::Outcome::Value);
    const std::string atMax = std::to_string(table.getAxisScale(5).maxRaw);
    EXPECT_NEAR(flippedLog.valueNorm(atMax.data(), atMax.data() + atMax.size(), &scratch), 0.0f, 1e-6f);
}

TEST_F(TableApplyTest, ListsThatFollowTheOrderOfEditsAreCountedWithTheirReason) {
    shapeCars();
    ClusterTree* tree = model.getClusterTree();
    // The older sibling moved over a row the younger holds (its window
    // opened to every angle): the row stays with the younger.
    const Point2 held = through(second->controlList.front(), 0);
    stdoutOf([&] {
        tree->setOperatorAngleWidth(first, 2.0);
        tree->moveOperator(first, held.x, held.y);
    });
    const LabelRules::Differences moved = LabelRules(model).differences(model);
    EXPECT_GT(moved.leafRows, 0);
    EXPECT_EQ(moved.lockedLeafRows, 0);
    EXPECT_EQ(moved.groupRows, 0);

    // A locked operator moved keeps its list; the rules test where it stands now.
    stdoutOf([&] {
        tree->toggleLock(second);
        const Point2 elsewhere = through(300, 2);
        tree->moveOperator(second, elsewhere.x, elsewhere.y);
    });
    const LabelRules::Differences locked = LabelRules(model).differences(model);
    EXPECT_GT(locked.lockedLeafRows, 0);
    EXPECT_GT(locked.leafRows, moved.leafRows);

    // A path drawn after a lock, nearer the locked group's rows than its own path.
    addHint(2, 3, value(10, 3));
    addHint(2, 4, value(10, 4));
    const LabelRules::Differences grouped = LabelRules(model).differences(model);
    EXPECT_GT(grouped.groupRows, 0);
    EXPECT_EQ(grouped.lockedGroupRows, grouped.groupRows);
    const std::string text = LabelRules::describe(grouped, 392);
    EXPECT_NE(text.find(std::to_string(grouped.leafRows) + " of the session's table's 392 rows are in another leaf"),
              std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(grouped.groupRows) + " of the session's table's 392 rows are in another group"),
              std::string::npos) << text;
    EXPECT_NE(text.find("locked group keeps the rows it held"), std::string::npos) << text;
}

// Quotes over line ends, CRLF, a byte-order mark, blank lines, short and
// long rows, a last row without a line end and a quote that never closes:
// whatever the pieces, the export's bytes.
TEST_F(TableApplyTest, AwkwardRecordsStreamAsTheExportCopiesThem) {
    const std::string path = dir.write("awkward.csv",
                                       "\xEF\xBB\xBFname,a,b,c\r\n"
                                       "\"one\r\ntwo, \"\"x\"\"\",1,2,3\r\n"
                                       "\r\n"
                                       "   \n"
                                       "p,4,5\n"
                                       "q,7,8,9,10,11\r\n"
                                       "r,\"2\",3,1\n"
                                       "s,1,1,1\n"
                                       "\"never closed,5,5,5\n"
                                       "t,9,9,9");
    link(path);
    ASSERT_EQ(model.getData()->getDataNum(), 7);
    ASSERT_NE(addOperator(0, 0.5f, 0.3, true, Color4(1, 0, 0, 1)), nullptr);
    addHint(0, 2, 1.0f);
    std::string exported, error;
    ASSERT_TRUE(ClusterExport::build(model, &exported, &error)) << error;
    const LabelRules rules(model);
    ASSERT_EQ(rules.differences(model).leafRows, 0);
    RowLabeller labeller(model, rules, ',');
    for (size_t piece = 1; piece < 40; piece += 3) {
        RowLabeller::Tally tally;
        EXPECT_EQ(streamed(labeller, path, &error, piece, 2, &tally), exported) << piece << " bytes: " << error;
        EXPECT_EQ(tally.cutRows, 1);
        EXPECT_EQ(tally.shortRows, 2);  // "p" and the row whose quote never closes (one field)
        EXPECT_EQ(tally.unterminatedRows, 1);
    }
    // In memory, cut anywhere on a record boundary.
    std::string whole;
    std::vector<CsvRecord> records;
    const std::string text = readAll(path);
    CsvReader reader(text.data() + 3, text.data() + text.size(), ',');
    CsvRecord record;
    reader.next(&record);
    const char* dataStart = record.next;
    std::string header;
    labeller.writeHeader(record, &header);
    RowLabeller::Tally tally = labeller.emptyTally();
    std::string parts;
    const char* cut = dataStart;
    while (reader.next(&record)) {
        labeller.labelRecords(cut, record.next, &parts, &tally);
        cut = record.next;
    }
    EXPECT_EQ("\xEF\xBB\xBF" + header + parts, exported);
}

TEST_F(TableApplyTest, ATableOfOtherColumnsAnUnreadableInputAndAFailingSinkStopTheRun) {
    shapeCars();
    const LabelRules rules(model);
    RowLabeller labeller(model, rules, ',');
    std::string error;
    const std::string renamed = dir.write("renamed.csv", "name,mpg,cylinders,displacement,hp,weight,acceleration,year,origin\nx,1,2,3,4,5,6,7,8\n");
    EXPECT_EQ(streamed(labeller, renamed, &error), "");
    EXPECT_NE(error.find("has other columns than the session's table: column 5 is \"hp\" where the session's table has "
                         "\"horsepower\""), std::string::npos) << error;
    const std::string fewer = dir.write("fewer.csv", "name,mpg\nx,1\n");
    EXPECT_EQ(streamed(labeller, fewer, &error), "");
    EXPECT_NE(error.find("2 columns (\"name\", \"mpg\") where the session's table has 9"), std::string::npos) << error;
    EXPECT_EQ(streamed(labeller, dir.write("empty.csv", ""), &error), "");
    EXPECT_NE(error.find("has no header line"), std::string::npos) << error;

    // A folder read as a table: the read fails and says so.
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    RowLabeller::Tally tally;
    auto keep = [](const char*, size_t, std::string*) { return true; };
    EXPECT_FALSE(TableStream::run(labeller, folder, "the folder", keep, &tally, &error));
    EXPECT_NE(error.find("Cannot read \"the folder\""), std::string::npos) << error;
    ::close(folder);

    // A sink that fails after the header (a full disk): the run stops with its message.
    const int cars = ::open("DataSet/cars.csv", O_RDONLY);
    int calls = 0;
    StreamOptions small;
    small.pieceBytes = 512;
    EXPECT_FALSE(TableStream::run(
        labeller, cars, "cars",
        [&](const char*, size_t, std::string* why) {
            if (++calls < 3) return true;
            *why = "disk full";
            return false;
        },
        &tally, &error, small));
    EXPECT_EQ(error, "disk full");
    EXPECT_EQ(calls, 3);
    ::close(cars);
}

TEST_F(TableApplyTest, ASessionIsAppliedOnlyWhenItRecordsItsColumnsAndItsTableIsAtHand) {
    const std::string table = dir.write("t.csv", randomIntegerTable(50, 3, 9, 3));
    link(table);
    const std::string sessionPath = dir.path() + "/t.session.json";
    std::string error;
    ASSERT_TRUE(writeSessionFile(sessionPath, Session::capture(model, DisplaySwitches()), &error)) << error;
    {
        ApplyRun run;
        EXPECT_TRUE(stdoutOf([&] { EXPECT_TRUE(run.load(sessionPath, 0, &error)) << error; }).size() > 0);
        EXPECT_EQ(run.inputs().size(), 3u);
        EXPECT_EQ(run.differencesText(), "");
    }
    // Version 1: no delimiter, no columns.
    std::string text = readAll(sessionPath);
    Session older;
    ASSERT_TRUE(Session::fromJson(text, &older, &error)) << error;
    older.version = 1;
    older.columns.clear();
    older.delimiter = 0;
    std::string json = older.toJson();
    const std::string v1 = dir.write("v1.json", json);
    {
        ApplyRun run;
        EXPECT_FALSE(run.load(v1, 0, &error));
        EXPECT_NE(error.find("a session of version 1 records neither its table's delimiter nor its columns"),
                  std::string::npos) << error;
    }
    // The sample table changed since: its extremes are not the session's.
    dir.write("t.csv", randomIntegerTable(50, 3, 9, 4));
    {
        ApplyRun run;
        stdoutOf([&] { stderrOf([&] { EXPECT_FALSE(run.load(sessionPath, 0, &error)); }); });
        EXPECT_NE(error.find("has changed since the session was saved"), std::string::npos) << error;
    }
    std::remove(table.c_str());
    {
        ApplyRun run;
        stdoutOf([&] { stderrOf([&] { EXPECT_FALSE(run.load(sessionPath, 0, &error)); }); });
        EXPECT_NE(error.find("which must be at hand"), std::string::npos) << error;
    }
}

}  // namespace

namespace {

// Rows of a name and three integer columns; every 997th name is quoted over a
// line end with a doubled quote, so that pieces end inside quotes too.
std::string generatedRows(int64_t first, int64_t count) {
    std::string rows;
    rows.reserve(static_cast<size_t>(count) * 20);
    uint64_t state = 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(first);
    for (int64_t r = first; r < first + count; ++r) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const unsigned bits = static_cast<unsigned>(state >> 33);
        rows += r % 997 == 0 ? "\"r" + std::to_string(r) + "\n\"\"x\"\"\"" : "r" + std::to_string(r);
        rows += ',' + std::to_string(bits % 100) + ',' + std::to_string((bits >> 8) % 50 + (bits % 100) / 4) + ',' +
                std::to_string((bits >> 16) % 10) + '\n';
    }
    return rows;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int64_t kGeneratedRows = 300000;  // the instrumented build is about ten times slower
#else
constexpr int64_t kGeneratedRows = 3000000;
#endif

}  // namespace

TEST_F(TableApplyTest, AGeneratedTableOfMillionsOfRowsStreamsToTheBytesOfLabellingItInParts) {
    const std::string header = "name,a,b,c\n";
    link(dir.write("sample.csv", header + generatedRows(0, 20000)));
    ASSERT_NE(addOperator(0, 5, 0.1, true, Color4(1, 0, 0, 1)), nullptr);
    ASSERT_NE(addOperator(1, 17, 0.08, false, Color4(0, 1, 0, 1)), nullptr);
    addHint(0, 2, 0.5f);
    const LabelRules rules(model);
    RowLabeller labeller(model, rules, ',');

    const std::string big = header + generatedRows(0, kGeneratedRows);
    const std::string path = dir.write("big.csv", big);
    std::string error;
    RowLabeller::Tally tally;
    const std::string whole = streamed(labeller, path, &error, 0, 2, &tally);
    ASSERT_FALSE(whole.empty()) << error;
    EXPECT_EQ(tally.rows, kGeneratedRows);
    EXPECT_GT(tally.leafRows[0], 0);
    EXPECT_GT(tally.leafRows[1], 0);
    EXPECT_GT(tally.groupRows[1], 0);

    // In memory, in seven parts cut on record boundaries.
    CsvReader reader(big.data(), big.data() + big.size(), ',');
    CsvRecord record;
    reader.next(&record);
    std::string parts;
    labeller.writeHeader(record, &parts);
    const char* cut = record.next;
    RowLabeller::Tally inParts = labeller.emptyTally();
    for (int64_t row = 1; reader.next(&record); ++row) {
        if (row % (kGeneratedRows / 7 + 3) == 0) {
            labeller.labelRecords(cut, record.next, &parts, &inParts);
            cut = record.next;
        }
    }
    labeller.labelRecords(cut, big.data() + big.size(), &parts, &inParts);
    EXPECT_EQ(inParts.rows, kGeneratedRows);
    EXPECT_TRUE(whole == parts) << "streamed " << whole.size() << " bytes, in parts " << parts.size();
    EXPECT_EQ(inParts.leafRows, tally.leafRows);
}

// The byte ranges of several processes, labelled one after the other here:
// whether the starts were guessed right or had to be found again, the
// ranges' outputs joined are the output of the whole.
TEST_F(TableApplyTest, ByteRangesCutOnRecordBoundariesGiveTheWholeOutputWhereverTheyAreGuessed) {
    std::string text = "name,a,b\n";
    for (int r = 0; r < 400; ++r) {
        text += r % 5 == 2 ? "\"n" + std::to_string(r) + "\n\"\"q\"\",\n\n\"" : "n" + std::to_string(r);
        text += "," + std::to_string(r % 17) + "," + std::to_string(r % 13) + (r % 9 == 0 ? "\r\n" : "\n");
        if (r % 50 == 0) text += "\n  \n";
    }
    const std::string path = dir.write("ranges.csv", text);
    link(path);
    ASSERT_NE(addOperator(0, 3, 0.2, true, Color4(1, 0, 0, 1)), nullptr);
    const LabelRules rules(model);
    RowLabeller labeller(model, rules, ',');
    std::string error;
    const std::string whole = streamed(labeller, path, &error);
    ASSERT_FALSE(whole.empty()) << error;

    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string header;
    int64_t dataStart = 0;
    ASSERT_TRUE(readTableHeader(labeller, fd, path, &header, &dataStart, &error)) << error;
    const int64_t size = static_cast<int64_t>(text.size());
    int guessedRight = 0, foundAgain = 0;
    for (int processes : {2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 17, 23, 31, 40}) {
        std::vector<int64_t> starts(static_cast<size_t>(processes) + 1, size);
        starts[0] = dataStart;
        for (int k = 1; k < processes; ++k) {
            ASSERT_TRUE(ByteRanges::guessStart(fd, ByteRanges::nominalStart(dataStart, size, k, processes), size,
                                               &starts[static_cast<size_t>(k)], &error)) << error;
        }
        auto labelAll = [&](bool* allEnd) {
            std::string joined = header;
            *allEnd = true;
            for (int k = 0; k < processes; ++k) {
                RowLabeller::Tally tally;
                int64_t bytes = 0;
                bool ends = true;
                const int64_t begin = starts[static_cast<size_t>(k)];
                const int64_t end = std::max(begin, starts[static_cast<size_t>(k) + 1]);
                std::string part;
                EXPECT_TRUE(ByteRanges::labelRange(
                    labeller, fd, begin, end, size,
                    [&](const std::string& piece, int64_t at, std::string*) {
                        EXPECT_EQ(at, static_cast<int64_t>(part.size()));
                        part += piece;
                        return true;
                    },
                    &tally, &bytes, &ends, &error)) << error;
                EXPECT_EQ(bytes, static_cast<int64_t>(part.size()));
                *allEnd = *allEnd && ends;
                joined += part;
            }
            return joined;
        };
        bool allEnd = true;
        std::string joined = labelAll(&allEnd);
        if (allEnd) {
            ++guessedRight;
        } else {
            ++foundAgain;
            for (int k = 0; k + 1 < processes; ++k) {
                const int64_t nominal = ByteRanges::nominalStart(dataStart, size, k + 1, processes);
                int64_t& next = starts[static_cast<size_t>(k) + 1];
                next = starts[static_cast<size_t>(k)];
                if (next < nominal) {
                    ASSERT_TRUE(ByteRanges::nextBoundary(fd, starts[static_cast<size_t>(k)], nominal, size, ',', &next,
                                                         &error)) << error;
                }
            }
            joined = labelAll(&allEnd);
            EXPECT_TRUE(allEnd) << processes << " processes";
        }
        EXPECT_TRUE(joined == whole) << processes << " processes, starts " << (allEnd ? "guessed" : "found again");
    }
    ::close(fd);
    EXPECT_GT(guessedRight, 0);
    EXPECT_GT(foundAgain, 0);
}

// A locked operator with operators below it, moved: every row that parts
// is one its frozen list holds (in it, in its nested operator or in its
// complementary child) or one its rules now take.
TEST_F(TableApplyTest, RowsThatPartBelowALockedOperatorAreCountedAsItsLocksDoing) {
    shapeCars();
    ClusterTree* tree = model.getClusterTree();
    const Point2 elsewhere = through(250, 0);
    stdoutOf([&] {
        tree->toggleLock(first);
        tree->moveOperator(first, elsewhere.x, elsewhere.y);
    });
    const LabelRules::Differences differences = LabelRules(model).differences(model);
    EXPECT_GT(differences.leafRows, 0);
    EXPECT_EQ(differences.lockedLeafRows, differences.leafRows);
}

// Two paths with the same hint points claim the same rows with equal sums:
// the lower index keeps them, and a locked path keeps them before an
// unlocked one (which the window, whose groups were made before the lock,
// does not know: the rows are counted as parting).
TEST_F(TableApplyTest, OnEqualSumsTheLowerPathAndThenTheLockedPathKeepTheRow) {
    link(dir.write("t.csv", randomIntegerTable(300, 3, 20, 9)));
    addHint(0, 1, 0.5f);
    addHint(1, 1, 0.5f);
    const LabelRules before(model);
    ASSERT_EQ(before.groupNames(), (std::vector<std::string>{"0", "1", "2"}));
    int64_t claimed = 0;
    for (int item = 0; item < model.getData()->getDataNum(); ++item) {
        const int group = before.groupOf(model.getData()->getDataRow(item));
        EXPECT_NE(group, 2) << "item " << item << ": the later of two equal paths never wins";
        claimed += group == 1;
    }
    EXPECT_GT(claimed, 0);
    EXPECT_EQ(before.differences(model).groupRows, 0);

    stdoutOf([&] { model.toggleHintPathLock(1, false); });  // the second path, with its empty group
    const LabelRules after(model);
    ASSERT_EQ(after.groupNames(), (std::vector<std::string>{"0", "1", "L1"}));
    for (int item = 0; item < model.getData()->getDataNum(); ++item) {
        const int group = after.groupOf(model.getData()->getDataRow(item));
        EXPECT_NE(group, 1) << "item " << item << ": the locked path keeps a tie";
    }
    const LabelRules::Differences differences = after.differences(model);
    EXPECT_EQ(differences.groupRows, claimed);
    EXPECT_EQ(differences.lockedGroupRows, claimed);
    EXPECT_EQ(differences.leafRows, 0);
}
