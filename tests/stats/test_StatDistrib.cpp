#include <gtest/gtest.h>

#include <QProcess>
#include <QString>

#include <cmath>
#include <filesystem>
#include <map>

#include "stats/UStatDistributions.h"
#include "stats/Ustatistics.h"
#include "stats/support_StatsPaths.h"
#include "support/TestSupport.h"

// The distribution library built beside the program, loaded here from the build's bin folder.
// Reference probabilities: the error function and the regularized incomplete beta function,
// computed apart from this code; x travels as a 32-bit float, hence the tolerances.
namespace {
class ExternalLibrary : public testing::Test {
protected:
    TLibraryModes saved = LibraryModes;
    void SetUp() override { ASSERT_TRUE(EnsureStatDistrib(QB_STATDISTRIB_DIR)); }
    // The tests after these, in this process too, find the library not loaded.
    void TearDown() override
    {
        LibraryModes = saved;
        UnloadStatDistrib();
    }
};
}  // namespace

TEST_F(ExternalLibrary, AllNineEntriesAreFound)
{
    EXPECT_NE(vf_N, nullptr);
    EXPECT_NE(vf_Nalpha, nullptr);
    EXPECT_NE(vf_T, nullptr);
    EXPECT_NE(vf_Talpha, nullptr);
    EXPECT_NE(vf_Chi2, nullptr);
    EXPECT_NE(vf_Chi2alpha, nullptr);
    EXPECT_NE(vf_F, nullptr);
    EXPECT_NE(vf_Falpha, nullptr);
    EXPECT_NE(vf_PROB, nullptr);
    EXPECT_TRUE(StatDistribLoaded());
}

TEST_F(ExternalLibrary, ModeTwoProbabilitiesAgainstReferences)
{
    LibraryModes = {2, 2, 2, 2};
    struct NCase {
        long double x, p;
    };
    for (const NCase& c : {NCase{-3.0L, 0.0013498980316301035L}, NCase{-1.0L, 0.15865525393145707L},
                           NCase{0.3L, 0.6179114221889526L}, NCase{1.96L, 0.9750021048517796L},
                           NCase{3.5L, 0.9997673709209645L}})
        EXPECT_NEAR(Alpha_n(c.x), c.p, 1e-6L) << static_cast<double>(c.x);
    struct TCase {
        int df;
        long double x, p;
    };
    for (const TCase& c : {TCase{1, 1.0L, 0.75L}, TCase{2, 1.5L, 0.8638034375544995L},
                           TCase{3, -0.7L, 0.2671634991523819L}, TCase{10, 2.228L, 0.9749941140914443L},
                           TCase{120, -2.617L, 0.005005832734154058L}})
        EXPECT_NEAR(Alpha_t(c.df, c.x), c.p, 1e-6L) << c.df;
    struct FCase {
        int df1, df2;
        long double x, p;
    };
    for (const FCase& c : {FCase{1, 1, 3.0L, 0.666666666666667L}, FCase{2, 10, 2.0L, 0.814065567918129L},
                           FCase{5, 10, 0.4L, 0.1618347415219579L}, FCase{7, 3, 8.89L, 0.9500249825593815L},
                           FCase{12, 60, 0.3L, 0.012925608543960715L}, FCase{5, 10, 0, 0}, FCase{5, 10, -1, 0}}) {
        EXPECT_NEAR(Alpha_F(c.df1, c.df2, c.x), c.p, 1e-6L) << c.df1 << "," << c.df2;
        // The F entry and the PROB entry take their arguments in different orders.
        EXPECT_EQ(Alpha_F(c.df1, c.df2, c.x), PROB(c.df1, c.df2, c.x));
    }
}

TEST_F(ExternalLibrary, OnceLoadedModeOneTakesTheFProbabilityFromTheLibrary)
{
    LibraryModes = {1, 1, 1, 1};
    // The built-in series and the library agree to float precision, but not bit for bit.
    EXPECT_NEAR(PROB(5, 10, 2.0L), ProbF(5, 10, 2.0L), 1e-6L);
    const std::int32_t d1 = 5, d2 = 10;
    const float x = 2.0f;
    EXPECT_EQ(PROB(5, 10, 2.0L), vf_PROB(&d1, &d2, &x));
    EXPECT_EQ(Alpha_F(5, 10, 2.0L), vf_PROB(&d1, &d2, &x));
    EXPECT_NEAR(Alpha_n(1.96L), 0.975L, 1e-4L);
}

