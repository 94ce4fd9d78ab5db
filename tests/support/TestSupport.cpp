#include "support/TestSupport.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace qbtest {

namespace {
std::filesystem::path MakeUniqueDir(const std::string& prefix)
{
    std::random_device rd;
    for (;;) {
        auto p = std::filesystem::temp_directory_path() / (prefix + std::to_string(rd()));
        if (std::filesystem::create_directory(p))
            return p;
    }
}
std::filesystem::path g_configDir;
}  // namespace

void IsolatedConfigEnvironment::SetUp()
{
    g_configDir = MakeUniqueDir("qb-config-");
    setenv("QUELLBROOK_CONFIG_DIR", g_configDir.c_str(), 1);
}

void IsolatedConfigEnvironment::TearDown()
{
    std::error_code ec;
    std::filesystem::remove_all(g_configDir, ec);
}

TempDir::TempDir() : path_(MakeUniqueDir("qb-test-")) {}

ScopedConfigDir::ScopedConfigDir()
{
    if (const char* old = std::getenv("QUELLBROOK_CONFIG_DIR")) {
        saved_ = old;
        hadSaved_ = true;
    }
    setenv("QUELLBROOK_CONFIG_DIR", dir_.path().c_str(), 1);
}

ScopedConfigDir::~ScopedConfigDir()
{
    if (hadSaved_) setenv("QUELLBROOK_CONFIG_DIR", saved_.c_str(), 1);
    else unsetenv("QUELLBROOK_CONFIG_DIR");
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string DataPath(const std::string& name) { return std::string(TestDataRoot()) + "/" + name; }

namespace {
void PollForModal(std::function<void(QWidget*)> action, int attemptsLeft)
{
    QTimer::singleShot(10, [action = std::move(action), attemptsLeft]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        // Activation arrives later than the dialog; it moves the keyboard focus (a file dialog's
        // name field then keeps what is typed), so the action always meets the box a user meets.
        if ((!modal || !modal->isActiveWindow()) && attemptsLeft > 0)
            return PollForModal(std::move(action), attemptsLeft - 1);
        action(modal);
    });
}
}  // namespace

void WhenModal(std::function<void(QWidget*)> action) { PollForModal(std::move(action), 500); }

QAction* MenuItem(QMenu* menu, std::initializer_list<const char*> path)
{
    QAction* found = nullptr;
    for (const char* caption : path) {
        found = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == caption) found = action;
        if (!found) return nullptr;
        if (found->menu()) menu = found->menu();
    }
    return found;
}

std::string RunProgram(const std::vector<std::string>& arguments, int& exitCode)
{
    exitCode = -1;
    if (arguments.empty()) return "no program given";
    int ends[2];
    if (pipe(ends) != 0) return "cannot make a pipe";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    std::string output;
    if (spawned != 0) {
        close(ends[0]);
        return "cannot start " + arguments[0];
    }
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(ends[0], chunk, sizeof chunk);
        if (got > 0)
            output.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(ends[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

}  // namespace qbtest

testing::AssertionResult qbtest::LooksLikePicture(const QImage& picture, const std::string& name, int share)
{
    const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
    const std::string path = DataPath(name);
    if (std::getenv("QB_UPDATE_PICTURES")) shown.save(QString::fromStdString(path));
    const QImage expected = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    if (expected.size() != shown.size()) return testing::AssertionFailure() << path << ": the sizes differ";
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 || std::abs(qBlue(a) - qBlue(b)) > 8)
                ++differing;
        }
    if (differing > shown.width() * shown.height() / share)
        return testing::AssertionFailure() << path << ": " << differing << " pixels differ, more than one in " << share;
    return testing::AssertionSuccess();
}
