#include <QApplication>

#include "app/FMain.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quellbrook");
    TFormMain mainForm;
    mainForm.show();
    return QApplication::exec();
}
