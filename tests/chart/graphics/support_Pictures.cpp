#include "support_Pictures.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>
#include <sstream>

namespace pictures {

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb((x * 37) % 256, (y * 53) % 256, (x * y * 11 + 7) % 256));
    return image;
}

std::string RunProgram(const std::vector<std::string>& arguments, int* exitCode)
{
    QStringList rest;
    for (std::size_t i = 1; i < arguments.size(); ++i) rest << QString::fromStdString(arguments[i]);
    QProcess process;
    process.start(QString::fromStdString(arguments[0]), rest);
    const bool finished = process.waitForFinished(30000);
    const int code = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (exitCode) *exitCode = code;
    else EXPECT_EQ(code, 0) << arguments[0] << ": " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

void PnmSize(const std::string& pnm, int& width, int& height)
{
    std::istringstream in(pnm);
    std::string magic;
    width = height = -1;
    in >> magic >> width >> height;
}

}  // namespace pictures
