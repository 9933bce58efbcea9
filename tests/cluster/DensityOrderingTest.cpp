// The density sums with the neighbourhood skipping and the worker threads:
// bit for bit the plain loop's, for tables in random and in spatial order,
// with duplicate rows and ties, on any number of threads; cancellable; and
// the model's background ordering ends with the foreground's records.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "TestSupport.h"
#include "cluster/DensityJob.h"
#include "cluster/GaussianProximity.h"
#include "cluster/ItemRegrouping.h"
#include "data/WorkProgress.h"
#include "model/TableModel.h"

namespace {

constexpr float kWidth = ItemRegrouping::kDensityKernelWidth;

// The plain loop over the difference matrix: the definition of a density sum.
std::vector<float> plainSums(const MultidimensionalData& table) {
    std::vector<float> sums(static_cast<size_t>(table.getDataNum()));
    for (int i = 0; i < table.getDataNum(); ++i) {
        float sum = 0.0f;
        for (int j = 0; j < table.getDataNum(); ++j) {
            const float d = table.getDiffMatrixEntry(i, j);
            sum += std::exp(static_cast<double>(-d * d / kWidth));
        }
        sums[static_cast<size_t>(i)] = sum;
    }
    return sums;
}

// Rows of a few tight clusters and uniform noise over `dims` dimensions, with
// every seventh row a copy of an earlier one and a constant last column (ties
// everywhere); `sorted` puts the rows in order of their first value, so that
// neighbouring rows are close and whole tiles of pairs lie far apart.
std::string table(int items, int dims, bool sorted, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::normal_distribution<float> spread(0.0f, 0.02f);
    std::vector<std::vector<float>> rows;
    for (int i = 0; i < items; ++i) {
        std::vector<float> row(static_cast<size_t>(dims));
        if (i % 7 == 6) {
            row = rows[static_cast<size_t>(random() % rows.size())];
        } else {
            const float centre = static_cast<float>(i % 4) / 4.0f;
            for (int d = 0; d + 1 < dims; ++d) row[static_cast<size_t>(d)] = i % 3 == 0 ? unit(random) : centre + spread(random);
            row[static_cast<size_t>(dims - 1)] = 5.0f;
        }
        rows.push_back(row);
    }
    if (sorted) std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a[0] < b[0]; });
    std::string text;
    for (int d = 0; d < dims; ++d) text += (d ? ",d" : "d") + std::to_string(d);
    text += "\n";
    for (const auto& row : rows) {
        for (int d = 0; d < dims; ++d) text += (d ? "," : "") + std::to_string(row[static_cast<size_t>(d)]);
        text += "\n";
    }
    return text;
}

// The two models ordered their items alike, with the same scores bit for bit.
void expectSameScores(const TableModel& foreground, const TableModel& background) {
    const auto& a = foreground.getItemScores();
    const auto& b = background.getItemScores();
    ASSERT_EQ(a.size(), b.size());
    for (size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].item, b[k].item) << k;
        ASSERT_TRUE(sameBits(a[k].score, b[k].score)) << k;
    }
}

class DensityOrderingTest : public testing::Test {
protected:
    std::unique_ptr<MultidimensionalData> load(const std::string& text) {
        return std::unique_ptr<MultidimensionalData>(loadTableQuietly(dir.write("t.txt", text)));
    }
    TempDir dir;
};

// Blocks of 128 rows whose sums differ by orders of magnitude, so that the
// thresholds of a tile's rows and of its columns differ: a tight group B of
// 40 rows (sums near 40) whose box lies just beyond the far-pair distance of
// 128 copies of a point A (sums from 128), while each of B's rows lies within
// its own, larger distance of A; a tile is skipped only when neither its rows
// nor its columns still need its terms. Rows: A x 128, far fillers, B x 40
// with fillers, A x 128.
std::string contrastingBlocks() {
    const double gap = std::sqrt(0.178);  // along the first dimension: the boxes' squared distance
    std::string text = "x,y,z\n";
    auto row = [&](double x, double y, double z) {
        text += std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z) + "\n";
    };
    for (int k = 0; k < 128; ++k) row(0, 0.5, 0.5);
    for (int k = 0; k < 128; ++k) k % 2 ? row(1, 0, 0) : row(1, 1, 1);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> offset(-0.02, 0.02);
    for (int k = 0; k < 40; ++k) row(gap + std::fabs(offset(random)) / 20, 0.5 + offset(random), 0.5 + offset(random));
    for (int k = 40; k < 128; ++k) row(1, 0, 1);
    for (int k = 0; k < 128; ++k) row(0, 0.5, 0.5);
    return text;
}

