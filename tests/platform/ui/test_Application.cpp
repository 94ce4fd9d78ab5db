#include <gtest/gtest.h>

#include <QEventLoop>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <new>

#include "platform/core/SysUtils.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

// This program runs under the program's own application object (the shared test main makes a
// plain one), so the default exception handler is the one the program uses.
int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new qbtest::IsolatedConfigEnvironment);
    return RUN_ALL_TESTS();
}

namespace {

// Runs the event loop with a throwing timer handler, then a second one that must still run.
bool RunThrowingHandlerThenAnother(const std::function<void()>& thrower)
{
    QTimer throwing;
    throwing.setSingleShot(true);
    QObject::connect(&throwing, &QTimer::timeout, thrower);
    bool laterRan = false;
    QEventLoop loop;
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, [&] {
        laterRan = true;
        loop.quit();
    });
    throwing.start(0);
    later.start(20);
    loop.exec();
    return laterRan;
}

TEST(Application, ExceptionFromAHandlerBecomesAnErrorBoxAndTheLoopGoesOn)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Press(mrOk));

    EXPECT_TRUE(RunThrowingHandlerThenAnother([] { throw EConvertError("'abc' is not a valid floating point value"); }));

    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].MsgType, TMsgDlgType::mtError);
    EXPECT_EQ(ui.Log()[0].Buttons, mbOK);
    EXPECT_EQ(ui.Log()[0].Text, "'abc' is not a valid floating point value");
    EXPECT_TRUE(ui.Failures().empty());
}

struct TBusyForm {
    int clicks = 0;
    void BtnGoClick()
    {
        ++clicks;
        throw Exception("Table is busy");
    }
};

TEST(Application, GuardedClickHandlerIsShownAndTheButtonWorksOn)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Press(mrOk));
    ui.Push(TUiAnswer::Press(mrOk));
    TBusyForm form;
    QPushButton button("Go");
    button.resize(60, 20);
    QObject::connect(&button, &QPushButton::clicked, Guarded(&form, &TBusyForm::BtnGoClick));
    const QPointF centre(30, 10);
    for (int i = 0; i < 2; ++i) {
        QMouseEvent press(QEvent::MouseButtonPress, centre, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, centre, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
        QApplication::sendEvent(&button, &release);
    }
    EXPECT_EQ(form.clicks, 2);
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[1].Text, "Table is busy");
    EXPECT_EQ(ui.Log()[1].MsgType, TMsgDlgType::mtError);
}

TEST(Application, AFailureToShowTheErrorStaysInside)
{
    TScriptedUiServices ui;  // no answer scripted: showing the error itself fails
    TScopedUiServices scope(ui);
    EXPECT_TRUE(RunThrowingHandlerThenAnother([] { throw Exception("first"); }));
    const std::vector<std::string> failures = ui.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("first"), std::string::npos);
}

TEST(Application, MessageOfEveryKindOfException)
{
    struct Case {
        std::exception_ptr error;
        const char* expected;
    };
    const Case cases[] = {
        {std::make_exception_ptr(EInOutError("Disk full", 28)), "Disk full"},
        {std::make_exception_ptr(std::runtime_error("standard")), "standard"},
        {std::make_exception_ptr(42), "Unknown exception"},
        {std::make_exception_ptr(std::bad_alloc()),
         "There is not enough memory for this operation. Close other windows or programs and try again."},
        {std::make_exception_ptr(std::bad_array_new_length()),
         "There is not enough memory for this operation. Close other windows or programs and try again."},
        {nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExceptionMessage(c.error), c.expected);
}

TEST(Application, TitleAndFormFont)
{
    ASSERT_NE(Application(), nullptr);
    Application()->SetTitle("Quellbrook");
    EXPECT_EQ(Application()->Title(), "Quellbrook");
    EXPECT_EQ(QApplication::applicationName(), "Quellbrook");
    const QFont font = FormFont();
    EXPECT_EQ(font.family(), "Tahoma");
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(QApplication::font().family(), "Tahoma");
    EXPECT_EQ(QApplication::font().pixelSize(), 11);
}

}  // namespace
