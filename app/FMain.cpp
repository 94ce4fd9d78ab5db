#include "app/FMain.h"

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("FormMain");
    setWindowTitle("Quellbrook");
    resize(643, 348);
}