TEST_F(DensityOrderingTest, SumsEqualThePlainLoopBitForBitOnAnyNumberOfThreads) {
    // 2100 items: 17 blocks, the last one partial; the matrix is stored, so the reference is quick.
    const std::pair<const char*, std::string> tables[] = {{"rows in random order", table(2100, 6, false, 4)},
                                                          {"rows sorted", table(2100, 6, true, 3)},
                                                          {"contrasting blocks", contrastingBlocks()}};
    for (const auto& [layout, text] : tables) {
        const auto data = load(text);
        const int n = data->getDataNum();
        ASSERT_GE(n, 512) << layout;
        const std::vector<float> expected = plainSums(*data);
        const GaussianProximity proximity(data.get(), kWidth);
        for (int threads : {1, 2, 3}) {
            std::vector<float> sums(static_cast<size_t>(n), -1.0f);
            ASSERT_TRUE(proximity.scoreAllItems(sums.data(), nullptr, threads));
            for (size_t i = 0; i < sums.size(); ++i) {
                ASSERT_TRUE(sameBits(sums[i], expected[i]))
                    << "item " << i << ", " << threads << " threads, " << layout << ": " << sums[i] << " != " << expected[i];
            }
        }
        // Eight lanes, and none (entries one at a time, exp's own terms): the same bits.
        for (GaussianProximity::Lanes lanes : {GaussianProximity::Lanes::Avx2, GaussianProximity::Lanes::Portable}) {
            std::vector<float> sums(static_cast<size_t>(n), -1.0f);
            ASSERT_TRUE(GaussianProximity(data.get(), kWidth, lanes).scoreAllItems(sums.data(), nullptr, 2));
            for (size_t i = 0; i < sums.size(); ++i) {
                ASSERT_TRUE(sameBits(sums[i], expected[i]))
                    << "item " << i << ", " << layout
                    << (lanes == GaussianProximity::Lanes::Avx2 ? ", eight lanes" : ", one lane");
            }
        }
        if (layout != tables[0].first) {
            EXPECT_GT(proximity.getSkippedTiles(), 0) << layout << ": far tiles are left out whole";
        }
        // The sums of a chosen few come out the same through the per-item path.
        const std::vector<int32_t> some = {0, 127, 128, n - 1, 300};
        std::vector<float> picked(some.size());
        proximity.scoreItems(some.data(), static_cast<int>(some.size()), picked.data());
        for (size_t k = 0; k < some.size(); ++k) EXPECT_TRUE(sameBits(picked[k], expected[static_cast<size_t>(some[k])]));
    }
}

TEST_F(DensityOrderingTest, OrderIsTheStableOrderOfThePlainSums) {
    const auto data = load(table(1500, 4, false, 9));
    const std::vector<float> expected = plainSums(*data);
    std::vector<int32_t> expectedOrder(expected.size());
    for (size_t i = 0; i < expectedOrder.size(); ++i) expectedOrder[i] = static_cast<int32_t>(i);
    std::stable_sort(expectedOrder.begin(), expectedOrder.end(),
                     [&](int32_t a, int32_t b) { return expected[static_cast<size_t>(a)] < expected[static_cast<size_t>(b)]; });
    std::vector<ItemScore> records;
    const ItemRegrouping regrouping(data.get(), 0.05f, 0.9f);
    stdoutOf([&] { regrouping.orderByDensity(records, true); });
    ASSERT_EQ(records.size(), expected.size());
    size_t ties = 0;
    for (size_t k = 0; k < records.size(); ++k) {
        EXPECT_EQ(records[k].item, expectedOrder[k]) << "place " << k;
        ties += k > 0 && records[k].score == records[k - 1].score;
    }
    EXPECT_GT(ties, 10u) << "the copied rows tie, and ties keep item order";
}

TEST_F(DensityOrderingTest, ProgressCountsEveryTileAndACancelStopsTheWork) {
    const auto data = load(table(1000, 3, false, 5));  // 8 blocks: 36 tiles
    const GaussianProximity proximity(data.get(), kWidth);
    std::vector<float> sums(1000);
    WorkProgress progress;
    EXPECT_EQ(progress.fraction(), 0.0);
    ASSERT_TRUE(proximity.scoreAllItems(sums.data(), &progress));
    EXPECT_EQ(progress.fraction(), 1.0);

    WorkProgress cancelled;
    cancelled.cancel();
    EXPECT_FALSE(proximity.scoreAllItems(sums.data(), &cancelled));
    EXPECT_LT(cancelled.fraction(), 0.1) << "stopped at the first check";
}

