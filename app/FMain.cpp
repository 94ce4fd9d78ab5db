#include "app/FMain.h"

#include "platform/ui/Application.h"

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("FormMain");
    setWindowTitle("Quellbrook");
    setAccessibleName("Quellbrook");
    setFont(FormFont());
    resize(643, 348);
}
