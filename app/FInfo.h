#pragma once
// The common data directory found at start, and the program information window.
#include <QDialog>
#include <memory>
#include <span>
#include <string>

#include "app/ProgramVersion.h"
#include "platform/core/Registry.h"
#include "platform/core/StringList.h"
#include "platform/ui/FormTable.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The common data directory with a trailing '/'; empty while none is known.
extern std::string CommonDirectory;
// The AutoCloseInfoForm setting read at start (10 when it had to be written).
extern int AutoCloseInfoForm;

// The folder of the language files that come with the program, with a trailing '/'; "" while
// none is known. Set by InitCommonDirectory.
extern std::string ShippedDirectory;

// Finds the common directory in the settings store (asks the user when it is missing and stores
// the answer) and reads AutoCloseInfoForm; returns the directory with a trailing '/', or "".
std::string InitCommonDirectory(const std::string& programFileName);

// Where the program finds the files shipped with it: beside it (a build tree), or in the data folder
// of its installation (<prefix>/share/quellbrook/common beside <prefix>/bin); "" when neither has them.
std::string ShippedCommonDirectory(const std::string& programFolder);

// What the directory question proposes for a program in programFolder: the folder beside an "ORU"
// folder the program lies in, else the default under the user's data folder.
std::string ProposedCommonDirectory(const std::string& programFolder);

// The folder of the running program, with a trailing '/'.
std::string ProgramFolder();
// "/data" -> "/data/"; an empty text stays empty.
std::string AddTrailingSlash(const std::string& path);

enum class TShellFolder { LocalAppData };
// The user's folder of that kind with a trailing '/'; "" when there is none.
std::string GetShellFolderPath(TShellFolder folder);

// fileName in the user's own CommonFilesORU folder when it is there (or fallBack is false),
// otherwise in the common directory.
std::string LocateCommonSettingsFile(const std::string& fileName, bool fallBack);

// The "<key>=<value>" lines of the version data: fixed keys in a fixed order, empty values left out.
TStringList VersionInfoLines(std::span<const TVersionEntry> versionData);

class TFormInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFormInfo(QWidget* parent = nullptr);
    ~TFormInfo() override;

    QLabel* Image1;
    QLabel* Image2;
    QLabel* LblTitle;
    QLabel* LblComment;
    QLabel* LblVersion;
    QLabel* LblCopyright;
    QLabel* Label4;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* LblAddress;
    QLabel* LabelWeb;
    QLabel* LabelUser;
    QLabel* LabelCompany;
    QLabel* Label1;
    QPushButton* BtnOK;
    QPlainTextEdit* Memo1;
    QPushButton* BtnMore;
    QPushButton* BtnAppDataDir;
    QTimer* Timer1;

    // Fills the info lines and the labels; empty arguments take the version data.
    void LoadVersionInfo(const std::string& title = "", const std::string& comment = "",
                         const std::string& ownerText = "", const std::string& versionSuffix = "");
    void SetInfoLine(const std::string& name, const std::string& value);
    std::string InfoLine(const std::string& name) const { return infoLines_.Values(name); }
    const TStringList& InfoLines() const { return infoLines_; }

    // A string of the program's installation key; false while that key is not open or on errors.
    bool ReadRegistryString(const std::string& name, std::string& value) const;

    std::string MailToUrl() const;

    void FormActivate();
    void BtnOKClick();
    void Timer1Timer();
    void BtnMoreClick();
    void BtnAppDataDirClick();
    void LabelWebClick();
    void LblAddressClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void OpenInstallationKey();
    void FitTitle();
    void FitTexts();

    TBuiltForm form_;
    TStringList infoLines_;
    std::unique_ptr<TRegistry> registry_;
};

const TControlTable& FormInfoTable();

// The information window, created at the main window's first activation.
extern TFormInfo* FormInfo;
