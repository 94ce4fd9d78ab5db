#pragma once
// A picture held by a brush or font: a graphic with change notification. Loading, codecs and
// filters come with the picture module.
#include <QImage>
#include <memory>

#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TDuvPicture : public TPersistent {
    QB_CLASS(TDuvPicture, TPersistent)
public:
    TDuvPicture() = default;
    // The graphic, none when empty.
    const QImage* Graphic() const { return graphic_.get(); }
    void SetGraphic(const QImage* value);
    bool HasGraphic() const { return graphic_ != nullptr; }
    void Assign(const TPersistent* source) override;

    TChangeHandler OnChange;

private:
    void Changed();
    std::unique_ptr<QImage> graphic_;
};
