#pragma once
// Fixtures every test program shares.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace qbtest {

// Points QUELLBROOK_CONFIG_DIR at a fresh folder, so no test touches the user's settings.
class IsolatedConfigEnvironment : public testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// A fresh folder removed with the fixture.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points QUELLBROOK_CONFIG_DIR at an empty folder of its own for its life, then back.
class ScopedConfigDir {
public:
    ScopedConfigDir();
    ~ScopedConfigDir();
    ScopedConfigDir(const ScopedConfigDir&) = delete;
    ScopedConfigDir& operator=(const ScopedConfigDir&) = delete;

private:
    TempDir dir_;
    std::string saved_;
    bool hadSaved_ = false;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string DataPath(const std::string& name);  // a fixture under tests/data
const char* TestDataRoot();                     // tests/data of the checkout that was built

// Whether the picture matches the fixture picture under tests/data: same size, and at most one
// pixel in `share` differs by more than 8 in a colour channel. With QB_UPDATE_PICTURES set the
// fixture is written anew first (after a deliberate change; a person looks at it then).
testing::AssertionResult LooksLikePicture(const QImage& picture, const std::string& name, int share);

// Runs a program with its arguments as given, through no shell, so any path reaches it unchanged;
// answers its output and error output together. exitCode: its exit status, -1 when it could not
// start or did not end normally.
std::string RunProgram(const std::vector<std::string>& arguments, int& exitCode);

// Runs action on the modal window once the next exec() shows it (nullptr when none shows within
// a few seconds); tests drive modal dialogs this way.
void WhenModal(std::function<void(QWidget*)> action);

// The item reached through the captions of a menu path; nullptr when one is missing.
QAction* MenuItem(QMenu* menu, std::initializer_list<const char*> path);

}  // namespace qbtest

// tests/data, for paths relative to the checkout.
#define QB_TEST_DATA (::qbtest::TestDataRoot())
