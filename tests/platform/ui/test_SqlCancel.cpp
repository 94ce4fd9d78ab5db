#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <chrono>
#include <string>

#include "platform/db/DbError.h"
#include "platform/db/SqlEngine.h"
#include "platform/ui/SqlCancel.h"
#include "support/TestSupport.h"

namespace {

const char* const kEndless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c";

std::string ErrorOfSelect(TSqlEngine& engine, const std::string& sql)
{
    try {
        engine.Select(sql);
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "";
}

class SqlCancelWindow : public testing::Test {
protected:
    void SetUp() override { InstallSqlCancelWindow(200); }
    void TearDown() override { RemoveSqlCancelWindow(); }
    qbtest::TempDir dir;
};

TEST_F(SqlCancelWindow, AShortQueryShowsNoWindow)
{
    TSqlEngine engine(dir.path().string());
    EXPECT_EQ(ErrorOfSelect(engine, "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000) SELECT count(*) FROM c"), "");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(SqlCancelWindow, ALongQueryOffersCancelAndStopsWhenPressed)
{
    TSqlEngine engine(dir.path().string());
    bool offered = false;
    qbtest::WhenModal([&](QWidget* modal) {
        ASSERT_NE(modal, nullptr);
        offered = modal->objectName() == "SqlCancelWindow";
        auto* cancel = modal->findChild<QPushButton*>("BtnCancel");
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->accessibleName(), "Cancel");
        cancel->click();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOfSelect(engine, kEndless), "The query was cancelled.");
    EXPECT_TRUE(offered);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    // The window goes with its statement; the next statement runs as usual.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ErrorOfSelect(engine, "SELECT 1"), "");
}

}  // namespace