TEST_F(DensityOrderingTest, AJobGivesTheSameSumsAndCanBeDroppedWhileItRuns) {
    const auto data = load(table(1200, 5, false, 6));
    std::vector<float> expected(1200);
    GaussianProximity(data.get(), kWidth).scoreAllItems(expected.data());
    {
        DensityJob job(data.get(), kWidth);
        ASSERT_TRUE(waitUntil([&] { return job.isDone(); }));
        EXPECT_EQ(job.getProgress(), 1.0);
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_TRUE(sameBits(job.getSums()[i], expected[i])) << i;
    }
    // A large job dropped at once: the worker stops and the table may go.
    auto big = load(table(30000, 8, false, 7));
    auto job = std::make_unique<DensityJob>(big.get(), kWidth);
    big.reset();  // the job works on its own copy
    job.reset();
}

// A reorder, flip or new scale while the ordering runs in the background
// starts it again on the new values: it ends with what ordering the arranged
// table in the foreground gives, never with the old values' order.
TEST_F(DensityOrderingTest, AnArrangementChangeWhileOrderingInTheBackgroundStartsItAgain) {
    const int items = TableModel::kBackgroundDensityItems + 200;
    std::string text = "a,b,c\n";
    for (int i = 0; i < items; ++i) {
        text += std::to_string(i % 50 + 1) + "," + std::to_string((i * 7) % 97 + 1) + "," +
                std::to_string(((i * 13) % 31 + 1) * ((i % 5) + 1)) + "\n";
    }
    TableModel foreground, background;
    foreground.linkMDdata(load(text).release());
    background.linkMDdata(load(text).release());
    background.setGaussianOrdering(true, true);
    ASSERT_TRUE(background.isDensityOrderingPending());
    EXPECT_EQ(background.moveAxis(2, 0), 0);
    EXPECT_TRUE(background.isDensityOrderingPending()) << "started again";
    ASSERT_TRUE(background.setAxisLogarithmic(0, true));
    ASSERT_TRUE(background.flipAxis(1));
    EXPECT_TRUE(background.isDensityOrderingPending());
    ASSERT_TRUE(waitUntil([&] {
        stdoutOf([&] { background.finishDensityOrdering(); });
        return !background.isDensityOrderingPending();
    }));
    foreground.moveAxis(2, 0);
    foreground.setAxisLogarithmic(0, true);
    foreground.flipAxis(1);
    stdoutOf([&] { foreground.setGaussianOrdering(true); });
    expectSameScores(foreground, background);
}

TEST_F(DensityOrderingTest, TheModelOrdersLargeTablesInTheBackgroundWithTheForegroundsResult) {
    const int items = TableModel::kBackgroundDensityItems + 500;
    const std::string text = table(items, 3, false, 8);
    TableModel foreground, background;
    foreground.linkMDdata(load(text).release());
    background.linkMDdata(load(text).release());
    EXPECT_EQ(stdoutOf([&] { foreground.setGaussianOrdering(true); }), "Gaussian-based optimization complete!\n");
    EXPECT_FALSE(foreground.isDensityOrderingPending());

    background.setGaussianOrdering(true, true);
    EXPECT_TRUE(background.getGaussianOrdering());
    ASSERT_TRUE(background.isDensityOrderingPending());
    std::string said;
    ASSERT_TRUE(waitUntil([&] {
        said += stdoutOf([&] { background.finishDensityOrdering(); });
        return !background.isDensityOrderingPending();
    }));
    EXPECT_EQ(said, "Gaussian-based optimization complete!\n");
    expectSameScores(foreground, background);

    // A newer step that rewrites the records cancels a pending ordering; so does switching it off.
    background.setGaussianOrdering(true, true);
    ASSERT_TRUE(background.isDensityOrderingPending());
    stdoutOf([&] { background.applyOrdering(); });
    EXPECT_FALSE(background.isDensityOrderingPending());
    background.setGaussianOrdering(true, true);
    background.setGaussianOrdering(false, true);
    EXPECT_FALSE(background.isDensityOrderingPending());
    EXPECT_FALSE(background.finishDensityOrdering());
    // Small tables are ordered at once, in the background call too.
    TableModel small;
    small.linkMDdata(load(table(300, 3, false, 2)).release());
    EXPECT_EQ(stdoutOf([&] { small.setGaussianOrdering(true, true); }), "Gaussian-based optimization complete!\n");
    EXPECT_FALSE(small.isDensityOrderingPending());
}

}  // namespace
