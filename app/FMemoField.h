#pragma once
// Memo viewers: a small window per data source and memo field that shows the memo of the current
// record and follows the cursor. The viewers of the process are listed, so clicking the same
// memo column again brings up the same window.
#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/core/SysUtils.h"

class TDataSource;
class TDBMemo;
class TField;

class TFormMemoField : public QWidget {
    Q_OBJECT
public:
    explicit TFormMemoField(QWidget* parent = nullptr);
    TDBMemo* DBMemo;

protected:
    // The window leaves the list of viewers and is freed.
    void closeEvent(QCloseEvent* event) override;
};

// One viewer: its window, the data source (not owned) and the field name in upper case.
class TMemoBrowse : public TObject {
public:
    TMemoBrowse(TDataSource* dataSource, const std::string& fieldName);
    ~TMemoBrowse() override;  // closes the window
    TMemoBrowse(const TMemoBrowse&) = delete;
    TMemoBrowse& operator=(const TMemoBrowse&) = delete;
    std::string ClassName() const override { return "TMemoBrowse"; }

    TDataSource* DataSource() const { return dataSource_; }
    const std::string& FieldName() const { return fieldName_; }
    TFormMemoField* Window() const { return window_; }
    void ForgetWindow() { window_ = nullptr; }

private:
    TDataSource* dataSource_;
    std::string fieldName_;
    QPointer<TFormMemoField> window_;
};

// Shows the viewer of the data source and memo field, made on first use; answers its window.
TFormMemoField* BrowseMemoField(TDataSource* dataSource, TField* field);
// Closes every viewer bound to the data source (a table window does so when it closes).
void CloseMemoBrowsers(TDataSource* dataSource);
// The number of listed viewers.
int MemoBrowserCount();
