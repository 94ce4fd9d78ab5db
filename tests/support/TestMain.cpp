#include <QApplication>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new qbtest::IsolatedConfigEnvironment);
    return RUN_ALL_TESTS();
}
