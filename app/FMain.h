#pragma once
// The main window: the whole command surface of the application.
#include <QMainWindow>
#include <string>

// The common data directory with a trailing separator; empty until the main window finds it.
extern std::string CommonDirectory;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
};