TEST_F(ExternalLibrary, InvalidArgumentsGiveMissingValueNotACrash)
{
    LibraryModes = {2, 2, 2, 2};
    EXPECT_EQ(Alpha_t(0, 1.0L), MissingValue);
    EXPECT_EQ(Alpha_F(0, 5, 1.0L), MissingValue);
    EXPECT_EQ(Alpha_F(5, -1, 1.0L), MissingValue);
    EXPECT_EQ(PROB(0, 5, 1.0L), MissingValue);
    EXPECT_EQ(Alpha_n(std::nanl("")), MissingValue);
}

TEST_F(ExternalLibrary, QuantileEntriesInvertTheProbabilityEntries)
{
    using TQuantile1 = double (*)(const float*);
    using TQuantile2 = double (*)(const float*, const std::int32_t*);
    using TQuantile3 = double (*)(const float*, const std::int32_t*, const std::int32_t*);
    const float p = 0.975f;
    const std::int32_t df = 10, df2 = 20;
    EXPECT_NEAR(reinterpret_cast<TQuantile1>(vf_N)(&p), 1.959964, 1e-5);
    EXPECT_NEAR(reinterpret_cast<TQuantile2>(vf_T)(&p, &df), 2.228139, 1e-5);
    EXPECT_NEAR(reinterpret_cast<TQuantile2>(vf_Chi2)(&p, &df), 20.483177, 1e-4);
    EXPECT_NEAR(reinterpret_cast<TQuantile3>(vf_F)(&p, &df, &df2), 2.773671, 1e-4);
    const float x = 20.483177f;
    EXPECT_NEAR(reinterpret_cast<TQuantile2>(vf_Chi2alpha)(&x, &df), 0.975, 1e-6);
    const float bad = 1.5f;
    EXPECT_TRUE(std::isnan(reinterpret_cast<TQuantile1>(vf_N)(&bad)));
}

TEST_F(ExternalLibrary, UnloadingLeavesTheStateBeforeAnyLoad)
{
    LibraryModes = {2, 2, 2, 2};
    UnloadStatDistrib();
    EXPECT_FALSE(StatDistribLoaded());
    for (const void* entry : {vf_N, reinterpret_cast<void*>(vf_Nalpha), vf_T, reinterpret_cast<void*>(vf_Talpha), vf_Chi2,
                              vf_Chi2alpha, vf_F, reinterpret_cast<void*>(vf_Falpha), reinterpret_cast<void*>(vf_PROB)})
        EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(Alpha_n(1.96L), ST_Alpha_n(1.96L)) << "mode 2 without the library answers as mode 1";
    ASSERT_TRUE(EnsureStatDistrib(QB_STATDISTRIB_DIR));
    EXPECT_NE(vf_PROB, nullptr);
}

TEST_F(ExternalLibrary, OnlyTheNamedFolderIsSearched)
{
    // The library is loaded in this process, so a bare name would find it; a folder path cannot.
    qbtest::TempDir empty;
    EXPECT_FALSE(LoadStatDistrib(empty.path().string()));
    EXPECT_FALSE(LoadStatDistrib(empty.path().string() + "/"));
    // The test program's own folder holds no library either.
    EXPECT_FALSE(std::filesystem::exists(ProgramDirectory() + StatDistribLibraryName));
    EXPECT_FALSE(LoadStatDistrib(""));
    // A second ensure does not load again.
    EXPECT_TRUE(EnsureStatDistrib(empty.path().string()));
}

// ---- Start-up as the program does it -----------------------------------------------------------

