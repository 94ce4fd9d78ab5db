#include "app/support_MainForm.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <filesystem>

#include "app/FMemoField.h"
#include "app/FTable.h"
#include "app/ULng.h"
#include "platform/core/Registry.h"

namespace qbtest {

const char* const kObserverSection =
    "[Observer]\n"
    "text=Name of the observer\n"
    "fn=OBSERVER\n"
    "type=CHARACTER(20)\n"
    "field=edit\n";

const char* const kWeatherSection =
    "[Weather]\n"
    "text=Weather at the time of counting\n"
    "fn=WEATH\n"
    "type=NUMERIC(2,0)\n"
    "field=switch\n"
    "item1=clear\n"
    "item2=rain\n"
    "item3=snow\n"
    "value3=9\n"
    "condtext=2;Rain intensity\n";

const char* const kBirdsSection =
    "[Birds]\n"
    "text=Birds seen\n"
    "fn=BIRD\n"
    "type=MULTIBOOL\n"
    "field=check\n"
    "item1=heron\n"
    "item2=stork\n";

const char* const kNotesSection =
    "[Notes]\n"
    "text=Remarks\n"
    "fn=NOTES\n"
    "type=BLOB(0,1)\n"
    "field=memo\n";

std::string JoinSections(std::initializer_list<const char*> sections)
{
    std::string text;
    for (const char* section : sections) text += (text.empty() ? "" : "\n") + std::string(section);
    return text;
}

ModalCloser::ModalCloser()
{
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            Shown.push_back(modal->objectName().toStdString());
            modal->reject();
        }
    });
    timer_.start(5);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void TypeText(QWidget* control, const std::string& text)
{
    for (const QChar ch : QString::fromStdString(text)) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(control, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(control, &release);
    }
}

std::string DbfDump(const std::string& path)
{
    static const char* const script = R"(
import sys, dbfread
table = dbfread.DBF(sys.argv[1], encoding='cp1250', load=True)
for f in table.fields:
    print(f.name, f.type, f.length, f.decimal_count)
print('--')
# dbfread reads a dBase IV memo's length as data length, so 8 bytes of the zero-filled block
# tail come with the text.
def clean(v):
    return v.rstrip('\x00') if isinstance(v, str) else v
for record in table.records:
    print('|'.join('%s=%s' % (k, clean(v)) for k, v in record.items()))
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, QString::fromStdString(path)});
    python.waitForFinished(20000);
    return (python.readAllStandardOutput() + python.readAllStandardError()).toStdString();
}

namespace {

// The common directory is taken from the settings store, so no directory question shows.
void StoreCommonPath(const std::string& folder)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\Software\\ORU", true);
    registry.WriteString("CommonPath", folder);
}

}  // namespace

MainFormHarness::MainFormHarness() : scope_(Ui)
{
    std::filesystem::create_directories(Dir.path() / "common");
    StoreCommonPath(Dir.file("common"));
    Modals = std::make_unique<ModalCloser>();
    Form = std::make_unique<TFormMain>();
    Form->show();
    WaitFor([this] { return Form->Activated() && !Form->TB_Close->isEnabled(); });
}

MainFormHarness::~MainFormHarness()
{
    Form.reset();
    Modals.reset();
}

std::string MainFormHarness::WriteDefinition(const std::string& name, const std::string& text) const
{
    const std::string path = Dir.file(name);
    std::string bytes;
    for (const char c : text) bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteFileBytes(path, bytes);
    return path;
}

bool MainFormHarness::Open(const std::string& path, int messageBoxes)
{
    Ui.Push(TUiAnswer::OpenFile(path));
    for (int i = 0; i < messageBoxes; ++i) Ui.Push(TUiAnswer::Press(mrOk));
    Form->TB_Open->click();
    return Form->Definition() != nullptr;
}

std::vector<std::string> MainFormHarness::TakeMessages()
{
    std::vector<std::string> texts;
    for (; seenCalls_ < Ui.Log().size(); ++seenCalls_)
        if (Ui.Log()[seenCalls_].Kind == TUiCallKind::Message) texts.push_back(Ui.Log()[seenCalls_].Text);
    return texts;
}

SurveyWindowTest::SurveyWindowTest()
{
    const std::string shipped = std::string(QB_TEST_DATA) + "/../../resources/common/";
    for (const char* name : {"SetQuery409.lng", "NvgHint409.lng"})
        std::filesystem::copy_file(shipped + name, main.Dir.file(std::string("common/") + name));
    definition = main.WriteDefinition("survey.ini",
                                      JoinSections({kObserverSection, kWeatherSection, kBirdsSection, kNotesSection}));
    EXPECT_TRUE(main.Open(definition));
    main.Modals.reset();  // the dialogs of a test are checked while they show
}

SurveyWindowTest::~SurveyWindowTest()
{
    CloseTableWindows();
    CloseMemoBrowsers(&main.Form->DataSource);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FreeLngModules();
}

}  // namespace qbtest
