#include <QApplication>
#include <gtest/gtest.h>

#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new qbtest::IsolatedConfigEnvironment);
    // A test whose scripted UI kept answers it never needed or met a dialog it did not expect fails.
    TScriptedUiServices::SetLeftoverHandler([](const std::string& report) { ADD_FAILURE() << report; });
    return RUN_ALL_TESTS();
}