namespace {
// Runs the start-up probe (a copy of it in programFolder when given) in workFolder.
std::map<std::string, std::string> RunStartUp(const std::filesystem::path& workFolder,
                                              const std::filesystem::path& programFolder = {})
{
    std::filesystem::path program = QB_STATS_PROBE;
    if (!programFolder.empty()) {
        std::filesystem::copy_file(program, programFolder / program.filename(),
                                   std::filesystem::copy_options::overwrite_existing);
        program = programFolder / program.filename();
    }
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(workFolder.string()));
    process.start(QString::fromStdString(program.string()), {});
    EXPECT_TRUE(process.waitForFinished(30000));
    std::map<std::string, std::string> values;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype separator = line.indexOf('=');
        values[line.left(separator).toStdString()] = line.mid(separator + 1).toStdString();
    }
    values["exit"] = std::to_string(process.exitCode());
    return values;
}

}  // namespace

TEST(StartUp, TheSettingsDecideWhetherTheLibraryIsLoaded)
{
    struct Case {
        const char* settings;  // nullptr: no settings file
        const char* loaded;
        const char* modes;
    };
    const Case cases[] = {
        {nullptr, "0", "1,1,1,1"},
        {"LibraryMode-N=1\n", "0", "1,1,1,1"},
        {"EnsureVFdll=1\n", "1", "1,1,1,1"},
        {"EnsureVFdll=0\nLibraryMode-C=2\n", "1", "1,1,2,1"},  // chi-square only asks for the library
        {"LibraryMode-T=2\n", "1", "1,2,1,1"},
        {"EnsureVFdll=-3\nLibraryMode-F=258\n", "1", "1,1,1,2"},
        {"EnsureVFdll=\n", "0", "1,1,1,1"},
    };
    for (const Case& c : cases) {
        qbtest::TempDir work;
        if (c.settings != nullptr) qbtest::WriteFileBytes(work.file("ORUStatistics.ini"), c.settings);
        auto result = RunStartUp(work.path());
        EXPECT_EQ(result["exit"], "0") << result["error"];
        EXPECT_EQ(result["loaded"], c.loaded) << (c.settings ? c.settings : "no file");
        EXPECT_EQ(result["external_prob"], c.loaded);
        EXPECT_EQ(result["modes"], c.modes);
        EXPECT_NEAR(std::stod(result["alpha_n"]), 0.975002, 1e-4);
        EXPECT_NEAR(std::stod(result["alpha_t"]), 0.974994, 1e-6);
        EXPECT_NEAR(std::stod(result["alpha_f"]), 0.835805, 1e-6);
    }
}

TEST(StartUp, WithoutTheLibraryBesideTheProgramModesFallBack)
{
    // The library in the current folder does not count: only the program's folder is searched.
    qbtest::TempDir work, programFolder;
    qbtest::WriteFileBytes(work.file("ORUStatistics.ini"), "LibraryMode-N=2\nLibraryMode-T=2\nLibraryMode-F=2\n");
    std::filesystem::copy_file(std::filesystem::path(QB_STATDISTRIB_DIR) / StatDistribLibraryName,
                               work.path() / StatDistribLibraryName);
    auto result = RunStartUp(work.path(), programFolder.path());
    EXPECT_EQ(result["exit"], "0") << result["error"];
    EXPECT_EQ(result["loaded"], "0");
    EXPECT_EQ(result["external_prob"], "0");
    EXPECT_EQ(result["modes"], "2,2,1,2");
    EXPECT_NEAR(std::stod(result["alpha_n"]), 0.975002, 1e-4);  // as in mode 1
    EXPECT_NEAR(std::stod(result["alpha_t"]), 0.974994, 1e-6);
    EXPECT_NEAR(std::stod(result["alpha_f"]), 0.835805, 1e-6);
}

TEST(StartUp, ABrokenSettingsValueStopsTheStart)
{
    qbtest::TempDir work;
    qbtest::WriteFileBytes(work.file("ORUStatistics.ini"), "LibraryMode-N=normal\n");
    auto result = RunStartUp(work.path());
    EXPECT_EQ(result["exit"], "1");
    EXPECT_NE(result["error"].find("LibraryMode-N"), std::string::npos) << result["error"];
    EXPECT_EQ(result.count("loaded"), 0u);
}
