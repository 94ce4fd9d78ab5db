#include "chart/output/DuvEmfOptions.h"

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/Metafile.h"

bool TEMFExportFormat::Enhanced() const
{
    return options_ ? static_cast<const TEMFOptionsValues&>(*options_).Enhanced : true;
}

int TEMFExportFormat::FilterIndex() const { return Enhanced() ? filterIndex_ : filterIndex_ + 1; }

void TEMFExportFormat::TakeFilterIndex(int& counter)
{
    TDuvExportFormat::TakeFilterIndex(counter);
    ++counter;
}

bool TEMFExportFormat::MatchesFilterIndex(int index)
{
    if (index == filterIndex_) return true;
    if (index != filterIndex_ + 1) return false;
    Options(true)->Enhanced = false;
    return true;
}

std::string TEMFExportFormat::Description() const { return DuvMsgAsMetafile; }

std::string TEMFExportFormat::FileFilter() const { return DuvMsgMetafileFilter; }

TEMFOptionsValues* TEMFExportFormat::Options(bool create)
{
    if (!options_ && create) options_ = std::make_unique<TEMFOptionsValues>();
    return static_cast<TEMFOptionsValues*>(options_.get());
}

std::unique_ptr<TMetafile> TEMFExportFormat::Metafile()
{
    CheckPanel();
    CheckSize();
    return Panel->RenderMetafile(Enhanced(), {0, 0, Width, Height});
}

void TEMFExportFormat::CopyToClipboard()
{
    CheckPanel();
    CheckSize();
    Panel->CopyMetafileToClipboardRect(Enhanced(), {0, 0, Width, Height});
}

void TEMFExportFormat::SaveToStream(TStream& stream) { Metafile()->SaveToStream(stream); }

void DuvEmfOptionsInitialization() { RegisterExportFormat(&TEMFExportFormat::Create); }

void DuvEmfOptionsFinalization() { UnregisterExportFormat(&TEMFExportFormat::Create); }
