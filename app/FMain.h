#pragma once
// The main window: the whole command surface of the application.
#include <QMainWindow>
#include <string>

#include "app/FInfo.h"  // CommonDirectory

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
};
