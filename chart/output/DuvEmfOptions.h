#pragma once
// The metafile export format: the panel drawn into an enhanced (EMF) or old-style (WMF) metafile
// of the asked size. Its two filter entries choose between the two kinds.
#include <memory>

#include "chart/output/DuvExport.h"

class TMetafile;

// What the metafile options form keeps.
class TEMFOptionsValues : public TExportOptions {
public:
    bool Enhanced = true;
};

class TEMFExportFormat : public TDuvExportFormat {
public:
    static std::unique_ptr<TDuvExportFormat> Create() { return std::make_unique<TEMFExportFormat>(); }
    std::string ClassName() const override { return "TEMFExportFormat"; }

    // True while no options exist, else the options' choice.
    bool Enhanced() const;

    void CopyToClipboard() override;
    int FilterIndex() const override;
    void TakeFilterIndex(int& counter) override;
    // The second entry (old-style metafiles) switches Enhanced off.
    bool MatchesFilterIndex(int index) override;
    std::string Description() const override;
    std::string FileExtension() const override { return Enhanced() ? "emf" : "wmf"; }
    std::string FileFilter() const override;
    TEMFOptionsValues* Options(bool create = true) override;
    void SaveToStream(TStream& stream) override;

    // The panel drawn over 0, 0, Width, Height; Scale plays no part.
    std::unique_ptr<TMetafile> Metafile();
};

void DuvEmfOptionsInitialization();
void DuvEmfOptionsFinalization();
