#include <gtest/gtest.h>

#include "app/FMain.h"

TEST(FormMain, CaptionClientAreaAndFont)
{
    TFormMain form;
    EXPECT_EQ(form.objectName(), "FormMain");
    EXPECT_EQ(form.windowTitle(), "Quellbrook");
    EXPECT_EQ(form.accessibleName(), "Quellbrook");
    EXPECT_EQ(form.size(), QSize(643, 348));
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.font().pixelSize(), 11);
    form.show();
    EXPECT_EQ(form.size(), QSize(643, 348)) << "showing keeps the designed client area";
}
