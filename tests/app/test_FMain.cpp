#include <gtest/gtest.h>

#include "app/FMain.h"

TEST(FormMain, CaptionAndClientArea)
{
    TFormMain form;
    EXPECT_EQ(form.windowTitle().toStdString(), "Quellbrook");
    EXPECT_EQ(form.size(), QSize(643, 348));
}
